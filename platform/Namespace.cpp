#include "Namespace.h"

#include "DriveLetters.h"
#include "Drives.h"
#include "HostPath.h"
#include "MountTable.h"

#include <QMimeDatabase>
#include <QStandardPaths>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

constexpr DWORD VirtualFolderAttributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
constexpr DWORD FileFolderAttributes = VirtualFolderAttributes | SFGAO_FILESYSTEM;

static char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

static int compareWithoutCase(std::string_view a, std::string_view b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = asciiLower(a[i]);
        const unsigned char y = asciiLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

ShellItem ShellDesktop()
{
    return {ShellItemKind::Desktop, {}, "Desktop", VirtualFolderAttributes, "user-desktop", "user-desktop", 0};
}

static ShellItem computerItem()
{
    return {ShellItemKind::Computer, ComputerParsingName, "Computer", VirtualFolderAttributes, "computer", "computer", 0};
}

static ShellItem networkItem()
{
    return {ShellItemKind::Network, NetworkParsingName, "Network", VirtualFolderAttributes, "network-workgroup",
            "network-workgroup", 0};
}

// The shell's name for a drive without a label.
static std::string unlabelledDriveName(UINT type)
{
    switch (type) {
    case DRIVE_REMOVABLE: return "Removable Disk";
    case DRIVE_CDROM: return "CD Drive";
    case DRIVE_REMOTE: return "Network Drive";
    case DRIVE_RAMDISK: return "RAM Disk";
    }
    return "Local Disk";
}

static std::string driveIconName(UINT type)
{
    switch (type) {
    case DRIVE_REMOVABLE: return "drive-removable-media";
    case DRIVE_CDROM: return "media-optical";
    case DRIVE_REMOTE: return "folder-remote";
    }
    return "drive-harddisk";
}

static ShellItem driveItem(const DriveInfo &drive)
{
    const std::string label = drive.label.empty() ? unlabelledDriveName(drive.type) : drive.label;
    const std::string icon = driveIconName(drive.type);
    return {ShellItemKind::Drive, std::string{drive.letter, ':', '\\'},
            label + " (" + drive.letter + ":)", FileFolderAttributes, icon, icon, drive.letter};
}

// A remote drive as a share: "share on server" under its UNC root; one
// mounted without a "//server/share" source keeps its letter's root.
static ShellItem shareItem(const DriveInfo &drive)
{
    if (drive.uncRoot.empty()) {
        ShellItem item = driveItem(drive);
        item.kind = ShellItemKind::Share;
        item.driveLetter = 0;
        return item;
    }
    const std::string_view unc = std::string_view(drive.uncRoot).substr(2);   // "server\share"
    const size_t split = unc.find('\\');
    const std::string name = std::string(unc.substr(split + 1)) + " on " + std::string(unc.substr(0, split));
    return {ShellItemKind::Share, drive.uncRoot, name, FileFolderAttributes, "folder-remote", "folder-remote", 0};
}

static std::string childPath(const std::string &folder, std::string_view hostName)
{
    std::string path = folder;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + WindowsNameFromHost(hostName);
}

static ShellItem fileSystemItem(const std::string &folderPath, const std::string &hostName, bool isFolder)
{
    if (isFolder)
        return {ShellItemKind::Folder, childPath(folderPath, hostName), hostName, FileFolderAttributes,
                "folder", "folder-open", 0};
    static const QMimeDatabase mimeTypes;
    const std::string icon = mimeTypes.mimeTypeForFile(QString::fromStdString(hostName), QMimeDatabase::MatchExtension)
                                 .iconName()
                                 .toStdString();
    return {ShellItemKind::File, childPath(folderPath, hostName), hostName, SFGAO_FILESYSTEM, icon, icon, 0};
}

std::string ShellDesktopFolder()
{
    const QString host = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (host.isEmpty())
        return {};
    const std::string windows = WindowsPathFromHost(host.toStdString());
    const bool isDriveRoot = windows.size() == 3;
    return isDriveRoot ? std::string() : windows;
}

// Whether an entry is a folder (true), a regular file (false), or neither
// (skipped). Links count as what they point at.
static bool folderOrFile(const std::string &hostFolder, const dirent &entry, bool &isFolder)
{
    if (entry.d_type == DT_DIR || entry.d_type == DT_REG) {
        isFolder = entry.d_type == DT_DIR;
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat info;
    if (::stat((hostFolder + '/' + entry.d_name).c_str(), &info) != 0)
        return false;
    isFolder = S_ISDIR(info.st_mode);
    return isFolder || S_ISREG(info.st_mode);
}

static bool isHiddenName(std::string_view name)
{
    return !name.empty() && name.front() == '.';
}

struct HostEntry
{
    std::string name;
    bool isFolder = false;
};

// The entries of a host folder that flags ask for, in byte order, each name
// only once without case.
static std::vector<HostEntry> readHostFolder(const std::string &hostFolder, DWORD flags)
{
    std::vector<HostEntry> entries;
    DIR *dir = ::opendir(hostFolder.c_str());
    if (!dir)
        return entries;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || (isHiddenName(name) && !(flags & SHCONTF_INCLUDEHIDDEN)))
            continue;
        bool isFolder = false;
        if (!folderOrFile(hostFolder, *entry, isFolder))
            continue;
        if (flags & (isFolder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS))
            entries.push_back({std::string(name), isFolder});
    }
    ::closedir(dir);
    // Names equal without case fall together, the first in byte order first.
    std::sort(entries.begin(), entries.end(), [](const HostEntry &a, const HostEntry &b) {
        const int blind = compareWithoutCase(a.name, b.name);
        return blind != 0 ? blind < 0 : a.name < b.name;
    });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const HostEntry &a, const HostEntry &b) {
                                  return compareWithoutCase(a.name, b.name) == 0;
                              }),
                  entries.end());
    return entries;
}

