#pragma once

// Movies for the AVI tests: frames of distinct patterns, written with our own
// writer, and the comparison of what reads back.

#include "../TestSupport.h"

#include <lib/AviFile.h>

#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Frame n of a movie as top-down RGB: smooth gradients that shift from frame
// to frame, and a square that moves, so that every frame differs from every
// other and lossy codecs still keep close to it.
inline Bytes PatternRgb(int width, int height, int n)
{
    Bytes rgb(size_t(width) * size_t(height) * 3);
    const int squareLeft = (n * 5) % std::max(width - 6, 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t *pixel = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            const bool inSquare = x >= squareLeft && x < squareLeft + 6 && y >= height / 4 && y < height / 4 + 6;
            pixel[0] = inSquare ? 235 : uint8_t(20 + x * 120 / std::max(width - 1, 1) + (n * 45) % 100);
            pixel[1] = inSquare ? 30 : uint8_t(30 + y * 150 / std::max(height - 1, 1));
            pixel[2] = uint8_t(220 - x * 60 / std::max(width - 1, 1) - (n * 23) % 90);
        }
    }
    return rgb;
}

// The 40-byte format of uncompressed frames.
inline BITMAPINFOHEADER FrameFormat(int width, int height, int bits = 24)
{
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = WORD(bits);
    format.biCompression = 0;
    return format;
}

inline size_t RowBytes(int width, int bits)
{
    return (size_t(width) * size_t(bits) + 31) / 32 * 4;
}

// A top-down RGB picture as the rows of a bitmap: bottom-up, blue, green,
// red (16 bits: 5-5-5; 32 bits: a fourth byte unused), each row padded to 4 bytes.
inline Bytes DibFromRgb(const Bytes &rgb, int width, int height, int bits)
{
    const size_t rowBytes = RowBytes(width, bits);
    Bytes dib(rowBytes * size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = &dib[size_t(height - 1 - y) * rowBytes];
        for (int x = 0; x < width; ++x) {
            const uint8_t *pixel = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            if (bits == 16) {
                const unsigned word = (pixel[0] >> 3) << 10 | (pixel[1] >> 3) << 5 | pixel[2] >> 3;
                row[x * 2] = uint8_t(word);
                row[x * 2 + 1] = uint8_t(word >> 8);
                continue;
            }
            uint8_t *out = &row[size_t(x) * size_t(bits / 8)];
            out[0] = pixel[2];
            out[1] = pixel[1];
            out[2] = pixel[0];
        }
    }
    return dib;
}

// What a picture becomes when stored at bits per pixel and read back as RGB.
inline Bytes StoredRgb(const Bytes &rgb, int bits)
{
    if (bits != 16)
        return rgb;
    Bytes stored(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) {
        const unsigned five = rgb[i] >> 3;
        stored[i] = uint8_t(five << 3 | five >> 2);
    }
    return stored;
}

inline std::string HostPath(const QString &name)
{
    return TestHostFolder() + "/" + name.toStdString();
}

// Writes frames 0 to count - 1 of the pattern as an uncompressed movie.
inline void WritePatternMovie(const QString &name, int width, int height, int count, int bits = 24,
                              int rate = 10, const char *streamName = "Holiday")
{
    CAviFile avi;
    const BITMAPINFOHEADER format = FrameFormat(width, height, bits);
    ASSERT_EQ(avi.OpenWrite(CPath(TestWindowsPath(name).toUtf8().constData()), &format, streamName, "DIB ", rate),
              aviSuccess);
    for (int n = 0; n < count; ++n) {
        const Bytes dib = DibFromRgb(PatternRgb(width, height, n), width, height, bits);
        int32_t written = -1;
        ASSERT_EQ(avi.WriteFrame(dib.data(), uint32_t(dib.size()), &written), aviSuccess);
        ASSERT_EQ(written, int32_t(dib.size()));
    }
    ASSERT_EQ(avi.Close(), aviSuccess);
}

inline CPath TestPath(const QString &name)
{
    return CPath(TestWindowsPath(name).toUtf8().constData());
}

// One frame read back, owned.
struct ReadBack
{
    TAviResult result = aviSuccess;
    Bytes rgb;
    unsigned width = 0;
    unsigned height = 0;
    unsigned bits = 0;
};

inline ReadBack ReadOneFrame(CAviFile &avi, int frame)
{
    ReadBack read;
    unsigned char *rgb = reinterpret_cast<unsigned char *>(1);   // must come back null on failure
    read.width = read.height = read.bits = 99;
    read.result = avi.ReadFrame(frame, rgb, read.width, read.height, read.bits);
    if (rgb) {
        read.rgb.assign(rgb, rgb + size_t(read.width) * read.height * 3);
        delete[] rgb;
    }
    return read;
}

// The mean difference per colour byte.
inline double MeanError(const Bytes &a, const Bytes &b)
{
    if (a.size() != b.size() || a.empty())
        return 1e9;
    int64_t total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        total += std::abs(int(a[i]) - int(b[i]));
    return double(total) / double(a.size());
}

// The names in the test folder besides the registry and the program folder.
inline std::set<std::string> TestFolderNames()
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder())) {
        const std::string name = entry.path().filename().string();
        if (name != "Program" && name.rfind("Registry.db", 0) != 0)
            names.insert(name);
    }
    return names;
}

// Drops the debugger output while it lives: damaged movies make FFmpeg
// report each fault it meets.
class QuietDebugOutput
{
public:
    QuietDebugOutput() : m_previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {})) {}
    ~QuietDebugOutput() { qInstallMessageHandler(m_previous); }
    QuietDebugOutput(const QuietDebugOutput &) = delete;
    QuietDebugOutput &operator=(const QuietDebugOutput &) = delete;

private:
    QtMessageHandler m_previous;
};
