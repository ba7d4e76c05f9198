// The animation window playing 200 decoded frames at full speed, offscreen:
//     AnimBench [ROUNDS]
// A scratch folder, mapped as C:, gets 200 JPEG files (160 x 120, each its own
// picture) whose loaded records, thumbnails at the folder's size, stand in a
// thumbnail box, as a browse window holds them. The animation window plays them with the speed bar at its right
// end (1 ms). Each figure printed with its goal beside it:
// - frames a second, each a step of the timer and the repaint it causes,
//   10,000 frames a round; the slowest, the median and the fastest round;
// - frames a second with the real timer and the event loop for two seconds,
//   as a user sees them: paints that reached the screen;
// - the resident memory after 200 frames and after each round of 10,000: it
//   must stay flat.
// Settings and the program folder go to the scratch folder unless
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"
#include "BenchGlobals.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/AnimForm.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>
#include <platform/ModalDialog.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int Frames = 200;
constexpr int Steps = 10000;
constexpr int DefaultRounds = 5;
constexpr uint32_t Width = 160;
constexpr uint32_t Height = 120;

using Clock = std::chrono::steady_clock;

// A JPEG picture of its own for each index, made by the imaging library.
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

// Loaded records of Frames files in scratch/Pics; one reference each, for the caller.
std::vector<CThumbBitmap *> makeRecords(const fs::path &scratch)
{
    fs::create_directories(scratch / "Pics");
    std::vector<CThumbBitmap *> records;
    for (int index = 0; index < Frames; ++index) {
        const std::vector<uint8_t> jpeg = jpegPicture(index, Width, Height);
        const fs::path host = scratch / "Pics" / ("frame" + std::to_string(1000 + index) + ".jpg");
        std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char *>(jpeg.data()),
                                                     std::streamsize(jpeg.size()));
        TImageHandler handler(CPath(WindowsPathFromHost(host.string()).c_str()), true);
        auto *record = new CThumbBitmap(handler);
        // The thumbnail at the size the folder's options give it, as a build makes it.
        const CSize size = record->GetThumbnailSize();
        record->ClaimForLoading();
        record->EndLoading(TThumbState::Loaded, jpegPicture(index, uint32_t(size.cx), uint32_t(size.cy)));
        records.push_back(record);
    }
    return records;
}

double residentMiB()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Counts the paints that reached the paint box.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

int run(const fs::path &scratch, int rounds)
{
    std::vector<CThumbBitmap *> records = makeRecords(scratch);
    int status = 0;
    {
        TThumbBox box(nullptr);
        std::vector<TThumbnail *> thumbnails;
        for (CThumbBitmap *record : records)
            thumbnails.push_back(box.AddThumbnail(record));

        TAnimForm1 form;
        form.Options.SetInt(TAnimForm1::WindowWidth, 400);
        form.Options.SetInt(TAnimForm1::WindowHeight, 300);
        form.Animate(thumbnails);
        form.StopPlaying();
        form.TrackBar->setValue(100);
        TPaintCounter counter(form.PaintBox);
        QCoreApplication::processEvents();

        // The first pass decodes every frame's thumbnail.
        for (int step = 0; step < Frames; ++step) {
            form.Timer1Timer();
            form.PaintBox->repaint();
        }
        const auto undecoded = std::count_if(records.begin(), records.end(),
                                             [](CThumbBitmap *record) { return !record->HasBitmap(); });
        if (undecoded > 0) {
            std::fprintf(stderr, "%d of %d frames have no decoded picture\n", int(undecoded), Frames);
            status = 1;
        }
        if (counter.paints < Frames) {
            std::fprintf(stderr, "only %d of %d frames were painted\n", counter.paints, Frames);
            status = 1;
        }
        const double startMiB = residentMiB();
        std::printf("resident after %d frames: %.1f MiB\n", Frames, startMiB);

        std::vector<double> rates;
        double endMiB = startMiB;
        for (int round = 0; round < rounds; ++round) {
            const Clock::time_point start = Clock::now();
            for (int step = 0; step < Steps; ++step) {
                form.Timer1Timer();
                form.PaintBox->repaint();
            }
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            rates.push_back(Steps / seconds);
            endMiB = residentMiB();
            std::printf("round %d: %8.0f frames/s, resident %.1f MiB\n", round + 1, rates.back(), endMiB);
        }
        std::sort(rates.begin(), rates.end());
        std::printf("%-44s %8.0f min %8.0f median %8.0f max   (goal at least 200)\n",
                    "frames a second, stepped and repainted", rates.front(), rates[rates.size() / 2], rates.back());
        std::printf("%-44s %8.1f MiB   (goal flat: under 1 MiB)\n", "resident growth over the rounds",
                    endMiB - startMiB);

        // The real timer at 1 ms and the event loop, as the user has it.
        const int before = counter.paints;
        form.Play();
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        form.StopPlaying();
        std::printf("%-44s %8.0f   (goal at least 200)\n", "frames a second with the timer, painted",
                    (counter.paints - before) * 1000.0 / double(elapsed.elapsed()));
        form.hide();
    }
    for (CThumbBitmap *record : records)
        record->Release();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : DefaultRounds;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: AnimBench [ROUNDS]\n");
        return 2;
    }
    const QTemporaryDir scratchFolder;
    const fs::path scratch = scratchFolder.path().toStdString();
    PrepareBenchEnvironment(scratch);
    MapScratchDrive(scratch);
    QApplication application(argc, argv);
    SetModalResponder([](QDialog &dialog) { dialog.reject(); });
    const TBenchGlobals globals;
    return run(scratch, rounds);
}
