#pragma once

// What a fuzz target does with one image reader: its size query, then a whole
// read, on the same bytes.

#include <lib/imaging/ImgLib.h>

#include <cstddef>
#include <cstdint>

template <typename Query, typename Read>
int FuzzImageReader(const uint8_t *data, size_t size, Query query, Read read)
{
    ImgInitialize(0);
    HIMGSRC source = ImgOpenMemorySource(data, uint32_t(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, bits = 0;
    query(source, &width, &height, &bits);
    ImgSeek(source, 0, 0);
    if (HGLOBAL rgb = read(source, &width, &height))
        GlobalFree(rgb);
    ImgCloseSource(source);
    return 0;
}
