#pragma once

#include "ToolHost.h"

#include <lib/Path.h>
#include <lib/controls/GradientCaption.h>
#include <platform/Messages.h>

#include <QCoreApplication>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CInstanceWindow;
class QTimer;
class TBrowseForm1;

// The class name under which a second start finds the first instance's coordinator.
inline constexpr char MainFormClassName[] = "TMainForm1";

// The coordinator: never shown. It keeps the browse windows and the viewers,
// owns the tool windows, drives the program's periodic work from one 100 ms
// tick, purges the thumbnail cache, tells every browse window of changes,
// disables every window around file operations and ends the program when the
// last window goes. Window thread only.
class TMainForm1 : public QWidget, public ToolShell
{
    Q_OBJECT

public:
    // FormCreate: makes the registered tool windows, registers itself as the
    // engine's coordinator and the tools' shell, listens for a second start
    // and reads the command line into StartFolder (raising Exception for a
    // start file that is no browse file).
    TMainForm1();
    // FormDestroy.
    ~TMainForm1() override;

    HWND Handle() const { return m_window.Handle(); }
    QTimer *Timer1 = nullptr;
    // The application's terminate, which ends the message loop; a test that
    // runs no loop replaces it.
    std::function<void()> Terminate = [] { QCoreApplication::exit(0); };

    const std::vector<TBrowseForm1 *> &BrowseForms() const { return m_browseForms; }
    void AddBrowseForm(TBrowseForm1 *form);
    void RemoveBrowseForm(TBrowseForm1 *form);

    // ToolShell
    std::vector<ToolBrowser *> BrowseWindows() const override;
    void OpenBrowser(const CPath &folder) override;
    void RefreshWindows(QWidget *skip, bool keepTree) override;
    void AddViewer(QWidget *viewer) override;
    void RemoveViewer(QWidget *viewer) override;
    TToolForm *ToolWindow(Tool tool) override;

    void UpdateCaptionBars();
    void ReloadShortcutLists(QWidget *skip) override;
    void UpdateFolderWindows(const CPath &folder) override;
    void FileRenamed(const CPath &oldPath, const CPath &newPath) override;
    void ClearCutMarks() override;
    void ReloadOpenWithMenus() override;
    void SetFolderModified(const CPath &folder, bool modified);
    void AddToFolderHistories(const CPath &folder);
    void ClearFolderHistories();
    // Nest: only the outermost pair remembers and restores the active window.
    void DisableAllWindows() override;
    void EnableAllWindows() override;
    void BeginFileOperation() override { DisableAllWindows(); }
    void EndFileOperation() override { EnableAllWindows(); }
    bool isToolWindowVisible(Tool tool) const override;
    void setToolWindowVisible(Tool tool, bool visible) override;
    bool CanCloseBatchWindow() const;
    // Ends the message loop when no browse window is left and neither the
    // basket, the batch window nor a viewer is shown.
    void QuitIfNoWindows() override;
    void SaveToolWindowVisibility();
    // A second start without a folder: the first browse window, else the
    // basket or the batch window when shown, comes back to the front.
    void RestoreFirstWindow();
    // A second start's "browsefile=" argument: a browse window already showing
    // its folder comes to the front, else a new one opens on it. An argument
    // that names no folder, or one that does not exist (after a warning),
    // only restores the first window.
    void ShowSecondStart(const CString &argument);
    // "Close All and Exit": asks every browse window in turn; the first that
    // refuses stops it. The coordinator itself never closes.
    void CloseAll();

    void Timer1Timer();
    void PurgeCacheByPolicy();
    // The application's current hint, for every browse window's status.
    void ApplicationHint(const QString &hint);
    void FormActivate();

    // The purge counter, from which PurgeCacheByPolicy counts its ticks.
    static void SetPurgeTicks(unsigned ticks);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COPYDATA from a second start: answers 1 for its "browsefile="
    // argument, which is shown once the window thread is free; 0 for data of
    // any other kind.
    LRESULT takeSecondStart(const COPYDATASTRUCT &copy);
    static CPath startFolderOf(const CString &commandLine);
    static void bringToFront(QWidget *window);
    void setToolWindowsEnabled(bool enabled);
    // The tool's window if it has been made; never makes one.
    TToolForm *madeToolWindow(Tool tool) const;
    void removeApplicationHooks();

    std::vector<TBrowseForm1 *> m_browseForms;
    std::vector<QWidget *> m_viewers;
    std::array<std::unique_ptr<TToolForm>, ToolCount> m_toolForms;   // by Tool
    QWidget *m_activeWindow = nullptr;
    int m_disableDepth = 0;
    bool m_visibilitySaved = false;
    bool m_hooksInstalled = false;
    CMessageWindow m_window;
    std::unique_ptr<CInstanceWindow> m_instance;
};

// The coordinator while it lives; null before and after.
extern TMainForm1 *MainForm1;
// The folder the first browse window opens; empty lets the window choose.
extern CPath StartFolder;
