#include "RasterTestSupport.h"

#include <lib/imaging/ImgIO.h>
#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace RasterTest;

namespace {

using FileVector = std::vector<uint8_t>;

constexpr uint32_t Mapped = 1, TrueColour = 2, Grey = 3, Rle = 8;
constexpr uint32_t TopToBottom = 0x20, RightToLeft = 0x10;

struct Header
{
    uint32_t imageType = TrueColour;
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t pixelBits = 24;
    uint32_t descriptor = 0;
    uint32_t mapType = 0;
    uint32_t mapFirst = 0;
    uint32_t mapLength = 0;
    uint32_t mapEntryBits = 0;
    uint32_t idBytes = 0;
};

FileVector tgaFile(const Header &h, const FileVector &afterHeader)
{
    return FileBytes()
        .u8(h.idBytes).u8(h.mapType).u8(h.imageType)
        .u16(h.mapFirst).u16(h.mapLength).u8(h.mapEntryBits)
        .u16(0).u16(0).u16(h.width).u16(h.height).u8(h.pixelBits).u8(h.descriptor)
        .bytes(afterHeader)
        .data();
}

// A colour-mapped header with a map of length entries from first.
Header mapped(uint32_t width, uint32_t height, uint32_t first, uint32_t length, uint32_t entryBits)
{
    Header h;
    h.imageType = Mapped;
    h.width = width;
    h.height = height;
    h.pixelBits = 8;
    h.mapType = 1;
    h.mapFirst = first;
    h.mapLength = length;
    h.mapEntryBits = entryBits;
    return h;
}

Header trueColour(uint32_t width, uint32_t height, uint32_t bits, uint32_t descriptor = 0)
{
    Header h;
    h.width = width;
    h.height = height;
    h.pixelBits = bits;
    h.descriptor = descriptor;
    return h;
}

Header runLength(Header h)
{
    h.imageType |= Rle;
    return h;
}

struct Variant
{
    const char *name;
    FileVector file;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    std::string expected;   // one letter a pixel, rows top to bottom
};

std::vector<Variant> variants()
{
    Header grey = trueColour(3, 1, 8);
    grey.imageType = Grey;
    Header withId = trueColour(1, 1, 24);
    withId.idBytes = 3;
    withId.mapType = 1;
    withId.mapLength = 2;
    withId.mapEntryBits = 24;
    Header wideIndex = mapped(3, 1, 300, 2, 24);
    wideIndex.pixelBits = 16;
    Header runGrey = runLength(grey);
    runGrey.descriptor = TopToBottom;
    return {
        {"8-bit index, 24-bit map from entry 2, indexes outside it black",
         tgaFile(mapped(3, 2, 2, 4, 24), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
                                          2, 3, 4, 5, 9, 1}),
         3, 2, 8, "wkk" "rgb"},
        {"15-bit map", tgaFile(mapped(2, 1, 0, 2, 15), {0x00, 0x7C, 0x1F, 0x00, 1, 0}), 2, 1, 8, "br"},
        {"16-bit map, attribute bit ignored", tgaFile(mapped(2, 1, 0, 2, 16), {0x00, 0xFC, 0x1F, 0x80, 1, 0}), 2, 1,
         8, "br"},
        {"32-bit map", tgaFile(mapped(2, 1, 0, 2, 32), {0x00, 0xFF, 0x00, 0x10, 0x00, 0xFF, 0xFF, 0x20, 0, 1}), 2, 1,
         8, "gy"},
        {"16-bit index", tgaFile(wideIndex, {0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x2C, 0x01, 0x2D, 0x01, 0x00, 0x00}),
         3, 1, 16, "gyk"},
        {"true colour 15 bits",
         tgaFile(trueColour(4, 1, 15), {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}), 4, 1, 15, "rgbh"},
        {"true colour 16 bits, attribute bit ignored", tgaFile(trueColour(2, 1, 16), {0xFF, 0xFF, 0x00, 0x80}), 2, 1,
         16, "wk"},
        {"true colour 24 bits, bottom to top",
         tgaFile(trueColour(2, 2, 24), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF}), 2,
         2, 24, "bw" "ry"},
        {"true colour 32 bits, top to bottom",
         tgaFile(trueColour(2, 2, 32, TopToBottom | 8),
                 {0x00, 0x00, 0xFF, 0x80, 0x00, 0xFF, 0x00, 0x80, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}),
         2, 2, 32, "rg" "bk"},
        {"right to left", tgaFile(trueColour(3, 1, 24, RightToLeft), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}),
         3, 1, 24, "bgr"},
        {"right to left, top to bottom",
         tgaFile(trueColour(2, 2, 24, RightToLeft | TopToBottom),
                 {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF}),
         2, 2, 24, "gr" "wb"},
        {"grey", tgaFile(grey, {0, 128, 255}), 3, 1, 8, "kdw"},
        {"identification field and a colour map skipped",
         tgaFile(withId, {'a', 'b', 'c', 1, 2, 3, 4, 5, 6, 0x00, 0x00, 0xFF}), 1, 1, 24, "r"},
        {"run-length true colour, packets across rows",
         tgaFile(runLength(trueColour(3, 2, 24)), {0x83, 0x00, 0x00, 0xFF, 0x01, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00}),
         3, 2, 24, "rgb" "rrr"},
        {"run-length colour-mapped", tgaFile(runLength(mapped(4, 1, 0, 2, 24)),
                                             {0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x81, 0x01, 0x01, 0x00, 0x01}),
         4, 1, 8, "mmcm"},
        {"run-length grey, top to bottom", tgaFile(runGrey, {0x82, 0x80}), 3, 1, 8, "ddd"},
        {"run-length 16 bits", tgaFile(runLength(trueColour(2, 1, 16)), {0x81, 0x00, 0x7C}), 2, 1, 16, "rr"},
        {"run-length 32 bits, raw packet",
         tgaFile(runLength(trueColour(2, 1, 32, TopToBottom)), {0x01, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00}),
         2, 1, 32, "by"},
    };
}

