#include <platform/CriticalSection.h>
#include <platform/Exception.h>
#include <platform/Thread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <latch>
#include <memory>

namespace {

class CountingThread : public TThread
{
public:
    explicit CountingThread(std::atomic<int> &counter) : m_counter(counter) {}

protected:
    void Execute() override
    {
        while (!Terminated()) {
            ++m_counter;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SetReturnValue(7);
    }

private:
    std::atomic<int> &m_counter;
};

class SelfFreeingThread : public TThread
{
public:
    SelfFreeingThread(std::promise<void> &freed, bool raise) : m_freed(freed), m_raise(raise)
    {
        SetFreeOnTerminate(true);
        Resume();
    }
    ~SelfFreeingThread() override { m_freed.set_value(); }

protected:
    void Execute() override
    {
        if (m_raise)
            throw Exception("worker failed");
    }

private:
    std::promise<void> &m_freed;
    bool m_raise;
};

class RaisingThread : public TThread
{
protected:
    void Execute() override { throw Exception("Read failed"); }
};

// Holds in Execute, or with FreeOnTerminate in its destructor, until the gate
// opens; starts at once.
class GatedThread : public TThread
{
public:
    GatedThread(std::latch &gate, bool freeOnTerminate, bool holdInDestructor)
        : m_gate(gate), m_holdInDestructor(holdInDestructor)
    {
        SetFreeOnTerminate(freeOnTerminate);
        Resume();
    }
    ~GatedThread() override
    {
        if (m_holdInDestructor)
            m_gate.wait();
    }

protected:
    void Execute() override
    {
        if (!m_holdInDestructor)
            m_gate.wait();
    }

private:
    std::latch &m_gate;
    bool m_holdInDestructor;
};

class ReturningThread : public TThread
{
protected:
    void Execute() override {}
};

} // namespace

TEST(WaitForWorkerThreads, AnswersAtOnceWhenNoThreadRuns)
{
    ReturningThread ended;
    ended.Resume();
    ended.WaitFor();
    ReturningThread suspended;   // never resumed
    EXPECT_TRUE(WaitForWorkerThreads(0));
}

TEST(WaitForWorkerThreads, CountsAThreadUntilItHasEnded)
{
    const struct
    {
        const char *what;
        bool freeOnTerminate;
        bool holdInDestructor;
    } rows[] = {
        {"owned, held in Execute", false, false},
        {"freeing itself, held in Execute", true, false},
        {"freeing itself, held in its destructor", true, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::latch gate(1);
        std::unique_ptr<GatedThread> owned;
        if (row.freeOnTerminate)
            new GatedThread(gate, true, row.holdInDestructor);
        else
            owned = std::make_unique<GatedThread>(gate, false, row.holdInDestructor);
        EXPECT_FALSE(WaitForWorkerThreads(50));
        gate.count_down();
        EXPECT_TRUE(WaitForWorkerThreads(10000));
    }
}

TEST(TThread, StartsSuspendedAndStopsOnTerminate)
{
    std::atomic<int> counter{0};
    CountingThread thread(counter);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(counter.load(), 0);
    thread.Resume();
    while (counter.load() < 3)
        std::this_thread::yield();
    thread.Terminate();
    EXPECT_EQ(thread.WaitFor(), 7u);
    EXPECT_TRUE(thread.Finished());
}

TEST(TThread, FreesItselfEvenWhenExecuteRaises)
{
    for (bool raise : {false, true}) {
        SCOPED_TRACE(raise);
        std::promise<void> freed;
        new SelfFreeingThread(freed, raise);
        EXPECT_EQ(freed.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    }
}

TEST(TThread, KeepsTheEscapedException)
{
    RaisingThread thread;
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(thread.FatalException(), "Read failed");
}

TEST(TThread, LowersPriorityOfARunningThread)
{
    std::atomic<int> counter{0};
    CountingThread thread(counter);
    thread.SetPriority(tpLower);
    thread.Resume();
    thread.SetPriority(tpIdle);
    EXPECT_EQ(thread.Priority(), tpIdle);
    thread.Terminate();
    thread.WaitFor();
}

TEST(CCriticalSection, IsReentrantAndExcludesOtherThreads)
{
    CCriticalSection lock;
    CSingleLock outer(lock);
    {
        CSingleLock inner(lock);   // the same thread may enter again
    }
    auto other = std::async(std::launch::async, [&lock] { return lock.TryEnter(); });
    EXPECT_FALSE(other.get());
}
