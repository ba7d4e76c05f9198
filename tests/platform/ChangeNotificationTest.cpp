#include <platform/ChangeNotification.h>
#include <platform/HostPath.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

// How long a wait runs that shows that nothing is signalled; each such wait
// is followed by a change that must be seen.
constexpr DWORD QuietMilliseconds = 200;
// The bound of a wait for something that must come.
constexpr DWORD SignalMilliseconds = 20000;

constexpr DWORD FileName = FILE_NOTIFY_CHANGE_FILE_NAME;
constexpr DWORD DirName = FILE_NOTIFY_CHANGE_DIR_NAME;
constexpr DWORD LastWrite = FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD Everything = FileName | DirName | LastWrite;

bool signalled(HANDLE handle, DWORD milliseconds = SignalMilliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds) == WAIT_OBJECT_0;
}

bool quiet(HANDLE handle)
{
    return WaitForMultipleObjects(1, &handle, FALSE, QuietMilliseconds) == WAIT_TIMEOUT;
}

// Folders of the test folder, each with a file "a.jpg", an empty subfolder
// "Empty" and a subfolder "Sub" holding "b.jpg".
class ChangeNotification : public testing::Test
{
protected:
    static std::string host(const std::string &name) { return TestHostFolder() + "/" + name; }
    static std::string windows(const std::string &name) { return TestWindowsPath(QString::fromStdString(name)).toStdString(); }

    static void makeFolder(const std::string &name)
    {
        fs::remove_all(host(name));
        fs::create_directories(host(name) + "/Sub");
        fs::create_directories(host(name) + "/Empty");
        WriteHostFile(host(name) + "/a.jpg", "12345");
        WriteHostFile(host(name) + "/Sub/b.jpg", "12345");
    }

    // Made after the folder, so that making it is no change.
    HANDLE watch(const std::string &name, DWORD filter)
    {
        const HANDLE notification = FindFirstChangeNotificationA(windows(name).c_str(), FALSE, filter);
        EXPECT_NE(notification, INVALID_HANDLE_VALUE) << name << " error " << GetLastError();
        m_open.push_back(notification);
        return notification;
    }

    void close(HANDLE notification)
    {
        EXPECT_TRUE(FindCloseChangeNotification(notification));
        std::erase(m_open, notification);
    }

    void TearDown() override
    {
        for (HANDLE notification : m_open)
            FindCloseChangeNotification(notification);
    }

    // A change that each filter reports.
    static void controlChange(const std::string &folder, DWORD filter)
    {
        if (filter & (FileName | LastWrite))
            WriteHostFile(host(folder) + "/control.txt", "x");
        else
            fs::create_directory(host(folder) + "/Control");
    }

    std::vector<HANDLE> m_open;
};

} // namespace

