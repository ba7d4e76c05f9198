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
    // The context is new for each run, so its terminate flag is clear unless
    // the owner stopped the run already: that stop must hold, not be undone.
    const LPARAM fileCount = LPARAM(m_files.size());
    m_context->SendToOwner(UM_RUN_BEGIN, 0, fileCount);
    const std::vector<TFolderSpan> spans = folderSpans();
    for (size_t span = 0; span < spans.size() && !m_context->IsTerminated();)
        span = buildSpans(spans, span);
    endFolder();
    m_context->SendToOwner(UM_RUN_END, 0, fileCount);
    m_context->LoadComplete();
    m_files.clear();
    ImgClearJPGOutputText();
    // What the run's builders and streams freed leaves the process.
    TrimWorkingSet();
}

std::vector<TBatchEngine::TFolderSpan> TBatchEngine::folderSpans() const
{
    std::vector<TFolderSpan> spans;
    for (size_t first = 0; first < m_files.size();) {
        const CPath folder = folderOf(m_files[first]);
        size_t end = first + 1;
        while (end < m_files.size() && folderOf(m_files[end]) == folder.c_str())
            ++end;
        spans.push_back({first, end, folder});
        first = end;
    }
    return spans;
}

void TBatchEngine::beginFolder(const TFolderSpan &span, bool afterAnother)
{
    if (afterAnother) {
        endFolder();
        m_context->LoadComplete();
    }
    m_context->SendToOwner(UM_FOLDER_BEGIN, 0, textParameter(span.folder));
    LoadFolderRecords(span.folder);
    m_newCount = 0;
}

void TBatchEngine::LoadFolderRecords(const CPath &folder)
{
    m_folder = folder;
    m_ignoringBrowseFiles = m_context->SendToOwner(UM_QUERY_IGNORE_BROWSE_FILES, 0, 0) != 0;
    if (m_ignoringBrowseFiles)
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

// Whether the builders may start on the files of a folder before the run
// reaches it: when nothing of the folder will be read from a browse file.
// Should the guess be wrong (a browse file appears meanwhile, or the owner
// changes its mind), the records built are only kept in the cache: what
// reaches the owner is decided when the run reaches the folder.
bool TBatchEngine::isBuiltWhole(const CPath &folder) const
{
    return m_ignoringBrowseFiles || !GetBrowseFilePath(folder).GetFileExists();
}

// The files of the spans from first on that the current folder's browse file
// did not hold are found or made in the cache and built on every core, the
// next folders' too while their files are all to be built, so that the cores
// never wait for a folder's end or its save. The reports go out one by one in
// list order as each record is done. Answers the span after the last one
// begun.
size_t TBatchEngine::buildSpans(const std::vector<TFolderSpan> &spans, size_t first)
{
    beginFolder(spans[first], first > 0);
    const size_t base = spans[first].first;
    std::vector<CPath> files;     // to build, in list order
    std::vector<int> buildIndex;  // by file from base: its index in files, or -1
    size_t last = first;          // spans [first, last) are built together
    do {
        std::set<std::string> listed;   // a file listed twice is built and reported once
        for (size_t index = spans[last].first; index < spans[last].end; ++index) {
            const CPath &file = m_files[index];
            const bool kept = last == first && isInFolderRecords(file);
            const bool toBuild = !kept && listed.insert(file.c_str()).second;
            buildIndex.push_back(toBuild ? int(files.size()) : -1);
            if (toBuild)
                files.push_back(file);
        }
        ++last;
    } while (last < spans.size() && files.size() < MaxRecordsBuiltTogether && isBuiltWhole(spans[last].folder));

    const int builders = TScanThread::BuilderCount();
    const std::vector<std::optional<TImageHandler>> handlers = readUncachedHandlers(files, m_context, builders);
    std::vector<CThumbBitmap *> records;   // one reference each until reported
    for (size_t index = 0; index < files.size() && !m_context->ShouldStop(); ++index)
        records.push_back(FindOrCreateThumbBitmap(files[index], handlers[index] ? &*handlers[index] : nullptr));

    std::vector<bool> reported(records.size());
    size_t span = first;
    {
        TBuildAhead pool(records, m_context, builders, this);
        for (; span < last && !m_context->ShouldStop(); ++span) {
            if (span > first)
                beginFolder(spans[span], true);
            for (size_t index = spans[span].first; index < spans[span].end && !m_context->ShouldStop(); ++index) {
                const int built = buildIndex[index - base];
                if (built < 0 || size_t(built) >= records.size() || isInFolderRecords(m_files[index]))
                    continue;
                report(records[size_t(built)], pool.waitFor(size_t(built)));
                reported[size_t(built)] = true;
            }
        }
    }
    for (size_t index = 0; index < records.size(); ++index) {
        if (!reported[index])
            records[index]->Release();
    }
    return span;
}

bool TBatchEngine::isInFolderRecords(const CPath &file)
{
    CThumbBitmap *kept = m_records.Find(file);
    if (kept)
        kept->Release();
    return kept != nullptr;
}

// Keeps the reference of record in the folder's list.
void TBatchEngine::report(CThumbBitmap *record, bool built)
{
    if (built)
        m_context->ThumbnailDone(record);
    if (record->GetState() == TThumbState::Loaded)
        ++m_newCount;
    m_context->SendToOwner(UM_THUMBNAIL_STATUS, built ? 1 : 0, reinterpret_cast<LPARAM>(record));
    m_records.Add(record);
}
