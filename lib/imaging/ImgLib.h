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
// Writes the file under a temporary name beside it. ImgCloseDest puts it in
// place once a writer has succeeded and none has failed; otherwise the old
// file stays as it was and nothing is left. Null when the file cannot be
// written (a folder, a read-only file, a write-protected drive).
HIMGDEST ImgOpenFileDest(const char *fileName);
// Writes into buffer; a write that would not fit writes nothing and the
// writer answers 0.
HIMGDEST ImgOpenMemoryDest(void *buffer, uint32_t size);
// False when the last bytes could not be written out, or a file destination
// did not put its file in place.
BOOL ImgCloseDest(HIMGDEST destination);

uint32_t ImgGuessFileType(HIMGSRC source);
// origin 0 from the start, 1 from the position, 2 from the end.
BOOL ImgSeek(HIMGSRC source, int32_t offset, int32_t origin);

// PNG and TIFF alpha is composited onto white; GIF gives its first frame on
// its logical screen, transparent pixels showing the background colour (white
// without a global colour table); grey, CMYK and YCCK JPEGs read as RGB. A
// JPEG, PNG, GIF or TIFF cut short anywhere in what is read fails.
HGLOBAL ImgReadBMPToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadGIFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadJPGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadPCXToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadPNGToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadTGAToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
HGLOBAL ImgReadTIFFToRGB(HIMGSRC source, uint32_t *width, uint32_t *height);
// For thumbnails: decodes at libjpeg-turbo's smallest DCT scale n/8 whose
// result is at least twice the wanted size in both directions, or at full size
// when no scale is; so the result is never smaller than the wanted size unless
// the image itself is. width, height: the decoded size; fullWidth, fullHeight:
// the image's own. A wanted size of 0 counts as 1.
HGLOBAL ImgReadJPGToRGBReduced(HIMGSRC source, uint32_t wantedWidth, uint32_t wantedHeight, uint32_t *width,
                               uint32_t *height, uint32_t *fullWidth, uint32_t *fullHeight);
// The same for TIFF, where a file carries reduced images of its first page
// (in SubIFDs or in directories marked as reduced): the smallest one at least
// twice the wanted size in both directions that shows the whole page, else
// the first page itself.
HGLOBAL ImgReadTIFFToRGBReduced(HIMGSRC source, uint32_t wantedWidth, uint32_t wantedHeight, uint32_t *width,
                                uint32_t *height, uint32_t *fullWidth, uint32_t *fullHeight);
// width and height: the wanted size in, the result's size out. EMF and WMF
// (placeable or plain); the picture keeps its shape inside the wanted box (a
// wanted size of 0 takes the picture's own, at most 256), on the background
// wherever the metafile draws nothing.
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
// quality 1 to 100 (values outside are taken as the nearer end); a nonzero
// flag writes a progressive JPEG, 0 a baseline one. Both use 2x2 chroma
// subsampling and optimised Huffman tables, and carry this thread's comment.
uint32_t ImgWriteRGBToJPG(HIMGDEST destination, const uint8_t *rgb, uint32_t width, uint32_t height,
                          uint32_t quality, uint32_t flag);

BOOL ImgCopyBuffer(const uint8_t *source, uint32_t sourceRowBytes, uint32_t rows, uint32_t destinationRowBytes,
                   uint8_t *destination);
BOOL ImgVertFlipBuf(uint8_t *buffer, uint32_t rowBytes, uint32_t rows);
BOOL ImgRGBToBGR(uint8_t *rgb, uint32_t width, uint32_t height);
BOOL ImgFlipHorizontalRGB(uint8_t *rgb, uint32_t width, uint32_t height);
BOOL ImgRGBToGrayScale24(uint8_t *rgb, uint32_t width, uint32_t height);
// In place: code 0 a quarter turn clockwise, 1 a half turn, 2 a quarter turn
// anticlockwise; codes 0 and 2 swap width and height.
BOOL ImgQuickRotateRGB(uint8_t *rgb, uint32_t width, uint32_t height, uint32_t code);
// angle in radians, clockwise; the result is just large enough for the turned
// image, its uncovered corners in background.
HGLOBAL ImgRotateRGB(const uint8_t *rgb, uint32_t width, uint32_t height, double angle, COLORREF background,
                     uint32_t *newWidth, uint32_t *newHeight);
// Blur: about a Gaussian of spread amount / 2 pixels. Sharpen: an unsharp mask
// of gain amount / 10. Amount 0 copies; output may be input.
BOOL ImgBlurRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount);
BOOL ImgSharpenRGB(const uint8_t *input, uint32_t width, uint32_t height, uint8_t *output, uint32_t amount);
// Both from -1 to 1 (clamped): brightness adds that share of full scale;
// contrast above 0 stretches away from mid grey, below 0 pulls towards it.
BOOL ImgApplyBrightnessContrastToRGB(uint8_t *rgb, uint32_t width, uint32_t height, double brightness,
                                     double contrast);
// The caller allocates output (outputWidth x outputHeight x 3 bytes).
BOOL ImgResizeRGB(const uint8_t *input, uint32_t inputWidth, uint32_t inputHeight, uint8_t *output,
                  uint32_t outputWidth, uint32_t outputHeight);

// Nothing needs setting up on a thread; kept so that each thread may call it
// first, as callers do. setup is not used.
void ImgInitialize(uint32_t setup);
// The comment written into this thread's JPEG files.
void ImgClearJPGOutputText();
void ImgAddJPGOutputText(const char *text);
// Names the library and the codec libraries with their versions.
void ImgGetVersion(std::string *version);
