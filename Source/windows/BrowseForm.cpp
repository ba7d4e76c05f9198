#include "BrowseForm.h"

#include "MainForm.h"
#include "ModalForm.h"
#include "StartFolder.h"
#include "WindowPlacement.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/engine/ShortcutListView.h>
#include <lib/Drive.h>
#include <lib/ProductInfo.h>
#include <lib/WaitCursor.h>
#include <lib/controls/AlignLayout.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/Dock.h>
#include <lib/controls/DockPositions.h>
#include <lib/controls/DropFile.h>
#include <lib/controls/GradientCaption.h>
#include <lib/controls/MainWindowChrome.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/imaging/ImgLib.h>
#include <lib/SafeRegIniFile.h>
#include <platform/DeviceChange.h>
#include <platform/MessageBox.h>
#include <platform/ProgramFolder.h>
#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_set>

namespace {

int s_windowCount = 0;

constexpr int HelpContext = 600;
constexpr int SplitterSize = 4;
const QColor MissingFolderColour(0xDC, 0xDC, 0xFF);   // light red: 0x00DCDCFF in the system's order
const char HistorySection[] = "Folders";
const char HistoryName[] = "History";

} // namespace

namespace {

CString CaptionOf(const CPath &folder)
{
    return folder + CaptionSuffix;
}

} // namespace

CString BrowserSection(int windowNumber)
{
    CString section;
    section.Format("Browser %d", windowNumber);
    return section;
}

TBrowseForm1::TBrowseForm1(const CPath &folder)
    : m_initialFolder(folder),
      m_session(*this),
      m_windowNumber(++s_windowCount),
      m_window([this](UINT message, WPARAM wParam, LPARAM lParam) { return Dispatch(message, wParam, lParam); }),
      m_deviceChange(std::make_unique<CDeviceChangeRegistration>(m_window.Handle()))
{
    setObjectName(QStringLiteral("BrowseForm1"));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int width = screen.width() * 80 / 100;
    const int height = screen.height() * 80 / 100;
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, BrowserSection(m_windowNumber).ToAnsiString(),
                  {{"V-Split", 800},
                   {"H-Split", 200},
                   {"Left", (screen.width() - width) / 2},
                   {"Top", (screen.height() - height) / 2},
                   {"Width", width},
                   {"Height", height},
                   {"Maximised", 0},
                   {"Folder", QString::fromStdString(ProgramFolder())},
                   {"Show Folder Panel", 1},
                   {"Show Status Bar", 1},
                   {"Show Hidden", 0},
                   {"Column 1", 70},
                   {"Column 2", 100},
                   {"Column 3", 100},
                   {"Shortcut Icons", 1}});
    Options.Load();

    createControls();
    FormCreate();
    show();
}

TBrowseForm1::~TBrowseForm1()
{
    FormDestroy();
    --s_windowCount;
    if (!Shell().isToolWindowVisible(Tool::Basket))
        TMemoList::FreeAll();
}

QString TBrowseForm1::StatusText() const
{
    return StatusPanel->text();
}

