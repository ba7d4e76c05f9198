// The AVI reader on arbitrary bytes: the stream's details, the first frames
// in order, then frames out of order, which seek. It reads a file by name,
// so each input is written to a file of a temporary folder first.

#include "FuzzInputFile.h"

#include <lib/AviFile.h>

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

const FuzzInputFile &input()
{
    static const FuzzInputFile file(QStringLiteral("input.avi"));
    return file;
}

void readFrame(CAviFile &avi, int frame)
{
    unsigned char *rgb = nullptr;
    unsigned width = 0, height = 0, bits = 0;
    if (avi.ReadFrame(frame, rgb, width, height, bits) == aviSuccess)
        delete[] rgb;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!input().write(data, size))
        return 0;

    CAviFile avi;
    if (avi.OpenRead(input().path()) != aviSuccess)
        return 0;
    AviStreamInfo info;
    if (avi.GetStreamInfo(&info) != aviSuccess)
        return 0;
    BITMAPINFOHEADER format;
    avi.GetFrameInfo(0, &format);
    const int frames = int(std::min<uint32_t>(info.length, 0x7FFFFFFF));
    for (int n = 0; n < std::min(frames, 4); ++n)
        readFrame(avi, n);
    for (const int n : {frames - 1, frames / 2, 1, 0})
        readFrame(avi, n);
    return 0;
}
