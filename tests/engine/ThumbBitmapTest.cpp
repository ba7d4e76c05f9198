#include "ThumbTestSupport.h"

#include <QImage>
#include <QPainter>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct FitRow
{
    int64_t width, height;
    int size;
    CSize expected;
};

TEST(ThumbBitmapFit, FitsTheLongerSideIntoTheSquare)
{
    const FitRow rows[] = {
        {1, 1000, 80, {1, 80}},
        {1000, 1, 80, {80, 1}},
        {500, 500, 80, {80, 80}},
        {640, 480, 80, {80, 60}},
        {480, 640, 80, {60, 80}},
        {0, 0, 80, {80, 80}},
        {-5, 10, 80, {8, 80}},
        // Products beyond 32 bits.
        {60000000, 50000000, 80, {80, 66}},
        {50000000, 2000000000, 120, {3, 120}},
    };
    for (const FitRow &row : rows)
        EXPECT_EQ(CThumbBitmap::FitThumbnailSize(row.width, row.height, row.size), row.expected)
            << row.width << "x" << row.height;
}

TEST(ThumbBitmapFit, StateTexts)
{
    EXPECT_STREQ(CThumbBitmap::GetStateText(TThumbState::Loaded), "Loaded");
    EXPECT_STREQ(CThumbBitmap::GetStateText(TThumbState::Pending), "Pending");
    EXPECT_STREQ(CThumbBitmap::GetStateText(TThumbState::Failed), "Failed to load");
    EXPECT_STREQ(CThumbBitmap::GetStateText(TThumbState::Loading), "Loading");
    EXPECT_STREQ(CThumbBitmap::GetStateText(TThumbState(7)), "");
}

using ThumbBitmapTest = ThumbTest;

TEST_F(ThumbBitmapTest, NewRecordForAFileIsPendingAtItsThumbnailSizeAndCached)
{
    const CPath path = writeJpegFile("Pics/wide.jpg", 640, 480);
    auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
    EXPECT_EQ(record->GetState(), TThumbState::Pending);
    EXPECT_EQ(record->GetThumbnailSize(), CSize(80, 60));
    EXPECT_EQ(record->GetHandler().GetWidth(), 640);
    EXPECT_EQ(record->GetBuildTime(), -1);
    EXPECT_EQ(record->GetRefCount(), 1u);

    CThumbBitmap *found = FindThumbBitmap(CPath(CString(path.AsUpper())));
    EXPECT_EQ(found, record);
    found->Release();
    record->Release();
    // Unreferenced, the record stays cached until a purge.
    EXPECT_EQ(ThumbBitmapCache.Count(), 1);
    EXPECT_EQ(record->GetRefCount(), 0u);
}

TEST_F(ThumbBitmapTest, ClaimHasOneWinnerUntilTheBuildEnds)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    ASSERT_TRUE(record->ClaimForLoading());
    EXPECT_EQ(record->GetState(), TThumbState::Loading);
    EXPECT_FALSE(record->ClaimForLoading());
    record->EndLoading(TThumbState::Failed);
    EXPECT_EQ(record->GetState(), TThumbState::Failed);
    ASSERT_TRUE(record->ClaimForLoading()) << "a failed record may be built again";
    record->EndLoading(TThumbState::Loaded, JpegBytes(8, 8));
    EXPECT_FALSE(record->ClaimForLoading()) << "a loaded record is not built again";
    record->Release();
}

TEST_F(ThumbBitmapTest, ADropDuringTheBuildLeavesTheRecordPending)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    RecordingClient client;
    client.SetBitmap(record);
    ASSERT_TRUE(record->ClaimForLoading());
    record->ReleaseData();
    EXPECT_EQ(record->GetState(), TThumbState::Loading) << "the builder still owns the record";
    record->EndLoading(TThumbState::Loaded, JpegBytes(8, 8));
    EXPECT_EQ(record->GetState(), TThumbState::Pending);
    EXPECT_EQ(record->GetMemorySize(), 256);
    EXPECT_EQ(client.codes(), std::vector<uint8_t>{CThumbBitmap::Changed});

    ASSERT_TRUE(record->ClaimForLoading());
    record->EndLoading(TThumbState::Pending);
    EXPECT_EQ(record->GetState(), TThumbState::Pending) << "a build given back unbuilt";
    client.SetBitmap(nullptr);
    record->Release();
}

class LoadedRecordTest : public ThumbTest
{
protected:
    // A loaded record of thumbnail size 80 x 60 with a JPEG of jpegWidth x jpegHeight.
    CThumbBitmap *loadedRecord(uint32_t jpegWidth, uint32_t jpegHeight)
    {
        auto *record = new CThumbBitmap(CThumbBitmap::FromFile, writeJpegFile("Pics/a.jpg", 640, 480));
        EXPECT_TRUE(record->ClaimForLoading());
        record->EndLoading(TThumbState::Loaded, JpegBytes(jpegWidth, jpegHeight));
        return record;
    }
};

