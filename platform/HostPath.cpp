#include "HostPath.h"

#include "LastError.h"
#include "MountTable.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

// Characters that Windows forbids in names; each stands as U+F000 + its code.
// A host name that holds such a stand-in itself keeps it behind U+F000 (the
// stand-in of no character), and so does one that holds U+F000: every host
// name comes back as it was, and every other name maps as it always did.
// Of the control characters, which Windows forbids as well, only CR and LF
// stand in: they would split every list of names the program writes (memos,
// the clipboard, drags), while a name with another one keeps the spelling
// under which stored settings and memos know it.
static bool isForbiddenInWindowsName(char c)
{
    return std::string_view("\\:*?\"<>|\r\n").find(c) != std::string_view::npos;
}

constexpr size_t PrivateUseBytes = 3;
constexpr char QuoteCode = 0;

// U+F000..U+F07F in UTF-8 at i: EF, 80 or 81, then 80..BF.
static bool isPrivateUseOfAscii(std::string_view text, size_t i, char &code)
{
    if (i + PrivateUseBytes > text.size() || (unsigned char)text[i] != 0xEF)
        return false;
    const unsigned char second = text[i + 1];
    const unsigned char third = text[i + 2];
    if ((second != 0x80 && second != 0x81) || (third & 0xC0) != 0x80)
        return false;
    code = char(((second & 0x01) << 6) | (third & 0x3F));
    return true;
}

// A character that a host name must quote: a stand-in or the quote itself.
static bool needsQuote(std::string_view text, size_t i)
{
    char code = 0;
    return isPrivateUseOfAscii(text, i, code) && (code == QuoteCode || isForbiddenInWindowsName(code));
}

static bool isQuote(std::string_view text, size_t i)
{
    char code = 1;
    return isPrivateUseOfAscii(text, i, code) && code == QuoteCode;
}

static void appendPrivateUse(std::string &text, char code)
{
    text += char(0xEF);
    text += char(0x80 | (code >> 6));
    text += char(0x80 | (code & 0x3F));
}

std::string HostNameFromWindows(std::string_view windowsName)
{
    std::string host;
    for (size_t i = 0; i < windowsName.size(); ++i) {
        if (isQuote(windowsName, i) && needsQuote(windowsName, i + PrivateUseBytes)) {
            host += windowsName.substr(i + PrivateUseBytes, PrivateUseBytes);
            i += 2 * PrivateUseBytes - 1;
            continue;
        }
        char code = 0;
        if (isPrivateUseOfAscii(windowsName, i, code) && isForbiddenInWindowsName(code)) {
            host += code;
            i += PrivateUseBytes - 1;
            continue;
        }
        host += windowsName[i];
    }
    return host;
}

std::string WindowsNameFromHost(std::string_view hostName)
{
    std::string windows;
    for (size_t i = 0; i < hostName.size(); ++i) {
        const char c = hostName[i];
        if (isForbiddenInWindowsName(c)) {
            appendPrivateUse(windows, c);
            continue;
        }
        if (needsQuote(hostName, i)) {
            appendPrivateUse(windows, QuoteCode);
            windows += hostName.substr(i, PrivateUseBytes);
            i += PrivateUseBytes - 1;
            continue;
        }
        windows += c;
    }
    return windows;
}

static bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

static char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

static bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// The names of a path below its drive root, "." and ".." resolved.
static std::vector<std::string_view> namesBelowRoot(std::string_view rest)
{
    std::vector<std::string_view> names;
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end]))
            ++end;
        const std::string_view name = rest.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    return names;
}

static bool hostNameExists(const std::string &path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The first name in byte order in the folder that equals name without case;
// empty when none does or the folder cannot be read.
static std::string caseBlindMatch(const std::string &folder, std::string_view name)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return {};
    std::string best;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (equalsNoCase(candidate, name) && (best.empty() || candidate < best))
            best = candidate;
    }
    ::closedir(dir);
    return best;
}

static std::string joinHost(const std::string &folder, std::string_view name)
{
    std::string path = folder;
    if (path != "/")
        path += '/';
    path += name;
    return path;
}

static std::string resolveNames(const std::string &root, const std::vector<std::string_view> &names)
{
    std::string host = root;
    bool folderExists = true;   // once a name is missing, nothing below it can exist
    for (std::string_view windowsName : names) {
        const std::string name = HostNameFromWindows(windowsName);
        std::string exact = joinHost(host, name);
        if (folderExists && !hostNameExists(exact)) {
            const std::string match = caseBlindMatch(host, name);
            folderExists = !match.empty();
            if (folderExists)
                exact = joinHost(host, match);
        }
        host = std::move(exact);
    }
    return host;
}

static bool isDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The drive of an absolute Windows path and the part after its root; null for
// a relative path or one on no drive.
static const DriveInfo *driveOfWindowsPath(const DriveLetterTable &table, std::string_view path, std::string_view &rest)
{
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return table.driveOfUnc(path, rest);
    if (path.size() < 2 || !isDriveLetter(path[0]) || path[1] != ':' || (path.size() > 2 && !isSeparator(path[2])))
        return nullptr;
    rest = path.substr(2);
    return table.drive(path[0]);
}

HostLocation LocateWindowsPath(std::string_view windowsPath)
{
    HostLocation location;
    location.table = CurrentDriveTable();
    // A host name's line breaks stand in as U+F00D and U+F00A: a path with a
    // bare one was never handed out, and would name a file no listing shows.
    if (windowsPath.find_first_of("\r\n") != std::string_view::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return location;
    }
    std::string_view rest;
    const DriveInfo *drive = driveOfWindowsPath(*location.table, windowsPath, rest);
    if (!drive) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return location;
    }
    struct stat info;
    if (::stat(drive->hostRoot.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_NOT_READY);
        return location;
    }
    location.drive = drive;
    location.hostPath = resolveNames(drive->hostRoot, namesBelowRoot(rest));
    return location;
}

std::string HostPathFromWindows(std::string_view windowsPath)
{
    return LocateWindowsPath(windowsPath).hostPath;
}

std::string WindowsPathFromHost(std::string_view hostPath)
{
    const std::string normal = NormalHostPath(hostPath);
    const std::shared_ptr<const DriveLetterTable> table = CurrentDriveTable();
    const DriveInfo *drive = normal.empty() ? nullptr : table->driveOfHostPath(normal);
    if (!drive) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    std::string windows{drive->letter, ':'};
    const std::string_view below = std::string_view(normal).substr(drive->hostRoot == "/" ? 0 : drive->hostRoot.size());
    size_t start = 0;
    while (start < below.size()) {   // a normal path: names between single slashes
        const size_t end = std::min(below.find('/', start), below.size());
        if (end > start) {
            windows += '\\';
            windows += WindowsNameFromHost(below.substr(start, end - start));
        }
        start = end + 1;
    }
    if (windows.size() == 2)
        windows += '\\';
    return windows;
}

std::string WindowsPathFromTyped(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.front() == '/')
        return WindowsPathFromHost(text);
    const bool fromHome = text == "~" || text.substr(0, 2) == "~/";
    const char *home = std::getenv("HOME");
    if (!fromHome || !home || *home != '/')
        return std::string(text);
    return WindowsPathFromHost(std::string(home) + std::string(text.substr(1)));
}
