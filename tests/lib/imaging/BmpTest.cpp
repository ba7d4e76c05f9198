#include "RasterTestSupport.h"

#include "../../TestSupport.h"

#include <lib/imaging/ImgIO.h>
#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace RasterTest;

namespace {

using FileVector = std::vector<uint8_t>;

constexpr uint32_t None = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Rle24 = 4, AlphaBitFields = 6;

FileVector coreHeader(uint32_t width, uint32_t height, uint32_t bits)
{
    return FileBytes().u32(12).u16(width).u16(height).u16(1).u16(bits).data();
}

// The first size bytes of a V5 header; masks red, green, blue, alpha at 40.
FileVector infoHeader(uint32_t size, int32_t width, int32_t height, uint32_t bits, uint32_t compression,
                      uint32_t colours = 0, std::array<uint32_t, 4> masks = {})
{
    FileBytes header;
    header.u32(size).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(bits).u32(compression);
    header.u32(0).u32(2835).u32(2835).u32(colours).u32(0);
    for (uint32_t mask : masks)
        header.u32(mask);
    header.zeros(124 - 56);
    FileVector bytes = header.data();
    bytes.resize(size);
    return bytes;
}

// Palette entries blue, green, red (and a zero byte when entryBytes is 4), one letter an entry.
FileVector palette(const std::string &letters, int entryBytes = 4)
{
    const Pixels colours = PixelsFromLetters(letters);
    FileBytes entries;
    for (size_t i = 0; i < colours.size(); i += 3) {
        entries.bytes({colours[i + 2], colours[i + 1], colours[i]});
        if (entryBytes == 4)
            entries.u8(0);
    }
    return entries.data();
}

// File header, info header, what lies between it and the pixel data, the pixel data.
FileVector bmpFile(const FileVector &header, const FileVector &beforePixels, const FileVector &pixels)
{
    const uint32_t offset = uint32_t(14 + header.size() + beforePixels.size());
    return FileBytes{'B', 'M'}
        .u32(uint32_t(offset + pixels.size()))
        .u32(0)
        .u32(offset)
        .bytes(header)
        .bytes(beforePixels)
        .bytes(pixels)
        .data();
}

FileVector masks(std::initializer_list<uint32_t> values)
{
    FileBytes bytes;
    for (uint32_t value : values)
        bytes.u32(value);
    return bytes.data();
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
    const FileVector krgb = palette("krgb");
    return {
        {"core header, 1 bit", bmpFile(coreHeader(4, 2, 1), palette("kw", 3), {0x90, 0, 0, 0, 0x60, 0, 0, 0}), 4, 2,
         1, "kwwk" "wkkw"},
        {"core header, 4 bits", bmpFile(coreHeader(4, 2, 4), palette("krgbkkkkkkkkkkkk", 3),
                                        {0x03, 0x21, 0, 0, 0x12, 0x30, 0, 0}),
         4, 2, 4, "rgbk" "kbgr"},
        {"core header, 8 bits, palette of 4 entries", bmpFile(coreHeader(3, 2, 8), palette("krgb", 3),
                                                              {1, 1, 0, 0, 3, 2, 1, 0}),
         3, 2, 8, "bgr" "rrk"},
        {"core header, 24 bits, padded rows",
         bmpFile(coreHeader(3, 2, 24), {},
                 {0xFF, 0xFF, 0xFF, 0, 0, 0, 0x00, 0xFF, 0xFF, 0, 0, 0,
                  0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0}),
         3, 2, 24, "rgb" "wky"},
        {"info header, 1 bit, top-down", bmpFile(infoHeader(40, 4, -2, 1, None), palette("kw"),
                                                 {0x90, 0, 0, 0, 0x10, 0, 0, 0}),
         4, 2, 1, "wkkw" "kkkw"},
        {"info header, 2 bits", bmpFile(infoHeader(40, 4, 2, 2, None), krgb, {0xE4, 0, 0, 0, 0x1B, 0, 0, 0}), 4, 2, 2,
         "krgb" "bgrk"},
        {"info header, 4 bits, odd width, 4 colours used", bmpFile(infoHeader(40, 5, 1, 4, None, 4), krgb,
                                                                   {0x12, 0x30, 0x10, 0}),
         5, 1, 4, "rgbkr"},
        {"info header, 8 bits, full palette", bmpFile(infoHeader(40, 3, 2, 8, None), palette("krgbwcmy" + std::string(248, 'k')),
                                                      {7, 0, 1, 0, 4, 5, 6, 0}),
         3, 2, 8, "wcm" "ykr"},
        {"info header, 8 bits, index past the palette is black", bmpFile(infoHeader(40, 3, 1, 8, None, 2),
                                                                         palette("rg"), {0, 1, 200, 0}),
         3, 1, 8, "rgk"},
        {"info header, 16 bits 5-5-5",
         bmpFile(infoHeader(40, 3, 2, 16, None), {},
                 {0xFF, 0x7F, 0x10, 0x42, 0x00, 0x00, 0, 0, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}),
         3, 2, 16, "rgb" "whk"},
        {"info header, 16 bits 5-6-5, masks after the header",
         bmpFile(infoHeader(40, 3, 1, 16, BitFields), masks({0xF800, 0x07E0, 0x001F}),
                 {0x00, 0xF8, 0xE0, 0x07, 0xFF, 0xFF, 0, 0}),
         3, 1, 16, "rgw"},
        {"52-byte header, 16 bits 5-6-5, masks inside",
         bmpFile(infoHeader(52, 2, 1, 16, BitFields, 0, {0xF800, 0x07E0, 0x001F}), {}, {0x1F, 0x00, 0xFF, 0xFF}), 2,
         1, 16, "bw"},
        {"V4 header, 16 bits 4-4-4-4",
         bmpFile(infoHeader(108, 3, 1, 16, BitFields, 0, {0x0F00, 0x00F0, 0x000F, 0xF000}), {},
                 {0x00, 0xFF, 0xF0, 0xF0, 0x0F, 0x00, 0, 0}),
         3, 1, 16, "rgb"},
        {"info header, 24 bits, one pixel a row", bmpFile(infoHeader(40, 1, 2, 24, None), {},
                                                          {0xFF, 0x00, 0x00, 0, 0x00, 0xFF, 0x00, 0}),
         1, 2, 24, "g" "b"},
        {"info header, 32 bits, unused byte ignored", bmpFile(infoHeader(40, 2, 1, 32, None), {},
                                                              {0x00, 0x00, 0xFF, 0xAA, 0xFF, 0x00, 0x00, 0x55}),
         2, 1, 32, "rb"},
        {"V5 header, 32 bits, red in the low byte",
         bmpFile(infoHeader(124, 2, 1, 32, BitFields, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}), {},
                 {0xFF, 0x00, 0x00, 0x80, 0x00, 0xFF, 0xFF, 0x80}),
         2, 1, 32, "rc"},
        {"info header, 32 bits with alpha masks after the header",
         bmpFile(infoHeader(40, 2, 1, 32, AlphaBitFields), masks({0xFF000000, 0xFF0000, 0xFF00, 0xFF}),
                 {0x7F, 0x00, 0xFF, 0xFF, 0x7F, 0xFF, 0x00, 0xFF}),
         2, 1, 32, "ym"},
        {"56-byte header, 32 bits, 10-bit channels",
         bmpFile(infoHeader(56, 2, 1, 32, BitFields, 0, {0x3FF00000, 0x000FFC00, 0x000003FF}), {},
                 {0xFF, 0xFF, 0xFF, 0x3F, 0x00, 0x00, 0xF0, 0x3F}),
         2, 1, 32, "wr"},
        {"OS/2 2.x 16-byte header, 8 bits", bmpFile(infoHeader(16, 2, 1, 8, None), krgb, {3, 1, 0, 0}), 2, 1, 8, "br"},
        {"OS/2 2.x 64-byte header, 4 bits", bmpFile(infoHeader(64, 2, 1, 4, None), krgb, {0x23, 0, 0, 0}), 2, 1, 4,
         "gb"},
        {"RLE8: runs, odd literal, end of line, delta",
         bmpFile(infoHeader(40, 5, 3, 8, Rle8, 4), krgb,
                 {0x02, 0x01, 0x00, 0x03, 0x02, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x03,
                  0x00, 0x01}),
         5, 3, 8, "kkbkk" "kkkkk" "rrgbr"},
        {"RLE8, top-down",
         bmpFile(infoHeader(40, 5, -3, 8, Rle8, 4), krgb,
                 {0x02, 0x01, 0x00, 0x03, 0x02, 0x03, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x01, 0x01, 0x03,
                  0x00, 0x01}),
         5, 3, 8, "rrgbr" "kkkkk" "kkbkk"},
        {"RLE4: run, odd literal with pad byte",
         bmpFile(infoHeader(40, 5, 2, 4, Rle4, 4), krgb,
                 {0x05, 0x12, 0x00, 0x00, 0x00, 0x05, 0x30, 0x12, 0x30, 0x00, 0x00, 0x01}),
         5, 2, 4, "bkrgb" "rgrgr"},
        {"RLE24 in an OS/2 2.x header",
         bmpFile(infoHeader(64, 3, 2, 24, Rle24), {},
                 {0x02, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x03, 0x00, 0xFF, 0x00,
                  0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}),
         3, 2, 24, "gwk" "bbr"},
    };
}

