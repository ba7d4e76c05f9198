#include <lib/controls/GradientCaption.h>

#include <platform/SystemMetrics.h>
#include <platform/WindowFrame.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <memory>

namespace {

const QColor Sentinel(255, 0, 255);

// A shown form carrying a caption bar.
struct CaptionedForm
{
    explicit CaptionedForm(int width = 400, const QString &title = QStringLiteral("Pictures"))
    {
        form->setWindowTitle(title);
        form->resize(width, 150);
        caption = new TGradientCaption(form.get());
        form->show();
        QApplication::processEvents();
    }
    // What the screen shows of the form, as the user sees it: only what has
    // been painted since the last change.
    QImage onScreen() const
    {
        QApplication::processEvents();
        return form->screen()->grabWindow(form->winId()).toImage();
    }
    // The caption bar's pixel at a point of the bar.
    QPoint inForm(QPoint barPoint) const { return caption->mapTo(form.get(), barPoint); }

    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    TGradientCaption *caption;
};

void click(QWidget *widget, QEvent::Type type, QPoint point, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void clickAt(QWidget *widget, QPoint press, QPoint release)
{
    click(widget, QEvent::MouseButtonPress, press);
    click(widget, QEvent::MouseButtonRelease, release);
}

// How many pixels of rect in image have exactly colour.
int pixelsOf(const QImage &image, const QRect &rect, const QColor &colour)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

TEST(PaintGradientBands, CoversTheRectangleWithoutGaps)
{
    const struct { int numColors, width; } cases[] = {{256, 100}, {64, 100}, {3, 7}, {2, 100}, {100, 100}, {7, 300}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.numColors << " bands over " << c.width);
        QImage image(c.width + 20, 3, QImage::Format_RGB32);
        image.fill(Sentinel);
        {
            QPainter canvas(&image);
            PaintGradientBands(canvas, QRect(10, 0, c.width, 3), QColor(0, 0, 0), QColor(255, 128, 64), c.numColors);
        }
        EXPECT_EQ(image.pixelColor(9, 1), Sentinel);
        EXPECT_EQ(image.pixelColor(10 + c.width, 1), Sentinel);
        // A band may be too narrow to show, so the ends are within a band's step of the colours.
        const int step = 255 / (c.numColors - 1);
        EXPECT_LE(image.pixelColor(10, 1).red(), step);
        EXPECT_GE(image.pixelColor(9 + c.width, 1).red(), 255 - step);
        int lastRed = -1;
        for (int x = 10; x < 10 + c.width; ++x) {
            const QColor colour = image.pixelColor(x, 1);
            ASSERT_NE(colour, Sentinel) << "a gap at " << x;
            ASSERT_GE(colour.red(), lastRed) << x;
            ASSERT_EQ(image.pixelColor(x, 0), colour);
            ASSERT_EQ(image.pixelColor(x, 2), colour);
            lastRed = colour.red();
        }
    }
}

TEST(PaintGradientBands, BandEdgesAndColoursAreTheRoundedDivisions)
{
    // 3 bands over 10 pixels: edges at round(10/3) = 3 and round(20/3) = 7;
    // colours 0, 100 and 200 from 0 to 200.
    QImage image(10, 1, QImage::Format_RGB32);
    QPainter canvas(&image);
    PaintGradientBands(canvas, QRect(0, 0, 10, 1), QColor(0, 0, 0), QColor(200, 200, 200), 3);
    canvas.end();
    const int expected[] = {0, 0, 0, 100, 100, 100, 100, 200, 200, 200};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(image.pixelColor(x, 0).red(), expected[x]) << x;
}

TEST(PaintGradientBands, FewerThanTwoBandsAreOneBandOfTheLeftColour)
{
    for (int numColors : {1, 0, -5}) {
        SCOPED_TRACE(numColors);
        QImage image(50, 2, QImage::Format_RGB32);
        image.fill(Sentinel);
        QPainter canvas(&image);
        PaintGradientBands(canvas, QRect(0, 0, 50, 2), QColor(10, 20, 30), QColor(200, 200, 200), numColors);
        canvas.end();
        EXPECT_EQ(pixelsOf(image, image.rect(), QColor(10, 20, 30)), 100);
    }
}

TEST(GradientShown, FollowsTheModeTheStateAndTheDisplayDepth)
{
    const struct { TGradEnabled mode; bool active; int depth; bool shown; } cases[] = {
        {geAlways, false, 4, true},    {geNever, true, 32, false},    {geWhenActive, true, 4, true},
        {geWhenActive, false, 32, false}, {geSmart, true, 8, true},   {geSmart, false, 8, false},
        {geSmart, true, 4, false},     {geSmart, false, 16, true},    {geSmart, true, 24, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " active " << c.active << " depth " << c.depth);
        EXPECT_EQ(GradientShown(c.mode, c.active, c.depth), c.shown);
    }
}

TEST(FitCaptionParts, DropsTheCompanyThenKeepsTheCaptionAlone)
{
    using Shown = std::array<bool, 3>;
    const struct { int available; std::array<int, 3> widths; Shown shown; } cases[] = {
        {300, {50, 60, 70}, {true, true, true}},
        {180, {50, 60, 70}, {true, true, true}},      // exactly fits
        {179, {50, 60, 70}, {false, true, true}},
        {130, {50, 60, 70}, {false, true, true}},
        {129, {50, 60, 70}, {false, false, true}},
        {10, {50, 60, 70}, {false, false, true}},     // cut with an ellipsis
        {100, {0, 60, 30}, {false, true, true}},      // no company part drawn
        {100, {50, 0, 40}, {true, false, true}},
        {50, {50, 0, 40}, {false, false, true}},
        {10, {50, 60, 0}, {false, false, false}},     // caption part hidden
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.available << ": " << c.widths[0] << " " << c.widths[1] << " "
                                        << c.widths[2]);
        EXPECT_EQ(FitCaptionParts(c.available, c.widths), c.shown);
    }
}

