#include "CodecTestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <random>

#include <gif_lib.h>

namespace {

const Reader gifReader = ImgReadGIFToRGB;
const DimensionQuery gifDimensions = ImgGetGIFDims;

int appendToBytes(GifFileType *gif, const GifByteType *data, int count)
{
    auto *bytes = static_cast<Bytes *>(gif->UserData);
    bytes->insert(bytes->end(), data, data + count);
    return count;
}

std::vector<GifColorType> randomColours(int count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<GifColorType> colours(static_cast<size_t>(count));
    for (GifColorType &colour : colours)
        colour = GifColorType{uint8_t(random()), uint8_t(random()), uint8_t(random())};
    return colours;
}

struct Frame
{
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<GifColorType> localColours;   // empty: the global table
    int transparentIndex = NO_TRANSPARENT_COLOR;
    std::vector<uint8_t> indices;              // width x height, top-down
};

struct GifFixture
{
    int screenWidth = 0, screenHeight = 0;
    std::vector<GifColorType> globalColours;   // empty: none
    int backgroundIndex = 0;
    std::vector<Frame> frames;
};

Frame noiseFrame(int left, int top, int width, int height, uint32_t seed, int colourCount = 256)
{
    Frame frame;
    frame.left = left, frame.top = top, frame.width = width, frame.height = height;
    std::mt19937 random(seed);
    frame.indices.resize(size_t(width) * height);
    for (uint8_t &index : frame.indices)
        index = uint8_t(random() % uint32_t(colourCount));
    return frame;
}

// The rows of a frame in the order an interlaced file stores them.
std::vector<int> storedRowOrder(const Frame &frame)
{
    std::vector<int> order;
    if (!frame.interlaced) {
        for (int y = 0; y < frame.height; ++y)
            order.push_back(y);
        return order;
    }
    for (const auto &[start, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}, std::pair{1, 2}})
        for (int y = start; y < frame.height; y += step)
            order.push_back(y);
    return order;
}

Bytes writeGif(const GifFixture &fixture)
{
    Bytes bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, appendToBytes, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject *global = fixture.globalColours.empty()
                                 ? nullptr
                                 : GifMakeMapObject(int(fixture.globalColours.size()), fixture.globalColours.data());
    EGifPutScreenDesc(gif, fixture.screenWidth, fixture.screenHeight, 8, fixture.backgroundIndex, global);
    for (const Frame &frame : fixture.frames) {
        if (frame.transparentIndex != NO_TRANSPARENT_COLOR) {
            GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 10, frame.transparentIndex};
            GifByteType extension[4];
            EGifGCBToExtension(&control, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        ColorMapObject *local = frame.localColours.empty()
                                    ? nullptr
                                    : GifMakeMapObject(int(frame.localColours.size()), frame.localColours.data());
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local);
        std::vector<GifPixelType> line(size_t(frame.width));
        for (int y : storedRowOrder(frame)) {
            std::copy_n(&frame.indices[size_t(y) * frame.width], frame.width, line.begin());
            EGifPutLine(gif, line.data(), frame.width);
        }
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return bytes;
}

// The first frame over its screen, as the reader must make it.
RgbImage expectedPicture(const GifFixture &fixture)
{
    RgbImage image{uint32_t(fixture.screenWidth), uint32_t(fixture.screenHeight), {}};
    GifColorType background{255, 255, 255};
    if (!fixture.globalColours.empty())
        background = fixture.globalColours[size_t(fixture.backgroundIndex)];
    for (int i = 0; i < fixture.screenWidth * fixture.screenHeight; ++i)
        image.rgb.insert(image.rgb.end(), {background.Red, background.Green, background.Blue});
    const Frame &frame = fixture.frames.front();
    const auto &colours = frame.localColours.empty() ? fixture.globalColours : frame.localColours;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const int screenX = frame.left + x, screenY = frame.top + y;
            const uint8_t index = frame.indices[size_t(y) * frame.width + x];
            if (screenX >= fixture.screenWidth || screenY >= fixture.screenHeight || index == frame.transparentIndex)
                continue;
            uint8_t *pixel = &image.rgb[(size_t(screenY) * fixture.screenWidth + screenX) * 3];
            pixel[0] = colours[index].Red, pixel[1] = colours[index].Green, pixel[2] = colours[index].Blue;
        }
    }
    return image;
}

