// Metafiles. Reading renders a metafile to RGB: EMF through libemf2svg and
// WMF (placeable or plain) through libwmf's SVG device, each giving SVG text
// that Qt SVG paints onto an image filled with the background colour. Neither
// library is known to be reentrant, so conversions take one lock; the painting
// runs outside it. Before a metafile reaches either library its record chain
// is walked here (sizes, bounds, the closing record, and an EMF's bitmaps), so
// neither library sees records that run past the data or a truncated file.
// The picture is fitted into the wanted box keeping its shape; the size that
// gives is the size answered.
//
// Writing makes an EMF that holds the image as one bitmap record.
//
// EMR_HEADER, as written (little-endian; LONG and DWORD 4 bytes, WORD 2)
//   offset size  meaning
//        0    4  iType = 1
//        4    4  nSize = 108 (the header with its three extensions)
//        8   16  rclBounds: 0, 0, width - 1, height - 1 (device pixels, inclusive)
//       24   16  rclFrame: the same in 0.01 mm at 96 dpi
//       40    4  dSignature = " EMF" (0x464D4520)
//       44    4  nVersion = 0x10000
//       48    4  nBytes: the whole file
//       52    4  nRecords = 3
//       56    2  nHandles = 1 (handle 0 is reserved)
//       58    2  sReserved = 0
//       60    8  nDescription, offDescription = 0
//       68    4  nPalEntries = 0
//       72    8  szlDevice = 960, 960 (pixels of the reference device)
//       80    8  szlMillimeters = 254, 254 (so 96 dpi)
//       88   12  cbPixelFormat, offPixelFormat, bOpenGL = 0
//      100    8  szlMicrometers = 254000, 254000
// EMR_STRETCHDIBITS
//        0    4  iType = 81
//        4    4  nSize = 120 + image bytes
//        8   16  rclBounds as in the header
//       24   16  xDest, yDest, xSrc, ySrc = 0
//       40    8  cxSrc, cySrc = width, height
//       48   16  offBmiSrc = 80, cbBmiSrc = 40, offBitsSrc = 120, cbBitsSrc = image bytes
//       64    4  iUsageSrc = 0 (DIB_RGB_COLORS)
//       68    4  dwRop = 0x00CC0020 (SRCCOPY)
//       72    8  cxDest, cyDest = width, height
//       80   40  BITMAPINFOHEADER: 40, width, height (rows bottom-up), 1 plane,
//                24 bits, no compression, image bytes, 0, 0, 0, 0
//      120    *  rows bottom-up, blue green red, each padded to 4 bytes
// EMR_EOF
//        0    4  iType = 14
//        4    4  nSize = 20
//        8    8  nPalEntries = 0, offPalEntries = 16
//       16    4  nSizeLast = 20
//
// A WMF read here (words are 2 bytes):
//   an optional placeable header, 22 bytes
//        0    4  key 0x9AC6CDD7
//        4    2  handle (0)
//        6    8  bounds: left, top, right, bottom (signed; right > left, bottom > top)
//       14    2  units per inch (not 0)
//       16    6  reserved, checksum (not checked)
//   the header, 18 bytes
//        0    2  type (1 or 2)
//        2    2  header size in words = 9
//        4    2  version
//        6    4  file size in words (not trusted: the records are walked instead)
//       10    2  object count
//       12    4  largest record in words: libwmf allocates a buffer of this
//                size, so it may be no more than the records that follow hold
//       16    2  parameters
//   records, up to and including META_EOF
//        0    4  size in words (at least 3, inside the file)
//        4    2  function: 0x0000 META_EOF, 0x020C META_SETWINDOWEXT (y, x)
//        6    *  parameters
//
// An EMF read here must have: a header record of type 1 with nSize at least
// 88, the signature, and its description (if any) inside it; nBytes no more
// than the file; then records, each with nSize at least 8, a multiple of 4 and
// inside nBytes, ending with EMR_EOF. Every bitmap a record carries (the blit,
// DIB and pattern-brush records) must lie inside its record, with a header of
// at least 40 bytes, a size we accept, its palette inside the header block and,
// uncompressed, bits enough for its rows.

#include "ImgIO.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

