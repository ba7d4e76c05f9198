#pragma once

#include "DriveLetters.h"
#include "MountTable.h"

#include <string>
#include <string_view>
#include <vector>

// The drives that the host's mounts give: C: the home folder, Z: the root,
// and from D: on (C: and Z: skipped) each removable, optical or network mount
// in the order mounted, as long as letters last. Serial numbers are never 0
// and differ between letters.
std::vector<DriveInfo> DiscoverDrives(const std::vector<MountEntry> &mounts, const std::string &homeFolder);

// DRIVE_REMOTE, DRIVE_CDROM, DRIVE_REMOVABLE, DRIVE_RAMDISK or DRIVE_FIXED.
UINT DriveTypeOfMount(const MountEntry &mount);

// The serial number of a letter whose root is rootInFileSystem inside its file
// system: a FAT volume id "XXXX-XXXX" as it stands, else the UUID folded to
// 32 bits with the root, or without a UUID the mount's source and device
// number folded so. May be 0; DiscoverDrives mends that.
DWORD VolumeSerialNumber(std::string_view uuid, std::string_view sourceAndDevice, std::string_view rootInFileSystem);
