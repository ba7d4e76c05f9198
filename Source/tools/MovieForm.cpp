#include "MovieForm.h"

#include "MakeMovie.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/FolderBrowserForm.h>
#include <Source/windows/NamedControl.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/MediaWindow.h>
#include <platform/FileDialog.h>
#include <platform/HostPath.h>
#include <platform/ProgramFolder.h>
#include <platform/Registry.h>

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace {

const QString HistorySection = QStringLiteral("Movie");
const QString HistoryName = QStringLiteral("History");

// The space check's steps per tick, so that images are counted a few at a time.
constexpr int CheckStepsPerTick = 4;

// The rate typed, or 0 when it is no number above 0.
int typedRate(const QLineEdit *edit)
{
    bool number = false;
    const int rate = edit->text().trimmed().toInt(&number);
    return number && rate > 0 ? rate : 0;
}

CString fileSize(uint64_t bytes)
{
    CString text;
    text.FormatFileSize(bytes);
    return text;
}

} // namespace

TMovieForm1::TMovieForm1(QWidget *owner, const CMovieFrames &frames)
    : TModalForm1(owner)
    , FileGroup(NewControl<QGroupBox>(this, "FileGroup", QStringLiteral("Movie &File")))
    , FileCombo(NewControl<THistoryComboBox>(FileGroup, "FileCombo"))
    , BrowseButton(NewControl<QPushButton>(FileGroup, "BrowseButton", QStringLiteral("&Browse...")))
    , SourceGroup(NewControl<QGroupBox>(this, "SourceGroup", QStringLiteral("Frames From")))
    , ThumbsRadio(NewControl<QRadioButton>(SourceGroup, "ThumbsRadio", QStringLiteral("&Thumbnails")))
    , ImagesRadio(NewControl<QRadioButton>(SourceGroup, "ImagesRadio", QStringLiteral("&Images")))
    , CompressCheck(NewControl<QCheckBox>(this, "CompressCheck", QStringLiteral("&Compress")))
    , TempGroup(NewControl<QGroupBox>(this, "TempGroup", QStringLiteral("T&emporary Folder")))
    , TempEdit(NewControl<QLineEdit>(TempGroup, "TempEdit"))
    , TempButton(NewControl<QPushButton>(TempGroup, "TempButton", QStringLiteral("B&rowse...")))
    , TempStatus(NewControl<QLabel>(TempGroup, "TempStatus"))
    , StatusSign(NewControl<QLabel>(TempGroup, "StatusSign"))
    , CommentLabel(NewControl<QLabel>(this, "CommentLabel", QStringLiteral("Co&mment:")))
    , CommentEdit(NewControl<QLineEdit>(this, "CommentEdit"))
    , RateLabel(NewControl<QLabel>(this, "RateLabel", QStringLiteral("Frames &Per Second:")))
    , RateEdit(NewControl<QLineEdit>(this, "RateEdit"))
    , PreviewPanel(NewControl<QFrame>(this, "PreviewPanel"))
    , Preview(NewControl<TMediaWindow>(PreviewPanel, "Preview"))
    , SaveButton(NewControl<QPushButton>(this, "SaveButton", QStringLiteral("&Save")))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
    , HelpButton(NewHelpButton("HelpButton"))
    , Timer(new QTimer(this))
    , m_frames(frames)
{
    setObjectName(QStringLiteral("MovieForm1"));
    setWindowTitle(QStringLiteral("Save As Movie"));

    FileCombo->setEditable(true);
    FileCombo->setInsertPolicy(QComboBox::NoInsert);
    FileCombo->setMinimumWidth(340);
    auto *fileRow = new QHBoxLayout(FileGroup);
    fileRow->addWidget(FileCombo, 1);
    fileRow->addWidget(BrowseButton);

    auto *sources = new QVBoxLayout(SourceGroup);
    sources->addWidget(ThumbsRadio);
    sources->addWidget(ImagesRadio);

    StatusSign->setFixedSize(16, 16);
    TempStatus->setTextFormat(Qt::PlainText);
    TempStatus->setWordWrap(true);
    auto *tempLayout = new QGridLayout(TempGroup);
    tempLayout->addWidget(TempEdit, 0, 0, 1, 2);
    tempLayout->addWidget(TempButton, 0, 2);
    tempLayout->addWidget(StatusSign, 1, 0, Qt::AlignTop);
    tempLayout->addWidget(TempStatus, 1, 1, 1, 2);
    tempLayout->setColumnStretch(1, 1);

    CommentLabel->setBuddy(CommentEdit);
    RateLabel->setBuddy(RateEdit);
    CommentEdit->setMaxLength(63);   // as long as a stream's name may be
    RateEdit->setMaxLength(4);
    RateEdit->setFixedWidth(RateEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    auto *fields = new QGridLayout;
    fields->addWidget(CommentLabel, 0, 0);
    fields->addWidget(CommentEdit, 0, 1, 1, 2);
    fields->addWidget(RateLabel, 1, 0);
    fields->addWidget(RateEdit, 1, 1);
    fields->setColumnStretch(2, 1);

    auto *frameRow = new QHBoxLayout;
    frameRow->addWidget(SourceGroup);
    frameRow->addWidget(CompressCheck, 0, Qt::AlignBottom);
    frameRow->addStretch(1);

    auto *left = new QVBoxLayout;
    left->addWidget(FileGroup);
    left->addLayout(frameRow);
    left->addWidget(TempGroup);
    left->addLayout(fields);
    left->addStretch(1);

    PreviewPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    PreviewPanel->setFixedSize(164, 124);
    Preview->setGeometry(2, 2, 160, 120);
    Preview->SetControlBarVisible(false);
    SaveButton->setDefault(true);
    auto *right = new QVBoxLayout;
    right->addWidget(PreviewPanel);
    right->addSpacing(8);
    right->addWidget(SaveButton);
    right->addWidget(CancelButton);
    right->addWidget(HelpButton);
    right->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FileCombo->LoadState(*SettingsStore, HistorySection, HistoryName, false);
    if (FileCombo->count() == 0)
        FileCombo->AddToHistory(CPath(CString(ProgramFolder().c_str())).AppendFileName("Untitled.avi").ToAnsiString(),
                                false);
    FileCombo->setCurrentIndex(0);
    (MovieOptions->GetInt(TMovieOptions::Thumbs) ? ThumbsRadio : ImagesRadio)->setChecked(true);
    CompressCheck->setChecked(MovieOptions->GetInt(TMovieOptions::Compress) != 0);
    TempEdit->setText(MovieOptions->GetString(TMovieOptions::Temp));
    CommentEdit->setText(MovieOptions->GetString(TMovieOptions::Comment));
    RateEdit->setText(QString::number(MovieOptions->GetInt(TMovieOptions::FramesPerSecond)));

    connect(BrowseButton, &QPushButton::clicked, this, &TMovieForm1::BrowseButtonClick);
    connect(TempButton, &QPushButton::clicked, this, &TMovieForm1::TempButtonClick);
    connect(TempEdit, &QLineEdit::textChanged, this, &TMovieForm1::TempEditChange);
    connect(ThumbsRadio, &QRadioButton::toggled, this, &TMovieForm1::SourceChange);
    connect(SaveButton, &QPushButton::clicked, this, &TMovieForm1::SaveButtonClick);
    SetButtonResult(CancelButton, mrCancel);
    connect(Timer, &QTimer::timeout, this, &TMovieForm1::TimerTick);

    const std::string sample =
        HostPathFromWindows(CPath(CString(ProgramFolder().c_str())).AppendFileName("Movie.avi").c_str());
    if (Preview->Open(QString::fromStdString(sample)))
        Preview->Play();
    TempEditChange();
    TimerTick();
    Timer->start(50);
}

TMovieForm1::~TMovieForm1() = default;

bool TMovieForm1::Choose(const CMovieFrames &frames, CPath &target)
{
    TMovieForm1 form(nullptr, frames);
    if (form.ShowModal() != mrOk)
        return false;
    target = form.Target();
    return true;
}

CPath TMovieForm1::Target() const
{
    return CPath(CString(FileCombo->currentText().trimmed()));
}

void TMovieForm1::BrowseButtonClick()
{
    TSaveDialog dialog;
    dialog.Filter = "AVI files (*.avi)|*.avi|All files (*.*)|*.*||";
    dialog.DefaultExt = "avi";
    dialog.FileName = Target().c_str();
    dialog.Options = ofPathMustExist;
    if (dialog.Execute(this))
        FileCombo->setEditText(QString::fromStdString(dialog.FileName));
    FileCombo->setFocus();
}

void TMovieForm1::TempButtonClick()
{
    CPath folder(CString(TempEdit->text()));
    if (TFolderBrowserForm1::Browse(folder))
        TempEdit->setText(folder.ToAnsiString());
    TempEdit->setFocus();
}

void TMovieForm1::TempEditChange()
{
    const CPath folder(CString(TempEdit->text().trimmed()));
    m_tempAbsolute = folder.GetIsAbsolute();
    m_tempExists = m_tempAbsolute && folder.GetDirectoryExists();
    m_tempWriteProtected = m_tempExists && IsWriteProtected(folder);
}

void TMovieForm1::SourceChange()
{
    m_estimate = 0;
    m_estimateIndex = 0;
}

bool TMovieForm1::SaveEnabled() const
{
    return m_tempExists && !m_tempWriteProtected && !Target().IsEmpty() && typedRate(RateEdit) > 0;
}

void TMovieForm1::TimerTick()
{
    const bool compress = CompressCheck->isChecked();
    TempEdit->setEnabled(compress);
    TempButton->setEnabled(compress);
    for (int step = 0; step < CheckStepsPerTick; ++step)
        CheckMovieTarget();
    SaveButton->setEnabled(SaveEnabled());
    if (Preview->IsOpen() && !Preview->IsPlaying()) {
        Preview->Seek(0);
        Preview->Play();
    }
}

void TMovieForm1::CheckMovieTarget()
{
    if (!m_tempAbsolute) {
        TempStatus->hide();
        StatusSign->clear();
        return;
    }
    const int count = m_frames.Count();
    if (m_estimateIndex >= 0 && m_estimateIndex < count) {
        if (ThumbsRadio->isChecked()) {
            const CSize size = m_frames.Record(0).GetThumbnailSize();
            m_estimate = uint64_t(size.cx) * uint64_t(size.cy) * uint64_t(count) * 3;
            m_estimateIndex = -1;
        } else {
            const TImageHandler image = m_frames.Record(m_estimateIndex).GetHandler();
            m_estimate += uint64_t(std::max(image.GetWidth(), 0)) * uint64_t(std::max(image.GetHeight(), 0)) * 3;
            if (++m_estimateIndex >= count)
                m_estimateIndex = -1;
        }
    } else {
        m_estimateIndex = -1;
    }

    const CPath folder(CString(TempEdit->text().trimmed()));
    bool freeKnown = false;
    uint64_t freeBytes = 0;
    if (!folder.GetIsShared() && DriveTable) {
        const CDrive drive = DriveTable->GetDrive(folder.GetDriveLetter());
        freeKnown = drive.exists && drive.ready;
        freeBytes = drive.freeBytes;
    }
    CString status;
    if (m_tempWriteProtected)
        status.Format("Drive %c: is write protected", folder.GetDriveLetter());
    else if (!m_tempExists)
        status = "Folder does not exist";
    else
        status.Format("%s available disk space - approx. %s required",
                      freeKnown ? fileSize(freeBytes).c_str() : "Cannot get", fileSize(m_estimate).c_str());
    const bool problem = m_tempWriteProtected || !m_tempExists || !freeKnown || m_estimate >= freeBytes;
    TempStatus->setText(status.ToAnsiString());
    QFont font = TempStatus->font();
    font.setBold(problem);
    TempStatus->setFont(font);
    TempStatus->show();

    const int signSize = StatusSign->width();
    if (!CompressCheck->isChecked())
        StatusSign->clear();
    else if (problem)
        StatusSign->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(signSize, signSize));
    else if (m_estimateIndex < 0)
        StatusSign->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(signSize, signSize));
}

