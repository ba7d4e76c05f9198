// Uncompressed AVI movies: one RIFF file, one video stream, every frame a key
// frame. All numbers little-endian; every chunk is a four-character code, a
// 32-bit size of what follows (padding not counted) and its bytes, padded to
// an even length.
//
// File               offset  size  meaning
//                         0     4  "RIFF"
//                         4     4  file bytes - 8
//                         8     4  "AVI "
// Header list            12     4  "LIST"
//                        16     4  bytes from offset 20 to the end of the stream list
//                        20     4  "hdrl"
// Main header            24     4  "avih"
//                        28     4  56
//                        32     4  microseconds per frame: 1000000 / rate, rounded
//                        36     4  most bytes a second: frame bytes x rate (at most 2^32 - 1)
//                        40     4  padding granularity: 0
//                        44     4  flags: 0x10, the file has an index
//                        48     4  frames
//                        52     4  initial frames: 0
//                        56     4  streams: 1
//                        60     4  suggested buffer bytes: frame bytes
//                        64     4  width
//                        68     4  height
//                        72    16  reserved: 0
// Stream list            88     4  "LIST"
//                        92     4  bytes from offset 96 to the end of the name chunk (or of strf)
//                        96     4  "strl"
// Stream header         100     4  "strh"
//                       104     4  56
//                       108     4  type: "vids"
//                       112     4  handler: the caller's four characters ("DIB ")
//                       116     4  flags: 0
//                       120     2  priority: 0
//                       122     2  language: 0
//                       124     4  initial frames: 0
//                       128     4  scale: 1
//                       132     4  rate: frames per second (rate / scale)
//                       136     4  start: 0
//                       140     4  length: frames
//                       144     4  suggested buffer bytes: frame bytes
//                       148     4  quality: -1, the codec's default
//                       152     4  sample bytes: frame bytes
//                       156     8  frame rectangle: left 0, top 0, right width, bottom height, 2 bytes each
// Stream format         164     4  "strf"
//                       168     4  40
//                       172    40  the frame format (platform/BitmapInfo.h): 40, width, height (positive,
//                                  rows bottom-up), 1 plane, 16, 24 or 32 bits, compression 0, image
//                                  bytes = frame bytes, then pixels per metre and colours as the caller
//                                  gave them
// Stream name           212     4  "strn" (only when the name is not empty)
//                       216     4  name bytes + 1
//                       220     n  the name (at most 63 bytes), a NUL, a pad byte when n + 1 is odd
// Movie list              m     4  "LIST" (m: the end of the stream list)
//                       m+4     4  bytes from m+8 to the end of the last frame
//                       m+8     4  "movi"
// Frame chunks         m+12        per frame: "00db", frame bytes, then the rows bottom-up, each
//                                  ((width x bits + 31) / 32) x 4 bytes
// Index                     4      "idx1"
//                           4      16 x frames
//                          16      per frame: "00db", flags 0x10 (key frame), offset of the frame's
//                                  chunk from m+8, frame bytes
// The whole file stays below 2^32 bytes, the most its 32-bit sizes can hold.

#include "AviWriter.h"

#include "AviFile.h"
#include <platform/Exception.h>
#include <platform/Stream.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t MainHeaderBytes = 56;
constexpr uint32_t FormatBytes = sizeof(BITMAPINFOHEADER);
constexpr uint32_t StreamHeaderBytes = 56;
constexpr uint32_t ChunkHeaderBytes = 8;
constexpr uint32_t IndexEntryBytes = 16;
constexpr uint32_t MaxNameBytes = 63;
constexpr uint32_t MaxSide = 32767;                 // the frame rectangle's 16-bit edges
constexpr uint64_t MaxPixels = uint64_t(1) << 28;   // the limit of every image decoder and writer
constexpr uint64_t MaxFileBytes = std::numeric_limits<uint32_t>::max();

constexpr uint32_t HasIndex = 0x10;
constexpr uint32_t KeyFrame = 0x10;

// Offsets of the counts that finish fills in.
constexpr int64_t RiffSizeAt = 4;
constexpr int64_t MainFramesAt = 48;
constexpr int64_t StreamLengthAt = 140;

