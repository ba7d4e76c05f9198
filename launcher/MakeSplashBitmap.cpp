// Paints "Splash.bmp", the launcher's picture, and writes it as a 24-bit
// bottom-up Windows BMP file to the path given as the only argument. Run by
// the build; not shipped.

#include <QCoreApplication>
#include <QSaveFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdint>
#include <cstdio>

namespace {

constexpr int Width = 600;
constexpr int Height = 328;

// A framed picture of hills under a sun, a stack of thumbnails beside it, on
// the window's grey; the right side stays plain for the texts over it.
QImage paintSplash()
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(QColor(78, 78, 78));
    QPainter canvas(&image);
    canvas.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, Width, 0);
    shade.setColorAt(0, QColor(40, 44, 60));
    shade.setColorAt(0.55, QColor(78, 78, 78));
    canvas.fillRect(0, 0, Width, Height, shade);

    // Three thumbnails fanned out, the front one a landscape.
    const QColor frames[] = {QColor(180, 170, 150), QColor(210, 200, 180), QColor(245, 240, 230)};
    for (int index = 0; index < 3; ++index) {
        canvas.save();
        canvas.translate(120 + index * 14, 170 - index * 10);
        canvas.rotate(-14 + index * 9);
        canvas.setPen(QPen(QColor(30, 30, 30), 2));
        canvas.setBrush(frames[index]);
        canvas.drawRect(-80, -60, 160, 120);
        canvas.restore();
    }
    canvas.save();
    canvas.translate(148, 150);
    canvas.rotate(4);
    const QRectF view(-70, -50, 140, 100);
    QLinearGradient sky(view.topLeft(), view.bottomLeft());
    sky.setColorAt(0, QColor(60, 100, 200));
    sky.setColorAt(1, QColor(250, 190, 120));
    canvas.fillRect(view, sky);
    QRadialGradient sun(QPointF(30, -10), 22);
    sun.setColorAt(0, QColor(255, 245, 200));
    sun.setColorAt(1, QColor(255, 210, 90, 0));
    canvas.fillRect(view, sun);
    QPainterPath hill(view.bottomLeft());
    hill.quadTo(QPointF(-20, -10), QPointF(70, 25));
    hill.lineTo(view.bottomRight());
    hill.closeSubpath();
    canvas.fillPath(hill, QColor(60, 130, 70));
    canvas.restore();

    canvas.setPen(QPen(QColor(120, 120, 130), 1));
    canvas.drawLine(196, 64, 588, 64);
    return image;
}

void put16(QByteArray &bytes, uint16_t value)
{
    bytes.append(char(value & 0xFF)).append(char(value >> 8));
}

void put32(QByteArray &bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((value >> shift) & 0xFF));
}

// The file: a 14-byte file header, a 40-byte information header, then the
// rows from the bottom up, blue-green-red, each padded to four bytes.
QByteArray bmpFile(const QImage &image)
{
    const uint32_t stride = (uint32_t(image.width()) * 3 + 3) & ~3u;
    const uint32_t bitsBytes = stride * uint32_t(image.height());
    QByteArray bytes;
    bytes.append("BM");
    put32(bytes, 54 + bitsBytes);
    put32(bytes, 0);
    put32(bytes, 54);
    put32(bytes, 40);
    put32(bytes, uint32_t(image.width()));
    put32(bytes, uint32_t(image.height()));
    put16(bytes, 1);
    put16(bytes, 24);
    put32(bytes, 0);
    put32(bytes, bitsBytes);
    put32(bytes, 2835);
    put32(bytes, 2835);
    put32(bytes, 0);
    put32(bytes, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            row.append(char(qBlue(pixel))).append(char(qGreen(pixel))).append(char(qRed(pixel)));
        }
        row.append(QByteArray(int(stride) - row.size(), '\0'));
        bytes.append(row);
    }
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeSplashBitmap FILE\n");
        return 2;
    }
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(bmpFile(paintSplash())) < 0 || !file.commit()) {
        std::fprintf(stderr, "MakeSplashBitmap: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
