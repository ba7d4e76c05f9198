#include "ThumbTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/engine/BatchEngine.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/BuildAhead.h>
#include <Source/engine/ScanThread.h>
#include <Source/engine/UserMessages.h>
#include <platform/Messages.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Message
{
    UINT id;
    WPARAM wParam;
    std::string text;               // the folder or log text of the batch messages
    CThumbBitmap *record = nullptr; // UM_THUMBNAIL_STATUS's, not held
};

// The batch window as the engine sees it: answers the ignore question as
// told, allows no sounds, keeps no records and writes every message down.
class BatchOwner
{
public:
    ~BatchOwner()
    {
        if (m_context)
            m_context->Release();
    }

    // Starts a run over files and keeps a reference of its own on the
    // context, to learn when the engine has let go of it.
    void start(const std::vector<CPath> &files)
    {
        m_context = new CBatchThumbProgressContext(m_window.Handle(), std::make_unique<TWorkerProgressContext>());
        new TBatchEngine(files, m_context, tpNormal);
    }
    // Start pressed and Stop at once, before the engine's thread runs.
    void startStopped(const std::vector<CPath> &files)
    {
        m_context = new CBatchThumbProgressContext(m_window.Handle(), std::make_unique<TWorkerProgressContext>());
        m_context->Terminate(true);
        new TBatchEngine(files, m_context, tpNormal);
    }
    // Serves until the engine has ended and freed itself.
    bool serveUntilEnded()
    {
        return ServeUntil([&] { return m_context->GetRefCount() == 1; });
    }
    // What the window's Stop does before it lets go of the run.
    void stop() { m_context->Terminate(true); }
    void pause(bool paused) { m_context->SetPaused(paused); }

    // The ids of the messages, from the first of the batch's own, with the
    // browse files' own reports left out.
    std::vector<UINT> batchIds() const
    {
        std::vector<UINT> ids;
        for (const Message &message : messages) {
            if (message.id >= UM_RUN_BEGIN && message.id <= UM_REPORT_TEXT)
                ids.push_back(message.id);
        }
        return ids;
    }
    std::vector<const Message *> all(UINT id) const
    {
        std::vector<const Message *> found;
        for (const Message &message : messages) {
            if (message.id == id)
                found.push_back(&message);
        }
        return found;
    }
    int count(UINT id) const { return int(all(id).size()); }

    std::vector<Message> messages;
    bool ignoreBrowseFiles = false;
    std::function<void(const Message &)> onMessage;

private:
    LRESULT handle(UINT id, WPARAM wParam, LPARAM lParam)
    {
        Message message{id, wParam, {}};
        if (id == UM_FOLDER_BEGIN || id == UM_FOLDER_END || id == UM_REPORT_TEXT)
            message.text = reinterpret_cast<const char *>(lParam);
        if (id == UM_THUMBNAIL_STATUS)
            message.record = reinterpret_cast<CThumbBitmap *>(lParam);
        if (id == UM_RUN_BEGIN || id == UM_RUN_END)
            message.text = std::to_string(lParam);
        messages.push_back(message);
        if (onMessage)
            onMessage(messages.back());
        return id == UM_QUERY_IGNORE_BROWSE_FILES && ignoreBrowseFiles ? 1 : 0;
    }

    CMessageWindow m_window{[this](UINT id, WPARAM wParam, LPARAM lParam) { return handle(id, wParam, lParam); }};
    CBatchThumbProgressContext *m_context = nullptr;   // the test's own reference
};

// A browse file's records as a folder's scan would read them, in file order.
struct StoredRecord
{
    std::string name;
    TThumbState state;
    int width;   // of the image
    bool operator==(const StoredRecord &) const = default;
};

void PrintTo(const StoredRecord &record, std::ostream *out)
{
    *out << record.name << " state " << int(record.state) << " width " << record.width;
}

class BatchEngineTest : public ThumbTest
{
protected:
    void TearDown() override
    {
        TScanThread::SetBuilderCount(m_builders);
        ThumbTest::TearDown();
    }

    static CPath folder(const QString &name) { return CPath(CString(TestWindowsPath(name))); }
    static CPath image(const QString &name, uint32_t width = 16, uint32_t height = 12)
    {
        return writeJpegFile(name, width, height);
    }