// Little-endian bytes for the headers, collected before one write.
class ByteWriter
{
public:
    void u16(uint32_t value)
    {
        m_bytes.push_back(char(value));
        m_bytes.push_back(char(value >> 8));
    }
    void u32(uint32_t value)
    {
        u16(value & 0xFFFF);
        u16(value >> 16);
    }
    void i32(int32_t value) { u32(uint32_t(value)); }
    void code(const char (&text)[5]) { u32(AviFourCC(text)); }
    void bytes(const char *data, size_t count) { m_bytes.insert(m_bytes.end(), data, data + count); }
    void zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, '\0'); }

    void writeTo(TStream &stream) const { stream.WriteBuffer(m_bytes.data(), int32_t(m_bytes.size())); }
    size_t size() const { return m_bytes.size(); }

private:
    std::vector<char> m_bytes;
};

// Rows of whole 32-bit words; in 64 bits, so no width and bit count overflow it.
uint64_t imageBytesOf(const BITMAPINFOHEADER &format)
{
    const uint64_t rowBytes = (uint64_t(uint32_t(format.biWidth)) * format.biBitCount + 31) / 32 * 4;
    return rowBytes * uint32_t(format.biHeight);
}

uint32_t handlerCode(const char *handler)
{
    uint32_t code = 0;
    for (int i = 0; handler && i < 4 && handler[i]; ++i)
        code |= uint32_t(uint8_t(handler[i])) << (8 * i);
    return code;
}

// The name chunk's bytes after its header: the name, a NUL, and the pad.
uint32_t nameChunkBodyBytes(const CString &name)
{
    const uint32_t bytes = uint32_t(name.GetLength()) + 1;
    return bytes + (bytes & 1);
}

} // namespace

bool AviWriter::isWritableFormat(const BITMAPINFOHEADER &format)
{
    if (format.biSize != FormatBytes || format.biPlanes != 1 || format.biCompression != 0)
        return false;
    if (format.biBitCount != 16 && format.biBitCount != 24 && format.biBitCount != 32)
        return false;
    if (format.biWidth < 1 || format.biHeight < 1 || uint32_t(format.biWidth) > MaxSide
        || uint32_t(format.biHeight) > MaxSide)
        return false;
    if (uint64_t(format.biWidth) * uint64_t(format.biHeight) > MaxPixels)
        return false;
    // The largest image (2^28 pixels of 32 bits) takes 2^30 bytes, so the rows fit 32 bits.
    return format.biSizeImage == 0 || format.biSizeImage == imageBytesOf(format);
}

AviWriter::AviWriter(TStream &file, const BITMAPINFOHEADER &format, const char *handler, uint32_t rate,
                     const char *name)
    : m_file(file)
    , m_format(format)
    , m_handler(handlerCode(handler))
    , m_rate(std::max<uint32_t>(rate, 1))
    , m_name(name ? name : "")
{
    m_format.biSizeImage = uint32_t(imageBytesOf(format));
    if (m_name.GetLength() > int(MaxNameBytes))
        m_name = m_name.Left(int(MaxNameBytes));
}

