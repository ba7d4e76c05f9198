#include "ContactForm.h"

#include "TexturedPanel.h"

#include <lib/Shell.h>
#include <platform/MessageBox.h>
#include <platform/Shell.h>
#include <platform/SystemMetrics.h>

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>

namespace {

constexpr int ClientWidth = 373;
constexpr int ClientHeight = 395;

// A head and shoulders in the party's colours: the photos are drawn, not shipped.
QPixmap portrait(QColor background, QColor skin, QColor hair, QColor clothes)
{
    QPixmap picture(64, 64);
    picture.fill(background);
    QPainter canvas(&picture);
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(clothes);
    canvas.drawEllipse(QRectF(8, 44, 48, 40));
    canvas.setBrush(skin);
    canvas.drawRect(QRectF(27, 36, 10, 10));
    canvas.drawEllipse(QRectF(20, 14, 24, 28));
    canvas.setBrush(hair);
    QPainterPath fringe;
    fringe.moveTo(19, 28);
    fringe.cubicTo(16, 6, 48, 6, 45, 28);
    fringe.cubicTo(40, 16, 26, 16, 19, 28);
    canvas.drawPath(fringe);
    canvas.setBrush(QColor(40, 40, 40));
    canvas.drawEllipse(QPointF(27, 28), 1.6, 1.6);
    canvas.drawEllipse(QPointF(37, 28), 1.6, 1.6);
    canvas.setPen(QPen(QColor(150, 60, 60), 1.2));
    canvas.drawArc(QRectF(27, 31, 10, 6), 200 * 16, 140 * 16);
    return picture;
}

// The background tile: warm paper with faint fibres.
QPixmap paperTile()
{
    QImage tile(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int grain = ((x * 7 + y * 13) ^ (x * y)) % 9;
            tile.setPixelColor(x, y, QColor(226 + grain, 220 + grain, 204 + grain));
        }
    return QPixmap::fromImage(tile);
}

void place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(left, top, width, height);
}

} // namespace

// The author, feedback and testing, and the producer are the product's own
// people; the three components are the projects that stand in their places
// in this build, named with their own web sites and no mail address.
const std::array<TContactForm1::Party, 6> TContactForm1::Parties = {{
    {"Morwen Astley (author)", "morwen.astley@vantrel.example", "http://www.vantrel.example/", 0},
    {"Tobiah Renner (feedback and testing)", "tobiah@renner.example", "http://www.renner.example/testing.htm", 1},
    {"Calla Dunmore (producer)", "calla.dunmore@vantrel.example", "http://www.vantrel.example/producer/", 2},
    {"The Qt Project (docking toolbars)", "", "https://www.qt.io", -1},
    {"libjpeg-turbo (imaging library)", "", "https://libjpeg-turbo.org", -1},
    {"freedesktop.org (caption bar)", "", "https://www.freedesktop.org", -1},
}};

QString BrowserAddress(const QString &web)
{
    return web.endsWith(u'/') ? web + QStringLiteral("index.htm") : web;
}

