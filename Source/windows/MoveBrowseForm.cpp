#include "MoveBrowseForm.h"

#include "DriveInfoForm.h"
#include "FolderBrowserForm.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/WaitCursor.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

// Wide enough to read a path of the central folder whole.
static constexpr int MinimumEditWidth = 360;

// The same folder, with or without a trailing backslash, in any case.
static bool isSameFolder(const CPath &one, const CPath &other)
{
    const auto bare = [](const CPath &path) {
        CString text = path;
        while (text.GetLength() > 3 && text.Right(1) == "\\")
            text = text.Left(text.GetLength() - 1);
        return text;
    };
    return bare(one).CompareNoCase(bare(other)) == 0;
}

TMoveBrowseForm1::TMoveBrowseForm1(QWidget *owner, const CPath &folder)
    : TModalForm1(owner)
    , GroupBox1(new QGroupBox(" Browse file for " + folder.ToAnsiString() + " ", this))
    , OldEdit(new QLineEdit(this))
    , GroupBox2(new QGroupBox(" New folder for browse file ", this))
    , NewEdit(new QLineEdit(this))
    , MoveBtn(new QPushButton("&Move", this))
    , CancelBtn(new QPushButton("Cancel", this))
    , BrowseBtn(new QPushButton("&Browse...", this))
    , DriveInfoBtn(new QPushButton("Drive &Info...", this))
    , m_folder(folder)
{
    CWaitCursor waitCursor;
    setObjectName("MoveBrowseForm1");
    setWindowTitle("Move Browse File");
    GroupBox1->setObjectName("GroupBox1");
    OldEdit->setObjectName("OldEdit");
    GroupBox2->setObjectName("GroupBox2");
    NewEdit->setObjectName("NewEdit");
    MoveBtn->setObjectName("MoveBtn");
    CancelBtn->setObjectName("CancelBtn");
    BrowseBtn->setObjectName("BrowseBtn");
    DriveInfoBtn->setObjectName("DriveInfoBtn");
    OldEdit->setReadOnly(true);
    OldEdit->setMinimumWidth(MinimumEditWidth);
    OldEdit->setText(GetBrowseFilePath(folder).ToAnsiString());
    OldEdit->setCursorPosition(0);
    MoveBtn->setDefault(true);
    SetButtonResult(CancelBtn, mrCancel);

    connect(NewEdit, &QLineEdit::textChanged, this, &TMoveBrowseForm1::NewEditChange);
    connect(MoveBtn, &QPushButton::clicked, this, &TMoveBrowseForm1::MoveBtnClick);
    connect(BrowseBtn, &QPushButton::clicked, this, &TMoveBrowseForm1::BrowseBtnClick);
    connect(DriveInfoBtn, &QPushButton::clicked, this, &TMoveBrowseForm1::DriveInfoBtnClick);
    NewEdit->setText(ProgramOptions ? ProgramOptions->GetString(TProgramOptions::MoveBrowseFolder) : QString());
    NewEditChange();

    auto *oldLayout = new QVBoxLayout(GroupBox1);
    oldLayout->addWidget(OldEdit);
    auto *newLayout = new QGridLayout(GroupBox2);
    newLayout->addWidget(NewEdit, 0, 0, 1, 3);
    newLayout->setColumnStretch(0, 1);
    newLayout->addWidget(BrowseBtn, 1, 1);
    newLayout->addWidget(DriveInfoBtn, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MoveBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TMoveBrowseForm1::ShowFor(const CPath &folder)
{
    TMoveBrowseForm1 form(nullptr, folder);
    return form.ShowModal() == mrOk;
}

void TMoveBrowseForm1::NewEditChange()
{
    const bool hasFolder = !NewEdit->text().isEmpty();
    MoveBtn->setEnabled(hasFolder);
    DriveInfoBtn->setEnabled(hasFolder);
}

void TMoveBrowseForm1::MoveBtnClick()
{
    const CPath target{CString(NewEdit->text())};
    if (ProgramOptions)
        ProgramOptions->SetString(TProgramOptions::MoveBrowseFolder, target.ToAnsiString());
    if (!TFolderBrowserForm1::IsValidFolder(target)) {
        ShowMessageBox("Invalid Folder", WarningBoxFlags);
        return;
    }
    // The folder's settings find a browse file only in the central folder:
    // one moved anywhere else would be lost to it.
    const CPath central = CentralBrowseFolder();
    if (!isSameFolder(target, central)) {
        CString text;
        text.Format("Browse files can only be moved to the browse file folder '%s'", central.c_str());
        ShowMessageBox(text, WarningBoxFlags);
        return;
    }
    if (MoveBrowseFileToCentralFolder(m_folder, central))
        SetModalResult(mrOk);
}

void TMoveBrowseForm1::BrowseBtnClick()
{
    CPath folder{CString(NewEdit->text())};
    if (TFolderBrowserForm1::Browse(folder))
        NewEdit->setText(folder.ToAnsiString());
}

void TMoveBrowseForm1::DriveInfoBtnClick()
{
    TDriveInfoForm1::ShowFor(CPath(CString(NewEdit->text())));
}
