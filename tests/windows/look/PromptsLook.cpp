// Shows one of the small dialogs over drives and a registry of its own, for a
// person (or a screenshot) to look at; the dialog is named by the first
// argument or else by LOOK_DIALOG (scripts/look passes no arguments):
//   PromptsLook DriveInfo|FolderBrowser|SaveQuery|MoveBrowse|Volume|Progress|Egg
// Runs until the dialog or window is closed.

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/windows/DriveInfoForm.h>
#include <Source/windows/EggForm.h>
#include <Source/windows/FolderBrowserForm.h>
#include <Source/windows/MoveBrowseForm.h>
#include <Source/windows/ProgressForm.h>
#include <Source/windows/SaveQueryForm.h>
#include <Source/windows/VolumeForm.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

#include <cstdio>

static int showProgress()
{
    TProgressForm1 form;
    form.setWindowTitle("Updating to V2.0");
    form.Label->setText("Please wait while ZILO updates existing information...");
    form.ProgressBar->setRange(0, 26);
    form.ProgressBar->setValue(11);
    form.show();
    return QApplication::exec();
}

static int showDialog(const QString &name)
{
    if (name == "DriveInfo")
        TDriveInfoForm1::ShowFor("C:\\Photos");
    else if (name == "FolderBrowser") {
        CPath folder = "C:\\Photos\\Holidays 2001";
        TFolderBrowserForm1::Browse(folder);
    } else if (name == "SaveQuery")
        TSaveQueryForm1::Ask("C:\\Photos\\Holidays 2001");
    else if (name == "MoveBrowse")
        TMoveBrowseForm1::ShowFor("C:\\Photos");
    else if (name == "Volume")
        TVolumeForm1::Ask("Please insert the volume with serial number 1234ABCD into any drive", true);
    else if (name == "Progress")
        return showProgress();
    else if (name == "Egg") {
        TEggForm1 page;
        page.setWindowTitle("Credits");   // for scripts/look to find it
        page.ShowModal();
    }
    else
        return 2;
    return 0;
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Zilo");
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("LOOK_DIALOG");
    if (name.isEmpty()) {
        std::fprintf(stderr, "usage: PromptsLook DriveInfo|FolderBrowser|SaveQuery|MoveBrowse|Volume|Progress|Egg\n");
        return 2;
    }
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos", "Photos/Holidays 2001", "Documents"});
    QFile browseFile(folder.filePath("C/Photos/Thumbnail.zilo"));
    if (!browseFile.open(QIODevice::WriteOnly))
        return 1;
    browseFile.close();
    InitGlobals();
    const int result = showDialog(name);
    TFolderSpecificOptionsCache::SaveAll();
    FreeGlobals();
    return result;
}
