#include <lib/controls/ToolbarButton.h>

#include <lib/controls/AlignLayout.h>
#include <lib/controls/Dock.h>
#include <platform/Exception.h>
#include <platform/SystemMetrics.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

void mouse(QWidget *widget, QEvent::Type type, QPoint at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget *widget)
{
    const QPoint centre = widget->rect().center();
    mouse(widget, QEvent::MouseButtonPress, centre);
    mouse(widget, QEvent::MouseButtonRelease, centre);
}

QImage grab(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// Buttons on one parent that count their clicks.
struct Buttons
{
    explicit Buttons(int count, int groupIndex)
    {
        for (int i = 0; i < count; ++i) {
            auto *button = new TToolbarButton(&parent);
            button->SetGroupIndex(groupIndex);
            QObject::connect(button, &TToolbarButton::OnClick, button, [this, i](TToolbarButton *) { clicks.push_back(i); });
            buttons.push_back(button);
        }
    }

    std::vector<bool> downs() const
    {
        std::vector<bool> states;
        for (const TToolbarButton *button : buttons)
            states.push_back(button->Down());
        return states;
    }

    QWidget parent;
    std::vector<TToolbarButton *> buttons;
    std::vector<int> clicks;
};

} // namespace

TEST(ToolbarButton, DownIsIgnoredWithoutAGroup)
{
    Buttons set(2, 0);
    set.buttons[0]->SetDown(true);
    EXPECT_FALSE(set.buttons[0]->Down());
    click(set.buttons[0]);
    EXPECT_FALSE(set.buttons[0]->Down());
    EXPECT_EQ(set.clicks, std::vector<int>{0});
    EXPECT_EQ(set.buttons[0]->State(), bsUp);
}

