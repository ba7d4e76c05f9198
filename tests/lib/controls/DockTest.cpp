#include <lib/controls/Dock.h>

#include <lib/controls/AlignLayout.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/Exception.h>
#include <platform/SystemMetrics.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <climits>
#include <memory>
#include <vector>

namespace {

// Shows a form and lets the window system report it on the screen, as
// floating toolbars wait for that before they show.
void showOnScreen(QWidget &form)
{
    form.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form.windowHandle()->isExposed());
}

// A toolbar of n buttons is 17 + 23 n pixels long and 26 thick in a dock
// that allows dragging: 2 frame, 11 handle, the buttons, 2 trailing, 2 frame.
constexpr int barLength(int buttons) { return 17 + 23 * buttons; }
constexpr int RowThickness = 26;

struct Form
{
    explicit Form(int width = 400, int height = 300)
    {
        window.resize(width, height);
        window.move(100, 100);
        new TAlignLayout(&window);
    }

    TDock *addDock(const QString &name, TDockPosition position)
    {
        auto *dock = new TDock(&window, position);
        dock->setObjectName(name);
        return dock;
    }

    TDockToolbar *addToolbar(const QString &name, int buttons)
    {
        auto *toolbar = new TDockToolbar(&window);
        toolbar->setObjectName(name);
        toolbar->SetCaption(name);
        for (int i = 0; i < buttons; ++i)
            new TToolbarButton(toolbar);
        return toolbar;
    }

    QWidget window;
};

struct BarCase
{
    int buttons;
    int row;
    int pos;
    QPoint expected;    // its place in the dock
    int expectedRow;
};

struct ArrangeCase
{
    const char *name;
    int dockLength;
    bool limitToOneRow;
    std::vector<BarCase> bars;
    int expectedThickness;
};

} // namespace

TEST(Dock, ArrangeToolbarsTable)
{
    const ArrangeCase cases[] = {
        {"an overlapping toolbar is pushed along", 400, false,
         {{2, 0, 0, {0, 0}, 0}, {1, 0, 10, {barLength(2), 0}, 0}, {1, 0, 300, {300, 0}, 0}}, RowThickness},
        {"same position one after the other", 400, false,
         {{1, 0, 50, {50, 0}, 0}, {1, 0, 50, {50 + barLength(1), 0}, 0}}, RowThickness},
        {"empty rows are removed", 400, false,
         {{1, 0, 0, {0, 0}, 0}, {1, 5, 0, {0, RowThickness}, 1}}, 2 * RowThickness},
        {"stored rows far apart keep their order", 400, false,
         {{1, INT_MAX, 0, {0, RowThickness}, 1}, {1, -7, 0, {0, 0}, 0}}, 2 * RowThickness},
        {"one-row limit", 400, true,
         {{1, 0, 0, {0, 0}, 0}, {1, 3, 0, {barLength(1), 0}, 0}}, RowThickness},
        {"at the end goes after the row's last toolbar", 400, false,
         {{1, 0, -1, {50 + barLength(1), 0}, 0}, {1, 0, 50, {50, 0}, 0}}, RowThickness},
        {"a row longer than the dock starts before it", 100, false,
         {{2, 0, 0, {100 - 2 * barLength(2), 0}, 0}, {2, 0, 0, {100 - barLength(2), 0}, 0}}, RowThickness},
    };
    for (const ArrangeCase &test : cases) {
        SCOPED_TRACE(test.name);
        Form form(test.dockLength);
        TDock *dock = form.addDock("Top", dpTop);
        dock->SetLimitToOneRow(test.limitToOneRow);
        std::vector<TDockToolbar *> bars;
        dock->BeginArrange();
        for (const BarCase &bar : test.bars) {
            TDockToolbar *toolbar = form.addToolbar(QStringLiteral("Bar%1").arg(bars.size()), bar.buttons);
            toolbar->SetDockRow(bar.row);
            toolbar->SetDockPos(bar.pos);
            toolbar->SetDockedTo(dock);
            bars.push_back(toolbar);
        }
        dock->EndArrange();
        for (size_t i = 0; i < bars.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(bars[i]->geometry(), QRect(test.bars[i].expected, QSize(barLength(test.bars[i].buttons), RowThickness)));
            EXPECT_EQ(bars[i]->DockRow(), test.bars[i].expectedRow);
            EXPECT_EQ(bars[i]->DockPos(), test.bars[i].expected.x());
        }
        EXPECT_EQ(dock->height(), test.expectedThickness);
    }
}

