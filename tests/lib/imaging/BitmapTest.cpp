#include <lib/imaging/Bitmap.h>
#include <lib/imaging/ImgLib.h>

#include "../../TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A top-down RGB buffer whose every byte differs: channel c of pixel (x, y).
std::vector<unsigned char> patternRGB(int width, int height)
{
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 7 + 3);
    return rgb;
}

std::vector<unsigned char> roundTrip(const CBitmap &bitmap, unsigned &width, unsigned &height)
{
    std::unique_ptr<unsigned char[]> rgb(bitmap.NewRGB(width, height));
    return std::vector<unsigned char>(rgb.get(), rgb.get() + size_t(width) * height * 3);
}

// A bitmap of the given depth with a palette, as a platform would hand it over.
struct Dib
{
    std::vector<unsigned char> block;
    BITMAPINFOHEADER *header() { return reinterpret_cast<BITMAPINFOHEADER *>(block.data()); }
    unsigned char *bits() { return block.data() + sizeof(BITMAPINFOHEADER) + paletteBytes; }
    size_t paletteBytes = 0;
};

Dib makeDib(int width, int height, WORD depth, std::vector<RGBQUAD> palette, std::vector<unsigned char> rows)
{
    Dib dib;
    dib.paletteBytes = palette.size() * sizeof(RGBQUAD);
    dib.block.resize(sizeof(BITMAPINFOHEADER) + dib.paletteBytes + rows.size());
    *dib.header() = BITMAPINFOHEADER{40, width, height, 1, depth, BI_RGB, 0, 0, 0, DWORD(palette.size()), 0};
    std::copy(palette.begin(), palette.end(), reinterpret_cast<RGBQUAD *>(dib.block.data() + sizeof(BITMAPINFOHEADER)));
    std::copy(rows.begin(), rows.end(), dib.bits());
    return dib;
}

// Blue, green, red of pixel x in stored row `row` of a 24-bit bitmap.
std::array<int, 3> pixel(const CBitmap &bitmap, int x, int row)
{
    const unsigned char *p = bitmap.GetBits() + size_t(row) * CBitmap::GetBytesNextLine(bitmap.Width(), 24) + 3 * x;
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(CBitmap, RowStrides)
{
    const struct { int width, bits, stride; } cases[] = {{1, 24, 4}, {5, 24, 16}, {9, 1, 4}, {3, 8, 4}, {33, 1, 8}, {7, 4, 4}};
    for (const auto &c : cases)
        EXPECT_EQ(CBitmap::GetBytesNextLine(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(CBitmap::GetImageSize(CSize(3, 2)), 24);
}

TEST(CBitmap, RGBRoundTripsForOddWidthsWithoutPaddingLeaking)
{
    for (int width : {1, 2, 3, 5, 7}) {
        SCOPED_TRACE(width);
        const std::vector<unsigned char> rgb = patternRGB(width, 3);
        CBitmap bitmap(rgb.data(), CSize(width, 3));
        EXPECT_EQ(bitmap.GetHeader()->biSize, 40u);
        EXPECT_EQ(bitmap.GetHeader()->biBitCount, 24);
        EXPECT_EQ(bitmap.GetHeader()->biXPelsPerMeter, 2800);
        unsigned w = 0, h = 0;
        EXPECT_EQ(roundTrip(bitmap, w, h), rgb);
        EXPECT_EQ(w, unsigned(width));
        EXPECT_EQ(h, 3u);
        // Bottom-up, blue first: the first top-down pixel is the last stored row's first.
        EXPECT_EQ(pixel(bitmap, 0, 2), (std::array<int, 3>{rgb[2], rgb[1], rgb[0]}));
    }
}

TEST(CBitmap, EmptyAndOversizedSizesGiveAnEmptyBitmap)
{
    const unsigned char one[3] = {1, 2, 3};
    for (const CSize size : {CSize(0, 1), CSize(1, 0), CSize(-1, 1), CSize(1 << 15, 1 << 14)}) {
        CBitmap bitmap(one, size);
        EXPECT_TRUE(bitmap.IsEmpty());
        unsigned w = 9, h = 9;
        EXPECT_EQ(bitmap.NewRGB(w, h), nullptr);
        EXPECT_EQ(w, 0u);
    }
}

TEST(CBitmap, FromBitmapsOfEveryDepth)
{
    const std::vector<RGBQUAD> palette = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    {
        // 1 bit, 9 pixels: bits 1,0,1,... then the ninth in the next byte.
        Dib dib = makeDib(9, 1, 1, palette, {0xA0, 0x80, 0, 0});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{40, 50, 60}));
        EXPECT_EQ(pixel(bitmap, 1, 0), (std::array<int, 3>{10, 20, 30}));
        EXPECT_EQ(pixel(bitmap, 8, 0), (std::array<int, 3>{40, 50, 60}));
    }
    {
        // 4 bits: high nibble first; index 15 lies past the three-entry palette.
        Dib dib = makeDib(3, 1, 4, palette, {0x21, 0xF0, 0, 0});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{70, 80, 90}));
        EXPECT_EQ(pixel(bitmap, 1, 0), (std::array<int, 3>{40, 50, 60}));
        EXPECT_EQ(pixel(bitmap, 2, 0), (std::array<int, 3>{0, 0, 0}));
    }
    {
        Dib dib = makeDib(2, 1, 8, palette, {2, 200, 0, 0});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{70, 80, 90}));
        EXPECT_EQ(pixel(bitmap, 1, 0), (std::array<int, 3>{0, 0, 0}));
    }
    {
        Dib dib = makeDib(2, 1, 16, {}, {0xFF, 0x7F, 0x1F, 0x00});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{248, 248, 248}));
        EXPECT_EQ(pixel(bitmap, 1, 0), (std::array<int, 3>{248, 0, 0}));
    }
    {
        Dib dib = makeDib(1, 1, 32, {}, {1, 2, 3, 99});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{1, 2, 3}));
    }
    {
        // Top-down (the top row first) is turned over into the bitmap's
        // bottom-up rows, so that the picture stays upright.
        Dib dib = makeDib(1, -2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0});
        CBitmap bitmap(dib.header(), dib.bits());
        EXPECT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{4, 5, 6}));
        EXPECT_EQ(pixel(bitmap, 0, 1), (std::array<int, 3>{1, 2, 3}));
        Dib bottomUp = makeDib(1, 2, 24, {}, {4, 5, 6, 0, 1, 2, 3, 0});
        unsigned width = 0, height = 0;
        const CBitmap same(bottomUp.header(), bottomUp.bits());
        EXPECT_EQ(roundTrip(bitmap, width, height), roundTrip(same, width, height));
    }
    Dib odd = makeDib(1, 1, 2, {}, {0, 0, 0, 0});
    EXPECT_TRUE(CBitmap(odd.header(), odd.bits()).IsEmpty());
}

