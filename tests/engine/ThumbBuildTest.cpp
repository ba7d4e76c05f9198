#include <Source/engine/ThumbBuild.h>

#include "../ScopedEnvironment.h"
#include "../ScopedPalette.h"
#include "ThumbTestSupport.h"

#include <Source/engine/ImageSignature.h>
#include <Source/engine/ThumbProgressContext.h>
#include <lib/imaging/Bitmap.h>
#include <platform/GlobalMemory.h>

#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// ResampleRGB against results worked out by hand. Each destination pixel is
// the sum of source value x covered area, over the source area it covers.
struct ResampleCase
{
    const char *name;
    int sourceWidth, sourceHeight, sourceStride;
    Bytes source;
    bool swap, flip;
    int destinationWidth, destinationHeight, destinationStride;
    Bytes expected;   // the whole destination, padding included (0xEE where it must stay)
};

TEST(ResampleRGB, HandWorkedCases)
{
    const ResampleCase cases[] = {
        // 3 x 3 to 2 x 2: each destination pixel covers 1.5 x 1.5 source
        // pixels, area 2.25; e.g. the top left one covers a whole, two halves
        // and a quarter. Channel 0: exact means stay exact (90 / 2.25 = 40).
        // Channel 1: 1..9, so (1 + 2 x .5 + 4 x .5 + 5 x .25) / 2.25 = 2.33
        // gives 2 and (2 x .5 + 3 + 5 x .25 + 6 x .5) / 2.25 = 3.67 gives 3:
        // truncated, not rounded. Channel 2: uniform stays uniform.
        {"3x3 to 2x2", 3, 3, 9,
         {0, 1, 255, 30, 2, 255, 60, 3, 255,  //
          90, 4, 255, 120, 5, 255, 150, 6, 255,  //
          180, 7, 255, 210, 8, 255, 240, 9, 255},
         false, false, 2, 2, 6,
         {40, 2, 255, 80, 3, 255,  //
          160, 6, 255, 200, 7, 255}},
        // 5 x 1 to 3 x 1: each covers 5/3 pixels; in thirds the weights are
        // (3, 2), (1, 3, 1), (2, 3), over 5 thirds. Channel 1, last pixel:
        // (40 x 2 + 51 x 3) / 5 = 46.6, so 46.
        {"5x1 to 3x1", 5, 1, 15,
         {0, 10, 255, 30, 20, 0, 60, 30, 0, 90, 40, 0, 120, 51, 0},
         false, false, 3, 1, 9,
         {12, 14, 153, 60, 30, 0, 108, 46, 0}},
        // Same size with swap and flip: bytes 0 and 2 exchange, rows reverse.
        // Padded rows on both sides: the source's padding is never read as a
        // pixel, the destination's is never written.
        {"swap and flip", 2, 2, 8,
         {1, 2, 3, 4, 5, 6, 99, 99,  //
          7, 8, 9, 10, 11, 12, 99, 99},
         true, true, 2, 2, 8,
         {9, 8, 7, 12, 11, 10, 0xEE, 0xEE,  //
          3, 2, 1, 6, 5, 4, 0xEE, 0xEE}},
        // Enlarging: 2 x 1 to 3 x 1, the middle pixel covers a third of each.
        {"2x1 to 3x1", 2, 1, 6, {10, 0, 255, 21, 255, 0}, false, false, 3, 1, 9,
         {10, 0, 255, 15, 127, 127, 21, 255, 0}},
        // One pixel to a signature's row and more.
        {"1x1 to 9x2", 1, 1, 3, {50, 60, 70}, false, false, 9, 2, 27,
         {50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60,
          70,  //
          50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60, 70, 50, 60,
          70}},
        // Nothing to read: black, the source never touched.
        {"empty source", 0, 0, 0, {}, false, false, 2, 1, 6, {0, 0, 0, 0, 0, 0}},
    };
    for (const ResampleCase &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes destination(c.expected.size(), 0xEE);
        ResampleRGB(c.source.empty() ? nullptr : c.source.data(), c.sourceWidth, c.sourceHeight, c.swap, c.flip,
                    c.destinationStride, c.destinationHeight, c.destinationWidth, destination.data(), c.sourceStride);
        EXPECT_EQ(destination, c.expected);
    }
}

