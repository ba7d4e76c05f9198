#pragma once

#include <lib/String.h>
#include <platform/FileIO.h>
#include <platform/Messages.h>
#include <platform/Thread.h>

#include <functional>

// The watcher of one open folder: sends UM_FOLDER_CHANGED (wParam 0, lParam 0)
// to its window, blocking, when a file name or a file's last write changes in
// the folder; changes inside subfolders are not watched. It runs until Stop
// and then frees itself. A watch that breaks (its wait fails, the folder goes)
// ends for good with a line in the debug output; the thread still waits for
// its Stop.
class TNotifyThread : public TThread
{
public:
    // Window thread. failed answers whether the stop event or the folder's
    // change notification could not be made: the thread then never starts and
    // the caller deletes the object. freed, when given, runs as the object's
    // last act, on whichever thread frees it.
    TNotifyThread(HWND window, const CString &folder, bool &failed, std::function<void()> freed = {});
    ~TNotifyThread() override;

    // Any thread, once, also from the window's UM_FOLDER_CHANGED handler: the
    // stop stays set until the watcher has seen it. The object may be gone as
    // soon as this returns.
    void Stop();

protected:
    void Execute() override;

private:
    bool watch();
    void endWatch(const char *what);
    void waitForStop();

    const HWND m_window;
    const CString m_folder;
    std::function<void()> m_freed;
    HANDLE m_stopEvent = 0;
    HANDLE m_notification = INVALID_HANDLE_VALUE;   // closed early when the watch ends
};
