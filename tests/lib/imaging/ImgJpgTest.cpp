#include "CodecTestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>

namespace {

uint32_t writeJpeg(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriteRGBToJPG(destination, rgb, width, height, 95, 0);
}

Writer jpegWriter(uint32_t quality, uint32_t flag)
{
    return [=](HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height) {
        return ImgWriteRGBToJPG(destination, rgb, width, height, quality, flag);
    };
}

const Reader jpegReader = ImgReadJPGToRGB;
const DimensionQuery jpegDimensions = ImgGetJPGDims;

// A picture whose colours change by at most 4 a pixel, so that chroma
// subsampling costs little even in tiny and narrow sizes.
RgbImage smoothImage(uint32_t width, uint32_t height)
{
    RgbImage image{width, height, Bytes(size_t(width) * height * 3)};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t *pixel = &image.rgb[(size_t(y) * width + x) * 3];
            pixel[0] = uint8_t(std::min<uint32_t>(255, 40 + x * 4));
            pixel[1] = uint8_t(std::min<uint32_t>(255, 20 + y));
            pixel[2] = uint8_t(std::min<uint32_t>(255, 200 - std::min<uint32_t>(x * 2, 200)));
        }
    }
    return image;
}

// Where a marker starts (at its FF), or npos.
size_t findMarker(const Bytes &bytes, uint8_t marker)
{
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == marker)
            return i;
    }
    return std::string::npos;
}

// A JPEG written straight through libjpeg, for the kinds our writer does not
// make: samples are given in the input colour space, components per pixel.
struct LibjpegFixture
{
    uint32_t width;
    uint32_t height;
    int components;
    J_COLOR_SPACE inputSpace;
    J_COLOR_SPACE fileSpace;
    Bytes samples;
    jpeg_scan_info *scans = nullptr;
    int scanCount = 0;
    bool progressive = false;   // the library's own progression
    unsigned restartInterval = 0;   // in MCUs
};

Bytes writeWithLibjpeg(const LibjpegFixture &fixture)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = fixture.width;
    cinfo.image_height = fixture.height;
    cinfo.input_components = fixture.components;
    cinfo.in_color_space = fixture.inputSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, fixture.fileSpace);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (fixture.scans) {
        cinfo.scan_info = fixture.scans;
        cinfo.num_scans = fixture.scanCount;
    }
    if (fixture.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = fixture.restartInterval;
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(fixture.width) * fixture.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE *>(fixture.samples.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// The text of every comment marker in the file, in order.
std::string commentsOf(const Bytes &bytes)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    std::string text;
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next)
        text.append(reinterpret_cast<const char *>(marker->data), marker->data_length);
    jpeg_destroy_decompress(&cinfo);
    return text;
}

// Halves or quarters a picture by averaging blocks, as the DCT scaling does.
RgbImage boxReduce(const RgbImage &image, uint32_t factor)
{
    RgbImage reduced{image.width / factor, image.height / factor, {}};
    reduced.rgb.resize(size_t(reduced.width) * reduced.height * 3);
    for (uint32_t y = 0; y < reduced.height; ++y) {
        for (uint32_t x = 0; x < reduced.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                unsigned sum = 0;
                for (uint32_t dy = 0; dy < factor; ++dy)
                    for (uint32_t dx = 0; dx < factor; ++dx)
                        sum += image.rgb[((size_t(y) * factor + dy) * image.width + x * factor + dx) * 3 + channel];
                reduced.rgb[(size_t(y) * reduced.width + x) * 3 + channel] = uint8_t(sum / (factor * factor));
            }
        }
    }
    return reduced;
}

} // namespace

TEST(JpegCodec, RoundTripKeepsSizeAndPixelsWithinTolerance)
{
    struct Case
    {
        uint32_t width, height, flag;
    };
    for (const Case &c : {Case{64, 48, 0}, Case{64, 48, 1}, Case{1, 1, 0}, Case{17, 9, 1}, Case{3, 200, 0}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " flag " << c.flag);
        const RgbImage image = smoothImage(c.width, c.height);
        const Bytes file = Encode(jpegWriter(95, c.flag), image);
        const auto decoded = Decode(jpegReader, file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, c.width);
        EXPECT_EQ(decoded->height, c.height);
        EXPECT_LT(MeanChannelDifference(*decoded, image), 2.0);
        EXPECT_LE(MaxChannelDifference(*decoded, image), 12);
        const Dimensions dimensions = QueryDimensions(jpegDimensions, file);
        EXPECT_TRUE(dimensions.answered);
        EXPECT_EQ(dimensions.width, c.width);
        EXPECT_EQ(dimensions.height, c.height);
    }
}

