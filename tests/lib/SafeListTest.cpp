#include <lib/SafeList.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(TSafeList, KeepsEveryItemThatThreadsAddAndRemove)
{
    TSafeList list;
    constexpr int threadCount = 8;
    constexpr int perThread = 2000;
    std::vector<int> items(threadCount * perThread);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                void *item = &items[size_t(t * perThread + i)];
                list.Add(item);
                if (i % 2) {
                    EXPECT_GE(list.Remove(item), 0);
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    ASSERT_EQ(list.Count(), threadCount * perThread / 2);
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_GE(list.IndexOf(&items[size_t(t * perThread)]), 0);
        EXPECT_EQ(list.IndexOf(&items[size_t(t * perThread + 1)]), -1);
    }
}

TEST(TSafeList, ACallerMayHoldTheLockAroundSeveralCalls)
{
    TSafeList list;
    int a = 0;
    int b = 0;
    CSingleLock lock(list.criticalSection());
    list.Add(&b);
    list.Add(&a);
    list.Sort([](void *x, void *y) { return x < y ? -1 : x > y ? 1 : 0; });
    EXPECT_EQ(list.IndexOf(std::min<void *>(&a, &b)), 0);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
