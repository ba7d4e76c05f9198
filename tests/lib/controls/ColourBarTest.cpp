#include <lib/controls/ColourControl.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <memory>
#include <vector>

namespace {

struct Change { double value; int valueType; };

// A bar of the given size with a recorder of its OnChanged events.
struct Bar
{
    explicit Bar(int width, int height)
    {
        bar.resize(width, height);
        QObject::connect(&bar, &TColourBar::OnChanged, &bar,
                         [this](TColourBar *sender, double value, int valueType) {
                             EXPECT_EQ(sender, &bar);
                             changes.push_back({value, valueType});
                         });
    }

    QImage paint()
    {
        QImage image(bar.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        bar.render(&image);
        return image;
    }

    void send(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPointF at(x, y);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, bar.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                          held, Qt::NoModifier);
        QApplication::sendEvent(&bar, &event);
    }

    TColourBar bar;
    std::vector<Change> changes;
};

// A horizontal bar 101 pixels long (so pixel i shows position i / 100), no edge.
std::unique_ptr<Bar> plainBar(int horzGap = 0, int vertGap = 0)
{
    auto bar = std::make_unique<Bar>(101 + 2 * horzGap, 20 + 2 * vertGap);
    bar->bar.SetEdge(false);
    bar->bar.SetHorzGap(horzGap);
    bar->bar.SetVertGap(vertGap);
    return bar;
}

// A ranged bar of length 101 from x = 4 with its markers at x = 29 and x = 79.
std::unique_ptr<Bar> rangedBar()
{
    auto bar = plainBar(4, 4);
    bar->bar.SetMode(cbmRanged);
    bar->bar.SetRangeMin(0.25);
    bar->bar.SetRangeMax(0.75);
    return bar;
}

QRgb rgb(int r, int g, int b) { return qRgb(r, g, b); }

} // namespace

TEST(TColourBar, Defaults)
{
    TColourBar bar;
    EXPECT_EQ(bar.HorzGap(), 0);
    EXPECT_EQ(bar.VertGap(), 0);
    EXPECT_EQ(bar.Type(), cbtHue);
    EXPECT_EQ(bar.Mode(), cbmNormal);
    EXPECT_EQ(bar.Colour(), bar.palette().color(QPalette::Button));
    EXPECT_EQ(bar.RangeColour(), QColor(Qt::black));
    EXPECT_TRUE(bar.Edge());
    EXPECT_TRUE(bar.Lock());
    EXPECT_TRUE(bar.AutoCursor());
    EXPECT_EQ(bar.Hue(), 0);
    EXPECT_EQ(bar.Saturation(), 1);
    EXPECT_EQ(bar.Luminance(), 0.5);
    EXPECT_EQ(bar.Red(), 1);
    EXPECT_EQ(bar.Green(), 0);
    EXPECT_EQ(bar.Blue(), 0);
    EXPECT_EQ(bar.ColourTemp(), 0);
    EXPECT_EQ(bar.Slider(), 0);
    EXPECT_EQ(bar.RangeMin(), 0.5);
    EXPECT_EQ(bar.RangeMax(), 0.5);
    EXPECT_EQ(bar.RangeThickness(), 3);
    EXPECT_EQ(bar.CursorLeft(), Qt::SizeHorCursor);
    EXPECT_EQ(bar.CursorDown(), Qt::SizeVerCursor);
}

TEST(TColourBar, ParameterSettersClampToTheUnitRange)
{
    using Setter = void (TColourBar::*)(double);
    using Getter = double (TColourBar::*)() const;
    const struct { const char *name; Setter set; Getter get; } parameters[] = {
        {"Hue", &TColourBar::SetHue, &TColourBar::Hue},
        {"Saturation", &TColourBar::SetSaturation, &TColourBar::Saturation},
        {"Luminance", &TColourBar::SetLuminance, &TColourBar::Luminance},
        {"Red", &TColourBar::SetRed, &TColourBar::Red},
        {"Green", &TColourBar::SetGreen, &TColourBar::Green},
        {"Blue", &TColourBar::SetBlue, &TColourBar::Blue},
        {"ColourTemp", &TColourBar::SetColourTemp, &TColourBar::ColourTemp},
    };
    const struct { double asked, stored; } values[] = {{1.5, 1}, {-0.5, 0}, {0.5, 0.5}};
    for (const auto &parameter : parameters) {
        for (const auto &value : values) {
            SCOPED_TRACE(testing::Message() << parameter.name << ' ' << value.asked);
            TColourBar bar;
            (bar.*parameter.set)(value.asked);
            EXPECT_EQ((bar.*parameter.get)(), value.stored);
        }
    }
}

