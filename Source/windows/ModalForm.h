#pragma once

#include <platform/ModalDialog.h>

#include <QDialog>

class QAbstractButton;
class QPushButton;

// The base of the program's modal dialogs. Each is made for one modal run and
// deleted right after it; the open ones form a chain, newest first, so that
// coming back to the program raises them above its other windows.
class TModalForm1 : public QDialog
{
    Q_OBJECT

public:
    // owner null: the active window.
    explicit TModalForm1(QWidget *owner = nullptr);
    ~TModalForm1() override;

    // Runs the dialog and answers its modal result; mrCancel when it was
    // closed by Escape or its close box.
    int ShowModal();
    // Closes the dialog with result, as a button with that modal result does.
    void SetModalResult(int result);
    // Clicking button closes the dialog with result.
    void SetButtonResult(QAbstractButton *button, int result);

    void reject() override;

    // The newest open dialog, or null.
    static TModalForm1 *Current();
    TModalForm1 *Link() const { return m_link; }

protected:
    // A dialog's "&Help" button, greyed: the help file is only named, so
    // there is no help to show.
    QPushButton *NewHelpButton(const char *name);

private:
    TModalForm1 *m_link;   // the dialog that was current when this one was made
};

// Raises the two newest open dialogs above the program's other windows, the
// newest on top. Called when the program is activated again.
void BringModalFormsToTop();
