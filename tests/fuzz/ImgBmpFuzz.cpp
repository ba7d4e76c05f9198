// The BMP reader on arbitrary bytes: its size query, then a whole read.

#include "ImgReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return FuzzImageReader(data, size, ImgGetBMPDims, ImgReadBMPToRGB);
}
