// Builds the browse files of every folder of a tree through the batch engine,
// with no window, and measures it against the bare decoding of the same files:
//     BatchBench TREE [--rounds R]
// Each round deletes the tree's browse files, empties the cache, times
// JpegDecodeLoop (beside this program) over every folder of the tree, then a
// batch run over the same files, and prints
//     "round I floor-ms F ms T ratio Q cpu-ratio C memory-beyond-cache-kb M"
// C being the same ratio of the CPU time that both took (on a machine that
// other work shares, the wall-clock ratio varies from round to round), and M
// the growth of the resident memory during the run less what the thumbnail
// cache holds at its end. After the rounds come the min, median and max of
// T, Q, C and M, and, as the last line, the last round's
// "folders F records N built B ms T". The exit status is 0 only when every
// round wrote the browse file of every folder.
// TREE is a host path; the settings and the program folder go to a scratch
// folder unless ZILO_REGISTRY and ZILO_PROGRAM_FOLDER name others.

#include "BenchEnvironment.h"

#include <Source/Glob.h>
#include <Source/engine/BatchEngine.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/UserMessages.h>
#include <platform/Files.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/Messages.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The host folders of the tree that hold JPEG files, in tree order, each with
// its files in name order: the work list a batch window makes.
struct TreeFolder
{
    std::string hostPath;
    std::vector<std::string> names;
};

std::vector<TreeFolder> listTree(const fs::path &tree)
{
    std::vector<fs::path> folders{tree};
    for (const auto &entry : fs::recursive_directory_iterator(tree)) {
        if (entry.is_directory())
            folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end());
    std::vector<TreeFolder> listed;
    for (const fs::path &folder : folders) {
        TreeFolder item{folder.string(), {}};
        for (const auto &entry : fs::directory_iterator(folder)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".jpg" || extension == ".JPG"))
                item.names.push_back(entry.path().filename().string());
        }
        std::sort(item.names.begin(), item.names.end());
        if (!item.names.empty())
            listed.push_back(std::move(item));
    }
    return listed;
}

long long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::atoll(line.c_str() + 6);
    }
    return -1;
}

// The batch window as the engine sees it: counts what it is told and ends
// the event loop at the end of the run.
class BenchOwner
{
public:
    HWND Handle() const { return m_window.Handle(); }

    int folders = 0;
    int records = 0;
    int built = 0;
    int saved = 0;
    int saveFailures = 0;
    bool ended = false;

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case UM_FOLDER_END:
            ++folders;
            break;
        case UM_THUMBNAIL_STATUS:
            ++records;
            built += wParam != 0 && reinterpret_cast<CThumbBitmap *>(lParam)->GetState() == TThumbState::Loaded;
            break;
        case UM_BROWSE_SAVE_END:
            (wParam != 0 ? saved : saveFailures)++;
            break;
        case UM_REPORT_TEXT:
            std::fprintf(stderr, "log: %s\n", reinterpret_cast<const char *>(lParam));
            break;
        case UM_RUN_END:
            ended = true;
            break;
        default:
            break;
        }
        return 0;
    }

    CMessageWindow m_window{[this](UINT message, WPARAM wParam, LPARAM lParam) { return handle(message, wParam, lParam); }};
};

