#pragma once

#include <QString>

#include <cstdint>

class TRegistry;

// One item of an option set: a current value and a default, of one kind
// (integer or string). Items of the other kind never compare equal and are
// never copied from. Conversions between the kinds raise EConvertError for a
// text that is not a number, leaving the item as it was.
class TOptionItem
{
public:
    virtual ~TOptionItem() = default;

    virtual void UseDefault() = 0;                                  // value := default
    virtual void SetDefault() = 0;                                  // default := value
    virtual void CopyFrom(const TOptionItem *other) = 0;            // the value only
    virtual bool ValueIsEqual(const TOptionItem *other) const = 0;  // strings exactly
    virtual bool DefaultIsEqual(const TOptionItem *other) const = 0;
    virtual int32_t GetInt() const = 0;
    virtual QString GetString() const = 0;
    virtual void SetInt(int32_t value) = 0;
    virtual void SetString(const QString &value) = 0;
    virtual int32_t GetDefaultInt() const = 0;
    virtual QString GetDefaultString() const = 0;
    virtual void SetDefaultInt(int32_t value) = 0;
    virtual void SetDefaultString(const QString &value) = 0;
    // Load and store the value as the registry value name of the open key.
    // The base kinds have no storage and do nothing.
    virtual void ReadState(TRegistry *storage, const QString &name);
    virtual void WriteState(TRegistry *storage, const QString &name) const;
};

// The value and default of one kind, T being int32_t or QString.
template <typename T>
class TOptionOf : public TOptionItem
{
public:
    explicit TOptionOf(const T &value) : m_value(value), m_default(value) {}

    void UseDefault() override { m_value = m_default; }
    void SetDefault() override { m_default = m_value; }
    void CopyFrom(const TOptionItem *other) override;
    bool ValueIsEqual(const TOptionItem *other) const override;
    bool DefaultIsEqual(const TOptionItem *other) const override;
    int32_t GetInt() const override;
    QString GetString() const override;
    void SetInt(int32_t value) override;
    void SetString(const QString &value) override;
    int32_t GetDefaultInt() const override;
    QString GetDefaultString() const override;
    void SetDefaultInt(int32_t value) override;
    void SetDefaultString(const QString &value) override;

private:
    T m_value;
    T m_default;
};

extern template class TOptionOf<int32_t>;
extern template class TOptionOf<QString>;

// As string: decimal text. From string: decimal (or the component library's
// hexadecimal) text.
class TOptionInt : public TOptionOf<int32_t>
{
public:
    using TOptionOf::TOptionOf;
};

// As integer: the text converted.
class TOptionString : public TOptionOf<QString>
{
public:
    using TOptionOf::TOptionOf;
};

// Stored as a registry integer. Loads a registry integer, or a registry
// string holding a number; anything else keeps the value. Storage problems go
// to the debugger output, never raise.
class TOptionRegInt : public TOptionInt
{
public:
    using TOptionInt::TOptionInt;
    void ReadState(TRegistry *storage, const QString &name) override;
    void WriteState(TRegistry *storage, const QString &name) const override;
};

// Stored as a registry string. A value of another type keeps the value.
class TOptionRegString : public TOptionString
{
public:
    using TOptionString::TOptionString;
    void ReadState(TRegistry *storage, const QString &name) override;
    void WriteState(TRegistry *storage, const QString &name) const override;
};
