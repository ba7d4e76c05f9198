#pragma once

#include "DriveLetters.h"
#include "Types.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

// What the Windows file services say about a host file, shared by the
// attribute query and the folder listing.

// FILE_ATTRIBUTE_* of a regular file or folder whose stat (links followed) is
// info. name is the host name, which makes it hidden when it starts with a dot.
DWORD WindowsAttributesOf(const std::string &hostPath, std::string_view name, const struct stat &info,
                          const DriveInfo &drive);

// Not writable by the user: the host says so, or, for the superuser, whom the
// host lets write anything, no one may write the file. info is its stat.
bool IsReadOnlyForUser(const std::string &hostPath, const struct stat &info);

// Only regular files and folders are seen; FIFOs, devices and sockets are not.
inline bool IsVisibleFileType(const struct stat &info)
{
    return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
}
