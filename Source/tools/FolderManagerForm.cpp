#include "FolderManagerForm.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/VolumePath.h>
#include <Source/windows/MoveBrowseForm.h>
#include <Source/windows/ProgressForm.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <platform/FileFind.h>
#include <platform/Files.h>
#include <platform/Registry.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using TFolderNode = TFolderManagerForm1::TFolderNode;

constexpr char FoldersKey[] = "Folders";
// The folders of a volume without a serial number, which never read back.
constexpr char NoSerialSection[] = "Folders\\00000000";
constexpr char SharedMarker[] = "*Shared";
constexpr char MappedMarker[] = "*Mapped";
constexpr int ScanIntervalMs = 5;
// How long one tick of the scan timer may scan.
constexpr qint64 ScanSliceMs = 10;
constexpr int UpdateIntervalMs = 100;
constexpr qint64 PaintIntervalMs = 100;

constexpr char HelpText[] =
    "The Folder Manager allows you to manage your browse files and keep your system registry tidy. "
    "It is recommended that only advanced users and system administrators use this facility.";

int levelOf(const QTreeWidgetItem *item)
{
    int level = 0;
    for (const QTreeWidgetItem *parent = item->parent(); parent; parent = parent->parent())
        ++level;
    return level;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

bool isSerialVolume(const QString &component)
{
    return component.size() == 8 && std::all_of(component.begin(), component.end(), isHexDigit);
}

bool isNetworkKey(const CString &key)
{
    return IsSharedPath(key) || IsMappedPath(key);
}

// The node after item in tree order, skipping item's children.
QTreeWidgetItem *nodeAfterBranch(QTreeWidgetItem *item)
{
    for (; item; item = item->parent()) {
        QTreeWidgetItem *parent = item->parent();
        if (!parent)
            return nullptr;
        const int index = parent->indexOfChild(item);
        if (index + 1 < parent->childCount())
            return parent->child(index + 1);
    }
    return nullptr;
}

// The node after item in tree order.
QTreeWidgetItem *nextNode(QTreeWidgetItem *item)
{
    return item->childCount() > 0 ? item->child(0) : nodeAfterBranch(item);
}

// The size of a file, 0 for none.
uint64_t fileSizeOf(const CPath &path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

CPath folderOfKey(const CString &key)
{
    return key.IsEmpty() ? CPath() : DriveFolderFromVolumePath(key, false, false);
}

bool confirm(const CString &text)
{
    return ShowMessageBox(text, QuestionBoxFlags) == IDYES;
}

QIcon styleIcon(QStyle::StandardPixmap pixmap)
{
    return QApplication::style()->standardIcon(pixmap);
}

} // namespace

// ---------------------------------------------------------------- obsolete items

TObsoleteItemsForm1::TObsoleteItemsForm1(QWidget *owner, const QString &heading, const QStringList &items)
    : TModalForm1(owner)
{
    setObjectName("ObsoleteItemsForm1");
    setWindowTitle("Obsolete Items");
    HeadingLabel = new QLabel(heading, this);
    HeadingLabel->setObjectName("HeadingLabel");
    HeadingLabel->setWordWrap(true);
    ListBox = new QListWidget(this);
    ListBox->setObjectName("ListBox");
    ListBox->addItems(items);
    DeleteAllButton = new QPushButton("&Delete All", this);
    DeleteAllButton->setObjectName("DeleteAllButton");
    SkipButton = new QPushButton("&Skip", this);
    SkipButton->setObjectName("SkipButton");
    SkipButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(DeleteAllButton);
    buttons->addWidget(SkipButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(HeadingLabel);
    layout->addWidget(ListBox, 1);
    layout->addLayout(buttons);
    resize(480, 300);
    SetButtonResult(DeleteAllButton, mrOk);
    SetButtonResult(SkipButton, mrCancel);
}

bool TObsoleteItemsForm1::Confirm(const QString &heading, const QStringList &items)
{
    TObsoleteItemsForm1 dialog(nullptr, heading, items);
    return dialog.ShowModal() == mrOk;
}

// ---------------------------------------------------------------- registry walk

void CRegExportForFolderManager::BeginKey(const QString &keyPath, int depth)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastPaint >= PaintIntervalMs) {
        m_lastPaint = now;
        ProcessMessages();
    }
    if (depth == 0)
        return;
    const QString key = RelativeKeyPath(keyPath);
    const QStringList components = key.split(u'\\');
    if (components.last().startsWith(u'*'))
        return;
    const bool network = components.first() == SharedMarker || components.first() == MappedMarker;
    const int level = network ? depth - 1 : depth;
    if (level < 1)
        return;
    // A key below a skipped one hangs on the deepest node above it.
    const size_t parentLevel = std::min(size_t(level - 1), m_levels.size() - 1);
    QString text = components.last();
    if (level == 1 && !network && isSerialVolume(text))
        text = "Volume " + text.toUpper();
    auto *node = new TFolderNode({CString(key), text});
    node->setText(0, text);
    node->setIcon(0, m_notScanned);
    m_levels[parentLevel]->addChild(node);
    m_levels.resize(parentLevel + 1);
    m_levels.push_back(node);
}