TEST(JpegCodec, FlagChoosesProgressiveAndQualityIsClamped)
{
    const RgbImage image = GradientImage(40, 30);
    const Bytes baseline = Encode(jpegWriter(80, 0), image);
    const Bytes progressive = Encode(jpegWriter(80, 1), image);
    EXPECT_NE(findMarker(baseline, 0xC0), std::string::npos);
    EXPECT_EQ(findMarker(baseline, 0xC2), std::string::npos);
    EXPECT_NE(findMarker(progressive, 0xC2), std::string::npos);

    EXPECT_EQ(Encode(jpegWriter(0, 0), image), Encode(jpegWriter(1, 0), image));
    EXPECT_EQ(Encode(jpegWriter(1000, 0), image), Encode(jpegWriter(100, 0), image));
    const RgbImage noise = NoiseImage(40, 30);
    const Bytes low = Encode(jpegWriter(10, 0), noise);
    const Bytes high = Encode(jpegWriter(100, 0), noise);
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(MeanChannelDifference(*Decode(jpegReader, high), noise),
              MeanChannelDifference(*Decode(jpegReader, low), noise));
}

TEST(JpegCodec, GreyAndCmykFilesReadAsRgb)
{
    // Grey: a ramp, read back with equal channels.
    LibjpegFixture grey{32, 8, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, Bytes(32 * 8)};
    for (size_t i = 0; i < grey.samples.size(); ++i)
        grey.samples[i] = uint8_t((i % 32) * 8);
    const auto greyImage = Decode(jpegReader, writeWithLibjpeg(grey));
    ASSERT_TRUE(greyImage);
    ASSERT_EQ(greyImage->width, 32u);
    for (size_t i = 0; i < greyImage->rgb.size(); i += 3) {
        EXPECT_EQ(greyImage->rgb[i], greyImage->rgb[i + 1]);
        EXPECT_EQ(greyImage->rgb[i], greyImage->rgb[i + 2]);
        EXPECT_NEAR(greyImage->rgb[i], (i / 3 % 32) * 8, 3);
    }

    // CMYK and YCCK with the Adobe marker libjpeg writes: inks stored
    // inverted, as Adobe's writers do. Each strip of 8 pixels is one colour.
    struct Ink
    {
        uint8_t c, m, y, k;
        uint8_t red, green, blue;
    };
    const Ink inks[] = {{0, 255, 255, 0, 255, 0, 0}, {255, 0, 255, 0, 0, 255, 0}, {255, 255, 0, 0, 0, 0, 255},
                        {0, 0, 0, 0, 255, 255, 255}, {0, 0, 0, 255, 0, 0, 0},     {0, 0, 0, 128, 127, 127, 127}};
    const uint32_t stripWidth = 8;
    const uint32_t width = stripWidth * uint32_t(std::size(inks));
    for (J_COLOR_SPACE fileSpace : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(fileSpace == JCS_CMYK ? "CMYK" : "YCCK");
        LibjpegFixture cmyk{width, 8, 4, JCS_CMYK, fileSpace, Bytes(size_t(width) * 8 * 4)};
        for (uint32_t y = 0; y < 8; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                const Ink &ink = inks[x / stripWidth];
                uint8_t *sample = &cmyk.samples[(size_t(y) * width + x) * 4];
                sample[0] = uint8_t(255 - ink.c);
                sample[1] = uint8_t(255 - ink.m);
                sample[2] = uint8_t(255 - ink.y);
                sample[3] = uint8_t(255 - ink.k);
            }
        }
        const auto image = Decode(jpegReader, writeWithLibjpeg(cmyk));
        ASSERT_TRUE(image);
        for (size_t strip = 0; strip < std::size(inks); ++strip) {
            SCOPED_TRACE(strip);
            const uint8_t *pixel = &image->rgb[(4 * size_t(width) + strip * stripWidth + stripWidth / 2) * 3];
            EXPECT_NEAR(pixel[0], inks[strip].red, 6);
            EXPECT_NEAR(pixel[1], inks[strip].green, 6);
            EXPECT_NEAR(pixel[2], inks[strip].blue, 6);
        }
    }
}

