#include <lib/controls/NewScrollBox.h>

#include <platform/SystemMetrics.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPointer>

#include <memory>

namespace {

// A 200 x 150 box with its single border: a client area of 196 x 146 from (2, 2).
std::unique_ptr<TNewScrollBox> makeBox()
{
    auto box = std::make_unique<TNewScrollBox>();
    box->resize(200, 150);
    box->show();   // a hidden widget hears of its size only when shown
    return box;
}

QImage paint(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// Makes the content of a box larger or smaller than its client, as an owner
// does: the bars' ranges follow the content, their pages the client.
void setContent(TNewScrollBox &box, int width, int height)
{
    box.HorzScrollBar()->SetRange(width);
    box.VertScrollBar()->SetRange(height);
    box.HorzScrollBar()->SetPage(box.Client()->width());
    box.VertScrollBar()->SetPage(box.Client()->height());
}

QPixmap pixmapOf(QSize size, QColor fill, QColor topLeft)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, topLeft);
    return QPixmap::fromImage(image);
}

// A client that paints a black square at its top-left as its content.
class SquareClient : public TNewScrollClient
{
public:
    using TNewScrollClient::TNewScrollClient;

protected:
    void Paint(QPainter &canvas) override { canvas.fillRect(0, 0, 5, 5, Qt::black); }
};

} // namespace

TEST(TNewScrollBox, Defaults)
{
    TNewScrollBox box;
    EXPECT_EQ(box.size(), QSize(128, 128));
    EXPECT_EQ(box.BorderStyle(), bsSingle);
    EXPECT_EQ(box.CornerStyle(), csColor);
    EXPECT_EQ(box.GetPalette(), nullptr);
    EXPECT_EQ(box.Client()->GetPalette(), nullptr);
    EXPECT_EQ(box.VertScrollBar()->Kind(), sbVertical);
    EXPECT_EQ(box.HorzScrollBar()->Kind(), sbHorizontal);
    EXPECT_FALSE(box.VertScrollBar()->isHidden());
    EXPECT_FALSE(box.HorzScrollBar()->isHidden());
    EXPECT_EQ(box.ClientRect(), QRect(2, 2, 124, 124));
    EXPECT_EQ(box.Client()->geometry(), QRect(2, 2, 108, 108));
    EXPECT_EQ(box.findChild<TNewScrollBar *>(QStringLiteral("VertScrollBar")), box.VertScrollBar());
}

TEST(TNewScrollBox, CornerStyleDecidesWhichBarTakesTheCorner)
{
    const struct { TCornerStyle style; QRect vertical, horizontal; } cases[] = {
        {csColor, QRect(182, 2, 16, 130), QRect(2, 132, 180, 16)},
        {csBitmap, QRect(182, 2, 16, 130), QRect(2, 132, 180, 16)},
        {csVertical, QRect(182, 2, 16, 146), QRect(2, 132, 180, 16)},
        {csHorizontal, QRect(182, 2, 16, 130), QRect(2, 132, 196, 16)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.style);
        auto box = makeBox();
        box->SetCornerStyle(c.style);
        EXPECT_EQ(box->VertScrollBar()->geometry(), c.vertical);
        EXPECT_EQ(box->HorzScrollBar()->geometry(), c.horizontal);
        EXPECT_EQ(box->Client()->geometry(), QRect(2, 2, 180, 130));
    }
}

TEST(TNewScrollBox, LaysOutAsTheContentGrowsAndShrinks)
{
    auto box = makeBox();
    TNewScrollClient *client = box->Client();

    // Taller than the client only: no horizontal bar, the vertical one full height.
    setContent(*box, 100, 1000);
    EXPECT_TRUE(box->HorzScrollBar()->isHidden());
    EXPECT_FALSE(box->VertScrollBar()->isHidden());
    EXPECT_EQ(client->geometry(), QRect(2, 2, 180, 146));
    EXPECT_EQ(box->VertScrollBar()->geometry(), QRect(182, 2, 16, 146));

    // Wider too: both bars, the corner between them.
    setContent(*box, 500, 1000);
    EXPECT_FALSE(box->HorzScrollBar()->isHidden());
    EXPECT_EQ(client->geometry(), QRect(2, 2, 180, 130));
    EXPECT_EQ(box->VertScrollBar()->geometry(), QRect(182, 2, 16, 130));
    EXPECT_EQ(box->HorzScrollBar()->geometry(), QRect(2, 132, 180, 16));
    EXPECT_EQ(box->VertScrollBar()->Page(), 130);

    // Shorter again: the vertical bar goes, the client and the horizontal bar widen.
    setContent(*box, 500, 100);
    EXPECT_TRUE(box->VertScrollBar()->isHidden());
    EXPECT_EQ(client->geometry(), QRect(2, 2, 196, 130));
    EXPECT_EQ(box->HorzScrollBar()->geometry(), QRect(2, 132, 196, 16));

    // Nothing to scroll: the client has the whole area.
    setContent(*box, 100, 100);
    EXPECT_TRUE(box->HorzScrollBar()->isHidden());
    EXPECT_EQ(client->geometry(), QRect(2, 2, 196, 146));

    // The box resized: the parts follow.
    setContent(*box, 500, 1000);
    box->resize(300, 250);
    EXPECT_EQ(client->geometry(), QRect(2, 2, 280, 230));
    EXPECT_EQ(box->VertScrollBar()->geometry(), QRect(282, 2, 16, 230));
    EXPECT_EQ(box->HorzScrollBar()->geometry(), QRect(2, 232, 280, 16));
}

