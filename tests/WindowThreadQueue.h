#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <chrono>
#include <functional>
#include <future>

// Serves the window thread's queue (the test's main thread) until worker is
// ready; false when it is not ready within bound.
template <typename T>
bool ServeUntilReady(std::future<T> &worker, std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (worker.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

// Serves the window thread's queue until done answers true; false when it
// does not within bound.
inline bool ServeUntil(const std::function<bool()> &done, std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Whether worker gets ready within bound while the window thread serves
// nothing.
template <typename T>
bool ReadyWithoutServing(std::future<T> &worker, std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    return worker.wait_for(bound) == std::future_status::ready;
}

// While it lives, runs action once on the window thread just before the next
// call queued from another thread (a message sent or posted from a worker)
// reaches the application object: the call is in the queue and not yet run.
class BeforeQueuedCall : public QObject
{
public:
    explicit BeforeQueuedCall(std::function<void()> action) : m_action(std::move(action))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~BeforeQueuedCall() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool ran() const { return m_ran; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_ran && watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall) {
            m_ran = true;
            m_action();
        }
        return false;
    }

private:
    std::function<void()> m_action;
    bool m_ran = false;
};
