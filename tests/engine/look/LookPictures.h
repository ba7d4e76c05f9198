#pragma once

// Pictures for the look programs, made in memory with our own JPEG writer.

#include <lib/imaging/ImgLib.h>

#include <QColor>
#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// A JPEG of width by height whose pixel at (x, y) is colourAt(x, y).
inline std::vector<uint8_t> LookJpeg(uint32_t width, uint32_t height,
                                     const std::function<QColor(uint32_t x, uint32_t y)> &colourAt)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const QColor colour = colourAt(x, y);
            uint8_t *pixel = &rgb[(size_t(y) * width + x) * 3];
            pixel[0] = uint8_t(colour.red());
            pixel[1] = uint8_t(colour.green());
            pixel[2] = uint8_t(colour.blue());
        }
    }
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 90, 0));
    ImgCloseDest(destination);
    return jpeg;
}

inline bool WriteLookFile(const QString &hostPath, const std::vector<uint8_t> &bytes)
{
    QFile file(hostPath);
    return file.open(QIODevice::WriteOnly)
           && file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}