TEST_F(LoadedRecordTest, BitmapIsDecodedOnceAndSharedByReference)
{
    CThumbBitmap *record = loadedRecord(80, 60);
    CBitmapObject *bitmap = record->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Bitmap().Width(), 80);
    EXPECT_EQ(bitmap->Bitmap().Height(), 60);
    CBitmapObject *again = record->GetBitmap();
    EXPECT_EQ(again, bitmap);
    again->Release();
    EXPECT_GT(record->GetMemorySize(), int64_t(256 + 80 * 60 * 3));

    // A purge drops the record's copy while a painter still holds its own.
    record->ReleaseBitmap();
    EXPECT_FALSE(record->HasBitmap());
    EXPECT_EQ(bitmap->Bitmap().Width(), 80);
    bitmap->Release();
    record->Release();
}

TEST_F(LoadedRecordTest, JpegLargerThanTheThumbnailIsRefused)
{
    for (const CSize jpeg : {CSize(81, 60), CSize(80, 61), CSize(4000, 3000)}) {
        CThumbBitmap *record = loadedRecord(uint32_t(jpeg.cx), uint32_t(jpeg.cy));
        EXPECT_EQ(record->GetBitmap(), nullptr) << jpeg.cx << "x" << jpeg.cy;
        record->Release();
        ThumbBitmapCache.Purge(true);
    }
    CThumbBitmap *smaller = loadedRecord(40, 30);
    CBitmapObject *bitmap = smaller->GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Bitmap().Width(), 40);
    bitmap->Release();
    smaller->Release();
}

TEST_F(LoadedRecordTest, SavesTheJpegBytesOnlyWhenThereAreSome)
{
    CThumbBitmap *record = loadedRecord(80, 60);
    const CPath saved(CString(TestWindowsPath("saved.jpg")));
    ASSERT_TRUE(record->SaveJpegFile(saved));
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/saved.jpg").size(), qsizetype(JpegBytes(80, 60).size()));

    WriteHostFile(TestHostFolder() + "/kept.jpg", "old bytes");
    record->ReleaseData();
    EXPECT_FALSE(record->SaveJpegFile(CPath(CString(TestWindowsPath("kept.jpg")))));
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/kept.jpg"), QByteArray("old bytes"));
    EXPECT_FALSE(record->SaveJpegFile(CPath(CString(TestWindowsPath("none.jpg")))));
    EXPECT_FALSE(HostFileExists(TestHostFolder() + "/none.jpg"));
    record->Release();
}

TEST_F(LoadedRecordTest, DrawPaintsTheThumbnailAndItsLabelBelow)
{
    CThumbBitmap *record = loadedRecord(80, 60);
    QImage canvas(120, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setPen(Qt::black);
        record->Draw(&painter, 10, 5);
    }
    const QColor centre = canvas.pixelColor(50, 35);
    EXPECT_NEAR(centre.red(), 200, 8);
    EXPECT_NEAR(centre.green(), 40, 8);
    EXPECT_EQ(canvas.pixelColor(5, 35), QColor(Qt::white)) << "nothing left of the thumbnail";
    bool labelPainted = false;
    for (int y = 67; y < 100 && !labelPainted; ++y) {
        for (int x = 10; x < 90 && !labelPainted; ++x)
            labelPainted = canvas.pixelColor(x, y) != QColor(Qt::white);
    }
    EXPECT_TRUE(labelPainted) << "the label \"a\" goes under the thumbnail";
    record->Release();
}

TEST_F(LoadedRecordTest, InfoTextHasTenLabelledLinesAndNoFinalBreak)
{
    CThumbBitmap *record = loadedRecord(80, 60);
    TStringList lines;
    record->GetInfoLines(lines);
    const char *labels[] = {"Folder: ",       "Dimensions: ",     "Size: ",        "Modified: ",   "Memo: ",
                            "Avg Hue: ",      "Avg Saturation: ", "Avg Brightness: ", "Colour Temp: ", "Aspect Ratio: "};
    ASSERT_EQ(lines.Count(), 10);
    for (int index = 0; index < 10; ++index)
        EXPECT_TRUE(lines[index].startsWith(labels[index])) << lines[index].toStdString();
    EXPECT_EQ(lines[1].toStdString(), "Dimensions: 640x480 24-bit");
    EXPECT_EQ(lines[9], "Aspect Ratio: 1.333");
    const QString text = record->GetInfoText().ToAnsiString();
    EXPECT_TRUE(text.startsWith("File: a.jpg\r\nFolder: "));
    EXPECT_FALSE(text.endsWith("\n"));
    record->Release();
}

