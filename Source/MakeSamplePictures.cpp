// Paints the sample pictures that the organiser ships beside itself, into the
// folder given as the only argument: "Preview.jpg", the picture of the
// thumbnail appearance window's previews, and "Quality.bmp", the JPEG
// preferences' sample. Run by the build; not shipped.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

// A lake under hills at dusk, with a tree and a boat: fine detail and smooth
// gradients, so that sharpness and draft quality show in a thumbnail.
QImage paintPreview()
{
    constexpr int Width = 640;
    constexpr int Height = 480;
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter canvas(&image);
    canvas.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(38, 70, 150));
    sky.setColorAt(0.7, QColor(240, 160, 110));
    sky.setColorAt(1, QColor(250, 210, 150));
    canvas.fillRect(0, 0, Width, 300, sky);
    QRadialGradient sun(QPointF(450, 250), 60);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(0.4, QColor(255, 220, 120));
    sun.setColorAt(1, QColor(255, 220, 120, 0));
    canvas.fillRect(QRect(390, 190, 120, 120), sun);

    const auto hills = [&](int base, int amplitude, int period, const QColor &colour) {
        QPainterPath path(QPointF(0, Height));
        for (int x = 0; x <= Width; x += 8)
            path.lineTo(x, base - amplitude * (0.5 + 0.5 * std::sin(x * 6.283 / period + base)));
        path.lineTo(Width, Height);
        path.closeSubpath();
        canvas.fillPath(path, colour);
    };
    hills(270, 90, 420, QColor(90, 80, 120));
    hills(300, 60, 260, QColor(50, 80, 70));

    QLinearGradient water(0, 300, 0, Height);
    water.setColorAt(0, QColor(200, 140, 110));
    water.setColorAt(1, QColor(20, 40, 80));
    canvas.fillRect(0, 300, Width, Height - 300, water);
    canvas.setPen(QPen(QColor(255, 230, 180, 140), 2));
    for (int y = 310; y < Height; y += 9)
        canvas.drawLine(420 - (y - 300) / 3, y, 480 + (y - 300) / 3, y);

    canvas.setPen(Qt::NoPen);
    canvas.setBrush(QColor(60, 40, 25));
    canvas.drawRect(96, 200, 14, 130);
    canvas.setBrush(QColor(30, 70, 40));
    for (int layer = 0; layer < 5; ++layer)
        canvas.drawEllipse(QPointF(103, 190 - layer * 22), 60 - layer * 9, 30);
    canvas.setBrush(QColor(120, 50, 30));
    QPainterPath boat(QPointF(250, 380));
    boat.lineTo(330, 380);
    boat.lineTo(315, 395);
    boat.lineTo(262, 395);
    boat.closeSubpath();
    canvas.drawPath(boat);
    canvas.setPen(QPen(QColor(240, 240, 230), 2));
    canvas.drawLine(290, 380, 290, 330);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(QColor(245, 240, 225));
    canvas.drawPolygon(QPolygonF({QPointF(292, 332), QPointF(292, 376), QPointF(322, 376)}));
    return image;
}

// Smooth gradients, hard edges, fine lines and a patch of noise, where the
// loss of each compression level shows.
QImage paintQuality()
{
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
    return picture;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeSamplePictures FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!paintPreview().save(folder.filePath(QStringLiteral("Preview.jpg")), "JPEG", 90)) {
        std::fprintf(stderr, "MakeSamplePictures: cannot write Preview.jpg\n");
        return 1;
    }
    if (!paintQuality().save(folder.filePath(QStringLiteral("Quality.bmp")), "BMP")) {
        std::fprintf(stderr, "MakeSamplePictures: cannot write Quality.bmp\n");
        return 1;
    }
    return 0;
}
