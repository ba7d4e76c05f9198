#pragma once

#include <cstdint>
#include <ctime>

// The component library's FileAge: the last-write time of a file (a Windows
// path) as a DOS date-time in local time, or -1 when there is no such file,
// the name is a folder, or the time lies outside the years DOS can hold
// (1980 to 2107). Any thread.
//
// DOS date-time, 32 bits.  bits   meaning
//                          25-31  year - 1980
//                          21-24  month, 1-12
//                          16-20  day, 1-31
//                          11-15  hour
//                           5-10  minute
//                           0-4   second / 2
int32_t FileAge(const char *fileName);

// The DOS date-time of a host time in local time; -1 outside 1980 to 2107.
int32_t DosDateTimeFromUnix(time_t seconds);