TEST(TGradientCaption, TheTitleJoinsTheVisibleParts)
{
    const struct { bool companyShown; const char *company; bool appShown; const char *app; bool captionShown;
                   const char *caption; const char *title; } cases[] = {
        {true, "Acme", true, "Zilo", true, "C:\\Pics", "Acme Zilo C:\\Pics"},
        {false, "Acme", false, "Zilo", true, "C:\\Pics", "C:\\Pics"},
        {true, "Acme", false, "Zilo", true, "C:\\Pics", "Acme C:\\Pics"},
        {false, "Acme", true, "Zilo", true, "C:\\Pics", "Zilo C:\\Pics"},
        {true, "", true, "Zilo", true, "C:\\Pics", "Zilo C:\\Pics"},
        {true, "Acme", true, "", true, "C:\\Pics", "Acme C:\\Pics"},
        {true, "Acme", true, "Zilo", false, "C:\\Pics", "Acme Zilo"},
        {true, "Acme", true, "Zilo", true, "", "Acme Zilo "},
    };
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        caption->CompanyText().SetCaption(QString::fromUtf8(c.company));
        caption->CompanyText().SetVisible(c.companyShown);
        caption->AppNameText().SetCaption(QString::fromUtf8(c.app));
        caption->AppNameText().SetVisible(c.appShown);
        caption->CaptionText().SetCaption(QString::fromUtf8(c.caption));
        caption->CaptionText().SetVisible(c.captionShown);
        EXPECT_EQ(captioned.form->windowTitle(), QString::fromUtf8(c.title));
        if (c.captionShown) {
            EXPECT_EQ(caption->CaptionText().Caption(), QString::fromUtf8(c.caption));
        }
    }
}

TEST(TGradientCaption, TheCaptionPartStripsOnlyLeadingParts)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    caption->CompanyText().SetCaption(QStringLiteral("Acme"));
    caption->AppNameText().SetCaption(QStringLiteral("Zilo"));
    const struct { bool companyShown; const char *title, *expected; } cases[] = {
        {true, "Acme Zilo Pics", "Pics"},
        {true, "Zilo Pics", "Pics"},
        {true, "Pics of Acme", "Pics of Acme"},
        {true, "My Zilo Pics", "My Zilo Pics"},
        {true, "Acme Pics by Zilo", "Pics by Zilo"},
        {true, "AcmeZilo", ""},
        {false, "Acme Zilo Pics", "Acme Zilo Pics"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        caption->CompanyText().SetVisible(c.companyShown);
        captioned.form->setWindowTitle(QString::fromUtf8(c.title));   // as a form sets its own title
        EXPECT_EQ(caption->CaptionText().Caption(), QString::fromUtf8(c.expected));
    }
}

TEST(TGradientCaption, LeavesTheCaptionPartAsTheTitleWhenItGoes)
{
    CaptionedForm captioned(400, QStringLiteral("C:\\Pics"));
    EXPECT_EQ(captioned.caption->CaptionText().StoredCaption(), "C:\\Pics");
    captioned.caption->AppNameText().SetCaption(QStringLiteral("Zilo"));
    EXPECT_EQ(captioned.form->windowTitle(), "Zilo C:\\Pics");
    delete captioned.caption;
    EXPECT_EQ(captioned.form->windowTitle(), "C:\\Pics");
    EXPECT_EQ(captioned.form->findChild<QWidget *>(QStringLiteral("FrameBorder")), nullptr);
}

