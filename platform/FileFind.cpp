#include "FileFind.h"

#include "HostFileInfo.h"
#include "HostPath.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

static char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Bytes of the UTF-8 character that starts at text[i].
static size_t characterLength(std::string_view text, size_t i)
{
    const unsigned char lead = text[i];
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - i);
}

// '*' and '?' without case; on a mismatch after a '*', that star takes one
// more character and the match goes on from there.
static bool matchesPattern(std::string_view name, std::string_view pattern)
{
    size_t n = 0;
    size_t p = 0;
    size_t starPattern = std::string_view::npos;   // just after the last '*'
    size_t starName = 0;                           // where that star's run ends now
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n += characterLength(name, n);
            ++p;
        } else if (p < pattern.size() && asciiLower(pattern[p]) == asciiLower(name[n])) {
            ++n;
            ++p;
        } else if (starPattern != std::string_view::npos) {
            starName += characterLength(name, starName);
            n = starName;
            p = starPattern;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool MatchesWildcard(std::string_view name, std::string_view pattern)
{
    if (pattern.ends_with(".*") && matchesPattern(name, pattern.substr(0, pattern.size() - 2)))
        return true;
    if (pattern.ends_with('.') && pattern != "." && pattern != "..")
        return name.find('.') == std::string_view::npos && matchesPattern(name, pattern.substr(0, pattern.size() - 1));
    return matchesPattern(name, pattern);
}

namespace {

struct FindListing
{
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;   // the entry FindNextFileA answers
};

struct FindHandles
{
    std::mutex lock;   // guards the two fields below; taken with no other lock
    std::map<HANDLE, std::unique_ptr<FindListing>> listings;
    HANDLE nextHandle = 0x10000;
};

} // namespace

static FindHandles &findHandles()
{
    static FindHandles handles;
    return handles;
}

static bool fillEntry(WIN32_FIND_DATAA &entry, const std::string &windowsName, DWORD attributes,
                      const struct stat &info)
{
    if (windowsName.size() >= sizeof(entry.cFileName))
        return false;
    entry.dwFileAttributes = attributes;
    entry.ftCreationTime = FileTimeFromUnix(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    entry.ftLastAccessTime = FileTimeFromUnix(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    entry.ftLastWriteTime = FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    const uint64_t size = S_ISDIR(info.st_mode) ? 0 : uint64_t(info.st_size);
    entry.nFileSizeHigh = DWORD(size >> 32);
    entry.nFileSizeLow = DWORD(size);
    std::memcpy(entry.cFileName, windowsName.c_str(), windowsName.size() + 1);
    return true;
}

static std::string joinHost(const std::string &folder, std::string_view name)
{
    return (folder == "/" ? folder : folder + '/') + std::string(name);
}

static std::string lowerName(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), asciiLower);
    return lower;
}

// The folder's names other than "." and "..", in byte order, case twins after the first dropped.
static std::vector<std::string> visibleNames(const std::string &hostFolder)
{
    std::vector<std::string> names;
    DIR *dir = ::opendir(hostFolder.c_str());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    std::map<std::string, bool> seen;
    std::erase_if(names, [&](const std::string &name) { return !seen.emplace(lowerName(name), true).second; });
    return names;
}

static void addDotEntries(FindListing &listing, const HostLocation &folder, std::string_view pattern)
{
    if (folder.hostPath == folder.drive->hostRoot)
        return;
    const std::string paths[2] = {folder.hostPath, joinHost(folder.hostPath, "..")};
    const char *names[2] = {".", ".."};
    for (int i = 0; i < 2; ++i) {
        struct stat info;
        WIN32_FIND_DATAA entry;
        if (MatchesWildcard(names[i], pattern) && ::stat(paths[i].c_str(), &info) == 0
            && fillEntry(entry, names[i], WindowsAttributesOf(paths[i], {}, info, *folder.drive), info))
            listing.entries.push_back(entry);
    }
}

static FindListing listFolder(const HostLocation &folder, std::string_view pattern)
{
    FindListing listing;
    addDotEntries(listing, folder, pattern);
    for (const std::string &name : visibleNames(folder.hostPath)) {
        const std::string windowsName = WindowsNameFromHost(name);
        const std::string hostPath = joinHost(folder.hostPath, name);
        struct stat info;
        WIN32_FIND_DATAA entry;
        if (MatchesWildcard(windowsName, pattern) && ::stat(hostPath.c_str(), &info) == 0 && IsVisibleFileType(info)
            && fillEntry(entry, windowsName, WindowsAttributesOf(hostPath, name, info, *folder.drive), info))
            listing.entries.push_back(entry);
    }
    return listing;
}

// A pattern that names one file: found the way the file is opened (exact
// name first, then without case), without listing the folder, so that looking
// up each file of a large folder stays cheap.
static bool isLiteralName(std::string_view pattern)
{
    return !pattern.empty() && pattern.find_first_of("*?") == std::string_view::npos && !pattern.ends_with('.');
}

static FindListing findLiteral(std::string_view path)
{
    FindListing listing;
    const HostLocation file = LocateWindowsPath(path);
    const size_t slash = file.hostPath.find_last_of('/');
    if (!file.drive || slash == std::string::npos)
        return listing;
    const std::string name = file.hostPath.substr(slash + 1);
    struct stat info;
    WIN32_FIND_DATAA entry;
    if (::stat(file.hostPath.c_str(), &info) == 0 && IsVisibleFileType(info)
        && fillEntry(entry, WindowsNameFromHost(name), WindowsAttributesOf(file.hostPath, name, info, *file.drive), info))
        listing.entries.push_back(entry);
    return listing;
}

HANDLE FindFirstFileA(const char *fileName, WIN32_FIND_DATAA *findFileData)
{
    const std::string_view path = fileName ? fileName : "";
    const size_t separator = path.find_last_of("\\/");
    const std::string_view pattern = separator == std::string_view::npos ? path : path.substr(separator + 1);
    const HostLocation folder = LocateWindowsPath(path.substr(0, separator == std::string_view::npos ? 0 : separator + 1));
    struct stat info;
    if (!folder.drive || ::stat(folder.hostPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto listing = std::make_unique<FindListing>(isLiteralName(pattern) ? findLiteral(path) : listFolder(folder, pattern));
    if (pattern.empty() || listing->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *findFileData = listing->entries[listing->next++];
    FindHandles &handles = findHandles();
    std::lock_guard guard(handles.lock);
    const HANDLE handle = handles.nextHandle++;
    handles.listings.emplace(handle, std::move(listing));
    return handle;
}

BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA *findFileData)
{
    FindHandles &handles = findHandles();
    std::lock_guard guard(handles.lock);
    const auto found = handles.listings.find(findFile);
    if (found == handles.listings.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    FindListing &listing = *found->second;
    if (listing.next >= listing.entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findFileData = listing.entries[listing.next++];
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    FindHandles &handles = findHandles();
    std::lock_guard guard(handles.lock);
    if (handles.listings.erase(findFile) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
