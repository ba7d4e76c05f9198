#include "Sound.h"

#include "FileIO.h"

#include <alsa/asoundlib.h>


#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

// Wave file, little-endian.
//   offset  size  meaning
//        0     4  "RIFF"
//        4     4  size of what follows (not trusted: the file's own size bounds every chunk)
//        8     4  "WAVE"
//       12        chunks, each: id (4), body size (4), body, one pad byte after an odd body
//
// "fmt " chunk body (at least 16 bytes):
//        0     2  format: 1 PCM, 3 IEEE float, 0xFFFE extensible
//        2     2  channels
//        4     4  frames per second
//        8     4  bytes per second (not used)
//       12     2  bytes per frame: channels x bytes per sample
//       14     2  bits per sample
//       24     2  extensible only (body of at least 26 bytes): the real format,
//                 the first two bytes of the sub-format GUID
//
// "data" chunk body: the frames, interleaved. A body that claims more than the
// file holds is cut at the file's end, as players do for files whose writer
// never came back to fix the size.

namespace {

// Sound events are short; a larger file is refused rather than read whole.
constexpr int64_t MaxSoundFileBytes = 64 * 1024 * 1024;
constexpr uint32_t MaxChannels = 8;
constexpr uint32_t MinFramesPerSecond = 1000;
constexpr uint32_t MaxFramesPerSecond = 768000;
// ALSA's buffer, in microseconds.
constexpr unsigned LatencyMicroseconds = 500000;

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatFloat = 3;
constexpr uint16_t FormatExtensible = 0xFFFE;

struct Wave
{
    snd_pcm_format_t format = SND_PCM_FORMAT_UNKNOWN;
    uint32_t channels = 0;
    uint32_t framesPerSecond = 0;
    uint32_t frameBytes = 0;
    const uint8_t *frames = nullptr;   // points into the file's bytes
    uint32_t frameCount = 0;
};

uint16_t readUInt16(const uint8_t *at)
{
    return uint16_t(at[0] | (at[1] << 8));
}

uint32_t readUInt32(const uint8_t *at)
{
    return uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16) | (uint32_t(at[3]) << 24);
}

snd_pcm_format_t alsaFormat(uint16_t format, uint16_t bitsPerSample)
{
    if (format == FormatPcm) {
        switch (bitsPerSample) {
        case 8: return SND_PCM_FORMAT_U8;
        case 16: return SND_PCM_FORMAT_S16_LE;
        case 24: return SND_PCM_FORMAT_S24_3LE;
        case 32: return SND_PCM_FORMAT_S32_LE;
        default: return SND_PCM_FORMAT_UNKNOWN;
        }
    }
    if (format == FormatFloat) {
        switch (bitsPerSample) {
        case 32: return SND_PCM_FORMAT_FLOAT_LE;
        case 64: return SND_PCM_FORMAT_FLOAT64_LE;
        default: return SND_PCM_FORMAT_UNKNOWN;
        }
    }
    return SND_PCM_FORMAT_UNKNOWN;
}

// Fills wave from a "fmt " body; false for a kind not played here.
bool readFormat(const uint8_t *body, uint32_t bodySize, Wave &wave)
{
    if (bodySize < 16)
        return false;
    uint16_t format = readUInt16(body);
    if (format == FormatExtensible) {
        if (bodySize < 26)
            return false;
        format = readUInt16(body + 24);
    }
    const uint16_t bitsPerSample = readUInt16(body + 14);
    wave.format = alsaFormat(format, bitsPerSample);
    wave.channels = readUInt16(body + 2);
    wave.framesPerSecond = readUInt32(body + 4);
    wave.frameBytes = readUInt16(body + 12);
    return wave.format != SND_PCM_FORMAT_UNKNOWN && wave.channels >= 1 && wave.channels <= MaxChannels
           && wave.framesPerSecond >= MinFramesPerSecond && wave.framesPerSecond <= MaxFramesPerSecond
           && wave.frameBytes == wave.channels * (bitsPerSample / 8u);
}

std::optional<Wave> parseWave(const std::vector<uint8_t> &file)
{
    const size_t size = file.size();
    if (size < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    Wave wave;
    bool haveFormat = false;
    size_t at = 12;
    while (size - at >= 8) {
        const uint8_t *chunk = file.data() + at;
        const size_t left = size - at - 8;
        const uint32_t bodySize = uint32_t(std::min<uint64_t>(readUInt32(chunk + 4), left));
        const uint8_t *body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (!readFormat(body, bodySize, wave))
                return std::nullopt;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return std::nullopt;   // the frames cannot be read without their format
            wave.frames = body;
            wave.frameCount = bodySize / wave.frameBytes;
            return wave;
        }
        at += 8 + size_t(bodySize) + (bodySize & 1);
        if (at > size)
            break;
    }
    return std::nullopt;
}

