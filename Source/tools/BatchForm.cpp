#include "BatchForm.h"

#include "BatchLog.h"
#include "BatchState.h"
#include "BatchWorkList.h"

#include <Source/Glob.h>
#include <Source/engine/BatchEngine.h>
#include <Source/engine/FileHandler.h>
#include <lib/ProductInfo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/RecentFiles.h>
#include <lib/WaitCursor.h>
#include <lib/controls/AlignLayout.h>
#include <lib/controls/AnimControl.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/Dock.h>
#include <lib/controls/GradientCaption.h>
#include <lib/controls/MainWindowChrome.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/Exception.h>
#include <platform/FileDialog.h>
#include <platform/Menus.h>
#include <platform/MessageBox.h>

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const char BatchSection[] = "Batch Engine";
const char StateFilter[] = "Batch Engine State Files (*.zile)|*.zile|All Files (*.*)|*.*";
const char StateExtension[] = ".zile";
// An add's slice: long enough to list many entries, short enough that the
// window answers at once.
constexpr int AddSliceMs = 15;
constexpr int GlyphSide = 16;

// A toolbar button: its name, the command it gives, its hint and its glyph.
// No name: a separator.
struct TBatchButton
{
    const char *name;
    const char *action;
    const char *hint;
    const char *themeIcon;
    QStyle::StandardPixmap fallback;
};

const TBatchButton Toolbar1Buttons[] = {
    {"OpenTool", "Open1", "Open|Loads a batch engine state file.", "document-open", QStyle::SP_DialogOpenButton},
    {"SaveTool", "Save1", "Save|Saves the work list in its state file.", "document-save", QStyle::SP_DialogSaveButton},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"AddTool", "Add1", "Add|Adds the images of the selected folder.", "list-add", QStyle::SP_FileDialogNewFolder},
    {"AddRecursiveTool", "AddRecursive1", "Add Recursive|Adds the images of the selected folder and all below it.",
     "folder-new", QStyle::SP_DirOpenIcon},
    {"RemoveTool", "Remove1", "Remove|Takes the selected item out of the list.", "list-remove",
     QStyle::SP_DialogCancelButton},
    {"RemoveAllTool", "RemoveAll1", "Remove All|Empties the list.", "edit-clear", QStyle::SP_TrashIcon},
    {"IgnoreTool", "Ignore1", "Ignore Existing Browse Files|Builds every thumbnail again.", "view-refresh",
     QStyle::SP_BrowserReload},
    {"StopAddingTool", "StopAdding1", "Stop Adding|Stops adding folders.", "process-stop", QStyle::SP_BrowserStop},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"SaveLogTool", "SaveLog1", "Save Log|Saves the log as a text file.", "document-save-as",
     QStyle::SP_DriveFDIcon},
    {"ClearLogTool", "ClearLog1", "Clear Log|Empties the log.", "edit-delete", QStyle::SP_DialogResetButton},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"OpenItemTool", "OpenItem1", "Open Item|Opens the selected folder or image.", "document-open-folder",
     QStyle::SP_DirLinkIcon},
    {"UpdateTool", "Update1", "Update|Finds the volumes in their drives again.", "view-refresh",
     QStyle::SP_BrowserReload},
    {"ExpandTool", "FullExpand1", "Full Expand|Opens every item of the list.", "zoom-in", QStyle::SP_ArrowDown},
    {"CollapseTool", "FullCollapse1", "Full Collapse|Closes every item of the list.", "zoom-out",
     QStyle::SP_ArrowUp},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"NewBrowserTool", "NewBrowser1", "New Browser|Opens a browse window.", "window-new",
     QStyle::SP_TitleBarNormalButton},
    {"HelpTool", "Help1", "Help|Shows the batch engine's help.", "help-contents", QStyle::SP_DialogHelpButton},
};

QIcon themeIcon(const char *name, QStyle::StandardPixmap fallback, const QStyle *style)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? style->standardIcon(fallback) : icon;
}

const char *plural(int64_t count)
{
    return count == 1 ? "" : "s";
}

QString format(const char *pattern, const QString &value)
{
    CString text;
    text.Format(pattern, CString(value).c_str());
    return text.ToAnsiString();
}

QString textOf(LPARAM lParam)
{
    const char *text = reinterpret_cast<const char *>(lParam);
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

TBatchForm1::TBatchForm1()
{
    setObjectName(QStringLiteral("BatchForm1"));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int width = screen.width() / 2;
    const int height = screen.height() / 2;
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, QString::fromLatin1(BatchSection),
                  {{"Window X", (screen.width() - width) / 2},
                   {"Window Y", (screen.height() - height) / 2},
                   {"Window Width", width},
                   {"Window Height", height},
                   {"Maximised", 0},
                   {"Audio Feedback", 1},
                   {"Show Log", 1},
                   {"Priority", 3},
                   {"Log Initial Dir", QString()},
                   {"Open Initial Dir", QString()},
                   {"Save Initial Dir", QString()}});
    Options.Load();
    m_messages = std::make_unique<CMessageWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return WndProc(message, wParam, lParam); });
    m_stateFile = CPath::ExeFolder().AppendFileName("Untitled.zile").ToAnsiString();
    m_priority = std::clamp(Options.GetInt(Priority), 1, 5);

    createControls();
    try {
        Animate1->Open(CPath::ExeFolder().AppendFileName("Engine.avi"));
        Animate1->setFixedSize(Animate1->size());
    } catch (const Exception &) {
        // A missing or damaged clip costs the animation, nothing more.
    }
    createCommands();
    createMenus();
    createToolbar();
    m_addTimer.setInterval(0);
    connect(&m_addTimer, &QTimer::timeout, this, &TBatchForm1::addSlice);

    // FormCreate
    UpdateRecentList(QString());
    UpdateEngineControls();
}

