// TIFF through libtiff, read from our source through TIFFClientOpen. The first
// page is read with libtiff's RGBA interface, so every layout that interface
// handles (strips or tiles, contiguous or planar, palette, grey, RGB, CMYK,
// YCbCr, LogLuv, JPEG, LZW, Deflate, PackBits and the rest) reads here. Alpha
// comes back associated and is composited onto white.

#include "ImgIO.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <tiffio.h>

namespace {

// More samples per pixel than any real file holds would make libtiff's strip
// buffers grow with them.
constexpr uint16_t MaxSamplesPerPixel = 16;
// However its data is coded, a page may claim at most this many pixels for
// each byte of its strips or tiles, so a few bytes cannot make the reader (or
// libtiff) allocate a vast page. The codings densestExpansion knows are bound
// more tightly; the others (fax coding, in which a blank row takes a
// bit, JPEG's arithmetic coding, LZMA, ZSTD and the rest) can code a blank
// page in almost nothing, and stop here.
constexpr uint64_t MaxPixelsPerByte = 4096;
// libtiff's fixed tables (grey and palette maps, colour conversion) take well
// under this, whatever the file.
constexpr uint64_t MinTiffAllocation = uint64_t(1) << 20;
// Bytes a pixel of the largest block libtiff may ask for: a page of 8-bit RGBA.
constexpr uint64_t MaxTiffBytesPerPixel = 4;
// Directories and SubIFDs looked at for reduced images: each step through
// the directory chain starts again from the first.
constexpr size_t MaxReducedImages = 32;
// A larger file is read through read calls rather than mapped.
constexpr uint64_t MaxMappedBytes = uint64_t(1) << 31;

int quietHandler(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;   // handled: nothing reaches libtiff's global handlers
}

// What libtiff reads from. A full decode maps the file: libtiff's reading of
// uncompressed tiles through read calls alone refuses sound files (4.5.0), and
// mapping is its common path. The dimension query reads only the header.
struct TiffInput
{
    ImgSourceObject *source = nullptr;
    std::vector<uint8_t> mapped;   // the whole file, once libtiff maps it
};

ImgSourceObject *sourceOf(thandle_t handle)
{
    return static_cast<TiffInput *>(handle)->source;
}

tmsize_t readProc(thandle_t handle, void *buffer, tmsize_t count)
{
    if (count <= 0)
        return 0;
    return tmsize_t(sourceOf(handle)->read(buffer, size_t(count)));
}

tmsize_t writeProc(thandle_t, void *, tmsize_t)
{
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    ImgSourceObject *source = sourceOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = source->position();
    else if (whence == SEEK_END)
        base = source->size();
    const uint64_t position = base + offset;
    if (position < base || !source->seek(position))
        return toff_t(-1);
    return position;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return sourceOf(handle)->size();
}

int mapProc(thandle_t handle, void **base, toff_t *size)
{
    auto *input = static_cast<TiffInput *>(handle);
    ImgSourceObject *source = input->source;
    const uint64_t bytes = source->size();
    if (bytes == 0 || bytes > MaxMappedBytes)
        return 0;
    if (input->mapped.empty()) {
        const uint64_t position = source->position();
        input->mapped.resize(size_t(bytes));
        const bool read = source->seek(0) && source->readExact(input->mapped.data(), input->mapped.size());
        source->seek(position);
        if (!read) {
            input->mapped.clear();
            return 0;
        }
    }
    *base = input->mapped.data();
    *size = input->mapped.size();
    return 1;
}

void unmapProc(thandle_t, void *, toff_t) {}

struct TiffCloser
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// The largest block libtiff may take for the source: a page of 8-bit RGBA of
// as many pixels as the file's bytes can describe, up to the largest page we
// accept.
tmsize_t allocationLimit(const ImgSourceObject &source)
{
    const uint64_t pixels = std::min(std::min(source.size(), ImgMaxPixels) * MaxPixelsPerByte, ImgMaxPixels);
    return tmsize_t(std::max(pixels * MaxTiffBytesPerPixel, MinTiffAllocation));
}

// Opens the source's first page with quiet handlers and bounded allocations.
// input must outlive the handle.
TiffHandle openTiff(TiffInput &input, bool mapped)
{
    if (!input.source)
        return nullptr;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, allocationLimit(*input.source));
    TIFF *tiff = TIFFClientOpenExt("ImgSource", mapped ? "r" : "rm", &input, readProc, writeProc, seekProc, closeProc, sizeProc,
                                   mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return TiffHandle(tiff);
}

struct PageShape
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
};

