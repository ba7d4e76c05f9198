#include "TargetForm.h"

#include "FolderBrowserForm.h"
#include "NamedControl.h"
#include "RecentTargets.h"

#include <Source/Glob.h>
#include <lib/Drive.h>
#include <lib/WaitCursor.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/FileFind.h>
#include <platform/StringList.h>

#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstdint>

namespace {

// What the files take on the target drive; 64 bits throughout, since a few
// large files pass 4 GB.
struct SpaceNeed
{
    uint64_t totalBytes = 0;       // every file, in whole clusters
    uint64_t neededClusters = 0;   // those that must fit: a move within the drive takes none
    int count = 0;
};

} // namespace

// The file's size in bytes; 0 when it is not found.
static uint64_t fileBytes(const CPath &path)
{
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    return uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
}

// targetDrive: the target's drive letter, upper case; 0 for a share.
static SpaceNeed spaceNeeded(const TStrings *files, bool copy, char targetDrive, uint64_t clusterBytes)
{
    SpaceNeed need;
    for (int i = 0; files && i < files->Count(); ++i) {
        const CPath file{CString((*files)[i])};
        const uint64_t bytes = fileBytes(file);
        const uint64_t clusters = bytes / clusterBytes + (bytes % clusterBytes != 0);
        if (copy || file.GetDriveLetter() != targetDrive)
            need.neededClusters += clusters;
        need.totalBytes += clusters * clusterBytes;
        ++need.count;
    }
    return need;
}

static uint64_t clusterBytesOf(const CDrive &drive)
{
    const uint64_t bytes = uint64_t(drive.bytesPerSector) * drive.sectorsPerCluster;
    return bytes ? bytes : 1;
}

// Why the files cannot go to target on drive; empty when they can.
static CString driveProblem(const CDrive &drive, const CPath &target, const SpaceNeed &need)
{
    CString text;
    if (!drive.exists || !drive.ready)
        text.Format("Drive %c is unavailable", drive.letter);
    else if (IsWriteProtected(target))
        text.Format("Drive %c is write-protected", drive.letter);
    else if (drive.freeBytes / clusterBytesOf(drive) < need.neededClusters)
        text.Format("Insufficient space on drive %c", drive.letter);
    return text;
}

TTargetForm1::TTargetForm1(QWidget *owner, const TargetFolderRequest &request, const CPath &startFolder)
    : TModalForm1(owner)
    , GroupBox(NewControl<QGroupBox>(this, "GroupBox", request.folderLabel.ToAnsiString()))
    , Combo(NewControl<THistoryComboBox>(GroupBox, "Combo"))
    , BrowseBtn(NewControl<QPushButton>(GroupBox, "BrowseBtn", QStringLiteral("&Browse...")))
    , TargetIcon(NewControl<QLabel>(this, "TargetIcon"))
    , DriveLabel(NewControl<QLabel>(this, "DriveLabel"))
    , ShareLabel(NewControl<QLabel>(this, "ShareLabel",
                                    QStringLiteral("Unable to determine if the target has sufficient free space")))
    , SizeMemo(NewControl<QPlainTextEdit>(this, "SizeMemo"))
    , OkButton(NewControl<QPushButton>(this, "OkButton", request.actionCaption.ToAnsiString()))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
    , HelpButton(NewHelpButton("HelpButton"))
    , DriveInfoButton(NewControl<QPushButton>(this, "DriveInfoButton", QStringLiteral("Drive &Info...")))
    , m_files(request.files)
    , m_copy(request.copy)
    , m_okCaption(request.actionCaption)
{
    setObjectName(QStringLiteral("TargetForm1"));
    setWindowTitle(request.caption.ToAnsiString());

    Combo->setEditable(true);
    Combo->setMinimumWidth(320);
    Combo->setInsertPolicy(QComboBox::NoInsert);
    OkButton->setDefault(true);
    TargetIcon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(32, 32));
    TargetIcon->setAlignment(Qt::AlignTop);
    QFont bold = DriveLabel->font();
    bold.setBold(true);
    DriveLabel->setFont(bold);
    SizeMemo->setReadOnly(true);
    SizeMemo->setFrameStyle(QFrame::NoFrame);
    SizeMemo->viewport()->setAutoFillBackground(false);
    SizeMemo->setFixedHeight(SizeMemo->fontMetrics().lineSpacing() * 2 + 8);
    SizeMemo->setFocusPolicy(Qt::NoFocus);

    auto *folderRow = new QHBoxLayout(GroupBox);
    folderRow->addWidget(Combo, 1);
    folderRow->addWidget(BrowseBtn);

    auto *estimate = new QVBoxLayout;
    estimate->addWidget(DriveLabel);
    estimate->addWidget(ShareLabel);
    estimate->addWidget(SizeMemo);
    estimate->addStretch(1);
    auto *details = new QHBoxLayout;
    details->addWidget(TargetIcon, 0, Qt::AlignTop);
    details->addLayout(estimate, 1);

    auto *left = new QVBoxLayout;
    left->addWidget(GroupBox);
    left->addLayout(details, 1);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch(1);
    buttons->addWidget(DriveInfoButton);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    LoadRecentTargets(*Combo, true);
    if (!startFolder.IsEmpty()) {
        Combo->setEditText(startFolder.ToAnsiString());
        Combo->SelectItem(startFolder.ToAnsiString());
    }
    connect(Combo, &QComboBox::editTextChanged, this, &TTargetForm1::ComboChange);
    connect(BrowseBtn, &QPushButton::clicked, Combo, [this] { TFolderBrowserForm1::BrowseInto(Combo); });
    connect(OkButton, &QPushButton::clicked, this, &TTargetForm1::OkButtonClick);
    connect(DriveInfoButton, &QPushButton::clicked, this, &TTargetForm1::DriveInfoButtonClick);
    SetButtonResult(CancelButton, mrCancel);
    ComboChange();
}

