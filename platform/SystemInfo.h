#pragma once

#include "Types.h"

// What Windows tells a program about the system it runs on.

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
// This host: none of the Windows lines.
constexpr DWORD VER_PLATFORM_HOST = 0x100;

struct OSVERSIONINFOA
{
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

// The host's kernel release as major, minor and build ("6.1.12-amd64" gives
// 6, 1, 12), VER_PLATFORM_HOST, and the system's name ("Debian GNU/Linux 12")
// in place of the service pack. FALSE, with ERROR_INVALID_PARAMETER, unless
// dwOSVersionInfoSize is the record's size. Any thread.
BOOL GetVersionExA(OSVERSIONINFOA *info);

// The Windows folder: a folder of the user's own for the files a program
// keeps "in the Windows folder" (wallpaper, private profiles), below the
// desktop's data folder ($XDG_DATA_HOME, else ~/.local/share), created when
// missing. Copies its Windows path with its NUL into buffer and answers its
// length; when size is too small, answers the size needed (NUL included) and
// leaves buffer alone; 0 when there is no such folder. Any thread.
UINT GetWindowsDirectoryA(char *buffer, UINT size);
