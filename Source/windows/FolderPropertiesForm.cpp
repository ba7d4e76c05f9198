#include "FolderPropertiesForm.h"

#include "DialogParts.h"

#include <Source/Glob.h>
#include <Source/engine/WindowHooks.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <platform/Exception.h>
#include <platform/Files.h>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// The names of the folder's two memos.
static const char StandardMemoName[] = "Folder";
static const char HTMLMemoName[] = "HTML";

constexpr DWORD UncountedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

// "1.5MB in 3 images": bytes in count of noun.
static QString countText(uint64_t bytes, int count, const char *noun)
{
    CString size;
    size.FormatFileSize(bytes);
    CString text;
    text.Format("%s in %d %s%s", size.c_str(), count, noun, count == 1 ? "" : "s");
    return text.ToAnsiString();
}

static QPlainTextEdit *makeMemoField(QWidget *parent, const char *name, const TStrings &lines)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setTabChangesFocus(true);
    SetMemoLines(*memo, lines);
    return memo;
}

static void loadMemo(const CPath &folder, const char *name, TStringList &lines)
{
    CMemo memo(folder, name);
    lines.Assign(*memo.GetLines());
}

// Stores field's lines as the folder's memo name when they differ from
// stored, which then holds them.
static void storeChangedMemo(const CPath &folder, const char *name, const QPlainTextEdit &field,
                             TStringList &stored)
{
    TStringList lines;
    GetMemoLines(field, lines);
    if (lines.ToStringList() == stored.ToStringList())
        return;
    CMemo(folder, name).SetLines(lines);
    stored.Assign(lines);
}

TFolderPropertiesForm1::TFolderPropertiesForm1(QWidget *owner, const CPath &folder)
    : TModalForm1(owner)
    , m_folder(folder)
{
    setObjectName("FolderPropertiesForm1");
    setWindowTitle(QStringLiteral("Properties for ") + folder.ToAnsiString());

    FileLabel = new QLabel("No files", this);
    FileLabel->setObjectName("FileLabel");
    ImageLabel = new QLabel("No images", this);
    ImageLabel->setObjectName("ImageLabel");

    RadioGroup = new QGroupBox(" Memo: ", this);
    RadioGroup->setObjectName("RadioGroup");
    StandardRadio = new QRadioButton("&Standard", RadioGroup);
    StandardRadio->setObjectName("StandardRadio");
    HTMLRadio = new QRadioButton("&HTML", RadioGroup);
    HTMLRadio->setObjectName("HTMLRadio");
    m_memoTypes = new QButtonGroup(this);
    m_memoTypes->addButton(StandardRadio, 0);
    m_memoTypes->addButton(HTMLRadio, 1);

    loadMemo(folder, StandardMemoName, m_stdLines);
    loadMemo(folder, HTMLMemoName, m_htmlLines);
    StdMemo = makeMemoField(this, "StdMemo", m_stdLines);
    HTMLMemo = makeMemoField(this, "HTMLMemo", m_htmlLines);
    ClearTool = MakeDialogTool(this, "ClearTool", "edit-clear", QStyle::SP_DialogResetButton, "Clear memo");

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    HelpBtn = NewHelpButton("HelpBtn");
    DriveInfoBtn = new QPushButton("Drive &Info...", this);
    DriveInfoBtn->setObjectName("DriveInfoBtn");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(CountIntervalMs);

    auto *radios = new QHBoxLayout(RadioGroup);
    radios->addWidget(StandardRadio);
    radios->addWidget(HTMLRadio);
    radios->addStretch();
    radios->addWidget(ClearTool);

    auto *counts = new QVBoxLayout;
    counts->addWidget(FileLabel);
    counts->addWidget(ImageLabel);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DriveInfoBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(counts);
    layout->addWidget(RadioGroup);
    layout->addWidget(StdMemo, 1);
    layout->addWidget(HTMLMemo, 1);
    layout->addLayout(buttons);
    resize(460, 340);

    SetButtonResult(CancelBtn, mrCancel);
    connect(OKBtn, &QPushButton::clicked, this, &TFolderPropertiesForm1::OKBtnClick);
    connect(DriveInfoBtn, &QPushButton::clicked, this, &TFolderPropertiesForm1::DriveInfoBtnClick);
    connect(ClearTool, &QToolButton::clicked, this, &TFolderPropertiesForm1::ClearToolClick);
    connect(m_memoTypes, &QButtonGroup::idClicked, this, &TFolderPropertiesForm1::RadioGroupClick);
    connect(StdMemo, &QPlainTextEdit::textChanged, this, &TFolderPropertiesForm1::MemoChange);
    connect(HTMLMemo, &QPlainTextEdit::textChanged, this, &TFolderPropertiesForm1::MemoChange);
    connect(Timer1, &QTimer::timeout, this, &TFolderPropertiesForm1::Timer1Timer);

    SetMemoType(0);
}

