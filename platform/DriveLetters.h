#pragma once

#include "Types.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One drive letter: the host folder that stands for its root, and what the
// Windows drive services answer about it.
struct DriveInfo
{
    char letter = 0;                      // 'A' to 'Z'
    std::string hostRoot;                 // absolute and normal (NormalHostPath)
    std::string uncRoot;                  // "\\server\share" of a network share, else empty
    UINT type = 0;                        // DRIVE_UNKNOWN ... DRIVE_RAMDISK (Drives.h)
    DWORD serialNumber = 0;
    std::string label;
    std::string fileSystem;               // the host's name for it; empty when unknown
    bool readOnly = false;                // mounted read-only, or the drive map says so
    std::optional<uint64_t> freeBytes;    // the drive map's figures; else the host's
    std::optional<uint64_t> totalBytes;

    bool operator==(const DriveInfo &) const = default;
};

// Whether the drive's host folder is there: its medium is in.
bool IsDriveReady(const DriveInfo &drive);

// One consistent view of every drive letter. It never changes once made, so
// any number of threads may read it while a newer table replaces it.
class DriveLetterTable
{
public:
    DriveLetterTable() = default;
    // A repeated letter keeps its first entry.
    explicit DriveLetterTable(std::vector<DriveInfo> drives);

    DWORD logicalDrives() const;   // bit i for letter 'A' + i
    // Either case; null for no drive.
    const DriveInfo *drive(char letter) const;
    // The network drive whose share a UNC path ("\\server\share\...") lies in,
    // compared without case by whole components; rest gets the part after its
    // share. Null when none.
    const DriveInfo *driveOfUnc(std::string_view uncPath, std::string_view &rest) const;
    // The drive with the deepest root holding a normal host path, the first
    // letter among equals. Null when none holds it.
    const DriveInfo *driveOfHostPath(std::string_view hostPath) const;

private:
    std::vector<DriveInfo> m_drives;      // in letter order
};

// When the table is built: at first use; on every RefreshDriveTable (which
// GetLogicalDrives calls); and whenever ZILO_DRIVE_MAP names another file than
// it did for the current table (or is set or unset). A table from the drive
// map holds the map's lines; otherwise the host's mounts give C: (the home
// folder), Z: (the root) and from D: on each removable, optical or network
// mount. Any thread; the table stays valid as long as the caller holds it.
std::shared_ptr<const DriveLetterTable> CurrentDriveTable();
// Builds the table again and makes it current. Any thread.
std::shared_ptr<const DriveLetterTable> RefreshDriveTable();
