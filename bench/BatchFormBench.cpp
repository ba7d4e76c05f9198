// The batch window, offscreen, on a tree of 50,000 small photographs in 500
// folders:
//     BatchFormBench [--rounds R] [--run-folders N]
// Each round, in a fresh window:
// - add: Add Recursive of the whole tree, from the command until the window
//   is idle again;
// - stop: Add Recursive again on an empty list, "Stop Adding" pressed once
//   the first files are in, and the time from the press until the add ended;
// - save and load: the 50,000-file list written to a state file and read
//   back (each from the call until it returned);
// - run: a batch run over the first N folders (default 20: 2,000 files),
//   each round with its browse files deleted first;
// - the window thread's CPU time during the run;
// - the window thread's longest step during the add and during the run: the
//   longest gap between two firings of a 1 ms timer, with the thread's CPU
//   time in it (a gap far above its CPU time owes to the thread waiting for a
//   core on a shared machine).
// The last lines give each figure's minimum, median and maximum. Settings,
// the program folder and the tree go to a scratch folder.

#include "BenchEnvironment.h"
#include "BenchGlobals.h"
#include "ThreadCpuTime.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/BatchForm.h>
#include <Source/tools/BatchWorkList.h>
#include <platform/HostPath.h>
#include <platform/ModalDialog.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QBuffer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int TreeFolders = 500;
constexpr int FilesPerFolder = 100;
constexpr int DefaultRounds = 5;

// A small photograph, the same bytes in every file.
QByteArray photoBytes()
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, (x + y) * 2));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 80);
    return bytes;
}

void makeTree(const fs::path &tree)
{
    const QByteArray bytes = photoBytes();
    for (int folder = 0; folder < TreeFolders; ++folder) {
        char name[32];
        std::snprintf(name, sizeof name, "F%03d", folder);
        const fs::path path = tree / name;
        fs::create_directories(path);
        for (int file = 0; file < FilesPerFolder; ++file) {
            char fileName[32];
            std::snprintf(fileName, sizeof fileName, "p%03d.jpg", file);
            std::ofstream(path / fileName, std::ios::binary).write(bytes.constData(), bytes.size());
        }
    }
}

// The gaps between firings of a 1 ms timer while it runs.
class TStepWatch
{
public:
    TStepWatch()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    }
    void start()
    {
        m_longestWall = m_longestCpu = 0;
        m_clock.start();
        m_lastWall = 0;
        m_lastCpu = ThreadCpuMs();
        m_timer.start();
    }
    void stop() { m_timer.stop(); tick(); }
    double longestWall() const { return m_longestWall; }
    double longestCpu() const { return m_longestCpu; }

private:
    void tick()
    {
        const double wall = double(m_clock.nsecsElapsed()) / 1e6;
        const double cpu = ThreadCpuMs();
        if (wall - m_lastWall > m_longestWall) {
            m_longestWall = wall - m_lastWall;
            m_longestCpu = cpu - m_lastCpu;
        }
        m_lastWall = wall;
        m_lastCpu = cpu;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_lastWall = 0;
    double m_lastCpu = 0;
    double m_longestWall = 0;
    double m_longestCpu = 0;   // of the longest gap
};

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void runUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

using Figures = std::map<std::string, std::vector<double>>;

void round(int index, const fs::path &scratch, const fs::path &tree, int runFolders, Figures &figures)
{
    const CPath treePath(WindowsPathFromHost(tree.string()).c_str());
    TBatchForm1 form;
    form.show();
    TStepWatch steps;

    // Add Recursive of the whole tree.
    QElapsedTimer clock;
    steps.start();
    clock.start();
    form.ScanVolume(treePath, true);
    runUntil([&] { return !form.IsAdding(); });
    const double addMs = msSince(clock);
    steps.stop();
    const double addStep = steps.longestWall();
    const double addStepCpu = steps.longestCpu();
    const int images = form.TreeView->ImageTotal();

    // Save and load of that list.
    const QString state = QString::fromStdString(WindowsPathFromHost((scratch / "bench.zile").string()));
    clock.start();
    form.SaveState(state);
    const double saveMs = msSince(clock);
    clock.start();
    form.LoadState(state);
    const double loadMs = msSince(clock);
    const int loaded = form.TreeView->ImageTotal();

    // Stop Adding, once the first files are in.
    form.TreeView->RemoveAll();
    form.ScanVolume(treePath, true);
    runUntil([&] { return form.TreeView->ImageTotal() > 0; });
    QElapsedTimer stopClock;
    stopClock.start();
    form.Command(QStringLiteral("StopAdding1"))->trigger();
    runUntil([&] { return !form.IsAdding(); });
    const double stopMs = msSince(stopClock);

    // A run over the first folders.
    form.TreeView->RemoveAll();
    for (int folder = 0; folder < runFolders; ++folder) {
        char name[32];
        std::snprintf(name, sizeof name, "F%03d", folder);
        fs::remove(tree / name / "Thumbnail.zilo");
        form.ScanVolume(CPath(WindowsPathFromHost((tree / name).string()).c_str()), false);
        runUntil([&] { return !form.IsAdding(); });
    }
    ThumbBitmapCache.Purge(true);
    steps.start();
    clock.start();
    const double runCpuStart = ThreadCpuMs();
    form.StartEngine();
    runUntil([&] { return !form.IsRunning(); });
    const double runMs = msSince(clock);
    const double runCpuMs = ThreadCpuMs() - runCpuStart;
    steps.stop();

    std::printf("round %d add-ms %.0f (%d images) stop-ms %.1f save-ms %.1f load-ms %.1f (%d images) "
                "add-step-ms %.1f (cpu %.1f) run-ms %.0f (%d files, window thread cpu %.0f) run-step-ms %.1f (cpu %.1f)\n",
                index, addMs, images, stopMs, saveMs, loadMs, loaded, addStep, addStepCpu, runMs,
                runFolders * FilesPerFolder, runCpuMs, steps.longestWall(), steps.longestCpu());
    std::fflush(stdout);
    figures["add-ms"].push_back(addMs);
    figures["stop-ms"].push_back(stopMs);
    figures["save-ms"].push_back(saveMs);
    figures["load-ms"].push_back(loadMs);
    figures["add-step-ms"].push_back(addStep);
    figures["run-ms"].push_back(runMs);
    figures["run-step-ms"].push_back(steps.longestWall());
    figures["run-step-cpu-ms"].push_back(steps.longestCpu());
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = DefaultRounds;
    int runFolders = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--run-folders") == 0)
            runFolders = std::atoi(argv[i + 1]);
    }
    if (rounds < 1 || runFolders < 1 || runFolders > TreeFolders) {
        std::fprintf(stderr, "usage: BatchFormBench [--rounds R] [--run-folders N]\n");
        return 2;
    }
    const QTemporaryDir scratchFolder;
    const fs::path scratch = scratchFolder.path().toStdString();
    PrepareBenchEnvironment(scratch);
    MapScratchDrive(scratch);
    QApplication application(argc, argv);
    const TBenchGlobals globals;
    const fs::path tree = scratch / "Tree";
    makeTree(tree);
    Figures figures;
    for (int index = 1; index <= rounds; ++index)
        round(index, scratch, tree, runFolders, figures);
    for (auto &[name, values] : figures) {
        std::sort(values.begin(), values.end());
        std::printf("%s min %.1f median %.1f max %.1f\n", name.c_str(), values.front(), values[values.size() / 2],
                    values.back());
    }
    return 0;
}
