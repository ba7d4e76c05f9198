#include "Exception.h"

Exception::Exception(const QString &message)
    : m_message(message)
    , m_utf8(message.toStdString())
{
}

Exception::Exception(const char *message)
    : Exception(QString::fromUtf8(message))
{
}

bool TryStrToInt(const QString &text, int32_t &value)
{
    QStringView digits = QStringView(text).trimmed();
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == u'-' || digits[0] == u'+')) {
        negative = digits[0] == u'-';
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    } else if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    }
    if (digits.isEmpty() || digits[0] == u'-' || digits[0] == u'+')
        return false;
    bool ok = false;
    const qlonglong magnitude = digits.toLongLong(&ok, base);
    if (!ok)
        return false;
    const qlonglong signedValue = negative ? -magnitude : magnitude;
    // Hexadecimal text may spell a negative number by its 32-bit pattern.
    if (base == 16 && !negative && signedValue <= 0xFFFFFFFFLL) {
        value = int32_t(uint32_t(signedValue));
        return true;
    }
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return false;
    value = int32_t(signedValue);
    return true;
}

int32_t StrToInt(const QString &text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}
