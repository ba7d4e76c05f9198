// Drives the engine headless the way a browse window does, and times it:
//     ZiloBench build FOLDER [--threads N]
//         opens the folder through a scan thread (its browse file when it has
//         one, then a rescan building the thumbnails that are missing), then
//         saves the browse file; prints
//         "records R built B failed F ms T HOW file PATH", HOW being "cold"
//         (there was no browse file), "reopened" (the browse file was read)
//         or "rebuilt" (the browse file could not be read).
//     ZiloBench reopen FOLDER
//         opens a folder that has a browse file; prints "records R ms T bar
//         V of M (P%)", the bar being what a browse window's progress bar
//         reads once the browse file is read (below 100% when the window was
//         told of fewer records than the file holds). A
//         browse file that cannot be read is rescanned and saved, as a
//         browse window does, but the run has failed.
// Both then print "memory rss-before-kb A rss-open-kb B peak-kb C
// bytes-per-record D": the resident memory before the folder is opened and
// once it is open, the peak, and the growth per record.
// FOLDER is a host path, absolute or relative, or a Windows path (a drive
// letter and a colon, or a share's "\\"). The settings come from ZILO_REGISTRY
// and the program folder from ZILO_PROGRAM_FOLDER, as for the organiser
// itself; --threads sets the number of builders beside the scan thread.
//
// Nobody is asked anything: each message box is written to standard error
// with the answer it takes, its default button. The exit status is 0 only
// when the mode's browse file was read (reopen) or written (build).

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ScanThread.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/UserMessages.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/Messages.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

enum class Mode { Build, Reopen };

// How often the event loop looks whether the scan thread is still there: one
// that ends by an error tells its owner nothing.
constexpr auto ScanThreadCheckInterval = std::chrono::milliseconds(100);

// The owner window of the scan thread: keeps every record it is sent, as a
// browse window does. A load is followed by a rescan, as the window's
// automatic update does (in reopen mode only a load that failed), and a
// rescan by a save. Quits the event loop once its mode's work is done or the
// save found no images.
class TBenchOwner
{
public:
    TBenchOwner(Mode mode, const CPath &folder, CScanThumbProgressContext *&context)
        : m_mode(mode), m_folder(folder), m_context(context)
    {
    }
    ~TBenchOwner()
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
    }

    HWND Handle() const { return m_window.Handle(); }
    const std::vector<CThumbBitmap *> &Records() const { return m_records; }
    int BuiltCount() const { return m_builtCount; }
    bool LoadFailed() const { return m_loadFailed; }
    bool Read() const { return m_read; }
    bool Written() const { return m_written; }
    bool Emptied() const { return m_emptied; }
    bool Finished() const { return m_finished; }
    // What a browse window's bar read when the browse file had been read.
    int BarValue() const { return m_barReadValue; }
    int BarMaximum() const { return m_barReadMaximum; }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case UM_BROWSE_READ_COUNT:
            m_barMaximum = int(lParam);
            m_barValue = 0;
            break;
        case UM_BROWSE_RECORD_READ:
            m_barValue = std::min(m_barValue + 1, m_barMaximum);
            keep(reinterpret_cast<CThumbBitmap *>(lParam));
            break;
        case UM_RECORD_ADDED:
            keep(reinterpret_cast<CThumbBitmap *>(lParam));
            break;
        case UM_GET_THUMBNAIL_LIST:
            for (CThumbBitmap *record : m_records) {
                record->AddRef();
                reinterpret_cast<std::vector<CThumbBitmap *> *>(lParam)->push_back(record);
            }
            return 1;
        case UM_BROWSE_LOAD_END:
            browseLoadEnd(wParam != 0, reinterpret_cast<const char *>(lParam));
            break;
        case UM_LOADER_END:
            m_builtCount = int(lParam);
            m_context->SetSaveRequest(true);
            break;
        case UM_BROWSE_SAVE_END:
            m_written = wParam != 0;
            finish();
            break;
        case UM_BROWSE_FILE_DELETED:
            m_emptied = true;
            finish();
            break;
        default:
            break;
        }
        return 0;
    }

    // Reopen ends with a browse file read; anything else goes on as the
    // window's automatic update, which also brings in a file of another
    // version (read without records) and images added since the last save.
    void browseLoadEnd(bool success, const char *path)
    {
        m_barReadValue = m_barValue;
        m_barReadMaximum = m_barMaximum;
        if (success && m_mode == Mode::Reopen) {
            m_read = true;
            finish();
            return;
        }
        m_read = success;
        if (!success) {
            m_loadFailed = true;
            CString text;
            text.Format("Failed to load browse file '%s'", path);
            ShowMessageBox(text, ErrorBoxFlags);
        }
        update();
    }

    // A browse window's automatic update: the scan thread checks the records
    // against their files, then rescans the folder.
    void update()
    {
        m_context->SetCheckRequest(false);
        m_context->SetRescanRequest(true);
    }

    void finish()
    {
        m_finished = true;
        QApplication::quit();
    }

    void keep(CThumbBitmap *record)
    {
        if (!m_kept.insert(record).second)
            return;
        record->AddRef();
        m_records.push_back(record);
    }

    Mode m_mode;
    CPath m_folder;
    CScanThumbProgressContext *&m_context;
    std::vector<CThumbBitmap *> m_records;   // one reference each
    std::unordered_set<CThumbBitmap *> m_kept;
    int m_builtCount = 0;
    int m_barValue = 0;   // the bar as the browse file's messages move it
    int m_barMaximum = 0;
    int m_barReadValue = 0;   // the bar at the end of the browse file's load
    int m_barReadMaximum = 0;
    bool m_loadFailed = false;   // a browse file was there but could not be read
    bool m_read = false;         // the browse file was read
    bool m_written = false;      // the browse file was written
    bool m_emptied = false;      // the save found no records: no browse file is kept
    bool m_finished = false;     // the mode's work ended, well or not
    CMessageWindow m_window{[this](UINT message, WPARAM wParam, LPARAM lParam) { return handle(message, wParam, lParam); }};
};

