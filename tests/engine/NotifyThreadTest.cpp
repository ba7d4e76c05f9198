#include <Source/engine/NotifyThread.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"
#include "../WindowThreadQueue.h"

#include <Source/engine/UserMessages.h>
#include <platform/ChangeNotification.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

// How long the window is served to show that nothing comes; each such wait is
// followed by a change that must come.
constexpr auto QuietTime = 300ms;

void ServeFor(std::chrono::milliseconds time)
{
    ServeUntil([] { return false; }, time);
}

// A window on the test's thread that counts UM_FOLDER_CHANGED and runs
// onChange inside each.
class FolderWindow
{
public:
    std::function<void()> onChange;

    HWND handle() const { return m_window.Handle(); }
    int changes() const { return m_changes; }

private:
    int m_changes = 0;   // window thread only
    CMessageWindow m_window{[this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != UM_FOLDER_CHANGED || wParam != 0 || lParam != 0)
            return 0;
        ++m_changes;
        if (onChange)
            onChange();
        return 0;
    }};
};

// A watcher and the sign that it has freed itself.
struct Watcher
{
    TNotifyThread *thread = nullptr;
    bool failed = false;
    std::future<void> freed;
};

Watcher StartWatcher(HWND window, const std::string &windowsFolder)
{
    auto freed = std::make_shared<std::promise<void>>();
    Watcher watcher;
    watcher.freed = freed->get_future();
    watcher.thread = new TNotifyThread(window, CString(windowsFolder.c_str()), watcher.failed,
                                       [freed] { freed->set_value(); });
    return watcher;
}

// Stops the watcher and serves the window until it has freed itself.
bool StopAndWaitUntilFreed(Watcher &watcher)
{
    watcher.thread->Stop();
    watcher.thread = nullptr;
    return ServeUntilReady(watcher.freed);
}

// Fulfils ended when the debugger output says that the watch of folder ended.
class WatchEndReport
{
public:
    explicit WatchEndReport(const std::string &folder)
        : m_expected(QStringLiteral("Folder watch of %1 ended").arg(QString::fromStdString(folder)))
    {
        std::lock_guard lock(s_lock);
        s_current = this;
        m_previous = qInstallMessageHandler(&WatchEndReport::collect);
    }
    ~WatchEndReport()
    {
        qInstallMessageHandler(m_previous);
        std::lock_guard lock(s_lock);
        s_current = nullptr;
    }

    std::future<void> &ended() { return m_endedFuture; }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard lock(s_lock);
        if (!s_current || s_current->m_seen || !message.startsWith(s_current->m_expected))
            return;
        s_current->m_seen = true;
        s_current->m_ended.set_value();
    }

    static inline std::mutex s_lock;   // guards s_current and its m_seen
    static inline WatchEndReport *s_current = nullptr;
    const QString m_expected;
    bool m_seen = false;
    std::promise<void> m_ended;
    std::future<void> m_endedFuture = m_ended.get_future();
    QtMessageHandler m_previous = nullptr;
};

// Lowers the process's limit of open files while it lives. With fewer than
// the descriptors a wait polls, the wait fails.
class OpenFileLimit
{
public:
    explicit OpenFileLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~OpenFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    OpenFileLimit(const OpenFileLimit &) = delete;
    OpenFileLimit &operator=(const OpenFileLimit &) = delete;

private:
    rlimit m_saved{};
};

// The watched folder holds "a.jpg" and a subfolder "Sub" holding "b.jpg".
class NotifyThread : public testing::Test
{
protected:
    static std::string hostFolder() { return TestHostFolder() + "/Watched"; }
    static std::string windowsFolder() { return TestWindowsPath("Watched").toStdString(); }

    static void makeFolder()
    {
        fs::remove_all(hostFolder());
        fs::create_directories(hostFolder() + "/Sub");
        WriteHostFile(hostFolder() + "/a.jpg", "12345");
        WriteHostFile(hostFolder() + "/Sub/b.jpg", "12345");
    }
    void SetUp() override { makeFolder(); }

