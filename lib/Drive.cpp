#include "Drive.h"

#include <platform/Drives.h>

CString CDrive::GetTypeString() const
{
    switch (type) {
    case DRIVE_REMOVABLE: return letter < 'C' ? "Floppy Disk" : "Removable Disk";
    case DRIVE_FIXED: return "Local Disk";
    case DRIVE_REMOTE: return "Network Connection";
    case DRIVE_CDROM: return "CD-ROM Disc";
    case DRIVE_RAMDISK: return "RAM Disk";
    default: return "";
    }
}

CDriveAll::CDriveAll()
    : m_drives(newTable())
{
}

CDriveAll::Drives CDriveAll::newTable()
{
    Drives drives;
    for (int i = 0; i < 26; ++i)
        drives[i].letter = char('A' + i);
    return drives;
}

// clusters × sectors per cluster × bytes per sector in 64 bits, stopping at
// the top rather than wrapping.
static uint64_t clusterBytes(uint32_t clusters, uint32_t sectorsPerCluster, uint32_t bytesPerSector)
{
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(uint64_t(clusters) * sectorsPerCluster, uint64_t(bytesPerSector), &bytes))
        return UINT64_MAX;
    return bytes;
}

CDrive CDriveAll::queryDrive(char letter)
{
    CDrive drive;
    drive.letter = letter;
    drive.exists = true;
    const char root[] = {letter, ':', '\\', '\0'};
    drive.type = GetDriveTypeA(root);

    char label[255] = {};
    char fileSystem[255] = {};
    DWORD serial = 0, maxComponentLength = 0, flags = 0;
    if (GetVolumeInformationA(root, label, sizeof label, &serial, &maxComponentLength, &flags, fileSystem,
                              sizeof fileSystem)) {
        drive.volumeLabel = label;
        drive.fileSystemName = fileSystem;
        drive.serialNumber = serial;
    }

    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
        drive.ready = true;
        drive.sectorsPerCluster = sectorsPerCluster;
        drive.bytesPerSector = bytesPerSector;
        drive.freeClusters = freeClusters;
        drive.totalClusters = totalClusters;
        drive.freeBytes = clusterBytes(freeClusters, sectorsPerCluster, bytesPerSector);
        drive.totalBytes = clusterBytes(totalClusters, sectorsPerCluster, bytesPerSector);
    }

    uint64_t freeBytes = 0, totalBytes = 0;
    if (MyGetDiskFreeSpaceEx(root, freeBytes, totalBytes)) {
        drive.ready = true;
        drive.largeSizes = true;
        drive.freeBytes = freeBytes;
        drive.totalBytes = totalBytes;
    }

    if (drive.ready && drive.serialNumber == 0)
        drive.serialNumber = uint32_t(uint8_t(letter));
    return drive;
}

DWORD CDriveAll::allowedMask() const
{
    CSingleLock lock(m_lock);
    return m_mask;
}

// The platform is asked with no lock held, so readers never wait on a slow
// drive; they see the old table until the new one is whole.
void CDriveAll::Update()
{
    std::lock_guard updating(m_updating);
    const DWORD present = GetLogicalDrives() & allowedMask();
    Drives drives = newTable();
    for (int i = 0; i < 26; ++i) {
        if (present & (DWORD(1) << i))
            drives[i] = queryDrive(char('A' + i));
    }
    CSingleLock lock(m_lock);
    m_drives.swap(drives);
}

void CDriveAll::SetEnableFloppies(bool enableA, bool enableB)
{
    {
        CSingleLock lock(m_lock);
        if (enableA == m_floppyA && enableB == m_floppyB)
            return;
        m_floppyA = enableA;
        m_floppyB = enableB;
        m_mask = 0xFFFFFFFC | (enableA ? 1u : 0u) | (enableB ? 2u : 0u);
    }
    Update();
}

CDrive CDriveAll::GetDrive(char letter) const
{
    const char upper = letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : letter;
    if (upper < 'A' || upper > 'Z')
        return CDrive();
    CSingleLock lock(m_lock);
    return m_drives[upper - 'A'];
}

CString CDriveAll::GetDriveLetters(int type) const
{
    CSingleLock lock(m_lock);
    CString letters;
    for (const CDrive &drive : m_drives) {
        const bool wanted = type == -1 || (type == -2 && drive.exists) || (type >= 0 && drive.type == uint32_t(type));
        if (wanted)
            letters += drive.letter;
    }
    return letters;
}

std::optional<CDrive> CDriveAll::DriveFromSerial(uint32_t serial) const
{
    CSingleLock lock(m_lock);
    for (const CDrive &drive : m_drives) {
        if (drive.exists && drive.ready && drive.serialNumber == serial)
            return drive;
    }
    return std::nullopt;
}

bool CDriveAll::MyGetDiskFreeSpaceEx(const char *root, uint64_t &freeBytes, uint64_t &totalBytes)
{
    ULARGE_INTEGER freeToCaller, total;
    if (!GetDiskFreeSpaceExA(root, &freeToCaller, &total, nullptr))
        return false;
    freeBytes = freeToCaller.QuadPart;
    totalBytes = total.QuadPart;
    return true;
}
