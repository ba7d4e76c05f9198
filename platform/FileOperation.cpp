#include "FileOperation.h"

#include "Files.h"
#include "HostPath.h"
#include "LastError.h"
#include "TemporaryFile.h"
#include "Trash.h"

#include <filesystem>

CollisionAnswer FileOperationResponder::answerCollision(const std::string &, const std::string &)
{
    return CollisionAnswer::Skip;
}

PermanentDeleteAnswer FileOperationResponder::confirmPermanentDelete(const std::string &, bool)
{
    return PermanentDeleteAnswer::Keep;
}

bool FileOperationResponder::progress(int, int, const std::string &)
{
    return true;
}

namespace {

FileOperationResponder s_safeResponder;
FileOperationResponder *s_responder = &s_safeResponder;   // window thread only

// What became of one file.
struct Outcome
{
    DWORD code = ERROR_SUCCESS;
    bool stop = false;   // the user cancelled the rest
};

std::vector<std::string> namesOf(const char *list)
{
    std::vector<std::string> names;
    if (!list)
        return names;
    for (const char *name = list; *name; name += names.back().size() + 1)
        names.emplace_back(name);
    return names;
}

std::string withoutTrailingSeparators(std::string path)
{
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

size_t lastSeparator(const std::string &path)
{
    return path.find_last_of("\\/");
}

std::string nameOf(const std::string &path)
{
    const size_t separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string folderOf(const std::string &path)
{
    const size_t separator = lastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string joined(const std::string &folder, const std::string &name)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + '\\' + name;
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Outcome failure()
{
    return {GetLastError(), false};
}

bool transfer(UINT function, const std::string &source, const std::string &target)
{
    if (function == FO_MOVE)
        return MoveFileA(source.c_str(), target.c_str());
    return CopyFileA(source.c_str(), target.c_str(), TRUE);
}

// A hidden name beside path that nothing uses yet. Its length does not depend
// on path's own name, so that the longest name still leaves room for it.
std::string freeSibling(const std::string &path)
{
    while (true) {
        const std::string candidate = joined(folderOf(path), TemporaryFileName());
        if (!exists(candidate))
            return candidate;
    }
}

// The source arrives beside the target first, so that a failure at any step
// leaves both files whole.
Outcome replace(UINT function, const std::string &source, const std::string &target)
{
    const std::string arriving = freeSibling(target);
    if (!transfer(function, source, arriving))
        return failure();
    if (!DeleteFileA(target.c_str())) {
        const Outcome outcome = failure();
        if (function == FO_MOVE)
            MoveFileA(arriving.c_str(), source.c_str());
        else
            DeleteFileA(arriving.c_str());
        return outcome;
    }
    if (!MoveFileA(arriving.c_str(), target.c_str()))
        return failure();
    return {};
}

Outcome copyOrMove(UINT function, const std::string &source, const std::string &targetFolder,
                   FileOperationResponder &responder)
{
    if (!isFolder(targetFolder))
        return {ERROR_PATH_NOT_FOUND, false};
    if (!exists(source))
        return failure();
    const std::string target = joined(targetFolder, nameOf(source));
    if (IsSameFile(source.c_str(), target.c_str()))
        return {ERROR_FILE_EXISTS, false};
    if (!exists(target)) {
        if (!transfer(function, source, target))
            return failure();
        return {};
    }
    if (isFolder(source) || isFolder(target))
        return {ERROR_ALREADY_EXISTS, false};   // a folder is never replaced, nor replaces
    switch (responder.answerCollision(source, target)) {
    case CollisionAnswer::Replace: return replace(function, source, target);
    case CollisionAnswer::Skip: return {ERROR_CANCELLED, false};
    case CollisionAnswer::Cancel: break;
    }
    return {ERROR_CANCELLED, true};
}

Outcome deleteForGood(const std::string &path, const std::string &hostPath)
{
    if (!isFolder(path)) {
        if (!DeleteFileA(path.c_str()))
            return failure();
        return {};
    }
    // remove_all never follows a link out of the folder.
    std::error_code error;
    std::filesystem::remove_all(hostPath, error);
    if (error)
        return {ErrorFromErrno(error.value()), false};
    return {};
}

Outcome deleteOne(const std::string &path, FILEOP_FLAGS flags, FileOperationResponder &responder)
{
    if (!exists(path))
        return failure();
    const HostLocation location = LocateWindowsPath(path);
    if (!location.drive)
        return {ERROR_PATH_NOT_FOUND, false};
    if (location.drive->readOnly)
        return {ERROR_WRITE_PROTECT, false};
    bool noTrash = false;
    if (flags & FOF_ALLOWUNDO) {
        DWORD error = ERROR_SUCCESS;
        switch (MoveToTrash(location.hostPath, error)) {
        case TrashOutcome::Trashed: return {};
        case TrashOutcome::Failed: return {error, false};
        case TrashOutcome::NoTrash: noTrash = true; break;
        }
    }
    switch (responder.confirmPermanentDelete(path, noTrash)) {
    case PermanentDeleteAnswer::Delete: return deleteForGood(path, location.hostPath);
    case PermanentDeleteAnswer::Keep: return {ERROR_CANCELLED, false};
    case PermanentDeleteAnswer::Cancel: break;
    }
    return {ERROR_CANCELLED, true};
}

Outcome renameOne(const std::string &source, const std::string &newName)
{
    if (newName.empty())
        return {ERROR_INVALID_PARAMETER, false};
    const bool bareName = lastSeparator(newName) == std::string::npos && newName.find(':') == std::string::npos;
    const std::string target = bareName ? joined(folderOf(source), newName) : newName;
    if (!MoveFileA(source.c_str(), target.c_str()))
        return failure();
    return {};
}

Outcome runOne(const SHFILEOPSTRUCTA &operation, size_t index, const std::string &source,
               const std::vector<std::string> &targets, FileOperationResponder &responder)
{
    switch (operation.wFunc) {
    case FO_MOVE:
    case FO_COPY:
        return copyOrMove(operation.wFunc, source, targets.empty() ? std::string() : targets[0], responder);
    case FO_DELETE:
        return deleteOne(source, operation.fFlags, responder);
    case FO_RENAME:
        return renameOne(source, index < targets.size() ? targets[index] : std::string());
    default:
        return {ERROR_INVALID_PARAMETER, false};
    }
}

} // namespace

int SHFileOperationA(SHFILEOPSTRUCTA *operation)
{
    if (!operation)
        return int(ERROR_INVALID_PARAMETER);
    std::vector<std::string> sources = namesOf(operation->pFrom);
    if (sources.empty())
        return int(ERROR_INVALID_PARAMETER);
    for (std::string &source : sources)
        source = withoutTrailingSeparators(source);
    const std::vector<std::string> targets = namesOf(operation->pTo);

    FileOperationResponder &responder = *s_responder;
    std::vector<DWORD> results(sources.size(), ERROR_CANCELLED);
    for (size_t index = 0; index < sources.size(); ++index) {
        if (!responder.progress(int(index), int(sources.size()), sources[index]))
            break;
        const Outcome outcome = runOne(*operation, index, sources[index], targets, responder);
        results[index] = outcome.code;
        if (outcome.stop)
            break;
    }

    DWORD first = ERROR_SUCCESS;
    for (const DWORD code : results) {
        if (code != ERROR_SUCCESS) {
            first = code;
            break;
        }
    }
    operation->fAnyOperationsAborted = first != ERROR_SUCCESS;
    if (operation->pResults)
        *operation->pResults = std::move(results);
    return int(first);
}

void SetFileOperationResponder(FileOperationResponder *responder)
{
    s_responder = responder ? responder : &s_safeResponder;
}
