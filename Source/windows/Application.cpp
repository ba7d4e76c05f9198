#include "Application.h"

#include <Source/Glob.h>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowException(error);
        return true;   // shown to the user: handled
    }
}

void ShowException(const std::exception &error)
{
    // Exception::what is its message in UTF-8, as the box takes it.
    ShowMessageBox(CString(error.what()), ErrorBoxFlags);
}