GifFixture simpleFixture()
{
    GifFixture fixture;
    fixture.screenWidth = 23;
    fixture.screenHeight = 17;
    fixture.globalColours = randomColours(256, 1);
    fixture.frames.push_back(noiseFrame(0, 0, 23, 17, 2));
    return fixture;
}

} // namespace

TEST(GifCodec, FirstFrameIsComposedOnItsScreen)
{
    struct Case
    {
        const char *name;
        GifFixture fixture;
    };
    std::vector<Case> cases;
    cases.push_back({"whole screen", simpleFixture()});
    {
        GifFixture fixture = simpleFixture();
        fixture.backgroundIndex = 7;
        fixture.frames[0] = noiseFrame(5, 3, 10, 9, 3);
        fixture.frames[0].transparentIndex = 42;
        for (size_t i = 0; i < fixture.frames[0].indices.size(); i += 3)
            fixture.frames[0].indices[i] = 42;
        cases.push_back({"placed frame, transparent as background", fixture});
    }
    {
        GifFixture fixture = simpleFixture();
        fixture.frames[0] = noiseFrame(0, 0, 23, 17, 4, 16);
        fixture.frames[0].localColours = randomColours(16, 9);
        cases.push_back({"local colour table", fixture});
    }
    {
        GifFixture fixture = simpleFixture();
        fixture.frames[0].interlaced = true;
        cases.push_back({"interlaced", fixture});
    }
    {
        GifFixture fixture = simpleFixture();
        fixture.frames[0] = noiseFrame(15, 10, 20, 20, 5);
        cases.push_back({"frame beyond the screen is clipped", fixture});
    }
    {
        GifFixture fixture = simpleFixture();
        fixture.frames.push_back(noiseFrame(0, 0, 23, 17, 6));
        cases.push_back({"later frames are not drawn", fixture});
    }
    {
        GifFixture fixture = simpleFixture();
        fixture.globalColours.clear();
        fixture.frames[0] = noiseFrame(2, 2, 8, 8, 7, 4);
        fixture.frames[0].localColours = randomColours(4, 10);
        cases.push_back({"no global table: white screen", fixture});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = writeGif(c.fixture);
        const auto decoded = Decode(gifReader, file);
        ASSERT_TRUE(decoded);
        const RgbImage expected = expectedPicture(c.fixture);
        EXPECT_EQ(decoded->width, expected.width);
        EXPECT_EQ(decoded->height, expected.height);
        EXPECT_EQ(decoded->rgb, expected.rgb);
        const Dimensions dimensions = QueryDimensions(gifDimensions, file);
        EXPECT_TRUE(dimensions.answered);
        EXPECT_EQ(dimensions.width, expected.width);
        EXPECT_EQ(dimensions.height, expected.height);
    }
}

TEST(GifCodec, DimensionQueryGivesTheGlobalTableDepth)
{
    EXPECT_EQ(QueryDimensions(gifDimensions, writeGif(simpleFixture())).bits, 8u);
    GifFixture fixture = simpleFixture();
    fixture.globalColours.resize(16);
    fixture.frames[0] = noiseFrame(0, 0, 23, 17, 2, 16);
    EXPECT_EQ(QueryDimensions(gifDimensions, writeGif(fixture)).bits, 4u);
    fixture.globalColours.clear();
    fixture.frames[0].localColours = randomColours(16, 3);
    EXPECT_EQ(QueryDimensions(gifDimensions, writeGif(fixture)).bits, 0u);
}

TEST(GifCodec, EveryTruncationFails)
{
    GifFixture fixture = simpleFixture();
    fixture.screenWidth = 9;
    fixture.screenHeight = 7;
    fixture.globalColours.resize(16);
    fixture.frames[0] = noiseFrame(1, 1, 6, 5, 2, 16);
    fixture.frames[0].transparentIndex = 3;
    ExpectEveryTruncationFails(gifReader, writeGif(fixture));
}

