#include "HostPath.h"

#include "LastError.h"

#include <cstdlib>

// Provisional mapping: C: is the home folder and Z: the root.
static std::string homeFolder()
{
    const char *home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/root");
}

std::string HostPathFromWindows(std::string_view windowsPath)
{
    if (windowsPath.size() < 2 || windowsPath[1] != ':') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    const char letter = char(windowsPath[0] & ~0x20);
    std::string host;
    if (letter == 'C')
        host = homeFolder();
    else if (letter != 'Z') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    for (char c : windowsPath.substr(2))
        host += c == '\\' ? '/' : c;
    if (host.empty())
        host = "/";
    return host;
}

std::string WindowsPathFromHost(std::string_view hostPath)
{
    const std::string home = homeFolder();
    std::string windows;
    std::string_view rest = hostPath;
    if (hostPath.substr(0, home.size()) == home
        && (hostPath.size() == home.size() || hostPath[home.size()] == '/')) {
        windows = "C:";
        rest = hostPath.substr(home.size());
    } else {
        windows = "Z:";
    }
    for (char c : rest)
        windows += c == '/' ? '\\' : c;
    if (windows.size() == 2)
        windows += '\\';
    return windows;
}
