// The PNG reader on arbitrary bytes: its size query, then a whole read.

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
    ImgGetPNGDims(source, &width, &height, &bits);
    ImgSeek(source, 0, 0);
    if (HGLOBAL rgb = ImgReadPNGToRGB(source, &width, &height))
        GlobalFree(rgb);
    ImgCloseSource(source);
    return 0;
}