void TBrowseForm1::createControls()
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    const TMainWindowChrome chrome = NewMainWindowChrome(
        this, GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever, "DockTop");
    GradientCaption1 = chrome.caption;
    TAlignLayout *layout = chrome.layout;
    MainMenu1 = chrome.menu;
    DockTop = chrome.dock;
    BottomPanel = new QWidget(this);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    layout->addWidget(BottomPanel, alBottom);
    DockBottom = new TDock(this, dpBottom);
    DockBottom->setObjectName(QStringLiteral("DockBottom"));
    DockLeft = new TDock(this, dpLeft);
    DockLeft->setObjectName(QStringLiteral("DockLeft"));
    DockRight = new TDock(this, dpRight);
    DockRight->setObjectName(QStringLiteral("DockRight"));
    ClientPanel = new QWidget(this);
    ClientPanel->setObjectName(QStringLiteral("ClientPanel"));
    layout->addWidget(ClientPanel, alClient);
    ClientPanel->installEventFilter(this);

    // The folder toolbar: the history of folders, applied with Enter.
    ToolBar3 = new TDockToolbar(this);
    ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
    ToolBar3->SetCaption(QStringLiteral("Folder"));
    ToolBar3->SetDockRow(1);
    ToolBar3->SetDockedTo(DockTop);
    FolderPanel = new QWidget(ToolBar3);
    FolderPanel->setObjectName(QStringLiteral("FolderPanel"));
    FolderLabel = new QLabel(QStringLiteral("Folder:"), FolderPanel);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    ApplyButton = new QPushButton(QStringLiteral("Apply"), FolderPanel);
    ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
    connect(ApplyButton, &QPushButton::clicked, this, &TBrowseForm1::ApplyButtonClick);

    LeftPanel = new QWidget(ClientPanel);
    LeftPanel->setObjectName(QStringLiteral("LeftPanel"));
    DirTreeView = new TDirectoryTreeView(LeftPanel);
    DirTreeView->setObjectName(QStringLiteral("DirTreeView"));
    connect(DirTreeView, &TDirectoryTreeView::OnDirOpening, this,
            [this](const QString &path, bool &allow, QTreeWidgetItem *) { DirTreeViewDirOpening(path, allow); },
            Qt::DirectConnection);
    connect(DirTreeView, &TDirectoryTreeView::OnDirOpened, this,
            [this](const QString &path, QTreeWidgetItem *) { DirTreeViewDirOpened(path); });
    VSplitter = new QWidget(LeftPanel);
    VSplitter->setObjectName(QStringLiteral("VSplitter"));
    VSplitter->setCursor(Qt::SplitVCursor);
    VSplitter->installEventFilter(this);
    WaitLabel = new QLabel(QStringLiteral("Please wait..."), LeftPanel);
    WaitLabel->setObjectName(QStringLiteral("WaitLabel"));
    WaitLabel->setAlignment(Qt::AlignCenter);
    WaitLabel->hide();
    HSplitter = new QWidget(ClientPanel);
    HSplitter->setObjectName(QStringLiteral("HSplitter"));
    HSplitter->setCursor(Qt::SplitHCursor);
    HSplitter->installEventFilter(this);
    RightPanel = new QWidget(ClientPanel);
    RightPanel->setObjectName(QStringLiteral("RightPanel"));
    RightPanel->setAutoFillBackground(true);

    StatusPanel = new QLabel(BottomPanel);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel->setMinimumWidth(1);
    HintPanel = new QLabel(BottomPanel);
    HintPanel->setObjectName(QStringLiteral("HintPanel"));
    HintPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ProgressBar = new QProgressBar(BottomPanel);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedWidth(128);
    SetProgress(ProgressMaximum, 0);
    auto *status = new QHBoxLayout(BottomPanel);
    status->setContentsMargins(0, 2, 0, 0);
    status->setSpacing(2);
    status->addWidget(StatusPanel, 1);
    status->addWidget(HintPanel);
    status->addWidget(ProgressBar);

    SaveTimer = new QTimer(this);
    SaveTimer->setInterval(2500);
    connect(SaveTimer, &QTimer::timeout, this, &TBrowseForm1::SaveTimerTimer);
    ReLayTimer = new QTimer(this);
    ReLayTimer->setInterval(500);
    connect(ReLayTimer, &QTimer::timeout, this, &TBrowseForm1::ReLayTimerTimer);
    FileSystemUpdateTimer = new QTimer(this);
    FileSystemUpdateTimer->setInterval(500);
    connect(FileSystemUpdateTimer, &QTimer::timeout, this, &TBrowseForm1::FileSystemUpdateTimerTimer);

    for (TDock *dock : {DockTop, DockBottom, DockLeft, DockRight})
        connect(dock, &TDock::OnResize, this, [this](TDock *) {
            if (m_created)
                FormResize();
        });
}

