#pragma once

#include "Types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

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

// A stream of interleaved 16-bit samples to an ALSA device: a movie's sound.
// Open fails where there is no such device (or it is held by another
// program); the caller then plays silent. One thread at a time.
class CSoundStream
{
public:
    CSoundStream() = default;
    ~CSoundStream();
    CSoundStream(const CSoundStream &) = delete;
    CSoundStream &operator=(const CSoundStream &) = delete;

    bool Open(unsigned framesPerSecond, unsigned channels, const char *device = "default");
    void Close();
    bool IsOpen() const { return m_pcm != nullptr; }
    // Blocks until the device has taken them; false on an error the device
    // cannot recover from.
    bool Write(const int16_t *samples, size_t frames);
    // Throws away what the device holds and has not played yet.
    void Drop();
    // Frames the device has taken since Open. Any thread.
    uint64_t FramesWritten() const { return m_written; }

private:
    struct _snd_pcm *m_pcm = nullptr;
    unsigned m_channels = 0;
    std::atomic<uint64_t> m_written = 0;
};
