#include "CodecTestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include <png.h>

namespace {

uint32_t writePng(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriteRGBToPNG(destination, rgb, width, height, 0, 0);
}

const Reader pngReader = ImgReadPNGToRGB;
const DimensionQuery pngDimensions = ImgGetPNGDims;

// One PNG kind written through libpng, with the RGB a reader must make of it
// (alpha over white).
struct PngFixture
{
    std::string name;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool transparency;   // a tRNS chunk
};

int channelsOf(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;   // palette
    }
}

void appendToBytes(png_structp png, png_bytep data, size_t count)
{
    auto *bytes = static_cast<Bytes *>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + count);
}

void flushNothing(png_structp) {}

uint8_t overWhite(unsigned c, unsigned a)
{
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}

struct Made
{
    Bytes file;
    RgbImage expected;
};

// Random samples in the kind's depth, packed as PNG packs them, and the RGB
// they stand for.
Made makePng(const PngFixture &fixture, uint32_t width, uint32_t height)
{
    std::mt19937 random(uint32_t(fixture.colourType * 100 + fixture.bitDepth));
    const int channels = channelsOf(fixture.colourType);
    const uint32_t maxSample = (1u << fixture.bitDepth) - 1;
    const bool palette = fixture.colourType == PNG_COLOR_TYPE_PALETTE;
    const bool grey = fixture.colourType == PNG_COLOR_TYPE_GRAY || fixture.colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    const bool alphaChannel = fixture.colourType & PNG_COLOR_MASK_ALPHA;

    std::vector<png_color> colours(size_t(maxSample) + 1);
    std::vector<png_byte> paletteAlpha(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        colours[i] = png_color{uint8_t(random()), uint8_t(random()), uint8_t(random())};
        paletteAlpha[i] = uint8_t(i % 3 == 0 ? 0 : i % 3 == 1 ? 128 : 255);
    }
    // The tRNS colour of grey and RGB images: the value 1 in every channel.
    const uint32_t transparentSample = 1;

    RgbImage expected{width, height, Bytes(size_t(width) * height * 3)};
    const size_t rowBytes = (size_t(width) * channels * fixture.bitDepth + 7) / 8;
    std::vector<Bytes> rows(height, Bytes(rowBytes, 0));
    auto to8 = [&](uint32_t sample) {
        return uint8_t(fixture.bitDepth == 16 ? (sample * 255 + 32767) / 65535 : sample * 255 / maxSample);
    };
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t samples[4] = {};
            for (int c = 0; c < channels; ++c) {
                samples[c] = random() % (maxSample + 1);
                if (fixture.transparency && (x + y) % 5 == 0)
                    samples[c] = transparentSample;
                const size_t bit = (size_t(x) * channels + c) * fixture.bitDepth;
                Bytes &row = rows[y];
                if (fixture.bitDepth == 16) {
                    row[bit / 8] = uint8_t(samples[c] >> 8);
                    row[bit / 8 + 1] = uint8_t(samples[c]);
                } else {
                    row[bit / 8] |= uint8_t(samples[c] << (8 - fixture.bitDepth - bit % 8));
                }
            }
            unsigned red, green, blue, alpha = 255;
            if (palette) {
                const png_color &colour = colours[samples[0]];
                red = colour.red, green = colour.green, blue = colour.blue;
                if (fixture.transparency)
                    alpha = paletteAlpha[samples[0]];
            } else if (grey) {
                red = green = blue = to8(samples[0]);
                if (alphaChannel)
                    alpha = to8(samples[1]);
                else if (fixture.transparency && samples[0] == transparentSample)
                    alpha = 0;
            } else {
                red = to8(samples[0]), green = to8(samples[1]), blue = to8(samples[2]);
                if (alphaChannel)
                    alpha = to8(samples[3]);
                else if (fixture.transparency && samples[0] == transparentSample && samples[1] == transparentSample
                         && samples[2] == transparentSample)
                    alpha = 0;
            }
            uint8_t *pixel = &expected.rgb[(size_t(y) * width + x) * 3];
            pixel[0] = overWhite(red, alpha);
            pixel[1] = overWhite(green, alpha);
            pixel[2] = overWhite(blue, alpha);
        }
    }

    Made made;
    made.expected = std::move(expected);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &made.file, appendToBytes, flushNothing);
    png_set_IHDR(png, info, width, height, fixture.bitDepth, fixture.colourType,
                 fixture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (palette)
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
    if (fixture.transparency) {
        png_color_16 colour{};
        colour.gray = colour.red = colour.green = colour.blue = png_uint_16(transparentSample);
        if (palette)
            png_set_tRNS(png, info, paletteAlpha.data(), int(paletteAlpha.size()), nullptr);
        else
            png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (Bytes &row : rows)
            png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return made;
}

uint32_t crc32Of(const uint8_t *data, size_t count)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

// Our own PNG with the header's size replaced and its CRC made good again,
// so that only the size is wrong.
Bytes pngWithSize(uint32_t width, uint32_t height)
{
    Bytes file = Encode(writePng, GradientImage(4, 4));
    // Signature (8), then IHDR: length (4), "IHDR", width (4), height (4).
    PutBigEndian32(file, 16, width);
    PutBigEndian32(file, 20, height);
    PutBigEndian32(file, 29, crc32Of(&file[12], 17));
    return file;
}

} // namespace