TBatchForm1::~TBatchForm1()
{
    StopEngine();
    m_addTimer.stop();
    m_scan.reset();
}

// ---- Building the window -----------------------------------------------------

void TBatchForm1::createControls()
{
    // A window of its own on the task bar.
    setWindowFlag(Qt::Window);
    const TMainWindowChrome chrome = NewMainWindowChrome(
        this, GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever, "DockBar");
    GradientCaption1 = chrome.caption;
    TAlignLayout *layout = chrome.layout;
    MainMenu1 = chrome.menu;
    DockBar = chrome.dock;

    // The status bar and, above it, the progress bar and the buttons.
    auto *status = new QWidget(this);
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    StatusBar1Panel0 = new QLabel(status);
    StatusBar1Panel0->setObjectName(QStringLiteral("StatusBar1Panel0"));
    StatusBar1Panel1 = new QLabel(status);
    StatusBar1Panel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    for (QLabel *panel : {StatusBar1Panel0, StatusBar1Panel1}) {
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusLayout->addWidget(panel, 1);
    }
    status->setFixedHeight(StatusBar1Panel0->sizeHint().height());
    layout->addWidget(status, alBottom);

    auto *controls = new QWidget(this);
    auto *controlsLayout = new QHBoxLayout(controls);
    controlsLayout->setContentsMargins(4, 4, 4, 4);
    Animate1 = new TAnimControl(controls);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setFixedSize(Animate1->size());
    controlsLayout->addWidget(Animate1);
    ProgressBar1 = new QProgressBar(controls);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    controlsLayout->addWidget(ProgressBar1, 1);
    AudioCheckBox = new QCheckBox(QStringLiteral("&Audio feedback"), controls);
    AudioCheckBox->setObjectName(QStringLiteral("AudioCheckBox"));
    AudioCheckBox->setMinimumSize(AudioCheckBox->sizeHint());
    controlsLayout->addWidget(AudioCheckBox);
    Button1 = new QPushButton(QStringLiteral("&Start"), controls);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("&Pause"), controls);
    Button2->setObjectName(QStringLiteral("Button2"));
    CloseButton = new QPushButton(QStringLiteral("&Close"), controls);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    HelpButton = new QPushButton(QStringLiteral("&Help"), controls);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    for (QPushButton *button : {Button1, Button2, CloseButton, HelpButton})
        controlsLayout->addWidget(button);
    controls->setFixedHeight(controls->sizeHint().height());
    layout->addWidget(controls, alBottom);
    // The aligned layout does not pass the row's own minimum on to the window.
    const QMargins margins = contentsMargins();
    setMinimumWidth(controls->minimumSizeHint().width() + margins.left() + margins.right());
    connect(Button1, &QPushButton::clicked, this, &TBatchForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TBatchForm1::Button2Click);
    connect(CloseButton, &QPushButton::clicked, this, &TBatchForm1::CloseButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TBatchForm1::HelpToolClick);

    // The folder tree and the work list side by side, the log below them.
    auto *panes = new QSplitter(Qt::Vertical, this);
    auto *trees = new QSplitter(Qt::Horizontal, panes);
    DirectoryTreeView1 = new TDirectoryTreeView(trees);
    DirectoryTreeView1->setObjectName(QStringLiteral("DirectoryTreeView1"));
    TreeView = new TBatchWorkList(trees);
    trees->setStretchFactor(1, 1);
    m_logPanel = new QWidget(panes);
    auto *logLayout = new QVBoxLayout(m_logPanel);
    logLayout->setContentsMargins(0, 0, 0, 0);
    RichEdit1 = new TBatchLog(m_logPanel);
    logLayout->addWidget(RichEdit1);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 1);
    layout->addWidget(panes, alClient);

    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] { OpenItemToolClick(); });
    connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (TBatchWorkList::IsVolumeNode(current)) {
            if (CVolumeData *volume = TreeView->VolumeOfNode(current))
                TreeView->RefreshVolume(*volume);
        }
        UpdateEngineControls();
    });
    connect(DirectoryTreeView1, &QTreeWidget::currentItemChanged, this, [this] { UpdateEngineControls(); });
}

QAction *TBatchForm1::addCommand(const char *name, const char *caption, const char *key,
                                 void (TBatchForm1::*handler)())
{
    auto *action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    if (*key)
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    addAction(action);
    return action;
}

