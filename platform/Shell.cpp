#include "Shell.h"

#include "CommandLine.h"
#include "HostPath.h"
#include "HostProcess.h"
#include "MimeApps.h"
#include "ProgramFolder.h"

#include <QMimeDatabase>
#include <QMimeType>

#include <cerrno>
#include <chrono>
#include <vector>

#include <sys/stat.h>

namespace {

// Windows answers an instance handle; any value above 32 means started.
constexpr intptr_t Started = 42;

enum class TargetKind { Document, Program, WebAddress };

// What the caller asks for: a document is only ever opened through its type's
// application, and only a program it names as one is started.
enum class StartAs { Document, Program };

struct ShellTarget
{
    TargetKind kind = TargetKind::Document;
    std::string location;      // host path, or the web address as given
    std::string windowsPath;   // empty for a web address
};

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

bool equalsNoCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// The scheme of a web address, lower-cased; empty for anything else. A drive
// letter ("C:") is one character, a scheme at least two.
std::string schemeOf(const std::string &file)
{
    const size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2 || !isAsciiLetter(file[0]))
        return {};
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        const char c = file[i];
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return {};
        scheme += asciiLower(c);
    }
    return scheme;
}

bool isAbsoluteWindowsPath(const std::string &path)
{
    if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
        return true;
    return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':'
           && (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

std::string absoluteWindowsPath(const std::string &file, const char *folder)
{
    if (isAbsoluteWindowsPath(file))
        return file;
    std::string base = folder && *folder ? std::string(folder) : ProgramFolder();
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    return base + file;
}

bool hostExists(const std::string &hostPath)
{
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0;
}

std::string hostParent(const std::string &hostPath)
{
    const size_t slash = hostPath.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

bool endsWithExe(const std::string &path)
{
    return path.size() > 4 && equalsNoCase(path.substr(path.size() - 4), ".exe");
}

std::string hostName(const std::string &hostPath)
{
    return hostPath.substr(hostPath.rfind('/') + 1);
}

std::string withoutExe(const std::string &path)
{
    return endsWithExe(path) ? path.substr(0, path.size() - 4) : path;
}

bool isInProgramFolder(const std::string &hostPath)
{
    return hostParent(hostPath) == HostPathFromWindows(ProgramFolder());
}

// One of the four programs of the program folder, named with or without ".exe".
bool isOwnProgram(const std::string &hostPath)
{
    const std::string name = withoutExe(hostName(hostPath));
    return isInProgramFolder(hostPath) && (name == "Zilo" || name == "Splash" || name == "Setup" || name == "Deviva");
}

bool startsAsProgram(const std::string &hostPath, StartAs startAs)
{
    return startAs == StartAs::Program || isOwnProgram(hostPath);
}

// 0, with target filled, or the shell's error code. Neither a file's mode nor
// its first bytes make it a program: files on FAT discs and from archives are
// often all marked executable, and a picture may be a script in disguise.
intptr_t resolveTarget(const char *file, const char *folder, StartAs startAs, ShellTarget &target)
{
    if (!file || !*file)
        return SE_ERR_FNF;
    if (startAs == StartAs::Document && !schemeOf(file).empty()) {
        target = {TargetKind::WebAddress, file, {}};
        return 0;
    }
    const std::string windowsPath = absoluteWindowsPath(file, folder);
    const std::string hostPath = HostPathFromWindows(windowsPath);
    if (hostPath.empty())
        return SE_ERR_PNF;
    if (hostExists(hostPath)) {
        target = {startsAsProgram(hostPath, startAs) ? TargetKind::Program : TargetKind::Document, hostPath,
                  windowsPath};
        return 0;
    }
    // "Zilo.exe" names the program folder's Zilo.
    const std::string program = withoutExe(hostPath);
    if (program != hostPath && hostExists(program) && startsAsProgram(program, startAs)) {
        target = {TargetKind::Program, program, withoutExe(windowsPath)};
        return 0;
    }
    return hostExists(hostParent(hostPath)) ? SE_ERR_FNF : SE_ERR_PNF;
}

// The MIME types whose application may open a target, most specific first.
QStringList mimeTypesOf(const ShellTarget &target)
{
    if (target.kind == TargetKind::WebAddress)
        return {QStringLiteral("x-scheme-handler/") + QString::fromStdString(schemeOf(target.location))};
    // Only regular files and folders are read to learn their type: opening a
    // FIFO or a device could block or change it.
    struct stat info;
    const bool readable = ::stat(target.location.c_str(), &info) == 0
                          && (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(
        QString::fromStdString(target.location), readable ? QMimeDatabase::MatchDefault : QMimeDatabase::MatchExtension);
    return QStringList{type.name()} + type.allAncestors();
}

// The host path of the application that opens a document or web address; empty when none.
std::string associatedProgram(const ShellTarget &target)
{
    for (const QString &type : mimeTypesOf(target)) {
        const std::string program = DefaultApplicationProgram(type.toStdString());
        if (!program.empty())
            return program;
    }
    return {};
}

intptr_t errorOfStart(int error)
{
    switch (error) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case EAGAIN: return SE_ERR_OOM;
    default: return SE_ERR_BADFORMAT;
    }
}

intptr_t startProgram(const ShellTarget &target, const char *parameters, const char *folder)
{
    std::string workingFolder;
    if (folder && *folder) {
        workingFolder = HostPathFromWindows(folder);
        if (workingFolder.empty())
            return SE_ERR_PNF;
    }
    std::vector<std::string> arguments = SplitCommandLine(parameters ? parameters : "");
    // Our own programs read Windows paths; a host program needs host paths.
    if (!isOwnProgram(target.location)) {
        for (std::string &argument : arguments) {
            if (!isAbsoluteWindowsPath(argument))
                continue;
            if (const std::string hostPath = HostPathFromWindows(argument); !hostPath.empty())
                argument = hostPath;
        }
    }
    const pid_t process = StartHostProcess(target.location, arguments, workingFolder);
    if (process < 0)
        return errorOfStart(errno);
    WaitForHostProcess(process, std::chrono::milliseconds(0));
    return Started;
}

intptr_t openWithDesktop(const ShellTarget &target)
{
    const std::optional<int> status = RunDesktopHelper("xdg-open", {target.location});
    if (!status)
        return SE_ERR_NOASSOC;
    switch (*status) {
    case 0: return Started;
    case 2: return SE_ERR_FNF;
    case 3: return SE_ERR_NOASSOC;   // no tool to open it with
    default: return SE_ERR_ASSOCINCOMPLETE;
    }
}

intptr_t shellExecute(const char *verb, const char *file, const char *parameters, const char *folder, StartAs startAs)
{
    if (verb && *verb && !equalsNoCase(verb, "open"))
        return SE_ERR_NOASSOC;
    ShellTarget target;
    if (const intptr_t error = resolveTarget(file, folder, startAs, target))
        return error;
    if (target.kind == TargetKind::Program)
        return startProgram(target, parameters, folder);
    if (associatedProgram(target).empty())
        return SE_ERR_NOASSOC;
    return openWithDesktop(target);
}

} // namespace

intptr_t ShellExecuteA(void *, const char *verb, const char *file, const char *parameters, const char *folder, int)
{
    return shellExecute(verb, file, parameters, folder, StartAs::Document);
}

intptr_t ShellExecuteProgramA(const char *program, const char *parameters, const char *folder)
{
    return shellExecute("open", program, parameters, folder, StartAs::Program);
}

bool IsProgramFileA(const char *program)
{
    if (!program || !*program)
        return false;
    const std::string hostPath = HostPathFromWindows(program);
    return !hostPath.empty() && IsHostExecutable(hostPath);
}

intptr_t FindExecutableA(const char *file, const char *folder, std::string &program)
{
    program.clear();
    ShellTarget target;
    if (const intptr_t error = resolveTarget(file, folder, StartAs::Document, target))
        return error;
    if (target.kind == TargetKind::Program) {
        program = target.windowsPath;
        return Started;
    }
    const std::string hostProgram = associatedProgram(target);
    if (hostProgram.empty())
        return SE_ERR_NOASSOC;
    program = WindowsPathFromHost(hostProgram);
    return Started;
}
