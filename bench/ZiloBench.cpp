// Drives the engine headless the way a browse window does, and times it:
//     ZiloBench build FOLDER [--threads N]
//         opens the folder through a scan thread (its browse file when it has
//         one, otherwise a rescan building every thumbnail), then saves the
//         browse file; prints "records R built B failed F ms T file PATH".
//     ZiloBench reopen FOLDER
//         opens a folder that has a browse file; prints "records R ms T".
// FOLDER is a host path or a Windows path. The settings come from
// ZILO_REGISTRY and the program folder from ZILO_PROGRAM_FOLDER, as for the
// organiser itself; --threads sets the number of builders beside the scan
// thread.

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ScanThread.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/UserMessages.h>
#include <platform/HostPath.h>
#include <platform/Messages.h>

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

enum class Mode { Build, Reopen };

// The owner window of the scan thread: keeps every record it is sent, as a
// browse window does, asks for a save once the folder is open, and quits the
// event loop when its mode's work is done.
class TBenchOwner
{
public:
    TBenchOwner(Mode mode, CScanThumbProgressContext *&context) : m_mode(mode), m_context(context) {}
    ~TBenchOwner()
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
    }

    HWND Handle() const { return m_window.Handle(); }
    const std::vector<CThumbBitmap *> &Records() const { return m_records; }
    int BuiltCount() const { return m_builtCount; }
    bool Succeeded() const { return m_succeeded; }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case UM_BROWSE_RECORD_READ:
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
            m_succeeded = wParam != 0;
            if (m_mode == Mode::Reopen)
                QApplication::quit();
            else if (!m_context->GetRescanRequest())
                m_context->SetSaveRequest(true);
            break;
        case UM_LOADER_END:
            m_builtCount = int(lParam);
            m_context->SetSaveRequest(true);
            break;
        case UM_BROWSE_SAVE_END:
            m_succeeded = wParam != 0;
            QApplication::quit();
            break;
        default:
            break;
        }
        return 0;
    }

    void keep(CThumbBitmap *record)
    {
        if (!m_kept.insert(record).second)
            return;
        record->AddRef();
        m_records.push_back(record);
    }

    Mode m_mode;
    CScanThumbProgressContext *&m_context;
    std::vector<CThumbBitmap *> m_records;   // one reference each
    std::unordered_set<CThumbBitmap *> m_kept;
    int m_builtCount = 0;
    bool m_succeeded = false;
    CMessageWindow m_window{[this](UINT message, WPARAM wParam, LPARAM lParam) { return handle(message, wParam, lParam); }};
};

CPath windowsFolder(const char *argument)
{
    if (argument[0] != '/')
        return CPath(argument);
    return CPath(WindowsPathFromHost(std::filesystem::absolute(argument).lexically_normal().string()).c_str());
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
    if (argc == 5 && std::strcmp(argv[3], "--threads") == 0)
        TScanThread::SetBuilderCount(std::atoi(argv[4]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InitGlobals();
    InitImageLibrary();
    const CPath folder = windowsFolder(argv[2]);
    if (mode == Mode::Reopen && !GetBrowseFilePath(folder).GetFileExists()) {
        std::fprintf(stderr, "%s has no browse file\n", folder.c_str());
        return 1;
    }

    CScanThumbProgressContext *context = nullptr;
    TScanThreadList threads;
    QElapsedTimer timer;
    qint64 elapsed = 0;
    {
        TBenchOwner owner(mode, context);
        context = new CScanThumbProgressContext(owner.Handle(), std::make_unique<TWorkerProgressContext>());
        timer.start();
        new TScanThread(folder, context, &threads, tpNormal);
        QApplication::exec();
        elapsed = timer.elapsed();
        context->Terminate(true);
        context->Release();
        while (threads.Count() > 0)
            QApplication::processEvents(QEventLoop::AllEvents, 10);

        int failed = 0;
        for (const CThumbBitmap *record : owner.Records())
            failed += record->GetState() == TThumbState::Failed;
        if (mode == Mode::Reopen)
            std::printf("records %zu ms %lld\n", owner.Records().size(), (long long)elapsed);
        else
            std::printf("records %zu built %d failed %d ms %lld file %s\n", owner.Records().size(), owner.BuiltCount(),
                        failed, (long long)elapsed, GetBrowseFilePath(folder).c_str());
        if (!owner.Succeeded())
            std::fprintf(stderr, "the browse file could not be %s\n", mode == Mode::Reopen ? "read" : "written");
    }
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    return 0;
}