void expectDecodesTo(const FileVector &file, uint32_t width, uint32_t height, const std::string &expected)
{
    ExpectDecodesTo(ImgReadTGAToRGB, file, width, height, expected);
}

FileVector writtenFile(uint32_t width = 3, uint32_t height = 2)
{
    return EncodeWith(ImgWriteRGBToTGA, PatternPixels(width, height), width, height).file;
}

} // namespace

TEST(ImgTga, WriterOutputReadsBackWithTheSamePixels)
{
    const struct { uint32_t width, height; } sizes[] = {{1, 1}, {3, 2}, {4, 4}, {5, 3}, {17, 9}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        const Pixels pixels = PatternPixels(size.width, size.height);
        const Encoded encoded = EncodeWith(ImgWriteRGBToTGA, pixels, size.width, size.height);
        EXPECT_EQ(encoded.answer, 18 + pixels.size());
        ASSERT_EQ(encoded.file.size(), encoded.answer);
        const Dims dims = DimsWith(ImgGetTGADims, encoded.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, size.width);
        EXPECT_EQ(dims.height, size.height);
        EXPECT_EQ(dims.bits, 24u);
        const Decoded decoded = DecodeWith(ImgReadTGAToRGB, encoded.file);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, size.width);
        EXPECT_EQ(decoded.height, size.height);
        EXPECT_EQ(decoded.rgb, pixels);
    }
}

TEST(ImgTga, WriterWritesUncompressedTrueColourBottomToTop)
{
    const Pixels pixels = PixelsFromLetters("rg" "by");
    const FileVector file = EncodeWith(ImgWriteRGBToTGA, pixels, 2, 2).file;
    const FileVector expected = FileBytes()
                                    .u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(2).u16(2).u8(24).u8(0)
                                    .bytes({0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00})
                                    .data();
    EXPECT_EQ(file, expected);
}

TEST(ImgTga, HandBuiltVariantsDecodePixelByPixel)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        const Dims dims = DimsWith(ImgGetTGADims, variant.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, variant.width);
        EXPECT_EQ(dims.height, variant.height);
        EXPECT_EQ(dims.bits, variant.bits);
        expectDecodesTo(variant.file, variant.width, variant.height, variant.expected);
    }
}

TEST(ImgTga, DamagedBytesFailCleanlyOrDecodeConsistently)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectDamageHandled(ImgReadTGAToRGB, ImgGetTGADims, variant.file);
    }
    ExpectDamageHandled(ImgReadTGAToRGB, ImgGetTGADims, writtenFile());
}

TEST(ImgTga, EveryTruncationOfEachVariantFails)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectEveryTruncationFails(ImgReadTGAToRGB, variant.file);
    }
    ExpectEveryTruncationFails(ImgReadTGAToRGB, writtenFile());
}

