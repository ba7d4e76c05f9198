#pragma once

#include "Types.h"

#include <string>
#include <string_view>
#include <vector>

// The namespace service in place of the shell's folders: what a folder tree
// shows. The desktop is the root; its children are the computer, the network
// and the entries of the desktop's own folder. The computer holds the drive
// table's drives ("Label (C:)"), the network its remote drives as shares, and
// every drive, share and folder its host folder's entries. Nothing is listed
// until EnumShellFolder is asked for that folder.
//
// Paths in and out are Windows paths (HostPath.h). The computer and the
// network, which have none, answer their shell identifiers ("::{...}").

// Item attributes, with the shell's values.
constexpr DWORD SFGAO_FILESYSANCESTOR = 0x10000000;   // holds file-system items
constexpr DWORD SFGAO_FOLDER = 0x20000000;
constexpr DWORD SFGAO_FILESYSTEM = 0x40000000;        // has a Windows path
constexpr DWORD SFGAO_HASSUBFOLDER = 0x80000000;      // may hold folders (see below)

// What EnumShellFolder lists.
constexpr DWORD SHCONTF_FOLDERS = 0x20;
constexpr DWORD SHCONTF_NONFOLDERS = 0x40;
constexpr DWORD SHCONTF_INCLUDEHIDDEN = 0x80;

// Display name forms.
constexpr DWORD SHGDN_NORMAL = 0;          // the name as the user reads it
constexpr DWORD SHGDN_FORPARSING = 0x8000; // the parsing name (ShellItem::path)

inline constexpr char ComputerParsingName[] = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
inline constexpr char NetworkParsingName[] = "::{208D2C60-3AEA-1069-A2D7-08002B30309D}";

enum class ShellItemKind { Desktop, Computer, Network, Drive, Share, Folder, File };

// One item of the namespace, as its parent lists it.
struct ShellItem
{
    ShellItemKind kind = ShellItemKind::Desktop;
    std::string path;          // parsing name: a Windows path, a shell identifier, or empty for the desktop
    std::string displayName;   // UTF-8, as the user reads it (a host name keeps its own characters)
    DWORD attributes = 0;      // SFGAO_ values. A folder is said to have subfolders without being read.
    std::string iconName;      // names in the desktop's icon theme
    std::string openIconName;  // the icon while the item is open or selected
    char driveLetter = 0;      // 'A' to 'Z' for a drive, else 0
};

// The root.
ShellItem ShellDesktop();

// The XDG desktop folder as a Windows path. Empty when it lies on no drive or
// is a drive root (a home without a desktop folder of its own), so that a
// drive is never listed twice.
std::string ShellDesktopFolder();

// The children of folder in the shell's order (CompareShellItems), as flags
// ask. Hidden entries are those whose name starts with a dot. Only folders
// and regular files are listed (links followed); of names that differ only
// in case, the first in byte order. A folder that cannot be read (a drive
// without a medium, no permission) has no children. Any thread.
std::vector<ShellItem> EnumShellFolder(const ShellItem &folder, DWORD flags);

// The shell's order of two children of one folder: the computer, then the
// network, then drives by letter, shares, folders and last files; names in
// natural order ("2" before "10") without case (ASCII), then by bytes.
int CompareShellItems(const ShellItem &a, const ShellItem &b);

// The items from the desktop down to path, each as its parent lists it (the
// desktop itself not included; an empty path gives none). Takes a Windows
// path on a drive or a network share, a shell identifier, or a path relative
// to the desktop folder. Each name is matched as HostPathFromWindows does and
// must exist. Answers false, leaving items empty, for a path that does not
// lead to an item. Any length. Any thread.
bool ParseShellPath(std::string_view path, std::vector<ShellItem> &items);
