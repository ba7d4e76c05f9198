#include "SeqRenameForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/windows/DialogParts.h>
#include <Source/windows/ToolHost.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ThumbBitmap.h>
#include <lib/WaitCursor.h>
#include <platform/FileFind.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <unordered_set>

namespace {

constexpr char SeqRenameSection[] = "SeqRename";
constexpr int ValidationDelayMs = 300;
// How often a long validation or rename repaints its progress.
constexpr qint64 PaintIntervalMs = 100;
// How long after a rename the folder watchers' notices of it may still come.
constexpr int NoticeSettleMs = 1000;

// Characters that no file name may hold.
constexpr char ForbiddenNameCharacters[] = "\\/:*?\"<>|";

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowerAscii(const char *text)
{
    std::string lower(text);
    for (char &c : lower)
        c = lowerAscii(c);
    return lower;
}

// The names in folder, lower-cased, listed once: a lookup per new name
// without case would list the folder again for every miss.
std::unordered_set<std::string> listNamesWithoutCase(const CPath &folder)
{
    std::unordered_set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(folder.AppendFileName("*.*"), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.insert(lowerAscii(data.cFileName));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

CString trimmed(CString text)
{
    text.TrimLeft();
    text.TrimRight();
    return text;
}

// One rename of a run, so that it can be undone.
struct RenameStep
{
    CPath from;
    CPath to;
};

// Renames each step back, newest first; answers the files it could not
// give their names back.
std::vector<CPath> undoRenames(const std::vector<RenameStep> &done)
{
    std::vector<CPath> stranded;
    for (auto step = done.rbegin(); step != done.rend(); ++step) {
        TImageHandler file(step->to, false);
        if (!file.Rename(step->from.GetFilePart()))
            stranded.push_back(step->to);
    }
    return stranded;
}

} // namespace

CSeqPath::CSeqPath(const CString &prefix, int start, int width)
    : m_counter(start), m_width(width), m_prefix(trimmed(prefix))
{
}

CString CSeqPath::NextName(const CString &oldName, bool lowerCaseExtension)
{
    const int dot = oldName.ReverseFind('.');
    CString extension = dot >= 0 ? oldName.Mid(dot) : CString();
    if (lowerCaseExtension)
        extension = extension.AsLower();
    CString name;
    name.Format("%s%0*d%s", m_prefix.c_str(), m_width, m_counter, extension.c_str());
    ++m_counter;
    return name;
}

bool IsAcceptablePrefix(const CString &prefix)
{
    if (prefix.FindOneOf(ForbiddenNameCharacters) >= 0)
        return false;
    for (int index = 0; index < prefix.GetLength(); ++index) {
        if (static_cast<unsigned char>(prefix.GetAt(index)) < ' ')
            return false;
    }
    return true;
}

int NameBucket(const CString &name)
{
    int sum = 0;
    for (int index = 0; index < name.GetLength(); ++index)
        sum += static_cast<unsigned char>(lowerAscii(name.GetAt(index)));
    return sum % 255;
}

void CSeqNameTable::Add(const CString &name)
{
    m_buckets[size_t(NameBucket(name))].push_back(name);
}

bool CSeqNameTable::IsNameTaken(const CString &name) const
{
    for (const CString &taken : m_buckets[size_t(NameBucket(name))]) {
        if (taken.CompareNoCase(name) == 0)
            return true;
    }
    return false;
}

TSeqRenameForm1::TSeqRenameForm1(QWidget *owner, std::vector<CPath> files)
    : TModalForm1(owner), m_files(std::move(files))
{
    setObjectName("SeqRenameForm1");
    setWindowTitle("Sequential Rename");
    if (!m_files.empty())
        m_folder = CPath(m_files.front().GetDirPart());

    PrefixEdit = new QLineEdit(this);
    PrefixEdit->setObjectName("PrefixEdit");
    StartEdit = new QSpinBox(this);
    StartEdit->setObjectName("StartEdit");
    StartEdit->setRange(0, 32767);
    WidthEdit = new QSpinBox(this);
    WidthEdit->setObjectName("WidthEdit");
    WidthEdit->setRange(1, 10);
    LowercaseBox = new QCheckBox("&Lowercase extension", this);
    LowercaseBox->setObjectName("LowercaseBox");

    ListView = new QTreeWidget(this);
    ListView->setObjectName("ListView");
    ListView->setHeaderLabels({"Old Name", "New Name"});
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->header()->resizeSection(0, 170);
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView->setMinimumSize(360, 220);

    SelectionLabel = new QLabel(this);
    SelectionLabel->setObjectName("SelectionLabel");
    ErrorLabel = new QLabel(this);
    ErrorLabel->setObjectName("ErrorLabel");
    QPalette errorPalette = ErrorLabel->palette();
    errorPalette.setColor(QPalette::WindowText, Qt::red);
    ErrorLabel->setPalette(errorPalette);
    PhaseLabel = new QLabel(this);
    PhaseLabel->setObjectName("PhaseLabel");
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setMinimumWidth(300);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);

    RenameButton = new QPushButton("&Rename All", this);
    RenameButton->setObjectName("RenameButton");
    RenameButton->setDefault(true);
    CloseButton = new QPushButton("&Close", this);
    CloseButton->setObjectName("CloseButton");
    HelpButton = NewHelpButton("HelpButton");
    OpenTool = MakeDialogTool(this, "OpenTool", "document-open", QStyle::SP_DialogOpenButton,
                              "Open|Opens the selected image");
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Open1 = PopupMenu1->addAction("&Open");
    Open1->setObjectName("Open1");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(ValidationDelayMs);

    auto *fields = new QGridLayout;
    auto addField = [&](int row, const char *caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
    };
    addField(0, "&Prefix:", PrefixEdit);
    addField(1, "&Start at:", StartEdit);
    addField(2, "&Field width:", WidthEdit);
    fields->addWidget(LowercaseBox, 3, 0, 1, 2);
    fields->addWidget(SelectionLabel, 4, 0, 1, 2);
    fields->addWidget(ErrorLabel, 5, 0, 1, 2);
    fields->addWidget(OpenTool, 6, 0, Qt::AlignLeft);
    fields->setRowStretch(7, 1);

    auto *body = new QHBoxLayout;
    body->addLayout(fields);
    body->addWidget(ListView, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(PhaseLabel);
    buttons->addStretch();
    buttons->addWidget(RenameButton);
    buttons->addWidget(CloseButton);
    buttons->addWidget(HelpButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(ProgressLabel);
    layout->addWidget(ProgressBar);
    layout->addLayout(buttons);
    resize(sizeHint());

    const QSize screen = QGuiApplication::primaryScreen()->size();
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, QString::fromLatin1(SeqRenameSection),
                  {{"Window X", (screen.width() - width()) / 2},
                   {"Window Y", (screen.height() - height()) / 2},
                   {"Prefix", QStringLiteral("PIC")},
                   {"Field Width", 5},
                   {"Start At", 1},
                   {"Lowercase Extension", 0}});
    Options.Load();

    SetButtonResult(CloseButton, mrCancel);
    connect(RenameButton, &QPushButton::clicked, this, &TSeqRenameForm1::RenameButtonClick);
    connect(PrefixEdit, &QLineEdit::textChanged, this, &TSeqRenameForm1::AnyChange);
    connect(StartEdit, &QSpinBox::valueChanged, this, &TSeqRenameForm1::AnyChange);
    connect(WidthEdit, &QSpinBox::valueChanged, this, &TSeqRenameForm1::AnyChange);
    connect(LowercaseBox, &QCheckBox::toggled, this, &TSeqRenameForm1::AnyChange);
    connect(Timer1, &QTimer::timeout, this, &TSeqRenameForm1::Timer1Timer);
    connect(OpenTool, &QToolButton::clicked, this, &TSeqRenameForm1::OpenToolClick);
    connect(Open1, &QAction::triggered, this, &TSeqRenameForm1::OpenToolClick);
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, &TSeqRenameForm1::OpenToolClick);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, &TSeqRenameForm1::ListViewChange);
    connect(ListView, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        ListViewChange();
        PopupMenu1->popup(ListView->viewport()->mapToGlobal(at));
    });
    ListViewChange();
}

