// GIF through giflib, read from our source through DGifOpen's read function.
// The reader composes the first frame on its logical screen: the screen is
// filled with the background colour, the frame is drawn at its place (clipped
// to the screen), and its transparent pixels leave the background showing.
// The records are walked one by one rather than slurped, so that only the
// first frame is ever decoded and its size is checked before any pixel
// buffer is made.

#include "ImgIO.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <gif_lib.h>

namespace {

struct Rgb
{
    uint8_t red = 255;
    uint8_t green = 255;
    uint8_t blue = 255;
};

int readFunction(GifFileType *gif, GifByteType *buffer, int count)
{
    if (count <= 0)
        return 0;
    return int(static_cast<ImgSourceObject *>(gif->UserData)->read(buffer, size_t(count)));
}

struct GifCloser
{
    void operator()(GifFileType *gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// An LZW code stands for one string of its table, at most 4096 pixels, and
// once the table holds strings that long its codes take 12 bits: a byte of a
// frame's data describes at most about 2700 pixels, and 4096 leaves a margin.
// The screen around a frame costs no data, but a real file spends on its
// frames about what their screen shows, so a screen is bounded by the file's
// bytes at that density: a few bytes cannot make the reader fill a vast
// background.
constexpr uint64_t MaxLzwPixelsPerByte = 4096;

// Reads the header, the logical screen and its colour table; null unless the
// screen is one the file could fill.
GifHandle openGif(HIMGSRC source)
{
    if (!source)
        return nullptr;
    const uint64_t fileBytes = source->bytesLeft();
    int error = 0;
    GifHandle gif(DGifOpen(source, readFunction, &error));
    if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0
        || !ImgDataCanFill(uint64_t(gif->SWidth), uint64_t(gif->SHeight), fileBytes, MaxLzwPixelsPerByte))
        return nullptr;
    return gif;
}

// The background: the global table's background entry; white without one.
Rgb backgroundOf(const GifFileType *gif)
{
    const ColorMapObject *map = gif->SColorMap;
    if (!map || gif->SBackGroundColor < 0 || gif->SBackGroundColor >= map->ColorCount)
        return Rgb{};
    const GifColorType &colour = map->Colors[gif->SBackGroundColor];
    return Rgb{colour.Red, colour.Green, colour.Blue};
}

// Skips extensions up to the first image, keeping the transparent index of
// the last graphic control block seen. False at the end of the file or on an
// error.
bool findFirstImage(GifFileType *gif, int &transparentIndex)
{
    transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE)
            return false;
        int code = 0;
        GifByteType *block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparentIndex = control.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

// The order in which an interlaced frame stores its rows: the n-th stored row
// is row interlacedRow(n) of the frame.
uint32_t interlacedRow(uint32_t storedRow, uint32_t height)
{
    static const uint32_t Start[4] = {0, 4, 2, 1};
    static const uint32_t Step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const uint32_t rowsInPass = height > Start[pass] ? (height - Start[pass] + Step[pass] - 1) / Step[pass] : 0;
        if (storedRow < rowsInPass)
            return Start[pass] + storedRow * Step[pass];
        storedRow -= rowsInPass;
    }
    return height;   // not reached for storedRow < height
}

void fillWith(uint8_t *rgb, uint64_t pixelCount, Rgb colour)
{
    for (uint64_t i = 0; i < pixelCount; ++i, rgb += 3) {
        rgb[0] = colour.red;
        rgb[1] = colour.green;
        rgb[2] = colour.blue;
    }
}

// Decodes the current frame's rows onto the screen image.
bool drawFrame(GifFileType *gif, int transparentIndex, uint8_t *screen)
{
    const GifImageDesc &frame = gif->Image;
    const ColorMapObject *map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
        return false;
    const uint32_t frameWidth = uint32_t(frame.Width);
    const uint32_t frameHeight = uint32_t(frame.Height);
    const uint32_t screenWidth = uint32_t(gif->SWidth);
    const uint32_t screenHeight = uint32_t(gif->SHeight);
    const uint32_t left = uint32_t(frame.Left);
    const uint32_t top = uint32_t(frame.Top);
    std::unique_ptr<GifPixelType[]> line(new (std::nothrow) GifPixelType[frameWidth]);
    if (!line)
        return false;
    for (uint32_t stored = 0; stored < frameHeight; ++stored) {
        if (DGifGetLine(gif, line.get(), int(frameWidth)) == GIF_ERROR)
            return false;
        const uint32_t y = top + (frame.Interlace ? interlacedRow(stored, frameHeight) : stored);
        if (y >= screenHeight || left >= screenWidth)
            continue;
        const uint32_t visible = std::min(frameWidth, screenWidth - left);
        uint8_t *out = screen + (uint64_t(y) * screenWidth + left) * 3;
        for (uint32_t x = 0; x < visible; ++x, out += 3) {
            const int index = line[x];
            if (index == transparentIndex || index >= map->ColorCount)
                continue;
            const GifColorType &colour = map->Colors[index];
            out[0] = colour.Red;
            out[1] = colour.Green;
            out[2] = colour.Blue;
        }
    }
    return true;
}

} // namespace

HGLOBAL ImgReadGIFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    if (!width || !height)
        return nullptr;
    GifHandle gif = openGif(source);
    if (!gif)
        return nullptr;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!findFirstImage(gif.get(), transparentIndex))
        return nullptr;
    const uint32_t screenWidth = uint32_t(gif->SWidth);
    const uint32_t screenHeight = uint32_t(gif->SHeight);
    HGLOBAL block = ImgAllocRGB(screenWidth, screenHeight);
    if (!block)
        return nullptr;
    auto *rgb = static_cast<uint8_t *>(GlobalLock(block));
    fillWith(rgb, uint64_t(screenWidth) * screenHeight, backgroundOf(gif.get()));
    // The file must go on after the frame (its trailer or the next frame), so
    // a file cut anywhere fails; what follows is not judged. giflib reads no
    // further ahead than it needs.
    uint8_t next = 0;
    if (!drawFrame(gif.get(), transparentIndex, rgb) || source->read(&next, 1) != 1)
        return GlobalFree(block);
    *width = screenWidth;
    *height = screenHeight;
    return block;
}

BOOL ImgGetGIFDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits)
{
    if (!width || !height)
        return FALSE;
    GifHandle gif = openGif(source);
    if (!gif)
        return FALSE;
    *width = uint32_t(gif->SWidth);
    *height = uint32_t(gif->SHeight);
    if (bits)
        *bits = gif->SColorMap ? uint32_t(gif->SColorMap->BitsPerPixel) : 0;
    return TRUE;
}