TMenuItem *TBatchForm1::addFileItem(const char *name, const char *caption, const char *key,
                                    void (TBatchForm1::*handler)())
{
    auto item = std::make_unique<TMenuItem>();
    item->SetCaption(QString::fromLatin1(caption));
    TMenuItem *added = item.get();
    File1->Add(std::move(item));
    if (!name)
        return added;
    QAction *action = added->Action();
    action->setObjectName(QString::fromLatin1(name));
    action->setParent(this);
    if (*key)
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
    added->OnClick = [this, handler](TMenuItem *) { (this->*handler)(); };
    addAction(action);
    return added;
}

void TBatchForm1::createCommands()
{
    File1 = std::make_unique<TMenuItem>();
    File1->SetCaption(QStringLiteral("&File"));
    addFileItem("Open1", "&Open...", "Ctrl+O", &TBatchForm1::Open1Click);
    addFileItem("Save1", "&Save", "Ctrl+S", &TBatchForm1::Save1Click);
    addFileItem("SaveAs1", "Save &As...", "F12", &TBatchForm1::SaveAs1Click);
    addFileItem(nullptr, "-", "", nullptr);
    RecentMarker = addFileItem(nullptr, "(No recent files)", "", nullptr);
    RecentMarker->Action()->setEnabled(false);
    RecentMarker->OnClick = [this](TMenuItem *item) { Recent1Click(item); };
    addFileItem(nullptr, "-", "", nullptr);
    addFileItem("Close1", "&Close", "Ctrl+Shift+B", &TBatchForm1::CloseButtonClick);

    addCommand("Start1", "&Start", "Ctrl+G", &TBatchForm1::Button1Click);
    addCommand("Stop1", "S&top", "Ctrl+Q", &TBatchForm1::Button1Click);
    addCommand("Pause1", "&Pause", "Ctrl+P", &TBatchForm1::Button2Click);
    addCommand("Resume1", "&Resume", "Ctrl+R", &TBatchForm1::Button2Click);
    m_priorities = new QActionGroup(this);
    const char *const captions[] = {"H&ighest", "&Higher", "&Normal", "&Lower", "L&owest"};
    for (int tag = 0; tag < 5; ++tag) {
        auto *action = new QAction(QString::fromLatin1(captions[tag]), m_priorities);
        action->setObjectName(QStringLiteral("Priority%1").arg(5 - tag));
        action->setCheckable(true);
        action->setShortcut(QKeySequence(QStringLiteral("Alt+%1").arg(5 - tag)));
        connect(action, &QAction::triggered, this, [this, tag] { PriorityMenu1Click(tag); });
        addAction(action);
    }
    addCommand("Add1", "&Add", "Ins", &TBatchForm1::AddToolClick);
    addCommand("AddRecursive1", "Add &Recursive", "Shift+Ins", &TBatchForm1::AddRecursiveToolClick);
    addCommand("Remove1", "Re&move", "Del", &TBatchForm1::RemoveToolClick);
    addCommand("RemoveAll1", "Remove &All", "Ctrl+Shift+Del", &TBatchForm1::RemoveAllToolClick);
    addCommand("Ignore1", "&Ignore Existing Browse Files", "Ctrl+I", &TBatchForm1::Ignore1Click)->setCheckable(true);
    addCommand("StopAdding1", "Stop Adding", "", &TBatchForm1::StopAddingToolClick);
    addCommand("ShowLog1", "&Show Log", "Ctrl+L", &TBatchForm1::ShowLog1Click)->setCheckable(true);
    addCommand("SaveLog1", "Save &As...", "Ctrl+Shift+S", &TBatchForm1::SaveLogToolClick);
    addCommand("ClearLog1", "&Clear", "Ctrl+K", &TBatchForm1::ClearLogToolClick);
    addCommand("OpenItem1", "&Open Item", "Ctrl+Shift+O", &TBatchForm1::OpenItemToolClick);
    addCommand("Update1", "&Update", "F5", &TBatchForm1::UpdateToolClick);
    addCommand("Toolbar1", "&Toolbar", "", &TBatchForm1::Toolbar1Click)->setCheckable(true);
    addCommand("FullExpand1", "Full &Expand", "Ctrl+Shift+E", &TBatchForm1::ExpandToolClick);
    addCommand("FullCollapse1", "Full &Collapse", "Ctrl+Shift+C", &TBatchForm1::CollapseToolClick);
    addCommand("NewBrowser1", "&New Browser", "", &TBatchForm1::NewBrowserToolClick);
    // The help file is only named: both do nothing rather than fail.
    addCommand("Contents1", "&Contents", "", &TBatchForm1::HelpToolClick);
    addCommand("Help1", "&Batch Engine", "F1", &TBatchForm1::HelpToolClick);
}

