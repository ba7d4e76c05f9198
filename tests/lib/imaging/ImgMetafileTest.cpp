#include "CodecTestSupport.h"

#include "../../TestSupport.h"

#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const COLORREF ButtonFace = 0x00C0C0C0;
const COLORREF Red = 0x000000FF;

// Writes the bytes to a file of the test folder; answers its Windows path.
std::string metafileAt(const Bytes &bytes, const char *name = "picture.emf")
{
    WriteHostFile(TestHostFolder() + "/" + name,
                  QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
    return TestWindowsPath(QString::fromUtf8(name)).toStdString();
}

struct Rendered
{
    uint32_t width = 0;
    uint32_t height = 0;
    RgbImage image;
    bool rendered = false;
};

Rendered render(const std::string &path, uint32_t wantedWidth, uint32_t wantedHeight, COLORREF background)
{
    Rendered result;
    result.width = wantedWidth;
    result.height = wantedHeight;
    HGLOBAL block = ImgReadMetafileToRGB(path.c_str(), &result.width, &result.height, background);
    if (!block)
        return result;
    result.rendered = true;
    EXPECT_EQ(GlobalSize(block), size_t(result.width) * result.height * 3);
    const auto *rgb = static_cast<const uint8_t *>(GlobalLock(block));
    result.image = RgbImage{result.width, result.height, Bytes(rgb, rgb + size_t(result.width) * result.height * 3)};
    GlobalFree(block);
    return result;
}

const uint8_t *pixelAt(const RgbImage &image, uint32_t x, uint32_t y)
{
    return &image.rgb[(size_t(y) * image.width + x) * 3];
}

void expectColour(const RgbImage &image, uint32_t x, uint32_t y, uint8_t red, uint8_t green, uint8_t blue)
{
    SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
    const uint8_t *pixel = pixelAt(image, x, y);
    EXPECT_NEAR(pixel[0], red, 2);
    EXPECT_NEAR(pixel[1], green, 2);
    EXPECT_NEAR(pixel[2], blue, 2);
}

Bytes emfOf(const RgbImage &image)
{
    return Encode(ImgWriteRGBToEMF, image);
}

uint32_t dwordAt(const Bytes &bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16
           | uint32_t(bytes[offset + 3]) << 24;
}

// A WMF drawing a solid rectangle from (25, 25) to (75, 75) in a 100 x 100
// window with no outline; placeable files carry bounds of the given size at
// 96 units an inch.
Bytes rectangleWmf(bool placeable, COLORREF colour, uint16_t boundsWidth = 100, uint16_t boundsHeight = 100)
{
    std::vector<uint16_t> records;
    auto record = [&](uint16_t function, std::initializer_list<uint16_t> parameters) {
        const uint32_t words = 3 + uint32_t(parameters.size());
        records.push_back(uint16_t(words));
        records.push_back(uint16_t(words >> 16));
        records.push_back(function);
        records.insert(records.end(), parameters);
    };
    record(0x020B, {0, 0});                 // SETWINDOWORG y, x
    record(0x020C, {100, 100});             // SETWINDOWEXT y, x
    record(0x02FC, {0, uint16_t(colour), uint16_t(colour >> 16), 0});   // CREATEBRUSHINDIRECT solid
    record(0x012D, {0});                    // SELECTOBJECT brush
    record(0x02FA, {5, 0, 0, 0, 0});        // CREATEPENINDIRECT null pen
    record(0x012D, {1});                    // SELECTOBJECT pen
    record(0x041B, {75, 75, 25, 25});       // RECTANGLE bottom, right, top, left
    record(0x0000, {});                     // EOF

    std::vector<uint16_t> words;
    if (placeable) {
        words = {0xCDD7, 0x9AC6, 0, 0, 0, boundsWidth, boundsHeight, 96, 0, 0};
        uint16_t checksum = 0;
        for (uint16_t word : words)
            checksum ^= word;
        words.push_back(checksum);
    }
    const uint32_t totalWords = 9 + uint32_t(records.size());
    words.insert(words.end(), {1, 9, 0x0300, uint16_t(totalWords), uint16_t(totalWords >> 16), 2, 8, 0, 0});
    words.insert(words.end(), records.begin(), records.end());
    Bytes bytes;
    for (uint16_t word : words) {
        bytes.push_back(uint8_t(word));
        bytes.push_back(uint8_t(word >> 8));
    }
    return bytes;
}


// The text option of a text record whose string holds the font's glyph
// indices rather than characters: libemf2svg then looks the font's file up
// through fontconfig.
constexpr uint32_t GlyphIndexText = 0x10;

// An EMF of 64 x 32 pixels that writes "Zilo" in Arial: a font record, its
// selection and a text record with textOptions.
Bytes textEmf(uint32_t textOptions = 0)
{
    Bytes records;
    auto dword = [&](uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            records.push_back(uint8_t(value >> shift));
    };
    auto utf16 = [&](const char *text, size_t characters) {
        for (size_t i = 0; i < characters; ++i) {
            const char c = i < std::strlen(text) ? text[i] : 0;
            records.push_back(uint8_t(c));
            records.push_back(0);
        }
    };
    dword(82);   // EMR_EXTCREATEFONTINDIRECTW with a plain LOGFONTW
    dword(104);
    dword(1);
    for (uint32_t value : {uint32_t(-20), 0u, 0u, 0u, 400u, 0u, 0u})
        dword(value);   // height, width, escapement, orientation, weight, flag and charset bytes
    utf16("Arial", 32);
    dword(37);   // EMR_SELECTOBJECT
    dword(12);
    dword(1);
    dword(84);   // EMR_EXTTEXTOUTW
    dword(76 + 8 + 16);
    for (uint32_t value : {0u, 0u, 63u, 31u, 1u, 0u, 0u})
        dword(value);   // bounds, graphics mode, scales
    for (uint32_t value : {2u, 25u, 4u, 76u, textOptions, 0u, 0u, 63u, 31u, 84u})
        dword(value);   // reference point, characters, string offset, options, rectangle, spacing offset
    utf16("Zilo", 4);
    for (int i = 0; i < 4; ++i)
        dword(10);
    for (uint32_t value : {14u, 20u, 0u, 16u, 20u})
        dword(value);   // EMR_EOF
    Bytes bytes = emfOf(NoiseImage(64, 32));
    bytes.resize(108);
    PutLittleEndian32(bytes, 48, uint32_t(bytes.size() + records.size()));
    PutLittleEndian32(bytes, 52, 5);
    PutLittleEndian16(bytes, 56, 2);
    bytes.insert(bytes.end(), records.begin(), records.end());
    return bytes;
}

} // namespace

