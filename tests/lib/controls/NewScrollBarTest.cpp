#include <lib/controls/NewScrollBar.h>

#include <platform/SystemMetrics.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QTimer>

#include <climits>
#include <memory>
#include <vector>

namespace {

struct Scroll { TScrollCode code; int position; };

// A bar with recorders of its OnScroll and OnChange events. Arrow buttons are
// 16 pixels long (the classic metric).
struct Bar
{
    Bar(TScrollBarKind kind, TButtonType buttonType, int length)
    {
        bar.SetKind(kind);
        bar.SetButtonType(buttonType);
        if (kind == sbVertical)
            bar.resize(16, length);
        else
            bar.resize(length, 16);
        QObject::connect(&bar, &TNewScrollBar::OnScroll, &bar,
                         [this](TNewScrollBar *sender, TScrollCode code, int &position) {
                             EXPECT_EQ(sender, &bar);
                             scrolls.push_back({code, position});
                         });
        QObject::connect(&bar, &TNewScrollBar::OnChange, &bar, [this](TNewScrollBar *sender) {
            EXPECT_EQ(sender, &bar);
            ++changes;
        });
    }

    void setUp(int range, int page, int position)
    {
        bar.SetRange(range);
        bar.SetPage(page);
        bar.SetPosition(position);
        scrolls.clear();
        changes = 0;
    }

    QImage paint()
    {
        QImage image(bar.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        bar.render(&image);
        return image;
    }

    void mouse(QEvent::Type type, QPoint at)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), bar.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&bar, &event);
    }

    bool key(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&bar, &event);
        const bool accepted = event.isAccepted();
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(&bar, &release);
        return accepted;
    }

    QTimer *repeatTimer() const { return bar.findChild<QTimer *>(QStringLiteral("RepeatTimer")); }

    TNewScrollBar bar;
    std::vector<Scroll> scrolls;
    int changes = 0;
};

QPoint centre(const QRect &rect) { return rect.center(); }

// Puts a palette on the application for one test and takes the old one back.
class ScopedApplicationPalette
{
public:
    explicit ScopedApplicationPalette(const QPalette &palette) : m_old(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~ScopedApplicationPalette() { QApplication::setPalette(m_old); }

private:
    QPalette m_old;
};

// Every role of the bar's colours in its own colour, the track's colour
// different from the buttons'.
QPalette distinctPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(200, 180, 160));       // scroll bar
    palette.setColor(QPalette::Button, QColor(120, 130, 140));       // button face
    palette.setColor(QPalette::Dark, QColor(60, 60, 90));            // button shadow
    palette.setColor(QPalette::ButtonText, QColor(10, 20, 200));     // arrows
    palette.setColor(QPalette::Light, QColor(250, 250, 210));        // button highlight
    palette.setColor(QPalette::Shadow, QColor(5, 40, 5));            // dark shadow
    palette.setColor(QPalette::Midlight, QColor(220, 200, 240));     // 3D light
    return palette;
}

// The smallest rectangle holding every pixel of colour inside area.
QRect boundsOf(const QImage &image, const QRect &area, const QColor &colour)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

int countOf(const QImage &image, const QRect &area, const QColor &colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    }
    return count;
}

} // namespace

TEST(TNewScrollBar, Defaults)
{
    TNewScrollBar bar;
    EXPECT_EQ(bar.Line(), 20);
    EXPECT_EQ(bar.Page(), 1);
    EXPECT_EQ(bar.Range(), 1);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_FALSE(bar.Tracking());
    EXPECT_EQ(bar.TimerId(), 123);
    EXPECT_EQ(bar.TimerMs(), 100);
    EXPECT_EQ(bar.Kind(), sbHorizontal);
    EXPECT_EQ(bar.ButtonType(), btTogether);
    EXPECT_EQ(bar.FocusType(), ftRect);
    EXPECT_EQ(bar.HotPart(), TNewScrollBar::htNone);
    EXPECT_EQ(bar.size(), QSize(128, 16));
}