TContactForm1::TContactForm1(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ContactForm1"));
    setWindowTitle(QStringLiteral("Credits and Contact Information"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    TexturedPanel1 = new TTexturedPanel(this);
    TexturedPanel1->setObjectName(QStringLiteral("TexturedPanel1"));
    TexturedPanel1->SetBitmap(paperTile());
    place(TexturedPanel1, 0, 0, ClientWidth, ClientHeight);
    QWidget *panel = TexturedPanel1;

    const char *labelNames[] = {"Label3", "Label6", "Label7", "Label8", "Label9", "Label10"};
    for (int tag = 0; tag < 6; ++tag) {
        RadioButtons[tag] = new QRadioButton(panel);
        RadioButtons[tag]->setObjectName(QStringLiteral("RadioButton%1").arg(tag + 1));
        RadioButtons[tag]->setProperty("tag", tag);
        place(RadioButtons[tag], 16, 14 + tag * 24, 20, 20);
        connect(RadioButtons[tag], &QRadioButton::clicked, this, [this, tag] { RadioButtonClick(tag); });
        EntryLabels[tag] = new QLabel(QString::fromUtf8(Parties[tag].name), panel);
        EntryLabels[tag]->setObjectName(QString::fromLatin1(labelNames[tag]));
        EntryLabels[tag]->setProperty("tag", tag);
        EntryLabels[tag]->installEventFilter(this);
        place(EntryLabels[tag], 38, 14 + tag * 24, 240, 20);
    }

    ImagePanel = new QLabel(panel);
    ImagePanel->setObjectName(QStringLiteral("ImagePanel"));
    ImagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ImagePanel->setLineWidth(1);
    place(ImagePanel, 292, 14, 66, 66);
    const QPixmap photos[3] = {
        portrait(QColor(170, 200, 230), QColor(240, 200, 170), QColor(90, 50, 30), QColor(40, 70, 120)),
        portrait(QColor(200, 230, 190), QColor(200, 150, 110), QColor(30, 30, 30), QColor(150, 40, 40)),
        portrait(QColor(240, 220, 180), QColor(250, 215, 190), QColor(200, 160, 60), QColor(60, 110, 70)),
    };
    for (int index = 0; index < 3; ++index) {
        Images[index] = new QLabel(ImagePanel);
        Images[index]->setObjectName(QStringLiteral("Image%1").arg(index + 1));
        Images[index]->setPixmap(photos[index]);
        place(Images[index], 1, 1, 64, 64);
    }

    Label1 = new QLabel(QStringLiteral("Please send mail about this product to its author only."), panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    place(Label1, 16, 164, 341, 36);
    Label2 = new QLabel(QStringLiteral("The other addresses are given only for questions about those parties' own "
                                       "products: please visit their web sites first."),
                        panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    place(Label2, 16, 206, 341, 50);

    auto *mailLabel = new QLabel(QStringLiteral("&Email:"), panel);
    place(mailLabel, 16, 262, 50, 22);
    Edit1 = new QLineEdit(panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    mailLabel->setBuddy(Edit1);
    place(Edit1, 70, 262, 254, 22);
    auto *webLabel = new QLabel(QStringLiteral("&Web:"), panel);
    place(webLabel, 16, 292, 50, 22);
    Edit2 = new QLineEdit(panel);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setReadOnly(true);
    webLabel->setBuddy(Edit2);
    place(Edit2, 70, 292, 254, 22);
    SpeedButton1 = new QToolButton(panel);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton2 = new QToolButton(panel);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    for (QToolButton *button : {SpeedButton1, SpeedButton2}) {
        button->setToolTip(QStringLiteral("Copy"));
        button->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
        if (button->icon().isNull())
            button->setText(QStringLiteral("C"));
    }
    place(SpeedButton1, 330, 262, 27, 22);
    place(SpeedButton2, 330, 292, 27, 22);

    BrowserButton = new QPushButton(QStringLiteral("&Open In Default Browser"), panel);
    BrowserButton->setObjectName(QStringLiteral("BrowserButton"));
    place(BrowserButton, 16, 348, 180, 28);
    OKButton = new QPushButton(QStringLiteral("OK"), panel);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    place(OKButton, 287, 348, 70, 28);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(BrowserButton, &QPushButton::clicked, this, &TContactForm1::BrowserButtonClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TContactForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TContactForm1::SpeedButton2Click);
}

void TContactForm1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TContactForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->property("tag").isValid()) {
        RadioButtonClick(watched->property("tag").toInt());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TContactForm1::FormShow()
{
    RadioButtonClick(0);
}

void TContactForm1::RadioButtonClick(int tag)
{
    if (tag < 0 || tag >= int(Parties.size()))
        return;
    const Party &party = Parties[tag];
    RadioButtons[tag]->setChecked(true);
    RadioButtons[tag]->setFocus();
    Edit1->setText(QString::fromUtf8(party.mail));
    Edit2->setText(QString::fromUtf8(party.web));
    QPalette colours = Label1->palette();
    if (tag == 0) {
        Label1->setAutoFillBackground(false);
        colours.setColor(QPalette::WindowText, SysColour(COLOR_BTNTEXT));
        colours.setColor(QPalette::Window, SysColour(COLOR_BTNFACE));
    } else {
        Label1->setAutoFillBackground(true);
        colours.setColor(QPalette::WindowText, Qt::red);
        colours.setColor(QPalette::Window, Qt::white);
    }
    Label1->setPalette(colours);
    for (int index = 0; index < int(Images.size()); ++index)
        Images[index]->setVisible(index == party.photo);
    ImagePanel->setVisible(party.photo >= 0);
    update();
}

void TContactForm1::BrowserButtonClick()
{
    const QByteArray address = BrowserAddress(Edit2->text()).toUtf8();
    const int result = TShell::Execute(this, "open", address.constData(), nullptr, nullptr, SW_SHOWDEFAULT, nullptr);
    if (result == -1)
        return;
    const char *text = result == SE_ERR_NOASSOC ? "There is no application associated with URLs" : "Unable to open URL";
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_OK);
}

// Copies the whole text of edit to the clipboard through its selection.
static void copyField(QLineEdit *edit)
{
    edit->setFocus();
    edit->selectAll();
    edit->copy();
}

void TContactForm1::SpeedButton1Click()
{
    copyField(Edit1);
}

void TContactForm1::SpeedButton2Click()
{
    copyField(Edit2);
}
