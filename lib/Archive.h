#pragma once

#include "String.h"

#include <bit>
#include <cstdint>
#include <type_traits>

class TStream;

// Strings in every binary file of the system.  size    meaning
//                                                 1    length L when L < 255
//                                              1 + 4   0xFF, then L as uint32 (L >= 255)
//                                                 L    the characters, no terminator
// Numbers are raw little-endian, as each file format says.
enum ArMode { ArRead, ArWrite };

// Reads and writes binary data over a stream it does not own. A short read
// raises Exception "Read failed", a short write "Write failed"; the stream is
// then wherever it stopped.
class CArchive
{
public:
    CArchive(TStream *stream, ArMode mode);
    virtual ~CArchive();

    void Close();
    void Read(void *buffer, int32_t count);
    void Write(const void *buffer, int32_t count);

    // Bytes between the stream's position and its end.
    uint64_t bytesLeft() const;

    template <typename T>
    T readValue()
    {
        static_assert(std::is_arithmetic_v<T> && std::endian::native == std::endian::little);
        T value{};
        Read(&value, sizeof value);
        return value;
    }

    template <typename T>
    void writeValue(T value)
    {
        static_assert(std::is_arithmetic_v<T> && std::endian::native == std::endian::little);
        Write(&value, sizeof value);
    }

private:
    TStream *m_stream;
    ArMode m_mode;
};

CArchive &operator<<(CArchive &archive, const char *text);
// A length longer than what the stream has left raises "Read failed" before
// anything is allocated.
CArchive &operator>>(CArchive &archive, CString &text);