namespace {

// A metafile larger than this is not read: embedded bitmaps of the largest
// accepted size still fit.
constexpr uint64_t MaxMetafileBytes = uint64_t(1) << 30;
constexpr uint32_t EmrHeader = 1;
constexpr uint32_t EmrEof = 14;
constexpr uint32_t EmrStretchDiBits = 81;
constexpr uint32_t EmfSignature = 0x464D4520;
constexpr uint32_t MinEmfHeaderBytes = 88;
constexpr uint32_t EmfHeaderBytes = 108;
constexpr uint32_t StretchDiBitsHeaderBytes = 120;
constexpr uint32_t EofBytes = 20;
constexpr uint32_t MinRecordBytes = 8;
constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr uint64_t PlaceableHeaderBytes = 22;
constexpr uint64_t WmfHeaderBytes = 18;
constexpr uint64_t MinWmfRecordBytes = 6;
constexpr uint16_t MetaEof = 0x0000;
constexpr uint16_t MetaSetWindowExt = 0x020C;
constexpr uint32_t SrcCopy = 0x00CC0020;
constexpr int32_t ReferencePixels = 960;
constexpr int32_t ReferenceMillimetres = 254;
constexpr int32_t ScreenDpi = 96;
// The size a metafile is rendered at when it gives none of its own.
constexpr uint32_t DefaultRenderSide = 256;

// Held while libemf2svg or libwmf runs.
std::mutex converterLock;

uint32_t dwordAt(const std::vector<uint8_t> &bytes, uint64_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16
           | uint32_t(bytes[offset + 3]) << 24;
}

int32_t longAt(const std::vector<uint8_t> &bytes, uint64_t offset)
{
    return int32_t(dwordAt(bytes, offset));
}

// The whole file, or nothing when it cannot be read or is too large.
bool readWholeFile(const char *fileName, std::vector<uint8_t> &bytes)
{
    HIMGSRC source = fileName ? ImgOpenFileSource(fileName) : nullptr;
    if (!source)
        return false;
    const uint64_t size = source->size();
    bool read = size <= MaxMetafileBytes;
    if (read) {
        bytes.resize(size_t(size));
        read = source->readExact(bytes.data(), bytes.size());
    }
    ImgCloseSource(source);
    return read;
}

// The picture's own size in pixels, for its aspect ratio.
struct NativeSize
{
    double width = 0;
    double height = 0;
    bool isKnown() const { return width >= 1 && height >= 1 && std::isfinite(width) && std::isfinite(height); }
};

// The largest size of the picture's shape inside the wanted box; a wanted
// size of 0 takes the picture's own (at most DefaultRenderSide).
void fitInto(const NativeSize &native, uint32_t &width, uint32_t &height)
{
    if (width == 0 || height == 0) {
        width = native.isKnown() ? uint32_t(std::clamp(native.width, 1.0, double(DefaultRenderSide))) : DefaultRenderSide;
        height = native.isKnown() ? uint32_t(std::clamp(native.height, 1.0, double(DefaultRenderSide))) : DefaultRenderSide;
    }
    if (!native.isKnown())
        return;
    const double scale = std::min(width / native.width, height / native.height);
    width = uint32_t(std::clamp(std::lround(native.width * scale), 1L, long(width)));
    height = uint32_t(std::clamp(std::lround(native.height * scale), 1L, long(height)));
}

// Where a bitmap record keeps the offsets and sizes (each 4 bytes, in the
// order offBmi, cbBmi, offBits, cbBits) of its bitmaps, counted from the
// record's start.
struct BitmapFields
{
    uint32_t type;
    uint32_t fieldOffsets[2];   // 0: no second bitmap
};

const BitmapFields EmfBitmapRecords[] = {
    {76, {84, 0}},     // EMR_BITBLT
    {77, {84, 0}},     // EMR_STRETCHBLT
    {78, {84, 112}},   // EMR_MASKBLT: source and mask
    {79, {80, 108}},   // EMR_PLGBLT: source and mask
    {80, {48, 0}},     // EMR_SETDIBITSTODEVICE
    {81, {48, 0}},     // EMR_STRETCHDIBITS
    {93, {16, 0}},     // EMR_CREATEMONOBRUSH
    {94, {16, 0}},     // EMR_CREATEDIBPATTERNBRUSHPT
    {114, {84, 0}},    // EMR_ALPHABLEND
    {116, {84, 0}},    // EMR_TRANSPARENTBLT
};

// One bitmap of a record: its header and bits inside the record, a size we
// accept, and bits enough for its rows when they are not compressed.
// BITMAPINFOHEADER: 0 biSize, 4 biWidth, 8 biHeight (negative: top-down),
// 12 biPlanes, 14 biBitCount, 16 biCompression, ..., 32 biClrUsed.
bool bitmapIsSound(const std::vector<uint8_t> &bytes, uint64_t record, uint64_t recordBytes, uint64_t fields)
{
    if (fields + 16 > recordBytes)
        return false;
    const uint64_t infoOffset = dwordAt(bytes, record + fields), infoBytes = dwordAt(bytes, record + fields + 4);
    const uint64_t bitsOffset = dwordAt(bytes, record + fields + 8), bitsBytes = dwordAt(bytes, record + fields + 12);
    if (infoBytes == 0 && bitsBytes == 0)
        return true;   // the record draws without a bitmap
    if (infoBytes < 40 || infoOffset < MinRecordBytes || infoOffset + infoBytes > recordBytes
        || bitsOffset + bitsBytes > recordBytes)
        return false;
    const uint64_t info = record + infoOffset;
    const uint64_t headerBytes = dwordAt(bytes, info);
    const int64_t width = longAt(bytes, info + 4);
    const int64_t height = std::llabs(int64_t(longAt(bytes, info + 8)));
    const uint32_t bitCount = uint32_t(bytes[info + 14]) | uint32_t(bytes[info + 15]) << 8;
    const uint32_t compression = dwordAt(bytes, info + 16);
    if (headerBytes < 40 || headerBytes > infoBytes || width <= 0 || height <= 0
        || !ImgSizeIsAcceptable(uint64_t(width), uint64_t(height)))
        return false;
    const bool uncompressed = compression == 0 || compression == 3;   // BI_RGB, BI_BITFIELDS
    const bool knownDepth =
        bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    if (!knownDepth)
        return !uncompressed;   // a JPEG or PNG bitmap gives no depth of its own
    if (bitCount <= 8) {
        const uint64_t used = dwordAt(bytes, info + 32);
        const uint64_t colours = used ? used : uint64_t(1) << bitCount;
        if (colours > 256 || headerBytes + colours * 4 > infoBytes)
            return false;
    }
    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    return !uncompressed || stride * uint64_t(height) <= bitsBytes;
}

bool recordBitmapsAreSound(const std::vector<uint8_t> &bytes, uint64_t record, uint32_t type, uint64_t recordBytes)
{
    for (const BitmapFields &fields : EmfBitmapRecords) {
        if (fields.type != type)
            continue;
        for (uint32_t fieldOffset : fields.fieldOffsets) {
            if (fieldOffset && !bitmapIsSound(bytes, record, recordBytes, fieldOffset))
                return false;
        }
    }
    return true;
}

// The part of the file the EMF's records fill, after checking the chain
// against the rules above and every bitmap a record carries; 0 when any of it
// is unsound.
uint64_t soundEmfBytes(const std::vector<uint8_t> &bytes)
{
    if (bytes.size() < MinEmfHeaderBytes || dwordAt(bytes, 0) != EmrHeader || dwordAt(bytes, 40) != EmfSignature)
        return 0;
    const uint64_t total = dwordAt(bytes, 48);
    const uint32_t headerBytes = dwordAt(bytes, 4);
    if (total > bytes.size() || headerBytes < MinEmfHeaderBytes || headerBytes > total)
        return 0;
    // The description: nDescription UTF-16 characters at offDescription.
    const uint64_t descriptionLength = dwordAt(bytes, 60), descriptionOffset = dwordAt(bytes, 64);
    if (descriptionLength > 0
        && (descriptionOffset < MinEmfHeaderBytes || descriptionOffset + descriptionLength * 2 > headerBytes))
        return 0;
    for (uint64_t offset = 0; offset + MinRecordBytes <= total;) {
        const uint32_t type = dwordAt(bytes, offset);
        const uint32_t size = dwordAt(bytes, offset + 4);
        if (size < MinRecordBytes || size % 4 != 0 || size > total - offset)
            return 0;
        if (type == EmrEof)
            return offset + size;
        if (!recordBitmapsAreSound(bytes, offset, type, size))
            return 0;
        offset += size;
    }
    return 0;
}

// The EMF's picture in device pixels: left, top and the extent.
struct DeviceRect
{
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;
};

// From the header's bounds (inclusive); from its frame (0.01 mm) through the
// reference device when the bounds are empty.
DeviceRect emfPictureRect(const std::vector<uint8_t> &bytes)
{
    DeviceRect rect{longAt(bytes, 8), longAt(bytes, 12), int64_t(longAt(bytes, 16)) - longAt(bytes, 8) + 1,
                    int64_t(longAt(bytes, 20)) - longAt(bytes, 12) + 1};
    if (rect.width > 0 && rect.height > 0)
        return rect;
    const double pixelsPerMillimetreX = double(longAt(bytes, 72)) / std::max(1, longAt(bytes, 80));
    const double pixelsPerMillimetreY = double(longAt(bytes, 76)) / std::max(1, longAt(bytes, 84));
    const auto toPixels = [](int64_t hundredths, double perMillimetre) {
        return int64_t(std::clamp(std::floor(double(hundredths) / 100.0 * perMillimetre), -1e9, 1e9));
    };
    rect.left = toPixels(longAt(bytes, 24), pixelsPerMillimetreX);
    rect.top = toPixels(longAt(bytes, 28), pixelsPerMillimetreY);
    rect.width = toPixels(int64_t(longAt(bytes, 32)) - longAt(bytes, 24), pixelsPerMillimetreX) + 1;
    rect.height = toPixels(int64_t(longAt(bytes, 36)) - longAt(bytes, 28), pixelsPerMillimetreY) + 1;
    return rect;
}

bool fitsInLong(const DeviceRect &rect)
{
    return rect.width > 0 && rect.height > 0 && rect.left >= INT32_MIN && rect.top >= INT32_MIN
           && rect.left + rect.width <= INT32_MAX && rect.top + rect.height <= INT32_MAX;
}

void putDword(std::vector<uint8_t> &bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + size_t(i)] = uint8_t(value >> (8 * i));
}