TEST(TGradientCaption, SwitchingTheGradientShowsAtOnce)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    caption->SetColorLeftActive(QColor(200, 0, 0));
    caption->SetColorLeftInActive(QColor(200, 0, 0));
    caption->SetEnabled(geAlways);
    // The gradient's first column, left of the icon.
    const QPoint firstColumn = captioned.inForm(QPoint(0, 8));
    EXPECT_EQ(captioned.onScreen().pixelColor(firstColumn), QColor(200, 0, 0));

    caption->SetEnabled(geNever);
    const QColor solid = SysColour(caption->IsActive() ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    EXPECT_EQ(captioned.onScreen().pixelColor(firstColumn), solid);

    caption->SetEnabled(geAlways);
    EXPECT_EQ(captioned.onScreen().pixelColor(firstColumn), QColor(200, 0, 0));
}

TEST(TGradientCaption, ANarrowBarShowsTheCaptionAloneAndAWideOneEveryPart)
{
    const QColor companyColour(255, 0, 0), appColour(0, 255, 0), captionColour(0, 0, 255);
    const struct { int width; bool company, app; } cases[] = {{700, true, true}, {150, false, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.width);
        CaptionedForm captioned(c.width, QStringLiteral("Pictures"));
        TGradientCaption *caption = captioned.caption;
        caption->SetEnabled(geNever);
        caption->CompanyText().SetCaption(QStringLiteral("Acme Software Company"));
        caption->AppNameText().SetCaption(QStringLiteral("Zilo Image Organiser"));
        const std::pair<TCompanyText *, QColor> parts[] = {
            {&caption->CompanyText(), companyColour}, {&caption->AppNameText(), appColour},
            {&caption->CaptionText(), captionColour}};
        for (const auto &[part, colour] : parts) {
            part->SetColorActive(colour);
            part->SetColorInactive(colour);
            part->SetFontKind(fkSystemB);   // thick strokes, painted in the full colour
        }
        const QImage image = caption->grab().toImage();
        const QRect text = caption->TextRect();
        EXPECT_EQ(pixelsOf(image, text, companyColour) > 0, c.company);
        EXPECT_EQ(pixelsOf(image, text, appColour) > 0, c.app);
        EXPECT_GT(pixelsOf(image, text, captionColour), 0);
        EXPECT_EQ(captioned.form->windowTitle(), "Acme Software Company Zilo Image Organiser Pictures");
    }
}

TEST(TGradientCaption, ButtonsActOnlyWhenReleasedOnThem)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    const QPoint close = caption->ButtonRect(HTCLOSE).center();
    const QPoint maximise = caption->ButtonRect(HTMAXBUTTON).center();
    EXPECT_EQ(caption->ButtonAt(close), HTCLOSE);
    EXPECT_EQ(caption->ButtonAt(maximise), HTMAXBUTTON);
    EXPECT_EQ(caption->ButtonAt(caption->ButtonRect(HTMINBUTTON).center()), HTMINBUTTON);
    EXPECT_EQ(caption->ButtonAt(QPoint(40, 8)), HTCAPTION);
    EXPECT_LT(caption->ButtonRect(HTMINBUTTON).right(), caption->ButtonRect(HTMAXBUTTON).left());
    EXPECT_LT(caption->TextRect().right(), caption->ButtonRect(HTMINBUTTON).left());

    // Pressed on close and let go beside it: nothing.
    clickAt(caption, close, QPoint(40, 8));
    EXPECT_TRUE(captioned.form->isVisible());

    clickAt(caption, maximise, maximise);
    QApplication::processEvents();
    EXPECT_TRUE(captioned.form->isMaximized());
    const QPoint restore = caption->ButtonRect(HTMAXBUTTON).center();   // the bar is wider now
    EXPECT_NE(restore, maximise);
    clickAt(caption, restore, restore);
    QApplication::processEvents();
    EXPECT_FALSE(captioned.form->isMaximized());

    clickAt(caption, close, close);
    EXPECT_FALSE(captioned.form->isVisible());
}

TEST(TGradientCaption, ThePressedButtonShowsSunkenWhileThePointerIsOnIt)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    const QRect close = caption->ButtonRect(HTCLOSE);
    const QColor raisedTopLeft = caption->grab().toImage().pixelColor(close.topLeft());
    click(caption, QEvent::MouseButtonPress, close.center());
    const QColor sunkenTopLeft = caption->grab().toImage().pixelColor(close.topLeft());
    EXPECT_EQ(raisedTopLeft, SysColour(COLOR_3DLIGHT));
    EXPECT_EQ(sunkenTopLeft, SysColour(COLOR_BTNSHADOW));
    click(caption, QEvent::MouseMove, QPoint(40, 8));
    EXPECT_EQ(caption->grab().toImage().pixelColor(close.topLeft()), raisedTopLeft);
    click(caption, QEvent::MouseButtonRelease, QPoint(40, 8));
    EXPECT_TRUE(captioned.form->isVisible());
}

