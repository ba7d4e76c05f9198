// Writes "Engine.avi", the animation that the batch window plays while a run
// is busy: two meshing gears turning, drawn here and written with our own
// uncompressed AVI writer.
//     MakeEngineAvi FILE
// FILE is a host path. The clip loops without a jump: over its frames the
// large gear turns by one tooth, and so does the small one that it drives.

#include "ClipWriter.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QtMath>

namespace {

constexpr int Width = 64;
constexpr int Height = 48;
constexpr int Frames = 12;
constexpr int Rate = 12;

struct Gear
{
    QPointF centre;
    double radius;   // to the teeth's tips
    int teeth;
    QColor colour;
};

// A gear turned by angle degrees: trapezoid teeth round a disc, with a hub.
void drawGear(QPainter &painter, const Gear &gear, double angle)
{
    const double root = gear.radius * 0.78;
    QPainterPath outline;
    for (int tooth = 0; tooth < gear.teeth; ++tooth) {
        const double step = 360.0 / gear.teeth;
        const double base = angle + tooth * step;
        const double corners[4][2] = {
            {base, root}, {base + step * 0.15, gear.radius}, {base + step * 0.45, gear.radius}, {base + step * 0.6, root}};
        for (const auto &corner : corners) {
            const QPointF point = gear.centre + QPointF(qCos(qDegreesToRadians(corner[0])) * corner[1],
                                                        qSin(qDegreesToRadians(corner[0])) * corner[1]);
            if (outline.elementCount() == 0)
                outline.moveTo(point);
            else
                outline.lineTo(point);
        }
    }
    outline.closeSubpath();
    outline.addEllipse(gear.centre, gear.radius * 0.22, gear.radius * 0.22);
    outline.setFillRule(Qt::OddEvenFill);
    painter.setPen(QPen(gear.colour.darker(170), 1));
    painter.setBrush(gear.colour);
    painter.drawPath(outline);
}

QImage drawFrame(int frame)
{
    QImage image(Width, Height, QImage::Format_RGB888);
    image.fill(QColor(212, 208, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const Gear large{{24, 24}, 20, 10, QColor(70, 110, 180)};
    const Gear small{{50.5, 17}, 12, 6, QColor(200, 140, 50)};
    const double largeTurn = 360.0 / large.teeth * frame / Frames;
    // Meshing gears turn the other way, by the ratio of their teeth.
    const double smallTurn = -largeTurn * large.teeth / small.teeth + 15;
    drawGear(painter, large, largeTurn);
    drawGear(painter, small, smallTurn);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    return WriteClip(argc, argv, "Engine", QSize(Width, Height), Frames, Rate, drawFrame);
}