void expectDecodesTo(const FileVector &file, uint32_t width, uint32_t height, const std::string &expected)
{
    ExpectDecodesTo(ImgReadBMPToRGB, file, width, height, expected);
}

// A valid 24-bit file of 3 x 2 pixels from our writer, for damaging.
FileVector writtenFile(uint32_t width = 3, uint32_t height = 2)
{
    return EncodeWith(ImgWriteRGBToBMP, PatternPixels(width, height), width, height).file;
}

} // namespace

TEST(ImgBmp, WriterOutputReadsBackWithTheSamePixels)
{
    const struct { uint32_t width, height; } sizes[] = {{1, 1}, {3, 2}, {4, 4}, {5, 3}, {17, 9}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        const Pixels pixels = PatternPixels(size.width, size.height);
        const Encoded encoded = EncodeWith(ImgWriteRGBToBMP, pixels, size.width, size.height);
        const uint32_t rowBytes = (size.width * 3 + 3) / 4 * 4;
        EXPECT_EQ(encoded.answer, 54 + rowBytes * size.height);
        ASSERT_EQ(encoded.file.size(), encoded.answer);
        // Bottom-up: the first stored pixel is the bottom row's first, blue first.
        const uint8_t *bottomLeft = &pixels[size_t(size.height - 1) * size.width * 3];
        EXPECT_EQ(encoded.file[54], bottomLeft[2]);
        EXPECT_EQ(encoded.file[56], bottomLeft[0]);

        const Dims dims = DimsWith(ImgGetBMPDims, encoded.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, size.width);
        EXPECT_EQ(dims.height, size.height);
        EXPECT_EQ(dims.bits, 24u);
        const Decoded decoded = DecodeWith(ImgReadBMPToRGB, encoded.file);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, size.width);
        EXPECT_EQ(decoded.height, size.height);
        EXPECT_EQ(decoded.rgb, pixels);
    }
}

