#include "Archive.h"

#include <platform/Exception.h>
#include <platform/Stream.h>

#include <cstring>
#include <memory>

constexpr uint8_t LongLengthMark = 0xFF;

CArchive::CArchive(TStream *stream, ArMode mode)
    : m_stream(stream)
    , m_mode(mode)
{
}

CArchive::~CArchive()
{
    Close();
}

void CArchive::Close()
{
}

void CArchive::Read(void *buffer, int32_t count)
{
    if (count <= 0)
        return;
    if (m_stream->Read(buffer, count) != count)
        throw Exception("Read failed");
}

void CArchive::Write(const void *buffer, int32_t count)
{
    if (count <= 0)
        return;
    if (m_stream->Write(buffer, count) != count)
        throw Exception("Write failed");
}

uint64_t CArchive::bytesLeft() const
{
    const int64_t position = m_stream->Position();
    const int64_t size = m_stream->Size();
    return position < 0 || size < position ? 0 : uint64_t(size - position);
}

CArchive &operator<<(CArchive &archive, const char *text)
{
    const size_t length = std::strlen(text ? text : "");
    if (length > size_t(INT32_MAX))
        throw Exception("Write failed");
    if (length < LongLengthMark) {
        archive.writeValue(uint8_t(length));
    } else {
        archive.writeValue(LongLengthMark);
        archive.writeValue(uint32_t(length));
    }
    archive.Write(text, int32_t(length));
    return archive;
}

CArchive &operator>>(CArchive &archive, CString &text)
{
    uint64_t length = archive.readValue<uint8_t>();
    if (length == LongLengthMark)
        length = archive.readValue<uint32_t>();
    if (length == 0) {
        text.Empty();
        return archive;
    }
    if (length > archive.bytesLeft() || length > uint64_t(INT32_MAX))
        throw Exception("Read failed");
    std::unique_ptr<char[]> block(new char[length + 1]);
    archive.Read(block.get(), int32_t(length));
    block[length] = '\0';
    text = block.get();
    return archive;
}