// ---------------------------------------------------------------- the dialog

bool TFolderManagerForm1::TFolderNode::operator<(const QTreeWidgetItem &other) const
{
    return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
}

TFolderManagerForm1::TFolderManagerForm1(QWidget *owner, const CPath &folder) : TModalForm1(owner), m_folder(folder)
{
    setObjectName("FolderManagerForm1");
    m_images = {styleIcon(QStyle::SP_ComputerIcon), QIcon(styleIcon(QStyle::SP_DirClosedIcon).pixmap(16, QIcon::Disabled)),
                styleIcon(QStyle::SP_DriveHDIcon), styleIcon(QStyle::SP_DirIcon), styleIcon(QStyle::SP_TrashIcon)};
    setWindowTitle("Folder Manager");

    TreeView = new QTreeWidget(this);
    TreeView->setObjectName("TreeView");
    TreeView->setHeaderHidden(true);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView->setMinimumSize(300, 320);
    HelpLabel = new QLabel(HelpText, this);
    HelpLabel->setObjectName("HelpLabel");
    HelpLabel->setWordWrap(true);
    FolderLabel = new QLabel(this);
    FolderLabel->setObjectName("FolderLabel");
    BrowseFileLabel = new QLabel("Browse file:", this);
    BrowseFileLabel->setObjectName("BrowseFileLabel");
    BrowseFileBox = new QLabel(this);
    BrowseFileBox->setObjectName("BrowseFileBox");
    BrowseFileBox->setWordWrap(true);
    PaintBox1 = new QWidget(this);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setFixedSize(160, 140);
    PaintBox1->installEventFilter(this);
    StatusBar = new QLabel(this);
    StatusBar->setObjectName("StatusBar");

    auto button = [this](const char *caption, const char *name) {
        auto *pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(name);
        return pushButton;
    };
    ScanButton = button("&Scan Branch", "ScanButton");
    SortButton = button("Sort &Tree", "SortButton");
    MoveButton = button("&Move...", "MoveButton");
    DeleteButton = button("&Delete...", "DeleteButton");
    DriveInfoButton = button("Drive &Info...", "DriveInfoButton");
    CopyFromButton = button("&Copy From...", "CopyFromButton");
    ResetButton = button("Factory &Reset...", "ResetButton");
    OkButton = button("OK", "OkButton");
    CancelButton = button("Cancel", "CancelButton");
    HelpButton = NewHelpButton("HelpButton");

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto action = [this](QMenu *menu, const char *caption, const char *name, const char *shortcut) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(name);
        if (shortcut) {
            item->setShortcut(QKeySequence(shortcut));
            addAction(item);
        }
        return item;
    };
    ScanBranch1 = action(PopupMenu1, "&Scan Branch", "ScanBranch1", "Ctrl+S");
    SortTree1 = action(PopupMenu1, "Sort &Tree", "SortTree1", "Ctrl+T");
    QMenu *markMenu = PopupMenu1->addMenu("&Mark Branch");
    AsDeleted1 = action(markMenu, "As &Deleted", "AsDeleted1", "Ctrl+D");
    AsNotScanned1 = action(markMenu, "&As &Not Scanned", "AsNotScanned1", "Ctrl+N");
    PopupMenu1->addSeparator();
    FullExpand1 = action(PopupMenu1, "Full &Expand", "FullExpand1", nullptr);
    FullCollapse1 = action(PopupMenu1, "Full &Collapse", "FullCollapse1", nullptr);

    ScanTimer = new QTimer(this);
    ScanTimer->setObjectName("ScanTimer");
    ScanTimer->setInterval(ScanIntervalMs);
    UpdateTimer = new QTimer(this);
    UpdateTimer->setObjectName("UpdateTimer");
    UpdateTimer->setInterval(UpdateIntervalMs);

    auto *tools = new QVBoxLayout;
    for (QPushButton *each : {ScanButton, SortButton, MoveButton, DeleteButton, DriveInfoButton})
        tools->addWidget(each);
    tools->addSpacing(8);
    tools->addWidget(new QLabel("Folder preferences of:", this));
    tools->addWidget(FolderLabel);
    tools->addWidget(CopyFromButton);
    tools->addWidget(ResetButton);
    tools->addSpacing(8);
    tools->addWidget(BrowseFileLabel);
    tools->addWidget(BrowseFileBox);
    tools->addWidget(PaintBox1);
    tools->addStretch();

    auto *body = new QHBoxLayout;
    body->addWidget(TreeView, 1);
    body->addLayout(tools);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(StatusBar, 1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(HelpLabel);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(640, 520);

    SetButtonResult(CancelButton, mrCancel);
    connect(OkButton, &QPushButton::clicked, this, &TFolderManagerForm1::OkButtonClick);
    connect(ScanButton, &QPushButton::clicked, this, &TFolderManagerForm1::ScanBranch1Click);
    connect(ScanBranch1, &QAction::triggered, this, &TFolderManagerForm1::ScanBranch1Click);
    connect(SortButton, &QPushButton::clicked, this, &TFolderManagerForm1::SortTree1Click);
    connect(SortTree1, &QAction::triggered, this, &TFolderManagerForm1::SortTree1Click);
    connect(AsDeleted1, &QAction::triggered, this, &TFolderManagerForm1::AsDeleted1Click);
    connect(AsNotScanned1, &QAction::triggered, this, &TFolderManagerForm1::AsNotScanned1Click);
    connect(FullExpand1, &QAction::triggered, this, &TFolderManagerForm1::FullExpand1Click);
    connect(FullCollapse1, &QAction::triggered, this, &TFolderManagerForm1::FullCollapse1Click);
    connect(MoveButton, &QPushButton::clicked, this, &TFolderManagerForm1::MoveButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TFolderManagerForm1::DeleteButtonClick);
    connect(DriveInfoButton, &QPushButton::clicked, this, &TFolderManagerForm1::DriveInfoButtonClick);
    connect(CopyFromButton, &QPushButton::clicked, this, &TFolderManagerForm1::CopyFromButtonClick);
    connect(ResetButton, &QPushButton::clicked, this, &TFolderManagerForm1::ResetButtonClick);
    connect(ScanTimer, &QTimer::timeout, this, &TFolderManagerForm1::ScanTimerTimer);
    connect(UpdateTimer, &QTimer::timeout, this, &TFolderManagerForm1::UpdateTimerTimer);
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &TFolderManagerForm1::TreeViewChange);
    connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (QTreeWidgetItem *item = TreeView->itemAt(at))
            TreeView->setCurrentItem(item);
        PopupMenu1->popup(TreeView->viewport()->mapToGlobal(at));
    });
    FormCreate();
    UpdateTimer->start();
}