void TMovieForm1::SaveButtonClick()
{
    // The states may have changed since the last tick.
    TempEditChange();
    if (!SaveEnabled())
        return;
    const CPath target = Target();
    if (target.GetFileExists()) {
        CString question;
        question.Format("Do you want to overwrite '%s'?", target.c_str());
        if (ShowMessageBox(question, QuestionBoxFlags) != IDYES)
            return;
    }
    FileCombo->AddToHistory(target.ToAnsiString(), true);
    try {
        TSafeRegIniFile::Transaction transaction(*SettingsStore);
        FileCombo->SaveState(*SettingsStore, HistorySection, HistoryName, false);
        transaction.Commit();
    } catch (const ERegistryException &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
    MovieOptions->SetInt(TMovieOptions::Thumbs, ThumbsRadio->isChecked() ? 1 : 0);
    MovieOptions->SetInt(TMovieOptions::Compress, CompressCheck->isChecked() ? 1 : 0);
    MovieOptions->SetInt(TMovieOptions::FramesPerSecond, typedRate(RateEdit));
    MovieOptions->SetString(TMovieOptions::Temp, TempEdit->text().trimmed());
    MovieOptions->SetString(TMovieOptions::Comment, CommentEdit->text());
    MovieOptions->Save();
    SetModalResult(mrOk);
}