TEST(ResampleRGB, UniformPicturesStayUniformAtAnySize)
{
    // Widths and heights with no common factor, down and up.
    const int sizes[][4] = {{640, 480, 80, 60}, {977, 313, 79, 41}, {7, 3, 80, 53}, {1, 1000, 1, 80}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
        Bytes source(size_t(size[0]) * size[1] * 3);
        for (size_t i = 0; i < source.size(); i += 3) {
            source[i] = 17;
            source[i + 1] = 128;
            source[i + 2] = 255;
        }
        Bytes destination(size_t(size[2]) * size[3] * 3);
        ResampleRGB(source.data(), size[0], size[1], false, false, size[2] * 3, size[3], size[2], destination.data(),
                    size[0] * 3);
        for (size_t i = 0; i < destination.size(); i += 3)
            ASSERT_EQ((Bytes{destination[i], destination[i + 1], destination[i + 2]}), (Bytes{17, 128, 255})) << i;
    }
}

TEST(TintRGB, MovesTowardsTheTintAndAnswersTheMean)
{
    struct Case
    {
        COLORREF tint;
        int strength;
        Bytes expected;
        int mean;
    };
    const Case cases[] = {
        {0x0000FF, 0, {0, 0, 0, 255, 255, 255}, 127},         // untouched
        {0x0000FF, 100, {255, 0, 0, 255, 0, 0}, 85},          // all tint; red is the low byte
        {0x3264C8, 50, {100, 50, 25, 227, 177, 152}, 121},    // halfway: (200 - 0) / 2, 255 - (255 - 200) / 2
        {0x3264C8, 30, {60, 30, 15, 238, 208, 193}, 124},     // 255 - 55 x 0.3 = 238.5, truncated
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.strength);
        Bytes pixels = {0, 0, 0, 255, 255, 255};
        EXPECT_EQ(TintRGB(pixels.data(), 2, c.tint, c.strength), c.mean);
        EXPECT_EQ(pixels, c.expected);
    }
    EXPECT_EQ(TintRGB(nullptr, 0, 0xFFFFFF, 50), 0);
}

// A width x height picture whose pixel (x, y) is pixel(x, y), as a file of
// the test folder in the format that write writes; answers its Windows path.
using PixelOf = std::function<Bytes(uint32_t x, uint32_t y)>;
using Writer = uint32_t (*)(HIMGDEST, const uint8_t *, uint32_t, uint32_t);

Bytes rgbOf(uint32_t width, uint32_t height, const PixelOf &pixel)
{
    Bytes rgb;
    rgb.reserve(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const Bytes value = pixel(x, y);
            rgb.insert(rgb.end(), value.begin(), value.end());
        }
    }
    return rgb;
}

uint32_t writeJpeg90(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriteRGBToJPG(destination, rgb, width, height, 90, 0);
}

CPath writePicture(const std::string &name, uint32_t width, uint32_t height, const PixelOf &pixel,
                   Writer write = ImgWriteRGBToBMP)
{
    const Bytes rgb = rgbOf(width, height, pixel);
    Bytes file(rgb.size() * 2 + 65536);
    HIMGDEST destination = ImgOpenMemoryDest(file.data(), uint32_t(file.size()));
    file.resize(write(destination, rgb.data(), width, height));
    ImgCloseDest(destination);
    EXPECT_FALSE(file.empty());
    const fs::path host = TestHostFolder() + "/" + name;
    fs::create_directories(host.parent_path());
    WriteHostFile(host.string(), QByteArray(reinterpret_cast<const char *>(file.data()), qsizetype(file.size())));
    QString windowsName = QString::fromStdString(name);
    return CPath(CString(TestWindowsPath(windowsName.replace('/', '\\'))));
}

PixelOf colour(uint8_t red, uint8_t green, uint8_t blue)
{
    return [=](uint32_t, uint32_t) { return Bytes{red, green, blue}; };
}

Bytes decodedJpeg(const std::vector<uint8_t> &jpeg, uint32_t &width, uint32_t &height)
{
    HIMGSRC source = ImgOpenMemorySource(jpeg.data(), uint32_t(jpeg.size()));
    HGLOBAL block = ImgReadJPGToRGB(source, &width, &height);
    ImgCloseSource(source);
    if (!block)
        return {};
    const auto *rgb = static_cast<const uint8_t *>(GlobalLock(block));
    Bytes pixels(rgb, rgb + size_t(width) * height * 3);
    GlobalUnlock(block);
    GlobalFree(block);
    return pixels;
}

