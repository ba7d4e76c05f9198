#include "WindowFrame.h"

#include "SystemMetrics.h"

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

Qt::CursorShape SizingCursor(int hitCode)
{
    switch (hitCode) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    }
    return Qt::ArrowCursor;
}

Qt::Edges SizingEdges(int hitCode)
{
    switch (hitCode) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    }
    return {};
}

// The ring along the window's edges: it paints the border, and being masked to
// the ring it gets the pointer only there.
class FrameBorder : public QWidget
{
public:
    FrameBorder(WindowFrame *frame, QWidget *window) : QWidget(window), m_frame(frame)
    {
        setObjectName(QStringLiteral("FrameBorder"));
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter canvas(this);
        m_frame->paintBorder(canvas);
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        setCursor(SizingCursor(hitCode(event)));
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_frame->StartResize(hitCode(event));
    }

private:
    int hitCode(const QMouseEvent *event) const
    {
        return m_frame->HitTest(mapTo(m_frame->Window(), event->position().toPoint()));
    }

    WindowFrame *m_frame;   // owns the border
};

WindowFrame::WindowFrame(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    const bool shown = window->isVisible();
    window->setWindowFlags(window->windowFlags() | Qt::FramelessWindowHint);
    m_border = new FrameBorder(this, window);
    window->installEventFilter(this);
    // Without the window system's frame, the window menu's key is ours to keep.
    m_menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window, nullptr, nullptr, Qt::WindowShortcut);
    m_menuKey->setObjectName(QStringLiteral("WindowMenuKey"));
    connect(m_menuKey, &QShortcut::activated, this, [this] {
        const int frame = FrameWidth();
        ShowWindowMenu(m_window->mapToGlobal(QPoint(frame, frame + m_captionHeight)));
    });
    placeFrame();
    if (shown)
        window->show();   // a change of flags hides a window
}

WindowFrame::~WindowFrame()
{
    m_window->removeEventFilter(this);
    delete m_border.data();
    delete m_menuKey.data();
}

bool WindowFrame::IsSizeable() const
{
    return m_window->minimumSize() != m_window->maximumSize();
}

int WindowFrame::FrameWidth() const
{
    if (m_window->isMaximized())
        return 0;
    return GetSystemMetrics(IsSizeable() ? SM_CXFRAME : SM_CXDLGFRAME);
}

static bool hasButton(const QWidget *window, Qt::WindowType hint)
{
    const Qt::WindowFlags flags = window->windowFlags();
    return !flags.testFlag(Qt::CustomizeWindowHint) || flags.testFlag(hint);
}

bool WindowFrame::CanMinimise() const
{
    return hasButton(m_window, Qt::WindowMinimizeButtonHint);
}

bool WindowFrame::CanMaximise() const
{
    return IsSizeable() && hasButton(m_window, Qt::WindowMaximizeButtonHint);
}

void WindowFrame::SetCaptionBar(QWidget *bar, int height)
{
    m_captionBar = bar;
    m_captionHeight = bar ? height : 0;
    placeFrame();
}

QRect WindowFrame::CaptionRect() const
{
    const int frame = FrameWidth();
    return QRect(frame, frame, m_window->width() - 2 * frame, m_captionHeight);
}

int WindowFrame::HitTest(QPoint windowPoint) const
{
    const QRect window = m_window->rect();
    if (!window.contains(windowPoint))
        return HTNOWHERE;
    const int frame = FrameWidth();
    if (window.adjusted(frame, frame, -frame, -frame).contains(windowPoint))
        return CaptionRect().contains(windowPoint) ? HTCAPTION : HTCLIENT;
    if (!IsSizeable())
        return HTBORDER;
    // A corner reaches along both its edges as far as a caption button beyond the frame.
    const int corner = frame + GetSystemMetrics(SM_CXSIZE);
    const bool left = windowPoint.x() < corner;
    const bool right = windowPoint.x() >= window.width() - corner;
    const bool top = windowPoint.y() < corner;
    const bool bottom = windowPoint.y() >= window.height() - corner;
    const bool onVerticalEdge = windowPoint.x() < frame || windowPoint.x() >= window.width() - frame;
    if (onVerticalEdge && !top && !bottom)
        return windowPoint.x() < frame ? HTLEFT : HTRIGHT;
    if (!onVerticalEdge && !left && !right)
        return windowPoint.y() < frame ? HTTOP : HTBOTTOM;
    if (top)
        return left ? HTTOPLEFT : HTTOPRIGHT;
    return left ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
}

bool WindowFrame::StartMove()
{
    QWindow *handle = m_window->windowHandle();
    return handle && handle->startSystemMove();
}

bool WindowFrame::StartResize(int hitCode)
{
    QWindow *handle = m_window->windowHandle();
    const Qt::Edges edges = SizingEdges(hitCode);
    return handle && edges && IsSizeable() && handle->startSystemResize(edges);
}

void WindowFrame::ToggleMaximised()
{
    if (m_window->isMaximized())
        m_window->showNormal();
    else if (CanMaximise())
        m_window->showMaximized();
}

void WindowFrame::Minimise()
{
    if (CanMinimise())
        m_window->showMinimized();
}

void WindowFrame::makeWindowMenu()
{
    m_menu = new QMenu(m_window);
    m_menu->setObjectName(QStringLiteral("WindowMenu"));
    m_menu->addAction(QStringLiteral("&Restore"), m_window, &QWidget::showNormal);
    m_menu->addAction(QStringLiteral("Mi&nimize"), this, &WindowFrame::Minimise);
    m_menu->addAction(QStringLiteral("Ma&ximize"), m_window, &QWidget::showMaximized);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("&Close\tAlt+F4"), m_window, &QWidget::close);
}

QMenu *WindowFrame::ShowWindowMenu(QPoint globalPoint)
{
    if (!m_menu)
        makeWindowMenu();
    const QList<QAction *> actions = m_menu->actions();
    const bool maximised = m_window->isMaximized();
    const bool minimised = m_window->isMinimized();
    actions[0]->setEnabled(maximised || minimised);
    actions[1]->setEnabled(CanMinimise() && !minimised);
    actions[2]->setEnabled(CanMaximise() && !maximised);
    m_menu->popup(globalPoint);
    return m_menu;
}

void WindowFrame::SetBorderPainter(BorderPainter painter)
{
    m_borderPainter = std::move(painter);
    m_border->update();
}

void WindowFrame::paintBorder(QPainter &canvas) const
{
    if (m_borderPainter)
        m_borderPainter(canvas, m_window->rect());
    else
        canvas.fillRect(m_window->rect(), SysColour(COLOR_BTNFACE));
}

void WindowFrame::placeFrame()
{
    const int frame = FrameWidth();
    m_window->setContentsMargins(frame, frame + m_captionHeight, frame, frame);
    if (m_captionBar)
        m_captionBar->setGeometry(CaptionRect());
    const QRect window = m_window->rect();
    m_border->setGeometry(window);
    m_border->setMask(QRegion(window).subtracted(QRegion(window.adjusted(frame, frame, -frame, -frame))));
    m_border->setVisible(frame > 0);
    m_border->raise();
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    // A window made fixed at its own size gets no resize: it gets its thinner frame when shown.
    const QEvent::Type type = event->type();
    if (watched == m_window && (type == QEvent::Resize || type == QEvent::WindowStateChange || type == QEvent::Show))
        placeFrame();
    return QObject::eventFilter(watched, event);
}
