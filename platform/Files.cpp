#include "Files.h"

#include "HostFileInfo.h"
#include "HostFiles.h"
#include "HostPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string parentOf(const std::string &hostPath)
{
    const size_t slash = hostPath.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : hostPath.substr(0, slash);
}

static std::string_view nameOf(const std::string &hostPath)
{
    return std::string_view(hostPath).substr(hostPath.rfind('/') + 1);
}

// Windows tells a missing name in an existing folder from a missing folder.
static void setMissingError(const std::string &hostPath)
{
    struct stat info;
    const bool folderExists = ::stat(parentOf(hostPath).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    SetLastError(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

static void setErrorFromErrno(const std::string &hostPath)
{
    if (errno == ENOENT)
        setMissingError(hostPath);
    else
        SetLastErrorFromErrno();
}

// The location of a path to be changed: empty, with the last error set, when
// it is on no drive or its drive is write-protected by the map.
static HostLocation locateForWriting(const char *windowsPath)
{
    HostLocation location = LocateWindowsPath(windowsPath ? windowsPath : "");
    if (location.drive && location.drive->readOnly) {
        SetLastError(ERROR_WRITE_PROTECT);
        location.drive = nullptr;
        location.hostPath.clear();
    }
    return location;
}

// stat of a visible file or folder (links followed), or false with the last error set.
static bool statVisible(const std::string &hostPath, struct stat &info)
{
    if (::stat(hostPath.c_str(), &info) != 0) {
        setErrorFromErrno(hostPath);
        return false;
    }
    if (!IsVisibleFileType(info)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

static DWORD attributesOf(const HostLocation &location, const struct stat &info)
{
    const bool isRoot = location.hostPath == location.drive->hostRoot;
    return WindowsAttributesOf(location.hostPath, isRoot ? std::string_view() : nameOf(location.hostPath), info,
                               *location.drive);
}

DWORD GetFileAttributesA(const char *fileName)
{
    const HostLocation location = LocateWindowsPath(fileName ? fileName : "");
    struct stat info;
    if (!location.drive || !statVisible(location.hostPath, info))
        return INVALID_FILE_ATTRIBUTES;
    return attributesOf(location, info);
}

BOOL SetFileAttributesA(const char *fileName, DWORD attributes)
{
    const HostLocation location = locateForWriting(fileName);
    struct stat info;
    if (!location.drive || !statVisible(location.hostPath, info))
        return FALSE;
    const mode_t mode = info.st_mode & 07777;
    // Giving back write permission gives it to those who may read.
    const mode_t newMode = attributes & FILE_ATTRIBUTE_READONLY ? mode & ~mode_t(0222) : mode | ((mode & 0444) >> 1);
    if (newMode != mode && ::chmod(location.hostPath.c_str(), newMode) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryA(const char *pathName, void *)
{
    const HostLocation location = locateForWriting(pathName);
    if (!location.drive)
        return FALSE;
    if (::mkdir(location.hostPath.c_str(), 0777) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(const char *pathName)
{
    const HostLocation location = locateForWriting(pathName);
    if (!location.drive)
        return FALSE;
    if (location.hostPath == location.drive->hostRoot) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct stat info;
    if (::lstat(location.hostPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (::rmdir(location.hostPath.c_str()) != 0) {
        if (errno == EEXIST || errno == ENOTEMPTY)
            SetLastError(ERROR_DIR_NOT_EMPTY);
        else
            setErrorFromErrno(location.hostPath);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(const char *fileName)
{
    const HostLocation location = locateForWriting(fileName);
    struct stat info;
    if (!location.drive || !statVisible(location.hostPath, info))
        return FALSE;
    if (S_ISDIR(info.st_mode) || (attributesOf(location, info) & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(location.hostPath.c_str()) != 0) {
        setErrorFromErrno(location.hostPath);
        return FALSE;
    }
    return TRUE;
}

// hostPath with its links resolved; as it stands when it does not exist.
static std::string resolvedHostPath(const std::string &hostPath)
{
    char *resolved = ::realpath(hostPath.c_str(), nullptr);
    if (!resolved)
        return hostPath;
    std::string path(resolved);
    std::free(resolved);
    return path;
}

bool IsSharedRootFolder(const char *folder)
{
    const HostLocation location = LocateWindowsPath(folder ? folder : "");
    if (!location.drive)
        return true;
    const std::string resolved = resolvedHostPath(location.hostPath);
    const char *home = std::getenv("HOME");
    return resolved == "/" || resolved == resolvedHostPath(location.drive->hostRoot)
           || (home && *home && resolved == resolvedHostPath(home));
}

bool LiesInsideFolder(const char *path, const char *folder)
{
    const HostLocation inner = LocateWindowsPath(path ? path : "");
    const HostLocation outer = LocateWindowsPath(folder ? folder : "");
    if (!inner.drive || !outer.drive)
        return false;
    const size_t slash = inner.hostPath.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == inner.hostPath.size())
        return false;
    const std::string parent = inner.hostPath.substr(0, std::max<size_t>(slash, 1));
    const std::string resolvedParent = resolvedHostPath(parent);
    std::string resolvedFolder = resolvedHostPath(outer.hostPath);
    if (resolvedFolder.back() != '/')
        resolvedFolder += '/';
    return (resolvedParent + '/').starts_with(resolvedFolder);
}

bool IsSameFile(const char *first, const char *second)
{
    const HostLocation a = LocateWindowsPath(first ? first : "");
    const HostLocation b = LocateWindowsPath(second ? second : "");
    struct stat infoA, infoB;
    return a.drive && b.drive && statVisible(a.hostPath, infoA) && statVisible(b.hostPath, infoB)
           && infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

BOOL CopyFileA(const char *existingFileName, const char *newFileName, BOOL)
{
    const HostLocation source = LocateWindowsPath(existingFileName ? existingFileName : "");
    struct stat info;
    if (!source.drive || !statVisible(source.hostPath, info))
        return FALSE;
    if (S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const HostLocation target = locateForWriting(newFileName);
    if (!target.drive)
        return FALSE;
    // Any existing target, the source itself under another spelling or link included.
    if (::lstat(target.hostPath.c_str(), &info) == 0) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    return CopyHostFile(source.hostPath, target.hostPath);
}

BOOL ReplaceFileByCopy(const char *existingFileName, const char *newFileName)
{
    const HostLocation source = LocateWindowsPath(existingFileName ? existingFileName : "");
    struct stat info;
    if (!source.drive || !statVisible(source.hostPath, info))
        return FALSE;
    if (S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const HostLocation target = locateForWriting(newFileName);
    if (!target.drive)
        return FALSE;
    if (::lstat(target.hostPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);   // a folder or a link is not a file to replace
        return FALSE;
    }
    if (IsSameFile(existingFileName, newFileName)) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    return ReplaceHostFileByCopy(source.hostPath, target.hostPath);
}

// The new host name of a move whose target resolved to the source itself:
// the target's own spelling, for a change of case only.
static std::string caseChangeTarget(const std::string &sourceHost, const char *newFileName)
{
    const std::string_view windows = newFileName;
    const size_t separator = windows.find_last_of("\\/");
    const std::string name = HostNameFromWindows(windows.substr(separator == std::string_view::npos ? 0 : separator + 1));
    const std::string parent = parentOf(sourceHost);
    return (parent == "/" ? parent : parent + '/') + name;
}

static bool isSameFile(const std::string &a, const std::string &b)
{
    struct stat first, second;
    return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

// Whether the folder lists an entry spelled exactly name; true when the
// folder cannot be read, so that a doubt never lets a rename through.
static bool isListedIn(const std::string &folder, std::string_view name)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return true;
    bool listed = false;
    while (const dirent *entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            listed = true;
            break;
        }
    }
    ::closedir(dir);
    return listed;
}

// Whether to is the folder entry of from under another spelling, as a file
// system that ignores case finds a change of case. A hard link is an entry of
// its own, listed under its own name: another name of the file, not a new
// spelling of this one.
static bool isNewSpellingOfEntry(const std::string &from, const std::string &to)
{
    return isSameFile(from, to) && isSameFile(parentOf(from), parentOf(to))
           && !isListedIn(parentOf(to), nameOf(to));
}

BOOL MoveFileA(const char *existingFileName, const char *newFileName)
{
    const HostLocation source = locateForWriting(existingFileName);
    struct stat info;
    if (!source.drive || !statVisible(source.hostPath, info))
        return FALSE;
    if (source.hostPath == source.drive->hostRoot) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const HostLocation target = locateForWriting(newFileName);
    if (!target.drive)
        return FALSE;
    std::string to = target.hostPath;
    if (to == source.hostPath) {
        to = caseChangeTarget(source.hostPath, newFileName);
        if (to == source.hostPath)
            return TRUE;
    }
    if (RenameNoReplace(source.hostPath, to) == 0)
        return TRUE;
    int error = errno;
    // A file system that ignores case finds the new spelling taken by the file itself.
    if (error == EEXIST && isNewSpellingOfEntry(source.hostPath, to)) {
        if (::rename(source.hostPath.c_str(), to.c_str()) == 0)
            return TRUE;
        error = errno;
    }
    if (error == EXDEV)
        return MoveHostFileByCopy(source.hostPath, to);
    SetLastError(error == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
    return FALSE;
}
