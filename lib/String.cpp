#include "String.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

constexpr int InlineCapacity = 32;
constexpr int FormatScratchBytes = 32768;

static char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

static char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c;
}

static int roundedCapacity(int n)
{
    return ((n + 31) / 32) * 32;
}

void CString::Construct()
{
    m_capacity = InlineCapacity;
    m_buffer = m_inline;
    m_inline[0] = '\0';
}

CString::CString(char c)
{
    Construct();
    m_inline[0] = c;
    m_inline[1] = '\0';
}

CString::CString(const char *text)
{
    Construct();
    if (text)
        assign(text, int(std::strlen(text)));
}

CString::CString(const CString &other)
{
    Construct();
    assign(other.m_buffer, other.GetLength());
}

CString::CString(const QString &text)
{
    Construct();
    const QByteArray utf8 = text.toUtf8();
    assign(utf8.constData(), int(utf8.size()));
}

CString::~CString()
{
    FreeBuffer();
}

void CString::assign(const char *text, int length)
{
    if (length > m_capacity)
        ExpandBuffer(length);
    std::memmove(m_buffer, text, size_t(length));
    m_buffer[length] = '\0';
}

CString &CString::operator=(char c)
{
    const char text[2] = {c, '\0'};
    assign(text, 1);
    return *this;
}

CString &CString::operator=(const char *text)
{
    if (!text)
        text = "";
    if (text >= m_buffer && text <= m_buffer + m_capacity) {
        // A part of our own text: copy it out before the buffer changes.
        const CString copy(text);
        assign(copy.m_buffer, copy.GetLength());
        return *this;
    }
    assign(text, int(std::strlen(text)));
    return *this;
}

CString &CString::operator=(const CString &other)
{
    if (&other != this)
        *this = other.m_buffer;
    return *this;
}

QString CString::ToAnsiString() const
{
    return QString::fromUtf8(m_buffer);
}

int CString::GetLength() const
{
    return int(std::strlen(m_buffer));
}

void CString::ExpandBuffer(int n)
{
    FreeBuffer();
    if (n <= InlineCapacity) {
        Construct();
        return;
    }
    m_capacity = roundedCapacity(n);
    m_buffer = new char[size_t(m_capacity) + 1];
    m_buffer[0] = '\0';
}

void CString::Grow(int n)
{
    if (n <= m_capacity)
        return;
    const int capacity = roundedCapacity(n);
    char *buffer = new char[size_t(capacity) + 1];
    std::strcpy(buffer, m_buffer);
    FreeBuffer();
    m_buffer = buffer;
    m_capacity = capacity;
}

void CString::FreeExtra()
{
    if (IsInline())
        return;
    const int length = GetLength();
    if (length == m_capacity)
        return;
    char *old = m_buffer;
    if (length <= InlineCapacity) {
        Construct();
    } else {
        m_buffer = new char[size_t(length) + 1];
        m_capacity = length;
    }
    std::memcpy(m_buffer, old, size_t(length) + 1);
    delete[] old;
}

void CString::FreeBuffer()
{
    if (!IsInline())
        delete[] m_buffer;
    m_buffer = m_inline;
    m_capacity = InlineCapacity;
}

void CString::Empty()
{
    m_buffer[0] = '\0';
    FreeExtra();
}

CString &CString::operator+=(char c)
{
    const int length = GetLength();
    Grow(length + 1);
    m_buffer[length] = c;
    m_buffer[length + 1] = '\0';
    return *this;
}

CString &CString::operator+=(const char *text)
{
    if (!text || !*text)
        return *this;
    const CString copy(text);   // the text may lie inside our own buffer
    const int length = GetLength();
    const int added = copy.GetLength();
    Grow(length + added);
    std::memcpy(m_buffer + length, copy.m_buffer, size_t(added) + 1);
    return *this;
}

CString operator+(const CString &left, char right)
{
    const char text[2] = {right, '\0'};
    return left + text;
}

CString operator+(const CString &left, const char *right)
{
    if (!right)
        right = "";
    const size_t leftLength = size_t(left.GetLength());
    const size_t rightLength = std::strlen(right);
    if (leftLength + rightLength < 256) {
        char scratch[256];
        std::memcpy(scratch, left.c_str(), leftLength);
        std::memcpy(scratch + leftLength, right, rightLength + 1);
        return CString(scratch);
    }
    CString result(left);
    result += right;
    return result;
}

CString CString::Mid(int start) const
{
    return CString(m_buffer + start);
}

CString CString::Mid(int start, int count) const
{
    CString result;
    const int available = std::max(0, GetLength() - start);
    result.assign(m_buffer + start, std::min(count, available));
    return result;
}

