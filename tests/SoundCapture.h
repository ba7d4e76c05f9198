#pragma once

#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <string>

// Points ALSA's default device at a file for one scope: whatever plays lands
// in it as raw frames, so a test can see what was played.
class SoundCapture
{
public:
    // File: each sound replaces the one before. Appending: sounds follow each
    // other in the file, and each is held for a moment more while it marks
    // itself busy, so that another sound that starts meanwhile is seen.
    // Missing: a sound card that is not there.
    enum class Device { File, Appending, Missing };

    explicit SoundCapture(Device device = Device::File)
        : m_root(TestHostFolder() + "/alsa-" + std::to_string(++s_made))
    {
        std::filesystem::create_directories(m_root);
        const std::string config = m_root + "/asound.conf";
        std::string output = outputPath();
        if (device == Device::Appending) {
            const std::string script = m_root + "/append.sh";
            WriteHostFile(script, QByteArray::fromStdString(
                                      "#!/bin/sh\nout='" + outputPath() + "'\n"
                                      "mkdir \"$out.busy\" 2>/dev/null || echo overlap >> \"$out.overlaps\"\n"
                                      "cat >> \"$out\"\nsleep 0.05\nrmdir \"$out.busy\" 2>/dev/null\n"));
            std::filesystem::permissions(script, std::filesystem::perms::owner_all);
            output = "| " + script;
        }
        if (device == Device::Missing)
            WriteHostFile(config, "pcm.!default {\n    type hw\n    card 31\n}\n");
        else
            WriteHostFile(config, QByteArray::fromStdString("pcm.!default {\n    type file\n"
                                                            "    slave.pcm { type null }\n    file \"" + output
                                                            + "\"\n    format \"raw\"\n}\n"));
        m_environment.set("ALSA_CONFIG_PATH", config);
    }

    std::string outputPath() const { return m_root + "/played.raw"; }
    // The frames of the last sound played; empty when none was.
    QByteArray played() const { return ReadHostFile(outputPath()); }
    void forget() const { std::filesystem::remove(outputPath()); }
    // Appending only: whether a sound started while another was playing.
    bool overlapped() const { return HostFileExists(outputPath() + ".overlaps"); }

private:
    static inline int s_made = 0;   // each capture gets a folder of its own
    std::string m_root;
    ScopedEnvironment m_environment;
};

// A wave file as our writer makes it: "RIFF", "WAVE", a "fmt " chunk of
// formatBytes (16, or 40 for the extensible layout, whose sub-format is
// format) and a "data" chunk holding frames.
struct WaveLayout
{
    uint16_t format = 1;           // 1 PCM, 3 float; written as 0xFFFE when extensible
    uint16_t channels = 1;
    uint32_t framesPerSecond = 8000;
    uint16_t bitsPerSample = 16;
    bool extensible = false;
};

inline QByteArray WaveFile(const WaveLayout &layout, const QByteArray &frames)
{
    const auto put16 = [](QByteArray &out, uint32_t v) { out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    const auto put32 = [&put16](QByteArray &out, uint32_t v) { put16(out, v & 0xFFFF); put16(out, v >> 16); };
    const uint16_t frameBytes = uint16_t(layout.channels * (layout.bitsPerSample / 8));
    QByteArray format;
    put16(format, layout.extensible ? 0xFFFE : layout.format);
    put16(format, layout.channels);
    put32(format, layout.framesPerSecond);
    put32(format, layout.framesPerSecond * frameBytes);
    put16(format, frameBytes);
    put16(format, layout.bitsPerSample);
    if (layout.extensible) {
        put16(format, 22);
        put16(format, layout.bitsPerSample);
        put32(format, 0);
        put16(format, layout.format);
        format.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    QByteArray file("RIFF");
    put32(file, uint32_t(4 + 8 + format.size() + 8 + frames.size()));
    file.append("WAVEfmt ");
    put32(file, uint32_t(format.size()));
    file.append(format);
    file.append("data");
    put32(file, uint32_t(frames.size()));
    file.append(frames);
    return file;
}

// Frames that differ from each other, so that a cut or a reorder shows.
inline QByteArray CountingBytes(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(i * 7 + 1));
    return bytes;
}
