#include "Options.h"

#include <platform/Debug.h>
#include <platform/Exception.h>
#include <platform/Registry.h>

#include <algorithm>
#include <mutex>
#include <type_traits>

static Exception noOption()
{
    return Exception("No option stored for given index");
}

int32_t TOptions::GetInt(int id) const
{
    CSingleLock lock(m_lock);
    const TOptionItem &item = existingItem(id);
    return m_addressDefaults ? item.GetDefaultInt() : item.GetInt();
}

QString TOptions::GetString(int id) const
{
    CSingleLock lock(m_lock);
    const TOptionItem &item = existingItem(id);
    return m_addressDefaults ? item.GetDefaultString() : item.GetString();
}

static void assign(TOptionItem &item, bool toDefault, int32_t value)
{
    if (toDefault)
        item.SetDefaultInt(value);
    else
        item.SetInt(value);
}

static void assign(TOptionItem &item, bool toDefault, const QString &value)
{
    if (toDefault)
        item.SetDefaultString(value);
    else
        item.SetString(value);
}

template <typename V>
void TOptions::setValue(int id, const V &value)
{
    CSingleLock lock(m_lock);
    if (id < 0)
        throw noOption();
    if (size_t(id) >= m_items.size())
        m_items.resize(size_t(id) + 1);
    std::unique_ptr<TOptionItem> &slot = m_items[size_t(id)];
    if (slot) {
        assign(*slot, m_addressDefaults, value);
        return;
    }
    if constexpr (std::is_same_v<V, QString>)
        slot = CreateStringItem(value);
    else
        slot = CreateIntItem(value);
}

void TOptions::SetInt(int id, int32_t value)
{
    setValue(id, value);
}

void TOptions::SetString(int id, const QString &value)
{
    setValue(id, value);
}

void TOptions::applyToItems(int id, void (TOptionItem::*operation)())
{
    CSingleLock lock(m_lock);
    if (id >= 0) {
        (existingItem(id).*operation)();
        return;
    }
    for (const std::unique_ptr<TOptionItem> &item : m_items) {
        if (item)
            (item.get()->*operation)();
    }
}

void TOptions::UseDefault(int id)
{
    applyToItems(id, &TOptionItem::UseDefault);
}

void TOptions::SetDefault(int id)
{
    applyToItems(id, &TOptionItem::SetDefault);
}

bool TOptions::AllOptionsEqual(const TOptions *other) const
{
    std::scoped_lock locks(m_lock, other->m_lock);
    const auto itemsEqual = [this](const std::unique_ptr<TOptionItem> &mine, const std::unique_ptr<TOptionItem> &theirs) {
        if (!mine || !theirs)
            return false;
        return m_addressDefaults ? mine->DefaultIsEqual(theirs.get()) : mine->ValueIsEqual(theirs.get());
    };
    return std::equal(m_items.begin(), m_items.end(), other->m_items.begin(), other->m_items.end(), itemsEqual);
}

void TOptions::CopyFrom(const TOptions *other)
{
    std::scoped_lock locks(m_lock, other->m_lock);
    if (m_items.size() != other->m_items.size())
        return;
    for (size_t id = 0; id < m_items.size(); ++id) {
        if (m_items[id] && other->m_items[id])
            m_items[id]->CopyFrom(other->m_items[id].get());
    }
}

bool TOptions::AddressDefaults() const
{
    CSingleLock lock(m_lock);
    return m_addressDefaults;
}

void TOptions::SetAddressDefaults(bool on)
{
    CSingleLock lock(m_lock);
    m_addressDefaults = on;
}

int TOptions::Count() const
{
    CSingleLock lock(m_lock);
    return int(m_items.size());
}

int TOptions::Capacity() const
{
    CSingleLock lock(m_lock);
    return int(m_items.capacity());
}

void TOptions::SetCapacity(int capacity)
{
    CSingleLock lock(m_lock);
    if (capacity > 0)
        m_items.reserve(size_t(capacity));
}

std::unique_ptr<TOptionItem> TOptions::CreateIntItem(int32_t value) const
{
    return std::make_unique<TOptionInt>(value);
}

std::unique_ptr<TOptionItem> TOptions::CreateStringItem(const QString &value) const
{
    return std::make_unique<TOptionString>(value);
}

TOptionItem *TOptions::itemAt(int id) const
{
    return id >= 0 && size_t(id) < m_items.size() ? m_items[size_t(id)].get() : nullptr;
}

TOptionItem &TOptions::existingItem(int id) const
{
    TOptionItem *item = itemAt(id);
    if (!item)
        throw noOption();
    return *item;
}

void TOptionsReg::SetEntries(const TStrings *lines)
{
    CSingleLock lock(Lock());
    m_entries.Assign(*lines);
    SetCapacity(m_entries.Count());
}

QString TOptionsReg::Section() const
{
    CSingleLock lock(Lock());
    return m_section;
}

void TOptionsReg::SetSection(const QString &section)
{
    CSingleLock lock(Lock());
    m_section = section;
}

QString TOptionsReg::RegistryKey() const
{
    CSingleLock lock(Lock());
    return m_registryKey;
}

void TOptionsReg::SetRegistryKey(const QString &registryKey)
{
    CSingleLock lock(Lock());
    m_registryKey = registryKey;
}

void TOptionsReg::Load()
{
    CSingleLock lock(Lock());
    TRegistry registry;
    registry.OpenKey(keyPath(), false);   // when missing, every value counts as missing
    forEachStoredItem([&registry](TOptionItem &item, const QString &name) { item.ReadState(&registry, name); });
}

void TOptionsReg::Save() const
{
    CSingleLock lock(Lock());
    TRegistry registry;
    try {
        RegistryTransaction transaction(registry);
        registry.OpenKey(keyPath(), true);   // when it fails, each write reports its failure
        forEachStoredItem([&registry](TOptionItem &item, const QString &name) { item.WriteState(&registry, name); });
        transaction.Commit();
    } catch (const ERegistryException &error) {
        OutputDebugStringA(error.what());
    }
}

void TOptionsReg::SetCapacity(int capacity)
{
    CSingleLock lock(Lock());
    TOptions::SetCapacity(std::max(capacity, m_entries.Count()));
}

std::unique_ptr<TOptionItem> TOptionsReg::CreateIntItem(int32_t value) const
{
    return std::make_unique<TOptionRegInt>(value);
}

std::unique_ptr<TOptionItem> TOptionsReg::CreateStringItem(const QString &value) const
{
    return std::make_unique<TOptionRegString>(value);
}

void TOptionsReg::forEachStoredItem(const std::function<void(TOptionItem &, const QString &)> &visit) const
{
    for (int id = 0; id < Count(); ++id) {
        TOptionItem *item = itemAt(id);
        if (!item)
            continue;
        if (id >= m_entries.Count()) {
            OutputDebugStringA("More options than entries");
            continue;
        }
        visit(*item, m_entries[id]);
    }
}

void DefineOptions(TOptionsReg &options, const QString &section, std::initializer_list<TOptionDefault> defaults)
{
    options.SetSection(section);
    TStringList names;
    for (const TOptionDefault &option : defaults)
        names.Add(option.name);
    options.SetEntries(&names);
    int id = 0;
    for (const TOptionDefault &option : defaults) {
        if (const int32_t *number = std::get_if<int32_t>(&option.value))
            options.SetInt(id, *number);
        else
            options.SetString(id, std::get<QString>(option.value));
        ++id;
    }
}
