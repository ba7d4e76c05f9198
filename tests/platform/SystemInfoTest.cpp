#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/LastError.h>
#include <platform/SystemInfo.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/utsname.h>

TEST(GetWindowsDirectory, IsAFolderOfTheUsersDataThatItMakes)
{
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", TestHostFolder() + "/data");
    const std::string expected = WindowsPathFromHost(TestHostFolder() + "/data/zilo");

    char small[4] = {'x', 0, 0, 0};
    EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), UINT(expected.size() + 1));
    EXPECT_EQ(small[0], 'x');

    char buffer[MAX_PATH] = {};
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), UINT(expected.size()));
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_TRUE(std::filesystem::is_directory(TestHostFolder() + "/data/zilo"));

    environment.unset("XDG_DATA_HOME");
    environment.set("HOME", TestHostFolder() + "/home");
    EXPECT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(TestHostFolder() + "/home/.local/share/zilo"));
}

TEST(GetVersionEx, ReportsTheKernelReleaseAsAnotherPlatform)
{
    OSVERSIONINFOA info;
    ASSERT_EQ(GetVersionExA(&info), TRUE);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_HOST);
    struct utsname name;
    ASSERT_EQ(::uname(&name), 0);
    unsigned major = 0, minor = 0, build = 0;
    ASSERT_GE(std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build), 2);
    EXPECT_EQ(info.dwMajorVersion, major);
    EXPECT_EQ(info.dwMinorVersion, minor);
    EXPECT_EQ(info.dwBuildNumber, build);
    EXPECT_NE(info.szCSDVersion[0], '\0');

    OSVERSIONINFOA wrongSize;
    wrongSize.dwOSVersionInfoSize = 20;
    EXPECT_EQ(GetVersionExA(&wrongSize), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetVersionExA(nullptr), FALSE);
}
