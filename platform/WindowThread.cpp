#include "WindowThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

namespace {

// The calls queued for the window thread, of every thread in one line. The
// window thread runs them from a queued call of Qt's (a drain).
std::mutex s_queueLock;   // guards s_queue and s_drainQueued; taken with no other lock
std::deque<std::function<void()>> s_queue;
bool s_drainQueued = false;   // a drain waits in Qt's queue

// How long the window thread runs calls before it lets its event loop run.
constexpr auto DrainSlice = std::chrono::milliseconds(8);

void drain();

// Any thread. A drain stays queued in Qt's queue while calls wait, so that a
// nested event loop (a modal dialog in a queued call) runs them too.
void queueDrain()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), drain, Qt::QueuedConnection);
}

// Never waits for calls to come: a caller whose call finds the queue empty
// queues the next drain, so no hand-over depends on when the scheduler runs
// either thread.
void drain()
{
    {
        std::lock_guard lock(s_queueLock);
        s_drainQueued = false;
    }
    const auto sliceEnd = std::chrono::steady_clock::now() + DrainSlice;
    while (std::chrono::steady_clock::now() < sliceEnd) {
        std::function<void()> call;
        bool needsDrain = false;
        {
            std::lock_guard lock(s_queueLock);
            if (s_queue.empty())
                return;
            call = std::move(s_queue.front());
            s_queue.pop_front();
            needsDrain = !s_queue.empty() && !std::exchange(s_drainQueued, true);
        }
        // Should call run a nested event loop, the calls behind it run there;
        // otherwise the drain queued here goes on after the slice.
        if (needsDrain)
            queueDrain();
        call();
    }
    bool needsDrain = false;
    {
        std::lock_guard lock(s_queueLock);
        needsDrain = !s_queue.empty() && !std::exchange(s_drainQueued, true);
    }
    if (needsDrain)
        queueDrain();
}

} // namespace

bool QueueOnWindowThread(std::function<void()> call)
{
    if (!QCoreApplication::instance())
        return false;
    bool needsDrain = false;
    {
        std::lock_guard lock(s_queueLock);
        s_queue.push_back(std::move(call));
        needsDrain = !std::exchange(s_drainQueued, true);
    }
    if (needsDrain)
        queueDrain();
    return true;
}


bool IsWindowThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

void CallOnWindowThread(const std::function<void()> &call)
{
    if (IsWindowThread()) {
        call();
        return;
    }
    std::mutex doneLock;   // guards done and failure
    std::condition_variable doneChanged;
    bool done = false;
    std::exception_ptr failure;
    const bool queued = QueueOnWindowThread([&] {
        std::exception_ptr raised;
        try {
            call();
        } catch (...) {
            raised = std::current_exception();
        }
        std::lock_guard lock(doneLock);
        failure = raised;
        done = true;
        doneChanged.notify_all();
    });
    // The application object went meanwhile: there is no window thread left.
    if (!queued) {
        call();
        return;
    }
    std::unique_lock lock(doneLock);
    doneChanged.wait(lock, [&] { return done; });
    if (failure)
        std::rethrow_exception(failure);
}
