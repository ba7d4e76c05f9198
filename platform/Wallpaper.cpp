#include "Wallpaper.h"

#include "HostPath.h"
#include "HostProcess.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string_view>

#include <unistd.h>

namespace {

enum class Desktop { Unknown, Gnome, Cinnamon, Mate, Xfce, Kde, Lxqt };

struct DesktopName
{
    std::string_view name;   // lower case
    Desktop desktop;
};

// The names desktops give themselves in XDG_CURRENT_DESKTOP and
// DESKTOP_SESSION. GNOME's relatives keep GNOME's background settings.
constexpr std::array<DesktopName, 13> DesktopNames = {{
    {"gnome", Desktop::Gnome},
    {"ubuntu", Desktop::Gnome},
    {"unity", Desktop::Gnome},
    {"budgie", Desktop::Gnome},
    {"budgie-desktop", Desktop::Gnome},
    {"pantheon", Desktop::Gnome},
    {"x-cinnamon", Desktop::Cinnamon},
    {"cinnamon", Desktop::Cinnamon},
    {"mate", Desktop::Mate},
    {"xfce", Desktop::Xfce},
    {"kde", Desktop::Kde},
    {"plasma", Desktop::Kde},
    {"lxqt", Desktop::Lxqt},
}};

// A settings tool that has not ended by then hangs.
constexpr int ToolTimeoutMs = 10000;

Desktop desktopNamed(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    for (const DesktopName &known : DesktopNames) {
        if (known.name == name)
            return known.desktop;
    }
    return Desktop::Unknown;
}

// The first desktop we know in a colon-separated list of names.
Desktop firstKnownDesktop(const char *names)
{
    std::istringstream list(names ? names : "");
    std::string name;
    while (std::getline(list, name, ':')) {
        const Desktop desktop = desktopNamed(name);
        if (desktop != Desktop::Unknown)
            return desktop;
    }
    return Desktop::Unknown;
}

Desktop runningDesktop()
{
    const Desktop desktop = firstKnownDesktop(std::getenv("XDG_CURRENT_DESKTOP"));
    return desktop != Desktop::Unknown ? desktop : firstKnownDesktop(std::getenv("DESKTOP_SESSION"));
}

// Runs a tool found through $PATH, never through a shell, and answers what it
// wrote to its standard output; nothing when it is missing, cannot start,
// does not end in time (it is killed) or ends with a status other than 0.
std::optional<QByteArray> runTool(const char *name, const QStringList &arguments)
{
    const std::string program = FindHostProgram(name);
    if (program.empty())
        return std::nullopt;
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    // A tool may leave a daemon behind: it gets no file of ours beyond the standard three.
    process.setChildProcessModifier([] { ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC); });
    process.start();
    if (!process.waitForFinished(ToolTimeoutMs))
        return std::nullopt;   // destroying the process kills one still running
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool runs(const char *name, const QStringList &arguments)
{
    return runTool(name, arguments).has_value();
}

bool setGnomeWallpaper(const QString &uri)
{
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    if (!runs("gsettings", {"set", schema, "picture-uri", uri}))
        return false;
    // The dark style's picture; older GNOME has no such key.
    runs("gsettings", {"set", schema, "picture-uri-dark", uri});
    return true;
}

// XFCE keeps one image for each monitor and workspace; empty when it lists none.
QStringList xfceImageProperties()
{
    const std::optional<QByteArray> listed = runTool("xfconf-query", {"-c", "xfce4-desktop", "-l"});
    QStringList properties;
    for (const QByteArray &line : listed.value_or(QByteArray()).split('\n')) {
        const QString property = QString::fromUtf8(line.trimmed());
        if (property.endsWith(QStringLiteral("/last-image")))
            properties.append(property);
    }
    return properties;
}

bool setXfceWallpaper(const QString &path)
{
    const QStringList properties = xfceImageProperties();
    if (properties.isEmpty())
        return false;
    for (const QString &property : properties) {
        if (!runs("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", path}))
            return false;
    }
    return true;
}

} // namespace

bool SetDesktopWallpaper(const std::string &hostPath)
{
    if (hostPath.empty() || hostPath.front() != '/')
        return false;
    const QString path = QString::fromStdString(hostPath);
    const QString uri = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    switch (runningDesktop()) {
    case Desktop::Gnome: return setGnomeWallpaper(uri);
    case Desktop::Cinnamon: return runs("gsettings", {"set", "org.cinnamon.desktop.background", "picture-uri", uri});
    case Desktop::Mate: return runs("gsettings", {"set", "org.mate.background", "picture-filename", path});
    case Desktop::Xfce: return setXfceWallpaper(path);
    case Desktop::Kde: return runs("plasma-apply-wallpaperimage", {path});
    case Desktop::Lxqt: return runs("pcmanfm-qt", {"--set-wallpaper=" + path});
    case Desktop::Unknown: break;
    }
    return false;
}

BOOL SystemParametersInfoA(UINT action, UINT, void *value, UINT)
{
    if (action != SPI_SETDESKWALLPAPER || !value)
        return FALSE;
    const std::string hostPath = HostPathFromWindows(static_cast<const char *>(value));
    return !hostPath.empty() && SetDesktopWallpaper(hostPath) ? TRUE : FALSE;
}
