// Windows and OS/2 bitmaps.
//
// All fields little-endian. Offsets count from the start of the file.
//
// File header        offset  size  meaning
//                         0     2  "BM"
//                         2     4  file size (ignored: writers often get it wrong)
//                         6     4  reserved
//                        10     4  offset of the pixel data; at least the end of the headers and masks,
//                                  less than the file size
// Info header at 14. Its first 4 bytes are its size, which says its kind:
//    12          OS/2 1.x core header
//    40          Windows information header
//    52, 56      information header with the masks inside (56 adds alpha)
//    108, 124    V4, V5 header (larger sizes are read as V5)
//    16..64      any other size in this range: OS/2 2.x header, fields past its end are 0
//    anything else is refused.
// Core header        offset  size  meaning (within the header)
//                         4     2  width, > 0
//                         6     2  height, > 0, rows bottom-up
//                         8     2  planes (ignored)
//                        10     2  bits per pixel: 1, 4, 8 or 24
// Other headers      offset  size  meaning (within the header)
//                         4     4  width, > 0
//                         8     4  height, not 0: positive rows bottom-up, negative top-down
//                        12     2  planes (ignored)
//                        14     2  bits per pixel: 1, 2, 4, 8, 16, 24 or 32
//                        16     4  compression: 0 none; 1 RLE8 (8 bits); 2 RLE4 (4 bits); 3 bit fields (16 or
//                                  32 bits; OS/2: Huffman, refused); 4 RLE24 (OS/2 only, 24 bits; Windows:
//                                  JPEG, refused); 6 bit fields with alpha (16 or 32 bits); others refused
//                        20     4  image bytes (ignored)
//                        24     8  pixels per metre across and down (ignored)
//                        32     4  colours used: palette entries, 0 meaning 2^bits
//                        36     4  important colours (ignored)
//                        40    16  red, green, blue, alpha masks (headers of 52 bytes or more)
//                        56    68  colour space, end points, gamma, intent, profile (ignored)
// Masks after a 40-byte header: red, green, blue (compression 3) and alpha (compression 6), 4 bytes each.
// Without compression 3 or 6, 16 bits are 5-5-5 and 32 bits are 8-8-8 with the top byte unused.
// Palette: from the end of the header and masks up to the pixel data, for 8 bits or fewer: blue, green,
// red and (except after a core header) a reserved byte each; colours used or 2^bits entries, fewer when
// the pixel data starts earlier. An index past the palette is black.
// Pixel data without compression: rows of ((width x bits + 31) / 32) x 4 bytes, all inside the file.
// Pixels of 1, 2 and 4 bits fill each byte from its high bits; 16 and 32 bits are little-endian words
// split by the masks; 24 bits are blue, green, red.
// Run-length data: two-byte commands, in storage order of the rows:
//    n > 0, v          n pixels: RLE8 index v; RLE4 the high and low nibble of v by turns;
//                      RLE24 v and the next two bytes are blue, green, red
//    0, 0              end of the row
//    0, 1              end of the bitmap: the data must end with it
//    0, 2, dx, dy      move dx pixels along the row and dy rows on
//    0, n >= 3         n pixels given one by one: RLE8 n bytes, RLE4 (n + 1) / 2 bytes, RLE24 3n bytes,
//                      then one pad byte when that count is odd
// Pixels past a row's end or past the last row are dropped; pixels never given stay black. The image may
// have at most MaxRlePixelsPerByte pixels for each byte of the data.

#include "ImgLib.h"

#include "ImgIO.h"
#include "ImgRasterIO.h"

#include <array>
#include <new>
#include <vector>