TEST(TColourBar, HSLAndRGBFollowEachOther)
{
    TColourBar bar;
    bar.SetHue(1.0 / 3);
    EXPECT_NEAR(bar.Red(), 0, 1e-12);
    EXPECT_NEAR(bar.Green(), 1, 1e-12);
    EXPECT_NEAR(bar.Blue(), 0, 1e-12);
    EXPECT_DOUBLE_EQ(bar.ColourTemp(), 0.5);

    bar.SetBlue(1);   // cyan
    EXPECT_DOUBLE_EQ(bar.Hue(), 0.5);
    EXPECT_DOUBLE_EQ(bar.Saturation(), 1);
    EXPECT_DOUBLE_EQ(bar.Luminance(), 0.5);
    EXPECT_DOUBLE_EQ(bar.ColourTemp(), 1);

    bar.SetColourTemp(0);
    EXPECT_EQ(bar.ColourTemp(), 0);   // kept as set, not read back from the tint
    EXPECT_DOUBLE_EQ(bar.Red(), 0.75);
    EXPECT_DOUBLE_EQ(bar.Green(), 0.5);
    EXPECT_DOUBLE_EQ(bar.Blue(), 0.25);
    EXPECT_DOUBLE_EQ(bar.Hue(), 1.0 / 12);
    EXPECT_DOUBLE_EQ(bar.Luminance(), 0.5);
}

TEST(TColourBar, HueOfOneStillMakesRed)
{
    TColourBar bar;
    bar.SetHue(1.5);
    EXPECT_EQ(bar.Hue(), 1);
    EXPECT_DOUBLE_EQ(bar.Red(), 1);
    EXPECT_DOUBLE_EQ(bar.Green(), 0);
    EXPECT_DOUBLE_EQ(bar.Blue(), 0);
}