TEST(TNewScrollBar, ThumbGeometry)
{
    const struct {
        const char *name;
        TScrollBarKind kind;
        TButtonType buttons;
        int length, range, page, position;
        int start, size;
    } cases[] = {
        // A 100-pixel track: 25 pixels for a quarter, 150 of 300 halfway along the rest.
        {"quarter page, separate", sbHorizontal, btSeparate, 132, 400, 100, 150, 16 + 38, 25},
        {"quarter page, together", sbHorizontal, btTogether, 132, 400, 100, 150, 38, 25},
        {"quarter page, vertical", sbVertical, btSeparate, 132, 400, 100, 300, 16 + 75, 25},
        // A tiny page still gets 8 pixels, and the end of the range puts the
        // thumb against the far end of the track, never past it.
        {"minimum thumb at the start", sbHorizontal, btSeparate, 132, 10000, 1, 0, 16, 8},
        {"minimum thumb at the end, separate", sbHorizontal, btSeparate, 132, 10000, 1, 9999, 132 - 16 - 8, 8},
        {"minimum thumb at the end, together", sbVertical, btTogether, 132, 10000, 1, 9999, 100 - 8, 8},
        {"minimum thumb halfway", sbHorizontal, btTogether, 132, 10001, 1, 5000, 46, 8},
        {"page fills the range", sbHorizontal, btSeparate, 132, 100, 100, 0, 16, 100},
        // A track of 7 pixels, and a bar shorter than its two buttons: no thumb.
        {"track too short", sbHorizontal, btSeparate, 39, 100, 10, 90, 16 + 6, 0},
        {"track too short, together", sbHorizontal, btTogether, 39, 100, 10, 0, 0, 0},
        {"shorter than the buttons", sbVertical, btSeparate, 20, 100, 10, 90, 10, 0},
        {"track of exactly 8", sbHorizontal, btSeparate, 40, 100, 10, 90, 16, 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Bar bar(c.kind, c.buttons, c.length);
        bar.setUp(c.range, c.page, c.position);
        int start = -1;
        int size = -1;
        bar.bar.GetThumbParams(start, size);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(size, c.size);
        const QRect thumb = bar.bar.RectFromHit(TNewScrollBar::htThumb);
        EXPECT_EQ(thumb.isEmpty(), c.size == 0);
        if (c.size == 0)
            continue;
        EXPECT_EQ(c.kind == sbVertical ? thumb.y() : thumb.x(), c.start);
        EXPECT_EQ(c.kind == sbVertical ? thumb.height() : thumb.width(), c.size);
        EXPECT_EQ(c.kind == sbVertical ? thumb.width() : thumb.height(), 16);
        // The position read back from the thumb's place puts the thumb there again.
        bar.bar.SetPosition(bar.bar.ThumbPosition(start));
        int again = -1;
        bar.bar.GetThumbParams(again, size);
        EXPECT_EQ(again, start);
    }
}

TEST(TNewScrollBar, PartsTileTheBarInTheirOrder)
{
    // Length 132, quarter page halfway: thumb 25 pixels at 38 along a 100-pixel track.
    const struct { TButtonType buttons; int part; int start, end; } cases[] = {
        {btSeparate, TNewScrollBar::htFirstButton, 0, 16},
        {btSeparate, TNewScrollBar::htTrackBefore, 16, 54},
        {btSeparate, TNewScrollBar::htThumb, 54, 79},
        {btSeparate, TNewScrollBar::htTrackAfter, 79, 116},
        {btSeparate, TNewScrollBar::htSecondButton, 116, 132},
        {btTogether, TNewScrollBar::htTrackBefore, 0, 38},
        {btTogether, TNewScrollBar::htThumb, 38, 63},
        {btTogether, TNewScrollBar::htTrackAfter, 63, 100},
        {btTogether, TNewScrollBar::htFirstButton, 100, 116},
        {btTogether, TNewScrollBar::htSecondButton, 116, 132},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " part " << c.part);
        Bar bar(sbHorizontal, c.buttons, 132);
        bar.setUp(400, 100, 150);
        EXPECT_EQ(bar.bar.RectFromHit(c.part), QRect(c.start, 0, c.end - c.start, 16));
        EXPECT_EQ(bar.bar.HitTest(QPoint(c.start, 8)), c.part);
        EXPECT_EQ(bar.bar.HitTest(QPoint(c.end - 1, 15)), c.part);
    }
    Bar bar(sbHorizontal, btSeparate, 132);
    EXPECT_EQ(bar.bar.HitTest(QPoint(132, 8)), TNewScrollBar::htNone);
    EXPECT_EQ(bar.bar.HitTest(QPoint(5, 16)), TNewScrollBar::htNone);
}

