#include <platform/Messages.h>

#include "../WindowThreadQueue.h"

#include <platform/Exception.h>
#include <platform/WindowThread.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr UINT Ask = WM_USER + 1;
constexpr UINT AskAgain = WM_USER + 2;

// A window that answers wParam + lParam and counts its calls, noting whether
// each ran on the window thread.
class CountingWindow
{
public:
    CountingWindow()
        : m_window([this](UINT, WPARAM wParam, LPARAM lParam) {
              ++m_calls;
              if (!IsWindowThread())
                  ++m_offThread;
              return LRESULT(wParam) + lParam;
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    int calls() const { return m_calls.load(); }
    int offThread() const { return m_offThread.load(); }

private:
    std::atomic<int> m_calls{0};
    std::atomic<int> m_offThread{0};
    CMessageWindow m_window;
};

// Collects the debugger output while it lives.
class DebugLines
{
public:
    DebugLines() { m_previous = qInstallMessageHandler(&DebugLines::collect); }
    ~DebugLines() { qInstallMessageHandler(m_previous); }
    QStringList lines() const
    {
        std::lock_guard lock(s_lock);
        return s_lines;
    }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard lock(s_lock);
        s_lines.append(message);
    }
    static inline std::mutex s_lock;   // guards s_lines
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

TEST(SendMessage, AWorkerWaitsForTheWindowThreadsAnswer)
{
    CountingWindow window;
    auto worker = std::async(std::launch::async, [&window] {
        return SendMessage(window.handle(), Ask, 40000, 70000);
    });
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_EQ(worker.get(), 110000);
    EXPECT_EQ(window.calls(), 1);
    EXPECT_EQ(window.offThread(), 0);
}

TEST(SendMessage, OnTheWindowThreadItIsADirectCall)
{
    CountingWindow window;
    EXPECT_EQ(SendMessage(window.handle(), Ask, 2, 3), 5);   // nothing served
    EXPECT_EQ(window.calls(), 1);
}

TEST(SendMessage, AHandlerMaySendToItsOwnWindowAndPost)
{
    std::vector<UINT> seen;
    std::unique_ptr<CMessageWindow> window;
    window = std::make_unique<CMessageWindow>([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(message);
        if (message != Ask)
            return 10;
        PostMessage(window->Handle(), AskAgain, 0, 0);
        return SendMessage(window->Handle(), AskAgain, 0, 0) + 1;   // would hang if queued
    });
    auto worker = std::async(std::launch::async, [&window] { return SendMessage(window->Handle(), Ask, 0, 0); });
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_EQ(worker.get(), 11);
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<UINT>{Ask, AskAgain, AskAgain}));
}

TEST(SendMessage, TheHandlersExceptionReachesTheWorker)
{
    CMessageWindow window([](UINT, WPARAM, LPARAM) -> LRESULT { throw Exception("Write failed"); });
    auto worker = std::async(std::launch::async, [&window] {
        try {
            SendMessage(window.Handle(), Ask, 0, 0);
        } catch (const Exception &error) {
            return error.Message();
        }
        return QString();
    });
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_EQ(worker.get(), "Write failed");
}