// The CPU time of this process, or of its waited-for children, in ms.
double cpuMilliseconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval &time) { return double(time.tv_sec) * 1000 + double(time.tv_usec) / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Round
{
    long long floorMs = -1;
    double floorCpuMs = 0;
    long long ms = 0;
    double cpuMs = 0;
    long long beyondCacheKilobytes = 0;
};

// JpegDecodeLoop over the folders, run beside this program; -1 when it fails.
long long floorMilliseconds(const std::vector<TreeFolder> &folders, double &cpuMs)
{
    QStringList arguments;
    for (const TreeFolder &folder : folders)
        arguments << QString::fromStdString(folder.hostPath);
    QProcess loop;
    const double cpuBefore = cpuMilliseconds(RUSAGE_CHILDREN);
    loop.start(QCoreApplication::applicationDirPath() + "/JpegDecodeLoop", arguments);
    if (!loop.waitForFinished(-1) || loop.exitCode() != 0)
        return -1;
    cpuMs = cpuMilliseconds(RUSAGE_CHILDREN) - cpuBefore;
    const QRegularExpressionMatch match = QRegularExpression(" ms (\\d+)").match(QString::fromUtf8(loop.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

void deleteBrowseFiles(const std::vector<CPath> &folders)
{
    for (const CPath &folder : folders)
        DeleteFileA(GetBrowseFilePath(folder));
}

// One batch run over files, timed from the start to UM_RUN_END.
void runBatch(const std::vector<CPath> &files, BenchOwner &owner, Round &round)
{
    const long long before = residentKilobytes();
    const int64_t cacheBefore = ThumbBitmapCache.GetStatistics().allMemory;
    auto *context = new CBatchThumbProgressContext(owner.Handle(), nullptr);
    QElapsedTimer timer;
    const double cpuBefore = cpuMilliseconds(RUSAGE_SELF);
    timer.start();
    new TBatchEngine(files, context, tpNormal);
    while (!owner.ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    round.ms = timer.elapsed();
    round.cpuMs = cpuMilliseconds(RUSAGE_SELF) - cpuBefore;
    // The engine frees itself after its last message.
    while (context->GetRefCount() > 1)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    context->Release();
    const int64_t cacheGrowth = ThumbBitmapCache.GetStatistics().allMemory - cacheBefore;
    round.beyondCacheKilobytes = residentKilobytes() - before - cacheGrowth / 1024;
}

template <typename T>
void printSpread(const char *what, std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%s min %g median %g max %g\n", what, double(values.front()), double(values[values.size() / 2]),
                double(values.back()));
}

int usage()
{
    std::fprintf(stderr, "usage: BatchBench TREE [--rounds R]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--rounds") == 0))
        return usage();
    const int rounds = argc == 4 ? std::max(1, std::atoi(argv[3])) : 3;
    const fs::path tree = fs::absolute(argv[1]).lexically_normal();
    if (!fs::is_directory(tree)) {
        std::fprintf(stderr, "%s: no such folder\n", argv[1]);
        return 1;
    }
    const fs::path scratch = fs::temp_directory_path() / ("BatchBench-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    PrepareBenchEnvironment(scratch);
    QApplication application(argc, argv);
    SetMessageBoxResponder([](const QString &text, const QString &, UINT type) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        return DefaultMessageBoxAnswer(type);
    });
    InitGlobals();
    InitImageLibrary();

    const std::vector<TreeFolder> listed = listTree(tree);
    std::vector<CPath> folders;
    std::vector<CPath> files;
    for (const TreeFolder &folder : listed) {
        folders.push_back(CPath(WindowsPathFromHost(folder.hostPath).c_str()));
        for (const std::string &name : folder.names)
            files.push_back(folders.back().AppendFileName(WindowsNameFromHost(name).c_str()));
    }

    std::vector<double> ratios;
    std::vector<double> cpuRatios;
    std::vector<long long> times;
    std::vector<long long> beyondCache;
    char lastLine[160] = "";
    bool everyFolderWritten = true;
    for (int index = 0; index < rounds; ++index) {
        deleteBrowseFiles(folders);
        ThumbBitmapCache.Purge(true);
        Round round;
        round.floorMs = floorMilliseconds(listed, round.floorCpuMs);
        BenchOwner owner;
        runBatch(files, owner, round);
        everyFolderWritten = everyFolderWritten && owner.saved == int(folders.size()) && owner.saveFailures == 0;
        const double ratio = round.floorMs > 0 ? double(round.ms) / double(round.floorMs) : 0;
        const double cpuRatio = round.floorCpuMs > 0 ? round.cpuMs / round.floorCpuMs : 0;
        ratios.push_back(ratio);
        cpuRatios.push_back(cpuRatio);
        times.push_back(round.ms);
        beyondCache.push_back(round.beyondCacheKilobytes);
        std::printf("round %d floor-ms %lld ms %lld ratio %.3f cpu-ratio %.3f memory-beyond-cache-kb %lld written %d "
                    "of %zu\n",
                    index + 1, round.floorMs, round.ms, ratio, cpuRatio, round.beyondCacheKilobytes, owner.saved,
                    folders.size());
        std::fflush(stdout);
        std::snprintf(lastLine, sizeof lastLine, "folders %d records %d built %d ms %lld\n", owner.folders,
                      owner.records, owner.built, round.ms);
    }
    printSpread("ms", times);
    printSpread("ratio", ratios);
    printSpread("cpu-ratio", cpuRatios);
    printSpread("memory-beyond-cache-kb", beyondCache);
    std::fputs(lastLine, stdout);
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    fs::remove_all(scratch);
    return everyFolderWritten ? 0 : 1;
}
