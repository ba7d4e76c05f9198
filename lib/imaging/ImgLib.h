#pragma once

#include <platform/GlobalMemory.h>
#include <platform/Types.h>

#include <cstdint>
#include <string>

// The imaging library. Images are top-down RGB buffers, 3 bytes per pixel in
// the order red, green, blue, no row padding. Sources and destinations are
// opaque handles, null on failure, closed after use. An rgb block is a global
// memory block of width x height x 3 bytes that its receiver frees with
// GlobalFree. File names are Windows paths (UTF-8). Each thread calls
// ImgInitialize before its first call. Readers refuse images of more than
// ImgMaxPixels pixels and fail cleanly (null or 0) on truncated or hostile
// files.
struct ImgSourceObject;
struct ImgDestObject;
using HIMGSRC = ImgSourceObject *;
using HIMGDEST = ImgDestObject *;

// A colour as Windows packs it: red | green << 8 | blue << 16.
using COLORREF = DWORD;

constexpr uint64_t ImgMaxPixels = uint64_t(1) << 28;

// Content guesses of ImgGuessFileType.
enum ImgFileType : uint32_t {
    ImgTypeUnknown = 0,
    ImgTypeBMP = 1,
    ImgTypeGIF = 2,
    ImgTypeJPG = 3,
    ImgTypePNG = 4,
    ImgTypePCX = 5,
    ImgTypeTIFF = 6,
    ImgTypeWMF = 7,
    ImgTypeEMF = 8,
};

HIMGSRC ImgOpenFileSource(const char *fileName);
// The buffer must outlive the source; it is never written.
HIMGSRC ImgOpenMemorySource(const void *buffer, uint32_t size);
BOOL ImgCloseSource(HIMGSRC source);
// Creates or truncates the file.
HIMGDEST ImgOpenFileDest(const char *fileName);
// Writes into buffer; a write that would not fit writes nothing and the
// writer answers 0.
HIMGDEST ImgOpenMemoryDest(void *buffer, uint32_t size);
// False when the last bytes could not be written out.
BOOL ImgCloseDest(HIMGDEST destination);

uint32_t ImgGuessFileType(HIMGSRC source);
// origin 0 from the start, 1 from the position, 2 from the end.
BOOL ImgSeek(HIMGSRC source, int32_t offset, int32_t origin);

HGLOBAL ImgReadBMPToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadGIFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadJPGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadPCXToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadPNGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadTGAToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadTIFFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
// width and height: the wanted size in, the result's size out.
HGLOBAL ImgReadMetafileToRGB(const char *fileName, uint32_t *width, uint32_t *height, COLORREF background);

BOOL ImgGetBMPDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);
BOOL ImgGetGIFDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);
BOOL ImgGetJPGDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *unused);
BOOL ImgGetPCXDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);
BOOL ImgGetPNGDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);
BOOL ImgGetTGADims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);
BOOL ImgGetTIFFDims(HIMGSRC source, uint32_t *width, uint32_t *height, uint32_t *bits);

// Each answers the bytes written, 0 on failure.
uint32_t ImgWriteRGBToBMP(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height);
uint32_t ImgWriteRGBToTGA(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height);
uint32_t ImgWriteRGBToPCX(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height);
uint32_t ImgWriteRGBToEMF(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height);
uint32_t ImgWriteRGBToPNG(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height,
                          uint32_t reserved1, uint32_t reserved2);
uint32_t ImgWriteRGBToJPG(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height,
                          uint32_t quality, uint32_t flag);

BOOL ImgCopyBuffer(const uint8_t *source, uint32_t sourceRowBytes, uint32_t rows, uint32_t destinationRowBytes,
                   uint8_t *destination);
BOOL ImgVertFlipBuf(uint8_t *buffer, uint32_t rowBytes, uint32_t rows);
BOOL ImgRGBToBGR(uint8_t *rgb, uint32_t width, uint32_t height);
BOOL ImgFlipHorizontalRGB(uint8_t *rgb, uint32_t width, uint32_t height);
BOOL ImgRGBToGrayScale24(uint8_t *rgb, uint32_t width, uint32_t height);
// In place; codes 0 and 2 swap width and height.
BOOL ImgQuickRotateRGB(uint8_t *rgb, uint32_t width, uint32_t height, uint32_t code);
HGLOBAL ImgRotateRGB(const uint8_t *rgb, uint32_t width, uint32_t height, double angle, COLORREF background,
                     uint32_t *newWidth, uint32_t *newHeight);
BOOL ImgBlurRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount);
BOOL ImgSharpenRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount);
BOOL ImgApplyBrightnessContrastToRGB(uint8_t *rgb, uint32_t width, uint32_t height, double brightness,
                                     double contrast);
// The caller allocates output (outputWidth x outputHeight x 3 bytes).
BOOL ImgResizeRGB(const uint8_t *input, uint32_t inputWidth, uint32_t inputHeight, uint8_t *output,
                  uint32_t outputWidth, uint32_t outputHeight);

void ImgInitialize(uint32_t setup);
// The comment written into this thread's JPEG files.
void ImgClearJPGOutputText();
void ImgAddJPGOutputText(const char *text);
// Names the library and the codec libraries with their versions.
void ImgGetVersion(std::string *version);
