#include <platform/CriticalSection.h>
#include <platform/Exception.h>
#include <platform/Thread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

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

} // namespace

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
