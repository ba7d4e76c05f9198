#include <platform/LastError.h>
#include <platform/MemoryStatus.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// MemTotal of /proc/meminfo in bytes, 0 when it cannot be read.
uint64_t kernelTotalBytes()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        unsigned long long kilobytes = 0;
        if (std::sscanf(line.c_str(), "MemTotal: %llu kB", &kilobytes) == 1)
            return uint64_t(kilobytes) * 1024;
    }
    return 0;
}

} // namespace

TEST(GlobalMemoryStatusEx, GivesTheMachinesMemoryInBytes)
{
    MEMORYSTATUSEX status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const uint64_t total = kernelTotalBytes();
    ASSERT_GT(total, 0u);
    EXPECT_EQ(status.ullTotalPhys, total);
    EXPECT_GT(status.ullAvailPhys, 0u);
    EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
}

TEST(GlobalMemoryStatusEx, RefusesARecordOfAnotherSize)
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status - 1;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(status.ullTotalPhys, 0u);

    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(GlobalMemoryStatusEx(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
