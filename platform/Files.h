#pragma once

#include "LastError.h"
#include "Types.h"

// Windows file and folder services over the host's files. Paths are Windows
// paths (UTF-8) as HostPath.h maps them. Failures answer FALSE (or
// INVALID_FILE_ATTRIBUTES) and leave the Windows code for GetLastError.
// The changes these functions make fail with ERROR_WRITE_PROTECT on a drive
// that the drive map marks read-only (or that is mounted read-only).

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// Hidden: the name starts with a dot. System: never. Read-only: the user may
// not write it (for the superuser, whom the host lets write anything: no one
// may write it), or its drive is write-protected. A folder has
// FILE_ATTRIBUTE_DIRECTORY, a file FILE_ATTRIBUTE_ARCHIVE (the host keeps no
// archive flag, so NORMAL is never answered). Links are followed. A FIFO,
// device or socket answers INVALID_FILE_ATTRIBUTES with ERROR_ACCESS_DENIED.
DWORD GetFileAttributesA(const char *fileName);
// Only READONLY has an effect here: it takes away the write permission, and
// without it (NORMAL, say) write permission comes back for whoever may read.
// HIDDEN, SYSTEM and ARCHIVE are accepted and ignored.
BOOL SetFileAttributesA(const char *fileName, DWORD attributes);

// Fails with ERROR_ALREADY_EXISTS when the name exists (as a file or a folder)
// and ERROR_PATH_NOT_FOUND when the parent folder does not.
BOOL CreateDirectoryA(const char *pathName, void *securityAttributes);
// Only an empty folder: ERROR_DIR_NOT_EMPTY otherwise, ERROR_DIRECTORY for a file.
BOOL RemoveDirectoryA(const char *pathName);
// Only a file: a folder answers ERROR_ACCESS_DENIED, and so does a read-only file.
BOOL DeleteFileA(const char *fileName);

// Renames a file or folder. Never replaces an existing name (ERROR_ALREADY_EXISTS),
// except that a name may change only its case. A file moved to another device is
// copied (times kept) and then deleted; a folder cannot be (ERROR_NOT_SAME_DEVICE).
BOOL MoveFileA(const char *existingFileName, const char *newFileName);
// Copies a regular file with its times and permissions. Fails with
// ERROR_FILE_EXISTS when the target exists, whatever failIfExists says, so an
// existing file is never replaced and a file is never copied onto itself. A
// failed copy leaves no partial target.
BOOL CopyFileA(const char *existingFileName, const char *newFileName, BOOL failIfExists);

// Copies a regular file with its times and permissions (the run bit among
// them) over newFileName: the copy is made under a temporary name beside it
// and renamed over the old file, which stays whole should the copy fail.
// Refuses a target that is a folder or a link (ERROR_ACCESS_DENIED) and the
// source itself under any name (ERROR_FILE_EXISTS).
BOOL ReplaceFileByCopy(const char *existingFileName, const char *newFileName);
// Whether folder is one that holds more than one program's files: a drive
// root, the home folder, or a path on no drive (relative ones among them).
// Links and case are resolved first.
bool IsSharedRootFolder(const char *folder);
// Whether path lies strictly inside folder once "..", case and the links of
// its parent folders are resolved. Path's own last name is not followed: a
// link inside folder counts as inside, wherever it points.
bool LiesInsideFolder(const char *path, const char *folder);
// Whether two paths name one file (the same device and inode, links
// followed), however differently they are spelled: a case variant, a hard
// link, a linked folder. False when either cannot be found.
bool IsSameFile(const char *first, const char *second);
