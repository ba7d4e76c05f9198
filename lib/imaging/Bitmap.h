#pragma once

#include <lib/Path.h>
#include <lib/Rect.h>
#include <platform/BitmapInfo.h>
#include <platform/CriticalSection.h>

#include <cstdint>
#include <memory>

class QPainter;

// A 24-bit device-independent bitmap in memory: a 40-byte header followed by
// bottom-up rows of blue, green, red bytes, each row padded to 4 bytes. The
// form in which images are painted and the viewer's effects applied. A bitmap
// is used by one thread at a time.
class CBitmap
{
public:
    CBitmap() = default;
    // From a top-down RGB buffer of width x height x 3 bytes.
    CBitmap(const unsigned char *rgb, CSize size);
    // A 24-bit copy of a bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel.
    CBitmap(const BITMAPINFOHEADER *header, const unsigned char *bits);
    CBitmap(const CBitmap &) = delete;
    CBitmap &operator=(const CBitmap &) = delete;
    virtual ~CBitmap();

    // Both leave the bitmap empty when the size is empty or larger than the
    // imaging library accepts.
    void BitmapFromRGB(const unsigned char *rgb, CSize size);
    // A palette index past the source's palette paints black.
    void BitmapFromDIB(const BITMAPINFOHEADER *header, const unsigned char *bits);
    void DeleteBuffers();

    bool IsEmpty() const { return !m_header; }
    const BITMAPINFOHEADER *GetHeader() const { return m_header; }
    unsigned char *GetBits() { return m_bits; }
    const unsigned char *GetBits() const { return m_bits; }
    int32_t Width() const { return m_header ? m_header->biWidth : 0; }
    int32_t Height() const { return m_header ? m_header->biHeight : 0; }

    // A new top-down RGB buffer (freed with delete[] by the caller); null for
    // an empty bitmap.
    unsigned char *NewRGB(unsigned &width, unsigned &height) const;

    // Paints the pixels in place, in their own size, with the top-left corner
    // at (x, y). Palettes are data here, so dither and palette change nothing.
    void Paint(QPainter *dc, int x, int y, bool dither, void *palette) const;
    static void CloseDrawDibHandle();

    void HFlip();
    void Negate();
    // Codes 0 and 2 turn a quarter (exchanging width and height), 1 a half.
    void Rotate(int code);
    // Any angle, the uncovered corners in background; unchanged on failure.
    void Rotate(double angle, unsigned long background);
    void Blur(int amount);
    void Sharpen(int amount);
    void ApplyBrightnessContrast(double brightness, double contrast);

    // Writes a BMP file by temporary file and rename: a failure leaves any
    // old file as it was. Answers whether the file was written.
    bool WriteBMP(const CPath &path) const;

    static int GetBytesNextLine(int width, int bitsPerPixel);
    static int GetImageSize(CSize size);

private:
    bool allocate(CSize size);
    std::unique_ptr<unsigned char[]> packedRows(bool swapToRGB, bool topDown) const;
    void unpackRows(const unsigned char *packed, bool swapFromRGB);
    void filter(int amount, int (*apply)(const uint8_t *, uint32_t, uint32_t, uint8_t *, uint32_t));

    void turnQuarter(bool clockwise);

    std::unique_ptr<unsigned char[]> m_block;   // the header, then the rows
    BITMAPINFOHEADER *m_header = nullptr;       // at the block's start
    unsigned char *m_bits = nullptr;            // after the header
};

// Serialises the imaging library's blur and sharpen across threads.
struct CProtectIS
{
    static CCriticalSection CS;
};
