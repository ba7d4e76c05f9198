// The AVI reader on arbitrary bytes: the stream's details, the first frames
// in order, then frames out of order, which seek. It reads a file by name,
// so each input is written to a file of a temporary folder first.

#include <lib/AviFile.h>
#include <platform/HostPath.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

std::unique_ptr<QTemporaryDir> inputFolder;
QString inputPath;
std::string inputWindowsPath;

void readFrame(CAviFile &avi, int frame)
{
    unsigned char *rgb = nullptr;
    unsigned width = 0, height = 0, bits = 0;
    if (avi.ReadFrame(frame, rgb, width, height, bits) == aviSuccess)
        delete[] rgb;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    inputFolder = std::make_unique<QTemporaryDir>();
    inputPath = inputFolder->filePath(QStringLiteral("input.avi"));
    inputWindowsPath = WindowsPathFromHost(inputPath.toStdString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(inputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    CAviFile avi;
    if (avi.OpenRead(CPath(inputWindowsPath.c_str())) != aviSuccess)
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
