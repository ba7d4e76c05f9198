#include "ImgIO.h"

#include <platform/Exception.h>
#include <platform/Stream.h>

#include <QString>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

bool ImgSizeIsAcceptable(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= ImgMaxPixels && height <= ImgMaxPixels
           && width * height <= ImgMaxPixels;
}

bool ImgDataCanFill(uint64_t width, uint64_t height, uint64_t dataBytes, uint64_t maxPixelsPerByte)
{
    if (!ImgSizeIsAcceptable(width, height))
        return false;
    // Both sides stay below 2^64: width * height is at most ImgMaxPixels.
    return width * height <= std::min<uint64_t>(dataBytes, ImgMaxPixels) * maxPixelsPerByte;
}

HGLOBAL ImgAllocRGB(uint32_t width, uint32_t height)
{
    if (!ImgSizeIsAcceptable(width, height))
        return nullptr;
    return GlobalAlloc(GPTR, size_t(width) * height * 3);
}

namespace {

// A file read through a buffer, so that codecs asking for a few bytes at a
// time do not make a system call each.
class FileSource : public ImgSourceObject
{
public:
    explicit FileSource(std::unique_ptr<TFileStream> file)
        : m_file(std::move(file))
        , m_size(uint64_t(std::max<int64_t>(m_file->Size(), 0)))
    {
    }

    size_t read(void *buffer, size_t count) override
    {
        auto *out = static_cast<char *>(buffer);
        size_t done = 0;
        while (done < count) {
            if (m_next == m_buffer.size() && !fill())
                break;
            const size_t n = std::min(count - done, m_buffer.size() - m_next);
            std::memcpy(out + done, m_buffer.data() + m_next, n);
            m_next += n;
            done += n;
        }
        return done;
    }

    bool seek(uint64_t position) override
    {
        if (position > m_size)
            return false;
        if (position >= m_bufferStart && position <= m_bufferStart + m_buffer.size()) {
            m_next = size_t(position - m_bufferStart);
            return true;
        }
        m_bufferStart = position;
        m_buffer.clear();
        m_next = 0;
        return m_file->Seek(int64_t(position), soBeginning) == int64_t(position);
    }

    uint64_t position() const override { return m_bufferStart + m_next; }
    uint64_t size() const override { return m_size; }

private:
    bool fill()
    {
        constexpr int32_t ChunkBytes = 1 << 16;
        m_bufferStart += m_buffer.size();
        m_buffer.resize(ChunkBytes);
        m_next = 0;
        m_file->Seek(int64_t(m_bufferStart), soBeginning);
        const int32_t n = m_file->Read(m_buffer.data(), ChunkBytes);
        m_buffer.resize(size_t(std::max(n, 0)));
        return !m_buffer.empty();
    }

    std::unique_ptr<TFileStream> m_file;
    uint64_t m_size;
    std::vector<char> m_buffer;   // the file's bytes from m_bufferStart
    uint64_t m_bufferStart = 0;
    size_t m_next = 0;            // index in m_buffer of the position
};

class MemorySource : public ImgSourceObject
{
public:
    MemorySource(const void *buffer, uint32_t size) : m_bytes(static_cast<const char *>(buffer)), m_size(size) {}

    size_t read(void *buffer, size_t count) override
    {
        const size_t n = size_t(std::min<uint64_t>(count, m_size - m_position));
        if (n == 0)
            return 0;   // an empty source may have no buffer at all
        std::memcpy(buffer, m_bytes + m_position, n);
        m_position += n;
        return n;
    }

    bool seek(uint64_t position) override
    {
        if (position > m_size)
            return false;
        m_position = position;
        return true;
    }

    uint64_t position() const override { return m_position; }
    uint64_t size() const override { return m_size; }

private:
    const char *m_bytes;
    uint64_t m_size;
    uint64_t m_position = 0;
};

// Writes through a buffer into a stream that outlives it.
class StreamDest : public ImgDestObject
{
public:
    explicit StreamDest(TStream &stream) : m_stream(stream) {}