void TBrowseForm1::FormCreate()
{
    // The hidden Apply button takes Enter in the folder box.
    ApplyButton->move(-100, 0);
    HintPanel->setFixedWidth(SelectionPanelWidth);
    setWindowTitle(QString());

    // The shortcut list, with its columns and view from the settings.
    ShortcutList = new TShortcutListView(LeftPanel);
    ShortcutList->setObjectName(QStringLiteral("ShortcutList"));
    ShortcutList->installEventFilter(this);
    ShortcutList->Initialise(Options);
    connect(ShortcutList, &QTreeWidget::itemDoubleClicked, this, [this] { ShortcutListDblClick(); });

    // The folder box and its history.
    HistoryCombo = new THistoryComboBox(FolderPanel);
    HistoryCombo->setObjectName(QStringLiteral("HistoryCombo"));
    HistoryCombo->SetCapacity(20);
    HistoryCombo->setMaxVisibleItems(25);
    HistoryCombo->installEventFilter(this);
    connect(HistoryCombo, qOverload<int>(&QComboBox::activated), this, [this] { HistoryComboPicked(); });
    connect(HistoryCombo, &QComboBox::currentTextChanged, this, [this] { HistoryComboChanged(); });
    if (SettingsStore)
        HistoryCombo->LoadState(*SettingsStore, HistorySection, HistoryName, false);
    const int panelHeight = std::max(HistoryCombo->sizeHint().height(), FolderLabel->sizeHint().height());
    FolderLabel->setGeometry(4, 0, FolderLabel->sizeHint().width() + 4, panelHeight);
    HistoryCombo->move(FolderLabel->geometry().right() + 1, 0);
    FolderPanel->resize(360, panelHeight);
    ToolBar3->ControlsChanged();

    // The thumbnail box, then the commands that act on it.
    ThumbBox = new TThumbBox(this, RightPanel);
    ThumbBox->setObjectName(QStringLiteral("ThumbBox"));
    auto *right = new QVBoxLayout(RightPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(ThumbBox);

    createCommands();
    createMenus();
    createToolbars();
    createChecks();
    createDrops();
    ReloadOpenWithMenu();

    // The window's place, size and state.
    setGeometry(Options.GetInt(Left), Options.GetInt(Top), Options.GetInt(Width), Options.GetInt(Height));
    move(CascadedPlace(*this));   // never exactly over another browse window
    if (Options.GetInt(Maximised) != 0)
        setWindowState(windowState() | Qt::WindowMaximized);

    // The splitters.
    m_vSplitFraction = Options.GetInt(VSplit) * 0.001;
    SetHSplit(Options.GetInt(HSplit));

    // The toolbars where the user left them.
    LoadToolbarPositionsFromRegistry(this, SettingsRoot + u'\\' + Options.Section() + QStringLiteral("\\Toolbar State"));

    // The folder panel and the status bar, shown or not.
    LeftPanel->setVisible(Options.GetInt(ShowFolderPanel) != 0);
    HSplitter->setVisible(LeftPanel->isVisibleTo(ClientPanel));
    BottomPanel->setVisible(Options.GetInt(ShowStatusBar) != 0);

    // The coordinator's list of browse windows.
    if (MainForm1)
        MainForm1->AddBrowseForm(this);

    // Hidden folders in the tree, as the settings say.
    DirTreeView->SetShowHidden(Options.GetInt(ShowHidden) != 0);

    // The first folder: the one asked for, else the one the settings keep,
    // else the program folder.
    CPath folder = m_initialFolder;
    if (folder.IsEmpty())
        folder = CPath(CString(Options.GetString(Folder_)));
    if (!CheckFolderExists(folder))
        folder = CPath(CString(ProgramFolder().c_str()));
    GoToFolder(folder);

    // Laid out once every control exists.
    m_created = true;
    FormResize();
}

void TBrowseForm1::FormDestroy()
{
    SaveTimer->stop();
    FileSystemUpdateTimer->stop();
    ReLayTimer->stop();
    StopLoading();
    // Out of the coordinator's list; a busy batch shows when no browser is left.
    if (MainForm1) {
        MainForm1->RemoveBrowseForm(this);
        TToolForm *batch = Shell().ToolWindow(Tool::Batch);
        if (MainForm1->BrowseForms().empty() && batch && batch->IsBusy())
            batch->Window()->setVisible(true);
    }
    // The toolbars' places and the shortcut list's columns.
    SaveToolbarPositionsToRegistry(this, SettingsRoot + u'\\' + Options.Section() + QStringLiteral("\\Toolbar State"));
    ShortcutList->SaveLayout(Options);
    // The window's place, panels and folder.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
        const QRect bounds = geometry();
        Options.SetInt(Left, bounds.left());
        Options.SetInt(Top, bounds.top());
        Options.SetInt(Width, bounds.width());
        Options.SetInt(Height, bounds.height());
    }
    Options.SetInt(Maximised, (windowState() & Qt::WindowMaximized) ? 1 : 0);
    Options.SetInt(HSplit, HSplitter->x());
    Options.SetInt(VSplit, int(m_vSplitFraction * 1000));
    Options.SetInt(ShowHidden, DirTreeView->ShowHidden() ? 1 : 0);
    Options.SetInt(ShowFolderPanel, LeftPanel->isVisibleTo(ClientPanel) ? 1 : 0);
    Options.SetInt(ShowStatusBar, BottomPanel->isVisibleTo(this) ? 1 : 0);
    Options.SetString(Folder_, ShownFolder().ToAnsiString());
    // The folder history, then the settings at once.
    if (SettingsStore)
        HistoryCombo->SaveState(*SettingsStore, HistorySection, HistoryName, false);
    Options.Save();
    if (MainForm1)
        MainForm1->QuitIfNoWindows();
}

