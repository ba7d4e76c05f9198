#include "MemoryStatus.h"

#include "LastError.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>

static std::optional<uint64_t> pageBytes(int pagesName)
{
    const long pages = ::sysconf(pagesName);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::nullopt;
    return uint64_t(pages) * uint64_t(pageSize);
}

// The kernel's estimate of memory that can be had without swapping, which
// counts the reclaimable cache as Windows' available figure does; the free
// pages alone would read as a machine nearly out of memory.
static std::optional<uint64_t> availableBytes()
{
    std::FILE *meminfo = std::fopen("/proc/meminfo", "r");
    if (!meminfo)
        return pageBytes(_SC_AVPHYS_PAGES);
    std::optional<uint64_t> available;
    char line[256];
    while (std::fgets(line, sizeof line, meminfo)) {
        unsigned long long kilobytes = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1) {
            available = uint64_t(kilobytes) * 1024;
            break;
        }
    }
    std::fclose(meminfo);
    return available ? available : pageBytes(_SC_AVPHYS_PAGES);
}

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX *status)
{
    if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::optional<uint64_t> total = pageBytes(_SC_PHYS_PAGES);
    if (!total) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    const uint64_t available = std::min(availableBytes().value_or(0), *total);
    status->ullTotalPhys = *total;
    status->ullAvailPhys = available;
    status->dwMemoryLoad = DWORD(double(*total - available) * 100.0 / double(*total));
    return TRUE;
}

void TrimWorkingSet()
{
    ::malloc_trim(0);
}

void ShareOneHeap()
{
    ::mallopt(M_ARENA_MAX, 1);
}