// Progress hooks that run a step of the test when the build reports its
// first stage (the decode) done.
class StageHooks : public TWorkerProgressContext
{
public:
    explicit StageHooks(std::function<void(StageHooks &)> onDecoded) : m_onDecoded(std::move(onDecoded)) {}
    void Nudge() override
    {
        if (++m_nudges == 1)
            m_onDecoded(*this);
    }
    int nudges() const { return m_nudges; }

private:
    std::function<void(StageHooks &)> m_onDecoded;
    int m_nudges = 0;
};

class ThumbBuildTest : public ThumbTest
{
protected:
    // A claimed record of path, its observer attached.
    CThumbBitmap *claimed(const CPath &path, int mode = CThumbBitmap::FromBrowseFile)
    {
        auto *record = new CThumbBitmap(mode, path);
        m_client = std::make_unique<RecordingClient>();
        m_client->SetBitmap(record);
        EXPECT_TRUE(record->ClaimForLoading());
        return record;
    }
    void finish(CThumbBitmap *record)
    {
        m_client->SetBitmap(nullptr);
        record->Release();
    }
    static void setFolderOption(TFolderOptions::Option id, int32_t value)
    {
        TFolderSpecificOptionsCache::GetFolderOptions(CPath(CString(TestWindowsPath("Pics"))))->SetInt(id, value);
    }
    static void expectNoData(CThumbBitmap *record)
    {
        EXPECT_EQ(record->GetState(), TThumbState::Pending);
        EXPECT_EQ(record->GetMemorySize(), 256) << "no JPEG, bitmap or signature";
        EXPECT_EQ(record->GetBitmap(), nullptr);
        EXPECT_EQ(record->GetBuildTime(), 0);
        EXPECT_EQ(record->GetColourTemperature(), CThumbBitmap::NotComputed);
    }

    std::unique_ptr<RecordingClient> m_client;   // watches the last record claimed
    const std::vector<uint8_t> m_startAndEnd{CThumbBitmap::Changed, CThumbBitmap::Changed};
};

TEST_F(ThumbBuildTest, BuildsAJpegAtTheFullImagesThumbnailSize)
{
    const CPath path = writePicture("Pics/photo.jpg", 1280, 960,
                                    [](uint32_t x, uint32_t y) { return Bytes{uint8_t(x / 5), uint8_t(y / 4), 90}; },
                                    writeJpeg90);
    CThumbBitmap *record = claimed(path);
    EXPECT_EQ(record->GetThumbnailSize(), CSize(0, 0)) << "a browse-file record knows nothing yet";
    record->MakeThumbnail(nullptr);

    EXPECT_EQ(record->GetState(), TThumbState::Loaded);
    EXPECT_EQ(m_client->codes(), m_startAndEnd);
    EXPECT_EQ(record->GetThumbnailSize(), CSize(80, 60));
    const TImageHandler handler = record->GetHandler();
    EXPECT_EQ(handler.GetWidth(), 1280) << "the image's own size, not the reduced decode's";
    EXPECT_EQ(handler.GetHeight(), 960);
    EXPECT_EQ(handler.GetBits(), 24);
    const TFileHandler file(path);
    EXPECT_EQ(handler.GetSize(), file.GetSize());
    EXPECT_EQ(CompareFileTime(&handler.GetModified(), &file.GetModified()), 0);
    EXPECT_GE(record->GetBuildTime(), 0);
    EXPECT_NE(record->GetAverageHue(), CThumbBitmap::NotComputed);

    CBitmapObject *bitmap = record->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Bitmap().Width(), 80);
    EXPECT_EQ(bitmap->Bitmap().Height(), 60);
    bitmap->Release();
    finish(record);
}

