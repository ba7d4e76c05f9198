// A window to look at the library's scroll bars and scroll box as a user would:
// a box scrolling a large painted picture with both bars, and standalone bars
// with their buttons apart and together. On start it prints, one a line, the
// places worth clicking ("name x y", in the window's pixels), for
// scripts/looks/scrollbox.actions to drive it with.

#include <lib/controls/NewScrollBox.h>

#include <QApplication>
#include <QLabel>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int ContentWidth = 1600;
constexpr int ContentHeight = 1200;
constexpr int CellSize = 100;

// Numbered cells of changing colour, shifted by the bars' positions.
class PictureClient : public TNewScrollClient
{
public:
    using TNewScrollClient::TNewScrollClient;

protected:
    void Paint(QPainter &canvas) override
    {
        const int left = Box()->HorzScrollBar()->Position();
        const int top = Box()->VertScrollBar()->Position();
        for (int row = 0; row < ContentHeight / CellSize; ++row) {
            for (int column = 0; column < ContentWidth / CellSize; ++column) {
                const QRect cell(column * CellSize - left, row * CellSize - top, CellSize, CellSize);
                canvas.fillRect(cell.adjusted(4, 4, -4, -4), QColor::fromHsv((row * 40 + column * 15) % 360, 90, 230));
                canvas.drawText(cell, Qt::AlignCenter, QStringLiteral("%1,%2").arg(column).arg(row));
            }
        }
    }
};

// A box whose bars follow its client and whose client follows its bars.
class PictureBox : public TNewScrollBox
{
public:
    explicit PictureBox(QWidget *parent) : TNewScrollBox(parent)
    {
        SetClient(new PictureClient(this));
        for (TNewScrollBar *bar : {static_cast<TNewScrollBar *>(HorzScrollBar()),
                                   static_cast<TNewScrollBar *>(VertScrollBar())})
            connect(bar, &TNewScrollBar::OnChange, this, [this] { Invalidate(); });
        HorzScrollBar()->SetRange(ContentWidth);
        VertScrollBar()->SetRange(ContentHeight);
        followClient();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        TNewScrollBox::resizeEvent(event);
        followClient();
    }

private:
    void followClient()
    {
        HorzScrollBar()->SetPage(Client()->width());
        VertScrollBar()->SetPage(Client()->height());
    }
};

TNewScrollBar *makeBar(QWidget *window, TScrollBarKind kind, TButtonType buttons, const QRect &geometry)
{
    auto *bar = new TNewScrollBar(window);
    bar->SetKind(kind);
    bar->SetButtonType(buttons);
    bar->setGeometry(geometry);
    bar->SetRange(1000);
    bar->SetPage(100);
    bar->SetPosition(300);
    return bar;
}

void label(QWidget *window, const QString &text, QPoint at)
{
    auto *caption = new QLabel(text, window);
    caption->move(at);
}

void printPlace(const char *name, const TNewScrollBar *bar, int part, const QWidget *window)
{
    const QPoint at = bar->mapTo(window, bar->RectFromHit(part).center());
    std::printf("%s %d %d\n", name, at.x(), at.y());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("ScrollBoxDemo"));
    window.setFixedSize(760, 400);

    label(&window, QStringLiteral("Scroll box"), QPoint(20, 14));
    auto *box = new PictureBox(&window);
    box->setGeometry(20, 40, 400, 300);

    label(&window, QStringLiteral("Buttons apart, together"), QPoint(460, 14));
    TNewScrollBar *apart = makeBar(&window, sbHorizontal, btSeparate, QRect(460, 40, 280, 16));
    makeBar(&window, sbHorizontal, btTogether, QRect(460, 70, 280, 16));
    makeBar(&window, sbVertical, btSeparate, QRect(460, 110, 16, 230));
    makeBar(&window, sbVertical, btTogether, QRect(496, 110, 16, 230));
    label(&window, QStringLiteral("Too short for a thumb"), QPoint(540, 110));
    makeBar(&window, sbHorizontal, btSeparate, QRect(540, 136, 38, 16));
    makeBar(&window, sbHorizontal, btSeparate, QRect(600, 136, 24, 16));
    label(&window, QStringLiteral("Disabled"), QPoint(540, 180));
    makeBar(&window, sbHorizontal, btSeparate, QRect(540, 206, 200, 16))->setEnabled(false);

    window.show();
    printPlace("boxDownArrow", box->VertScrollBar(), TNewScrollBar::htSecondButton, &window);
    printPlace("boxHorzThumb", box->HorzScrollBar(), TNewScrollBar::htThumb, &window);
    printPlace("barThumb", apart, TNewScrollBar::htThumb, &window);
    printPlace("barTrackAfter", apart, TNewScrollBar::htTrackAfter, &window);
    std::fflush(stdout);
    return application.exec();
}
