#pragma once

#include <platform/CriticalSection.h>

#include <atomic>
#include <cstdint>

// The reference-counted base of the engine's shared objects. The creator holds
// the first reference. Counts change only under ObjectLock.
//
// Lock order: a registry's lock (one that can find an object and raise its
// count, such as the thumbnail cache), then ObjectLock; never the reverse.
// The last Release takes the registry's lock before it lowers the count to 0,
// so no lookup can revive an object that is being deleted, and the deletion
// runs outside ObjectLock.
class CObject
{
public:
    CObject() = default;
    CObject(const CObject &) = delete;
    CObject &operator=(const CObject &) = delete;
    virtual ~CObject() = default;

    virtual void AddRef();
    // At 0 references: deletes the object when DeleteWhenFree is set,
    // otherwise calls FinalRelease. A Release with no reference left is an
    // internal error and changes nothing.
    virtual void Release();
    // The default deletes the object. Runs with the registry's lock held, if
    // the object has a registry.
    virtual void FinalRelease();

    uint32_t GetRefCount() const { return m_refCount.load(); }
    bool GetDeleteWhenFree() const { return m_deleteWhenFree.load(); }
    void SetDeleteWhenFree(bool deleteWhenFree) { m_deleteWhenFree = deleteWhenFree; }

    static CCriticalSection ObjectLock;

protected:
    // The lock of the registry that can find this object again, or null.
    virtual CCriticalSection *RegistryLock() { return nullptr; }
    // Takes the object out of its registry; called with the registry's lock
    // held just before a deletion at 0 references.
    virtual void Unlink() {}

private:
    std::atomic<uint32_t> m_refCount{1};   // changed under ObjectLock only
    std::atomic<bool> m_deleteWhenFree{false};
};