TFolderManagerForm1::~TFolderManagerForm1()
{
    releaseRecord();
}

bool TFolderManagerForm1::Show(const CPath &folder)
{
    TFolderManagerForm1 dialog(nullptr, folder);
    return dialog.ShowModal() == mrOk;
}

void TFolderManagerForm1::FormCreate()
{
    CWaitCursor wait;
    FolderLabel->setText(m_folder.ToAnsiString());
    auto *root = new TFolderNode({CString(), FoldersKey, true, false});
    root->setText(0, FoldersKey);
    root->setIcon(0, m_images.root);
    TreeView->addTopLevelItem(root);
    CRegExportForFolderManager walk(root, m_images.notScanned);
    walk.Export(SettingsRoot + u'\\' + FoldersKey);
    TreeView->sortItems(0, Qt::AscendingOrder);
    root->setExpanded(true);
    UpdateTimerTimer();
}

TFolderManagerForm1::TFolderNode *TFolderManagerForm1::Root() const
{
    return static_cast<TFolderNode *>(TreeView->topLevelItem(0));
}

TFolderManagerForm1::TFolderNode *TFolderManagerForm1::SelectedNode() const
{
    return static_cast<TFolderNode *>(TreeView->currentItem());
}

bool TFolderManagerForm1::IsScanning() const
{
    return m_scanning;
}

