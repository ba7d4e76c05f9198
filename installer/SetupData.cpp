#include "SetupData.h"

#include <lib/String.h>
#include <platform/DesktopFileTypes.h>
#include <platform/StringList.h>

QString FullPath(const QString &folder, const QString &name)
{
    return CString::MakeFullPath(CString(folder), CString(name)).ToAnsiString();
}

QString NumberedValue(const TStrings &data, const char *name, int number)
{
    return data.Value(QString::fromUtf8(name) + QString::number(number));
}

QString SettingsKey(const TStrings &data)
{
    return QStringLiteral("Software\\%1\\%2").arg(data.Value(QStringLiteral("CompanyName")),
                                                 data.Value(QStringLiteral("AppName")));
}

QString UninstallKey(const QString &appName)
{
    return QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%1").arg(appName);
}

QString SoundEventsKey(const QString &appName)
{
    return QStringLiteral("AppEvents\\Schemes\\Apps\\%1").arg(appName);
}

QString SoundEventKey(const QString &appName, const QString &event)
{
    return QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current").arg(appName, event);
}

static bool isKeyName(const QString &name)
{
    return !name.trimmed().isEmpty() && !name.contains(u'\\');
}

QString SharedKeyProblem(const TStrings &data)
{
    for (const char *name : {"AppName", "CompanyName"}) {
        if (!isKeyName(data.Value(QString::fromUtf8(name))))
            return QStringLiteral("It names no %1.").arg(QString::fromUtf8(name));
    }
    for (int n = 1; !NumberedValue(data, "FilterExt", n).isEmpty(); ++n) {
        const QString extension = NumberedValue(data, "FilterExt", n);
        if (!extension.startsWith(u'.') || extension.size() < 2 || !isKeyName(extension))
            return QStringLiteral("FilterExt%1 is no extension with its leading point.").arg(n);
        if (!IsDesktopFileTypeId(NumberedValue(data, "FileTypeId", n).toStdString()))
            return QStringLiteral("FileTypeId%1 is no file type name.").arg(n);
    }
    return QString();
}

QString UninstallEntryName(const QString &appName)
{
    return QStringLiteral("Uninstall %1").arg(appName);
}

bool SameWindowsPath(const QString &path, const QString &file)
{
    return !path.isEmpty() && path.compare(file, Qt::CaseInsensitive) == 0;
}
