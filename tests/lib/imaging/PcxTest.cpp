#include "RasterTestSupport.h"

#include <lib/imaging/ImgIO.h>
#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace RasterTest;

namespace {

using FileVector = std::vector<uint8_t>;

struct Header
{
    uint32_t version = 5;
    uint32_t encoding = 1;
    uint32_t bits = 8;
    uint32_t planes = 1;
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t bytesPerLine = 2;
    std::string palette;   // up to 16 letters for the header palette
    uint32_t xMin = 0;
    uint32_t yMin = 0;
};

Header header(uint32_t bits, uint32_t planes, uint32_t width, uint32_t height, uint32_t bytesPerLine,
              const std::string &palette = {})
{
    Header h;
    h.bits = bits;
    h.planes = planes;
    h.width = width;
    h.height = height;
    h.bytesPerLine = bytesPerLine;
    h.palette = palette;
    return h;
}

FileVector pcxFile(const Header &h, const FileVector &data, const FileVector &tail = {})
{
    FileBytes file;
    file.u8(0x0A).u8(h.version).u8(h.encoding).u8(h.bits);
    file.u16(h.xMin).u16(h.yMin).u16(h.xMin + h.width - 1).u16(h.yMin + h.height - 1).u16(72).u16(72);
    const Pixels colours = PixelsFromLetters(h.palette);
    file.bytes(colours).zeros(48 - colours.size());
    file.u8(0).u8(h.planes).u16(h.bytesPerLine).u16(1).u16(0).u16(0).zeros(54);
    return file.bytes(data).bytes(tail).data();
}

// 0x0C and 256 entries: one letter each for the first entries, the rest black.
FileVector endPalette(const std::string &letters)
{
    const Pixels colours = PixelsFromLetters(letters + std::string(256 - letters.size(), 'k'));
    return FileBytes().u8(0x0C).bytes(colours).data();
}

struct Variant
{
    const char *name;
    FileVector file;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    Pixels expected;   // rows top to bottom
};

const std::string Sixteen = "krgbywcmsdkkkkkk";

std::vector<Variant> variants()
{
    Header ega = header(1, 4, 4, 1, 2);
    ega.version = 3;
    Header raw = header(8, 3, 1, 1, 2);
    raw.encoding = 0;
    Header offset = header(8, 3, 2, 1, 2);
    offset.xMin = 10;
    offset.yMin = 5;
    std::string indexed(201, 'k');
    indexed.replace(0, 4, "krgb");
    indexed[200] = 'w';
    return {
        {"1 bit, 1 plane, black and white",
         pcxFile(header(1, 1, 10, 2, 2), {0xA0, 0xC1, 0xC0, 0xC1, 0xFF, 0x00}), 10, 2, 1,
         PixelsFromLetters("wkwkkkkkww" "wwwwwwwwkk")},
        {"1 bit, 4 planes, header palette", pcxFile(header(1, 4, 4, 1, 2, Sixteen), {0xB0, 0, 0x40, 0, 0x20, 0, 0x10, 0}),
         4, 1, 4, PixelsFromLetters("rgwd")},
        {"1 bit, 4 planes, version 3 takes the EGA colours", pcxFile(ega, {0xB0, 0, 0x40, 0, 0x20, 0, 0x10, 0}), 4, 1, 4,
         {0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x55, 0x55, 0xFF}},
        {"1 bit, 3 planes", pcxFile(header(1, 3, 2, 1, 2, Sixteen), {0x80, 0x00, 0xC1, 0xC0, 0x00, 0x40, 0x00}), 2, 1,
         3, PixelsFromLetters("bc")},
        {"2 bits, 1 plane", pcxFile(header(2, 1, 4, 1, 2, "krgb"), {0x1B, 0x00}), 4, 1, 2, PixelsFromLetters("krgb")},
        {"4 bits, 1 plane", pcxFile(header(4, 1, 3, 1, 2, Sixteen), {0x94, 0x10}), 3, 1, 4, PixelsFromLetters("dyr")},
        {"8 bits, 1 plane, palette at the end",
         pcxFile(header(8, 1, 3, 2, 4), {0xC3, 0x01, 0x00, 0x02, 0xC1, 0xC8, 0x03, 0x00}, endPalette(indexed)), 3, 2,
         8, PixelsFromLetters("rrr" "gwb")},
        {"8 bits, 3 planes",
         pcxFile(header(8, 3, 3, 2, 4),
                 {0xC1, 0xFF, 0xC3, 0x00, 0x00, 0xC1, 0xFF, 0xC2, 0x00, 0xC2, 0x00, 0xC1, 0xFF, 0x00,
                  0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0xC3, 0x00}),
         3, 2, 24, PixelsFromLetters("rgb" "wky")},
        {"8 bits, 4 planes, alpha ignored",
         pcxFile(header(8, 4, 1, 1, 2), {0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0x00, 0xC2, 0x00, 0x80, 0x00}), 1, 1, 32,
         PixelsFromLetters("y")},
        {"a run across plane and row ends", pcxFile(header(8, 3, 2, 2, 2), {0xC8, 0x00, 0xC2, 0xFF, 0xC2, 0x00}), 2, 2,
         24, PixelsFromLetters("kk" "gg")},
        {"no run-length coding", pcxFile(raw, {0xC8, 0x00, 0x00, 0x00, 0xFF, 0x00}), 1, 1, 24, {200, 0, 255}},
        {"window not at 0, 0", pcxFile(offset, {0xC1, 0xFF, 0x00, 0x00, 0xC1, 0xFF, 0xC2, 0x00}), 2, 1, 24,
         PixelsFromLetters("rg")},
    };
}

FileVector writtenFile(uint32_t width = 3, uint32_t height = 2)
{
    return EncodeWith(ImgWriteRGBToPCX, PatternPixels(width, height), width, height).file;
}

} // namespace