TEST(JpegCodec, ReducedDecodeStaysAtLeastTwiceTheWantedSize)
{
    const RgbImage image = GradientImage(640, 480);
    const Bytes file = Encode(jpegWriter(90, 0), image);
    struct Case
    {
        uint32_t wantedWidth, wantedHeight;
        uint32_t width, height;   // what the smallest scale n/8 gives
    };
    const Case cases[] = {
        {80, 60, 160, 120},    // 2/8: exactly twice
        {81, 60, 240, 180},    // 3/8: 2/8 would be a pixel short in width
        {100, 100, 320, 240},  // the height decides
        {1, 1, 80, 60},        // 1/8 is the smallest scale
        {0, 0, 80, 60},
        {160, 10, 320, 240},
        {320, 240, 640, 480},  // twice is the full size
        {600, 600, 640, 480},  // nothing is twice: full size, never smaller
        {2000, 2000, 640, 480},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "wanted " << c.wantedWidth << "x" << c.wantedHeight);
        HIMGSRC source = OpenBytes(file);
        uint32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
        HGLOBAL block = ImgReadJPGToRGBReduced(source, c.wantedWidth, c.wantedHeight, &width, &height, &fullWidth,
                                               &fullHeight);
        ImgCloseSource(source);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(GlobalSize(block), size_t(width) * height * 3);
        GlobalFree(block);
        EXPECT_EQ(fullWidth, 640u);
        EXPECT_EQ(fullHeight, 480u);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_GE(width, std::min(c.wantedWidth, 640u));
        EXPECT_GE(height, std::min(c.wantedHeight, 480u));
    }
}

TEST(JpegCodec, ReducedDecodeShowsTheSamePicture)
{
    const RgbImage image = GradientImage(256, 128);
    const Bytes file = Encode(jpegWriter(95, 1), image);
    for (uint32_t factor : {2u, 4u, 8u}) {
        SCOPED_TRACE(factor);
        HIMGSRC source = OpenBytes(file);
        uint32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
        HGLOBAL block = ImgReadJPGToRGBReduced(source, 128 / factor, 64 / factor, &width, &height, &fullWidth,
                                               &fullHeight);
        ImgCloseSource(source);
        ASSERT_NE(block, nullptr);
        ASSERT_EQ(width, 256 / factor);
        ASSERT_EQ(height, 128 / factor);
        const auto *rgb = static_cast<const uint8_t *>(GlobalLock(block));
        const RgbImage reduced{width, height, Bytes(rgb, rgb + size_t(width) * height * 3)};
        GlobalFree(block);
        EXPECT_LT(MeanChannelDifference(reduced, boxReduce(image, factor)), 3.0);
    }
}

TEST(JpegCodec, CommentIsWrittenAndBelongsToItsThread)
{
    const RgbImage image = GradientImage(16, 16);
    ImgClearJPGOutputText();
    EXPECT_EQ(findMarker(Encode(writeJpeg, image), 0xFE), std::string::npos);

    ImgAddJPGOutputText("Taken at ");
    ImgAddJPGOutputText("the lake");
    Bytes file = Encode(writeJpeg, image);
    EXPECT_EQ(commentsOf(file), "Taken at the lake");
    EXPECT_TRUE(Decode(jpegReader, file));

    // More than one marker holds: the text is split over several.
    std::string longText(70000, 'x');
    longText += "end";
    ImgClearJPGOutputText();
    ImgAddJPGOutputText(longText.c_str());
    file = Encode(writeJpeg, image);
    EXPECT_EQ(commentsOf(file), longText);
    EXPECT_TRUE(Decode(jpegReader, file));

    std::string otherThreadBefore, otherThreadAfter;
    std::thread other([&] {
        ImgInitialize(0);
        otherThreadBefore = commentsOf(Encode(writeJpeg, image));
        ImgAddJPGOutputText("other thread");
        otherThreadAfter = commentsOf(Encode(writeJpeg, image));
    });
    other.join();
    EXPECT_EQ(otherThreadBefore, "");
    EXPECT_EQ(otherThreadAfter, "other thread");
    EXPECT_EQ(commentsOf(Encode(writeJpeg, image)), longText);
    ImgClearJPGOutputText();
    EXPECT_EQ(commentsOf(Encode(writeJpeg, image)), "");
}