namespace {

constexpr uint32_t FileHeaderBytes = 14;
constexpr uint32_t CoreHeaderBytes = 12;
constexpr uint32_t InfoHeaderBytes = 40;
constexpr uint32_t V5HeaderBytes = 124;
constexpr uint32_t Os2HeaderMinBytes = 16;
constexpr uint32_t Os2HeaderMaxBytes = 64;
constexpr uint32_t WriterPixelsPerMetre = 2835;   // 72 dots per inch

enum : uint32_t {
    CompressionNone = 0,
    CompressionRle8 = 1,
    CompressionRle4 = 2,
    CompressionBitFields = 3,
    CompressionOs2Rle24 = 4,
    CompressionAlphaBitFields = 6,
};

enum class HeaderKind { Core, Windows, Os2 };
enum class Coding { Raw, Rle8, Rle4, Rle24 };

// A two-byte run paints at most 255 pixels, so a real picture's run-length
// data holds about one byte for every 128 pixels or more; only the end of a
// row or of the bitmap, which leave the rest black, paint more. An image of
// more pixels than its data times this is refused before it is allocated, so
// a tiny file cannot claim a huge black picture.
constexpr uint64_t MaxRlePixelsPerByte = 4096;

// One colour channel of a 16- or 32-bit pixel.
struct Channel
{
    uint32_t mask = 0;
    uint32_t shift = 0;       // of the mask's lowest bit
    uint32_t maximum = 0;     // mask >> shift

    explicit Channel(uint32_t channelMask = 0) : mask(channelMask)
    {
        if (mask == 0)
            return;
        while (!((mask >> shift) & 1))
            ++shift;
        maximum = mask >> shift;
    }

