// Truevision Targa images.
//
// All fields little-endian.
//
// Header        offset  size  meaning
//                    0     1  identification field bytes
//                    1     1  colour map type: 0 none, 1 present (others refused)
//                    2     1  image type: 1 colour-mapped, 2 true colour, 3 grey; 9, 10 and 11 the same,
//                             run-length coded (others refused)
//                    3     2  index of the first colour map entry
//                    5     2  colour map entries
//                    7     1  bits per colour map entry: 15, 16, 24 or 32 (any size when the map is only
//                             skipped, in a true colour or grey image)
//                    8     4  x and y origin (ignored)
//                   12     2  width, > 0
//                   14     2  height, > 0
//                   16     1  bits per pixel: colour-mapped 8 or 16; true colour 15, 16, 24 or 32; grey 8
//                   17     1  descriptor: bits 0-3 alpha bits (ignored); bit 4 pixels right to left; bit 5
//                             rows top to bottom, else bottom to top; bits 6-7 interleaving, must be 0
// Then the identification field, the colour map (entries x bytes per entry, all inside the file) and the
// pixel data. Anything after the pixel data (a version 2 footer) is ignored.
// A pixel or map entry of 15 or 16 bits is a little-endian word x RRRRR GGGGG BBBBB (x ignored); of 24 bits
// blue, green, red; of 32 bits blue, green, red and alpha (ignored). A colour-mapped pixel is an index; one
// outside the map is black. A grey pixel is one byte.
// Run-length data: packets of a byte h, then for h & 0x80 one pixel repeated (h & 0x7F) + 1 times, else
// (h & 0x7F) + 1 pixels. Packets may run on into the next row; pixels past the last row are dropped.
// Without run-length coding the pixel data holds width x height pixels.

#include "ImgLib.h"

#include "ImgIO.h"
#include "ImgRasterIO.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t HeaderBytes = 18;
constexpr uint32_t MaxPacketPixels = 128;
constexpr uint8_t DescriptorRightToLeft = 0x10;
constexpr uint8_t DescriptorTopToBottom = 0x20;
constexpr uint8_t DescriptorInterleave = 0xC0;

enum class PixelKind { Mapped, TrueColour, Grey };

struct TgaLayout
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelBits = 0;
    uint32_t pixelBytes = 0;
    PixelKind kind = PixelKind::TrueColour;
    bool runLength = false;
    bool topToBottom = false;
    bool rightToLeft = false;
    uint32_t mapFirst = 0;          // index of map[0]
    std::vector<uint8_t> map;       // red, green, blue per entry
    uint64_t dataOffset = 0;
};

void wordToRgb(uint32_t word, uint8_t *out)
{
    out[0] = ImgScaleToByte((word >> 10) & 0x1F, 0x1F);
    out[1] = ImgScaleToByte((word >> 5) & 0x1F, 0x1F);
    out[2] = ImgScaleToByte(word & 0x1F, 0x1F);
}

// A colour of 15, 16, 24 or 32 bits to red, green, blue.
void colourToRgb(const uint8_t *in, uint32_t bytes, uint8_t *out)
{
    if (bytes == 2) {
        wordToRgb(ImgGetU16(in), out);
        return;
    }
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
}

void pixelToRgb(const TgaLayout &layout, const uint8_t *in, uint8_t *out)
{
    switch (layout.kind) {
    case PixelKind::Grey:
        out[0] = out[1] = out[2] = in[0];
        return;
    case PixelKind::TrueColour:
        colourToRgb(in, layout.pixelBytes, out);
        return;
    case PixelKind::Mapped: {
        const uint32_t index = layout.pixelBytes == 1 ? in[0] : ImgGetU16(in);
        const uint64_t entry = uint64_t(index) - layout.mapFirst;
        if (index < layout.mapFirst || entry >= layout.map.size() / 3) {
            out[0] = out[1] = out[2] = 0;
            return;
        }
        out[0] = layout.map[entry * 3];
        out[1] = layout.map[entry * 3 + 1];
        out[2] = layout.map[entry * 3 + 2];
        return;
    }
    }
}

