#include "Bitmap.h"

#include "ImgIO.h"
#include "ImgLib.h"

#include <platform/Exception.h>
#include <platform/Stream.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>

CCriticalSection CProtectIS::CS;

constexpr LONG PixelsPerMetre = 2800;

int CBitmap::GetBytesNextLine(int width, int bitsPerPixel)
{
    return int((int64_t(width) * bitsPerPixel + 31) / 32 * 4);
}

int CBitmap::GetImageSize(CSize size)
{
    return GetBytesNextLine(size.cx, 24) * size.cy;
}

CBitmap::CBitmap(const unsigned char *rgb, CSize size)
{
    BitmapFromRGB(rgb, size);
}

CBitmap::CBitmap(const BITMAPINFOHEADER *header, const unsigned char *bits)
{
    BitmapFromDIB(header, bits);
}

CBitmap::~CBitmap()
{
    DeleteBuffers();
}

void CBitmap::DeleteBuffers()
{
    m_block.reset();
    m_header = nullptr;
    m_bits = nullptr;
}

bool CBitmap::allocate(CSize size)
{
    DeleteBuffers();
    if (size.cx <= 0 || size.cy <= 0 || !ImgSizeIsAcceptable(uint64_t(size.cx), uint64_t(size.cy)))
        return false;
    const size_t imageBytes = size_t(GetBytesNextLine(size.cx, 24)) * size_t(size.cy);
    m_block.reset(new unsigned char[sizeof(BITMAPINFOHEADER) + imageBytes]());
    m_header = reinterpret_cast<BITMAPINFOHEADER *>(m_block.get());
    m_bits = m_block.get() + sizeof(BITMAPINFOHEADER);
    *m_header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 24, BI_RGB, DWORD(imageBytes),
                                 PixelsPerMetre, PixelsPerMetre, 0, 0};
    return true;
}

void CBitmap::BitmapFromRGB(const unsigned char *rgb, CSize size)
{
    if (!rgb || !allocate(size))
        return;
    const size_t stride = size_t(GetBytesNextLine(size.cx, 24));
    for (int32_t y = 0; y < size.cy; ++y) {
        const unsigned char *source = rgb + size_t(y) * size_t(size.cx) * 3;
        unsigned char *target = m_bits + size_t(size.cy - 1 - y) * stride;
        for (int32_t x = 0; x < size.cx; ++x, source += 3, target += 3) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
        }
    }
}

static bool isDecodableDepth(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void CBitmap::BitmapFromDIB(const BITMAPINFOHEADER *header, const unsigned char *bits)
{
    DeleteBuffers();
    if (!header || !bits || !isDecodableDepth(header->biBitCount) || header->biWidth <= 0 || header->biHeight == 0
        || header->biHeight == INT32_MIN)
        return;
    const CSize size(header->biWidth, std::abs(header->biHeight));
    if (!allocate(size))
        return;
    const WORD depth = header->biBitCount;
    const auto *palette = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const unsigned char *>(header) + header->biSize);
    const uint32_t fullPalette = depth <= 8 ? 1u << depth : 0;
    const uint32_t paletteCount = header->biClrUsed > 0 ? std::min(header->biClrUsed, fullPalette) : fullPalette;
    const size_t sourceStride = size_t(GetBytesNextLine(size.cx, depth));
    const size_t targetStride = size_t(GetBytesNextLine(size.cx, 24));

    // The rows are kept bottom-up: a top-down source (negative height) is turned over.
    const bool topDown = header->biHeight < 0;
    for (int32_t row = 0; row < size.cy; ++row) {
        const unsigned char *source = bits + size_t(topDown ? size.cy - 1 - row : row) * sourceStride;
        unsigned char *target = m_bits + size_t(row) * targetStride;
        for (int32_t x = 0; x < size.cx; ++x, target += 3) {
            uint32_t index = 0;
            switch (depth) {
            case 1: index = (source[x / 8] >> (7 - x % 8)) & 1; break;
            case 4: index = (x % 2 == 0) ? source[x / 2] >> 4 : source[x / 2] & 0x0F; break;
            case 8: index = source[x]; break;
            case 16: {
                // 5-5-5: each channel's 5 bits land in the top of its byte.
                const unsigned b0 = source[2 * x];
                const unsigned b1 = source[2 * x + 1];
                target[0] = uint8_t(b0 * 8);
                target[1] = uint8_t(((b1 * 64) + (b0 / 4)) & 0xF8);
                target[2] = uint8_t((b1 * 2) & 0xF8);
                continue;
            }
            case 24: std::memcpy(target, source + 3 * x, 3); continue;
            case 32: std::memcpy(target, source + 4 * x, 3); continue;
            }
            // An index past the palette paints black rather than reading beyond it.
            if (index < paletteCount) {
                target[0] = palette[index].rgbBlue;
                target[1] = palette[index].rgbGreen;
                target[2] = palette[index].rgbRed;
            }
        }
    }
}

