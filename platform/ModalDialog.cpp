#include "ModalDialog.h"

#include <QDebug>
#include <QDialog>
#include <QTimer>

static ModalResponder s_responder;          // window thread only
static WindowRaiseObserver s_raiseObserver; // window thread only

void SetModalResponder(ModalResponder responder)
{
    s_responder = std::move(responder);
}

int ExecModal(QDialog &dialog)
{
    if (const ModalResponder responder = s_responder) {
        // Queued before exec, so it runs inside the dialog's loop once shown.
        QTimer::singleShot(0, &dialog, [&dialog, responder] {
            responder(dialog);
            if (dialog.isVisible()) {
                qWarning("A dialog responder left \"%s\" open", qPrintable(dialog.objectName()));
                dialog.done(0);
            }
        });
    }
    return dialog.exec();
}

void SetWindowRaiseObserver(WindowRaiseObserver observer)
{
    s_raiseObserver = std::move(observer);
}

void BringWindowToTop(QWidget *window)
{
    if (!window)
        return;
    window->raise();
    window->activateWindow();
    if (s_raiseObserver)
        s_raiseObserver(window);
}