void TBatchForm1::createMenus()
{
    auto add = [this](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (*name == '-')
                menu->addSeparator();
            else
                menu->addAction(Command(QString::fromLatin1(name)));
        }
    };
    MainMenu1->addMenu(File1->Menu())->setText(File1->Caption());
    QMenu *engine = MainMenu1->addMenu(QStringLiteral("&Engine"));
    engine->setObjectName(QStringLiteral("Engine1"));
    add(engine, {"Start1", "Stop1", "Pause1", "Resume1", "-"});
    QMenu *priority = engine->addMenu(QStringLiteral("Pr&iority"));
    priority->addActions(m_priorities->actions());
    QMenu *folder = MainMenu1->addMenu(QStringLiteral("F&older"));
    folder->setObjectName(QStringLiteral("Folder1"));
    add(folder, {"Add1", "AddRecursive1", "-", "Remove1", "RemoveAll1", "-", "Ignore1"});
    m_logMenu = MainMenu1->addMenu(QStringLiteral("&Log"));
    m_logMenu->setObjectName(QStringLiteral("Log1"));
    add(m_logMenu, {"ShowLog1", "-", "SaveLog1", "ClearLog1"});
    QMenu *view = MainMenu1->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    add(view, {"OpenItem1", "Update1", "-", "Toolbar1", "-", "FullExpand1", "FullCollapse1"});
    QMenu *help = MainMenu1->addMenu(QStringLiteral("&Help"));
    add(help, {"Contents1", "Help1"});
    MainMenu1->setFixedHeight(MainMenu1->sizeHint().height());

    // The log's own menu: hide it, save it, clear it.
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *logPopup = new QMenu(this);
    QAction *hide = logPopup->addAction(QStringLiteral("&Hide"));
    connect(hide, &QAction::triggered, this, &TBatchForm1::ShowLog1Click);
    add(logPopup, {"SaveLog1", "ClearLog1"});
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this, logPopup](const QPoint &point) { logPopup->popup(RichEdit1->viewport()->mapToGlobal(point)); });
}

void TBatchForm1::createToolbar()
{
    Toolbar1 = new TDockToolbar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->SetCaption(QStringLiteral("Batch Engine"));
    int groupIndex = 0;
    for (const TBatchButton &entry : Toolbar1Buttons) {
        if (!entry.name) {
            new TToolbarSep(Toolbar1);
            continue;
        }
        auto *button = new TToolbarButton(Toolbar1);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->SetDisplayMode(dmGlyphOnly);
        button->SetGlyph(themeIcon(entry.themeIcon, entry.fallback, style()).pixmap(GlyphSide, GlyphSide).toImage());
        BindToolbarButton(button, Command(QString::fromLatin1(entry.action)), QString::fromLatin1(entry.hint),
                          groupIndex);
    }
    Toolbar1->ControlsChanged();
    Toolbar1->SetDockedTo(DockBar);
}

QAction *TBatchForm1::Command(const QString &name) const
{
    return findChild<QAction *>(name);
}

void TBatchForm1::SetCaptionGradient(TGradEnabled mode)
{
    GradientCaption1->SetEnabled(mode);
}

// ---- Showing, hiding, closing ------------------------------------------------

void TBatchForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    setGeometry(Options.GetInt(WindowX), Options.GetInt(WindowY), Options.GetInt(WindowWidth),
                Options.GetInt(WindowHeight));
    if (Options.GetInt(Maximised) != 0)
        setWindowState(windowState() | Qt::WindowMaximized);
    SetPriority(Options.GetInt(Priority));
    m_logPanel->setVisible(Options.GetInt(ShowLog) != 0);
    AudioCheckBox->setChecked(Options.GetInt(AudioFeedback) != 0);
    UpdateEngineControls();
}

void TBatchForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        Options.SetInt(WindowX, x());
        Options.SetInt(WindowY, y());
        Options.SetInt(WindowWidth, width());
        Options.SetInt(WindowHeight, height());
    }
    Options.SetInt(Maximised, (windowState() & Qt::WindowMaximized) ? 1 : 0);
    Options.SetInt(AudioFeedback, AudioCheckBox->isChecked() ? 1 : 0);
    Options.SetInt(ShowLog, m_logPanel->isHidden() ? 0 : 1);
    Options.SetInt(Priority, m_priority);
    Options.Save();
    Shell().QuitIfNoWindows();
}

void TBatchForm1::closeEvent(QCloseEvent *event)
{
    // With no browse window left, the window is all the program shows of a
    // run: it stays until the run is stopped.
    if (IsBusy() && Shell().BrowseWindows().empty()) {
        ShowMessageBox("The Batch Engine is active. Please stop it before closing the window.", WarningBoxFlags);
        event->ignore();
        return;
    }
    event->accept();
}

void TBatchForm1::CloseButtonClick()
{
    close();
}

// ---- State files -------------------------------------------------------------

QString TBatchForm1::WithStateExtension(const QString &name)
{
    const CString extension = CPath(CString(name)).GetExtPart();
    if (extension.AsLower() == StateExtension)
        return name;
    return name + QLatin1String(StateExtension);
}

void TBatchForm1::LoadState(const QString &path)
{
    CWaitCursor wait;
    m_stateFile = path;
    TreeView->RemoveAll();
    UpdateToolClick();
    if (LoadStateFile(*TreeView, path)) {
        UpdateRecentList(path);
    } else {
        // A list read in part is no copy of the file: Save must not write it over.
        m_stateFile = CPath::ExeFolder().AppendFileName("Untitled.zile").ToAnsiString();
    }
    UpdateEngineControls();
}

void TBatchForm1::SaveState(const QString &path)
{
    CWaitCursor wait;
    if (!SaveStateFile(*TreeView, path))
        return;
    m_stateFile = path;
    UpdateRecentList(path);
    UpdateEngineControls();
}

