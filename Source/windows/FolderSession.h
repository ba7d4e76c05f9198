#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/Messages.h>

#include <QTimer>

#include <functional>
#include <memory>

class CScanThumbProgressContext;
class CThumbBitmap;
class TBrowseForm1;
class TFolderSpecificOptions;
class TNotifyThread;
class TScanThreadList;

// The loading road of one browse window: the folder it shows and the one it
// is switching to, the scan thread and the folder watcher that serve the
// shown folder, the folder's options, the save request, and the workers'
// messages that report on all of them. A switch asks to leave the folder
// (saving it when the user says so), waits on the window's tick until the old
// folder's save and scan thread are over, and only then starts the new
// folder's, so that two scans never share the box. Owned by its window, which
// it updates as the messages come. Window thread only.
class CFolderSession
{
public:
    explicit CFolderSession(TBrowseForm1 &form);
    ~CFolderSession();
    CFolderSession(const CFolderSession &) = delete;
    CFolderSession &operator=(const CFolderSession &) = delete;

    const CPath &Folder() const { return m_folder; }
    // The folder a pending switch goes to; empty when none is pending.
    const CPath &WantedFolder() const { return m_wantedFolder; }
    // Null while no folder is loaded.
    TFolderSpecificOptions *Options() const { return m_folderOptions; }
    CScanThumbProgressContext *Context() const { return m_scanContext; }

    // Asks to switch to path: refused for a path that is no folder, while a
    // switch is pending, and when the user keeps the folder. Leaves the tree
    // showing the folder the window is at or going to.
    void GoToFolder(const CPath &path);
    // Asks whether to save a modified folder (or to delete its browse file
    // when no thumbnail is left) and requests the save. False for Cancel.
    bool QueryCloseFolder();
    // The coordinator's tick: carries a pending switch or close on as far as
    // the old folder's save and scan thread allow.
    void TimerTick();
    void StartLoading();
    // Stops the watcher and the scan, empties the box and saves the folder's
    // options. The scan thread goes by itself soon after; a load's end still
    // waiting for its pause is dropped.
    void StopLoading();
    // Blocks until the stopped scan thread has gone, for a moment at most:
    // for a window that closes or a folder about to be deleted.
    void WaitForStoppedScan();
    bool IsLoading() const;
    bool IsSaving() const;
    bool IsPaused() const;
    bool IsSavePending() const;
    bool HasScanThread() const;
    void CancelLoading();
    void RequestSave();
    void PauseLoading(bool pause);
    // 1 lowest to 5 highest.
    int ScanPriority() const { return m_scanPriority; }
    void SetScanPriority(int level);

    // The workers' messages; answers their results.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // A load's end leaves the bar and the status as they are for a moment,
    // then runs finish; the window answers input meanwhile. An end that comes
    // while one waits runs the waiting finish first.
    void finishAfterPause(std::function<void()> finish);
    void runPausedFinish();
    void enterWantedFolder();
    void UMFolderChanged();
    void UMBrowseLoadEnd(bool success, const CString &path);
    void browseLoadFinished(bool success, const CString &path);
    void UMBrowseSaveEnd(bool success, const CString &path);
    void UMLoaderEnd();
    void UMCreateBegin(int count);
    void UMRecordAdded(CThumbBitmap *record);
    void UMLoadProgress(int index, int count);
    void UMGetThumbnailList(LPARAM list);
    // An error box raised by a worker's message waits until the handler has
    // returned, so that the worker is not held while the user reads it.
    void showErrorAfterHandler(const CString &text);

    TBrowseForm1 &m_form;
    CPath m_folder;
    CPath m_wantedFolder;
    int m_scanPriority = 2;
    std::unique_ptr<TScanThreadList> m_scanThreads;
    TNotifyThread *m_watcher = nullptr;                    // stops and frees itself
    TFolderSpecificOptions *m_folderOptions = nullptr;     // the options cache owns it
    CScanThumbProgressContext *m_scanContext = nullptr;    // one reference, released at the stop
    QTimer m_endPause;                          // single shot: the pause after a load's end
    std::function<void()> m_pausedFinish;       // what runs when it ends; empty when none waits
    QTimer m_stoppedScanPoll;                   // single shot: a switch looks again whether the stopped scan went
};
