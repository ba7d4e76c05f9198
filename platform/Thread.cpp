#include "Thread.h"

#include "Exception.h"

#include <QDebug>

#include <chrono>
#include <future>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// The threads that run, process-wide, for the exit's wait. Never destroyed:
// a thread that frees itself may still leave after the process's static
// objects are gone. The lock is a leaf: held only to change or test count.
struct RunningThreads
{
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
};

static RunningThreads &runningThreads()
{
    static auto *threads = new RunningThreads;
    return *threads;
}

static void enterRunning()
{
    RunningThreads &running = runningThreads();
    std::lock_guard lock(running.lock);
    ++running.count;
}

static void leaveRunning()
{
    RunningThreads &running = runningThreads();
    std::lock_guard lock(running.lock);
    if (--running.count == 0)
        running.changed.notify_all();
}

bool WaitForWorkerThreads(int timeoutMs)
{
    RunningThreads &running = runningThreads();
    std::unique_lock lock(running.lock);
    return running.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return running.count == 0; });
}

TThread::TThread() = default;

TThread::~TThread()
{
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();   // the thread is freeing itself
        return;
    }
    Terminate();
    m_thread.join();
}

void TThread::Resume()
{
    if (m_started)
        return;
    m_started = true;
    // Counted before it starts, so that a wait that begins once Resume has
    // returned never misses it.
    enterRunning();
    // The thread waits until its handle is stored: a thread that frees itself
    // may otherwise be gone while the handle is still being written.
    std::promise<void> handleStored;
    try {
        m_thread = std::thread([this, stored = handleStored.get_future()] {
            stored.wait();
            run();
        });
    } catch (...) {
        leaveRunning();
        throw;
    }
    handleStored.set_value();   // from here on this object may be gone
}

void TThread::Terminate()
{
    m_terminated = true;
}

DWORD TThread::WaitFor()
{
    std::unique_lock lock(m_finishLock);
    m_finishedChanged.wait(lock, [this] { return m_finished || !m_started; });
    return DWORD(m_returnValue);
}

bool TThread::Finished() const
{
    std::lock_guard lock(m_finishLock);
    return m_finished;
}

static int niceFor(TThreadPriority priority)
{
    static const int nice[] = {19, 10, 5, 0, -5, -10, -15};
    return nice[priority];
}

void TThread::SetPriority(TThreadPriority priority)
{
    m_priority = priority;
    applyPriority();
}

// A level the host refuses (a user may not raise a thread above normal) runs
// at normal.
static void applyPriorityTo(int hostThreadId, TThreadPriority priority)
{
    if (::setpriority(PRIO_PROCESS, id_t(hostThreadId), niceFor(priority)) != 0)
        ::setpriority(PRIO_PROCESS, id_t(hostThreadId), 0);
}

void TThread::applyPriority()
{
    const int id = m_hostThreadId.load();
    if (id == 0)
        return;
    applyPriorityTo(id, m_priority);
}

void SetCallingThreadPriority(TThreadPriority priority)
{
    applyPriorityTo(int(::syscall(SYS_gettid)), priority);
}

void TThread::run()
{
    m_hostThreadId = int(::syscall(SYS_gettid));
    applyPriority();
    try {
        Execute();
    } catch (const std::exception &error) {
        m_fatalException = QString::fromUtf8(error.what());
        qWarning("Thread ended by an exception: %s", error.what());
    } catch (...) {
        m_fatalException = QStringLiteral("Unknown exception");
        qWarning("Thread ended by an unknown exception");
    }
    // A thread that frees itself counts until its destructor, which may
    // still release what the globals hold, has run; any other is no longer
    // counted once WaitFor returns.
    if (m_freeOnTerminate) {
        delete this;
        leaveRunning();
        return;
    }
    leaveRunning();
    std::lock_guard lock(m_finishLock);
    m_finished = true;
    m_finishedChanged.notify_all();
}