void TBatchForm1::UpdateRecentList(const QString &name)
{
    ReadRecentList(RecentFiles);
    AddToRecentFiles(name, RecentMarker, &RecentFiles, MaxRecentStateFiles);
    if (!name.isEmpty())
        WriteRecentList(RecentFiles);
}

QString TBatchForm1::initialDir(Option option) const
{
    const QString folder = Options.GetString(option);
    return folder.isEmpty() ? CPath(CString(m_stateFile)).GetDirPart().ToAnsiString() : folder;
}

void TBatchForm1::Open1Click()
{
    TOpenDialog dialog;
    dialog.Title = "Load Batch Engine State";
    dialog.Filter = StateFilter;
    dialog.InitialDir = initialDir(OpenInitialDir).toStdString();
    dialog.FileName = CPath(CString(m_stateFile)).GetFilePart().c_str();
    dialog.Options = ofFileMustExist | ofPathMustExist;
    if (!dialog.Execute(this))
        return;
    const QString path = WithStateExtension(QString::fromStdString(dialog.FileName));
    Options.SetString(OpenInitialDir, CPath(CString(path)).GetDirPart().ToAnsiString());
    LoadState(path);
}

void TBatchForm1::Save1Click()
{
    if (!m_stateFile.isEmpty() && CPath(CString(m_stateFile)).GetFileExists())
        SaveState(m_stateFile);
    else
        SaveAs1Click();
}

void TBatchForm1::SaveAs1Click()
{
    TSaveDialog dialog;
    dialog.Title = "Save Batch Engine State";
    dialog.Filter = StateFilter;
    dialog.InitialDir = initialDir(SaveInitialDir).toStdString();
    dialog.FileName = CPath(CString(m_stateFile)).GetFilePart().c_str();
    dialog.Options = ofOverwritePrompt | ofPathMustExist;
    if (!dialog.Execute(this))
        return;
    const QString path = WithStateExtension(QString::fromStdString(dialog.FileName));
    Options.SetString(SaveInitialDir, CPath(CString(path)).GetDirPart().ToAnsiString());
    SaveState(path);
}

void TBatchForm1::Recent1Click(TMenuItem *item)
{
    if (IsBusy())
        return;
    // The load rebuilds the recent list, item included: it runs once the
    // menu's click has returned.
    QTimer::singleShot(0, this, [this, path = item->Hint()] {
        if (!IsBusy())
            LoadState(path);
    });
}

// ---- Adding and removing -----------------------------------------------------

void TBatchForm1::ScanVolume(const CPath &folder, bool recursive)
{
    if (IsBusy() || !folder.GetIsAbsolute())
        return;
    m_stopAdding = false;
    m_scan = std::make_unique<TBatchFolderScan>(*TreeView, folder, recursive);
    StatusBar1Panel0->setText(QStringLiteral("Scanning ") + folder.ToAnsiString());
    StatusBar1Panel1->clear();
    UpdateEngineControls();
    m_addTimer.start();
}

void TBatchForm1::addSlice()
{
    if (!m_scan)
        return;
    if (m_stopAdding)
        m_scan->Stop();
    const CPath before = m_scan->CurrentFolder();
    const bool more = m_scan->Step(AddSliceMs);
    if (m_scan->CurrentFolder() != before.c_str())
        StatusBar1Panel0->setText(QStringLiteral("Scanning ") + m_scan->CurrentFolder().ToAnsiString());
    if (!more)
        endAdding();
}

void TBatchForm1::endAdding()
{
    m_addTimer.stop();
    const bool nothingNew = m_scan->NewFiles() == 0 && !m_scan->IsStopped() && !m_stopAdding;
    m_scan.reset();
    StatusBar1Panel0->clear();
    m_stopAdding = false;
    UpdateEngineControls();
    if (nothingNew)
        ShowMessageBox("No new images were added", MB_ICONINFORMATION | MB_OK);
    raise();
    activateWindow();
}

void TBatchForm1::AddToolClick()
{
    ScanVolume(CPath(CString(DirectoryTreeView1->GetDirectory())), false);
}

void TBatchForm1::AddRecursiveToolClick()
{
    ScanVolume(CPath(CString(DirectoryTreeView1->GetDirectory())), true);
}

void TBatchForm1::StopAddingToolClick()
{
    m_stopAdding = true;
    UpdateEngineControls();
}

void TBatchForm1::RemoveToolClick()
{
    if (IsBusy() || !TreeView->currentItem())
        return;
    TreeView->RemoveNode(TreeView->currentItem());
    UpdateEngineControls();
}

void TBatchForm1::RemoveAllToolClick()
{
    if (IsBusy())
        return;
    if (ShowMessageBox("Are you sure you want to clear the list of items to be processed?", QuestionBoxFlags) != IDYES)
        return;
    TreeView->RemoveAll();
    UpdateEngineControls();
}

void TBatchForm1::Ignore1Click()
{
    UpdateEngineControls();
}

// ---- The run -----------------------------------------------------------------

bool TBatchForm1::IsPaused() const
{
    return m_context && m_context->IsPaused();
}

void TBatchForm1::Button1Click()
{
    if (IsRunning())
        StopEngine();
    else
        StartEngine();
}

