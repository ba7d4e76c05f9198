#include "VolumeForm.h"

#include <Source/engine/WindowHooks.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TVolumeForm1::TVolumeForm1(QWidget *owner, const CString &text, bool allowForce)
    : TModalForm1(owner)
    , Label(new QLabel(text.ToAnsiString(), this))
    , OKBtn(new QPushButton("OK", this))
    , CancelBtn(new QPushButton("Cancel", this))
    , ForceBtn(new QPushButton("&Force", this))
{
    setObjectName("VolumeForm1");
    setWindowTitle("Volume Not Mounted");
    Label->setObjectName("Label");
    OKBtn->setObjectName("OKBtn");
    CancelBtn->setObjectName("CancelBtn");
    ForceBtn->setObjectName("ForceBtn");
    OKBtn->setDefault(true);
    ForceBtn->setEnabled(allowForce);
    SetButtonResult(OKBtn, mrOk);
    SetButtonResult(CancelBtn, mrCancel);
    SetButtonResult(ForceBtn, VolumeForce);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(OKBtn, QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelBtn, QDialogButtonBox::RejectRole);
    buttons->addButton(ForceBtn, QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QApplication::beep();
}

int TVolumeForm1::Ask(const CString &text, bool allowForce)
{
    TVolumeForm1 form(nullptr, text, allowForce);
    return form.ShowModal();
}