TEST_F(ThumbBuildTest, StatisticsOfPlainColours)
{
    struct Case
    {
        const char *name;
        Bytes rgb;
        uint16_t temperature, saturation;
    };
    const Case cases[] = {
        {"red.bmp", {255, 0, 0}, 0, 65535},
        {"blue.bmp", {0, 0, 255}, 65535, 65535},
        {"grey.bmp", {128, 128, 128}, 32767, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CPath path = writePicture(std::string("Pics/") + c.name, 64, 48, colour(c.rgb[0], c.rgb[1], c.rgb[2]));
        CThumbBitmap *record = claimed(path);
        record->MakeThumbnail(nullptr);
        ASSERT_EQ(record->GetState(), TThumbState::Loaded);
        EXPECT_EQ(record->GetColourTemperature(), c.temperature);
        EXPECT_EQ(record->GetAverageSaturation(), c.saturation);
        finish(record);
    }
}

TEST_F(ThumbBuildTest, OnePixelWideThumbnailBuildsCleanly)
{
    // Its JPEG headers alone are larger than its 240 bytes of pixels.
    const CPath path = writePicture("Pics/thin.bmp", 1, 1000, colour(10, 200, 30));
    CThumbBitmap *record = claimed(path);
    record->MakeThumbnail(nullptr);
    ASSERT_EQ(record->GetState(), TThumbState::Loaded);
    EXPECT_EQ(record->GetThumbnailSize(), CSize(1, 80));
    EXPECT_GT(record->GetMemorySize() - 256, 1 * 80 * 3);
    CBitmapObject *bitmap = record->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Bitmap().Height(), 80);
    bitmap->Release();
    finish(record);
}

TEST_F(ThumbBuildTest, StoppedBuildLeavesTheRecordPendingWithNoData)
{
    const CPath path = writePicture("Pics/a.bmp", 64, 48, colour(1, 2, 3));
    using Stop = void (*)(CThumbProgressContext &context, StageHooks &hooks);
    const Stop terminate = [](CThumbProgressContext &context, StageHooks &) { context.Terminate(true); };
    const Stop stopHooks = [](CThumbProgressContext &, StageHooks &hooks) { hooks.SetStopped(true); };
    struct Case
    {
        const char *name;
        Stop before;
        Stop whileDecoding;
    };
    const Case cases[] = {
        {"terminated before", terminate, nullptr},
        {"terminated while decoding", nullptr, terminate},
        {"hooks stopped while decoding", nullptr, stopHooks},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CThumbProgressContext *context = nullptr;
        auto hooks = std::make_unique<StageHooks>([&context, &c](StageHooks &self) {
            if (c.whileDecoding)
                c.whileDecoding(*context, self);
        });
        StageHooks &stageHooks = *hooks;
        context = new CThumbProgressContext(HWND(), std::move(hooks));
        if (c.before)
            c.before(*context, stageHooks);
        CThumbBitmap *record = claimed(path);
        record->MakeThumbnail(context);
        expectNoData(record);
        EXPECT_EQ(m_client->codes(), m_startAndEnd);
        EXPECT_TRUE(record->ClaimForLoading()) << "built again next time";
        record->EndLoading(TThumbState::Pending);
        finish(record);
        context->Release();
    }
}

TEST_F(ThumbBuildTest, UnknownOrUndecodableFilesFail)
{
    const QByteArray jpeg = [] {
        const std::vector<uint8_t> bytes = JpegBytes(64, 48);
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }();
    const std::pair<const char *, QByteArray> files[] = {
        {"notes.xyz", "neither a picture nor anything like one"},
        {"cut.jpg", jpeg.left(jpeg.size() / 2)},
    };
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        fs::create_directories(TestHostFolder() + "/Pics");
        WriteHostFile(TestHostFolder() + "/Pics/" + name, bytes);
        CThumbBitmap *record = claimed(CPath(CString(TestWindowsPath(QString("Pics\\") + name))));
        record->MakeThumbnail(nullptr);
        EXPECT_EQ(record->GetState(), TThumbState::Failed);
        EXPECT_EQ(record->GetHandler().GetWidth(), 0) << "image size unset";
        EXPECT_EQ(record->GetHandler().GetHeight(), 0);
        EXPECT_GE(record->GetBuildTime(), 0);
        EXPECT_EQ(record->GetMemorySize(), 256);
        EXPECT_EQ(m_client->codes(), m_startAndEnd);
        finish(record);
    }
}