TEST(Dock, GrowsAndShrinksWithItsRowsAndTheFormFollows)
{
    Form form;
    TDock *top = form.addDock("Top", dpTop);
    TDock *left = form.addDock("Left", dpLeft);
    EXPECT_EQ(top->height(), 0);
    top->SetFixAlign(true);
    EXPECT_EQ(top->height(), 1);

    TDockToolbar *bar = form.addToolbar("Bar", 3);
    bar->SetDockedTo(top);
    EXPECT_EQ(top->height(), RowThickness);
    EXPECT_EQ(left->geometry().top(), RowThickness);

    // Vertical: as wide as the widest button, its length down the dock.
    bar->SetDockedTo(left);
    EXPECT_EQ(bar->Orientation(), toVertical);
    EXPECT_EQ(left->width(), 27);
    EXPECT_EQ(bar->size(), QSize(27, 17 + 3 * 22));
    EXPECT_EQ(top->height(), 1);
    EXPECT_EQ(left->geometry().top(), 1);

    bar->hide();
    EXPECT_EQ(left->width(), 0);
}

TEST(Dock, InsertingAndRemovingTellsTheDock)
{
    Form form;
    TDock *dock = form.addDock("Top", dpTop);
    std::vector<std::pair<bool, TDockToolbar *>> events;
    QObject::connect(dock, &TDock::OnInsertRemoveBar, dock,
                     [&](TDock *, bool inserting, TDockToolbar *bar) { events.push_back({inserting, bar}); });
    TDockToolbar *bar = form.addToolbar("Bar", 1);
    bar->SetDockedTo(dock);
    bar->SetDockedTo(dock);
    bar->SetDockedTo(nullptr);
    EXPECT_EQ(events, (std::vector<std::pair<bool, TDockToolbar *>>{{true, bar}, {false, bar}}));
    EXPECT_EQ(bar->Orientation(), toFloating);
    EXPECT_EQ(bar->parentWidget(), bar->FloatParent());
}

TEST(Dock, RefusesWhatTheLibraryRefuses)
{
    QWidget form;
    QWidget child(&form);
    auto message = [](auto make) {
        try {
            make();
        } catch (const Exception &error) {
            return error.Message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { TDock dock(&child); }), "TDock must be owned by a form");
    EXPECT_EQ(message([&] { TDockToolbar bar(&child); }), "TDockToolbar must be owned by a form");
    TDock dock(&form);
    TDockToolbar bar(&form);
    bar.SetDockedTo(&dock);
    EXPECT_EQ(message([&] { dock.SetPosition(dpLeft); }), "Cannot change Position of a TDock if it already contains controls");
    EXPECT_EQ(message([&] { TDock inner(bar.FloatParent()); }), "A TDock control cannot be placed inside a TDockToolbar or another TDock");
    form.show();
    EXPECT_EQ(message([&] { dock.hide(); }), "Cannot hide a TDock");
    EXPECT_TRUE(dock.isVisible());
}

TEST(Dock, BackgroundTilesWithItsKeyColourSeeThroughWhenAsked)
{
    Form form(200, 100);
    TDock *dock = form.addDock("Top", dpTop);
    dock->SetFixAlign(true);
    TDockToolbar *bar = form.addToolbar("Bar", 1);
    bar->SetDockedTo(dock);
    QImage tile(4, 4, QImage::Format_RGB32);
    const QRgb key = qRgb(255, 0, 255);
    const QRgb ink = qRgb(0, 0, 200);
    tile.fill(key);
    tile.setPixel(1, 1, ink);
    dock->SetBackground(tile);
    showOnScreen(form.window);
    // Right of the toolbar, where the dock shows through.
    const int x = bar->width() + 8;
    auto pixel = [&](int px, int py) { return dock->grab().toImage().pixel(px, py); };
    EXPECT_EQ(pixel(x + 1, 1), ink);
    EXPECT_EQ(pixel(x, 0), key);
    dock->SetBackgroundTransparent(true);
    EXPECT_EQ(pixel(x + 1, 1), ink);
    EXPECT_EQ(pixel(x, 0), SysColour(COLOR_BTNFACE).rgb());
}

