// Makes a page of the thumbnail wizard for a browser to show, in a world of
// its own: five photographs of C:\Holiday Pics whose names hold '&', '#', '%'
// and blanks, two across, thumbnails in the subfolder "my thumbs". Copies the
// world to FOLDER (given) and prints the page's path, for
//   chromium --headless --screenshot=shot.png "file://PAGE"

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/ThumbnailWizard.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QLineEdit>
#include <QCheckBox>
#include <QProcess>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

// A photograph-like JPEG picture: a sky and a field, a sun placed by index.
static std::vector<uint8_t> picture(int index, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t *pixel = &rgb[(size_t(y) * width + x) * 3];
            const int dx = int(x) - int(width) * (index + 1) / 7;
            const int dy = int(y) - int(height) / 4;
            const bool sun = dx * dx + dy * dy < int(width * height) / 80;
            const bool field = y > height * 2 / 3;
            pixel[0] = sun ? 250 : field ? 40 : uint8_t(60 + y * 100 / height);
            pixel[1] = sun ? 220 : field ? uint8_t(120 + index * 20) : uint8_t(120 + y * 80 / height);
            pixel[2] = sun ? 80 : field ? 30 : 230;
        }
    }
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
}

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProductName);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Holiday Pics"});
    InitGlobals();
    InitImageLibrary();
    const std::string pictures = folder.filePath("C/Holiday Pics").toStdString();
    const char *names[] = {"beach & sea #1.jpg", "50% sun.jpg", "say cheese.jpg", "hill.jpg", "last one.jpg"};
    std::vector<CThumbBitmap *> records;
    for (int index = 0; index < 5; ++index) {
        const std::string host = pictures + "/" + names[index];
        const std::vector<uint8_t> jpeg = picture(index, 640, 400);
        std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char *>(jpeg.data()),
                                                     std::streamsize(jpeg.size()));
        auto *record = new CThumbBitmap(TImageHandler(CPath(WindowsPathFromHost(host).c_str()), true));
        const CSize size = record->GetThumbnailSize();
        record->ClaimForLoading();
        record->EndLoading(TThumbState::Loaded, picture(index, uint32_t(size.cx), uint32_t(size.cy)));
        records.push_back(record);
    }
    const CPath input(WindowsPathFromHost(pictures).c_str());
    SettingsStore->WriteInteger(QString(FolderSettingsSection(input, FoldersSection).ToAnsiString()) + "\\*TnWiz",
                                QStringLiteral("Across"), 2);
    int status = 0;
    {
        TThumbnailWizardForm1 wizard(nullptr, input, records);
        wizard.Edit2->setText("my thumbs");
        wizard.Edit5->setText("Sun, sea & \"sand\"");
        if (!wizard.FinishWizard())
            status = 1;
    }
    for (CThumbBitmap *record : records)
        record->Release();
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    if (QProcess::execute("cp", {"-r", QString::fromStdString(pictures), QString::fromLocal8Bit(argv[1])}) != 0)
        return 1;
    std::printf("%s/Holiday Pics/holiday_pics.htm\n", argv[1]);
    return status;
}
