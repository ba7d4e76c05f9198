#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/MessageBox.h>

#include <cstddef>
#include <vector>

class QWidget;
class TThumbnail;
class TImageHandler;
class TStrings;

// The engine's calls up into windows that are built on top of it. The window
// that answers an interface registers it at start-up and unregisters it (null)
// before it goes; until then the base answers safely: nothing changes and a
// prompt is cancelled. Registration and every call: window thread only (a
// worker hands its call over with CallOnWindowThread).

// Every window and dialog built on top of the browse windows, in one list
// for the coordinator and the windows' tool host. The first five are the tool
// windows that the coordinator owns; the others open from a command, and the
// viewer from Open.
enum class Tool {
    Finder, FindSimilar, Animation, Batch, Basket,
    SequentialRename, FolderManager, Preferences, ThumbnailWizard, Movie, OpenWith, Feedback, Viewer
};
inline constexpr size_t ToolCount = size_t(Tool::Viewer) + 1;

// The coordinator window, which disables every window around modal work and
// owns the tool windows.
class CoordinatorHooks
{
public:
    virtual ~CoordinatorHooks() = default;

    virtual void DisableAllWindows() {}
    virtual void EnableAllWindows() {}
    // Around a file operation of the shell on the user's files.
    virtual void BeginFileOperation() {}
    virtual void EndFileOperation() {}

    virtual bool isToolWindowVisible(Tool) const { return false; }
    virtual void setToolWindowVisible(Tool, bool) {}

    // A file was renamed from oldPath to newPath: its cached thumbnail record
    // and its basket item take the new path. The base moves the record; the
    // coordinator calls it before it moves the basket item.
    virtual void FileRenamed(const CPath &oldPath, const CPath &newPath);
    // Refreshes the thumbnails of every browse window that shows folder
    // (matched exactly), after files arrived in it.
    virtual void UpdateFolderWindows(const CPath &) {}

    // Every browse window except skip reloads its shortcut list from the
    // settings store.
    virtual void ReloadShortcutLists(QWidget *) {}
};

// The insert-volume prompt's answer for its Force button; OK is IDOK and
// Cancel IDCANCEL.
constexpr int VolumeForce = 5;

// The collision dialog's choices, in the order of its buttons.
enum CollisionChoice : int {
    CollisionIgnoreAll = 0,
    CollisionRenameSource = 1,
    CollisionSkip = 2,
    CollisionRenameDestination = 3,
    CollisionDeleteDestination = 4,
    CollisionCancel = 5          // closed without a choice
};

// What the target folder dialog shows for one copy or move.
struct TargetFolderRequest
{
    const TStrings *files = nullptr;   // full paths, for the space estimate
    bool copy = true;                  // false for a move
    CString caption;
    CString actionCaption;             // the OK button's own caption
    CString folderLabel;
    int helpContext = 0;
};

// The modal dialogs of the windows that the engine opens.
class DialogHooks
{
public:
    virtual ~DialogHooks() = default;

    // The drive information dialog for a drive ("C:") or a share ("\\server\share").
    virtual void showDriveInfo(const CPath &) {}
    // The insert-volume prompt showing text, with its Force button usable only
    // when allowForce is set. Answers IDOK, IDCANCEL or VolumeForce.
    virtual int promptForVolume(const CString &, bool) { return IDCANCEL; }
    // The rename dialog for a file. Its OK renames the file with
    // TFileHandler::Rename, so that the handler then holds the new path.
    // Answers whether the user confirmed and the file was renamed.
    virtual bool ShowRenameDialog(TImageHandler &) { return false; }
    // The collision dialog for source meeting destination in the target
    // folder. Answers its choice.
    virtual CollisionChoice ShowCollisionDialog(const CPath &, const CPath &) { return CollisionCancel; }
    // The delete confirmation for file, whose Skip is offered when more files
    // follow; answers IDYES without asking when the user turned confirmations
    // off. Answers IDYES (delete), IDNO (skip) or IDCANCEL.
    virtual int ConfirmDeleteFiles(TImageHandler &, bool) { return IDCANCEL; }
    // The memo replacement dialog for a file copied or moved onto destination,
    // whose memo differs from the source's. True for Replace.
    virtual bool ConfirmMemoReplacement(const CPath &, const TStrings &, const TStrings &) { return false; }
    // The target folder dialog. On OK, answers true with folder set (the
    // dialog has created it when it was missing).
    virtual bool ChooseTargetFolder(const TargetFolderRequest &, CPath &) { return false; }
};