void TBatchForm1::StartEngine()
{
    if (IsBusy())
        return;
    CWaitCursor wait;
    TreeView->setUpdatesEnabled(false);
    TreeView->RefreshVolumes();
    TreeView->ResetFileImages();
    TreeView->setUpdatesEnabled(true);
    std::vector<CPath> files;
    TreeView->BuildWorkList(files);
    if (files.empty()) {
        ShowMessageBox("There are no thumbnails to load", MB_ICONINFORMATION | MB_OK);
        return;
    }
    m_runClock.start();
    m_lastShownSecond = -1;
    // A save that a stopped run never finished must not keep Pause disabled.
    m_saving = false;
    m_context = new CBatchThumbProgressContext(Handle(), std::make_unique<TWorkerProgressContext>());
    new TBatchEngine(std::move(files), m_context, TThreadPriority(m_priority));
    showAnimation();
    UpdateEngineControls();
    RichEdit1->setFocus();
}

void TBatchForm1::StopEngine()
{
    if (!m_context)
        return;
    m_context->Terminate(true);
    m_context->Release();
    m_context = nullptr;
    m_saving = false;
    // The engine's own end is not delivered once it is stopped: the log says
    // so itself.
    RichEdit1->AppendLogLine(QStringLiteral("** Run Aborted **"));
    showAnimation();
    UpdateEngineControls();
}

void TBatchForm1::Button2Click()
{
    if (!m_context)
        return;
    m_context->SetPaused(!m_context->IsPaused());
    showAnimation();
    UpdateEngineControls();
}

void TBatchForm1::SetPriority(int priority)
{
    m_priority = std::clamp(priority, 1, 5);
    if (m_context)
        m_context->SetPriority(TThreadPriority(m_priority));
    UpdateEngineControls();
}

void TBatchForm1::PriorityMenu1Click(int tag)
{
    SetPriority(5 - tag);
}

bool TBatchForm1::runWasStopped() const
{
    return !m_context || m_context->IsTerminated();
}

void TBatchForm1::endRun()
{
    if (m_context) {
        m_context->Release();
        m_context = nullptr;
    }
    m_saving = false;
    showAnimation();
    UpdateEngineControls();
}

void TBatchForm1::showAnimation()
{
    if (Animate1->FrameCount() == 0)
        return;
    const bool play = IsRunning() && !IsPaused();
    if (play && !Animate1->IsPlaying())
        Animate1->Play(0, 0xFFFF, -1);
    else if (!play)
        Animate1->Stop();
}

LRESULT TBatchForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_QUERY_AUDIO_FEEDBACK:
        // The box as it stands now, not as it was when the window last hid.
        return AudioCheckBox->isChecked() ? 1 : 0;
    case UM_QUERY_IGNORE_BROWSE_FILES:
        return Command(QStringLiteral("Ignore1"))->isChecked() ? 1 : 0;
    case UM_RUN_BEGIN: {
        ProgressBar1->setRange(0, int(std::min<LPARAM>(lParam, INT32_MAX)));
        ProgressBar1->setValue(0);
        const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
        RichEdit1->AppendLogLine(QStringLiteral("%1 Batch Engine Log - %2").arg(QString::fromUtf8(ProductName), date));
        return 0;
    }
    case UM_RUN_END:
        // A run that the window stopped has had its end line already.
        if (m_context)
            RichEdit1->AppendLogLine(runWasStopped() ? QStringLiteral("** Run Aborted **") : QStringLiteral("End of Run"));
        endRun();
        return 0;
    case UM_FOLDER_BEGIN:
        RichEdit1->AppendLogLine(format("Folder '%s' begins", textOf(lParam)));
        return 0;
    case UM_FOLDER_END: {
        const int64_t count = int64_t(wParam);
        CString line;
        if (count < 1)
            line = "No new thumbnails were created";
        else
            line.Format("%lld new thumbnail%s %s created", static_cast<long long>(count), plural(count),
                        count == 1 ? "was" : "were");
        RichEdit1->AppendLogLine(line.ToAnsiString());
        CString folder;
        folder.Format("Folder '%s' %sted", CString(textOf(lParam)).c_str(), runWasStopped() ? "abor" : "comple");
        RichEdit1->AppendLogLine(folder.ToAnsiString());
        return 0;
    }
    case UM_THUMBNAIL_STATUS: {
        const auto *record = reinterpret_cast<const CThumbBitmap *>(lParam);
        if (!record)
            return 0;
        TreeView->ShowRecordState(*record);
        const TThumbState state = record->GetState();
        const char *text = "Loaded OK";
        if (state == TThumbState::Failed)
            text = "** FAILED TO LOAD";
        else if (wParam == 0)
            text = state == TThumbState::Loading ? "Loading in browser" : "Already cached";
        CString line;
        line.Format("%s - '%s'", text, record->GetFullPath().c_str());
        RichEdit1->AppendLogLine(line.ToAnsiString());
        advanceProgress();
        return 0;
    }
    case UM_REPORT_TEXT:
        RichEdit1->AppendLogLine(textOf(lParam));
        return 0;
    case UM_BROWSE_LOAD_BEGIN:
        RichEdit1->AppendLogLine(format("Loading browse file '%s'...", textOf(lParam)));
        return 0;
    case UM_BROWSE_LOAD_END:
        RichEdit1->AppendLogLine(format(wParam ? "Loaded OK - Browse file '%s'" : "** FAILED TO LOAD - Browse file '%s'",
                                        textOf(lParam)));
        return 0;
    case UM_BROWSE_SAVE_BEGIN:
        m_saving = true;
        UpdateEngineControls();
        return 0;
    case UM_BROWSE_SAVE_END:
        RichEdit1->AppendLogLine(format(wParam ? "Saved OK - Browse file '%s'" : "** FAILED TO SAVE - Browse file '%s'",
                                        textOf(lParam)));
        m_saving = false;
        UpdateEngineControls();
        return 0;
    case UM_BROWSE_FILE_DELETED:
        RichEdit1->AppendLogLine(format("Browse file '%s' is empty - file deleted", textOf(lParam)));
        return 0;
    case UM_BROWSE_RECORD_READ:
        if (const auto *record = reinterpret_cast<const CThumbBitmap *>(lParam))
            TreeView->ShowRecordState(*record);
        advanceProgress();
        return 0;
    default:
        return 0;
    }
}

