#include "CodecTestSupport.h"

#include "../../TestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <tiffio.h>

namespace {

const Reader tiffReader = ImgReadTIFFToRGB;
const DimensionQuery tiffDimensions = ImgGetTIFFDims;

// One page as libtiff should write it. samples holds the pixels row by row,
// contiguous, in the page's sample size: bytes for 8 bits, native 16-bit
// words for 16, rows padded to a byte for fewer.
struct TiffPage
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samplesPerPixel = 3;
    uint16_t bitsPerSample = 8;
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint16_t extraSample = 0;        // EXTRASAMPLE_* of a fourth sample, 0 for none
    uint32_t tileSide = 0;           // 0: strips of 4 rows
    std::vector<uint16_t> colourMap; // red, then green, then blue entries
    uint32_t subfileType = 0;        // FILETYPE_* bits
    uint16_t subImageCount = 0;      // the pages written next become this page's SubIFDs
    Bytes samples;
};

size_t rowBytesOf(const TiffPage &page)
{
    return (size_t(page.width) * page.samplesPerPixel * page.bitsPerSample + 7) / 8;
}

void writePage(TIFF *tiff, const TiffPage &page)
{
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samplesPerPixel);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.compression);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, page.planar);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, page.orientation);
    if (page.extraSample) {
        const uint16_t extra[1] = {page.extraSample};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (page.subfileType)
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, page.subfileType);
    if (page.subImageCount) {
        const std::vector<toff_t> offsets(page.subImageCount, 0);
        TIFFSetField(tiff, TIFFTAG_SUBIFD, page.subImageCount, offsets.data());
    }
    if (page.photometric == PHOTOMETRIC_SEPARATED)
        TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
    if (!page.colourMap.empty()) {
        const size_t entries = page.colourMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, page.colourMap.data(), page.colourMap.data() + entries,
                     page.colourMap.data() + 2 * entries);
    }
    if (page.compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    const size_t rowBytes = rowBytesOf(page);
    if (page.tileSide) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, page.tileSide);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, page.tileSide);
        const size_t pixelBytes = size_t(page.samplesPerPixel) * page.bitsPerSample / 8;
        Bytes tile(size_t(page.tileSide) * page.tileSide * pixelBytes);
        for (uint32_t top = 0; top < page.height; top += page.tileSide) {
            for (uint32_t left = 0; left < page.width; left += page.tileSide) {
                std::fill(tile.begin(), tile.end(), 0);
                for (uint32_t y = top; y < std::min(page.height, top + page.tileSide); ++y)
                    for (uint32_t x = left; x < std::min(page.width, left + page.tileSide); ++x)
                        std::copy_n(&page.samples[y * rowBytes + x * pixelBytes], pixelBytes,
                                    &tile[((y - top) * page.tileSide + (x - left)) * pixelBytes]);
                TIFFWriteTile(tiff, tile.data(), left, top, 0, 0);
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.compression == COMPRESSION_JPEG ? 16u : 4u);
        if (page.planar == PLANARCONFIG_SEPARATE) {
            Bytes plane(page.width);
            for (uint16_t sample = 0; sample < page.samplesPerPixel; ++sample) {
                for (uint32_t y = 0; y < page.height; ++y) {
                    for (uint32_t x = 0; x < page.width; ++x)
                        plane[x] = page.samples[y * rowBytes + x * page.samplesPerPixel + sample];
                    TIFFWriteScanline(tiff, plane.data(), y, sample);
                }
            }
        } else {
            Bytes row(rowBytes);
            for (uint32_t y = 0; y < page.height; ++y) {
                std::copy_n(&page.samples[y * rowBytes], rowBytes, row.begin());
                TIFFWriteScanline(tiff, row.data(), y, 0);
            }
        }
    }
    TIFFWriteDirectory(tiff);
}

Bytes writeTiff(const std::vector<TiffPage> &pages)
{
    const std::string path = TestHostFolder() + "/fixture.tif";
    TIFF *tiff = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tiff, nullptr);
    if (!tiff)
        return {};
    for (const TiffPage &page : pages)
        writePage(tiff, page);
    TIFFClose(tiff);
    const QByteArray bytes = ReadHostFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

TiffPage rgbPage(uint32_t width, uint32_t height, uint32_t seed = 1)
{
    TiffPage page;
    page.width = width;
    page.height = height;
    page.samples = NoiseImage(width, height, seed).rgb;
    return page;
}

