// The browse-file reader on arbitrary bytes: a whole load of a folder's
// browse file, records and thumbnails included, then the reading of its
// folder record alone. The folder is C:\Pics of a temporary drive whose
// serial the seeds' stored folders name; the loader runs on the window
// thread, so what it sends reaches the owner directly and what it posts
// once the load is over; every message box takes its default answer.

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <lib/Drive.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>
#include <platform/Messages.h>

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const CPath PicsFolder("C:\\Pics");
const CPath BrowseFilePath("C:\\Pics\\Thumbnail.zilo");

std::unique_ptr<QTemporaryDir> driveFolder;
QString browseFileHostPath;

void writeHostFile(const QString &path, const char *data, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(data, size);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the fuzzer ends with exit(), after Qt's own statics.
    static QApplication *application = new QApplication(*argc, *argv);
    (void)application;
    driveFolder = std::make_unique<QTemporaryDir>();
    const QString root = driveFolder->path();
    QDir(root).mkpath(QStringLiteral("Program"));
    QDir(root).mkpath(QStringLiteral("Pics"));
    qputenv("ZILO_REGISTRY", (root + QStringLiteral("/Registry.db")).toUtf8());
    qputenv("ZILO_PROGRAM_FOLDER", (root + QStringLiteral("/Program")).toUtf8());
    const QByteArray map = "C:\t" + root.toUtf8() + "\tfixed\t0012ABCD\tSystem\n";
    writeHostFile(root + QStringLiteral("/Drives.txt"), map.constData(), map.size());
    qputenv("ZILO_DRIVE_MAP", (root + QStringLiteral("/Drives.txt")).toUtf8());
    browseFileHostPath = root + QStringLiteral("/Pics/Thumbnail.zilo");
    SetMessageBoxResponder([](const QString &, const QString &, UINT type) { return DefaultMessageBoxAnswer(type); });
    InitGlobals();
    InitImageLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    writeHostFile(browseFileHostPath, reinterpret_cast<const char *>(data), qint64(size));
    {
        CMessageWindow owner([](UINT, WPARAM, LPARAM) { return LRESULT(0); });
        auto *context = new CThumbProgressContext(owner.Handle(), nullptr);
        {
            CBrowseFile browseFile(PicsFolder);
            browseFile.Load(context);
        }
        // The records the load posted reach the owner, which lets them go.
        QCoreApplication::sendPostedEvents();
        context->Release();
    }
    // The next input finds no record of this one in the cache.
    ThumbBitmapCache.Purge(true);
    try {
        ReadBrowseFileFolder(BrowseFilePath);
    } catch (const Exception &) {
    }
    return 0;
}
