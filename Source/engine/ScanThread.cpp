#include "ScanThread.h"

#include "BrowseFile.h"
#include "BuildAhead.h"
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
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// How long the scan thread rests between two looks at the window's requests.
constexpr auto RequestPollInterval = std::chrono::milliseconds(150);
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
    const std::vector<std::optional<TImageHandler>> handlers =
        readUncachedHandlers(files, context, TScanThread::BuilderCount());
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
