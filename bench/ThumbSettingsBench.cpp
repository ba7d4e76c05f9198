// The thumbnail appearance window's preview, rebuilt offscreen as its timer
// does after the last change:
//     ThumbSettingsBench [SIZE [REBUILDS]]
// (defaults 400 and 20) from the "Preview.jpg" beside the bench, the shipped
// sample. Each rebuild alternates the sharpness, so every one resamples,
// sharpens and repaints the sixteen previews. Prints the first rebuild (it
// decodes the sample too) and the min, median and max of the others, against
// 150 ms. With REBUILDS 0 it only makes and shows the window, the start-up to
// subtract when the whole process is timed from outside. Settings and the
// program folder go to a scratch folder unless ZILO_REGISTRY and
// ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"

#include <Source/Glob.h>
#include <Source/tools/ThumbSettingsForm.h>

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

constexpr double LimitMs = 150;

// One rebuild with the paint of every preview it causes.
double rebuild(TThumbSettingsForm1 &form)
{
    QElapsedTimer clock;
    clock.start();
    form.Timer1Timer();
    for (TPreviewThumb *preview : form.Previews)
        preview->repaint();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    const fs::path sample = fs::path(argv[0]).parent_path() / "Preview.jpg";
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    PrepareBenchEnvironment(scratch.path().toStdString());
    QApplication application(argc, argv);
    const int size = argc > 1 ? std::atoi(argv[1]) : TThumbSettingsForm1::MaxSize;
    const int rebuilds = argc > 2 ? std::atoi(argv[2]) : 20;
    const QString programFolder = qEnvironmentVariable("ZILO_PROGRAM_FOLDER");
    QFile::remove(programFolder + "/Preview.jpg");
    if (!QFile::copy(QString::fromStdString(sample.string()), programFolder + "/Preview.jpg")) {
        std::fprintf(stderr, "ThumbSettingsBench: no %s\n", sample.c_str());
        return 1;
    }
    InitGlobals();
    InitImageLibrary();
    int status = 0;
    {
        TThumbSettingsForm1 form(nullptr, QStringLiteral("Thumbnail Appearance"));
        form.resize(1000, 800);
        form.SetThumbnailSize(size);
        form.SetThumbnailSpacing(10);
        form.SetThumbnailSharpness(20);
        form.show();
        std::vector<double> times;
        for (int index = 0; index < rebuilds; ++index) {
            form.SetThumbnailSharpness(index % 2 ? 20 : 40);
            times.push_back(rebuild(form));
        }
        if (!times.empty()) {
            std::printf("size %d, first rebuild (decodes the sample): %.1f ms\n", size, times.front());
            times.erase(times.begin());
        }
        if (!times.empty()) {
            std::sort(times.begin(), times.end());
            const double median = times[times.size() / 2];
            std::printf("size %d, rebuild min %.1f median %.1f max %.1f ms   limit %.0f ms   %s\n", size,
                        times.front(), median, times.back(), LimitMs, median <= LimitMs ? "within" : "OVER");
            status = median <= LimitMs ? 0 : 3;
        }
    }
    FreeGlobals();
    return status;
}
