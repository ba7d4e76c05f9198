#pragma once

#include "Types.h"

#include <vector>

// The component library's list of untyped pointers. Index errors raise
// EListError ("List index out of bounds (%d)"); nothing here is locked.
class TList
{
public:
    using TListSortCompare = int (*)(void *item1, void *item2);

    TList() = default;
    virtual ~TList() = default;

    int Add(void *item);
    void Insert(int index, void *item);
    void Delete(int index);
    int Remove(void *item);           // former index, or -1
    void *Extract(void *item);        // removes without freeing; null when absent
    int IndexOf(void *item) const;    // -1 when absent
    void Clear();
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    void Pack();                      // drops the null entries
    void Sort(TListSortCompare compare);

    void *First() const { return Get(0); }
    void *Last() const { return Get(Count() - 1); }
    void *Get(int index) const;
    void Put(int index, void *item);
    void *operator[](int index) const { return Get(index); }

    int Count() const { return int(m_items.size()); }
    void SetCount(int count);         // new slots are null
    int Capacity() const { return int(m_items.capacity()); }
    void SetCapacity(int capacity);   // never below the count

    void **List() { return m_items.data(); }

private:
    void checkIndex(int index) const;

    std::vector<void *> m_items;
};
