#pragma once

// Helpers for the tests of our own raster codecs (BMP, Targa, PCX) and the
// pixel transforms: files built byte by byte, reading and writing through
// memory sources and destinations, and pictures given one letter a pixel.

#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace RasterTest {

using Pixels = std::vector<uint8_t>;   // top-down red, green, blue

// A file under construction, fields appended little-endian.
class FileBytes
{
public:
    FileBytes() = default;
    FileBytes(std::initializer_list<uint8_t> bytes) : m_bytes(bytes) {}

    FileBytes &u8(uint32_t value)
    {
        m_bytes.push_back(uint8_t(value));
        return *this;
    }
    FileBytes &u16(uint32_t value) { return u8(value).u8(value >> 8); }
    FileBytes &u32(uint32_t value) { return u16(value).u16(value >> 16); }
    FileBytes &bytes(std::initializer_list<uint8_t> values)
    {
        m_bytes.insert(m_bytes.end(), values);
        return *this;
    }
    FileBytes &bytes(const std::vector<uint8_t> &values)
    {
        m_bytes.insert(m_bytes.end(), values.begin(), values.end());
        return *this;
    }
    FileBytes &zeros(size_t count)
    {
        m_bytes.insert(m_bytes.end(), count, 0);
        return *this;
    }

    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t> &data() const { return m_bytes; }
    operator const std::vector<uint8_t> &() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

inline void PutU16(std::vector<uint8_t> &file, size_t offset, uint32_t value)
{
    file.at(offset) = uint8_t(value);
    file.at(offset + 1) = uint8_t(value >> 8);
}

inline void PutU32(std::vector<uint8_t> &file, size_t offset, uint32_t value)
{
    PutU16(file, offset, value);
    PutU16(file, offset + 2, value >> 16);
}

// One letter a pixel: k black, w white, r red, g green, b blue, y yellow,
// c cyan, m magenta, s silver (192), d dark grey (128), h the half-bright
// 5-bit level 16 (132) on all channels.
inline Pixels PixelsFromLetters(const std::string &letters)
{
    Pixels pixels;
    for (char letter : letters) {
        uint8_t r = 0, g = 0, b = 0;
        switch (letter) {
        case 'k': break;
        case 'w': r = g = b = 255; break;
        case 'r': r = 255; break;
        case 'g': g = 255; break;
        case 'b': b = 255; break;
        case 'y': r = g = 255; break;
        case 'c': g = b = 255; break;
        case 'm': r = b = 255; break;
        case 's': r = g = b = 192; break;
        case 'd': r = g = b = 128; break;
        case 'h': r = g = b = 132; break;
        default: ADD_FAILURE() << "no colour for letter " << letter; break;
        }
        pixels.insert(pixels.end(), {r, g, b});
    }
    return pixels;
}

// Distinct, irregular pixels: a lossless codec must give them back exactly.
inline Pixels PatternPixels(uint32_t width, uint32_t height)
{
    Pixels pixels(size_t(width) * height * 3);
    uint32_t state = 12345;
    for (uint8_t &byte : pixels) {
        state = state * 1103515245 + 12345;
        byte = uint8_t(state >> 16);
    }
    // Runs too, so that run-length writers meet repeats and bytes of 0xC0 and more.
    for (size_t i = 0; i + 3 <= pixels.size() && i < 3 * size_t(width); i += 3)
        pixels[i] = 0xC5;
    return pixels;
}

struct Decoded
{
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    Pixels rgb;
};

using ReadFunction = HGLOBAL (*)(HIMGSRC, uint32_t *, uint32_t *);
using DimsFunction = BOOL (*)(HIMGSRC, uint32_t *, uint32_t *, uint32_t *);
using WriteFunction = uint32_t (*)(HIMGDEST, const uint8_t *, uint32_t, uint32_t);

// Reads a file from memory. A failure must leave the size at 0 x 0.
inline Decoded DecodeWith(ReadFunction read, const std::vector<uint8_t> &file)
{
    Decoded decoded;
    HIMGSRC source = ImgOpenMemorySource(file.data(), uint32_t(file.size()));
    EXPECT_NE(source, nullptr);
    decoded.width = decoded.height = 77;
    HGLOBAL block = read(source, &decoded.width, &decoded.height);
    ImgCloseSource(source);
    if (!block) {
        EXPECT_EQ(decoded.width, 0u);
        EXPECT_EQ(decoded.height, 0u);
        return decoded;
    }
    decoded.ok = true;
    const auto *bytes = static_cast<const uint8_t *>(GlobalLock(block));
    EXPECT_EQ(GlobalSize(block), size_t(decoded.width) * decoded.height * 3);
    decoded.rgb.assign(bytes, bytes + size_t(decoded.width) * decoded.height * 3);
    GlobalFree(block);
    return decoded;
}

// Expects read to decode file to width x height pixels given as colour letters.
inline void ExpectDecodesTo(ReadFunction read, const std::vector<uint8_t> &file, uint32_t width, uint32_t height,
                            const std::string &expected)
{
    const Decoded decoded = DecodeWith(read, file);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, width);
    EXPECT_EQ(decoded.height, height);
    const Pixels want = PixelsFromLetters(expected);
    ASSERT_EQ(decoded.rgb.size(), want.size());
    for (size_t i = 0; i < want.size(); i += 3) {
        SCOPED_TRACE(testing::Message() << "pixel " << (i / 3) % width << ", " << (i / 3) / width);
        EXPECT_EQ(decoded.rgb[i], want[i]);
        EXPECT_EQ(decoded.rgb[i + 1], want[i + 1]);
        EXPECT_EQ(decoded.rgb[i + 2], want[i + 2]);
    }
}

