#pragma once

#include <string>

// The program that the desktop's default application for a MIME type starts,
// as an absolute host path, from the freedesktop MIME associations: the
// mimeapps.list files under $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME
// and $XDG_DATA_DIRS (with the $XDG_CURRENT_DESKTOP variants), then the desktop
// entries that list the type. An entry counts only when it is an application
// that is not hidden and whose program (and TryExec) is found. Empty when no
// application opens the type. The type's parents are the caller's to try.
// Reads the folders afresh on every call; any thread.
std::string DefaultApplicationProgram(const std::string &mimeType);
