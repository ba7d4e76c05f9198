#include "ThumbTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/engine/ScanThread.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/ProductInfo.h>
#include <platform/Exception.h>
#include <platform/Messages.h>
#include <platform/Registry.h>

#include <QCoreApplication>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Message
{
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
};

// A browse window as the scan thread sees it: keeps the records it is sent,
// answers the list query, allows no sounds, and writes every message down.
class ScanOwner
{
public:
    ~ScanOwner()
    {
        stop();
        for (CThumbBitmap *record : m_records)
            record->Release();
    }

    void start(const CPath &folder)
    {
        m_context = new CScanThumbProgressContext(m_window.Handle(), std::make_unique<TWorkerProgressContext>());
        new TScanThread(folder, m_context, &m_threads, tpNormal);
    }
    // Terminates the scan and serves until its thread is gone.
    void stop()
    {
        if (!m_context)
            return;
        m_context->Terminate(true);
        m_context->Release();
        m_context = nullptr;
        EXPECT_TRUE(ServeUntil([&] { return m_threads.Count() == 0; })) << "the scan thread did not end";
    }

    bool serveUntilMessage(UINT id) { return ServeUntil([&] { return count(id) > 0; }); }

    int count(UINT id) const
    {
        int found = 0;
        for (const Message &message : messages)
            found += message.id == id;
        return found;
    }
    const Message *last(UINT id) const
    {
        for (auto message = messages.rbegin(); message != messages.rend(); ++message) {
            if (message->id == id)
                return &*message;
        }
        return nullptr;
    }
    // The messages' ids, without the sound queries.
    std::vector<UINT> ids() const
    {
        std::vector<UINT> found;
        for (const Message &message : messages) {
            if (message.id != UM_QUERY_AUDIO_FEEDBACK)
                found.push_back(message.id);
        }
        return found;
    }

    CScanThumbProgressContext *context() const { return m_context; }
    const std::vector<CThumbBitmap *> &records() const { return m_records; }

    std::vector<Message> messages;
    // Runs after a message is written down, in its handler.
    std::function<void(const Message &)> onMessage;

private:
    LRESULT handle(UINT id, WPARAM wParam, LPARAM lParam)
    {
        messages.push_back({id, wParam, lParam});
        if (id == UM_RECORD_ADDED || id == UM_BROWSE_RECORD_READ) {
            auto *record = reinterpret_cast<CThumbBitmap *>(lParam);
            record->AddRef();
            m_records.push_back(record);
        }
        if (onMessage)
            onMessage(messages.back());
        if (id != UM_GET_THUMBNAIL_LIST)
            return 0;
        for (CThumbBitmap *record : m_records) {
            record->AddRef();
            reinterpret_cast<std::vector<CThumbBitmap *> *>(lParam)->push_back(record);
        }
        return 1;
    }

    CMessageWindow m_window{[this](UINT id, WPARAM wParam, LPARAM lParam) { return handle(id, wParam, lParam); }};
    CScanThumbProgressContext *m_context = nullptr;   // one reference while scanning
    TScanThreadList m_threads;
    std::vector<CThumbBitmap *> m_records;   // one reference each
};

int filesIn(const std::string &hostFolder)
{
    int files = 0;
    if (std::filesystem::is_directory(hostFolder)) {
        for (const auto &entry : std::filesystem::directory_iterator(hostFolder))
            files += entry.is_regular_file();
    }
    return files;
}

class ScanThreadTest : public ThumbTest
{
protected:
    void TearDown() override
    {
        TScanThread::SetBuilderCount(m_builders);
        ThumbTest::TearDown();
    }

    // count small JPEGs "img000.jpg" and up in Pics.
    static void writeImages(int count)
    {
        for (int index = 0; index < count; ++index)
            writeJpegFile(QString("Pics/img%1.jpg").arg(index, 3, 10, QChar('0')), 16, 12);
    }
    static CPath pics() { return CPath(CString(TestWindowsPath("Pics"))); }

