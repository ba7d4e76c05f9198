#pragma once

#include "Messages.h"
#include "Types.h"

#include <QString>

#include <memory>

class QByteArray;
class QLocalServer;
class QLocalSocket;

// The single instance. A top-level window found by its class name and title
// is what a second start of the program looks for; here the first instance's
// window listens on a local socket private to the user, named from the user,
// the class name, the title and the registry file, so that instances of other
// users or of another registry never meet.

// Makes window findable under className and title for as long as it lives:
// each message another process posts there is posted to window (PostMessage).
// Window thread. Raises Exception when it cannot listen, also when another
// live instance already listens under these names; a socket left behind by an
// instance that crashed is taken over.
class CInstanceWindow
{
public:
    CInstanceWindow(const char *className, const char *title, HWND window);
    ~CInstanceWindow();
    CInstanceWindow(const CInstanceWindow &) = delete;
    CInstanceWindow &operator=(const CInstanceWindow &) = delete;

private:
    void acceptPending();
    void serve(QLocalSocket *client);

    HWND m_window;
    std::unique_ptr<QLocalServer> m_server;
};

// FindWindow and PostMessage in one: posts the message to the window that an
// instance of this user and registry made findable under className and title.
// TRUE once that instance has queued it; FALSE when none listens, or when it
// does not take the message within a few seconds (its window thread is stuck).
// Any thread, with or without an application object or event loop.
BOOL PostToInstanceWindow(const char *className, const char *title, UINT message, WPARAM wParam, LPARAM lParam);

// The most bytes that one start may hand another: a command line's worth.
constexpr DWORD MaxInstanceCopyDataBytes = 64 * 1024;

// FindWindow and SendMessage of WM_COPYDATA in one: the window that an
// instance of this user and registry made findable under className and title
// runs its handler on its window thread with wParam 0 (the sender has no window) and lParam pointing at a COPYDATASTRUCT of dwData and a copy
// of data. TRUE once that handler has answered nonzero; FALSE when none
// listens, when data holds more than MaxInstanceCopyDataBytes, when the
// handler answers 0, or when it does not answer within a few seconds. So the
// handler must answer at once and do any lengthy work later. Any thread, as
// PostToInstanceWindow.
BOOL CopyDataToInstanceWindow(const char *className, const char *title, uintptr_t dwData, const QByteArray &data);

// The socket file for className and title under the current registry: what a
// crashed instance leaves behind. Empty when there is no folder private to
// the user to keep it in.
QString InstanceSocketPath(const char *className, const char *title);
