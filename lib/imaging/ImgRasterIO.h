#pragma once

#include "ImgIO.h"

#include <cstdint>
#include <cstring>
#include <vector>

// Byte-level helpers shared by our own raster codecs (BMP, Targa, PCX). The
// codecs treat the source's position at the call as the start of the file, so
// an image may sit inside a larger stream.

// Little-endian fields of a header held in memory.
inline uint16_t ImgGetU16(const uint8_t *bytes)
{
    return uint16_t(bytes[0] | bytes[1] << 8);
}

inline uint32_t ImgGetU32(const uint8_t *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline int32_t ImgGetI32(const uint8_t *bytes)
{
    return int32_t(ImgGetU32(bytes));
}

inline void ImgPutU16(uint8_t *bytes, uint32_t value)
{
    bytes[0] = uint8_t(value);
    bytes[1] = uint8_t(value >> 8);
}

inline void ImgPutU32(uint8_t *bytes, uint32_t value)
{
    ImgPutU16(bytes, value);
    ImgPutU16(bytes + 2, value >> 16);
}

// value out of 0..maximum, rounded to 0..255 (a 5-bit 31 is 255, not 248).
inline uint8_t ImgScaleToByte(uint32_t value, uint32_t maximum)
{
    if (maximum == 0)
        return 0;
    if (value >= maximum)
        return 255;
    return uint8_t((uint64_t(value) * 255 + maximum / 2) / maximum);
}

// Reads a source through a buffer of its own, so that run-length decoders can
// take one byte at a time cheaply. Offsets count from the source's position
// when the reader was made. Nothing is read past the end of the source.
class ImgByteReader
{
public:
    explicit ImgByteReader(ImgSourceObject &source)
        : m_source(source)
        , m_base(source.position())
        , m_fileSize(source.size() > m_base ? source.size() - m_base : 0)
        , m_bufferOffset(0)
    {
    }

    // Bytes from the start to the end of the source.
    uint64_t fileSize() const { return m_fileSize; }
    uint64_t offset() const { return m_bufferOffset + m_next; }
    uint64_t bytesLeft() const { return m_fileSize - offset(); }

    bool seekTo(uint64_t offset)
    {
        if (offset > m_fileSize)
            return false;
        if (offset >= m_bufferOffset && offset <= m_bufferOffset + m_end) {
            m_next = size_t(offset - m_bufferOffset);
            return true;
        }
        m_bufferOffset = offset;
        m_next = m_end = 0;
        return true;
    }

    // All count bytes or false; on false the position may be anywhere.
    bool read(void *buffer, size_t count)
    {
        auto *out = static_cast<uint8_t *>(buffer);
        while (count > 0) {
            if (m_next == m_end && !refill())
                return false;
            const size_t n = count < m_end - m_next ? count : m_end - m_next;
            std::memcpy(out, m_buffer.data() + m_next, n);
            m_next += n;
            out += n;
            count -= n;
        }
        return true;
    }

    bool readByte(uint8_t &byte)
    {
        if (m_next == m_end && !refill())
            return false;
        byte = m_buffer[m_next++];
        return true;
    }

    bool skip(uint64_t count) { return count <= bytesLeft() && seekTo(offset() + count); }

private:
    bool refill()
    {
        constexpr size_t ChunkBytes = 1 << 16;
        m_bufferOffset += m_end;
        m_next = m_end = 0;
        if (m_bufferOffset >= m_fileSize || !m_source.seek(m_base + m_bufferOffset))
            return false;
        if (m_buffer.empty())
            m_buffer.resize(ChunkBytes);
        const uint64_t wanted = m_fileSize - m_bufferOffset < ChunkBytes ? m_fileSize - m_bufferOffset : ChunkBytes;
        m_end = m_source.read(m_buffer.data(), size_t(wanted));
        return m_end > 0;
    }

    ImgSourceObject &m_source;
    const uint64_t m_base;        // the source's position that is offset 0
    const uint64_t m_fileSize;
    std::vector<uint8_t> m_buffer;
    uint64_t m_bufferOffset;      // offset of m_buffer[0]
    size_t m_next = 0;            // index in m_buffer of the position
    size_t m_end = 0;             // bytes held in m_buffer
};

// An rgb block owned until it is handed to the caller.
class ImgRgbBlock
{
public:
    ImgRgbBlock(uint32_t width, uint32_t height) : m_block(ImgAllocRGB(width, height)) {}
    ~ImgRgbBlock() { GlobalFree(m_block); }
    ImgRgbBlock(const ImgRgbBlock &) = delete;
    ImgRgbBlock &operator=(const ImgRgbBlock &) = delete;

    bool isNull() const { return m_block == nullptr; }
    uint8_t *pixels() const { return static_cast<uint8_t *>(m_block); }
    HGLOBAL release()
    {
        HGLOBAL block = m_block;
        m_block = nullptr;
        return block;
    }

private:
    HGLOBAL m_block;
};

// Counts what a writer puts into its destination. After the first refused
// write nothing more is written and total() answers 0.
class ImgByteWriter
{
public:
    explicit ImgByteWriter(ImgDestObject &destination) : m_destination(destination) {}

    bool write(const void *bytes, size_t count)
    {
        if (m_failed || !m_destination.write(bytes, count)) {
            m_failed = true;
            return false;
        }
        m_total += count;
        return true;
    }

    // The writers' answer: the bytes written, 0 after a failure or when the
    // count does not fit the answer.
    uint32_t total() const { return m_failed || m_total > UINT32_MAX ? 0 : uint32_t(m_total); }

private:
    ImgDestObject &m_destination;
    uint64_t m_total = 0;
    bool m_failed = false;
};

// Sets the reader's outputs to an empty image, as every failure leaves them.
inline void ImgClearDims(uint32_t *width, uint32_t *height, uint32_t *bits = nullptr)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (bits)
        *bits = 0;
}

// The dimension query of a codec whose header reader fills a Layout with
// width and height; bitsOf gives the layout's bits per pixel.
template <typename Layout, typename ReadLayout, typename BitsOf>
BOOL ImgQueryDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits, ReadLayout readLayout,
                  BitsOf bitsOf)
{
    ImgClearDims(width, height, bits);
    if (!source)
        return FALSE;
    try {
        ImgByteReader in(*source);
        Layout layout;
        if (!readLayout(in, layout))
            return FALSE;
        if (width)
            *width = layout.width;
        if (height)
            *height = layout.height;
        if (bits)
            *bits = bitsOf(layout);
        return TRUE;
    } catch (const std::bad_alloc &) {
        return FALSE;
    }
}

// The reader of such a codec: decode fills the zeroed rgb block of the
// layout's size from the pixel data after the header.
template <typename Layout, typename ReadLayout, typename Decode>
HGLOBAL ImgDecodeToRGB(HIMGSRC source, uint32_t *width, uint32_t *height, ReadLayout readLayout, Decode decode)
{
    ImgClearDims(width, height);
    if (!source)
        return nullptr;
    try {
        ImgByteReader in(*source);
        Layout layout;
        if (!readLayout(in, layout))
            return nullptr;
        ImgRgbBlock block(layout.width, layout.height);
        if (block.isNull() || !decode(in, layout, block.pixels()))
            return nullptr;
        if (width)
            *width = layout.width;
        if (height)
            *height = layout.height;
        return block.release();
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
