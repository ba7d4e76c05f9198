#include <platform/SystemMetrics.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

namespace {

// Puts a palette on the application for one test and takes the old one back.
class ScopedApplicationPalette
{
public:
    explicit ScopedApplicationPalette(const QPalette &palette) : m_old(QGuiApplication::palette())
    {
        QGuiApplication::setPalette(palette);
    }
    ~ScopedApplicationPalette() { QGuiApplication::setPalette(m_old); }

private:
    QPalette m_old;
};

} // namespace

TEST(GetSysColor, FollowsTheApplicationPalette)
{
    const struct { int index; QPalette::ColorRole role; QRgb colour; COLORREF expected; } cases[] = {
        {COLOR_SCROLLBAR, QPalette::Window, qRgb(0x10, 0x20, 0x30), 0x302010},
        {COLOR_BTNFACE, QPalette::Button, qRgb(0x11, 0x21, 0x31), 0x312111},
        {COLOR_BTNSHADOW, QPalette::Dark, qRgb(0x12, 0x22, 0x32), 0x322212},
        {COLOR_BTNTEXT, QPalette::ButtonText, qRgb(0x13, 0x23, 0x33), 0x332313},
        {COLOR_BTNHIGHLIGHT, QPalette::Light, qRgb(0x14, 0x24, 0x34), 0x342414},
        {COLOR_3DDKSHADOW, QPalette::Shadow, qRgb(0x15, 0x25, 0x35), 0x352515},
        {COLOR_3DLIGHT, QPalette::Midlight, qRgb(0x16, 0x26, 0x36), 0x362616},
    };
    QPalette palette;
    for (const auto &c : cases)
        palette.setColor(c.role, QColor(c.colour));
    ScopedApplicationPalette scoped(palette);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GetSysColor(c.index), c.expected);
        EXPECT_EQ(SysColour(c.index), QColor(c.colour));
    }
    EXPECT_EQ(GetSysColor(1), 0u);   // not in the table
    EXPECT_EQ(SysColour(1), QColor(Qt::black));
}

TEST(GetSystemMetrics, AreTheClassicValues)
{
    const struct { int index, expected; } cases[] = {
        {SM_CXVSCROLL, 16}, {SM_CYHSCROLL, 16}, {SM_CYVSCROLL, 16}, {SM_CXHSCROLL, 16},
        {SM_CXEDGE, 2}, {SM_CYEDGE, 2}, {0, 0},
        {SM_CXSMICON, 16}, {SM_CYSMICON, 16},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(GetSystemMetrics(c.index), c.expected);
    }
}