    uint8_t of(uint32_t pixel) const { return ImgScaleToByte((pixel & mask) >> shift, maximum); }
};

// What the headers say, checked against the file.
struct BmpLayout
{
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bits = 0;
    Coding coding = Coding::Raw;
    Channel red, green, blue;
    std::array<uint8_t, 256 * 3> palette{};   // red, green, blue; entries the file lacks are black
    uint64_t pixelOffset = 0;
    uint64_t rowBytes = 0;                    // of one uncompressed row, padding included
};

HeaderKind headerKind(uint32_t headerBytes)
{
    if (headerBytes == CoreHeaderBytes)
        return HeaderKind::Core;
    if (headerBytes == InfoHeaderBytes || headerBytes == 52 || headerBytes == 56 || headerBytes >= 108)
        return HeaderKind::Windows;
    return HeaderKind::Os2;
}

bool isKnownHeaderSize(uint32_t headerBytes)
{
    return headerBytes == CoreHeaderBytes || headerBytes == InfoHeaderBytes || headerBytes == 52
           || headerBytes == 56 || headerBytes >= 108
           || (headerBytes >= Os2HeaderMinBytes && headerBytes <= Os2HeaderMaxBytes);
}

bool isUncompressedDepth(uint32_t bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Picks the coding for bits and compression; false for a pairing we do not read.
bool chooseCoding(HeaderKind kind, uint32_t bits, uint32_t compression, Coding &coding)
{
    coding = Coding::Raw;
    if (kind == HeaderKind::Core)
        return bits == 1 || bits == 4 || bits == 8 || bits == 24;
    switch (compression) {
    case CompressionNone:
        return isUncompressedDepth(bits);
    case CompressionRle8:
        coding = Coding::Rle8;
        return bits == 8;
    case CompressionRle4:
        coding = Coding::Rle4;
        return bits == 4;
    case CompressionBitFields:
    case CompressionAlphaBitFields:
        return kind == HeaderKind::Windows && (bits == 16 || bits == 32);
    case CompressionOs2Rle24:
        coding = Coding::Rle24;
        return kind == HeaderKind::Os2 && bits == 24;
    default:
        return false;
    }
}

bool readPalette(ImgByteReader &in, uint64_t paletteOffset, uint32_t colourCount, bool threeByteEntries,
                 BmpLayout &layout)
{
    const uint32_t entryBytes = threeByteEntries ? 3 : 4;
    const uint32_t addressable = 1u << layout.bits;
    uint64_t entries = colourCount == 0 || colourCount > addressable ? addressable : colourCount;
    const uint64_t room = (layout.pixelOffset - paletteOffset) / entryBytes;
    if (entries > room)
        entries = room;
    if (!in.seekTo(paletteOffset))
        return false;
    for (uint64_t i = 0; i < entries; ++i) {
        uint8_t entry[4];
        if (!in.read(entry, entryBytes))
            return false;
        layout.palette[i * 3] = entry[2];
        layout.palette[i * 3 + 1] = entry[1];
        layout.palette[i * 3 + 2] = entry[0];
    }
    return true;
}

// Reads and checks the headers, masks and palette. Leaves the reader anywhere.
bool readLayout(ImgByteReader &in, BmpLayout &layout)
{
    uint8_t fileHeader[FileHeaderBytes + 4];
    if (!in.read(fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return false;
    const uint32_t headerBytes = ImgGetU32(fileHeader + FileHeaderBytes);
    if (!isKnownHeaderSize(headerBytes) || headerBytes > in.fileSize() - FileHeaderBytes)
        return false;
    const HeaderKind kind = headerKind(headerBytes);

    // Fields past a short OS/2 2.x header read as 0; a header longer than V5 keeps only V5's fields.
    std::array<uint8_t, V5HeaderBytes> header{};
    const uint32_t kept = headerBytes < V5HeaderBytes ? headerBytes : V5HeaderBytes;
    ImgPutU32(header.data(), headerBytes);
    if (!in.read(header.data() + 4, kept - 4))
        return false;

    uint64_t width = 0, height = 0;
    uint32_t compression = CompressionNone, colourCount = 0;
    if (kind == HeaderKind::Core) {
        width = ImgGetU16(&header[4]);
        height = ImgGetU16(&header[6]);
        layout.bits = ImgGetU16(&header[10]);
    } else {
        const int32_t signedWidth = ImgGetI32(&header[4]);
        const int32_t signedHeight = ImgGetI32(&header[8]);
        if (signedWidth <= 0)
            return false;
        width = uint64_t(signedWidth);
        layout.topDown = signedHeight < 0;
        height = uint64_t(signedHeight < 0 ? -int64_t(signedHeight) : int64_t(signedHeight));
        layout.bits = ImgGetU16(&header[14]);
        compression = ImgGetU32(&header[16]);
        colourCount = ImgGetU32(&header[32]);
    }
    if (!ImgSizeIsAcceptable(width, height) || !chooseCoding(kind, layout.bits, compression, layout.coding))
        return false;
    layout.width = uint32_t(width);
    layout.height = uint32_t(height);

    uint64_t paletteOffset = uint64_t(FileHeaderBytes) + headerBytes;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (layout.bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    if (compression == CompressionBitFields || compression == CompressionAlphaBitFields) {
        if (headerBytes >= 52) {
            for (int i = 0; i < 3; ++i)
                masks[i] = ImgGetU32(&header[40 + 4 * i]);
        } else {
            uint8_t maskBytes[12];
            if (!in.seekTo(paletteOffset) || !in.read(maskBytes, sizeof maskBytes))
                return false;
            for (int i = 0; i < 3; ++i)
                masks[i] = ImgGetU32(maskBytes + 4 * i);
            paletteOffset += compression == CompressionAlphaBitFields ? 16 : 12;
        }
    }
    layout.red = Channel(masks[0]);
    layout.green = Channel(masks[1]);
    layout.blue = Channel(masks[2]);

    layout.pixelOffset = ImgGetU32(fileHeader + 10);
    if (layout.pixelOffset < paletteOffset || layout.pixelOffset >= in.fileSize())
        return false;
    if (layout.bits <= 8 && !readPalette(in, paletteOffset, colourCount, kind == HeaderKind::Core, layout))
        return false;

    layout.rowBytes = (uint64_t(layout.width) * layout.bits + 31) / 32 * 4;
    const uint64_t dataBytes = in.fileSize() - layout.pixelOffset;
    if (layout.coding == Coding::Raw && layout.rowBytes * layout.height > dataBytes)
        return false;
    if (layout.coding != Coding::Raw && !ImgDataCanFill(layout.width, layout.height, dataBytes, MaxRlePixelsPerByte))
        return false;
    return true;
}

uint8_t *outputRow(const BmpLayout &layout, uint8_t *rgb, uint64_t storageRow)
{
    const uint64_t row = layout.topDown ? storageRow : layout.height - 1 - storageRow;
    return rgb + row * layout.width * 3;
}

void convertRow(const BmpLayout &layout, const uint8_t *in, uint8_t *out)
{
    const uint32_t width = layout.width;
    switch (layout.bits) {
    case 16:
        for (uint32_t x = 0; x < width; ++x, in += 2, out += 3) {
            const uint32_t pixel = ImgGetU16(in);
            out[0] = layout.red.of(pixel);
            out[1] = layout.green.of(pixel);
            out[2] = layout.blue.of(pixel);
        }
        return;
    case 24:
        for (uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        return;
    case 32:
        for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
            const uint32_t pixel = ImgGetU32(in);
            out[0] = layout.red.of(pixel);
            out[1] = layout.green.of(pixel);
            out[2] = layout.blue.of(pixel);
        }
        return;
    default: {
        const uint32_t bits = layout.bits;
        const uint32_t indexMask = (1u << bits) - 1;
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            const uint64_t bit = uint64_t(x) * bits;
            const uint32_t index = (in[bit / 8] >> (8 - bits - bit % 8)) & indexMask;
            const uint8_t *colour = &layout.palette[index * 3];
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
        }
        return;
    }
    }
}

bool decodeRaw(ImgByteReader &in, const BmpLayout &layout, uint8_t *rgb)
{
    std::vector<uint8_t> row(size_t(layout.rowBytes));
    if (!in.seekTo(layout.pixelOffset))
        return false;
    for (uint64_t y = 0; y < layout.height; ++y) {
        if (!in.read(row.data(), row.size()))
            return false;
        convertRow(layout, row.data(), outputRow(layout, rgb, y));
    }
    return true;
}

// Places run-length pixels, dropping those outside the image.
class RlePainter
{
public:
    RlePainter(const BmpLayout &layout, uint8_t *rgb) : m_layout(layout), m_rgb(rgb) {}

    void putIndex(uint32_t index) { putColour(&m_layout.palette[index * 3]); }

    void putBgr(const uint8_t *bgr)
    {
        const uint8_t colour[3] = {bgr[2], bgr[1], bgr[0]};
        putColour(colour);
    }

    void endRow()
    {
        m_x = 0;
        ++m_y;
    }

    void move(uint32_t dx, uint32_t dy)
    {
        m_x += dx;
        m_y += dy;
    }

private:
    void putColour(const uint8_t *colour)
    {
        if (m_x < m_layout.width && m_y < m_layout.height) {
            uint8_t *out = outputRow(m_layout, m_rgb, m_y) + m_x * 3;
            out[0] = colour[0];
            out[1] = colour[1];
            out[2] = colour[2];
        }
        ++m_x;
    }

    const BmpLayout &m_layout;
    uint8_t *m_rgb;
    uint64_t m_x = 0;   // in storage order; may run past the image, whose pixels are then dropped
    uint64_t m_y = 0;
};

bool decodeRle(ImgByteReader &in, const BmpLayout &layout, uint8_t *rgb)
{
    RlePainter painter(layout, rgb);
    uint8_t pixels[255 * 3 + 1];
    if (!in.seekTo(layout.pixelOffset))
        return false;
    for (;;) {
        uint8_t command[2];
        if (!in.read(command, 2))
            return false;   // the data must end with end of bitmap
        const uint32_t count = command[0];
        if (count > 0) {
            uint8_t value[3] = {command[1], 0, 0};
            if (layout.coding == Coding::Rle24 && !in.read(value + 1, 2))
                return false;
            for (uint32_t i = 0; i < count; ++i) {
                if (layout.coding == Coding::Rle8)
                    painter.putIndex(value[0]);
                else if (layout.coding == Coding::Rle4)
                    painter.putIndex(i % 2 ? value[0] & 0x0F : value[0] >> 4);
                else
                    painter.putBgr(value);
            }
            continue;
        }
        const uint32_t escape = command[1];
        if (escape == 0) {
            painter.endRow();
        } else if (escape == 1) {
            return true;
        } else if (escape == 2) {
            uint8_t delta[2];
            if (!in.read(delta, 2))
                return false;
            painter.move(delta[0], delta[1]);
        } else {
            const uint32_t literalBytes = layout.coding == Coding::Rle8   ? escape
                                          : layout.coding == Coding::Rle4 ? (escape + 1) / 2
                                                                          : escape * 3;
            if (!in.read(pixels, literalBytes + literalBytes % 2))
                return false;
            for (uint32_t i = 0; i < escape; ++i) {
                if (layout.coding == Coding::Rle8)
                    painter.putIndex(pixels[i]);
                else if (layout.coding == Coding::Rle4)
                    painter.putIndex(i % 2 ? pixels[i / 2] & 0x0F : pixels[i / 2] >> 4);
                else
                    painter.putBgr(pixels + 3 * i);
            }
        }
    }
}

} // namespace

BOOL ImgGetBMPDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    return ImgQueryDims<BmpLayout>(source, width, height, bits, readLayout, [](const BmpLayout &layout) { return uint32_t(layout.bits); });
}

HGLOBAL ImgReadBMPToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    return ImgDecodeToRGB<BmpLayout>(source, width, height, readLayout, [](ImgByteReader &in, const BmpLayout &layout, uint8_t *pixels) {
        return layout.coding == Coding::Raw ? decodeRaw(in, layout, pixels) : decodeRle(in, layout, pixels);
    });
}

// Writes a 14-byte file header, a 40-byte information header and 24-bit rows
// bottom-up, each padded to 4 bytes.
static uint32_t writeBmp(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height))
        return 0;
    const uint64_t rowBytes = (uint64_t(width) * 24 + 31) / 32 * 4;
    const uint64_t imageBytes = rowBytes * height;
    const uint64_t fileBytes = FileHeaderBytes + InfoHeaderBytes + imageBytes;
    if (fileBytes > UINT32_MAX)
        return 0;
    try {
        uint8_t headers[FileHeaderBytes + InfoHeaderBytes] = {'B', 'M'};
        ImgPutU32(headers + 2, uint32_t(fileBytes));
        ImgPutU32(headers + 10, FileHeaderBytes + InfoHeaderBytes);
        uint8_t *info = headers + FileHeaderBytes;
        ImgPutU32(info, InfoHeaderBytes);
        ImgPutU32(info + 4, width);
        ImgPutU32(info + 8, height);
        ImgPutU16(info + 12, 1);
        ImgPutU16(info + 14, 24);
        ImgPutU32(info + 16, CompressionNone);
        ImgPutU32(info + 20, uint32_t(imageBytes));
        ImgPutU32(info + 24, WriterPixelsPerMetre);
        ImgPutU32(info + 28, WriterPixelsPerMetre);

        ImgByteWriter out(*destination);
        if (!out.write(headers, sizeof headers))
            return 0;
        std::vector<uint8_t> row(size_t(rowBytes), 0);
        for (uint32_t y = height; y-- > 0;) {
            const uint8_t *in = rgb + uint64_t(y) * width * 3;
            for (uint32_t x = 0; x < width; ++x, in += 3) {
                row[x * 3] = in[2];
                row[x * 3 + 1] = in[1];
                row[x * 3 + 2] = in[0];
            }
            if (!out.write(row.data(), row.size()))
                return 0;
        }
        return out.total();
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

uint32_t ImgWriteRGBToBMP(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriterAnswer(destination, writeBmp(destination, rgb, width, height));
}
