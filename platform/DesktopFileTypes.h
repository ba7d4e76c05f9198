#pragma once

#include <optional>
#include <string>
#include <vector>

// File types on the desktop, in place of the registry's classes: a
// shared-mime-info package and a handler desktop entry under $XDG_DATA_HOME,
// and the default application in $XDG_CONFIG_HOME/mimeapps.list. A type the
// desktop already knows (".jpg" is image/jpeg) is never taken over: the
// handler only lists it, so the program shows under "Open With". Any thread;
// each call waits for the desktop's tools it runs.

struct DesktopFileTypeRequest
{
    std::string extension;            // with its point: ".zilo"
    std::string typeId;               // IsDesktopFileTypeId
    std::string typeName;             // the type's comment
    std::string magic;                // first bytes of the type's files; none when empty
    std::string applicationName;      // the handler's Name
    std::string program;              // Windows path of the program that opens the files
    std::vector<std::string> arguments;   // after it; "%f" stands for the file
};

struct DesktopFileType
{
    std::string mimeType;
    bool own = false;   // our package defines it and the handler is its default
};

// Whether id can name a type's files: letters, digits, ".", "-" and "_",
// not starting with a point, at most 64 characters.
bool IsDesktopFileTypeId(const std::string &id);

// The desktop's type for files of extension, when one other than our own
// type for typeId knows the extension.
std::optional<std::string> ExistingDesktopFileType(const std::string &extension, const std::string &typeId);

// Registers the type. Nothing when the request is unusable (IsDesktopFileTypeId,
// an extension without its point or with a separator) or a file cannot be
// written.
std::optional<DesktopFileType> RegisterDesktopFileType(const DesktopFileTypeRequest &request);

// Removes what RegisterDesktopFileType made for typeId: the package (and the
// database's rebuild), the handler entry, and the default associations that
// name the handler. Others' associations stay. False when typeId is no type
// id, so that no shared file is touched.
bool UnregisterDesktopFileType(const std::string &typeId);

// The Windows paths of the files that typeId's registration writes.
std::string DesktopFileTypeHandlerPath(const std::string &typeId);
std::string DesktopFileTypePackagePath(const std::string &typeId);
