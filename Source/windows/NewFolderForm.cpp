#include "NewFolderForm.h"

#include "FolderBrowserForm.h"
#include "NamedControl.h"
#include "RecentTargets.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <lib/WaitCursor.h>
#include <lib/controls/HistoryComboBox.h>

#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

// After the dialog is shown, when the combo box has settled its own selection.
constexpr int SelectNameDelayMs = 10;

TNewFolderForm1::TNewFolderForm1(QWidget *owner, const CPath &parent)
    : TModalForm1(owner)
    , GroupBox(NewControl<QGroupBox>(this, "GroupBox", QStringLiteral(" Name of new folder ")))
    , Combo(NewControl<THistoryComboBox>(GroupBox, "Combo"))
    , BrowseBtn(NewControl<QPushButton>(GroupBox, "BrowseBtn", QStringLiteral("&Browse...")))
    , FolderEdit(NewControl<QLineEdit>(this, "FolderEdit"))
    , ErrorLabel(NewControl<QLabel>(this, "ErrorLabel"))
    , OkButton(NewControl<QPushButton>(this, "OkButton", QStringLiteral("&Create Folder")))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
    , DriveInfoButton(NewControl<QPushButton>(this, "DriveInfoButton", QStringLiteral("Drive &Info...")))
    , Timer1(NewControl<QTimer>(this, "Timer1"))
    , m_parent(parent)
{
    setObjectName(QStringLiteral("NewFolderForm1"));
    setWindowTitle(QStringLiteral("New Folder"));

    Combo->setEditable(true);
    Combo->setMinimumWidth(320);
    Combo->setInsertPolicy(QComboBox::NoInsert);
    FolderEdit->setReadOnly(true);
    FolderEdit->setFocusPolicy(Qt::NoFocus);
    QFont bold = ErrorLabel->font();
    bold.setBold(true);
    ErrorLabel->setFont(bold);
    OkButton->setDefault(true);
    Timer1->setSingleShot(true);
    Timer1->setInterval(SelectNameDelayMs);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(Combo, 1);
    nameRow->addWidget(BrowseBtn);
    auto *group = new QVBoxLayout(GroupBox);
    group->addLayout(nameRow);
    group->addWidget(FolderEdit);

    auto *left = new QVBoxLayout;
    left->addWidget(GroupBox);
    left->addWidget(ErrorLabel);
    left->addStretch(1);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch(1);
    buttons->addWidget(DriveInfoButton);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    LoadRecentTargets(*Combo, false);
    const QString start = m_parent.AppendFileName(NewFolderName).ToAnsiString();
    Combo->setEditText(start);
    Combo->SelectItem(start);
    connect(Combo, &QComboBox::editTextChanged, this, &TNewFolderForm1::ComboChange);
    connect(BrowseBtn, &QPushButton::clicked, Combo, [this] { TFolderBrowserForm1::BrowseInto(Combo); });
    connect(OkButton, &QPushButton::clicked, this, &TNewFolderForm1::OkButtonClick);
    connect(DriveInfoButton, &QPushButton::clicked, this, &TNewFolderForm1::DriveInfoButtonClick);
    connect(Timer1, &QTimer::timeout, this, &TNewFolderForm1::Timer1Timer);
    SetButtonResult(CancelButton, mrCancel);
    ComboChange();
}

CPath TNewFolderForm1::Ask(const CPath &parent)
{
    TNewFolderForm1 form(nullptr, parent);
    if (form.ShowModal() != mrOk)
        return CPath();
    return form.NewFolder();
}

int TNewFolderForm1::nameStart(const QString &text) const
{
    QString prefix = m_parent.ToAnsiString();
    if (!prefix.endsWith(u'\\'))
        prefix += u'\\';
    return text.startsWith(prefix, Qt::CaseInsensitive) ? int(prefix.size()) : 0;
}

void TNewFolderForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    Timer1->start();
}

void TNewFolderForm1::ComboChange()
{
    CWaitCursor wait;
    const QString text = Combo->currentText();
    const QString name = text.mid(nameStart(text));
    m_newFolder = IsPlainFileName(CString(name)) ? m_parent.AppendFileName(CString(name)) : CPath();
    FolderEdit->setText(m_newFolder.ToAnsiString());

    QString error;
    if (m_newFolder.IsEmpty())
        error = QStringLiteral("Illegal Name");
    else if (m_newFolder.GetDirectoryExists())
        error = QStringLiteral("Folder Exists");
    ErrorLabel->setText(error);
    OkButton->setEnabled(error.isEmpty());
}

void TNewFolderForm1::OkButtonClick()
{
    if (!CreateTargetFolder(m_newFolder))
        return;
    Combo->AddToHistory(m_newFolder.ToAnsiString(), false);
    SaveRecentTargets(*Combo, false, false);
    SetModalResult(mrOk);
}

void TNewFolderForm1::DriveInfoButtonClick()
{
    ShowDriveInfo(m_parent);
}

// Typing then replaces the name and keeps the parent's path.
void TNewFolderForm1::Timer1Timer()
{
    const QString text = Combo->currentText();
    const int start = nameStart(text);
    Combo->lineEdit()->setSelection(start, int(text.size()) - start);
}