const char *answerName(int answer)
{
    switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
    }
}

// In place of the user: each box goes to standard error and takes its default
// button.
void answerMessageBoxesWithDefaults()
{
    SetMessageBoxResponder([](const QString &text, const QString &caption, UINT type) {
        const int answer = DefaultMessageBoxAnswer(type);
        std::fprintf(stderr, "message box \"%s\": %s -> %s\n", qPrintable(caption), qPrintable(text),
                     answerName(answer));
        return answer;
    });
}

// A drive letter and a colon, or the two backslashes of a share.
bool isWindowsPath(std::string_view argument)
{
    const bool driveLetter = argument.size() >= 2 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
                             argument[1] == ':';
    return driveLetter || argument.starts_with("\\\\");
}

// The canonical Windows path of FOLDER, whichever form it is given in; empty
// when no drive holds it.
CPath windowsFolder(const char *argument)
{
    const std::string hostPath = isWindowsPath(argument)
                                     ? HostPathFromWindows(argument)
                                     : std::filesystem::absolute(argument).lexically_normal().string();
    if (hostPath.empty())
        return CPath();
    return CPath(WindowsPathFromHost(hostPath).c_str());
}

// A "VmRSS:"-like line of the process status, in kilobytes; -1 when missing.
long long processStatusKilobytes(std::string_view field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':')
            return std::atoll(line.c_str() + field.size() + 1);
    }
    return -1;
}

void printMemory(long long rssBeforeKilobytes, long long rssOpenKilobytes, size_t recordCount)
{
    // The kernel raises its high-water mark only at some events (an unmap,
    // the exit), so a resident size read earlier may lie above it.
    const long long peakKilobytes = std::max(processStatusKilobytes("VmHWM"), rssOpenKilobytes);
    std::printf("memory rss-before-kb %lld rss-open-kb %lld peak-kb %lld bytes-per-record ", rssBeforeKilobytes,
                rssOpenKilobytes, peakKilobytes);
    if (recordCount == 0)
        std::printf("-\n");
    else
        std::printf("%lld\n", (rssOpenKilobytes - rssBeforeKilobytes) * 1024 / (long long)recordCount);
}

const char *buildKind(const TBenchOwner &owner)
{
    if (owner.LoadFailed())
        return "rebuilt";
    return owner.Read() ? "reopened" : "cold";
}

