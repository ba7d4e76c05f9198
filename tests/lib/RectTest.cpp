#include <lib/Rect.h>

#include <gtest/gtest.h>

TEST(CRect, NormalizeRectPutsTheEdgesInOrder)
{
    const struct
    {
        CRect given;
        CRect expected;
    } cases[] = {
        {{10, 20, 5, 8}, {5, 8, 10, 20}},
        {{10, 8, 5, 20}, {5, 8, 10, 20}},
        {{5, 20, 10, 8}, {5, 8, 10, 20}},
        {{5, 8, 10, 20}, {5, 8, 10, 20}},
        {{-3, 4, -3, 4}, {-3, 4, -3, 4}},
    };
    for (const auto &c : cases) {
        CRect rect = c.given;
        rect.NormalizeRect();
        EXPECT_EQ(rect, c.expected) << c.given.left << "," << c.given.top << "," << c.given.right << ","
                                    << c.given.bottom;
    }
}
