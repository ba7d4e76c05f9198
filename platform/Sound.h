#pragma once

#include "Types.h"

// Windows' PlaySound over ALSA's default device. Only wave files named by a
// Windows path, played synchronously: the call returns when the sound has
// ended. One sound at a time: a call waits for one that is playing on another
// thread. Where there is no ALSA library or no sound device, nothing plays
// and the call answers FALSE at once; so it does for a file that is missing,
// not a regular file, larger than the limit in Sound.cpp, or not a wave file
// of a kind played here (PCM of 8, 16, 24 or 32 bits, or 32- or 64-bit float).

constexpr DWORD SND_SYNC = 0x00000000;
constexpr DWORD SND_ASYNC = 0x00000001;      // not played here: answers FALSE
constexpr DWORD SND_NODEFAULT = 0x00000002;  // always so: no default sound is ever played
constexpr DWORD SND_FILENAME = 0x00020000;   // required

// Any thread. A null sound answers TRUE and plays nothing.
BOOL PlaySound(const char *sound, void *module, DWORD flags);
