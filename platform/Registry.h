#pragma once

#include "Exception.h"
#include "RegistryStore.h"
#include "Types.h"

#include <QString>

#include <cstdint>

class TStrings;

// Root handles, with Windows' values.
using HKEY = intptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = HKEY(LONG(0x80000000));
constexpr HKEY HKEY_CURRENT_USER = HKEY(LONG(0x80000001));
constexpr HKEY HKEY_LOCAL_MACHINE = HKEY(LONG(0x80000002));

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class ERegistryException : public Exception
{
public:
    using Exception::Exception;
};

// The component library's registry object: one open key at a time under a
// root. Key paths use backslashes and are relative to the open key unless
// they start with one (or no key is open). Names are matched without case
// and keep the case they were created with.
//
// The object works on the registry file that was current when it was made
// (RegistryStore::currentFile). It is not locked: one thread at a time, or
// the caller's lock. Reads and writes run on the calling thread's own
// connection, so the object may pass between threads.
//
// Errors as in the component library: reading a value of another type, or an
// integer that is missing, raises ERegistryException "Invalid data type for
// '%s'"; a write that fails (no key open, a key opened read-only or deleted,
// the file busy beyond its timeout) raises "Failed to set data for '%s'".
// Other operations answer false, unless said otherwise below.
class TRegistry
{
public:
    TRegistry();   // HKEY_CURRENT_USER, no key open
    virtual ~TRegistry() = default;
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    HKEY RootKey() const { return m_rootKey; }
    void SetRootKey(HKEY rootKey);   // closes the open key
    // The open key's path below the root, in its stored case, no leading backslash.
    const QString &CurrentPath() const { return m_currentPath; }

    // Opens key; on failure the open key stays as it was.
    bool OpenKey(const QString &key, bool canCreate);
    bool OpenKeyReadOnly(const QString &key);
    void CloseKey();

    // Creates key and the keys above it; the open key does not change.
    // Raises ERegistryException "Failed to create key %s" when it cannot.
    bool CreateKey(const QString &key);
    // Deletes key with all its subkeys and values. Never a root.
    bool DeleteKey(const QString &key);
    bool KeyExists(const QString &key) const;
    bool HasSubKeys() const;
    // Replace the lines of strings: subkeys in case-blind alphabetical order,
    // values in the order they were first written.
    void GetKeyNames(TStrings *strings) const;
    void GetValueNames(TStrings *strings) const;

    bool ValueExists(const QString &name) const;
    bool DeleteValue(const QString &name);
    TRegDataType GetDataType(const QString &name) const;   // rdUnknown when missing
    // Bytes: a string's UTF-8 with its ending NUL, 4 for an integer; -1 when missing.
    int GetDataSize(const QString &name) const;

    QString ReadString(const QString &name) const;       // empty when missing
    int32_t ReadInteger(const QString &name) const;
    bool ReadBool(const QString &name) const;             // a nonzero integer
    // Copies a binary value into buffer; answers its size, 0 when missing.
    // A value larger than bufferSize raises "Invalid data type for '%s'".
    int ReadBinaryData(const QString &name, void *buffer, int bufferSize) const;

    void WriteString(const QString &name, const QString &value);
    void WriteInteger(const QString &name, int32_t value);
    void WriteBool(const QString &name, bool value);      // the integer 1 or 0
    void WriteBinaryData(const QString &name, const void *buffer, int bufferSize);

    // Copies oldName with its values and subtree to newName, then deletes
    // oldName when deleteOld is set; all of it or none. Nothing happens when
    // oldName is missing, newName exists, or newName would lie inside
    // oldName. Raises "Failed to create key %s" (newName) when the store fails.
    void MoveKey(const QString &oldName, const QString &newName, bool deleteOld);

protected:
    using KeyId = RegistryStore::KeyId;

    KeyId currentKey() const { return m_currentKey; }
    // The key at path (see above), or 0.
    KeyId findKey(const QString &path) const;
    // The same, creating what is missing; 0 when it cannot or when path lies
    // below a key opened read-only.
    KeyId createKey(const QString &path, QStringList *storedNames = nullptr);
    bool deleteKey(const QString &path);
    QStringList subkeyNames(KeyId key) const;
    QStringList valueNames(KeyId key) const;
    std::optional<RegistryData> readValue(KeyId key, const QString &name) const;
    // Raises "Failed to set data for '%s'" when key is 0 or the write fails.
    void writeValue(KeyId key, const QString &name, const RegistryData &data);
    bool deleteValue(KeyId key, const QString &name);

private:
    friend class RegistryTransaction;

    static bool isAbsolute(const QString &path) { return path.startsWith(u'\\'); }
    KeyId baseKey(const QString &path) const;
    KeyId writableKey() const { return m_readOnly ? 0 : m_currentKey; }
    bool belowReadOnlyKey(const QString &path) const { return m_readOnly && !isAbsolute(path); }
    bool openKey(const QString &key, bool canCreate, bool readOnly);
    QString joinedPath(const QString &key, const QStringList &storedNames) const;

    RegistryStore m_store;
    HKEY m_rootKey = HKEY_CURRENT_USER;
    KeyId m_currentKey = 0;   // 0 when no key is open
    QString m_currentPath;
    bool m_readOnly = false;  // the open key refuses writes
};

// Makes the calling thread's registry writes to one registry file, from
// construction to Commit, one transaction: they are all kept or none is, and
// a crash in between leaves none. Writes of every registry object of this
// thread to that file join it. Scopes nest; an inner scope's writes are kept
// only if the outer one commits.
//
// It holds the file's write lock: while it is open, never wait for a lock
// that a registry writer of another thread might hold, or that writer waits
// out the busy timeout and fails.
class RegistryTransaction
{
public:
    // Raises ERegistryException when the write lock is not had within the
    // busy timeout.
    explicit RegistryTransaction(const TRegistry &registry);
    ~RegistryTransaction();   // rolls back unless committed
    RegistryTransaction(const RegistryTransaction &) = delete;
    RegistryTransaction &operator=(const RegistryTransaction &) = delete;

    // Raises ERegistryException when the commit fails; then nothing of the
    // scope is kept.
    void Commit();

private:
    RegistryStore m_store;
    bool m_open = true;
};
