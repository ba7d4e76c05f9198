#pragma once

#include "Types.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The component library's worker thread. It is always created suspended: the
// derived class's constructor calls Resume at its end, once the object is whole.
// With FreeOnTerminate set, the thread deletes its object when Execute returns,
// and nobody may touch it after Resume. Otherwise the destructor sets the
// terminate flag and waits for Execute to return.
// An exception that escapes Execute is caught, kept in FatalException and
// written to the debug output; it never ends the process.
class TThread
{
public:
    TThread();
    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;
    virtual ~TThread();

    void Resume();          // starts the thread; later calls do nothing
    void Terminate();       // sets the terminate flag, which Execute polls
    bool Terminated() const { return m_terminated.load(); }
    DWORD WaitFor();        // not with FreeOnTerminate; answers ReturnValue

    bool FreeOnTerminate() const { return m_freeOnTerminate.load(); }
    void SetFreeOnTerminate(bool free) { m_freeOnTerminate = free; }

    // Levels map to nice values; raising above normal may be refused by the
    // host, which then keeps the thread at normal.
    TThreadPriority Priority() const { return m_priority.load(); }
    void SetPriority(TThreadPriority priority);

    bool Started() const { return m_started; }
    bool Finished() const;
    const QString &FatalException() const { return m_fatalException; }
    int32_t ReturnValue() const { return m_returnValue; }

protected:
    virtual void Execute() = 0;
    void SetReturnValue(int32_t value) { m_returnValue = value; }

private:
    void run();
    void applyPriority();

    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_freeOnTerminate{false};
    std::atomic<TThreadPriority> m_priority{tpNormal};
    std::atomic<int> m_hostThreadId{0};   // 0 until the thread runs
    bool m_started = false;
    QString m_fatalException;
    int32_t m_returnValue = 0;

    mutable std::mutex m_finishLock;      // guards m_finished
    std::condition_variable m_finishedChanged;
    bool m_finished = false;
};

// The calling thread's priority, as TThread::SetPriority sets a thread's: for
// the helper threads of a worker, which follow the worker's level.
void SetCallingThreadPriority(TThreadPriority priority);

// Any thread but a TThread's own. Waits until no TThread of the process runs
// (a thread runs from Resume until its Execute has returned, and one that
// frees itself until it is freed), at most timeoutMs milliseconds; false when
// some still ran at the bound. The program's exit waits here before it frees
// the globals that workers use. While the caller waits it serves nothing: a
// worker blocked sending to a window of the caller's thread counts until the
// bound, so the windows go first.
bool WaitForWorkerThreads(int timeoutMs);
