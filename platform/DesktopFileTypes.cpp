#include "DesktopFileTypes.h"

#include "DesktopEntry.h"
#include "HostPath.h"
#include "HostProcess.h"
#include "Stream.h"

#include <QMimeDatabase>
#include <QStandardPaths>
#include <QString>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxTypeIdLength = 64;
// mimeapps.list is the user's: a larger one is left as it stands.
constexpr std::uintmax_t MaxAssociationBytes = 1024 * 1024;
constexpr auto ToolTimeout = std::chrono::seconds(30);

std::string lowered(std::string text)
{
    for (char &c : text)
        c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

std::string ownMimeType(const std::string &typeId)
{
    return "application/x-" + lowered(typeId);
}

std::string handlerFileName(const std::string &typeId)
{
    return lowered(typeId) + ".desktop";
}

std::string dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
}

std::string xmlEscaped(const std::string &text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

// The magic's bytes as shared-mime-info's string escapes.
std::string magicValue(const std::string &magic)
{
    std::string value;
    for (unsigned char c : magic) {
        if (c < 0x20 || c > 0x7e || c == '\\') {
            char octal[6];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            value += octal;
        } else {
            value += char(c);
        }
    }
    return xmlEscaped(value);
}

std::string packageText(const DesktopFileTypeRequest &request)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    text += "  <mime-type type=\"" + ownMimeType(request.typeId) + "\">\n";
    text += "    <comment>" + xmlEscaped(request.typeName) + "</comment>\n";
    text += "    <glob pattern=\"*" + xmlEscaped(request.extension) + "\"/>\n";
    if (!request.magic.empty())
        text += "    <magic priority=\"50\"><match type=\"string\" offset=\"0\" value=\"" + magicValue(request.magic)
                + "\"/></magic>\n";
    text += "  </mime-type>\n</mime-info>\n";
    return text;
}

bool writeFile(const std::string &windowsPath, const std::string &text)
{
    return SaveFileSafely(QString::fromStdString(windowsPath), text);
}

// Runs one of the desktop's tools and waits for it; false when it is missing or fails.
bool runTool(const std::string &name, const std::vector<std::string> &arguments)
{
    const std::string program = FindHostProgram(name);
    if (program.empty())
        return false;
    const pid_t process = StartHostProcess(program, arguments, {});
    if (process < 0)
        return false;
    const std::optional<int> status = WaitForHostProcess(process, ToolTimeout);
    return status && *status == 0;
}

bool rebuildMimeDatabase()
{
    return runTool("update-mime-database", {dataHome() + "/mime"});
}

bool isValidExtension(const std::string &extension)
{
    return extension.size() > 1 && extension[0] == '.'
           && extension.find_first_of("/\\*?[]\"<>&") == std::string::npos;
}

// Drops entry from every association line of the user's mimeapps.list;
// a line left empty goes.
void dropAssociations(const std::string &entry)
{
    const std::string host = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString()
                             + "/mimeapps.list";
    std::error_code error;
    if (!fs::is_regular_file(host, error) || fs::file_size(host, error) > MaxAssociationBytes)
        return;
    std::ifstream in(host);
    std::string line;
    std::string text;
    bool changed = false;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '[' || line[0] == '#' || equals == std::string::npos) {
            text += line + '\n';
            continue;
        }
        std::string kept;
        std::istringstream items(line.substr(equals + 1));
        for (std::string item; std::getline(items, item, ';');) {
            if (item == entry)
                changed = true;
            else if (!item.empty())
                kept += item + ';';
        }
        if (!kept.empty())
            text += line.substr(0, equals + 1) + kept + '\n';
    }
    if (changed)
        writeFile(WindowsPathFromHost(host), text);
}

} // namespace

bool IsDesktopFileTypeId(const std::string &id)
{
    if (id.empty() || id.size() > MaxTypeIdLength || id[0] == '.')
        return false;
    for (char c : id) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
                             || c == '-' || c == '_';
        if (!allowed)
            return false;
    }
    return true;
}

std::string DesktopFileTypeHandlerPath(const std::string &typeId)
{
    return WindowsPathFromHost(dataHome() + "/applications/" + handlerFileName(typeId));
}

std::string DesktopFileTypePackagePath(const std::string &typeId)
{
    return WindowsPathFromHost(dataHome() + "/mime/packages/" + lowered(typeId) + ".xml");
}

std::optional<std::string> ExistingDesktopFileType(const std::string &extension, const std::string &typeId)
{
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QString::fromStdString("file" + extension), QMimeDatabase::MatchExtension);
    if (type.isDefault() || type.name().toStdString() == ownMimeType(typeId))
        return std::nullopt;
    return type.name().toStdString();
}

std::optional<DesktopFileType> RegisterDesktopFileType(const DesktopFileTypeRequest &request)
{
    if (!IsDesktopFileTypeId(request.typeId) || !isValidExtension(request.extension))
        return std::nullopt;
    DesktopFileType result;
    const std::optional<std::string> existing = ExistingDesktopFileType(request.extension, request.typeId);
    result.own = !existing;
    result.mimeType = existing ? *existing : ownMimeType(request.typeId);
    if (result.own) {
        const std::string package = DesktopFileTypePackagePath(request.typeId);
        std::error_code error;
        fs::create_directories(fs::path(HostPathFromWindows(package)).parent_path(), error);
        if (!writeFile(package, packageText(request)))
            return std::nullopt;
        rebuildMimeDatabase();
    }
    DesktopEntry handler;
    handler.name = request.applicationName;
    handler.program = request.program;
    handler.arguments = request.arguments;
    handler.mimeTypes = {result.mimeType};
    handler.noDisplay = true;
    if (!WriteDesktopEntry(DesktopFileTypeHandlerPath(request.typeId), handler))
        return std::nullopt;
    if (result.own)
        runTool("xdg-mime", {"default", handlerFileName(request.typeId), result.mimeType});
    return result;
}

bool UnregisterDesktopFileType(const std::string &typeId)
{
    if (!IsDesktopFileTypeId(typeId))
        return false;
    std::error_code error;
    if (fs::remove(HostPathFromWindows(DesktopFileTypePackagePath(typeId)), error))
        rebuildMimeDatabase();
    fs::remove(HostPathFromWindows(DesktopFileTypeHandlerPath(typeId)), error);
    dropAssociations(handlerFileName(typeId));
    return true;
}
