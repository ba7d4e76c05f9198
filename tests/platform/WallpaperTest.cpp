#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/Wallpaper.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The settings tools of every desktop, faked in a folder of the test's own
// first in PATH. Each appends its name and arguments, separated by tabs, as a
// line of one log; prints the file "<name>.out" of its folder when there is
// one; and ends with the status on the line of "statuses" numbered like its
// call (0 when there is none). The desktop variables are unset.
class WallpaperTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_bin);
        for (const char *tool : {"gsettings", "xfconf-query", "plasma-apply-wallpaperimage", "pcmanfm-qt"})
            addTool(tool);
        setXfceListing(TwoMonitors);
        m_environment.set("PATH", m_bin + ":/usr/bin:/bin");
        m_environment.unset("XDG_CURRENT_DESKTOP");
        m_environment.unset("DESKTOP_SESSION");
    }

    // The log, one call a line; the list of a test that ran nothing is empty.
    std::vector<std::string> calls() const
    {
        std::vector<std::string> lines;
        const QByteArray log = ReadHostFile(logPath());
        for (const QByteArray &line : log.split('\n')) {
            if (!line.isEmpty())
                lines.push_back(line.toStdString());
        }
        return lines;
    }

    void forgetCalls() const
    {
        fs::remove(logPath());
        fs::remove(statusesPath());
    }

    // One exit status a line, for the calls in order.
    void setStatuses(const std::string &statuses) const
    {
        WriteHostFile(statusesPath(), QByteArray::fromStdString(statuses));
    }

    void setXfceListing(const std::string &properties) const
    {
        WriteHostFile(m_bin + "/xfconf-query.out", QByteArray::fromStdString(properties));
    }

    // A call as the log shows it.
    static std::string call(std::initializer_list<std::string> words)
    {
        std::string line;
        for (const std::string &word : words)
            line += (line.empty() ? "" : "\t") + word;
        return line;
    }

    static constexpr char TwoMonitors[] = "/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"
                                          "/backdrop/screen0/monitorVGA-1/workspace0/image-style\n"
                                          "/backdrop/screen0/monitoreDP-1/workspace1/last-image\n";

    const std::string m_bin = TestHostFolder() + "/bin";

private:
    std::string logPath() const { return TestHostFolder() + "/calls.log"; }
    std::string statusesPath() const { return TestHostFolder() + "/statuses"; }

    void addTool(const std::string &name) const
    {
        const std::string path = m_bin + '/' + name;
        WriteHostFile(path, QByteArray::fromStdString(
                                "#!/bin/sh\n"
                                "{ printf '%s' \"${0##*/}\"; printf '\\t%s' \"$@\"; printf '\\n'; } >> '" + logPath() + "'\n"
                                "call=$(wc -l < '" + logPath() + "')\n"
                                "cat \"$0.out\" 2>/dev/null\n"
                                "status=$(sed -n \"${call}p\" '" + statusesPath() + "' 2>/dev/null)\n"
                                "exit \"${status:-0}\"\n"));
        fs::permissions(path, fs::perms::owner_all);
    }

    ScopedEnvironment m_environment;
};

// Sets the desktop variables for one case; a null value unsets one.
void setDesktop(ScopedEnvironment &environment, const char *current, const char *session)
{
    current ? environment.set("XDG_CURRENT_DESKTOP", current) : environment.unset("XDG_CURRENT_DESKTOP");
    session ? environment.set("DESKTOP_SESSION", session) : environment.unset("DESKTOP_SESSION");
}

} // namespace