void TFolderManagerForm1::markScanned(TFolderNode *node, const CPath &folder)
{
    node->Data.scanned = true;
    const bool volume = levelOf(node) == 1;
    if (volume && !isNetworkKey(node->Data.key) && folder.GetLength() >= 2)
        node->setText(0, node->Data.text + " in drive " + folder.Left(2).ToAnsiString());
    node->setIcon(0, volume ? m_images.volume : m_images.folder);
}

void TFolderManagerForm1::markDeleted(TFolderNode *node)
{
    node->Data.deleted = true;
    node->setIcon(0, m_images.deleted);
}

void TFolderManagerForm1::markNotScanned(TFolderNode *node)
{
    node->Data.scanned = false;
    node->Data.deleted = false;
    node->setText(0, node->Data.text);
    node->setIcon(0, m_images.notScanned);
}

bool TFolderManagerForm1::ScanNode(TFolderNode *node)
{
    const CPath folder = folderOfKey(node->Data.key);
    if (folder.IsEmpty())
        return false;
    if (node->Data.scanned || node->Data.deleted)
        return true;
    const bool share = levelOf(node) == 1 && IsSharedPath(node->Data.key);
    if (share || folder.GetDirectoryExists())
        markScanned(node, folder);
    else
        markDeleted(node);
    return true;
}

void TFolderManagerForm1::ScanBranch1Click()
{
    TFolderNode *node = SelectedNode();
    if (!node || m_scanning)
        return;
    if (node == Root() && !confirm("Are you sure you want to scan the entire tree?"))
        return;
    if (DriveTable)
        DriveTable->Update();
    m_scanNode = node == Root() ? static_cast<TFolderNode *>(nextNode(node)) : node;
    m_scanEnd = static_cast<TFolderNode *>(nodeAfterBranch(node));
    m_scanning = m_scanNode && m_scanNode != m_scanEnd;
    if (m_scanning)
        ScanTimer->start();
    UpdateTimerTimer();
}

void TFolderManagerForm1::ScanTimerTimer()
{
    QElapsedTimer slice;
    slice.start();
    while (m_scanNode && m_scanNode != m_scanEnd && slice.elapsed() < ScanSliceMs) {
        TFolderNode *node = m_scanNode;
        StatusBar->setText(QString("Scanning %1...").arg(folderOfKey(node->Data.key).ToAnsiString()));
        // A volume that is not there leaves its whole branch as it was.
        m_scanNode = static_cast<TFolderNode *>(ScanNode(node) ? nextNode(node) : nodeAfterBranch(node));
    }
    if (m_scanNode && m_scanNode != m_scanEnd)
        return;
    StatusBar->clear();
    ScanTimer->stop();
    m_scanning = false;
    m_scanNode = m_scanEnd = nullptr;
    UpdateTimerTimer();
    PlaySoundEvent("Folder Scan Complete");
}

void TFolderManagerForm1::SortTree1Click()
{
    TreeView->sortItems(0, Qt::AscendingOrder);
}

std::vector<TFolderManagerForm1::TFolderNode *> TFolderManagerForm1::branchNodes() const
{
    std::vector<TFolderNode *> nodes;
    TFolderNode *top = SelectedNode();
    if (!top)
        return nodes;
    QTreeWidgetItem *end = nodeAfterBranch(top);
    for (QTreeWidgetItem *item = top; item && item != end; item = nextNode(item)) {
        if (item != Root())
            nodes.push_back(static_cast<TFolderNode *>(item));
    }
    return nodes;
}

void TFolderManagerForm1::AsDeleted1Click()
{
    if (SelectedNode() == Root()
        && !confirm("You are about to mark the entire tree as deleted.\nIf you proceed and subsequently press OK "
                    "you may\ndelete ALL your folder preferences, memos and browse files.\n\nAre you sure you want "
                    "to proceed?"))
        return;
    for (TFolderNode *node : branchNodes()) {
        if (!node->Data.deleted)
            markDeleted(node);
    }
    m_modified = true;
}

void TFolderManagerForm1::AsNotScanned1Click()
{
    for (TFolderNode *node : branchNodes())
        markNotScanned(node);
}

void TFolderManagerForm1::FullExpand1Click()
{
    TreeView->expandAll();
}

void TFolderManagerForm1::FullCollapse1Click()
{
    TreeView->collapseAll();
}

void TFolderManagerForm1::releaseRecord()
{
    if (m_record)
        m_record->Release();
    m_record = nullptr;
    PaintBox1->update();
}