// Says on standard error why the run failed; answers the exit status.
int reportOutcome(Mode mode, const TBenchOwner &owner, const CPath &folder)
{
    if (mode == Mode::Reopen ? owner.Read() : owner.Written())
        return 0;
    if (!owner.Finished())
        std::fprintf(stderr, "the scan of %s ended before its work was done\n", folder.c_str());
    else if (mode == Mode::Reopen)
        std::fprintf(stderr, "the browse file of %s could not be read\n", folder.c_str());
    else if (owner.Emptied())
        std::fprintf(stderr, "%s holds no images: no browse file is kept\n", folder.c_str());
    else
        std::fprintf(stderr, "the browse file of %s could not be written\n", folder.c_str());
    return 1;
}

// Opens folder through a scan thread and prints what it took; answers the
// exit status.
int run(Mode mode, const CPath &folder)
{
    if (mode == Mode::Reopen && !GetBrowseFilePath(folder).GetFileExists()) {
        std::fprintf(stderr, "%s has no browse file\n", folder.c_str());
        return 1;
    }

    CScanThumbProgressContext *context = nullptr;
    TScanThreadList threads;
    TBenchOwner owner(mode, folder, context);
    QTimer scanThreadCheck;
    // A scan thread that ended before the owner finished ended by an error,
    // which it has shown.
    QObject::connect(&scanThreadCheck, &QTimer::timeout, &scanThreadCheck, [&threads] {
        if (threads.Count() == 0)
            QApplication::quit();
    });
    scanThreadCheck.start(ScanThreadCheckInterval);

    const long long rssBefore = processStatusKilobytes("VmRSS");
    QElapsedTimer timer;
    context = new CScanThumbProgressContext(owner.Handle(), std::make_unique<TWorkerProgressContext>());
    timer.start();
    new TScanThread(folder, context, &threads, tpNormal);
    QApplication::exec();
    const qint64 elapsed = timer.elapsed();
    const long long rssOpen = processStatusKilobytes("VmRSS");
    scanThreadCheck.stop();
    context->Terminate(true);
    context->Release();
    while (threads.Count() > 0)
        QApplication::processEvents(QEventLoop::AllEvents, 10);

    int failed = 0;
    for (const CThumbBitmap *record : owner.Records())
        failed += record->GetState() == TThumbState::Failed;
    if (mode == Mode::Reopen)
        std::printf("records %zu ms %lld bar %d of %d (%d%%)\n", owner.Records().size(), (long long)elapsed,
                    owner.BarValue(), owner.BarMaximum(),
                    owner.BarMaximum() > 0 ? int(int64_t(owner.BarValue()) * 100 / owner.BarMaximum()) : 0);
    else
        std::printf("records %zu built %d failed %d ms %lld %s file %s\n", owner.Records().size(), owner.BuiltCount(),
                    failed, (long long)elapsed, buildKind(owner), GetBrowseFilePath(folder).c_str());
    printMemory(rssBefore, rssOpen, owner.Records().size());
    if (mode == Mode::Build && owner.Read())
        std::fprintf(stderr, "%s had a browse file, read before the rescan: not a cold build (delete %s for one)\n",
                     folder.c_str(), GetBrowseFilePath(folder).c_str());
    return reportOutcome(mode, owner, folder);
}

int usage()
{
    std::fprintf(stderr, "usage: ZiloBench build FOLDER [--threads N] | ZiloBench reopen FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    const Mode mode = std::strcmp(argv[1], "reopen") == 0 ? Mode::Reopen : Mode::Build;
    if (mode == Mode::Build && std::strcmp(argv[1], "build") != 0)
        return usage();
    const bool threadsGiven = mode == Mode::Build && argc == 5 && std::strcmp(argv[3], "--threads") == 0;
    if (argc != 3 && !threadsGiven)
        return usage();
    if (threadsGiven)
        TScanThread::SetBuilderCount(std::atoi(argv[4]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    answerMessageBoxesWithDefaults();
    InitGlobals();
    InitImageLibrary();
    const CPath folder = windowsFolder(argv[2]);
    int status = 1;
    if (folder.IsEmpty())
        std::fprintf(stderr, "%s lies on no drive\n", argv[2]);
    else if (!folder.GetDirectoryExists())
        std::fprintf(stderr, "%s: no such folder\n", folder.c_str());
    else
        status = run(mode, folder);
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    return status;
}
