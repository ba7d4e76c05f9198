#include "Registry.h"

#include "StringList.h"

#include <cstring>
#include <utility>

static RegistryStore::KeyId rootId(HKEY rootKey)
{
    switch (rootKey) {
    case HKEY_CLASSES_ROOT:
        return RegistryStore::ClassesRootId;
    case HKEY_CURRENT_USER:
        return RegistryStore::CurrentUserId;
    case HKEY_LOCAL_MACHINE:
        return RegistryStore::LocalMachineId;
    default:
        return 0;
    }
}

static QStringList keyNames(const QString &path)
{
    return path.split(u'\\', Qt::SkipEmptyParts);
}

static ERegistryException invalidDataType(const QString &name)
{
    return ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}

static ERegistryException createFailed(const QString &key)
{
    return ERegistryException(QStringLiteral("Failed to create key %1").arg(key));
}

TRegistry::TRegistry()
    : m_store(RegistryStore::currentFile())
{
}

void TRegistry::SetRootKey(HKEY rootKey)
{
    CloseKey();
    m_rootKey = rootKey;
}

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    return openKey(key, canCreate, false);
}

bool TRegistry::OpenKeyReadOnly(const QString &key)
{
    return openKey(key, false, true);
}

void TRegistry::CloseKey()
{
    m_currentKey = 0;
    m_currentPath.clear();
    m_readOnly = false;
}

bool TRegistry::CreateKey(const QString &key)
{
    if (createKey(key) == 0)
        throw createFailed(key);
    return true;
}

bool TRegistry::DeleteKey(const QString &key)
{
    return deleteKey(key);
}

bool TRegistry::KeyExists(const QString &key) const
{
    return findKey(key) != 0;
}

bool TRegistry::HasSubKeys() const
{
    return m_store.hasSubkeys(m_currentKey);
}

static void replaceLines(TStrings *strings, const QStringList &names)
{
    strings->Clear();
    for (const QString &name : names)
        strings->Add(name);
}

void TRegistry::GetKeyNames(TStrings *strings) const
{
    replaceLines(strings, subkeyNames(m_currentKey));
}

void TRegistry::GetValueNames(TStrings *strings) const
{
    replaceLines(strings, valueNames(m_currentKey));
}

bool TRegistry::ValueExists(const QString &name) const
{
    return readValue(m_currentKey, name).has_value();
}

bool TRegistry::DeleteValue(const QString &name)
{
    return deleteValue(writableKey(), name);
}

TRegDataType TRegistry::GetDataType(const QString &name) const
{
    const std::optional<RegistryData> value = readValue(m_currentKey, name);
    if (!value)
        return rdUnknown;
    if (std::holds_alternative<QString>(*value))
        return rdString;
    if (std::holds_alternative<int32_t>(*value))
        return rdInteger;
    return rdBinary;
}

int TRegistry::GetDataSize(const QString &name) const
{
    const std::optional<RegistryData> value = readValue(m_currentKey, name);
    if (!value)
        return -1;
    if (const auto *text = std::get_if<QString>(&*value))
        return int(text->toUtf8().size()) + 1;
    if (std::holds_alternative<int32_t>(*value))
        return int(sizeof(int32_t));
    return int(std::get<QByteArray>(*value).size());
}

QString TRegistry::ReadString(const QString &name) const
{
    const std::optional<RegistryData> value = readValue(m_currentKey, name);
    if (!value)
        return {};
    if (const auto *text = std::get_if<QString>(&*value))
        return *text;
    throw invalidDataType(name);
}

int32_t TRegistry::ReadInteger(const QString &name) const
{
    const std::optional<RegistryData> value = readValue(m_currentKey, name);
    if (const auto *number = value ? std::get_if<int32_t>(&*value) : nullptr)
        return *number;
    throw invalidDataType(name);
}

bool TRegistry::ReadBool(const QString &name) const
{
    return ReadInteger(name) != 0;
}

int TRegistry::ReadBinaryData(const QString &name, void *buffer, int bufferSize) const
{
    const std::optional<RegistryData> value = readValue(m_currentKey, name);
    if (!value)
        return 0;
    const auto *bytes = std::get_if<QByteArray>(&*value);
    if (!bytes || bytes->size() > bufferSize)
        throw invalidDataType(name);
    if (!bytes->isEmpty())
        std::memcpy(buffer, bytes->constData(), size_t(bytes->size()));
    return int(bytes->size());
}

