#pragma once

#include "Types.h"

// The machine's physical memory, in bytes, as Windows' 64-bit memory status
// gives it. The page-file and virtual-memory fields of Windows are left out:
// nothing asks for them.
struct MEMORYSTATUSEX
{
    DWORD dwLength = sizeof(MEMORYSTATUSEX);   // the caller's size of this structure
    DWORD dwMemoryLoad = 0;                    // percent of physical memory in use, 0..100
    ULONGLONG ullTotalPhys = 0;
    ULONGLONG ullAvailPhys = 0;                // what can be had without swapping
};

// Fills status. Answers FALSE, with the last error ERROR_INVALID_PARAMETER,
// when status is null or its dwLength is not the structure's size, and with
// ERROR_INVALID_FUNCTION when the host cannot tell its memory size. Any thread.
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX *status);

// Hands the memory the process has freed back to the system, as trimming a
// working set does on Windows: after a burst of work on many threads (a
// folder's thumbnails), the buffers they freed would otherwise stay resident
// in each thread's heap. Any thread; takes a few milliseconds.
void TrimWorkingSet();
// Lets every thread allocate from the one heap of the process, as threads do
// from Windows' process heap, instead of a heap of its own for each: a heap
// of its own grows a page at a time (a system call each) and keeps what its
// thread freed. Before the first worker thread starts.
void ShareOneHeap();
