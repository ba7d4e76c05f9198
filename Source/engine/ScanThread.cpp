#include "ScanThread.h"

#include "BrowseFile.h"
#include "FileHandler.h"
#include "FolderOptions.h"
#include "ThumbBitmap.h"
#include "ThumbCache.h"
#include "ThumbProgressContext.h"
#include "UserMessages.h"

#include <Source/Glob.h>

#include <lib/imaging/ImgLib.h>
#include <platform/Debug.h>
#include <platform/FileFind.h>
#include <platform/Files.h>
#include <platform/MemoryStatus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// How long the scan thread rests between two looks at the window's requests.
constexpr auto RequestPollInterval = std::chrono::milliseconds(150);
// How often a paused builder looks whether it may go on.
constexpr auto PausePollInterval = std::chrono::milliseconds(20);
// UM_COUNT_PROGRESS after every this many image files.
constexpr int CountProgressStep = 100;

int defaultBuilderCount()
{
    const int cores = int(std::thread::hardware_concurrency());
    return cores > 1 ? cores : 0;
}

std::atomic<int> s_builderCount{defaultBuilderCount()};

LPARAM recordParameter(CThumbBitmap *record)
{
    return reinterpret_cast<LPARAM>(record);
}

// IsFileIncluded for a file a folder listing found. A file whose cached
// thumbnail was built from it as it is now is not opened again: a rescan of
// a folder that did not change reads no file.
bool isListedFileIncluded(const CPath &path, const WIN32_FIND_DATAA &found)
{
    CThumbBitmap *cached = FindThumbBitmap(path);
    const bool known = cached && cached->IsBuiltFrom(TFileHandler(path, found));
    if (cached)
        cached->Release();
    return IsFileIncluded(path, known);
}

// Runs work(index) for every index below count on `threads` threads besides
// the caller's, each taking the next index not yet taken, until stop answers
// true. Each thread prepares the imaging library first. An error of one index
// is written to the debug output and the others go on.
void forEachIndex(int count, int threads, const std::function<bool()> &stop, const std::function<void(int)> &work)
{
    std::atomic<int> next{0};
    const auto run = [&] {
        InitImageLibrary();
        for (int index = next++; index < count && !stop(); index = next++) {
            try {
                work(index);
            } catch (const std::exception &error) {
                OutputDebugStringA(error.what());
            }
        }
        ImgClearJPGOutputText();
    };
    std::vector<std::thread> pool;
    for (int thread = 0; thread < std::min(threads, count); ++thread)
        pool.emplace_back(run);
    run();
    for (std::thread &thread : pool)
        thread.join();
}

// Builds the records of a rescan ahead of the scan thread, which reports them
// one after another in order. A record is taken by exactly one thread (a
// builder, or the scan thread when it gets there first); the taker claims it
// and builds it when the claim succeeds. On stop no new build starts; builds
// under way end, or stop by the context's terminate flag.
class TBuildAhead
{
public:
    TBuildAhead(const std::vector<CThumbBitmap *> &records, CThumbProgressContext *context, int builders)
        : m_records(records), m_context(context), m_status(records.size())
    {
        for (int builder = 0; builder < std::min<int>(builders, int(records.size())); ++builder)
            m_builders.emplace_back([this] { buildAhead(); });
    }
    ~TBuildAhead()
    {
        m_stopping = true;
        for (std::thread &builder : m_builders)
            builder.join();
    }

    // Once record index has been handled: whether it was claimed (and built).
    bool waitFor(size_t index)
    {
        if (take(index))
            return build(index);
        std::unique_lock lock(m_doneLock);
        m_doneChanged.wait(lock, [&] { return m_status[index].load() >= Claimed; });
        return m_status[index].load() == Claimed;
    }

private:
    enum Status : uint8_t { Free, Taken, Claimed, NotClaimed };

    bool take(size_t index)
    {
        uint8_t free = Free;
        return m_status[index].compare_exchange_strong(free, Taken);
    }

