// The preferences dialog, timed offscreen:
//     PreferencesBench
// It prints one line per figure, min / median / max over its runs, with the
// limit beside it:
// - FormShow (making the dialog and its first show, the groups put into the
//   controls), against 300 ms;
// - one 20 ms tick with nothing changed, and one after a change (every
//   group compared with the dialog), against 1 ms;
// - the CPU share of an open dialog left alone for two seconds, against 5 %;
// - Apply of one change (every group read back and saved, the list saved),
//   against 200 ms;
// - the JPEG preview rendered for the 640 x 480 Quality.bmp, against 100 ms;
// - the cache page's statistics of 100,000 records: a hundred ticks, one of
//   which shows them, against 5 ms; and, for reference, their counting, which
//   the coordinator's purge does on its own tick.
// Settings and the program folder go to a scratch folder unless ZILO_REGISTRY
// and ZILO_PROGRAM_FOLDER are set; Quality.bmp and Texture1.jpg are copied
// there from beside this program.

#include "BenchEnvironment.h"
#include "ThreadCpuTime.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/OptionForm.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int Runs = 21;

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

void report(const char *what, std::vector<double> values, double limit, const char *unit = "ms")
{
    std::sort(values.begin(), values.end());
    std::printf("%-44s min %8.3f  median %8.3f  max %8.3f %s", what, values.front(), values[values.size() / 2],
                values.back(), unit);
    if (limit > 0)
        std::printf("   (limit %g %s)", limit, unit);
    std::printf("\n");
}

std::vector<double> repeated(int runs, const std::function<double()> &run)
{
    std::vector<double> values;
    for (int i = 0; i < runs; ++i)
        values.push_back(run());
    return values;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    PrepareBenchEnvironment(scratch.path().toStdString());
    QApplication application(argc, argv);
    const QDir programFolder(qEnvironmentVariable("ZILO_PROGRAM_FOLDER"));
    for (const char *name : {"Quality.bmp", "Texture1.jpg"})
        QFile::copy(QDir(QCoreApplication::applicationDirPath()).filePath(name), programFolder.filePath(name));
    InitGlobals();
    InitImageLibrary();

    report("FormShow", repeated(Runs, [] {
               std::unique_ptr<TOptionForm1> form;
               const double ms = timed([&] {
                   form = std::make_unique<TOptionForm1>(nullptr, -1, CPath("C:\\"));
                   form->show();
               });
               form->hide();
               return ms;
           }),
           300);

    TOptionForm1 form(nullptr, -1, CPath("C:\\"));
    form.show();
    form.Timer2->stop();   // the ticks below are the timer's, one at a time
    auto *box = form.findChild<QCheckBox *>("AutoScrollCheckBox");
    report("tick, nothing changed", repeated(Runs * 10, [&] { return timed([&] { form.Timer2Timer(); }); }), 1);
    report("tick after a change", repeated(Runs * 10, [&] {
               box->toggle();
               return timed([&] { form.Timer2Timer(); });
           }),
           1);

    report("idle open dialog, CPU", repeated(3, [&] {
               form.Timer2->start();
               QEventLoop loop;
               QTimer::singleShot(2000, &loop, &QEventLoop::quit);
               const double before = ThreadCpuMs();
               QElapsedTimer wall;
               wall.start();
               loop.exec();
               const double share = (ThreadCpuMs() - before) * 100 / double(wall.elapsed());
               form.Timer2->stop();
               return share;
           }),
           5, "%");

    report("Apply of one change", repeated(Runs, [&] {
               box->toggle();
               form.UpdateControls();
               return timed([&] { form.ApplyButton->click(); });
           }),
           200);

    form.RenderJpegPreview();   // the sample picture is read once, at the first render
    report("JPEG preview, 640 x 480", repeated(Runs, [&] { return timed([&] { form.RenderJpegPreview(); }); }), 100);

    std::vector<CThumbBitmap *> records;
    for (int i = 0; i < 100000; ++i) {
        CString path;
        path.Format("C:\\Bench\\img%06d.jpg", i);
        records.push_back(new CThumbBitmap(CThumbBitmap::FromBrowseFile, CPath(path)));
    }
    // A quarter stays in use.
    for (size_t i = 0; i < records.size(); ++i) {
        if (i % 4 != 0)
            records[i]->Release();
    }
    ThumbBitmapCache.PurgeByPolicy();   // the coordinator's tick, which counts them
    form.ShowPageOfTag(TOptionForm1::CachePage);
    report("cache statistics shown, 100,000 records", repeated(Runs, [&] {
               // Every StatisticsTicks-th tick reads them; the others are the idle tick.
               return timed([&] {
                   for (int tick = 0; tick < TOptionForm1::StatisticsTicks; ++tick)
                       form.Timer2Timer();
               });
           }),
           5);
    report("counting them (the coordinator's tick)", repeated(Runs, [] {
               return timed([] { (void)ThumbBitmapCache.RefreshStatistics(); });
           }),
           0);

    for (size_t i = 0; i < records.size(); i += 4)
        records[i]->Release();
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    FreeGlobals();
    return 0;
}