    // Reads the folder's browse file with a cache of its own, as a window
    // opening the folder after a restart would.
    static std::vector<StoredRecord> storedRecords(const CPath &folder)
    {
        ThumbBitmapCache.Purge(true);
        std::vector<StoredRecord> stored;
        CMessageWindow window([](UINT, WPARAM, LPARAM) { return LRESULT(0); });
        auto *context = new CThumbProgressContext(window.Handle(), nullptr);
        {
            CBrowseFile browseFile(folder);
            EXPECT_TRUE(browseFile.Load(context));
            for (const CThumbBitmap *record : browseFile.Records())
                stored.push_back({std::string(record->GetHandler().GetName().c_str()), record->GetState(),
                                  int(record->GetHandler().GetWidth())});
        }
        // The records read are posted to the window: serve them.
        EXPECT_TRUE(ServeUntil([&] { return context->GetRefCount() == 1; }));
        context->Release();
        ThumbBitmapCache.Purge(true);
        return stored;
    }

    static bool browseFileExists(const CPath &folder) { return GetBrowseFilePath(folder).GetFileExists(); }

    // Runs the engine over files to its end.
    static void run(BatchOwner &owner, const std::vector<CPath> &files)
    {
        owner.start(files);
        ASSERT_TRUE(owner.serveUntilEnded()) << "the run did not end";
    }

    const int m_builders = TScanThread::BuilderCount();
};

TEST_F(BatchEngineTest, TwoFoldersKeepTheirBrowseFilesRecordsAndAddTheNewOnesInOrder)
{
    const CPath a1 = image("A/a1.jpg", 21);
    const CPath b0 = image("B/b0.jpg"), b1 = image("B/b1.jpg");
    {
        BatchOwner first;
        ASSERT_NO_FATAL_FAILURE(run(first, {a1, b0, b1}));
    }
    ASSERT_EQ(storedRecords(folder("A")).size(), 1u);
    const QByteArray bBefore = ReadHostFile(TestHostFolder() + "/B/Thumbnail.zilo");
    ASSERT_FALSE(bBefore.isEmpty());
    // a1 changes on disk: its old record stays as the browse file holds it.
    image("A/a1.jpg", 23);
    const CPath a0 = image("A/a0.jpg", 20), a2 = image("A/a2.jpg", 22);

    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, {a2, a0, a1, b0, b1}));

    const std::vector<UINT> expected = {
        UM_RUN_BEGIN,        UM_FOLDER_BEGIN, UM_THUMBNAIL_STATUS, UM_THUMBNAIL_STATUS, UM_FOLDER_END,
        UM_FOLDER_BEGIN,     UM_FOLDER_END,   UM_RUN_END,
    };
    EXPECT_EQ(owner.batchIds(), expected);
    const auto statuses = owner.all(UM_THUMBNAIL_STATUS);
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[0]->record->GetFullPath(), a2);
    EXPECT_EQ(statuses[1]->record->GetFullPath(), a0);
    EXPECT_EQ(statuses[0]->wParam, 1u) << "built by this run";
    const auto begins = owner.all(UM_FOLDER_BEGIN), ends = owner.all(UM_FOLDER_END);
    ASSERT_EQ(begins.size(), 2u);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(begins[0]->text, folder("A").c_str());
    EXPECT_EQ(ends[0]->text, folder("A").c_str());
    EXPECT_EQ(ends[0]->wParam, 2u) << "new thumbnails of A";
    EXPECT_EQ(begins[1]->text, folder("B").c_str());
    EXPECT_EQ(ends[1]->wParam, 0u);
    EXPECT_EQ(owner.all(UM_RUN_BEGIN)[0]->text, "5");
    EXPECT_EQ(owner.all(UM_RUN_END)[0]->text, "5");
    EXPECT_EQ(owner.count(UM_QUERY_IGNORE_BROWSE_FILES), 2) << "asked once per folder";
    EXPECT_EQ(owner.count(UM_BROWSE_LOAD_END), 2);
    EXPECT_EQ(owner.count(UM_BROWSE_SAVE_END), 1) << "B had nothing new and is not written again";

    const std::vector<StoredRecord> storedA = {
        {"a0.jpg", TThumbState::Loaded, 20},
        {"a1.jpg", TThumbState::Loaded, 21},
        {"a2.jpg", TThumbState::Loaded, 22},
    };
    EXPECT_EQ(storedRecords(folder("A")), storedA) << "the folder's sort order, by name";
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/B/Thumbnail.zilo"), bBefore);
}