void TRegistry::WriteString(const QString &name, const QString &value)
{
    writeValue(writableKey(), name, value);
}

void TRegistry::WriteInteger(const QString &name, int32_t value)
{
    writeValue(writableKey(), name, value);
}

void TRegistry::WriteBool(const QString &name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteBinaryData(const QString &name, const void *buffer, int bufferSize)
{
    // A negative size would make QByteArray measure the buffer as a C string.
    const bool validBuffer = bufferSize == 0 || (bufferSize > 0 && buffer);
    writeValue(validBuffer ? writableKey() : 0, name,
               QByteArray(static_cast<const char *>(buffer), validBuffer ? bufferSize : 0));
}

void TRegistry::MoveKey(const QString &oldName, const QString &newName, bool deleteOld)
{
    const KeyId source = findKey(oldName);
    if (source == 0 || KeyExists(newName))
        return;
    RegistryTransaction transaction(*this);
    const KeyId target = createKey(newName);
    if (target != 0 && m_store.isWithin(target, source))
        return;   // a key never goes inside itself; the transaction takes the new key back
    if (target == 0 || !m_store.copyKey(source, target) || (deleteOld && !m_store.deleteKey(source)))
        throw createFailed(newName);
    transaction.Commit();
}

TRegistry::KeyId TRegistry::baseKey(const QString &path) const
{
    return isAbsolute(path) || m_currentKey == 0 ? rootId(m_rootKey) : m_currentKey;
}

TRegistry::KeyId TRegistry::findKey(const QString &path) const
{
    return m_store.findKey(baseKey(path), keyNames(path));
}

TRegistry::KeyId TRegistry::createKey(const QString &path, QStringList *storedNames)
{
    if (belowReadOnlyKey(path))
        return 0;
    return m_store.createKey(baseKey(path), keyNames(path), storedNames);
}

bool TRegistry::deleteKey(const QString &path)
{
    if (keyNames(path).isEmpty() || belowReadOnlyKey(path))
        return false;
    const KeyId key = findKey(path);
    return key != 0 && m_store.deleteKey(key);
}

QStringList TRegistry::subkeyNames(KeyId key) const
{
    return m_store.subkeyNames(key);
}

QStringList TRegistry::valueNames(KeyId key) const
{
    return m_store.valueNames(key);
}

std::optional<RegistryData> TRegistry::readValue(KeyId key, const QString &name) const
{
    return m_store.readValue(key, name);
}

void TRegistry::writeValue(KeyId key, const QString &name, const RegistryData &data)
{
    if (key == 0 || !m_store.writeValue(key, name, data))
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
}

bool TRegistry::deleteValue(KeyId key, const QString &name)
{
    return key != 0 && m_store.deleteValue(key, name);
}

bool TRegistry::openKey(const QString &key, bool canCreate, bool readOnly)
{
    QStringList storedNames;
    const KeyId opened = canCreate ? createKey(key, &storedNames)
                                   : m_store.findKey(baseKey(key), keyNames(key), &storedNames);
    if (opened == 0)
        return false;
    m_currentPath = joinedPath(key, storedNames);
    m_currentKey = opened;
    m_readOnly = readOnly;
    return true;
}

QString TRegistry::joinedPath(const QString &key, const QStringList &storedNames) const
{
    QStringList parts;
    if (!isAbsolute(key) && m_currentKey != 0 && !m_currentPath.isEmpty())
        parts.append(m_currentPath);
    parts.append(storedNames);
    return parts.join(u'\\');
}

RegistryTransaction::RegistryTransaction(const TRegistry &registry)
    : m_store(registry.m_store)
{
    if (!m_store.begin())
        throw ERegistryException("Failed to begin a registry transaction");
}

RegistryTransaction::~RegistryTransaction()
{
    if (m_open)
        m_store.rollback();
}

void RegistryTransaction::Commit()
{
    if (!std::exchange(m_open, false))
        return;
    if (!m_store.commit())
        throw ERegistryException("Failed to commit a registry transaction");
}
