#include "ModalForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

static TModalForm1 *s_current = nullptr;   // window thread only

TModalForm1::TModalForm1(QWidget *owner)
    : QDialog(owner ? owner : QApplication::activeWindow())
    , m_link(s_current)
{
    // A dialog border: a title and a close box, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle("x");
    resize(435, 300);
    s_current = this;
}

TModalForm1::~TModalForm1()
{
    // Dialogs go in the reverse order of their making, so this is the newest.
    s_current = m_link;
}

TModalForm1 *TModalForm1::Current()
{
    return s_current;
}

int TModalForm1::ShowModal()
{
    return ExecModal(*this);
}

void TModalForm1::SetModalResult(int result)
{
    done(result);
}

void TModalForm1::SetButtonResult(QAbstractButton *button, int result)
{
    connect(button, &QAbstractButton::clicked, this, [this, result] { SetModalResult(result); });
}

QPushButton *TModalForm1::NewHelpButton(const char *name)
{
    auto *button = new QPushButton(QStringLiteral("&Help"), this);
    button->setObjectName(name);
    button->setEnabled(false);
    return button;
}

void TModalForm1::reject()
{
    SetModalResult(mrCancel);
}

void BringModalFormsToTop()
{
    if (!s_current)
        return;
    if (s_current->Link())
        BringWindowToTop(s_current->Link());
    BringWindowToTop(s_current);
}
