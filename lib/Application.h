#pragma once

#include "Path.h"

#include <platform/Types.h>

#include <QApplication>
#include <QIcon>

#include <exception>

// The application object of the four programs. An exception that escapes an
// event handler does not end the program: the user sees it in the standard
// exception box and the loop goes on. The program ends when it quits (the
// organiser's coordinator decides), never because its last window closed.
// Window thread.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    // argc must outlive the object, as QApplication's must.
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Only named: the help commands are greyed while it does not exist.
    CPath HelpFile;
};

// The application's help file when it exists; empty otherwise, and for an
// application that is no TApplication.
CPath HelpFile();
// Opens the help file with the desktop's viewer; the shell's error, if any, in a box.
void OpenHelpFile();

// The program's icon, drawn at the usual sizes.
QIcon ProgramIcon();

// A message box captioned with the program title (the application's name);
// flags as MessageBoxA's. Answers the button pressed. Any thread: a worker
// waits while the window thread shows it. Text in UTF-8.
int ApplicationMessageBox(const char *text, UINT flags);

// The standard exception box: the exception's message as an error, captioned
// with the program title. Any thread; returns once the user has answered.
void ShowException(const std::exception &error);