TSeqRenameForm1::~TSeqRenameForm1()
{
    // A dialog destroyed while shown still gives the windows their notifications back.
    if (m_shown)
        FormHide();
}

bool TSeqRenameForm1::Show(ToolBrowser &browser)
{
    std::vector<CPath> files;
    for (TThumbnail *thumbnail : browser.Selection())
        files.push_back(thumbnail->GetThumbBitmap()->GetFullPath());
    if (files.empty())
        return false;
    const CPath folder(files.front().GetDirPart());
    bool renamed = false;
    bool anyRenamed = false;
    {
        TSeqRenameForm1 dialog(nullptr, std::move(files));
        renamed = dialog.ShowModal() == mrOk;
        anyRenamed = dialog.AnyRenamed();
    }
    if (!anyRenamed)
        return renamed;
    // The windows ignored the folder's changes while the dialog renamed, and
    // the watchers' notices of them are still on their way: the windows update
    // once, now, and go on ignoring the notices while they arrive.
    ++SequentialRenameCount;
    Shell().UpdateFolderWindows(folder);
    QTimer::singleShot(NoticeSettleMs, qApp, [] { --SequentialRenameCount; });
    return renamed;
}

void TSeqRenameForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    if (!m_shown)
        FormShow();
}

void TSeqRenameForm1::hideEvent(QHideEvent *event)
{
    TModalForm1::hideEvent(event);
    if (m_shown)
        FormHide();
}