static void appendFolderEntries(const std::string &windowsFolder, DWORD flags, std::vector<ShellItem> &items)
{
    const std::string host = HostPathFromWindows(windowsFolder);
    if (host.empty())
        return;
    const std::vector<HostEntry> entries = readHostFolder(host, flags);
    items.reserve(items.size() + entries.size());
    for (const HostEntry &entry : entries)
        items.push_back(fileSystemItem(windowsFolder, entry.name, entry.isFolder));
}

static std::vector<ShellItem> listChildren(const ShellItem &folder, DWORD flags)
{
    std::vector<ShellItem> items;
    switch (folder.kind) {
    case ShellItemKind::Desktop:
        items = {computerItem(), networkItem()};
        if (const std::string desktop = ShellDesktopFolder(); !desktop.empty())
            appendFolderEntries(desktop, flags, items);
        break;
    case ShellItemKind::Computer:
        if (flags & SHCONTF_FOLDERS) {
            const auto table = CurrentDriveTable();
            for (char letter = 'A'; letter <= 'Z'; ++letter) {
                if (const DriveInfo *drive = table->drive(letter))
                    items.push_back(driveItem(*drive));
            }
        }
        break;
    case ShellItemKind::Network:
        if (flags & SHCONTF_FOLDERS) {
            const auto table = CurrentDriveTable();
            for (char letter = 'A'; letter <= 'Z'; ++letter) {
                const DriveInfo *drive = table->drive(letter);
                if (drive && drive->type == DRIVE_REMOTE)
                    items.push_back(shareItem(*drive));
            }
        }
        break;
    case ShellItemKind::Drive:
    case ShellItemKind::Share:
    case ShellItemKind::Folder:
        appendFolderEntries(folder.path, flags, items);
        break;
    case ShellItemKind::File:
        break;
    }
    return items;
}

std::vector<ShellItem> EnumShellFolder(const ShellItem &folder, DWORD flags)
{
    std::vector<ShellItem> items = listChildren(folder, flags);
    std::stable_sort(items.begin(), items.end(),
                     [](const ShellItem &a, const ShellItem &b) { return CompareShellItems(a, b) < 0; });
    return items;
}

static bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Natural order without case: runs of digits compare by their value.
static int compareNatural(std::string_view a, std::string_view b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t endA = i;
            size_t endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            if (const int digits = a.substr(i, endA - i).compare(b.substr(j, endB - j)))
                return digits;
            i = endA;
            j = endB;
            continue;
        }
        const char x = asciiLower(a[i]);
        const char y = asciiLower(b[j]);
        if (x != y)
            return (unsigned char)x < (unsigned char)y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

int CompareShellItems(const ShellItem &a, const ShellItem &b)
{
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    if (a.driveLetter != b.driveLetter)
        return a.driveLetter < b.driveLetter ? -1 : 1;
    if (const int natural = compareNatural(a.displayName, b.displayName))
        return natural;
    return a.displayName.compare(b.displayName);
}

// The host names of a normal host path below root.
static std::vector<std::string> namesBelow(const std::string &hostPath, const std::string &root)
{
    std::vector<std::string> names;
    std::string_view rest = std::string_view(hostPath).substr(root == "/" ? 0 : root.size());
    while (!rest.empty()) {
        const size_t start = rest.find_first_not_of('/');
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const size_t end = std::min(rest.find('/'), rest.size());
        names.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    return names;
}

static bool isAbsoluteWindowsPath(std::string_view path)
{
    const bool unc = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return unc || (path.size() >= 2 && path[1] == ':');
}

// Appends an item for each name below parent, each of which must exist: all
// but the last as folders.
static bool appendNamedItems(ShellItem parent, const std::string &hostFolder, const std::vector<std::string> &names,
                             std::vector<ShellItem> &items)
{
    std::string host = hostFolder;
    for (size_t i = 0; i < names.size(); ++i) {
        host += host == "/" ? names[i] : '/' + names[i];
        struct stat info;
        if (::stat(host.c_str(), &info) != 0)
            return false;
        const bool isFolder = S_ISDIR(info.st_mode);
        if (!isFolder && (i + 1 < names.size() || !S_ISREG(info.st_mode)))
            return false;
        parent = fileSystemItem(parent.path, names[i], isFolder);
        items.push_back(parent);
    }
    return true;
}

static bool parseAbsolute(std::string_view path, std::vector<ShellItem> &items)
{
    const HostLocation location = LocateWindowsPath(path);
    if (!location.drive)
        return false;
    const bool unc = path[1] != ':';
    const ShellItem root = unc ? shareItem(*location.drive) : driveItem(*location.drive);
    items = {unc ? networkItem() : computerItem(), root};
    return appendNamedItems(root, location.drive->hostRoot, namesBelow(location.hostPath, location.drive->hostRoot),
                            items);
}

static bool parseOnDesktop(std::string_view path, std::vector<ShellItem> &items)
{
    const std::string desktop = ShellDesktopFolder();
    const std::string desktopHost = desktop.empty() ? std::string() : HostPathFromWindows(desktop);
    if (desktopHost.empty())
        return false;
    const std::string host = HostPathFromWindows(desktop + '\\' + std::string(path));
    if (!IsHostPathWithin(host, desktopHost))
        return false;
    ShellItem folder{ShellItemKind::Folder, desktop, {}, FileFolderAttributes, {}, {}, 0};
    return appendNamedItems(folder, desktopHost, namesBelow(host, desktopHost), items);
}

bool ParseShellPath(std::string_view path, std::vector<ShellItem> &items)
{
    items.clear();
    bool parsed = true;
    if (path == ComputerParsingName)
        items = {computerItem()};
    else if (path == NetworkParsingName)
        items = {networkItem()};
    else if (isAbsoluteWindowsPath(path))
        parsed = parseAbsolute(path, items);
    else if (!path.empty())
        parsed = parseOnDesktop(path, items);
    if (!parsed)
        items.clear();
    return parsed;
}