TEST(ImgBmp, WriterHeaderFields)
{
    const FileVector file = writtenFile(3, 2);
    ASSERT_EQ(file.size(), 54u + 12 * 2);
    const FileVector expected = FileBytes{'B', 'M'}
                                    .u32(78).u32(0).u32(54)
                                    .u32(40).u32(3).u32(2).u16(1).u16(24).u32(0).u32(24)
                                    .data();
    EXPECT_EQ(FileVector(file.begin(), file.begin() + ptrdiff_t(expected.size())), expected);
    EXPECT_EQ(file[54 + 9], 0) << "row padding is zero";
}

TEST(ImgBmp, FileDestinationAndSourceRoundTrip)
{
    const Pixels pixels = PatternPixels(7, 5);
    const QByteArray path = TestWindowsPath("picture.bmp").toUtf8();
    HIMGDEST destination = ImgOpenFileDest(path.constData());
    ASSERT_NE(destination, nullptr);
    EXPECT_EQ(ImgWriteRGBToBMP(destination, pixels.data(), 7, 5), 54u + 24 * 5);
    EXPECT_TRUE(ImgCloseDest(destination));

    HIMGSRC source = ImgOpenFileSource(path.constData());
    ASSERT_NE(source, nullptr);
    uint32_t width = 0, height = 0;
    HGLOBAL block = ImgReadBMPToRGB(source, &width, &height);
    ImgCloseSource(source);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(width, 7u);
    EXPECT_EQ(height, 5u);
    EXPECT_EQ(Pixels(static_cast<uint8_t *>(block), static_cast<uint8_t *>(block) + pixels.size()), pixels);
    GlobalFree(block);
}

