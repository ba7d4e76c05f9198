#include "FileIO.h"

#include "HostPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t EpochDifference = 11644473600LL;

FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds)
{
    const int64_t ticks = (seconds + EpochDifference) * 10000000LL + nanoseconds / 100;
    return UInt64ToFileTime(uint64_t(ticks < 0 ? 0 : ticks));
}

void UnixFromFileTime(const FILETIME &time, int64_t &seconds, int64_t &nanoseconds)
{
    const uint64_t ticks = FileTimeToUInt64(time);
    seconds = int64_t(ticks / 10000000ULL) - EpochDifference;
    nanoseconds = int64_t(ticks % 10000000ULL) * 100;
}

static int fdOf(HANDLE handle)
{
    return handle >= 0 && handle <= INT32_MAX ? int(handle) : -1;
}

static int openFlags(DWORD access, DWORD disposition)
{
    int flags = O_CLOEXEC | O_NONBLOCK;   // O_NONBLOCK keeps a FIFO from blocking the open
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS: return flags | O_CREAT | O_TRUNC;
    case OPEN_ALWAYS: return flags | O_CREAT;
    case TRUNCATE_EXISTING: return flags | O_TRUNC;
    default: return flags;
    }
}

HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   void * /*securityAttributes*/, DWORD creationDisposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/)
{
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const HostLocation location = LocateWindowsPath(fileName ? fileName : "");
    if (location.hostPath.empty())
        return INVALID_HANDLE_VALUE;
    const bool writes = (desiredAccess & GENERIC_WRITE) || creationDisposition != OPEN_EXISTING;
    if (writes && location.drive->readOnly) {
        SetLastError(ERROR_WRITE_PROTECT);
        return INVALID_HANDLE_VALUE;
    }
    const std::string &host = location.hostPath;

    // Truncation waits until the file is known to be a regular one.
    int flags = openFlags(desiredAccess, creationDisposition);
    const bool truncate = flags & O_TRUNC;
    flags &= ~O_TRUNC;
    struct stat info;
    const bool existed = ::stat(host.c_str(), &info) == 0;
    const int fd = ::open(host.c_str(), flags, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            SetLastError(ERROR_FILE_EXISTS);
        else
            SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (truncate && ::ftruncate(fd, 0) != 0) {
        SetLastErrorFromErrno();
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    // Windows reports an existing file for these even though they succeed.
    SetLastError((creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS) && existed
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return fd;
}

BOOL CloseHandle(HANDLE handle)
{
    const int fd = fdOf(handle);
    if (fd < 0 || ::close(fd) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL ReadFile(HANDLE file, void *buffer, DWORD count, DWORD *done, void *)
{
    DWORD total = 0;
    while (total < count) {
        const ssize_t n = ::read(fdOf(file), static_cast<char *>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastErrorFromErrno();
            if (done)
                *done = total;
            return FALSE;
        }
        if (n == 0)
            break;
        total += DWORD(n);
    }
    if (done)
        *done = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, const void *buffer, DWORD count, DWORD *done, void *)
{
    DWORD total = 0;
    while (total < count) {
        const ssize_t n = ::write(fdOf(file), static_cast<const char *>(buffer) + total, count - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            SetLastErrorFromErrno();
            if (done)
                *done = total;
            return FALSE;
        }
        total += DWORD(n);
    }
    if (done)
        *done = total;
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, int64_t distance, int64_t *newPosition, DWORD moveMethod)
{
    const int whence = moveMethod == FILE_CURRENT ? SEEK_CUR : moveMethod == FILE_END ? SEEK_END : SEEK_SET;
    const off_t position = ::lseek(fdOf(file), off_t(distance), whence);
    if (position < 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (newPosition)
        *newPosition = position;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, int64_t *size)
{
    struct stat info;
    if (::fstat(fdOf(file), &info) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    *size = info.st_size;
    return TRUE;
}

BOOL SetEndOfFile(HANDLE file)
{
    const int fd = fdOf(file);
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(fd, position) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    if (::fsync(fdOf(file)) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE file, FILETIME *creation, FILETIME *lastAccess, FILETIME *lastWrite)
{
    struct stat info;
    if (::fstat(fdOf(file), &info) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    // The host keeps no creation time: the change time stands in.
    if (creation)
        *creation = FileTimeFromUnix(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    if (lastAccess)
        *lastAccess = FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    if (lastWrite)
        *lastWrite = FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return TRUE;
}

static timespec toTimespec(const FILETIME *time)
{
    if (!time)
        return timespec{0, UTIME_OMIT};
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    UnixFromFileTime(*time, seconds, nanoseconds);
    return timespec{time_t(seconds), long(nanoseconds)};
}

BOOL SetFileTime(HANDLE file, const FILETIME * /*creation*/, const FILETIME *lastAccess,
                 const FILETIME *lastWrite)
{
    const timespec times[2] = {toTimespec(lastAccess), toTimespec(lastWrite)};
    if (::futimens(fdOf(file), times) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
