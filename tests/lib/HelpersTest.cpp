#include <lib/Helpers.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstring>
#include <future>

TEST(No, IsNoForZeroAndTheNumberOtherwise)
{
    char buffer[12];
    EXPECT_STREQ(No(0, buffer), "No");
    EXPECT_EQ(No(12, buffer), buffer);
    EXPECT_STREQ(buffer, "12");
    EXPECT_STREQ(No(-2147483647 - 1, buffer), "-2147483648");
    EXPECT_STREQ(No(7, nullptr), "7");
}

TEST(No, KeepsEachThreadsOwnBuffer)
{
    const char *mine = No(1, nullptr);
    const std::string theirs = std::async(std::launch::async, [] { return std::string(No(2, nullptr)); }).get();
    EXPECT_STREQ(mine, "1");
    EXPECT_EQ(theirs, "2");
}

TEST(Clamp, KeepsTheValueWithinItsBounds)
{
    const struct
    {
        int value, minimum, maximum, expected;
    } cases[] = {{5, 10, 20, 10}, {25, 10, 20, 20}, {15, 10, 20, 15}, {10, 10, 20, 10}, {20, 10, 20, 20}};
    for (const auto &c : cases)
        EXPECT_EQ(Clamp(c.value, c.minimum, c.maximum), c.expected) << c.value;
}

namespace {

// Paints FillAround in red on a white image and answers which pixels turned red.
QImage fillAround(CRect outer, CRect inner)
{
    QImage image(12, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setBrush(Qt::red);
    FillAround(&painter, outer, inner);
    return image;
}

} // namespace

TEST(FillAround, PaintsExactlyTheFrameBetweenTheRectangles)
{
    const CRect outer(1, 1, 11, 9);
    const CRect inner(3, 4, 8, 6);
    const QImage image = fillAround(outer, inner);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool inOuter = x >= outer.left && x < outer.right && y >= outer.top && y < outer.bottom;
            const bool inInner = x >= inner.left && x < inner.right && y >= inner.top && y < inner.bottom;
            EXPECT_EQ(image.pixel(x, y), inOuter && !inInner ? qRgb(255, 0, 0) : qRgb(255, 255, 255))
                << x << "," << y;
        }
    }
}

TEST(FillAround, PaintsNothingWhenInnerFillsOuter)
{
    const CRect rect(2, 2, 9, 8);
    const QImage image = fillAround(rect, rect);
    QImage white(image.size(), image.format());
    white.fill(Qt::white);
    EXPECT_EQ(image, white);
}

TEST(HighColour, TheOffscreenDisplayHasMoreThan256Colours)
{
    EXPECT_TRUE(HighColour());
}