// How many bytes of samples one byte of data coded so can stand for at most;
// 0 for codings bound only by MaxPixelsPerByte.
uint64_t densestExpansion(uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64;     // a two-byte run repeats a byte 128 times
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
        return 1032;   // a 258-byte match in two bits
    case COMPRESSION_LZW:
        return 4096;   // a code of at least nine bits for a string of at most 4096 bytes
    default:
        return 0;
    }
}

// The most pixels a byte of the current page's data can describe.
uint64_t densestPixelsPerByte(TIFF *tiff, const PageShape &shape)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const uint64_t expansion = densestExpansion(compression);
    if (expansion == 0)
        return MaxPixelsPerByte;
    const uint64_t pixelBits = std::max<uint64_t>(uint64_t(shape.bitsPerSample) * shape.samplesPerPixel, 1);
    return std::min(MaxPixelsPerByte, (expansion * 8 + pixelBits - 1) / pixelBits);
}

// The bytes of the file that the current page's strips or tiles cover (a
// count past the end of the file only counts up to it).
uint64_t pageDataBytes(TIFF *tiff, uint64_t fileSize)
{
    const uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    uint64_t total = 0;
    for (uint32_t i = 0; i < count && total < fileSize; ++i) {
        const uint64_t offset = TIFFGetStrileOffset(tiff, i);
        if (offset < fileSize)
            total += std::min(TIFFGetStrileByteCount(tiff, i), fileSize - offset);
    }
    return std::min(total, fileSize);
}

// The current page's size and samples, when they are ones we accept and its
// data could fill.
bool readShape(TIFF *tiff, PageShape &shape)
{
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &shape.width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &shape.height))
        return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &shape.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &shape.samplesPerPixel);
    const uint64_t fileSize = sourceOf(TIFFClientdata(tiff))->size();
    return shape.samplesPerPixel <= MaxSamplesPerPixel
           && ImgDataCanFill(shape.width, shape.height, pageDataBytes(tiff, fileSize), densestPixelsPerByte(tiff, shape));
}

// libtiff's raster holds associated alpha: over white is c + (255 - a).
void rasterToRgb(const uint32_t *raster, uint64_t pixelCount, uint8_t *rgb)
{
    for (uint64_t i = 0; i < pixelCount; ++i, rgb += 3) {
        const uint32_t pixel = raster[i];
        const unsigned uncovered = 255u - TIFFGetA(pixel);
        rgb[0] = uint8_t(std::min(255u, TIFFGetR(pixel) + uncovered));
        rgb[1] = uint8_t(std::min(255u, TIFFGetG(pixel) + uncovered));
        rgb[2] = uint8_t(std::min(255u, TIFFGetB(pixel) + uncovered));
    }
}

// The current page through libtiff's RGBA interface, as a new rgb block.
HGLOBAL readCurrentPage(TIFF *tiff, const PageShape &shape)
{
    char message[1024];
    if (!TIFFRGBAImageOK(tiff, message))
        return nullptr;
    const uint64_t pixelCount = uint64_t(shape.width) * shape.height;
    std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[pixelCount]);
    if (!raster)
        return nullptr;
    if (!TIFFReadRGBAImageOriented(tiff, shape.width, shape.height, raster.get(), ORIENTATION_TOPLEFT, 1))
        return nullptr;
    HGLOBAL block = ImgAllocRGB(shape.width, shape.height);
    if (!block)
        return nullptr;
    rasterToRgb(raster.get(), pixelCount, static_cast<uint8_t *>(GlobalLock(block)));
    return block;
}

