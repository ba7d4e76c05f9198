#include "HostFileInfo.h"

#include "Files.h"

#include <unistd.h>

// The superuser may write anything, so for it a file that no one may write
// counts as read-only; otherwise the host's answer for this user counts.
bool IsReadOnlyForUser(const std::string &hostPath, const struct stat &info)
{
    if (::access(hostPath.c_str(), W_OK) != 0)
        return true;
    return ::geteuid() == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

DWORD WindowsAttributesOf(const std::string &hostPath, std::string_view name, const struct stat &info,
                          const DriveInfo &drive)
{
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (name.starts_with('.'))
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (drive.readOnly || IsReadOnlyForUser(hostPath, info))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}
