#include "MainWindowChrome.h"

#include "AlignLayout.h"
#include "Dock.h"

#include <QMenuBar>

TMainWindowChrome NewMainWindowChrome(QWidget *window, TGradEnabled gradient, const char *dockName)
{
    TMainWindowChrome chrome{};
    chrome.caption = NewWindowCaption(window);
    chrome.caption->SetEnabled(gradient);
    chrome.layout = new TAlignLayout(window);
    chrome.menu = new QMenuBar(window);
    chrome.menu->setObjectName(QStringLiteral("MainMenu1"));
    chrome.menu->setNativeMenuBar(false);
    chrome.layout->addWidget(chrome.menu, alTop);
    chrome.dock = new TDock(window, dpTop);
    chrome.dock->setObjectName(QString::fromLatin1(dockName));
    chrome.dock->SetBoundLines(blTop | blBottom);
    return chrome;
}