TEST(ImgBmp, ReadsFromTheSourcePositionOnward)
{
    FileVector stream = {1, 2, 3, 4, 5};
    const FileVector file = writtenFile();
    stream.insert(stream.end(), file.begin(), file.end());
    HIMGSRC source = ImgOpenMemorySource(stream.data(), uint32_t(stream.size()));
    ASSERT_TRUE(ImgSeek(source, 5, 0));
    uint32_t width = 0, height = 0;
    HGLOBAL block = ImgReadBMPToRGB(source, &width, &height);
    ImgCloseSource(source);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(width, 3u);
    GlobalFree(block);
}

TEST(ImgBmp, HandBuiltVariantsDecodePixelByPixel)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        const Dims dims = DimsWith(ImgGetBMPDims, variant.file);
        EXPECT_TRUE(dims.ok);
        EXPECT_EQ(dims.width, variant.width);
        EXPECT_EQ(dims.height, variant.height);
        EXPECT_EQ(dims.bits, variant.bits);
        expectDecodesTo(variant.file, variant.width, variant.height, variant.expected);
    }
}

TEST(ImgBmp, DamagedBytesFailCleanlyOrDecodeConsistently)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectDamageHandled(ImgReadBMPToRGB, ImgGetBMPDims, variant.file);
    }
    ExpectDamageHandled(ImgReadBMPToRGB, ImgGetBMPDims, writtenFile());
}

TEST(ImgBmp, EveryTruncationOfEachVariantFails)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        ExpectEveryTruncationFails(ImgReadBMPToRGB, variant.file);
    }
    ExpectEveryTruncationFails(ImgReadBMPToRGB, writtenFile());
}

