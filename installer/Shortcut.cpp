#include "Shortcut.h"

#include "SetupData.h"

#include <platform/CommandLine.h>
#include <platform/DesktopEntry.h>
#include <platform/Exception.h>
#include <platform/Files.h>

#include <QStringList>

namespace {

const char ShortcutError[] = "Error while processing shortcut";

std::string joined(const std::string &folder, const std::string &name)
{
    return FullPath(QString::fromStdString(folder), QString::fromStdString(name)).toStdString();
}

// A file name for a new entry that is not taken yet.
std::string freeEntryPath(const std::string &folder, const std::string &linkName)
{
    std::string path = joined(folder, DesktopEntryFileName(linkName));
    for (int n = 2; GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        path = joined(folder, DesktopEntryFileName(linkName + ' ' + std::to_string(n)));
    return path;
}

// The shortcuts of specialFolder named linkName with what they start. A
// hidden entry (a file type's handler) is no shortcut, whatever its name.
std::vector<std::pair<std::string, DesktopEntry>> shortcutsNamed(int specialFolder, const QString &linkName)
{
    std::vector<std::pair<std::string, DesktopEntry>> shortcuts;
    const std::string folder = SpecialFolderPath(specialFolder);
    if (folder.empty())
        throw Exception(ShortcutError);
    for (const std::string &path : FindDesktopEntries(folder, linkName.toStdString())) {
        auto entry = ReadDesktopEntry(path);
        if (entry && !entry->noDisplay)
            shortcuts.emplace_back(path, std::move(*entry));
    }
    return shortcuts;
}

} // namespace

QString FindOrCreateShortcut(QWidget *, const QString &target, const QString &arguments, bool create,
                             int specialFolder, const QString &linkName, int, const QString &iconFile)
{
    const auto found = shortcutsNamed(specialFolder, linkName);
    if (!found.empty())
        return QString::fromStdString(found.back().first);
    if (!create)
        return QString();

    DesktopEntry entry;
    entry.name = linkName.toStdString();
    entry.program = target.toStdString();
    if (!arguments.isEmpty())
        entry.arguments = SplitCommandLine(arguments.toStdString());
    const qsizetype backslash = target.lastIndexOf(u'\\');
    if (backslash > 0)
        entry.workingFolder = target.left(backslash).toStdString();
    entry.icon = iconFile.toStdString();
    const std::string path = freeEntryPath(SpecialFolderPath(specialFolder), entry.name);
    if (!WriteDesktopEntry(path, entry))
        throw Exception(ShortcutError);
    return QString::fromStdString(path);
}

QStringList FindShortcutsTo(int specialFolder, const QString &linkName, const QString &target)
{
    QStringList ours;
    try {
        for (const auto &[path, entry] : shortcutsNamed(specialFolder, linkName)) {
            if (SameWindowsPath(QString::fromStdString(entry.program), target))
                ours.append(QString::fromStdString(path));
        }
    } catch (const Exception &) {
        // no such folder: no shortcut in it
    }
    return ours;
}