// ---- Folder switching -------------------------------------------------------

void TBrowseForm1::markMissingFolder(bool missing)
{
    QPalette palette = HistoryCombo->palette();
    palette.setColor(QPalette::Base, missing ? MissingFolderColour : QApplication::palette().color(QPalette::Base));
    HistoryCombo->setPalette(palette);
}

void TBrowseForm1::showInTree(const CPath &folder)
{
    TreeGuard guard(*this);
    DirTreeView->SetDirectory(folder.ToAnsiString());
}

void TBrowseForm1::BrowseTimerTick()
{
    UpdateCommandStates();
    ThumbBox->TimerTick();
    m_session.TimerTick();
}

void TBrowseForm1::closeOnce()
{
    // The window is deleted at the next turn of the loop.
    if (m_closeAllowed)
        return;
    m_closeAllowed = true;
    close();
}

void TBrowseForm1::showFolderState()
{
    m_writeProtected = ::IsWriteProtected(ShownFolder());
    setWindowTitle(CaptionOf(ShownFolder()).ToAnsiString());
    updateStatusPanel();
}

void TBrowseForm1::folderEntered()
{
    UpdateSelectionStatus();
    setEnabled(true);
    if (MainForm1)
        MainForm1->AddToFolderHistories(ShownFolder());
    else
        AddToFolderHistory(ShownFolder());
    {
        QSignalBlocker quiet(HistoryCombo);
        HistoryCombo->setEditText(ShownFolder().ToAnsiString());
    }
    if (SettingsStore)
        HistoryCombo->SaveState(*SettingsStore, HistorySection, HistoryName, false);
}

void TBrowseForm1::SetModified(bool modified)
{
    // Not only while loading: a change made after the load (a sort, a file
    // gone) would otherwise wait for the folder to be left, and a crash lose it.
    const bool autoSave = FolderOptions() && FolderOptions()->GetInt(TFolderOptions::AutoSave) != 0;
    if (ScanContext() && modified && autoSave) {
        // Already running: the save comes 2.5 s after the first change, not the last.
        if (!SaveTimer->isActive())
            SaveTimer->start();
    } else {
        SaveTimer->stop();
    }
    if (MainForm1)
        MainForm1->SetFolderModified(ShownFolder(), modified);
    else
        TakeModified(modified);
}

void TBrowseForm1::SaveTimerTimer()
{
    SaveTimer->stop();
    RequestSave();
    SetModified(false);
}

void TBrowseForm1::FileSystemUpdateTimerTimer()
{
    if (!FolderOptions() || m_closing || IsLoading() || IsSaving() || IsSavePending())
        return;
    FileSystemUpdateTimer->stop();
    if (FolderOptions()->GetInt(TFolderOptions::AutoUpdate) != 0)
        Update(false);
}

void TBrowseForm1::ReLayTimerTimer()
{
    ReLayTimer->stop();
    ThumbBox->Relayout();
}

void TBrowseForm1::SetCaptionGradient(TGradEnabled mode)
{
    GradientCaption1->SetEnabled(mode);
}

void TBrowseForm1::ReloadShortcutList()
{
    ShortcutList->Reload();
}