TEST(MetafileCodec, EmfWriterMakesOneBitmapRecord)
{
    const RgbImage image = NoiseImage(5, 3);
    const Bytes file = emfOf(image);
    const uint32_t stride = 16;   // 5 pixels of 3 bytes, padded to 4
    ASSERT_EQ(file.size(), 108u + 120u + stride * 3 + 20u);
    EXPECT_EQ(dwordAt(file, 0), 1u);             // EMR_HEADER
    EXPECT_EQ(dwordAt(file, 40), 0x464D4520u);   // " EMF"
    EXPECT_EQ(dwordAt(file, 48), file.size());
    EXPECT_EQ(dwordAt(file, 52), 3u);
    EXPECT_EQ(dwordAt(file, 108), 81u);          // EMR_STRETCHDIBITS
    EXPECT_EQ(dwordAt(file, 108 + 4), 120u + stride * 3);
    EXPECT_EQ(dwordAt(file, file.size() - 20), 14u);   // EMR_EOF
    // The bitmap's first stored row is the picture's last, in blue green red.
    const uint8_t *lastRow = &image.rgb[2 * 5 * 3];
    EXPECT_EQ(file[108 + 120], lastRow[2]);
    EXPECT_EQ(file[108 + 120 + 1], lastRow[1]);
    EXPECT_EQ(file[108 + 120 + 2], lastRow[0]);
}

