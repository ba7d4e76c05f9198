#include "DeleteForm.h"

#include "NamedControl.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/engine/HostPaintBox.h>
#include <Source/engine/ZiloOptions.h>

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

// The preview's side, in pixels.
constexpr int PreviewSize = 100;

TDeleteForm1::TDeleteForm1(QWidget *owner, const CPath &path, const TImageHandler *file, bool canSkip)
    : TModalForm1(owner)
    , Label1(NewControl<QLabel>(this, "Label1", QStringLiteral("Please confirm that you want to delete")))
    , Edit(NewControl<QLineEdit>(this, "Edit", path.ToAnsiString()))
    , ContentsLabel(NewControl<QLabel>(this, "ContentsLabel", QStringLiteral("and all its contents")))
    , Panel1(NewControl<QFrame>(this, "Panel1"))
    , AgainCheckBox(NewControl<QCheckBox>(this, "AgainCheckBox", QStringLiteral("Don't show me this &again")))
    , OpenButton(NewControl<QToolButton>(this, "OpenButton"))
    , DeleteButton(NewControl<QPushButton>(this, "DeleteButton", QStringLiteral("&Delete")))
    , SkipButton(NewControl<QPushButton>(this, "SkipButton", QStringLiteral("&Skip")))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
    , m_file(file)
{
    setObjectName(QStringLiteral("DeleteForm1"));
    setWindowTitle(QStringLiteral("Confirm Deletion"));

    Edit->setReadOnly(true);
    Edit->setMinimumWidth(320);
    OpenButton->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    OpenButton->setToolTip(QStringLiteral("Open Image"));
    OpenButton->setEnabled(file != nullptr);
    SkipButton->setEnabled(canSkip);
    DeleteButton->setDefault(true);
    // A folder is always asked about, so there is nothing to stop showing.
    ContentsLabel->setVisible(file == nullptr);
    AgainCheckBox->setVisible(file != nullptr);

    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    if (file) {
        auto *preview = new THostPaintBox(Panel1, path);
        preview->setFixedSize(PreviewSize, PreviewSize);
        panelLayout->addWidget(preview);
    } else {
        auto *icon = new QLabel(Panel1);
        icon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(48, 48));
        icon->setAlignment(Qt::AlignCenter);
        icon->setFixedSize(PreviewSize, PreviewSize);
        panelLayout->addWidget(icon);
    }

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(Edit, 1);
    pathRow->addWidget(OpenButton);

    auto *question = new QVBoxLayout;
    question->addWidget(Label1);
    question->addLayout(pathRow);
    question->addWidget(ContentsLabel);
    question->addWidget(AgainCheckBox);
    question->addStretch(1);

    auto *top = new QHBoxLayout;
    top->addWidget(Panel1, 0, Qt::AlignTop);
    top->addLayout(question, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(DeleteButton);
    buttons->addWidget(SkipButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(DeleteButton, &QPushButton::clicked, this, &TDeleteForm1::DeleteButtonClick);
    connect(SkipButton, &QPushButton::clicked, this, &TDeleteForm1::SkipButtonClick);
    connect(OpenButton, &QToolButton::clicked, this, &TDeleteForm1::OpenButtonClick);
    SetButtonResult(CancelButton, mrCancel);
}

void TDeleteForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    // The end of a long path names the file: keep it in sight.
    Edit->end(false);
    DeleteButton->setFocus();
}

void TDeleteForm1::DeleteButtonClick()
{
    turnOffConfirmationWhenAsked();
    SetModalResult(mrYes);
}

void TDeleteForm1::SkipButtonClick()
{
    turnOffConfirmationWhenAsked();
    SetModalResult(mrNo);
}

void TDeleteForm1::OpenButtonClick()
{
    if (m_file)
        m_file->Open(CString());
}

// Cancel leaves the option as it was, ticked or not.
void TDeleteForm1::turnOffConfirmationWhenAsked()
{
    if (AgainCheckBox->isChecked())
        GeneralOptions->SetInt(TGeneralOptions::ConfirmDeletes, 0);
}

int ConfirmDeleteFiles(TImageHandler &file, bool moreFollow)
{
    if (GeneralOptions->GetInt(TGeneralOptions::ConfirmDeletes) == 0)
        return IDYES;
    TDeleteForm1 form(nullptr, file.GetFullPath(), &file, moreFollow);
    return form.ShowModal();
}

int ConfirmDeleteFolder(const CPath &folder)
{
    TDeleteForm1 form(nullptr, folder, nullptr, false);
    return form.ShowModal();
}
