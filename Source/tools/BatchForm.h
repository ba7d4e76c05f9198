#pragma once

#include <Source/windows/ToolHost.h>
#include <lib/Options.h>
#include <lib/Path.h>
#include <platform/Messages.h>
#include <platform/StringList.h>

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class CBatchThumbProgressContext;
class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;
class TAnimControl;
class TBatchFolderScan;
class TBatchLog;
class TBatchWorkList;
class TDirectoryTreeView;
class TDock;
class TDockToolbar;
class TGradientCaption;
class TMenuItem;

// The batch engine's window: the folder tree, the work list of volumes,
// folders and files, the run log, and the commands that add folders, run the
// engine and keep the list in state files. Made once by the coordinator,
// shown and hidden; the engine reports to it through its window messages.
// Window thread only.
class TBatchForm1 : public QWidget, public TToolForm
{
public:
    // The settings entries of "Batch Engine", by index.
    enum Option {
        WindowX, WindowY, WindowWidth, WindowHeight, Maximised, AudioFeedback, ShowLog, Priority,
        LogInitialDir, OpenInitialDir, SaveInitialDir
    };

    TBatchForm1();
    ~TBatchForm1() override;

    // TToolForm
    QWidget *Window() override { return this; }
    void Tick() override { UpdateEngineControls(); }
    bool IsBusy() const override { return IsRunning() || IsAdding(); }
    void SetCaptionGradient(TGradEnabled mode) override;

    HWND Handle() const { return m_messages->Handle(); }
    bool IsRunning() const { return m_context != nullptr; }
    bool IsAdding() const { return m_scan != nullptr; }
    bool IsPaused() const;
    const QString &StateFilePath() const { return m_stateFile; }
    // The window's command whose action has this object name; null for none.
    QAction *Command(const QString &name) const;

    // Adds the folder, or the folder and all below it, in slices on a timer;
    // answers at once. Nothing while a run or another add is going on.
    void ScanVolume(const CPath &folder, bool recursive);
    // Starts a run over the waiting files of the list.
    void StartEngine();
    void StopEngine();
    void LoadState(const QString &path);
    void SaveState(const QString &path);
    // The name with ".zile" appended unless its extension is that already.
    static QString WithStateExtension(const QString &name);
    void UpdateRecentList(const QString &name);
    void UpdateEngineControls();
    // The thread priority of the next run, and of the present one: 1 lowest to 5 highest.
    void SetPriority(int priority);
    int GetPriority() const { return m_priority; }

    TOptionsReg Options;
    TGradientCaption *GradientCaption1;
    QMenuBar *MainMenu1;
    TDock *DockBar;
    TDockToolbar *Toolbar1;
    TDirectoryTreeView *DirectoryTreeView1;
    TBatchWorkList *TreeView;
    TBatchLog *RichEdit1;
    QProgressBar *ProgressBar1;
    QLabel *StatusBar1Panel0;
    QLabel *StatusBar1Panel1;
    QPushButton *Button1;        // Start / Stop
    QPushButton *Button2;        // Pause / Resume
    QPushButton *CloseButton;
    QPushButton *HelpButton;
    QCheckBox *AudioCheckBox;
    TAnimControl *Animate1;      // "Engine.avi" while a run is active; empty when the clip cannot be read
    TStringList RecentFiles;     // the lines of "Engine.txt"
    std::unique_ptr<TMenuItem> File1;
    TMenuItem *RecentMarker = nullptr;

    // Commands.
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Recent1Click(TMenuItem *item);
    void CloseButtonClick();
    void Button1Click();
    void Button2Click();
    void PriorityMenu1Click(int tag);
    void AddToolClick();
    void AddRecursiveToolClick();
    void RemoveToolClick();
    void RemoveAllToolClick();
    void Ignore1Click();
    void StopAddingToolClick();
    void ShowLog1Click();
    void SaveLogToolClick();
    void ClearLogToolClick();
    void OpenItemToolClick();
    void UpdateToolClick();
    void Toolbar1Click();
    void ExpandToolClick();
    void CollapseToolClick();
    void NewBrowserToolClick();
    void HelpToolClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createCommands();
    void createMenus();
    void createToolbar();
    QAction *addCommand(const char *name, const char *caption, const char *key, void (TBatchForm1::*handler)());
    TMenuItem *addFileItem(const char *name, const char *caption, const char *key, void (TBatchForm1::*handler)());

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The run ended or was stopped: a run that the window stopped counts as aborted.
    bool runWasStopped() const;
    void endRun();
    // One more record seen; the caption follows when its percentage changes.
    void advanceProgress();
    // The folder a state file dialog opens in: the option's, else the current state file's.
    QString initialDir(Option option) const;
    // The clip plays while a run is active and not paused.
    void showAnimation();
    void addSlice();
    void endAdding();
    void SetEngineButtons();
    void UpdateProgressTexts();
    void updateCaption();
    void enableCommand(const char *name, bool enabled);
    void checkCommand(const char *name, bool checked);

    std::unique_ptr<CMessageWindow> m_messages;
    std::unique_ptr<TBatchFolderScan> m_scan;      // while a folder is being added
    QTimer m_addTimer;                             // runs the add's slices
    CBatchThumbProgressContext *m_context = nullptr;   // one reference while a run is active
    QString m_stateFile;
    int m_priority = 3;
    bool m_saving = false;       // between the engine's browse-file save messages
    bool m_stopAdding = false;
    QElapsedTimer m_runClock;    // from the run's start
    int64_t m_lastShownSecond = -1;   // the run's second when the remaining time was last worked out
    QActionGroup *m_priorities = nullptr;
    QMenu *m_logMenu = nullptr;
    QWidget *m_logPanel = nullptr;
};
