#include <platform/SystemMetrics.h>

#include "../ScopedPalette.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

#include <vector>

namespace {

struct PaletteCase
{
    int index;
    QPalette::ColorRole role;
    QRgb colour;
    COLORREF expected;   // the colour in the system's blue-green-red order
};

// Gives each case's role its colour in the application palette, then reads
// each index back.
void expectFollowsPalette(const std::vector<PaletteCase> &cases)
{
    QPalette palette;
    for (const PaletteCase &c : cases)
        palette.setColor(c.role, QColor(c.colour));
    ScopedApplicationPalette scoped(palette);
    for (const PaletteCase &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GetSysColor(c.index), c.expected);
        EXPECT_EQ(SysColour(c.index), QColor(c.colour));
    }
}

} // namespace

TEST(GetSysColor, FollowsTheApplicationPalette)
{
    expectFollowsPalette({
        {COLOR_SCROLLBAR, QPalette::Window, qRgb(0x10, 0x20, 0x30), 0x302010},
        {COLOR_BTNFACE, QPalette::Button, qRgb(0x11, 0x21, 0x31), 0x312111},
        {COLOR_BTNSHADOW, QPalette::Dark, qRgb(0x12, 0x22, 0x32), 0x322212},
        {COLOR_BTNTEXT, QPalette::ButtonText, qRgb(0x13, 0x23, 0x33), 0x332313},
        {COLOR_BTNHIGHLIGHT, QPalette::Light, qRgb(0x14, 0x24, 0x34), 0x342414},
        {COLOR_3DDKSHADOW, QPalette::Shadow, qRgb(0x15, 0x25, 0x35), 0x352515},
        {COLOR_3DLIGHT, QPalette::Midlight, qRgb(0x16, 0x26, 0x36), 0x362616},
        {COLOR_WINDOW, QPalette::Base, qRgb(0x1b, 0x2b, 0x3b), 0x3b2b1b},
        {COLOR_WINDOWTEXT, QPalette::Text, qRgb(0x1c, 0x2c, 0x3c), 0x3c2c1c},
    });
    EXPECT_EQ(GetSysColor(1), 0u);   // not in the table
    EXPECT_EQ(SysColour(1), QColor(Qt::black));
}

// Apart from the table above: a caption's colours may share roles with a button's.
TEST(GetSysColor, CaptionColoursFollowTheApplicationPalette)
{
    expectFollowsPalette({
        {COLOR_ACTIVECAPTION, QPalette::Highlight, qRgb(0x17, 0x27, 0x37), 0x372717},
        {COLOR_INACTIVECAPTION, QPalette::Dark, qRgb(0x18, 0x28, 0x38), 0x382818},
        {COLOR_CAPTIONTEXT, QPalette::HighlightedText, qRgb(0x19, 0x29, 0x39), 0x392919},
        {COLOR_INACTIVECAPTIONTEXT, QPalette::Light, qRgb(0x1a, 0x2a, 0x3a), 0x3a2a1a},
    });
}

TEST(GetSystemMetrics, AreTheClassicValues)
{
    const struct { int index, expected; } cases[] = {
        {SM_CXVSCROLL, 16}, {SM_CYHSCROLL, 16}, {SM_CYVSCROLL, 16}, {SM_CXHSCROLL, 16},
        {SM_CXEDGE, 2}, {SM_CYEDGE, 2}, {SM_CYCAPTION, 19}, {SM_CXDLGFRAME, 3}, {SM_CYDLGFRAME, 3},
        {SM_CXSIZE, 18}, {SM_CYSIZE, 18}, {SM_CXFRAME, 4}, {SM_CYFRAME, 4}, {SM_CXSMICON, 16}, {SM_CYSMICON, 16}, {SM_CYSMCAPTION, 15},
        {0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GetSystemMetrics(c.index), c.expected);
    }
}
