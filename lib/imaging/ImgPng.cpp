// PNG through libpng. Every colour type and bit depth is expanded to 8-bit
// RGB: palettes and grey levels are expanded, 16-bit samples scaled, and
// alpha (from an alpha channel or a tRNS chunk) composited onto white, so a
// transparent area reads as paper rather than as whatever colour the encoder
// left under it. Gamma chunks are not applied.
//
// libpng reports errors through our error function, which jumps back to the
// setjmp of the call in progress without printing. As with JPEG, state that
// outlives the jump lives in a context owned by the caller of the function
// that calls setjmp.

#include "ImgIO.h"

#include <csetjmp>
#include <cstring>
#include <memory>

#include <png.h>

namespace {

constexpr int PngRgbBytes = 3;
constexpr int PngRgbaBytes = 4;
// Deflate's densest coding: a 258-byte match in two bits.
constexpr uint64_t DeflateDensestRatio = 1032;

void errorFunction(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void warningFunction(png_structp, png_const_charp) {}

void readFunction(png_structp png, png_bytep data, size_t count)
{
    auto *source = static_cast<ImgSourceObject *>(png_get_io_ptr(png));
    if (!source->readExact(data, count))
        png_error(png, "truncated");
}

void writeFunction(png_structp png, png_bytep data, size_t count)
{
    auto *destination = static_cast<ImgDestObject *>(png_get_io_ptr(png));
    if (!destination->write(data, count))
        png_error(png, "write refused");
}

void flushFunction(png_structp) {}

// One channel of c over white with coverage a.
uint8_t overWhite(unsigned c, unsigned a)
{
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}

// The pixels first, first + step, ... of an RGBA row over white.
void compositeRowOnWhite(const uint8_t *rgba, uint32_t width, uint32_t first, uint32_t step, uint8_t *rgb)
{
    for (uint32_t x = first; x < width; x += step) {
        const uint8_t *in = rgba + size_t(x) * PngRgbaBytes;
        uint8_t *out = rgb + size_t(x) * PngRgbBytes;
        for (int channel = 0; channel < 3; ++channel)
            out[channel] = overWhite(in[channel], in[3]);
    }
}

struct ReadContext
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    HGLOBAL block = nullptr;
    std::unique_ptr<uint8_t[]> rgba;   // an alpha image's row before compositing
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;                 // per pixel, as stored
};

// Reads up to and including the header chunks and checks the size.
bool readHeader(ReadContext &context)
{
    // Only IHDR, PLTE, tRNS and the image data matter here. libpng would
    // allocate a text or palette chunk at its declared length before finding
    // that the file ends long before it; skipped chunks are read through a
    // small buffer.
    png_set_keep_unknown_chunks(context.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(context.png, context.info);
    context.width = png_get_image_width(context.png, context.info);
    context.height = png_get_image_height(context.png, context.info);
    context.bits = uint32_t(png_get_bit_depth(context.png, context.info)) * png_get_channels(context.png, context.info);
    return ImgSizeIsAcceptable(context.width, context.height);
}

// Sets up the transformations to 8-bit RGB or RGBA; answers whether alpha
// remains.
bool expandToEightBitRgb(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    png_set_expand(png);
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    return (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
}

// No object with a destructor may live in this frame.
bool runRead(ReadContext &context, ImgSourceObject *source, bool headerOnly)
{
    if (setjmp(png_jmpbuf(context.png)))
        return false;
    png_set_read_fn(context.png, source, readFunction);
    if (!readHeader(context))
        return false;
    if (headerOnly)
        return true;

    // The filtered rows hold at least bits / 8 bytes a pixel, and deflate
    // packs at most 1032 bytes into one: an image the rest of the file
    // cannot fill is refused before its pixels are allocated.
    if (!ImgDataCanFill(context.width, context.height, source->bytesLeft(), DeflateDensestRatio * 8 / context.bits))
        return false;

    const bool alpha = expandToEightBitRgb(context.png, context.info);
    const int passes = png_set_interlace_handling(context.png);
    png_read_update_info(context.png, context.info);
    const size_t pixelBytes = alpha ? PngRgbaBytes : PngRgbBytes;
    const size_t rowBytes = size_t(context.width) * pixelBytes;
    if (png_get_rowbytes(context.png, context.info) != rowBytes)
        return false;

    context.block = ImgAllocRGB(context.width, context.height);
    if (!context.block)
        return false;
    auto *rgb = static_cast<uint8_t *>(GlobalLock(context.block));
    const size_t rgbRowBytes = size_t(context.width) * PngRgbBytes;
    if (alpha) {
        context.rgba.reset(new (std::nothrow) uint8_t[rowBytes]);
        if (!context.rgba)
            return false;
    }
    const bool interlaced = passes > 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < context.height; ++y) {
            uint8_t *rgbRow = rgb + y * rgbRowBytes;
            png_read_row(context.png, alpha ? context.rgba.get() : rgbRow, nullptr);
            // A pass writes only its own pixels of its own rows, so each
            // pixel is composited once, from the pass that holds it.
            if (!alpha || (interlaced && !PNG_ROW_IN_INTERLACE_PASS(y, pass)))
                continue;
            const uint32_t first = interlaced ? PNG_PASS_START_COL(pass) : 0;
            const uint32_t step = interlaced ? PNG_PASS_COL_OFFSET(pass) : 1;
            compositeRowOnWhite(context.rgba.get(), context.width, first, step, rgbRow);
        }
    }
    // Reads on to the end chunk, so a file cut anywhere fails.
    png_read_end(context.png, nullptr);
    return true;
}

bool read(HIMGSRC source, bool headerOnly, ReadContext &context)
{
    if (!source)
        return false;
    context.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, errorFunction, warningFunction);
    if (!context.png)
        return false;
    context.info = png_create_info_struct(context.png);
    const bool done = context.info && runRead(context, source, headerOnly);
    png_destroy_read_struct(&context.png, context.info ? &context.info : nullptr, nullptr);
    if (!done && context.block)
        context.block = GlobalFree(context.block);
    return done;
}