TEST_F(ThumbBuildTest, DraftAndQualityGiveTheSameSizeAndSharpnessZeroLeavesTheResampleAlone)
{
    const PixelOf noise = [](uint32_t x, uint32_t y) {
        const uint32_t hash = (x * 2654435761u) ^ (y * 40503u);
        return Bytes{uint8_t(hash), uint8_t(hash >> 8), uint8_t(hash >> 16)};
    };
    const CPath path = writePicture("Pics/noise.bmp", 300, 200, noise);
    const auto build = [&](int draft, int sharpness) {
        setFolderOption(TFolderOptions::DraftThumbnails, draft);
        setFolderOption(TFolderOptions::ThumbnailSharpness, sharpness);
        CThumbBitmap *record = claimed(path);
        record->MakeThumbnail(nullptr);
        EXPECT_EQ(record->GetState(), TThumbState::Loaded);
        EXPECT_EQ(record->GetThumbnailSize(), CSize(80, 53));
        CBitmapObject *bitmap = record->GetBitmap();
        unsigned width = 0, height = 0;
        std::unique_ptr<unsigned char[]> rgb(bitmap ? bitmap->Bitmap().NewRGB(width, height) : nullptr);
        if (bitmap)
            bitmap->Release();
        finish(record);
        EXPECT_EQ(width, 80u);
        EXPECT_EQ(height, 53u);
        return rgb ? Bytes(rgb.get(), rgb.get() + size_t(width) * height * 3) : Bytes();
    };
    const Bytes draft = build(1, 8);
    const Bytes plain = build(0, 0);
    const Bytes sharpened = build(0, 8);

    Bytes resampled(80 * 53 * 3);
    const Bytes source = rgbOf(300, 200, noise);
    ResampleRGB(source.data(), 300, 200, false, false, 80 * 3, 53, 80, resampled.data(), 300 * 3);
    uint32_t width = 0, height = 0;
    EXPECT_EQ(plain, decodedJpeg(EncodeJpegToMemory(resampled.data(), CSize(80, 53)), width, height));
    EXPECT_NE(sharpened, plain);
    EXPECT_NE(draft, plain);
}

TEST_F(ThumbBuildTest, FileChangedWhileDecodedStaysPendingUntilBuiltAgain)
{
    const CPath path = writePicture("Pics/growing.jpg", 640, 480, colour(200, 40, 10), writeJpeg90);
    const fs::path host = TestHostFolder() + "/Pics/growing.jpg";
    auto *context = new CThumbProgressContext(HWND(), std::make_unique<StageHooks>([&](StageHooks &) {
        // The writer is still at it: the file grows and gets a new time.
        writePicture("Pics/growing.jpg", 320, 240, colour(10, 40, 200), writeJpeg90);
        fs::last_write_time(host, fs::last_write_time(host) + std::chrono::hours(1));
    }));
    CThumbBitmap *record = claimed(path, CThumbBitmap::FromFile);
    const TImageHandler before = record->GetHandler();
    record->MakeThumbnail(context);
    expectNoData(record);
    EXPECT_EQ(m_client->codes(), m_startAndEnd);
    EXPECT_EQ(record->GetHandler().GetSize(), before.GetSize()) << "the record keeps what it knew";

    ASSERT_TRUE(record->ClaimForLoading());
    record->MakeThumbnail(context);
    EXPECT_EQ(record->GetState(), TThumbState::Loaded);
    EXPECT_EQ(record->GetHandler().GetWidth(), 320);
    EXPECT_EQ(record->GetHandler().GetSize(), TFileHandler(path).GetSize());
    EXPECT_EQ(static_cast<StageHooks *>(context->GetProgressHooks())->nudges(), 4) << "one, then the three stages";
    finish(record);
    context->Release();
}