TEST(SendMessage, NoWindowAnswersZeroAtOnce)
{
    auto destroyed = std::make_unique<CountingWindow>();
    const HWND gone = destroyed->handle();
    destroyed.reset();
    const CountingWindow later;   // a handle is never given again
    ASSERT_NE(later.handle(), gone);
    const struct { const char *name; HWND window; } cases[] = {
        {"no window", HWND()},
        {"a destroyed window", gone},
        {"a handle never given", HWND(uintptr_t(later.handle()) + 1000)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SendMessage(c.window, Ask, 1, 1), 0);
        EXPECT_EQ(SendMessageIf(c.window, Ask, 1, 1, [] { return true; }), 0);
        EXPECT_EQ(PostMessage(c.window, Ask, 1, 1), FALSE);
        auto worker = std::async(std::launch::async, [&c] { return SendMessage(c.window, Ask, 1, 1); });
        ASSERT_TRUE(ReadyWithoutServing(worker));
        EXPECT_EQ(worker.get(), 0);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(later.calls(), 0);
}

TEST(SendMessage, AWindowDestroyedWhileASendWaitsReleasesTheSenderWithZero)
{
    auto window = std::make_unique<CountingWindow>();
    const HWND handle = window->handle();
    std::future<LRESULT> worker;
    bool releasedByDestruction = false;
    BeforeQueuedCall destroy([&] {
        window.reset();
        releasedByDestruction = ReadyWithoutServing(worker);   // the queued call has not run yet
    });
    worker = std::async(std::launch::async, [handle] { return SendMessage(handle, Ask, 1, 1); });
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_TRUE(destroy.ran());
    EXPECT_TRUE(releasedByDestruction);
    EXPECT_EQ(worker.get(), 0);
}

TEST(SendMessage, DestructionOnAnotherThreadWaitsForTheRunningHandler)
{
    std::atomic<bool> handlerRunning{false};
    std::atomic<bool> destroying{false};
    std::atomic<bool> handlerDone{false};
    auto window = std::make_unique<CMessageWindow>([&](UINT, WPARAM, LPARAM) -> LRESULT {
        handlerRunning = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!destroying && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        // Give a destruction that does not wait the chance to finish first.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        handlerDone = true;
        return 7;
    });
    const HWND handle = window->Handle();
    auto sender = std::async(std::launch::async, [handle] { return SendMessage(handle, Ask, 0, 0); });
    auto destroyer = std::async(std::launch::async, [&] {
        while (!handlerRunning)
            std::this_thread::yield();
        destroying = true;
        window.reset();
        return handlerDone.load();
    });
    ASSERT_TRUE(ServeUntilReady(destroyer));
    EXPECT_TRUE(destroyer.get());
    ASSERT_TRUE(ServeUntilReady(sender));
    EXPECT_EQ(sender.get(), 7);   // answered before the window went
}

TEST(SendMessageIf, TheConditionIsAskedOnTheWindowThreadJustBeforeTheHandler)
{
    struct Case
    {
        const char *name;
        bool fromWorker;
        bool wanted;
        bool unwantedOnceQueued;
        LRESULT answer;
    };
    const Case cases[] = {
        {"wanted, direct", false, true, false, 5},
        {"not wanted, direct", false, false, false, 0},
        {"wanted, from a worker", true, true, false, 5},
        {"not wanted, from a worker", true, false, false, 0},
        {"unwanted while queued", true, true, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CountingWindow window;
        std::atomic<bool> wanted{c.wanted};
        std::atomic<int> askedOffThread{0};
        const auto stillWanted = [&] {
            if (!IsWindowThread())
                ++askedOffThread;
            return wanted.load();
        };
        const auto send = [&] { return SendMessageIf(window.handle(), Ask, 2, 3, stillWanted); };
        LRESULT answer = 0;
        if (c.fromWorker) {
            BeforeQueuedCall unwant([&] {
                if (c.unwantedOnceQueued)
                    wanted = false;
            });
            auto worker = std::async(std::launch::async, send);
            ASSERT_TRUE(ServeUntilReady(worker));
            answer = worker.get();
        } else {
            answer = send();
        }
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(window.calls(), c.answer ? 1 : 0);
        EXPECT_EQ(askedOffThread.load(), 0);
    }
}

TEST(PostMessage, ReturnsAtOnceAndArrivesInOrderBeforeALaterSend)
{
    std::vector<WPARAM> seen;   // window thread only
    CMessageWindow window([&seen](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        seen.push_back(message == Ask ? wParam : 0);
        return 0;
    });
    constexpr WPARAM Posts = 200;
    auto worker = std::async(std::launch::async, [&window] {
        int accepted = 0;
        for (WPARAM i = 1; i <= Posts; ++i)
            accepted += PostMessage(window.Handle(), Ask, i, 0);
        SendMessage(window.Handle(), AskAgain, 0, 0);
        return accepted;
    });
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_EQ(worker.get(), int(Posts));
    ASSERT_EQ(seen.size(), Posts + 1);
    for (WPARAM i = 0; i < Posts; ++i)
        EXPECT_EQ(seen[i], i + 1);
    EXPECT_EQ(seen.back(), 0u);   // the send came last

    // On the window thread a post waits for the queue too.
    seen.clear();
    EXPECT_EQ(PostMessage(window.Handle(), Ask, 9, 0), TRUE);
    EXPECT_TRUE(seen.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, std::vector<WPARAM>{9});
}

TEST(PostMessage, AWindowDestroyedBeforeItsTurnNeverSeesTheMessage)
{
    int calls = 0;
    auto window = std::make_unique<CMessageWindow>([&calls](UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
    EXPECT_EQ(PostMessage(window->Handle(), Ask, 1, 1), TRUE);
    window.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(PostMessage, AnEscapedExceptionIsWrittenToTheDebugOutput)
{
    std::vector<UINT> seen;
    CMessageWindow window([&seen](UINT message, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(message);
        if (message == Ask)
            throw Exception("Read failed");
        return 0;
    });
    DebugLines debug;
    PostMessage(window.Handle(), Ask, 0, 0);
    PostMessage(window.Handle(), AskAgain, 0, 0);
    ServeUntil([&] { return seen.size() >= 2; });
    EXPECT_EQ(seen, (std::vector<UINT>{Ask, AskAgain}));
    EXPECT_TRUE(debug.lines().contains("Posted message ended by an exception: Read failed"));
}

TEST(PostMessage, ANestedEventLoopRunsTheMessagesQueuedBehindItsOwn)
{
    bool laterRan = false;
    bool laterRanInside = false;
    CMessageWindow window([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_USER + 2) {
            laterRan = true;
            return 0;
        }
        // A handler that runs an event loop of its own, as a modal dialog does.
        laterRanInside = ServeUntil([&] { return laterRan; }, std::chrono::seconds(2));
        return 0;
    });
    ASSERT_TRUE(PostMessage(window.Handle(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostMessage(window.Handle(), WM_USER + 2, 0, 0));
    EXPECT_TRUE(ServeUntil([&] { return laterRan; }));
    EXPECT_TRUE(laterRanInside);
}
