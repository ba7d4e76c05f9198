#include "SystemMetrics.h"

#include <QGuiApplication>
#include <QPalette>

// Where the desktop's theme keeps each of the system's colours.
static bool paletteRoleOf(int index, QPalette::ColorRole &role)
{
    switch (index) {
    case COLOR_SCROLLBAR: role = QPalette::Window; return true;
    case COLOR_BTNFACE: role = QPalette::Button; return true;
    case COLOR_BTNSHADOW: role = QPalette::Dark; return true;
    case COLOR_BTNTEXT: role = QPalette::ButtonText; return true;
    case COLOR_BTNHIGHLIGHT: role = QPalette::Light; return true;
    case COLOR_3DDKSHADOW: role = QPalette::Shadow; return true;
    case COLOR_3DLIGHT: role = QPalette::Midlight; return true;
    case COLOR_ACTIVECAPTION: role = QPalette::Highlight; return true;
    case COLOR_INACTIVECAPTION: role = QPalette::Dark; return true;
    case COLOR_CAPTIONTEXT: role = QPalette::HighlightedText; return true;
    case COLOR_INACTIVECAPTIONTEXT: role = QPalette::Light; return true;
    case COLOR_INFOBK: role = QPalette::ToolTipBase; return true;
    case COLOR_WINDOW: role = QPalette::Base; return true;
    case COLOR_WINDOWTEXT: role = QPalette::Text; return true;
    }
    return false;
}

QColor SysColour(int index)
{
    QPalette::ColorRole role;
    if (!paletteRoleOf(index, role))
        return QColor(Qt::black);
    // In eight bits a channel, as painted: a theme's colours may carry more.
    return QColor(QGuiApplication::palette().color(QPalette::Active, role).rgb());
}

COLORREF GetSysColor(int index)
{
    const QColor colour = SysColour(index);
    return COLORREF(colour.red()) | COLORREF(colour.green()) << 8 | COLORREF(colour.blue()) << 16;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
        return 16;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CYCAPTION:
        return 19;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXSIZE:
    case SM_CYSIZE:
        return 18;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYSMCAPTION:
        return 15;
    }
    return 0;
}

QColor ColourFromColorRef(COLORREF colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

COLORREF ColorRefFromColour(const QColor &colour)
{
    return COLORREF(colour.red()) | COLORREF(colour.green()) << 8 | COLORREF(colour.blue()) << 16;
}
