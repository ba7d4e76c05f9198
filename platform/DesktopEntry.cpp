#include "DesktopEntry.h"

#include "HostPath.h"
#include "LastError.h"
#include "Namespace.h"
#include "Stream.h"

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t MaxEntryBytes = 64 * 1024;
constexpr char Group[] = "[Desktop Entry]";

// The characters that make an Exec argument need quotes, and those that need
// a backslash inside them.
bool isReserved(char c)
{
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}
bool needsEscapeInQuotes(char c)
{
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

std::string quotedArgument(const std::string &argument)
{
    if (!argument.empty() && std::none_of(argument.begin(), argument.end(), isReserved))
        return argument;
    std::string quoted = "\"";
    for (char c : argument) {
        if (needsEscapeInQuotes(c))
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A string value's escapes (\s \n \t \r \\) each way.
std::string escapedValue(const std::string &value)
{
    std::string escaped;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == ' ' && i == 0)
            escaped += "\\s";
        else
            escaped += c;
    }
    return escaped;
}

std::string unescapedValue(const std::string &value)
{
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's': plain += ' '; break;
        case 'n': plain += '\n'; break;
        case 't': plain += '\t'; break;
        case 'r': plain += '\r'; break;
        default: plain += value[i]; break;
        }
    }
    return plain;
}

std::string listValue(const std::vector<std::string> &items)
{
    std::string value;
    for (const std::string &item : items)
        value += item + ';';
    return value;
}

std::string hostOf(const std::string &windowsPath)
{
    return windowsPath.empty() ? std::string() : HostPathFromWindows(windowsPath);
}

// A host path as a Windows path; anything that is no absolute path as it stands.
std::string windowsOf(const std::string &hostPath)
{
    if (hostPath.empty() || hostPath[0] != '/')
        return hostPath;
    return WindowsPathFromHost(hostPath);
}

std::string percentsDoubled(const std::string &text)
{
    std::string doubled;
    for (char c : text) {
        doubled += c;
        if (c == '%')
            doubled += '%';
    }
    return doubled;
}

std::string percentsSingled(const std::string &text)
{
    std::string single;
    for (size_t i = 0; i < text.size(); ++i) {
        single += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
            ++i;
    }
    return single;
}

} // namespace

std::string SpecialFolderPath(int folder)
{
    if (folder == CSIDL_DESKTOP)
        return ShellDesktopFolder();
    if (folder != CSIDL_PROGRAMS)
        return {};
    const QString host = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    return host.isEmpty() ? std::string() : WindowsPathFromHost(host.toStdString());
}

std::string DesktopExecLine(const std::string &hostProgram, const std::vector<std::string> &arguments)
{
    std::string line = quotedArgument(percentsDoubled(hostProgram));
    for (const std::string &argument : arguments)
        line += ' ' + quotedArgument(argument);
    return line;
}

std::optional<std::vector<std::string>> SplitDesktopExec(const std::string &exec)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\') {
                if (i + 1 == exec.size() || !needsEscapeInQuotes(exec[i + 1]))
                    return std::nullopt;
                current += exec[++i];
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t') {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"')
            quoted = true;
        else
            current += c;
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments.push_back(current);
    if (!arguments.empty())
        arguments[0] = percentsSingled(arguments[0]);
    return arguments;
}

bool WriteDesktopEntry(const std::string &windowsPath, const DesktopEntry &entry)
{
    const std::string hostPath = hostOf(windowsPath);
    if (hostPath.empty())
        return false;
    std::error_code error;
    fs::create_directories(fs::path(hostPath).parent_path(), error);
    std::string text = std::string(Group) + "\nType=Application\nVersion=1.0\n";
    text += "Name=" + escapedValue(entry.name) + '\n';
    text += "Exec=" + escapedValue(DesktopExecLine(hostOf(entry.program), entry.arguments)) + '\n';
    if (!entry.workingFolder.empty())
        text += "Path=" + escapedValue(hostOf(entry.workingFolder)) + '\n';
    if (!entry.icon.empty())
        text += "Icon=" + escapedValue(hostOf(entry.icon)) + '\n';
    text += "Terminal=false\n";
    if (!entry.mimeTypes.empty())
        text += "MimeType=" + listValue(entry.mimeTypes) + '\n';
    if (entry.noDisplay)
        text += "NoDisplay=true\n";
    if (!SaveFileSafely(QString::fromStdString(windowsPath), text))
        return false;
    if (::chmod(hostPath.c_str(), 0755) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

std::optional<DesktopEntry> ReadDesktopEntry(const std::string &windowsPath)
{
    const std::string hostPath = hostOf(windowsPath);
    std::error_code error;
    if (hostPath.empty() || !fs::is_regular_file(hostPath, error) || fs::file_size(hostPath, error) > MaxEntryBytes)
        return std::nullopt;
    std::ifstream in(hostPath);
    std::string line;
    bool inGroup = false;
    bool hasName = false;
    DesktopEntry entry;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == Group;
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        const size_t start = line.find_first_not_of(' ', equals + 1);
        const std::string value = unescapedValue(start == std::string::npos ? std::string() : line.substr(start));
        if (key == "Name" && !hasName) {
            entry.name = value;
            hasName = true;
        } else if (key == "Exec") {
            const auto arguments = SplitDesktopExec(value);
            if (arguments && !arguments->empty()) {
                entry.program = windowsOf(arguments->front());
                entry.arguments.assign(arguments->begin() + 1, arguments->end());
            }
        } else if (key == "Path") {
            entry.workingFolder = windowsOf(value);
        } else if (key == "Icon") {
            entry.icon = windowsOf(value);
        } else if (key == "MimeType") {
            size_t from = 0;
            for (size_t semicolon; (semicolon = value.find(';', from)) != std::string::npos; from = semicolon + 1) {
                if (semicolon > from)
                    entry.mimeTypes.push_back(value.substr(from, semicolon - from));
            }
            if (from < value.size())
                entry.mimeTypes.push_back(value.substr(from));
        } else if (key == "NoDisplay") {
            entry.noDisplay = value == "true";
        }
    }
    if (!hasName)
        return std::nullopt;
    return entry;
}

std::string DesktopEntryFileName(const std::string &name)
{
    std::string file = name;
    for (char &c : file) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return file + ".desktop";
}

std::vector<std::string> FindDesktopEntries(const std::string &folder, const std::string &name)
{
    std::vector<std::string> found;
    const std::string hostFolder = hostOf(folder);
    if (hostFolder.empty())
        return found;
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = fs::directory_iterator(hostFolder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        if (it->path().extension() == ".desktop" && it->is_regular_file(error))
            files.push_back(it->path().filename().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string &file : files) {
        const std::string path = (folder.ends_with('\\') ? folder : folder + '\\') + WindowsNameFromHost(file);
        const auto entry = ReadDesktopEntry(path);
        if (entry && entry->name == name)
            found.push_back(path);
    }
    return found;
}
