// The internal viewer on one photograph, timed offscreen:
//     ViewerBench PHOTO.jpg
// (MakeBenchPhotos makes one: MakeBenchPhotos FOLDER 1 6000x4000.) It prints
// one line per figure with its limit beside it, each the median of five:
// - the floor: the bare full decode of the same file by libjpeg-turbo;
// - from making the viewer to the first paint that shows the picture,
//   against the floor plus the window's show delay (250 ms, which the
//   decoding overlaps) plus 100 ms;
// - each effect with the repaint it causes, against 150 ms (flips,
//   negative, monochrome, a quarter turn) or 600 ms (blur, sharpen,
//   brightness, contrast);
// - one key-scroll step with its repaint, against 16 ms.
// Settings and the program folder go to a scratch folder unless ZILO_REGISTRY
// and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"

#include <Source/Glob.h>
#include <Source/tools/ViewerForm.h>
#include <lib/controls/NewScrollBox.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int Runs = 5;
constexpr double ShowDelayMs = 250;   // the viewer's Timer1

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

double decodeFloor(const fs::path &photo)
{
    QFile file(QString::fromStdString(photo.string()));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray jpeg = file.readAll();
    tjhandle decoder = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colours = 0;
    tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char *>(jpeg.constData()), jpeg.size(), &width,
                        &height, &subsampling, &colours);
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run)
        times.push_back(timed([&] {
            tjDecompress2(decoder, reinterpret_cast<const unsigned char *>(jpeg.constData()), jpeg.size(),
                          rgb.data(), width, 0, height, TJPF_RGB, 0);
        }));
    tjDestroy(decoder);
    return median(times);
}

// Waits until the picture has been painted on the screen once.
class FirstPaint : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void report(const char *figure, double ms, double limit)
{
    std::printf("%-28s %8.1f ms   limit %8.1f ms   %s\n", figure, ms, limit, ms <= limit ? "within" : "OVER");
}

int run(const fs::path &photo)
{
    const double floor = decodeFloor(photo);
    if (floor < 0) {
        std::fprintf(stderr, "ViewerBench: cannot read %s\n", photo.c_str());
        return 1;
    }
    std::printf("%-28s %8.1f ms\n", "floor: bare full decode", floor);
    const CPath path(CString(WindowsPathFromHost(photo.string()).c_str()));

    std::vector<double> opens;
    for (int run = 0; run < Runs; ++run) {
        FirstPaint paint;
        QElapsedTimer clock;
        clock.start();
        auto *viewer = new TViewerForm1(path);
        viewer->PaintBox->installEventFilter(&paint);
        while (!paint.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        opens.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!viewer->Bitmap()) {
            std::fprintf(stderr, "ViewerBench: the viewer could not load %s\n", photo.c_str());
            return 1;
        }
        delete viewer;
    }
    report("open to first paint", median(opens), floor + ShowDelayMs + 100);

    TViewerForm1 viewer(path);
    viewer.show();
    QCoreApplication::processEvents();
    struct Effect
    {
        const char *name;
        void (TViewerForm1::*command)();
        double limit;
    };
    const Effect effects[] = {
        {"flip horizontally", &TViewerForm1::FlipHorizontally1Click, 150},
        {"flip vertically", &TViewerForm1::FlipVertically1Click, 150},
        {"negative", &TViewerForm1::Negative1Click, 150},
        {"monochrome", &TViewerForm1::Monochrome1Click, 150},
        {"90 degrees clockwise", &TViewerForm1::Rotate901Click, 150},
        {"blur", &TViewerForm1::Blur1Click, 600},
        {"sharpen", &TViewerForm1::Sharpen1Click, 600},
        {"brightness +", &TViewerForm1::BrightnessUp1Click, 600},
        {"contrast +", &TViewerForm1::ContrastUp1Click, 600},
    };
    for (const Effect &effect : effects) {
        std::vector<double> times;
        for (int run = 0; run < Runs; ++run)
            times.push_back(timed([&] {
                (viewer.*effect.command)();
                viewer.PaintBox->repaint();
            }));
        report(effect.name, median(times), effect.limit);
    }
    std::vector<double> steps;
    TMyNewScrollBar *bar = viewer.ScrollBox->HorzScrollBar();
    for (int run = 0; run < Runs * 4; ++run)
        steps.push_back(timed([&] {
            bar->SetPosition(bar->Position() + 1);
            viewer.repaint();
        }));
    report("key-scroll step", median(steps), 16);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ViewerBench PHOTO.jpg\n");
        return 2;
    }
    const QTemporaryDir scratchFolder;
    PrepareBenchEnvironment(scratchFolder.path().toStdString());
    QApplication application(argc, argv);
    InitGlobals();
    InitImageLibrary();
    const int status = run(fs::absolute(argv[1]));
    FreeGlobals();
    return status;
}