// The SVG of the EMF in device pixels, from (0, 0) to the picture's extent.
// libemf2svg takes the header's bounds as exclusive of their right and
// bottom edges (and divides by their width), so the copy it is given carries
// the picture's bounds one pixel wider, which maps device pixels 1:1.
QByteArray emfToSvg(std::vector<uint8_t> &bytes, uint64_t emfBytes, const DeviceRect &picture)
{
    putDword(bytes, 8, uint32_t(int32_t(picture.left)));
    putDword(bytes, 12, uint32_t(int32_t(picture.top)));
    putDword(bytes, 16, uint32_t(int32_t(picture.left + picture.width)));
    putDword(bytes, 20, uint32_t(int32_t(picture.top + picture.height)));
    // No namespace prefix: plain SVG, and libemf2svg leaks the prefix it makes.
    generatorOptions options{};
    options.emfplus = true;
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t svgBytes = 0;
    const std::lock_guard<std::mutex> lock(converterLock);
    const int converted = emf2svg(reinterpret_cast<char *>(bytes.data()), size_t(emfBytes), &svg, &svgBytes, &options);
    QByteArray text = converted && svg ? QByteArray(svg, qsizetype(svgBytes)) : QByteArray();
    std::free(svg);
    return text;
}

// What the WMF reader needs of a WMF, after checking it against the table
// above the writer.
struct WmfLayout
{
    uint64_t bytes = 0;          // up to the end of META_EOF; 0 when unsound
    bool placeable = false;
    int16_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
    uint16_t unitsPerInch = 0;
    int16_t windowWidth = 0, windowHeight = 0;   // the first SETWINDOWEXT; 0 when none
};

