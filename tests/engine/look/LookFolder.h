#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <initializer_list>

// Gives a demo program a world of its own inside folder: C: is folder's "C"
// (with the given subfolders made), installed in C:\Zilo, and the registry
// lies there too. Ends the program when the drive map cannot be written.
inline void PrepareLookFolder(const QTemporaryDir &folder, std::initializer_list<const char *> subfolders)
{
    QDir(folder.path()).mkpath("C/Zilo");
    for (const char *name : subfolders)
        QDir(folder.path()).mkpath(QStringLiteral("C/") + name);
    QFile map(folder.filePath("drives.map"));
    if (!map.open(QIODevice::WriteOnly))
        std::exit(1);
    map.write(QStringLiteral("C:\t%1\tfixed\t0012ABCD\tSystem\n").arg(folder.filePath("C")).toUtf8());
    map.close();
    ::setenv("ZILO_DRIVE_MAP", qPrintable(map.fileName()), 1);
    ::setenv("ZILO_REGISTRY", qPrintable(folder.filePath("Registry.db")), 1);
    ::setenv("ZILO_PROGRAM_FOLDER", qPrintable(folder.filePath("C/Zilo")), 1);
}
