#include "Edge.h"

#include <platform/SystemMetrics.h>

#include <QPainter>
#include <QRect>

// A one-pixel frame just inside rect: its top and left in one colour, its
// bottom and right (with both far corners) in the other.
static void paintFrame(QPainter &canvas, const QRect &rect, const QColor &topLeft, const QColor &bottomRight)
{
    if (rect.isEmpty())
        return;
    canvas.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
    canvas.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
    canvas.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
    canvas.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
}

void PaintEdge(QPainter &canvas, const QRect &rect, bool raised)
{
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    if (raised) {
        paintFrame(canvas, rect, SysColour(COLOR_3DLIGHT), SysColour(COLOR_3DDKSHADOW));
        paintFrame(canvas, inner, SysColour(COLOR_BTNHIGHLIGHT), SysColour(COLOR_BTNSHADOW));
        return;
    }
    paintFrame(canvas, rect, SysColour(COLOR_BTNSHADOW), SysColour(COLOR_BTNHIGHLIGHT));
    paintFrame(canvas, inner, SysColour(COLOR_3DDKSHADOW), SysColour(COLOR_3DLIGHT));
}
