// The thumbnail wizard finishing on a selection, offscreen:
//     WizardBench [COUNT [FOLDER]] [--setup-only]
// FOLDER (a scratch folder when none is given), mapped as C:, gets COUNT
// (1,000 unless given) small JPEG files in "Pics" whose loaded records stand
// selected, as a browse window holds them. The wizard is made on them and
// finished with its defaults: every "tn_" file and the page, by temporary file
// and rename. The last line is "thumbnails N ms T" for the finish alone
// (goal: 1,000 within 1 s). With --setup-only everything but the wizard runs,
// so that an outside timer can take the set-up away.

#include "BenchEnvironment.h"
#include "BenchGlobals.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/ThumbnailWizard.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>
#include <platform/ModalDialog.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int DefaultCount = 1000;
constexpr uint32_t Width = 160;
constexpr uint32_t Height = 120;

std::vector<uint8_t> jpegPicture(int index, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 7 + size_t(index) * 13);
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
}

// Loaded records of count files in folder; one reference each, for the caller.
std::vector<CThumbBitmap *> makeRecords(const fs::path &folder, int count)
{
    fs::create_directories(folder);
    const std::vector<uint8_t> image = jpegPicture(0, Width, Height);
    std::vector<CThumbBitmap *> records;
    for (int index = 0; index < count; ++index) {
        const fs::path host = folder / ("photo " + std::to_string(10000 + index) + ".jpg");
        std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char *>(image.data()),
                                                     std::streamsize(image.size()));
        TImageHandler handler(CPath(WindowsPathFromHost(host.string()).c_str()), true);
        auto *record = new CThumbBitmap(handler);
        const CSize size = record->GetThumbnailSize();
        record->ClaimForLoading();
        record->EndLoading(TThumbState::Loaded, jpegPicture(index, uint32_t(size.cx), uint32_t(size.cy)));
        records.push_back(record);
    }
    return records;
}

int run(const fs::path &scratch, int count, bool setupOnly)
{
    const fs::path pictures = scratch / "Pics";
    fs::remove_all(pictures);
    std::vector<CThumbBitmap *> records = makeRecords(pictures, count);
    int status = 0;
    if (!setupOnly) {
        const auto start = std::chrono::steady_clock::now();
        {
            TThumbnailWizardForm1 wizard(nullptr, CPath(WindowsPathFromHost(pictures.string()).c_str()), records);
            wizard.SafeSavesCheckBox->setChecked(false);
            if (!wizard.FinishWizard()) {
                std::fprintf(stderr, "the wizard did not finish\n");
                status = 1;
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        int files = 0;
        for (const fs::directory_entry &entry : fs::directory_iterator(pictures))
            files += entry.path().filename().string().starts_with("tn_");
        if (files != count || !fs::exists(pictures / "pics.htm")) {
            std::fprintf(stderr, "%d of %d thumbnail files, page %s\n", files, count,
                         fs::exists(pictures / "pics.htm") ? "written" : "missing");
            status = 1;
        }
        std::printf("thumbnails %d ms %.0f\n", count, ms);
    }
    for (CThumbBitmap *record : records)
        record->Release();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    bool setupOnly = false;
    std::vector<const char *> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--setup-only") == 0)
            setupOnly = true;
        else
            arguments.push_back(argv[i]);
    }
    const int count = arguments.size() > 0 ? std::atoi(arguments[0]) : DefaultCount;
    if (count < 1 || arguments.size() > 2) {
        std::fprintf(stderr, "usage: WizardBench [COUNT [FOLDER]] [--setup-only]\n");
        return 2;
    }
    const auto scratchFolder = arguments.size() > 1
                                   ? std::make_unique<QTemporaryDir>(QString::fromLocal8Bit(arguments[1]) + "/wizard-XXXXXX")
                                   : std::make_unique<QTemporaryDir>();
    const fs::path scratch = scratchFolder->path().toStdString();
    PrepareBenchEnvironment(scratch);
    MapScratchDrive(scratch);
    QApplication application(argc, argv);
    SetModalResponder([](QDialog &dialog) { dialog.reject(); });
    const TBenchGlobals globals;
    return run(scratch, count, setupOnly);
}