bool isMapEntryDepth(uint32_t bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool pixelDepthFits(PixelKind kind, uint32_t bits)
{
    switch (kind) {
    case PixelKind::Mapped:
        return bits == 8 || bits == 16;
    case PixelKind::TrueColour:
        return bits == 15 || bits == 16 || bits == 24 || bits == 32;
    case PixelKind::Grey:
        return bits == 8;
    }
    return false;
}

bool readMap(ImgByteReader &in, uint32_t entries, uint32_t entryBits, bool used, TgaLayout &layout)
{
    const uint32_t entryBytes = (entryBits + 7) / 8;
    const uint64_t mapBytes = uint64_t(entries) * entryBytes;
    if (mapBytes > in.bytesLeft())
        return false;
    if (!used)
        return in.skip(mapBytes);
    if (!isMapEntryDepth(entryBits))
        return false;
    layout.map.resize(size_t(entries) * 3);
    for (uint32_t i = 0; i < entries; ++i) {
        uint8_t entry[4];
        if (!in.read(entry, entryBytes))
            return false;
        colourToRgb(entry, entryBytes, &layout.map[size_t(i) * 3]);
    }
    return true;
}

// Whether the bytes after the colour map could hold the pixel data.
bool pixelDataFits(const TgaLayout &layout, uint64_t bytesLeft)
{
    const uint64_t pixels = uint64_t(layout.width) * layout.height;
    if (!layout.runLength)
        return pixels * layout.pixelBytes <= bytesLeft;
    const uint64_t fewestPackets = (pixels + MaxPacketPixels - 1) / MaxPacketPixels;
    return fewestPackets * (1 + layout.pixelBytes) <= bytesLeft;
}

bool readLayout(ImgByteReader &in, TgaLayout &layout)
{
    uint8_t header[HeaderBytes];
    if (!in.read(header, HeaderBytes))
        return false;
    const uint32_t idBytes = header[0];
    const uint32_t mapType = header[1];
    const uint32_t imageType = header[2];
    const uint8_t descriptor = header[17];
    if (mapType > 1 || (descriptor & DescriptorInterleave))
        return false;
    switch (imageType & ~8u) {
    case 1:
        layout.kind = PixelKind::Mapped;
        break;
    case 2:
        layout.kind = PixelKind::TrueColour;
        break;
    case 3:
        layout.kind = PixelKind::Grey;
        break;
    default:
        return false;
    }
    layout.runLength = imageType & 8;
    layout.width = ImgGetU16(header + 12);
    layout.height = ImgGetU16(header + 14);
    layout.pixelBits = header[16];
    layout.pixelBytes = (layout.pixelBits + 7) / 8;
    layout.topToBottom = descriptor & DescriptorTopToBottom;
    layout.rightToLeft = descriptor & DescriptorRightToLeft;
    if (!ImgSizeIsAcceptable(layout.width, layout.height) || !pixelDepthFits(layout.kind, layout.pixelBits))
        return false;
    if (layout.kind == PixelKind::Mapped && mapType != 1)
        return false;

    if (!in.skip(idBytes))
        return false;
    layout.mapFirst = ImgGetU16(header + 3);
    if (mapType == 1 && !readMap(in, ImgGetU16(header + 5), header[7], layout.kind == PixelKind::Mapped, layout))
        return false;
    layout.dataOffset = in.offset();
    return pixelDataFits(layout, in.bytesLeft());
}

// Hands out the pixels of the data in storage order, raw or run-length coded.
class PixelStream
{
public:
    PixelStream(ImgByteReader &in, const TgaLayout &layout) : m_in(in), m_layout(layout) {}

    // The next count pixels as red, green, blue.
    bool read(uint8_t *out, uint32_t count)
    {
        while (count > 0) {
            if (m_packetLeft == 0 && !startPacket())
                return false;
            const uint32_t n = count < m_packetLeft ? count : m_packetLeft;
            if (m_isRun) {
                for (uint32_t i = 0; i < n; ++i, out += 3) {
                    out[0] = m_runColour[0];
                    out[1] = m_runColour[1];
                    out[2] = m_runColour[2];
                }
            } else {
                for (uint32_t i = 0; i < n; ++i, out += 3) {
                    uint8_t pixel[4];
                    if (!m_in.read(pixel, m_layout.pixelBytes))
                        return false;
                    pixelToRgb(m_layout, pixel, out);
                }
            }
            m_packetLeft -= n;
            count -= n;
        }
        return true;
    }

private:
    bool startPacket()
    {
        if (!m_layout.runLength) {
            m_isRun = false;
            m_packetLeft = UINT32_MAX;
            return true;
        }
        uint8_t packet;
        if (!m_in.readByte(packet))
            return false;
        m_packetLeft = (packet & 0x7F) + 1u;
        m_isRun = packet & 0x80;
        if (!m_isRun)
            return true;
        uint8_t pixel[4];
        if (!m_in.read(pixel, m_layout.pixelBytes))
            return false;
        pixelToRgb(m_layout, pixel, m_runColour);
        return true;
    }

    ImgByteReader &m_in;
    const TgaLayout &m_layout;
    uint32_t m_packetLeft = 0;   // pixels left in the current packet
    bool m_isRun = false;
    uint8_t m_runColour[3] = {};
};

bool decode(ImgByteReader &in, const TgaLayout &layout, uint8_t *rgb)
{
    if (!in.seekTo(layout.dataOffset))
        return false;
    const uint64_t rowBytes = uint64_t(layout.width) * 3;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    PixelStream pixels(in, layout);
    for (uint64_t y = 0; y < layout.height; ++y) {
        if (!pixels.read(row.data(), layout.width))
            return false;
        const uint64_t outputRow = layout.topToBottom ? y : layout.height - 1 - y;
        uint8_t *out = rgb + outputRow * rowBytes;
        if (!layout.rightToLeft) {
            std::memcpy(out, row.data(), row.size());
            continue;
        }
        for (uint64_t x = 0; x < layout.width; ++x) {
            const uint8_t *in = &row[size_t((layout.width - 1 - x) * 3)];
            out[x * 3] = in[0];
            out[x * 3 + 1] = in[1];
            out[x * 3 + 2] = in[2];
        }
    }
    return true;
}

} // namespace

