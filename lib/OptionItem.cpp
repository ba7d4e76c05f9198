#include "OptionItem.h"

#include <platform/Debug.h>
#include <platform/Exception.h>
#include <platform/Registry.h>

#include <type_traits>

static int32_t asInt(int32_t value)
{
    return value;
}

static int32_t asInt(const QString &text)
{
    return StrToInt(text);
}

static QString asText(int32_t value)
{
    return QString::number(value);
}

static QString asText(const QString &text)
{
    return text;
}

template <typename T>
static T fromInt(int32_t value)
{
    if constexpr (std::is_same_v<T, QString>)
        return asText(value);
    else
        return value;
}

template <typename T>
static T fromText(const QString &text)
{
    if constexpr (std::is_same_v<T, QString>)
        return text;
    else
        return asInt(text);
}

void TOptionItem::ReadState(TRegistry *, const QString &)
{
}

void TOptionItem::WriteState(TRegistry *, const QString &) const
{
}

template <typename T>
void TOptionOf<T>::CopyFrom(const TOptionItem *other)
{
    if (const auto *same = dynamic_cast<const TOptionOf *>(other))
        m_value = same->m_value;
}

template <typename T>
bool TOptionOf<T>::ValueIsEqual(const TOptionItem *other) const
{
    const auto *same = dynamic_cast<const TOptionOf *>(other);
    return same && same->m_value == m_value;
}

template <typename T>
bool TOptionOf<T>::DefaultIsEqual(const TOptionItem *other) const
{
    const auto *same = dynamic_cast<const TOptionOf *>(other);
    return same && same->m_default == m_default;
}

template <typename T>
int32_t TOptionOf<T>::GetInt() const
{
    return asInt(m_value);
}

template <typename T>
QString TOptionOf<T>::GetString() const
{
    return asText(m_value);
}

template <typename T>
void TOptionOf<T>::SetInt(int32_t value)
{
    m_value = fromInt<T>(value);
}

template <typename T>
void TOptionOf<T>::SetString(const QString &value)
{
    m_value = fromText<T>(value);
}

template <typename T>
int32_t TOptionOf<T>::GetDefaultInt() const
{
    return asInt(m_default);
}

template <typename T>
QString TOptionOf<T>::GetDefaultString() const
{
    return asText(m_default);
}

template <typename T>
void TOptionOf<T>::SetDefaultInt(int32_t value)
{
    m_default = fromInt<T>(value);
}

template <typename T>
void TOptionOf<T>::SetDefaultString(const QString &value)
{
    m_default = fromText<T>(value);
}

template class TOptionOf<int32_t>;
template class TOptionOf<QString>;

static bool isRegistry(const TRegistry *storage)
{
    if (storage)
        return true;
    OutputDebugStringA("Storage object not registry");
    return false;
}

void TOptionRegInt::ReadState(TRegistry *storage, const QString &name)
{
    if (!isRegistry(storage) || !storage->ValueExists(name))
        return;
    try {
        SetInt(storage->ReadInteger(name));
        return;
    } catch (const ERegistryException &) {
        // another type: try it as text below
    }
    try {
        SetString(storage->ReadString(name));
    } catch (const Exception &) {
        // neither an integer nor a number's text: the value stays
    }
}

void TOptionRegInt::WriteState(TRegistry *storage, const QString &name) const
{
    if (!isRegistry(storage))
        return;
    try {
        storage->WriteInteger(name, GetInt());
    } catch (const Exception &) {
        OutputDebugStringA("Failed to write integer to registry");
    }
}

void TOptionRegString::ReadState(TRegistry *storage, const QString &name)
{
    if (!isRegistry(storage) || !storage->ValueExists(name))
        return;
    try {
        SetString(storage->ReadString(name));
    } catch (const Exception &) {
        // not a string: the value stays
    }
}

void TOptionRegString::WriteState(TRegistry *storage, const QString &name) const
{
    if (!isRegistry(storage))
        return;
    try {
        storage->WriteString(name, GetString());
    } catch (const Exception &) {
        OutputDebugStringA("Failed to write string to registry");
    }
}
