#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class QMenu;
class QPainter;
class QShortcut;
class QWidget;

// Where a point of a window lies, as Windows numbers the parts.
constexpr int HTNOWHERE = 0;
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTMINBUTTON = 8;
constexpr int HTMAXBUTTON = 9;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;
constexpr int HTBORDER = 18;   // the frame of a window that cannot be sized
constexpr int HTCLOSE = 20;

// The cursor over a part: the sizing cursors on the edges and corners of a
// sizing frame, the arrow everywhere else.
Qt::CursorShape SizingCursor(int hitCode);
// The edges a sizing part moves; none for any other part.
Qt::Edges SizingEdges(int hitCode);

// The frame of a top-level window that draws its own caption: the window is
// made frameless, and the frame reserves its border and a caption's height as
// the window's contents margins, so that layouts place the client area inside.
// A child of the window along its edges paints the border, shows the sizing
// cursors and starts the system's resizing; the caption bar that the frame is
// given is kept in its place below the top border. A window of fixed size gets
// the thinner fixed frame and no sizing; a maximised one no frame. Moving and
// resizing are the window system's (QWindow::startSystemMove and
// startSystemResize); where there is no window system (offscreen) they do
// nothing, and everything still paints. Window thread only.
class WindowFrame : public QObject
{
    Q_OBJECT

public:
    // window: a top-level widget; the frame is its Qt child. Keeps the
    // window's other flags, and shows it again when it was shown.
    explicit WindowFrame(QWidget *window);
    // Takes the border away; the window stays frameless and keeps its margins.
    ~WindowFrame() override;

    QWidget *Window() const { return m_window; }
    // The width of the frame on each side: the sizing frame, the fixed frame
    // for a window of fixed size, 0 while maximised.
    int FrameWidth() const;
    bool IsSizeable() const;
    // A window without Qt::CustomizeWindowHint has every button.
    bool CanMinimise() const;
    bool CanMaximise() const;

    // bar (a child of the window, not owned) is placed across the top, height
    // pixels high; a null bar reserves nothing.
    void SetCaptionBar(QWidget *bar, int height);
    QRect CaptionRect() const;

    // The part of the frame at a point in the window's coordinates: a sizing
    // edge or corner, HTBORDER on a fixed frame, HTCAPTION on the caption bar,
    // else HTCLIENT (HTNOWHERE outside the window).
    int HitTest(QPoint windowPoint) const;

    // Each answers whether the window system took the request (false
    // offscreen, or for a part that sizes nothing).
    bool StartMove();
    bool StartResize(int hitCode);
    void ToggleMaximised();
    void Minimise();

    // Pops the window menu up at a point on the screen and answers it (owned by
    // the frame, rebuilt on each call): Restore, Minimize, Maximize, Close,
    // each enabled as the window's state allows. Alt+Space pops it up below
    // the caption's left end.
    QMenu *ShowWindowMenu(QPoint globalPoint);

    // Paints the border: the whole window's rectangle is given, and only the
    // border shows. The default fills it with the button face.
    using BorderPainter = std::function<void(QPainter &canvas, const QRect &windowRect)>;
    void SetBorderPainter(BorderPainter painter);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class FrameBorder;
    void placeFrame();
    void paintBorder(QPainter &canvas) const;
    void makeWindowMenu();

    QWidget *m_window;               // owns the frame
    QPointer<QWidget> m_border;      // a Qt child of the window, deleted with the frame
    QPointer<QWidget> m_captionBar;  // not owned
    int m_captionHeight = 0;
    QPointer<QMenu> m_menu;          // a Qt child of the window, made on first use
    QPointer<QShortcut> m_menuKey;   // Alt+Space; a Qt child of the window, deleted with the frame
    BorderPainter m_borderPainter;
};
