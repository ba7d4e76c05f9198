#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/Messages.h>

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
    // options; waits a moment for the scan thread to go after a stop.
    void StopLoading();
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
    static void PauseKeepingPaint(int milliseconds);
    void enterWantedFolder();
    void UMFolderChanged();
    void UMBrowseLoadEnd(bool success, const CString &path);
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
};