void TFolderManagerForm1::TreeViewChange()
{
    releaseRecord();
    TFolderNode *node = SelectedNode();
    const bool folderNode = node && node != Root();
    MoveButton->setEnabled(folderNode);
    DeleteButton->setEnabled(folderNode);
    BrowseFileBox->clear();
    if (!folderNode)
        return;
    ScanNode(node);
    m_modified = true;
    showBrowseFile(node);
}

void TFolderManagerForm1::showBrowseFile(TFolderNode *node)
{
    releaseRecord();
    const CPath path = GetBrowseFilePathForKey(node->Data.key);
    if (path.IsEmpty() || !path.GetFileExists()) {
        BrowseFileBox->setText("Browse file does not exist");
        return;
    }
    CString size;
    size.FormatFileSize(fileSizeOf(path));
    BrowseFileBox->setText(path.ToAnsiString() + "\n" + size.ToAnsiString());
    const CPath folder = folderOfKey(node->Data.key);
    if (!folder.IsEmpty())
        m_record = ReadFirstBrowseRecord(path, folder);
    PaintBox1->update();
}

void TFolderManagerForm1::MoveButtonClick()
{
    TFolderNode *node = SelectedNode();
    const CPath folder = node ? folderOfKey(node->Data.key) : CPath();
    if (folder.IsEmpty())
        return;
    TMoveBrowseForm1::ShowFor(folder);
    showBrowseFile(node);
}

void TFolderManagerForm1::DeleteButtonClick()
{
    TFolderNode *node = SelectedNode();
    const CPath folder = node ? folderOfKey(node->Data.key) : CPath();
    if (folder.IsEmpty())
        return;
    const CPath path = GetBrowseFilePathForKey(node->Data.key);
    if (!IsDeletableBrowseFile(path, folder)) {
        BrowseFileBox->setText("Browse file does not exist");
        return;
    }
    if (!confirm("Are you sure you want to delete this browse file?"))
        return;
    releaseRecord();
    DeleteFileA(path);
    showBrowseFile(node);
}

void TFolderManagerForm1::DriveInfoButtonClick()
{
    TFolderNode *node = SelectedNode();
    const CPath folder = node ? folderOfKey(node->Data.key) : CPath();
    if (!folder.IsEmpty())
        ShowDriveInfo(folder);
}

void TFolderManagerForm1::changeBranchOptions(bool reset)
{
    CWaitCursor wait;
    TFolderOptions *source = reset ? nullptr : TFolderSpecificOptionsCache::FindOrLoad(m_folder);
    if (!reset && !source)
        return;
    for (TFolderNode *node : branchNodes()) {
        const CPath folder = folderOfKey(node->Data.key);
        if (folder.IsEmpty())
            continue;   // the options cache finds a folder by its drive path only
        TFolderOptions *options = reset ? TFolderSpecificOptionsCache::FindOrLoad(folder)
                                        : TFolderSpecificOptionsCache::GetFolderOptions(folder);
        if (!options || options == source)
            continue;
        const bool changed = reset ? options->ResetAndSave() : options->CopyFromAndSave(source);
        // Its thumbnails no longer match the options.
        const CPath browseFile = GetBrowseFilePathForKey(node->Data.key);
        if (changed && IsDeletableBrowseFile(browseFile, folder))
            DeleteFileA(browseFile);
    }
    if (TFolderNode *node = SelectedNode(); node && node != Root())
        showBrowseFile(node);
}

void TFolderManagerForm1::CopyFromButtonClick()
{
    TFolderNode *node = SelectedNode();
    if (!node || node == Root())
        return;
    CString text;
    text.Format("Copying folder preferences may change the thumbnail appearance for the destination folder(s).\nIf "
                "it does, then any browse files for those folders will automatically be deleted.\n\nAre you sure you "
                "want to copy all folder preferences from folder '%s'\nto all folders in the selected branch '%s'?",
                m_folder.c_str(), folderOfKey(node->Data.key).c_str());
    if (confirm(text))
        changeBranchOptions(false);
}

void TFolderManagerForm1::ResetButtonClick()
{
    TFolderNode *node = SelectedNode();
    if (!node || node == Root())
        return;
    CString text;
    text.Format("Resetting folder preferences to factory settings may change the thumbnail appearance for the "
                "affected folder(s).\nIf it does, then any browse files for those folders will automatically be "
                "deleted.\n\nAre you sure you want to reset all folder preferences under the selected branch\n'%s' "
                "to their factory settings?",
                folderOfKey(node->Data.key).c_str());
    if (confirm(text))
        changeBranchOptions(true);
}

