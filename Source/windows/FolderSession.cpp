#include "FolderSession.h"

#include "BrowseForm.h"
#include "SaveQueryForm.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/NotifyThread.h>
#include <Source/engine/ScanThread.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/UserMessages.h>
#include <lib/ProductInfo.h>
#include <platform/MessageBox.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// How long the bar and status show a load's end before they are cleared.
constexpr int EndPauseMs = 200;
// How often a switch looks whether the stopped folder's scan thread went.
constexpr int StoppedScanPollMs = 5;
// The longest a closing window or a deleted folder waits for it.
constexpr int StoppedScanWaitMs = 500;

TThreadPriority ThreadPriority(int scanPriority)
{
    constexpr TThreadPriority levels[] = {tpLowest, tpLower, tpNormal, tpHigher, tpHighest};
    return levels[std::clamp(scanPriority, 1, 5) - 1];
}

} // namespace

CFolderSession::CFolderSession(TBrowseForm1 &form)
    : m_form(form), m_scanThreads(std::make_unique<TScanThreadList>())
{
    m_endPause.setSingleShot(true);
    m_endPause.setInterval(EndPauseMs);
    QObject::connect(&m_endPause, &QTimer::timeout, &m_form, [this] { runPausedFinish(); });
    m_stoppedScanPoll.setSingleShot(true);
    m_stoppedScanPoll.setInterval(StoppedScanPollMs);
    QObject::connect(&m_stoppedScanPoll, &QTimer::timeout, &m_form, [this] { TimerTick(); });
}

CFolderSession::~CFolderSession() = default;

void CFolderSession::finishAfterPause(std::function<void()> finish)
{
    runPausedFinish();
    m_pausedFinish = std::move(finish);
    m_endPause.start();
}

void CFolderSession::runPausedFinish()
{
    m_endPause.stop();
    if (const std::function<void()> finish = std::exchange(m_pausedFinish, nullptr))
        finish();
}

void CFolderSession::WaitForStoppedScan()
{
    // The window thread paints meanwhile, so that nobody sees a frozen window.
    QElapsedTimer clock;
    clock.start();
    while (HasScanThread() && clock.elapsed() < StoppedScanWaitMs) {
        if (QCoreApplication::instance())
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QThread::msleep(1);
    }
}

// ---- Switching folders ---------------------------------------------------------

void CFolderSession::GoToFolder(const CPath &path)
{
    if (path.GetLength() <= 2 || !path.GetIsAbsolute())
        return;
    const bool exists = path.GetDirectoryExists();
    m_form.markMissingFolder(!exists);
    if (!exists || !m_wantedFolder.IsEmpty())
        return;
    m_form.showInTree(path);
    if (path == m_folder)
        return;
    if (!QueryCloseFolder()) {
        m_form.showInTree(m_folder);
        return;
    }
    CancelLoading();
    m_wantedFolder = path;
    m_form.setEnabled(false);
}

bool CFolderSession::QueryCloseFolder()
{
    m_form.SaveTimer->stop();
    if (!m_form.IsModified() || !m_folderOptions)
        return true;
    bool save = false;
    bool result = true;
    if (m_folderOptions->GetInt(TFolderOptions::AutoSave) != 0) {
        save = true;
    } else if (m_form.ThumbBox->Count() == 0) {
        if (GetBrowseFilePath(m_folder).GetFileExists()) {
            CString question;
            question.Format("Do you want to delete the browse file for\n\n%s?", m_folder.c_str());
            const int answer = ShowMessageBox(question, MB_YESNOCANCEL | MB_ICONQUESTION);
            save = answer == IDYES;
            result = answer != IDCANCEL;
        }
    } else {
        const int answer = TSaveQueryForm1::Ask(m_folder);
        save = answer == mrYes;
        result = answer != mrCancel;
    }
    if (save) {
        CancelLoading();
        RequestSave();
    }
    return result;
}

void CFolderSession::TimerTick()
{
    if (!m_form.IsClosing() && m_wantedFolder.IsEmpty())
        return;
    if (IsSavePending())
        return;
    if (HasScanThread()) {
        if (m_scanContext)
            StopLoading();
        // Usually gone within a few milliseconds: then the switch need not
        // wait for the next tick.
        if (HasScanThread()) {
            m_stoppedScanPoll.start();
            return;
        }
    }
    if (m_form.IsClosing()) {
        m_form.closeOnce();
        return;
    }
    enterWantedFolder();
}

void CFolderSession::enterWantedFolder()
{
    m_folder = m_wantedFolder;
    m_form.showFolderState();
    StartLoading();
    m_wantedFolder = CPath();
    m_form.folderEntered();
}