TEST(CBitmap, EffectsThatUndoThemselves)
{
    const std::vector<unsigned char> rgb = patternRGB(3, 2);
    CBitmap bitmap(rgb.data(), CSize(3, 2));
    unsigned w = 0, h = 0;
    bitmap.Negate();
    EXPECT_NE(roundTrip(bitmap, w, h), rgb);
    bitmap.Negate();
    EXPECT_EQ(roundTrip(bitmap, w, h), rgb);
    bitmap.HFlip();
    const std::vector<unsigned char> flipped = roundTrip(bitmap, w, h);
    EXPECT_EQ(std::vector<unsigned char>(flipped.begin(), flipped.begin() + 3),
              std::vector<unsigned char>(rgb.begin() + 6, rgb.begin() + 9));
    bitmap.HFlip();
    bitmap.Rotate(1);
    bitmap.Rotate(1);
    EXPECT_EQ(roundTrip(bitmap, w, h), rgb);
    bitmap.Rotate(0);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 3);
    bitmap.Rotate(2);
    EXPECT_EQ(roundTrip(bitmap, w, h), rgb);
}

TEST(CBitmap, LibraryEffectsKeepTheSizeAndChangeThePixels)
{
    const std::vector<unsigned char> rgb = patternRGB(8, 8);
    CBitmap bitmap(rgb.data(), CSize(8, 8));
    unsigned w = 0, h = 0;
    bitmap.Blur(3);
    EXPECT_NE(roundTrip(bitmap, w, h), rgb);
    EXPECT_EQ(w, 8u);
    bitmap.Sharpen(3);
    bitmap.ApplyBrightnessContrast(0, 0);
    EXPECT_EQ(bitmap.Width(), 8);
    bitmap.Rotate(45.0, 0xFFFFFF);
    EXPECT_GT(bitmap.Width(), 8);
    EXPECT_EQ(pixel(bitmap, 0, 0), (std::array<int, 3>{255, 255, 255}));   // a corner is background
}

