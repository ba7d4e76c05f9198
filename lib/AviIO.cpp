#include "AviIO.h"

#include <platform/Stream.h>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <cstdio>

namespace {

constexpr int BufferBytes = 1 << 16;

// FFmpeg 6.1 made the write callback's buffer const.
#if defined(FF_API_AVIO_WRITE_NONCONST) && !FF_API_AVIO_WRITE_NONCONST
using WriteBuffer = const uint8_t *;
#else
using WriteBuffer = uint8_t *;
#endif

// The callbacks run inside FFmpeg's C code, so no exception may leave them.
int readPacket(void *opaque, uint8_t *buffer, int size)
{
    try {
        const int32_t done = static_cast<TStream *>(opaque)->Read(buffer, size);
        return done > 0 ? done : AVERROR_EOF;
    } catch (...) {
        return AVERROR(EIO);
    }
}

int writePacket(void *opaque, WriteBuffer buffer, int size)
{
    try {
        const int32_t done = static_cast<TStream *>(opaque)->Write(buffer, size);
        return done == size ? done : AVERROR(EIO);
    } catch (...) {
        return AVERROR(EIO);
    }
}

int64_t seekStream(void *opaque, int64_t offset, int whence)
{
    try {
        TStream *stream = static_cast<TStream *>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return stream->Size();
        case SEEK_SET:
            return stream->Seek(offset, soBeginning);
        case SEEK_CUR:
            return stream->Seek(offset, soCurrent);
        case SEEK_END:
            return stream->Seek(offset, soEnd);
        default:
            return AVERROR(EINVAL);
        }
    } catch (...) {
        return AVERROR(EIO);
    }
}

AvioContextPtr newContext(TStream &stream, bool writing)
{
    auto *buffer = static_cast<unsigned char *>(av_malloc(BufferBytes));
    if (!buffer)
        return nullptr;
    AVIOContext *context = avio_alloc_context(buffer, BufferBytes, writing ? 1 : 0, &stream,
                                              writing ? nullptr : readPacket, writing ? writePacket : nullptr,
                                              seekStream);
    if (!context)
        av_free(buffer);
    return AvioContextPtr(context);
}

} // namespace

void AvioContextDeleter::operator()(AVIOContext *context) const
{
    // FFmpeg may have swapped the buffer for one of its own; this frees whichever it holds.
    av_freep(&context->buffer);
    avio_context_free(&context);
}

AvioContextPtr newAvioReader(TStream &stream)
{
    return newContext(stream, false);
}

AvioContextPtr newAvioWriter(TStream &stream)
{
    return newContext(stream, true);
}
