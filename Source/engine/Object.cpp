#include "Object.h"

#include <Source/Glob.h>

#include <mutex>

CCriticalSection CObject::ObjectLock;

void CObject::AddRef()
{
    CSingleLock lock(ObjectLock);
    m_refCount.store(m_refCount.load() + 1);
}

void CObject::Release()
{
    {
        CSingleLock lock(ObjectLock);
        const uint32_t count = m_refCount.load();
        if (count == 0) {
            InternalError(__FILE__, __func__, __LINE__);
            return;
        }
        if (count > 1) {
            m_refCount.store(count - 1);
            return;
        }
    }
    // Possibly the last reference: decide under the registry's lock, so that a
    // lookup raising the count meanwhile keeps the object alive.
    std::unique_lock<CCriticalSection> registryLock;
    if (CCriticalSection *registry = RegistryLock())
        registryLock = std::unique_lock<CCriticalSection>(*registry);
    {
        CSingleLock lock(ObjectLock);
        const uint32_t count = m_refCount.load();
        if (count == 0) {
            InternalError(__FILE__, __func__, __LINE__);
            return;
        }
        m_refCount.store(count - 1);
        if (count > 1)
            return;
    }
    if (!m_deleteWhenFree) {
        FinalRelease();
        return;
    }
    Unlink();
    if (registryLock.owns_lock())
        registryLock.unlock();
    delete this;
}

void CObject::FinalRelease()
{
    Unlink();
    delete this;
}
