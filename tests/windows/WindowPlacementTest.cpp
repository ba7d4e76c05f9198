#include <Source/windows/WindowPlacement.h>

#include <gtest/gtest.h>

#include <vector>

TEST(CascadedPlace, StepsDownAndRightPastTheWindowsItWouldHide)
{
    const QRect area(0, 0, 1000, 800);
    const QRect wanted(100, 80, 600, 500);
    const struct
    {
        const char *name;
        std::vector<QPoint> taken;
        QPoint place;
    } cases[] = {
        {"nothing there", {}, {100, 80}},
        {"elsewhere", {{300, 300}}, {100, 80}},
        {"one on the spot", {{100, 80}}, {119, 99}},
        {"one nearly on the spot", {{110, 70}}, {119, 99}},
        {"two in a cascade", {{100, 80}, {119, 99}}, {138, 118}},
        {"a gap in the cascade", {{100, 80}, {138, 118}}, {119, 99}},
        // 100 + 19 * 16 = 404 passes 1000 - 600 on the right: back to the corner.
        {"out of room", {{100, 80}, {119, 99}, {138, 118}, {157, 137}, {176, 156}, {195, 175}, {214, 194},
                         {233, 213}, {252, 232}, {271, 251}, {290, 270}, {309, 289}, {328, 308}, {347, 327},
                         {366, 346}, {385, 365}, {404, 384}},
         {0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CascadedPlace(wanted, c.taken, 19, area), c.place);
    }
}

TEST(CascadedPlace, AScreenFullOfWindowsEndsTheSearch)
{
    std::vector<QPoint> taken;
    for (int y = 0; y <= 300; y += 10)
        for (int x = 0; x <= 400; x += 10)
            taken.emplace_back(x, y);
    const QPoint place = CascadedPlace(QRect(0, 0, 600, 500), taken, 19, QRect(0, 0, 1000, 800));
    EXPECT_TRUE(QRect(0, 0, 1000, 800).contains(place));
}