TEST(PngCodec, OurWriterRoundTripsExactly)
{
    for (const auto &[width, height] : {std::pair{37u, 23u}, std::pair{1u, 1u}, std::pair{1u, 300u}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const RgbImage image = NoiseImage(width, height);
        const Bytes file = Encode(writePng, image);
        const auto decoded = Decode(pngReader, file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, width);
        EXPECT_EQ(decoded->height, height);
        EXPECT_EQ(decoded->rgb, image.rgb);
        const Dimensions dimensions = QueryDimensions(pngDimensions, file);
        EXPECT_TRUE(dimensions.answered);
        EXPECT_EQ(dimensions.width, width);
        EXPECT_EQ(dimensions.height, height);
        EXPECT_EQ(dimensions.bits, 24u);
    }
}

TEST(PngCodec, EveryColourTypeAndDepthReadsAsRgbOverWhite)
{
    std::vector<PngFixture> fixtures;
    for (bool interlaced : {false, true}) {
        const std::string suffix = interlaced ? " interlaced" : "";
        for (int depth : {1, 2, 4, 8, 16}) {
            fixtures.push_back({"grey " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_GRAY, depth, interlaced, false});
            fixtures.push_back({"grey tRNS " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_GRAY, depth, interlaced, true});
        }
        for (int depth : {1, 2, 4, 8}) {
            fixtures.push_back({"palette " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_PALETTE, depth, interlaced, false});
            fixtures.push_back({"palette tRNS " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_PALETTE, depth, interlaced, true});
        }
        for (int depth : {8, 16}) {
            fixtures.push_back({"grey alpha " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_GRAY_ALPHA, depth, interlaced, false});
            fixtures.push_back({"rgb " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_RGB, depth, interlaced, false});
            fixtures.push_back({"rgb tRNS " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_RGB, depth, interlaced, true});
            fixtures.push_back({"rgba " + std::to_string(depth) + suffix, PNG_COLOR_TYPE_RGB_ALPHA, depth, interlaced, false});
        }
    }
    for (const PngFixture &fixture : fixtures) {
        SCOPED_TRACE(fixture.name);
        const Made made = makePng(fixture, 13, 11);
        const auto decoded = Decode(pngReader, made.file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, 13u);
        EXPECT_EQ(decoded->height, 11u);
        // 16-bit samples are rounded once by the scaling and once over white.
        EXPECT_LE(MaxChannelDifference(*decoded, made.expected), fixture.bitDepth == 16 ? 1 : 0);
        const Dimensions dimensions = QueryDimensions(pngDimensions, made.file);
        EXPECT_TRUE(dimensions.answered);
        EXPECT_EQ(dimensions.width, 13u);
        EXPECT_EQ(dimensions.height, 11u);
        EXPECT_EQ(dimensions.bits, uint32_t(fixture.bitDepth * channelsOf(fixture.colourType)));
    }
}

TEST(PngCodec, EveryTruncationFails)
{
    ExpectEveryTruncationFails(pngReader, Encode(writePng, GradientImage(9, 7)));
    ExpectEveryTruncationFails(pngReader, makePng({"interlaced alpha", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false}, 9, 7).file);
}

TEST(PngCodec, HostileSizesFailCleanly)
{
    struct Case
    {
        const char *name;
        uint32_t width, height;
    };
    for (const Case &c : {Case{"zero width", 0, 4}, Case{"zero height", 4, 0}, Case{"over the pixel limit", 16385, 16385},
                          Case{"over libpng's limit", 0x7FFFFFFF, 1}, Case{"not a PNG number", 0x80000000, 1}}) {
        SCOPED_TRACE(c.name);
        const Bytes file = pngWithSize(c.width, c.height);
        EXPECT_FALSE(Decode(pngReader, file));
        EXPECT_FALSE(QueryDimensions(pngDimensions, file).answered);
    }
    // A size that is accepted but whose data is far too short.
    EXPECT_FALSE(Decode(pngReader, pngWithSize(4000, 4000)));
    EXPECT_TRUE(QueryDimensions(pngDimensions, pngWithSize(4000, 4000)).answered);
}

namespace {

// A chunk of the given type and data, CRC included.
Bytes pngChunk(const char *type, const Bytes &data)
{
    Bytes chunk(8);
    PutBigEndian32(chunk, 0, uint32_t(data.size()));
    std::copy(type, type + 4, chunk.begin() + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    chunk.resize(chunk.size() + 4);
    PutBigEndian32(chunk, chunk.size() - 4, crc32Of(&chunk[4], chunk.size() - 8));
    return chunk;
}

// A picture of one colour (every sample zero), compressed as far as zlib goes.
Bytes blankPng(uint32_t width, uint32_t height, int bitDepth, int colourType, bool interlaced)
{
    Bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &file, appendToBytes, flushNothing);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, width, height, bitDepth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const Bytes row((size_t(width) * channelsOf(colourType) * bitDepth + 7) / 8, 0);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < height; ++y)
            png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

} // namespace

TEST(PngCodec, TheMostCompressibleFilesStillRead)
{
    // One colour and no filters: deflate's longest matches, the most pixels a
    // byte of a real file can hold.
    struct Case
    {
        const char *name;
        uint32_t size;
        int bitDepth, colourType;
        bool interlaced;
        uint8_t expected;   // every channel: black, or transparent over white
    };
    for (const Case &c : {Case{"grey 1", 2048, 1, PNG_COLOR_TYPE_GRAY, false, 0},
                          Case{"rgb 8", 1024, 8, PNG_COLOR_TYPE_RGB, false, 0},
                          Case{"rgba 16 interlaced", 512, 16, PNG_COLOR_TYPE_RGB_ALPHA, true, 255}}) {
        SCOPED_TRACE(c.name);
        const auto decoded = Decode(pngReader, blankPng(c.size, c.size, c.bitDepth, c.colourType, c.interlaced));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, c.size);
        EXPECT_EQ(decoded->height, c.size);
        EXPECT_EQ(std::count(decoded->rgb.begin(), decoded->rgb.end(), c.expected), std::ptrdiff_t(decoded->rgb.size()));
    }
}