TFolderPropertiesForm1::~TFolderPropertiesForm1()
{
    if (m_find != INVALID_HANDLE_VALUE)
        FindClose(m_find);
}

int TFolderPropertiesForm1::ShowFolderProperties(const CPath &folder, int memoType)
{
    TFolderPropertiesForm1 dialog(nullptr, folder);
    dialog.SetMemoType(memoType);
    return dialog.ShowModal();
}

void TFolderPropertiesForm1::SetMemoType(int memoType)
{
    m_memoType = memoType == 1 ? 1 : 0;
    m_memoTypes->button(m_memoType)->setChecked(true);
    StdMemo->setVisible(m_memoType == 0);
    HTMLMemo->setVisible(m_memoType == 1);
    ClearTool->setEnabled(HasMemoLines(*shownMemo()));
    if (isVisible())
        shownMemo()->setFocus();
}

void TFolderPropertiesForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    shownMemo()->setFocus();
    if (!m_findStarted)
        Timer1->start();
}

QPlainTextEdit *TFolderPropertiesForm1::shownMemo() const
{
    return m_memoType == 1 ? HTMLMemo : StdMemo;
}

void TFolderPropertiesForm1::Timer1Timer()
{
    WIN32_FIND_DATAA entry;
    for (int i = 0; i < CountBatch; ++i) {
        if (!nextEntry(entry)) {
            Timer1->stop();
            break;
        }
        countEntry(entry);
    }
    showCounts();
}

bool TFolderPropertiesForm1::nextEntry(WIN32_FIND_DATAA &entry)
{
    if (!m_findStarted) {
        m_findStarted = true;
        m_find = FindFirstFileA(m_folder.AppendFileName("*.*"), &entry);
        return m_find != INVALID_HANDLE_VALUE;
    }
    if (m_find == INVALID_HANDLE_VALUE)
        return false;
    if (FindNextFileA(m_find, &entry))
        return true;
    FindClose(m_find);
    m_find = INVALID_HANDLE_VALUE;
    return false;
}

void TFolderPropertiesForm1::countEntry(const WIN32_FIND_DATAA &entry)
{
    if (entry.dwFileAttributes & UncountedAttributes)
        return;
    const uint64_t bytes = (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    ++m_fileCount;
    m_fileBytes += bytes;
    if (!IsFileIncluded(m_folder.AppendFileName(entry.cFileName)))
        return;
    ++m_imageCount;
    m_imageBytes += bytes;
}

void TFolderPropertiesForm1::showCounts()
{
    if (m_fileCount == 0)
        return;
    FileLabel->setText(countText(m_fileBytes, m_fileCount, "file"));
    ImageLabel->setText(countText(m_imageBytes, m_imageCount, "image"));
}

void TFolderPropertiesForm1::RadioGroupClick(int memoType)
{
    SetMemoType(memoType);
}

void TFolderPropertiesForm1::MemoChange()
{
    ClearTool->setEnabled(HasMemoLines(*shownMemo()));
}

void TFolderPropertiesForm1::ClearToolClick()
{
    const char *question = m_memoType == 1 ? "Are you sure you want to clear the HTML memo?"
                                           : "Are you sure you want to clear the standard memo?";
    if (ShowMessageBox(question, QuestionBoxFlags) == IDYES)
        shownMemo()->clear();
}

void TFolderPropertiesForm1::DriveInfoBtnClick()
{
    Dialogs().showDriveInfo(CPath(m_folder.GetDrivePart()));
}

void TFolderPropertiesForm1::OKBtnClick()
{
    try {
        storeChangedMemo(m_folder, StandardMemoName, *StdMemo, m_stdLines);
        storeChangedMemo(m_folder, HTMLMemoName, *HTMLMemo, m_htmlLines);
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return;
    }
    SetModalResult(mrOk);
}
