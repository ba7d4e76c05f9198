#pragma once

// FFmpeg's byte I/O over our streams, so that FFmpeg never opens a file by
// itself: reading goes through the platform's file checks, writing through a
// temporary file that is renamed only when complete.

extern "C" {
#include <libavformat/avio.h>
}

#include <memory>

class TStream;

struct AvioContextDeleter
{
    void operator()(AVIOContext *context) const;
};
using AvioContextPtr = std::unique_ptr<AVIOContext, AvioContextDeleter>;

// A seekable reading context over stream, which must outlive it. Null when
// FFmpeg has no memory for it.
AvioContextPtr newAvioReader(TStream &stream);
// A seekable writing context over stream, which must outlive it. A write
// that the stream takes short leaves the context's error set.
AvioContextPtr newAvioWriter(TStream &stream);
