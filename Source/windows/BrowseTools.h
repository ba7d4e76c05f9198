#pragma once

#include <lib/Path.h>
#include <lib/String.h>

#include <functional>
#include <vector>

class QMenu;
class TBrowseForm1;
class TThumbnail;

// What a browse window hands the preferences dialog.
struct TPreferencesRequest
{
    CPath folder;
    // The thumbnail appearance may be edited: the folder is not loading.
    bool thumbnailPageEditable = false;
    // After Apply, so that the window shows the new look at once.
    std::function<void()> onApply;
};

// The browse window's commands that open dialogs built on top of the windows
// (the tools). Each tool fills its entry at start-up; a command whose entry
// is empty is disabled, so that no command ever does nothing. Window thread.
struct TBrowseTools
{
    std::function<void(TBrowseForm1 &window, const std::vector<TThumbnail *> &selected)> SequentialRename;
    std::function<void(const CPath &folder)> FolderManager;
    // Answers whether the user pressed OK.
    std::function<bool(const TPreferencesRequest &request)> Preferences;
    std::function<void(const CPath &folder, const std::vector<TThumbnail *> &selected)> ThumbnailWizard;
    std::function<void(const std::vector<TThumbnail *> &selected)> MakeMovie;
    // Replaces menu's items by one per open-with application; picking one
    // calls open with its command.
    std::function<void(QMenu *menu, const std::function<void(const CString &application)> &open)> FillOpenWithMenu;
    // The feedback mail to the program's maker.
    std::function<void()> Feedback;
};

TBrowseTools &BrowseTools();
