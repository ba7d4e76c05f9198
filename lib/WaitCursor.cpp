#include "WaitCursor.h"

int CWaitCursor::Count = 0;
std::atomic<int> CWaitCursor::DisableCount{0};
CCriticalSection CWaitCursor::CriticalSection;
TCursor CWaitCursor::s_savedCursor = crDefault;
bool CWaitCursor::s_shown = false;

// The saved cursor lives in a static rather than in the first object: objects
// on two threads may end in either order, and the last one down restores it.
CWaitCursor::CWaitCursor()
{
    CSingleLock lock(CriticalSection);
    if (Count++ > 0)
        return;
    s_savedCursor = GetScreenCursor();
    s_shown = DisableCount == 0;
    if (s_shown)
        SetScreenCursor(crHourGlass);
}

CWaitCursor::~CWaitCursor()
{
    CSingleLock lock(CriticalSection);
    if (--Count > 0 || !s_shown)
        return;
    SetScreenCursor(s_savedCursor);
    s_shown = false;
}