TEST(JpegCodec, SmallMemoryDestinationAnswersZero)
{
    // A narrow thumbnail: its JPEG is larger than its raw pixels.
    const RgbImage image = NoiseImage(1, 64);
    Bytes bytes;
    const uint32_t size = WriteToMemory(writeJpeg, image, bytes, 1 << 16);
    ASSERT_GT(size, image.rgb.size());
    for (size_t capacity : {size_t(0), size_t(1), size_t(2), image.rgb.size(), size_t(size - 1)}) {
        SCOPED_TRACE(capacity);
        EXPECT_EQ(WriteToMemory(writeJpeg, image, bytes, capacity), 0u);
    }
    EXPECT_EQ(WriteToMemory(writeJpeg, image, bytes, size), size);
}

TEST(JpegCodec, EveryTruncationFails)
{
    const RgbImage image = GradientImage(16, 16);
    for (uint32_t flag : {0u, 1u}) {
        SCOPED_TRACE(flag);
        const Bytes file = Encode(jpegWriter(75, flag), image);
        ExpectEveryTruncationFails(jpegReader, file);
        ExpectEveryTruncationFails([](HIMGSRC source, uint32_t *width, uint32_t *height) {
            uint32_t fullWidth = 0, fullHeight = 0;
            return ImgReadJPGToRGBReduced(source, 4, 4, width, height, &fullWidth, &fullHeight);
        }, file);
    }
}

TEST(JpegCodec, DimensionQueryNeedsOnlyTheHeader)
{
    const Bytes file = Encode(writeJpeg, GradientImage(20, 10));
    const size_t scanStart = findMarker(file, 0xDA);
    ASSERT_NE(scanStart, std::string::npos);
    for (size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(length));
        const Dimensions dimensions = QueryDimensions(jpegDimensions, cut);
        // The header ends with the first scan's header.
        const size_t scanHeaderBytes = size_t(file[scanStart + 2]) << 8 | file[scanStart + 3];
        EXPECT_EQ(dimensions.answered, length >= scanStart + 2 + scanHeaderBytes);
        if (dimensions.answered) {
            EXPECT_EQ(dimensions.width, 20u);
            EXPECT_EQ(dimensions.height, 10u);
        }
    }
}

TEST(JpegCodec, HostileHeadersFailCleanly)
{
    const Bytes good = Encode(writeJpeg, GradientImage(16, 16));
    const size_t frame = findMarker(good, 0xC0);
    ASSERT_NE(frame, std::string::npos);
    // Frame header: FF C0, length (2), precision (1), height (2), width (2).
    struct Case
    {
        const char *name;
        uint16_t height, width;
    };
    for (const Case &c : {Case{"zero height", 0, 16}, Case{"zero width", 16, 0}, Case{"over the pixel limit", 65000, 65000},
                          Case{"largest side", 65535, 65535}}) {
        SCOPED_TRACE(c.name);
        Bytes hostile = good;
        hostile[frame + 5] = uint8_t(c.height >> 8);
        hostile[frame + 6] = uint8_t(c.height);
        hostile[frame + 7] = uint8_t(c.width >> 8);
        hostile[frame + 8] = uint8_t(c.width);
        EXPECT_FALSE(Decode(jpegReader, hostile));
        EXPECT_FALSE(QueryDimensions(jpegDimensions, hostile).answered);
        HIMGSRC source = OpenBytes(hostile);
        uint32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
        EXPECT_EQ(ImgReadJPGToRGBReduced(source, 8, 8, &width, &height, &fullWidth, &fullHeight), nullptr);
        ImgCloseSource(source);
    }

    // A segment whose length runs past the end of the file.
    Bytes longSegment = good;
    longSegment[4] = 0xFF;
    longSegment[5] = 0xFF;
    EXPECT_FALSE(Decode(jpegReader, longSegment));

    // Garbage after a valid start of image.
    Bytes garbage{0xFF, 0xD8, 0xFF};
    garbage.resize(4096, 0x5A);
    EXPECT_FALSE(Decode(jpegReader, garbage));
    EXPECT_FALSE(QueryDimensions(jpegDimensions, garbage).answered);
}