TEST(GifCodec, HostileFilesFailCleanly)
{
    // Logical screen: "GIF89a", width (2), height (2), packed, background, aspect.
    struct Case
    {
        const char *name;
        uint16_t width, height;
    };
    for (const Case &c : {Case{"zero width", 0, 17}, Case{"zero height", 23, 0}, Case{"over the pixel limit", 65535, 65535}}) {
        SCOPED_TRACE(c.name);
        Bytes file = writeGif(simpleFixture());
        PutLittleEndian16(file, 6, c.width);
        PutLittleEndian16(file, 8, c.height);
        EXPECT_FALSE(Decode(gifReader, file));
        EXPECT_FALSE(QueryDimensions(gifDimensions, file).answered);
    }

    // A frame that claims to be vast over a small screen, with almost no data.
    GifFixture vast = simpleFixture();
    vast.frames[0] = noiseFrame(0, 0, 2, 2, 1);
    Bytes file = writeGif(vast);
    const size_t descriptor = 13 + 768;   // after the screen and its table
    ASSERT_EQ(file[descriptor], ',');
    PutLittleEndian16(file, descriptor + 5, 65535);
    PutLittleEndian16(file, descriptor + 7, 65535);
    EXPECT_FALSE(Decode(gifReader, file));

    // Indices past a 4-entry global table: the table is cut down after the
    // frame was written with 8-bit codes.
    Bytes shortTable = writeGif(simpleFixture());
    shortTable[10] = uint8_t((shortTable[10] & ~0x07) | 0x01);
    shortTable.erase(shortTable.begin() + 13 + 12, shortTable.begin() + 13 + 768);
    const auto decoded = Decode(gifReader, shortTable);
    ASSERT_TRUE(decoded);
    const std::vector<GifColorType> colours = randomColours(256, 1);
    const Frame frame = simpleFixture().frames[0];
    for (size_t i = 0; i < frame.indices.size(); ++i) {
        const GifColorType colour = colours[frame.indices[i] < 4 ? frame.indices[i] : 0];
        ASSERT_EQ(decoded->rgb[i * 3], colour.Red) << i;
    }

    // What follows the first frame is not judged.
    Bytes oddTrailer = writeGif(simpleFixture());
    oddTrailer.back() = 0x00;
    EXPECT_TRUE(Decode(gifReader, oddTrailer));

    EXPECT_FALSE(Decode(gifReader, Bytes{'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_FALSE(Decode(gifReader, Bytes(100, 0x47)));
}

TEST(GifCodec, ScreenIsBoundedByWhatTheFileCouldFill)
{
    GifFixture onePixel = simpleFixture();
    onePixel.frames[0] = noiseFrame(0, 0, 1, 1, 3);
    struct Case
    {
        const char *name;
        uint16_t screenWidth, screenHeight;
        bool readable;
    };
    const Case cases[] = {
        {"a one-pixel frame on a modest screen", 300, 200, true},
        {"a one-pixel frame on a vast screen", 8192, 8192, false},
        {"the largest screen behind a one-pixel frame", 16384, 16384, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GifFixture fixture = onePixel;
        fixture.screenWidth = c.screenWidth;
        fixture.screenHeight = c.screenHeight;
        const Bytes file = writeGif(fixture);
        const auto decoded = Decode(gifReader, file);
        EXPECT_EQ(decoded.has_value(), c.readable);
        EXPECT_EQ(QueryDimensions(gifDimensions, file).answered, c.readable);
        if (decoded) {
            EXPECT_EQ(decoded->rgb, expectedPicture(fixture).rgb);
        }
    }

    // 24 bytes: the largest screen, no colour table, a one-pixel frame and
    // no data at all.
    Bytes tiny = {'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 0, 0x40, 0, 0, 0, ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2};
    ASSERT_EQ(tiny.size(), 24u);
    EXPECT_FALSE(Decode(gifReader, tiny));
    EXPECT_FALSE(QueryDimensions(gifDimensions, tiny).answered);
}

TEST(GifCodec, RefusesMissingArguments)
{
    uint32_t width = 0, height = 0;
    EXPECT_EQ(ImgReadGIFToRGB(nullptr, &width, &height), nullptr);
    EXPECT_FALSE(ImgGetGIFDims(nullptr, &width, &height, nullptr));
}