TEST(ImgPcx, WriterOutputReadsBackWithTheSamePixels)
{
    const struct { uint32_t width, height; } sizes[] = {{1, 1}, {3, 2}, {4, 4}, {5, 3}, {17, 9}, {130, 2}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        const Pixels pixels = PatternPixels(size.width, size.height);
        const Encoded encoded = EncodeWith(ImgWriteRGBToPCX, pixels, size.width, size.height);
        ASSERT_GT(encoded.answer, 128u);
        ASSERT_EQ(encoded.file.size(), encoded.answer);
        EXPECT_EQ(encoded.file[65], 3) << "planes";
        EXPECT_EQ(encoded.file[66] % 2, 0) << "bytes per line are even";
        const Dims dims = DimsWith(ImgGetPCXDims, encoded.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, size.width);
        EXPECT_EQ(dims.height, size.height);
        EXPECT_EQ(dims.bits, 24u);
        const Decoded decoded = DecodeWith(ImgReadPCXToRGB, encoded.file);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, size.width);
        EXPECT_EQ(decoded.height, size.height);
        EXPECT_EQ(decoded.rgb, pixels);
    }
}

TEST(ImgPcx, WriterCodesEachPlaneLineOnItsOwn)
{
    // Red, green, blue planes of 4 bytes (3 pixels and a pad byte); runs stay
    // inside their line, and a byte of 0xC0 or more is always written as a run.
    const FileVector file = EncodeWith(ImgWriteRGBToPCX, {0xFF, 0x00, 0xC0, 0x00, 0xFF, 0xC0, 0x00, 0x00, 0x05}, 3, 1).file;
    Header expectedHeader = header(8, 3, 3, 1, 4);
    const FileVector expected = pcxFile(expectedHeader, {0xC1, 0xFF, 0xC3, 0x00,
                                                         0x00, 0xC1, 0xFF, 0xC2, 0x00,
                                                         0xC2, 0xC0, 0x05, 0x00});
    EXPECT_EQ(file, expected);
}

TEST(ImgPcx, HandBuiltVariantsDecodePixelByPixel)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        const Dims dims = DimsWith(ImgGetPCXDims, variant.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, variant.width);
        EXPECT_EQ(dims.height, variant.height);
        EXPECT_EQ(dims.bits, variant.bits);
        const Decoded decoded = DecodeWith(ImgReadPCXToRGB, variant.file);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, variant.width);
        EXPECT_EQ(decoded.height, variant.height);
        EXPECT_EQ(decoded.rgb, variant.expected);
    }
}

TEST(ImgPcx, DamagedBytesFailCleanlyOrDecodeConsistently)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectDamageHandled(ImgReadPCXToRGB, ImgGetPCXDims, variant.file);
    }
    ExpectDamageHandled(ImgReadPCXToRGB, ImgGetPCXDims, writtenFile());
}

