#pragma once

#include <time.h>

// The CPU time of the calling thread, in ms: a step's work without the time
// the thread was not running.
inline double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}
