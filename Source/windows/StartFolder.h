#pragma once

#include <lib/Path.h>

// The folder that the first browse window opens, from the program's whole
// command line (GetCommandLineA): trimmed of leading and trailing blanks,
// everything after the first "browsefile=" (case matters) is a path, quotes
// and all. The start folder is that path's folder part, so a folder given
// without a trailing backslash opens its parent; for a path whose extension
// is exactly ".zilo" it is the folder recorded inside that browse file.
// Empty without the keyword or with nothing after it.
// Window thread. Raises Exception when the named browse file cannot be opened
// or is no browse file; answers empty, after a warning, for one of another
// version or on a volume that is not supplied (ReadBrowseFileFolder).
CPath StartFolderFromCommandLine(const CString &commandLine);