void TBrowseForm1::AddToFolderHistory(const CPath &folder)
{
    QSignalBlocker quiet(HistoryCombo);
    HistoryCombo->AddToHistory(folder.ToAnsiString(), false);
}

void TBrowseForm1::ClearFolderHistory()
{
    QSignalBlocker quiet(HistoryCombo);
    HistoryCombo->clear();
    HistoryCombo->setEditText(ShownFolder().ToAnsiString());
}

// ---- Window events -----------------------------------------------------------

void TBrowseForm1::closeEvent(QCloseEvent *event)
{
    if (!m_closeAllowed && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // FormClose: the window goes.
    m_created = false;
    event->accept();
    deleteLater();
}

bool TBrowseForm1::FormCloseQuery()
{
    if (QueryCloseFolder()) {
        CancelLoading();
        m_closing = true;
        setEnabled(false);
    }
    return false;
}

void TBrowseForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_created)
        FormResize();
}

void TBrowseForm1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized) && !ShownFolder().IsEmpty())
        setWindowTitle(CaptionOf(ShownFolder()).ToAnsiString());
}

void TBrowseForm1::FormResize()
{
    const bool leftVisible = LeftPanel->isVisibleTo(ClientPanel);
    LeftPanel->setVisible(true);
    // The docks and the status line are placed by the form's layout; the
    // client panel is the room between them.
    LeftPanel->move(0, 0);
    LeftPanel->resize(LeftPanel->width(), ClientPanel->height());
    placeTree();
    HSplitter->resize(SplitterSize, ClientPanel->height());
    SetHSplit(HSplitter->x());
    const QSize wait = WaitLabel->sizeHint();
    WaitLabel->setGeometry(0, (DirTreeView->height() - wait.height()) / 2, LeftPanel->width(), wait.height());
    LeftPanel->setVisible(leftVisible);
    if (GeneralOptions->GetInt(TGeneralOptions::AutoLayout) & TGeneralOptions::RelayWhenResized)
        ReLayTimer->start();
    if (m_infoPage && m_infoPage->isVisible())
        m_infoPage->move((RightPanel->width() - m_infoPage->width()) / 2, (RightPanel->height() - m_infoPage->height()) / 2);
}

void TBrowseForm1::placeTree()
{
    const int panelHeight = LeftPanel->height();
    const int treeHeight = std::clamp(int(panelHeight * m_vSplitFraction), 0, std::max(0, panelHeight - SplitterSize));
    DirTreeView->setGeometry(0, 0, LeftPanel->width(), treeHeight);
    VSplitter->setGeometry(0, treeHeight, LeftPanel->width(), SplitterSize);
    ShortcutList->setGeometry(0, treeHeight + SplitterSize, LeftPanel->width(), panelHeight - treeHeight - SplitterSize);
}

void TBrowseForm1::SetHSplit(int x)
{
    const int clientWidth = ClientPanel->width();
    const int left = std::clamp(x, 0, std::max(0, clientWidth - SplitterSize));
    HSplitter->move(left, 0);
    LeftPanel->resize(left, LeftPanel->height());
    DirTreeView->resize(left, DirTreeView->height());
    VSplitter->resize(left, SplitterSize);
    ShortcutList->resize(left, ShortcutList->height());
    WaitLabel->resize(left, WaitLabel->height());
    if (HSplitter->isVisibleTo(ClientPanel))
        RightPanel->setGeometry(left + SplitterSize, 0, clientWidth - left - SplitterSize, ClientPanel->height());
    else
        RightPanel->setGeometry(0, 0, clientWidth, ClientPanel->height());
    const int panelWidth = folderPanelWidth();
    if (FolderPanel->width() != panelWidth) {
        FolderPanel->resize(panelWidth, FolderPanel->height());
        HistoryCombo->resize(panelWidth - HistoryCombo->x(), FolderPanel->height());
        ToolBar3->ControlsChanged();
    }
}

// The folder box takes the width that its row of the top or bottom dock leaves.
int TBrowseForm1::folderPanelWidth() const
{
    constexpr int FloatingWidth = 360;
    const int least = FolderLabel->width() + 120;
    const TDock *dock = ToolBar3->DockedTo();
    if (!dock || dock->isVertical())
        return std::max(least, FloatingWidth);
    int others = 0;
    for (const TDockToolbar *bar : {ToolBar1, ToolBar2}) {
        if (bar->DockedTo() == dock && bar->DockRow() == ToolBar3->DockRow() && !bar->isHidden())
            others += bar->width();
    }
    const int chrome = ToolBar3->width() - FolderPanel->width();
    return std::max(least, dock->width() - others - chrome - 4);
}

