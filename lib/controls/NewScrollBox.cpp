#include "NewScrollBox.h"

#include "Edge.h"

#include <platform/SystemMetrics.h>

#include <QPainter>

#include <algorithm>

TNewScrollClient::TNewScrollClient(TNewScrollBox *box)
    : QWidget(box)
    , m_box(box)
{
    setFocusPolicy(Qt::ClickFocus);
    // Painting covers every pixel, so nothing is erased first (no flicker).
    setAttribute(Qt::WA_OpaquePaintEvent);
}

const StdPalette *TNewScrollClient::GetPalette() const
{
    return m_box->GetPalette();
}

void TNewScrollClient::Paint(QPainter &)
{
}

void TNewScrollClient::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    const QPixmap &bitmap = m_box->Bitmap();
    if (bitmap.width() >= 1 && bitmap.height() >= 1)
        canvas.drawTiledPixmap(rect(), bitmap);
    else
        canvas.fillRect(rect(), palette().color(QPalette::Window));
    Paint(canvas);
}

TMyNewScrollBar::TMyNewScrollBar(TNewScrollBox *box, TScrollBarKind kind)
    : TNewScrollBar(box)
    , m_box(box)
{
    SetKind(kind);
}

void TMyNewScrollBar::ShowScrollBar(bool show)
{
    m_box->ShowScrollBar(Kind(), show);
}

void TMyNewScrollBar::SetPosition(int value)
{
    value = ClampPos(value);
    if (value == Position())
        return;
    TNewScrollBar::SetPosition(value);
    repaint();
}

TNewScrollBox::TNewScrollBox(QWidget *parent)
    : QWidget(parent)
    , m_client(new TNewScrollClient(this))
    , m_vertScrollBar(new TMyNewScrollBar(this, sbVertical))
    , m_horzScrollBar(new TMyNewScrollBar(this, sbHorizontal))
{
    m_vertScrollBar->setObjectName(QStringLiteral("VertScrollBar"));
    m_horzScrollBar->setObjectName(QStringLiteral("HorzScrollBar"));
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_client);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(128, 128);
    applyBorder();
    layOut();
}

// The sunken edge of a single border lies outside the client area.
void TNewScrollBox::applyBorder()
{
    const bool single = m_borderStyle == bsSingle;
    const int edgeX = single ? GetSystemMetrics(SM_CXEDGE) : 0;
    const int edgeY = single ? GetSystemMetrics(SM_CYEDGE) : 0;
    setContentsMargins(edgeX, edgeY, edgeX, edgeY);
}

void TNewScrollBox::layOut()
{
    PositionScrollBars();
    SetClientShape();
}

void TNewScrollBox::SetClient(TNewScrollClient *client)
{
    delete m_client;   // the box owns its client
    m_client = client;
    m_client->setParent(this);
    m_client->show();
    setFocusProxy(m_client);
    SetClientShape();
}

void TNewScrollBox::SetCornerStyle(TCornerStyle value)
{
    if (value == m_cornerStyle)
        return;
    m_cornerStyle = value;
    PositionScrollBars();
    SetClientShape();
    update();
}

void TNewScrollBox::SetBorderStyle(TBorderStyle value)
{
    if (value == m_borderStyle)
        return;
    m_borderStyle = value;
    applyBorder();
    layOut();
    update();
}

void TNewScrollBox::SetBitmap(const QPixmap &bitmap)
{
    m_bitmap = bitmap;
    Invalidate();
    update();
}

void TNewScrollBox::ShowScrollBar(TScrollBarKind kind, bool show)
{
    TMyNewScrollBar *bar = kind == sbVertical ? m_vertScrollBar : m_horzScrollBar;
    if (bar->isHidden() != show)
        return;
    bar->setVisible(show);
    SetClientShape();
    PositionScrollBars();
}

void TNewScrollBox::Invalidate()
{
    m_client->update();
}

// How far to move a bar so that [start, end) shows within [0, visible): the
// least that brings its far end in, but never past its near end.
static int scrollIntoView(int start, int end, int visible)
{
    if (start < 0)
        return start;
    if (end <= visible)
        return 0;
    if (end - start > visible)
        end = visible + start;
    return end - visible;
}

void TNewScrollBox::ScrollInView(QWidget *control)
{
    const QPoint topLeft = m_client->mapFromGlobal(control->mapToGlobal(QPoint(0, 0)));
    ScrollInView(QRect(topLeft, control->size()));
}

void TNewScrollBox::ScrollInView(const QRect &rect)
{
    // Against the client area, not the box: a bar covers what lies under it.
    const int dx = scrollIntoView(rect.left(), rect.left() + rect.width(), m_client->width());
    const int dy = scrollIntoView(rect.top(), rect.top() + rect.height(), m_client->height());
    if (dx != 0)
        m_horzScrollBar->SetPosition(m_horzScrollBar->Position() + dx);
    if (dy != 0)
        m_vertScrollBar->SetPosition(m_vertScrollBar->Position() + dy);
}

void TNewScrollBox::SetClientShape()
{
    const QRect area = ClientRect();
    const int width = area.width() - (m_vertScrollBar->isHidden() ? 0 : m_vertScrollBar->width());
    const int height = area.height() - (m_horzScrollBar->isHidden() ? 0 : m_horzScrollBar->height());
    m_client->setGeometry(area.left(), area.top(), std::max(width, 0), std::max(height, 0));
    m_client->update();
}

void TNewScrollBox::PositionScrollBars()
{
    m_vertScrollBar->AutoSize();
    m_horzScrollBar->AutoSize();
    const QRect area = ClientRect();
    const int vertWidth = m_vertScrollBar->width();
    const int horzHeight = m_horzScrollBar->height();
    // The corner square belongs to the vertical bar unless the horizontal one has it.
    const int cornerHeight = m_cornerStyle == csVertical || m_horzScrollBar->isHidden() ? 0 : horzHeight;
    const int cornerWidth = m_cornerStyle == csHorizontal || m_vertScrollBar->isHidden() ? 0 : vertWidth;
    m_vertScrollBar->setGeometry(area.left() + area.width() - vertWidth, area.top(), vertWidth,
                                 std::max(area.height() - cornerHeight, 0));
    m_horzScrollBar->setGeometry(area.left(), area.top() + area.height() - horzHeight,
                                 std::max(area.width() - cornerWidth, 0), horzHeight);
}

void TNewScrollBox::Paint(QPainter &canvas)
{
    if (m_borderStyle == bsSingle)
        PaintEdge(canvas, rect(), false);
    if (m_vertScrollBar->isHidden() || m_horzScrollBar->isHidden())
        return;
    const QRect area = ClientRect();
    const QRect corner(m_client->geometry().bottomRight() + QPoint(1, 1), area.bottomRight());
    if (m_cornerStyle != csColor && m_cornerStyle != csBitmap)
        return;   // a bar covers the corner
    // Under the bitmap too, in case it is smaller than the corner.
    canvas.fillRect(corner, palette().color(QPalette::Window));
    if (m_cornerStyle == csBitmap) {
        canvas.setClipRect(corner);
        canvas.drawPixmap(corner.topLeft(), m_bitmap);
    }
}

void TNewScrollBox::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    Paint(canvas);
}

void TNewScrollBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}
