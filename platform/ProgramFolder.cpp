#include "ProgramFolder.h"

#include "HostPath.h"

#include <cstdlib>
#include <filesystem>

static std::string hostRunningProgramFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).string();
    return program.parent_path().string();
}

static std::string hostProgramFolder()
{
    const char *folder = std::getenv("ZILO_PROGRAM_FOLDER");
    if (folder && *folder)
        return folder;
    return hostRunningProgramFolder();
}

static std::string withoutTrailingBackslash(std::string folder)
{
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string ProgramFolder()
{
    return withoutTrailingBackslash(WindowsPathFromHost(hostProgramFolder()));
}

std::string RunningProgramFolder()
{
    return withoutTrailingBackslash(WindowsPathFromHost(hostRunningProgramFolder()));
}
