#include <platform/Namespace.h>

#include "ShellTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

const std::string Colon = "\xEF\x80\xBA";   // ':' as it stands in a Windows name

std::vector<std::string> namesOf(const std::vector<ShellItem> &items)
{
    std::vector<std::string> names;
    for (const ShellItem &item : items)
        names.push_back(item.displayName);
    return names;
}

std::vector<std::string> pathsOf(const std::vector<ShellItem> &items)
{
    std::vector<std::string> paths;
    for (const ShellItem &item : items)
        paths.push_back(item.path);
    return paths;
}

const ShellItem &childNamed(const std::vector<ShellItem> &items, const std::string &name)
{
    for (const ShellItem &item : items) {
        if (item.displayName == name)
            return item;
    }
    ADD_FAILURE() << "no child " << name;
    static const ShellItem none;
    return none;
}

std::vector<ShellItem> parsed(const std::string &path)
{
    std::vector<ShellItem> items;
    EXPECT_TRUE(ParseShellPath(path, items)) << path;
    return items;
}

constexpr DWORD AllEntries = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

} // namespace

TEST(Namespace, TheDesktopHoldsTheComputerTheNetworkAndItsFolder)
{
    TestShell shell;
    TestShell::makeFolder("c/Desktop/Projects");
    WriteHostFile(TestShell::host("c/Desktop/note.txt"), "x");

    EXPECT_EQ(ShellDesktopFolder(), "C:\\Desktop");
    const std::vector<ShellItem> top = EnumShellFolder(ShellDesktop(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    EXPECT_EQ(namesOf(top), (std::vector<std::string>{"Computer", "Network", "Projects", "note.txt"}));
    EXPECT_EQ(pathsOf(top), (std::vector<std::string>{ComputerParsingName, NetworkParsingName, "C:\\Desktop\\Projects",
                                                      "C:\\Desktop\\note.txt"}));
    EXPECT_FALSE(top[0].attributes & SFGAO_FILESYSTEM);
    EXPECT_EQ(top[2].attributes & (SFGAO_FOLDER | SFGAO_FILESYSTEM), SFGAO_FOLDER | SFGAO_FILESYSTEM);
    EXPECT_EQ(top[3].attributes, SFGAO_FILESYSTEM);
}

TEST(Namespace, TheComputerHoldsTheDrivesAndTheNetworkItsShares)
{
    TestShell shell;
    const std::vector<ShellItem> drives = EnumShellFolder(parsed(ComputerParsingName).back(), SHCONTF_FOLDERS);
    EXPECT_EQ(namesOf(drives), (std::vector<std::string>{"Removable Disk (A:)", "System (C:)", "CD Drive (D:)",
                                                         "Photos (E:)"}));
    EXPECT_EQ(pathsOf(drives), (std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\"}));
    EXPECT_EQ(drives[0].driveLetter, 'A');
    EXPECT_EQ(drives[2].iconName, "media-optical");

    const std::vector<ShellItem> shares = EnumShellFolder(parsed(NetworkParsingName).back(), SHCONTF_FOLDERS);
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].displayName, "photos on nas");
    EXPECT_EQ(shares[0].path, "\\\\nas\\photos");
    EXPECT_EQ(shares[0].driveLetter, 0);
}

TEST(Namespace, AFolderListsWhatFlagsAskInTheShellsOrder)
{
    TestShell shell;
    for (const char *folder : {"c/Pics/10", "c/Pics/2", "c/Pics/b", "c/Pics/A", "c/Pics/a", "c/Pics/.hidden",
                               "c/Pics/x A:"})
        TestShell::makeFolder(folder);
    WriteHostFile(TestShell::host("c/Pics/photo.jpg"), "x");
    ASSERT_EQ(::mkfifo(TestShell::host("c/Pics/pipe").c_str(), 0600), 0);
    const ShellItem pics = parsed("C:\\Pics").back();

    const struct { DWORD flags; std::vector<std::string> names; } cases[] = {
        {SHCONTF_FOLDERS, {"2", "10", "A", "b", "x A:"}},   // "a" hides behind "A"
        {SHCONTF_NONFOLDERS, {"photo.jpg"}},
        {AllEntries, {".hidden", "2", "10", "A", "b", "x A:", "photo.jpg"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(namesOf(EnumShellFolder(pics, c.flags)), c.names);
    }
    const std::vector<ShellItem> folders = EnumShellFolder(pics, SHCONTF_FOLDERS);
    EXPECT_EQ(childNamed(folders, "x A:").path, "C:\\Pics\\x A" + Colon);
}

TEST(Namespace, ADriveWithoutItsMediumIsListedWithoutChildren)
{
    TestShell shell;
    std::filesystem::remove(TestShell::host("d"));   // the disc is out
    const ShellItem disc = childNamed(EnumShellFolder(parsed(ComputerParsingName).back(), SHCONTF_FOLDERS),
                                      "CD Drive (D:)");
    EXPECT_TRUE(EnumShellFolder(disc, AllEntries).empty());
}

TEST(Namespace, ParsesPathsIntoTheItemsFromTheDesktopDown)
{
    TestShell shell;
    TestShell::makeFolder("c/Pics/Summer");
    TestShell::makeFolder("c/Desktop/Projects/Old");
    TestShell::makeFolder("e/Holiday");
    WriteHostFile(TestShell::host("c/Pics/photo.jpg"), "x");

    const struct { std::string path; std::vector<std::string> paths; } cases[] = {
        {"C:\\Pics\\Summer", {ComputerParsingName, "C:\\", "C:\\Pics", "C:\\Pics\\Summer"}},
        {"c:/pics/SUMMER/", {ComputerParsingName, "C:\\", "C:\\Pics", "C:\\Pics\\Summer"}},
        {"C:\\Pics\\photo.jpg", {ComputerParsingName, "C:\\", "C:\\Pics", "C:\\Pics\\photo.jpg"}},
        {"C:", {ComputerParsingName, "C:\\"}},
        {"\\\\NAS\\photos\\Holiday", {NetworkParsingName, "\\\\nas\\photos", "\\\\nas\\photos\\Holiday"}},
        {"E:\\Holiday", {ComputerParsingName, "E:\\", "E:\\Holiday"}},
        {"Projects\\Old", {"C:\\Desktop\\Projects", "C:\\Desktop\\Projects\\Old"}},
        {NetworkParsingName, {NetworkParsingName}},
        {"", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(pathsOf(parsed(c.path)), c.paths);
    }
    EXPECT_EQ(namesOf(parsed("c:\\PICS")), (std::vector<std::string>{"Computer", "System (C:)", "Pics"}));
}

TEST(Namespace, RefusesPathsThatLeadToNoItem)
{
    TestShell shell;
    TestShell::makeFolder("c/Pics");
    WriteHostFile(TestShell::host("c/Pics/photo.jpg"), "x");
    for (const char *path : {"Q:\\Pics", "C:\\Missing", "C:\\Pics\\photo.jpg\\inside", "\\\\other\\share",
                             "..\\Pics", "Missing", "::{00000000-0000-0000-0000-000000000000}"}) {
        SCOPED_TRACE(path);
        std::vector<ShellItem> items(1);
        EXPECT_FALSE(ParseShellPath(path, items));
        EXPECT_TRUE(items.empty());
    }
}

TEST(Namespace, ParsesPathsLongerThanTheOldLimit)
{
    TestShell shell;
    std::string relative = "c";
    std::string windows = "C:";
    for (int i = 0; i < 30; ++i) {
        relative += "/folder-number-" + std::to_string(i);
        windows += "\\folder-number-" + std::to_string(i);
    }
    TestShell::makeFolder(relative);
    ASSERT_GT(windows.size(), 256u);
    const std::vector<ShellItem> items = parsed(windows);
    ASSERT_EQ(items.size(), 32u);
    EXPECT_EQ(items.back().path, windows);
}

TEST(Namespace, ADesktopAtADriveRootIsNoDesktopFolder)
{
    TestShell shell;
    WriteHostFile(TestShell::host("config/user-dirs.dirs"), ("XDG_DESKTOP_DIR=\"" + TestShell::host("c") + "\"\n").c_str());
    EXPECT_EQ(ShellDesktopFolder(), "");
    EXPECT_EQ(namesOf(EnumShellFolder(ShellDesktop(), AllEntries)),
              (std::vector<std::string>{"Computer", "Network"}));
}
