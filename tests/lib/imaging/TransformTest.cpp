#include "RasterTestSupport.h"

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

using namespace RasterTest;

namespace {

struct Image
{
    uint32_t width = 0;
    uint32_t height = 0;
    Pixels rgb;
};

// A picture one letter a pixel, rows given top to bottom.
Image lettered(uint32_t width, const std::string &letters)
{
    return {width, uint32_t(letters.size() / width), PixelsFromLetters(letters)};
}

// A grey picture from its levels.
Image greys(uint32_t width, const std::vector<uint8_t> &levels)
{
    Image image{width, uint32_t(levels.size() / width), {}};
    for (uint8_t level : levels)
        image.rgb.insert(image.rgb.end(), {level, level, level});
    return image;
}

Image flat(uint32_t width, uint32_t height, uint8_t red, uint8_t green, uint8_t blue)
{
    Image image{width, height, {}};
    for (size_t i = 0; i < size_t(width) * height; ++i)
        image.rgb.insert(image.rgb.end(), {red, green, blue});
    return image;
}

std::vector<uint8_t> redChannel(const Pixels &rgb)
{
    std::vector<uint8_t> levels;
    for (size_t i = 0; i < rgb.size(); i += 3)
        levels.push_back(rgb[i]);
    return levels;
}

Image rotated(const Image &image, double angle, COLORREF background = 0)
{
    Image result;
    HGLOBAL block = ImgRotateRGB(image.rgb.data(), image.width, image.height, angle, background, &result.width,
                                 &result.height);
    if (!block)
        return result;
    const auto *bytes = static_cast<const uint8_t *>(block);
    result.rgb.assign(bytes, bytes + size_t(result.width) * result.height * 3);
    GlobalFree(block);
    return result;
}

Image resized(const Image &image, uint32_t width, uint32_t height)
{
    Image result{width, height, Pixels(size_t(width) * height * 3, 0xEE)};
    EXPECT_TRUE(ImgResizeRGB(image.rgb.data(), image.width, image.height, result.rgb.data(), width, height));
    return result;
}

} // namespace

TEST(ImgTransform, CopyBufferPacksAndUnpacksRows)
{
    const Pixels padded = {1, 2, 3, 4, 5, 6, 0xAA, 0xAA, 7, 8, 9, 10, 11, 12, 0xAA, 0xAA};
    const Pixels packed = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

    Pixels out(12);
    EXPECT_TRUE(ImgCopyBuffer(padded.data(), 8, 2, 6, out.data()));
    EXPECT_EQ(out, packed);

    Pixels back(16, 0xEE);
    EXPECT_TRUE(ImgCopyBuffer(packed.data(), 6, 2, 8, back.data()));
    EXPECT_EQ(back, Pixels({1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE})) << "padding left alone";

    // One buffer repacked in place, both ways.
    Pixels inPlace = padded;
    EXPECT_TRUE(ImgCopyBuffer(inPlace.data(), 8, 2, 6, inPlace.data()));
    EXPECT_EQ(Pixels(inPlace.begin(), inPlace.begin() + 12), packed);
    EXPECT_TRUE(ImgCopyBuffer(inPlace.data(), 6, 2, 8, inPlace.data()));
    EXPECT_EQ(Pixels(inPlace.begin(), inPlace.begin() + 6), Pixels(packed.begin(), packed.begin() + 6));
    EXPECT_EQ(Pixels(inPlace.begin() + 8, inPlace.begin() + 14), Pixels(packed.begin() + 6, packed.end()));

    EXPECT_FALSE(ImgCopyBuffer(nullptr, 8, 2, 6, out.data()));
    EXPECT_FALSE(ImgCopyBuffer(padded.data(), 8, 2, 6, nullptr));
}