unsigned char *CBitmap::NewRGB(unsigned &width, unsigned &height) const
{
    width = 0;
    height = 0;
    if (IsEmpty())
        return nullptr;
    width = unsigned(Width());
    height = unsigned(Height());
    return packedRows(true, true).release();
}

// The rows without padding, optionally in red-green-blue order and top-down.
std::unique_ptr<unsigned char[]> CBitmap::packedRows(bool swapToRGB, bool topDown) const
{
    const size_t width = size_t(Width());
    const size_t height = size_t(Height());
    const size_t stride = size_t(GetBytesNextLine(Width(), 24));
    std::unique_ptr<unsigned char[]> packed(new unsigned char[width * height * 3]);
    for (size_t row = 0; row < height; ++row) {
        const unsigned char *source = m_bits + (topDown ? height - 1 - row : row) * stride;
        unsigned char *target = packed.get() + row * width * 3;
        std::memcpy(target, source, width * 3);
        if (!swapToRGB)
            continue;
        for (size_t x = 0; x < width; ++x)
            std::swap(target[3 * x], target[3 * x + 2]);
    }
    return packed;
}

// Copies packed bottom-up rows back into the bitmap of the same size.
void CBitmap::unpackRows(const unsigned char *packed, bool swapFromRGB)
{
    const size_t width = size_t(Width());
    const size_t stride = size_t(GetBytesNextLine(Width(), 24));
    for (size_t row = 0; row < size_t(Height()); ++row) {
        unsigned char *target = m_bits + row * stride;
        std::memcpy(target, packed + row * width * 3, width * 3);
        if (!swapFromRGB)
            continue;
        for (size_t x = 0; x < width; ++x)
            std::swap(target[3 * x], target[3 * x + 2]);
    }
}

void CBitmap::Paint(QPainter *dc, int x, int y, bool, void *) const
{
    if (IsEmpty() || !dc)
        return;
    // Only the part that the painter's clip lets through is turned top-down
    // and drawn: a large picture in a small window costs what is seen.
    QRect area(x, y, Width(), Height());
    if (dc->hasClipping())
        area &= dc->clipBoundingRect().toAlignedRect();   // in logical coordinates
    if (area.isEmpty())
        return;
    const int left = area.left() - x;
    const int top = area.top() - y;
    const size_t stride = size_t(GetBytesNextLine(Width(), 24));
    QImage visible(area.size(), QImage::Format_BGR888);
    for (int row = 0; row < area.height(); ++row) {
        const unsigned char *source = m_bits + size_t(Height() - 1 - (top + row)) * stride + size_t(left) * 3;
        std::memcpy(visible.scanLine(row), source, size_t(area.width()) * 3);
    }
    dc->drawImage(area.topLeft(), visible);
}

void CBitmap::CloseDrawDibHandle()
{
}

void CBitmap::HFlip()
{
    const size_t stride = size_t(GetBytesNextLine(Width(), 24));
    for (int32_t row = 0; row < Height(); ++row) {
        unsigned char *line = m_bits + size_t(row) * stride;
        for (int32_t left = 0, right = Width() - 1; left < right; ++left, --right)
            std::swap_ranges(line + 3 * left, line + 3 * left + 3, line + 3 * right);
    }
}

void CBitmap::Negate()
{
    const size_t stride = size_t(GetBytesNextLine(Width(), 24));
    for (int32_t row = 0; row < Height(); ++row) {
        unsigned char *line = m_bits + size_t(row) * stride;
        for (size_t i = 0; i < size_t(Width()) * 3; ++i)
            line[i] = uint8_t(255 - line[i]);
    }
}

void CBitmap::Rotate(int code)
{
    if (IsEmpty() || code < 0 || code > 2)
        return;
    if (code != 1) {
        turnQuarter(code == 0);
        return;
    }
    std::unique_ptr<unsigned char[]> rgb = packedRows(true, true);
    uint32_t width = uint32_t(Width());
    uint32_t height = uint32_t(Height());
    if (!ImgQuickRotateRGB(rgb.get(), width, height, uint32_t(code)))
        return;
    if (code != 1)
        std::swap(width, height);
    BitmapFromRGB(rgb.get(), CSize(int32_t(width), int32_t(height)));
}