TEST(JpegCodec, FileWithTooManyScansFails)
{
    // A valid progressive file that refines every coefficient of each
    // component one bit at a time: thousands of scans over a tiny picture.
    LibjpegFixture fixture{8, 8, 3, JCS_RGB, JCS_YCbCr, GradientImage(8, 8).rgb};
    std::vector<jpeg_scan_info> scans;
    scans.push_back(jpeg_scan_info{3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int component = 0; component < 3; ++component) {
        for (int coefficient = 1; coefficient < 64; ++coefficient) {
            scans.push_back(jpeg_scan_info{1, {component, 0, 0, 0}, coefficient, coefficient, 0, 10});
            for (int bit = 10; bit > 0; --bit)
                scans.push_back(jpeg_scan_info{1, {component, 0, 0, 0}, coefficient, coefficient, bit, bit - 1});
        }
    }
    ASSERT_GT(scans.size(), 1000u);
    fixture.scans = scans.data();
    fixture.scanCount = int(scans.size());
    const Bytes file = writeWithLibjpeg(fixture);
    EXPECT_FALSE(Decode(jpegReader, file));
    // The header alone is still readable.
    EXPECT_TRUE(QueryDimensions(jpegDimensions, file).answered);
}

namespace {

// Where a file's first scan data starts: after the scan header.
size_t scanDataStart(const Bytes &file)
{
    const size_t scan = findMarker(file, 0xDA);
    EXPECT_NE(scan, std::string::npos);
    return scan + 2 + (size_t(file[scan + 2]) << 8 | file[scan + 3]);
}

// The file with its scan data from offset on replaced by the end of image.
Bytes cutAt(const Bytes &file, size_t offset)
{
    Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(offset));
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    return cut;
}

// Samples in the fixture's colour space that vary enough to fill the scans.
LibjpegFixture busyFixture(uint32_t width, uint32_t height, int components, J_COLOR_SPACE inputSpace,
                           J_COLOR_SPACE fileSpace)
{
    LibjpegFixture fixture{width, height, components, inputSpace, fileSpace, Bytes(size_t(width) * height * components)};
    std::mt19937 random(7);
    for (uint8_t &sample : fixture.samples)
        sample = uint8_t(random());
    return fixture;
}

} // namespace

TEST(JpegCodec, DamagedScanDataIsRefused)
{
    struct Kind
    {
        const char *name;
        LibjpegFixture fixture;
    };
    std::vector<Kind> kinds = {
        {"baseline", busyFixture(64, 64, 3, JCS_RGB, JCS_YCbCr)},
        {"CMYK", busyFixture(64, 64, 4, JCS_CMYK, JCS_CMYK)},
        {"progressive", busyFixture(64, 64, 3, JCS_RGB, JCS_YCbCr)},
        {"restart markers", busyFixture(64, 64, 3, JCS_RGB, JCS_YCbCr)},
    };
    kinds[2].fixture.progressive = true;
    kinds[3].fixture.restartInterval = 1;
    for (const Kind &kind : kinds) {
        SCOPED_TRACE(kind.name);
        const Bytes good = writeWithLibjpeg(kind.fixture);
        ASSERT_TRUE(Decode(jpegReader, good));
        const size_t data = scanDataStart(good);
        const size_t middle = data + (good.size() - data) / 2;

        struct Damage
        {
            const char *name;
            Bytes file;
        };
        std::vector<Damage> damages;
        // The first scan ends early at the end of image.
        damages.push_back({"scan cut short", cutAt(good, data + 40)});
        // Sixteen one bits are no Huffman code. (libjpeg-turbo's fast path
        // for sequential scans reads one as zero and says nothing; the
        // progressive decoder warns.)
        if (kind.fixture.progressive) {
            Bytes badCode = good;
            for (size_t i = middle; i < middle + 8; i += 2) {
                badCode[i] = 0xFF;
                badCode[i + 1] = 0x00;
            }
            damages.push_back({"bad code", badCode});
        }
        // A restart marker out of its turn: the decoder must skip data to resynchronise.
        if (kind.fixture.restartInterval) {
            Bytes lostRestart = good;
            size_t marker = middle;
            while (!(lostRestart[marker] == 0xFF && (lostRestart[marker + 1] & 0xF8) == 0xD0))
                ++marker;
            lostRestart[marker + 1] = uint8_t(0xD0 | ((lostRestart[marker + 1] + 3) & 7));
            damages.push_back({"restart marker out of turn", lostRestart});
        }
        for (const Damage &damage : damages) {
            SCOPED_TRACE(damage.name);
            EXPECT_FALSE(Decode(jpegReader, damage.file));
            HIMGSRC source = OpenBytes(damage.file);
            uint32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
            EXPECT_EQ(ImgReadJPGToRGBReduced(source, 8, 8, &width, &height, &fullWidth, &fullHeight), nullptr);
            ImgCloseSource(source);
            // The header is whole: the size is still known.
            EXPECT_TRUE(QueryDimensions(jpegDimensions, damage.file).answered);
        }
    }
}

