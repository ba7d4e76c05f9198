// Shows the dialogs about one file or folder (rename, image properties,
// folder properties, memo replacement) over a made-up folder of pictures with
// memos, for a person (or a screenshot) to look at. The dialogs named on the
// command line (Rename, Properties, FolderProperties, MemoReplace), or all
// four, each at a place of its own (scripts/look, which passes no argument,
// may name one in LOOK_DIALOG). Runs until the last is closed.

#include "../../engine/look/LookFolder.h"
#include "../../engine/look/LookPictures.h"

#include <Source/Glob.h>
#include <Source/engine/Memo.h>
#include <Source/windows/FolderPropertiesForm.h>
#include <Source/windows/MemoReplaceForm.h>
#include <Source/windows/PropertiesForm.h>
#include <Source/windows/RenameForm.h>
#include <lib/imaging/ImgLib.h>
#include <platform/StringList.h>

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

// A JPEG of a sky of hue over a darker sea.
bool writeSeascape(const QString &path, uint32_t width, uint32_t height, int hue)
{
    return WriteLookFile(path, LookJpeg(width, height, [&](uint32_t, uint32_t y) {
        return y < height * 3 / 5 ? QColor::fromHsv(hue, 90 + int(100 * y / height), 240)
                                  : QColor::fromHsv((hue + 20) % 360, 200, 160 - int(60 * y / height));
    }));
}

TStringList lines(const QStringList &texts)
{
    TStringList list;
    for (const QString &text : texts)
        list.Add(text);
    return list;
}

std::unique_ptr<TModalForm1> makeDialog(const QString &name)
{
    if (name == "Rename") {
        auto dialog = std::make_unique<TRenameForm1>(nullptr, TImageHandler(CPath("C:\\Pics\\Sunset.jpg"), true));
        dialog->NewNameEdit->setText("Sunset.beach");   // shows the warning
        return dialog;
    }
    if (name == "Properties")
        return std::make_unique<TPropertiesForm1>(nullptr, TImageHandler(CPath("C:\\Pics\\Harbour.jpg"), true), true);
    if (name == "FolderProperties") {
        auto dialog = std::make_unique<TFolderPropertiesForm1>(nullptr, CPath("C:\\Pics"));
        dialog->SetMemoType(1);
        return dialog;
    }
    if (name == "MemoReplace")
        return std::make_unique<TMemoReplaceForm1>(nullptr, CPath("C:\\Pics\\Harbour.jpg"),
                                                   lines({"Harbour at dawn,", "from the lighthouse"}),
                                                   lines({"Harbour, 1998"}));
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Pics"});
    InitGlobals();
    InitImageLibrary();
    const QString pics = folder.filePath("C/Pics/");
    if (!writeSeascape(pics + "Sunset.jpg", 640, 480, 20) || !writeSeascape(pics + "Harbour.jpg", 480, 640, 200)
        || !writeSeascape(pics + "Cliffs.jpg", 800, 600, 120))
        return 1;
    QFile notes(pics + "notes.txt");
    if (!notes.open(QIODevice::WriteOnly) || notes.write("a few words\n") < 0)
        return 1;
    notes.close();
    CMemo(CPath("C:\\Pics\\Harbour.jpg")).SetLines(lines({"Harbour at dawn,", "from the lighthouse"}));
    CMemo(CPath("C:\\Pics"), "Folder").SetLines(lines({"Summer 1998 on the coast"}));
    CMemo(CPath("C:\\Pics"), "HTML").SetLines(lines({"<b>Summer</b> on the coast"}));

    QStringList names = application.arguments().mid(1);
    if (names.isEmpty() && !qEnvironmentVariableIsEmpty("LOOK_DIALOG"))
        names = {qEnvironmentVariable("LOOK_DIALOG")};
    if (names.isEmpty())
        names = {"Rename", "Properties", "FolderProperties", "MemoReplace"};
    const QPoint places[] = {{10, 10}, {470, 10}, {10, 330}, {540, 390}};
    std::vector<std::unique_ptr<TModalForm1>> dialogs;
    for (const QString &name : names) {
        std::unique_ptr<TModalForm1> dialog = makeDialog(name);
        if (!dialog)
            return 2;
        dialog->move(places[dialogs.size() % 4]);
        dialog->show();
        dialogs.push_back(std::move(dialog));
    }
    application.exec();
    // The newest first, as the chain of open dialogs wants.
    while (!dialogs.empty())
        dialogs.pop_back();
    TMemoList::FreeAll();
    FreeGlobals();
    return 0;
}