TEST(TColourBar, TypePresetsTheOtherParameters)
{
    const struct { TColourBarType type; double h, s, l, r, g, b, ct, slider; } cases[] = {
        {cbtSaturation, 0, 0.5, 0.5, 0.75, 0.25, 0.25, 0.25, 0.5},
        {cbtLuminance, 0, 0, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5},
        {cbtRed, 0, 1, 0.25, 0.5, 0, 0, 0.25, 0.5},
        {cbtGreen, 1.0 / 3, 1, 0.25, 0, 0.5, 0, 0.5, 0.5},
        {cbtBlue, 2.0 / 3, 1, 0.25, 0, 0, 0.5, 0.75, 0.5},
        {cbtColourTemp, 0, 0, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        TColourBar bar;
        bar.SetType(c.type);
        EXPECT_EQ(bar.Type(), c.type);
        EXPECT_NEAR(bar.Hue(), c.h, 1e-12);
        EXPECT_NEAR(bar.Saturation(), c.s, 1e-12);
        EXPECT_NEAR(bar.Luminance(), c.l, 1e-12);
        EXPECT_NEAR(bar.Red(), c.r, 1e-12);
        EXPECT_NEAR(bar.Green(), c.g, 1e-12);
        EXPECT_NEAR(bar.Blue(), c.b, 1e-12);
        EXPECT_NEAR(bar.ColourTemp(), c.ct, 1e-12);
        EXPECT_NEAR(bar.Slider(), c.slider, 1e-12);
    }
    TColourBar hue;
    hue.SetType(cbtLuminance);
    hue.SetType(cbtHue);
    EXPECT_EQ(hue.Hue(), 0.5);
    EXPECT_EQ(hue.Saturation(), 1);
    EXPECT_EQ(hue.Luminance(), 0.5);
}

TEST(TColourBar, RangeReadsInOrderWhateverWasSet)
{
    TColourBar bar;
    bar.SetRangeMin(0.8);
    bar.SetRangeMax(0.2);
    EXPECT_EQ(bar.RangeMin(), 0.2);
    EXPECT_EQ(bar.RangeMax(), 0.8);
    bar.SetRangeMin(-1);
    bar.SetRangeMax(3);
    EXPECT_EQ(bar.RangeMin(), 0);
    EXPECT_EQ(bar.RangeMax(), 1);
}

TEST(TColourBar, RangedModeKeepsGapsAtLeastFour)
{
    TColourBar bar;
    bar.SetHorzGap(1);
    bar.SetVertGap(6);
    bar.SetMode(cbmRanged);
    EXPECT_EQ(bar.HorzGap(), 4);
    EXPECT_EQ(bar.VertGap(), 6);
    bar.SetVertGap(2);
    EXPECT_EQ(bar.VertGap(), 4);
    bar.SetMode(cbmNormal);
    bar.SetHorzGap(2);
    EXPECT_EQ(bar.HorzGap(), 2);
    bar.SetHorzGap(-3);
    EXPECT_EQ(bar.HorzGap(), 0);
}

TEST(TColourBar, PaintsTheGradientOfItsType)
{
    // Lock on: the other parameters are hue 0, saturation 1, luminance 0.5.
    const struct { TColourBarType type; bool lock; int x; QRgb expected; } cases[] = {
        {cbtHue, true, 0, rgb(255, 0, 0)},
        {cbtHue, true, 50, rgb(0, 255, 255)},
        {cbtHue, true, 100, rgb(255, 0, 0)},
        {cbtSaturation, true, 0, rgb(127, 127, 127)},
        {cbtSaturation, true, 100, rgb(255, 0, 0)},
        {cbtLuminance, true, 0, rgb(0, 0, 0)},
        {cbtLuminance, true, 25, rgb(127, 0, 0)},
        {cbtLuminance, true, 100, rgb(255, 255, 255)},
        {cbtLuminance, false, 100, rgb(255, 255, 255)},
        {cbtLuminance, false, 25, rgb(63, 63, 63)},   // its preset: saturation 0
        {cbtRed, true, 20, rgb(51, 0, 0)},
        {cbtGreen, true, 100, rgb(255, 255, 0)},
        {cbtGreen, false, 100, rgb(0, 255, 0)},      // its preset: the others 0
        {cbtBlue, false, 20, rgb(0, 0, 51)},
        {cbtColourTemp, true, 0, rgb(191, 127, 63)},
        {cbtColourTemp, true, 100, rgb(63, 127, 191)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " lock " << c.lock << " x " << c.x);
        auto bar = plainBar();
        bar->bar.SetType(c.type);
        bar->bar.SetLock(c.lock);
        bar->bar.SetSlider(0.75);   // the slider out of the way
        const QImage image = bar->paint();
        EXPECT_EQ(image.pixel(c.x, 0), c.expected);
        EXPECT_EQ(image.pixel(c.x, 19), c.expected);
    }
}

TEST(TColourBar, VerticalBarRunsFromTheTop)
{
    Bar bar(20, 101);
    bar.bar.SetEdge(false);
    bar.bar.SetSlider(0.75);
    const QImage image = bar.paint();
    EXPECT_EQ(image.pixel(10, 0), rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(10, 50), rgb(0, 255, 255));
    EXPECT_EQ(image.pixel(10, 75), rgb(0, 0, 0));   // the slider across the bar
    EXPECT_EQ(image.pixel(0, 75), rgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 74), rgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 76), rgb(0, 0, 0));
    EXPECT_NE(image.pixel(10, 73), rgb(0, 0, 0));
    EXPECT_NE(image.pixel(10, 77), rgb(0, 0, 0));
}

TEST(TColourBar, SliderIsThreePixelsWideInRangeColour)
{
    auto bar = plainBar();
    bar->bar.SetRangeColour(Qt::white);
    bar->bar.SetHue(0.5);
    const QImage image = bar->paint();
    for (const int x : {49, 50, 51})
        EXPECT_EQ(image.pixel(x, 10), rgb(255, 255, 255)) << x;
    for (const int x : {48, 52})
        EXPECT_NE(image.pixel(x, 10), rgb(255, 255, 255)) << x;
}

TEST(TColourBar, GapsShowTheBackgroundAndEdgeIsSunken)
{
    auto bar = plainBar(5, 5);
    bar->bar.SetColour(QColor(10, 20, 30));
    bar->bar.SetSlider(0.75);
    QImage image = bar->paint();
    EXPECT_EQ(image.pixel(0, 0), rgb(10, 20, 30));
    EXPECT_EQ(image.pixel(4, 15), rgb(10, 20, 30));
    EXPECT_EQ(image.pixel(5, 15), rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(110, 29), rgb(10, 20, 30));

    bar->bar.SetEdge(true);
    image = bar->paint();
    const QPalette colours = bar->bar.palette();
    EXPECT_EQ(image.pixel(0, 0), colours.color(QPalette::Mid).rgb());
    EXPECT_EQ(image.pixel(1, 10), colours.color(QPalette::Shadow).rgb());
    EXPECT_EQ(image.pixel(110, 29), colours.color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(109, 10), colours.color(QPalette::Midlight).rgb());
    EXPECT_EQ(image.pixel(2, 2), rgb(10, 20, 30));
}

