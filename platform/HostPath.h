#pragma once

#include <string>
#include <string_view>

// The one place where Windows paths meet host paths. Text is UTF-8.
//
// HostPathFromWindows: the host path of an absolute Windows path ("C:\Pics\a.jpg",
// "\\server\share\a.jpg"). Existing names are matched exactly first, then
// without case; a name that does not exist keeps its spelling, with the
// private-use characters U+F000 + code mapped back to the characters that
// Windows forbids in names. Answers an empty string, with the last error
// ERROR_PATH_NOT_FOUND, for a relative path or a drive that has no host folder.
std::string HostPathFromWindows(std::string_view windowsPath);

// WindowsPathFromHost: the canonical Windows path of an absolute host path,
// under the deepest root that has a drive letter; characters that Windows
// forbids in names become private-use characters. A folder has no trailing
// backslash except at a drive root.
std::string WindowsPathFromHost(std::string_view hostPath);