TEST(TNewScrollBar, ShortBarSharesItsLengthBetweenTheButtons)
{
    Bar bar(sbHorizontal, btSeparate, 20);
    bar.setUp(100, 10, 50);
    EXPECT_EQ(bar.bar.RectFromHit(TNewScrollBar::htFirstButton), QRect(0, 0, 10, 16));
    EXPECT_EQ(bar.bar.RectFromHit(TNewScrollBar::htSecondButton), QRect(10, 0, 10, 16));
    EXPECT_EQ(bar.bar.HitTest(QPoint(12, 8)), TNewScrollBar::htSecondButton);
}

TEST(TNewScrollBar, RangeAndPageClampThePositionAndShowTheBar)
{
    QWidget window;
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.bar.setParent(&window);
    window.show();
    bar.setUp(200, 50, 150);
    EXPECT_EQ(bar.bar.Position(), 150);
    EXPECT_TRUE(bar.bar.isVisible());

    bar.bar.SetPage(100);
    EXPECT_EQ(bar.bar.Position(), 100);
    EXPECT_EQ(bar.changes, 1);
    bar.bar.SetRange(100);
    EXPECT_EQ(bar.bar.Position(), 0);
    EXPECT_FALSE(bar.bar.isVisible());
    bar.bar.SetPage(150);
    EXPECT_EQ(bar.bar.Position(), 0);
    EXPECT_FALSE(bar.bar.isVisible());

    bar.bar.SetRange(0);
    EXPECT_EQ(bar.bar.Range(), 1);
    bar.bar.SetPage(-5);
    EXPECT_EQ(bar.bar.Page(), 0);
    EXPECT_TRUE(bar.bar.isVisible());
    EXPECT_EQ(bar.bar.ClampPos(-3), 0);
    EXPECT_EQ(bar.bar.ClampPos(5), 1);
}