void AviWriter::begin()
{
    const uint32_t frameBytes = m_format.biSizeImage;
    const uint32_t nameBytes = m_name.IsEmpty() ? 0 : ChunkHeaderBytes + nameChunkBodyBytes(m_name);
    const uint32_t streamListBytes = 4 + ChunkHeaderBytes + StreamHeaderBytes + ChunkHeaderBytes
                                   + FormatBytes + nameBytes;
    const uint32_t headerListBytes = 4 + ChunkHeaderBytes + MainHeaderBytes + ChunkHeaderBytes + streamListBytes;

    ByteWriter header;
    header.code("RIFF");
    header.u32(0);
    header.code("AVI ");

    header.code("LIST");
    header.u32(headerListBytes);
    header.code("hdrl");

    header.code("avih");
    header.u32(MainHeaderBytes);
    header.u32(uint32_t(std::lround(1000000.0 / m_rate)));
    header.u32(uint32_t(std::min<uint64_t>(uint64_t(frameBytes) * m_rate, MaxFileBytes)));
    header.u32(0);
    header.u32(HasIndex);
    header.u32(0);
    header.u32(0);
    header.u32(1);
    header.u32(frameBytes);
    header.i32(m_format.biWidth);
    header.i32(m_format.biHeight);
    header.zeros(16);

    header.code("LIST");
    header.u32(streamListBytes);
    header.code("strl");

    header.code("strh");
    header.u32(StreamHeaderBytes);
    header.code("vids");
    header.u32(m_handler);
    header.u32(0);
    header.u16(0);
    header.u16(0);
    header.u32(0);
    header.u32(1);
    header.u32(m_rate);
    header.u32(0);
    header.u32(0);
    header.u32(frameBytes);
    header.i32(-1);
    header.u32(frameBytes);
    header.u16(0);
    header.u16(0);
    header.u16(uint32_t(m_format.biWidth));
    header.u16(uint32_t(m_format.biHeight));

    header.code("strf");
    header.u32(FormatBytes);
    header.u32(FormatBytes);
    header.i32(m_format.biWidth);
    header.i32(m_format.biHeight);
    header.u16(1);
    header.u16(m_format.biBitCount);
    header.u32(0);
    header.u32(frameBytes);
    header.i32(m_format.biXPelsPerMeter);
    header.i32(m_format.biYPelsPerMeter);
    header.u32(m_format.biClrUsed);
    header.u32(m_format.biClrImportant);

    if (!m_name.IsEmpty()) {
        header.code("strn");
        header.u32(uint32_t(m_name.GetLength()) + 1);
        header.bytes(m_name.c_str(), size_t(m_name.GetLength()));
        header.zeros(nameChunkBodyBytes(m_name) - uint32_t(m_name.GetLength()));
    }

    header.code("LIST");
    header.u32(4);
    header.code("movi");

    m_moviStart = int64_t(header.size()) - 4;
    header.writeTo(m_file);
    m_fileBytes = int64_t(header.size());
}

bool AviWriter::writeFrame(const void *data, uint32_t size)
{
    if (size != m_format.biSizeImage)
        return false;
    const uint64_t indexBytes = ChunkHeaderBytes + uint64_t(IndexEntryBytes) * (m_frameOffsets.size() + 1);
    if (uint64_t(m_fileBytes) + ChunkHeaderBytes + size + indexBytes > MaxFileBytes)
        return false;

    ByteWriter chunk;
    chunk.code("00db");
    chunk.u32(size);
    chunk.writeTo(m_file);
    // A frame is at most 2^30 bytes (isWritableFormat), so it goes in one write.
    m_file.WriteBuffer(data, int32_t(size));
    m_frameOffsets.push_back(uint32_t(m_fileBytes - m_moviStart));
    m_fileBytes += ChunkHeaderBytes + size;
    return true;
}

void AviWriter::finish()
{
    const uint32_t frames = frameCount();
    const uint32_t moviBytes = uint32_t(m_fileBytes - m_moviStart);

    ByteWriter indexHeader;
    indexHeader.code("idx1");
    indexHeader.u32(IndexEntryBytes * frames);
    indexHeader.writeTo(m_file);
    m_fileBytes += ChunkHeaderBytes;
    // In blocks, so that a long movie's index needs no second copy in memory.
    constexpr size_t EntriesPerBlock = 4096;
    for (size_t first = 0; first < m_frameOffsets.size(); first += EntriesPerBlock) {
        ByteWriter block;
        const size_t end = std::min(m_frameOffsets.size(), first + EntriesPerBlock);
        for (size_t i = first; i < end; ++i) {
            block.code("00db");
            block.u32(KeyFrame);
            block.u32(m_frameOffsets[i]);
            block.u32(m_format.biSizeImage);
        }
        block.writeTo(m_file);
        m_fileBytes += int64_t(block.size());
    }

    writeAt(RiffSizeAt, uint32_t(m_fileBytes - ChunkHeaderBytes));
    writeAt(MainFramesAt, frames);
    writeAt(StreamLengthAt, frames);
    writeAt(m_moviStart - 4, moviBytes);
    m_file.SetPosition(m_fileBytes);
}

void AviWriter::writeAt(int64_t position, uint32_t value)
{
    if (m_file.Seek(position, soBeginning) != position)
        throw EStreamError("Stream write error");
    ByteWriter bytes;
    bytes.u32(value);
    bytes.writeTo(m_file);
}