void TBatchForm1::advanceProgress()
{
    const int before = ProgressBar1->value();
    ProgressBar1->setValue(std::min(before + 1, ProgressBar1->maximum()));
    // The caption's percentage follows the bar between the coordinator's ticks.
    const int64_t maximum = std::max(ProgressBar1->maximum(), 1);
    if (int64_t(before) * 100 / maximum != int64_t(ProgressBar1->value()) * 100 / maximum)
        updateCaption();
}

// ---- The log -----------------------------------------------------------------

void TBatchForm1::ShowLog1Click()
{
    m_logPanel->setVisible(m_logPanel->isHidden());
    UpdateEngineControls();
}

void TBatchForm1::SaveLogToolClick()
{
    TSaveDialog dialog;
    dialog.Title = "Save Batch Log";
    dialog.FileName = "log.txt";
    dialog.DefaultExt = "txt";
    dialog.Filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
    dialog.InitialDir = Options.GetString(LogInitialDir).toStdString();
    dialog.Options = ofOverwritePrompt | ofPathMustExist;
    if (!dialog.Execute(this))
        return;
    const CPath path(dialog.FileName.c_str());
    const CPath folder(path.GetDirPart());
    Options.SetString(LogInitialDir, folder.ToAnsiString());
    if (IsWriteProtected(folder)) {
        CString message;
        message.Format("Folder '%s' is write-protected", folder.c_str());
        ShowMessageBox(message, ErrorBoxFlags);
        return;
    }
    try {
        RichEdit1->SaveLog(path.ToAnsiString());
    } catch (const Exception &) {
        CString message;
        message.Format("Error while writing file '%s'", path.c_str());
        ShowMessageBox(message, ErrorBoxFlags);
    }
}

void TBatchForm1::ClearLogToolClick()
{
    if (ShowMessageBox("Are you sure you want to clear the log?", QuestionBoxFlags) != IDYES)
        return;
    RichEdit1->ClearLog();
    UpdateEngineControls();
}

// ---- View --------------------------------------------------------------------

void TBatchForm1::OpenItemToolClick()
{
    QTreeWidgetItem *node = TreeView->currentItem();
    if (TBatchWorkList::IsFolderNode(node)) {
        const CPath folder = TreeView->FolderPathOf(node);
        if (!folder.IsEmpty())
            OpenDocument(folder, "");
        return;
    }
    if (!TBatchWorkList::IsFileNode(node))
        return;
    const CPath folder = TreeView->FolderPathOf(node->parent());
    if (folder.IsEmpty())
        return;
    TStringList files;
    files.Add(folder.AppendFileName(CString(node->text(0))).ToAnsiString());
    OpenFiles(files, CString());
}

void TBatchForm1::UpdateToolClick()
{
    if (DriveTable)
        DriveTable->Update();
    DirectoryTreeView1->Rebuild();
    TreeView->RefreshVolumes();
    UpdateEngineControls();
}

void TBatchForm1::Toolbar1Click()
{
    Toolbar1->setVisible(Toolbar1->isHidden());
    UpdateEngineControls();
}

void TBatchForm1::ExpandToolClick()
{
    TreeView->expandAll();
    if (TreeView->currentItem())
        TreeView->scrollToItem(TreeView->currentItem());
}

void TBatchForm1::CollapseToolClick()
{
    TreeView->collapseAll();
    if (TreeView->currentItem())
        TreeView->scrollToItem(TreeView->currentItem());
}

void TBatchForm1::NewBrowserToolClick()
{
    Shell().OpenBrowser(CPath());
}

void TBatchForm1::HelpToolClick()
{
}

// ---- Control states ----------------------------------------------------------

void TBatchForm1::enableCommand(const char *name, bool enabled)
{
    if (QAction *action = Command(QString::fromLatin1(name)))
        action->setEnabled(enabled);
}

void TBatchForm1::checkCommand(const char *name, bool checked)
{
    if (QAction *action = Command(QString::fromLatin1(name)))
        action->setChecked(checked);
}

