#include "ModalScript.h"

#include <Source/windows/EggForm.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TEST(EggForm, ShowsItsLineAndButtonInARoundedBlackWindow)
{
    TEggForm1 page;
    EXPECT_EQ(page.TextLabel->text(), "The Vantrels and their friends are very happy that you found them :)");
    EXPECT_EQ(page.PoisButton->text(), "Pois!");
    EXPECT_TRUE(page.PoisButton->isDefault());
    EXPECT_EQ(page.palette().color(QPalette::Window), QColor(Qt::black));
    // An ellipse inset by 40 at the sides, united with a band from 50 to 20 above the bottom.
    const QRegion shape = page.mask();
    const int w = page.width();
    const int h = page.height();
    EXPECT_TRUE(shape.contains(QPoint(w / 2, 1)));
    EXPECT_FALSE(shape.contains(QPoint(2, 2)));
    EXPECT_FALSE(shape.contains(QPoint(41, 3)));
    EXPECT_TRUE(shape.contains(QPoint(1, 50)));
    EXPECT_TRUE(shape.contains(QPoint(w - 2, h - 21)));
    EXPECT_FALSE(shape.contains(QPoint(1, h - 20)));
}

TEST(EggForm, TheTextColourSkipsBlack)
{
    struct Case { int counter; QColor colour; };
    const Case cases[] = {{4, Qt::red}, {8, Qt::green}, {16, Qt::blue}, {0x1C, Qt::white}, {0x1F, Qt::white}, {0x23, Qt::black}};
    for (const Case &test : cases) {
        SCOPED_TRACE(test.counter);
        EXPECT_EQ(TEggForm1::TextColour(test.counter), test.colour);
    }
    // Each tick takes the next counter whose colour is not black: from 0 that is 4.
    TEggForm1 page;
    page.Timer1Timer();
    EXPECT_EQ(page.TextLabel->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST(EggForm, SlidesInFromTheRightAndOffToTheLeftWhenPoisIsPressed)
{
    TEggForm1 page;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    int startX = 0;
    int afterSteps = 0;
    bool closedAfterPois = false;
    ModalScript script({[&](QDialog &) {
        startX = page.x();
        EXPECT_EQ(page.TargetX(), (screen.width() - page.width()) / 2);
        for (int tick = 0; tick < 200; ++tick)
            page.Timer1Timer();
        afterSteps = page.x();
        page.PoisButton->click();
        EXPECT_EQ(page.TargetX(), -2 * page.width());
        for (int tick = 0; tick < 200 && page.isVisible(); ++tick)
            page.Timer1Timer();
        closedAfterPois = !page.isVisible();
    }});
    EXPECT_EQ(page.ShowModal(), QDialog::Accepted);
    EXPECT_EQ(startX, screen.right() + 1);
    EXPECT_EQ(afterSteps, (screen.width() - page.width()) / 2);
    EXPECT_TRUE(closedAfterPois);
}

TEST(EggForm, EscapeSlidesThePageOffToo)
{
    TEggForm1 page;
    page.reject();
    EXPECT_EQ(page.TargetX(), -2 * page.width());
}