TEST(MetafileCodec, EmfRoundTripsThroughTheRenderer)
{
    const RgbImage image = GradientImage(24, 16);
    const std::string path = metafileAt(emfOf(image));
    const Rendered same = render(path, 24, 16, ButtonFace);
    ASSERT_TRUE(same.rendered);
    EXPECT_EQ(same.width, 24u);
    EXPECT_EQ(same.height, 16u);
    EXPECT_EQ(same.image.rgb, image.rgb);

    // A box of another shape: the picture keeps its own.
    struct Case
    {
        uint32_t wantedWidth, wantedHeight, width, height;
    };
    for (const Case &c : {Case{48, 48, 48, 32}, Case{12, 100, 12, 8}, Case{0, 0, 24, 16}}) {
        SCOPED_TRACE(testing::Message() << c.wantedWidth << "x" << c.wantedHeight);
        const Rendered fitted = render(path, c.wantedWidth, c.wantedHeight, ButtonFace);
        ASSERT_TRUE(fitted.rendered);
        EXPECT_EQ(fitted.width, c.width);
        EXPECT_EQ(fitted.height, c.height);
        // The corners keep their colours.
        const uint8_t *topLeft = pixelAt(fitted.image, 0, 0);
        const uint8_t *bottomRight = pixelAt(fitted.image, fitted.width - 1, fitted.height - 1);
        EXPECT_LT(topLeft[0], 40);
        EXPECT_GT(bottomRight[0], 215);
        EXPECT_GT(bottomRight[1], 215);
    }
}

