#pragma once

#include <QString>

#include <cstdarg>
#include <cstdint>

// The library's 8-bit string (UTF-8 here), ended by a NUL. Texts of up to 32
// characters live inside the object; longer ones on the heap, whose capacity
// grows in steps of 32. The length is the distance to the first NUL.
// Case mapping is ASCII-only. Indexes, starts and counts are the caller's to
// keep within the text.
class CString
{
public:
    CString() { Construct(); }
    CString(char c);
    CString(const char *text);
    CString(const CString &other);
    explicit CString(const QString &text);   // the class library's string
    virtual ~CString();

    CString &operator=(char c);
    CString &operator=(const char *text);
    CString &operator=(const CString &other);

    QString ToAnsiString() const;

    int GetLength() const;
    bool IsEmpty() const { return m_buffer[0] == '\0'; }
    operator const char *() const { return m_buffer; }
    const char *c_str() const { return m_buffer; }
    int GetCapacity() const { return m_capacity; }
    bool IsInline() const { return m_buffer == m_inline; }

    char GetAt(int index) const { return m_buffer[index]; }
    char &GetAt(int index) { return m_buffer[index]; }

    void ExpandBuffer(int n);
    void Grow(int n);
    void FreeExtra();
    void FreeBuffer();
    void Empty();

    CString &operator+=(char c);
    CString &operator+=(const char *text);

    CString Mid(int start) const;
    CString Mid(int start, int count) const;
    CString Left(int n) const;
    CString Right(int n) const;
    CString AsLower() const;
    CString AsUpper() const;

    void TrimLeft();
    void TrimRight();
    void MakeStandard();

    int Find(char c) const;
    int Find(const char *text) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char *set) const;

    bool operator==(const char *text) const;
    bool operator!=(const char *text) const { return !(*this == text); }
    // ASCII case-blind order: negative, 0 or positive.
    int CompareNoCase(const char *text) const;

    void Format(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char *format, va_list arguments);
    void FormatFileSize(uint64_t size);
    static CString MakeFullPath(const char *folder, const char *file);

protected:
    void Construct();

private:
    void assign(const char *text, int length);

    int32_t m_capacity;        // characters the buffer holds without the NUL
    char *m_buffer;            // m_inline or a heap block of m_capacity + 1 bytes
    char m_inline[33];
};

CString operator+(const CString &left, char right);
CString operator+(const CString &left, const char *right);

// A string that holds only an exactly sized heap copy of its text.
class CMiniString
{
public:
    CMiniString(const char *text = "");
    CMiniString(const CMiniString &other);
    ~CMiniString();

    CMiniString &operator=(const char *text);
    CMiniString &operator=(const CMiniString &other);

    operator const char *() const { return m_text; }

private:
    char *m_text;
};