bool TBrowseForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ClientPanel && event->type() == QEvent::Resize && m_created) {
        FormResize();
        return false;
    }
    if (watched == HSplitter || watched == VSplitter) {
        const auto globalPos = [event] { return static_cast<QMouseEvent *>(event)->globalPosition().toPoint(); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_splitterDragging = true;
            m_splitterPress = globalPos();
            m_splitterStart = watched == HSplitter ? HSplitter->x() : VSplitter->y();
            return true;
        case QEvent::MouseMove:
            if (!m_splitterDragging)
                return false;
            if (watched == HSplitter) {
                SetHSplit(m_splitterStart + globalPos().x() - m_splitterPress.x());
            } else {
                const int panelHeight = std::max(1, LeftPanel->height());
                const int top = std::clamp(m_splitterStart + globalPos().y() - m_splitterPress.y(), 0,
                                           std::max(0, panelHeight - SplitterSize));
                m_vSplitFraction = double(top) / panelHeight;
                placeTree();
            }
            return true;
        case QEvent::MouseButtonRelease:
            m_splitterDragging = false;
            // The thumbnails take the room the split gave them.
            if (watched == HSplitter && (GeneralOptions->GetInt(TGeneralOptions::AutoLayout) & TGeneralOptions::RelayWhenResized))
                ReLayTimer->start();
            return true;
        default:
            return false;
        }
    }
    if (ThumbBox && watched == ThumbBox->Client()) {
        if (event->type() == QEvent::KeyPress)
            return thumbBoxKeyDown(static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::ContextMenu) {
            auto *menuEvent = static_cast<QContextMenuEvent *>(event);
            TThumbnail *under = ThumbBox->ThumbnailAtClientPoint(menuEvent->pos());
            (under && under->Selected() ? PopupMenu3 : PopupMenu4)->popup(menuEvent->globalPos());
            return true;
        }
    }
    if (watched == ShortcutList && event->type() == QEvent::KeyPress) {
        ShortcutListKeyDown(static_cast<QKeyEvent *>(event)->key());
        return false;
    }
    if (watched == HistoryCombo) {
        if (event->type() == QEvent::FocusIn)
            ApplyButton->setDefault(true);
        else if (event->type() == QEvent::FocusOut) {
            ApplyButton->setDefault(false);
            m_applyPending = false;
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                ApplyButtonClick();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TBrowseForm1::DirTreeViewDirOpening(const QString &, bool &allow)
{
    // The user may not pick another folder while a switch is pending; the
    // program's own moves of the tree always go.
    allow = WantedFolder().IsEmpty() || m_treeGuard > 0;
}

void TBrowseForm1::DirTreeViewDirOpened(const QString &path)
{
    if (m_treeGuard > 0)
        return;
    InfoImageClick();
    GoToFolder(CPath(CString(path)));
}

void TBrowseForm1::ApplyButtonClick()
{
    const CPath path = TypedFolder(HistoryCombo->currentText());
    CheckFolderExists(path);
    GoToFolder(path);
}

void TBrowseForm1::UpOneLevelToolClick()
{
    GoToFolder(ShownFolder().GetDirPart());
}

void TBrowseForm1::HistoryComboPicked()
{
    m_applyPending = true;
    HistoryComboChanged();
}

void TBrowseForm1::HistoryComboChanged()
{
    InfoImageClick();
    if (!m_applyPending)
        return;
    m_applyPending = false;
    ApplyButtonClick();
}

void TBrowseForm1::ShortcutListKeyDown(int key)
{
    if (key != Qt::Key_Delete)
        return;
    ShortcutList->DeleteSelectedShortcut();
    if (MainForm1)
        MainForm1->ReloadShortcutLists(this);
}

void TBrowseForm1::ShortcutListDblClick()
{
    const CPath folder = ShortcutList->GetSelectedFolder();
    if (CheckFolderExists(folder))
        GoToFolder(folder);
}