TEST(JpegCodec, StrayBytesBeforeAMarkerLoseNothing)
{
    const Bytes good = Encode(writeJpeg, GradientImage(32, 16));
    const auto expected = Decode(jpegReader, good);
    ASSERT_TRUE(expected);
    // Some writers pad between markers; libjpeg warns and reads on.
    Bytes padded = good;
    const size_t frame = findMarker(good, 0xC0);
    ASSERT_NE(frame, std::string::npos);
    padded.insert(padded.begin() + std::ptrdiff_t(frame), {0x00, 0x12, 0x34});
    const auto decoded = Decode(jpegReader, padded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgb, expected->rgb);
}

TEST(JpegCodec, TheMostCompressibleFilesStillRead)
{
    // A blank picture is the least data a real file holds for its size. The
    // densest of all: a progressive DC scan of one bit a block, then one scan
    // of end-of-band runs for the rest.
    std::vector<jpeg_scan_info> densest = {jpeg_scan_info{1, {0, 0, 0, 0}, 0, 0, 0, 0},
                                           jpeg_scan_info{1, {0, 0, 0, 0}, 1, 63, 0, 0}};
    struct Case
    {
        const char *name;
        int components;
        J_COLOR_SPACE inputSpace, fileSpace;
        bool progressive;
        std::vector<jpeg_scan_info> *scans;
    };
    for (const Case &c : {Case{"grey baseline", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, nullptr},
                          Case{"grey progressive", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, true, nullptr},
                          Case{"colour progressive", 3, JCS_RGB, JCS_YCbCr, true, nullptr},
                          Case{"grey, one bit a block", 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, &densest}}) {
        SCOPED_TRACE(c.name);
        LibjpegFixture fixture{2048, 2048, c.components, c.inputSpace, c.fileSpace,
                               Bytes(size_t(2048) * 2048 * c.components, 0x80)};
        fixture.progressive = c.progressive;
        if (c.scans) {
            fixture.scans = c.scans->data();
            fixture.scanCount = int(c.scans->size());
        }
        const Bytes file = writeWithLibjpeg(fixture);
        const auto decoded = Decode(jpegReader, file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, 2048u);
        EXPECT_EQ(decoded->height, 2048u);
        const auto [low, high] = std::minmax_element(decoded->rgb.begin(), decoded->rgb.end());
        EXPECT_GE(*low, 0x7E);
        EXPECT_LE(*high, 0x82);
    }
}

TEST(JpegCodec, ManyScansOverABlankPictureFail)
{
    // Hundreds of scans refining a blank picture bit by bit: each costs a
    // few bytes and a pass over every block.
    std::vector<jpeg_scan_info> scans = {jpeg_scan_info{1, {0, 0, 0, 0}, 0, 0, 0, 0}};
    for (int coefficient = 1; coefficient < 64; ++coefficient) {
        scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, coefficient, coefficient, 0, 10});
        for (int bit = 10; bit > 0; --bit)
            scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, coefficient, coefficient, bit, bit - 1});
    }
    ASSERT_LT(scans.size(), 1000u);
    LibjpegFixture fixture{1024, 1024, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, Bytes(size_t(1024) * 1024, 0x80)};
    fixture.scans = scans.data();
    fixture.scanCount = int(scans.size());
    const Bytes file = writeWithLibjpeg(fixture);
    EXPECT_FALSE(Decode(jpegReader, file));
    EXPECT_TRUE(QueryDimensions(jpegDimensions, file).answered);
    // The same picture in the library's own progression reads.
    fixture.scans = nullptr;
    fixture.scanCount = 0;
    fixture.progressive = true;
    EXPECT_TRUE(Decode(jpegReader, writeWithLibjpeg(fixture)));
}

TEST(JpegCodec, RefusesMissingArguments)
{
    const RgbImage image = GradientImage(4, 4);
    Bytes buffer(4096);
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(ImgWriteRGBToJPG(nullptr, image.rgb.data(), 4, 4, 90, 0), 0u);
    EXPECT_EQ(ImgWriteRGBToJPG(destination, nullptr, 4, 4, 90, 0), 0u);
    EXPECT_EQ(ImgWriteRGBToJPG(destination, image.rgb.data(), 0, 4, 90, 0), 0u);
    EXPECT_EQ(ImgWriteRGBToJPG(destination, image.rgb.data(), 70000, 1, 90, 0), 0u);
    ImgCloseDest(destination);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(ImgReadJPGToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetJPGDims(nullptr, &width, &height, nullptr));
}
