#include <platform/Files.h>
#include <platform/HostPath.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string windows(const std::string &host)
{
    return WindowsPathFromHost(host);
}

class FilePlacement : public testing::Test
{
protected:
    std::string m_root = TestHostFolder() + "/place";
    std::string m_dest = m_root + "/Dest";

    void SetUp() override
    {
        fs::create_directories(m_dest + "/Data");
        fs::create_directories(m_root + "/Dest2");
        fs::create_directories(m_root + "/Outside");
        WriteHostFile(m_root + "/Outside/precious.txt", "keep");
        fs::create_directory_symlink(m_root + "/Outside", m_dest + "/LinkOut");
        fs::create_symlink(m_root + "/Outside/precious.txt", m_dest + "/file-link");
    }
};

TEST_F(FilePlacement, ReplaceByCopyKeepsTheRunBitAndNeverHalfWrites)
{
    WriteHostFile(m_root + "/Zilo", "new program");
    ::chmod((m_root + "/Zilo").c_str(), 0755);
    WriteHostFile(m_dest + "/Zilo", "old program");
    ASSERT_TRUE(ReplaceFileByCopy(windows(m_root + "/Zilo").c_str(), windows(m_dest + "/Zilo").c_str()));
    EXPECT_EQ(ReadHostFile(m_dest + "/Zilo"), QByteArray("new program"));
    struct stat info;
    ASSERT_EQ(::stat((m_dest + "/Zilo").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    // A source that is gone leaves the old file as it was.
    EXPECT_FALSE(ReplaceFileByCopy(windows(m_root + "/Missing").c_str(), windows(m_dest + "/Zilo").c_str()));
    EXPECT_EQ(ReadHostFile(m_dest + "/Zilo"), QByteArray("new program"));
    // Never onto itself, a folder or a link.
    EXPECT_FALSE(ReplaceFileByCopy(windows(m_dest + "/Zilo").c_str(), windows(m_dest + "/ZILO").c_str()));
    EXPECT_EQ(ReadHostFile(m_dest + "/Zilo"), QByteArray("new program"));
    EXPECT_FALSE(ReplaceFileByCopy(windows(m_root + "/Zilo").c_str(), windows(m_dest + "/Data").c_str()));
    EXPECT_FALSE(ReplaceFileByCopy(windows(m_root + "/Zilo").c_str(), windows(m_dest + "/file-link").c_str()));
    EXPECT_EQ(ReadHostFile(m_root + "/Outside/precious.txt"), QByteArray("keep"));
    for (const fs::directory_entry &entry : fs::directory_iterator(m_dest))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".zilo-")) << entry.path();
}

TEST_F(FilePlacement, InsideOnceDotsCaseAndLinksAreResolved)
{
    const std::string dest = windows(m_dest);
    struct Case
    {
        std::string path;
        bool inside;
    };
    const Case cases[] = {
        {dest + "\\Zilo", true},
        {dest + "\\Data\\memo.dat", true},
        {dest + "\\DATA\\memo.dat", true},
        {dest + "\\file-link", true},   // the link itself is the folder's: deleting it touches nothing outside
        {dest + "\\Data\\..\\Zilo", true},
        {dest, false},
        {dest + "\\..\\Outside\\precious.txt", false},
        {dest + "\\Data\\..\\..\\Outside\\precious.txt", false},
        {windows(m_root + "/Dest2") + "\\x", false},   // a name that only starts like it
        {dest + "\\LinkOut\\precious.txt", false},
        {"Dest\\Zilo", false},
        {"", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(LiesInsideFolder(c.path.c_str(), dest.c_str()), c.inside);
    }
}

TEST_F(FilePlacement, SharedRootsAreTheDrivesTheHomeAndNoDrive)
{
    const char *home = std::getenv("HOME");
    ASSERT_TRUE(home);
    const std::string shared[] = {"C:\\", "C:", "Z:\\", windows(home), "relative\\folder", ""};
    for (const std::string &folder : shared) {
        SCOPED_TRACE(folder);
        EXPECT_TRUE(IsSharedRootFolder(folder.c_str()));
    }
    EXPECT_FALSE(IsSharedRootFolder(windows(m_dest).c_str()));
    EXPECT_FALSE(IsSharedRootFolder(windows(m_dest + "/not yet made").c_str()));

    // Where no drive letter stands for the home folder, it is still refused.
    WriteDriveMap(DriveMapLine("D:", m_root, "fixed", "1", "") + DriveMapLine("Z:", "/", "fixed", "2", ""));
    ASSERT_NE(windows(home).size(), 3u);
    EXPECT_TRUE(IsSharedRootFolder(windows(home).c_str()));
    EXPECT_TRUE(IsSharedRootFolder("D:\\"));
    EXPECT_FALSE(IsSharedRootFolder("D:\\Dest"));
}

} // namespace