CString CString::Left(int n) const
{
    return Mid(0, n);
}

CString CString::Right(int n) const
{
    const int length = GetLength();
    return n >= length ? *this : Mid(length - n);
}

CString CString::AsLower() const
{
    CString result(*this);
    for (char *p = result.m_buffer; *p; ++p)
        *p = asciiLower(*p);
    return result;
}

CString CString::AsUpper() const
{
    CString result(*this);
    for (char *p = result.m_buffer; *p; ++p)
        *p = asciiUpper(*p);
    return result;
}

void CString::TrimLeft()
{
    const char *first = m_buffer;
    while (*first == ' ')
        ++first;
    if (first != m_buffer)
        std::memmove(m_buffer, first, std::strlen(first) + 1);
}

void CString::TrimRight()
{
    int length = GetLength();
    while (length > 0 && m_buffer[length - 1] == ' ')
        --length;
    m_buffer[length] = '\0';
}

void CString::MakeStandard()
{
    TrimLeft();
    TrimRight();
    for (char *p = m_buffer; *p; ++p)
        *p = asciiLower(*p);
    m_buffer[0] = asciiUpper(m_buffer[0]);
}

int CString::Find(char c) const
{
    const char *found = std::strchr(m_buffer, c);
    return found && c ? int(found - m_buffer) : -1;
}

int CString::Find(const char *text) const
{
    const char *found = std::strstr(m_buffer, text);
    return found ? int(found - m_buffer) : -1;
}

int CString::ReverseFind(char c) const
{
    const char *found = std::strrchr(m_buffer, c);
    return found && c ? int(found - m_buffer) : -1;
}

int CString::FindOneOf(const char *set) const
{
    const size_t index = std::strcspn(m_buffer, set);
    return m_buffer[index] ? int(index) : -1;
}

bool CString::operator==(const char *text) const
{
    return std::strcmp(m_buffer, text ? text : "") == 0;
}

int CString::CompareNoCase(const char *text) const
{
    const unsigned char *a = reinterpret_cast<const unsigned char *>(m_buffer);
    const unsigned char *b = reinterpret_cast<const unsigned char *>(text ? text : "");
    for (;; ++a, ++b) {
        const int ca = asciiLower(char(*a));
        const int cb = asciiLower(char(*b));
        if (ca != cb || ca == 0)
            return int(static_cast<unsigned char>(ca)) - int(static_cast<unsigned char>(cb));
    }
}

void CString::Format(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatV(format, arguments);
    va_end(arguments);
}

void CString::FormatV(const char *format, va_list arguments)
{
    va_list again;
    va_copy(again, arguments);
    std::unique_ptr<char[]> scratch(new char[FormatScratchBytes]);
    const int length = std::vsnprintf(scratch.get(), FormatScratchBytes, format, arguments);
    if (length >= FormatScratchBytes) {
        // Beyond what callers promise: format again into a block that fits.
        scratch.reset(new char[size_t(length) + 1]);
        std::vsnprintf(scratch.get(), size_t(length) + 1, format, again);
    }
    va_end(again);
    *this = length < 0 ? "" : scratch.get();
}

void CString::FormatFileSize(uint64_t size)
{
    if (size < 1024)
        Format("%d byte%s", int(size), size == 1 ? "" : "s");
    else if (size < 999ULL * 1024)
        Format("%.3gKB", double(size) / 1024.0);
    else if (size < 999ULL * 1048576)
        Format("%.3gMB", double(size) / 1048576.0);
    else
        Format("%.3gGB", double(size) / 1073741824.0);
}

CString CString::MakeFullPath(const char *folder, const char *file)
{
    CString result(folder);
    if (!file || !*file)
        return result;
    const int length = result.GetLength();
    if (length > 0 && result.m_buffer[length - 1] != '\\')
        result += '\\';
    result += file;
    return result;
}

static char *duplicate(const char *text)
{
    const size_t length = std::strlen(text ? text : "");
    char *copy = new char[length + 1];
    std::memcpy(copy, text ? text : "", length + 1);
    return copy;
}

CMiniString::CMiniString(const char *text)
    : m_text(duplicate(text))
{
}

CMiniString::CMiniString(const CMiniString &other)
    : m_text(duplicate(other.m_text))
{
}

CMiniString::~CMiniString()
{
    delete[] m_text;
}

CMiniString &CMiniString::operator=(const char *text)
{
    char *copy = duplicate(text);   // text may be our own
    delete[] m_text;
    m_text = copy;
    return *this;
}

CMiniString &CMiniString::operator=(const CMiniString &other)
{
    return *this = other.m_text;
}
