#include <platform/FileAge.h>
#include <platform/HostPath.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

// The host time of a local date and time.
time_t localTime(int year, int month, int day, int hour, int minute, int second)
{
    tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return mktime(&local);
}

void setModified(const std::string &path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(FileAge, PacksTheLastWriteInLocalTimeOrAnswersMinusOne)
{
    struct Case
    {
        const char *what;
        int year, month, day, hour, minute, second;
        int32_t age;
    } const cases[] = {
        {"an afternoon, odd seconds rounded down", 2001, 6, 15, 13, 45, 31,
         int32_t(21u << 25 | 6u << 21 | 15u << 16 | 13u << 11 | 45u << 5 | 15u)},
        {"the first moment DOS can hold", 1980, 1, 1, 0, 0, 0, int32_t(1u << 21 | 1u << 16)},
        {"the last moment DOS can hold", 2107, 12, 31, 23, 59, 59,
         int32_t(127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u)},
        {"before 1980", 1979, 12, 31, 23, 59, 59, -1},
        {"after 2107", 2108, 1, 1, 0, 0, 0, -1},
    };
    const std::string host = TestHostFolder() + "/Photo.jpg";
    WriteHostFile(host, "picture");
    const std::string windows = WindowsPathFromHost(host);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        setModified(host, localTime(c.year, c.month, c.day, c.hour, c.minute, c.second));
        EXPECT_EQ(FileAge(windows.c_str()), c.age);
    }
}

TEST(FileAge, FindsTheFileAsWindowsDoesAndNothingElse)
{
    const std::string host = TestHostFolder() + "/Photo.jpg";
    WriteHostFile(host, "picture");
    setModified(host, localTime(2010, 3, 4, 5, 6, 8));
    const int32_t age = int32_t(30u << 25 | 3u << 21 | 4u << 16 | 5u << 11 | 6u << 5 | 4u);
    std::filesystem::create_directories(TestHostFolder() + "/Folder");

    EXPECT_EQ(FileAge(TestWindowsPath("PHOTO.JPG").toUtf8().constData()), age) << "a name in another case";
    EXPECT_EQ(FileAge(TestWindowsPath("Missing.jpg").toUtf8().constData()), -1);
    EXPECT_EQ(FileAge(TestWindowsPath("Folder").toUtf8().constData()), -1) << "a folder is no file";
    EXPECT_EQ(FileAge("relative.jpg"), -1);
    EXPECT_EQ(FileAge(nullptr), -1);
}

} // namespace
