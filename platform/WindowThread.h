#pragma once

#include <chrono>
#include <functional>
#include <thread>

// The window thread is the thread of the application object: the only one
// that touches widgets.
bool IsWindowThread();

// Runs call on the window thread and waits until it has returned; an exception
// it raises is raised again in the caller. On the window thread itself, or
// before the application object exists, call runs at once: a blocking queued
// call to one's own thread would never return.
void CallOnWindowThread(const std::function<void()> &call);

// Queues call for the window thread and returns at once; false when there is
// no application object (there is no queue then). Calls queued from one
// thread run in the order queued, and every hand-over to the window thread
// (CallOnWindowThread, messages) shares the one queue. The window thread
// keeps running queued calls while more come within a moment, so a worker
// handing over call after call finds it awake instead of waking it each time.
bool QueueOnWindowThread(std::function<void()> call);

// Waits for condition awake, yielding, for at most limit; answers whether it
// came true. For a wait that is nearly always short, before a sleep.
template <typename Condition>
bool SpinUntil(Condition condition, std::chrono::microseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::yield();
    }
    return true;
}
