#include <platform/SystemMetrics.h>
#include <platform/WindowFrame.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QWidget>

#include <memory>

namespace {

constexpr int CaptionHeight = 19;

// A shown window of 300 x 200 with a frame and a plain caption bar.
struct FramedWindow
{
    FramedWindow()
    {
        window->setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
        window->resize(300, 200);
        frame = new WindowFrame(window.get());
        bar = new QWidget(window.get());
        frame->SetCaptionBar(bar, CaptionHeight);
        window->show();
        QApplication::processEvents();
    }
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    WindowFrame *frame;
    QWidget *bar;
};

QWidget *borderOf(QWidget *window)
{
    return window->findChild<QWidget *>(QStringLiteral("FrameBorder"));
}

void moveMouse(QWidget *widget, QPoint point)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

QAction *actionNamed(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

TEST(WindowFrame, MakesTheWindowFramelessAndKeepsItsOtherFlags)
{
    FramedWindow framed;
    EXPECT_TRUE(framed.window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(framed.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(framed.window->isVisible());
}

TEST(WindowFrame, HitTestFindsEdgesCornersCaptionAndClient)
{
    FramedWindow framed;
    // The frame is 4 pixels; a corner reaches 4 + 18 pixels along its edges.
    const struct { QPoint point; int hitCode; } cases[] = {
        {{0, 100}, HTLEFT},         {{3, 100}, HTLEFT},        {{299, 100}, HTRIGHT},
        {{150, 0}, HTTOP},          {{150, 199}, HTBOTTOM},    {{0, 0}, HTTOPLEFT},
        {{21, 0}, HTTOPLEFT},       {{22, 0}, HTTOP},          {{0, 21}, HTTOPLEFT},
        {{0, 22}, HTLEFT},          {{299, 0}, HTTOPRIGHT},    {{278, 2}, HTTOPRIGHT},
        {{0, 199}, HTBOTTOMLEFT},   {{299, 199}, HTBOTTOMRIGHT}, {{298, 180}, HTBOTTOMRIGHT},
        {{4, 4}, HTCAPTION},        {{150, 22}, HTCAPTION},    {{150, 23}, HTCLIENT},
        {{4, 195}, HTCLIENT},       {{-1, 5}, HTNOWHERE},      {{300, 5}, HTNOWHERE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x() << "," << c.point.y());
        EXPECT_EQ(framed.frame->HitTest(c.point), c.hitCode);
    }

    // A window of fixed size has the thinner fixed frame, which sizes nothing.
    framed.window->setFixedSize(300, 200);
    EXPECT_EQ(framed.frame->FrameWidth(), 3);
    EXPECT_EQ(framed.frame->HitTest({0, 100}), HTBORDER);
    EXPECT_EQ(framed.frame->HitTest({0, 0}), HTBORDER);
    EXPECT_EQ(framed.frame->HitTest({3, 100}), HTCLIENT);
    EXPECT_FALSE(framed.frame->StartResize(HTLEFT));
    framed.window->hide();
    framed.window->show();
    EXPECT_EQ(framed.window->contentsMargins(), QMargins(3, 3 + CaptionHeight, 3, 3));
}

TEST(WindowFrame, SizingCursorsAndEdgesMatchTheParts)
{
    const struct { int hitCode; Qt::CursorShape cursor; Qt::Edges edges; } cases[] = {
        {HTLEFT, Qt::SizeHorCursor, Qt::LeftEdge},
        {HTRIGHT, Qt::SizeHorCursor, Qt::RightEdge},
        {HTTOP, Qt::SizeVerCursor, Qt::TopEdge},
        {HTBOTTOM, Qt::SizeVerCursor, Qt::BottomEdge},
        {HTTOPLEFT, Qt::SizeFDiagCursor, Qt::TopEdge | Qt::LeftEdge},
        {HTBOTTOMRIGHT, Qt::SizeFDiagCursor, Qt::BottomEdge | Qt::RightEdge},
        {HTTOPRIGHT, Qt::SizeBDiagCursor, Qt::TopEdge | Qt::RightEdge},
        {HTBOTTOMLEFT, Qt::SizeBDiagCursor, Qt::BottomEdge | Qt::LeftEdge},
        {HTCAPTION, Qt::ArrowCursor, {}},
        {HTCLIENT, Qt::ArrowCursor, {}},
        {HTBORDER, Qt::ArrowCursor, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.hitCode);
        EXPECT_EQ(SizingCursor(c.hitCode), c.cursor);
        EXPECT_EQ(SizingEdges(c.hitCode), c.edges);
    }
}

TEST(WindowFrame, TheBorderShowsTheSizingCursorUnderThePointer)
{
    FramedWindow framed;
    QWidget *border = borderOf(framed.window.get());
    ASSERT_NE(border, nullptr);
    const struct { QPoint point; Qt::CursorShape cursor; } cases[] = {
        {{1, 100}, Qt::SizeHorCursor}, {{150, 198}, Qt::SizeVerCursor},
        {{2, 2}, Qt::SizeFDiagCursor}, {{297, 198}, Qt::SizeFDiagCursor}, {{297, 2}, Qt::SizeBDiagCursor},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x() << "," << c.point.y());
        moveMouse(border, c.point);
        EXPECT_EQ(border->cursor().shape(), c.cursor);
    }
    // The border takes the pointer only along the edges.
    EXPECT_TRUE(border->mask().contains(QPoint(1, 100)));
    EXPECT_FALSE(border->mask().contains(QPoint(150, 100)));
}

TEST(WindowFrame, ReservesTheFrameAndCaptionAndFollowsTheWindow)
{
    FramedWindow framed;
    EXPECT_EQ(framed.window->contentsMargins(), QMargins(4, 4 + CaptionHeight, 4, 4));
    EXPECT_EQ(framed.bar->geometry(), QRect(4, 4, 292, CaptionHeight));
    EXPECT_EQ(framed.frame->CaptionRect(), framed.bar->geometry());

    framed.window->resize(400, 250);
    QApplication::processEvents();
    EXPECT_EQ(framed.bar->geometry(), QRect(4, 4, 392, CaptionHeight));
    EXPECT_EQ(borderOf(framed.window.get())->geometry(), QRect(0, 0, 400, 250));

    // Maximised, the frame goes and the caption stays.
    framed.frame->ToggleMaximised();
    QApplication::processEvents();
    ASSERT_TRUE(framed.window->isMaximized());
    EXPECT_EQ(framed.frame->FrameWidth(), 0);
    EXPECT_EQ(framed.window->contentsMargins(), QMargins(0, CaptionHeight, 0, 0));
    EXPECT_EQ(framed.bar->geometry(), QRect(0, 0, framed.window->width(), CaptionHeight));
    EXPECT_FALSE(borderOf(framed.window.get())->isVisible());

    framed.frame->ToggleMaximised();
    QApplication::processEvents();
    EXPECT_FALSE(framed.window->isMaximized());
    EXPECT_EQ(framed.window->contentsMargins(), QMargins(4, 4 + CaptionHeight, 4, 4));
    EXPECT_TRUE(borderOf(framed.window.get())->isVisible());
}

TEST(WindowFrame, PaintsTheBorderOnlyAlongTheEdges)
{
    FramedWindow framed;
    auto *client = new QWidget(framed.window.get());
    client->setGeometry(framed.window->contentsRect());
    client->setAutoFillBackground(true);
    QPalette green;
    green.setColor(QPalette::Window, Qt::green);
    client->setPalette(green);
    client->show();
    framed.frame->SetBorderPainter([](QPainter &canvas, const QRect &window) { canvas.fillRect(window, Qt::red); });

    const QImage image = framed.window->grab().toImage();
    for (QPoint edge : {QPoint(0, 100), QPoint(3, 100), QPoint(299, 100), QPoint(150, 0), QPoint(150, 199)}) {
        SCOPED_TRACE(testing::Message() << edge.x() << "," << edge.y());
        EXPECT_EQ(image.pixelColor(edge), QColor(Qt::red));
    }
    EXPECT_EQ(image.pixelColor(150, 100), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(4, 100), QColor(Qt::green));

    // By default the border is the button face.
    framed.frame->SetBorderPainter({});
    EXPECT_EQ(framed.window->grab().toImage().pixelColor(1, 100), SysColour(COLOR_BTNFACE));
}

TEST(WindowFrame, TheWindowSystemMovesAndSizesWhereThereIsOne)
{
    FramedWindow framed;
    // Offscreen there is no window system to ask: nothing happens, nothing fails.
    EXPECT_FALSE(framed.frame->StartMove());
    EXPECT_FALSE(framed.frame->StartResize(HTLEFT));
    EXPECT_FALSE(framed.frame->StartResize(HTCLIENT));
    EXPECT_EQ(framed.window->geometry().size(), QSize(300, 200));
}

TEST(WindowFrame, WindowMenuOffersWhatTheStateAllows)
{
    FramedWindow framed;
    QMenu *menu = framed.frame->ShowWindowMenu(framed.window->mapToGlobal(QPoint(10, 10)));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(actionNamed(menu, "&Restore")->isEnabled());
    EXPECT_TRUE(actionNamed(menu, "Mi&nimize")->isEnabled());
    EXPECT_TRUE(actionNamed(menu, "Ma&ximize")->isEnabled());
    EXPECT_TRUE(actionNamed(menu, "&Close\tAlt+F4")->isEnabled());
    menu->hide();

    actionNamed(menu, "Ma&ximize")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(framed.window->isMaximized());
    menu = framed.frame->ShowWindowMenu(QPoint(10, 10));
    EXPECT_TRUE(actionNamed(menu, "&Restore")->isEnabled());
    EXPECT_FALSE(actionNamed(menu, "Ma&ximize")->isEnabled());
    menu->hide();
    actionNamed(menu, "&Restore")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(framed.window->isMaximized());

    // A window of fixed size cannot be maximised.
    framed.window->setFixedSize(300, 200);
    EXPECT_FALSE(framed.frame->CanMaximise());
    menu = framed.frame->ShowWindowMenu(QPoint(10, 10));
    EXPECT_FALSE(actionNamed(menu, "Ma&ximize")->isEnabled());
    menu->hide();
    framed.frame->ToggleMaximised();
    EXPECT_FALSE(framed.window->isMaximized());

    actionNamed(menu, "&Close\tAlt+F4")->trigger();
    EXPECT_FALSE(framed.window->isVisible());
}

TEST(WindowFrame, AltSpaceOpensTheWindowMenuBelowTheCaption)
{
    FramedWindow framed;
    auto *key = framed.window->findChild<QShortcut *>(QStringLiteral("WindowMenuKey"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key(), QKeySequence(QStringLiteral("Alt+Space")));
    emit key->activated();
    auto *menu = framed.window->findChild<QMenu *>(QStringLiteral("WindowMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    const int frame = framed.frame->FrameWidth();
    EXPECT_EQ(menu->pos(), framed.window->mapToGlobal(QPoint(frame, frame + CaptionHeight)));
    menu->hide();

    delete framed.frame;
    EXPECT_EQ(framed.window->findChild<QShortcut *>(QStringLiteral("WindowMenuKey")), nullptr);
}