int16_t shortAt(const std::vector<uint8_t> &bytes, uint64_t offset)
{
    return int16_t(uint16_t(bytes[offset] | bytes[offset + 1] << 8));
}

WmfLayout wmfLayoutOf(const std::vector<uint8_t> &bytes)
{
    WmfLayout layout;
    uint64_t offset = 0;
    if (bytes.size() >= PlaceableHeaderBytes && dwordAt(bytes, 0) == PlaceableKey) {
        layout.placeable = true;
        layout.boundsLeft = shortAt(bytes, 6), layout.boundsTop = shortAt(bytes, 8);
        layout.boundsRight = shortAt(bytes, 10), layout.boundsBottom = shortAt(bytes, 12);
        layout.unitsPerInch = uint16_t(shortAt(bytes, 14));
        if (layout.unitsPerInch == 0 || layout.boundsRight <= layout.boundsLeft || layout.boundsBottom <= layout.boundsTop)
            return layout;
        offset = PlaceableHeaderBytes;
    }
    if (bytes.size() - offset < WmfHeaderBytes || shortAt(bytes, offset + 2) != 9)
        return layout;
    const uint64_t largestRecordBytes = uint64_t(dwordAt(bytes, offset + 12)) * 2;
    offset += WmfHeaderBytes;
    if (largestRecordBytes > bytes.size() - offset)
        return layout;
    while (bytes.size() - offset >= MinWmfRecordBytes) {
        const uint64_t size = uint64_t(dwordAt(bytes, offset)) * 2;
        const uint16_t function = uint16_t(shortAt(bytes, offset + 4));
        if (size < MinWmfRecordBytes || size > bytes.size() - offset)
            return layout;
        if (function == MetaEof) {
            layout.bytes = offset + size;
            return layout;
        }
        if (function == MetaSetWindowExt && size >= 10 && layout.windowWidth == 0) {
            layout.windowHeight = shortAt(bytes, offset + 6);
            layout.windowWidth = shortAt(bytes, offset + 8);
        }
        offset += size;
    }
    return layout;
}