TEST(TGradientCaption, DoubleClickMaximisesAndRightClickOpensTheWindowMenu)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    click(caption, QEvent::MouseButtonDblClick, QPoint(60, 8));
    QApplication::processEvents();
    EXPECT_TRUE(captioned.form->isMaximized());
    click(caption, QEvent::MouseButtonDblClick, QPoint(60, 8));
    QApplication::processEvents();
    EXPECT_FALSE(captioned.form->isMaximized());

    click(caption, QEvent::MouseButtonPress, QPoint(60, 8), Qt::RightButton);
    auto *menu = captioned.form->findChild<QMenu *>(QStringLiteral("WindowMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST(TGradientCaption, AFixedFormShowsItsMaximiseButtonDisabled)
{
    CaptionedForm captioned;
    captioned.form->setFixedSize(400, 150);
    TGradientCaption *caption = captioned.caption;
    EXPECT_FALSE(caption->ButtonEnabled(HTMAXBUTTON));
    const QRect maximise = caption->ButtonRect(HTMAXBUTTON);
    const QImage image = caption->grab().toImage();
    EXPECT_EQ(pixelsOf(image, maximise, SysColour(COLOR_BTNTEXT)), 0);
    EXPECT_GT(pixelsOf(image, maximise, SysColour(COLOR_BTNSHADOW)), 0);
    EXPECT_GT(pixelsOf(image, caption->ButtonRect(HTCLOSE), SysColour(COLOR_BTNTEXT)), 0);
    clickAt(caption, maximise.center(), maximise.center());
    EXPECT_FALSE(captioned.form->isMaximized());
}

TEST(TGradientCaption, OnDrawCaptionDrawsInPlaceOfTheTexts)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    caption->SetEnabled(geNever);
    caption->CaptionText().SetColorActive(Qt::red);
    caption->CaptionText().SetColorInactive(Qt::red);
    caption->CaptionText().SetFontKind(fkSystemB);
    const QRect text = caption->TextRect();
    EXPECT_GT(pixelsOf(caption->grab().toImage(), text, Qt::red), 0);

    QRect given;
    caption->OnDrawCaption = [&given](TGradientCaption *, QPainter &canvas, const QRect &textRect) {
        given = textRect;
        canvas.fillRect(textRect.adjusted(0, 0, -textRect.width() / 2, 0), Qt::green);
    };
    const QImage image = caption->grab().toImage();
    EXPECT_EQ(given, text);
    EXPECT_EQ(pixelsOf(image, text, Qt::red), 0);
    EXPECT_EQ(image.pixelColor(text.topLeft()), QColor(Qt::green));
    // The icon and the buttons are still the bar's.
    EXPECT_LT(text.left(), caption->ButtonRect(HTMINBUTTON).left());
    EXPECT_GT(text.left(), GetSystemMetrics(SM_CXSMICON));
}

TEST(TGradientCaption, AutoHeightGivesCharactersAsHighAsTheCaptionFont)
{
    CaptionedForm captioned;
    TCompanyText &part = captioned.caption->AppNameText();
    QFont large = part.Font();
    large.setPixelSize(40);
    part.SetFont(large);
    part.SetFontKind(fkCustom);
    EXPECT_EQ(QFontInfo(part.Font()).pixelSize(), 40);
    part.SetFontKind(fkAutoHeight);
    EXPECT_EQ(QFontInfo(part.Font()).pixelSize(), QFontInfo(captioned.caption->CaptionText().Font()).pixelSize());
    EXPECT_EQ(part.Font().family(), large.family());
}

TEST(TGradientCaption, RecreatingTheFormsWindowKeepsTheCaption)
{
    CaptionedForm captioned;
    TGradientCaption *caption = captioned.caption;
    caption->SetColorLeftActive(QColor(200, 0, 0));
    caption->SetColorLeftInActive(QColor(200, 0, 0));
    caption->SetEnabled(geAlways);
    captioned.form->setWindowFlags(captioned.form->windowFlags() | Qt::WindowStaysOnTopHint);
    const WId before = captioned.form->winId();
    captioned.form->hide();
    captioned.form->windowHandle()->destroy();   // the window system's window goes, the form stays
    captioned.form->show();
    EXPECT_NE(captioned.form->winId(), before);
    EXPECT_TRUE(captioned.form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(captioned.form->windowHandle()->flags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(caption->geometry(), caption->Frame().CaptionRect());
    EXPECT_EQ(captioned.onScreen().pixelColor(captioned.inForm(QPoint(0, 8))), QColor(200, 0, 0));
}
