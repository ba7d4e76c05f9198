// ZSoft Paintbrush images.
//
// All fields little-endian.
//
// Header        offset  size  meaning
//                    0     1  manufacturer, 0x0A
//                    1     1  version: 0, 2, 3, 4 or 5; 3 has no header palette and uses the standard
//                             16 EGA colours
//                    2     1  encoding: 1 run-length, 0 none
//                    3     1  bits per pixel in each plane
//                    4     8  xmin, ymin, xmax, ymax, inclusive, max not below min:
//                             width xmax - xmin + 1, height ymax - ymin + 1
//                   12     4  dots per inch across and down (ignored)
//                   16    48  header palette: 16 entries of red, green, blue
//                   64     1  reserved
//                   65     1  planes
//                   66     2  bytes per plane line: at least (width x bits per pixel + 7) / 8
//                   68     2  palette info (ignored)
//                   70     4  screen size (ignored)
//                   74    54  filler
// Bits per pixel x planes read:
//    1 x 1          black and white
//    1 x 2, 3, 4    an index made of one bit from each plane (plane 0 the lowest) into the header palette
//    2 x 1, 4 x 1   an index, from the high bits of each byte, into the header palette
//    8 x 1          an index into the 256-colour palette at the end of the file
//    8 x 3, 8 x 4   red, green, blue planes (a fourth, alpha, is ignored)
// Pixel data from offset 128: for each row, for each plane, one line of bytes per plane line bytes; the
// bytes past the width are padding. Run-length coded, a byte c >= 0xC0 stands for the next byte repeated
// c & 0x3F times and any other byte for itself. Runs may run on into the next line; what passes the last
// row is dropped.
// 256-colour palette (8 x 1 only): the last 769 bytes of the file, 0x0C then 256 entries of red, green,
// blue, after the end of the pixel data.

#include "ImgLib.h"

#include "ImgIO.h"
#include "ImgRasterIO.h"

#include <array>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t HeaderBytes = 128;
constexpr uint8_t Manufacturer = 0x0A;
constexpr uint32_t VersionWithoutPalette = 3;
constexpr uint8_t PaletteMarker = 0x0C;
constexpr uint32_t EndPaletteBytes = 1 + 256 * 3;
constexpr uint8_t RunFlags = 0xC0;
constexpr uint32_t MaxRunBytes = 0x3F;
constexpr uint32_t WriterDotsPerInch = 72;

constexpr uint8_t EgaColours[16 * 3] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0x00, 0xAA, 0xAA,
    0xAA, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0xAA, 0x55, 0x00, 0xAA, 0xAA, 0xAA,
    0x55, 0x55, 0x55, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0x55, 0xFF, 0xFF,
    0xFF, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF,
};

struct PcxLayout
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t planes = 0;
    uint32_t bytesPerLine = 0;
    bool runLength = false;
    std::array<uint8_t, 256 * 3> palette{};   // red, green, blue: the header's 16 or the 256 at the end
    uint64_t dataEnd = 0;                     // the pixel data must end by this offset
};

bool isReadableDepth(uint32_t bitsPerPixel, uint32_t planes)
{
    if (bitsPerPixel == 1)
        return planes >= 1 && planes <= 4;
    if (bitsPerPixel == 2 || bitsPerPixel == 4)
        return planes == 1;
    if (bitsPerPixel == 8)
        return planes == 1 || planes == 3 || planes == 4;
    return false;
}

// Whether the bytes between the header and dataEnd could hold the rows.
bool pixelDataFits(const PcxLayout &layout)
{
    const uint64_t total = uint64_t(layout.height) * layout.planes * layout.bytesPerLine;
    const uint64_t room = layout.dataEnd - HeaderBytes;
    if (!layout.runLength)
        return total <= room;
    return (total + MaxRunBytes - 1) / MaxRunBytes * 2 <= room;
}

