#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// A registry value's data: a string, a 32-bit integer or binary bytes.
using RegistryData = std::variant<QString, int32_t, QByteArray>;

// The keys and values of one registry database file (SQLite, WAL mode),
// shared by every process of the program. Keys are rows addressed by id;
// names are matched without case and keep the case they were created with.
//
// Each thread works through a connection of its own (see the .cpp), so one
// RegistryStore may be used from any thread, and every write of a thread
// joins the transaction that thread has open on the file.
//
// Failures never raise here: lookups answer 0 or nothing, writes answer
// false, and the SQLite error goes to the debugger output.
class RegistryStore
{
public:
    using KeyId = int64_t;   // 0 is no key

    // The three roots, created with the file.
    static constexpr KeyId ClassesRootId = 1;
    static constexpr KeyId CurrentUserId = 2;
    static constexpr KeyId LocalMachineId = 3;

    // $ZILO_REGISTRY when set, else Registry.db in a folder of its own under
    // $XDG_CONFIG_HOME (or ~/.config), which is created when missing.
    static std::string currentFile();

    explicit RegistryStore(std::string file) : m_file(std::move(file)) {}
    const std::string &file() const { return m_file; }

    // The key reached from base through names; storedNames, when given,
    // receives each name in its stored case.
    KeyId findKey(KeyId base, const QStringList &names, QStringList *storedNames = nullptr) const;
    // The same, creating the keys that are missing, all or none.
    KeyId createKey(KeyId base, const QStringList &names, QStringList *storedNames = nullptr);
    // Deletes the key with its values and its whole subtree. Never a root.
    bool deleteKey(KeyId key);
    // True when key is ancestor itself or lies below it.
    bool isWithin(KeyId key, KeyId ancestor) const;
    // Copies source's values and subtree into target, all or nothing. Target
    // must not lie within source.
    bool copyKey(KeyId source, KeyId target);

    // Subkeys in case-blind alphabetical order; values in the order they were
    // first written (a later write keeps a value's place).
    QStringList subkeyNames(KeyId key) const;
    QStringList valueNames(KeyId key) const;
    bool hasSubkeys(KeyId key) const;

    std::optional<RegistryData> readValue(KeyId key, const QString &name) const;
    // Fails for a key that no longer exists.
    bool writeValue(KeyId key, const QString &name, const RegistryData &data);
    bool deleteValue(KeyId key, const QString &name);

    // The calling thread's transaction on this file. Nested calls are
    // savepoints: an inner commit keeps its writes only if the outer scope
    // commits too; an inner rollback undoes only its own. begin fails when
    // the write lock is not had within the busy timeout, or when an outer
    // transaction of this thread was lost to an error.
    bool begin();
    bool commit();     // on failure the scope is rolled back
    void rollback();

private:
    std::string m_file;
};
