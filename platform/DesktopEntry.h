#pragma once

#include <optional>
#include <string>
#include <vector>

// Shortcuts and file-type handlers as freedesktop desktop entries. Paths are
// Windows paths (HostPath.h); the files hold host paths, as desktops need.

// The shell's special folders that shortcuts go in.
constexpr int CSIDL_DESKTOP = 0;    // the XDG desktop folder
constexpr int CSIDL_PROGRAMS = 2;   // $XDG_DATA_HOME/applications: the applications menu

// The special folder's Windows path; empty when it lies on no drive. The
// folder need not exist yet. Any thread.
std::string SpecialFolderPath(int folder);

// One application entry ("Type=Application").
struct DesktopEntry
{
    std::string name;                     // Name
    std::string program;                  // Windows path of the program Exec starts
    std::vector<std::string> arguments;   // after the program; field codes (%f) kept as they stand
    std::string workingFolder;            // Path, a Windows path; none when empty
    std::string icon;                     // Icon, a Windows path of the picture; none when empty
    std::vector<std::string> mimeTypes;   // MimeType
    bool noDisplay = false;               // NoDisplay: a handler that no menu shows
};

// The Exec value of program and arguments by the Desktop Entry rules: each
// argument that holds a reserved character is put in double quotes with ",
// `, $ and \ escaped; a literal % of the program becomes %%. Host text in,
// Exec text out (before the value's own escapes).
std::string DesktopExecLine(const std::string &hostProgram, const std::vector<std::string> &arguments);
// The reverse: the arguments of an Exec value, the program first. Nothing
// for a quote left open or an escape the rules do not allow.
std::optional<std::vector<std::string>> SplitDesktopExec(const std::string &exec);

// Writes entry to windowsPath, by temporary file and rename, runnable by its
// owner (desktops refuse to start entries on the desktop that are not). The
// folder is made when missing. False with the last error set when it cannot.
bool WriteDesktopEntry(const std::string &windowsPath, const DesktopEntry &entry);
// Reads an application entry. Nothing for a file that is missing, larger
// than a desktop entry can sensibly be (64 KiB), or holds no [Desktop Entry]
// group with a Name; a program or folder on no drive reads as empty.
std::optional<DesktopEntry> ReadDesktopEntry(const std::string &windowsPath);

// The file name an entry called name gets: name with "/" and control
// characters replaced by "_", and ".desktop".
std::string DesktopEntryFileName(const std::string &name);
// The Windows paths of the entries in folder (not its subfolders) whose Name
// is exactly name, in byte order of their file names.
std::vector<std::string> FindDesktopEntries(const std::string &folder, const std::string &name);
