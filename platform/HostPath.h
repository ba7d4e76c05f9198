#pragma once

#include "DriveLetters.h"

#include <memory>
#include <string>
#include <string_view>

// The one place where Windows paths meet host paths. Text is UTF-8. The drive
// letters and their folders are those of the current drive table
// (DriveLetterTable.h).
//
// A Windows path is absolute: a letter, a colon and a backslash ("C:\Pics";
// "C:" alone is the root) or a network share ("\\server\share\Pics"). Both
// slashes separate. "." is dropped and ".." goes back one name, never above
// the drive root.

// HostPathFromWindows: the host path of an absolute Windows path. Each
// existing name is matched exactly first, then without case (ASCII); of names
// in one folder that differ only in case, the first in byte order is the one
// found. A name that does not exist keeps its spelling. Private-use characters
// U+F000 + code become the characters that Windows forbids in names and the
// line breaks CR and LF (see HostNameFromWindows). Answers
// an empty string, with the last error ERROR_PATH_NOT_FOUND, for a relative
// path or one on no drive, and with ERROR_NOT_READY for a drive whose folder
// is not there (no medium), and with ERROR_INVALID_NAME for a path that holds
// a line break, which no Windows name does.
std::string HostPathFromWindows(std::string_view windowsPath);

// WindowsPathFromHost: the canonical Windows path of an absolute host path,
// under the deepest root that has a drive letter ("." and ".." resolved by
// name). Characters that Windows forbids in names, and line breaks, become
// private-use characters, so no Windows path holds a line break. A folder has no trailing backslash except at a drive root.
// Answers empty, with ERROR_PATH_NOT_FOUND, for a relative path or one that no
// drive holds.
std::string WindowsPathFromHost(std::string_view hostPath);

// A path as a user types it where the program asks for a Windows path: an
// absolute host path ("/home/u/Pictures"), or one from the home folder ("~"
// or "~/Pictures"), in its canonical Windows form (WindowsPathFromHost); any
// other text as it stands, blanks around it dropped. A host path that does
// not exist is mapped all the same, so the caller can name it.
std::string WindowsPathFromTyped(std::string_view text);

// One name (no separators) each way: \ : * ? " < > |, CR and LF, and U+F000
// plus their code. A host name holding U+F000 or one of those stand-ins keeps it quoted by
// a U+F000 before it, so a host name always comes back byte for byte.
std::string HostNameFromWindows(std::string_view windowsName);
std::string WindowsNameFromHost(std::string_view hostName);

// HostPathFromWindows with the drive the path lies on, both from one table.
// drive is null when hostPath is empty.
struct HostLocation
{
    std::shared_ptr<const DriveLetterTable> table;   // keeps drive alive
    const DriveInfo *drive = nullptr;
    std::string hostPath;
};
HostLocation LocateWindowsPath(std::string_view windowsPath);
