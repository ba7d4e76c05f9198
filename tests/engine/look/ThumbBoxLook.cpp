// Shows a thumbnail box of a made-up folder: pictures of several colours and
// shapes, some selected, two cut, and records not yet built or failed, for a
// person (or a screenshot) to look at. Runs until its window is closed.

#include "LookFolder.h"
#include "LookPictures.h"

#include <Source/Glob.h>
#include <Source/engine/WindowHooks.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <lib/imaging/ImgLib.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <vector>

namespace {

// A JPEG of one hue, growing more saturated to the right and lighter downwards.
std::vector<uint8_t> gradientJpeg(uint32_t width, uint32_t height, int hue)
{
    return LookJpeg(width, height, [&](uint32_t x, uint32_t y) {
        return QColor::fromHsv(hue, 140 + int(80 * x / width), 120 + int(120 * y / height));
    });
}

// A light paper of fine grain, as the panel texture that an installation brings.
std::vector<uint8_t> paperJpeg()
{
    uint32_t seed = 12345;
    return LookJpeg(128, 128, [&](uint32_t, uint32_t) {
        seed = seed * 1103515245 + 12345;
        const int grain = int((seed >> 16) % 13) - 6;
        return QColor(226 + grain, 222 + grain, 212 + grain);
    });
}

class LookOwner : public ThumbBoxOwner
{
public:
    CPath Folder() const override { return CPath("C:\\Pics"); }
    bool ShowsPictures() const override { return true; }
};

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
    if (!WriteLookFile(folder.filePath("C/Zilo/Texture1.jpg"), paperJpeg()))
        return 1;
    {
        LookOwner owner;
        TThumbBox box(&owner);
        box.setWindowTitle("Thumbnails");
        box.setGeometry(40, 40, 760, 520);
        std::vector<CThumbBitmap *> records;
        for (int index = 0; index < 40; ++index) {
            const QString name = QStringLiteral("photo %1.jpg").arg(index, 2, 10, QChar('0'));
            const bool tall = index % 4 == 3;
            const int hue = index * 29 % 360;
            if (!WriteLookFile(folder.filePath("C/Pics/" + name), gradientJpeg(tall ? 480 : 640, tall ? 640 : 480, hue)))
                return 1;
            auto *record = new CThumbBitmap(CThumbBitmap::FromFile, CPath(CString("C:\\Pics\\" + name)));
            records.push_back(record);
            if (index % 13 != 5 && record->ClaimForLoading()) {
                const CSize size = record->GetThumbnailSize();
                const bool failed = index % 13 == 11;
                record->EndLoading(failed ? TThumbState::Failed : TThumbState::Loaded,
                                   failed ? std::vector<uint8_t>()
                                          : gradientJpeg(uint32_t(size.cx), uint32_t(size.cy), hue));
            }
        }
        // Shown only once the pictures are made, so that it is never seen unpainted.
        box.show();
        box.ResetLayout();
        for (int index = 0; index < int(records.size()); ++index) {
            TThumbnail *thumbnail = box.AddThumbnail(records[size_t(index)]);
            thumbnail->SetSelected(index == 2 || index == 3 || index == 9);
            thumbnail->SetCutMark(index == 9 || index == 10);
        }
        application.exec();
        box.DeleteAllThumbnails();
        for (CThumbBitmap *record : records)
            record->Release();
    }
    FreeGlobals();
    return 0;
}
