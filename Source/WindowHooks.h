#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/MessageBox.h>

// The engine's calls up into windows that are built on top of it. The window
// that answers an interface registers it at start-up and unregisters it (null)
// before it goes; until then the base answers safely: nothing changes and a
// prompt is cancelled. Registration and every call: window thread only (a
// worker hands its call over with CallOnWindowThread).

enum class ToolWindow { Animation, Finder, FindSimilar };

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

    virtual bool isToolWindowVisible(ToolWindow) const { return false; }
    virtual void setToolWindowVisible(ToolWindow, bool) {}
};

// The insert-volume prompt's answer for its Force button; OK is IDOK and
// Cancel IDCANCEL.
constexpr int VolumeForce = 5;

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
};

void SetCoordinatorHooks(CoordinatorHooks *hooks);
CoordinatorHooks &Coordinator();
void SetDialogHooks(DialogHooks *hooks);
DialogHooks &Dialogs();
