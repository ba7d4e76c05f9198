#include "SafeList.h"

int TSafeList::Add(void *item)
{
    CSingleLock lock(m_lock);
    return TList::Add(item);
}

void TSafeList::Clear()
{
    CSingleLock lock(m_lock);
    TList::Clear();
}

void TSafeList::Delete(int index)
{
    CSingleLock lock(m_lock);
    TList::Delete(index);
}

int TSafeList::IndexOf(void *item) const
{
    CSingleLock lock(m_lock);
    return TList::IndexOf(item);
}

int TSafeList::Remove(void *item)
{
    CSingleLock lock(m_lock);
    return TList::Remove(item);
}

void TSafeList::Sort(TListSortCompare compare)
{
    CSingleLock lock(m_lock);
    TList::Sort(compare);
}