bool readEndPalette(ImgByteReader &in, PcxLayout &layout)
{
    if (in.fileSize() < HeaderBytes + EndPaletteBytes)
        return false;
    layout.dataEnd = in.fileSize() - EndPaletteBytes;
    uint8_t marker;
    return in.seekTo(layout.dataEnd) && in.readByte(marker) && marker == PaletteMarker
           && in.read(layout.palette.data(), layout.palette.size());
}

bool readLayout(ImgByteReader &in, PcxLayout &layout)
{
    uint8_t header[HeaderBytes];
    if (!in.read(header, HeaderBytes))
        return false;
    const uint32_t version = header[1];
    const uint32_t encoding = header[2];
    if (header[0] != Manufacturer || version > 5 || version == 1 || encoding > 1)
        return false;
    layout.runLength = encoding == 1;
    layout.bitsPerPixel = header[3];
    layout.planes = header[65];
    layout.bytesPerLine = ImgGetU16(header + 66);
    const uint32_t xMin = ImgGetU16(header + 4), yMin = ImgGetU16(header + 6);
    const uint32_t xMax = ImgGetU16(header + 8), yMax = ImgGetU16(header + 10);
    if (xMax < xMin || yMax < yMin || !isReadableDepth(layout.bitsPerPixel, layout.planes))
        return false;
    layout.width = xMax - xMin + 1;
    layout.height = yMax - yMin + 1;
    if (!ImgSizeIsAcceptable(layout.width, layout.height)
        || layout.bytesPerLine < (uint64_t(layout.width) * layout.bitsPerPixel + 7) / 8)
        return false;

    if (layout.bitsPerPixel == 8 && layout.planes == 1) {
        if (!readEndPalette(in, layout))
            return false;
    } else {
        layout.dataEnd = in.fileSize();
        std::memcpy(layout.palette.data(), version == VersionWithoutPalette ? EgaColours : header + 16,
                    sizeof EgaColours);
    }
    return pixelDataFits(layout);
}

// Hands out the decoded bytes of the pixel data, run-length coded or not.
class ByteStream
{
public:
    ByteStream(ImgByteReader &in, bool runLength) : m_in(in), m_runLength(runLength) {}

    bool read(uint8_t *out, size_t count)
    {
        if (!m_runLength)
            return m_in.read(out, count);
        while (count > 0) {
            if (m_runLeft > 0) {
                const size_t n = count < m_runLeft ? count : m_runLeft;
                std::memset(out, m_runValue, n);
                out += n;
                count -= n;
                m_runLeft -= uint32_t(n);
                continue;
            }
            uint8_t byte;
            if (!m_in.readByte(byte))
                return false;
            if ((byte & RunFlags) != RunFlags) {
                *out++ = byte;
                --count;
                continue;
            }
            m_runLeft = byte & MaxRunBytes;
            if (!m_in.readByte(m_runValue))
                return false;
        }
        return true;
    }

private:
    ImgByteReader &m_in;
    bool m_runLength;
    uint32_t m_runLeft = 0;      // bytes of the current run not yet handed out
    uint8_t m_runValue = 0;
};

void putColour(const uint8_t *colour, uint8_t *out)
{
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
}