TEST(ImgBmp, HostileHeadersFail)
{
    const FileVector good = writtenFile();
    const FileVector krgb = palette("krgb");
    const struct { const char *name; FileVector file; } cases[] = {
        {"not BM", [&] { FileVector f = good; f[1] = 'A'; return f; }()},
        {"width 0", [&] { FileVector f = good; PutU32(f, 18, 0); return f; }()},
        {"negative width", [&] { FileVector f = good; PutU32(f, 18, uint32_t(-3)); return f; }()},
        {"height 0", [&] { FileVector f = good; PutU32(f, 22, 0); return f; }()},
        {"width 0x7FFFFFFF", [&] { FileVector f = good; PutU32(f, 18, 0x7FFFFFFF); return f; }()},
        {"height -2^31", [&] { FileVector f = good; PutU32(f, 22, 0x80000000); return f; }()},
        {"2^15 x 2^14 pixels, over the limit", [&] { FileVector f = good; PutU32(f, 18, 1 << 15); PutU32(f, 22, 1 << 14); return f; }()},
        {"2^14 x 2^14 pixels, data missing", [&] { FileVector f = good; PutU32(f, 18, 1 << 14); PutU32(f, 22, 1 << 14); return f; }()},
        {"RLE8 2^14 x 2^14 pixels from a few bytes", bmpFile(infoHeader(40, 1 << 14, 1 << 14, 8, Rle8), krgb, {0x00, 0x01})},
        {"RLE4 2^14 x 2^14 pixels from a few bytes", bmpFile(infoHeader(40, 1 << 14, 1 << 14, 4, Rle4), krgb, {0x00, 0x01})},
        {"RLE24 2^14 x 2^14 pixels from a few bytes", bmpFile(infoHeader(64, 1 << 14, 1 << 14, 24, Rle24), {}, {0x00, 0x01})},
        {"core header 65535 x 65535", bmpFile(coreHeader(65535, 65535, 24), {}, FileVector(64))},
        {"core header with 16 bits", bmpFile(coreHeader(2, 1, 16), {}, FileVector(4))},
        {"7 bits", [&] { FileVector f = good; PutU16(f, 28, 7); return f; }()},
        {"0 bits", [&] { FileVector f = good; PutU16(f, 28, 0); return f; }()},
        {"compression 9", [&] { FileVector f = good; PutU32(f, 30, 9); return f; }()},
        {"JPEG compression", [&] { FileVector f = good; PutU32(f, 30, 4); return f; }()},
        {"RLE8 with 24 bits", [&] { FileVector f = good; PutU32(f, 30, Rle8); return f; }()},
        {"bit fields with 24 bits", [&] { FileVector f = good; PutU32(f, 30, BitFields); return f; }()},
        {"Huffman in an OS/2 header", bmpFile(infoHeader(64, 2, 1, 1, 3), palette("kw"), {0, 0, 0, 0})},
        {"header size 0", [&] { FileVector f = good; PutU32(f, 14, 0); return f; }()},
        {"header size 11", [&] { FileVector f = good; PutU32(f, 14, 11); return f; }()},
        {"header size 70", [&] { FileVector f = good; PutU32(f, 14, 70); return f; }()},
        {"header size past the file", [&] { FileVector f = good; PutU32(f, 14, 0xFFFFFFF0); return f; }()},
        {"pixel offset past the file", [&] { FileVector f = good; PutU32(f, 10, 0xFFFF0000); return f; }()},
        {"pixel offset at the end of the file", [&] { FileVector f = good; PutU32(f, 10, uint32_t(f.size())); return f; }()},
        {"pixel offset inside the header", [&] { FileVector f = good; PutU32(f, 10, 20); return f; }()},
        {"pixel offset before the masks end", bmpFile(infoHeader(40, 1, 1, 16, BitFields), masks({0xF800, 0x07E0}), {0, 0, 0, 0})},
        {"empty file", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeWith(ImgReadBMPToRGB, c.file).ok);
        EXPECT_FALSE(DimsWith(ImgGetBMPDims, c.file).ok);
    }
}

TEST(ImgBmp, BrokenRunLengthStreamsFail)
{
    // The headers are sound, so only decoding finds these.
    const FileVector krgb = palette("krgb");
    const struct { const char *name; FileVector file; } cases[] = {
        {"no end of bitmap", bmpFile(infoHeader(40, 2, 1, 8, Rle8), krgb, {0x02, 0x01, 0x00, 0x00})},
        {"literal running off the file", bmpFile(infoHeader(40, 4, 1, 8, Rle8), krgb, {0x00, 0x10, 0x01, 0x02})},
        {"delta cut short", bmpFile(infoHeader(40, 4, 1, 8, Rle8), krgb, {0x00, 0x02, 0x01})},
        {"RLE24 run cut short", bmpFile(infoHeader(64, 2, 1, 24, Rle24), {}, {0x02, 0xFF, 0x00})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(DimsWith(ImgGetBMPDims, c.file).ok);
        EXPECT_FALSE(DecodeWith(ImgReadBMPToRGB, c.file).ok);
    }
}

TEST(ImgBmp, AFlatRunLengthMegapixelReads)
{
    // 1024 x 1024 in runs of 255 and 4, each row ended: far denser than the
    // limit on pixels per byte of data, as any real picture is.
    FileVector data;
    for (int row = 0; row < 1024; ++row) {
        for (int run = 0; run < 4; ++run)
            data.insert(data.end(), {0xFF, 0x02});
        data.insert(data.end(), {0x04, 0x02, 0x00, 0x00});
    }
    data.insert(data.end(), {0x00, 0x01});
    const auto decoded = DecodeWith(ImgReadBMPToRGB, bmpFile(infoHeader(40, 1024, 1024, 8, Rle8, 4), palette("krgb"), data));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 1024u);
    EXPECT_EQ(decoded.height, 1024u);
}

