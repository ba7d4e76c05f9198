#include <lib/WaitCursor.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

class WaitCursorTest : public testing::Test
{
protected:
    void SetUp() override { SetScreenCursor(crCross); }
    void TearDown() override
    {
        CWaitCursor::DisableCount = 0;
        SetScreenCursor(crDefault);
    }
};

// Runs steps on a thread of its own, one at a time, when the test says so.
class Worker
{
public:
    Worker() : m_thread([this] { run(); }) {}
    ~Worker()
    {
        post([this] { m_done = true; });
        m_thread.join();
    }

    // Runs step on the worker and waits until it has run.
    void run(std::function<void()> step)
    {
        post(std::move(step));
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_step; });
    }

private:
    void post(std::function<void()> step)
    {
        std::lock_guard lock(m_mutex);
        m_step = std::move(step);
        m_changed.notify_all();
    }

    void run()
    {
        while (!m_done) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return bool(m_step); });
            std::function<void()> step = std::move(m_step);
            lock.unlock();
            step();
            lock.lock();
            m_step = nullptr;
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_step;   // guarded by m_mutex
    bool m_done = false;            // the worker's own
    std::thread m_thread;
};

} // namespace

TEST_F(WaitCursorTest, NestedObjectsShowTheHourglassOnceAndRestoreAtTheEnd)
{
    {
        CWaitCursor outer;
        EXPECT_EQ(GetScreenCursor(), crHourGlass);
        EXPECT_EQ(CWaitCursor::Count, 1);
        {
            CWaitCursor inner;
            EXPECT_EQ(GetScreenCursor(), crHourGlass);
            EXPECT_EQ(CWaitCursor::Count, 2);
        }
        EXPECT_EQ(GetScreenCursor(), crHourGlass) << "the outer one still lives";
    }
    EXPECT_EQ(GetScreenCursor(), crCross);
    EXPECT_EQ(CWaitCursor::Count, 0);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
}

TEST_F(WaitCursorTest, ObjectsOnTwoThreadsThatDoNotNestRestoreOnceAtTheEnd)
{
    std::optional<CWaitCursor> first;
    Worker worker;
    std::optional<CWaitCursor> second;

    first.emplace();                              // window thread up first
    worker.run([&] { second.emplace(); });        // worker up second
    first.reset();                                // first down first: not nested
    EXPECT_EQ(GetScreenCursor(), crHourGlass) << "the worker's object still lives";
    worker.run([&] { second.reset(); });
    EXPECT_EQ(GetScreenCursor(), crCross) << "the cursor from before the first object";
    EXPECT_EQ(CWaitCursor::Count, 0);

    QCoreApplication::processEvents();            // the worker's change reaches the screen
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
}

TEST_F(WaitCursorTest, WhileDisabledTheCursorNeverChanges)
{
    CWaitCursor::DisableCount++;
    {
        CWaitCursor outer;
        EXPECT_EQ(GetScreenCursor(), crCross);
        EXPECT_EQ(CWaitCursor::Count, 1) << "counting goes on";
        SetScreenCursor(crHandPoint);   // someone else's change while it lives
        CWaitCursor inner;
    }
    EXPECT_EQ(GetScreenCursor(), crHandPoint) << "nothing restored that was never changed";
    CWaitCursor::DisableCount--;
    CWaitCursor shown;
    EXPECT_EQ(GetScreenCursor(), crHourGlass);
}
