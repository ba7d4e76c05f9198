// The metafile reader (EMF and WMF) on arbitrary bytes. It reads a file by
// name, so each input is written to a file of a temporary folder first.

#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>

#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

std::unique_ptr<QTemporaryDir> inputFolder;
QString inputPath;
std::string inputWindowsPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt SVG paints the converted picture, and the EMF converter's fonts are Qt's too.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the fuzzer ends with exit(), and a static application
    // torn down after Qt's own statics leaves its font caches behind.
    static QGuiApplication *application = new QGuiApplication(*argc, *argv);
    (void)application;
    inputFolder = std::make_unique<QTemporaryDir>();
    inputPath = inputFolder->filePath(QStringLiteral("input"));
    inputWindowsPath = WindowsPathFromHost(inputPath.toStdString());
    ImgInitialize(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(inputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    uint32_t width = 64, height = 64;
    if (HGLOBAL rgb = ImgReadMetafileToRGB(inputWindowsPath.c_str(), &width, &height, 0))
        GlobalFree(rgb);
    return 0;
}
