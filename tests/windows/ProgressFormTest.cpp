#include <Source/windows/ProgressForm.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

TEST(ProgressForm, ShowsTheCaptionAndNamedControlsOfAPlainWindow)
{
    TProgressForm1 form;
    EXPECT_EQ(form.windowTitle(), "Processing...");
    EXPECT_TRUE(form.isWindow());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(form.findChild<QLabel *>("Label"), form.Label);
    EXPECT_EQ(form.findChild<QProgressBar *>("ProgressBar"), form.ProgressBar);
}

TEST(ProgressForm, GrowsToShowALongerTextWhole)
{
    TProgressForm1 form;
    form.show();
    QApplication::processEvents();
    form.Label->setText("Please wait while ZILO updates existing information... and a good deal more than that");
    form.ProgressBar->setRange(0, 26);
    form.ProgressBar->setValue(13);
    QApplication::processEvents();
    EXPECT_GE(form.Label->width(), form.Label->sizeHint().width());
    EXPECT_TRUE(form.rect().contains(form.Label->geometry()));
    EXPECT_EQ(form.ProgressBar->text(), "50%");
}
