#pragma once

#include "LastError.h"
#include "Types.h"

// Windows file handles over host file descriptors. Paths are Windows paths
// (UTF-8). Only regular files open: a folder, FIFO or device is refused with
// ERROR_ACCESS_DENIED. Share modes are accepted and not enforced. Failures
// answer INVALID_HANDLE_VALUE or FALSE and leave the code for GetLastError.
using HANDLE = intptr_t;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD shareMode,
                   void *securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
// Reads or writes up to count bytes; *done holds how many moved. A read at the
// end of the file succeeds with 0.
BOOL ReadFile(HANDLE file, void *buffer, DWORD count, DWORD *done, void *overlapped);
BOOL WriteFile(HANDLE file, const void *buffer, DWORD count, DWORD *done, void *overlapped);
BOOL SetFilePointerEx(HANDLE file, int64_t distance, int64_t *newPosition, DWORD moveMethod);
BOOL GetFileSizeEx(HANDLE file, int64_t *size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileTime(HANDLE file, FILETIME *creation, FILETIME *lastAccess, FILETIME *lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME *creation, const FILETIME *lastAccess,
                 const FILETIME *lastWrite);

// Host time (seconds and nanoseconds since 1970) to Windows file time and back.
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void UnixFromFileTime(const FILETIME &time, int64_t &seconds, int64_t &nanoseconds);
