#include "SaveQueryForm.h"

#include <Source/engine/FolderOptions.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

// Wide enough to read a long folder path in the field.
static constexpr int MinimumEditWidth = 360;

TSaveQueryForm1::TSaveQueryForm1(QWidget *owner, const CPath &folder)
    : TModalForm1(owner)
    , Label1(new QLabel("Do you want to save the thumbnails for", this))
    , Edit(new QLineEdit(folder.ToAnsiString(), this))
    , YesBtn(new QPushButton("&Yes", this))
    , NoBtn(new QPushButton("&No", this))
    , AutoSaveBtn(new QPushButton("&Auto-Save", this))
    , CancelBtn(new QPushButton("Cancel", this))
    , m_options(TFolderSpecificOptionsCache::GetFolderOptions(folder))
{
    setObjectName("SaveQueryForm1");
    setWindowTitle(QApplication::applicationName());
    Label1->setObjectName("Label1");
    Edit->setObjectName("Edit");
    Edit->setReadOnly(true);
    Edit->setMinimumWidth(MinimumEditWidth);
    Edit->setCursorPosition(0);
    YesBtn->setObjectName("YesBtn");
    NoBtn->setObjectName("NoBtn");
    AutoSaveBtn->setObjectName("AutoSaveBtn");
    CancelBtn->setObjectName("CancelBtn");
    YesBtn->setDefault(true);
    // A folder without options of its own has nowhere to keep AutoSave.
    AutoSaveBtn->setEnabled(m_options != nullptr);
    SetButtonResult(YesBtn, mrYes);
    SetButtonResult(NoBtn, mrNo);
    SetButtonResult(CancelBtn, mrCancel);
    connect(AutoSaveBtn, &QPushButton::clicked, this, &TSaveQueryForm1::AutoSaveBtnClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *button : {YesBtn, NoBtn, AutoSaveBtn, CancelBtn})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TSaveQueryForm1::Ask(const CPath &folder)
{
    TSaveQueryForm1 form(nullptr, folder);
    return form.ShowModal();
}

void TSaveQueryForm1::AutoSaveBtnClick()
{
    m_options->SetInt(TFolderOptions::AutoSave, 1);
    m_options->Save();
    SetModalResult(mrYes);
}

void TSaveQueryForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    QApplication::beep();
}
