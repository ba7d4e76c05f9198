#pragma once

#include "Types.h"

#include <functional>

// Window messages. A window is a weak target on the window thread: a handler
// registered under a handle. The handle is a number that names one
// registration for ever; once the window is destroyed it stays dead and is
// never given to another window. HWND() names no window.
enum class HWND : uintptr_t {};

// The system's messages that the program handles.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_DEVICECHANGE = 0x0219;

// What WM_COPYDATA's lParam points at: bytes handed from another process,
// valid only while the handler runs; a handler that keeps them copies them.
struct COPYDATASTRUCT
{
    uintptr_t dwData = 0;          // what the bytes are, by the sender's and receiver's agreement
    DWORD cbData = 0;              // byte count
    const void *lpData = nullptr;  // cbData bytes
};

constexpr UINT WM_USER = 0x0400;
// From here on, messages private to one window class.
constexpr UINT WM_APP = 0x8000;

// Runs on the window thread (on the caller's thread when no application
// object exists). Handlers of one window never run on two threads at once;
// a handler may itself send or post.
using MessageHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// The window side: registers handler for the object's lifetime.
class CMessageWindow
{
public:
    explicit CMessageWindow(MessageHandler handler);
    // Any thread. Senders still waiting for this window are released with 0
    // at once. When another thread is running the handler, waits until it has
    // returned, so the handler's object may be freed right after; from inside
    // the handler it returns at once.
    ~CMessageWindow();
    CMessageWindow(const CMessageWindow &) = delete;
    CMessageWindow &operator=(const CMessageWindow &) = delete;

    HWND Handle() const { return m_handle; }

private:
    HWND m_handle;
};

// Runs the window's handler and answers its result. From another thread it
// waits until the window thread has run it (an exception the handler raises
// is raised again here); on the window thread, or before the application
// object exists, it is a direct call. Answers 0 at once for a window that is
// unknown or destroyed, and 0 as soon as the window is destroyed while the
// message waits in the queue.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// SendMessage whose stillWanted is asked again on the window thread just
// before the handler would run: when it answers false the handler does not
// run and the answer is 0. stillWanted runs only while the sender waits.
LRESULT SendMessageIf(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      const std::function<bool()> &stillWanted);

// Queues the message for the window thread and returns at once. FALSE for a
// window that is unknown or destroyed, or when no application object exists
// (there is no queue); a window destroyed before its turn never sees the
// message. Messages posted from one thread arrive in the order posted, also
// among messages sent from that thread. An exception that escapes the handler
// is written to the debug output.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// PostMessage whose stillWanted is asked on the window thread just before the
// handler would run: when it answers false the handler does not run. The
// function, and everything it holds, is destroyed once the message has been
// handled or dropped: on the window thread, or on the caller's when the post
// fails. So what the message points at can be kept alive by stillWanted.
BOOL PostMessageIf(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::function<bool()> stillWanted);
