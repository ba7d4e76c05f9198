// The library-wide calls: the content guess, initialisation and the version.
//
// The guess reads the first bytes of the source and answers the first format
// whose signature they carry (little-endian unless marked):
//   BMP   0  2  "BM", and at 14 a 4-byte header size that a BMP header has
//                (12, 16, 40, 52, 56, 64, 108 or 124)
//   GIF   0  6  "GIF87a" or "GIF89a"
//   JPEG  0  3  FF D8 FF
//   PNG   0  8  89 "PNG" 0D 0A 1A 0A
//   PCX   0  4  0A, version 0/2/3/4/5, encoding 0/1, bits per plane 1/2/4/8
//   TIFF  0  4  "II" 2A 00 or "MM" 00 2A; BigTIFF "II" 2B 00 or "MM" 00 2B
//   WMF   0  4  D7 CD C6 9A (placeable header), or
//         0  6  type 1 or 2, header size 9 (words), version 0x0100 or 0x0300
//   EMF   0  4  record type 1 (EMR_HEADER), and at 40 the signature " EMF"
// Targa has no signature and is never guessed.

#include "ImgIO.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <QtGlobal>

namespace {

constexpr size_t GuessBytes = 44;

#define IMG_TEXT_OF(token) #token
#define IMG_TEXT(token) IMG_TEXT_OF(token)

uint16_t wordAt(const uint8_t *bytes, size_t offset)
{
    return uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t dwordAt(const uint8_t *bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16
           | uint32_t(bytes[offset + 3]) << 24;
}

bool startsWith(const uint8_t *bytes, size_t count, const char *signature, size_t signatureBytes)
{
    return count >= signatureBytes && std::memcmp(bytes, signature, signatureBytes) == 0;
}

bool isBmp(const uint8_t *bytes, size_t count)
{
    if (count < 18 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    switch (dwordAt(bytes, 14)) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
        return true;
    default:
        return false;
    }
}

bool isPcx(const uint8_t *bytes, size_t count)
{
    if (count < 4 || bytes[0] != 0x0A)
        return false;
    const uint8_t version = bytes[1];
    const uint8_t bitsPerPlane = bytes[3];
    return (version == 0 || (version >= 2 && version <= 5)) && bytes[2] <= 1
           && (bitsPerPlane == 1 || bitsPerPlane == 2 || bitsPerPlane == 4 || bitsPerPlane == 8);
}

bool isTiff(const uint8_t *bytes, size_t count)
{
    return startsWith(bytes, count, "II\x2A\0", 4) || startsWith(bytes, count, "MM\0\x2A", 4)
           || startsWith(bytes, count, "II\x2B\0", 4) || startsWith(bytes, count, "MM\0\x2B", 4);
}

bool isWmf(const uint8_t *bytes, size_t count)
{
    if (startsWith(bytes, count, "\xD7\xCD\xC6\x9A", 4))
        return true;
    if (count < 6)
        return false;
    const uint16_t type = wordAt(bytes, 0);
    const uint16_t version = wordAt(bytes, 4);
    return (type == 1 || type == 2) && wordAt(bytes, 2) == 9 && (version == 0x0100 || version == 0x0300);
}

bool isEmf(const uint8_t *bytes, size_t count)
{
    return count >= 44 && dwordAt(bytes, 0) == 1 && std::memcmp(bytes + 40, " EMF", 4) == 0;
}

ImgFileType guessFromBytes(const uint8_t *bytes, size_t count)
{
    if (isBmp(bytes, count))
        return ImgTypeBMP;
    if (startsWith(bytes, count, "GIF87a", 6) || startsWith(bytes, count, "GIF89a", 6))
        return ImgTypeGIF;
    if (startsWith(bytes, count, "\xFF\xD8\xFF", 3))
        return ImgTypeJPG;
    if (startsWith(bytes, count, "\x89PNG\r\n\x1A\n", 8))
        return ImgTypePNG;
    if (isTiff(bytes, count))
        return ImgTypeTIFF;
    if (isEmf(bytes, count))
        return ImgTypeEMF;
    if (isWmf(bytes, count))
        return ImgTypeWMF;
    if (isPcx(bytes, count))
        return ImgTypePCX;
    return ImgTypeUnknown;
}

std::string firstLine(const char *text)
{
    if (!text)
        return {};
    const char *end = std::strchr(text, '\n');
    return end ? std::string(text, end) : std::string(text);
}

} // namespace

uint32_t ImgGuessFileType(HIMGSRC source)
{
    if (!source || !source->seek(0))
        return ImgTypeUnknown;
    uint8_t bytes[GuessBytes];
    const size_t count = source->read(bytes, sizeof bytes);
    source->seek(0);
    return guessFromBytes(bytes, count);
}

// The library keeps no state that a thread must set up: the JPEG comment
// starts empty on each thread, and the codecs are reentrant. The setup value
// is not used.
void ImgInitialize(uint32_t) {}

void ImgGetVersion(std::string *version)
{
    if (!version)
        return;
    // libjpeg-turbo and giflib give their release numbers only to the
    // compiler; the others are asked at run time.
    *version = "ImgLib 1.0; libjpeg-turbo " IMG_TEXT(LIBJPEG_TURBO_VERSION);
    *version += "; libpng ";
    *version += png_get_libpng_ver(nullptr);
    *version += "; ";
    *version += firstLine(TIFFGetVersion());
    *version += "; giflib " + std::to_string(GIFLIB_MAJOR) + '.' + std::to_string(GIFLIB_MINOR) + '.'
                + std::to_string(GIFLIB_RELEASE);
    *version += "; Qt ";
    *version += qVersion();
}
