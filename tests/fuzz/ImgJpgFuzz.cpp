// The JPEG reader on arbitrary bytes: its size query with a read reduced in
// the DCT, then with a whole read. The reduced read's output is small, so
// that what libjpeg allocates for the whole image shows before our own
// pixels do.

#include "ImgReaderFuzz.h"

namespace {

HGLOBAL readReduced(HIMGSRC source, uint32_t *width, uint32_t *height)
{
    uint32_t fullWidth = 0, fullHeight = 0;
    return ImgReadJPGToRGBReduced(source, 1, 1, width, height, &fullWidth, &fullHeight);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzImageReader(data, size, ImgGetJPGDims, readReduced);
    return FuzzImageReader(data, size, ImgGetJPGDims, ImgReadJPGToRGB);
}
