#include "TexturedPanel.h"

#include <QPainter>

TTexturedPanel::TTexturedPanel(QWidget *parent) : QWidget(parent) {}

void TTexturedPanel::SetBitmap(const QPixmap &bitmap)
{
    m_bitmap = bitmap;
    update();
}

void TTexturedPanel::paintEvent(QPaintEvent *)
{
    const int tileWidth = m_bitmap.width();
    const int tileHeight = m_bitmap.height();
    if (tileWidth <= 0 || tileHeight <= 0)
        return;
    QPainter canvas(this);
    // From one tile before the origin to one past the far edge, row by row.
    for (int y = -tileHeight; y < height() + tileHeight; y += tileHeight)
        for (int x = -tileWidth; x < width() + tileWidth; x += tileWidth)
            canvas.drawPixmap(x, y, m_bitmap);
}