// ---- Loading ---------------------------------------------------------------------

void CFolderSession::StartLoading()
{
    m_form.SetModified(false);
    m_folderOptions = TFolderSpecificOptionsCache::GetFolderOptions(m_folder);
    m_form.ThumbBox->ResetLayout();
    m_form.ThumbBox->ResetScrollBars();
    m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
    m_scanContext = new CScanThumbProgressContext(m_form.Handle(), std::make_unique<TWorkerProgressContext>());
    new TScanThread(m_folder, m_scanContext, m_scanThreads.get(), ThreadPriority(m_scanPriority));
    bool failed = false;
    m_watcher = new TNotifyThread(m_form.Handle(), m_folder, failed);
    if (failed) {
        delete m_watcher;
        m_watcher = nullptr;
    }
}

void CFolderSession::SetScanPriority(int level)
{
    m_scanPriority = std::clamp(level, 1, 5);
    if (m_scanContext)
        m_scanContext->SetPriority(ThreadPriority(m_scanPriority));
}

void CFolderSession::StopLoading()
{
    if (m_watcher) {
        m_watcher->Stop();
        m_watcher = nullptr;
    }
    m_endPause.stop();
    m_pausedFinish = nullptr;
    CScanThumbProgressContext *stopped = m_scanContext;
    if (stopped) {
        stopped->Terminate(true);
        m_scanContext = nullptr;
        stopped->Release();
        m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
    }
    m_form.ThumbBox->DeleteAllThumbnails();
    if (m_folderOptions) {
        m_folderOptions->Save();
        m_folderOptions = nullptr;
    }
}

bool CFolderSession::IsLoading() const
{
    return m_scanContext && m_scanContext->IsLoading();
}

bool CFolderSession::IsSaving() const
{
    return m_scanContext && m_scanContext->IsSaving();
}

bool CFolderSession::IsPaused() const
{
    return m_scanContext && m_scanContext->IsPaused();
}

bool CFolderSession::IsSavePending() const
{
    return m_scanContext && m_scanContext->IsSavePending();
}

bool CFolderSession::HasScanThread() const
{
    return m_scanThreads->Count() > 0;
}

void CFolderSession::CancelLoading()
{
    if (m_scanContext)
        m_scanContext->SetAborted(true);
}

void CFolderSession::RequestSave()
{
    if (m_scanContext)
        m_scanContext->SetSaveRequest(true);
}

void CFolderSession::PauseLoading(bool pause)
{
    if (m_scanContext)
        m_scanContext->SetPaused(pause);
}

// ---- The workers' messages -------------------------------------------------------

LRESULT CFolderSession::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const CString path = lParam && (message == UM_BROWSE_LOAD_BEGIN || message == UM_BROWSE_LOAD_END
                                    || message == UM_BROWSE_SAVE_BEGIN || message == UM_BROWSE_SAVE_END)
                             ? CString(reinterpret_cast<const char *>(lParam))
                             : CString();
    CString text;
    switch (message) {
    case UM_QUERY_AUDIO_FEEDBACK:
        return 1;
    case UM_QUERY_IGNORE_BROWSE_FILES:
        return 0;
    case UM_FOLDER_CHANGED:
        UMFolderChanged();
        return 0;
    case UM_GET_THUMBNAIL_LIST:
        UMGetThumbnailList(lParam);
        return 1;
    case UM_BROWSE_LOAD_BEGIN:
        text.Format("Loading browse file '%s'...", path.c_str());
        m_form.SetStatus(text);
        return 0;
    case UM_BROWSE_LOAD_END:
        UMBrowseLoadEnd(wParam != 0, path);
        return 0;
    case UM_BROWSE_SAVE_BEGIN:
        text.Format("Saving browse file '%s'...", path.c_str());
        m_form.SetStatus(text);
        return 0;
    case UM_BROWSE_SAVE_END:
        UMBrowseSaveEnd(wParam != 0, path);
        return 0;
    case UM_BROWSE_READ_COUNT:
        m_form.SetProgress(TBrowseForm1::ProgressMaximum, int(lParam));
        return 0;
    case UM_BROWSE_WRITE_COUNT:
    case UM_LOAD_BEGIN:
        m_form.SetProgress(TBrowseForm1::ProgressMaximum, int(lParam));
        return 0;
    case UM_BROWSE_RECORD_WRITTEN:
    case UM_RECORD_LOADED:
        m_form.SetProgress(TBrowseForm1::ProgressStep, 1);
        return 0;
    case UM_BROWSE_RECORD_READ:
        m_form.ThumbBox->AddThumbnail(reinterpret_cast<CThumbBitmap *>(lParam));
        m_form.SetProgress(TBrowseForm1::ProgressStep, 1);
        return 0;
    case UM_LOADER_END:
        UMLoaderEnd();
        return 0;
    case UM_COUNT_BEGIN:
        m_form.SetStatus("Counting image files...");
        return 0;
    case UM_COUNT_PROGRESS:
        text.Format("%s %d", "Counting image files...", int(lParam));
        m_form.SetStatus(text);
        return 0;
    case UM_CREATE_BEGIN:
        UMCreateBegin(int(lParam));
        return 0;
    case UM_CREATE_END:
        m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
        return 0;
    case UM_RECORD_ADDED:
        UMRecordAdded(reinterpret_cast<CThumbBitmap *>(lParam));
        return 0;
    case UM_LOAD_PROGRESS:
        UMLoadProgress(int(wParam), int(lParam));
        return 0;
    default:
        return 0;
    }
}

