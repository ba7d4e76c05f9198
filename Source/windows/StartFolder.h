#pragma once

#include <lib/Path.h>

class QString;

// The folder that the first browse window opens, from the program's whole
// command line (GetCommandLineA): trimmed of leading and trailing blanks,
// everything after "browsefile=" (case matters; see BrowseFileArgument) is a
// path, quotes and all. The start folder is that path's folder part, so a folder given
// without a trailing backslash opens its parent; for a path whose extension
// is exactly ".zilo" it is the folder recorded inside that browse file.
// Empty without the keyword or with nothing after it.
// Window thread. Raises Exception when the named browse file cannot be opened
// or is no browse file; answers empty, after a warning, for one of another
// version or on a volume that is not supplied (ReadBrowseFileFolder).
CPath StartFolderFromCommandLine(const CString &commandLine);

// The part of a command line that names the start: from the first
// "browsefile=" (case matters) that begins an argument after the program's
// own name (or begins the line: the argument a second start hands on) to the end, trimmed of trailing blanks, as
// StartFolderFromCommandLine reads it; a host path after the keyword (the
// desktop starts the program on a file with one argument holding it) comes
// back as its Windows path. Empty without the keyword. What a second start
// hands the first instance.
CString BrowseFileArgument(const CString &commandLine);

// Whether folder exists; when it does not, a warning box says so ("Folder
// '%s' does not exist"), unless folder is empty. For the folders that the
// user names (the command line, the Folder box, the history, a shortcut), so
// that none is passed over in silence. Window thread.
bool CheckFolderExists(const CPath &folder);

// The Windows path of a folder typed in the Folder box, which takes host
// paths too ("/home/u/Pictures", "~/Pictures"); a trailing backslash after
// a folder name is dropped, a root's is kept.
CPath TypedFolder(const QString &text);