TEST_F(BatchEngineTest, IgnoringBrowseFilesBuildsEveryFileAgain)
{
    const CPath a0 = image("A/a0.jpg");
    {
        BatchOwner first;
        ASSERT_NO_FATAL_FAILURE(run(first, {a0}));
    }
    ThumbBitmapCache.Purge(true);
    const CPath a1 = image("A/a1.jpg");
    BatchOwner owner;
    owner.ignoreBrowseFiles = true;
    ASSERT_NO_FATAL_FAILURE(run(owner, {a0, a1}));
    EXPECT_EQ(owner.count(UM_BROWSE_LOAD_BEGIN), 0) << "the old browse file is not read";
    EXPECT_EQ(owner.count(UM_THUMBNAIL_STATUS), 2);
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, 2u);
    EXPECT_EQ(storedRecords(folder("A")).size(), 2u);
}

TEST_F(BatchEngineTest, ARunOfNoFilesEndsAnEmptyFolderAndWritesNothing)
{
    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, {}));
    EXPECT_EQ(owner.batchIds(), (std::vector<UINT>{UM_RUN_BEGIN, UM_FOLDER_END, UM_RUN_END}));
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, 0u);
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->text, "");
    EXPECT_EQ(owner.all(UM_RUN_BEGIN)[0]->text, "0");
}

TEST_F(BatchEngineTest, AFolderWhoseFilesAllFailIsNotWritten)
{
    std::filesystem::create_directories(TestHostFolder() + "/A");
    WriteHostFile(TestHostFolder() + "/A/bad.jpg", "not a picture");
    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, {folder("A").AppendFileName("bad.jpg")}));
    const auto statuses = owner.all(UM_THUMBNAIL_STATUS);
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0]->wParam, 1u) << "claimed and built, if failed";
    EXPECT_EQ(statuses[0]->record->GetState(), TThumbState::Failed);
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, 0u);
    EXPECT_EQ(owner.count(UM_BROWSE_SAVE_BEGIN), 0);
    EXPECT_FALSE(browseFileExists(folder("A")));
}

TEST_F(BatchEngineTest, AStopPartWayStillSavesTheFolderAndReturnsEveryReference)
{
    std::vector<CPath> files;
    for (int index = 0; index < 40; ++index)
        files.push_back(image(QString("A/a%1.jpg").arg(index, 2, 10, QChar('0'))));
    files.push_back(image("B/b0.jpg"));
    BatchOwner owner;
    size_t messagesAtStop = 0;
    owner.onMessage = [&](const Message &message) {
        if (message.id == UM_THUMBNAIL_STATUS && owner.count(UM_THUMBNAIL_STATUS) == 3) {
            owner.stop();
            messagesAtStop = owner.messages.size();
        }
    };
    ASSERT_NO_FATAL_FAILURE(run(owner, files));

    EXPECT_EQ(owner.messages.size(), messagesAtStop) << "nothing reaches the window after the stop";
    const std::vector<StoredRecord> stored = storedRecords(folder("A"));
    EXPECT_GE(stored.size(), 3u) << "the folder in hand is written";
    EXPECT_LT(stored.size(), files.size() - 1) << "the run ended early";
    for (const StoredRecord &record : stored)
        EXPECT_EQ(record.state, TThumbState::Loaded) << record.name;
    EXPECT_FALSE(browseFileExists(folder("B")));
    EXPECT_EQ(ThumbBitmapCache.GetStatistics().inUse, 0) << "every record let go";
}

TEST_F(BatchEngineTest, ARunStoppedBeforeItsThreadStartsDoesNothing)
{
    const CPath a0 = image("A/a0.jpg");
    BatchOwner owner;
    owner.startStopped({a0});
    ASSERT_TRUE(owner.serveUntilEnded());
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_FALSE(browseFileExists(folder("A")));
}