// Straight from the old rows into the new, in tiles so that the column-wise
// reads stay in the cache: a large picture turns in one pass.
void CBitmap::turnQuarter(bool clockwise)
{
    const int32_t width = Width();
    const int32_t height = Height();
    const size_t sourceStride = size_t(GetBytesNextLine(width, 24));
    std::unique_ptr<unsigned char[]> oldBlock = std::move(m_block);
    const unsigned char *source = m_bits;
    m_header = nullptr;
    m_bits = nullptr;
    if (!allocate(CSize(height, width))) {
        m_block = std::move(oldBlock);   // unchanged on failure
        m_header = reinterpret_cast<BITMAPINFOHEADER *>(m_block.get());
        m_bits = m_block.get() + sizeof(BITMAPINFOHEADER);
        return;
    }
    const size_t targetStride = size_t(GetBytesNextLine(height, 24));
    constexpr int32_t Tile = 64;
    // Output pixel (x, y), top-down, comes from (y, height - 1 - x) turning
    // clockwise and from (width - 1 - y, x) turning anticlockwise.
    for (int32_t tileY = 0; tileY < width; tileY += Tile) {
        for (int32_t tileX = 0; tileX < height; tileX += Tile) {
            for (int32_t y = tileY; y < std::min(tileY + Tile, width); ++y) {
                unsigned char *target = m_bits + size_t(width - 1 - y) * targetStride + size_t(tileX) * 3;
                const int32_t sourceX = clockwise ? y : width - 1 - y;
                for (int32_t x = tileX; x < std::min(tileX + Tile, height); ++x, target += 3) {
                    const int32_t sourceY = clockwise ? height - 1 - x : x;
                    const unsigned char *pixel =
                        source + size_t(height - 1 - sourceY) * sourceStride + size_t(sourceX) * 3;
                    target[0] = pixel[0];
                    target[1] = pixel[1];
                    target[2] = pixel[2];
                }
            }
        }
    }
}

void CBitmap::Rotate(double angle, unsigned long background)
{
    if (IsEmpty())
        return;
    const std::unique_ptr<unsigned char[]> rgb = packedRows(true, true);
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL rotated = ImgRotateRGB(rgb.get(), uint32_t(Width()), uint32_t(Height()), angle, COLORREF(background),
                                   &width, &height);
    if (!rotated)
        return;
    BitmapFromRGB(static_cast<const unsigned char *>(GlobalLock(rotated)), CSize(int32_t(width), int32_t(height)));
    GlobalFree(rotated);
}

void CBitmap::filter(int amount, int (*apply)(const uint8_t *, uint32_t, uint32_t, uint8_t *, uint32_t))
{
    if (IsEmpty() || amount < 0)
        return;
    CSingleLock lock(CProtectIS::CS);
    // In place: both filters take the same buffer as input and output, and a
    // large picture then costs one copy less.
    const std::unique_ptr<unsigned char[]> pixels = packedRows(false, false);
    if (apply(pixels.get(), uint32_t(Width()), uint32_t(Height()), pixels.get(), uint32_t(amount)))
        unpackRows(pixels.get(), false);
}

void CBitmap::Blur(int amount)
{
    filter(amount, ImgBlurRGB);
}

void CBitmap::Sharpen(int amount)
{
    filter(amount, ImgSharpenRGB);
}

void CBitmap::ApplyBrightnessContrast(double brightness, double contrast)
{
    if (IsEmpty())
        return;
    const std::unique_ptr<unsigned char[]> rgb = packedRows(true, false);
    if (ImgApplyBrightnessContrastToRGB(rgb.get(), uint32_t(Width()), uint32_t(Height()), brightness, contrast))
        unpackRows(rgb.get(), true);
}

bool CBitmap::WriteBMP(const CPath &path) const
{
    if (IsEmpty())
        return false;
    const DWORD imageBytes = m_header->biSizeImage;
    const BITMAPFILEHEADER fileHeader{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageBytes),
                                      0, 0, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    try {
        TSafeFileStream file(path.ToAnsiString());
        file.WriteBuffer(&fileHeader, sizeof fileHeader);
        file.WriteBuffer(m_block.get(), int32_t(sizeof(BITMAPINFOHEADER) + imageBytes));
        file.Commit();
        return true;
    } catch (const Exception &) {
        return false;
    }
}
