#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <launcher/ContactForm.h>
#include <launcher/TexturedPanel.h>
#include <platform/MessageBox.h>
#include <platform/SystemMetrics.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

TEST(ContactForm, EveryShowingStartsAtTheAuthor)
{
    TContactForm1 form;
    form.show();
    EXPECT_TRUE(form.RadioButtons[0]->isChecked());
    form.RadioButtonClick(4);
    EXPECT_TRUE(form.RadioButtons[4]->isChecked());
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("https://libjpeg-turbo.org"));
    form.hide();
    form.show();
    EXPECT_TRUE(form.RadioButtons[0]->isChecked());
    EXPECT_FALSE(form.RadioButtons[4]->isChecked());
    EXPECT_EQ(form.Edit1->text(), QString::fromUtf8(TContactForm1::Parties[0].mail));
    EXPECT_EQ(form.Edit2->text(), QString::fromUtf8(TContactForm1::Parties[0].web));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Credits and Contact Information"));
    EXPECT_EQ(form.size(), QSize(373, 395));
}

TEST(ContactForm, EachEntryShowsItsAddressesPhotoAndNotice)
{
    TContactForm1 form;
    form.show();
    for (int tag = 0; tag < 6; ++tag) {
        SCOPED_TRACE(tag);
        // Clicking the label selects the entry as its button does.
        QTest::mouseClick(form.EntryLabels[tag], Qt::LeftButton);
        EXPECT_TRUE(form.RadioButtons[tag]->isChecked());
        const TContactForm1::Party &party = TContactForm1::Parties[tag];
        EXPECT_EQ(form.Edit1->text(), QString::fromUtf8(party.mail));
        EXPECT_EQ(form.Edit2->text(), QString::fromUtf8(party.web));
        EXPECT_EQ(form.ImagePanel->isVisible(), tag <= 2);
        for (int photo = 0; photo < 3; ++photo)
            EXPECT_EQ(form.Images[photo]->isVisible(), photo == tag);
        EXPECT_EQ(form.Label1->autoFillBackground(), tag != 0);
        const QPalette colours = form.Label1->palette();
        EXPECT_EQ(colours.color(QPalette::WindowText), tag == 0 ? SysColour(COLOR_BTNTEXT) : QColor(Qt::red));
        if (tag != 0) {
            EXPECT_EQ(colours.color(QPalette::Window), QColor(Qt::white));
        }
    }
    // The component entries name real projects, with no invented mail.
    for (int tag = 3; tag < 6; ++tag)
        EXPECT_STREQ(TContactForm1::Parties[tag].mail, "");
}

TEST(ContactForm, AnAddressEndingInASlashGetsTheIndexPage)
{
    EXPECT_EQ(BrowserAddress(QStringLiteral("http://www.vantrel.example/")),
              QStringLiteral("http://www.vantrel.example/index.htm"));
    EXPECT_EQ(BrowserAddress(QStringLiteral("https://www.qt.io")), QStringLiteral("https://www.qt.io"));
    EXPECT_EQ(BrowserAddress(QStringLiteral("http://a.example/page.htm")), QStringLiteral("http://a.example/page.htm"));
}

TEST(ContactForm, TheBrowserOpensTheAddressOrTheUserIsTold)
{
    FakeDesktop desktop;
    std::vector<QString> boxes;
    SetMessageBoxResponder([&](const QString &text, const QString &caption, UINT type) {
        boxes.push_back(caption + '|' + text + '|' + QString::number(type));
        return IDOK;
    });
    TContactForm1 form;
    form.show();
    form.BrowserButtonClick();
    EXPECT_EQ(boxes, (std::vector<QString>{QStringLiteral("Error|There is no application associated with URLs|%1")
                                               .arg(MB_ICONERROR | MB_OK)}));
    desktop.addApplication("browser", "x-scheme-handler/http;x-scheme-handler/https;");
    boxes.clear();
    form.BrowserButtonClick();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()), QByteArray("http://www.vantrel.example/index.htm\n"));
    SetMessageBoxResponder({});
}

TEST(ContactForm, CopyButtonsPutTheWholeFieldOnTheClipboard)
{
    TContactForm1 form;
    form.show();
    form.RadioButtonClick(1);
    form.SpeedButton1->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(TContactForm1::Parties[1].mail));
    EXPECT_EQ(form.Edit1->selectedText(), form.Edit1->text());
    form.SpeedButton2->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(TContactForm1::Parties[1].web));
    EXPECT_EQ(form.SpeedButton1->toolTip(), QStringLiteral("Copy"));
}

TEST(TexturedPanel, TilesItsBitmapFromTheTopLeftAndOtherwisePaintsNothing)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, QColor(1, 2, 3));
    window.setPalette(colours);
    TTexturedPanel panel(&window);
    panel.setGeometry(0, 0, 100, 50);
    window.resize(100, 50);
    EXPECT_EQ(window.grab().toImage().pixel(50, 25), qRgb(1, 2, 3));   // no bitmap: nothing painted

    QPixmap tile(30, 20);
    tile.fill(QColor(200, 0, 0));
    {
        QPainter canvas(&tile);
        canvas.fillRect(0, 0, 5, 5, QColor(0, 200, 0));
    }
    panel.SetBitmap(tile);
    const QImage shown = window.grab().toImage();
    for (const QPoint corner : {QPoint(0, 0), QPoint(30, 0), QPoint(90, 40), QPoint(60, 20)})
        EXPECT_EQ(shown.pixel(corner + QPoint(2, 2)), qRgb(0, 200, 0)) << corner.x() << ',' << corner.y();
    EXPECT_EQ(shown.pixel(40, 10), qRgb(200, 0, 0));
    EXPECT_EQ(shown.pixel(99, 49), qRgb(200, 0, 0));   // the last part tile is filled too
}

} // namespace
