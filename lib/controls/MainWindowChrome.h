#pragma once

#include "GradientCaption.h"

class QMenuBar;
class QWidget;
class TAlignLayout;
class TDock;

// What the program's main windows (browse window, basket, batch window) wear
// at their top: the caption bar (NewWindowCaption) drawn as gradient asks,
// and a new aligned layout of the window holding the menu bar, named
// MainMenu1, with the top dock of toolbars below it, named dockName and
// lined above and below. The caller adds the rest of the window to layout.
struct TMainWindowChrome
{
    TGradientCaption *caption;
    TAlignLayout *layout;
    QMenuBar *menu;
    TDock *dock;
};

TMainWindowChrome NewMainWindowChrome(QWidget *window, TGradEnabled gradient, const char *dockName);
