#pragma once

#include <platform/CriticalSection.h>
#include <platform/Cursor.h>

#include <atomic>

// The counted hourglass: while any CWaitCursor lives, on any thread, the
// screen shows the hourglass; when the last one ends, the cursor that was
// there before the first comes back. Objects on different threads need not
// end in the order they began.
class CWaitCursor
{
public:
    CWaitCursor();
    CWaitCursor(const CWaitCursor &) = delete;
    CWaitCursor &operator=(const CWaitCursor &) = delete;
    virtual ~CWaitCursor();

    // Live objects. Guarded by CriticalSection.
    static int Count;
    // While nonzero, a new first object does not show the hourglass; counting
    // goes on. Raised and lowered by callers around work that must keep the
    // pointer as it is.
    static std::atomic<int> DisableCount;
    // The wait-cursor lock. Taken with no other lock held inside it.
    static CCriticalSection CriticalSection;

private:
    static TCursor s_savedCursor;   // the cursor before the first object; guarded by CriticalSection
    static bool s_shown;            // whether the first object showed the hourglass; guarded likewise
};
