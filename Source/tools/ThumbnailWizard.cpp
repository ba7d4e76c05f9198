#include "ThumbnailWizard.h"

#include "CustomHTMLForm.h"
#include "HtmlTemplate.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/windows/FolderPropertiesForm.h>
#include <Source/windows/TargetForm.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <platform/Exception.h>
#include <platform/Shell.h>
#include <platform/StringList.h>
#include <platform/SystemMetrics.h>

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <thread>

// Characters that no file or folder name may hold.
static const QString InvalidNameCharacters = QStringLiteral(":*?\"<>|/\\");
static const QString InvalidText = QStringLiteral("-- Invalid --");

// Thumbnail files written at once: enough to keep the disk's queue full.
constexpr size_t ParallelSaves = 16;

static bool holdsInvalidNameCharacter(const QString &text)
{
    for (const QChar c : InvalidNameCharacters) {
        if (text.contains(c))
            return true;
    }
    return false;
}

// The input folder's name as a page's file name: lower case, each blank and
// invalid character '_', and ".htm".
static QString defaultHtmlFileName(const QString &folderName)
{
    QString name = folderName.toLower();
    for (QChar &c : name) {
        if (c == u' ' || InvalidNameCharacters.contains(c))
            c = u'_';
    }
    return name + QStringLiteral(".htm");
}

// The shell's code for a file that another program holds.
constexpr int SharingViolation = 26;

// The shell's answer to opening path, as the wizard reports it; nothing for
// a start, or for a failure the shell reported itself.
static void reportOpenFailure(int code, const CPath &path, const char *noAssociation)
{
    if (code == -1 || code == OpenDocumentReported)
        return;
    QString text;
    if (code == SE_ERR_ACCESSDENIED || code == SharingViolation)
        text = QStringLiteral("Access to '%1' was denied").arg(path.ToAnsiString());
    else if (code == SE_ERR_NOASSOC)
        text = QString::fromLatin1(noAssociation);
    else
        text = QStringLiteral("Unable to open file '%1'").arg(path.ToAnsiString());
    ShowMessageBox(CString(text), ErrorBoxFlags);
}

// The wizard's keys and what each one keeps.
static const QString FileKey = QStringLiteral("File");
static const QString HeadingKey = QStringLiteral("Heading");
static const QString TitleKey = QStringLiteral("Title");
static const QString DescriptionKey = QStringLiteral("Description");
static const QString KeywordsKey = QStringLiteral("Keywords");
static const QString PrefixKey = QStringLiteral("Prefix");
static const QString SubfolderKey = QStringLiteral("Subfolder");
static const QString GenerateHtmlKey = QStringLiteral("Generate HTML");
static const QString ShowPageKey = QStringLiteral("Show Page");
static const QString UnixCompatibleKey = QStringLiteral("Unix Compatible");
static const QString SafeSavesKey = QStringLiteral("Safe Saves");
static const QString OutputFolderKey = QStringLiteral("Output Folder");

static QLabel *errorLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
    return label;
}

static QLineEdit *lineEdit(QWidget *parent, const char *name, bool readOnly = false)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

static QLabel *buddyLabel(const QString &caption, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

template<typename Widget>
static Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(name);
    return widget;
}