struct WmfDestroyer
{
    void operator()(wmfAPI *api) const { wmf_api_destroy(api); }
};

// The WMF's SVG at the fitted size; empty on failure. libwmf's device units
// count from the window's origin: points (at the file's units per inch) for a
// placeable file, logical units for a plain one. The frame given to its SVG
// device is the window's extent in those units, or for a file without a
// window the placeable bounds or else what the records draw.
QByteArray wmfToSvg(std::vector<uint8_t> &bytes, const WmfLayout &layout, uint32_t &width, uint32_t &height)
{
    if (layout.bytes > uint64_t(LONG_MAX))
        return {};
    const std::lock_guard<std::mutex> lock(converterLock);
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    wmfAPI *created = nullptr;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&created, flags, &options) != wmf_E_None) {
        if (created)
            wmf_api_destroy(created);
        return {};
    }
    std::unique_ptr<wmfAPI, WmfDestroyer> api(created);
    wmfD_Rect drawn{};
    if (wmf_mem_open(api.get(), bytes.data(), long(layout.bytes)) != wmf_E_None
        || wmf_scan(api.get(), 0, &drawn) != wmf_E_None)
        return {};
    // As Windows plays a placeable file, its window is stretched onto its
    // bounds: the frame is the window, the shape the bounds'.
    const bool hasWindow = layout.windowWidth > 0 && layout.windowHeight > 0;
    const double deviceScale = layout.placeable ? 72.0 / layout.unitsPerInch : 1.0;
    wmfD_Rect frame = drawn;
    NativeSize native{drawn.BR.x - drawn.TL.x, drawn.BR.y - drawn.TL.y};
    if (hasWindow) {
        frame = wmfD_Rect{{0, 0}, {float(layout.windowWidth * deviceScale), float(layout.windowHeight * deviceScale)}};
        native = NativeSize{double(layout.windowWidth), double(layout.windowHeight)};
    }
    if (layout.placeable) {
        const double boundsWidth = layout.boundsRight - layout.boundsLeft;
        const double boundsHeight = layout.boundsBottom - layout.boundsTop;
        if (!hasWindow)
            frame = wmfD_Rect{{0, 0}, {float(boundsWidth * deviceScale), float(boundsHeight * deviceScale)}};
        native = NativeSize{boundsWidth * ScreenDpi / layout.unitsPerInch, boundsHeight * ScreenDpi / layout.unitsPerInch};
    }
    fitInto(native, width, height);

    wmf_svg_t *device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    if (!device->out)
        return {};
    device->Description = const_cast<char *>("");
    device->bbox = frame;
    device->width = width;
    device->height = height;
    device->flags |= WMF_SVG_INLINE_IMAGES;
    const wmf_error_t played = wmf_play(api.get(), 0, &frame);
    char *svg = nullptr;
    unsigned long svgBytes = 0;
    wmf_stream_destroy(api.get(), device->out, &svg, &svgBytes);
    device->out = nullptr;
    QByteArray text = played == wmf_E_None && svg ? QByteArray(svg, qsizetype(svgBytes)) : QByteArray();
    wmf_free(api.get(), svg);
    return text;
}

