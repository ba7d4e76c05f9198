#include "List.h"

#include "Exception.h"

#include <algorithm>

void TList::checkIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

int TList::Add(void *item)
{
    m_items.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, void *item)
{
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    m_items.insert(m_items.begin() + index, item);
}

void TList::Delete(int index)
{
    checkIndex(index);
    m_items.erase(m_items.begin() + index);
}

int TList::Remove(void *item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        m_items.erase(m_items.begin() + index);
    return index;
}

void *TList::Extract(void *item)
{
    return Remove(item) >= 0 ? item : nullptr;
}

int TList::IndexOf(void *item) const
{
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

void TList::Clear()
{
    m_items.clear();
    m_items.shrink_to_fit();
}

void TList::Exchange(int index1, int index2)
{
    checkIndex(index1);
    checkIndex(index2);
    std::swap(m_items[index1], m_items[index2]);
}

void TList::Move(int currentIndex, int newIndex)
{
    if (currentIndex == newIndex)
        return;
    checkIndex(currentIndex);
    checkIndex(newIndex);
    void *item = m_items[currentIndex];
    m_items.erase(m_items.begin() + currentIndex);
    m_items.insert(m_items.begin() + newIndex, item);
}

void TList::Pack()
{
    m_items.erase(std::remove(m_items.begin(), m_items.end(), nullptr), m_items.end());
}

void TList::Sort(TListSortCompare compare)
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [compare](void *a, void *b) { return compare(a, b) < 0; });
}

void *TList::Get(int index) const
{
    checkIndex(index);
    return m_items[index];
}

void TList::Put(int index, void *item)
{
    checkIndex(index);
    m_items[index] = item;
}

void TList::SetCount(int count)
{
    if (count < 0)
        throw EListError(QStringLiteral("List count out of bounds (%1)").arg(count));
    m_items.resize(count, nullptr);
}

void TList::SetCapacity(int capacity)
{
    if (capacity < Count())
        throw EListError(QStringLiteral("List capacity out of bounds (%1)").arg(capacity));
    if (capacity > Capacity())
        m_items.reserve(capacity);
}