void CFolderSession::UMFolderChanged()
{
    if (SequentialRenameCount.load() > 0)
        return;
    m_form.FileSystemUpdateTimer->stop();
    m_form.FileSystemUpdateTimer->start();
}

void CFolderSession::UMGetThumbnailList(LPARAM list)
{
    auto *records = reinterpret_cast<std::vector<CThumbBitmap *> *>(list);
    const TThumbBox &box = *m_form.ThumbBox;
    records->reserve(records->size() + size_t(box.Count()));
    for (int index = 0; index < box.Count(); ++index) {
        CThumbBitmap *record = box.Thumbnail(index)->GetThumbBitmap();
        record->AddRef();
        records->push_back(record);
    }
}

void CFolderSession::UMBrowseLoadEnd(bool success, const CString &path)
{
    finishAfterPause([this, success, path] { browseLoadFinished(success, path); });
}

void CFolderSession::browseLoadFinished(bool success, const CString &path)
{
    m_form.SetStatus(CString());
    m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
    m_form.SetTitleProgress(CString());
    if (!success) {
        CString text;
        text.Format("Failed to load browse file '%s'", path.c_str());
        m_form.SetStatus(text);
        showErrorAfterHandler(text);
    }
    if (m_folderOptions && m_scanContext) {
        const int property = m_folderOptions->GetInt(TFolderOptions::SortProperty);
        if (property != m_scanContext->GetFileSortProperty()
            || m_folderOptions->GetInt(TFolderOptions::SortDirection) != m_scanContext->GetFileSortDirection()
            || property == CThumbSort::CustomOrder)
            m_form.ApplySortOrder();
    }
    if (m_scanContext && !m_scanContext->ShouldStop() && m_folderOptions
        && m_folderOptions->GetInt(TFolderOptions::AutoUpdate) != 0)
        m_form.Update(false);
}

void CFolderSession::UMBrowseSaveEnd(bool success, const CString &path)
{
    m_form.SetStatus(CString());
    m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
    if (success)
        return;
    // The thumbnails still differ from the file: the next switch asks again.
    m_form.SetModified(true);
    CString text;
    text.Format("Failed to save browse file '%s'", path.c_str());
    showErrorAfterHandler(text);
}

void CFolderSession::UMLoaderEnd()
{
    finishAfterPause([this] {
        m_form.SetStatus(CString());
        m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
        m_form.SetTitleProgress(CString());
        m_form.ApplySortOrder();
    });
}

void CFolderSession::UMCreateBegin(int count)
{
    m_form.SetProgress(TBrowseForm1::ProgressPosition, 0);
    if (count <= 0) {
        m_form.SetStatus(CString());
        return;
    }
    CString text;
    text.Format("Creating thumbnails for %d image%s...", count, count == 1 ? "" : "s");
    m_form.SetStatus(text);
}

void CFolderSession::UMRecordAdded(CThumbBitmap *record)
{
    if (!m_form.ThumbBox->ShowsRecord(record)) {
        m_form.ThumbBox->AddThumbnail(record);
        m_form.SetModified(true);
    }
    m_form.SetProgress(TBrowseForm1::ProgressStep, 1);
}

void CFolderSession::UMLoadProgress(int index, int count)
{
    if (count <= 0)
        return;
    const int percent = int(int64_t(index) * 100 / count);
    CString text;
    text.Format("Loading image %d of %d (%d%%)...", index + 1, count, percent);
    m_form.SetStatus(text);
    text.Format("%d%% - %s - %d of %d%s", percent, m_folder.c_str(), index + 1, count, CaptionSuffix);
    m_form.SetTitleProgress(text);
}

void CFolderSession::showErrorAfterHandler(const CString &text)
{
    QTimer::singleShot(0, &m_form, [text] { ShowMessageBox(text, ErrorBoxFlags); });
}
