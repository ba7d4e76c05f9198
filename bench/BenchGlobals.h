#pragma once

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbCache.h>
#include <platform/MessageBox.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <filesystem>
#include <fstream>

// Maps drive C: onto scratch, unless ZILO_DRIVE_MAP names a map already.
inline void MapScratchDrive(const std::filesystem::path &scratch)
{
    if (!qEnvironmentVariableIsEmpty("ZILO_DRIVE_MAP"))
        return;
    const std::filesystem::path mapFile = scratch / "drives.map";
    std::ofstream(mapFile) << "C:\t" << scratch.string() << "\tfixed\t1A2B-0001\tScratch\n";
    qputenv("ZILO_DRIVE_MAP", QByteArray::fromStdString(mapFile.string()));
}

// The program's globals for one benchmark, made once its application object
// exists: a message box takes its default answer and shows its text on
// standard error, so that no run waits for a user. The end frees what the
// program frees at its end.
class TBenchGlobals
{
public:
    TBenchGlobals()
    {
        SetMessageBoxResponder([](const QString &text, const QString &, UINT type) {
            std::fprintf(stderr, "message box: %s\n", qPrintable(text));
            return DefaultMessageBoxAnswer(type);
        });
        InitGlobals();
        InitImageLibrary();
    }
    ~TBenchGlobals()
    {
        ThumbBitmapCache.Purge(true);
        TFolderSpecificOptionsCache::SaveAll();
        TMemoList::FreeAll();
        FreeGlobals();
    }
    TBenchGlobals(const TBenchGlobals &) = delete;
    TBenchGlobals &operator=(const TBenchGlobals &) = delete;
};