TEST(ToolbarButton, GroupKeepsOneDownAmongPeersOnTheSameParent)
{
    Buttons set(3, 1);
    // Same group number on another parent in the same window: not a peer.
    auto *otherToolbar = new QWidget(&set.parent);
    auto *stranger = new TToolbarButton(otherToolbar);
    stranger->SetGroupIndex(1);
    stranger->SetDown(true);

    click(set.buttons[0]);
    EXPECT_EQ(set.downs(), (std::vector<bool>{true, false, false}));
    click(set.buttons[2]);
    EXPECT_EQ(set.downs(), (std::vector<bool>{false, false, true}));
    set.buttons[1]->SetDown(true);
    EXPECT_EQ(set.downs(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(set.buttons[1]->State(), bsExclusive);
    EXPECT_TRUE(stranger->Down());
    EXPECT_EQ(set.clicks, (std::vector<int>{0, 2}));
}

TEST(ToolbarButton, TheDownButtonComesUpOnlyWithAllowAllUp)
{
    Buttons set(2, 3);
    click(set.buttons[0]);
    click(set.buttons[0]);
    EXPECT_TRUE(set.buttons[0]->Down());
    EXPECT_EQ(set.clicks, (std::vector<int>{0, 0}));   // it still clicks

    set.buttons[0]->SetAllowAllUp(true);
    click(set.buttons[0]);
    EXPECT_EQ(set.downs(), (std::vector<bool>{false, false}));
}

TEST(ToolbarButton, ReleaseOutsideGivesNoClick)
{
    Buttons set(1, 2);
    TToolbarButton *button = set.buttons[0];
    mouse(button, QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(button->State(), bsDown);
    mouse(button, QEvent::MouseMove, {40, 5});
    EXPECT_EQ(button->State(), bsUp);   // held, but the pointer left it
    mouse(button, QEvent::MouseMove, {6, 6});
    EXPECT_EQ(button->State(), bsDown);
    mouse(button, QEvent::MouseMove, {6, 40});
    mouse(button, QEvent::MouseButtonRelease, {6, 40});
    EXPECT_TRUE(set.clicks.empty());
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(button->State(), bsUp);
}

TEST(ToolbarButton, ReleaseOutsideKeepsADownButtonExclusive)
{
    Buttons set(1, 2);
    TToolbarButton *button = set.buttons[0];
    button->SetDown(true);
    mouse(button, QEvent::MouseButtonPress, {5, 5});
    mouse(button, QEvent::MouseMove, {60, 5});
    EXPECT_EQ(button->State(), bsExclusive);
    mouse(button, QEvent::MouseButtonRelease, {60, 5});
    EXPECT_TRUE(set.clicks.empty());
    EXPECT_EQ(button->State(), bsExclusive);
}

TEST(ToolbarButton, IsMadeAt23By22)
{
    QWidget parent;
    TToolbarButton button(&parent);
    EXPECT_EQ(button.size(), QSize(23, 22));
}

namespace {

const QRgb Key = qRgb(0, 128, 0);       // the strip's bottom-left pixel
const QRgb Black = qRgb(0, 0, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Silver = qRgb(192, 192, 192);
const QRgb Magenta = qRgb(255, 0, 255);

// A 4 by 4 glyph: row 0 black, white, silver, magenta; a magenta bottom-right
// corner; the rest the key colour.
QImage smallGlyph()
{
    QImage glyph(4, 4, QImage::Format_RGB32);
    glyph.fill(Key);
    glyph.setPixel(0, 0, Black);
    glyph.setPixel(1, 0, White);
    glyph.setPixel(2, 0, Silver);
    glyph.setPixel(3, 0, Magenta);
    glyph.setPixel(3, 3, Magenta);
    return glyph;
}

} // namespace

TEST(ButtonGlyph, TheBottomLeftPixelIsTransparent)
{
    TButtonGlyph glyph;
    glyph.SetGlyph(smallGlyph());
    EXPECT_EQ(glyph.TransparentColour(), Key);
    const QImage up = glyph.Image(bsUp, false);
    EXPECT_EQ(qAlpha(up.pixel(0, 3)), 0);
    EXPECT_EQ(qAlpha(up.pixel(1, 3)), 0);
    EXPECT_EQ(up.pixel(3, 3), Magenta);
    EXPECT_EQ(up.pixel(0, 0), Black);
    EXPECT_EQ(up.pixel(3, 0), Magenta);   // magenta is an ordinary colour here
}

TEST(ButtonGlyph, DisabledImageEmbossesTheDarkPixels)
{
    TButtonGlyph glyph;
    glyph.SetGlyph(smallGlyph());
    const QImage disabled = glyph.Image(bsDisabled, false);
    const QRgb shadow = SysColour(COLOR_BTNSHADOW).rgb();
    const QRgb light = SysColour(COLOR_BTNHIGHLIGHT).rgb();
    // Black and magenta are drawn in the shadow colour; white and silver not at all.
    EXPECT_EQ(disabled.pixel(0, 0), shadow);
    EXPECT_EQ(disabled.pixel(3, 0), shadow);
    EXPECT_EQ(qAlpha(disabled.pixel(2, 0)), 0);
    // The highlight one pixel right and down, where the shadow does not cover it.
    EXPECT_EQ(disabled.pixel(1, 1), light);
    EXPECT_EQ(qAlpha(disabled.pixel(2, 1)), 0);
    EXPECT_EQ(qAlpha(disabled.pixel(0, 1)), 0);

    const QImage old = glyph.Image(bsDisabled, true);
    EXPECT_EQ(old.pixel(0, 0), shadow);
    EXPECT_EQ(qAlpha(old.pixel(1, 1)), 0);   // the older style has no highlight
}

TEST(ButtonGlyph, StatesBeyondTheStripShowTheFirstGlyph)
{
    // Four glyphs of one colour each, and a key pixel bottom-left.
    const QRgb colours[4] = {qRgb(200, 0, 0), qRgb(0, 0, 200), qRgb(0, 200, 0), qRgb(200, 200, 0)};
    QImage strip(16, 4, QImage::Format_RGB32);
    for (int i = 0; i < 4; ++i) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x)
                strip.setPixel(i * 4 + x, y, colours[i]);
        }
    }
    strip.setPixel(0, 3, Key);
    TButtonGlyph glyph;
    glyph.SetGlyph(strip);
    glyph.SetNumGlyphs(4);
    EXPECT_EQ(glyph.Image(bsExclusive, false).pixel(1, 1), colours[3]);
    EXPECT_EQ(glyph.Image(bsDown, false).pixel(1, 1), colours[2]);
    glyph.SetGlyph(strip.copy(0, 0, 8, 4));
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(glyph.Image(bsExclusive, false).pixel(1, 1), colours[0]);
    EXPECT_EQ(glyph.Image(bsDisabled, false).pixel(1, 1), colours[1]);
}

TEST(ButtonGlyph, EqualStripsShareTheirImagesWhileAButtonHoldsThem)
{
    const size_t before = TGlyphCache::Count();
    {
        // Two windows' buttons with strips loaded apart but equal, and one other.
        auto first = std::make_unique<TButtonGlyph>();
        TButtonGlyph second;
        TButtonGlyph other;
        first->SetGlyph(smallGlyph());
        second.SetGlyph(smallGlyph().convertToFormat(QImage::Format_RGB32));
        QImage different = smallGlyph();
        different.setPixel(2, 2, Black);
        other.SetGlyph(different);
        EXPECT_EQ(&first->Image(bsUp, false), &second.Image(bsUp, false));
        EXPECT_NE(&first->Image(bsUp, false), &other.Image(bsUp, false));
        // The two styles of a disabled image are two images.
        const QImage *disabled = &first->Image(bsDisabled, false);
        EXPECT_EQ(disabled, &second.Image(bsDisabled, false));
        EXPECT_NE(disabled, &second.Image(bsDisabled, true));
        // The shared up image, the other's, and the disabled image in each style.
        EXPECT_EQ(TGlyphCache::Count(), before + 4);
        // Only the first held the disabled image of the newer style now.
        first.reset();
        EXPECT_EQ(TGlyphCache::Count(), before + 3);
    }
    EXPECT_EQ(TGlyphCache::Count(), before);
}

TEST(ToolbarButton, ShowsItsStatesGlyph)
{
    QImage strip(32, 8, QImage::Format_RGB32);
    strip.fill(qRgb(200, 0, 0));
    for (int y = 0; y < 8; ++y) {
        for (int x = 24; x < 32; ++x)
            strip.setPixel(x, y, qRgb(0, 0, 200));   // the fourth glyph: exclusive
    }
    strip.setPixel(0, 7, Key);
    QWidget parent;
    TToolbarButton button(&parent);
    button.SetGlyph(strip);
    button.SetNumGlyphs(4);
    button.SetGroupIndex(1);
    const QPoint glyphCentre(button.width() / 2, button.height() / 2);
    EXPECT_EQ(grab(button).pixel(glyphCentre), qRgb(200, 0, 0));
    button.SetDown(true);
    // Pushed content moves one pixel right and down.
    EXPECT_EQ(grab(button).pixel(glyphCentre + QPoint(1, 1)), qRgb(0, 0, 200));
}

TEST(ToolbarButton, DisabledButtonShowsTheEmbossedGlyph)
{
    QImage glyph(8, 8, QImage::Format_RGB32);
    glyph.fill(Key);
    for (int y = 2; y < 6; ++y) {
        for (int x = 2; x < 6; ++x)
            glyph.setPixel(x, y, Black);
    }
    QWidget parent;
    TToolbarButton button(&parent);
    button.SetGlyph(glyph);
    const QPoint glyphOrigin((button.width() - 8) / 2, (button.height() - 8) / 2);
    EXPECT_EQ(grab(button).pixel(glyphOrigin + QPoint(3, 3)), Black);
    button.setEnabled(false);
    const QImage image = grab(button);
    EXPECT_EQ(image.pixel(glyphOrigin + QPoint(3, 3)), SysColour(COLOR_BTNSHADOW).rgb());
    EXPECT_EQ(image.pixel(glyphOrigin + QPoint(6, 6)), SysColour(COLOR_BTNHIGHLIGHT).rgb());
    EXPECT_EQ(image.pixel(glyphOrigin + QPoint(1, 1)), SysColour(COLOR_BTNFACE).rgb());
}

TEST(ToolbarSep, OnlyOnAToolbar)
{
    QWidget parent;
    try {
        TToolbarSep sep(&parent);
        FAIL() << "a separator on a plain widget";
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), "TToolbarSep can only be placed on a TDockToolbar");
    }
}

