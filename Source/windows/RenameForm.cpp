#include "RenameForm.h"

#include "DialogParts.h"

#include <Source/engine/HostPaintBox.h>
#include <lib/Path.h>
#include <platform/Files.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

// Characters that no file name may hold, beside the backslash.
static const QString IllegalNameCharacters = QStringLiteral(":*?\"<>|/");

static bool containsAnyOf(const QString &text, const QString &characters)
{
    for (const QChar c : characters) {
        if (text.contains(c))
            return true;
    }
    return false;
}

// Whether newPath names a file or folder other than the file at oldPath. A
// new spelling of the file itself is free; another file whose name differs
// only in case is not, since renaming onto it would replace it.
static bool isTakenByAnotherFile(const CPath &newPath, const CPath &oldPath)
{
    if (!newPath.GetFileExists() && !newPath.GetDirectoryExists())
        return false;
    return !IsSameFile(newPath, oldPath);
}

bool CheckNewFileName(const CPath &oldPath, const QString &typed, const CString &newFileName, QString &message)
{
    message.clear();
    if (typed.isEmpty())
        return false;
    if (typed.contains(u'\\')) {
        message = "Folder names are not allowed";
        return false;
    }
    if (containsAnyOf(typed, IllegalNameCharacters)) {
        message = "Illegal character in name";
        return false;
    }
    // Before the warning below: an existing target is refused whatever the name holds.
    if (isTakenByAnotherFile(CPath(oldPath.GetDirPart()).AppendFileName(newFileName), oldPath)) {
        message = "A file with that name already exists";
        return false;
    }
    if (typed.contains(u'.'))
        message = "Warning: Multiple extensions";
    return true;
}

TRenameForm1::TRenameForm1(QWidget *owner, const TImageHandler &file)
    : TModalForm1(owner)
    , m_file(file)
    , m_extension(file.GetName().GetExtPart())
{
    setObjectName("RenameForm1");
    setWindowTitle("Rename Image");

    PaintBox = new THostPaintBox(this, file.GetFullPath());
    PaintBox->setObjectName("PaintBox");
    PaintBox->setFixedSize(160, 140);
    OpenTool = MakeDialogTool(this, "OpenTool", "document-open", QStyle::SP_DialogOpenButton, "Open");

    OldEdit = MakeColouredEdit(this, "OldEdit", Qt::blue);
    OldEdit->setText(file.GetFullPath().ToAnsiString());
    OldEdit->setMinimumWidth(320);
    NewNameEdit = new QLineEdit(this);
    NewNameEdit->setObjectName("NewNameEdit");
    NewEdit = MakeColouredEdit(this, "NewEdit", QColor(128, 0, 128));
    ErrorLabel = new QLabel(this);
    ErrorLabel->setObjectName("ErrorLabel");
    QPalette errorPalette = ErrorLabel->palette();
    errorPalette.setColor(QPalette::WindowText, Qt::red);
    ErrorLabel->setPalette(errorPalette);

    OKBtn = new QPushButton("&Rename", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    HelpBtn = NewHelpButton("HelpBtn");

    auto *newNameLabel = new QLabel("&New name:", this);
    newNameLabel->setBuddy(NewNameEdit);
    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel("Old name:", this), 0, 0);
    fields->addWidget(OldEdit, 0, 1);
    fields->addWidget(newNameLabel, 1, 0);
    fields->addWidget(NewNameEdit, 1, 1);
    fields->addWidget(new QLabel("New file name:", this), 2, 0);
    fields->addWidget(NewEdit, 2, 1);
    fields->addWidget(ErrorLabel, 3, 1);
    fields->setRowStretch(4, 1);

    auto *preview = new QVBoxLayout;
    preview->addWidget(PaintBox);
    preview->addWidget(OpenTool, 0, Qt::AlignLeft);
    preview->addStretch();

    auto *body = new QHBoxLayout;
    body->addLayout(preview);
    body->addLayout(fields, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
    resize(sizeHint());

    SetButtonResult(OKBtn, mrOk);
    SetButtonResult(CancelBtn, mrCancel);
    connect(NewNameEdit, &QLineEdit::textChanged, this, &TRenameForm1::NewNameEditChange);
    connect(OpenTool, &QToolButton::clicked, this, &TRenameForm1::OpenToolClick);

    const CString name = file.GetName();
    NewNameEdit->setText(name.Left(name.GetLength() - m_extension.GetLength()).ToAnsiString());
    NewNameEditChange();
}

bool TRenameForm1::ShowRenameDialog(TImageHandler &file)
{
    CString newName;
    {
        TRenameForm1 dialog(nullptr, file);
        if (dialog.ShowModal() != mrOk)
            return false;
        newName = dialog.NewFileName();
    }
    if (newName == file.GetName())
        return true;
    return file.Rename(newName);
}

CString TRenameForm1::NewFileName() const
{
    return CString(NewNameEdit->text()) + m_extension;
}

void TRenameForm1::setVisible(bool visible)
{
    TModalForm1::setVisible(visible);
    if (!visible)
        return;
    // After the dialog's own showing, which selects the whole name as a tab into it would.
    NewNameEdit->setFocus();
    NewNameEdit->deselect();
    NewNameEdit->setCursorPosition(int(NewNameEdit->text().size()));
}

void TRenameForm1::NewNameEditChange()
{
    NewEdit->setText(NewFileName().ToAnsiString());
    QString message;
    OKBtn->setEnabled(CheckNewFileName(m_file.GetFullPath(), NewNameEdit->text(), NewFileName(), message));
    ErrorLabel->setText(message);
}

void TRenameForm1::OpenToolClick()
{
    m_file.Open(CString());
}
