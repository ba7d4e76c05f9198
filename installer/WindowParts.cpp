#include "WindowParts.h"

#include <QLabel>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap SidePicture(int width, int height)
{
    QPixmap picture(width, height);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(24, 40, 96));
    sky.setColorAt(0.7, QColor(200, 120, 80));
    painter.fillRect(picture.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 236, 180));
    painter.drawEllipse(QPointF(width * 0.65, height * 0.55), width * 0.12, width * 0.12);
    const QColor hills[] = {QColor(60, 90, 60), QColor(36, 60, 40)};
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath hill;
        const double base = height * (0.62 + 0.12 * layer);
        hill.moveTo(0, height);
        hill.lineTo(0, base);
        hill.cubicTo(width * 0.3, base - height * 0.08, width * 0.6, base + height * 0.06, width, base - height * 0.03);
        hill.lineTo(width, height);
        painter.setBrush(hills[layer]);
        painter.drawPath(hill);
    }
    return picture;
}

QLabel *WrappedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
