#include "ProgramFolder.h"

#include "HostPath.h"

#include <cstdlib>
#include <filesystem>

static std::string hostRunningFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).string();
    return program.parent_path().string();
}

static std::string windowsFolder(const std::string &hostFolder)
{
    std::string folder = WindowsPathFromHost(hostFolder);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

std::string ProgramFolder()
{
    const char *folder = std::getenv("ZILO_PROGRAM_FOLDER");
    return windowsFolder(folder && *folder ? std::string(folder) : hostRunningFolder());
}

std::string RunningProgramFolder()
{
    return windowsFolder(hostRunningFolder());
}