TEST(Dock, DropRowRuleTable)
{
    const std::vector<int> rows{26, 30};
    struct Case { int edge; TDropRow expected; };
    const Case cases[] = {
        {-40, {0, true}}, {0, {0, true}}, {5, {0, true}},        // at the first row's start: a new first row
        {6, {0, false}}, {20, {0, false}},                      // inside the first row
        {21, {1, true}}, {26, {1, true}}, {31, {1, true}},       // within 5 of the second row's start
        {32, {1, false}}, {50, {1, false}},
        {51, {2, true}}, {500, {2, true}},                      // past the last row
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.edge);
        const TDropRow drop = DropRowAt(rows, test.edge);
        EXPECT_EQ(drop.row, test.expected.row);
        EXPECT_EQ(drop.newRow, test.expected.newRow);
    }
    EXPECT_TRUE(DropRowAt({}, 0).newRow);
}

namespace {

// Drags with the left button from one point of widget to screen points. After
// the press the events go where a window system sends them: to the widget
// that grabbed the mouse.
void drag(QWidget *widget, QPoint from, const std::vector<QPoint> &to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), widget->mapToGlobal(QPointF(from)), Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(widget, &press);
    QWidget *receiver = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : widget;
    for (const QPoint &global : to) {
        QMouseEvent move(QEvent::MouseMove, QPointF(receiver->mapFromGlobal(global)), QPointF(global), Qt::NoButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(receiver, &move);
    }
    const QPoint last = to.empty() ? widget->mapToGlobal(from) : to.back();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(receiver->mapFromGlobal(last)), QPointF(last), Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(receiver, &release);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

} // namespace

TEST(Dock, DraggingMovesAToolbarBetweenRowsDocksAndFloating)
{
    Form form;
    TDock *top = form.addDock("Top", dpTop);
    TDock *left = form.addDock("Left", dpLeft);
    TDockToolbar *a = form.addToolbar("A", 2);
    TDockToolbar *b = form.addToolbar("B", 2);
    a->SetDockedTo(top);
    b->SetDockedTo(top);
    showOnScreen(form.window);
    ASSERT_EQ(b->geometry().topLeft(), QPoint(barLength(2), 0));

    // Grabbed by its handle and dropped with its top edge 4 pixels from the
    // row's end (22 of 26): a new row.
    const QPoint handle(5, 10);
    drag(b, handle, {top->mapToGlobal(QPoint(60, 20)), top->mapToGlobal(QPoint(60, 32))});
    EXPECT_EQ(b->DockedTo(), top);
    EXPECT_EQ(b->DockRow(), 1);
    EXPECT_EQ(b->geometry().topLeft(), QPoint(55, RowThickness));
    EXPECT_EQ(top->height(), 2 * RowThickness);

    // Onto the left dock.
    drag(b, handle, {left->mapToGlobal(QPoint(0, 120))});
    EXPECT_EQ(b->DockedTo(), left);
    EXPECT_EQ(top->height(), RowThickness);

    // Ctrl held: no docking, even over a dock.
    drag(b, {5, 5}, {top->mapToGlobal(QPoint(200, 10))}, Qt::ControlModifier);
    EXPECT_EQ(b->DockedTo(), nullptr);
    EXPECT_TRUE(b->FloatParent()->isVisible());
    EXPECT_EQ(left->width(), 0);

    // A press and release without a move leaves it alone; a double-click on the title docks it first in its default dock.
    const QPoint floatPos = b->FloatParent()->pos();
    drag(b->FloatParent(), {20, 8}, {});
    EXPECT_EQ(b->FloatParent()->pos(), floatPos);
    b->SetDefaultDock(top);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(20, 8), b->FloatParent()->mapToGlobal(QPointF(20, 8)),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b->FloatParent(), &doubleClick);
    EXPECT_EQ(b->DockedTo(), top);
    EXPECT_EQ(b->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(a->geometry().topLeft(), QPoint(barLength(2), 0));
    EXPECT_FALSE(b->FloatParent()->isVisible());
}

TEST(Dock, CtrlPressedDuringADragSwitchesDockingOffAndOn)
{
    Form form;
    TDock *top = form.addDock("Top", dpTop);
    TDockToolbar *a = form.addToolbar("A", 2);
    TDockToolbar *b = form.addToolbar("B", 2);
    a->SetDockedTo(top);
    b->SetDockedTo(top);
    showOnScreen(form.window);
    auto send = [](QWidget *to, QEvent::Type type, QPoint global) {
        QMouseEvent event(type, QPointF(to->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    };
    // The keys go to whatever has the focus, here another window.
    QWidget focus;
    auto ctrl = [&](QEvent::Type type) {
        QKeyEvent key(type, Qt::Key_Control, type == QEvent::KeyPress ? Qt::ControlModifier : Qt::NoModifier);
        QApplication::sendEvent(&focus, &key);
    };
    // Ctrl pressed and released again: docked.
    send(b, QEvent::MouseButtonPress, b->mapToGlobal(QPoint(5, 10)));
    send(b, QEvent::MouseMove, top->mapToGlobal(QPoint(200, 10)));
    ctrl(QEvent::KeyPress);
    ctrl(QEvent::KeyRelease);
    send(b, QEvent::MouseButtonRelease, top->mapToGlobal(QPoint(200, 10)));
    EXPECT_EQ(b->DockedTo(), top);
    EXPECT_EQ(b->geometry().topLeft(), QPoint(195, 0));
    // Ctrl held at the release: floating.
    send(b, QEvent::MouseButtonPress, b->mapToGlobal(QPoint(5, 10)));
    send(b, QEvent::MouseMove, top->mapToGlobal(QPoint(250, 10)));
    ctrl(QEvent::KeyPress);
    send(b, QEvent::MouseButtonRelease, top->mapToGlobal(QPoint(250, 10)));
    EXPECT_EQ(b->DockedTo(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST(Dock, FloatingWindowFollowsTheFormAndItsCloseButton)
{
    Form form;
    TDockToolbar *bar = form.addToolbar("Bar", 2);
    int closes = 0;
    QObject::connect(bar, &TDockToolbar::OnClose, bar, [&] { ++closes; });
    TFloatParent *window = bar->FloatParent();
    EXPECT_FALSE(window->isVisible());
    showOnScreen(form.window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), TFloatParent::SizeFor(QSize(4 + 8 + 2 * 23, 4 + 22)));
    form.window.hide();
    EXPECT_FALSE(window->isVisible());
    showOnScreen(form.window);

    // Released away from the button: nothing; over it: hidden, then OnClose.
    const QPoint button = window->CloseButtonRect().center();
    drag(window, button, {window->mapToGlobal(QPoint(2, 30))});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closes, 0);
    drag(window, button, {window->mapToGlobal(button)});
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(closes, 1);
}

TEST(Dock, FloatingLinesWrapAtFloatRightX)
{
    Form form;
    TDockToolbar *bar = form.addToolbar("Bar", 4);
    auto *sep = new TToolbarSep(bar);
    sep->SetSizeHorz(8);
    for (int i = 0; i < 2; ++i)
        new TToolbarButton(bar);
    EXPECT_EQ(bar->size(), QSize(4 + 4 + 6 * 23 + 8 + 4, 4 + 22));
    // Room for four buttons a line: the separator falls at the wrap and is not shown.
    bar->SetFloatRightX(2 + 4 + 4 * 23);
    EXPECT_EQ(bar->size(), QSize(4 + 4 + 4 * 23 + 4, 4 + 2 * 22));
    EXPECT_TRUE(sep->geometry().isEmpty());
    EXPECT_EQ(bar->FloatParent()->size(), TFloatParent::SizeFor(bar->size()));
    bar->SetFloatRightX(-20);
    EXPECT_EQ(bar->FloatRightX(), 0);
}

TEST(Dock, KeepOnWorkAreaBringsAWindowBack)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect inside(area.topLeft() + QPoint(10, 10), QSize(50, 40));
    EXPECT_EQ(KeepOnWorkArea(inside), inside);
    for (const QPoint &corner : {QPoint(-5000, 20), QPoint(area.right() - 10, area.bottom() - 5), QPoint(40000, -40000)}) {
        SCOPED_TRACE(corner.x());
        const QRect placed = KeepOnWorkArea(QRect(corner, QSize(50, 40)));
        EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y();
        EXPECT_EQ(placed.size(), QSize(50, 40));
    }
}

TEST(Dock, FloatingShapesRunFromOneLineToTheNarrowest)
{
    Form form;
    TDockToolbar *bar = form.addToolbar("Bar", 6);
    // Six buttons of 23 after 2 frame and 4 leading: one line is 150 wide.
    // Tight wraps hold n buttons a line at 6 + 23 n; of each height the narrowest stays.
    struct Shape { int wrap; QSize size; };
    const Shape expected[] = {{0, {150, 26}}, {75, {81, 48}}, {52, {58, 70}}, {29, {35, 136}}};
    const std::vector<TFloatShape> shapes = bar->FloatShapes();
    ASSERT_EQ(shapes.size(), std::size(expected));
    for (size_t i = 0; i < shapes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shapes[i].wrapWidth, expected[i].wrap);
        EXPECT_EQ(shapes[i].size, expected[i].size);
    }
}

TEST(Dock, ChooseFloatShapeTable)
{
    struct Case { std::vector<int> extents; size_t current; int wanted; size_t expected; };
    const Case cases[] = {
        {{100, 80, 60, 30}, 0, 95, 0},     // inside the dead zone of 12
        {{100, 80, 60, 30}, 0, 88, 0},
        {{100, 80, 60, 30}, 0, 87, 0},     // shrinking: only once the next shape is passed
        {{100, 80, 60, 30}, 0, 80, 1},
        {{100, 80, 60, 30}, 0, 50, 2},
        {{100, 80, 60, 30}, 0, 10, 3},
        {{100, 80, 60, 30}, 2, 72, 2},
        {{100, 80, 60, 30}, 2, 73, 1},     // growing: at once, the smallest reaching the pointer
        {{100, 80, 60, 30}, 2, 200, 0},    // past every shape: the widest
        {{26, 48, 70, 136}, 1, 80, 3},
        {{50, 45}, 0, 46, 0},              // the dead zone narrowed to 4 by a shape 5 away
        {{50, 45}, 0, 45, 1},
        {{50}, 0, 10, 0},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(::testing::Message() << test.current << " to " << test.wanted);
        EXPECT_EQ(ChooseFloatShape(test.extents, test.current, test.wanted), test.expected);
    }
}

TEST(Dock, ResizingAFloatingToolbarByItsFrameWrapsIt)
{
    Form form;
    TDockToolbar *bar = form.addToolbar("Bar", 6);
    showOnScreen(form.window);
    TFloatParent *window = bar->FloatParent();
    const QRect start = window->geometry();
    const int frame = TFloatParent::FrameWidth();

    // The right edge pulled in to about three buttons a line: two lines, the left edge kept.
    const QPoint rightEdge(window->width() - 1, window->height() / 2);
    drag(window, rightEdge, {window->mapToGlobal(rightEdge) - QPoint(40, 0), window->mapToGlobal(rightEdge) - QPoint(70, 0)});
    EXPECT_EQ(bar->FloatRightX(), 75);
    EXPECT_EQ(bar->size(), QSize(81, 48));
    EXPECT_EQ(window->geometry(), QRect(start.topLeft(), TFloatParent::SizeFor(QSize(81, 48))));

    // The left edge pulled out again to one line: the right edge stays.
    const QRect wrapped = window->geometry();
    const QPoint leftEdge(0, window->height() / 2);
    drag(window, leftEdge, {window->mapToGlobal(leftEdge) - QPoint(30, 0)});
    EXPECT_EQ(bar->FloatRightX(), 0);
    EXPECT_EQ(window->geometry().right(), wrapped.right());
    EXPECT_EQ(window->width(), start.width());

    // The bottom edge pulled down by a few pixels: inside the dead zone, nothing changes.
    const QPoint bottomEdge(window->width() / 2, window->height() - frame / 2 - 1);
    drag(window, bottomEdge, {window->mapToGlobal(bottomEdge) + QPoint(0, 8)});
    EXPECT_EQ(bar->FloatRightX(), 0);
    EXPECT_EQ(window->size(), start.size());
    // Well down: the next taller shape.
    drag(window, bottomEdge, {window->mapToGlobal(bottomEdge) + QPoint(0, 20)});
    EXPECT_EQ(bar->size(), QSize(81, 48));
    EXPECT_EQ(window->pos(), wrapped.topLeft() - QPoint(wrapped.right() - window->geometry().right(), 0));
}