TEST(ImgTga, HostileHeadersFail)
{
    const FileVector good = writtenFile();
    const auto changed = [&](size_t offset, uint8_t value) {
        FileVector file = good;
        file.at(offset) = value;
        return file;
    };
    const auto sized = [&](uint32_t width, uint32_t height) {
        FileVector file = good;
        PutU16(file, 12, width);
        PutU16(file, 14, height);
        return file;
    };
    Header greyWithColour = trueColour(1, 1, 24);
    greyWithColour.imageType = Grey;
    Header mappedWithoutMap = mapped(1, 1, 0, 1, 24);
    mappedWithoutMap.mapType = 0;
    const struct { const char *name; FileVector file; } cases[] = {
        {"width 0", sized(0, 2)},
        {"height 0", sized(3, 0)},
        {"65535 x 65535, over the limit", sized(65535, 65535)},
        {"32768 x 16384, over the limit", sized(32768, 16384)},
        {"16384 x 16384, data missing", sized(16384, 16384)},
        {"run-length 16384 x 16384, too few packets", [&] { FileVector f = sized(16384, 16384); f[2] = 10; return f; }()},
        {"image type 0, no image", changed(2, 0)},
        {"image type 4", changed(2, 4)},
        {"image type 32, Huffman", changed(2, 32)},
        {"colour map type 2", changed(1, 2)},
        {"interleaved rows", changed(17, 0x40)},
        {"true colour of 8 bits", changed(16, 8)},
        {"true colour of 7 bits", changed(16, 7)},
        {"grey of 24 bits", tgaFile(greyWithColour, {1, 2, 3})},
        {"colour-mapped without a map", tgaFile(mappedWithoutMap, {0x00, 0x00, 0xFF, 0})},
        {"colour-mapped of 24 bits", [] { Header h = mapped(1, 1, 0, 1, 24); h.pixelBits = 24; return tgaFile(h, {0, 0, 0xFF, 0, 0, 0}); }()},
        {"map entries of 8 bits", tgaFile(mapped(1, 1, 0, 1, 8), {0xFF, 0})},
        {"map past the file", tgaFile(mapped(1, 1, 0, 65535, 32), {0, 0, 0xFF, 0, 0})},
        {"identification field past the file", changed(0, 255)},
        {"empty file", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DimsWith(ImgGetTGADims, c.file).ok);
        EXPECT_FALSE(DecodeWith(ImgReadTGAToRGB, c.file).ok);
    }
}

TEST(ImgTga, PacketsPastTheImageAreClipped)
{
    const Variant cases[] = {
        {"run of 128 in a 2-pixel image", tgaFile(runLength(trueColour(2, 1, 24)), {0xFF, 0x00, 0x00, 0xFF}), 2, 1, 24,
         "rr"},
        {"raw packet of 128 cut by the image's end",
         tgaFile(runLength(trueColour(2, 1, 24)), {0x7F, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00}), 2, 1, 24, "rg"},
        {"run across the last row", tgaFile(runLength(trueColour(2, 2, 24)), {0x80, 0x00, 0x00, 0xFF, 0x84, 0xFF, 0x00, 0x00}), 2,
         2, 24, "bb" "rb"},
    };
    for (const Variant &c : cases) {
        SCOPED_TRACE(c.name);
        expectDecodesTo(c.file, c.width, c.height, c.expected);
    }
}

TEST(ImgTga, WriterRefusesWhatItCannotWrite)
{
    ExpectSmallDestinationsRefused(ImgWriteRGBToTGA, PatternPixels(3, 2), 3, 2);

    const Pixels pixel = PatternPixels(1, 1);
    std::vector<uint8_t> buffer(256);
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(ImgWriteRGBToTGA(nullptr, pixel.data(), 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToTGA(destination, nullptr, 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToTGA(destination, pixel.data(), 0, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToTGA(destination, pixel.data(), 1, 0), 0u);
    // Sizes the 16-bit header fields cannot hold, refused before the pixels are touched.
    EXPECT_EQ(ImgWriteRGBToTGA(destination, pixel.data(), 65536, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToTGA(destination, pixel.data(), 1, 65536), 0u);
    EXPECT_EQ(destination->written(), 0u);
    ImgCloseDest(destination);
}

TEST(ImgTga, NullArgumentsFail)
{
    uint32_t width = 5, height = 5, bits = 5;
    EXPECT_EQ(ImgReadTGAToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetTGADims(nullptr, &width, &height, &bits));
    EXPECT_EQ(height, 0u);
    EXPECT_EQ(bits, 0u);
}
