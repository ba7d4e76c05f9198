#include "Drives.h"

#include "DriveLetters.h"
#include "HostPath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/statvfs.h>
#include <unistd.h>

DWORD GetLogicalDrives()
{
    return RefreshDriveTable()->logicalDrives();
}

static bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The drive whose root the path is: "D:", "D:\" or "\\server\share" with or
// without its backslash. Null for anything else.
static const DriveInfo *driveOfRoot(const DriveLetterTable &table, const char *root)
{
    const std::string_view path = root ? root : "";
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        std::string_view rest;
        const DriveInfo *drive = table.driveOfUnc(path, rest);
        return rest.empty() || (rest.size() == 1 && isSeparator(rest[0])) ? drive : nullptr;
    }
    const bool letterRoot = (path.size() == 2 || (path.size() == 3 && isSeparator(path[2]))) && path[1] == ':';
    return letterRoot ? table.drive(path[0]) : nullptr;
}

// The drive of a root that is ready, or null with the last error set.
static const DriveInfo *readyDriveOfRoot(const DriveLetterTable &table, const char *root)
{
    const DriveInfo *drive = driveOfRoot(table, root);
    if (!drive) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    if (!IsDriveReady(*drive)) {
        SetLastError(ERROR_NOT_READY);
        return nullptr;
    }
    return drive;
}

UINT GetDriveTypeA(const char *rootPathName)
{
    const std::shared_ptr<const DriveLetterTable> table = CurrentDriveTable();
    const DriveInfo *drive = driveOfRoot(*table, rootPathName);
    return drive ? drive->type : DRIVE_NO_ROOT_DIR;
}

static bool isWriteProtected(const DriveInfo &drive)
{
    return drive.readOnly || ::access(drive.hostRoot.c_str(), W_OK) != 0;
}

// Copies text with its NUL; false when the buffer is too small. A null buffer is not wanted.
static bool copyText(const std::string &text, char *buffer, DWORD size)
{
    if (!buffer)
        return true;
    if (text.size() >= size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

BOOL GetVolumeInformationA(const char *rootPathName, char *volumeNameBuffer, DWORD volumeNameSize,
                           DWORD *volumeSerialNumber, DWORD *maximumComponentLength,
                           DWORD *fileSystemFlags, char *fileSystemNameBuffer, DWORD fileSystemNameSize)
{
    const std::shared_ptr<const DriveLetterTable> table = CurrentDriveTable();
    const DriveInfo *drive = readyDriveOfRoot(*table, rootPathName);
    if (!drive)
        return FALSE;
    if (!copyText(drive->label, volumeNameBuffer, volumeNameSize)
        || !copyText(drive->fileSystem, fileSystemNameBuffer, fileSystemNameSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (volumeSerialNumber)
        *volumeSerialNumber = drive->serialNumber;
    if (maximumComponentLength)
        *maximumComponentLength = 255;
    if (fileSystemFlags)
        *fileSystemFlags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK
                           | (isWriteProtected(*drive) ? FILE_READ_ONLY_VOLUME : 0);
    return TRUE;
}

namespace {

struct SpaceFigures
{
    uint64_t freeToCaller = 0;   // bytes
    uint64_t totalFree = 0;      // bytes, including those kept for the superuser
    uint64_t total = 0;          // bytes
    uint64_t clusterBytes = 0;   // the file system's block
};

} // namespace

// The host's figures for a folder, or the drive map's where it gives them.
static bool spaceOfFolder(const DriveInfo &drive, const std::string &hostFolder, SpaceFigures &space)
{
    struct statvfs info;
    if (::statvfs(hostFolder.c_str(), &info) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return false;
    }
    const uint64_t block = info.f_frsize ? info.f_frsize : info.f_bsize;
    space.clusterBytes = std::max<uint64_t>(block, 1);
    space.freeToCaller = uint64_t(info.f_bavail) * block;
    space.totalFree = uint64_t(info.f_bfree) * block;
    space.total = uint64_t(info.f_blocks) * block;
    if (drive.freeBytes && drive.totalBytes) {
        space.freeToCaller = space.totalFree = *drive.freeBytes;
        space.total = *drive.totalBytes;
    }
    return true;
}

static DWORD cappedCount(uint64_t count)
{
    return DWORD(std::min<uint64_t>(count, 0xFFFFFFFFu));
}

BOOL GetDiskFreeSpaceA(const char *rootPathName, DWORD *sectorsPerCluster, DWORD *bytesPerSector,
                       DWORD *numberOfFreeClusters, DWORD *totalNumberOfClusters)
{
    const std::shared_ptr<const DriveLetterTable> table = CurrentDriveTable();
    const DriveInfo *drive = readyDriveOfRoot(*table, rootPathName);
    SpaceFigures space;
    if (!drive || !spaceOfFolder(*drive, drive->hostRoot, space))
        return FALSE;
    // Sectors of 512 bytes where the block holds whole ones, else one sector a block.
    const uint64_t sectorBytes = space.clusterBytes % 512 == 0 ? 512 : space.clusterBytes;
    if (sectorsPerCluster)
        *sectorsPerCluster = cappedCount(space.clusterBytes / sectorBytes);
    if (bytesPerSector)
        *bytesPerSector = cappedCount(sectorBytes);
    if (numberOfFreeClusters)
        *numberOfFreeClusters = cappedCount(space.freeToCaller / space.clusterBytes);
    if (totalNumberOfClusters)
        *totalNumberOfClusters = cappedCount(space.total / space.clusterBytes);
    return TRUE;
}

BOOL GetDiskFreeSpaceExA(const char *directoryName, ULARGE_INTEGER *freeBytesAvailableToCaller,
                         ULARGE_INTEGER *totalNumberOfBytes, ULARGE_INTEGER *totalNumberOfFreeBytes)
{
    const HostLocation location = LocateWindowsPath(directoryName ? directoryName : "");
    SpaceFigures space;
    if (!location.drive || !spaceOfFolder(*location.drive, location.hostPath, space))
        return FALSE;
    if (freeBytesAvailableToCaller)
        freeBytesAvailableToCaller->QuadPart = space.freeToCaller;
    if (totalNumberOfBytes)
        totalNumberOfBytes->QuadPart = space.total;
    if (totalNumberOfFreeBytes)
        totalNumberOfFreeBytes->QuadPart = space.totalFree;
    return TRUE;
}

bool IsDriveWriteProtected(const char *path)
{
    const HostLocation location = LocateWindowsPath(path ? path : "");
    return location.drive && isWriteProtected(*location.drive);
}