TEST_F(BatchEngineTest, FoldersWhoseNamesDifferInCaseAreTwoFolders)
{
    const CPath upper = image("Pics/a.jpg", 30, 20);
    const CPath lower = image("pics/a.jpg", 10, 20);
    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, {upper, lower}));
    EXPECT_EQ(owner.count(UM_FOLDER_BEGIN), 2);
    const auto statuses = owner.all(UM_THUMBNAIL_STATUS);
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_NE(statuses[0]->record, statuses[1]->record);
    EXPECT_EQ(statuses[1]->record->GetFullPath(), lower);
    EXPECT_TRUE(HostFileExists(TestHostFolder() + "/pics/Thumbnail.zilo"));
    EXPECT_EQ(storedRecords(folder("Pics")), (std::vector<StoredRecord>{{"a.jpg", TThumbState::Loaded, 30}}));
    EXPECT_EQ(storedRecords(folder("pics")), (std::vector<StoredRecord>{{"a.jpg", TThumbState::Loaded, 10}}));
}

TEST_F(BatchEngineTest, ARecordABrowseWindowIsBuildingIsStoredPending)
{
    const CPath busy = image("A/busy.jpg"), free = image("A/free.jpg");
    CThumbBitmap *building = FindOrCreateThumbBitmap(busy);
    ASSERT_TRUE(building->ClaimForLoading()) << "a browse window's scan builds it";
    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, {busy, free}));
    const auto statuses = owner.all(UM_THUMBNAIL_STATUS);
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[0]->wParam, 0u) << "the engine did not build it";
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, 1u);
    building->EndLoading(TThumbState::Pending);
    building->Release();
    EXPECT_EQ(storedRecords(folder("A")), (std::vector<StoredRecord>{
                                              {"busy.jpg", TThumbState::Pending, 16},
                                              {"free.jpg", TThumbState::Loaded, 16},
                                          }));
}

TEST_F(BatchEngineTest, FoldersBuiltOnEveryCoreAreReportedFolderByFolderInListOrder)
{
    TScanThread::SetBuilderCount(4);
    std::vector<CPath> files;
    for (const char *name : {"A", "B", "C"}) {
        for (int index = 0; index < 8; ++index)
            files.push_back(image(QString("%1/img%2.jpg").arg(name).arg(7 - index)));
    }
    BatchOwner owner;
    ASSERT_NO_FATAL_FAILURE(run(owner, files));
    std::vector<UINT> expected = {UM_RUN_BEGIN};
    for (int folder = 0; folder < 3; ++folder) {
        expected.push_back(UM_FOLDER_BEGIN);
        expected.insert(expected.end(), 8, UM_THUMBNAIL_STATUS);
        expected.push_back(UM_FOLDER_END);
    }
    expected.push_back(UM_RUN_END);
    EXPECT_EQ(owner.batchIds(), expected);
    const auto statuses = owner.all(UM_THUMBNAIL_STATUS);
    ASSERT_EQ(statuses.size(), files.size());
    for (size_t index = 0; index < files.size(); ++index) {
        EXPECT_EQ(statuses[index]->record->GetFullPath(), files[index]) << index;
        EXPECT_EQ(statuses[index]->record->GetState(), TThumbState::Loaded) << index;
        EXPECT_EQ(statuses[index]->wParam, 1u) << index;
    }
    for (const Message *end : owner.all(UM_FOLDER_END))
        EXPECT_EQ(end->wParam, 8u) << end->text;
    for (const char *name : {"A", "B", "C"})
        EXPECT_EQ(storedRecords(folder(name)).size(), 8u) << name;
}

TEST_F(BatchEngineTest, AFolderEndCountsPastWhatSixteenBitsHold)
{
    // Records the cache holds loaded already count as new and need no file.
    const int count = 32768 + 2;
    const std::vector<uint8_t> jpeg = JpegBytes(4, 3);
    std::vector<CPath> files;
    for (int index = 0; index < count; ++index) {
        files.push_back(folder("A").AppendFileName(QString("img%1.jpg").arg(index, 5, 10, QChar('0')).toUtf8()));
        auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, files.back());
        record->ClaimForLoading();
        record->EndLoading(TThumbState::Loaded, jpeg);
        record->Release();
    }
    std::filesystem::create_directories(TestHostFolder() + "/A");
    BatchOwner owner;
    owner.ignoreBrowseFiles = true;
    ASSERT_NO_FATAL_FAILURE(run(owner, files));
    ASSERT_EQ(owner.count(UM_FOLDER_END), 1);
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, WPARAM(count));
}

