#include "NotifyThread.h"

#include "UserMessages.h"

#include <platform/ChangeNotification.h>
#include <platform/Debug.h>
#include <platform/LastError.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>

// How long a watcher whose wait for its stop fails waits before it tries again.
constexpr std::chrono::seconds StopRetryPause{1};

// The host numbers a thread only once it runs; the watchers' own serial number
// stands in for the thread's identifier in the event's name.
static uint32_t nextWatcherNumber()
{
    static std::atomic<uint32_t> last{0};
    return ++last;
}

TNotifyThread::TNotifyThread(HWND window, const CString &folder, bool &failed, std::function<void()> freed)
    : m_window(window), m_folder(folder), m_freed(std::move(freed))
{
    CString name;
    name.Format("ZILO Event %08X %u", nextWatcherNumber(), uint32_t(std::time(nullptr)));
    m_stopEvent = CreateEventA(nullptr, FALSE, FALSE, name);
    if (m_stopEvent)
        m_notification = FindFirstChangeNotificationA(
            folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
    failed = !m_stopEvent || m_notification == INVALID_HANDLE_VALUE;
    if (failed) {
        CString line;
        line.Format("Folder watch of %s not started, error %u", folder.c_str(), GetLastError());
        OutputDebugStringA(line);
        return;
    }
    SetFreeOnTerminate(true);
    Resume();
}

TNotifyThread::~TNotifyThread()
{
    if (m_notification != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(m_notification);
    if (m_stopEvent)
        CloseHandle(m_stopEvent);
    if (m_freed)
        m_freed();
}

void TNotifyThread::Stop()
{
    // Set, not pulsed: a watcher inside its message sees the stop afterwards.
    if (!SetEvent(m_stopEvent))
        OutputDebugStringA("Folder watcher could not be stopped");
}

void TNotifyThread::Execute()
{
    if (!watch())
        waitForStop();
}

// Answers true at the stop, false when the watch ended on its own.
bool TNotifyThread::watch()
{
    // The stop first: when both are signalled the wait answers the stop, so a
    // stream of changes cannot hold it off.
    const HANDLE handles[] = {m_stopEvent, m_notification};
    for (;;) {
        const DWORD signalled = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (signalled == WAIT_OBJECT_0)
            return true;
        if (signalled != WAIT_OBJECT_0 + 1) {
            endWatch("the wait failed");
            return false;
        }
        SendMessage(m_window, UM_FOLDER_CHANGED, 0, 0);
        if (!FindNextChangeNotification(m_notification)) {
            endWatch("the folder cannot be watched again");
            return false;
        }
    }
}

// Waiting again would fail again at once, so the folder stays unwatched. The
// thread lives on until Stop, which the window still gives to this object.
void TNotifyThread::endWatch(const char *what)
{
    const DWORD error = GetLastError();
    CString line;
    line.Format("Folder watch of %s ended: %s, error %u", m_folder.c_str(), what, error);
    OutputDebugStringA(line);
    FindCloseChangeNotification(m_notification);
    m_notification = INVALID_HANDLE_VALUE;
}

void TNotifyThread::waitForStop()
{
    while (WaitForMultipleObjects(1, &m_stopEvent, FALSE, INFINITE) != WAIT_OBJECT_0)
        std::this_thread::sleep_for(StopRetryPause);
}
