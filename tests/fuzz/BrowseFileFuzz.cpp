// The browse-file reader on arbitrary bytes: a whole load of a folder's
// browse file, records and thumbnails included, then the reading of its
// folder record alone. The folder is C:\Pics, whose drive's serial the
// seeds' stored folders name. The loader runs on the window thread, so what
// it sends reaches the owner directly and what it posts once the load is over.

#include "EngineFuzzSetup.h"

#include <Source/engine/BrowseFile.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <platform/Exception.h>
#include <platform/Messages.h>

#include <QCoreApplication>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

const CPath PicsFolder("C:\\Pics");
const CPath BrowseFilePath("C:\\Pics\\Thumbnail.zilo");

QString browseFileHostPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    browseFileHostPath = SetUpEngineForFuzzing(argc, argv) + QStringLiteral("/Pics/Thumbnail.zilo");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzInput(browseFileHostPath, data, qint64(size));
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
