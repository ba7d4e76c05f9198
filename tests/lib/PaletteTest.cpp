#include <lib/Palette.h>

#include <gtest/gtest.h>

TEST(StdPalette, PenForRGBRoundsEachChannelToTheCube)
{
    const struct
    {
        int red, green, blue, index;
    } cases[] = {
        {255, 255, 255, 215},
        {0, 0, 0, 0},
        {25, 26, 0, 6},       // red rounds down, green up
        {0, 0, 128, 108},     // (128 + 25) / 51 = 3, so 36 x 3
        {51, 0, 0, 1},
        {0, 51, 0, 6},
        {0, 0, 51, 36},
        {300, -20, 255, 185}, // out of range counts as the nearest end
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.red << "," << c.green << "," << c.blue);
        const int index = StdPalette::GetPenForRGB(c.red, c.green, c.blue);
        EXPECT_EQ(index, c.index);
    }
}

TEST(StdPalette, EveryCubeColourIsItsOwnPen)
{
    for (int i = 0; i < 216; ++i) {
        const StdPalette::Entry &entry = StdPalette::Data[size_t(i)];
        EXPECT_EQ(StdPalette::GetPenForRGB(entry.red, entry.green, entry.blue), i);
    }
}

TEST(StdPalette, DataIsTheCubeThenBlack)
{
    const StdPalette::Entry &entry = StdPalette::Data[1 + 6 * 2 + 36 * 5];
    EXPECT_EQ(entry.red, 51);
    EXPECT_EQ(entry.green, 102);
    EXPECT_EQ(entry.blue, 255);
    for (size_t i = 216; i < 256; ++i) {
        EXPECT_EQ(StdPalette::Data[i].red + StdPalette::Data[i].green + StdPalette::Data[i].blue, 0) << i;
    }
    const StdPalette palette;
    ASSERT_EQ(palette.Colours().size(), 256);
    EXPECT_EQ(palette.Colours()[1 + 6 * 2 + 36 * 5], qRgb(51, 102, 255));
    EXPECT_EQ(palette.Colours()[255], qRgb(0, 0, 0));
}
