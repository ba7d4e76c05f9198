// Writes "Movie.avi", the sample that the movie dialog plays: a film strip
// running past, its frames showing a sun crossing a hilly landscape.
//     MakeMovieAvi FILE
// The strip moves by one frame's pitch over the clip, so it loops without a jump.

#include "ClipWriter.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

constexpr int Width = 160;
constexpr int Height = 120;
constexpr int Frames = 24;
constexpr int Rate = 12;
constexpr int Pitch = 80;   // one picture of the strip and its gap

// One picture of the strip at x: the landscape with the sun at turn 0..1.
void drawPicture(QPainter &painter, QRectF picture, double turn)
{
    painter.save();
    painter.setClipRect(picture);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(90, 150, 220));
    sky.setColorAt(1, QColor(200, 225, 245));
    painter.fillRect(picture, sky);
    const double angle = M_PI * (0.15 + 0.7 * turn);
    const QPointF sun(picture.center().x() - qCos(angle) * picture.width() * 0.4,
                      picture.bottom() - qSin(angle) * picture.height() * 0.8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 210, 70));
    painter.drawEllipse(sun, 7, 7);
    QPainterPath hills(QPointF(picture.left(), picture.bottom()));
    for (int step = 0; step <= 16; ++step) {
        const double x = picture.left() + picture.width() * step / 16;
        hills.lineTo(x, picture.bottom() - picture.height() * (0.25 + 0.08 * qSin(step * 0.9)));
    }
    hills.lineTo(picture.bottomRight());
    painter.setBrush(QColor(70, 140, 60));
    painter.drawPath(hills);
    painter.restore();
}

QImage drawFrame(int frame)
{
    QImage image(Width, Height, QImage::Format_RGB888);
    image.fill(QColor(30, 28, 26));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double offset = double(Pitch) * frame / Frames;
    for (int index = -1; index <= Width / Pitch + 1; ++index) {
        const double left = index * Pitch - offset + 6;
        drawPicture(painter, QRectF(left, 20, Pitch - 12, Height - 40), double(frame) / Frames);
    }
    // The sprocket holes along both edges, running with the strip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(235, 230, 220));
    for (double x = -offset; x < Width + 20; x += Pitch / 4.0) {
        painter.drawRoundedRect(QRectF(x + 4, 5, 10, 8), 2, 2);
        painter.drawRoundedRect(QRectF(x + 4, Height - 13, 10, 8), 2, 2);
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    return WriteClip(argc, argv, "Movie", QSize(Width, Height), Frames, Rate, drawFrame);
}