TEST(TColourBar, RangedModeDrawsBandsBesideTheBar)
{
    auto bar = rangedBar();
    bar->bar.SetColour(QColor(10, 20, 30));
    bar->bar.SetRangeColour(Qt::blue);
    const QImage image = bar->paint();
    const QRgb blue = rgb(0, 0, 255), background = rgb(10, 20, 30);
    // The bar covers rows 4 .. 23; bands of 3 rows lie above and below it.
    const struct { int x, y; QRgb expected; } cases[] = {
        {50, 1, blue}, {50, 3, blue}, {50, 0, background},
        {50, 24, blue}, {50, 26, blue}, {50, 27, background},
        {29, 2, blue}, {79, 2, blue}, {28, 2, background}, {80, 2, background},
        {50, 10, rgb(0, 255, 193)},   // the bar itself at 0.46, no slider in ranged mode
    };
    for (const auto &c : cases)
        EXPECT_EQ(image.pixel(c.x, c.y), c.expected) << c.x << ',' << c.y;
}

TEST(TColourBar, RangedBandsStayInsideTheEdge)
{
    auto bar = rangedBar();
    bar->bar.SetEdge(true);
    bar->bar.SetRangeThickness(6);
    bar->bar.SetRangeColour(Qt::blue);
    const QImage image = bar->paint();
    EXPECT_EQ(image.pixel(50, 2), rgb(0, 0, 255));
    EXPECT_EQ(image.pixel(50, 0), bar->bar.palette().color(QPalette::Mid).rgb());
    EXPECT_EQ(image.pixel(50, 1), bar->bar.palette().color(QPalette::Shadow).rgb());
}

TEST(TColourBar, HitTest)
{
    auto normal = plainBar();
    normal->bar.SetHue(0.5);   // slider at x = 50
    const struct { int p, code; } normalCases[] = {{50, 4}, {43, 4}, {57, 4}, {58, 3}, {0, 3}, {100, 3}};
    for (const auto &c : normalCases)
        EXPECT_EQ(normal->bar.HitTest(c.p), c.code) << c.p;

    auto ranged = rangedBar();   // a = 29, b = 79, middle 54
    const struct { int p, code; } rangedCases[] = {
        {0, 7}, {23, 7}, {24, 1}, {29, 1}, {34, 1}, {35, 5}, {44, 5},
        {45, 0}, {54, 0}, {63, 0}, {64, 6}, {73, 6}, {74, 2}, {79, 2}, {84, 2}, {85, 8}, {200, 8},
    };
    for (const auto &c : rangedCases)
        EXPECT_EQ(ranged->bar.HitTest(c.p), c.code) << c.p;
}

TEST(TColourBar, DraggingTheSliderSetsTheParameterOfItsType)
{
    auto bar = plainBar();
    bar->bar.SetType(cbtLuminance);
    bar->send(QEvent::MouseButtonPress, 50, 10);
    EXPECT_TRUE(bar->bar.isDragging());
    EXPECT_TRUE(bar->changes.empty());
    bar->send(QEvent::MouseMove, 20, 10);
    EXPECT_DOUBLE_EQ(bar->bar.Luminance(), 0.2);
    bar->send(QEvent::MouseMove, -30, 10);
    EXPECT_EQ(bar->bar.Luminance(), 0);
    bar->send(QEvent::MouseButtonRelease, 90, 10);
    EXPECT_DOUBLE_EQ(bar->bar.Luminance(), 0.9);
    EXPECT_FALSE(bar->bar.isDragging());
    bar->send(QEvent::MouseMove, 10, 10);
    EXPECT_DOUBLE_EQ(bar->bar.Luminance(), 0.9);

    ASSERT_EQ(bar->changes.size(), 3u);
    const double values[] = {0.2, 0, 0.9};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(bar->changes[i].value, values[i]);
        EXPECT_EQ(bar->changes[i].valueType, 3);
    }
    const QImage image = bar->paint();
    EXPECT_EQ(image.pixel(90, 10), rgb(0, 0, 0));   // the slider moved with it
}

