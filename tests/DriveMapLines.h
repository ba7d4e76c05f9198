#pragma once

#include <QString>
#include <QStringList>

#include <string>

// One line of a drive map from its fields (tab-separated; see platform/DriveMap.h).
inline QString DriveMapLine(const QStringList &fields)
{
    QString line = fields.join(u'\t');
    line.append(u'\n');
    return line;
}

// A drive map line for a host folder with the usual fields.
inline QString DriveMapLine(const QString &letter, const std::string &hostFolder, const QString &type,
                            const QString &serial, const QString &label)
{
    return DriveMapLine({letter, QString::fromStdString(hostFolder), type, serial, label});
}
