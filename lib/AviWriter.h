#pragma once

#include "String.h"
#include <platform/BitmapInfo.h>

#include <cstdint>
#include <vector>

class TStream;

// Writes an AVI movie of one video stream of uncompressed frames, frame by
// frame, over a stream it does not own (the layout is at the top of the .cpp).
// Window thread or worker, one thread at a time. Every write that fails raises
// EStreamError; the stream then holds no usable movie.
class AviWriter
{
public:
    // Whether format is one this writer can describe: 40 bytes, 1 plane,
    // uncompressed 16, 24 or 32 bits, bottom-up, width and height from 1 to
    // 32767, at most 2^28 pixels, image bytes 0 or those of its rows.
    static bool isWritableFormat(const BITMAPINFOHEADER &format);

    // format must be writable. handler: up to four characters (the rest zero),
    // null for none. rate: frames per second, above 0. name: the stream's
    // name, cut to 63 bytes; null for none.
    AviWriter(TStream &file, const BITMAPINFOHEADER &format, const char *handler, uint32_t rate,
              const char *name);

    // Writes the headers, with room for the counts that finish fills in.
    void begin();
    // Appends one key frame. False, writing nothing, when size is not
    // frameBytes() or the movie would outgrow what its 32-bit sizes can hold.
    bool writeFrame(const void *data, uint32_t size);
    // Writes the index and fills in the sizes and counts. The stream then
    // holds a complete movie; no frame may follow.
    void finish();

    uint32_t frameBytes() const { return m_format.biSizeImage; }
    uint32_t frameCount() const { return uint32_t(m_frameOffsets.size()); }

private:
    void writeAt(int64_t position, uint32_t value);

    TStream &m_file;
    BITMAPINFOHEADER m_format;        // biSizeImage filled in
    uint32_t m_handler = 0;           // four-character code
    uint32_t m_rate = 1;
    CString m_name;
    int64_t m_moviStart = 0;          // offset of the "movi" list's fourcc
    int64_t m_fileBytes = 0;          // written so far
    std::vector<uint32_t> m_frameOffsets;   // of each frame's chunk, from the "movi" fourcc
};