TEST(MetafileCodec, EmfOfOnePixelRowsAndColumnsRenders)
{
    for (const auto &[width, height] : {std::pair{1u, 5u}, std::pair{5u, 1u}, std::pair{1u, 1u}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const RgbImage image = NoiseImage(width, height);
        const Rendered result = render(metafileAt(emfOf(image)), width, height, ButtonFace);
        ASSERT_TRUE(result.rendered);
        EXPECT_EQ(result.width, width);
        EXPECT_EQ(result.height, height);
        EXPECT_EQ(result.image.rgb, image.rgb);
    }
}

TEST(MetafileCodec, EmfWithoutBoundsIsSizedFromItsFrame)
{
    const RgbImage image = GradientImage(24, 16);
    Bytes file = emfOf(image);
    for (size_t offset : {8, 12, 16, 20})
        PutLittleEndian32(file, offset, 0);
    PutLittleEndian32(file, 16, uint32_t(-1));
    const Rendered result = render(metafileAt(file), 48, 48, ButtonFace);
    ASSERT_TRUE(result.rendered);
    EXPECT_EQ(result.width, 48u);
    EXPECT_EQ(result.height, 32u);
}

TEST(MetafileCodec, WmfIsRenderedOnTheBackground)
{
    for (bool placeable : {true, false}) {
        SCOPED_TRACE(placeable ? "placeable" : "plain");
        const std::string path = metafileAt(rectangleWmf(placeable, Red), "picture.wmf");
        const Rendered result = render(path, 100, 100, ButtonFace);
        ASSERT_TRUE(result.rendered);
        ASSERT_EQ(result.width, 100u);
        ASSERT_EQ(result.height, 100u);
        expectColour(result.image, 50, 50, 255, 0, 0);
        expectColour(result.image, 30, 70, 255, 0, 0);
        expectColour(result.image, 5, 5, 0xC0, 0xC0, 0xC0);
        expectColour(result.image, 95, 50, 0xC0, 0xC0, 0xC0);
        expectColour(result.image, 50, 95, 0xC0, 0xC0, 0xC0);
    }
}

TEST(MetafileCodec, RendersOnSeveralThreadsAtOnce)
{
    const RgbImage image = NoiseImage(12, 9);
    const std::string emf = metafileAt(emfOf(image));
    const std::string wmf = metafileAt(rectangleWmf(true, Red), "picture.wmf");
    const Rendered wmfAlone = render(wmf, 40, 40, ButtonFace);
    ASSERT_TRUE(wmfAlone.rendered);
    std::atomic<int> mismatches = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            ImgInitialize(0);
            for (int i = 0; i < 10; ++i) {
                if (render(emf, 12, 9, ButtonFace).image.rgb != image.rgb)
                    ++mismatches;
                if (render(wmf, 40, 40, ButtonFace).image.rgb != wmfAlone.image.rgb)
                    ++mismatches;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, 0);
}

TEST(MetafileCodec, PlaceableWmfStretchesItsWindowOntoItsBounds)
{
    // Bounds of 200 x 100 pixels: the 100 x 100 window is drawn twice as wide.
    const std::string path = metafileAt(rectangleWmf(true, Red, 200, 100), "wide.wmf");
    const Rendered result = render(path, 100, 100, ButtonFace);
    ASSERT_TRUE(result.rendered);
    ASSERT_EQ(result.width, 100u);
    ASSERT_EQ(result.height, 50u);
    expectColour(result.image, 50, 25, 255, 0, 0);
    expectColour(result.image, 28, 14, 255, 0, 0);
    expectColour(result.image, 72, 36, 255, 0, 0);
    expectColour(result.image, 20, 25, 0xC0, 0xC0, 0xC0);
    expectColour(result.image, 80, 25, 0xC0, 0xC0, 0xC0);
    expectColour(result.image, 50, 8, 0xC0, 0xC0, 0xC0);
}

TEST(MetafileCodec, EveryTruncationFails)
{
    struct Case
    {
        const char *name;
        Bytes file;
    };
    for (const Case &c : {Case{"picture.emf", emfOf(NoiseImage(3, 2))}, Case{"picture.wmf", rectangleWmf(true, Red)},
                          Case{"plain.wmf", rectangleWmf(false, Red)}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(render(metafileAt(c.file, c.name), 16, 16, ButtonFace).rendered);
        for (size_t length = 0; length < c.file.size(); ++length) {
            SCOPED_TRACE(length);
            const Bytes cut(c.file.begin(), c.file.begin() + std::ptrdiff_t(length));
            EXPECT_FALSE(render(metafileAt(cut, c.name), 16, 16, ButtonFace).rendered);
        }
    }
}

TEST(MetafileCodec, HostileRecordsFailCleanly)
{
    const Bytes good = emfOf(NoiseImage(4, 4));
    const size_t bitmapRecord = 108;
    struct Case
    {
        const char *name;
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"header shorter than its fields", 4, 40},
        {"file size beyond the file", 48, uint32_t(good.size() + 4)},
        {"record size not a multiple of 4", bitmapRecord + 4, 122},
        {"record size beyond the file", bitmapRecord + 4, 0x7FFFFFF0},
        {"record size zero", bitmapRecord + 4, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes hostile = good;
        PutLittleEndian32(hostile, c.offset, c.value);
        EXPECT_FALSE(render(metafileAt(hostile), 16, 16, ButtonFace).rendered);
    }
    // A bitmap that points outside its record, claims more pixels than its
    // bits hold, or is vast: refused before the renderer sees it.
    const Case insideRecord[] = {
        {"bitmap header past the record", bitmapRecord + 48, 0x7FFFFFF0},
        {"bitmap header shorter than its fields", bitmapRecord + 52, 12},
        {"bits past the record", bitmapRecord + 56, 0x7FFFFFF0},
        {"bits larger than the record", bitmapRecord + 60, 0x7FFFFFF0},
        {"fewer bits than rows", bitmapRecord + 60, 16},
        {"wider than its bits", bitmapRecord + 84, 5},
        {"taller than its bits", bitmapRecord + 88, 5},
        {"vast bitmap width", bitmapRecord + 84, 0x7FFFFFFF},
        {"vast bitmap height", bitmapRecord + 88, 0x80000001},
        {"unknown depth", bitmapRecord + 94, 7},
        {"description past the header", 60, 1000},
    };
    for (const Case &c : insideRecord) {
        SCOPED_TRACE(c.name);
        Bytes hostile = good;
        if (c.offset == bitmapRecord + 94)
            PutLittleEndian16(hostile, c.offset, uint16_t(c.value));
        else
            PutLittleEndian32(hostile, c.offset, c.value);
        EXPECT_FALSE(render(metafileAt(hostile), 16, 16, ButtonFace).rendered);
    }
    // A larger destination only stretches the picture.
    Bytes stretched = good;
    PutLittleEndian32(stretched, bitmapRecord + 72, 0x7FFFFFFF);
    render(metafileAt(stretched), 16, 16, ButtonFace);
    Bytes wmf = rectangleWmf(true, Red);
    PutLittleEndian32(wmf, 22 + 18, 0x7FFFFFFF);   // first record's size
    EXPECT_FALSE(render(metafileAt(wmf, "picture.wmf"), 16, 16, ButtonFace).rendered);
    EXPECT_FALSE(render(metafileAt(Bytes(200, 0x41), "garbage.emf"), 16, 16, ButtonFace).rendered);
    EXPECT_FALSE(render(TestWindowsPath("missing.emf").toStdString(), 16, 16, ButtonFace).rendered);
}

// libwmf allocates the header's largest record before it reads a record, so
// a few bytes could make it take gigabytes.
TEST(MetafileCodec, WmfWhoseLargestRecordOutgrowsTheFileIsRefused)
{
    for (const bool placeable : {true, false}) {
        SCOPED_TRACE(placeable ? "placeable" : "plain");
        const Bytes good = rectangleWmf(placeable, Red);
        const size_t header = placeable ? 22 : 0;
        const uint32_t recordWords = uint32_t(good.size() - header - 18) / 2;
        for (const uint32_t largestWords : {recordWords + 1, uint32_t(1) << 20, uint32_t(0x7FFFFFFF)}) {
            SCOPED_TRACE(largestWords);
            Bytes hostile = good;
            PutLittleEndian32(hostile, header + 12, largestWords);
            EXPECT_FALSE(render(metafileAt(hostile, "vast.wmf"), 16, 16, ButtonFace).rendered);
        }
        Bytes whole = good;
        PutLittleEndian32(whole, header + 12, recordWords);
        EXPECT_TRUE(render(metafileAt(whole, "whole.wmf"), 16, 16, ButtonFace).rendered);
    }
}

// Whether anything is painted on the image's background.
static bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != image.pixel(0, 0))
                return true;
    return false;
}

