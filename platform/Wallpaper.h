#pragma once

#include "Types.h"

#include <string>

// Makes the image at hostPath (an absolute host path) the wallpaper of the
// running desktop, which XDG_CURRENT_DESKTOP names (DESKTOP_SESSION when it
// names none we know): GNOME and its relatives, Cinnamon, MATE, XFCE, KDE
// Plasma and LXQt, through each desktop's own settings tool. Blocks until the
// tool has ended, at most a few seconds a tool. Answers false for a desktop we
// do not know, a tool that is missing, fails or does not end in time; what
// was set before a failing step stays set. Any thread.
bool SetDesktopWallpaper(const std::string &hostPath);

// The system parameter that the program sets: the desktop wallpaper, from the
// Windows path of a picture file (value, a const char *). flags: with
// SPIF_UPDATEINIFILE the choice outlives the session, as every desktop's
// settings tool keeps it anyway. Any other action answers FALSE.
constexpr UINT SPI_SETDESKWALLPAPER = 0x14;
constexpr UINT SPIF_UPDATEINIFILE = 1;
BOOL SystemParametersInfoA(UINT action, UINT param, void *value, UINT flags);
