// Shows a thumbnail box of a made-up folder: pictures of several colours and
// shapes, some selected, two cut, and records not yet built or failed, for a
// person (or a screenshot) to look at. Runs until its window is closed.

#include "LookFolder.h"

#include <Source/Glob.h>
#include <Source/WindowHooks.h>
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
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const QColor colour = QColor::fromHsv(hue, 140 + int(80 * x / width), 120 + int(120 * y / height));
            uint8_t *pixel = &rgb[(size_t(y) * width + x) * 3];
            pixel[0] = uint8_t(colour.red());
            pixel[1] = uint8_t(colour.green());
            pixel[2] = uint8_t(colour.blue());
        }
    }
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
}

// A light paper of fine grain, as the panel texture that an installation brings.
std::vector<uint8_t> paperJpeg()
{
    constexpr uint32_t side = 128;
    std::vector<uint8_t> rgb(size_t(side) * side * 3);
    uint32_t seed = 12345;
    for (size_t pixel = 0; pixel < size_t(side) * side; ++pixel) {
        seed = seed * 1103515245 + 12345;
        const int grain = int((seed >> 16) % 13) - 6;
        rgb[pixel * 3] = uint8_t(226 + grain);
        rgb[pixel * 3 + 1] = uint8_t(222 + grain);
        rgb[pixel * 3 + 2] = uint8_t(212 + grain);
    }
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), side, side, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
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
    QFile texture(folder.filePath("C/Zilo/Texture1.jpg"));
    const std::vector<uint8_t> paper = paperJpeg();
    if (!texture.open(QIODevice::WriteOnly)
        || texture.write(reinterpret_cast<const char *>(paper.data()), qint64(paper.size())) != qint64(paper.size()))
        return 1;
    texture.close();
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
            const std::vector<uint8_t> photo = gradientJpeg(tall ? 480 : 640, tall ? 640 : 480, hue);
            QFile file(folder.filePath("C/Pics/" + name));
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            file.write(reinterpret_cast<const char *>(photo.data()), qint64(photo.size()));
            file.close();
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
