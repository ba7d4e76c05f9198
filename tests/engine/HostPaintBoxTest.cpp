#include "ThumbTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/engine/HostPaintBox.h>

#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

namespace {

class HostPaintBoxTest : public ThumbTest
{
protected:
    static std::unique_ptr<THostPaintBox> makeBox(const CPath &path)
    {
        auto box = std::make_unique<THostPaintBox>(nullptr, path);
        box->resize(120, 100);
        return box;
    }
    // Whether the paint box shows its thumbnail: the picture's colour in the middle.
    static bool showsThumbnail(THostPaintBox &box)
    {
        const QColor middle = box.grab().toImage().pixelColor(60, 50);
        return std::abs(middle.red() - 200) < 12 && std::abs(middle.green() - 40) < 12;
    }
    // Waits until no thread holds path's record any more.
    static bool recordLetGo(const CPath &path)
    {
        return ServeUntil([&] {
            CThumbBitmap *record = FindThumbBitmap(path);
            if (!record)
                return false;
            const bool alone = record->GetRefCount() == 1 && record->GetState() != TThumbState::Loading;
            record->Release();
            return alone;
        });
    }
};

TEST_F(HostPaintBoxTest, ALoadedCachedRecordShowsAtOnce)
{
    const CPath path = writeJpegFile("Pics/a.jpg", 64, 48);
    auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
    ASSERT_TRUE(record->ClaimForLoading());
    record->EndLoading(TThumbState::Loaded, JpegBytes(64, 48));
    const std::unique_ptr<THostPaintBox> box = makeBox(path);
    EXPECT_EQ(box->GetThumbBitmap(), record) << "no thread needed";
    EXPECT_TRUE(showsThumbnail(*box));
    record->Release();
}

TEST_F(HostPaintBoxTest, ALabelTooLongForTheBoxEndsInAnEllipsisInsideIt)
{
    const CPath path = writeJpegFile("Pics/autumn_leaves_in_the_park_1280x1024.jpg", 64, 48);
    auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
    ASSERT_TRUE(record->ClaimForLoading());
    record->EndLoading(TThumbState::Loaded, JpegBytes(64, 48));
    const std::unique_ptr<THostPaintBox> box = makeBox(path);
    const QImage image = box->grab().toImage();
    const CSize size = record->GetThumbnailSize();
    const int labelTop = (box->height() - size.cy) / 2 + size.cy + 3;   // below the frame
    const QColor background = image.pixelColor(1, 1);
    int first = box->width();
    int last = -1;
    for (int y = labelTop; y < box->height(); ++y) {
        for (int x = 0; x < box->width(); ++x) {
            if (image.pixelColor(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    ASSERT_LE(first, last) << "the label shows";
    EXPECT_GE(first, 2) << "its start is not cut by the box";
    EXPECT_LE(last, box->width() - 3) << "its end is not cut by the box";
    record->Release();
}

TEST_F(HostPaintBoxTest, ARecordNotCachedIsBuiltAndShown)
{
    const CPath path = writeJpegFile("Pics/a.jpg", 64, 48);
    std::unique_ptr<THostPaintBox> box = makeBox(path);
    ASSERT_TRUE(ServeUntil([&] {
        return box->GetThumbBitmap() && box->GetThumbBitmap()->GetState() == TThumbState::Loaded;
    }));
    EXPECT_TRUE(showsThumbnail(*box));
    // The builder lets its record go after the box has been told.
    box.reset();
    EXPECT_TRUE(recordLetGo(path));
}

TEST_F(HostPaintBoxTest, AFileThatDoesNotDecodeShowsNoThumbnail)
{
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    WriteHostFile(TestHostFolder() + "/Pics/broken.jpg", "not a picture");
    const CPath path(CString(TestWindowsPath("Pics\\broken.jpg")));
    std::unique_ptr<THostPaintBox> box = makeBox(path);
    ASSERT_TRUE(ServeUntil([&] { return box->GetThumbBitmap() != nullptr; }));
    EXPECT_EQ(box->GetThumbBitmap()->GetState(), TThumbState::Failed);
    EXPECT_FALSE(showsThumbnail(*box));
    // The builder lets its record go after the box has been told.
    box.reset();
    EXPECT_TRUE(recordLetGo(path));
}

TEST_F(HostPaintBoxTest, ClosingWhileTheThumbnailIsBuiltLeavesNothingBehind)
{
    const CPath path = writeJpegFile("Pics/big.jpg", 1600, 1200);
    makeBox(path).reset();
    EXPECT_TRUE(recordLetGo(path)) << "the thread ended and released the record";
}

} // namespace