void TSeqRenameForm1::FormShow()
{
    CWaitCursor wait;
    m_shown = true;
    move(Options.GetInt(WindowX), Options.GetInt(WindowY));
    {
        const QSignalBlocker prefix(PrefixEdit), start(StartEdit), width(WidthEdit), lower(LowercaseBox);
        PrefixEdit->setText(Options.GetString(Prefix));
        StartEdit->setValue(Options.GetInt(StartAt));
        WidthEdit->setValue(Options.GetInt(FieldWidth));
        LowercaseBox->setChecked(Options.GetInt(LowercaseExtension) != 0);
    }
    ErrorLabel->clear();
    PhaseLabel->clear();
    ProgressLabel->clear();
    const int count = int(m_files.size());
    SelectionLabel->setText(QString::asprintf("%d image%s selected", count, count == 1 ? "" : "s"));
    ListView->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(count);
    for (const CPath &file : m_files) {
        const CString name = file.GetFilePart();
        items.push_back(new QTreeWidgetItem(QStringList{name.ToAnsiString(), QString()}));
        m_names.Add(name);
    }
    ListView->addTopLevelItems(items);
    ValidateSequence();
    ++SequentialRenameCount;
}

void TSeqRenameForm1::FormHide()
{
    m_shown = false;
    --SequentialRenameCount;
    Options.SetInt(WindowX, x());
    Options.SetInt(WindowY, y());
    Options.SetString(Prefix, PrefixEdit->text());
    Options.SetInt(FieldWidth, WidthEdit->value());
    Options.SetInt(StartAt, StartEdit->value());
    Options.SetInt(LowercaseExtension, LowercaseBox->isChecked() ? 1 : 0);
    Options.Save();
}

void TSeqRenameForm1::AnyChange()
{
    Timer1->start();
}

void TSeqRenameForm1::Timer1Timer()
{
    Timer1->stop();
    ValidateSequence();
}

CSeqPath TSeqRenameForm1::makeSeqPath() const
{
    return CSeqPath(CString(PrefixEdit->text()), StartEdit->value(), WidthEdit->value());
}

bool TSeqRenameForm1::ValidateSequence()
{
    CWaitCursor wait;
    CSeqPath names = makeSeqPath();
    ErrorLabel->setText("Validating...");
    ProgressBar->setMaximum(int(m_files.size()));
    const std::unordered_set<std::string> existing = listNamesWithoutCase(m_folder);
    const bool lower = LowercaseBox->isChecked();
    const QIcon collisionIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QTreeWidgetItem *firstCollision = nullptr;
    bool tempNameTaken = false;
    ListView->setUpdatesEnabled(false);
    for (int index = 0; index < ListView->topLevelItemCount(); ++index) {
        QTreeWidgetItem *item = ListView->topLevelItem(index);
        const CString oldName = m_files[size_t(index)].GetFilePart();
        const CString newName = names.NextName(oldName, lower);
        item->setText(1, newName.ToAnsiString());
        const bool collides = !m_names.IsNameTaken(newName) && existing.count(lowerAscii(newName)) != 0;
        // A file already holding the temporary name would stop the first phase half-way.
        const bool blocked = existing.count(lowerAscii(CString(TempRenamePrefix) + oldName)) != 0;
        tempNameTaken = tempNameTaken || blocked;
        item->setIcon(0, collides || blocked ? collisionIcon : QIcon());
        if ((collides || blocked) && !firstCollision)
            firstCollision = item;
        showProgress(index + 1, CString(), CString());
    }
    ListView->setUpdatesEnabled(true);
    if (firstCollision)
        ListView->scrollToItem(firstCollision);
    const bool writeProtected = m_folder.GetDirectoryExists() && IsWriteProtected(m_folder);
    const bool prefixAccepted = IsAcceptablePrefix(names.Prefix());
    QString error;
    if (!prefixAccepted)
        error = "Illegal character in prefix";
    else if (tempNameTaken)
        error = QString("A file named \"%1...\" is in the way").arg(TempRenamePrefix);
    else if (firstCollision)
        error = "Collision";
    else if (writeProtected)
        error = "Write-protected folder";
    ErrorLabel->setText(error);
    RenameButton->setEnabled(error.isEmpty());
    ProgressBar->setValue(0);
    return error.isEmpty();
}