TEST(TNewScrollBar, KeysScrollAndShowThePartTheyPress)
{
    const struct { int key; int position; int hotPart; TScrollCode code; bool accepted; } cases[] = {
        {Qt::Key_PageUp, 400, TNewScrollBar::htTrackBefore, scPageUp, true},
        {Qt::Key_PageDown, 600, TNewScrollBar::htTrackAfter, scPageDown, true},
        {Qt::Key_End, 900, TNewScrollBar::htNone, scBottom, true},
        {Qt::Key_Home, 0, TNewScrollBar::htNone, scTop, true},
        {Qt::Key_Left, 480, TNewScrollBar::htFirstButton, scLineUp, true},
        {Qt::Key_Up, 480, TNewScrollBar::htFirstButton, scLineUp, true},
        {Qt::Key_Right, 520, TNewScrollBar::htSecondButton, scLineDown, true},
        {Qt::Key_Down, 520, TNewScrollBar::htSecondButton, scLineDown, true},
        {Qt::Key_A, 500, TNewScrollBar::htNone, scEndScroll, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        Bar bar(sbVertical, btSeparate, 132);
        bar.setUp(1000, 100, 500);
        bar.bar.KeyDown(c.key);
        EXPECT_EQ(bar.bar.Position(), c.position);
        EXPECT_EQ(bar.bar.HotPart(), c.hotPart);
        ASSERT_EQ(bar.scrolls.size(), 1u);
        EXPECT_EQ(bar.scrolls[0].code, c.code);
        EXPECT_EQ(bar.scrolls[0].position, c.position);
        bar.bar.KeyUp(c.key);
        EXPECT_EQ(bar.bar.HotPart(), TNewScrollBar::htNone);

        // The same through the key events; keys that do not scroll go on to the parent.
        bar.bar.SetPosition(500);
        EXPECT_EQ(bar.key(c.key), c.accepted);
        EXPECT_EQ(bar.bar.Position(), c.position);
        EXPECT_EQ(bar.bar.HotPart(), TNewScrollBar::htNone);
    }
}

TEST(TNewScrollBar, TheScrollHandlerMayChangeTheNewPosition)
{
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(1000, 100, 500);
    QObject::connect(&bar.bar, &TNewScrollBar::OnScroll, &bar.bar,
                     [](TNewScrollBar *, TScrollCode, int &position) { position = 7; });
    bar.bar.ScrollAction(scPageDown, true);
    EXPECT_EQ(bar.bar.Position(), 7);
    bar.bar.ScrollAction(scLineDown, false);   // no handler asked
    EXPECT_EQ(bar.bar.Position(), 27);
    EXPECT_EQ(bar.scrolls.size(), 1u);
    EXPECT_EQ(bar.changes, 2);
}

TEST(TNewScrollBar, StepsNearTheEndsOfIntStayInRange)
{
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(INT_MAX, 1, INT_MAX);
    EXPECT_EQ(bar.bar.Position(), INT_MAX - 1);
    bar.bar.SetLine(INT_MAX);
    bar.bar.ScrollAction(scLineDown, false);
    EXPECT_EQ(bar.bar.Position(), INT_MAX - 1);
    bar.bar.SetPosition(0);
    bar.bar.ScrollAction(scLineUp, false);
    bar.bar.ScrollAction(scLineUp, false);
    EXPECT_EQ(bar.bar.Position(), 0);

    // A thumb dragged far past the end of so long a range stays at the end.
    const QPoint grab = centre(bar.bar.RectFromHit(TNewScrollBar::htThumb));
    bar.mouse(QEvent::MouseButtonPress, grab);
    bar.mouse(QEvent::MouseMove, grab + QPoint(1000, 0));
    EXPECT_EQ(bar.bar.Position(), INT_MAX - 1);
    bar.mouse(QEvent::MouseButtonRelease, grab + QPoint(1000, 0));
}

TEST(TNewScrollBar, HoldingAnArrowRepeatsUntilTheButtonIsLetGo)
{
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(1000, 100, 0);
    const QPoint arrow = centre(bar.bar.RectFromHit(TNewScrollBar::htSecondButton));
    bar.mouse(QEvent::MouseButtonPress, arrow);
    EXPECT_EQ(bar.bar.Position(), 20);
    EXPECT_EQ(bar.bar.PressedPart(), TNewScrollBar::htSecondButton);
    ASSERT_NE(bar.repeatTimer(), nullptr);
    EXPECT_TRUE(bar.repeatTimer()->isActive());
    EXPECT_EQ(bar.repeatTimer()->interval(), 100);

    bar.bar.TimerTick();
    bar.bar.TimerTick();
    EXPECT_EQ(bar.bar.Position(), 60);

    // Off the button the repeats pause; back on it they resume.
    bar.mouse(QEvent::MouseMove, QPoint(60, 8));
    EXPECT_EQ(bar.bar.HotPart(), TNewScrollBar::htNone);
    bar.bar.TimerTick();
    EXPECT_EQ(bar.bar.Position(), 60);
    bar.mouse(QEvent::MouseMove, arrow);
    bar.bar.TimerTick();
    EXPECT_EQ(bar.bar.Position(), 80);

    bar.mouse(QEvent::MouseButtonRelease, arrow);
    EXPECT_FALSE(bar.repeatTimer()->isActive());
    EXPECT_EQ(bar.bar.PressedPart(), TNewScrollBar::htNone);
    EXPECT_EQ(bar.bar.HotPart(), TNewScrollBar::htNone);
    bar.bar.TimerTick();
    EXPECT_EQ(bar.bar.Position(), 80);
    ASSERT_FALSE(bar.scrolls.empty());
    EXPECT_EQ(bar.scrolls.back().code, scEndScroll);
    EXPECT_EQ(bar.scrolls.size(), 5u);   // press, three repeats, end
}

TEST(TNewScrollBar, HoldingTheTrackPagesUntilTheThumbReachesThePointer)
{
    Bar bar(sbHorizontal, btSeparate, 132);   // a 10-pixel thumb, one pixel per 10
    bar.setUp(1000, 100, 0);
    const QPoint pointer(60, 8);
    bar.mouse(QEvent::MouseButtonPress, pointer);
    EXPECT_EQ(bar.bar.Position(), 100);
    for (int tick = 0; tick < 20; ++tick)
        bar.bar.TimerTick();
    EXPECT_EQ(bar.bar.Position(), 400);
    EXPECT_TRUE(bar.bar.RectFromHit(TNewScrollBar::htThumb).contains(pointer));
    EXPECT_EQ(bar.bar.HotPart(), TNewScrollBar::htNone);
    bar.mouse(QEvent::MouseButtonRelease, pointer);
}

TEST(TNewScrollBar, TheRepeatTimerDrivesTheRepeats)
{
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(1000, 100, 500);
    bar.bar.SetTimerMs(0);
    bar.mouse(QEvent::MouseButtonPress, centre(bar.bar.RectFromHit(TNewScrollBar::htTrackBefore)));
    EXPECT_EQ(bar.bar.Position(), 400);
    QCoreApplication::processEvents();   // a zero-interval timer is due at once
    EXPECT_LT(bar.bar.Position(), 400);
    bar.mouse(QEvent::MouseButtonRelease, QPoint(20, 8));

    // Timer id 0 switches repeating off.
    bar.bar.SetTimerId(0);
    bar.bar.SetPosition(500);
    bar.mouse(QEvent::MouseButtonPress, centre(bar.bar.RectFromHit(TNewScrollBar::htTrackAfter)));
    EXPECT_EQ(bar.bar.Position(), 600);
    EXPECT_FALSE(bar.repeatTimer()->isActive());
    bar.mouse(QEvent::MouseButtonRelease, QPoint(100, 8));
}

TEST(TNewScrollBar, DraggingTheThumbReachesBothEnds)
{
    Bar bar(sbHorizontal, btSeparate, 132);   // a 100-pixel track
    bar.setUp(10000, 1, 0);
    bar.bar.SetTracking(true);
    const QPoint grab = centre(bar.bar.RectFromHit(TNewScrollBar::htThumb));
    bar.mouse(QEvent::MouseButtonPress, grab);
    EXPECT_EQ(bar.bar.PressedPart(), TNewScrollBar::htThumb);
    EXPECT_EQ(bar.bar.Position(), 0);
    EXPECT_TRUE(bar.scrolls.empty());

    bar.mouse(QEvent::MouseMove, grab + QPoint(46, 0));
    EXPECT_EQ(bar.bar.Position(), 5000);
    ASSERT_EQ(bar.scrolls.size(), 1u);
    EXPECT_EQ(bar.scrolls[0].code, scTrack);
    EXPECT_EQ(bar.scrolls[0].position, 5000);

    bar.mouse(QEvent::MouseMove, grab + QPoint(92, 0));
    EXPECT_EQ(bar.bar.Position(), 9999);
    bar.mouse(QEvent::MouseMove, grab + QPoint(500, 0));   // past the end: still the end
    EXPECT_EQ(bar.bar.Position(), 9999);
    EXPECT_EQ(bar.bar.RectFromHit(TNewScrollBar::htThumb).right(), 132 - 16 - 1);

    bar.mouse(QEvent::MouseButtonRelease, grab + QPoint(500, 0));
    ASSERT_EQ(bar.scrolls.size(), 4u);
    EXPECT_EQ(bar.scrolls[2].code, scTrack);
    EXPECT_EQ(bar.scrolls[2].position, 9999);
    EXPECT_EQ(bar.scrolls[3].code, scEndScroll);

    // Without tracking only the release reports.
    bar.bar.SetTracking(false);
    bar.scrolls.clear();
    const QPoint end = centre(bar.bar.RectFromHit(TNewScrollBar::htThumb));
    bar.mouse(QEvent::MouseButtonPress, end);
    bar.mouse(QEvent::MouseMove, end - QPoint(300, 0));
    EXPECT_EQ(bar.bar.Position(), 0);
    EXPECT_TRUE(bar.scrolls.empty());
    bar.mouse(QEvent::MouseButtonRelease, end - QPoint(300, 0));
    EXPECT_EQ(bar.scrolls.size(), 2u);
}

TEST(TNewScrollBar, ABarTooShortForAThumbCannotBeDragged)
{
    Bar bar(sbHorizontal, btSeparate, 36);   // a 4-pixel track
    bar.setUp(100, 10, 45);
    int start;
    int size;
    bar.bar.GetThumbParams(start, size);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(bar.bar.ThumbPosition(start + 3), 45);
    for (int x = 0; x < 36; ++x)
        EXPECT_NE(bar.bar.HitTest(QPoint(x, 8)), TNewScrollBar::htThumb) << x;

    // A press on the track pages instead, and moving the pointer drags nothing.
    bar.mouse(QEvent::MouseButtonPress, QPoint(19, 8));
    EXPECT_EQ(bar.bar.Position(), 55);
    bar.mouse(QEvent::MouseMove, QPoint(35, 8));
    EXPECT_EQ(bar.bar.Position(), 55);
    bar.mouse(QEvent::MouseButtonRelease, QPoint(35, 8));

    // The paint stays inside the bar: buttons and a track, no thumb.
    Bar tiny(sbVertical, btSeparate, 20);
    tiny.setUp(100, 10, 90);
    const QImage image = tiny.paint();
    EXPECT_EQ(countOf(image, image.rect(), Qt::magenta), 0);
}

TEST(TNewScrollBar, ColoursComeFromTheSystemColours)
{
    const struct { QColor scrollBar, buttonFace, light, dark; } cases[] = {
        {QColor(100, 100, 100), QColor(100, 100, 100), QColor(132, 132, 132), QColor(52, 52, 52)},
        {QColor(240, 230, 50), QColor(240, 230, 50), QColor(255, 255, 82), QColor(175, 175, 2)},
        {QColor(10, 200, 30), QColor(100, 100, 100), QColor(10, 200, 30), QColor(0, 120, 0)},
    };
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(400, 100, 150);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.scrollBar.name().toStdString());
        QPalette palette;
        palette.setColor(QPalette::Window, c.scrollBar);
        palette.setColor(QPalette::Button, c.buttonFace);
        ScopedApplicationPalette scoped(palette);   // the bar follows a change of theme
        const QImage image = bar.paint();
        EXPECT_EQ(bar.bar.LightColour(), c.light);
        EXPECT_EQ(bar.bar.DarkColour(), c.dark);
        EXPECT_EQ(image.pixelColor(bar.bar.RectFromHit(TNewScrollBar::htTrackAfter).center()), c.light);
    }
}

