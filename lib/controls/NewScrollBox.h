#pragma once

#include "NewScrollBar.h"

#include <QPixmap>
#include <QWidget>

class QPainter;
class StdPalette;
class TNewScrollBox;

enum TBorderStyle { bsNone, bsSingle };
// Who has the square where the two bars meet: the box's colour, the box's
// bitmap, the horizontal bar (it runs the full width) or the vertical bar.
enum TCornerStyle { csColor, csBitmap, csHorizontal, csVertical };

// The area of a scroll box that shows its content. It paints the box's bitmap
// tiled from its top-left (or, without one, its own palette's window colour),
// then the content through Paint. A click gives it the focus.
class TNewScrollClient : public QWidget
{
    Q_OBJECT

public:
    explicit TNewScrollClient(TNewScrollBox *box);

    TNewScrollBox *Box() const { return m_box; }
    // The box's palette, for palette queries.
    const StdPalette *GetPalette() const;

protected:
    // Subclasses draw their content over the background here; the base draws nothing.
    virtual void Paint(QPainter &canvas);

    void paintEvent(QPaintEvent *event) override;

private:
    TNewScrollBox *m_box;   // the parent
};

// One of a scroll box's two bars: showing or hiding it lays the box out again,
// and a position change repaints it at once.
class TMyNewScrollBar : public TNewScrollBar
{
    Q_OBJECT

public:
    TMyNewScrollBar(TNewScrollBox *box, TScrollBarKind kind);

    void ShowScrollBar(bool show) override;
    void SetPosition(int value) override;

private:
    TNewScrollBox *m_box;   // the parent
};

// A scrolling viewport of the library's own bars: the client area, a vertical
// bar along the right edge, a horizontal bar along the bottom and a corner
// where they meet. The owner scrolls its content when the bars' positions
// change (OnChange); the box only lays out its parts and moves the bars to
// bring something into view. Coordinates are in the box's client area, inside
// its border.
class TNewScrollBox : public QWidget
{
    Q_OBJECT

public:
    explicit TNewScrollBox(QWidget *parent = nullptr);

    TNewScrollClient *Client() const { return m_client; }
    TMyNewScrollBar *VertScrollBar() const { return m_vertScrollBar; }
    TMyNewScrollBar *HorzScrollBar() const { return m_horzScrollBar; }
    const QPixmap &Bitmap() const { return m_bitmap; }
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    TCornerStyle CornerStyle() const { return m_cornerStyle; }
    // Not owned; null until the owner sets one. Realising it does nothing.
    const StdPalette *GetPalette() const { return m_palette; }
    void SetPalette(const StdPalette *palette) { m_palette = palette; }
    // The box's client area in its own pixels: inside the border.
    QRect ClientRect() const { return contentsRect(); }

    // Takes the client, frees the one before and lays the new one out.
    void SetClient(TNewScrollClient *client);
    void SetCornerStyle(TCornerStyle value);
    // Single gives the box a sunken edge.
    void SetBorderStyle(TBorderStyle value);
    // The background tile and the corner picture; an empty one leaves the
    // client its plain colour.
    void SetBitmap(const QPixmap &bitmap);
    void ShowScrollBar(TScrollBarKind kind, bool show);
    void Invalidate();
    // Moves the bars the least that brings control (anywhere inside the box)
    // into the client area; a control larger than the client area gets its
    // left and top edges in.
    void ScrollInView(QWidget *control);
    // The same for a rectangle in the client area's coordinates.
    void ScrollInView(const QRect &rect);
    // The client takes the client area less the visible bars.
    void SetClientShape();
    void PositionScrollBars();

protected:
    // Paints the border and the corner square.
    virtual void Paint(QPainter &canvas);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyBorder();
    void layOut();

    TNewScrollClient *m_client;             // owned as a Qt child
    TMyNewScrollBar *m_vertScrollBar;       // owned as a Qt child
    TMyNewScrollBar *m_horzScrollBar;       // owned as a Qt child
    QPixmap m_bitmap;
    const StdPalette *m_palette = nullptr;
    TBorderStyle m_borderStyle = bsSingle;
    TCornerStyle m_cornerStyle = csColor;
};
