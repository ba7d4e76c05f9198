#include "SystemInfo.h"

#include "HostPath.h"
#include "LastError.h"

#include <QString>
#include <QSysInfo>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/utsname.h>

// The leading numbers of a release text, up to three.
static void parseRelease(const char *release, DWORD numbers[3])
{
    const char *at = release;
    for (int i = 0; i < 3; ++i) {
        char *end = nullptr;
        const unsigned long value = std::strtoul(at, &end, 10);
        if (end == at)
            return;
        numbers[i] = DWORD(value);
        if (*end != '.')
            return;
        at = end + 1;
    }
}

BOOL GetVersionExA(OSVERSIONINFOA *info)
{
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD numbers[3] = {0, 0, 0};
    struct utsname name;
    if (::uname(&name) == 0)
        parseRelease(name.release, numbers);
    info->dwMajorVersion = numbers[0];
    info->dwMinorVersion = numbers[1];
    info->dwBuildNumber = numbers[2];
    info->dwPlatformId = VER_PLATFORM_HOST;
    const std::string system = QSysInfo::prettyProductName().toStdString();
    const size_t length = std::min(system.size(), sizeof info->szCSDVersion - 1);
    std::memcpy(info->szCSDVersion, system.data(), length);
    info->szCSDVersion[length] = '\0';
    return TRUE;
}

static std::string hostWindowsFolder()
{
    const char *dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + "/zilo";
    const char *home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return {};
    return std::string(home) + "/.local/share/zilo";
}

UINT GetWindowsDirectoryA(char *buffer, UINT size)
{
    const std::string host = hostWindowsFolder();
    if (host.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    std::error_code ignored;
    std::filesystem::create_directories(host, ignored);
    if (!std::filesystem::is_directory(host, ignored)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const std::string windows = WindowsPathFromHost(host);
    if (windows.empty())
        return 0;
    if (!buffer || windows.size() + 1 > size)
        return UINT(windows.size() + 1);
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    return UINT(windows.size());
}