TEST(TNewScrollBar, PaintsTrackThumbAndButtonsInTheSystemColours)
{
    ScopedApplicationPalette scoped(distinctPalette());
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        SCOPED_TRACE(kind);
        Bar bar(kind, btSeparate, 132);
        bar.setUp(400, 100, 150);
        const QImage image = bar.paint();
        EXPECT_EQ(countOf(image, image.rect(), Qt::magenta), 0);

        const QRect before = bar.bar.RectFromHit(TNewScrollBar::htTrackBefore);
        const QRect after = bar.bar.RectFromHit(TNewScrollBar::htTrackAfter);
        EXPECT_EQ(countOf(image, before, QColor(200, 180, 160)), before.width() * before.height());
        EXPECT_EQ(countOf(image, after, QColor(200, 180, 160)), after.width() * after.height());

        // Thumb and buttons are raised: light outer and highlight inner edges
        // at the top left, dark shadow and shadow at the bottom right.
        for (int part : {TNewScrollBar::htThumb, TNewScrollBar::htFirstButton, TNewScrollBar::htSecondButton}) {
            SCOPED_TRACE(part);
            const QRect rect = bar.bar.RectFromHit(part);
            EXPECT_EQ(image.pixelColor(rect.topLeft()), QColor(220, 200, 240));
            EXPECT_EQ(image.pixelColor(rect.topLeft() + QPoint(1, 1)), QColor(250, 250, 210));
            EXPECT_EQ(image.pixelColor(rect.bottomRight()), QColor(5, 40, 5));
            EXPECT_EQ(image.pixelColor(rect.bottomRight() - QPoint(1, 1)), QColor(60, 60, 90));
            EXPECT_EQ(image.pixelColor(rect.topLeft() + QPoint(2, 2)), QColor(120, 130, 140));
        }
    }
}

