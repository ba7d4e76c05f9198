#include <Source/engine/Client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <vector>

namespace {

class Recorder : public CClient
{
public:
    explicit Recorder(std::vector<int> &log, int id) : m_log(log), m_id(id) {}
    void Notify(uint8_t what) override
    {
        m_log.push_back(m_id * 10 + what);
        if (onNotify)
            onNotify();
    }
    std::function<void()> onNotify;

private:
    std::vector<int> &m_log;
    int m_id;
};

} // namespace

TEST(TClientList, NotifiesInOrderAndToleratesChangesDuringTheNotification)
{
    std::vector<int> log;
    Recorder a(log, 1), b(log, 2), c(log, 3), late(log, 4);
    TClientList list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    // b leaves and brings in a newcomer while it is being told; a removes c
    // before c's turn.
    b.onNotify = [&] { list.Remove(&b); list.Add(&late); };
    a.onNotify = [&] { list.Remove(&c); };
    list.NotifyClients(1);
    EXPECT_EQ(log, (std::vector<int>{11, 21}));
    EXPECT_EQ(list.Count(), 2);
    log.clear();
    a.onNotify = nullptr;
    list.NotifyClients(0);
    EXPECT_EQ(log, (std::vector<int>{10, 40}));
}

TEST(TClientList, RemoveWaitsForANotificationUnderWayOnAnotherThread)
{
    std::vector<int> log;
    Recorder slow(log, 1);
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    slow.onNotify = [&] {
        entered.set_value();
        released.wait();
    };
    TClientList list;
    list.Add(&slow);
    auto notifier = std::async(std::launch::async, [&list] { list.NotifyClients(0); });
    entered.get_future().wait();

    std::atomic<bool> removed{false};
    auto remover = std::async(std::launch::async, [&] {
        list.Remove(&slow);
        removed = true;
    });
    EXPECT_EQ(remover.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_FALSE(removed);
    release.set_value();
    remover.get();
    notifier.get();
    EXPECT_TRUE(removed);
    EXPECT_EQ(list.Count(), 0);
}

TEST(TClientList, AnObserverThatRaisesDoesNotBlockItsRemoval)
{
    struct Raising : CClient
    {
        void Notify(uint8_t) override { throw std::runtime_error("observer failed"); }
    } raising;
    TClientList list;
    list.Add(&raising);
    EXPECT_THROW(list.NotifyClients(0), std::runtime_error);
    auto remover = std::async(std::launch::async, [&] { return list.Remove(&raising); });
    ASSERT_EQ(remover.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(remover.get(), 0);
}

TEST(TClientList, ManyThreadsNotifyWhileObserversComeAndGo)
{
    struct Counter : CClient
    {
        std::atomic<int> calls{0};
        void Notify(uint8_t) override { ++calls; }
    };
    TClientList list;
    std::vector<Counter> counters(16);
    std::atomic<bool> stop{false};
    std::vector<std::thread> notifiers;
    for (int t = 0; t < 4; ++t) {
        notifiers.emplace_back([&] {
            while (!stop)
                list.NotifyClients(0);
        });
    }
    for (int round = 0; round < 200; ++round) {
        for (Counter &counter : counters)
            list.Add(&counter);
        for (Counter &counter : counters) {
            list.Remove(&counter);
            // Removed: no call may start or still run from here on.
            const int calls = counter.calls;
            std::this_thread::yield();
            EXPECT_EQ(counter.calls, calls);
        }
    }
    stop = true;
    for (std::thread &notifier : notifiers)
        notifier.join();
}
