#include "EggForm.h"

#include <platform/ModalDialog.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

static constexpr int WobbleAmplitude = 4;   // pixels the button's ellipse sways by

// The picture: a night sky with a moon, drawn here so that the page needs no file.
static QPixmap creditsPicture()
{
    QPixmap picture(160, 96);
    picture.fill(Qt::black);
    QPainter canvas(&picture);
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(QColor(250, 240, 190));
    canvas.drawEllipse(QPointF(80, 48), 30, 30);
    canvas.setBrush(Qt::black);
    canvas.drawEllipse(QPointF(94, 40), 26, 26);
    canvas.setBrush(Qt::white);
    for (const QPointF star : {QPointF(20, 18), QPointF(136, 14), QPointF(128, 70), QPointF(34, 76), QPointF(60, 10)})
        canvas.drawEllipse(star, 1.5, 1.5);
    return picture;
}

TEggForm1::TEggForm1(QWidget *owner)
    : QDialog(owner, Qt::FramelessWindowHint)
    , Picture(new QLabel(this))
    , TextLabel(new QLabel(QStringLiteral("The Vantrels and their friends are very happy that you found them :)"), this))
    , PoisButton(new QPushButton(QStringLiteral("Pois!"), this))
    , Timer1(new QTimer(this))
{
    setObjectName("EggForm1");
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);
    setAutoFillBackground(true);

    Picture->setObjectName("Picture");
    Picture->setPixmap(creditsPicture());
    Picture->setAlignment(Qt::AlignCenter);
    TextLabel->setObjectName("TextLabel");
    TextLabel->setAlignment(Qt::AlignCenter);
    PoisButton->setObjectName("PoisButton");
    PoisButton->setDefault(true);
    PoisButton->setFixedSize(110, 40);   // room for an ellipse that still shows its caption

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(60, 24, 60, 30);
    layout->addWidget(Picture);
    layout->addWidget(TextLabel);
    layout->addWidget(PoisButton, 0, Qt::AlignHCenter);
    resize(480, 260);

    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &TEggForm1::Timer1Timer);
    connect(PoisButton, &QPushButton::clicked, this, &TEggForm1::PoisButtonClick);
    setTextColour(TextColour(0));
    applyShape();
}

void TEggForm1::setTextColour(const QColor &colour)
{
    QPalette text = TextLabel->palette();
    text.setColor(QPalette::WindowText, colour);
    TextLabel->setPalette(text);
}

int TEggForm1::ShowModal()
{
    return ExecModal(*this);
}

QColor TEggForm1::TextColour(int counter)
{
    return {counter & 4 ? 255 : 0, counter & 8 ? 255 : 0, counter & 16 ? 255 : 0};
}

void TEggForm1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    move(area.right() + 1, area.top() + (area.height() - height()) / 2);
    m_targetX = area.left() + (area.width() - width()) / 2;
    Timer1->start();
}

void TEggForm1::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    applyShape();
}

// An ellipse over the middle with a band across it: rounded, with shoulders.
void TEggForm1::applyShape()
{
    const QRegion ellipse(QRect(QPoint(40, 0), QPoint(width() - 40 - 1, height() - 1)), QRegion::Ellipse);
    const QRegion band(QRect(QPoint(0, 50), QPoint(width() - 1, height() - 20 - 1)));
    setMask(ellipse.united(band));
}

void TEggForm1::Timer1Timer()
{
    do
        m_colourCounter = (m_colourCounter + 1) & 0xFF;
    while ((m_colourCounter & 0x1C) == 0);
    setTextColour(TextColour(m_colourCounter));

    m_phase += 5;
    const double angle = (m_phase & 0xFF) / 255.0 * 2 * std::numbers::pi;
    const int dx = int(std::lround(WobbleAmplitude * std::sin(angle)));
    const int dy = int(std::lround(WobbleAmplitude * std::cos(angle)));
    const QRect face = PoisButton->rect();
    PoisButton->setMask(QRegion(face.adjusted(WobbleAmplitude + dx, WobbleAmplitude + dy,
                                              -WobbleAmplitude + dx, -WobbleAmplitude + dy),
                                QRegion::Ellipse));

    // A step of an eighth of the way, at least a pixel.
    const int gap = m_targetX - x();
    if (gap != 0)
        move(x() + (std::abs(gap) >= 8 ? gap / 8 : (gap > 0 ? 1 : -1)), y());
    if (x() < -width()) {
        Timer1->stop();
        accept();
    }
}

void TEggForm1::PoisButtonClick()
{
    m_targetX = -2 * width();
}

void TEggForm1::reject()
{
    PoisButtonClick();
}