    // Rescans Pics as a window opening it does, saves its browse file, and
    // empties the cache, so that the next scan reads the browse file.
    static void writeBrowseFile()
    {
        {
            ScanOwner first;
            first.onMessage = [&](const Message &message) {
                if (message.id == UM_LOADER_END)
                    first.context()->SetSaveRequest(true);
            };
            first.start(pics());
            ASSERT_TRUE(first.serveUntilMessage(UM_BROWSE_SAVE_END));
            ASSERT_EQ(first.last(UM_BROWSE_SAVE_END)->wParam, 1u);
        }
        ThumbBitmapCache.Purge(true);
    }

    // Names a file for every sound event of a build, so that the owner is
    // asked whether it may play: one question per thumbnail built and one
    // per load. The file does not exist, so nothing plays.
    static void nameSoundEvents()
    {
        for (const char *event : {ThumbnailLoadedEvent, ThumbnailFailedEvent, LoadCompleteEvent}) {
            TRegistry registry;
            ASSERT_TRUE(registry.OpenKey(
                QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current").arg(ProductName).arg(QString::fromUtf8(event)), true));
            registry.WriteString(QString(), TestWindowsPath("missing.wav"));
        }
    }

    const int m_builders = TScanThread::BuilderCount();
};

TEST_F(ScanThreadTest, AFolderWithoutABrowseFileIsRescannedAtOnce)
{
    writeImages(3);
    writeJpegFile("Pics/.hidden.jpg", 16, 12);
    writeJpegFile("Pics/Sub/inside.jpg", 16, 12);
    WriteHostFile(TestHostFolder() + "/Pics/notes.txt", "text");
    ASSERT_EQ(::mkfifo((TestHostFolder() + "/Pics/pipe.jpg").c_str(), 0600), 0) << "a FIFO must never be opened";
    nameSoundEvents();
    ScanOwner owner;
    owner.start(pics());
    ASSERT_TRUE(owner.serveUntilMessage(UM_LOADER_END));

    const std::vector<UINT> expected = {
        UM_LOADER_BEGIN, UM_COUNT_BEGIN,    UM_COUNT_END,       UM_CREATE_BEGIN,   UM_RECORD_ADDED,
        UM_RECORD_ADDED, UM_RECORD_ADDED,   UM_CREATE_END,      UM_LOAD_BEGIN,     UM_LOAD_PROGRESS,
        UM_RECORD_LOADED, UM_LOAD_PROGRESS, UM_RECORD_LOADED,   UM_LOAD_PROGRESS,  UM_RECORD_LOADED,
        UM_LOAD_END,     UM_LOADER_END,
    };
    EXPECT_EQ(owner.ids(), expected);
    EXPECT_EQ(owner.last(UM_COUNT_END)->lParam, 3);
    EXPECT_EQ(owner.last(UM_LOAD_PROGRESS)->wParam, 2u);
    EXPECT_EQ(owner.last(UM_LOAD_PROGRESS)->lParam, 3);
    EXPECT_EQ(owner.last(UM_LOADER_END)->lParam, 3) << "thumbnails built";
    // One sound query per thumbnail built, and one for the whole load, which
    // comes after UM_LOADER_END.
    EXPECT_TRUE(ServeUntil([&] { return owner.count(UM_QUERY_AUDIO_FEEDBACK) == 4; }));
    ASSERT_EQ(owner.records().size(), 3u);
    for (const CThumbBitmap *record : owner.records())
        EXPECT_EQ(record->GetState(), TThumbState::Loaded) << record->GetFullPath().c_str();
    EXPECT_STREQ(owner.records()[0]->GetHandler().GetName(), "img000.jpg");
}

TEST_F(ScanThreadTest, CountingReportsEveryHundredthFile)
{
    writeImages(250);
    ScanOwner owner;
    owner.start(pics());
    ASSERT_TRUE(owner.serveUntilMessage(UM_COUNT_END));
    std::vector<LPARAM> progress;
    for (const Message &message : owner.messages) {
        if (message.id == UM_COUNT_PROGRESS)
            progress.push_back(message.lParam);
    }
    EXPECT_EQ(progress, (std::vector<LPARAM>{100, 200}));
    EXPECT_EQ(owner.last(UM_COUNT_END)->lParam, 250);
    ASSERT_TRUE(owner.serveUntilMessage(UM_LOADER_END));
    EXPECT_EQ(owner.last(UM_LOADER_END)->lParam, 250);
}

TEST_F(ScanThreadTest, AFolderWithABrowseFileIsLoadedAndRescannedOnlyWhenAsked)
{
    writeImages(4);
    ASSERT_NO_FATAL_FAILURE(writeBrowseFile());

    ScanOwner second;
    second.start(pics());
    ASSERT_TRUE(second.serveUntilMessage(UM_BROWSE_LOAD_END));
    EXPECT_EQ(second.last(UM_BROWSE_LOAD_END)->wParam, 1u);
    EXPECT_EQ(second.count(UM_BROWSE_RECORD_READ), 4);
    EXPECT_FALSE(ServeUntil([&] { return second.count(UM_LOADER_BEGIN) > 0; }, std::chrono::milliseconds(400)))
        << "no rescan until the window asks";
    for (const CThumbBitmap *record : second.records())
        EXPECT_EQ(record->GetState(), TThumbState::Loaded);

    second.context()->SetRescanRequest(true);
    ASSERT_TRUE(second.serveUntilMessage(UM_LOADER_END));
    EXPECT_EQ(second.last(UM_LOADER_END)->lParam, 0) << "records read from the browse file are kept";
}

TEST_F(ScanThreadTest, AnErrorEndsALoadOrASaveAndTheThreadServesTheNextRequest)
{
    writeImages(3);
    ASSERT_NO_FATAL_FAILURE(writeBrowseFile());

    // Every load and save moves the browse file to the central folder, whose
    // new name the registry then refuses to record.
    DiskOptions->SetInt(TDiskOptions::SpecialBrowseFolderOption, TDiskOptions::AlwaysSpecial);
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, TestWindowsPath("Central"));
    const std::string central = TestHostFolder() + "/Central";
    MessageBoxScript boxes;
    ScanOwner owner;
    {
        RefusedRegistryWrites refused("Browse File");
        owner.start(pics());
        ASSERT_TRUE(owner.serveUntilMessage(UM_BROWSE_LOAD_END));
        EXPECT_EQ(owner.last(UM_BROWSE_LOAD_END)->wParam, 0u);
        EXPECT_FALSE(owner.context()->IsLoading());
        EXPECT_EQ(filesIn(central), 0) << "a copy that no setting names was left";

        owner.context()->SetSaveRequest(true);
        ASSERT_TRUE(owner.serveUntilMessage(UM_BROWSE_SAVE_END));
        EXPECT_EQ(owner.last(UM_BROWSE_SAVE_END)->wParam, 0u);
        EXPECT_FALSE(owner.context()->IsSaving());
        EXPECT_EQ(filesIn(central), 0) << "a copy that no setting names was left";
    }

    // The same thread serves the next request.
    owner.messages.clear();
    owner.context()->SetSaveRequest(true);
    ASSERT_TRUE(owner.serveUntilMessage(UM_BROWSE_SAVE_END));
    EXPECT_EQ(owner.last(UM_BROWSE_SAVE_END)->wParam, 1u);
    EXPECT_EQ(filesIn(central), 1);
    EXPECT_FALSE(HostFileExists(TestHostFolder() + "/Pics/Thumbnail.zilo"));
    EXPECT_TRUE(boxes.boxes().empty());
}

// Progress and records are posted, so the worker may be ahead of what the
// window has seen; the sound question after each thumbnail built is a send,
// which holds the worker while the window answers it.

TEST_F(ScanThreadTest, AnAbortLeavesTheRecordsNotReachedPending)
{
    TScanThread::SetBuilderCount(0);
    writeImages(10);
    nameSoundEvents();
    ScanOwner owner;
    owner.onMessage = [&](const Message &) {
        if (owner.count(UM_QUERY_AUDIO_FEEDBACK) == 4)
            owner.context()->SetAborted(true);
    };
    owner.start(pics());
    ASSERT_TRUE(owner.serveUntilMessage(UM_LOADER_END));
    EXPECT_EQ(owner.last(UM_LOADER_END)->lParam, 4) << "the records built before the abort";
    EXPECT_EQ(owner.count(UM_RECORD_LOADED), 4);
    ASSERT_EQ(owner.records().size(), 10u);
    for (size_t index = 0; index < 10; ++index)
        EXPECT_EQ(owner.records()[index]->GetState(), index < 4 ? TThumbState::Loaded : TThumbState::Pending) << index;
}

TEST_F(ScanThreadTest, PausedBuildersRestUntilUnpaused)
{
    TScanThread::SetBuilderCount(2);
    writeImages(40);
    nameSoundEvents();
    ScanOwner owner;
    const auto loaded = [&] {
        int count = 0;
        for (const CThumbBitmap *record : owner.records())
            count += record->GetState() == TThumbState::Loaded;
        return count;
    };
    int loadedWhenPaused = -1;
    owner.onMessage = [&](const Message &message) {
        if (message.id == UM_QUERY_AUDIO_FEEDBACK && loadedWhenPaused < 0) {
            owner.context()->SetPaused(true);
            loadedWhenPaused = loaded();
        }
    };
    owner.start(pics());
    ASSERT_TRUE(ServeUntil([&] { return loadedWhenPaused >= 0; }));
    EXPECT_FALSE(ServeUntil([&] { return owner.count(UM_LOAD_PROGRESS) > 1; }, std::chrono::milliseconds(300)));
    // The builds under way when the pause came may still end, one a builder.
    EXPECT_LE(loaded(), loadedWhenPaused + 2);
    owner.context()->SetPaused(false);
    ASSERT_TRUE(owner.serveUntilMessage(UM_LOADER_END));
    EXPECT_EQ(loaded(), 40);
}

TEST_F(ScanThreadTest, AnErrorInARescanIsReportedAndTheNextRequestIsServed)
{
    writeImages(2);
    MessageBoxScript boxes;
    ScanOwner owner;
    bool raised = false;
    owner.onMessage = [&](const Message &message) {
        if (message.id == UM_LOADER_BEGIN && !std::exchange(raised, true))
            throw Exception("Out of paper");
    };
    owner.start(pics());
    ASSERT_TRUE(ServeUntil([&] { return boxes.boxes().size() == 1; }));
    EXPECT_EQ(boxes.boxes()[0].text, "Out of paper");
    EXPECT_EQ(boxes.boxes()[0].type, WarningBoxFlags);
    EXPECT_FALSE(owner.context()->IsLoading());
    owner.context()->SetRescanRequest(true);
    ASSERT_TRUE(owner.serveUntilMessage(UM_LOADER_END));
    EXPECT_EQ(owner.last(UM_LOADER_END)->lParam, 2);
}

TEST_F(ScanThreadTest, AfterTerminateNothingMoreIsSent)
{
    writeImages(6);
    ScanOwner owner;
    owner.onMessage = [&](const Message &message) {
        if (message.id == UM_LOAD_PROGRESS && message.wParam == 2)
            owner.context()->Terminate(true);
    };
    owner.start(pics());
    ASSERT_TRUE(ServeUntil([&] { return owner.count(UM_LOAD_PROGRESS) > 2; }));
    owner.stop();
    EXPECT_EQ(owner.messages.back().id, UM_LOAD_PROGRESS);
    EXPECT_EQ(owner.count(UM_LOADER_END), 0);
}

// After an update each file that shows is looked at for its time and size,
// and read only when one of them changed. Every file is overwritten with
// bytes that are no image before the update: one that is read again is no
// longer shown, one that is only looked at keeps its thumbnail.
TEST_F(ScanThreadTest, AnUpdateReadsOnlyTheFilesWhoseTimeOrSizeChanged)
{
    struct Case
    {
        const char *name;
        bool fromBrowseFile;   // the records were read from a browse file, not built by a rescan
        int extraBytes;        // the file's size grows by this much
        int laterSeconds;      // its time moves on by this much
        bool readAgain;
    };
    const Case cases[] = {
        {"unchanged, built by a rescan", false, 0, 0, false},
        {"unchanged, read from the browse file", true, 0, 0, false},
        {"a byte longer at the same time", false, 1, 0, true},
        {"the same size at a later time", false, 0, 5, true},
        {"a later time, read from the browse file", true, 0, 5, true},
    };
    int caseIndex = 0;
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        const QString name = QString("Update%1/photo.pic").arg(caseIndex++);
        const CPath path = writeJpegFile(name, 16, 12);
        const CPath folder(path.GetDirPart());
        if (test.fromBrowseFile) {
            ScanOwner first;
            first.onMessage = [&](const Message &message) {
                if (message.id == UM_LOADER_END)
                    first.context()->SetSaveRequest(true);
            };
            first.start(folder);
            ASSERT_TRUE(first.serveUntilMessage(UM_BROWSE_SAVE_END));
        }
        ThumbBitmapCache.Purge(true);

        ScanOwner owner;
        owner.start(folder);
        ASSERT_TRUE(owner.serveUntilMessage(test.fromBrowseFile ? UM_BROWSE_LOAD_END : UM_LOADER_END));
        ASSERT_EQ(owner.records().size(), 1u);
        ASSERT_EQ(owner.records()[0]->GetState(), TThumbState::Loaded);

        const std::string hostPath = TestHostFolder() + "/" + name.toStdString();
        const auto modified = std::filesystem::last_write_time(hostPath);
        const auto size = qsizetype(std::filesystem::file_size(hostPath));
        WriteHostFile(hostPath, QByteArray(size + test.extraBytes, '\0'));
        std::filesystem::last_write_time(hostPath, modified + std::chrono::seconds(test.laterSeconds));

        const int rescans = owner.count(UM_LOADER_END);
        owner.context()->SetCheckRequest(false);
        owner.context()->SetRescanRequest(true);
        ASSERT_TRUE(ServeUntil([&] { return owner.count(UM_LOADER_END) > rescans; }));
        CThumbBitmap *cached = FindThumbBitmap(path);
        if (test.readAgain) {
            EXPECT_EQ(cached, nullptr) << "a file read again that is no image is not shown";
            EXPECT_EQ(owner.last(UM_COUNT_END)->lParam, 0);
        } else {
            EXPECT_EQ(cached, owner.records()[0]) << "the record of a file only looked at stays";
            EXPECT_EQ(owner.records()[0]->GetState(), TThumbState::Loaded);
            EXPECT_EQ(owner.last(UM_COUNT_END)->lParam, 1) << "the rescan does not read it either";
        }
        if (cached)
            cached->Release();
    }
}

TEST_F(ScanThreadTest, TwoWindowsOnOneFolderBuildEachRecordOnce)
{
    writeImages(20);
    nameSoundEvents();
    ScanOwner first;
    ScanOwner second;
    first.start(pics());
    second.start(pics());
    ASSERT_TRUE(ServeUntil([&] { return first.count(UM_LOADER_END) && second.count(UM_LOADER_END); }));
    EXPECT_EQ(first.last(UM_LOADER_END)->lParam + second.last(UM_LOADER_END)->lParam, 20);
    // Each window's sound queries: one per record it built, and one for the
    // load, which comes after UM_LOADER_END.
    const auto queries = [&] { return first.count(UM_QUERY_AUDIO_FEEDBACK) + second.count(UM_QUERY_AUDIO_FEEDBACK); };
    EXPECT_TRUE(ServeUntil([&] { return queries() >= 22; }));
    EXPECT_FALSE(ServeUntil([&] { return queries() > 22; }, std::chrono::milliseconds(200)));
    EXPECT_EQ(ThumbBitmapCache.Count(), 20) << "one record per file";
}

} // namespace