TEST_F(BatchEngineTest, APausedRunBuildsNothingMoreUntilItResumes)
{
    std::vector<CPath> files;
    // Two builders and enough large files that they cannot finish them all
    // before the pause.
    TScanThread::SetBuilderCount(2);
    for (int index = 0; index < 160; ++index)
        files.push_back(image(QString("A/a%1.jpg").arg(index, 3, 10, QChar('0')), 640, 480));
    BatchOwner owner;
    owner.onMessage = [&](const Message &message) {
        if (message.id == UM_THUMBNAIL_STATUS && owner.count(UM_THUMBNAIL_STATUS) == 2)
            owner.pause(true);
    };
    const auto loadedRecords = [] {
        int loaded = 0;
        for (CThumbBitmap *record : ThumbBitmapCache.CopyToList()) {
            loaded += record->GetState() == TThumbState::Loaded;
            record->Release();
        }
        return loaded;
    };
    owner.start(files);
    ASSERT_TRUE(ServeUntil([&] { return owner.count(UM_THUMBNAIL_STATUS) == 2; }));
    // The builds under way when the pause came may still end.
    EXPECT_FALSE(ServeUntil([&] { return owner.count(UM_THUMBNAIL_STATUS) > 2; }, std::chrono::milliseconds(300)));
    const int loadedWhilePaused = loadedRecords();
    EXPECT_FALSE(ServeUntil([&] { return owner.count(UM_THUMBNAIL_STATUS) > 2; }, std::chrono::milliseconds(300)));
    EXPECT_EQ(loadedRecords(), loadedWhilePaused) << "nothing is built while paused";
    EXPECT_LT(loadedWhilePaused, int(files.size()));

    owner.pause(false);
    ASSERT_TRUE(owner.serveUntilEnded());
    EXPECT_EQ(owner.count(UM_THUMBNAIL_STATUS), int(files.size()));
    EXPECT_EQ(owner.all(UM_FOLDER_END)[0]->wParam, files.size());
}

// The threads of this process at the nice value.
int threadsAtNice(int nice)
{
    int threads = 0;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        if (line.rfind(')') == std::string::npos)
            continue;   // the thread ended meanwhile
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
        threads += values.size() > 16 && std::stoi(values[16]) == nice;
    }
    return threads;
}

// A worker that is never started: its priority is only a level to follow.
class IdleWorker : public TThread
{
protected:
    void Execute() override {}
};

TEST_F(BatchEngineTest, ARunsBuildersTakeOnItsPriorityEvenWhilePaused)
{
    std::vector<CThumbBitmap *> records;
    for (int index = 0; index < 8; ++index)
        records.push_back(new CThumbBitmap(CThumbBitmap::FromBrowseFile,
                                           folder("A").AppendFileName(QString("a%1.jpg").arg(index).toUtf8())));
    CMessageWindow window([](UINT, WPARAM, LPARAM) { return LRESULT(0); });
    auto *context = new CBatchThumbProgressContext(window.Handle(), nullptr);
    context->SetPaused(true);
    IdleWorker worker;
    const int before = threadsAtNice(10);
    {
        TBuildAhead pool(records, context, 4, &worker);
        worker.SetPriority(tpLowest);
        EXPECT_TRUE(ServeUntil([&] { return threadsAtNice(10) == before + 4; })) << "every builder at the lowest level";
        context->Terminate(true);
    }
    context->Release();
    for (CThumbBitmap *record : records) {
        EXPECT_EQ(record->GetState(), TThumbState::Pending) << "nothing built while paused";
        record->Release();
    }
}

TEST_F(BatchEngineTest, AReportedTextGoesToTheRunLog)
{
    std::vector<std::string> texts;
    CMessageWindow window([&](UINT id, WPARAM, LPARAM lParam) {
        if (id == UM_REPORT_TEXT)
            texts.push_back(reinterpret_cast<const char *>(lParam));
        return LRESULT(0);
    });
    auto *context = new CBatchThumbProgressContext(window.Handle(), nullptr);
    context->ReportText("Disk full", WarningBoxFlags);
    context->Release();
    EXPECT_EQ(texts, std::vector<std::string>{"Disk full"}) << "no message box";
}

} // namespace