TEST(ToolbarButton, DropdownMenuOpensBelowOrBesideTheButtonByItsDock)
{
    QWidget form;
    form.setGeometry(150, 100, 400, 300);
    new TAlignLayout(&form);
    TDock *docks[] = {new TDock(&form, dpTop), new TDock(&form, dpLeft), new TDock(&form, dpRight)};
    QMenu menu;
    menu.addAction(QStringLiteral("By name"));
    menu.addAction(QStringLiteral("By date"));
    auto *bar = new TDockToolbar(&form);
    auto *button = new TToolbarButton(bar);
    button->SetDropdownMenu(&menu);
    form.show();
    QCoreApplication::processEvents();
    for (TDock *dock : docks) {
        SCOPED_TRACE(dock->Position());
        bar->SetDockedTo(dock);
        mouse(button, QEvent::MouseButtonPress, button->rect().center());
        ASSERT_TRUE(menu.isVisible());
        const QRect shown = menu.geometry();
        const QRect face(button->mapToGlobal(QPoint(0, 0)), button->size());
        switch (dock->Position()) {
        case dpLeft:   // to its right, tops level
            EXPECT_EQ(shown.topLeft(), face.topRight() + QPoint(1, 0));
            break;
        case dpRight:   // to its left, by its right edge
            EXPECT_EQ(shown.right() + 1, face.left());
            EXPECT_EQ(shown.top(), face.top());
            break;
        default:   // below it
            EXPECT_EQ(shown.topLeft(), face.bottomLeft() + QPoint(0, 1));
            break;
        }
        menu.hide();
    }
}
