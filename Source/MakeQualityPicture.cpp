// Draws the sample picture of the JPEG preferences, "Quality.bmp": smooth
// gradients, hard edges, fine lines and a patch of noise, where the loss of
// each compression level shows. Run at build time with the file to write.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cstdio>
#include <random>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeQualityPicture FILE.bmp\n");
        return 2;
    }
    QImage picture(640, 480, QImage::Format_RGB888);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 480);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.6, QColor(230, 200, 150));
    sky.setColorAt(1, QColor(90, 60, 30));
    painter.fillRect(picture.rect(), sky);

    QRadialGradient sun(470, 150, 90);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(1, QColor(255, 140, 40, 0));
    painter.setBrush(sun);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(470, 150), 90, 90);

    // Saturated blocks with hard edges: chroma subsampling blurs them.
    const QColor blocks[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan, Qt::white, Qt::black};
    for (int i = 0; i < 8; ++i)
        painter.fillRect(20 + i * 36, 30, 32, 32, blocks[i]);

    // Fine lines and a fan of spokes: ringing shows around them.
    painter.setPen(QPen(Qt::black, 1));
    for (int x = 20; x < 300; x += 3)
        painter.drawLine(x, 90, x, 150);
    for (int angle = 0; angle < 180; angle += 6)
        painter.drawLine(QLineF::fromPolar(110, angle).translated(320, 240));

    // In the middle, which the preview shows: a checkerboard and a noise
    // patch, detail that costs bytes.
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            painter.fillRect(330 + x * 12, 250 + y * 12, 12, 12, (x + y) % 2 ? Qt::white : Qt::darkBlue);
    }
    painter.end();
    std::mt19937 random(7);
    for (int y = 250; y < 346; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 214; x < 310; ++x) {
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] = uchar(random() & 0xFF);
        }
    }
    return picture.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
