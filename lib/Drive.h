#pragma once

#include "String.h"

#include <platform/CriticalSection.h>
#include <platform/Types.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

// One drive letter and what the platform says about it.
class CDrive
{
public:
    // Removable below C: "Floppy Disk", other removable "Removable Disk", fixed
    // "Local Disk", remote "Network Connection", CD-ROM "CD-ROM Disc", RAM disk
    // "RAM Disk"; any other type the empty string.
    CString GetTypeString() const;

    char letter = '?';              // 'A' to 'Z' once the table assigns it
    bool exists = false;            // in the platform's logical drives and not masked out
    bool ready = false;             // a space query answered: a medium is present
    uint32_t type = 0;              // DRIVE_UNKNOWN ... DRIVE_RAMDISK
    CString volumeLabel;
    CString fileSystemName;
    uint32_t serialNumber = 0;      // never 0 for a ready drive
    uint64_t freeBytes = 0;         // available to the user
    uint64_t totalBytes = 0;
    uint32_t freeClusters = 0;      // the older space query's answers; 0 when it failed
    uint32_t totalClusters = 0;
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerCluster = 0;
    bool largeSizes = false;        // the 64-bit space query answered
};

// The 26 drive letters. The window thread refreshes the table (Update,
// SetEnableFloppies) while worker threads read it: every reader gets a copy
// taken under the lock, never a reference into the table.
class CDriveAll
{
public:
    CDriveAll();   // letters assigned, nothing asked of the platform yet
    CDriveAll(const CDriveAll &) = delete;
    CDriveAll &operator=(const CDriveAll &) = delete;

    // Asks the platform about every letter the mask allows and swaps the new
    // table in whole. Floppies A and B are left alone unless switched on.
    void Update();
    // Stores the switches and updates when either differs; otherwise nothing.
    void SetEnableFloppies(bool enableA, bool enableB);

    // Either case. A character that is not a letter answers a new CDrive.
    CDrive GetDrive(char letter) const;
    // Letters in order: type -1 all 26, -2 those of existing drives, 0 or more
    // those whose drive has that type.
    CString GetDriveLetters(int type) const;
    // The first drive from A to Z that exists, is ready and has the serial number.
    std::optional<CDrive> DriveFromSerial(uint32_t serial) const;

    // The 64-bit space query for a root: bytes available to the user and total bytes.
    static bool MyGetDiskFreeSpaceEx(const char *root, uint64_t &freeBytes, uint64_t &totalBytes);

private:
    using Drives = std::array<CDrive, 26>;

    static Drives newTable();
    static CDrive queryDrive(char letter);
    DWORD allowedMask() const;

    // Held through a whole Update, so that two refreshes never swap out of
    // order. Taken before m_lock, never while holding it.
    std::mutex m_updating;
    // Guards the fields below. Held only to copy or swap them; no other lock
    // is taken under it.
    mutable CCriticalSection m_lock;
    DWORD m_mask = 0xFFFFFFFC;      // bit i for letter 'A' + i; A and B off at first
    Drives m_drives;
    bool m_floppyA = false;
    bool m_floppyB = false;
};
