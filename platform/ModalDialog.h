#pragma once

#include <functional>

class QDialog;
class QWidget;

// Runs dialog modally on the window thread and answers the code it was closed
// with. While a responder is set, the responder is called with the dialog once
// it is shown, in place of the user: it finds controls by name, fills them in
// and presses a button. A responder that leaves the dialog open closes it with
// 0, so that a faulty test fails instead of hanging.
int ExecModal(QDialog &dialog);

// Answers dialogs in place of the user, for tests. An empty responder brings
// back the user.
using ModalResponder = std::function<void(QDialog &)>;
void SetModalResponder(ModalResponder responder);

// Brings window above the program's other windows and activates it.
void BringWindowToTop(QWidget *window);

// Called with each window that BringWindowToTop raises, for tests: the
// offscreen platform has no stacking order to read back.
using WindowRaiseObserver = std::function<void(QWidget *)>;
void SetWindowRaiseObserver(WindowRaiseObserver observer);

// The component library's modal results, which ShowModal answers and buttons
// close their dialog with.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};
