#pragma once

#include "ImgLib.h"

#include <cstddef>
#include <cstdint>

// What the codecs read from and write to behind the library's handles.

struct ImgSourceObject
{
    virtual ~ImgSourceObject() = default;
    // Up to count bytes from the position; answers how many were read.
    virtual size_t read(void *buffer, size_t count) = 0;
    virtual bool seek(uint64_t position) = 0;
    virtual uint64_t position() const = 0;
    virtual uint64_t size() const = 0;

    bool readExact(void *buffer, size_t count) { return read(buffer, count) == count; }
    uint64_t bytesLeft() const { return size() > position() ? size() - position() : 0; }
};

struct ImgDestObject
{
    virtual ~ImgDestObject() = default;
    // All count bytes or none: a memory destination refuses what does not fit.
    virtual bool write(const void *buffer, size_t count) = 0;
    virtual uint64_t written() const = 0;
    // Writes out what is buffered (a file destination also puts its file in
    // place); false when that fails.
    virtual bool close() = 0;
    // Told by a writer that failed, after which a file destination keeps the
    // old file. Nothing to do for the others: their callers see the answer.
    virtual void abandon() {}
};

// What every writer answers: bytes, the number of bytes it wrote, or 0 for a
// failure, which abandons the destination.
uint32_t ImgWriterAnswer(HIMGDEST destination, uint32_t bytes);

class TStream;

// A destination writing through a buffer into stream, which must outlive it:
// a picture goes to its temporary file as it is encoded, with no second copy
// in memory. Closed with ImgCloseDest.
HIMGDEST ImgOpenStreamDest(TStream &stream);

// A zeroed rgb block for width x height pixels; null for an empty size or one
// of more than ImgMaxPixels pixels.
HGLOBAL ImgAllocRGB(uint32_t width, uint32_t height);
// Whether width x height is a size the readers accept.
bool ImgSizeIsAcceptable(uint64_t width, uint64_t height);
// The rule every reader keeps: no file makes it allocate far more than its
// own data can fill. A format describes at most maxPixelsPerByte pixels with
// each byte of its data (its densest coding, plus a margin); a reader refuses
// an image that claims more before it allocates the pixels, so a few bytes
// of header cannot make it take gigabytes.
bool ImgDataCanFill(uint64_t width, uint64_t height, uint64_t dataBytes, uint64_t maxPixelsPerByte);