// Paints the SVG's view box (the picture frame) over the background into a
// new rgb block of the given size.
HGLOBAL renderSvg(const QByteArray &svg, const QRectF &viewBox, uint32_t width, uint32_t height, COLORREF background)
{
    if (svg.isEmpty() || !ImgSizeIsAcceptable(width, height) || width > uint32_t(INT32_MAX / 4)
        || height > uint32_t(INT32_MAX / 4))
        return nullptr;
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return nullptr;
    if (viewBox.isValid())
        renderer.setViewBox(viewBox);
    HGLOBAL block = ImgAllocRGB(width, height);
    if (!block)
        return nullptr;
    auto *rgb = static_cast<uint8_t *>(GlobalLock(block));
    QImage image(rgb, int(width), int(height), int(width * 3), QImage::Format_RGB888);
    image.fill(QColor(int(background & 0xFF), int(background >> 8 & 0xFF), int(background >> 16 & 0xFF)));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return block;
}

void appendDword(std::vector<uint8_t> &bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(uint8_t(value >> shift));
}

void appendWord(std::vector<uint8_t> &bytes, uint16_t value)
{
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
}

void appendRect(std::vector<uint8_t> &bytes, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    for (int32_t value : {left, top, right, bottom})
        appendDword(bytes, uint32_t(value));
}

std::vector<uint8_t> emfHeader(uint32_t width, uint32_t height, uint32_t totalBytes)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(EmfHeaderBytes);
    const int32_t right = int32_t(width) - 1, bottom = int32_t(height) - 1;
    const int64_t hundredthsPerInch = 2540;
    appendDword(bytes, EmrHeader);
    appendDword(bytes, EmfHeaderBytes);
    appendRect(bytes, 0, 0, right, bottom);
    appendRect(bytes, 0, 0, int32_t(int64_t(width) * hundredthsPerInch / ScreenDpi) - 1,
               int32_t(int64_t(height) * hundredthsPerInch / ScreenDpi) - 1);
    appendDword(bytes, EmfSignature);
    appendDword(bytes, 0x10000);
    appendDword(bytes, totalBytes);
    appendDword(bytes, 3);
    appendWord(bytes, 1);
    appendWord(bytes, 0);
    for (int i = 0; i < 3; ++i)
        appendDword(bytes, 0);   // description count and offset, palette entries
    appendDword(bytes, ReferencePixels);
    appendDword(bytes, ReferencePixels);
    appendDword(bytes, ReferenceMillimetres);
    appendDword(bytes, ReferenceMillimetres);
    for (int i = 0; i < 3; ++i)
        appendDword(bytes, 0);   // no pixel format, no OpenGL
    appendDword(bytes, ReferenceMillimetres * 1000);
    appendDword(bytes, ReferenceMillimetres * 1000);
    return bytes;
}