TThumbnailWizardForm1::TThumbnailWizardForm1(QWidget *owner, const CPath &inputFolder,
                                             const std::vector<CThumbBitmap *> &records)
    : TModalForm1(owner)
    , m_inputFolder(inputFolder)
    , m_records(records)
    , m_section(QString(FolderSettingsSection(inputFolder, FoldersSection).ToAnsiString()) + QStringLiteral("\\*TnWiz"))
{
    for (CThumbBitmap *record : m_records)
        record->AddRef();
    setObjectName("ThumbnailWizardForm1");
    setWindowTitle("Thumbnail Wizard");

    PageControl = named(new QStackedWidget(this), "PageControl");

    auto *page1 = named(new QWidget, "TabSheet1");
    CountLabel = named(new QLabel(page1), "CountLabel");
    ErrorLabel1 = errorLabel(page1, "ErrorLabel1");
    ChangeOutputFolderButton = named(new QPushButton("Change &Output Folder...", page1), "ChangeOutputFolderButton");
    InputFolderPropertiesButton = named(new QPushButton("&Input Folder Properties...", page1),
                                        "InputFolderPropertiesButton");
    auto *intro = new QLabel("This wizard writes the selected thumbnails as JPEG files and, if you wish, "
                             "a web page that shows them.",
                             page1);
    intro->setWordWrap(true);
    auto *layout1 = new QVBoxLayout(page1);
    layout1->addWidget(intro);
    layout1->addWidget(CountLabel);
    layout1->addWidget(ErrorLabel1);
    layout1->addStretch();
    layout1->addWidget(ChangeOutputFolderButton, 0, Qt::AlignLeft);
    layout1->addWidget(InputFolderPropertiesButton, 0, Qt::AlignLeft);

    auto *page2 = named(new QWidget, "TabSheet2");
    Edit2 = lineEdit(page2, "Edit2");
    ErrorLabel2 = errorLabel(page2, "ErrorLabel2");
    Edit7 = lineEdit(page2, "Edit7");
    PrefixLabel = named(buddyLabel("Optional &prefix for image files on web server:", Edit7, page2), "PrefixLabel");
    Edit72 = lineEdit(page2, "Edit72", true);
    LinkLabel = named(new QLabel("Image links will be prefixed with the following:", page2), "LinkLabel");
    auto *layout2 = new QVBoxLayout(page2);
    layout2->addWidget(buddyLabel("Optional &subfolder for thumbnail files:", Edit2, page2));
    layout2->addWidget(Edit2);
    layout2->addWidget(new QLabel("The thumbnail filenames will be prefixed with the characters tn_", page2));
    layout2->addWidget(ErrorLabel2);
    layout2->addSpacing(12);
    layout2->addWidget(PrefixLabel);
    layout2->addWidget(Edit7);
    layout2->addWidget(LinkLabel);
    layout2->addWidget(Edit72);
    layout2->addStretch();

    auto *page3 = named(new QWidget, "TabSheet3");
    CheckBox1 = named(new QCheckBox("&Generate HTML file:", page3), "CheckBox1");
    Edit1 = lineEdit(page3, "Edit1");
    Edit4 = lineEdit(page3, "Edit4");
    Edit5 = lineEdit(page3, "Edit5");
    Edit6 = lineEdit(page3, "Edit6");
    Edit8 = lineEdit(page3, "Edit8");
    CheckBox4 = named(new QCheckBox("&Unix compatible paths", page3), "CheckBox4");
    ErrorLabel3 = errorLabel(page3, "ErrorLabel3");
    auto *fields3 = new QGridLayout;
    fields3->addWidget(CheckBox1, 0, 0);
    fields3->addWidget(Edit1, 0, 1);
    fields3->addWidget(buddyLabel("&Title:", Edit4, page3), 1, 0);
    fields3->addWidget(Edit4, 1, 1);
    fields3->addWidget(buddyLabel("&Description:", Edit5, page3), 2, 0);
    fields3->addWidget(Edit5, 2, 1);
    fields3->addWidget(buddyLabel("&Keywords:", Edit6, page3), 3, 0);
    fields3->addWidget(Edit6, 3, 1);
    fields3->addWidget(buddyLabel("&Heading:", Edit8, page3), 4, 0);
    fields3->addWidget(Edit8, 4, 1);
    fields3->addWidget(CheckBox4, 5, 1);
    fields3->addWidget(ErrorLabel3, 6, 1);
    auto *layout3 = new QVBoxLayout(page3);
    layout3->addLayout(fields3);
    layout3->addStretch();

    auto *page4 = named(new QWidget, "TabSheet4");
    CustomButton = named(new QPushButton("&Customise HTML body...", page4), "CustomButton");
    EditButton = named(new QPushButton("&Edit Template", page4), "EditButton");
    auto *about4 = new QLabel("The page is made from a template that you may edit, and its table of thumbnails "
                              "can be customised.",
                              page4);
    about4->setWordWrap(true);
    auto *layout4 = new QVBoxLayout(page4);
    layout4->addWidget(about4);
    layout4->addWidget(CustomButton, 0, Qt::AlignLeft);
    layout4->addWidget(EditButton, 0, Qt::AlignLeft);
    layout4->addStretch();

    auto *page5 = named(new QWidget, "TabSheet5");
    CheckBox3 = named(new QCheckBox("&Show new page in default web browser", page5), "CheckBox3");
    auto *about5 = new QLabel("Click Finish to write the thumbnails.", page5);
    auto *layout5 = new QVBoxLayout(page5);
    layout5->addWidget(about5);
    layout5->addWidget(CheckBox3);
    layout5->addStretch();

    for (QWidget *page : {page1, page2, page3, page4, page5})
        PageControl->addWidget(page);

    InputFolderEdit = lineEdit(this, "InputFolderEdit", true);
    ThumbnailFolderEdit = lineEdit(this, "ThumbnailFolderEdit", true);
    HtmlFileEdit = lineEdit(this, "HtmlFileEdit", true);
    auto *places = new QFormLayout;
    places->addRow("Input image folder:", InputFolderEdit);
    places->addRow("Output thumbnail folder:", ThumbnailFolderEdit);
    places->addRow("Output HTML file:", HtmlFileEdit);

    PreviewButton = named(new QPushButton("&Preview", this), "PreviewButton");
    SafeSavesCheckBox = named(new QCheckBox("Safe saves", this), "SafeSavesCheckBox");
    BackButton = named(new QPushButton("< &Back", this), "BackButton");
    NextButton = named(new QPushButton("&Next >", this), "NextButton");
    NextButton->setDefault(true);
    CancelButton = named(new QPushButton("Cancel", this), "CancelButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(PreviewButton);
    buttons->addWidget(SafeSavesCheckBox);
    buttons->addStretch();
    buttons->addWidget(BackButton);
    buttons->addWidget(NextButton);
    buttons->addSpacing(8);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addLayout(places);
    layout->addLayout(buttons);
    resize(520, 400);

    SetButtonResult(CancelButton, mrCancel);
    connect(NextButton, &QPushButton::clicked, this, &TThumbnailWizardForm1::NextButtonClick);
    connect(BackButton, &QPushButton::clicked, this, &TThumbnailWizardForm1::BackButtonClick);
    connect(CheckBox1, &QCheckBox::clicked, this, &TThumbnailWizardForm1::CheckBox1Click);
    for (QLineEdit *edit : {Edit1, Edit2, Edit4})
        connect(edit, &QLineEdit::textChanged, this, &TThumbnailWizardForm1::Edit124Change);
    connect(EditButton, &QPushButton::clicked, this, &TThumbnailWizardForm1::EditButtonClick);
    connect(PreviewButton, &QPushButton::clicked, this, &TThumbnailWizardForm1::PreviewButtonClick);
    connect(CustomButton, &QPushButton::clicked, this, &TThumbnailWizardForm1::CustomButtonClick);
    connect(ChangeOutputFolderButton, &QPushButton::clicked, this,
            &TThumbnailWizardForm1::ChangeOutputFolderButtonClick);
    connect(InputFolderPropertiesButton, &QPushButton::clicked, this,
            &TThumbnailWizardForm1::InputFolderPropertiesButtonClick);
    FormCreate();
}

TThumbnailWizardForm1::~TThumbnailWizardForm1()
{
    for (CThumbBitmap *record : m_records)
        record->Release();
}

bool TThumbnailWizardForm1::ShowWizard(const CPath &inputFolder, const std::vector<CThumbBitmap *> &records)
{
    TThumbnailWizardForm1 wizard(nullptr, inputFolder, records);
    return wizard.ShowModal() == mrOk;
}

void TThumbnailWizardForm1::FormCreate()
{
    m_filling = true;
    InputFolderEdit->setText(m_inputFolder.ToAnsiString());
    readKeys();
    CountLabel->setText(QStringLiteral("Number of thumbnails selected: %1").arg(m_records.size()));
    if (!TemplatePath().GetFileExists()) {
        try {
            WriteDefaultTemplate();
        } catch (const Exception &error) {
            ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        }
    } else {
        UpgradeTemplate();
    }
    m_filling = false;
    CheckBox1Click();
    showPage(0);
}

void TThumbnailWizardForm1::readKeys()
{
    const TSafeRegIniFile &store = *SettingsStore;
    const QString folderName = m_inputFolder.GetFilePart().ToAnsiString();
    Edit1->setText(store.ReadString(m_section, FileKey, defaultHtmlFileName(folderName)));
    Edit8->setText(store.ReadString(m_section, HeadingKey, QStringLiteral("<H1>%1</H1>").arg(folderName)));
    Edit4->setText(store.ReadString(m_section, TitleKey, folderName));
    Edit5->setText(store.ReadString(m_section, DescriptionKey, QString()));
    Edit6->setText(store.ReadString(m_section, KeywordsKey, QString()));
    Edit7->setText(store.ReadString(m_section, PrefixKey, QString()));
    Edit2->setText(store.ReadString(m_section, SubfolderKey, QString()));
    CheckBox1->setChecked(store.ReadBool(m_section, GenerateHtmlKey, true));
    CheckBox3->setChecked(store.ReadBool(m_section, ShowPageKey, true));
    CheckBox4->setChecked(store.ReadBool(m_section, UnixCompatibleKey, true));
    SafeSavesCheckBox->setChecked(store.ReadBool(m_section, SafeSavesKey, true));
    setOutputFolder(CPath(CString(store.ReadString(m_section, OutputFolderKey, m_inputFolder.ToAnsiString()))));
}

void TThumbnailWizardForm1::writeKeys() const
{
    TSafeRegIniFile &store = *SettingsStore;
    TSafeRegIniFile::Transaction transaction(store);
    store.WriteString(m_section, FileKey, Edit1->text());
    store.WriteString(m_section, HeadingKey, Edit8->text());
    store.WriteString(m_section, TitleKey, Edit4->text());
    store.WriteString(m_section, DescriptionKey, Edit5->text());
    store.WriteString(m_section, KeywordsKey, Edit6->text());
    store.WriteString(m_section, PrefixKey, Edit7->text());
    store.WriteString(m_section, SubfolderKey, Edit2->text());
    store.WriteBool(m_section, GenerateHtmlKey, CheckBox1->isChecked());
    store.WriteBool(m_section, ShowPageKey, CheckBox3->isChecked());
    store.WriteBool(m_section, UnixCompatibleKey, CheckBox4->isChecked());
    store.WriteBool(m_section, SafeSavesKey, SafeSavesCheckBox->isChecked());
    store.WriteString(m_section, OutputFolderKey, m_outputFolder.ToAnsiString());
    transaction.Commit();
}

CString TThumbnailWizardForm1::ThumbnailFileName(const CString &imageName) const
{
    QString name = imageName.ToAnsiString();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name[dot] = u'_';
    const CString file(CString(QStringLiteral("tn_") + name + QStringLiteral(".jpg")));
    const QString subfolder = Edit2->text().trimmed();
    if (subfolder.isEmpty())
        return file;
    return CPath(CString(subfolder)).AppendFileName(file);
}

CString TThumbnailWizardForm1::HtmlFileName() const
{
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty() || name.contains(u' ') || holdsInvalidNameCharacter(name))
        return CString();
    const QString extension = name.mid(name.lastIndexOf(u'.') + 1).toLower();
    if (name.contains(u'.') && (extension == QStringLiteral("htm") || extension == QStringLiteral("html")))
        return CString(name);
    return CString(name + QStringLiteral(".htm"));
}

