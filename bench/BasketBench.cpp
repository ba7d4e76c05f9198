// The basket window with 10,000 rows, timed offscreen:
//     BasketBench [ROUNDS]
// A scratch folder, mapped as C:, gets 11,000 small JPEG files (64 x 48, each
// with its own size) and a "Basket.zilb" naming the first 10,000. Then, each
// figure printed with its goal beside it:
// - the first show: from show() until the window has painted its 10,000 rows
//   read from "Basket.zilb" (the files' headers read again, as at a start),
//   and the window thread's CPU time for it;
// - a column sort: a click on Size, on Size again, on Name, on Modified and on
//   Dimensions, each with the repaint it causes; the slowest and the median;
// - adding 1,000 files the way the add-to-basket command does (the handlers
//   the thumbnails' records hold), with the box that says nothing was refused
//   and the repaint;
// - the coordinator's tick: the command states and four rows refreshed from
//   their files, ROUNDS x 100 ticks; the slowest and the median;
// - the save of 11,000 rows to "Basket.zilb"; the slowest and the median of
//   ROUNDS saves.
// Settings and the program folder go to the scratch folder unless
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set.

#include "BenchEnvironment.h"
#include "BenchGlobals.h"
#include "ThreadCpuTime.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbCache.h>
#include <Source/tools/BasketForm.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>
#include <platform/ModalDialog.h>

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTreeView>

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

constexpr int Rows = 10000;
constexpr int Added = 1000;
constexpr int DefaultRounds = 5;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char *what, double ms, double goal)
{
    std::printf("%-52s %9.2f ms   (goal %g ms)\n", what, ms, goal);
}

void reportSpread(const char *what, const std::vector<double> &values, double goal)
{
    std::printf("%-52s %9.2f ms median, %9.2f ms slowest   (goal %g ms)\n", what, median(values),
                *std::max_element(values.begin(), values.end()), goal);
}

// A small JPEG picture, made once by the imaging library.
std::vector<uint8_t> jpegPicture()
{
    constexpr uint32_t width = 64;
    constexpr uint32_t height = 48;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 7);
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
}

// 11,000 files in scratch/Pics, each a different length (padding after the
// picture's end), and the basket file naming the first 10,000.
std::vector<CPath> makeFiles(const fs::path &scratch)
{
    const std::vector<uint8_t> jpeg = jpegPicture();
    fs::create_directories(scratch / "Pics");
    std::vector<CPath> paths;
    std::ofstream basket(scratch / "Basket.zilb", std::ios::binary);
    for (int index = 0; index < Rows + Added; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%05d.jpg", (index * 7919) % (Rows + Added));
        const fs::path host = scratch / "Pics" / name;
        std::ofstream file(host, std::ios::binary);
        file.write(reinterpret_cast<const char *>(jpeg.data()), std::streamsize(jpeg.size()));
        file << std::string(size_t(index % 997), '\0');
        paths.emplace_back(WindowsPathFromHost(host.string()).c_str());
        if (index < Rows)
            basket << paths.back().c_str() << "\r\n";
    }
    return paths;
}

void paint(QWidget &window)
{
    window.repaint();
    QCoreApplication::processEvents();
}

int run(const fs::path &scratch, int rounds)
{
    const std::vector<CPath> paths = makeFiles(scratch);

    TBasketForm1 form;
    form.Options.SetInt(TBasketForm1::WindowX, 0);
    form.Options.SetInt(TBasketForm1::WindowY, 0);
    form.Options.SetInt(TBasketForm1::WindowWidth, 1000);
    form.Options.SetInt(TBasketForm1::WindowHeight, 700);
    Clock::time_point start = Clock::now();
    const double startCpu = ThreadCpuMs();
    form.show();
    paint(form);
    report("first show, 10,000 rows from Basket.zilb", msSince(start), 1000);
    // The same without the time the machine gave to others: the figure to
    // compare when it is busy.
    report("first show, the window thread's CPU time", ThreadCpuMs() - startCpu, 1000);
    if (form.Model->Count() != Rows) {
        std::fprintf(stderr, "the basket shows %d rows, not %d\n", form.Model->Count(), Rows);
        return 1;
    }

    std::vector<double> sorts;
    for (int round = 0; round < rounds; ++round) {
        for (int column : {bcSize, bcSize, bcName, bcModified, bcDimensions}) {
            start = Clock::now();
            form.ListViewColumnClick(column);
            paint(form);
            sorts.push_back(msSince(start));
        }
    }
    reportSpread("column sort of 10,000 rows", sorts, 100);

    std::vector<TImageHandler> added;
    for (int index = Rows; index < Rows + Added; ++index)
        added.emplace_back(paths[size_t(index)], true);
    start = Clock::now();
    form.AddFiles(added);
    paint(form);
    report("adding 1,000 files", msSince(start), 300);

    std::vector<double> ticks;
    for (int tick = 0; tick < rounds * 100; ++tick) {
        start = Clock::now();
        form.Tick();
        ticks.push_back(msSince(start));
    }
    reportSpread("tick: command states and four rows refreshed", ticks, 2);

    std::vector<double> saves;
    for (int round = 0; round < rounds; ++round) {
        start = Clock::now();
        form.SaveBasket();
        saves.push_back(msSince(start));
    }
    reportSpread("save of 11,000 rows", saves, 100);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : DefaultRounds;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: BasketBench [ROUNDS]\n");
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
