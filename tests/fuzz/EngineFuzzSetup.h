#pragma once

// The set-up the engine's readers need, for their fuzz targets: offscreen
// Qt, a temporary C: drive (serial 0012ABCD) holding the registry, the
// program folder and the folder C:\Pics, the program's globals, and message
// boxes that take their default answers. Once per process; never torn down,
// since a fuzzer ends with exit().

#include <Source/Glob.h>
#include <platform/MessageBox.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

// Writes size bytes at data to the host file at path; aborts when it cannot,
// since no input would then reach the reader.
inline void WriteFuzzInput(const QString &path, const void *data, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(static_cast<const char *>(data), size) != size)
        std::abort();
}

// Answers the host folder of C:.
inline QString SetUpEngineForFuzzing(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication *application = new QApplication(*argc, *argv);
    (void)application;
    static QTemporaryDir *drive = new QTemporaryDir;
    const QString root = drive->path();
    QDir(root).mkpath(QStringLiteral("Program"));
    QDir(root).mkpath(QStringLiteral("Pics"));
    qputenv("ZILO_REGISTRY", (root + QStringLiteral("/Registry.db")).toUtf8());
    qputenv("ZILO_PROGRAM_FOLDER", (root + QStringLiteral("/Program")).toUtf8());
    const QByteArray map = "C:\t" + root.toUtf8() + "\tfixed\t0012ABCD\tSystem\n";
    WriteFuzzInput(root + QStringLiteral("/Drives.txt"), map.constData(), map.size());
    qputenv("ZILO_DRIVE_MAP", (root + QStringLiteral("/Drives.txt")).toUtf8());
    SetMessageBoxResponder([](const QString &, const QString &, UINT type) { return DefaultMessageBoxAnswer(type); });
    InitGlobals();
    InitImageLibrary();
    return root;
}
