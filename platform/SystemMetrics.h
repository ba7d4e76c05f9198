#pragma once

#include "Types.h"

#include <QColor>

// The system's colours and metrics: the one table every control reads, so that
// no control keeps its own copy. Colours come from the application palette, so
// the program follows the desktop's theme; metrics are the classic Windows
// values.

// 0x00BBGGRR, as Windows packs a colour.
using COLORREF = DWORD;

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_WINDOW = 5;        // the background of text fields and lists
constexpr int COLOR_WINDOWTEXT = 8;    // the text on it
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_INFOBK = 24;

// Window thread only (they read the application palette). Black for an index
// the table does not hold, as Windows answers.
COLORREF GetSysColor(int index);
// The same colour as painting takes it.
QColor SysColour(int index);

constexpr int SM_CXVSCROLL = 2;    // width of a vertical scroll bar
constexpr int SM_CYHSCROLL = 3;    // height of a horizontal scroll bar
constexpr int SM_CYVSCROLL = 20;   // height of a vertical scroll bar's arrow button
constexpr int SM_CXHSCROLL = 21;   // width of a horizontal scroll bar's arrow button
constexpr int SM_CXEDGE = 45;      // width of a sunken client edge
constexpr int SM_CYEDGE = 46;      // height of a sunken client edge
constexpr int SM_CYCAPTION = 4;    // height of a caption bar and the line below it
constexpr int SM_CXDLGFRAME = 7;   // width of a fixed window's frame
constexpr int SM_CYDLGFRAME = 8;   // height of a fixed window's frame
constexpr int SM_CXSIZE = 30;      // width of a caption button's place
constexpr int SM_CYSIZE = 31;      // height of a caption button's place
constexpr int SM_CXFRAME = 32;     // width of a sizing frame
constexpr int SM_CYFRAME = 33;     // height of a sizing frame
constexpr int SM_CXSMICON = 49;    // width of a small icon
constexpr int SM_CYSMICON = 50;    // height of a small icon
constexpr int SM_CYSMCAPTION = 51; // height of a small (tool window) caption

// In pixels. Any thread. 0 for an index the table does not hold, as Windows
// answers.
int GetSystemMetrics(int index);

// A Windows colour as painting takes it, and back (the colour's alpha is dropped).
QColor ColourFromColorRef(COLORREF colour);
COLORREF ColorRefFromColour(const QColor &colour);