BOOL ImgGetTGADims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    return ImgQueryDims<TgaLayout>(source, width, height, bits, readLayout, [](const TgaLayout &layout) { return uint32_t(layout.pixelBits); });
}

HGLOBAL ImgReadTGAToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    return ImgDecodeToRGB<TgaLayout>(source, width, height, readLayout, decode);
}

// Writes an uncompressed 24-bit true colour image, rows bottom to top, with
// no identification field, colour map or footer.
static uint32_t writeTga(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height) || width > 0xFFFF || height > 0xFFFF)
        return 0;
    try {
        uint8_t header[HeaderBytes] = {};
        header[2] = 2;
        ImgPutU16(header + 12, width);
        ImgPutU16(header + 14, height);
        header[16] = 24;

        ImgByteWriter out(*destination);
        if (!out.write(header, HeaderBytes))
            return 0;
        std::vector<uint8_t> row(size_t(width) * 3);
        for (uint32_t y = height; y-- > 0;) {
            const uint8_t *in = rgb + uint64_t(y) * width * 3;
            for (size_t i = 0; i < row.size(); i += 3) {
                row[i] = in[i + 2];
                row[i + 1] = in[i + 1];
                row[i + 2] = in[i];
            }
            if (!out.write(row.data(), row.size()))
                return 0;
        }
        return out.total();
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

uint32_t ImgWriteRGBToTGA(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriterAnswer(destination, writeTga(destination, rgb, width, height));
}
