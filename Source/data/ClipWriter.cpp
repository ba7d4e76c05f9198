#include "ClipWriter.h"

#include <lib/AviFile.h>
#include <lib/Path.h>
#include <platform/HostPath.h>

#include <cstdio>
#include <filesystem>
#include <string>

int WriteClip(int argc, char **argv, const char *name, QSize size, int frames, int rate,
              const std::function<QImage(int frame)> &draw)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const std::string hostPath = std::filesystem::absolute(argv[1]).lexically_normal().string();
    const CPath path(WindowsPathFromHost(hostPath).c_str());
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = size.width();
    format.biHeight = size.height();
    format.biPlanes = 1;
    format.biBitCount = 24;
    CAviFile avi;
    TAviResult result = avi.OpenWrite(path, &format, name, "DIB ", rate);
    for (int frame = 0; frame < frames && result == aviSuccess; ++frame) {
        // Bitmap rows: bottom-up, blue first, each padded to 4 bytes as QImage pads them too.
        const QImage rows = draw(frame).convertToFormat(QImage::Format_BGR888).mirrored();
        result = avi.WriteFrame(rows.constBits(), uint32_t(rows.sizeInBytes()), nullptr);
    }
    const TAviResult closed = avi.Close();
    if (result == aviSuccess)
        result = closed;
    if (result != aviSuccess) {
        std::fprintf(stderr, "%s: %s\n", hostPath.c_str(), CAviFile::GetErrorMessage(result));
        return 1;
    }
    return 0;
}
