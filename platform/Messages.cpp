#include "Messages.h"

#include "Debug.h"
#include "WindowThread.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

// One registered window.
//
// Lock order: callLock, then stateLock; the window table's lock is never held
// while either is taken.
struct Target
{
    explicit Target(MessageHandler messageHandler) : handler(std::move(messageHandler)) {}

    const MessageHandler handler;
    // Held while the handler runs, so that a destruction on another thread
    // waits for it; re-entrant for handlers that send to their own window.
    std::recursive_mutex callLock;
    std::mutex stateLock;                // guards alive and every waiting send's answer
    std::condition_variable answered;    // a waiting send got its answer, or the window died
    bool alive = true;
};

// A send from another thread, shared by the sender and its queued call.
// Guarded by the target's stateLock.
struct PendingSend
{
    std::function<bool()> stillWanted;   // empty: always wanted
    bool done = false;
    LRESULT result = 0;
    std::exception_ptr failure;
};

std::mutex s_tableLock;   // guards s_windows
std::unordered_map<uintptr_t, std::shared_ptr<Target>> s_windows;
std::atomic<uintptr_t> s_lastHandle{0};   // handles are never reused

std::shared_ptr<Target> findTarget(HWND window)
{
    std::lock_guard lock(s_tableLock);
    const auto found = s_windows.find(uintptr_t(window));
    return found == s_windows.end() ? nullptr : found->second;
}

bool isAlive(Target &target)
{
    std::lock_guard lock(target.stateLock);
    return target.alive;
}

// The handler's answer; 0 without running it for a dead window or a message
// no longer wanted.
LRESULT deliver(Target &target, UINT message, WPARAM wParam, LPARAM lParam,
                const std::function<bool()> &stillWanted)
{
    std::lock_guard call(target.callLock);
    if (!isAlive(target) || (stillWanted && !stillWanted()))
        return 0;
    return target.handler(message, wParam, lParam);
}

// Window thread: runs a queued send and hands its answer to the sender.
void answerPendingSend(Target &target, PendingSend &pending, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Held up to the answer, so that a destruction meanwhile cannot release
    // the sender with 0 after the handler has run.
    std::lock_guard call(target.callLock);
    LRESULT result = 0;
    std::exception_ptr failure;
    try {
        result = deliver(target, message, wParam, lParam, pending.stillWanted);
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard state(target.stateLock);
    pending.done = true;
    pending.result = result;
    pending.failure = failure;
    target.answered.notify_all();
}

LRESULT sendFromWorker(const std::shared_ptr<Target> &target, UINT message, WPARAM wParam, LPARAM lParam,
                       const std::function<bool()> &stillWanted)
{
    const auto pending = std::make_shared<PendingSend>();
    pending->stillWanted = stillWanted;
    const std::weak_ptr<Target> weakTarget = target;
    const bool queued = QueueOnWindowThread([weakTarget, pending, message, wParam, lParam] {
        if (const std::shared_ptr<Target> alive = weakTarget.lock())
            answerPendingSend(*alive, *pending, message, wParam, lParam);
    });
    if (!queued)
        return 0;
    std::unique_lock state(target->stateLock);
    target->answered.wait(state, [&] { return pending->done || !target->alive; });
    if (!pending->done)
        return 0;   // destroyed before its turn
    if (pending->failure)
        std::rethrow_exception(pending->failure);
    return pending->result;
}

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const std::function<bool()> &stillWanted)
{
    const std::shared_ptr<Target> target = findTarget(window);
    if (!target)
        return 0;
    if (IsWindowThread())
        return deliver(*target, message, wParam, lParam, stillWanted);
    return sendFromWorker(target, message, wParam, lParam, stillWanted);
}

} // namespace

CMessageWindow::CMessageWindow(MessageHandler handler) : m_handle(HWND(++s_lastHandle))
{
    auto target = std::make_shared<Target>(std::move(handler));
    std::lock_guard lock(s_tableLock);
    s_windows.emplace(uintptr_t(m_handle), std::move(target));
}

CMessageWindow::~CMessageWindow()
{
    std::shared_ptr<Target> target;
    {
        std::lock_guard lock(s_tableLock);
        const auto found = s_windows.find(uintptr_t(m_handle));
        target = std::move(found->second);
        s_windows.erase(found);
    }
    std::lock_guard call(target->callLock);
    std::lock_guard state(target->stateLock);
    target->alive = false;
    target->answered.notify_all();
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return send(window, message, wParam, lParam, {});
}

LRESULT SendMessageIf(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                      const std::function<bool()> &stillWanted)
{
    return send(window, message, wParam, lParam, stillWanted);
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostMessageIf(window, message, wParam, lParam, {});
}

BOOL PostMessageIf(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::function<bool()> stillWanted)
{
    QCoreApplication *application = QCoreApplication::instance();
    const std::shared_ptr<Target> target = findTarget(window);
    if (!application || !target)
        return FALSE;
    const std::weak_ptr<Target> weakTarget = target;
    const bool queued = QueueOnWindowThread([weakTarget, message, wParam, lParam, stillWanted = std::move(stillWanted)] {
        const std::shared_ptr<Target> alive = weakTarget.lock();
        if (!alive)
            return;
        try {
            deliver(*alive, message, wParam, lParam, stillWanted);
        } catch (const std::exception &error) {
            OutputDebugStringA((std::string("Posted message ended by an exception: ") + error.what()).c_str());
        } catch (...) {
            OutputDebugStringA("Posted message ended by an unknown exception");
        }
    });
    return queued ? TRUE : FALSE;
}