TEST_F(ChangeNotification, ReportsWhatItsFilterAsksForAndNothingInsideSubfolders)
{
    const auto setTime = [](const std::string &path) {
        fs::last_write_time(path, fs::last_write_time(path) - 24h);
    };
    const struct
    {
        const char *change;
        std::function<void(const std::string &folder)> make;
        DWORD filter;
        bool reported;
    } cases[] = {
        {"make a file", [](auto &f) { WriteHostFile(f + "/new.jpg", "1"); }, FileName, true},
        {"rename a file", [](auto &f) { fs::rename(f + "/a.jpg", f + "/c.jpg"); }, FileName, true},
        {"rename a file", [](auto &f) { fs::rename(f + "/a.jpg", f + "/c.jpg"); }, LastWrite, false},
        {"move a file in", [](auto &f) { fs::rename(f + "/../outside.jpg", f + "/in.jpg"); }, FileName, true},
        {"move a file out", [](auto &f) { fs::rename(f + "/a.jpg", f + "/../outside.jpg"); }, FileName, true},
        {"replace a file by renaming", [](auto &f) {
             WriteHostFile(f + "/../temp.jpg", "new");
             fs::rename(f + "/../temp.jpg", f + "/a.jpg");
         }, FileName, true},
        {"delete a file", [](auto &f) { fs::remove(f + "/a.jpg"); }, FileName, true},
        {"delete a file", [](auto &f) { fs::remove(f + "/a.jpg"); }, LastWrite, false},
        {"rewrite a file", [](auto &f) { WriteHostFile(f + "/a.jpg", "67890"); }, LastWrite, true},
        {"rewrite a file", [](auto &f) { WriteHostFile(f + "/a.jpg", "67890"); }, FileName, false},
        {"set a file's time", [&](auto &f) { setTime(f + "/a.jpg"); }, LastWrite, true},
        {"set a file's time", [&](auto &f) { setTime(f + "/a.jpg"); }, FileName, false},
        {"make a subfolder", [](auto &f) { fs::create_directory(f + "/New"); }, FileName | LastWrite, false},
        {"make a subfolder", [](auto &f) { fs::create_directory(f + "/New"); }, DirName, true},
        {"rename a subfolder", [](auto &f) { fs::rename(f + "/Sub", f + "/Sub2"); }, FileName | LastWrite, false},
        {"rename a subfolder", [](auto &f) { fs::rename(f + "/Sub", f + "/Sub2"); }, DirName, true},
        {"remove a subfolder", [](auto &f) { fs::remove(f + "/Empty"); }, FileName | LastWrite, false},
        {"remove a subfolder", [](auto &f) { fs::remove(f + "/Empty"); }, DirName, true},
        {"set a subfolder's time", [&](auto &f) { setTime(f + "/Sub"); }, Everything, false},
        {"set the folder's own time", [&](auto &f) { setTime(f); }, Everything, false},
        {"make a file in a subfolder", [](auto &f) { WriteHostFile(f + "/Sub/new.jpg", "1"); }, Everything, false},
        {"rewrite a file in a subfolder", [](auto &f) { WriteHostFile(f + "/Sub/b.jpg", "6"); }, Everything, false},
        {"rename a file in a subfolder", [](auto &f) { fs::rename(f + "/Sub/b.jpg", f + "/Sub/c.jpg"); },
         Everything, false},
        {"delete a file in a subfolder", [](auto &f) { fs::remove(f + "/Sub/b.jpg"); }, Everything, false},
        {"set the time of a file in a subfolder", [&](auto &f) { setTime(f + "/Sub/b.jpg"); }, Everything, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.change) + ", filter " + std::to_string(c.filter));
        makeFolder("Watched");
        WriteHostFile(host("outside.jpg"), "12345");
        const HANDLE notification = watch("Watched", c.filter);
        c.make(host("Watched"));
        if (c.reported) {
            EXPECT_TRUE(signalled(notification));
        } else {
            EXPECT_TRUE(quiet(notification));
            controlChange("Watched", c.filter);
            EXPECT_TRUE(signalled(notification)) << "the control change";
        }
        close(notification);
    }
}

TEST_F(ChangeNotification, ABurstWakesOnceAndStaysSignalledUntilReArmed)
{
    makeFolder("Watched");
    const HANDLE notification = watch("Watched", FileName | LastWrite);
    for (int i = 0; i < 50; ++i)
        WriteHostFile(host("Watched") + "/burst" + std::to_string(i) + ".jpg", "1");
    fs::remove(host("Watched") + "/a.jpg");
    ASSERT_TRUE(signalled(notification));
    EXPECT_TRUE(signalled(notification, 0)) << "signalled until re-armed";
    ASSERT_TRUE(FindNextChangeNotification(notification));
    EXPECT_TRUE(quiet(notification)) << "the whole burst was one answer";
    fs::rename(host("Watched") + "/burst0.jpg", host("Watched") + "/renamed.jpg");
    EXPECT_TRUE(signalled(notification));
}

TEST_F(ChangeNotification, AChangeBetweenTheAnswerAndTheReArmIsKept)
{
    makeFolder("Watched");
    makeFolder("Other");
    const HANDLE notification = watch("Watched", FileName);
    const HANDLE other = watch("Other", FileName);
    // Read by the next wait on the notification itself, or already by a wait
    // on another folder's notification.
    for (bool readByOtherWait : {false, true}) {
        SCOPED_TRACE(readByOtherWait);
        WriteHostFile(host("Watched") + "/first.jpg", "1");
        ASSERT_TRUE(signalled(notification));
        fs::rename(host("Watched") + "/first.jpg", host("Watched") + "/second.jpg");
        if (readByOtherWait) {
            EXPECT_TRUE(quiet(other));
        }
        ASSERT_TRUE(FindNextChangeNotification(notification));
        EXPECT_TRUE(signalled(notification, readByOtherWait ? 0 : SignalMilliseconds));
        ASSERT_TRUE(FindNextChangeNotification(notification));
        EXPECT_TRUE(quiet(notification));
        fs::remove(host("Watched") + "/second.jpg");
        ASSERT_TRUE(signalled(notification));
        ASSERT_TRUE(FindNextChangeNotification(notification));
    }
}