    // A change that the watcher reports, one at a time.
    void renameAFile()
    {
        const std::string names[] = {"/a.jpg", "/renamed.jpg"};
        fs::rename(hostFolder() + names[m_renames % 2], hostFolder() + names[(m_renames + 1) % 2]);
        ++m_renames;
    }

    int m_renames = 0;
};

// Its tests meet Qt's queue only through windows that are gone, so they also
// run under ThreadSanitizer.
using NotifyThreadThreads = NotifyThread;

} // namespace

TEST_F(NotifyThread, ReportsACreateARenameADeleteAndARewrite)
{
    const struct
    {
        const char *change;
        std::function<void(const std::string &folder)> make;
    } cases[] = {
        {"create", [](auto &folder) { WriteHostFile(folder + "/new.jpg", "1"); }},
        {"rename", [](auto &folder) { fs::rename(folder + "/a.jpg", folder + "/c.jpg"); }},
        {"delete", [](auto &folder) { fs::remove(folder + "/a.jpg"); }},
        {"rewrite", [](auto &folder) { WriteHostFile(folder + "/a.jpg", "67890"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        makeFolder();
        FolderWindow window;
        Watcher watcher = StartWatcher(window.handle(), windowsFolder());
        ASSERT_FALSE(watcher.failed);
        c.make(hostFolder());
        EXPECT_TRUE(ServeUntil([&] { return window.changes() >= 1; }));
        EXPECT_TRUE(StopAndWaitUntilFreed(watcher));
    }
}

TEST_F(NotifyThread, ReportsNothingForChangesInsideASubfolder)
{
    FolderWindow window;
    Watcher watcher = StartWatcher(window.handle(), windowsFolder());
    ASSERT_FALSE(watcher.failed);
    const std::string sub = hostFolder() + "/Sub";
    WriteHostFile(sub + "/new.jpg", "1");
    WriteHostFile(sub + "/b.jpg", "67890");
    fs::rename(sub + "/b.jpg", sub + "/c.jpg");
    fs::remove(sub + "/new.jpg");
    fs::create_directory(hostFolder() + "/NewSub");
    ServeFor(QuietTime);
    EXPECT_EQ(window.changes(), 0);
    renameAFile();
    EXPECT_TRUE(ServeUntil([&] { return window.changes() >= 1; })) << "the watcher is watching";
    EXPECT_TRUE(StopAndWaitUntilFreed(watcher));
}

TEST_F(NotifyThread, StopDuringTheHandlerStillEndsItAfterTheHandler)
{
    FolderWindow window;
    Watcher watcher = StartWatcher(window.handle(), windowsFolder());
    ASSERT_FALSE(watcher.failed);
    // Another folder's watch, whose wait reads the process's changes: the
    // watcher's further change is then already signalled when it waits again.
    fs::create_directories(TestHostFolder() + "/Other");
    const HANDLE other = FindFirstChangeNotificationA(TestWindowsPath("Other").toStdString().c_str(), FALSE,
                                                      FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    bool stopped = false;
    window.onChange = [&] {
        if (stopped)
            return;
        stopped = true;
        watcher.thread->Stop();
        renameAFile();   // a further change must not win over the stop
        EXPECT_EQ(WaitForMultipleObjects(1, &other, FALSE, 0), WAIT_TIMEOUT);
    };
    renameAFile();
    EXPECT_TRUE(ServeUntilReady(watcher.freed));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(window.changes(), 1);
    FindCloseChangeNotification(other);
}

TEST_F(NotifyThread, AFolderThatCannotBeWatchedReportsFailedAndStartsNoThread)
{
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "1", "")
                  + DriveMapLine("D:", TestHostFolder() + "/NoMedium", "removable", "2", ""));
    const struct
    {
        const char *what;
        std::string folder;
    } cases[] = {
        {"missing folder", "C:\\Missing"},
        {"a file", "C:\\Watched\\a.jpg"},
        {"drive without medium", "D:\\"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FolderWindow window;
        Watcher watcher = StartWatcher(window.handle(), c.folder);
        EXPECT_TRUE(watcher.failed);
        EXPECT_FALSE(watcher.thread->Started());
        delete watcher.thread;   // the caller drops it
        EXPECT_EQ(watcher.freed.wait_for(0s), std::future_status::ready);
    }
}

// A watch that breaks is over for good: the watcher sends nothing more and
// does not spin, while another watcher of the folder keeps seeing changes;
// Stop still ends it.
TEST_F(NotifyThread, AWatchThatBreaksStaysEndedAndStopStillEndsIt)
{
    const struct
    {
        const char *how;
        std::function<void(WatchEndReport &report)> breakWatch;
    } cases[] = {
        {"the folder is deleted, so it cannot be watched again",
         [](WatchEndReport &report) {
             fs::remove_all(hostFolder());
             ASSERT_TRUE(ServeUntilReady(report.ended()));
             makeFolder();
         }},
        {"the wait fails",
         [this](WatchEndReport &report) {
             OpenFileLimit limit(2);   // the watcher polls three descriptors
             renameAFile();
             ASSERT_TRUE(ReadyWithoutServing(report.ended()));
         }},
        {"even the wait for the stop fails for a while",
         [this](WatchEndReport &report) {
             OpenFileLimit limit(0);
             renameAFile();
             ASSERT_TRUE(ReadyWithoutServing(report.ended()));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        makeFolder();
        m_renames = 0;
        FolderWindow broken;
        Watcher watcher = StartWatcher(broken.handle(), windowsFolder());
        ASSERT_FALSE(watcher.failed);
        {
            WatchEndReport report(windowsFolder());
            c.breakWatch(report);
        }
        const int changesAtTheEnd = broken.changes();

        FolderWindow control;
        Watcher controlWatcher = StartWatcher(control.handle(), windowsFolder());
        ASSERT_FALSE(controlWatcher.failed);
        renameAFile();
        EXPECT_TRUE(ServeUntil([&] { return control.changes() >= 1; }));
        ServeFor(QuietTime);
        EXPECT_EQ(broken.changes(), changesAtTheEnd);
        ASSERT_EQ(watcher.freed.wait_for(0s), std::future_status::timeout) << "it waits for its Stop";

        EXPECT_TRUE(StopAndWaitUntilFreed(watcher));
        EXPECT_TRUE(StopAndWaitUntilFreed(controlWatcher));
    }
}

TEST_F(NotifyThreadThreads, WatchersOfAGoneWindowEndAtAStopFromAnyThreadWhileChangesFlow)
{
    HWND gone;
    {
        FolderWindow window;
        gone = window.handle();
    }
    constexpr int WatcherCount = 8;
    std::vector<Watcher> watchers;
    for (int i = 0; i < WatcherCount; ++i) {
        watchers.push_back(StartWatcher(gone, windowsFolder()));
        ASSERT_FALSE(watchers.back().failed);
    }
    std::atomic<bool> stopping{false};
    std::promise<void> flowing;
    auto changes = std::async(std::launch::async, [&] {
        for (int i = 0; !stopping; ++i) {
            WriteHostFile(hostFolder() + "/flow" + std::to_string(i % 10) + ".jpg", "1");
            if (i == 100)
                flowing.set_value();
        }
    });
    flowing.get_future().wait();
    std::vector<std::future<void>> stops;
    for (Watcher &watcher : watchers)
        stops.push_back(std::async(std::launch::async, [thread = watcher.thread] { thread->Stop(); }));
    for (Watcher &watcher : watchers)
        EXPECT_TRUE(ReadyWithoutServing(watcher.freed));
    stopping = true;
    changes.get();
}
