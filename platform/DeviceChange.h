#pragma once

#include "Messages.h"
#include "Types.h"

// What WM_DEVICECHANGE's wParam says happened to the drives.
constexpr UINT DBT_DEVNODES_CHANGED = 0x0007;       // drives changed in some other way, or both came and went
constexpr UINT DBT_DEVICEARRIVAL = 0x8000;          // drives came, or their medium became ready
constexpr UINT DBT_DEVICEREMOVECOMPLETE = 0x8004;   // drives went, or their medium is gone

// Makes window receive WM_DEVICECHANGE (lParam 0) for as long as the object
// lives: once for each burst of changes to the drive table (discs put in or
// taken out, sticks plugged in, network shares mounted), however many mounts
// the burst held. The drive table is watched through the host's mount table
// and, when ZILO_DRIVE_MAP names a map as the first registration is made,
// through that file; the watch runs from the first registration to the end
// of the last. A change the program cannot see (a mount that gives no drive
// letter) is posted to nobody.
// Window thread, with the application object. A message still queued when
// its registration ends is dropped.
class CDeviceChangeRegistration
{
public:
    explicit CDeviceChangeRegistration(HWND window);
    ~CDeviceChangeRegistration();
    CDeviceChangeRegistration(const CDeviceChangeRegistration &) = delete;
    CDeviceChangeRegistration &operator=(const CDeviceChangeRegistration &) = delete;

private:
    HWND m_window;
};
