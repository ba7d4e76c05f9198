// Shows one of the file commands' dialogs over a made-up folder of pictures,
// for a person (or a screenshot) to look at:
//   FileDialogsLook Collision|Delete|DeleteFolder|Target|NewFolder|SaveAs
// or, for scripts/look, which passes no argument, with the name in LOOK_DIALOG:
//   LOOK_DIALOG=Target scripts/look FileDialogsLook 'Copy To Folder' FOLDER
// Runs until the dialog is closed.

#include "../../engine/look/LookFolder.h"
#include "../../engine/look/LookPictures.h"

#include <Source/Glob.h>
#include <Source/engine/WindowHooks.h>
#include <Source/windows/CollisionForm.h>
#include <Source/windows/DeleteForm.h>
#include <Source/windows/NewFolderForm.h>
#include <Source/windows/TargetForm.h>
#include <Source/engine/FileHandler.h>
#include <lib/imaging/ImgLib.h>
#include <lib/imaging/Picture.h>
#include <platform/FileDialog.h>
#include <platform/StringList.h>

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A JPEG of one hue, lighter towards its bottom right.
bool writePicture(const QString &hostPath, uint32_t width, uint32_t height, int hue)
{
    return WriteLookFile(hostPath, LookJpeg(width, height, [&](uint32_t x, uint32_t y) {
        return QColor::fromHsv(hue, 200, 100 + int(150 * (x + y) / (width + height)));
    }));
}

int showDialog(const char *name)
{
    if (!name)
        name = "";
    const CPath source("C:\\Pictures\\Holiday 2001\\Beach at sunset.jpg");
    const CPath destination("C:\\Pictures\\Best of\\Beach at sunset.jpg");
    if (std::strcmp(name, "Collision") == 0)
        return TCollisionForm1::Ask(source, destination);
    if (std::strcmp(name, "Delete") == 0) {
        TImageHandler file(source, false);
        return ConfirmDeleteFiles(file, true);
    }
    if (std::strcmp(name, "DeleteFolder") == 0)
        return ConfirmDeleteFolder("C:\\Pictures\\Holiday 2001");
    if (std::strcmp(name, "Target") == 0) {
        TStringList files;
        files.Add(source.ToAnsiString());
        files.Add(destination.ToAnsiString());
        TargetFolderRequest request;
        request.files = &files;
        request.caption = "Copy To Folder";
        request.actionCaption = "&Copy";
        request.folderLabel = " Folder to copy to: ";
        CPath folder("C:\\Pictures\\Best of");
        return TTargetForm1::Choose(request, folder);
    }
    if (std::strcmp(name, "NewFolder") == 0)
        return !TNewFolderForm1::Ask("C:\\Pictures\\Holiday 2001").IsEmpty();
    if (std::strcmp(name, "SaveAs") == 0) {
        TSaveDialog dialog;
        dialog.Filter = CPicture::Filter(true).c_str();
        dialog.FilterIndex = CPicture::FilterIndexFromExt(".jpg");
        dialog.FileName = source.c_str();
        dialog.DefaultExt = "jpg";
        dialog.Options = ofOverwritePrompt | ofPathMustExist;
        const bool saved = dialog.Execute();
        std::printf("file %s, filter %d\n", dialog.FileName.c_str(), dialog.FilterIndex);
        return saved ? 1 : 0;
    }
    std::fprintf(stderr, "usage: FileDialogsLook Collision|Delete|DeleteFolder|Target|NewFolder|SaveAs\n");
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Pictures/Holiday 2001", "Pictures/Best of"});
    InitGlobals();
    InitImageLibrary();
    if (!writePicture(folder.filePath("C/Pictures/Holiday 2001/Beach at sunset.jpg"), 640, 480, 20)
        || !writePicture(folder.filePath("C/Pictures/Best of/Beach at sunset.jpg"), 480, 640, 210))
        return 1;
    const int answer = showDialog(argc > 1 ? argv[1] : std::getenv("LOOK_DIALOG"));
    std::printf("answer %d\n", answer);
    FreeGlobals();
    return answer < 0 ? 1 : 0;
}