TEST_F(ChangeNotification, NotificationsOfOneFolderShareItsWatch)
{
    makeFolder("Watched");
    makeFolder("Other");
    const HANDLE names = watch("Watched", FileName);
    const HANDLE writes = watch("Watched", LastWrite);
    WriteHostFile(host("Watched") + "/a.jpg", "67890");
    EXPECT_TRUE(signalled(writes));
    EXPECT_TRUE(quiet(names)) << "each notification keeps its own filter";
    ASSERT_TRUE(FindNextChangeNotification(writes));

    close(writes);   // the other notification of the folder keeps watching
    const HANDLE other = watch("Other", FileName);
    close(other);
    for (const char *name : {"c.jpg", "d.jpg"}) {
        SCOPED_TRACE(name);
        fs::rename(host("Watched") + "/a.jpg", host("Watched") + "/" + name);
        EXPECT_TRUE(signalled(names));
        EXPECT_TRUE(FindNextChangeNotification(names)) << "error " << GetLastError();
        fs::rename(host("Watched") + "/" + name, host("Watched") + "/a.jpg");
        EXPECT_TRUE(signalled(names));
        ASSERT_TRUE(FindNextChangeNotification(names));
    }
}

TEST(ChangeNotificationThreads, EachWaiterWakesForItsOwnFolderWhoeverReadsTheChanges)
{
    const std::string folders[] = {TestHostFolder() + "/A", TestHostFolder() + "/B"};
    HANDLE notifications[2];
    HANDLE stops[2];
    for (int i = 0; i < 2; ++i) {
        fs::create_directories(folders[i]);
        notifications[i] = FindFirstChangeNotificationA(WindowsPathFromHost(folders[i]).c_str(), FALSE, FileName);
        ASSERT_NE(notifications[i], INVALID_HANDLE_VALUE);
        stops[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ASSERT_NE(stops[i], 0);
    }
    // Each waiter counts its folder's changes until its stop.
    const auto waiter = [](HANDLE stop, HANDLE notification, std::promise<void> *first) {
        const HANDLE handles[] = {stop, notification};
        int changes = 0;
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            if (changes++ == 0)
                first->set_value();
            FindNextChangeNotification(notification);
        }
        return changes;
    };
    std::promise<void> firstChange[2];
    std::future<void> futures[] = {firstChange[0].get_future(), firstChange[1].get_future()};
    std::future<int> counts[2];
    for (int i = 0; i < 2; ++i)
        counts[i] = std::async(std::launch::async, waiter, stops[i], notifications[i], &firstChange[i]);

    WriteHostFile(folders[1] + "/x.jpg", "1");
    EXPECT_EQ(futures[1].wait_for(20s), std::future_status::ready);
    EXPECT_EQ(futures[0].wait_for(std::chrono::milliseconds(QuietMilliseconds)), std::future_status::timeout);
    WriteHostFile(folders[0] + "/x.jpg", "1");
    EXPECT_EQ(futures[0].wait_for(20s), std::future_status::ready);

    for (int i = 0; i < 2; ++i) {
        SetEvent(stops[i]);
        EXPECT_GE(counts[i].get(), 1);
        FindCloseChangeNotification(notifications[i]);
        CloseHandle(stops[i]);
    }
}

