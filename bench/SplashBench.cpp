// The launcher's splash, offscreen, from the shipped "Splash.bmp" beside the
// bench, with a stand-in organiser (a script that ends at once):
//     SplashBench [RUNS]
// For each run (default 10): from making the window to its first paint
// (limit 300 ms), and from that paint to the organiser's start having been
// handed to the system (limit 50 ms). Prints min, median and max of each.
// Settings and the program folder go to a scratch folder unless ZILO_REGISTRY
// and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"

#include <launcher/ContactForm.h>
#include <launcher/SplashForm.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Notes the first paint of the window it watches.
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

void report(const char *figure, std::vector<double> times, double limit)
{
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%-34s min %6.1f median %6.1f max %6.1f ms   limit %5.0f ms   %s\n", figure, times.front(), median,
                times.back(), limit, median <= limit ? "within" : "OVER");
}

} // namespace

int main(int argc, char **argv)
{
    const fs::path picture = fs::path(argv[0]).parent_path() / "Splash.bmp";
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    PrepareBenchEnvironment(scratch.path().toStdString());
    QApplication application(argc, argv);
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 10);
    const QString launcher = scratch.filePath(QStringLiteral("Launcher"));
    fs::create_directories(launcher.toStdString());
    if (!QFile::copy(QString::fromStdString(picture.string()), launcher + "/Splash.bmp")) {
        std::fprintf(stderr, "SplashBench: no %s\n", picture.c_str());
        return 1;
    }
    QFile organiser(launcher + "/Zilo");
    if (!organiser.open(QIODevice::WriteOnly) || organiser.write("#!/bin/sh\nexit 0\n") < 0)
        return 1;
    organiser.close();
    organiser.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const CPath folder(CString(WindowsPathFromHost(launcher.toStdString()).c_str()));

    TContactForm1 credits;
    std::vector<double> shows;
    std::vector<double> starts;
    for (int run = 0; run < runs; ++run) {
        FirstPaint paint;
        QElapsedTimer clock;
        clock.start();
        TSplashForm1 splash({}, folder, &credits);
        splash.installEventFilter(&paint);
        splash.show();
        while (!paint.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double shown = double(clock.nsecsElapsed()) / 1e6;
        while (!splash.Timer2.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        shows.push_back(shown);
        starts.push_back(double(clock.nsecsElapsed()) / 1e6 - shown);
        if (splash.Timer2.interval() != 5000) {
            std::fprintf(stderr, "SplashBench: the stand-in organiser did not start\n");
            return 1;
        }
    }
    report("made to first paint", shows, 300);
    report("first paint to organiser started", starts, 50);
    return 0;
}