TEST(TNewScrollBox, WithoutBorderThePartsFillTheBox)
{
    auto box = makeBox();
    box->SetBorderStyle(bsNone);
    EXPECT_EQ(box->ClientRect(), QRect(0, 0, 200, 150));
    EXPECT_EQ(box->Client()->geometry(), QRect(0, 0, 184, 134));
    EXPECT_EQ(box->VertScrollBar()->geometry(), QRect(184, 0, 16, 134));
    EXPECT_EQ(box->HorzScrollBar()->geometry(), QRect(0, 134, 184, 16));
}

TEST(TNewScrollBox, PaintsBorderCornerAndBackground)
{
    auto box = makeBox();
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, QColor(255, 0, 0));
    box->setPalette(colours);
    QImage image = paint(*box);
    EXPECT_EQ(image.pixelColor(190, 140), QColor(255, 0, 0));        // the corner
    EXPECT_EQ(image.pixelColor(50, 50), QColor(255, 0, 0));          // the client's plain colour
    EXPECT_EQ(image.pixelColor(0, 0), SysColour(COLOR_BTNSHADOW));   // the sunken edge
    EXPECT_EQ(image.pixelColor(1, 1), SysColour(COLOR_3DDKSHADOW));
    EXPECT_EQ(image.pixelColor(199, 149), SysColour(COLOR_BTNHIGHLIGHT));

    // A bitmap is tiled over the client from its top-left and shown in the corner.
    box->SetBitmap(pixmapOf(QSize(10, 10), Qt::blue, Qt::green));
    box->SetCornerStyle(csBitmap);
    image = paint(*box);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(22, 32), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(23, 32), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(182, 132), QColor(Qt::green));        // the corner's top-left
    EXPECT_EQ(image.pixelColor(195, 145), QColor(255, 0, 0));        // beyond the bitmap: the colour

    // The vertical bar covers the corner.
    box->SetCornerStyle(csVertical);
    image = paint(*box);
    EXPECT_NE(image.pixelColor(190, 140), QColor(Qt::green));
    EXPECT_NE(image.pixelColor(190, 140), QColor(255, 0, 0));

    // An empty bitmap leaves the plain colour.
    box->SetBitmap(QPixmap());
    image = paint(*box);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(22, 32), QColor(255, 0, 0));
}

TEST(TNewScrollBox, SetClientReplacesTheClient)
{
    auto box = makeBox();
    setContent(*box, 100, 1000);
    QPointer<TNewScrollClient> old = box->Client();
    auto *client = new SquareClient(box.get());
    box->SetClient(client);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(box->Client(), client);
    EXPECT_EQ(client->Box(), box.get());
    EXPECT_FALSE(client->isHidden());
    EXPECT_EQ(client->geometry(), QRect(2, 2, 180, 146));
    box->setFocus();   // the focus the box gets goes to its client
    EXPECT_EQ(box->focusWidget(), client);
    const QImage image = paint(*box);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(6, 6), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(7, 7), QColor(Qt::black));
}

TEST(TNewScrollBox, ScrollInViewMovesTheBarsTheLeastThatShowsTheControl)
{
    // Client 180 x 130; both bars at 100 of ranges that leave room either way.
    const struct { const char *name; QRect control; int horizontal, vertical; } cases[] = {
        {"fully visible", QRect(10, 10, 50, 50), 100, 100},
        {"touching the far edges", QRect(130, 80, 50, 50), 100, 100},
        {"left edge out", QRect(-20, 10, 50, 50), 80, 100},
        {"top edge out", QRect(10, -40, 50, 50), 100, 60},
        {"under the vertical bar", QRect(170, 10, 20, 20), 110, 100},
        {"under the horizontal bar", QRect(10, 120, 20, 20), 100, 110},
        {"below the view", QRect(10, 300, 20, 20), 100, 290},
        {"taller than the view", QRect(10, 50, 20, 200), 100, 150},
        {"wider than the view", QRect(30, 10, 300, 20), 130, 100},
        {"far above: clamped", QRect(10, -500, 20, 20), 100, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto box = makeBox();
        setContent(*box, 1000, 1000);
        box->HorzScrollBar()->SetPosition(100);
        box->VertScrollBar()->SetPosition(100);
        int changes = 0;
        for (TNewScrollBar *bar : {static_cast<TNewScrollBar *>(box->HorzScrollBar()),
                                   static_cast<TNewScrollBar *>(box->VertScrollBar())})
            QObject::connect(bar, &TNewScrollBar::OnChange, box.get(), [&changes] { ++changes; });
        QWidget control(box->Client());
        control.setGeometry(c.control);
        box->ScrollInView(&control);
        EXPECT_EQ(box->HorzScrollBar()->Position(), c.horizontal);
        EXPECT_EQ(box->VertScrollBar()->Position(), c.vertical);
        EXPECT_EQ(changes, (c.horizontal != 100) + (c.vertical != 100));
    }
}

TEST(TNewScrollBox, ABarOfTheBoxClampsItsPosition)
{
    auto box = makeBox();
    setContent(*box, 1000, 100);
    TMyNewScrollBar *bar = box->HorzScrollBar();
    bar->SetPosition(5000);
    EXPECT_EQ(bar->Position(), 1000 - bar->Page());
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
}
