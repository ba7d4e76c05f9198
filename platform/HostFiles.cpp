#include "HostFiles.h"

#include "LastError.h"
#include "TemporaryFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int RenameNoReplace(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    struct stat info;
    if (::lstat(from.c_str(), &info) != 0)
        return -1;
    if (S_ISDIR(info.st_mode)) {
        if (::lstat(to.c_str(), &info) == 0) {
            errno = EEXIST;
            return -1;
        }
        return ::rename(from.c_str(), to.c_str());
    }
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    return ::unlink(from.c_str());
}

static bool copyBytes(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    while (true) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = ENOSPC;
                return false;
            }
            done += put;
        }
    }
}

// Fills target with the source's bytes, permissions and times and flushes it
// to disk; false with errno set.
static bool writeCopy(int source, const struct stat &info, int target)
{
    const timespec times[2] = {info.st_atim, info.st_mtim};
    return copyBytes(source, target) && ::fchmod(target, info.st_mode & 07777) == 0
           && ::futimens(target, times) == 0 && ::fsync(target) == 0;
}

// Closes the finished copy target, named temporary, and gives it the name to
// on disk, over what is there when replace is set; false with errno set, and
// nothing new left under either name.
static bool putInPlace(int target, bool written, const std::string &temporary, const std::string &to, bool replace)
{
    bool placed = ::close(target) == 0 && written;
    placed = placed && (replace ? ::rename(temporary.c_str(), to.c_str()) : RenameNoReplace(temporary, to)) == 0;
    if (!placed) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    if (SyncFolderOf(to))
        return true;
    const int error = errno;
    ::unlink(to.c_str());
    errno = error;
    return false;
}

static bool copyHostFile(const std::string &from, const std::string &to, bool replace)
{
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (source < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    struct stat info;
    if (::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(source);
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string temporary;
    const int target = CreateTemporaryFileBeside(to, temporary);
    if (target < 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        ::close(source);
        return false;
    }
    const bool copied = putInPlace(target, writeCopy(source, info, target), temporary, to, replace);
    if (!copied)
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
    ::close(source);
    return copied;
}

bool CopyHostFile(const std::string &from, const std::string &to)
{
    return copyHostFile(from, to, false);
}

bool ReplaceHostFileByCopy(const std::string &from, const std::string &to)
{
    return copyHostFile(from, to, true);
}

bool MoveHostFileByCopy(const std::string &from, const std::string &to)
{
    struct stat info;
    if (::stat(from.c_str(), &info) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        SetLastError(ERROR_NOT_SAME_DEVICE);
        return false;
    }
    if (::lstat(to.c_str(), &info) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!CopyHostFile(from, to))
        return false;
    if (::unlink(from.c_str()) == 0)
        return true;
    const DWORD error = SetLastErrorFromErrno();
    ::unlink(to.c_str());
    SetLastError(error);
    return false;
}