TEST(TNewScrollBar, ArrowsAreCentredAndPointAlongTheBar)
{
    ScopedApplicationPalette scoped(distinctPalette());
    const QColor arrow(10, 20, 200);
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        for (TButtonType buttons : {btSeparate, btTogether}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " buttons " << buttons);
            Bar bar(kind, buttons, 132);
            bar.setUp(400, 100, 150);
            const QImage image = bar.paint();
            for (int part : {TNewScrollBar::htFirstButton, TNewScrollBar::htSecondButton}) {
                SCOPED_TRACE(part);
                const QRect button = bar.bar.RectFromHit(part);
                const QRect bounds = boundsOf(image, button, arrow);
                // Four rows of 2, 4, 6 and 8 pixels, exactly in the middle.
                EXPECT_EQ(countOf(image, button, arrow), 20);
                EXPECT_EQ(bounds.left() + bounds.right(), button.left() + button.right());
                EXPECT_EQ(bounds.top() + bounds.bottom(), button.top() + button.bottom());
                EXPECT_EQ(kind == sbVertical ? bounds.size() : bounds.size().transposed(), QSize(8, 4));
                // The tip (2 pixels) is at the end the button scrolls towards.
                const bool first = part == TNewScrollBar::htFirstButton;
                const QRect tipRow = kind == sbVertical
                    ? QRect(bounds.left(), first ? bounds.top() : bounds.bottom(), bounds.width(), 1)
                    : QRect(first ? bounds.left() : bounds.right(), bounds.top(), 1, bounds.height());
                EXPECT_EQ(countOf(image, tipRow, arrow), 2);
            }
        }
    }
}

