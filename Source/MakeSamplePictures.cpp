// Paints the sample pictures that the organiser ships beside itself, into the
// folder given as the only argument: "Preview.jpg", the picture of the
// thumbnail appearance window's previews. Run by the build; not shipped.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

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
    return 0;
}