    void buildAhead()
    {
        InitImageLibrary();
        for (size_t index = m_next++; index < m_records.size(); index = m_next++) {
            waitWhilePaused();
            if (stopping())
                break;
            if (take(index))
                build(index);
        }
        ImgClearJPGOutputText();
    }

    bool stopping() const { return m_stopping || m_context->ShouldStop(); }

    // A window pauses its worker while the user drags thumbnails: the
    // builders rest too, leaving the cores to the window.
    void waitWhilePaused() const
    {
        while (m_context->IsPaused() && !stopping())
            std::this_thread::sleep_for(PausePollInterval);
    }

    bool build(size_t index)
    {
        CThumbBitmap *record = m_records[index];
        const bool claimed = record->ClaimForLoading();
        if (claimed)
            makeThumbnail(record);
        {
            std::lock_guard lock(m_doneLock);
            m_status[index] = claimed ? Claimed : NotClaimed;
        }
        m_doneChanged.notify_all();
        return claimed;
    }

    // A build that raises has failed its record (MakeThumbnail ends the
    // claim); it must not end the process.
    void makeThumbnail(CThumbBitmap *record)
    {
        try {
            record->MakeThumbnail(m_context);
        } catch (const std::exception &error) {
            OutputDebugStringA(error.what());
        } catch (...) {
            OutputDebugStringA("A thumbnail build ended by an unknown exception");
        }
    }

    const std::vector<CThumbBitmap *> &m_records;
    CThumbProgressContext *m_context;
    std::vector<std::atomic<uint8_t>> m_status;   // by record: a Status
    std::atomic<size_t> m_next{0};                // the next record a builder looks at
    std::atomic<bool> m_stopping{false};
    std::mutex m_doneLock;   // taken alone; pairs m_doneChanged with m_status
    std::condition_variable m_doneChanged;
    std::vector<std::thread> m_builders;
};

} // namespace

void TScanThreadList::Add(TScanThread *thread)
{
    std::lock_guard lock(m_lock);
    m_threads.push_back(thread);
}

void TScanThreadList::Remove(TScanThread *thread)
{
    std::lock_guard lock(m_lock);
    std::erase(m_threads, thread);
}

int TScanThreadList::Count() const
{
    std::lock_guard lock(m_lock);
    return int(m_threads.size());
}

TScanThread::TScanThread(const CPath &folder, CScanThumbProgressContext *context, TScanThreadList *threadList,
                         TThreadPriority priority)
    : m_folder(folder), m_context(context), m_threadList(threadList)
{
    m_context->AddRef();
    m_context->SetThread(this);
    SetPriority(priority);
    m_threadList->Add(this);
    SetFreeOnTerminate(true);
    Resume();
}

TScanThread::~TScanThread()
{
    m_context->SetThread(nullptr);
    m_context->Release();
    m_threadList->Remove(this);
}

void TScanThread::SetBuilderCount(int count)
{
    s_builderCount = std::max(count, 0);
}

int TScanThread::BuilderCount()
{
    return s_builderCount;
}

void TScanThread::Execute()
{
    InitImageLibrary();
    if (GetBrowseFilePath(m_folder).GetFileExists())
        serve([this] { CBrowseFile(m_folder).Load(m_context); });
    else
        m_context->SetRescanRequest(true);
    while (!m_context->IsTerminated()) {
        // A request made while its work runs is kept for the next turn.
        // Checking thousands of files takes long: here, not on the window thread.
        if (const CScanThumbProgressContext::TCheck check = m_context->TakeCheckRequest())
            serve([this, check] {
                ThumbBitmapCache.CheckFolderUpToDate(m_folder, check == CScanThumbProgressContext::ForcedCheck);
            });
        if (m_context->TakeRescanRequest())
            serve([this] { CThumbLoader(m_folder).Load(m_context); });
        if (m_context->TakeSaveRequest()) {
            serve([this] { CBrowseFile(m_folder).Save(m_context); });
            m_context->SaveDone();
        }
        m_context->RestUnlessTerminated(RequestPollInterval);
    }
    ImgClearJPGOutputText();
}