TEST(TNewScrollBar, PressedPartsLookPressed)
{
    ScopedApplicationPalette scoped(distinctPalette());
    Bar bar(sbHorizontal, btTogether, 132);
    bar.setUp(400, 100, 150);
    const QRect first = bar.bar.RectFromHit(TNewScrollBar::htFirstButton);
    const QRect up = boundsOf(bar.paint(), first, QColor(10, 20, 200));
    bar.mouse(QEvent::MouseButtonPress, centre(first));
    QImage image = bar.paint();
    // Flat in a shadow frame, the arrow one pixel down and right.
    EXPECT_EQ(image.pixelColor(first.topLeft()), QColor(60, 60, 90));
    EXPECT_EQ(image.pixelColor(first.bottomRight()), QColor(60, 60, 90));
    EXPECT_EQ(image.pixelColor(first.topLeft() + QPoint(1, 1)), QColor(120, 130, 140));
    EXPECT_EQ(boundsOf(image, first, QColor(10, 20, 200)), up.translated(1, 1));
    bar.mouse(QEvent::MouseButtonRelease, centre(first));

    // A held track part shows in the dark colour.
    const QRect after = bar.bar.RectFromHit(TNewScrollBar::htTrackAfter);
    bar.mouse(QEvent::MouseButtonPress, QPoint(after.right(), 8));
    image = bar.paint();
    const QRect held = bar.bar.RectFromHit(TNewScrollBar::htTrackAfter);
    EXPECT_EQ(countOf(image, held, bar.bar.DarkColour()), held.width() * held.height());
    EXPECT_EQ(countOf(image, bar.bar.RectFromHit(TNewScrollBar::htTrackBefore), bar.bar.DarkColour()), 0);
    bar.mouse(QEvent::MouseButtonRelease, QPoint(after.right(), 8));
}

TEST(TNewScrollBar, ADisabledBarGreysItsArrows)
{
    ScopedApplicationPalette scoped(distinctPalette());
    Bar bar(sbVertical, btSeparate, 132);
    bar.setUp(400, 100, 150);
    bar.bar.setEnabled(false);
    const QImage image = bar.paint();
    const QRect button = bar.bar.RectFromHit(TNewScrollBar::htFirstButton);
    EXPECT_EQ(countOf(image, button, QColor(10, 20, 200)), 0);
    const QRect grey = boundsOf(image, button.adjusted(2, 2, -2, -2), QColor(60, 60, 90));
    EXPECT_EQ(grey.size(), QSize(8, 4));
    EXPECT_EQ(image.pixelColor(grey.bottomRight() + QPoint(1, 1)), QColor(250, 250, 210));
}

TEST(TNewScrollBar, TheFocusShowsAsADottedFrameOnTheThumb)
{
    ScopedApplicationPalette scoped(distinctPalette());
    Bar bar(sbHorizontal, btSeparate, 132);
    bar.setUp(400, 100, 150);
    bar.bar.show();
    QApplication::setActiveWindow(&bar.bar);
    bar.bar.setFocus();
    ASSERT_TRUE(bar.bar.hasFocus());
    const QRect thumb = bar.bar.RectFromHit(TNewScrollBar::htThumb);
    const QColor dots(10, 20, 200);
    EXPECT_GT(countOf(bar.paint(), thumb.adjusted(2, 2, -2, -2), dots), 0);
    bar.bar.SetFocusType(ftNone);
    EXPECT_EQ(countOf(bar.paint(), thumb, dots), 0);
}
