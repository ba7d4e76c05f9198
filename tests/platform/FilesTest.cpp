#include <platform/Files.h>
#include <platform/HostFiles.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// D: is a folder of the test; W: is the same folder, write-protected.
class Files : public testing::Test
{
protected:
    void SetUp() override
    {
        m_root = TestHostFolder() + "/d";
        fs::create_directories(m_root + "/Sub");
        WriteHostFile(m_root + "/a.txt", "alpha");
        WriteHostFile(m_root + "/.hidden", "h");
        WriteDriveMap(DriveMapLine("D:", m_root, "fixed", "1", "") + DriveMapLine("W:", m_root, "cdrom,readonly", "2", ""));
    }

    std::string host(const std::string &name) const { return m_root + '/' + name; }

    // The names in the drive's folder, to see that nothing was left behind.
    std::set<std::string> namesIn(const std::string &folder) const
    {
        std::set<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::string m_root;
};

timespec statTime(const std::string &path)
{
    struct stat info;
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mtim;
}

void setTimes(const std::string &path, time_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST_F(Files, Attributes)
{
    ASSERT_EQ(::mkfifo(host("pipe").c_str(), 0666), 0);
    WriteHostFile(host("locked.txt"), "l");
    ASSERT_EQ(::chmod(host("locked.txt").c_str(), 0444), 0);

    const struct { const char *path; DWORD attributes; DWORD error; } cases[] = {
        {"D:\\a.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"d:\\A.TXT", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"D:\\Sub", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\sub\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"D:\\.hidden", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, 0},
        {"D:\\locked.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0},
        {"W:\\a.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0},
        {"W:\\Sub", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, 0},
        {"D:\\pipe", INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED},
        {"D:\\absent.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"D:\\absent\\a.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"D:\\a.txt\\b", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"Q:\\a.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"a.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GetFileAttributesA(c.path), c.attributes);
        if (c.error) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
}

TEST_F(Files, ReadOnlyAttributeIsSetAndClearedAndGuardsDelete)
{
    ASSERT_TRUE(SetFileAttributesA("D:\\a.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA("D:\\a.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFileA("D:\\a.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(HostFileExists(host("a.txt")));

    ASSERT_TRUE(SetFileAttributesA("D:\\a.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("D:\\a.txt"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(DeleteFileA("D:\\a.txt"));
    EXPECT_FALSE(HostFileExists(host("a.txt")));

    EXPECT_FALSE(SetFileAttributesA("W:\\Sub", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
}

TEST_F(Files, CreateAndRemoveFolders)
{
    EXPECT_TRUE(CreateDirectoryA("D:\\New Folder", nullptr));
    EXPECT_EQ(GetFileAttributesA("D:\\new folder"), FILE_ATTRIBUTE_DIRECTORY);

    const struct { const char *path; DWORD error; } refusedCreates[] = {
        {"D:\\SUB", ERROR_ALREADY_EXISTS},   {"D:\\A.TXT", ERROR_ALREADY_EXISTS},
        {"D:\\", ERROR_ALREADY_EXISTS},      {"D:\\absent\\x", ERROR_PATH_NOT_FOUND},
        {"W:\\Other", ERROR_WRITE_PROTECT}, {"Q:\\x", ERROR_PATH_NOT_FOUND},
    };
    for (const auto &c : refusedCreates) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(CreateDirectoryA(c.path, nullptr));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_FALSE(HostFileExists(host("Other")));

    WriteHostFile(host("Sub/inside.txt"), "i");
    const struct { const char *path; DWORD error; } refusedRemoves[] = {
        {"D:\\Sub", ERROR_DIR_NOT_EMPTY},     {"D:\\a.txt", ERROR_DIRECTORY},
        {"D:\\", ERROR_ACCESS_DENIED},        {"D:\\absent", ERROR_FILE_NOT_FOUND},
        {"W:\\New Folder", ERROR_WRITE_PROTECT},
    };
    for (const auto &c : refusedRemoves) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(RemoveDirectoryA(c.path));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_TRUE(HostFileExists(m_root));
    EXPECT_TRUE(RemoveDirectoryA("D:\\NEW FOLDER"));
    EXPECT_FALSE(HostFileExists(host("New Folder")));
}

TEST_F(Files, DeleteRefusals)
{
    const struct { const char *path; DWORD error; } cases[] = {
        {"D:\\Sub", ERROR_ACCESS_DENIED},
        {"D:\\absent.txt", ERROR_FILE_NOT_FOUND},
        {"D:\\absent\\x.txt", ERROR_PATH_NOT_FOUND},
        {"W:\\a.txt", ERROR_WRITE_PROTECT},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(DeleteFileA(c.path));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(ReadHostFile(host("a.txt")), "alpha");
}

TEST_F(Files, RenameNeverReplacesAnExistingName)
{
    WriteHostFile(host("b.txt"), "bravo");
    const struct { const char *from; const char *to; DWORD error; } cases[] = {
        {"D:\\a.txt", "D:\\b.txt", ERROR_ALREADY_EXISTS},
        {"D:\\a.txt", "D:\\B.TXT", ERROR_ALREADY_EXISTS},
        {"D:\\a.txt", "D:\\Sub", ERROR_ALREADY_EXISTS},
        {"D:\\Sub", "D:\\b.txt", ERROR_ALREADY_EXISTS},
        {"D:\\absent.txt", "D:\\c.txt", ERROR_FILE_NOT_FOUND},
        {"D:\\a.txt", "D:\\absent\\c.txt", ERROR_PATH_NOT_FOUND},
        {"D:\\a.txt", "W:\\c.txt", ERROR_WRITE_PROTECT},
        {"D:\\", "D:\\Sub\\root", ERROR_ACCESS_DENIED},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        EXPECT_FALSE(MoveFileA(c.from, c.to));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(ReadHostFile(host("a.txt")), "alpha");
    EXPECT_EQ(ReadHostFile(host("b.txt")), "bravo");
}

TEST_F(Files, RenameMovesAndChangesCase)
{
    EXPECT_TRUE(MoveFileA("D:\\a.txt", "D:\\Sub\\c.txt"));
    EXPECT_EQ(ReadHostFile(host("Sub/c.txt")), "alpha");
    EXPECT_FALSE(HostFileExists(host("a.txt")));

    EXPECT_TRUE(MoveFileA("D:\\Sub\\c.txt", "D:\\Sub\\C.TXT"));
    EXPECT_EQ(namesIn(host("Sub")), std::set<std::string>{"C.TXT"});

    EXPECT_TRUE(MoveFileA("D:\\Sub", "D:\\Folder"));
    EXPECT_EQ(ReadHostFile(host("Folder/C.TXT")), "alpha");
}

// A hard link is another name of the same file, not a new spelling of its
// name: the host's rename between the two does nothing and answers success.
TEST_F(Files, RenameOntoAnotherNameOfTheSameFileFails)
{
    ASSERT_EQ(::link(host("a.txt").c_str(), host("link.txt").c_str()), 0);
    ASSERT_EQ(::link(host("a.txt").c_str(), host("A.TXT").c_str()), 0);
    ASSERT_EQ(::link(host("a.txt").c_str(), host("Sub/a.txt").c_str()), 0);
    const std::set<std::string> before = namesIn(m_root);
    for (const char *to : {"D:\\link.txt", "D:\\A.TXT", "D:\\Sub\\a.txt"}) {
        SCOPED_TRACE(to);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(MoveFileA("D:\\a.txt", to));
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    }
    EXPECT_EQ(namesIn(m_root), before);
    EXPECT_EQ(namesIn(host("Sub")), std::set<std::string>{"a.txt"});
}

// The copy and delete that a move to another device is, called directly so
// that it is tested on a single file system too.
TEST_F(Files, MoveByCopyCopiesThenDeletesAndNeverReplaces)
{
    setTimes(host("a.txt"), 1000000000, 123456700);
    ASSERT_EQ(::chmod(host("a.txt").c_str(), 0640), 0);
    ASSERT_TRUE(MoveHostFileByCopy(host("a.txt"), host("Sub/moved.txt")));
    EXPECT_FALSE(HostFileExists(host("a.txt")));
    EXPECT_EQ(ReadHostFile(host("Sub/moved.txt")), "alpha");
    EXPECT_EQ(statTime(host("Sub/moved.txt")).tv_sec, 1000000000);
    EXPECT_EQ(statTime(host("Sub/moved.txt")).tv_nsec, 123456700);
    struct stat info;
    ASSERT_EQ(::stat(host("Sub/moved.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(namesIn(host("Sub")), std::set<std::string>{"moved.txt"});

    WriteHostFile(host("b.txt"), "bravo");
    const std::set<std::string> before = namesIn(m_root);
    const struct { std::string from; std::string to; DWORD error; } refused[] = {
        {host("Sub/moved.txt"), host("b.txt"), ERROR_ALREADY_EXISTS},
        {host("Sub/moved.txt"), host("Sub"), ERROR_ALREADY_EXISTS},
        {host("Sub"), host("Folder"), ERROR_NOT_SAME_DEVICE},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.from + " -> " + c.to);
        EXPECT_FALSE(MoveHostFileByCopy(c.from, c.to));
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(ReadHostFile(host("Sub/moved.txt")), "alpha");
    EXPECT_EQ(ReadHostFile(host("b.txt")), "bravo");
    EXPECT_EQ(namesIn(m_root), before);
    EXPECT_EQ(namesIn(host("Sub")), std::set<std::string>{"moved.txt"});
}

TEST_F(Files, MoveAcrossDevicesCopiesAndDeletes)
{
    std::string other = "/dev/shm/zilo-test-XXXXXX";
    struct stat here, there;
    if (::stat("/dev/shm", &there) != 0 || !::mkdtemp(other.data()))
        GTEST_SKIP() << "no second file system";
    const auto removeOther = [&] { fs::remove_all(other); };
    ::stat(m_root.c_str(), &here);
    ::stat(other.c_str(), &there);
    if (here.st_dev == there.st_dev) {
        removeOther();
        GTEST_SKIP() << "no second file system";
    }
    WriteDriveMap(DriveMapLine("D:", m_root, "fixed", "1", "") + DriveMapLine("M:", other, "ramdisk", "2", ""));
    setTimes(host("a.txt"), 1000000000, 123456700);
    ::mkdir((other + "/taken").c_str(), 0777);

    EXPECT_TRUE(MoveFileA("D:\\a.txt", "M:\\a.txt"));
    EXPECT_FALSE(HostFileExists(host("a.txt")));
    EXPECT_EQ(ReadHostFile(other + "/a.txt"), "alpha");
    EXPECT_EQ(statTime(other + "/a.txt").tv_sec, 1000000000);
    EXPECT_EQ(statTime(other + "/a.txt").tv_nsec, 123456700);

    EXPECT_FALSE(MoveFileA("M:\\a.txt", "D:\\Sub"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(MoveFileA("D:\\Sub", "M:\\Sub"));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
    EXPECT_TRUE(HostFileExists(host("Sub")));
    EXPECT_EQ(ReadHostFile(other + "/a.txt"), "alpha");
    removeOther();
}

TEST_F(Files, CopyKeepsContentsTimesAndPermissions)
{
    setTimes(host("a.txt"), 1000000000, 123456700);
    ASSERT_EQ(::chmod(host("a.txt").c_str(), 0640), 0);
    ASSERT_TRUE(CopyFileA("D:\\A.TXT", "D:\\Sub\\copy.txt", FALSE));
    EXPECT_EQ(ReadHostFile(host("Sub/copy.txt")), "alpha");
    EXPECT_EQ(statTime(host("Sub/copy.txt")).tv_sec, 1000000000);
    EXPECT_EQ(statTime(host("Sub/copy.txt")).tv_nsec, 123456700);
    struct stat info;
    ASSERT_EQ(::stat(host("Sub/copy.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(namesIn(host("Sub")), std::set<std::string>{"copy.txt"});
}

TEST_F(Files, CopyNeverReplacesAFileNorCopiesOneOntoItself)
{
    WriteHostFile(host("b.txt"), "bravo");
    ASSERT_EQ(::link(host("a.txt").c_str(), host("link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", host("symlink.txt").c_str()), 0);
    const std::set<std::string> before = namesIn(m_root);
    const struct { const char *from; const char *to; DWORD error; } cases[] = {
        {"D:\\a.txt", "D:\\a.txt", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "d:\\A.TXT", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "D:\\Sub\\..\\a.txt", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "W:\\a.txt", ERROR_WRITE_PROTECT},
        {"D:\\a.txt", "D:\\link.txt", ERROR_FILE_EXISTS},
        {"D:\\link.txt", "D:\\a.txt", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "D:\\symlink.txt", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "D:\\b.txt", ERROR_FILE_EXISTS},
        {"D:\\a.txt", "D:\\Sub", ERROR_FILE_EXISTS},
        {"D:\\Sub", "D:\\Sub2", ERROR_ACCESS_DENIED},
        {"D:\\absent.txt", "D:\\c.txt", ERROR_FILE_NOT_FOUND},
        {"D:\\a.txt", "D:\\absent\\c.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const BOOL failIfExists : {TRUE, FALSE}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
            EXPECT_FALSE(CopyFileA(c.from, c.to, failIfExists));
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_EQ(ReadHostFile(host("a.txt")), "alpha");
    EXPECT_EQ(ReadHostFile(host("b.txt")), "bravo");
    EXPECT_EQ(namesIn(m_root), before);
}

TEST_F(Files, IsSameFileKnowsAFileByEveryName)
{
    WriteHostFile(host("b.txt"), "alpha");   // the same bytes, another file
    ASSERT_EQ(::link(host("a.txt").c_str(), host("link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", host("symlink.txt").c_str()), 0);
    ASSERT_EQ(::symlink("..", host("Sub/up").c_str()), 0);   // a linked folder
    const struct { const char *first; const char *second; bool same; } cases[] = {
        {"D:\\a.txt", "D:\\a.txt", true},
        {"D:\\a.txt", "d:\\A.TXT", true},
        {"D:\\a.txt", "W:\\a.txt", true},
        {"D:\\a.txt", "D:\\link.txt", true},
        {"D:\\a.txt", "D:\\symlink.txt", true},
        {"D:\\Sub\\up\\a.txt", "D:\\a.txt", true},
        {"D:\\a.txt", "D:\\b.txt", false},
        {"D:\\a.txt", "D:\\absent.txt", false},
        {"D:\\absent.txt", "D:\\absent.txt", false},
        {"Q:\\a.txt", "D:\\a.txt", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.first) + " and " + c.second);
        EXPECT_EQ(IsSameFile(c.first, c.second), c.same);
        EXPECT_EQ(IsSameFile(c.second, c.first), c.same);
    }
}

TEST_F(Files, CopyRefusesFifos)
{
    ASSERT_EQ(::mkfifo(host("pipe").c_str(), 0666), 0);
    EXPECT_FALSE(CopyFileA("D:\\pipe", "D:\\copy", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(HostFileExists(host("copy")));
}
