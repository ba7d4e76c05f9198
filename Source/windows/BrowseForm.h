#pragma once

#include "FolderSession.h"
#include "ToolHost.h"

#include <Source/engine/WindowHooks.h>
#include <lib/Options.h>
#include <lib/controls/GradientCaption.h>
#include <lib/Path.h>
#include <lib/String.h>
#include <platform/Messages.h>

#include <QPoint>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class CDrive;
#include <QWidget>

#include <memory>

class CDeviceChangeRegistration;
class CScanThumbProgressContext;
class CSearchContext;
class QAction;
class QActionGroup;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTimer;
class TDirectoryTreeView;
class TDock;
class TDockToolbar;
class TDropFile;
class TFolderSpecificOptions;
class TGradientCaption;
class THistoryComboBox;
class TShortcutListView;
class TStrings;
class TThumbBox;
class TThumbnail;

// A browse window: one folder at a time, its thumbnails in the box at the
// right, the folder tree and the shortcut list at the left, the folder
// history above, and the status line below. Leaving a folder asks whether to
// save it; the switch itself waits for the coordinator's tick, so that the old
// folder's scan thread is gone before the new folder's starts. The tools see
// it as a ToolBrowser. Window thread.
class TBrowseForm1 : public QWidget, public ThumbBoxOwner, public ToolBrowser
{
    Q_OBJECT

public:
    // The settings entries of "Browser %d", by index.
    enum Option {
        VSplit, HSplit, Left, Top, Width, Height, Maximised, Folder_, ShowFolderPanel, ShowStatusBar,
        ShowHidden, Column1, Column2, Column3, ShortcutIcons
    };

    // folder: the folder to open, or empty for the one the settings keep.
    // Shows the window.
    explicit TBrowseForm1(const CPath &folder);
    ~TBrowseForm1() override;

    HWND Handle() const { return m_window.Handle(); }
    int WindowNumber() const { return m_windowNumber; }
    const CPath &ShownFolder() const override { return m_session.Folder(); }
    const CPath &WantedFolder() const { return m_session.WantedFolder(); }
    bool IsModified() const { return m_modified; }
    bool IsClosing() const { return m_closing; }
    bool IsWriteProtected() const { return m_writeProtected; }
    TFolderSpecificOptions *FolderOptions() const { return m_session.Options(); }
    CScanThumbProgressContext *ScanContext() const { return m_session.Context(); }
    QString StatusText() const;

    // The folder's loading road, in CFolderSession.
    void GoToFolder(const CPath &path) override { m_session.GoToFolder(path); }
    bool QueryCloseFolder() { return m_session.QueryCloseFolder(); }
    void BrowseTimerTick();
    void StartLoading() { m_session.StartLoading(); }
    // Stops, and waits a moment for the scan thread to go: the window is
    // closing or its folder is about to be deleted.
    void StopLoading()
    {
        m_session.StopLoading();
        m_session.WaitForStoppedScan();
    }
    bool IsLoading() const override { return m_session.IsLoading(); }
    bool IsSaving() const { return m_session.IsSaving(); }
    bool IsPaused() const { return m_session.IsPaused(); }
    bool IsSavePending() const { return m_session.IsSavePending(); }
    bool HasScanThread() const { return m_session.HasScanThread(); }
    void CancelLoading() { m_session.CancelLoading(); }
    void RequestSave() { m_session.RequestSave(); }
    void PauseLoading(bool pause) override { m_session.PauseLoading(pause); }
    void SetModified(bool modified) override;
    // The coordinator's share of SetModified: the flag alone, for every
    // window showing the folder.
    void TakeModified(bool modified) { m_modified = modified; }
    void AddToFolderHistory(const CPath &folder);
    // Checks the folder's cached records against their files, or with
    // rebuild forces every one to be built again, and lets the scan thread
    // make what is missing.
    void Update(bool rebuild);
    void Reload() override { Update(true); }
    void ApplySortOrder();
    void RefreshAfterSettings(bool keepTree);
    void SetCaptionGradient(TGradEnabled mode);
    void ReloadShortcutList();
    void ClearFolderHistory();

    void SetStatus(const CString &text);
    void SetStatusHint(const CString &text);
    void SetTitleProgress(const CString &text);
    enum ProgressMode { ProgressPosition, ProgressStep, ProgressMaximum };
    void SetProgress(ProgressMode mode, int value);
    void UpdateSelectionStatus();
    void Info1Click();
    void InfoImageClick();