TEST(TColourBar, RightButtonDoesNotDrag)
{
    auto bar = plainBar();
    bar->send(QEvent::MouseButtonPress, 50, 10, Qt::RightButton);
    bar->send(QEvent::MouseMove, 20, 10);
    EXPECT_FALSE(bar->bar.isDragging());
    EXPECT_EQ(bar->bar.Hue(), 0);
    EXPECT_TRUE(bar->changes.empty());
}

TEST(TColourBar, RangeMarkersStopAtEachOther)
{
    const struct { int pressX, releaseX; double min, max; int valueType; } cases[] = {
        {29, 100, 0.75, 0.75, 1},   // the minimum dragged past the maximum
        {10, 34, 0.3, 0.75, 1},     // from outside, below the range
        {79, 0, 0.25, 0.25, 2},     // the maximum dragged below the minimum
        {70, 94, 0.25, 0.9, 2},     // from inside, beside the maximum
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pressX);
        auto bar = rangedBar();
        bar->send(QEvent::MouseButtonPress, c.pressX, 10);
        bar->send(QEvent::MouseButtonRelease, c.releaseX, 10);
        EXPECT_DOUBLE_EQ(bar->bar.RangeMin(), c.min);
        EXPECT_DOUBLE_EQ(bar->bar.RangeMax(), c.max);
        ASSERT_EQ(bar->changes.size(), 1u);
        EXPECT_DOUBLE_EQ(bar->changes[0].value, c.valueType == 1 ? c.min : c.max);
        EXPECT_EQ(bar->changes[0].valueType, c.valueType);
    }
}

TEST(TColourBar, DraggingTheMiddleOfTheRangeDoesNothing)
{
    auto bar = rangedBar();
    bar->send(QEvent::MouseButtonPress, 54, 10);
    bar->send(QEvent::MouseMove, 90, 10);
    bar->send(QEvent::MouseButtonRelease, 95, 10);
    EXPECT_EQ(bar->bar.RangeMin(), 0.25);
    EXPECT_EQ(bar->bar.RangeMax(), 0.75);
    EXPECT_TRUE(bar->changes.empty());
}

TEST(TColourBar, CursorFollowsWhatIsUnderThePointer)
{
    auto ranged = rangedBar();
    ranged->bar.SetCursorLeft(Qt::SplitHCursor);
    const struct { int x; Qt::CursorShape shape; } cases[] = {
        {29, Qt::SplitHCursor}, {10, Qt::SplitHCursor}, {79, Qt::SizeHorCursor},
        {100, Qt::SizeHorCursor}, {54, Qt::ArrowCursor},
    };
    for (const auto &c : cases) {
        ranged->send(QEvent::MouseMove, c.x, 10);
        EXPECT_EQ(ranged->bar.cursor().shape(), c.shape) << c.x;
    }

    Bar vertical(20, 101);
    vertical.bar.SetHue(0.5);
    vertical.send(QEvent::MouseMove, 10, 50);
    EXPECT_EQ(vertical.bar.cursor().shape(), Qt::SizeVerCursor);
    vertical.send(QEvent::MouseMove, 10, 5);
    EXPECT_EQ(vertical.bar.cursor().shape(), Qt::ArrowCursor);

    vertical.bar.SetAutoCursor(false);
    vertical.send(QEvent::MouseMove, 10, 50);
    EXPECT_EQ(vertical.bar.cursor().shape(), Qt::ArrowCursor);
}

TEST(TColourBar, TinyBarsNeitherDivideByZeroNorDrag)
{
    // One pixel long: every position is the start.
    Bar one(3, 2);
    one.bar.SetEdge(false);
    one.bar.SetHorzGap(1);
    EXPECT_EQ(one.bar.GetValue(5), 0);
    one.bar.SetSlider(1);
    one.send(QEvent::MouseButtonPress, 1, 0);
    one.send(QEvent::MouseButtonRelease, 2, 0);
    EXPECT_EQ(one.bar.Hue(), 0);
    one.paint();

    // Gaps wider than the control: only the background.
    Bar none(10, 6);
    none.bar.SetEdge(false);
    none.bar.SetHorzGap(8);
    none.bar.SetColour(QColor(10, 20, 30));
    const QImage image = none.paint();
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(image.pixel(x, 3), rgb(10, 20, 30)) << x;
    none.send(QEvent::MouseButtonPress, 5, 3);
    EXPECT_FALSE(none.bar.isDragging());
    EXPECT_EQ(none.bar.GetValue(5), 0);
}
