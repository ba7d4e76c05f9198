#pragma once

#include "OptionItem.h"

#include <platform/CriticalSection.h>
#include <platform/StringList.h>

#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <variant>
#include <vector>

// A set of typed option items addressed by small ids, each with a value and
// a default. Any thread may call any operation: each holds the set's lock for
// its whole run.
class TOptions
{
public:
    TOptions() = default;
    virtual ~TOptions() = default;
    TOptions(const TOptions &) = delete;
    TOptions &operator=(const TOptions &) = delete;

    // The value of item id, or its default while AddressDefaults is on. An id
    // outside the list (negative too) or an empty slot raises Exception
    // "No option stored for given index".
    int32_t GetInt(int id) const;
    QString GetString(int id) const;
    // Sets the value of item id (its default while AddressDefaults is on).
    // The first Set of an id makes its item, of that kind, with value as both
    // value and default; the list grows to hold id. A negative id raises as
    // GetInt does.
    void SetInt(int id, int32_t value);
    void SetString(int id, const QString &value);
    // The item operation on item id, or on every item for a negative id. An
    // unknown id raises as GetInt does.
    void UseDefault(int id);
    void SetDefault(int id);

    // Same count, and at each id both sets hold equal items (defaults while
    // this set's AddressDefaults is on). Two empty sets are equal.
    bool AllOptionsEqual(const TOptions *other) const;
    // Only between sets of the same count: copies the value of every item
    // that both sets hold.
    void CopyFrom(const TOptions *other);

    bool AddressDefaults() const;
    void SetAddressDefaults(bool on);
    int Count() const;
    int Capacity() const;
    virtual void SetCapacity(int capacity);   // never shrinks

    // For callers that make several calls one step (the option groups).
    CCriticalSection &Lock() const { return m_lock; }

protected:
    virtual std::unique_ptr<TOptionItem> CreateIntItem(int32_t value) const;
    virtual std::unique_ptr<TOptionItem> CreateStringItem(const QString &value) const;

    // Null for an empty slot or an id outside the list. The caller holds the lock.
    TOptionItem *itemAt(int id) const;

private:
    TOptionItem &existingItem(int id) const;
    template <typename V>
    void setValue(int id, const V &value);
    void applyToItems(int id, void (TOptionItem::*operation)());

    // Guards every member below. Re-entrant: the option groups hold it while
    // they call the set again. Two sets' locks are taken together only by
    // CopyFrom and AllOptionsEqual, through one std::scoped_lock, which takes
    // both as one step, so neither order between two sets can deadlock (as
    // long as the caller holds neither beforehand). It is taken before a
    // registry transaction's write lock, never while a transaction is open.
    mutable CCriticalSection m_lock;
    std::vector<std::unique_ptr<TOptionItem>> m_items;   // indexed by id; null for an empty slot
    bool m_addressDefaults = false;
};

// An option set stored as the values of the key RegistryKey + "\" + Section
// under HKEY_CURRENT_USER; line i of Entries is the value name of id i.
// Load and Save never raise: a missing key or value keeps what the item
// holds, and storage problems go to the debugger output.
class TOptionsReg : public TOptions
{
public:
    // Set up by the owner before the set is shared.
    TStringList &Entries() { return m_entries; }
    const TStringList &Entries() const { return m_entries; }
    // Copies lines into Entries and raises the capacity to their number.
    void SetEntries(const TStrings *lines);

    QString Section() const;
    void SetSection(const QString &section);
    QString RegistryKey() const;
    void SetRegistryKey(const QString &registryKey);

    void Load();
    // One registry transaction: the whole set is stored or none of it.
    void Save() const;

    // Never below the number of Entries lines.
    void SetCapacity(int capacity) override;

protected:
    std::unique_ptr<TOptionItem> CreateIntItem(int32_t value) const override;
    std::unique_ptr<TOptionItem> CreateStringItem(const QString &value) const override;

private:
    QString keyPath() const { return m_registryKey + u'\\' + m_section; }
    // Each item with its Entries line; "More options than entries" for each
    // item beyond them.
    void forEachStoredItem(const std::function<void(TOptionItem &, const QString &)> &visit) const;

    TStringList m_entries;
    QString m_section;       // guarded by the set's lock, as are the two others
    QString m_registryKey;
};

// One value of an option set: its registry value name, its kind and default.
struct TOptionDefault
{
    const char *name;
    std::variant<int32_t, QString> value;
};

// Names the section, registers the value names in id order and makes each
// item with its default.
void DefineOptions(TOptionsReg &options, const QString &section, std::initializer_list<TOptionDefault> defaults);