// The file's bytes, or nothing for a file that cannot be read whole.
std::optional<std::vector<uint8_t>> readSoundFile(const char *path)
{
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes;
    int64_t size = 0;
    if (GetFileSizeEx(file, &size) && size >= 0 && size <= MaxSoundFileBytes) {
        std::vector<uint8_t> buffer(static_cast<size_t>(size));
        DWORD done = 0;
        if (ReadFile(file, buffer.data(), DWORD(size), &done, nullptr) && done == DWORD(size))
            bytes = std::move(buffer);
    }
    CloseHandle(file);
    return bytes;
}

// ALSA reports a missing card on stderr; a missing device is no error here.
void quietAlsa(const char *, int, const char *, int, const char *, ...)
{
}

bool play(const Wave &wave)
{
    snd_pcm_t *pcm = nullptr;
    // Opened without blocking so that a device held by another program fails
    // at once instead of waiting for it; then writes block.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    bool played = snd_pcm_nonblock(pcm, 0) == 0
                  && snd_pcm_set_params(pcm, wave.format, SND_PCM_ACCESS_RW_INTERLEAVED, wave.channels,
                                       wave.framesPerSecond, 1, LatencyMicroseconds) == 0;
    const uint8_t *next = wave.frames;
    snd_pcm_uframes_t left = wave.frameCount;
    while (played && left > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, next, left);
        if (written < 0)
            written = snd_pcm_recover(pcm, int(written), 1);
        if (written < 0) {
            played = false;
            break;
        }
        next += size_t(written) * wave.frameBytes;
        left -= snd_pcm_uframes_t(written);
    }
    if (played)
        snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    return played;
}

// Held for a whole play, so that sounds never overlap and the global
// configuration is freed only when no device is open. No other lock is taken
// under it.
std::mutex s_playing;
// The sound streams open now (guarded by s_playing): while one is, the
// global configuration stays.
int s_openStreams = 0;

} // namespace

BOOL PlaySound(const char *sound, void *, DWORD flags)
{
    if (!sound)
        return TRUE;
    if (!(flags & SND_FILENAME) || (flags & SND_ASYNC))
        return FALSE;
    const std::optional<std::vector<uint8_t>> file = readSoundFile(sound);
    if (!file)
        return FALSE;
    const std::optional<Wave> wave = parseWave(*file);
    if (!wave)
        return FALSE;
    std::lock_guard playing(s_playing);
    snd_lib_error_set_handler(quietAlsa);
    const bool played = play(*wave);
    // ALSA keeps the parsed configuration for the process; freeing it after
    // each sound also picks up a changed configuration for the next one.
    if (s_openStreams == 0)
        snd_config_update_free_global();
    return played ? TRUE : FALSE;
}

CSoundStream::~CSoundStream()
{
    Close();
}

bool CSoundStream::Open(unsigned framesPerSecond, unsigned channels, const char *device)
{
    Close();
    if (channels == 0 || channels > MaxChannels || framesPerSecond < MinFramesPerSecond
        || framesPerSecond > MaxFramesPerSecond)
        return false;
    std::lock_guard playing(s_playing);
    snd_lib_error_set_handler(quietAlsa);
    snd_pcm_t *pcm = nullptr;
    // As for the sound events: a held device fails at once, then writes block.
    if (snd_pcm_open(&pcm, device, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    if (snd_pcm_nonblock(pcm, 0) != 0
        || snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, channels, framesPerSecond, 1,
                              LatencyMicroseconds)
               != 0) {
        snd_pcm_close(pcm);
        return false;
    }
    m_pcm = pcm;
    m_channels = channels;
    m_written = 0;
    ++s_openStreams;
    return true;
}

void CSoundStream::Close()
{
    if (!m_pcm)
        return;
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
    std::lock_guard playing(s_playing);
    if (--s_openStreams == 0)
        snd_config_update_free_global();
}

bool CSoundStream::Write(const int16_t *samples, size_t frames)
{
    snd_pcm_t *pcm = m_pcm;
    while (pcm && frames > 0) {
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples, frames);
        if (written < 0)
            written = snd_pcm_recover(pcm, int(written), 1);
        if (written < 0)
            return false;
        samples += size_t(written) * m_channels;
        frames -= size_t(written);
        m_written += uint64_t(written);
    }
    return pcm != nullptr;
}

void CSoundStream::Drop()
{
    if (!m_pcm)
        return;
    snd_pcm_t *pcm = m_pcm;
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
}