CPath TThumbnailWizardForm1::HtmlFilePath() const
{
    const CString name = HtmlFileName();
    return name.IsEmpty() ? CPath() : m_outputFolder.AppendFileName(name);
}

int TThumbnailWizardForm1::PageIndex() const
{
    return PageControl->currentIndex();
}

// "." and ".." name no new folder: thumbnails would land beside or above the
// output folder.
bool TThumbnailWizardForm1::subfolderIsValid() const
{
    const QString subfolder = Edit2->text().trimmed();
    return !holdsInvalidNameCharacter(subfolder) && subfolder != QStringLiteral(".")
        && subfolder != QStringLiteral("..");
}

// Failed records are left out of the files and the page; a record still
// waiting for its build would be left out of both without the user knowing.
bool TThumbnailWizardForm1::allThumbnailsSettled() const
{
    for (const CThumbBitmap *record : m_records) {
        const TThumbState state = record->GetState();
        if (state == TThumbState::Pending || state == TThumbState::Loading)
            return false;
    }
    return true;
}

void TThumbnailWizardForm1::Edit124Change()
{
    if (m_filling)
        return;
    updateButtons();
}

void TThumbnailWizardForm1::updateButtons()
{
    const bool nameValid = !HtmlFileName().IsEmpty();
    HtmlFileEdit->setText(nameValid ? HtmlFilePath().ToAnsiString() : InvalidText);
    const bool titleValid = !Edit4->text().trimmed().isEmpty();
    ErrorLabel3->setText(!nameValid    ? QStringLiteral("Please enter a valid file name")
                         : !titleValid ? QStringLiteral("You must supply a title")
                                       : QString());

    const bool folderValid = subfolderIsValid();
    const QString subfolder = Edit2->text().trimmed();
    ThumbnailFolderEdit->setText(!folderValid         ? InvalidText
                                 : subfolder.isEmpty() ? m_outputFolder.ToAnsiString()
                                                       : m_outputFolder.AppendFileName(CString(subfolder)).ToAnsiString());
    ErrorLabel2->setText(folderValid ? QString() : QStringLiteral("Please enter a single valid folder name"));

    const bool settled = allThumbnailsSettled();
    ErrorLabel1->setText(!settled           ? QStringLiteral("Not all selected thumbnails are loaded")
                         : m_writeProtected ? QStringLiteral("The output folder is write-protected")
                                            : QString());

    const bool valid = nameValid && titleValid && folderValid && settled;
    BackButton->setEnabled(valid && PageIndex() > 0);
    NextButton->setEnabled(valid && !m_writeProtected);
    PreviewButton->setEnabled(valid && !m_writeProtected && CheckBox1->isChecked());
    NextButton->setText(PageIndex() == PageControl->count() - 1 ? QStringLiteral("&Finish") : QStringLiteral("&Next >"));

    const CPath trace = CPath(m_outputFolder).TraceTo(m_inputFolder);
    const bool besideImages = trace.IsEmpty();
    PrefixLabel->setVisible(besideImages);
    Edit7->setVisible(besideImages);
    LinkLabel->setVisible(!besideImages);
    Edit72->setVisible(!besideImages);
    Edit72->setText(trace.ToAnsiString());
}