// A reduced image shows the whole page: each side is the page's at one
// scale, give or take the pixel an encoder rounds away.
bool showsWholePage(const PageShape &page, const PageShape &reduced)
{
    const double scale = double(reduced.width) / page.width;
    return std::abs(double(page.height) * scale - reduced.height) <= 1.0 + scale * 0.01 * page.height;
}

bool isReducedImage(TIFF *tiff)
{
    uint32_t subfileType = 0;
    return TIFFGetField(tiff, TIFFTAG_SUBFILETYPE, &subfileType) && (subfileType & FILETYPE_REDUCEDIMAGE);
}

// Among the first page's reduced images (its SubIFDs, and the directories
// after it marked as reduced), the smallest of at least minWidth x minHeight
// that shows the whole page. Leaves the chosen directory current and its
// shape in chosen; the first page when none fits. False when libtiff cannot
// go back to the first page.
bool findReducedImage(TIFF *tiff, const PageShape &page, uint64_t minWidth, uint64_t minHeight, PageShape &chosen)
{
    std::vector<toff_t> candidates;
    uint16_t subCount = 0;
    toff_t *subOffsets = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_SUBIFD, &subCount, &subOffsets) && subOffsets)
        candidates.assign(subOffsets, subOffsets + std::min<uint16_t>(subCount, MaxReducedImages));
    for (tdir_t directory = 1; directory <= MaxReducedImages && TIFFSetDirectory(tiff, directory); ++directory) {
        if (isReducedImage(tiff))
            candidates.push_back(TIFFCurrentDirOffset(tiff));
    }
    toff_t best = 0;
    for (toff_t offset : candidates) {
        PageShape shape;
        if (!TIFFSetSubDirectory(tiff, offset) || !readShape(tiff, shape) || !showsWholePage(page, shape))
            continue;
        if (shape.width < minWidth || shape.height < minHeight || shape.width >= chosen.width)
            continue;
        best = offset;
        chosen = shape;
    }
    if (best)
        return TIFFSetSubDirectory(tiff, best) != 0;
    chosen = page;
    return TIFFSetDirectory(tiff, 0) != 0;
}

} // namespace

HGLOBAL ImgReadTIFFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    if (!width || !height)
        return nullptr;
    TiffInput input{source, {}};
    TiffHandle tiff = openTiff(input, true);
    PageShape shape;
    if (!tiff || !readShape(tiff.get(), shape))
        return nullptr;
    HGLOBAL block = readCurrentPage(tiff.get(), shape);
    if (!block)
        return nullptr;
    *width = shape.width;
    *height = shape.height;
    return block;
}

HGLOBAL ImgReadTIFFToRGBReduced(HIMGSRC source, uint32_t wantedWidth, uint32_t wantedHeight, uint32_t *width,
                                uint32_t *height, uint32_t *fullWidth, uint32_t *fullHeight)
{
    if (!width || !height || !fullWidth || !fullHeight)
        return nullptr;
    TiffInput input{source, {}};
    TiffHandle tiff = openTiff(input, true);
    PageShape full;
    if (!tiff || !readShape(tiff.get(), full))
        return nullptr;
    const uint64_t minWidth = uint64_t(std::max<uint32_t>(wantedWidth, 1)) * 2;
    const uint64_t minHeight = uint64_t(std::max<uint32_t>(wantedHeight, 1)) * 2;
    PageShape shape = full;
    if (!findReducedImage(tiff.get(), full, minWidth, minHeight, shape))
        return nullptr;
    HGLOBAL block = readCurrentPage(tiff.get(), shape);
    if (!block)
        return nullptr;
    *width = shape.width;
    *height = shape.height;
    *fullWidth = full.width;
    *fullHeight = full.height;
    return block;
}

BOOL ImgGetTIFFDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    if (!width || !height)
        return FALSE;
    TiffInput input{source, {}};
    TiffHandle tiff = openTiff(input, false);
    PageShape shape;
    if (!tiff || !readShape(tiff.get(), shape))
        return FALSE;
    *width = shape.width;
    *height = shape.height;
    if (bits)
        *bits = uint32_t(shape.bitsPerSample) * shape.samplesPerPixel;
    return TRUE;
}
