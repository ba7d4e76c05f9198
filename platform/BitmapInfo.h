#pragma once

#include "Types.h"

// The headers of Windows device-independent bitmaps, laid out as on disk
// (little-endian, no padding), so BMP and AVI files can carry them directly.
#pragma pack(push, 2)

struct BITMAPFILEHEADER
{
    WORD bfType;          // "BM"
    DWORD bfSize;         // the whole file
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;      // from the file's start to the pixel rows
};

struct BITMAPINFOHEADER
{
    DWORD biSize;         // 40
    LONG biWidth;
    LONG biHeight;        // positive: rows bottom-up; negative: top-down
    WORD biPlanes;        // 1
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD
{
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

#pragma pack(pop)

static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40 && sizeof(RGBQUAD) == 4);

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
