// The memo-file reader on arbitrary bytes: the memo file of C:\Pics is read
// again for each input, then the memos of a file and of the folder itself
// are unpacked into their lines.

#include "EngineFuzzSetup.h"

#include <Source/engine/Memo.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const CPath PicsFolder("C:\\Pics");
const CPath PictureFile("C:\\Pics\\a.jpg");

QString memoFileHostPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    SetUpEngineForFuzzing(argc, argv);
    // A first memo gives the folder its memo file, whose name the settings keep.
    TStringList lines;
    lines.Add(QStringLiteral("Beach"));
    CMemo(PictureFile).SetLines(lines);
    TMemoList::FreeAll();
    const QDir data(QString::fromStdString(HostPathFromWindows(DataFolder().ToAnsiString().toStdString())));
    const QStringList files = data.entryList({QStringLiteral("*.dat")}, QDir::Files);
    if (files.size() != 1)
        std::abort();
    memoFileHostPath = data.filePath(files.first());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzInput(memoFileHostPath, data, qint64(size));
    {
        CMemo file(PictureFile);
        file.GetLines();
        CMemo folder(PicsFolder, "Folder");
        folder.GetLines();
        TMemoList::GetTotals();
    }
    // The next input is read from its file again, and nothing is left at the exit.
    TMemoList::FreeAll();
    return 0;
}