    // Enables every command by the window's state; every tick and when a
    // pop-up menu opens. Cheap enough for ten times a second.
    void UpdateCommandStates();
    // The window's command whose action has this object name; null for none.
    QAction *Command(const QString &name) const;
    // Selects the thumbnails that criterion accepts (after clearing the
    // selection when it says so) and answers how many.
    int ApplySearch(CSearchContext &criterion) override;
    std::vector<TThumbnail *> Selection() const override;
    void RepaintThumbnails() override;
    // Whether the clipboard holds the program's file list; follows the
    // clipboard's changes, so that no tick ever waits on its owner.
    static bool FileListOnClipboard();
    // Fills both Open With menus from the open-with list.
    void ReloadOpenWithMenu();
    // Leaves the folder at once, unsaved: it is about to be deleted.
    void ReleaseFolder();

    // The command handlers.
    void NewFolder2Click();
    void OpenFolderToolClick();
    void DeleteFolder2Click();
    void UpOneLevelToolClick();
    void Close1Click();
    void Save1Click();
    void MoveBrowseFile1Click();
    void DeleteBrowseFile1Click();
    void DriveInfo1Click();
    void FolderManager1Click();
    void FolderProperties1Click();
    void ClearFolderHistory1Click();
    void Exit1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void SelectAll1Click();
    void SelectNone1Click();
    void InvertSelection1Click();
    void Open1Click();
    void Delete1Click();
    void Rename1Click();
    void SeqRename1Click();
    void CopyTo1Click();
    void MoveTo1Click();
    void AddToBasket1Click();
    void SetAsTexture1Click();
    void SetAsWallpaperImage1Click();
    void SaveAsMovie1Click();
    void Export1Click();
    void DeleteAll1Click();
    void Properties1Click();
    void SortPropertyClick(int tag);
    void SortDirectionClick(int tag);
    void PriorityMenuClick(int tag);
    void ReLayToolClick();
    void Reload1Click();
    void StopToolClick();
    void ViewAsImage1Click();
    void ViewAsText1Click();
    void MoveToTop1Click();
    void SetAsWallpaperThumbnail1Click();
    void AnimateSelection1Click();
    void PingPongSelection1Click();
    void ThumbnailWizard1Click();
    void UpdateToolClick();
    void ShowToolbarClick(int tag);
    void FolderPanel1Click();
    void StatusBar1Click();
    void Preferences1Click();
    void NewWindow1Click();
    void BasketWindow1Click();
    void AnimationWindow1Click();
    void BatchEngine1Click();
    void Find1Click();
    void FindSimilarImages1Click();
    void Contents1Click();
    void HelpToolClick();
    void AboutToolClick();
    void SystemInfo1Click();
    void Feedback1Click();
    void AutoScrollToolClick();
    // The folder tree's and the shortcut list's pop-ups.
    void AddToShortcuts1Click();
    void Refresh1Click();
    void ShowHidden1Click();
    void Explore1Click();
    void OpenShortcut1Click();
    void OpenInNewBrowser1Click();
    void NewShortcut1Click();
    void DeleteShortcut1Click();
    void RenameShortcut1Click();
    void PasteHere1Click();
    void ExploreShortcut1Click();
    void ShortcutViewClick(int style);
    void DropFile1DropFile(const QString &fileWithPath);
    int ScanPriority() const { return m_session.ScanPriority(); }

    // ThumbBoxOwner
    CPath Folder() const override { return m_session.Folder(); }
    bool ShowsPictures() const override { return m_showAsImages; }
    void ShowThumbnail(TThumbnail *thumbnail) override;
    void ThumbnailChanged(TThumbnail *thumbnail) override;
    void SelectionChanged() override { UpdateSelectionStatus(); }
    void UpdateSimilarReference() override;
    void SortOrderChanged() override;

    TOptionsReg Options;
    TGradientCaption *GradientCaption1;
    QMenuBar *MainMenu1;
    QMenu *PopupMenu1;   // the folder tree
    QMenu *PopupMenu2;   // the shortcut list
    QMenu *PopupMenu3;   // a thumbnail
    QMenu *PopupMenu4;   // the box's background
    QMenu *PopupMenu5;   // the status bar
    TDockToolbar *ToolBar1;
    TDockToolbar *ToolBar2;
    TDropFile *DropFile1;
    TDock *DockTop;
    TDock *DockBottom;
    TDock *DockLeft;
    TDock *DockRight;
    TDockToolbar *ToolBar3;
    QWidget *FolderPanel;
    QLabel *FolderLabel;
    THistoryComboBox *HistoryCombo;
    QPushButton *ApplyButton;
    QWidget *ClientPanel;   // between the docks: the panels and splitters below
    QWidget *LeftPanel;
    TDirectoryTreeView *DirTreeView;
    QWidget *VSplitter;
    TShortcutListView *ShortcutList;
    QLabel *WaitLabel;
    QWidget *HSplitter;
    QWidget *RightPanel;
    TThumbBox *ThumbBox = nullptr;
    QWidget *BottomPanel;
    QLabel *StatusPanel;
    QLabel *HintPanel;
    QProgressBar *ProgressBar;
    QTimer *SaveTimer;
    QTimer *ReLayTimer;
    QTimer *FileSystemUpdateTimer;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Raised around every change of the folder tree that the program makes
    // itself, so that the tree's own "folder opened" is not taken for the user's.
    class TreeGuard
    {
    public:
        explicit TreeGuard(TBrowseForm1 &form) : m_form(form) { ++m_form.m_treeGuard; }
        ~TreeGuard() { --m_form.m_treeGuard; }