void TFolderManagerForm1::OkButtonClick()
{
    if (!confirm("This will update the system registry and delete any browse files that are no longer in "
                 "use.\n\nAre you sure you want to proceed?")) {
        TreeView->setFocus();
        return;
    }
    hide();
    Apply();
    SetModalResult(mrOk);
}

void TFolderManagerForm1::Apply()
{
    CWaitCursor wait;
    if (SettingsStore)
        SettingsStore->EraseSection(NoSerialSection);
    std::vector<CString> keys;
    for (QTreeWidgetItem *item = Root(); item; item = nextNode(item)) {
        auto *node = static_cast<TFolderNode *>(item);
        if (node->Data.deleted)
            keys.push_back(node->Data.key);
    }

    TProgressForm1 progress;
    progress.setWindowTitle("Folder Manager");
    progress.Label->setText("Please wait while your changes are applied...");
    progress.ProgressBar->setMaximum(int(keys.size()));
    progress.show();
    QStringList files;
    uint64_t totalBytes = 0;
    for (size_t index = 0; index < keys.size(); ++index) {
        const CPath path = GetBrowseFilePathForKey(keys[index]);
        const uint64_t bytes = path.IsEmpty() ? 0 : fileSizeOf(path);
        if (bytes > 0 && IsDeletableBrowseFile(path, folderOfKey(keys[index]))
            && !files.contains(path.ToAnsiString(), Qt::CaseInsensitive)) {
            files.push_back(path.ToAnsiString());
            totalBytes += bytes;
        }
        progress.ProgressBar->setValue(int(index) + 1);
        ProcessMessages();
    }
    progress.hide();

    if (files.isEmpty()) {
        ShowMessageBox("No obsolete browse files were found", MB_ICONINFORMATION | MB_OK);
    } else {
        CString size;
        size.FormatFileSize(totalBytes);
        CString heading;
        heading.Format("The following browse files can be deleted resulting in the recovery of %s", size.c_str());
        if (TObsoleteItemsForm1::Confirm(heading.ToAnsiString(), files)) {
            for (const QString &file : files)
                DeleteFileA(CString(file));
        }
    }

    QStringList sections;
    TRegistry registry;
    for (const CString &key : keys) {
        if (registry.KeyExists(SettingsRoot + u'\\' + FoldersKey + u'\\' + key.ToAnsiString()))
            sections.push_back(QString(FoldersKey) + u'\\' + key.ToAnsiString());
    }
    if (sections.isEmpty()) {
        ShowMessageBox("No obsolete registry keys were found", MB_ICONINFORMATION | MB_OK);
        return;
    }
    CString heading;
    heading.Format("The following registry keys under HKEY_CURRENT_USER\\%s can be deleted:",
                   CString(SettingsRoot).c_str());
    if (!TObsoleteItemsForm1::Confirm(heading.ToAnsiString(), sections) || !SettingsStore)
        return;
    for (const QString &section : sections)
        SettingsStore->EraseSection(section);
}

void TFolderManagerForm1::UpdateTimerTimer()
{
    TFolderNode *node = SelectedNode();
    const bool folderNode = node && node != Root();
    CopyFromButton->setEnabled(folderNode);
    ResetButton->setEnabled(folderNode);
    BrowseFileBox->setVisible(folderNode);
    BrowseFileLabel->setVisible(folderNode);
    ScanButton->setEnabled(!m_scanning);
    ScanBranch1->setEnabled(!m_scanning);
    OkButton->setEnabled(!m_scanning && m_modified);
}

bool TFolderManagerForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PaintBox1 && event->type() == QEvent::Paint) {
        PaintBox1Paint();
        return true;
    }
    return TModalForm1::eventFilter(watched, event);
}

void TFolderManagerForm1::PaintBox1Paint()
{
    QPainter canvas(PaintBox1);
    canvas.fillRect(PaintBox1->rect(), PaintBox1->palette().window());
    if (!m_record)
        return;
    const CSize size = m_record->GetThumbnailSize();
    m_record->Draw(&canvas, std::max(0, (PaintBox1->width() - int(size.cx)) / 2),
                   std::max(0, (PaintBox1->height() - int(size.cy)) / 2));
}