bool TTargetForm1::Choose(const TargetFolderRequest &request, CPath &folder)
{
    TTargetForm1 form(nullptr, request, folder);
    if (form.ShowModal() != mrOk)
        return false;
    folder = form.Folder();
    return true;
}

CPath TTargetForm1::Folder() const
{
    return CPath(CString(Combo->currentText()));
}

void TTargetForm1::ComboChange()
{
    CWaitCursor wait;
    const CPath folder = Folder();
    const bool missing = !folder.IsEmpty() && !folder.GetDirectoryExists();
    OkButton->setText(missing ? QStringLiteral("&Create Folder") : m_okCaption.ToAnsiString());
    EstimateSpace();
}

void TTargetForm1::EstimateSpace()
{
    const CPath folder = Folder();
    const bool valid = folder.GetIsAbsolute();
    const bool shared = valid && folder.GetIsShared();
    DriveLabel->clear();
    SizeMemo->clear();
    DriveLabel->setVisible(!shared);
    ShareLabel->setVisible(shared);
    OkButton->setEnabled(valid);
    if (!valid) {
        DriveLabel->setText(QStringLiteral("Invalid Folder"));
        return;
    }

    SpaceNeed need;
    if (shared) {
        need = spaceNeeded(m_files, m_copy, 0, 1);
    } else {
        const CDrive drive = DriveTable->GetDrive(folder.GetDriveLetter());
        need = spaceNeeded(m_files, m_copy, drive.letter, clusterBytesOf(drive));
        DriveLabel->setText(driveProblem(drive, folder, need).ToAnsiString());
    }
    if (need.count == 0)
        return;
    CString size;
    size.FormatFileSize(need.totalBytes);
    CString text;
    text.Format("%s required at destination for %d image%s", size.c_str(), need.count, need.count == 1 ? "" : "s");
    SizeMemo->setPlainText(text.ToAnsiString());
}

void TTargetForm1::OkButtonClick()
{
    const CPath folder = Folder();
    if (!folder.GetDirectoryExists() && !CreateTargetFolder(folder))
        return;
    Combo->AddToHistory(folder.ToAnsiString(), true);
    SaveRecentTargets(*Combo, true, true);
    SetModalResult(mrOk);
}

void TTargetForm1::DriveInfoButtonClick()
{
    ShowDriveInfo(Folder());
    EstimateSpace();
}
