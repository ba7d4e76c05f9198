// Shows the preferences dialog on C:\Photos, over a registry and drives of its
// own, for a person (or a screenshot) to look at; with the argument (or
// LOOK_DIALOG) "jpeg", the JPEG page alone as the viewer settings open it.
//   scripts/look PreferencesLook 'User Preferences' FOLDER scripts/looks/preferences.actions
//   LOOK_DIALOG=jpeg scripts/look PreferencesLook 'JPEG Preferences' FOLDER

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/tools/OptionForm.h>
#include <Source/tools/RegisterTools.h>
#include <lib/Path.h>
#include <lib/ProductInfo.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProductName);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("LOOK_DIALOG");
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos"});
    // The data files the program ships with, from beside this program.
    for (const char *name : {"Texture1.jpg", "Quality.bmp"})
        QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(name), folder.filePath(QStringLiteral("C/Zilo/") + name));
    InitGlobals();
    InitImageLibrary();
    RegisterTools();
    if (what == "jpeg")
        TOptionForm1::ShowPage(nullptr, TOptionForm1::JpegPage);
    else
        TOptionForm1(nullptr, -1, CPath("C:\\Photos")).ShowModal();
    TFolderSpecificOptionsCache::SaveAll();
    FreeGlobals();
    return 0;
}
