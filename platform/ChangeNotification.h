#pragma once

#include "FileIO.h"
#include "LastError.h"
#include "Types.h"

// Waitable objects: events, change notifications of one folder, and the wait
// for either. A handle is a host descriptor: close an event with CloseHandle
// and a change notification only with FindCloseChangeNotification. No handle
// may be closed while a wait uses it. Any thread; failures leave the code for
// GetLastError.

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// Auto-reset events only (manualReset TRUE fails with ERROR_INVALID_PARAMETER).
// A set event stays set until one wait answers it, which resets it, so one
// SetEvent releases one waiter. The name is accepted but not shared: every
// call makes an event of its own. Answers NULL (0) on failure.
HANDLE CreateEventA(void *securityAttributes, BOOL manualReset, BOOL initialState, const char *name);
BOOL SetEvent(HANDLE event);

// What a change notification reports, for entries directly in its folder:
constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;    // a file made, deleted, renamed, moved in or out
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;     // the same for a subfolder
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;  // a file written, or its times or attributes set

// A notification for the folder at the Windows path pathName. It becomes
// signalled at the first change that filter names and stays signalled until
// FindNextChangeNotification. Nothing inside a subfolder is reported, nor a
// change of a subfolder other than its name: watchSubtree must be FALSE.
// Changes that happened before a wait answered the notification wake it once;
// a change after that answer leaves it signalled through the re-arm. When the
// folder itself goes (deleted, moved away, its medium removed) the
// notification is signalled and FindNextChangeNotification then fails with
// ERROR_PATH_NOT_FOUND.
// Answers INVALID_HANDLE_VALUE with ERROR_INVALID_PARAMETER for watchSubtree
// or a filter that is empty or asks for anything else, ERROR_FILE_NOT_FOUND
// for a missing folder, ERROR_DIRECTORY for a file, or the path's error.
HANDLE FindFirstChangeNotificationA(const char *pathName, BOOL watchSubtree, DWORD filter);
// Re-arms after a wait answered the notification. FALSE with
// ERROR_INVALID_HANDLE for a handle that is no notification.
BOOL FindNextChangeNotification(HANDLE notification);
BOOL FindCloseChangeNotification(HANDLE notification);

// Waits until one of the handles (events and change notifications) is
// signalled, or for milliseconds (INFINITE: no time-out). waitAll must be
// FALSE. Answers WAIT_OBJECT_0 + the index of the handle signalled (the
// lowest when several are), WAIT_TIMEOUT, or WAIT_FAILED with
// ERROR_INVALID_PARAMETER (no handles, more than MAXIMUM_WAIT_OBJECTS,
// waitAll), ERROR_INVALID_HANDLE or the host's error.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds);