void TThumbnailWizardForm1::CheckBox1Click()
{
    const bool enabled = CheckBox1->isChecked();
    for (QLineEdit *edit : {Edit1, Edit4, Edit5, Edit6, Edit8}) {
        edit->setEnabled(enabled);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, SysColour(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
        edit->setPalette(palette);
    }
    CheckBox4->setEnabled(enabled);
    updateButtons();
}

void TThumbnailWizardForm1::setOutputFolder(const CPath &folder)
{
    m_outputFolder = folder;
    m_writeProtected = IsWriteProtected(folder);
}

void TThumbnailWizardForm1::showPage(int index)
{
    PageControl->setCurrentIndex(index);
    updateButtons();
}

// Page 4 holds only the HTML's customisation: skipped while there is none.
static int stepPage(int index, int step, bool generateHtml)
{
    const int next = index + step;
    return next == 3 && !generateHtml ? next + step : next;
}

void TThumbnailWizardForm1::NextButtonClick()
{
    if (m_writeProtected) {
        ChangeOutputFolderButtonClick();
        return;
    }
    if (PageIndex() < PageControl->count() - 1) {
        showPage(stepPage(PageIndex(), 1, CheckBox1->isChecked()));
        return;
    }
    if (!FinishWizard())
        return;
    if (CheckBox1->isChecked() && CheckBox3->isChecked())
        reportOpenFailure(OpenDocument(HtmlFilePath().c_str(), ""), HtmlFilePath(),
                          "There is no application associated with HTML files");
    SetModalResult(mrOk);
}

void TThumbnailWizardForm1::BackButtonClick()
{
    if (PageIndex() > 0)
        showPage(stepPage(PageIndex(), -1, CheckBox1->isChecked()));
}

// Each record's JPEG bytes to its target, on several threads at once: every
// file is flushed to disk before its rename, and the waits for the disk
// overlap instead of adding up. Answers which were written.
static std::vector<bool> saveJpegFiles(const std::vector<CThumbBitmap *> &records, const std::vector<CPath> &targets)
{
    std::vector<char> saved(records.size(), 0);
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t index = next++; index < records.size(); index = next++)
            saved[index] = records[index]->SaveJpegFile(targets[index]);
    };
    const size_t threadCount = std::min<size_t>(ParallelSaves, records.size());
    std::vector<std::thread> threads;
    for (size_t i = 1; i < threadCount; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    return std::vector<bool>(saved.begin(), saved.end());
}

