#pragma once

#include <cstdint>

// The fixed-size types of the 32-bit Windows interfaces. They keep their
// Windows widths on every host: DWORD is 32 bits here too, never `long`.
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;

// Message parameters and results carry pointers, so they are pointer-sized.
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// 100-nanosecond intervals since 1 January 1601 (UTC), as Windows stores file times.
struct FILETIME
{
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

inline uint64_t FileTimeToUInt64(const FILETIME &time)
{
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME UInt64ToFileTime(uint64_t value)
{
    return FILETIME{DWORD(value), DWORD(value >> 32)};
}

// -1, 0 or 1 as first is earlier than, equal to or later than second.
inline LONG CompareFileTime(const FILETIME *first, const FILETIME *second)
{
    const uint64_t a = FileTimeToUInt64(*first);
    const uint64_t b = FileTimeToUInt64(*second);
    return a < b ? -1 : (a > b ? 1 : 0);
}

constexpr DWORD MAX_PATH = 260;
