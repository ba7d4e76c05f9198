// The JPEG reader on arbitrary bytes: its size query, a read reduced in the
// DCT, then a whole read. The reduced read's output is small, so that what
// libjpeg allocates for the whole image shows before our own pixels do.

#include <lib/imaging/ImgLib.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ImgInitialize(0);
    HIMGSRC source = ImgOpenMemorySource(data, uint32_t(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, bits = 0;
    ImgGetJPGDims(source, &width, &height, &bits);
    ImgSeek(source, 0, 0);
    uint32_t fullWidth = 0, fullHeight = 0;
    if (HGLOBAL rgb = ImgReadJPGToRGBReduced(source, 1, 1, &width, &height, &fullWidth, &fullHeight))
        GlobalFree(rgb);
    ImgSeek(source, 0, 0);
    if (HGLOBAL rgb = ImgReadJPGToRGB(source, &width, &height))
        GlobalFree(rgb);
    ImgCloseSource(source);
    return 0;
}