// The basket window.
class BasketHooks
{
public:
    virtual ~BasketHooks() = default;

    // Drops the items whose files no longer exist.
    virtual void RemoveMissingItems() {}
    // The item of a file renamed from oldPath takes newPath.
    virtual void RenameItem(const CPath &, const CPath &) {}
};

// The animation window, whose frames are the browse windows' thumbnails.
class AnimationHooks
{
public:
    virtual ~AnimationHooks() = default;

    // The thumbnail is going: every frame that shows it leaves first.
    virtual void RemoveThumbnail(TThumbnail *) {}
};

// The image viewer windows.
class ViewerHooks
{
public:
    virtual ~ViewerHooks() = default;

    // A new viewer window showing the file.
    virtual void openViewer(const CPath &) {}
};

// The commands of the open-with list's two built-in entries.
inline constexpr char InternalViewerApplication[] = "#Internal";
inline constexpr char RegisteredApplication[] = "#Registered";

// One entry of the open-with list: its menu caption and its command.
struct OpenWithApplication
{
    CString caption;
    CString command;
};

// The open-with list that the preferences keep.
class OpenWithHooks
{
public:
    virtual ~OpenWithHooks() = default;

    // The command of the list's first entry, which "Open" uses. Until the
    // preferences answer, the file type's registered application: what a
    // user expects when nothing is configured.
    virtual CString firstApplication() const { return RegisteredApplication; }
    // The list, for the Open With menus; empty until the preferences answer.
    virtual std::vector<OpenWithApplication> applications() const { return {}; }
};

// The browse window that a thumbnail box reports to. A box made without one
// reports to nobody and shows its thumbnails' pictures.
class ThumbBoxOwner
{
public:
    virtual ~ThumbBoxOwner() = default;

    // The open folder, whose options the box lays out by; empty: the folder defaults.
    virtual CPath Folder() const { return CPath(); }
    // Whether loaded thumbnails show their pictures rather than their information.
    virtual bool ShowsPictures() const { return true; }
    // UM_SHOW_THUMBNAIL: a thumbnail was added, so that the window can follow it.
    virtual void ShowThumbnail(TThumbnail *) {}
    // The thumbnail's record changed, or went stale: then the thumbnail leaves
    // the box right after this returns.
    virtual void ThumbnailChanged(TThumbnail *) {}
    // Once for every finished bracket of selection changes.
    virtual void SelectionChanged() {}
    // After a click or a rubber band: one selected image may be the find
    // similar window's reference.
    virtual void UpdateSimilarReference() {}
    // The folder's loading pauses while the user drags a rubber band.
    virtual void PauseLoading(bool) {}
    // The thumbnails were reordered by hand: the folder now has a custom
    // order, which the caption and status show.
    virtual void SortOrderChanged() {}
    // The folder's browse file needs saving.
    virtual void SetModified(bool) {}
};

void SetCoordinatorHooks(CoordinatorHooks *hooks);
CoordinatorHooks &Coordinator();
void SetDialogHooks(DialogHooks *hooks);
DialogHooks &Dialogs();
void SetViewerHooks(ViewerHooks *hooks);
ViewerHooks &Viewer();
void SetOpenWithHooks(OpenWithHooks *hooks);
OpenWithHooks &OpenWith();
void SetBasketHooks(BasketHooks *hooks);
BasketHooks &Basket();
void SetAnimationHooks(AnimationHooks *hooks);
AnimationHooks &Animation();