struct Dims
{
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;
};

inline Dims DimsWith(DimsFunction query, const std::vector<uint8_t> &file)
{
    Dims dims;
    HIMGSRC source = ImgOpenMemorySource(file.data(), uint32_t(file.size()));
    EXPECT_NE(source, nullptr);
    dims.ok = query(source, &dims.width, &dims.height, &dims.bits) != 0;
    ImgCloseSource(source);
    return dims;
}

struct Encoded
{
    uint32_t answer = 0;
    std::vector<uint8_t> file;   // the bytes the destination took
};

// Writes into a memory destination of capacity bytes.
inline Encoded EncodeWith(WriteFunction write, const Pixels &rgb, uint32_t width, uint32_t height,
                          size_t capacity = 1 << 20)
{
    Encoded encoded;
    std::vector<uint8_t> buffer(capacity + 1, 0xEE);   // one guard byte past the capacity
    HIMGDEST destination = ImgOpenMemoryDest(buffer.data(), uint32_t(capacity));
    EXPECT_NE(destination, nullptr);
    encoded.answer = write(destination, rgb.data(), width, height);
    ImgCloseDest(destination);
    EXPECT_EQ(buffer[capacity], 0xEE) << "written past the destination";
    if (encoded.answer > 0 && encoded.answer <= capacity)
        encoded.file.assign(buffer.begin(), buffer.begin() + encoded.answer);
    return encoded;
}

// Every proper prefix of a valid file must be refused.
inline void ExpectEveryTruncationFails(ReadFunction read, const std::vector<uint8_t> &file)
{
    for (size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        const std::vector<uint8_t> cut(file.begin(), file.begin() + length);
        EXPECT_FALSE(DecodeWith(read, cut).ok);
    }
}

// Each byte of a valid file set in turn to a few telling values: the reader
// either refuses the file cleanly or decodes it at the size the dimension
// query reports. Run under AddressSanitizer this shows any read or write out
// of bounds. The pixels are not copied, so a damaged size that is still
// allowed costs little.
inline void ExpectDamageHandled(ReadFunction read, DimsFunction query, const std::vector<uint8_t> &file)
{
    for (size_t offset = 0; offset < file.size(); ++offset) {
        for (const uint8_t value : std::initializer_list<uint8_t>{0x00, 0x01, 0x7F, 0x80, 0xFF, uint8_t(file[offset] + 1)}) {
            std::vector<uint8_t> damaged = file;
            damaged[offset] = value;
            HIMGSRC source = ImgOpenMemorySource(damaged.data(), uint32_t(damaged.size()));
            uint32_t width = 0, height = 0;
            HGLOBAL block = read(source, &width, &height);
            ImgCloseSource(source);
            if (!block)
                continue;
            GlobalFree(block);
            SCOPED_TRACE(testing::Message() << "byte " << offset << " set to " << int(value));
            const Dims dims = DimsWith(query, damaged);
            EXPECT_TRUE(dims.ok);
            EXPECT_EQ(dims.width, width);
            EXPECT_EQ(dims.height, height);
        }
    }
}

// The writer's output is the exact size it answers, and every destination
// too small for it makes the writer answer 0.
inline void ExpectSmallDestinationsRefused(WriteFunction write, const Pixels &rgb, uint32_t width, uint32_t height)
{
    const Encoded whole = EncodeWith(write, rgb, width, height);
    ASSERT_GT(whole.answer, 0u);
    EXPECT_EQ(EncodeWith(write, rgb, width, height, whole.answer).answer, whole.answer);
    for (size_t capacity = 0; capacity < whole.answer; ++capacity) {
        SCOPED_TRACE(capacity);
        EXPECT_EQ(EncodeWith(write, rgb, width, height, capacity).answer, 0u);
    }
}

} // namespace RasterTest
