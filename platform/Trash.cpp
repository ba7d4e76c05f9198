#include "Trash.h"

#include "LastError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough for any sane trash; a full run of them means something is wrong.
constexpr int MaxNameAttempts = 10000;

struct TrashFolder
{
    std::string folder;    // holds files/ and info/
    std::string topDir;    // recorded paths are relative to it; empty: absolute
};

std::string parentOf(const std::string &hostPath)
{
    const size_t slash = hostPath.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

std::string nameOf(const std::string &hostPath)
{
    return hostPath.substr(hostPath.find_last_of('/') + 1);
}

std::string homeTrash()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/')
        return std::string(data) + "/Trash";
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

// The device of a path that may not exist yet: that of its deepest existing folder.
dev_t deviceOf(std::string path)
{
    struct stat info = {};
    while (::stat(path.c_str(), &info) != 0 && path != "/")
        path = parentOf(path);
    return info.st_dev;
}

// The mount point of the file system that holds folder.
std::string topDirOf(std::string folder)
{
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0)
        return folder;
    while (folder != "/") {
        const std::string parent = parentOf(folder);
        struct stat parentInfo;
        if (::stat(parent.c_str(), &parentInfo) != 0 || parentInfo.st_dev != info.st_dev)
            break;
        folder = parent;
    }
    return folder;
}

// A folder of ours: made with mode 0700 when missing; one that exists must be
// a real folder (not a link) owned by the user.
bool ensurePrivateFolder(const std::string &folder)
{
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    struct stat info;
    return errno == EEXIST && ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == ::getuid();
}

bool ensureFolders(const std::string &folder)
{
    return ensurePrivateFolder(folder) && ensurePrivateFolder(folder + "/files")
           && ensurePrivateFolder(folder + "/info");
}

// The home trash's folders above it are the user's own and are made as needed.
bool ensureHomeTrash(const std::string &trash)
{
    std::string made;
    for (size_t slash = trash.find('/', 1); slash != std::string::npos; slash = trash.find('/', slash + 1)) {
        made = trash.substr(0, slash);
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ensureFolders(trash);
}

bool findTrashFolder(const std::string &hostPath, TrashFolder &trash)
{
    struct stat info;
    if (::lstat(hostPath.c_str(), &info) != 0)
        return false;
    const std::string home = homeTrash();
    if (info.st_dev == deviceOf(home)) {
        trash = {home, {}};
        return ensureHomeTrash(home);
    }
    const std::string topDir = topDirOf(parentOf(hostPath));
    const std::string uid = std::to_string(::getuid());
    const std::string shared = (topDir == "/" ? std::string() : topDir) + "/.Trash";
    struct stat sharedInfo;
    if (::lstat(shared.c_str(), &sharedInfo) == 0 && S_ISDIR(sharedInfo.st_mode) && (sharedInfo.st_mode & S_ISVTX)) {
        trash = {shared + '/' + uid, topDir};
        if (ensureFolders(trash.folder))
            return true;
    }
    trash = {(topDir == "/" ? std::string() : topDir) + "/.Trash-" + uid, topDir};
    return ensureFolders(trash.folder);
}

// The path as the trash records it: relative to the top folder when there is
// one, escaped as in a URL with the slashes kept.
std::string recordedPath(const std::string &hostPath, const std::string &topDir)
{
    std::string_view path = hostPath;
    if (!topDir.empty() && topDir != "/")
        path.remove_prefix(topDir.size() + 1);
    else if (!topDir.empty())
        path.remove_prefix(1);
    static const char unreserved[] = "-_.!~*'()/";
    std::string escaped;
    for (const unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                           || std::string_view(unreserved).find(char(c)) != std::string_view::npos;
        if (plain) {
            escaped += char(c);
            continue;
        }
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        escaped += hex;
    }
    return escaped;
}

std::string deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local;
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += size_t(written);
    }
    return true;
}

// Renames without ever replacing what is at target (EEXIST when something is).
int renameNoReplace(const std::string &source, const std::string &target)
{
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot refuse by itself: look first.
    struct stat info;
    if (::lstat(target.c_str(), &info) == 0)
        return EEXIST;
    return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
}

std::string candidateName(const std::string &name, int attempt)
{
    return attempt == 1 ? name : name + '.' + std::to_string(attempt);
}

} // namespace

TrashOutcome MoveToTrash(const std::string &hostPath, DWORD &error)
{
    struct stat info;
    if (::lstat(hostPath.c_str(), &info) != 0) {
        error = ErrorFromErrno(errno);
        return TrashOutcome::Failed;
    }
    TrashFolder trash;
    if (!findTrashFolder(hostPath, trash))
        return TrashOutcome::NoTrash;

    const std::string record = "[Trash Info]\nPath=" + recordedPath(hostPath, trash.topDir)
                               + "\nDeletionDate=" + deletionDate() + '\n';
    const std::string name = nameOf(hostPath);
    for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
        const std::string candidate = candidateName(name, attempt);
        const std::string infoPath = trash.folder + "/info/" + candidate + ".trashinfo";
        // The record is made first and exclusively: it reserves the name.
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            error = ErrorFromErrno(errno);
            return TrashOutcome::Failed;
        }
        int writeError = writeAll(fd, record) ? 0 : errno;
        if (::close(fd) != 0 && !writeError)
            writeError = errno;
        if (writeError) {
            error = ErrorFromErrno(writeError);
            ::unlink(infoPath.c_str());
            return TrashOutcome::Failed;
        }
        const int moved = renameNoReplace(hostPath, trash.folder + "/files/" + candidate);
        if (moved == 0)
            return TrashOutcome::Trashed;
        ::unlink(infoPath.c_str());
        if (moved == EEXIST)
            continue;   // a file without its record holds the name
        if (moved == EXDEV)
            return TrashOutcome::NoTrash;
        error = ErrorFromErrno(moved);
        return TrashOutcome::Failed;
    }
    error = ERROR_FILE_EXISTS;
    return TrashOutcome::Failed;
}
