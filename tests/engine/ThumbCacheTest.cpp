#include "ThumbTestSupport.h"

#include <Source/engine/ZiloOptions.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(ThumbCacheHash, BucketsByPathWithoutCaseOrExtension)
{
    const struct
    {
        const char *path;
        int bucket;
    } rows[] = {
        {"C:\\img001.jpg", 76},
        {"C:\\IMG001.JPG", 76},
        {"C:\\img001.png", 76},
        {"C:\\img002.jpg", 78},                  // a series lands in neighbouring buckets
        {"C:\\\xC3\xA9t\xC3\xA9.jpg", 5},        // bytes from 0x80 count as negative
        {"C:\\x99999999999999999999.jpg", 14},   // the digit run wraps at 32 bits
        {"C:\\a.b2\\c", 97},                     // a dot in a folder is no extension
        {"D:\\2024\\img7.jpg", 16},              // the first digit run counts
    };
    for (const auto &row : rows)
        EXPECT_EQ(CThumbBitmapHashedList::HashFileName(row.path), row.bucket) << row.path;
}

using ThumbCacheTest = ThumbTest;

// count unreferenced records of folder, JPEG bytes each of the given size.
void makeRecords(int count, const char *folder, const std::vector<uint8_t> &jpeg = {})
{
    for (int index = 0; index < count; ++index) {
        CString path;
        path.Format("%s\\img%05d.jpg", folder, index);
        auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, CPath(path));
        if (!jpeg.empty()) {
            record->ClaimForLoading();
            record->EndLoading(TThumbState::Loaded, jpeg);
        }
        record->Release();
    }
}

TEST_F(ThumbCacheTest, LookupIgnoresCase)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\Sunset.jpg");
    for (const char *path : {"c:\\pics\\sunset.jpg", "C:\\PICS\\SUNSET.JPG", "C:\\Pics\\Sunset.jpg"}) {
        CThumbBitmap *found = FindThumbBitmap(path);
        EXPECT_EQ(found, record) << path;
        if (found)
            found->Release();
    }
    EXPECT_EQ(FindThumbBitmap("C:\\Pics\\Sunset.png"), nullptr);
    record->Release();
}

TEST_F(ThumbCacheTest, StatisticsCountRecordsInUseApart)
{
    makeRecords(3, "C:\\Pics", JpegBytes(8, 8));
    auto *held = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\held.jpg");
    const TThumbStatistics totals = ThumbBitmapCache.GetStatistics();
    EXPECT_EQ(totals.all, 4);
    EXPECT_EQ(totals.inUse, 1);
    EXPECT_EQ(totals.inUseMemory, 256);
    EXPECT_EQ(totals.allMemory, 4 * 256 + 3 * int64_t(JpegBytes(8, 8).size()));
    held->Release();
}

TEST_F(ThumbCacheTest, TheKeptStatisticsAreThoseTheLastCountFound)
{
    makeRecords(3, "C:\\Pics", JpegBytes(8, 8));
    auto *held = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\held.jpg");
    ThumbBitmapCache.RefreshStatistics();
    const TThumbStatistics kept = ThumbBitmapCache.LastStatistics();
    EXPECT_EQ(kept.all, 4);
    EXPECT_EQ(kept.inUse, 1);
    // A new record counts only from the next count on: reading counts nothing.
    auto *later = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\later.jpg");
    EXPECT_EQ(ThumbBitmapCache.LastStatistics().all, 4);
    ThumbBitmapCache.PurgeByPolicy();
    EXPECT_EQ(ThumbBitmapCache.LastStatistics().all, 5);
    EXPECT_EQ(ThumbBitmapCache.LastStatistics().inUse, 2);
    later->Release();
    held->Release();
}

struct PolicyRow
{
    int cleanupType;
    int objectThreshold;
    int memoryThresholdMegabytes;
    int unreferenced;   // records of 256 bytes each
    bool deletes;
};

TEST_F(ThumbCacheTest, PurgePolicyDeletesOnlyUnreferencedRecordsPastTheThresholds)
{
    const PolicyRow rows[] = {
        {TCacheOptions::NeverDelete, 500, 1, 10, false},
        {7, 500, 1, 10, false},   // an unknown type deletes nothing
        {TCacheOptions::DeleteUnused, 500, 1, 10, true},
        {TCacheOptions::DeleteAboveObjectThreshold, 500, 1, 500, false},
        {TCacheOptions::DeleteAboveObjectThreshold, 500, 1, 501, true},
        {TCacheOptions::DeleteAboveMemoryThreshold, 500, 1, 4096, false},   // exactly 1 MiB
        {TCacheOptions::DeleteAboveMemoryThreshold, 500, 1, 4097, true},
    };
    for (const PolicyRow &row : rows) {
        CacheOptions->SetInt(TCacheOptions::CleanupType, row.cleanupType);
        CacheOptions->SetInt(TCacheOptions::ObjectThreshold, row.objectThreshold);
        CacheOptions->SetInt(TCacheOptions::MemoryThreshold, row.memoryThresholdMegabytes);
        makeRecords(row.unreferenced, "C:\\Pics");
        auto *held = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Other\\held.jpg");
        ThumbBitmapCache.PurgeByPolicy();
        EXPECT_EQ(ThumbBitmapCache.Count(), row.deletes ? 1 : row.unreferenced + 1)
            << "type " << row.cleanupType << ", " << row.unreferenced << " unreferenced";
        CThumbBitmap *found = FindThumbBitmap("C:\\Other\\held.jpg");
        EXPECT_EQ(found, held) << "a record in use is never deleted";
        if (found)
            found->Release();
        held->Release();
        ThumbBitmapCache.Purge(true);
    }
}