void TScanThread::serve(const std::function<void()> &request)
{
    // What the request's builders and streams freed leaves the process.
    struct TrimAfterwards
    {
        ~TrimAfterwards() { TrimWorkingSet(); }
    } trim;
    try {
        request();
    } catch (const std::exception &error) {
        if (!m_context->IsTerminated())
            m_context->ReportText(error.what(), WarningBoxFlags);
    } catch (...) {
        if (!m_context->IsTerminated())
            m_context->ReportText("Unknown error", WarningBoxFlags);
    }
}

void CThumbLoader::Load(CThumbProgressContext *context)
{
    m_builtCount = 0;
    context->SetAborted(false);
    context->SetLoading(true);
    try {
        context->SendToOwner(UM_LOADER_BEGIN, 0, 0);
        if (!context->ShouldStop())
            createRecords(context, countFiles(context));
        if (!context->ShouldStop())
            buildRecords(context);
    } catch (...) {
        // A window's handler that raises ends the rescan, not its records.
        releaseRecords();
        context->SetLoading(false);
        throw;
    }
    releaseRecords();
    context->SetLoading(false);
    context->SendToOwner(UM_LOADER_END, 0, m_builtCount);
    context->LoadComplete();
}

void CThumbLoader::releaseRecords()
{
    for (CThumbBitmap *record : m_records)
        record->Release();
    m_records.clear();
}

std::vector<CPath> CThumbLoader::countFiles(CThumbProgressContext *context)
{
    std::vector<CPath> files;
    context->SendToOwner(UM_COUNT_BEGIN, 0, 0);
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(m_folder.AppendFileName("*.*"), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more && !context->ShouldStop(); more = FindNextFileA(find, &found)) {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
            continue;
        CPath path = m_folder.AppendFileName(found.cFileName);
        if (!isListedFileIncluded(path, found))
            continue;
        files.push_back(path);
        if (files.size() % CountProgressStep == 0)
            context->PostToOwner(UM_COUNT_PROGRESS, 0, LPARAM(files.size()));
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    context->SendToOwner(UM_COUNT_END, 0, LPARAM(files.size()));
    return files;
}

void CThumbLoader::createRecords(CThumbProgressContext *context, const std::vector<CPath> &files)
{
    // The files' headers are read beforehand, on all cores, so that the
    // find-or-create lock covers only the lookup and the creation.
    std::vector<std::optional<TImageHandler>> handlers(files.size());
    forEachIndex(
        int(files.size()), TScanThread::BuilderCount(), [&] { return context->ShouldStop(); },
        [&](int index) {
            if (CThumbBitmap *cached = FindThumbBitmap(files[size_t(index)])) {
                cached->Release();
                return;
            }
            handlers[size_t(index)].emplace(files[size_t(index)], true);
        });

    context->SendToOwner(UM_CREATE_BEGIN, 0, LPARAM(files.size()));
    for (size_t index = 0; index < files.size() && !context->ShouldStop(); ++index) {
        CThumbBitmap *record = FindOrCreateThumbBitmap(files[index], handlers[index] ? &*handlers[index] : nullptr);
        m_records.push_back(record);
        context->PostToOwner(UM_RECORD_ADDED, 0, recordParameter(record), record);
    }
    context->SendToOwner(UM_CREATE_END, 0, 0);
}

void CThumbLoader::buildRecords(CThumbProgressContext *context)
{
    const LPARAM count = LPARAM(m_records.size());
    context->SendToOwner(UM_LOAD_BEGIN, 0, count);
    TBuildAhead builders(m_records, context, TScanThread::BuilderCount());
    for (size_t index = 0; index < m_records.size() && !context->ShouldStop(); ++index) {
        context->PostToOwner(UM_LOAD_PROGRESS, WPARAM(index), count);
        const bool claimed = builders.waitFor(index);
        CThumbBitmap *record = m_records[index];
        context->PostToOwner(UM_RECORD_LOADED, 0, recordParameter(record), record);
        if (!claimed)
            continue;
        context->ThumbnailDone(record);
        if (record->GetState() == TThumbState::Loaded)
            ++m_builtCount;
    }
    context->SendToOwner(UM_LOAD_END, 0, 0);
}