void TBatchForm1::SetEngineButtons()
{
    const bool adding = IsAdding();
    const bool paused = IsPaused();
    const bool canStart = TreeView->topLevelItemCount() > 0 && (!IsRunning() || paused);
    Button1->setText(paused ? QStringLiteral("&Stop") : QStringLiteral("&Start"));
    Button1->setEnabled(canStart && !adding);
    Button2->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    const bool canPause = IsRunning() && !m_saving && !adding;
    Button2->setEnabled(canPause);
    enableCommand("Start1", canStart && !adding && !IsRunning());
    enableCommand("Stop1", paused && !adding);
    enableCommand("Pause1", canPause && !paused);
    enableCommand("Resume1", canPause && paused);
}

void TBatchForm1::UpdateEngineControls()
{
    if (!isVisible())
        return;
    if (DiskOptions)
        DirectoryTreeView1->SetEnableFloppyA(DiskOptions->GetInt(TDiskOptions::EnableFloppyA) != 0);
    if (DiskOptions)
        DirectoryTreeView1->SetEnableFloppyB(DiskOptions->GetInt(TDiskOptions::EnableFloppyB) != 0);
    SetEngineButtons();
    const bool adding = IsAdding();
    const bool idle = !IsRunning() && !adding;
    for (QAction *menu : MainMenu1->actions()) {
        if (menu->menu() && menu->text() != QLatin1String("&Help"))
            menu->setEnabled(!adding);
    }
    enableCommand("FullExpand1", !adding);
    enableCommand("FullCollapse1", !adding);
    enableCommand("Ignore1", !adding);
    enableCommand("StopAdding1", adding && !m_stopAdding);
    const bool folderChosen = CPath(CString(DirectoryTreeView1->GetDirectory())).GetIsAbsolute();
    enableCommand("Add1", idle && folderChosen);
    enableCommand("AddRecursive1", idle && folderChosen);
    QTreeWidgetItem *selected = TreeView->currentItem();
    enableCommand("OpenItem1", selected && !TBatchWorkList::IsVolumeNode(selected) && !adding);
    enableCommand("Open1", idle);
    enableCommand("Update1", idle);
    enableCommand("Save1", !adding);
    enableCommand("SaveAs1", !adding);
    enableCommand("Remove1", idle && selected);
    enableCommand("RemoveAll1", idle);
    const bool logged = RichEdit1->LinesWritten() > 0;
    enableCommand("SaveLog1", idle && logged);
    enableCommand("ClearLog1", idle && logged);
    checkCommand("ShowLog1", !m_logPanel->isHidden());
    checkCommand("Toolbar1", !Toolbar1->isHidden());
    if (QAction *priority = Command(QStringLiteral("Priority%1").arg(m_priority)))
        priority->setChecked(true);
    AudioCheckBox->setEnabled(GeneralOptions && GeneralOptions->GetInt(TGeneralOptions::AudioFeedback) != 0 && !adding);
    if (!adding)
        UpdateProgressTexts();
    updateCaption();
}

void TBatchForm1::UpdateProgressTexts()
{
    if (!IsRunning()) {
        const int images = TreeView->ImageTotal();
        const int folders = TreeView->FolderTotal();
        CString total;
        if (images > 0)
            total.Format("Total: %d image%s in %d folder%s", images, plural(images), folders, plural(folders));
        StatusBar1Panel0->setText(total.ToAnsiString());
        CString volumeText;
        QTreeWidgetItem *selected = TreeView->currentItem();
        if (TBatchWorkList::IsVolumeNode(selected)) {
            if (const CVolumeData *volume = TreeView->VolumeOfNode(selected))
                volumeText.Format("%s: %d image%s in %d folder%s", volume->label.c_str(), volume->imageCount,
                                  plural(volume->imageCount), volume->folderCount, plural(volume->folderCount));
        }
        StatusBar1Panel1->setText(volumeText.ToAnsiString());
        return;
    }
    const int64_t position = ProgressBar1->value();
    if (position < 6) {
        StatusBar1Panel0->clear();
        StatusBar1Panel1->clear();
        return;
    }
    const int64_t elapsed = m_runClock.elapsed() / 1000;
    if (elapsed == m_lastShownSecond || IsPaused())
        return;
    m_lastShownSecond = elapsed;
    const int64_t remaining = (ProgressBar1->maximum() - position) * elapsed / position;
    if (remaining > 0)
        StatusBar1Panel0->setText(format("%s remaining", FormatDuration(int(std::min<int64_t>(remaining, INT32_MAX))).ToAnsiString()));
}

void TBatchForm1::updateCaption()
{
    CString caption;
    if (IsRunning()) {
        const int64_t maximum = std::max(ProgressBar1->maximum(), 1);
        // Records of files outside the list move the bar too: never past 100.
        const int64_t percent = std::min<int64_t>(int64_t(ProgressBar1->value()) * 100 / maximum, 100);
        caption.Format("%s - %lld%%%s", "Batch Engine", static_cast<long long>(percent), CaptionSuffix);
    } else {
        const CString name = CPath(CString(m_stateFile)).GetFilePart();
        const int dot = name.ReverseFind('.');
        caption.Format("%s (%s)%s", "Batch Engine", (dot < 0 ? name : name.Left(dot)).c_str(), CaptionSuffix);
    }
    setWindowTitle(caption.ToAnsiString());
}
