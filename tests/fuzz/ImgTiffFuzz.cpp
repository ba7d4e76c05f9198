// The TIFF reader on arbitrary bytes: its size query, a whole read, then a
// read for a small preview, which walks the reduced images.

#include "ImgReaderFuzz.h"

namespace {

HGLOBAL readForPreview(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    uint32_t fullWidth = 0, fullHeight = 0;
    return ImgReadTIFFToRGBReduced(source, 1, 1, width, height, &fullWidth, &fullHeight);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzImageReader(data, size, ImgGetTIFFDims, ImgReadTIFFToRGB);
    return FuzzImageReader(data, size, ImgGetTIFFDims, readForPreview);
}