// The EMF converter looks fonts up through fontconfig, which Qt uses too: a
// conversion must leave it working for the labels painted after it.
TEST(MetafileCodec, EmfTextLeavesQtFontsWorking)
{
    QLabel label(QStringLiteral("Thumbnails"));
    label.resize(120, 30);
    const auto grabText = [&label] { return label.grab().toImage(); };
    const QImage before = grabText();
    ASSERT_TRUE(hasInk(before)) << "the label paints no text to compare";
    const Rendered rendered = render(metafileAt(textEmf(), "text.emf"), 64, 32, ButtonFace);
    EXPECT_TRUE(rendered.rendered);
    QLabel after(QStringLiteral("Thumbnails"));
    after.resize(120, 30);
    EXPECT_EQ(after.grab().toImage(), before);
    EXPECT_EQ(grabText(), before);
}

// Text of other scripts, which Qt paints in the fonts it falls back on.
static QImage paintFallbackText()
{
    QImage image(160, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("Serif"), 14));
    painter.drawText(2, 24, QString::fromUtf8("\u4e2d\u6587 \u0627\u0644\u0639 \u05d0\u05d1 \u0e01\u0e02"));
    return image;
}

// The converter finalises fontconfig after a glyph-index text, under Qt: once
// Qt holds fontconfig's caches for its fallback fonts, the next such
// conversion would abort the process on fontconfig's own assertion. In a
// process of its own, whose fonts no other test has touched.
TEST(MetafileCodecDeathTest, GlyphIndexTextLeavesQtsFontconfigWorking)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Bytes emf = textEmf(GlyphIndexText);
    // The child runs without the test folder of the parent.
    const auto renderInFolder = [&emf](const QTemporaryDir &folder) {
        const QString path = folder.filePath(QStringLiteral("text.emf"));
        WriteHostFile(path.toStdString(), QByteArray(reinterpret_cast<const char *>(emf.data()), qsizetype(emf.size())));
        return render(WindowsPathFromHost(path.toStdString()), 64, 32, ButtonFace).rendered;
    };
    EXPECT_EXIT(
        {
            const QTemporaryDir folder;
            bool working = renderInFolder(folder);
            const QImage fallback = paintFallbackText();
            working = working && hasInk(fallback);
            working = working && renderInFolder(folder);
            working = working && paintFallbackText() == fallback;
            // Without the exit's clean-up: fontconfig is left up to the end, as in the program.
            std::_Exit(working ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(MetafileCodec, SmallMemoryDestinationAnswersZero)
{
    const RgbImage image = NoiseImage(6, 5);
    Bytes bytes;
    const uint32_t size = WriteToMemory(ImgWriteRGBToEMF, image, bytes, 1 << 16);
    ASSERT_GT(size, 0u);
    for (size_t capacity : {size_t(0), size_t(107), size_t(108), size_t(size - 20), size_t(size - 1)}) {
        SCOPED_TRACE(capacity);
        EXPECT_EQ(WriteToMemory(ImgWriteRGBToEMF, image, bytes, capacity), 0u);
    }
    EXPECT_EQ(WriteToMemory(ImgWriteRGBToEMF, image, bytes, size), size);
    EXPECT_EQ(ImgWriteRGBToEMF(nullptr, image.rgb.data(), 6, 5), 0u);
}
