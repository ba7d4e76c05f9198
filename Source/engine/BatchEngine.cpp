#include "BatchEngine.h"

#include "BrowseFile.h"
#include "BuildAhead.h"
#include "ScanThread.h"
#include "ThumbBitmap.h"
#include "ThumbSort.h"
#include "UserMessages.h"

#include <Source/Glob.h>

#include <lib/imaging/ImgLib.h>
#include <platform/MemoryStatus.h>

#include <exception>
#include <optional>
#include <set>
#include <string>

namespace {

LPARAM textParameter(const CString &text)
{
    return reinterpret_cast<LPARAM>(text.c_str());
}

CPath folderOf(const CPath &file)
{
    return CPath(file.GetDirPart());
}

void releaseEach(const std::vector<CThumbBitmap *> &records)
{
    for (CThumbBitmap *record : records)
        record->Release();
}

} // namespace

void CBatchThumbProgressContext::ReportText(const CString &text, UINT)
{
    SendToOwner(UM_REPORT_TEXT, 0, textParameter(text));
}

TBatchEngine::TBatchEngine(std::vector<CPath> files, CBatchThumbProgressContext *context, TThreadPriority priority)
    : m_files(std::move(files)), m_context(context)
{
    SetFreeOnTerminate(true);
    SetPriority(priority);
    m_context->AddRef();
    m_context->SetThread(this);
    Resume();
}

TBatchEngine::~TBatchEngine()
{
    m_records.ReleaseAll();
    m_records.RemoveAll();
    m_context->SetThread(nullptr);
    m_context->Release();
}

void TBatchEngine::Execute()
{
    InitImageLibrary();
    // The owner's context is new for each run: a stop or pause it gave before
    // this thread ran holds, and is not cleared here.
    const LPARAM fileCount = LPARAM(m_files.size());
    m_context->SendToOwner(UM_RUN_BEGIN, 0, fileCount);
    for (size_t first = 0; first < m_files.size() && !m_context->IsTerminated();) {
        const CPath folder = folderOf(m_files[first]);
        size_t end = first + 1;
        while (end < m_files.size() && folderOf(m_files[end]) == folder.c_str())
            ++end;
        if (first > 0) {
            endFolder();
            m_context->LoadComplete();
        }
        m_context->SendToOwner(UM_FOLDER_BEGIN, 0, textParameter(folder));
        LoadFolderRecords(folder);
        m_newCount = 0;
        buildFolder(first, end);
        first = end;
    }
    endFolder();
    m_context->SendToOwner(UM_RUN_END, 0, fileCount);
    m_context->LoadComplete();
    m_files.clear();
    ImgClearJPGOutputText();
    // What the run's builders and streams freed leaves the process.
    TrimWorkingSet();
}

void TBatchEngine::LoadFolderRecords(const CPath &folder)
{
    m_folder = folder;
    if (m_context->SendToOwner(UM_QUERY_IGNORE_BROWSE_FILES, 0, 0) != 0)
        return;
    if (GetBrowseFilePath(folder).GetFileExists())
        LoadBrowseFileRecords(folder);
}

void TBatchEngine::LoadBrowseFileRecords(const CPath &folder)
{
    CBrowseFile browseFile(folder);
    if (!browseFile.Load(m_context))
        return;
    for (CThumbBitmap *record : browseFile.Records()) {
        record->AddRef();
        m_records.Add(record);
    }
}

bool TBatchEngine::SaveFolderBrowseFile(const CPath &folder)
{
    std::vector<CThumbBitmap *> records = m_records.CopyToList();
    try {
        CThumbSort(folder).Sort(records);
    } catch (const std::exception &error) {
        // An unreadable custom order leaves the list as it was; the save goes on.
        m_context->ReportText(error.what(), WarningBoxFlags);
    }
    CBrowseFile browseFile(folder, records);
    releaseEach(records);
    return browseFile.Save(m_context);
}

void TBatchEngine::endFolder()
{
    if (m_newCount > 0)
        SaveFolderBrowseFile(m_folder);
    m_records.ReleaseAll();
    m_records.RemoveAll();
    m_context->SendToOwner(UM_FOLDER_END, WPARAM(m_newCount), textParameter(m_folder));
}

// The files that the folder's browse file did not hold are found or made in
// the cache first and then built on every core, ahead of the reports, which
// go out one by one in list order as each record is done.
void TBatchEngine::buildFolder(size_t first, size_t end)
{
    std::vector<CPath> files;
    std::set<std::string> listed;   // a file listed twice is reported once
    for (size_t index = first; index < end; ++index) {
        const CPath &file = m_files[index];
        if (CThumbBitmap *kept = m_records.Find(file)) {
            kept->Release();
            continue;
        }
        if (listed.insert(file.c_str()).second)
            files.push_back(file);
    }
    const int builders = TScanThread::BuilderCount();
    const std::vector<std::optional<TImageHandler>> handlers = readUncachedHandlers(files, m_context, builders);
    std::vector<CThumbBitmap *> records;   // one reference each until reported
    for (size_t index = 0; index < files.size() && !m_context->ShouldStop(); ++index)
        records.push_back(FindOrCreateThumbBitmap(files[index], handlers[index] ? &*handlers[index] : nullptr));

    size_t reported = 0;
    {
        TBuildAhead pool(records, m_context, builders);
        for (; reported < records.size() && !m_context->ShouldStop(); ++reported) {
            CThumbBitmap *record = records[reported];
            const bool built = pool.waitFor(reported);
            if (built)
                m_context->ThumbnailDone(record);
            if (record->GetState() == TThumbState::Loaded)
                ++m_newCount;
            m_context->SendToOwner(UM_THUMBNAIL_STATUS, built ? 1 : 0, reinterpret_cast<LPARAM>(record));
            m_records.Add(record);
        }
    }
    releaseEach(std::vector<CThumbBitmap *>(records.begin() + ptrdiff_t(reported), records.end()));
}