std::vector<uint8_t> stretchDiBitsHeader(uint32_t width, uint32_t height, uint32_t imageBytes)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(StretchDiBitsHeaderBytes);
    appendDword(bytes, EmrStretchDiBits);
    appendDword(bytes, StretchDiBitsHeaderBytes + imageBytes);
    appendRect(bytes, 0, 0, int32_t(width) - 1, int32_t(height) - 1);
    for (int i = 0; i < 4; ++i)
        appendDword(bytes, 0);   // destination and source origins
    appendDword(bytes, width);
    appendDword(bytes, height);
    appendDword(bytes, 80);
    appendDword(bytes, 40);
    appendDword(bytes, StretchDiBitsHeaderBytes);
    appendDword(bytes, imageBytes);
    appendDword(bytes, 0);
    appendDword(bytes, SrcCopy);
    appendDword(bytes, width);
    appendDword(bytes, height);
    appendDword(bytes, 40);
    appendDword(bytes, width);
    appendDword(bytes, height);
    appendWord(bytes, 1);
    appendWord(bytes, 24);
    appendDword(bytes, 0);
    appendDword(bytes, imageBytes);
    for (int i = 0; i < 4; ++i)
        appendDword(bytes, 0);   // resolution, colours used and important
    return bytes;
}

std::vector<uint8_t> eofRecord()
{
    std::vector<uint8_t> bytes;
    appendDword(bytes, EmrEof);
    appendDword(bytes, EofBytes);
    appendDword(bytes, 0);
    appendDword(bytes, 16);
    appendDword(bytes, EofBytes);
    return bytes;
}

bool writeBytes(ImgDestObject *destination, const std::vector<uint8_t> &bytes)
{
    return destination->write(bytes.data(), bytes.size());
}

} // namespace

// libemf2svg finalises fontconfig after converting text, under Qt, which goes
// on using it (fontconfig then aborts on its own assertion). Defined in the
// program, this takes the place of fontconfig's FcFini for every library of
// the process: fontconfig stays up until the process ends, as Qt expects.
// A child process per conversion would cost a start for every thumbnail.
extern "C" void FcFini()
{
}

HGLOBAL ImgReadMetafileToRGB(const char *fileName, uint32_t *width, uint32_t *height, COLORREF background)
{
    if (!width || !height)
        return nullptr;
    std::vector<uint8_t> bytes;
    if (!readWholeFile(fileName, bytes))
        return nullptr;
    uint32_t renderWidth = *width;
    uint32_t renderHeight = *height;
    QByteArray svg;
    QRectF viewBox;
    if (const uint64_t emfBytes = soundEmfBytes(bytes)) {
        const DeviceRect picture = emfPictureRect(bytes);
        if (!fitsInLong(picture))
            return nullptr;
        fitInto(NativeSize{double(picture.width), double(picture.height)}, renderWidth, renderHeight);
        viewBox = QRectF(0, 0, double(picture.width), double(picture.height));
        svg = emfToSvg(bytes, emfBytes, picture);
    } else if (const WmfLayout layout = wmfLayoutOf(bytes); layout.bytes > 0) {
        svg = wmfToSvg(bytes, layout, renderWidth, renderHeight);
    }
    HGLOBAL block = renderSvg(svg, viewBox, renderWidth, renderHeight, background);
    if (!block)
        return nullptr;
    *width = renderWidth;
    *height = renderHeight;
    return block;
}

static uint32_t writeEmf(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height) || width > uint32_t(INT32_MAX)
        || height > uint32_t(INT32_MAX))
        return 0;
    const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
    const uint64_t imageBytes = stride * height;
    const uint64_t totalBytes = EmfHeaderBytes + StretchDiBitsHeaderBytes + imageBytes + EofBytes;
    if (totalBytes > UINT32_MAX)
        return 0;
    if (!writeBytes(destination, emfHeader(width, height, uint32_t(totalBytes)))
        || !writeBytes(destination, stretchDiBitsHeader(width, height, uint32_t(imageBytes))))
        return 0;
    std::vector<uint8_t> row(size_t(stride), 0);
    for (uint32_t y = height; y-- > 0;) {
        const uint8_t *in = rgb + uint64_t(y) * width * 3;
        for (uint32_t x = 0; x < width; ++x, in += 3) {
            row[x * 3] = in[2];
            row[x * 3 + 1] = in[1];
            row[x * 3 + 2] = in[0];
        }
        if (!writeBytes(destination, row))
            return 0;
    }
    if (!writeBytes(destination, eofRecord()))
        return 0;
    return uint32_t(totalBytes);
}

uint32_t ImgWriteRGBToEMF(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    return ImgWriterAnswer(destination, writeEmf(destination, rgb, width, height));
}
