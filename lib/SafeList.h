#pragma once

#include <platform/CriticalSection.h>
#include <platform/List.h>

// A pointer list shared by threads: each operation below runs under the
// list's own lock. Count and item access are not locked: a caller that walks
// the list holds criticalSection() for the walk, or accepts a snapshot.
// Called through a TList pointer, the operations are the unlocked ones.
class TSafeList : public TList
{
public:
    int Add(void *item);
    void Clear();
    void Delete(int index);
    int IndexOf(void *item) const;
    int Remove(void *item);
    void Sort(TListSortCompare compare);

    // The list's lock; a caller may hold it around several operations.
    CCriticalSection &criticalSection() const { return m_lock; }

private:
    mutable CCriticalSection m_lock;   // guards the items; re-entrant
};
