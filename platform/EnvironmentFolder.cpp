#include "EnvironmentFolder.h"

#include "HostPath.h"

#include <cstdlib>

std::string GetEnvironmentFolder(const char *name)
{
    const char *value = std::getenv(name);
    if (!value || !*value)
        return {};
    return WindowsPathFromHost(value);
}

std::string GetHostTempFolder()
{
    std::string folder = GetEnvironmentFolder("TMPDIR");
    if (folder.empty())
        folder = WindowsPathFromHost("/tmp");
    return folder;
}