// One row of plane lines to red, green, blue.
void convertRow(const PcxLayout &layout, const uint8_t *line, uint8_t *out)
{
    const uint32_t width = layout.width;
    const uint32_t bytesPerLine = layout.bytesPerLine;
    if (layout.bitsPerPixel == 8 && layout.planes >= 3) {
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            out[0] = line[x];
            out[1] = line[bytesPerLine + x];
            out[2] = line[2 * bytesPerLine + x];
        }
        return;
    }
    if (layout.bitsPerPixel == 1 && layout.planes == 1) {
        static constexpr uint8_t BlackAndWhite[6] = {0, 0, 0, 255, 255, 255};
        for (uint32_t x = 0; x < width; ++x, out += 3)
            putColour(&BlackAndWhite[((line[x / 8] >> (7 - x % 8)) & 1) * 3], out);
        return;
    }
    if (layout.bitsPerPixel == 1) {
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            uint32_t index = 0;
            for (uint32_t plane = 0; plane < layout.planes; ++plane)
                index |= ((line[plane * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << plane;
            putColour(&layout.palette[index * 3], out);
        }
        return;
    }
    const uint32_t bits = layout.bitsPerPixel;
    const uint32_t indexMask = (1u << bits) - 1;
    for (uint32_t x = 0; x < width; ++x, out += 3) {
        const uint64_t bit = uint64_t(x) * bits;
        putColour(&layout.palette[((line[bit / 8] >> (8 - bits - bit % 8)) & indexMask) * 3], out);
    }
}

bool decode(ImgByteReader &in, const PcxLayout &layout, uint8_t *rgb)
{
    if (!in.seekTo(HeaderBytes))
        return false;
    std::vector<uint8_t> line(size_t(layout.planes) * layout.bytesPerLine);
    ByteStream bytes(in, layout.runLength);
    const uint64_t rowBytes = uint64_t(layout.width) * 3;
    for (uint64_t y = 0; y < layout.height; ++y) {
        if (!bytes.read(line.data(), line.size()))
            return false;
        convertRow(layout, line.data(), rgb + y * rowBytes);
    }
    return in.offset() <= layout.dataEnd;
}

// One plane line, run-length coded as the format's own writer does: runs of
// up to 63 bytes that stay inside the line, and a byte of 0xC0 or more always
// as a run so that it is not taken for a count.
size_t encodeLine(const uint8_t *line, size_t count, uint8_t *out)
{
    size_t written = 0;
    for (size_t i = 0; i < count;) {
        const uint8_t value = line[i];
        size_t run = 1;
        while (i + run < count && run < MaxRunBytes && line[i + run] == value)
            ++run;
        if (run > 1 || (value & RunFlags) == RunFlags)
            out[written++] = uint8_t(RunFlags | run);
        out[written++] = value;
        i += run;
    }
    return written;
}

} // namespace

BOOL ImgGetPCXDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    return ImgQueryDims<PcxLayout>(source, width, height, bits, readLayout, [](const PcxLayout &layout) { return uint32_t(layout.bitsPerPixel * layout.planes); });
}

HGLOBAL ImgReadPCXToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    return ImgDecodeToRGB<PcxLayout>(source, width, height, readLayout, decode);
}

// Writes version 5, 8 bits in 3 planes (red, green, blue), run-length coded,
// lines padded to an even number of bytes.
static uint32_t writePcx(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    const uint32_t bytesPerLine = width + width % 2;
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height) || bytesPerLine > 0xFFFF || height > 0x10000)
        return 0;
    try {
        uint8_t header[HeaderBytes] = {Manufacturer, 5, 1, 8};
        ImgPutU16(header + 8, width - 1);
        ImgPutU16(header + 10, height - 1);
        ImgPutU16(header + 12, WriterDotsPerInch);
        ImgPutU16(header + 14, WriterDotsPerInch);
        header[65] = 3;
        ImgPutU16(header + 66, bytesPerLine);
        ImgPutU16(header + 68, 1);

        ImgByteWriter out(*destination);
        if (!out.write(header, HeaderBytes))
            return 0;
        std::vector<uint8_t> plane(bytesPerLine, 0);
        std::vector<uint8_t> encoded(size_t(bytesPerLine) * 2 * 3);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t *in = rgb + uint64_t(y) * width * 3;
            size_t encodedBytes = 0;
            for (uint32_t channel = 0; channel < 3; ++channel) {
                for (uint32_t x = 0; x < width; ++x)
                    plane[x] = in[x * 3 + channel];
                encodedBytes += encodeLine(plane.data(), plane.size(), encoded.data() + encodedBytes);
            }
            if (!out.write(encoded.data(), encodedBytes))
                return 0;
        }
        return out.total();
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

uint32_t ImgWriteRGBToPCX(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriterAnswer(destination, writePcx(destination, rgb, width, height));
}
