#include "Client.h"

#include <algorithm>
#include <memory>

void CClient::Notify(uint8_t)
{
}

int TClientList::Count() const
{
    CSingleLock lock(criticalSection());
    return TSafeList::Count();
}

bool TClientList::isCalledElsewhere(const CClient *client) const
{
    const std::thread::id me = std::this_thread::get_id();
    return std::any_of(m_calls.begin(), m_calls.end(), [me, client](const auto &call) {
        return call.second == client && call.first != me;
    });
}

int TClientList::Remove(CClient *client)
{
    const int index = TSafeList::Remove(client);
    std::unique_lock calls(m_callLock);
    m_callEnded.wait(calls, [this, client] { return !isCalledElsewhere(client); });
    return index;
}

void TClientList::NotifyClients(uint8_t what)
{
    std::vector<CClient *> copy;
    {
        CSingleLock lock(criticalSection());
        copy.reserve(size_t(TSafeList::Count()));
        for (int i = 0; i < TSafeList::Count(); ++i)
            copy.push_back(static_cast<CClient *>(Get(i)));
    }
    const std::thread::id me = std::this_thread::get_id();
    for (CClient *client : copy) {
        {
            // Still listed, and registered as called before the list's lock
            // is left, so that a Remove from now on waits for this call.
            CSingleLock lock(criticalSection());
            if (TSafeList::IndexOf(client) < 0)
                continue;
            std::lock_guard calls(m_callLock);
            m_calls.emplace_back(me, client);
        }
        // Ends the registration even when Notify raises, or a Remove would wait for ever.
        const auto ended = [this, me, client](void *) {
            std::lock_guard calls(m_callLock);
            m_calls.erase(std::find(m_calls.begin(), m_calls.end(), std::make_pair(me, static_cast<const CClient *>(client))));
            m_callEnded.notify_all();
        };
        const std::unique_ptr<void, decltype(ended)> registration(this, ended);
        client->Notify(what);
    }
}