TEST(ImgTransform, VerticalFlipReversesRows)
{
    const struct { uint32_t rows; Pixels before, after; } cases[] = {
        {1, {1, 2}, {1, 2}},
        {2, {1, 2, 3, 4}, {3, 4, 1, 2}},
        {3, {1, 2, 3, 4, 5, 6}, {5, 6, 3, 4, 1, 2}},
        {4, {1, 2, 3, 4, 5, 6, 7, 8}, {7, 8, 5, 6, 3, 4, 1, 2}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.rows);
        EXPECT_TRUE(ImgVertFlipBuf(c.before.data(), 2, c.rows));
        EXPECT_EQ(c.before, c.after);
    }
    EXPECT_FALSE(ImgVertFlipBuf(nullptr, 2, 2));
}

TEST(ImgTransform, ChannelSwapAndHorizontalFlip)
{
    Image image = lettered(3, "rgb" "wky");
    ASSERT_TRUE(ImgRGBToBGR(image.rgb.data(), 3, 2));
    EXPECT_EQ(image.rgb, lettered(3, "bgr" "wkc").rgb);

    image = lettered(3, "rgb" "wky");
    ASSERT_TRUE(ImgFlipHorizontalRGB(image.rgb.data(), 3, 2));
    EXPECT_EQ(image.rgb, lettered(3, "bgr" "ykw").rgb);

    image = lettered(2, "rg" "bw");
    ASSERT_TRUE(ImgFlipHorizontalRGB(image.rgb.data(), 2, 2));
    EXPECT_EQ(image.rgb, lettered(2, "gr" "wb").rgb);
}

TEST(ImgTransform, GreyScaleUsesLumaWeights)
{
    const struct { uint8_t red, green, blue, grey; } cases[] = {
        {255, 0, 0, 76}, {0, 255, 0, 150}, {0, 0, 255, 29}, {255, 255, 255, 255}, {0, 0, 0, 0}, {10, 20, 30, 18},
        {128, 128, 128, 128},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.red) << ", " << int(c.green) << ", " << int(c.blue));
        Pixels pixel = {c.red, c.green, c.blue};
        ASSERT_TRUE(ImgRGBToGrayScale24(pixel.data(), 1, 1));
        EXPECT_EQ(pixel, Pixels({c.grey, c.grey, c.grey}));
    }
}

TEST(ImgTransform, QuickRotationCodes)
{
    // r g b        code 0, clockwise:   w r     code 2, anticlockwise:   b y     code 1:   y k w
    // w k y                             k g                              g k               b g r
    //                                   y b                              r w
    const struct { uint32_t code; uint32_t width; std::string letters; } cases[] = {
        {0, 2, "wr" "kg" "yb"},
        {1, 3, "ykw" "bgr"},
        {2, 2, "by" "gk" "rw"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        Image image = lettered(3, "rgb" "wky");
        ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), 3, 2, c.code));
        EXPECT_EQ(image.rgb, lettered(c.width, c.letters).rgb);
    }

    Image image = lettered(3, "rgb" "wky");
    EXPECT_FALSE(ImgQuickRotateRGB(image.rgb.data(), 3, 2, 3));
    EXPECT_EQ(image.rgb, lettered(3, "rgb" "wky").rgb) << "unknown code leaves the image";
}

TEST(ImgTransform, QuickRotationsUndoEachOther)
{
    const Image original{5, 3, PatternPixels(5, 3)};
    Image image = original;
    ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), 5, 3, 0));
    ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), 3, 5, 2));
    EXPECT_EQ(image.rgb, original.rgb) << "clockwise then anticlockwise";

    ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), 5, 3, 1));
    ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), 5, 3, 1));
    EXPECT_EQ(image.rgb, original.rgb) << "two half turns";

    uint32_t width = 5, height = 3;
    for (int turn = 0; turn < 4; ++turn) {
        ASSERT_TRUE(ImgQuickRotateRGB(image.rgb.data(), width, height, 0));
        std::swap(width, height);
    }
    EXPECT_EQ(image.rgb, original.rgb) << "four quarter turns";
}