TEST_F(ThumbCacheTest, PurgeDropsDecodedBitmapsUnlessTheyAreCached)
{
    for (const int cacheBitmaps : {0, 1}) {
        CacheOptions->SetInt(TCacheOptions::CacheBitmaps, cacheBitmaps);
        auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
        ASSERT_TRUE(record->ClaimForLoading());
        record->EndLoading(TThumbState::Loaded, JpegBytes(1, 1));
        // A browse-file record has no thumbnail size until it is read: give it one.
        record->ChangePath("C:\\Pics\\a.jpg");
        CBitmapObject *bitmap = record->GetBitmap();
        if (bitmap)
            bitmap->Release();
        ThumbBitmapCache.Purge(false);
        EXPECT_EQ(record->HasBitmap(), bitmap && cacheBitmaps) << "Cache Bitmaps " << cacheBitmaps;
        record->Release();
        ThumbBitmapCache.Purge(true);
    }
}

TEST_F(ThumbCacheTest, FolderCheckMarksGoneFilesOfThatFolderOnly)
{
    const CPath kept = writeJpegFile("Pics/kept.jpg", 8, 8);
    const CPath gone = writeJpegFile("Pics/gone.jpg", 8, 8);
    const CPath building = writeJpegFile("Pics/building.jpg", 8, 8);
    const CPath elsewhere = writeJpegFile("Other/gone.jpg", 8, 8);
    for (const CPath &path : {kept, gone, building, elsewhere})
        (new CThumbBitmap(CThumbBitmap::FromFile, path))->Release();
    CThumbBitmap *claimed = FindThumbBitmap(building);
    ASSERT_TRUE(claimed->ClaimForLoading());
    for (const char *name : {"/Pics/gone.jpg", "/Pics/building.jpg", "/Other/gone.jpg"})
        fs::remove(TestHostFolder() + name);

    ThumbBitmapCache.CheckFolderUpToDate(CPath(CString(TestWindowsPath("PICS"))), false);
    EXPECT_EQ(ThumbBitmapCache.Count(), 3);
    EXPECT_EQ(FindThumbBitmap(gone), nullptr);
    for (const CPath &path : {kept, elsewhere}) {
        CThumbBitmap *found = FindThumbBitmap(path);
        EXPECT_NE(found, nullptr) << path.c_str();
        if (found)
            found->Release();
    }
    EXPECT_FALSE(claimed->GetDeleteWhenFree()) << "a record being built is left alone";
    claimed->EndLoading(TThumbState::Failed);
    claimed->Release();
}

TEST_F(ThumbCacheTest, TheCachedRecordFollowsARenamedFile)
{
    const CPath path = writeJpegFile("Pics/a.jpg", 8, 8);
    auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
    TFileHandler file(path);
    ASSERT_TRUE(file.Rename("b.jpg"));
    EXPECT_STREQ(record->GetFullPath(), file.GetFullPath());
    CThumbBitmap *found = FindThumbBitmap(file.GetFullPath());
    EXPECT_EQ(found, record);
    if (found)
        found->Release();
    EXPECT_EQ(FindThumbBitmap(path), nullptr);
    record->Release();
}

TEST_F(ThumbCacheTest, ARenameOntoTheNameOfAGoneFileLeavesOneRecord)
{
    auto *gone = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    gone->Release();
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    RenameThumbBitmap("C:\\Pics\\a.jpg", "C:\\Pics\\b.jpg");
    EXPECT_EQ(ThumbBitmapCache.Count(), 1) << "the old record of b.jpg went";
    CThumbBitmap *found = FindThumbBitmap("C:\\Pics\\b.jpg");
    EXPECT_EQ(found, record);
    if (found)
        found->Release();
    record->Release();
}

TEST_F(ThumbCacheTest, AStaleRecordStillHeldIsNeverFoundAgain)
{
    // A window has not yet dropped b.jpg's record when a.jpg is renamed to b.jpg.
    auto *stale = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    RenameThumbBitmap("C:\\Pics\\a.jpg", "C:\\Pics\\b.jpg");
    for (const char *path : {"C:\\Pics\\b.jpg", "c:\\pics\\B.JPG"}) {
        SCOPED_TRACE(path);
        CThumbBitmap *found = FindThumbBitmap(path);
        EXPECT_EQ(found, record);
        if (found)
            found->Release();
        CThumbBitmap *foundOrMade = FindOrCreateThumbBitmap(path);
        EXPECT_EQ(foundOrMade, record);
        foundOrMade->Release();
    }
    EXPECT_EQ(ThumbBitmapCache.Count(), 1);
    EXPECT_EQ(ThumbBitmapCache.CopyToList(), std::vector<CThumbBitmap *>{record});
    record->Release();   // the copy's reference
    stale->Release();    // the window lets go: the stale record is deleted
    EXPECT_EQ(ThumbBitmapCache.Count(), 1);
    record->Release();
}

TEST_F(ThumbCacheTest, AListOfARunHoldsCachedRecordsOfItsOwn)
{
    auto *first = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    auto *second = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\b.jpg");
    CThumbBitmapHashedList run;
    run.Add(first);
    run.Add(second);
    EXPECT_EQ(run.Count(), 2);
    CThumbBitmap *found = run.Find("c:\\pics\\B.JPG");
    EXPECT_EQ(found, second);
    found->Release();
    // The run's references go, then its entries; the cache keeps both records.
    run.ReleaseAll();
    EXPECT_EQ(first->GetRefCount(), 0u);
    EXPECT_EQ(second->GetRefCount(), 0u);
    run.RemoveAll();
    EXPECT_EQ(run.Count(), 0);
    EXPECT_EQ(run.Find("C:\\Pics\\a.jpg"), nullptr);
    EXPECT_EQ(ThumbBitmapCache.Count(), 2);
}

} // namespace
