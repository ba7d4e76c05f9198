#pragma once

#include <QString>

#include <exception>
#include <string>

// The component library's exception: a message for the user. Derived
// classes only say which kind of failure it was.
class Exception : public std::exception
{
public:
    explicit Exception(const QString &message);
    explicit Exception(const char *message);

    const QString &Message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;   // what() must outlive the call
};

// A text that is not the number it should be.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A stream that could not be created, opened, read or written.
class EStreamError : public Exception
{
public:
    using Exception::Exception;
};

class EFCreateError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

// A list index outside the list.
class EListError : public Exception
{
public:
    using Exception::Exception;
};

// Converts text to a 32-bit integer as the component library does: decimal,
// or hexadecimal after "$", "0x" or "0X"; an optional sign; no other characters.
// Raises EConvertError with "'%s' is not a valid integer value".
int32_t StrToInt(const QString &text);
bool TryStrToInt(const QString &text, int32_t &value);