std::vector<CThumbBitmap *> TThumbnailWizardForm1::WriteThumbnailFiles()
{
    CWaitCursor wait;
    const QString subfolder = Edit2->text().trimmed();
    if (!subfolder.isEmpty()) {
        const CPath folder = m_outputFolder.AppendFileName(CString(subfolder));
        if (!folder.GetDirectoryExists())
            folder.CreateDirectoryA();
    }
    std::vector<CThumbBitmap *> built;
    std::vector<CPath> targets;
    for (CThumbBitmap *record : m_records) {
        if (record->GetState() != TThumbState::Loaded)
            continue;
        built.push_back(record);
        targets.push_back(m_outputFolder.AppendFileName(ThumbnailFileName(record->GetHandler().GetName())));
    }
    const std::vector<bool> saved = saveJpegFiles(built, targets);
    std::vector<CThumbBitmap *> written;
    CPath failed;
    for (size_t index = 0; index < built.size(); ++index) {
        if (saved[index])
            written.push_back(built[index]);
        else if (failed.IsEmpty())
            failed = targets[index];
    }
    if (!failed.IsEmpty())
        ShowMessageBox(CString(QStringLiteral("Cannot create file %1").arg(failed.ToAnsiString())), ErrorBoxFlags);
    return written;
}

THtmlPage TThumbnailWizardForm1::pageContents(const std::vector<CThumbBitmap *> &written) const
{
    THtmlPage page;
    page.title = Edit4->text().trimmed();
    page.description = Edit5->text().trimmed();
    page.keywords = Edit6->text().trimmed();
    page.heading = Edit8->text();
    page.inputFolder = m_inputFolder;
    page.htmlFile = HtmlFilePath();
    page.prefix = Edit7->text();
    page.unixPaths = CheckBox4->isChecked();
    page.body.Load(m_section);
    page.items.reserve(written.size());
    for (CThumbBitmap *record : written) {
        const TImageHandler image = record->GetHandler();
        page.items.push_back({image, ThumbnailFileName(image.GetName()), record->GetThumbnailSize()});
    }
    return page;
}

