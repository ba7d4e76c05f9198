#include <lib/Colour.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Colour { double r, g, b; };
struct Hsl { double h, s, l; };

constexpr double Third = 1.0 / 3;
constexpr double Sixth = 1.0 / 6;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Primaries, secondaries and greys, which both directions must agree on.
const struct { const char *name; Colour rgb; Hsl hsl; } KnownColours[] = {
    {"red", {1, 0, 0}, {0, 1, 0.5}},
    {"yellow", {1, 1, 0}, {Sixth, 1, 0.5}},
    {"green", {0, 1, 0}, {Third, 1, 0.5}},
    {"cyan", {0, 1, 1}, {0.5, 1, 0.5}},
    {"blue", {0, 0, 1}, {2 * Third, 1, 0.5}},
    {"magenta", {1, 0, 1}, {5 * Sixth, 1, 0.5}},
    {"dark red", {0.5, 0, 0}, {0, 1, 0.25}},
    {"pink", {1, 0.5, 0.5}, {0, 1, 0.75}},
    {"black", {0, 0, 0}, {0, 0, 0}},
    {"grey", {0.5, 0.5, 0.5}, {0, 0, 0.5}},
    {"white", {1, 1, 1}, {0, 0, 1}},
};

int byte(double fraction) { return int(std::lround(fraction * 255)); }

} // namespace

TEST(Colour, RGBtoHSLOfKnownColours)
{
    for (const auto &c : KnownColours) {
        SCOPED_TRACE(c.name);
        double h = -1, s = -1, l = -1;
        RGBtoHSL(c.rgb.r, c.rgb.g, c.rgb.b, h, s, l);
        EXPECT_NEAR(h, c.hsl.h, 1e-12);
        EXPECT_NEAR(s, c.hsl.s, 1e-12);
        EXPECT_NEAR(l, c.hsl.l, 1e-12);
    }
}

TEST(Colour, HSLtoRGBOfKnownColours)
{
    for (const auto &c : KnownColours) {
        SCOPED_TRACE(c.name);
        double r = -1, g = -1, b = -1;
        HSLtoRGB(c.hsl.h, c.hsl.s, c.hsl.l, r, g, b);
        EXPECT_NEAR(r, c.rgb.r, 1e-12);
        EXPECT_NEAR(g, c.rgb.g, 1e-12);
        EXPECT_NEAR(b, c.rgb.b, 1e-12);
    }
}

TEST(Colour, GreysKeepTheirLuminanceWhateverTheHue)
{
    for (const double hue : {0.0, 0.3, 0.99, 1.0}) {
        SCOPED_TRACE(hue);
        double r, g, b;
        HSLtoRGB(hue, 0, 0.4, r, g, b);
        EXPECT_DOUBLE_EQ(r, 0.4);
        EXPECT_DOUBLE_EQ(g, 0.4);
        EXPECT_DOUBLE_EQ(b, 0.4);
    }
}

TEST(Colour, HueOneIsRedAsHueZero)
{
    const struct { double h, s, l; Colour rgb; } cases[] = {
        {1, 1, 0.5, {1, 0, 0}},
        {1, 1, 0.25, {0.5, 0, 0}},
        {1, 0.5, 0.5, {0.75, 0.25, 0.25}},
        {1 - 1e-12, 1, 0.5, {1, 0, 0}},
        {1.5, 1, 0.5, {1, 0, 0}},   // beyond the range: clamped to 1
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.h);
        SCOPED_TRACE(c.l);
        double r = -1, g = -1, b = -1;
        HSLtoRGB(c.h, c.s, c.l, r, g, b);
        EXPECT_NEAR(r, c.rgb.r, 1e-9);
        EXPECT_NEAR(g, c.rgb.g, 1e-9);
        EXPECT_NEAR(b, c.rgb.b, 1e-9);
    }
}

TEST(Colour, RoundTripsWithinOneStep)
{
    for (int red = 0; red <= 255; red += 15)
        for (int green = 0; green <= 255; green += 15)
            for (int blue = 0; blue <= 255; blue += 15) {
                double h, s, l, r, g, b;
                RGBtoHSL(red / 255.0, green / 255.0, blue / 255.0, h, s, l);
                ASSERT_GE(h, 0);
                ASSERT_LT(h, 1);
                HSLtoRGB(h, s, l, r, g, b);
                SCOPED_TRACE(testing::Message() << red << ',' << green << ',' << blue);
                ASSERT_NEAR(byte(r), red, 1);
                ASSERT_NEAR(byte(g), green, 1);
                ASSERT_NEAR(byte(b), blue, 1);
            }
}

TEST(Colour, InputsOutsideTheRangeAreClamped)
{
    const struct { Colour rgb; Hsl hsl; } toHsl[] = {
        {{2, -1, -0.5}, {0, 1, 0.5}},
        {{NaN, NaN, 7}, {2 * Third, 1, 0.5}},
        {{-3, -3, -3}, {0, 0, 0}},
    };
    for (const auto &c : toHsl) {
        double h, s, l;
        RGBtoHSL(c.rgb.r, c.rgb.g, c.rgb.b, h, s, l);
        EXPECT_NEAR(h, c.hsl.h, 1e-12);
        EXPECT_NEAR(s, c.hsl.s, 1e-12);
        EXPECT_NEAR(l, c.hsl.l, 1e-12);
    }
    const struct { Hsl hsl; Colour rgb; } toRgb[] = {
        {{-0.2, 3, 0.5}, {1, 0, 0}},
        {{NaN, 1, 0.5}, {1, 0, 0}},
        {{Third, 1, 9}, {1, 1, 1}},
        {{Third, 1, -1}, {0, 0, 0}},
    };
    for (const auto &c : toRgb) {
        double r, g, b;
        HSLtoRGB(c.hsl.h, c.hsl.s, c.hsl.l, r, g, b);
        EXPECT_NEAR(r, c.rgb.r, 1e-12);
        EXPECT_NEAR(g, c.rgb.g, 1e-12);
        EXPECT_NEAR(b, c.rgb.b, 1e-12);
    }
}

TEST(Colour, TemperatureFromRGB)
{
    const struct { Colour rgb; double ct; } cases[] = {
        {{1, 0.5, 0}, 0},
        {{0, 0.5, 1}, 1},
        {{1, 0, 0}, 0},
        {{0, 0, 1}, 1},
        {{0.5, 0.5, 0.5}, 0.5},
        {{0.2, 0.9, 0.2}, 0.5},     // green does not count
        {{0.75, 0.5, 0.25}, 0.25},
        {{-1, 0, 2}, 1},            // clamped
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.rgb.r << ',' << c.rgb.g << ',' << c.rgb.b);
        double ct = -1;
        RGBtoCT(c.rgb.r, c.rgb.g, c.rgb.b, ct);
        EXPECT_DOUBLE_EQ(ct, c.ct);
    }
}

TEST(Colour, RGBFromTemperature)
{
    const struct { double ct; Colour rgb; } cases[] = {
        {0, {0.75, 0.5, 0.25}},
        {0.25, {0.625, 0.5, 0.375}},
        {0.5, {0.5, 0.5, 0.5}},
        {1, {0.25, 0.5, 0.75}},
        {-4, {0.75, 0.5, 0.25}},    // clamped
        {4, {0.25, 0.5, 0.75}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ct);
        double r = -1, g = -1, b = -1;
        CTtoRGB(c.ct, r, g, b);
        EXPECT_DOUBLE_EQ(r, c.rgb.r);
        EXPECT_DOUBLE_EQ(g, c.rgb.g);
        EXPECT_DOUBLE_EQ(b, c.rgb.b);
    }
}
