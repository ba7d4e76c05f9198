#pragma once

#include "DriveLetters.h"
#include "MountTable.h"

#include <string>
#include <string_view>
#include <vector>

// The drive map that ZILO_DRIVE_MAP names replaces the drives of the host's
// mounts. UTF-8 text, one drive a line, fields separated by tabs (so that
// folders and labels may hold spaces):
//
//   field  meaning
//       1  letter, with or without its colon: "D:"
//       2  host folder, absolute; a folder that is not there is a drive
//          without a medium (present, not ready)
//       3  type: unknown, noroot, removable, fixed, remote, cdrom or ramdisk,
//          then optionally ",readonly" (writes are refused, whoever runs) and
//          ",source=//server/share" (the drive also answers \\server\share)
//       4  serial number in hexadecimal, dashes ignored: "1A2B-3C4D"; taken
//          as it stands, 0 included
//       5  label, may be empty
//     6,7  optional, together: free and total bytes in decimal; without them
//          the host's figures for the folder count
//
// Empty lines and lines starting with '#' are skipped; so is a line that does
// not parse, with a warning. The file system's name and read-only mount come
// from the mount that holds the folder.
std::vector<DriveInfo> ParseDriveMap(std::string_view text, const std::vector<MountEntry> &mounts);
// Reads and parses the file; a file that cannot be read gives no drives.
std::vector<DriveInfo> ReadDriveMap(const std::string &mapFile, const std::vector<MountEntry> &mounts);
