#include <lib/Path.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CPath, Parts)
{
    const struct { const char *path, *drive, *dir, *file, *ext; char letter; } cases[] = {
        {"C:\\a.jpg", "C:", "C:\\", "a.jpg", ".jpg", 'C'},
        {"C:\\Pics\\a.jpg", "C:", "C:\\Pics", "a.jpg", ".jpg", 'C'},
        {"c:\\x", "C:", "c:\\", "x", "", 'C'},
        {"C:\\Pics.old\\a", "C:", "C:\\Pics.old", "a", "", 'C'},
        {"C:\\", "C:", "C:\\", "", "", 'C'},
        {"\\\\srv\\share\\Pics\\a.jpg", "\\\\SRV\\SHARE", "\\\\srv\\share\\Pics", "a.jpg", ".jpg", '\\'},
        {"\\\\srv\\share", "\\\\SRV\\SHARE", "\\\\srv", "share", "", '\\'},
        {"Pics\\a.tar.gz", "", "Pics", "a.tar.gz", ".gz", '\0'},
        {"a.jpg", "", "", "a.jpg", ".jpg", '\0'},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const CPath path(c.path);
        EXPECT_STREQ(path.GetDrivePart(), c.drive);
        EXPECT_EQ(path.GetDriveLetter(), c.letter);
        EXPECT_STREQ(path.GetDirPart(), c.dir);
        EXPECT_STREQ(path.GetFilePart(), c.file);
        EXPECT_STREQ(path.GetExtPart(), c.ext);
    }
    EXPECT_STREQ(CPath('d'), "d:\\");
}

TEST(CPath, Tests)
{
    const struct { const char *path; bool shared, absolute; } cases[] = {
        {"\\\\srv\\share\\a.jpg", true, true},
        {"C:\\", false, true},
        {"c:\\Pics", false, true},
        {"C:", false, false},
        {"C:a.jpg", false, false},
        {"\\Pics", false, false},
        {"\\\\", true, true},
        {"\\", false, false},
        {"1:\\x", false, false},
        {"", false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const CPath path(c.path);
        EXPECT_EQ(path.GetIsShared(), c.shared);
        EXPECT_EQ(path.GetIsAbsolute(), c.absolute);
        EXPECT_EQ(path.GetIsRelative(), !c.absolute);
    }
}

TEST(CPath, AppendAndUnixForms)
{
    EXPECT_STREQ(CPath("C:\\").AppendFileName("a.jpg"), "C:\\a.jpg");
    EXPECT_STREQ(CPath("C:\\Pics").AppendFileName("a.jpg"), "C:\\Pics\\a.jpg");
    EXPECT_STREQ(CPath("").AppendFileName("a.jpg"), "a.jpg");
    EXPECT_STREQ(CPath("Pics\\Sub\\a.jpg").GetUnixPath(), "Pics/Sub/a.jpg");
}

TEST(CPath, TraceTo)
{
    const struct { const char *from, *to, *relative; } cases[] = {
        {"C:\\A\\B", "C:\\A\\C\\x.jpg", "..\\C\\x.jpg"},
        {"C:\\A", "C:\\A\\x.jpg", "x.jpg"},
        {"C:\\", "C:\\x.jpg", "x.jpg"},
        {"C:\\A", "C:\\a", ""},
        {"C:\\A", "D:\\B\\x.jpg", "D:\\B\\x.jpg"},
        {"C:\\A\\B\\C", "C:\\x.jpg", "..\\..\\..\\x.jpg"},
        {"c:\\pics\\new", "C:\\Pics\\Old\\a.jpg", "..\\Old\\a.jpg"},
        {"\\\\srv\\share\\x", "\\\\srv\\other\\y", "..\\..\\other\\y"},
        {"\\\\a", "\\b", "..\\..\\b"},   // a share's root never shortens: must end
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        EXPECT_STREQ(CPath(c.from).TraceTo(CPath(c.to)), c.relative);
    }
}

TEST(CPath, ExistenceAndFolderCreation)
{
    const CPath folder(TestWindowsFolder().toUtf8().constData());
    EXPECT_TRUE(folder.GetDirectoryExists());
    EXPECT_FALSE(folder.GetFileExists());
    WriteHostFile(TestHostFolder() + "/a.jpg", "x");
    EXPECT_TRUE(folder.AppendFileName("a.jpg").GetFileExists());
    EXPECT_FALSE(folder.AppendFileName("A.JPG\\b").GetFileExists());

    std::filesystem::create_directory(TestHostFolder() + "/x");
    const CPath deep = folder.AppendFileName("x\\y\\z");
    EXPECT_TRUE(deep.CreateDirectoryA());
    EXPECT_TRUE(std::filesystem::is_directory(TestHostFolder() + "/x/y/z"));
    EXPECT_FALSE(deep.CreateDirectoryA());   // already there
    EXPECT_FALSE(CPath("C:\\").CreateDirectoryA());
    EXPECT_FALSE(CPath("Z:\\").CreateDirectoryA());
}

TEST(CPath, CanWriteNeverHarmsAnExistingFile)
{
    const CPath folder(TestWindowsFolder().toUtf8().constData());
    const std::string probe = TestHostFolder() + "/probe.tmp";
    WriteHostFile(probe, "user data");
    EXPECT_TRUE(folder.AppendFileName("probe.tmp").GetCanWrite());
    EXPECT_EQ(ReadHostFile(probe), "user data");
    int entries = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(TestHostFolder()))
        ++entries;
    EXPECT_EQ(entries, 2);   // the probe file and the program folder: nothing left behind
    EXPECT_FALSE(folder.AppendFileName("missing\\probe.tmp").GetCanWrite());
}

TEST(CPath, ExeFolderIsTheProgramFolder)
{
    const CPath exe = CPath::ExeFolder();
    EXPECT_TRUE(exe.GetDirectoryExists());
    EXPECT_STREQ(exe, (TestWindowsFolder() + "\\Program").toUtf8().constData());
}
