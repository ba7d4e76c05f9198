#include <platform/Drives.h>
#include <platform/HostPath.h>
#include <platform/LastError.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Private-use stand-ins (U+F000 + code) of characters Windows forbids in names.
const std::string Colon = "\xEF\x80\xBA";       // ':'
const std::string Star = "\xEF\x80\xAA";        // '*'
const std::string Question = "\xEF\x80\xBF";    // '?'
const std::string Backslash = "\xEF\x81\x9C";   // '\'
const std::string Bar = "\xEF\x81\xBC";         // '|'
const std::string LineFeed = "\xEF\x80\x8A";    // LF, which would end a line of every list of names
const std::string Return = "\xEF\x80\x8D";      // CR

void makeFile(const std::string &path)
{
    fs::create_directories(fs::path(path).parent_path());
    WriteHostFile(path, "x");
}

// HOME for one test, given back at its end.
class HomeFolder
{
public:
    explicit HomeFolder(const std::string &home)
    {
        if (const char *old = std::getenv("HOME"))
            m_old = old;
        ::setenv("HOME", home.c_str(), 1);
        GetLogicalDrives();
    }
    ~HomeFolder()
    {
        if (m_old)
            ::setenv("HOME", m_old->c_str(), 1);
        else
            ::unsetenv("HOME");
        GetLogicalDrives();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(HostPathFromWindows, MatchesExactlyThenWithoutCaseAndMapsForbiddenCharacters)
{
    const std::string root = TestHostFolder() + "/drive";
    makeFile(root + "/Pics/Holiday.JPG");
    makeFile(root + "/TWIN.txt");
    makeFile(root + "/Twin.txt");
    makeFile(root + "/twin.txt");
    makeFile(root + "/a:b*c?.txt");
    makeFile(root + "/back\\slash|bar");
    WriteDriveMap(DriveMapLine("M:", root, "fixed", "1", "Main"));

    const struct { std::string windows; std::string host; } cases[] = {
        {"M:\\Pics\\Holiday.JPG", "/Pics/Holiday.JPG"},
        {"m:\\pics\\HOLIDAY.jpg", "/Pics/Holiday.JPG"},
        {"M:/Pics/Holiday.JPG", "/Pics/Holiday.JPG"},
        {"M:\\\\Pics\\\\Holiday.JPG", "/Pics/Holiday.JPG"},
        {"M:\\Pics\\New File.jpg", "/Pics/New File.jpg"},
        {"M:\\PICS\\missing\\Deeper", "/Pics/missing/Deeper"},
        {"M:\\twin.txt", "/twin.txt"},   // an exact name is found even when it is a hidden twin
        {"M:\\tWIN.TXT", "/TWIN.txt"},   // without case: the first in byte order
        {std::string("M:\\A") + Colon + "B" + Star + "C" + Question + ".TXT", "/a:b*c?.txt"},
        {std::string("M:\\back") + Backslash + "slash" + Bar + "bar", "/back\\slash|bar"},
        {"M:\\x\xEF\x81\x81y", "/x\xEF\x81\x81y"},   // U+F041 stands for no forbidden character
        {"M:\\Pics\\..\\..\\..\\Pics", "/Pics"},
        {"M:\\.\\Pics\\.\\", "/Pics"},
        {"M:\\..", ""},
        {"M:\\", ""},
        {"M:", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.windows);
        EXPECT_EQ(HostPathFromWindows(c.windows), root + c.host);
    }
}

TEST(HostPathFromWindows, AnswersEmptyForRelativeAndUnmappedPaths)
{
    const std::string root = TestHostFolder() + "/drive";
    for (const char *name : {"a\nb.jpg", "a\rb.jpg", "a\r\nb.jpg"})
        makeFile(root + "/" + name);
    WriteDriveMap(DriveMapLine("M:", root, "fixed", "1", "") + DriveMapLine("N:", root + "/absent", "removable", "2", "")
                  + DriveMapLine({"S:", QString::fromStdString(root), "remote,source=//server/share", "3", ""}));

    const struct { const char *windows; DWORD error; } cases[] = {
        {"Pics\\a.jpg", ERROR_PATH_NOT_FOUND},        {"\\Pics\\a.jpg", ERROR_PATH_NOT_FOUND},
        {"M:Pics", ERROR_PATH_NOT_FOUND},             {"Q:\\Pics", ERROR_PATH_NOT_FOUND},
        {"", ERROR_PATH_NOT_FOUND},                   {"\\\\", ERROR_PATH_NOT_FOUND},
        {"\\\\server\\shared\\a", ERROR_PATH_NOT_FOUND}, {"\\\\other\\share", ERROR_PATH_NOT_FOUND},
        {"1:\\x", ERROR_PATH_NOT_FOUND},              {"N:\\x", ERROR_NOT_READY},
        // No Windows name holds a line break, even where a host name has one.
        {"M:\\a\nb.jpg", ERROR_INVALID_NAME},         {"M:\\a\rb.jpg", ERROR_INVALID_NAME},
        {"M:\\a\r\nb.jpg\\x", ERROR_INVALID_NAME},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.windows);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(HostPathFromWindows(c.windows), "");
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(HostPathFromWindows, NetworkShareAnswersItsUncPath)
{
    const std::string share = TestHostFolder() + "/share";
    makeFile(share + "/Pics/a.jpg");
    WriteDriveMap(DriveMapLine({"S:", QString::fromStdString(share), "remote,source=//server/Share", "3", "Share"}));

    const struct { const char *windows; const char *host; } cases[] = {
        {"\\\\server\\Share\\Pics\\a.jpg", "/Pics/a.jpg"},
        {"\\\\SERVER\\SHARE\\pics\\A.JPG", "/Pics/a.jpg"},
        {"//server/share/Pics", "/Pics"},
        {"\\\\server\\share\\..\\..\\Pics", "/Pics"},
        {"\\\\server\\share", ""},
        {"\\\\server\\share\\", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.windows);
        EXPECT_EQ(HostPathFromWindows(c.windows), share + c.host);
    }
    // The letter stays the canonical form.
    EXPECT_EQ(WindowsPathFromHost(share + "/Pics/a.jpg"), "S:\\Pics\\a.jpg");
}

TEST(WindowsPathFromHost, UsesTheDeepestLetteredRoot)
{
    const std::string home = TestHostFolder() + "/home";
    fs::create_directories(home + "/media/DISC");
    WriteDriveMap(DriveMapLine("C:", home, "fixed", "1", "") + DriveMapLine("E:", home + "/media/DISC", "cdrom", "2", "")
                  + DriveMapLine("G:", home + "/media/DISC", "cdrom", "3", "")
                  + DriveMapLine("F:", home + "/media", "removable", "4", ""));

    const struct { std::string host; std::string windows; } cases[] = {
        {home, "C:\\"},
        {home + "/", "C:\\"},
        {home + "/Pictures", "C:\\Pictures"},
        {home + "//Pictures/./2024/", "C:\\Pictures\\2024"},
        {home + "/media", "F:\\"},
        {home + "/media/DISCO", "F:\\DISCO"},
        {home + "/media/DISC", "E:\\"},   // E: before G:, which has the same root
        {home + "/media/DISC/sub/a.jpg", "E:\\sub\\a.jpg"},
        {home + "/media/DISC/../x", "F:\\x"},
        {home + "/a:b|c", std::string("C:\\a") + Colon + "b" + Bar + "c"},
        {home + "/back\\slash", std::string("C:\\back") + Backslash + "slash"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(WindowsPathFromHost(c.host), c.windows);
    }
    for (const std::string &host : {TestHostFolder(), std::string("relative/path"), std::string()}) {
        SCOPED_TRACE(host);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WindowsPathFromHost(host), "");
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    }
}

TEST(WindowsPathFromHost, RoundTripGivesTheCanonicalSpelling)
{
    const std::string root = TestHostFolder() + "/drive";
    makeFile(root + "/Pictures/Summer/a:b.jpg");
    WriteDriveMap(DriveMapLine("D:", root, "removable", "1", ""));
    const std::string host = HostPathFromWindows(std::string("d:\\PICTURES\\summer\\A") + Colon + "B.JPG");
    EXPECT_EQ(host, root + "/Pictures/Summer/a:b.jpg");
    EXPECT_EQ(WindowsPathFromHost(host), std::string("D:\\Pictures\\Summer\\a") + Colon + "b.jpg");
}

TEST(WindowsPathFromHost, EveryHostNameComesBackAsItWas)
{
    const std::string root = TestHostFolder() + "/drive";
    WriteDriveMap(DriveMapLine("D:", root, "removable", "1", ""));
    const std::string Quote = "\xEF\x80\x80";   // U+F000, which stands for no character
    const struct
    {
        const char *what;
        std::string host;
    } cases[] = {
        {"plain", "Holiday.jpg"},
        {"forbidden characters", "a:b*c?\"<>|\\.txt"},
        {"a stand-in of a forbidden character", "a" + Backslash + "b.jpg"},
        {"a stand-in beside its character", "a\\b" + Backslash + Colon + ":"},
        {"a stand-in of no forbidden character", "x\xEF\x81\x81y"},
        {"the quoting character alone", Quote},
        {"the quoting character twice", Quote + Quote + "x"},
        {"the quoting character before a forbidden one", Quote + ":" + Quote + Star},
        {"the quoting character at the end", "a" + Quote},
        {"invalid UTF-8", "\xFF\xFE\xEF\x80"},
        {"a cut sequence before a forbidden character", "\xEF\x80:\xEF\x81"},
        {"a cut sequence before a stand-in", "\xEF" + Colon + "\xEF\x80" + Quote},
        {"a line feed", "a\nb.jpg"},
        {"a carriage return", "a\rb.jpg"},
        {"a CR LF", "a\r\nb.jpg"},
        {"line breaks only", "\n\r\n\r"},
        {"a stand-in of a line feed", "a" + LineFeed + "b.jpg"},
        {"a stand-in of CR beside a CR", "\r" + Return + "\n"},
        {"the quoting character before a line break", Quote + "\n" + Quote + LineFeed},
        {"a tab, kept as it was", "a\tb.jpg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string windows = WindowsNameFromHost(c.host);
        EXPECT_EQ(windows.find_first_of("\\:*?\"<>|/\r\n"), std::string::npos) << "a name no list can split";
        EXPECT_EQ(HostNameFromWindows(windows), c.host);

        // Through whole paths, with the file on disk.
        fs::remove_all(root);
        makeFile(root + "/" + c.host);
        const std::string windowsPath = WindowsPathFromHost(root + "/" + c.host);
        EXPECT_EQ(HostPathFromWindows(windowsPath), root + "/" + c.host);
    }
}

TEST(WindowsPathFromHost, AStandInNameIsNotTakenForTheNameItStandsFor)
{
    // Deleting the first must never reach the second.
    const std::string root = TestHostFolder() + "/drive";
    makeFile(root + "/a" + Backslash + "b.jpg");
    makeFile(root + "/a\\b.jpg");
    WriteDriveMap(DriveMapLine("D:", root, "removable", "1", ""));
    const std::string windows = WindowsPathFromHost(root + "/a" + Backslash + "b.jpg");
    EXPECT_NE(windows, WindowsPathFromHost(root + "/a\\b.jpg"));
    EXPECT_EQ(HostPathFromWindows(windows), root + "/a" + Backslash + "b.jpg");
    EXPECT_EQ(WindowsPathFromHost(root + "/a\\b.jpg"), "D:\\a" + Backslash + "b.jpg") << "as it always was";
}

TEST(WindowsPathFromHost, LineBreaksStandInAsForbiddenCharactersDoAndOtherNamesKeepTheirSpelling)
{
    const std::string Quote = "\xEF\x80\x80";
    const struct
    {
        std::string host;
        std::string windows;
    } cases[] = {
        {"a\nb.jpg", "a" + LineFeed + "b.jpg"},
        {"a\r\nb.jpg", "a" + Return + LineFeed + "b.jpg"},
        {"a\rb.jpg", "a" + Return + "b.jpg"},
        {"a" + LineFeed + "b.jpg", "a" + Quote + LineFeed + "b.jpg"},
        {"a\tb.jpg", "a\tb.jpg"},   // stored settings and memos name it so
        {"a\x1F" "b.jpg", "a\x1F" "b.jpg"},
    };
    const std::string root = TestHostFolder() + "/drive";
    WriteDriveMap(DriveMapLine("D:", root, "removable", "1", ""));
    for (const auto &c : cases)
        makeFile(root + "/" + c.host);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(WindowsPathFromHost(root + "/" + c.host), "D:\\" + c.windows);
        EXPECT_EQ(HostPathFromWindows("D:\\" + c.windows), root + "/" + c.host);
    }
}

TEST(WindowsPathFromHost, DiscoveredTableHasHomeAsCAndRootAsZ)
{
    const std::string home = TestHostFolder() + "/home";
    fs::create_directories(home + "/Pictures");
    const HomeFolder homeFolder(home);
    EXPECT_EQ(WindowsPathFromHost(home + "/Pictures"), "C:\\Pictures");
    EXPECT_EQ(HostPathFromWindows("C:\\pictures"), home + "/Pictures");
    EXPECT_EQ(WindowsPathFromHost("/"), "Z:\\");
    EXPECT_EQ(HostPathFromWindows("Z:\\"), "/");
    std::string expected = std::string("Z:") + TestHostFolder();
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(WindowsPathFromHost(TestHostFolder()), expected);
}

TEST(WindowsPathFromTyped, MapsHostPathsAndKeepsWindowsPaths)
{
    const std::string home = TestHostFolder() + "/home";
    fs::create_directories(home + "/Pictures");
    const HomeFolder homeFolder(home);
    std::string hostFolder = std::string("Z:") + TestHostFolder();
    std::replace(hostFolder.begin(), hostFolder.end(), '/', '\\');
    const struct { std::string typed; std::string windows; } cases[] = {
        {home + "/Pictures", "C:\\Pictures"},
        {"  " + home + "/Pictures/  ", "C:\\Pictures"},
        {home + "/Missing", "C:\\Missing"},   // mapped, so that it can be named
        {"~", "C:\\"},
        {"~/Pictures", "C:\\Pictures"},
        {"/", "Z:\\"},
        {TestHostFolder(), hostFolder},
        {"C:\\Pictures", "C:\\Pictures"},
        {" D:\\Photos ", "D:\\Photos"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"~user/Pictures", "~user/Pictures"},   // another user's home is not guessed
        {"Pictures", "Pictures"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(WindowsPathFromTyped(c.typed), c.windows);
    }
}
