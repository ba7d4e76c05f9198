#pragma once

#include <lib/SafeList.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// An observer of a shared object. Notify runs on whatever thread the object
// changes on: an observer that belongs to a window posts the change to the
// window's thread and never touches a control from here, nor waits for the
// window thread.
class CClient
{
public:
    virtual ~CClient() = default;
    // what: 0 the object changed; 1 it went stale.
    virtual void Notify(uint8_t what);
};

// The observers of one object, under the list's own lock.
class TClientList : public TSafeList
{
public:
    int Add(CClient *client) { return TSafeList::Add(client); }
    // Once this returns, no notification on another thread is calling client
    // and none will; from inside client's own Notify it returns at once.
    int Remove(CClient *client);
    // Calls Notify(what) on every client in list order, outside the list's
    // lock, so clients may add or remove themselves (or others) meanwhile. A
    // client removed before its turn is not called.
    void NotifyClients(uint8_t what);
    int Count() const;

private:
    bool isCalledElsewhere(const CClient *client) const;

    // Lock order: the list's lock, then m_callLock.
    mutable std::mutex m_callLock;   // guards m_calls
    std::condition_variable m_callEnded;
    std::vector<std::pair<std::thread::id, const CClient *>> m_calls;   // Notify calls under way
};
