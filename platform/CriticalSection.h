#pragma once

#include <mutex>

// The lock object behind every lock of the system. Re-entrant: the thread that
// holds it may take it again, and must leave it as often as it entered.
// Usable with std::lock_guard and std::scoped_lock.
class CCriticalSection
{
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection &) = delete;
    CCriticalSection &operator=(const CCriticalSection &) = delete;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    bool TryEnter() { return m_mutex.try_lock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a critical section for one scope.
using CSingleLock = std::lock_guard<CCriticalSection>;
