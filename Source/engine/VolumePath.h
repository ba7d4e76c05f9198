#pragma once

#include <lib/Path.h>
#include <lib/String.h>

#include <cstdint>

// The stored form of a folder, which names its volume rather than its drive
// letter, so that a disc is found again in whatever drive it is put in:
//
//   form     made from                      text
//   shared   a network path (\\server\...)  "*Shared" + the path without its first backslash
//   mapped   a path on a network drive      "*Mapped\F\" + the path after "F:\"
//   serial   a path on any other drive      eight upper-case hex digits of the volume's
//                                           serial number + the path after "C:"
//
// Stored forms come back from files and the registry, so reading one trusts
// nothing: a form that is none of the three exactly, or longer than
// MaxVolumePathLength, reads as an empty path, and nobody is asked anything.

// The longest stored form read back (the longest path Windows knows).
constexpr int MaxVolumePathLength = 32767;

// The stored form of an absolute drive or network path ("C:" counts as the
// root), by the drive table as it is; empty for anything else or before the
// drive table exists. A drive without a serial number gives 00000000, which
// never reads back. Any thread.
CPath VolumePathFromDrivePath(const CPath &path);
// The same without one trailing backslash (the form of settings sections).
CPath VolumePathFromDrivePathNoSlash(const CPath &path);

// The drive path of a stored form, or empty when it is malformed or its
// volume is not present. A network path is answered unchanged. When the
// volume of a serial form is missing and ask is set, the user is asked to put
// it in (PromptForVolume, with its Force button when allowForce is set) with
// every window disabled, until it is found or the user cancels; Force takes
// the first fixed drive that has a serial number instead. Serial number 0 is
// reported as an internal error and gives an empty path. Any thread: a
// worker's prompt, and the drive table's refresh after it, run on the window
// thread while the worker waits.
CPath DrivePathFromVolumePath(const CString &volumePath, bool ask, bool allowForce);
// The same, with a backslash after a bare drive ("C:" gives "C:\").
CPath DriveFolderFromVolumePath(const CString &volumePath, bool ask, bool allowForce);

// Whether text begins with the marker, in its exact case.
bool IsSharedPath(const char *text);
bool IsMappedPath(const char *text);

// The serial number of the first fixed drive, in letter order, that has one;
// 0, reported as an internal error, when none has.
uint32_t ReplaceSerialNumber();

// The insert-volume prompt for serial, through the registered dialog (Cancel
// while there is none). Answers IDOK, IDCANCEL or VolumeForce. Any thread: it
// runs on the window thread.
int PromptForVolume(uint32_t serial, bool allowForce);

// The value of hexadecimal digits, most significant first: each character
// upper-cased, '0'-'9' counting 0-9 and 'A' on counting 10 upwards. Nothing
// is checked; the value wraps at 32 bits.
uint32_t ParseHex(const char *text);
