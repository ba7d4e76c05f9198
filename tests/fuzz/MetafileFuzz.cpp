// The metafile reader (EMF and WMF) on arbitrary bytes. It reads a file by
// name, so each input is written to a file of a temporary folder first.

#include "FuzzInputFile.h"

#include <lib/imaging/ImgLib.h>

#include <QGuiApplication>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

const FuzzInputFile &input()
{
    static const FuzzInputFile file(QStringLiteral("input"));
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt SVG paints the converted picture, and the EMF converter's fonts are Qt's too.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the fuzzer ends with exit(), and a static application
    // torn down after Qt's own statics leaves its font caches behind.
    static QGuiApplication *application = new QGuiApplication(*argc, *argv);
    (void)application;
    ImgInitialize(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!input().write(data, size))
        return 0;
    uint32_t width = 64, height = 64;
    if (HGLOBAL rgb = ImgReadMetafileToRGB(input().path().c_str(), &width, &height, 0))
        GlobalFree(rgb);
    return 0;
}
