#include <platform/FileFind.h>
#include <platform/Files.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

TEST(MatchesWildcard, WindowsRules)
{
    const struct { const char *name; const char *pattern; bool matches; } cases[] = {
        {"a.jpg", "*", true},          {"noext", "*.*", true},       {"a.jpg", "*.*", true},
        {".hidden", "*.*", true},      {"a.jpg", "*.JPG", true},     {"A.JPEG", "*.jpg", false},
        {"a.jpg.bak", "*.jpg", false}, {"a.b.jpg", "*.jpg", true},   {"abc", "a?c", true},
        {"ac", "a?c", false},          {"abbc", "a?c", false},       {"a\xC3\xA9" "c", "a?c", true},
        {"abc", "a*c", true},          {"ac", "a*c", true},          {"abcbc", "a*bc", true},
        {"abcb", "a*bc", false},       {"readme", "readme.*", true}, {"readme.txt", "readme.*", true},
        {"readmex", "readme.*", false}, {"noext", "*.", true},       {"a.jpg", "*.", false},
        {"IMG_0001.JPG", "img_*.jpg", true}, {"x", "", false},       {"", "*", true},
        {".", "*", true},              {"..", "*.*", true},          {"a.jpg", "a.jpg", true},
        {"a.jpg", "A.JPG", true},      {"a.jpgx", "a.jpg", false},   {"\xC3\x89", "\xC3\xA9", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " ~ " + c.pattern);
        EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches);
    }
}

namespace {

class FileFind : public testing::Test
{
protected:
    void SetUp() override
    {
        m_root = TestHostFolder() + "/d";
        fs::create_directories(m_root + "/Pics/Sub");
        for (const char *name : {"a.jpg", "B.JPG", "noext", ".hidden", "Twin", "twin", "x:y"})
            WriteHostFile(m_root + "/Pics/" + name, "12345");
        ASSERT_EQ(::mkfifo((m_root + "/Pics/pipe").c_str(), 0666), 0);
        ASSERT_EQ(::symlink("absent", (m_root + "/Pics/dangling").c_str()), 0);
        ASSERT_EQ(::symlink("a.jpg", (m_root + "/Pics/link.jpg").c_str()), 0);
        WriteDriveMap(DriveMapLine("D:", m_root, "fixed", "1", ""));
    }

    // Every name FindFirstFileA and FindNextFileA give for the pattern.
    static std::vector<std::string> find(const std::string &pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        const HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
        if (handle == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(handle, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(handle));
        return names;
    }

    std::string m_root;
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(FileFind, ListsWhatWindowsWould)
{
    const Names all = {".", "..", ".hidden", "B.JPG", "Sub", "Twin", "a.jpg", "link.jpg", "noext", "x\xEF\x80\xBAy"};
    const struct { const char *pattern; Names names; } cases[] = {
        {"D:\\Pics\\*", all},
        {"D:\\Pics\\*.*", all},
        {"d:\\pics\\*.jpg", {"B.JPG", "a.jpg", "link.jpg"}},
        {"D:\\Pics\\*.", {"Sub", "Twin", "noext", "x\xEF\x80\xBAy"}},
        {"D:\\Pics\\TWIN", {"Twin"}},
        {"D:\\Pics\\x\xEF\x80\xBA*", {"x\xEF\x80\xBAy"}},
        {"D:\\Pics\\?.jpg", {"B.JPG", "a.jpg"}},
        {"D:\\*", {"Pics"}},   // no "." or ".." in a drive root
        {"D:\\Pics", {"Pics"}},
        {"D:/Pics/Sub/*", {".", ".."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(find(c.pattern), c.names);
    }
}

TEST_F(FileFind, FindDataDescribesEachEntry)
{
    const std::string big = m_root + "/Pics/big.bin";
    WriteHostFile(big, "");
    ASSERT_EQ(::truncate(big.c_str(), (int64_t(1) << 32) + 7), 0);
    const timespec times[2] = {{1000000000, 500}, {1000000000, 123456700}};
    ASSERT_EQ(::utimensat(AT_FDCWD, big.c_str(), times, 0), 0);

    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA("D:\\Pics\\BIG.BIN", &data);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "big.bin");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, 7u);
    EXPECT_EQ(FileTimeToUInt64(data.ftLastWriteTime), FileTimeToUInt64(FileTimeFromUnix(1000000000, 123456700)));
    EXPECT_STREQ(data.cAlternateFileName, "");
    EXPECT_FALSE(FindNextFileA(handle, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(handle));
    EXPECT_FALSE(FindClose(handle));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    handle = FindFirstFileA("D:\\Pics\\.*", &data);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, ".");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(FindNextFileA(handle, &data));
    EXPECT_STREQ(data.cFileName, "..");
    ASSERT_TRUE(FindNextFileA(handle, &data));
    EXPECT_STREQ(data.cFileName, ".hidden");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_TRUE(FindClose(handle));
}

TEST_F(FileFind, FailuresSayWhy)
{
    const struct { const char *pattern; DWORD error; } cases[] = {
        {"D:\\Pics\\*.gif", ERROR_FILE_NOT_FOUND}, {"D:\\Pics\\pipe", ERROR_FILE_NOT_FOUND},
        {"D:\\Pics\\dangling", ERROR_FILE_NOT_FOUND}, {"D:\\Pics\\", ERROR_FILE_NOT_FOUND},
        {"D:\\absent\\*", ERROR_PATH_NOT_FOUND},  {"D:\\Pics\\a.jpg\\*", ERROR_PATH_NOT_FOUND},
        {"Q:\\*", ERROR_PATH_NOT_FOUND},          {"*.jpg", ERROR_PATH_NOT_FOUND},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern);
        WIN32_FIND_DATAA data;
        EXPECT_EQ(FindFirstFileA(c.pattern, &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    WIN32_FIND_DATAA data;
    EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileFind, ListingIsTakenWhole)
{
    WIN32_FIND_DATAA data;
    const HANDLE handle = FindFirstFileA("D:\\Pics\\*.jpg", &data);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(DeleteFileA("D:\\Pics\\a.jpg"));
    int count = 1;
    while (FindNextFileA(handle, &data))
        ++count;
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(FindClose(handle));
}