    bool write(const void *buffer, size_t count) override
    {
        const auto *bytes = static_cast<const char *>(buffer);
        if (m_failed)
            return false;
        if (m_buffer.size() + count > BufferBytes && !flush())
            return false;
        if (count >= BufferBytes) {
            m_failed = !writeOut(bytes, count);
        } else {
            m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        }
        if (!m_failed)
            m_written += count;
        return !m_failed;
    }

    uint64_t written() const override { return m_written; }
    bool close() override { return flush(); }

private:
    static constexpr size_t BufferBytes = 1 << 16;

    bool writeOut(const char *bytes, size_t count)
    {
        while (count > 0) {
            const int32_t n = int32_t(std::min<size_t>(count, INT32_MAX));
            if (m_stream.Write(bytes, n) != n)
                return false;
            bytes += n;
            count -= size_t(n);
        }
        return true;
    }

    bool flush()
    {
        if (!m_failed && !m_buffer.empty())
            m_failed = !writeOut(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return !m_failed;
    }

    TStream &m_stream;
    std::vector<char> m_buffer;
    uint64_t m_written = 0;
    bool m_failed = false;
};

// A file written by temporary file and rename: committed on close only when
// something was written and no writer failed.
class FileDest : public StreamDest
{
public:
    explicit FileDest(std::unique_ptr<TSafeFileStream> file) : StreamDest(*file), m_file(std::move(file)) {}

    void abandon() override { m_abandoned = true; }

    bool close() override
    {
        if (m_abandoned || !StreamDest::close() || written() == 0)
            return false;
        try {
            m_file->Commit();
            return true;
        } catch (const Exception &) {
            return false;
        }
    }

private:
    // Destroyed without a commit, it removes its temporary file.
    std::unique_ptr<TSafeFileStream> m_file;
    bool m_abandoned = false;
};

class MemoryDest : public ImgDestObject
{
public:
    MemoryDest(void *buffer, uint32_t size) : m_bytes(static_cast<char *>(buffer)), m_size(size) {}

    bool write(const void *buffer, size_t count) override
    {
        if (count > m_size - m_written)
            return false;
        std::memcpy(m_bytes + m_written, buffer, count);
        m_written += count;
        return true;
    }

    uint64_t written() const override { return m_written; }
    bool close() override { return true; }

private:
    char *m_bytes;
    uint64_t m_size;
    uint64_t m_written = 0;
};

} // namespace

HIMGSRC ImgOpenFileSource(const char *fileName)
{
    try {
        return new FileSource(std::make_unique<TFileStream>(QString::fromUtf8(fileName), fmOpenRead | fmShareDenyWrite));
    } catch (const Exception &) {
        return nullptr;
    }
}

HIMGSRC ImgOpenMemorySource(const void *buffer, uint32_t size)
{
    if (!buffer && size > 0)
        return nullptr;
    return new MemorySource(buffer, size);
}

BOOL ImgCloseSource(HIMGSRC source)
{
    delete source;
    return source != nullptr;
}

HIMGDEST ImgOpenFileDest(const char *fileName)
{
    try {
        return new FileDest(std::make_unique<TSafeFileStream>(QString::fromUtf8(fileName)));
    } catch (const Exception &) {
        return nullptr;
    }
}

HIMGDEST ImgOpenStreamDest(TStream &stream)
{
    return new StreamDest(stream);
}

HIMGDEST ImgOpenMemoryDest(void *buffer, uint32_t size)
{
    if (!buffer && size > 0)
        return nullptr;
    return new MemoryDest(buffer, size);
}

BOOL ImgCloseDest(HIMGDEST destination)
{
    if (!destination)
        return FALSE;
    const bool closed = destination->close();
    delete destination;
    return closed;
}

uint32_t ImgWriterAnswer(HIMGDEST destination, uint32_t bytes)
{
    if (bytes == 0 && destination)
        destination->abandon();
    return bytes;
}

BOOL ImgSeek(HIMGSRC source, int32_t offset, int32_t origin)
{
    if (!source)
        return FALSE;
    const int64_t base = origin == 1 ? int64_t(source->position()) : origin == 2 ? int64_t(source->size()) : 0;
    const int64_t position = base + offset;
    return position >= 0 && source->seek(uint64_t(position));
}