void TSeqRenameForm1::showProgress(int index, const CString &from, const CString &to)
{
    ProgressBar->setValue(index);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastPaint < PaintIntervalMs)
        return;
    m_lastPaint = now;
    if (!from.IsEmpty())
        ProgressLabel->setText(QString::asprintf("%s --> %s", from.c_str(), to.c_str()));
    ProcessMessages();
}

void TSeqRenameForm1::setEditing(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{PrefixEdit, StartEdit, WidthEdit, LowercaseBox,
                                                             RenameButton, CloseButton})
        control->setEnabled(enabled);
}

bool TSeqRenameForm1::renameAll()
{
    CSeqPath names = makeSeqPath();
    const bool lower = LowercaseBox->isChecked();
    std::vector<RenameStep> done;
    done.reserve(m_files.size() * 2);
    const auto renameOne = [&](const CPath &from, const CString &toName, int index) {
        TImageHandler file(from, false);
        const CPath to = m_folder.AppendFileName(toName);
        showProgress(index, from, to);
        if (!file.Rename(toName))
            return false;
        m_anyRenamed = true;
        done.push_back({from, to});
        return true;
    };

    const bool finished = [&] {
        PhaseLabel->setText("Phase 1 of 2");
        for (size_t index = 0; index < m_files.size(); ++index) {
            const CString oldName = m_files[index].GetFilePart();
            if (!renameOne(m_files[index], CString(TempRenamePrefix) + oldName, int(index) + 1))
                return false;
        }
        ProgressBar->setValue(0);
        PhaseLabel->setText("Phase 2 of 2");
        for (size_t index = 0; index < m_files.size(); ++index) {
            const CString oldName = m_files[index].GetFilePart();
            const CPath temporary = m_folder.AppendFileName(CString(TempRenamePrefix) + oldName);
            if (!renameOne(temporary, names.NextName(oldName, lower), int(index) + 1))
                return false;
        }
        return true;
    }();
    if (finished)
        return true;
    const std::vector<CPath> stranded = undoRenames(done);
    CString text("The files were not renamed: each keeps its old name.");
    if (!stranded.empty()) {
        text = "These files could not be given their old names back:\n";
        for (const CPath &path : stranded)
            text += CString("\n") + path;
    }
    ShowMessageBox(text, ErrorBoxFlags);
    return false;
}

void TSeqRenameForm1::RenameButtonClick()
{
    // The preview may be up to the timer's delay behind the controls.
    Timer1->stop();
    if (!ValidateSequence())
        return;
    CWaitCursor wait;
    setEditing(false);
    const bool renamed = renameAll();
    PhaseLabel->clear();
    ProgressLabel->clear();
    ProgressBar->setValue(0);
    if (renamed) {
        SetModalResult(mrOk);
        return;
    }
    setEditing(true);
    ValidateSequence();
}

void TSeqRenameForm1::OpenToolClick()
{
    QTreeWidgetItem *item = ListView->currentItem();
    if (!item || !item->isSelected())
        return;
    const int index = ListView->indexOfTopLevelItem(item);
    TImageHandler(m_files[size_t(index)], false).Open(CString());
}

void TSeqRenameForm1::ListViewChange()
{
    const bool selected = !ListView->selectedItems().isEmpty();
    OpenTool->setEnabled(selected);
    Open1->setEnabled(selected);
}