    private:
        TBrowseForm1 &m_form;
    };
    void FormCreate();
    void FormDestroy();
    bool FormCloseQuery();
    void FormResize();
    void SetHSplit(int x);
    void placeTree();
    int folderPanelWidth() const;
    void SaveTimerTimer();
    void FileSystemUpdateTimerTimer();
    void ReLayTimerTimer();
    void DirTreeViewDirOpening(const QString &path, bool &allow);
    void DirTreeViewDirOpened(const QString &path);
    void ApplyButtonClick();
    void ShortcutListKeyDown(int key);
    void ShortcutListDblClick();
    void HistoryComboPicked();
    void HistoryComboChanged();
    void createControls();
    void createCommands();
    void createMenus();
    void createToolbars();
    void createDrops();
    void createChecks();
    void createInfoPage();
    void updateStatusPanel();
    QString normalTitle() const;

    // The window's own messages; the workers' go to the session.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void WMDeviceChange();

    // What the session shows of the road in the window.
    friend class CFolderSession;
    // The folder box turns red for a folder that does not exist.
    void markMissingFolder(bool missing);
    // Moves the folder tree to folder without taking it for the user's choice.
    void showInTree(const CPath &folder);
    // The shown folder's write protection, caption and status panel.
    void showFolderState();
    // After a switch: the selection status, the folder histories, and the
    // window enabled again.
    void folderEntered();
    // Once the folder is left for a close: closes the window, once.
    void closeOnce();

    // Which state a command needs, and which tool it opens, if any; it is
    // enabled while the state holds and the tool is registered.
    enum class Rule {
        Always, Shown, ShownIdle, ShownNotRoot, ShownNotSaving, NotSaving, Selected, SelectedWritable,
        SelectedWritableNotSaving, SelectedWritableNotLoading, One, Any, Loading, Modified, MoveBrowseFile,
        Paste, HelpFile, ShortcutSelected, ShortcutPaste
    };
    struct TCommand
    {
        QAction *action;
        Rule rule;
        std::optional<Tool> tool = std::nullopt;
    };
    QAction *addCommand(const char *name, const char *caption, const char *key, void (TBrowseForm1::*handler)(),
                        Rule rule, std::optional<Tool> tool = std::nullopt);
    QAction *addGroupCommand(QActionGroup *group, const char *name, const char *caption, const char *key);
    void updateChecks();
    void toggleToolWindow(Tool tool, bool restore);
    void selectedPaths(TStrings &paths) const;
    void checkCustomOrder();
    void rebuildTree();
    void setWallpaper(bool fullImage);
    bool thumbBoxKeyDown(QKeyEvent *event);
    CString buildDuration() const;

    CPath m_initialFolder;
    CString m_statusText;
    CString m_hintText;
    CFolderSession m_session;
    int m_windowNumber = 0;
    int m_treeGuard = 0;
    double m_vSplitFraction = 0.8;
    bool m_modified = false;
    bool m_closing = false;
    bool m_writeProtected = false;
    bool m_created = false;
    bool m_splitterDragging = false;
    QPoint m_splitterPress;
    int m_splitterStart = 0;
    bool m_applyPending = false;
    bool m_showAsImages = true;
    bool m_closeAllowed = false;
    QWidget *m_infoPage = nullptr;
    std::vector<TCommand> m_commands;
    // The checked marks that follow the window's state, each with its test.
    std::vector<std::pair<QAction *, std::function<bool()>>> m_checks;
    QActionGroup *m_sortProperty = nullptr;    // tags 0 .. 13
    QActionGroup *m_sortDirection = nullptr;   // 0 ascending, 1 descending
    QActionGroup *m_priority = nullptr;        // 0 highest .. 4 lowest
    QActionGroup *m_showAs = nullptr;
    QActionGroup *m_shortcutView = nullptr;    // the shortcut list's view styles 0 .. 3
    QMenu *m_openWithMenu = nullptr;
    QMenu *m_openWithPopup = nullptr;
    CMessageWindow m_window;
    std::unique_ptr<CDeviceChangeRegistration> m_deviceChange;   // WM_DEVICECHANGE for m_window
};

// The selection panel's least width.
inline constexpr int SelectionPanelWidth = 128;

// The section of a browse window's settings, "Browser %d".
CString BrowserSection(int windowNumber);

// The letters of the drives, joined with ", ", on which files of these sizes
// would fit, counted in whole clusters.
CString CopyFitDrives(const std::vector<uint64_t> &fileSizes, const std::vector<CDrive> &drives);