TEST_F(WallpaperTest, EachDesktopIsSetWithItsOwnTool)
{
    // A space, a "#" and a letter beyond ASCII: the URI escapes them, the plain path keeps them.
    const std::string path = TestHostFolder() + "/My Pictures/Zilo Wallpaper#1 \xC3\xA9.bmp";
    const std::string uri = "file://" + TestHostFolder() + "/My%20Pictures/Zilo%20Wallpaper%231%20%C3%A9.bmp";
    const std::vector<std::string> gnome = {
        call({"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}),
        call({"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}),
    };
    const std::vector<std::string> xfce = {
        call({"xfconf-query", "-c", "xfce4-desktop", "-l"}),
        call({"xfconf-query", "-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitorVGA-1/workspace0/last-image", "-s", path}),
        call({"xfconf-query", "-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitoreDP-1/workspace1/last-image", "-s", path}),
    };
    const std::vector<std::string> kde = {call({"plasma-apply-wallpaperimage", path})};
    const struct
    {
        const char *current;   // XDG_CURRENT_DESKTOP, or null for none
        const char *session;   // DESKTOP_SESSION, or null for none
        std::vector<std::string> expected;
    } cases[] = {
        {"GNOME", nullptr, gnome},
        {"ubuntu:GNOME", nullptr, gnome},
        {"Budgie:GNOME", nullptr, gnome},
        {"Unity", nullptr, gnome},
        {"Pantheon", nullptr, gnome},
        {"X-Cinnamon", nullptr, {call({"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", uri})}},
        {"MATE", nullptr, {call({"gsettings", "set", "org.mate.background", "picture-filename", path})}},
        {"XFCE", nullptr, xfce},
        {"KDE", nullptr, kde},
        {"LXQt", nullptr, {call({"pcmanfm-qt", "--set-wallpaper=" + path})}},
        {"sway:kde", "gnome", kde},   // the first name we know, without case
        {nullptr, "plasma", kde},
        {"Hyprland", "xfce", xfce},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.current ? c.current : "(none)") + " / " + (c.session ? c.session : "(none)"));
        ScopedEnvironment desktop;
        setDesktop(desktop, c.current, c.session);
        forgetCalls();
        EXPECT_TRUE(SetDesktopWallpaper(path));
        EXPECT_EQ(calls(), c.expected);
    }
}

TEST_F(WallpaperTest, AFailingToolAnswersFalse)
{
    const struct
    {
        const char *name;
        const char *desktop;
        const char *statuses;   // of the calls in order
        const char *xfceListing;
        bool expected;
        size_t callCount;
    } cases[] = {
        {"the picture is refused", "GNOME", "1\n", TwoMonitors, false, 1},
        {"only the dark picture is refused (older GNOME)", "GNOME", "0\n1\n", TwoMonitors, true, 2},
        {"Cinnamon", "X-Cinnamon", "4\n", TwoMonitors, false, 1},
        {"MATE", "MATE", "1\n", TwoMonitors, false, 1},
        {"the listing fails", "XFCE", "1\n", TwoMonitors, false, 1},
        {"one monitor is refused", "XFCE", "0\n0\n1\n", TwoMonitors, false, 3},
        {"no image is listed", "XFCE", "", "/backdrop/screen0/monitorVGA-1/workspace0/image-style\n", false, 1},
        {"KDE", "KDE", "1\n", TwoMonitors, false, 1},
        {"LXQt", "LXQt", "2\n", TwoMonitors, false, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnvironment desktop;
        setDesktop(desktop, c.desktop, nullptr);
        forgetCalls();
        setStatuses(c.statuses);
        setXfceListing(c.xfceListing);
        EXPECT_EQ(SetDesktopWallpaper(m_bin + "/wallpaper.bmp"), c.expected);
        EXPECT_EQ(calls().size(), c.callCount);
    }
}

TEST_F(WallpaperTest, AMissingToolAnswersFalse)
{
    const std::string empty = TestHostFolder() + "/empty";
    fs::create_directories(empty);
    for (const char *current : {"GNOME", "X-Cinnamon", "MATE", "XFCE", "KDE", "LXQt"}) {
        SCOPED_TRACE(current);
        ScopedEnvironment desktop;
        setDesktop(desktop, current, nullptr);
        desktop.set("PATH", empty);
        EXPECT_FALSE(SetDesktopWallpaper(m_bin + "/wallpaper.bmp"));
    }
}

TEST_F(WallpaperTest, AnUnknownDesktopOrARelativePathRunsNothing)
{
    const struct
    {
        const char *current;
        const char *session;
        std::string path;
    } cases[] = {
        {nullptr, nullptr, m_bin + "/wallpaper.bmp"},
        {"Sway", nullptr, m_bin + "/wallpaper.bmp"},
        {"", "i3", m_bin + "/wallpaper.bmp"},
        {"GNOME-Flashback-X", "gnomish", m_bin + "/wallpaper.bmp"},
        {"GNOME", nullptr, "wallpaper.bmp"},
        {"GNOME", nullptr, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.current ? c.current : "(none)") + " " + c.path);
        ScopedEnvironment desktop;
        setDesktop(desktop, c.current, c.session);
        EXPECT_FALSE(SetDesktopWallpaper(c.path));
        EXPECT_TRUE(calls().empty());
    }
}

TEST_F(WallpaperTest, TheSystemParameterTakesAWindowsPath)
{
    ScopedEnvironment desktop;
    setDesktop(desktop, "KDE", nullptr);
    const std::string windowsPath = TestWindowsPath(QStringLiteral("bin\\wallpaper.bmp")).toStdString();
    EXPECT_TRUE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char *>(windowsPath.c_str()), SPIF_UPDATEINIFILE));
    EXPECT_EQ(calls(), std::vector<std::string>{call({"plasma-apply-wallpaperimage", m_bin + "/wallpaper.bmp"})});
    forgetCalls();
    EXPECT_FALSE(SystemParametersInfoA(SPI_SETDESKWALLPAPER + 1, 0, const_cast<char *>(windowsPath.c_str()), 0));
    EXPECT_TRUE(calls().empty()) << "only the wallpaper is a parameter here";
}