bool TThumbnailWizardForm1::FinishWizard()
{
    CancelButton->setText("&Close");
    try {
        writeKeys();
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
    const std::vector<CThumbBitmap *> written = WriteThumbnailFiles();
    if (!CheckBox1->isChecked())
        return true;

    const THtmlPage page = pageContents(written);
    TStringList lines;
    while (!LoadTemplate(lines) || !FillTemplateHead(lines, page) || !GenerateThumbnailTable(lines, page)) {
        if (!AskRegenerateTemplate())
            return false;
        lines.Clear();
    }
    const CPath path = page.htmlFile;
    if (SafeSavesCheckBox->isChecked() && path.GetFileExists()) {
        const QString question = QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(path.ToAnsiString());
        if (ShowMessageBox(CString(question), QuestionBoxFlags) != IDYES)
            return false;
    }
    CWaitCursor wait;
    try {
        lines.SaveToFile(path.ToAnsiString());
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return false;
    }
    return true;
}

void TThumbnailWizardForm1::PreviewButtonClick()
{
    if (!FinishWizard())
        return;
    reportOpenFailure(OpenDocument(HtmlFilePath().c_str(), ""), HtmlFilePath(),
                      "There is no application associated with HTML files");
}

void TThumbnailWizardForm1::EditButtonClick()
{
    reportOpenFailure(OpenDocument(TemplatePath().c_str(), ""), TemplatePath(),
                      "There is no application associated with extension '.txt'");
}

void TThumbnailWizardForm1::CustomButtonClick()
{
    TCustomHTMLForm1 form(this, *this);
    form.ShowModal();
}

void TThumbnailWizardForm1::ChangeOutputFolderButtonClick()
{
    TargetFolderRequest request;
    request.caption = "Choose output folder";
    request.actionCaption = "OK";
    request.folderLabel = " Output folder: ";
    CPath folder = m_outputFolder;
    if (!TTargetForm1::Choose(request, folder))
        return;
    setOutputFolder(folder);
    updateButtons();
}

void TThumbnailWizardForm1::InputFolderPropertiesButtonClick()
{
    TFolderPropertiesForm1::ShowFolderProperties(m_inputFolder, 1);
}
