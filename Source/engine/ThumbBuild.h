#pragma once

#include "ThumbBitmap.h"

#include <lib/Path.h>
#include <lib/Rect.h>
#include <lib/imaging/ImgLib.h>
#include <platform/Types.h>

#include <cstdint>
#include <vector>

class CPicture;
class QImage;

// Building thumbnails: the box-filter resampler (which the image signature
// uses too), JPEG compression and colour statistics of a thumbnail, and the
// thumbnail panel's background texture. Any thread unless a function says
// otherwise.

// A thumbnail's colour statistics as its record keeps them, each 0..65535.
struct TThumbColourStatistics
{
    uint16_t hue = CThumbBitmap::NotComputed;
    uint16_t saturation = CThumbBitmap::NotComputed;
    uint16_t brightness = CThumbBitmap::NotComputed;
    uint16_t temperature = CThumbBitmap::NotComputed;   // 0 all red, 65535 all blue
};

// What one MakeThumbnail made, for the record to take under its lock as the
// build ends. Pending (the default) gives the claim back with no data.
struct TThumbBuild
{
    TThumbState state = TThumbState::Pending;
    int32_t buildTime = 0;   // milliseconds

    // The rest only for a loaded build.
    std::vector<uint8_t> jpeg;
    CSize thumbnailSize;
    TThumbColourStatistics statistics;
    int32_t imageWidth = 0;   // the image's own size, not the decoded one
    int32_t imageHeight = 0;
    int16_t bits = 0;
    uint32_t fileSize = 0;    // the file as it was when decoded
    FILETIME modified{};
};

// Box filter from a source of sourceWidth x sourceHeight RGB pixels (rows
// sourceStride bytes apart) to destinationWidth x destinationHeight pixels
// (rows destinationStride bytes apart). Each channel of a destination pixel is
// the area-weighted mean of the source pixels under it, truncated. swap
// exchanges bytes 0 and 2 (BGR to RGB); flip writes destination row y to row
// destinationHeight - 1 - y. Enlarging works too. An empty source, or one of
// more than ImgMaxPixels pixels, gives black; an empty destination is left alone.
void ResampleRGB(const uint8_t *source, int sourceWidth, int sourceHeight, bool swap, bool flip,
                 int destinationStride, int destinationHeight, int destinationWidth, uint8_t *destination,
                 int sourceStride);

// A decoded picture at size (its thumbnail's), RGB: with draft one quick
// resize, otherwise a box-filter resample then a sharpen of sharpness
// (0..100; 0 leaves it). picture must hold a buffer.
std::vector<uint8_t> ShrinkPicture(const CPicture &picture, CSize size, bool draft, int sharpness);

// The size x 3 bytes of rgb as JPEG, with the quality and encoding of the Jpeg
// options; empty when it cannot be written. InitGlobals must have run.
std::vector<uint8_t> EncodeJpegToMemory(const uint8_t *rgb, CSize size);
// The same with quality (1..100) and encoding given. The output grows with
// what the encoder writes, so no picture outgrows a buffer sized in advance.
std::vector<uint8_t> EncodeJpegToMemory(const uint8_t *rgb, CSize size, int quality, bool progressive);

// The average colour of pixelCount RGB pixels as hue, saturation, brightness
// and colour temperature.
TThumbColourStatistics ThumbColourStatistics(const uint8_t *rgb, int64_t pixelCount);

// Moves each byte of pixelCount RGB pixels strength percent of the way
// towards the tint's byte for its channel (red is the tint's low byte).
// Answers the mean of all the bytes afterwards, 0..255.
int TintRGB(uint8_t *rgb, int64_t pixelCount, COLORREF tint, int strength);

// Window thread, under the hourglass: the panel background from the picture
// at path, flipped and made grey as asked, tinted, and cut down to at most
// maxWidth x maxHeight by resampling, into target. A path without a picture
// that decodes gives a 118 x 64 texture of the desktop palette's base colour
// (COLOR_WINDOW), tinted.
void LoadPanelTexture(const CPath &path, QImage &target, COLORREF tint, int maxWidth, int maxHeight, bool greyscale,
                      bool flipVertical, bool flipHorizontal, int strength);
