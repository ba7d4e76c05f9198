#pragma once

#include "LastError.h"
#include "Types.h"

// Windows drive services over the drive letters of DriveLetterTable.h. A root is a
// letter with a colon and a backslash ("D:\"; "D:" is taken as the same) or a
// network share ("\\server\share\"). Failures answer FALSE and leave the
// Windows code for GetLastError: ERROR_PATH_NOT_FOUND for a letter or share
// without a drive, ERROR_NOT_READY for a drive whose folder is not there.

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;

struct ULARGE_INTEGER
{
    ULONGLONG QuadPart = 0;
};

// Bit i stands for letter 'A' + i. Refreshes the drive table first, so this
// is the call that notices discs put in or taken out (and a new drive map).
DWORD GetLogicalDrives();
// DRIVE_NO_ROOT_DIR for a path that is not the root of a drive.
UINT GetDriveTypeA(const char *rootPathName);
// The label and file-system name are copied with their NUL into buffers of the
// given sizes (ERROR_INVALID_PARAMETER when one is too small). Any pointer may
// be null. The file-system name is the host's ("ext4", "vfat", "iso9660").
BOOL GetVolumeInformationA(const char *rootPathName, char *volumeNameBuffer, DWORD volumeNameSize,
                           DWORD *volumeSerialNumber, DWORD *maximumComponentLength,
                           DWORD *fileSystemFlags, char *fileSystemNameBuffer, DWORD fileSystemNameSize);
// Clusters as the host's file-system blocks in sectors of 512 bytes; free
// clusters are those the caller may use. A count beyond 32 bits answers
// 0xFFFFFFFF rather than wrapping.
BOOL GetDiskFreeSpaceA(const char *rootPathName, DWORD *sectorsPerCluster, DWORD *bytesPerSector,
                       DWORD *numberOfFreeClusters, DWORD *totalNumberOfClusters);
// Any folder of a drive, not only its root. Any pointer may be null.
BOOL GetDiskFreeSpaceExA(const char *directoryName, ULARGE_INTEGER *freeBytesAvailableToCaller,
                         ULARGE_INTEGER *totalNumberOfBytes, ULARGE_INTEGER *totalNumberOfFreeBytes);

// Whether writes to the drive that holds a Windows path fail or are refused:
// its mount is read-only, the drive map marks it so, or the user may not write
// its root folder. False for a path on no drive.
bool IsDriveWriteProtected(const char *path);