TEST(ImgPcx, EveryTruncationOfEachVariantFails)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectEveryTruncationFails(ImgReadPCXToRGB, variant.file);
    }
    ExpectEveryTruncationFails(ImgReadPCXToRGB, writtenFile());
}

TEST(ImgPcx, HostileHeadersFail)
{
    const FileVector good = writtenFile();
    const auto changed = [&](size_t offset, uint8_t value) {
        FileVector file = good;
        file.at(offset) = value;
        return file;
    };
    const auto window = [&](uint32_t xMax, uint32_t yMax, uint32_t bytesPerLine) {
        FileVector file = good;
        PutU16(file, 8, xMax);
        PutU16(file, 10, yMax);
        PutU16(file, 66, bytesPerLine);
        return file;
    };
    const FileVector indexed = pcxFile(header(8, 1, 2, 1, 2), {0x01, 0x02}, endPalette("krgb"));
    const struct { const char *name; FileVector file; bool headerIsBad; } cases[] = {
        {"manufacturer 0x0B", changed(0, 0x0B), true},
        {"version 1", changed(1, 1), true},
        {"version 6", changed(1, 6), true},
        {"encoding 2", changed(2, 2), true},
        {"3 bits per pixel", changed(3, 3), true},
        {"8 bits in 2 planes", changed(65, 2), true},
        {"8 bits in 5 planes", changed(65, 5), true},
        {"no planes", changed(65, 0), true},
        {"4 bits in 4 planes", pcxFile(header(4, 4, 1, 1, 2), FileVector(8)), true},
        {"xmax below xmin", [&] { FileVector f = good; PutU16(f, 4, 5); return f; }(), true},
        {"ymax below ymin", [&] { FileVector f = good; PutU16(f, 6, 5); return f; }(), true},
        {"65536 x 65536, over the limit", window(65535, 65535, 65535), true},
        {"16384 x 16384, data missing", window(16383, 16383, 16384), true},
        {"bytes per line shorter than the width", window(2, 1, 2), true},
        {"bytes per line 0", window(2, 1, 0), true},
        {"8 bits, 1 plane, no palette marker", [&] { FileVector f = indexed; f[f.size() - 769] = 0x0D; return f; }(), true},
        {"8 bits, 1 plane, file shorter than a palette", pcxFile(header(8, 1, 2, 1, 2), {0x01, 0x02}), true},
        {"pixel data running into the palette", [&] { FileVector f = indexed; PutU16(f, 10, 1); return f; }(), false},
        {"run value missing at the end", pcxFile(header(8, 3, 1, 1, 2), {0x00, 0x00, 0x00, 0x00, 0xC2}), false},
        {"empty file", {}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.headerIsBad) {
            EXPECT_FALSE(DimsWith(ImgGetPCXDims, c.file).ok);
        }
        EXPECT_FALSE(DecodeWith(ImgReadPCXToRGB, c.file).ok);
    }
}

TEST(ImgPcx, RunsPastTheImageAreDropped)
{
    const FileVector file = pcxFile(header(8, 3, 1, 1, 2), {0xC1, 0xFF, 0x00, 0xC1, 0xFF, 0x00, 0xFF, 0x00});
    const Decoded decoded = DecodeWith(ImgReadPCXToRGB, file);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.rgb, PixelsFromLetters("y"));
}

TEST(ImgPcx, WriterRefusesWhatItCannotWrite)
{
    ExpectSmallDestinationsRefused(ImgWriteRGBToPCX, PatternPixels(3, 2), 3, 2);

    const Pixels pixel = PatternPixels(1, 1);
    std::vector<uint8_t> buffer(512);
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(ImgWriteRGBToPCX(nullptr, pixel.data(), 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToPCX(destination, nullptr, 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToPCX(destination, pixel.data(), 0, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToPCX(destination, pixel.data(), 1, 0), 0u);
    // An even line of 65536 bytes and a ymax of 65536 do not fit the 16-bit fields.
    EXPECT_EQ(ImgWriteRGBToPCX(destination, pixel.data(), 65535, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToPCX(destination, pixel.data(), 1, 65537), 0u);
    EXPECT_EQ(destination->written(), 0u);
    ImgCloseDest(destination);
}

TEST(ImgPcx, NullArgumentsFail)
{
    uint32_t width = 5, height = 5, bits = 5;
    EXPECT_EQ(ImgReadPCXToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetPCXDims(nullptr, &width, &height, &bits));
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(bits, 0u);
}