TEST_F(ChangeNotification, SignalledWhenTheFolderGoesAndThenCannotBeReArmed)
{
    const struct
    {
        const char *how;
        std::function<void()> removeFolder;
    } cases[] = {
        {"deleted", [] { fs::remove_all(host("Watched")); }},
        {"moved away", [] { fs::rename(host("Watched"), host("Moved")); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        fs::remove_all(host("Moved"));
        makeFolder("Watched");
        const HANDLE notification = watch("Watched", FileName | LastWrite);
        c.removeFolder();
        EXPECT_TRUE(signalled(notification));
        EXPECT_FALSE(FindNextChangeNotification(notification));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
        close(notification);

        makeFolder("Watched");   // a new folder at the same path is watched afresh
        const HANDLE again = watch("Watched", FileName);
        fs::remove(host("Watched") + "/a.jpg");
        EXPECT_TRUE(signalled(again));
        close(again);
    }
}

TEST_F(ChangeNotification, RefusesWhatItCannotWatch)
{
    makeFolder("Watched");
    fs::create_directories(host("Card"));
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "1", "")
                  + DriveMapLine("D:", host("NoMedium"), "removable", "2", ""));
    const struct
    {
        const char *what;
        std::string path;
        BOOL watchSubtree;
        DWORD filter;
        DWORD error;
    } cases[] = {
        {"missing folder", "C:\\Missing", FALSE, FileName, ERROR_FILE_NOT_FOUND},
        {"a file", "C:\\Watched\\a.jpg", FALSE, FileName, ERROR_DIRECTORY},
        {"drive without medium", "D:\\", FALSE, FileName, ERROR_NOT_READY},
        {"relative path", "Watched", FALSE, FileName, ERROR_PATH_NOT_FOUND},
        {"subtree", "C:\\Watched", TRUE, FileName, ERROR_INVALID_PARAMETER},
        {"empty filter", "C:\\Watched", FALSE, 0, ERROR_INVALID_PARAMETER},
        {"attributes filter", "C:\\Watched", FALSE, FileName | 0x4, ERROR_INVALID_PARAMETER},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(FindFirstChangeNotificationA(c.path.c_str(), c.watchSubtree, c.filter), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(ChangeNotificationEvents, AutoResetEventsStaySetUntilOneWaitTakesThem)
{
    const HANDLE first = CreateEventA(nullptr, FALSE, FALSE, "ZILO Event 00000001 1");
    const HANDLE second = CreateEventA(nullptr, FALSE, TRUE, "ZILO Event 00000001 1");
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    const HANDLE both[] = {first, second};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1) << "made set; one name, two events";
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT) << "the wait reset it";

    ASSERT_TRUE(SetEvent(first));
    ASSERT_TRUE(SetEvent(second));
    ASSERT_TRUE(SetEvent(second));   // a second set of a set event adds nothing
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0) << "the lowest index first";
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 10), WAIT_TIMEOUT);

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, nullptr), 0) << "manual reset";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
}

TEST(ChangeNotificationThreads, OneSetReleasesOneWaiter)
{
    const HANDLE shared = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const HANDLE ownStops[] = {CreateEventA(nullptr, FALSE, FALSE, nullptr),
                               CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    // Each waiter answers how many times it got the shared event before its own stop.
    const auto waiter = [shared](HANDLE stop, std::promise<void> *got) {
        const HANDLE handles[] = {stop, shared};
        int taken = 0;
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            ++taken;
            got->set_value();
        }
        return taken;
    };
    std::promise<void> got[2];
    std::future<void> gotFutures[] = {got[0].get_future(), got[1].get_future()};
    std::future<int> waiters[2];
    for (int i = 0; i < 2; ++i)
        waiters[i] = std::async(std::launch::async, waiter, ownStops[i], &got[i]);

    ASSERT_TRUE(SetEvent(shared));
    const auto anyReady = [&] {
        for (auto &future : gotFutures) {
            if (future.wait_for(1ms) == std::future_status::ready)
                return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!anyReady() && std::chrono::steady_clock::now() < deadline) {
    }
    for (int i = 0; i < 2; ++i)
        SetEvent(ownStops[i]);
    EXPECT_EQ(waiters[0].get() + waiters[1].get(), 1);
    for (HANDLE handle : {shared, ownStops[0], ownStops[1]})
        CloseHandle(handle);
}

TEST(ChangeNotificationEvents, AnEventIsNeverTheNullHandle)
{
    const int savedInput = ::dup(0);
    ASSERT_GE(savedInput, 0);
    ::close(0);
    const HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ASSERT_NE(event, 0);
    EXPECT_TRUE(signalled(event, 0));
    CloseHandle(event);
}

TEST(ChangeNotificationEvents, WaitsAndCallsRefuseWrongArguments)
{
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(closed);
    const std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, event);
    const struct
    {
        const char *what;
        DWORD count;
        const HANDLE *handles;
        BOOL waitAll;
        DWORD error;
    } cases[] = {
        {"no handles", 0, &event, FALSE, ERROR_INVALID_PARAMETER},
        {"too many handles", DWORD(many.size()), many.data(), FALSE, ERROR_INVALID_PARAMETER},
        {"wait for all", 1, &event, TRUE, ERROR_INVALID_PARAMETER},
        {"invalid handle", 1, &INVALID_HANDLE_VALUE, FALSE, ERROR_INVALID_HANDLE},
        {"closed handle", 1, &closed, FALSE, ERROR_INVALID_HANDLE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.waitAll, INFINITE), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_FALSE(FindNextChangeNotification(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindCloseChangeNotification(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(event);
}
