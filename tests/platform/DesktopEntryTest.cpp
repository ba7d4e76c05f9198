#include <platform/DesktopEntry.h>
#include <platform/HostPath.h>

#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string windows(const std::string &host)
{
    return WindowsPathFromHost(host);
}

// desktop-file-validate's verdict, when the tool is there.
std::optional<int> validate(const std::string &hostPath)
{
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        return std::nullopt;
    return std::system(("desktop-file-validate '" + hostPath + "' >&2").c_str());
}

TEST(DesktopExec, QuotesWhatTheRulesReserveAndSplitsBack)
{
    struct Case
    {
        std::string program;
        std::vector<std::string> arguments;
        std::string line;
    };
    const Case cases[] = {
        {"/opt/zilo/Zilo", {}, "/opt/zilo/Zilo"},
        {"/home/u/My Programs/Zilo", {"browsefile=%f"}, "\"/home/u/My Programs/Zilo\" browsefile=%f"},
        {"/home/u/Vantrel's Image Organiser/Splash", {}, "\"/home/u/Vantrel's Image Organiser/Splash\""},
        {"/a/100%/Zilo", {"x"}, "/a/100%%/Zilo x"},
        {"/a/$HOME`x`/Zilo", {"say \"hi\"", "back\\slash", ""},
         "\"/a/\\$HOME\\`x\\`/Zilo\" \"say \\\"hi\\\"\" \"back\\\\slash\" \"\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.program);
        const std::string line = DesktopExecLine(c.program, c.arguments);
        EXPECT_EQ(line, c.line);
        const auto split = SplitDesktopExec(line);
        ASSERT_TRUE(split);
        std::vector<std::string> expected{c.program};
        expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(*split, expected);
    }
    EXPECT_FALSE(SplitDesktopExec("\"/open/quote"));
    EXPECT_FALSE(SplitDesktopExec("\"/bad\\escape\""));
}

class DesktopEntries : public testing::Test
{
protected:
    FakeDesktop m_desktop;
    // A folder with a blank and an apostrophe, as the product's own has.
    std::string m_folder = TestHostFolder() + "/Vantrel's Image Organiser";
    std::string m_applications = m_desktop.root() + "/data/applications";

    void SetUp() override { fs::create_directories(m_folder); }

    DesktopEntry shortcut(const std::string &name) const
    {
        DesktopEntry entry;
        entry.name = name;
        entry.program = windows(m_folder + "/Splash");
        entry.workingFolder = windows(m_folder);
        entry.icon = windows(m_folder + "/Zilo.png");
        return entry;
    }
};

TEST_F(DesktopEntries, WrittenEntryIsValidRunnableAndReadsBack)
{
    DesktopEntry entry = shortcut("Vantrel's Image Organiser");
    entry.arguments = {"browsefile=%f"};
    entry.mimeTypes = {"application/x-zilo.browsefile", "image/jpeg"};
    entry.noDisplay = true;
    const std::string path = windows(m_applications) + "\\zilo.desktop";
    ASSERT_TRUE(WriteDesktopEntry(path, entry));

    const std::string host = m_applications + "/zilo.desktop";
    const QByteArray text = ReadHostFile(host);
    EXPECT_TRUE(text.contains("Exec=\"" + QByteArray::fromStdString(m_folder) + "/Splash\" browsefile=%f\n")) << text.constData();
    EXPECT_TRUE(text.contains("Path=" + QByteArray::fromStdString(m_folder) + "\n"));
    struct stat info;
    ASSERT_EQ(::stat(host.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
    if (const auto verdict = validate(host)) {
        EXPECT_EQ(*verdict, 0);
    }

    const auto read = ReadDesktopEntry(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, entry.name);
    EXPECT_EQ(read->program, entry.program);
    EXPECT_EQ(read->arguments, entry.arguments);
    EXPECT_EQ(read->workingFolder, entry.workingFolder);
    EXPECT_EQ(read->icon, entry.icon);
    EXPECT_EQ(read->mimeTypes, entry.mimeTypes);
    EXPECT_TRUE(read->noDisplay);
}

TEST_F(DesktopEntries, FoundByTheirNameNotTheirFileName)
{
    const std::string folder = windows(m_applications);
    ASSERT_TRUE(WriteDesktopEntry(folder + "\\b.desktop", shortcut("ZILO")));
    ASSERT_TRUE(WriteDesktopEntry(folder + "\\ZILO.desktop", shortcut("Something else")));
    ASSERT_TRUE(WriteDesktopEntry(folder + "\\a.desktop", shortcut("ZILO")));
    WriteHostFile(m_applications + "/c.desktop", "[Other Group]\nName=ZILO\n");
    WriteHostFile(m_applications + "/d.txt", "[Desktop Entry]\nName=ZILO\n");
    EXPECT_EQ(FindDesktopEntries(folder, "ZILO"),
              (std::vector<std::string>{folder + "\\a.desktop", folder + "\\b.desktop"}));
    EXPECT_TRUE(FindDesktopEntries(folder, "zilo").empty());
}

TEST_F(DesktopEntries, ReaderRefusesWhatIsNoEntry)
{
    WriteHostFile(m_folder + "/big.desktop", "[Desktop Entry]\nName=x\n" + QByteArray(70 * 1024, '#'));
    WriteHostFile(m_folder + "/noname.desktop", "[Desktop Entry]\nExec=/bin/true\n");
    for (const char *name : {"big.desktop", "noname.desktop", "missing.desktop"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ReadDesktopEntry(windows(m_folder) + '\\' + name));
    }
}

TEST_F(DesktopEntries, SpecialFoldersAreTheDesktopsOwn)
{
    EXPECT_EQ(SpecialFolderPath(CSIDL_PROGRAMS), windows(m_applications));
    EXPECT_EQ(DesktopEntryFileName("a/b\nc"), "a_b_c.desktop");
}

} // namespace
