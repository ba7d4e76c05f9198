#include "TemporaryFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::string TemporaryFileName()
{
    constexpr int LetterCount = 12;
    std::string name = ".zilo-";
    for (int index = 0; index < LetterCount; ++index)
        name += char('a' + QRandomGenerator::global()->bounded(26));
    return name;
}

static std::string folderOf(const std::string &hostPath)
{
    const size_t slash = hostPath.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : hostPath.substr(0, slash);
}

int CreateTemporaryFileBeside(const std::string &hostTarget, std::string &hostTemporary)
{
    const std::string prefix = hostTarget.substr(0, hostTarget.rfind('/') + 1);
    // A taken name is tried again with new letters.
    for (int attempt = 0; attempt < 16; ++attempt) {
        hostTemporary = prefix + TemporaryFileName();
        const int fd = ::open(hostTemporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool SyncFolderOf(const std::string &hostPath)
{
    const int fd = ::open(folderOf(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}