TEST_F(ThumbBitmapTest, StaleRecordGoesWithItsLastHolder)
{
    auto *unheld = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    unheld->Release();
    unheld->MarkStale();
    EXPECT_EQ(ThumbBitmapCache.Count(), 0) << "nobody held it: deleted at once";

    auto *held = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    RecordingClient client;
    client.SetBitmap(held);
    held->Release();
    held->MarkStale();
    EXPECT_EQ(client.codes(), std::vector<uint8_t>{CThumbBitmap::Stale});
    EXPECT_EQ(held->GetRefCount(), 1u) << "the client still holds it";
    EXPECT_EQ(FindThumbBitmap("C:\\Pics\\b.jpg"), nullptr) << "but no lookup finds it";
    EXPECT_EQ(ThumbBitmapCache.Count(), 0);
    // Deleted now: a leak would show in the sanitizer build.
    client.SetBitmap(nullptr);
}

TEST_F(ThumbBitmapTest, UpToDateCheckFollowsTheFile)
{
    const CPath path = writeJpegFile("Pics/a.jpg", 64, 64);
    auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
    ASSERT_TRUE(record->ClaimForLoading());
    record->EndLoading(TThumbState::Loaded, JpegBytes(64, 64));
    RecordingClient client;
    client.SetBitmap(record);

    record->CheckUpToDate(false);
    EXPECT_EQ(record->GetState(), TThumbState::Loaded) << "unchanged file";
    EXPECT_TRUE(client.codes().empty());

    const fs::path host = TestHostFolder() + "/Pics/a.jpg";
    fs::last_write_time(host, fs::last_write_time(host) - std::chrono::hours(1));
    record->CheckUpToDate(false);
    EXPECT_EQ(record->GetState(), TThumbState::Pending) << "a changed time drops the thumbnail";
    EXPECT_EQ(client.codes(), std::vector<uint8_t>{CThumbBitmap::Changed});

    fs::remove(host);
    record->CheckUpToDate(false);
    EXPECT_EQ(client.codes().back(), CThumbBitmap::Stale);
    EXPECT_TRUE(record->GetDeleteWhenFree());
    EXPECT_EQ(FindThumbBitmap(path), nullptr) << "a stale record is never found again";
    record->Release();
    client.SetBitmap(nullptr);
}

TEST_F(ThumbBitmapTest, ExcludedOrForcedRecordsGoStale)
{
    const CPath excluded = writeJpegFile("Pics/tn_small.jpg", 8, 8);
    const CPath kept = writeJpegFile("Pics/kept.jpg", 8, 8);
    for (const auto &[path, force] : {std::pair{excluded, false}, std::pair{kept, true}}) {
        auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
        record->CheckUpToDate(force);
        EXPECT_TRUE(record->GetDeleteWhenFree()) << path.c_str();
        record->Release();
    }
    EXPECT_EQ(ThumbBitmapCache.Count(), 0);
}

TEST_F(ThumbBitmapTest, ChangedPathFilesTheRecordAnew)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\old.jpg");
    RecordingClient client;
    client.SetBitmap(record);
    record->ChangePath("C:\\Pics\\old.jpg");
    EXPECT_TRUE(client.codes().empty()) << "the same path is no change";

    RenameThumbBitmap("C:\\Pics\\OLD.jpg", "C:\\Pics\\img042.jpg");
    EXPECT_STREQ(record->GetFullPath(), "C:\\Pics\\img042.jpg");
    EXPECT_EQ(client.codes(), std::vector<uint8_t>{CThumbBitmap::Changed});
    EXPECT_EQ(FindThumbBitmap("C:\\Pics\\old.jpg"), nullptr);
    CThumbBitmap *found = FindThumbBitmap("C:\\PICS\\IMG042.JPG");
    EXPECT_EQ(found, record);
    found->Release();

    record->ChangePath("C:\\Pics\\Img042.jpg");
    EXPECT_STREQ(record->GetFullPath(), "C:\\Pics\\Img042.jpg") << "a change of case is a change";
    client.SetBitmap(nullptr);
    record->Release();
}

TEST_F(ThumbBitmapTest, ClientSetTwiceToOneRecordKeepsItAsItWas)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    RecordingClient client;
    client.SetBitmap(record);
    EXPECT_EQ(record->GetRefCount(), 2u);
    client.SetBitmap(record);
    EXPECT_EQ(record->GetRefCount(), 2u);
    EXPECT_EQ(record->Clients().Count(), 1);
    auto *other = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    client.SetBitmap(other);
    EXPECT_EQ(record->GetRefCount(), 1u);
    EXPECT_EQ(record->Clients().Count(), 0);
    EXPECT_EQ(client.GetBitmap(), other);
    client.SetBitmap(nullptr);
    other->Release();
    record->Release();
}

} // namespace
