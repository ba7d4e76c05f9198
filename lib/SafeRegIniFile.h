#pragma once

#include <platform/CriticalSection.h>
#include <platform/RegIniFile.h>
#include <platform/Registry.h>

#include <QString>

#include <cstdint>

// A registry file that any number of threads may share: each of the
// operations below takes the file's lock, so each call is atomic with respect
// to the others on the same object. The other TRegIniFile reads are not
// locked; they never move the open key, so they are safe beside these.
class TSafeRegIniFile : public TRegIniFile
{
public:
    using TRegIniFile::TRegIniFile;

    QString ReadString(const QString &section, const QString &name, const QString &defaultValue) const override;
    int32_t ReadInteger(const QString &section, const QString &name, int32_t defaultValue) const override;
    bool ReadBool(const QString &section, const QString &name, bool defaultValue) const override;
    void WriteString(const QString &section, const QString &name, const QString &value) override;
    void WriteInteger(const QString &section, const QString &name, int32_t value) override;
    void WriteBool(const QString &section, const QString &name, bool value) override;
    void EraseSection(const QString &section) override;
    void DeleteKey(const QString &section, const QString &name) override;

    // Holds the file's lock and one registry transaction over a series of
    // writes (a whole section), so that other threads' calls wait for the
    // lock instead of the store's write lock, which this thread would need
    // the file's lock to release. Raises as RegistryTransaction does.
    class Transaction
    {
    public:
        explicit Transaction(TSafeRegIniFile &file) : m_hold(file.m_lock), m_transaction(file) {}
        void Commit() { m_transaction.Commit(); }

    private:
        CSingleLock m_hold;
        RegistryTransaction m_transaction;
    };

private:
    // Guards each call above. Taken before the store's write lock, never while
    // this thread has a registry transaction open without it.
    mutable CCriticalSection m_lock;
};
