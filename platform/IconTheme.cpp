#include "IconTheme.h"

#include <QDir>
#include <QIcon>
#include <QStringList>

#include <cstdlib>

void UseDesktopIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QStringLiteral("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    const char *dataDirs = std::getenv("XDG_DATA_DIRS");
    const QString dirs = dataDirs && *dataDirs ? QString::fromLocal8Bit(dataDirs) : QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists())
            paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
    for (const QString &path : paths) {
        if (QDir(path + QStringLiteral("/Adwaita")).exists()) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}