TEST_F(ThumbBuildTest, PanelTexture)
{
    const CPath texture = writePicture("Textures/two.bmp", 2, 1, [](uint32_t x, uint32_t) {
        return x == 0 ? Bytes{255, 0, 0} : Bytes{0, 0, 255};
    });
    struct Case
    {
        const char *name;
        CPath path;
        COLORREF tint;
        int strength, maxWidth, maxHeight;
        bool greyscale, flipHorizontal;
        QSize size;
        std::vector<QRgb> firstRow;   // its first pixels
    };
    // The desktop's base colour stands in for a texture that is not there,
    // even where the desktop's window colour is dark.
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(240, 230, 200));
    palette.setColor(QPalette::Window, Qt::black);
    const ScopedApplicationPalette desktop(palette);
    const Case cases[] = {
        {"missing", CPath("C:\\Textures\\none.jpg"), 0x3264C8, 50, 999999, 999999, false, false, QSize(118, 64),
         {qRgb(220, 165, 125)}},
        {"no path", CPath(), 0xFFFFFF, 0, 50, 10, false, false, QSize(50, 10), {qRgb(240, 230, 200)}},
        {"flipped", texture, 0, 0, 999999, 999999, false, true, QSize(2, 1), {qRgb(0, 0, 255), qRgb(255, 0, 0)}},
        {"cut to one pixel", texture, 0, 0, 1, 999999, false, false, QSize(1, 1), {qRgb(127, 0, 127)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QImage target;
        LoadPanelTexture(c.path, target, c.tint, c.maxWidth, c.maxHeight, c.greyscale, false, c.flipHorizontal,
                         c.strength);
        ASSERT_EQ(target.size(), c.size);
        for (size_t x = 0; x < c.firstRow.size(); ++x)
            EXPECT_EQ(target.pixel(int(x), 0), c.firstRow[x]) << x;
        EXPECT_EQ(target.pixel(c.size.width() - 1, c.size.height() - 1), target.pixel(c.size.width() - 1, 0))
            << "every row alike";
    }

    QImage grey;
    LoadPanelTexture(texture, grey, 0, 999999, 999999, true, false, false, 0);
    EXPECT_EQ(qRed(grey.pixel(0, 0)), qGreen(grey.pixel(0, 0)));
    EXPECT_EQ(qGreen(grey.pixel(0, 0)), qBlue(grey.pixel(0, 0)));
}

// Builders on several threads at once, with sharpening, while the window
// thread takes signatures and drops records' data: each build ends loaded or,
// when dropped meanwhile, pending; a signature taken stays readable.
using ThumbBuildThreads = ThumbBuildTest;

TEST_F(ThumbBuildThreads, BuildersRunTogetherWhileTheWindowThreadReadsSignatures)
{
    constexpr int ThreadCount = 4;
    constexpr int RecordsPerThread = 3;
    std::vector<CThumbBitmap *> records;
    for (int i = 0; i < ThreadCount * RecordsPerThread; ++i) {
        const PixelOf pixel = [i](uint32_t x, uint32_t y) { return Bytes{uint8_t(x + i), uint8_t(y), uint8_t(x ^ y)}; };
        const CPath path = writePicture("Pics/p" + std::to_string(i) + ".bmp", 160 + i, 120, pixel);
        records.push_back(new CThumbBitmap(CThumbBitmap::FromFile, path));
    }
    // Without TZ the C library reloads the time zone on every local time, under
    // a lock of its own that the thread sanitizer does not see. Named, it is
    // loaded once, here; which zone does not matter to this test.
    ScopedEnvironment environment;
    environment.set("TZ", "UTC0");
    records.front()->GetHandler().UpdateFileInfo();
    std::vector<std::thread> builders;
    for (int t = 0; t < ThreadCount; ++t) {
        builders.emplace_back([&records, t] {
            InitImageLibrary();
            for (int i = 0; i < RecordsPerThread; ++i) {
                CThumbBitmap *record = records[size_t(t * RecordsPerThread + i)];
                if (record->ClaimForLoading())
                    record->MakeThumbnail(nullptr);
            }
        });
    }
    std::vector<std::shared_ptr<const CImageSignature>> taken;
    for (int pass = 0; pass < 50; ++pass) {
        for (CThumbBitmap *record : records) {
            if (auto signature = record->GetSignature())
                taken.push_back(signature);
        }
        if (pass % 10 == 0)
            records[size_t(pass / 10)]->ReleaseData();
    }
    for (std::thread &builder : builders)
        builder.join();
    for (const auto &signature : taken)
        EXPECT_EQ(signature->GetRowCount(), int32_t(signature->GetRows().size()));
    for (CThumbBitmap *record : records) {
        EXPECT_TRUE(record->GetState() == TThumbState::Loaded || record->GetState() == TThumbState::Pending);
        record->Release();
    }
}

} // namespace