TEST(CBitmap, FiltersFromSeveralThreads)
{
    const CSize size(320, 240);
    const std::vector<unsigned char> rgb = patternRGB(size.cx, size.cy);
    const auto filtered = [&] {
        CBitmap bitmap(rgb.data(), size);
        bitmap.Sharpen(2);
        bitmap.Blur(1);
        const unsigned char *bits = bitmap.GetBits();
        return std::vector<unsigned char>(bits, bits + CBitmap::GetImageSize(size));
    };
    const std::vector<unsigned char> alone = filtered();
    ASSERT_NE(alone, std::vector<unsigned char>(alone.size(), 0));
    std::vector<int> differing(4, 0);   // by thread: results unlike the one made alone
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i)
                differing[size_t(t)] += filtered() != alone ? 1 : 0;
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(differing, std::vector<int>(4, 0));
}

TEST(CBitmap, PaintsUprightWithoutACopy)
{
    const unsigned char rgb[] = {255, 0, 0, 0, 255, 0,    // red, green
                                 0, 0, 255, 255, 255, 255};   // blue, white
    CBitmap bitmap(rgb, CSize(2, 2));
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    bitmap.Paint(&painter, 1, 1, false, nullptr);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(2, 1), QColor(Qt::green));
    EXPECT_EQ(canvas.pixelColor(1, 2), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::black));
}

// A quarter turn of the bitmap gives the library's quarter turn of its
// pixels, across tile edges and odd row paddings too.
TEST(CBitmap, QuarterTurnsMatchTheLibrarysTurnOfThePixels)
{
    for (const CSize size : {CSize(3, 2), CSize(70, 131), CSize(129, 65)}) {
        for (const int code : {0, 2}) {
            SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy << " code " << code);
            std::vector<unsigned char> rgb(size_t(size.cx) * size_t(size.cy) * 3);
            for (size_t i = 0; i < rgb.size(); ++i)
                rgb[i] = static_cast<unsigned char>(i * 31 % 251);
            CBitmap bitmap(rgb.data(), size);
            bitmap.Rotate(code);
            ASSERT_TRUE(ImgQuickRotateRGB(rgb.data(), uint32_t(size.cx), uint32_t(size.cy), uint32_t(code)));
            ASSERT_EQ(bitmap.Width(), size.cy);
            ASSERT_EQ(bitmap.Height(), size.cx);
            unsigned width = 0, height = 0;
            const std::unique_ptr<unsigned char[]> turned(bitmap.NewRGB(width, height));
            EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), turned.get()));
        }
    }
}

// Under a clip, whatever the painter's transform, the part inside it paints
// as it would unclipped, and nothing outside it.
TEST(CBitmap, PaintsWhatTheClipLetsThroughUnderATransform)
{
    std::vector<unsigned char> rgb(size_t(16) * 12 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(i * 29 % 253);
    CBitmap bitmap(rgb.data(), CSize(16, 12));
    const auto paint = [&](const QRect *clip) {
        QImage canvas(40, 30, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        painter.translate(7, 5);
        if (clip)
            painter.setClipRect(*clip);
        bitmap.Paint(&painter, 3, 2, false, nullptr);
        return canvas;
    };
    const QImage whole = paint(nullptr);
    const QRect clip(6, 4, 5, 6);   // in the painter's coordinates
    const QImage clipped = paint(&clip);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = clip.translated(7, 5).contains(x, y);
            EXPECT_EQ(clipped.pixel(x, y), inside ? whole.pixel(x, y) : qRgb(0, 0, 0)) << x << "," << y;
        }
}

TEST(CBitmap, WritesABmpFileOrLeavesTheOldOne)
{
    const std::vector<unsigned char> rgb = patternRGB(3, 2);
    CBitmap bitmap(rgb.data(), CSize(3, 2));
    const CPath path(TestWindowsPath("out.bmp").toUtf8().constData());
    ASSERT_TRUE(bitmap.WriteBMP(path));
    const QByteArray bytes = ReadHostFile(TestHostFolder() + "/out.bmp");
    ASSERT_EQ(bytes.size(), 14 + 40 + 24);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(uint8_t(bytes[10]), 54);
    uint32_t fileSize = 0;
    std::memcpy(&fileSize, bytes.constData() + 2, sizeof fileSize);
    EXPECT_EQ(fileSize, 78u);

    const QImage image(QString::fromStdString(TestHostFolder() + "/out.bmp"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(rgb[0], rgb[1], rgb[2]));

    // A folder in the way: the write fails and the folder stays.
    std::filesystem::create_directory(TestHostFolder() + "/dir.bmp");
    EXPECT_FALSE(bitmap.WriteBMP(CPath(TestWindowsPath("dir.bmp").toUtf8().constData())));
    EXPECT_TRUE(std::filesystem::is_directory(TestHostFolder() + "/dir.bmp"));
    EXPECT_FALSE(CBitmap().WriteBMP(path));
}