uint8_t overWhite(unsigned c, unsigned a)
{
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}

// Each pixel of the expected RGB from the page's samples of that pixel.
RgbImage expectedFrom(const TiffPage &page, const std::function<void(const uint8_t *, uint8_t *)> &convert)
{
    RgbImage image{page.width, page.height, Bytes(size_t(page.width) * page.height * 3)};
    const size_t pixelBytes = size_t(page.samplesPerPixel) * page.bitsPerSample / 8;
    for (size_t i = 0; i < size_t(page.width) * page.height; ++i)
        convert(&page.samples[i * pixelBytes], &image.rgb[i * 3]);
    return image;
}

struct Variant
{
    std::string name;
    TiffPage page;
    RgbImage expected;
    int tolerance;
};

std::vector<Variant> variants()
{
    std::vector<Variant> list;
    const uint32_t width = 21, height = 13;
    const RgbImage noise = NoiseImage(width, height);
    for (const auto &[name, compression] : {std::pair{"none", COMPRESSION_NONE}, std::pair{"lzw", COMPRESSION_LZW},
                                            std::pair{"deflate", COMPRESSION_ADOBE_DEFLATE},
                                            std::pair{"packbits", COMPRESSION_PACKBITS}}) {
        TiffPage page = rgbPage(width, height);
        page.compression = uint16_t(compression);
        list.push_back({std::string("rgb ") + name, page, noise, 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.planar = PLANARCONFIG_SEPARATE;
        list.push_back({"rgb planar", page, noise, 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.tileSide = 16;
        list.push_back({"rgb tiled", page, noise, 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.orientation = ORIENTATION_BOTLEFT;
        RgbImage flipped = noise;
        for (uint32_t y = 0; y < height; ++y)
            std::copy_n(&noise.rgb[(height - 1 - y) * width * 3], width * 3, &flipped.rgb[y * width * 3]);
        list.push_back({"rgb bottom-up", page, flipped, 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.samplesPerPixel = 1;
        page.photometric = PHOTOMETRIC_MINISBLACK;
        page.samples.resize(size_t(width) * height);
        list.push_back({"grey", page, expectedFrom(page, [](const uint8_t *s, uint8_t *p) { p[0] = p[1] = p[2] = s[0]; }), 0});
        page.photometric = PHOTOMETRIC_MINISWHITE;
        list.push_back({"grey min-is-white", page,
                        expectedFrom(page, [](const uint8_t *s, uint8_t *p) { p[0] = p[1] = p[2] = uint8_t(255 - s[0]); }), 0});
    }
    {
        TiffPage page = rgbPage(16, 3);
        page.samplesPerPixel = 1;
        page.bitsPerSample = 1;
        page.photometric = PHOTOMETRIC_MINISBLACK;
        page.samples = {0xA5, 0x0F, 0xFF, 0x00, 0x81, 0x7E};
        RgbImage expected{16, 3, Bytes(16 * 3 * 3)};
        for (size_t i = 0; i < 16 * 3; ++i) {
            const bool set = page.samples[i / 8] & (0x80 >> (i % 8));
            std::fill_n(&expected.rgb[i * 3], 3, set ? 255 : 0);
        }
        list.push_back({"bilevel", page, expected, 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.bitsPerSample = 16;
        page.samples = NoiseImage(width * 2, height).rgb;
        list.push_back({"rgb 16-bit", page, expectedFrom(page, [](const uint8_t *s, uint8_t *p) {
                            const auto *words = reinterpret_cast<const uint16_t *>(s);
                            for (int c = 0; c < 3; ++c)
                                p[c] = uint8_t(words[c] * 255.0 / 65535.0 + 0.5);
                        }), 1});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.samplesPerPixel = 1;
        page.photometric = PHOTOMETRIC_PALETTE;
        page.samples.resize(size_t(width) * height);
        const RgbImage colours = NoiseImage(256, 1, 7);
        page.colourMap.resize(3 * 256);
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c)
                page.colourMap[c * 256 + i] = uint16_t(colours.rgb[i * 3 + c] * 257);
        list.push_back({"palette", page, expectedFrom(page, [colours](const uint8_t *s, uint8_t *p) {
                            std::copy_n(&colours.rgb[s[0] * 3], 3, p);
                        }), 0});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.samplesPerPixel = 4;
        page.extraSample = EXTRASAMPLE_ASSOCALPHA;
        page.samples = NoiseImage(width * 4, height, 3).rgb;
        page.samples.resize(size_t(width) * height * 4);
        for (size_t i = 0; i < page.samples.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                page.samples[i + c] = std::min(page.samples[i + c], page.samples[i + 3]);
        list.push_back({"rgba associated", page, expectedFrom(page, [](const uint8_t *s, uint8_t *p) {
                            for (int c = 0; c < 3; ++c)
                                p[c] = uint8_t(s[c] + 255 - s[3]);
                        }), 0});
        page.extraSample = EXTRASAMPLE_UNASSALPHA;
        page.samples = NoiseImage(width * 4, height, 4).rgb;
        page.samples.resize(size_t(width) * height * 4);
        list.push_back({"rgba unassociated", page, expectedFrom(page, [](const uint8_t *s, uint8_t *p) {
                            for (int c = 0; c < 3; ++c)
                                p[c] = overWhite(s[c], s[3]);
                        }), 1});
    }
    {
        TiffPage page = rgbPage(width, height);
        page.samplesPerPixel = 4;
        page.photometric = PHOTOMETRIC_SEPARATED;
        page.samples = NoiseImage(width * 4, height, 5).rgb;
        page.samples.resize(size_t(width) * height * 4);
        list.push_back({"cmyk", page, expectedFrom(page, [](const uint8_t *s, uint8_t *p) {
                            for (int c = 0; c < 3; ++c)
                                p[c] = uint8_t((255 - s[c]) * (255 - s[3]) / 255);
                        }), 1});
    }
    {
        TiffPage page;
        page.width = 32;
        page.height = 32;
        page.samples = GradientImage(32, 32).rgb;
        page.compression = COMPRESSION_JPEG;
        page.photometric = PHOTOMETRIC_YCBCR;
        list.push_back({"jpeg", page, GradientImage(32, 32), 24});
    }
    return list;
}

// Finds tag in the first directory of a little-endian TIFF and makes it one
// LONG holding value.
void setTag(Bytes &file, uint16_t tag, uint32_t value)
{
    ASSERT_EQ(file[0], 'I');
    const uint32_t directory = uint32_t(file[4]) | uint32_t(file[5]) << 8 | uint32_t(file[6]) << 16 | uint32_t(file[7]) << 24;
    const uint16_t count = uint16_t(file[directory] | file[directory + 1] << 8);
    for (uint16_t i = 0; i < count; ++i) {
        const size_t entry = directory + 2 + size_t(i) * 12;
        if (uint16_t(file[entry] | file[entry + 1] << 8) != tag)
            continue;
        PutLittleEndian16(file, entry + 2, 4);
        PutLittleEndian32(file, entry + 4, 1);
        PutLittleEndian32(file, entry + 8, value);
        return;
    }
    FAIL() << "no tag " << tag;
}

} // namespace

TEST(TiffCodec, EveryLayoutReadsAsRgb)
{
    for (const Variant &variant : variants()) {
        SCOPED_TRACE(variant.name);
        const Bytes file = writeTiff({variant.page});
        const auto decoded = Decode(tiffReader, file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, variant.page.width);
        EXPECT_EQ(decoded->height, variant.page.height);
        EXPECT_LE(MaxChannelDifference(*decoded, variant.expected), variant.tolerance);
        const Dimensions dimensions = QueryDimensions(tiffDimensions, file);
        EXPECT_TRUE(dimensions.answered);
        EXPECT_EQ(dimensions.width, variant.page.width);
        EXPECT_EQ(dimensions.height, variant.page.height);
        EXPECT_EQ(dimensions.bits, uint32_t(variant.page.samplesPerPixel) * variant.page.bitsPerSample);
    }
}

TEST(TiffCodec, ReadsTheFirstPage)
{
    const Bytes file = writeTiff({rgbPage(8, 6, 1), rgbPage(30, 30, 2)});
    const auto decoded = Decode(tiffReader, file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 8u);
    EXPECT_EQ(decoded->height, 6u);
    EXPECT_EQ(decoded->rgb, NoiseImage(8, 6, 1).rgb);
    const Dimensions dimensions = QueryDimensions(tiffDimensions, file);
    EXPECT_EQ(dimensions.width, 8u);
    EXPECT_EQ(dimensions.height, 6u);
}

TEST(TiffCodec, ReducedDecodeTakesTheSmallestReducedImageAtLeastTwiceTheWantedSize)
{
    auto reduced = [](uint32_t width, uint32_t height, uint32_t seed) {
        TiffPage page = rgbPage(width, height, seed);
        page.subfileType = FILETYPE_REDUCEDIMAGE;
        return page;
    };
    TiffPage firstWithSubImages = rgbPage(64, 48, 1);
    firstWithSubImages.subImageCount = 2;
    TiffPage otherPage = rgbPage(20, 20, 9);
    otherPage.subfileType = FILETYPE_PAGE;
    struct Layout
    {
        const char *name;
        std::vector<TiffPage> pages;
    };
    const Layout layouts[] = {
        {"reduced directories", {rgbPage(64, 48, 1), reduced(32, 24, 2), otherPage, reduced(16, 12, 3), reduced(30, 30, 4)}},
        {"SubIFDs", {firstWithSubImages, reduced(32, 24, 2), reduced(16, 12, 3), reduced(30, 30, 4)}},
    };
    struct Case
    {
        uint32_t wantedWidth, wantedHeight, width, height, seed;
    };
    const Case cases[] = {
        {8, 6, 16, 12, 3},
        {1, 1, 16, 12, 3},
        {0, 0, 16, 12, 3},
        {10, 6, 32, 24, 2},   // 16 is short of twice 10
        {16, 12, 32, 24, 2},
        {8, 13, 64, 48, 1},   // the square reduced image does not show the page
        {17, 12, 64, 48, 1},
        {200, 200, 64, 48, 1},
    };
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(layout.name);
        const Bytes file = writeTiff(layout.pages);
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << "wanted " << c.wantedWidth << "x" << c.wantedHeight);
            HIMGSRC source = OpenBytes(file);
            uint32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
            HGLOBAL block = ImgReadTIFFToRGBReduced(source, c.wantedWidth, c.wantedHeight, &width, &height, &fullWidth,
                                                    &fullHeight);
            ImgCloseSource(source);
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(fullWidth, 64u);
            EXPECT_EQ(fullHeight, 48u);
            ASSERT_EQ(width, c.width);
            ASSERT_EQ(height, c.height);
            const auto *rgb = static_cast<const uint8_t *>(GlobalLock(block));
            EXPECT_EQ(Bytes(rgb, rgb + size_t(width) * height * 3), NoiseImage(width, height, c.seed).rgb);
            GlobalFree(block);
        }
        // The plain reader and the dimension query still see the first page.
        const auto decoded = Decode(tiffReader, file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, 64u);
        EXPECT_EQ(QueryDimensions(tiffDimensions, file).width, 64u);
    }
}

TEST(TiffCodec, EveryTruncationFails)
{
    ExpectEveryTruncationFails(tiffReader, writeTiff({rgbPage(6, 5)}));
    TiffPage compressed = rgbPage(6, 5);
    compressed.compression = COMPRESSION_LZW;
    ExpectEveryTruncationFails(tiffReader, writeTiff({compressed}));

    TiffPage reduced = rgbPage(4, 3, 2);
    reduced.subfileType = FILETYPE_REDUCEDIMAGE;
    const Reader reducedReader = [](HIMGSRC source, uint32_t *width, uint32_t *height) {
        uint32_t fullWidth = 0, fullHeight = 0;
        return ImgReadTIFFToRGBReduced(source, 2, 1, width, height, &fullWidth, &fullHeight);
    };
    // Cut after the first page, a file still holds that page whole: the
    // reduced decode then falls back to it, and never answers anything else.
    const Bytes pyramid = writeTiff({rgbPage(8, 6), reduced});
    ASSERT_EQ(Decode(reducedReader, pyramid)->rgb, NoiseImage(4, 3, 2).rgb);
    auto prefix = [&](size_t length) { return Bytes(pyramid.begin(), pyramid.begin() + std::ptrdiff_t(length)); };
    size_t firstPageEnd = 0;   // the shortest cut that still reads the first page
    while (firstPageEnd < pyramid.size() && !Decode(tiffReader, prefix(firstPageEnd)))
        ++firstPageEnd;
    ASSERT_LT(firstPageEnd, pyramid.size());
    for (size_t length = 0; length < pyramid.size(); ++length) {
        SCOPED_TRACE(length);
        const auto decoded = Decode(reducedReader, prefix(length));
        if (length < firstPageEnd) {
            EXPECT_FALSE(decoded);
            continue;
        }
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->rgb, NoiseImage(8, 6).rgb);
    }
}

TEST(TiffCodec, HostileHeadersFailCleanly)
{
    const Bytes good = writeTiff({rgbPage(6, 5)});
    ASSERT_TRUE(Decode(tiffReader, good));
    struct Case
    {
        const char *name;
        uint16_t tag;
        uint32_t value;
    };
    const Case cases[] = {
        {"zero width", TIFFTAG_IMAGEWIDTH, 0},
        {"zero height", TIFFTAG_IMAGELENGTH, 0},
        {"over the pixel limit", TIFFTAG_IMAGEWIDTH, 1u << 29},
        {"largest width", TIFFTAG_IMAGEWIDTH, 0xFFFFFFFF},
        {"strip past the end", TIFFTAG_STRIPOFFSETS, 0x7FFFFFF0},
        {"strip larger than the file", TIFFTAG_STRIPBYTECOUNTS, 0xFFFFFFF0},
        {"samples far beyond the data", TIFFTAG_SAMPLESPERPIXEL, 60000},
        {"unknown compression", TIFFTAG_COMPRESSION, 12345},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes hostile = good;
        setTag(hostile, c.tag, c.value);
        EXPECT_FALSE(Decode(tiffReader, hostile));
    }
    // The dimension query refuses what the reader would.
    for (uint32_t width : {0u, 1u << 29}) {
        Bytes hostile = good;
        setTag(hostile, TIFFTAG_IMAGEWIDTH, width);
        EXPECT_FALSE(QueryDimensions(tiffDimensions, hostile).answered);
    }
    // A directory offset past the end.
    Bytes lost = good;
    PutLittleEndian32(lost, 4, 0x7FFFFFF0);
    EXPECT_FALSE(Decode(tiffReader, lost));
    EXPECT_FALSE(QueryDimensions(tiffDimensions, lost).answered);
}

TEST(TiffCodec, PageIsBoundedByWhatItsDataCouldFill)
{
    auto blankPage = [](uint32_t width, uint32_t height, uint16_t bits, uint16_t photometric, uint16_t compression) {
        TiffPage page;
        page.width = width;
        page.height = height;
        page.samplesPerPixel = 1;
        page.bitsPerSample = bits;
        page.photometric = photometric;
        page.compression = compression;
        page.samples.assign(rowBytesOf(page) * height, 0);
        return page;
    };
    struct Case
    {
        const char *name;
        TiffPage page;
        bool readable;
    };
    const Case cases[] = {
        {"blank grey page, Deflate", blankPage(2048, 2048, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE), true},
        {"blank grey page, LZW", blankPage(2048, 2048, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW), true},
        {"blank grey page, PackBits", blankPage(512, 512, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS), true},
        {"blank fax page, a bit a row", blankPage(16384, 1024, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = writeTiff({c.page});
        const auto decoded = Decode(tiffReader, file);
        EXPECT_EQ(decoded.has_value(), c.readable);
        EXPECT_EQ(QueryDimensions(tiffDimensions, file).answered, c.readable);
        if (decoded) {
            EXPECT_EQ(decoded->width, c.page.width);
            EXPECT_EQ(decoded->rgb, Bytes(decoded->rgb.size(), 0));
        }
    }

    // One strip of 72 bytes under a header claiming 16384 x 16384 pixels.
    Bytes vast = writeTiff({rgbPage(6, 4)});
    setTag(vast, TIFFTAG_IMAGEWIDTH, 16384);
    setTag(vast, TIFFTAG_IMAGELENGTH, 16384);
    setTag(vast, TIFFTAG_ROWSPERSTRIP, 16384);
    EXPECT_FALSE(QueryDimensions(tiffDimensions, vast).answered);
    EXPECT_FALSE(Decode(tiffReader, vast));
}

TEST(TiffCodec, RefusesMissingArguments)
{
    uint32_t width = 0, height = 0;
    EXPECT_EQ(ImgReadTIFFToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetTIFFDims(nullptr, &width, &height, nullptr));
    const Bytes garbage(64, 0x41);
    EXPECT_FALSE(Decode(tiffReader, garbage));
}
