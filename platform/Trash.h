#pragma once

#include "Types.h"

#include <string>

// The desktop's trash, laid out as freedesktop.org's trash standard says.
// Host paths: this serves the platform layer's file operations only.

enum class TrashOutcome {
    Trashed,   // the file is in the trash, with its record of where it was
    NoTrash,   // its file system has no trash, and none can be made
    Failed     // error holds why it could not be moved there
};

// Moves a file, link or folder into the trash of its file system: the home
// trash ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash) on the home trash's
// file system; elsewhere $topdir/.Trash/$uid when $topdir/.Trash is a sticky
// folder and not a link, else $topdir/.Trash-$uid. A name already in the trash
// gets a number. Nothing that is in the trash is ever replaced. Any thread.
TrashOutcome MoveToTrash(const std::string &hostPath, DWORD &error);
