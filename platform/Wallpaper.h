#pragma once

#include <string>

// Makes the image at hostPath (an absolute host path) the wallpaper of the
// running desktop, which XDG_CURRENT_DESKTOP names (DESKTOP_SESSION when it
// names none we know): GNOME and its relatives, Cinnamon, MATE, XFCE, KDE
// Plasma and LXQt, through each desktop's own settings tool. Blocks until the
// tool has ended, at most a few seconds a tool. Answers false for a desktop we
// do not know, a tool that is missing, fails or does not end in time; what
// was set before a failing step stays set. Any thread.
bool SetDesktopWallpaper(const std::string &hostPath);
