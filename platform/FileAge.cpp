#include "FileAge.h"

#include "HostPath.h"

#include <sys/stat.h>

int32_t DosDateTimeFromUnix(time_t seconds)
{
    tm local {};
    if (!localtime_r(&seconds, &local))
        return -1;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return -1;
    const uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(local.tm_mon + 1) << 5 | uint32_t(local.tm_mday);
    // A leap second (60) would spill into the minutes.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    const uint32_t time = uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 | uint32_t(second / 2);
    return int32_t(date << 16 | time);
}

int32_t FileAge(const char *fileName)
{
    const std::string hostPath = HostPathFromWindows(fileName ? fileName : "");
    struct stat info;
    if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    return DosDateTimeFromUnix(info.st_mtim.tv_sec);
}