struct WriteContext
{
    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool runWrite(WriteContext &context, ImgDestObject *destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    if (setjmp(png_jmpbuf(context.png)))
        return false;
    png_set_write_fn(context.png, destination, writeFunction, flushFunction);
    png_set_IHDR(context.png, context.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(context.png, context.info);
    const size_t rowBytes = size_t(width) * PngRgbBytes;
    for (uint32_t y = 0; y < height; ++y)
        png_write_row(context.png, rgb + y * rowBytes);
    png_write_end(context.png, nullptr);
    return true;
}

} // namespace

HGLOBAL ImgReadPNGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    if (!width || !height)
        return nullptr;
    ReadContext context;
    if (!read(source, false, context))
        return nullptr;
    *width = context.width;
    *height = context.height;
    return context.block;
}

BOOL ImgGetPNGDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    if (!width || !height)
        return FALSE;
    ReadContext context;
    if (!read(source, true, context))
        return FALSE;
    *width = context.width;
    *height = context.height;
    if (bits)
        *bits = context.bits;
    return TRUE;
}

static uint32_t writePng(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height)
{
    if (!destination || !rgb || !ImgSizeIsAcceptable(width, height))
        return 0;
    WriteContext context;
    context.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, errorFunction, warningFunction);
    if (!context.png)
        return 0;
    context.info = png_create_info_struct(context.png);
    const uint64_t before = destination->written();
    const bool written = context.info && runWrite(context, destination, rgb, width, height);
    png_destroy_write_struct(&context.png, context.info ? &context.info : nullptr);
    const uint64_t bytes = destination->written() - before;
    if (!written || bytes > UINT32_MAX)
        return 0;
    return uint32_t(bytes);
}

uint32_t ImgWriteRGBToPNG(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height, uint32_t,
                          uint32_t)
{
    return ImgWriterAnswer(destination, writePng(destination, rgb, width, height));
}