TEST(ImgBmp, HostileRunsAreClippedToTheImage)
{
    const FileVector krgb = palette("krgb");
    const Variant cases[] = {
        {"run past the row end stops there",
         bmpFile(infoHeader(40, 4, 2, 8, Rle8), krgb, {0x06, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x01}), 4, 2, 8,
         "gkkk" "rrrr"},
        {"literal past the row end stops there",
         bmpFile(infoHeader(40, 4, 2, 8, Rle8), krgb,
                 {0x00, 0x05, 0x01, 0x02, 0x03, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01}),
         4, 2, 8, "kkkk" "rgbr"},
        {"delta past the image drops what follows",
         bmpFile(infoHeader(40, 4, 2, 8, Rle8), krgb, {0x01, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0x01, 0x02, 0x00, 0x01}), 4,
         2, 8, "kkkk" "rkkk"},
        {"ends of line past the last row",
         bmpFile(infoHeader(40, 4, 1, 8, Rle8), krgb, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01}), 4,
         1, 8, "kkkk"},
        {"RLE4 run past the row end", bmpFile(infoHeader(40, 3, 1, 4, Rle4), krgb, {0xFF, 0x31, 0x00, 0x01}), 3, 1, 4,
         "brb"},
        {"palette entries past the room before the pixels", bmpFile(infoHeader(40, 2, 1, 8, None, 200), krgb, {1, 7, 0, 0}),
         2, 1, 8, "rk"},
    };
    for (const Variant &c : cases) {
        SCOPED_TRACE(c.name);
        expectDecodesTo(c.file, c.width, c.height, c.expected);
    }
}

TEST(ImgBmp, ChannelMasksScaleToFullBytes)
{
    // 5-bit levels rounded to 8 bits: 31 is 255 and 16 is 132, not 248 and 128.
    const struct { uint16_t pixel; uint8_t red, green, blue; } cases[] = {
        {0x7FFF, 255, 255, 255}, {0x4210, 132, 132, 132}, {0x0421, 8, 8, 8}, {0x0C63, 25, 25, 25}, {0x8000, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pixel);
        const Decoded decoded = DecodeWith(
            ImgReadBMPToRGB, bmpFile(infoHeader(40, 1, 1, 16, None), {}, {uint8_t(c.pixel), uint8_t(c.pixel >> 8), 0, 0}));
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.rgb, Pixels({c.red, c.green, c.blue}));
    }
}

TEST(ImgBmp, WriterRefusesWhatItCannotWrite)
{
    ExpectSmallDestinationsRefused(ImgWriteRGBToBMP, PatternPixels(3, 2), 3, 2);

    const Pixels pixel = PatternPixels(1, 1);
    std::vector<uint8_t> buffer(256);
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(ImgWriteRGBToBMP(nullptr, pixel.data(), 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToBMP(destination, nullptr, 1, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToBMP(destination, pixel.data(), 0, 1), 0u);
    EXPECT_EQ(ImgWriteRGBToBMP(destination, pixel.data(), 1, 0), 0u);
    // Refused before the pixels are touched: the buffer holds one pixel.
    EXPECT_EQ(ImgWriteRGBToBMP(destination, pixel.data(), 1 << 15, 1 << 14), 0u);
    EXPECT_EQ(destination->written(), 0u);
    ImgCloseDest(destination);
}

TEST(ImgBmp, NullArgumentsFail)
{
    uint32_t width = 5, height = 5, bits = 5;
    EXPECT_EQ(ImgReadBMPToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetBMPDims(nullptr, &width, &height, &bits));
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(bits, 0u);
}
