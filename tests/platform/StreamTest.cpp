#include <platform/Exception.h>
#include <platform/FileIO.h>
#include <platform/Stream.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TEST(TMemoryStream, ReadsWritesAndSeeks)
{
    TMemoryStream stream;
    EXPECT_EQ(stream.Write("abcdef", 6), 6);
    EXPECT_EQ(stream.Position(), 6);
    EXPECT_EQ(stream.Size(), 6);
    stream.SetPosition(4);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Seek(-1, soEnd), 5);
    EXPECT_EQ(stream.Seek(-10, soCurrent), -1);
    stream.SetPosition(8);   // writing past the end fills the gap
    stream.Write("z", 1);
    EXPECT_EQ(stream.Size(), 9);
    EXPECT_THROW(stream.ReadBuffer(buffer, 1), EStreamError);
    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
}

TEST(TFileStream, CreatesOpensAndRefuses)
{
    const QString name = TestWindowsPath("data.bin");
    {
        TFileStream file(name, fmCreate);
        EXPECT_EQ(file.Write("hello", 5), 5);
    }
    {
        TFileStream file(name, fmOpenRead | fmShareDenyWrite);
        EXPECT_EQ(file.Size(), 5);
        char buffer[5];
        file.ReadBuffer(buffer, 5);
        EXPECT_EQ(std::string(buffer, 5), "hello");
        EXPECT_EQ(file.Write("x", 1), 0);   // opened for reading only
    }
    EXPECT_THROW(TFileStream(TestWindowsPath("missing.bin"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(TestWindowsPath("no\\such\\folder.bin"), fmCreate), EFCreateError);
}

TEST(CreateFileA, RefusesFoldersAndFifos)
{
    const std::string fifo = TestHostFolder() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const QString &name : {TestWindowsPath("pipe"), TestWindowsFolder()}) {
        SCOPED_TRACE(name.toStdString());
        const HANDLE handle = CreateFileA(name.toUtf8(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0);
        EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
}

TEST(CreateFileA, CreateNewNeverTouchesAnExistingFile)
{
    WriteHostFile(TestHostFolder() + "/keep.txt", "precious");
    const QByteArray name = TestWindowsPath("keep.txt").toUtf8();
    EXPECT_EQ(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/keep.txt"), "precious");
}

TEST(CreateFileA, FileTimesRoundTrip)
{
    const QByteArray name = TestWindowsPath("t.bin").toUtf8();
    const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME written = FileTimeFromUnix(1000000000, 123456700);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    FILETIME back;
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &back));
    EXPECT_EQ(FileTimeToUInt64(back), FileTimeToUInt64(written));
    // 2001-09-09 01:46:40 UTC in Windows ticks.
    EXPECT_EQ(FileTimeToUInt64(written), 126444736001234567ULL);
    CloseHandle(file);
}

static std::vector<std::string> folderEntries()
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TSafeFileStream, ReplacesOnlyOnCommit)
{
    const std::string host = TestHostFolder() + "/state.dat";
    WriteHostFile(host, "old contents");
    ::chmod(host.c_str(), 0640);
    const std::vector<std::string> before = folderEntries();
    {
        TSafeFileStream file(TestWindowsPath("state.dat"));
        file.WriteBuffer("new", 3);
        EXPECT_EQ(ReadHostFile(host), "old contents");
        // Destroyed without a commit, as on an exception.
    }
    EXPECT_EQ(ReadHostFile(host), "old contents");
    EXPECT_EQ(folderEntries(), before);
    {
        TSafeFileStream file(TestWindowsPath("state.dat"));
        file.WriteBuffer("new", 3);
        file.Commit();
    }
    EXPECT_EQ(ReadHostFile(host), "new");
    EXPECT_EQ(folderEntries(), before);
    struct stat info;
    ASSERT_EQ(::stat(host.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(TSafeFileStream, RefusesAFolderAsTarget)
{
    std::filesystem::create_directory(TestHostFolder() + "/sub");
    EXPECT_THROW(TSafeFileStream(TestWindowsPath("sub")), EFCreateError);
}

TEST(TMemoryStream, SavesThroughATemporaryFile)
{
    TMemoryStream stream;
    stream.Write("12345", 5);
    stream.SaveToFile(TestWindowsPath("m.bin"));
    TMemoryStream back;
    back.LoadFromFile(TestWindowsPath("m.bin"));
    ASSERT_EQ(back.Size(), 5);
    EXPECT_EQ(std::string(static_cast<const char *>(back.Memory()), 5), "12345");
}

TEST(CreateFileA, RefusesWritesOnAWriteProtectedDrive)
{
    const std::string disc = TestHostFolder() + "/disc";
    std::filesystem::create_directory(disc);
    WriteHostFile(disc + "/photo.jpg", "jpeg");
    WriteDriveMap(QString::fromStdString("E:\t" + disc + "\tcdrom,readonly\t1234-5678\tDISC\n"));

    const HANDLE reader = CreateFileA("E:\\photo.jpg", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        SCOPED_TRACE(disposition);
        EXPECT_EQ(CreateFileA("E:\\photo.jpg", GENERIC_WRITE, 0, nullptr, disposition, 0, 0), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    }
    EXPECT_THROW(TSafeFileStream("E:\\photo.jpg"), EFCreateError);
    EXPECT_EQ(ReadHostFile(disc + "/photo.jpg"), "jpeg");
}

// Names as long as the file system takes: 80 CJK characters of 3 bytes and an
// extension, and one of the full 255 bytes.
static const QString LongNames[] = {
    QString(80, QChar(0x5199)) + ".jpg",
    QString(251, u'x') + ".jpg",
};

TEST(TSafeFileStream, SavesUnderTheLongestNames)
{
    for (const QString &name : LongNames) {
        SCOPED_TRACE(name.toUtf8().size());
        const std::string host = TestHostFolder() + "/" + name.toStdString();
        WriteHostFile(host, "old");
        const std::vector<std::string> before = folderEntries();
        {
            TSafeFileStream file(TestWindowsPath(name));
            file.WriteBuffer("safe", 4);
            file.Commit();
        }
        EXPECT_EQ(ReadHostFile(host), "safe");
        TMemoryStream stream;
        stream.Write("memory", 6);
        stream.SaveToFile(TestWindowsPath(name));
        EXPECT_EQ(ReadHostFile(host), "memory");
        EXPECT_EQ(folderEntries(), before);
    }
}

static bool isSymbolicLink(const std::string &hostPath)
{
    struct stat info;
    return ::lstat(hostPath.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// A save through a link replaces the file it points to, wherever that is,
// and the link stays.
TEST(TSafeFileStream, WritesBesideTheTargetOfALink)
{
    const std::string folder = TestHostFolder();
    std::filesystem::create_directory(folder + "/real");
    const struct { const char *name; std::string linkTo; std::string target; } cases[] = {
        {"relative.dat", "real/r.dat", folder + "/real/r.dat"},
        {"absolute.dat", folder + "/real/a.dat", folder + "/real/a.dat"},
        {"chain.dat", "relative.dat", folder + "/real/r.dat"},
    };
    for (const auto &c : cases) {
        WriteHostFile(c.target, "old");
        ASSERT_EQ(::symlink(c.linkTo.c_str(), (folder + "/" + c.name).c_str()), 0);
    }
    const std::vector<std::string> before = folderEntries();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        {
            TSafeFileStream file(TestWindowsPath(c.name));
            file.WriteBuffer(c.name, int32_t(std::strlen(c.name)));
            file.Commit();
        }
        EXPECT_TRUE(isSymbolicLink(folder + "/" + c.name));
        EXPECT_EQ(ReadHostFile(c.target), c.name);
        EXPECT_EQ(folderEntries(), before);
    }
    const std::vector<std::string> real = {"a.dat", "r.dat"};
    std::vector<std::string> inReal;
    for (const auto &entry : std::filesystem::directory_iterator(folder + "/real"))
        inReal.push_back(entry.path().filename().string());
    std::sort(inReal.begin(), inReal.end());
    EXPECT_EQ(inReal, real);
}

// Read-only as the file attributes say: even the superuser is refused a file
// that no one may write, directly or through a link.
TEST(TSafeFileStream, RefusesAReadOnlyTarget)
{
    const std::string host = TestHostFolder() + "/locked.dat";
    WriteHostFile(host, "locked");
    ASSERT_EQ(::chmod(host.c_str(), 0444), 0);
    ASSERT_EQ(::symlink("locked.dat", (TestHostFolder() + "/link.dat").c_str()), 0);
    const std::vector<std::string> before = folderEntries();
    for (const char *name : {"locked.dat", "link.dat"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(TSafeFileStream(TestWindowsPath(name)), EFCreateError);
    }
    EXPECT_EQ(ReadHostFile(host), "locked");
    EXPECT_TRUE(isSymbolicLink(TestHostFolder() + "/link.dat"));
    EXPECT_EQ(folderEntries(), before);
}
