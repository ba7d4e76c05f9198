#include "ThumbTestSupport.h"

#include <Source/engine/ZiloOptions.h>

#include <QCoreApplication>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

// Run under ThreadSanitizer too: the suites' names end in "Threads".

namespace {

using ThumbCacheThreads = ThumbTest;

TEST_F(ThumbCacheThreads, EightRacingClaimsHaveOneWinner)
{
    auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> winners{0};
        std::atomic<bool> start{false};
        std::vector<std::thread> threads;
        for (int thread = 0; thread < 8; ++thread) {
            threads.emplace_back([&] {
                while (!start)
                    std::this_thread::yield();
                if (record->ClaimForLoading())
                    ++winners;
            });
        }
        start = true;
        for (std::thread &thread : threads)
            thread.join();
        EXPECT_EQ(winners.load(), 1) << "round " << round;
        record->EndLoading(TThumbState::Failed);
    }
    record->Release();
}

// The folders a worker picks from: the files do not exist, so every folder
// check marks the records it meets stale.
CPath pathOf(int folder, int file)
{
    CString path;
    path.Format("C:\\Folder%d\\img%03d.jpg", folder, file);
    return CPath(path);
}

// What a scan thread does: find or create under the find-or-create lock,
// claim, build, look at the result, give the record up.
void workOnRecords(int seed, const std::atomic<bool> &stop, std::atomic<int> &rounds, const std::vector<uint8_t> &jpeg)
{
    std::minstd_rand random{uint32_t(seed)};
    for (; !stop; ++rounds) {
        const CPath path = pathOf(int(random() % 3), int(random() % 60));
        EnterThumbBitmapLock();
        CThumbBitmap *record = FindThumbBitmap(path);
        if (!record)
            record = new CThumbBitmap(CThumbBitmap::FromFile, path);
        LeaveThumbBitmapLock();

        RecordingClient client;
        client.SetBitmap(record);
        if (record->ClaimForLoading())
            record->EndLoading(random() % 4 ? TThumbState::Loaded : TThumbState::Failed, jpeg);
        if (CBitmapObject *bitmap = record->GetBitmap())
            bitmap->Release();
        (void)record->GetMemorySize();
        (void)record->GetState();
        if (random() % 8 == 0)
            record->ReleaseData();
        if (random() % 16 == 0)
            record->ChangePath(pathOf(int(random() % 3), int(random() % 60)));
        client.SetBitmap(nullptr);
        record->Release();
    }
}

TEST_F(ThumbCacheThreads, WorkersAndTheWindowThreadShareTheCache)
{
    CacheOptions->SetInt(TCacheOptions::CleanupType, TCacheOptions::DeleteAboveObjectThreshold);
    CacheOptions->SetInt(TCacheOptions::ObjectThreshold, 40);
    const std::vector<uint8_t> jpeg = JpegBytes(1, 1);
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::vector<std::thread> workers;
    for (int seed = 1; seed <= 6; ++seed)
        workers.emplace_back(workOnRecords, seed, std::cref(stop), std::ref(rounds), std::cref(jpeg));

    // The window thread: stale marks, purges, statistics and folder checks,
    // until the workers have been through their round many times.
    std::minstd_rand random(99);
    for (int step = 0; step < 400 || rounds < 3000; ++step) {
        switch (step % 5) {
        case 0:
            if (CThumbBitmap *record = FindThumbBitmap(pathOf(int(random() % 3), int(random() % 60)))) {
                record->MarkStale();
                record->Release();
            }
            break;
        case 1:
            ThumbBitmapCache.PurgeByPolicy();
            break;
        case 2:
            ThumbBitmapCache.Purge(random() % 2 == 0);
            break;
        case 3:
            (void)ThumbBitmapCache.GetStatistics();
            break;
        case 4:
            ThumbBitmapCache.CheckFolderUpToDate(pathOf(int(random() % 3), 0).GetDirPart(), random() % 2 == 0);
            break;
        }
        QCoreApplication::processEvents();
    }
    stop = true;
    for (std::thread &worker : workers)
        worker.join();

    const TThumbStatistics totals = ThumbBitmapCache.GetStatistics();
    EXPECT_EQ(totals.inUse, 0) << "every worker gave its records up";
    EXPECT_EQ(totals.all, ThumbBitmapCache.Count());
}

} // namespace