TEST(PngCodec, ChunksWeDoNotUseAreSkipped)
{
    const RgbImage image = NoiseImage(6, 5);
    const Bytes good = Encode(writePng, image);
    // After the signature (8) and IHDR (25): text larger than libpng's own
    // chunk limit, a palette suggestion and a colour profile that are not
    // what they claim, and a chunk of a kind nobody knows.
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    text.resize(9'000'000, 'x');
    Bytes file(good.begin(), good.begin() + 33);
    for (const Bytes &chunk : {pngChunk("tEXt", text), pngChunk("sPLT", Bytes{'p', 0, 9, 1, 2}),
                               pngChunk("iCCP", Bytes{'p', 0, 0, 1, 2, 3}), pngChunk("zzZz", Bytes(100, 7))})
        file.insert(file.end(), chunk.begin(), chunk.end());
    file.insert(file.end(), good.begin() + 33, good.end());
    const auto decoded = Decode(pngReader, file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgb, image.rgb);
}

TEST(PngCodec, SmallMemoryDestinationAnswersZero)
{
    const RgbImage image = NoiseImage(8, 8);
    Bytes bytes;
    const uint32_t size = WriteToMemory(writePng, image, bytes, 1 << 16);
    ASSERT_GT(size, 0u);
    for (size_t capacity : {size_t(0), size_t(8), size_t(40), size_t(size - 1)}) {
        SCOPED_TRACE(capacity);
        EXPECT_EQ(WriteToMemory(writePng, image, bytes, capacity), 0u);
    }
    EXPECT_EQ(WriteToMemory(writePng, image, bytes, size), size);
}

TEST(PngCodec, RefusesMissingArguments)
{
    const RgbImage image = GradientImage(4, 4);
    Bytes buffer(4096);
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(ImgWriteRGBToPNG(nullptr, image.rgb.data(), 4, 4, 0, 0), 0u);
    EXPECT_EQ(ImgWriteRGBToPNG(destination, nullptr, 4, 4, 0, 0), 0u);
    EXPECT_EQ(ImgWriteRGBToPNG(destination, image.rgb.data(), 4, 0, 0, 0), 0u);
    ImgCloseDest(destination);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(ImgReadPNGToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetPNGDims(nullptr, &width, &height, nullptr));
}