TEST(ImgTransform, RotationByAnAngleMatchesTheQuickTurns)
{
    const Image original{5, 3, PatternPixels(5, 3)};
    const struct { const char *name; double angle; uint32_t code; } cases[] = {
        {"quarter turn clockwise", std::numbers::pi / 2, 0},
        {"half turn", std::numbers::pi, 1},
        {"quarter turn anticlockwise", -std::numbers::pi / 2, 2},
        {"three quarters clockwise", 3 * std::numbers::pi / 2, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Image quick = original;
        ASSERT_TRUE(ImgQuickRotateRGB(quick.rgb.data(), 5, 3, c.code));
        const Image turned = rotated(original, c.angle);
        EXPECT_EQ(turned.width, c.code == 1 ? 5u : 3u);
        EXPECT_EQ(turned.height, c.code == 1 ? 3u : 5u);
        EXPECT_EQ(turned.rgb, quick.rgb);
    }
    for (double angle : {0.0, 2 * std::numbers::pi}) {
        const Image same = rotated(original, angle);
        EXPECT_EQ(same.width, 5u);
        EXPECT_EQ(same.height, 3u);
        EXPECT_EQ(same.rgb, original.rgb);
    }
}

TEST(ImgTransform, RotationByFortyFiveDegreesFillsTheCorners)
{
    // COLORREF packs red in the low byte: 0xFF0000 is blue.
    const Image turned = rotated(flat(10, 10, 255, 255, 255), std::numbers::pi / 4, 0xFF0000);
    ASSERT_EQ(turned.width, 15u);   // 10 x sqrt(2), rounded up
    ASSERT_EQ(turned.height, 15u);
    const auto pixel = [&](uint32_t x, uint32_t y) {
        const uint8_t *p = &turned.rgb[(size_t(y) * turned.width + x) * 3];
        return Pixels(p, p + 3);
    };
    for (const auto &corner : {std::pair{0u, 0u}, {14u, 0u}, {0u, 14u}, {14u, 14u}})
        EXPECT_EQ(pixel(corner.first, corner.second), Pixels({0, 0, 255}));
    EXPECT_EQ(pixel(7, 7), Pixels({255, 255, 255}));
    EXPECT_EQ(pixel(7, 1), Pixels({255, 255, 255})) << "near a tip of the turned square";
    const Pixels edge = pixel(7, 0);   // the tip itself, partly covered
    EXPECT_GT(edge[0], 0);
    EXPECT_LT(edge[0], 255);
    EXPECT_EQ(edge[2], 255);
}

TEST(ImgTransform, RotationRefusesBadArguments)
{
    const Pixels pixel = {1, 2, 3};
    const struct { const char *name; const uint8_t *rgb; uint32_t width, height; double angle; } cases[] = {
        {"null image", nullptr, 1, 1, 0},
        {"no pixels", pixel.data(), 0, 1, 0},
        {"over the limit", pixel.data(), 1 << 15, 1 << 14, 0},
        {"not a number", pixel.data(), 1, 1, std::numeric_limits<double>::quiet_NaN()},
        {"infinite", pixel.data(), 1, 1, std::numeric_limits<double>::infinity()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t width = 9, height = 9;
        EXPECT_EQ(ImgRotateRGB(c.rgb, c.width, c.height, c.angle, 0, &width, &height), nullptr);
        EXPECT_EQ(width, 0u);
        EXPECT_EQ(height, 0u);
    }
}

TEST(ImgTransform, BlurHandWorked)
{
    // Radius 1 (amount 2), three passes: 255 spreads to 38, 57, 66, 57, 38
    // with each pass rounded; a single row is unchanged down the columns.
    Image image = greys(5, {0, 0, 255, 0, 0});
    Pixels out(image.rgb.size());
    ASSERT_TRUE(ImgBlurRGB(image.rgb.data(), 5, 1, out.data(), 2));
    EXPECT_EQ(redChannel(out), std::vector<uint8_t>({38, 57, 66, 57, 38}));
}

TEST(ImgTransform, BlurProperties)
{
    const Image dot = [] {
        Image image = flat(9, 9, 0, 0, 0);
        image.rgb[(4 * 9 + 4) * 3] = 255;
        return image;
    }();
    int lastPeak = 256;
    for (uint32_t amount : {2u, 6u, 12u}) {
        SCOPED_TRACE(amount);
        Pixels out(dot.rgb.size());
        ASSERT_TRUE(ImgBlurRGB(dot.rgb.data(), 9, 9, out.data(), amount));
        const std::vector<uint8_t> red = redChannel(out);
        // Mirrored about the centre lines, highest at the centre, and lower for more blur.
        for (size_t y = 0; y < 9; ++y)
            for (size_t x = 0; x < 9; ++x) {
                EXPECT_EQ(red[y * 9 + x], red[y * 9 + (8 - x)]);
                EXPECT_EQ(red[y * 9 + x], red[(8 - y) * 9 + x]);
                EXPECT_LE(red[y * 9 + x], red[4 * 9 + 4]);
            }
        EXPECT_GT(red[4 * 9 + 3], 0) << "the dot spreads";
        EXPECT_LT(red[4 * 9 + 4], lastPeak);
        lastPeak = red[4 * 9 + 4];
        EXPECT_EQ(out[(4 * 9 + 4) * 3 + 1], 0) << "channels stay apart";
    }

    // Amount 0 copies; a flat image stays flat; in place gives the same as into another buffer.
    const Image pattern{7, 5, PatternPixels(7, 5)};
    Pixels copy(pattern.rgb.size());
    ASSERT_TRUE(ImgBlurRGB(pattern.rgb.data(), 7, 5, copy.data(), 0));
    EXPECT_EQ(copy, pattern.rgb);
    const Image grey = flat(6, 4, 10, 100, 200);
    Pixels blurred(grey.rgb.size());
    ASSERT_TRUE(ImgBlurRGB(grey.rgb.data(), 6, 4, blurred.data(), 50));
    EXPECT_EQ(blurred, grey.rgb);
    Pixels separate(pattern.rgb.size()), inPlace = pattern.rgb;
    ASSERT_TRUE(ImgBlurRGB(pattern.rgb.data(), 7, 5, separate.data(), 5));
    ASSERT_TRUE(ImgBlurRGB(inPlace.data(), 7, 5, inPlace.data(), 5));
    EXPECT_EQ(inPlace, separate);
}

TEST(ImgTransform, SharpenHandWorked)
{
    // [0, 90, 0]: the middle's 3 x 3 mean is 30, so it moves by amount / 10 x 60.
    const struct { uint32_t amount; std::vector<uint8_t> expected; } cases[] = {
        {0, {0, 90, 0}}, {5, {0, 120, 0}}, {10, {0, 150, 0}}, {100, {0, 255, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        const Image image = greys(3, {0, 90, 0});
        Pixels out(image.rgb.size());
        ASSERT_TRUE(ImgSharpenRGB(image.rgb.data(), 3, 1, out.data(), c.amount));
        EXPECT_EQ(redChannel(out), c.expected);
    }

    const Image grey = flat(6, 4, 10, 100, 200);
    Pixels sharpened(grey.rgb.size());
    ASSERT_TRUE(ImgSharpenRGB(grey.rgb.data(), 6, 4, sharpened.data(), 80));
    EXPECT_EQ(sharpened, grey.rgb) << "a flat image has nothing to sharpen";

    const Image pattern{7, 5, PatternPixels(7, 5)};
    Pixels separate(pattern.rgb.size()), inPlace = pattern.rgb;
    ASSERT_TRUE(ImgSharpenRGB(pattern.rgb.data(), 7, 5, separate.data(), 8));
    ASSERT_TRUE(ImgSharpenRGB(inPlace.data(), 7, 5, inPlace.data(), 8));
    EXPECT_EQ(inPlace, separate);
}

TEST(ImgTransform, BrightnessAndContrast)
{
    const std::vector<uint8_t> levels = {0, 64, 128, 192, 255};
    const struct { const char *name; double brightness, contrast; std::vector<uint8_t> expected; } cases[] = {
        {"no change", 0, 0, {0, 64, 128, 192, 255}},
        {"full brightness is white", 1, 0, {255, 255, 255, 255, 255}},
        {"no brightness is black", -1, 0, {0, 0, 0, 0, 0}},
        {"past the limit is the limit", 3, 0, {255, 255, 255, 255, 255}},
        {"a fifth brighter", 0.2, 0, {51, 115, 179, 243, 255}},
        {"a fifth darker", -0.2, 0, {0, 13, 77, 141, 204}},
        {"no contrast is mid grey", 0, -1, {128, 128, 128, 128, 128}},
        {"half the contrast", 0, -0.5, {64, 96, 128, 160, 191}},
        {"full contrast is black and white", 0, 1, {0, 0, 255, 255, 255}},
        {"brighter, then full contrast", 0.3, 1, {0, 255, 255, 255, 255}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Image image = greys(5, levels);
        ASSERT_TRUE(ImgApplyBrightnessContrastToRGB(image.rgb.data(), 5, 1, c.brightness, c.contrast));
        EXPECT_EQ(redChannel(image.rgb), c.expected);
    }
    Image image = greys(5, levels);
    EXPECT_FALSE(ImgApplyBrightnessContrastToRGB(image.rgb.data(), 5, 1, std::nan(""), 0));
    EXPECT_EQ(redChannel(image.rgb), levels);
}

TEST(ImgTransform, ResizeHandWorked)
{
    // 3 x 3 to 2 x 2: each output pixel covers 1.5 x 1.5 input pixels, so the
    // corner takes 4/9, the edge neighbours 2/9 each and the centre 1/9.
    //   90   0 180
    //   45   9   0     ->   51 81
    //    0  36  72          19 41
    const Image square = greys(3, {90, 0, 180, 45, 9, 0, 0, 36, 72});
    EXPECT_EQ(redChannel(resized(square, 2, 2).rgb), std::vector<uint8_t>({51, 81, 19, 41}));

    // Channels kept apart: green the complement, blue flat.
    Image mixed = square;
    for (size_t i = 0; i < mixed.rgb.size(); i += 3) {
        mixed.rgb[i + 1] = uint8_t(255 - mixed.rgb[i]);
        mixed.rgb[i + 2] = 7;
    }
    EXPECT_EQ(resized(mixed, 2, 2).rgb, Pixels({51, 204, 7, 81, 174, 7, 19, 236, 7, 41, 214, 7}));

    // Enlarging interpolates between pixel centres and holds the edges.
    EXPECT_EQ(redChannel(resized(greys(2, {0, 200}), 4, 1).rgb), std::vector<uint8_t>({0, 50, 150, 200}));
    EXPECT_EQ(redChannel(resized(greys(1, {0, 200}), 1, 4).rgb), std::vector<uint8_t>({0, 50, 150, 200}));

    // Halving averages 2 x 2 blocks.
    const Image four = greys(4, {0, 4, 8, 8, 0, 4, 8, 8, 100, 100, 40, 0, 100, 100, 0, 40});
    EXPECT_EQ(redChannel(resized(four, 2, 2).rgb), std::vector<uint8_t>({2, 8, 100, 20}));

    // One axis shrinks while the other grows.
    EXPECT_EQ(redChannel(resized(greys(4, {10, 30, 100, 200}), 2, 3).rgb),
              std::vector<uint8_t>({20, 150, 20, 150, 20, 150}));
}

TEST(ImgTransform, ResizeKeepsFlatImagesFlat)
{
    const struct { uint32_t fromWidth, fromHeight, toWidth, toHeight; } cases[] = {
        {7, 5, 3, 2}, {3, 2, 7, 5}, {640, 1, 1, 1}, {5, 300, 2, 17}, {1, 1, 3, 2}, {1000, 3, 7, 9}, {6, 6, 6, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.fromWidth << " x " << c.fromHeight << " to " << c.toWidth << " x "
                                        << c.toHeight);
        const Image from = flat(c.fromWidth, c.fromHeight, 0, 131, 255);
        EXPECT_EQ(resized(from, c.toWidth, c.toHeight).rgb, flat(c.toWidth, c.toHeight, 0, 131, 255).rgb);
    }
}

TEST(ImgTransform, ResizeAveragesLargeReductions)
{
    std::vector<uint8_t> ramp;
    double total = 0;
    for (int i = 0; i < 5000; ++i) {
        ramp.push_back(uint8_t(i * 7 % 256));
        total += ramp.back();
    }
    const Image row = greys(5000, ramp);
    const int average = redChannel(resized(row, 1, 1).rgb)[0];
    EXPECT_NEAR(average, total / 5000, 1.0);
}

TEST(ImgTransform, ResizeRefusesBadArguments)
{
    Pixels in = PatternPixels(2, 2), out(12);
    EXPECT_FALSE(ImgResizeRGB(nullptr, 2, 2, out.data(), 2, 2));
    EXPECT_FALSE(ImgResizeRGB(in.data(), 2, 2, nullptr, 2, 2));
    EXPECT_FALSE(ImgResizeRGB(in.data(), 0, 2, out.data(), 2, 2));
    EXPECT_FALSE(ImgResizeRGB(in.data(), 2, 2, out.data(), 2, 0));
    EXPECT_FALSE(ImgResizeRGB(in.data(), 2, 2, in.data() + 3, 1, 1)) << "output inside the input";
    // Refused before the buffers are touched: they hold 4 pixels.
    EXPECT_FALSE(ImgResizeRGB(in.data(), 1 << 15, 1 << 14, out.data(), 2, 2));
    EXPECT_FALSE(ImgResizeRGB(in.data(), 2, 2, out.data(), 0xFFFFFFFF, 0xFFFFFFFF));
}

TEST(ImgTransform, InPlaceTransformsRefuseBadArguments)
{
    const std::pair<const char *, std::function<BOOL(uint8_t *, uint32_t, uint32_t)>> transforms[] = {
        {"channel swap", ImgRGBToBGR},
        {"horizontal flip", ImgFlipHorizontalRGB},
        {"grey scale", ImgRGBToGrayScale24},
        {"quick rotation", [](uint8_t *rgb, uint32_t w, uint32_t h) { return ImgQuickRotateRGB(rgb, w, h, 0); }},
        {"brightness", [](uint8_t *rgb, uint32_t w, uint32_t h) { return ImgApplyBrightnessContrastToRGB(rgb, w, h, 0.5, 0); }},
        {"blur", [](uint8_t *rgb, uint32_t w, uint32_t h) { return ImgBlurRGB(rgb, w, h, rgb, 3); }},
        {"sharpen", [](uint8_t *rgb, uint32_t w, uint32_t h) { return ImgSharpenRGB(rgb, w, h, rgb, 3); }},
    };
    for (const auto &[name, transform] : transforms) {
        SCOPED_TRACE(name);
        Pixels pixel = {1, 2, 3};
        EXPECT_FALSE(transform(nullptr, 1, 1));
        EXPECT_FALSE(transform(pixel.data(), 0, 1));
        EXPECT_FALSE(transform(pixel.data(), 1, 0));
        // Sizes whose byte count overflows or passes the limit, refused before the pixel is touched.
        EXPECT_FALSE(transform(pixel.data(), 0xFFFFFFFF, 0xFFFFFFFF));
        EXPECT_FALSE(transform(pixel.data(), 1 << 15, 1 << 14));
        EXPECT_EQ(pixel, Pixels({1, 2, 3}));
    }
}
