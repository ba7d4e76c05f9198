#pragma once

#include <Source/engine/WindowHooks.h>
#include <lib/Path.h>
#include <lib/controls/GradientCaption.h>

#include <functional>
#include <memory>
#include <vector>

class CSearchContext;
class QMenu;
class QWidget;
class TThumbnail;

// Where the windows and dialogs built on top of the browse windows plug in.
// Each tool registers once at start-up (RegisterTools); its commands are
// enabled only while it is registered, and it sees the browse windows and the
// coordinator only through ToolBrowser and ToolShell below. Window thread only.

// What a tool sees of the browse window whose command opened it.
class ToolBrowser
{
public:
    // Empty while the window shows no folder.
    virtual const CPath &ShownFolder() const = 0;
    // The selected thumbnails in the box's order; they live until the folder
    // is left, so a tool that keeps them past its command takes references.
    virtual std::vector<TThumbnail *> Selection() const = 0;
    virtual bool IsLoading() const = 0;
    // Selects the thumbnails that criterion accepts and answers how many.
    virtual int ApplySearch(CSearchContext &criterion) = 0;
    // Asks to leave the folder for path; the switch happens on a later tick.
    virtual void GoToFolder(const CPath &path) = 0;
    // Builds every thumbnail of the folder again.
    virtual void Reload() = 0;
    // Paints the thumbnails again, after a change of their look.
    virtual void RepaintThumbnails() = 0;

protected:
    ~ToolBrowser() = default;
};

// A tool window (finder, find similar, animation, batch, basket) as the
// coordinator drives it: made once by the coordinator from its registration,
// owned by it, deleted when the coordinator goes.
class TToolForm
{
public:
    virtual ~TToolForm() = default;

    virtual QWidget *Window() = 0;
    // Every coordinator tick: the animation's tick, the basket's update, the
    // batch and find-similar windows' control update.
    virtual void Tick() {}
    // The batch window: its engine is running or adding folders.
    virtual bool IsBusy() const { return false; }
    virtual void SetCaptionGradient(TGradEnabled) {}
    virtual void ReloadOpenWithMenu() {}
    // The basket: adds the thumbnails' files and shows itself.
    virtual void AddThumbnails(const std::vector<TThumbnail *> &) {}
    // The animation window: plays the thumbnails in their order.
    virtual void Animate(const std::vector<TThumbnail *> &) {}
    // The basket: no item is marked cut any more.
    virtual void ClearCutMarks() {}
    // The basket: selects the rows whose file name criterion accepts and
    // answers how many.
    virtual int ApplySearch(CSearchContext &) { return 0; }
    // The finder: ticks "Include basket in search".
    virtual void SetIncludeBasket(bool) {}
    // Find similar: the image a browse window's user chose, unless the
    // reference is locked.
    virtual void SetReferenceImage(const CPath &) {}
};

// What a tool sees of the coordinator: the engine's coordinator hooks
// (disabling and enabling every window, renamed files, refreshed folders)
// and what only the windows can name. The base answers safely while no
// coordinator exists: no windows, nothing changes.
class ToolShell : public CoordinatorHooks
{
public:
    virtual std::vector<ToolBrowser *> BrowseWindows() const { return {}; }
    // A new browse window on folder (empty: the folder its settings keep).
    virtual void OpenBrowser(const CPath &) {}
    // Every browse window but skip refreshes after changed settings; unless
    // keepTree, it also rebuilds its folder tree.
    virtual void RefreshWindows(QWidget * /*skip*/, bool /*keepTree*/) {}
    // The viewers the coordinator keeps; a viewer adds itself when it opens
    // and removes itself when it closes.
    virtual void AddViewer(QWidget *) {}
    virtual void RemoveViewer(QWidget *) {}
    // The tool's window, made on first use; null when the tool has none.
    virtual TToolForm *ToolWindow(Tool) { return nullptr; }
    // Every window's Open With menus are filled again from the open-with list.
    virtual void ReloadOpenWithMenus() {}
    // No browse window shows a cut mark any more.
    virtual void ClearCutMarks() {}
    // Ends the program when no window that keeps it running is left.
    virtual void QuitIfNoWindows() {}
};

void SetToolShell(ToolShell *shell);
ToolShell &Shell();

// A tool's registration. A tool window gives window, a dialog tool command;
// a tool that answers one of the engine's hooks (the viewer, the open-with
// list, the basket's file changes) registers them in hooks, which runs with
// true when the tool registers and with false when it goes, so that the
// hooks live exactly as long as the registration.
struct ToolEntry
{
    std::function<std::unique_ptr<TToolForm>()> window = {};
    // Runs the dialog for the browse window that gave the command; answers
    // whether the user confirmed it.
    std::function<bool(ToolBrowser &browser)> command = {};
    // A dialog tool that works on thumbnails only (a movie of them): runs for
    // a list of thumbnails, as a browse window's command for its selection or
    // a tool window for its own list. Answers whether the user confirmed it.
    std::function<bool(const std::vector<TThumbnail *> &thumbnails)> thumbnails = {};
    std::function<void(bool registered)> hooks = {};
};

// Replaces the tool's earlier registration, if any.
void RegisterTool(Tool tool, ToolEntry entry);
void UnregisterTool(Tool tool);
// Whether the tool is registered: its commands are enabled by this.
bool ToolAvailable(Tool tool);
// The dialog tool's command (its thumbnails command for the browser's
// selection when it has only that); false when the tool has none or the user
// cancelled.
bool RunTool(Tool tool, ToolBrowser &browser);
// The tool's thumbnails command for thumbnails; false when the tool has none
// or the user cancelled.
bool RunToolOn(Tool tool, const std::vector<TThumbnail *> &thumbnails);
// A new window of the tool; null when it has none.
std::unique_ptr<TToolForm> MakeToolWindow(Tool tool);

// Every Open With menu (a browse window's, the basket's): empties menu, then
// adds one item per entry of the open-with list (OpenWith().applications()),
// captioned with its name, in list order; choosing one calls click with the
// entry's command. Window thread.
void FillOpenWithMenu(QMenu *menu, const std::function<void(const CString &command)> &click);
