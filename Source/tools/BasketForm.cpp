#include "BasketForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileTransfer.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/PropertiesForm.h>
#include <Source/windows/RenameForm.h>
#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <lib/WaitCursor.h>
#include <lib/controls/AlignLayout.h>
#include <lib/controls/Dock.h>
#include <lib/controls/DropFile.h>
#include <lib/controls/GradientCaption.h>
#include <lib/controls/MainWindowChrome.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>
#include <platform/SystemMetrics.h>

#include <QActionGroup>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTreeView>

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

const char BasketSection[] = "Basket";
const int DefaultColumnWidths[BasketColumnCount] = {90, 100, 80, 60, 60, 80};
constexpr int GlyphSide = 16;

// A glyph from the desktop's icon theme, or from the style when the theme has none.
QIcon themeIcon(const char *name, QStyle::StandardPixmap fallback, const QStyle *style)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    return icon.isNull() ? style->standardIcon(fallback) : icon;
}

// A toolbar button: the command it gives, its two-part hint (the short text,
// a bar, the long text) and its glyph. No name: a separator.
struct TBasketButton
{
    const char *name;
    const char *action;
    const char *hint;
    const char *themeIcon;
    QStyle::StandardPixmap fallback;
};

const TBasketButton Toolbar1Buttons[] = {
    {"NewBrowserTool", "NewBrowser1", "New Browser|Opens a browse window.", "window-new", QStyle::SP_TitleBarNormalButton},
    {"OpenBrowserTool", "OpenBrowser1", "Open Browser|Opens a browse window on each selected image's folder.", "folder-open", QStyle::SP_DirOpenIcon},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"OpenTool", "Open1", "Open|Opens the selected images.", "document-open", QStyle::SP_DialogOpenButton},
    {"CutTool", "Cut1", "Cut|Puts the selected images on the clipboard, to be moved by Paste.", "edit-cut", QStyle::SP_DialogDiscardButton},
    {"CopyTool", "Copy1", "Copy|Puts the selected images on the clipboard, to be copied by Paste.", "edit-copy", QStyle::SP_FileLinkIcon},
    {"DeleteTool", "Delete1", "Delete|Deletes the selected images.", "edit-delete", QStyle::SP_TrashIcon},
    {"RenameTool", "Rename1", "Rename|Renames the selected images one by one.", "document-edit", QStyle::SP_FileDialogDetailedView},
    {"CopyToTool", "CopyTo1", "Copy To Folder|Copies the selected images into a folder.", "send-to", QStyle::SP_DirLinkIcon},
    {"MoveToTool", "MoveTo1", "Move To Folder|Moves the selected images into a folder.", "go-jump", QStyle::SP_ArrowForward},
    {"RemoveTool", "Remove1", "Remove|Takes the selected images out of the basket; the files stay.", "list-remove", QStyle::SP_DialogCancelButton},
    {"PropertiesTool", "Properties1", "Properties|Shows the selected images' details and memos.", "document-properties", QStyle::SP_FileDialogInfoView},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"LargeIconsTool", "LargeIcons1", "Large Icons|Shows the images as large icons.", "view-list-icons", QStyle::SP_FileDialogContentsView},
    {"SmallIconsTool", "SmallIcons1", "Small Icons|Shows the images as small icons.", "view-list-compact", QStyle::SP_FileDialogListView},
    {"ListTool", "List1", "List|Shows the images as a list of names.", "view-list-text", QStyle::SP_FileDialogListView},
    {"DetailsTool", "Details1", "Details|Shows the images with their folders, sizes and memos.", "view-list-details", QStyle::SP_FileDialogDetailedView},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"FinderTool", "FinderWindow1", "Finder|Shows or hides the finder, which finds images by name.", "edit-find", QStyle::SP_FileDialogContentsView},
};

// Rows of the selection, in list order.
std::vector<int> selectedRows(const QItemSelectionModel &selection)
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selection.selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

TBasketForm1::TBasketForm1()
{
    setObjectName(QStringLiteral("BasketForm1"));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int width = screen.width() * 50 / 100;
    const int height = screen.height() * 50 / 100;
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, QString::fromLatin1(BasketSection),
                  {{"Window X", (screen.width() - width) / 2},
                   {"Window Y", (screen.height() - height) / 2},
                   {"Window Width", width},
                   {"Window Height", height},
                   {"Icons", int(Details)},
                   {"Column 1", DefaultColumnWidths[0]},
                   {"Column 2", DefaultColumnWidths[1]},
                   {"Column 3", DefaultColumnWidths[2]},
                   {"Column 4", DefaultColumnWidths[3]},
                   {"Column 5", DefaultColumnWidths[4]},
                   {"Column 6", DefaultColumnWidths[5]}});
    Options.Load();

    createControls();
    createCommands();
    createMenus();
    createToolbar();
    // FormCreate
    setWindowTitle(QStringLiteral("Basket") + QString::fromUtf8(CaptionSuffix));
    SetBasketHooks(this);
}

TBasketForm1::~TBasketForm1()
{
    if (&Basket() == this)
        SetBasketHooks(nullptr);
}

void TBasketForm1::createControls()
{
    // A window of its own on the task bar, never a child of a browse window.
    setWindowFlag(Qt::Window);
    const TMainWindowChrome chrome = NewMainWindowChrome(
        this, GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever, "DockBar");
    GradientCaption1 = chrome.caption;
    TAlignLayout *layout = chrome.layout;
    MainMenu1 = chrome.menu;
    DockBar = chrome.dock;
    StatusBar = new QLabel(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar->setFixedHeight(StatusBar->sizeHint().height());
    layout->addWidget(StatusBar, alBottom);

    Model = new TBasketModel(this);
    Model->Rename = [this](TBasketItem &item, const QString &name) { return renameInPlace(item, name); };
    const QStyle *look = style();
    Model->SetIcons({themeIcon("image-x-generic", QStyle::SP_FileIcon, look),
                     themeIcon("image-loading", QStyle::SP_FileDialogContentsView, look),
                     themeIcon("image-missing", QStyle::SP_MessageBoxCritical, look),
                     themeIcon("view-refresh", QStyle::SP_BrowserReload, look)});

    ListView = new QStackedWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    layout->addWidget(ListView, alClient);
    IconView = new QListView(ListView);
    IconView->setObjectName(QStringLiteral("IconView"));
    IconView->setModel(Model);
    IconView->setUniformItemSizes(true);
    IconView->setLayoutMode(QListView::Batched);
    IconView->setResizeMode(QListView::Adjust);
    ReportView = new QTreeView(ListView);
    ReportView->setObjectName(QStringLiteral("ReportView"));
    ReportView->setModel(Model);
    ReportView->setSelectionModel(IconView->selectionModel());
    ReportView->setRootIsDecorated(false);
    ReportView->setItemsExpandable(false);
    ReportView->setUniformRowHeights(true);
    ReportView->setAllColumnsShowFocus(true);
    ReportView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ReportView->header()->setSectionsClickable(true);
    ReportView->header()->setSectionsMovable(false);
    ReportView->header()->setStretchLastSection(false);
    connect(ReportView->header(), &QHeaderView::sectionClicked, this, &TBasketForm1::ListViewColumnClick);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(IconView), static_cast<QAbstractItemView *>(ReportView)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        // A double click, never the single click that some desktops make an activation.
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { Open1Click(); });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint &point) { PopupMenu1->popup(view->viewport()->mapToGlobal(point)); });
        ListView->addWidget(view);
    }

    // Files from other programs, and thumbnails from the browse windows.
    DropFile1 = new TDropFile(this);
    DropFile1->SetDropTarget(ListView);
    connect(DropFile1, &TDropFile::OnDropFile, this, [this](TDropFile *, const QString &fileWithPath) {
        AddFile(TImageHandler(CPath(CString(fileWithPath)), true));
    });
    ListView->installEventFilter(this);
}

QAction *TBasketForm1::addCommand(const char *name, const char *caption, const char *key,
                                  void (TBasketForm1::*handler)(), Rule rule, std::optional<Tool> tool)
{
    auto *action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    if (*key)
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    addAction(action);
    m_commands.push_back({action, rule, tool});
    return action;
}

void TBasketForm1::createCommands()
{
    addCommand("Open1", "&Open", "Ctrl+Shift+O", &TBasketForm1::Open1Click, Rule::Selected);
    addCommand("OpenBrowser1", "Open &Browser", "Ctrl+Shift+B", &TBasketForm1::OpenBrowser1Click, Rule::Selected);
    addCommand("Cut1", "Cu&t", "Ctrl+X", &TBasketForm1::Cut1Click, Rule::Selected);
    addCommand("Copy1", "&Copy", "Ctrl+C", &TBasketForm1::Copy1Click, Rule::Selected);
    addCommand("SelectAll1", "Select &All", "Ctrl+A", &TBasketForm1::SelectAll1Click, Rule::Any);
    addCommand("SelectNone1", "Select &None", "Ctrl+Shift+A", &TBasketForm1::SelectNone1Click, Rule::Selected);
    addCommand("InvertSelection1", "&Invert Selection", "Ctrl+I", &TBasketForm1::InvertSelection1Click, Rule::Any);
    addCommand("CopyTo1", "Cop&y To Folder...", "Alt+C", &TBasketForm1::CopyTo1Click, Rule::Selected);
    addCommand("MoveTo1", "&Move To Folder...", "Alt+M", &TBasketForm1::MoveTo1Click, Rule::Selected);
    addCommand("Delete1", "&Delete", "Ctrl+Del", &TBasketForm1::Delete1Click, Rule::Selected);
    addCommand("Rename1", "&Rename...", "Ctrl+R", &TBasketForm1::Rename1Click, Rule::Selected);
    addCommand("Remove1", "R&emove", "", &TBasketForm1::Remove1Click, Rule::Selected);
    addCommand("RemoveAll1", "Remove A&ll", "Ctrl+Shift+Del", &TBasketForm1::RemoveAll1Click, Rule::Any);
    addCommand("Properties1", "&Properties", "Ctrl+Shift+P", &TBasketForm1::Properties1Click, Rule::Selected);
    addCommand("FinderWindow1", "&Finder Window", "Ctrl+F", &TBasketForm1::FinderWindow1Click, Rule::Always, Tool::Finder)
        ->setCheckable(true);
    addCommand("NewBrowser1", "&New Browser", "", &TBasketForm1::NewBrowser1Click, Rule::Always);
    addCommand("Close1", "&Close", "F3", &TBasketForm1::Close1Click, Rule::Always);
    // The help file is only named: both open its contents while it exists.
    addCommand("Contents1", "&Contents", "", &TBasketForm1::Contents1Click, Rule::HelpFile);
    addCommand("Help1", "&Basket", "F1", &TBasketForm1::Contents1Click, Rule::HelpFile);

    m_viewStyles = new QActionGroup(this);
    const char *const styleNames[] = {"LargeIcons1", "SmallIcons1", "List1", "Details1"};
    const char *const styleCaptions[] = {"Lar&ge Icons", "S&mall Icons", "&List", "&Details"};
    for (int style = LargeIcons; style <= Details; ++style) {
        auto *action = new QAction(QString::fromLatin1(styleCaptions[style]), m_viewStyles);
        action->setObjectName(QString::fromLatin1(styleNames[style]));
        action->setCheckable(true);
        action->setShortcut(QKeySequence(Qt::Key_F9 + style));
        connect(action, &QAction::triggered, this, [this, style] { SetViewStyle(style); });
        addAction(action);
    }
}

void TBasketForm1::createMenus()
{
    auto add = [this](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (*name == '-')
                menu->addSeparator();
            else
                menu->addAction(Command(QString::fromLatin1(name)));
        }
    };
    auto openWithMenu = [this](QMenu *parent) {
        QMenu *menu = parent->addMenu(QStringLiteral("Open Wit&h"));
        m_commands.push_back({menu->menuAction(), Rule::Selected, Tool::OpenWith});
        return menu;
    };

    QMenu *basket = MainMenu1->addMenu(QStringLiteral("&Basket"));
    add(basket, {"Close1"});
    QMenu *edit = MainMenu1->addMenu(QStringLiteral("&Edit"));
    add(edit, {"Cut1", "Copy1", "-", "SelectAll1", "SelectNone1", "InvertSelection1"});
    QMenu *image = MainMenu1->addMenu(QStringLiteral("&Image"));
    add(image, {"Open1"});
    m_openWithMenu = openWithMenu(image);
    add(image, {"OpenBrowser1", "-", "CopyTo1", "MoveTo1", "Delete1", "Rename1", "-", "Remove1", "RemoveAll1", "-",
                "Properties1"});
    QMenu *view = MainMenu1->addMenu(QStringLiteral("&View"));
    add(view, {"FinderWindow1", "-"});
    view->addActions(m_viewStyles->actions());
    QMenu *help = MainMenu1->addMenu(QStringLiteral("&Help"));
    add(help, {"Contents1", "Help1"});
    MainMenu1->setFixedHeight(MainMenu1->sizeHint().height());

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    add(PopupMenu1, {"Open1"});
    m_openWithPopup = openWithMenu(PopupMenu1);
    add(PopupMenu1, {"OpenBrowser1", "-", "Cut1", "Copy1", "-", "CopyTo1", "MoveTo1", "Delete1", "Rename1", "-",
                     "Remove1", "-", "Properties1"});
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TBasketForm1::UpdateCommandStates);
}

void TBasketForm1::createToolbar()
{
    Toolbar1 = new TDockToolbar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->SetCaption(QStringLiteral("Basket"));
    int groupIndex = 0;
    for (const TBasketButton &entry : Toolbar1Buttons) {
        if (!entry.name) {
            new TToolbarSep(Toolbar1);
            continue;
        }
        QAction *action = Command(QString::fromLatin1(entry.action));
        auto *button = new TToolbarButton(Toolbar1);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->SetDisplayMode(dmGlyphOnly);
        button->SetGlyph(themeIcon(entry.themeIcon, entry.fallback, style()).pixmap(GlyphSide, GlyphSide).toImage());
        BindToolbarButton(button, action, QString::fromLatin1(entry.hint), groupIndex);
    }
    Toolbar1->ControlsChanged();
    Toolbar1->SetDockedTo(DockBar);
}

QAction *TBasketForm1::Command(const QString &name) const
{
    return findChild<QAction *>(name);
}

void TBasketForm1::SetCaptionGradient(TGradEnabled mode)
{
    GradientCaption1->SetEnabled(mode);
}

void TBasketForm1::ReloadOpenWithMenu()
{
    if (!ToolAvailable(Tool::OpenWith))
        return;
    const std::vector<OpenWithApplication> applications = OpenWith().applications();
    for (QMenu *menu : {m_openWithMenu, m_openWithPopup}) {
        menu->clear();
        for (const OpenWithApplication &application : applications) {
            const CString command = application.command;
            connect(menu->addAction(application.caption.ToAnsiString()), &QAction::triggered, this,
                    [this, command] { OpenFiles(SelectedPaths(), command); });
        }
    }
}

// ---- Showing and hiding ------------------------------------------------------

void TBasketForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    ReloadOpenWithMenu();
    setGeometry(Options.GetInt(WindowX), Options.GetInt(WindowY), Options.GetInt(WindowWidth),
                Options.GetInt(WindowHeight));
    for (int column = 0; column < BasketColumnCount; ++column)
        ReportView->setColumnWidth(column, Options.GetInt(Column1 + column));
    SetViewStyle(Options.GetInt(Icons));
    CurrentView()->setFocus();
    if (!m_loaded)
        LoadBasket();
}

void TBasketForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    storeLayout();
    Options.Save();
    SaveBasket();
    Shell().QuitIfNoWindows();
}

void TBasketForm1::storeLayout()
{
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        Options.SetInt(WindowX, x());
        Options.SetInt(WindowY, y());
        Options.SetInt(WindowWidth, width());
        Options.SetInt(WindowHeight, height());
    }
    for (int column = 0; column < BasketColumnCount; ++column)
        Options.SetInt(Column1 + column, ReportView->columnWidth(column));
    Options.SetInt(Icons, m_viewStyle);
}

bool TBasketForm1::event(QEvent *event)
{
    // The hint of whatever the pointer rests on, in the status line.
    if (event->type() == QEvent::StatusTip)
        StatusBar->setText(static_cast<QStatusTipEvent *>(event)->tip());
    return QWidget::event(event);
}

bool TBasketForm1::eventFilter(QObject *watched, QEvent *event)
{
    // Thumbnails dragged from a browse window join the basket.
    if (watched == ListView) {
        const auto *drop = dynamic_cast<QDropEvent *>(event);
        const TThumbnailDragObject *drag = drop ? TThumbnailDragObject::From(drop->mimeData()) : nullptr;
        if (!drag)
            return false;
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            static_cast<QDropEvent *>(event)->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            static_cast<QDropEvent *>(event)->acceptProposedAction();
            AddThumbnails(drag->Thumbnails());
            return true;
        }
        return false;
    }
    // Enter in the list opens; the Enter that ends an in-place rename opens nothing.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const auto *view = static_cast<QAbstractItemView *>(watched);
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !view->indexWidget(view->currentIndex())) {
            Open1Click();
            return true;
        }
    }
    return false;
}

// ---- The view styles -----------------------------------------------------------

QAbstractItemView *TBasketForm1::CurrentView() const
{
    return m_viewStyle == Details ? static_cast<QAbstractItemView *>(ReportView) : IconView;
}

void TBasketForm1::SetViewStyle(int style)
{
    m_viewStyle = std::clamp(style, int(LargeIcons), int(Details));
    const bool hadFocus = ListView->currentWidget() && ListView->currentWidget()->hasFocus();
    switch (m_viewStyle) {
    case LargeIcons:
        IconView->setViewMode(QListView::IconMode);
        IconView->setIconSize(QSize(32, 32));
        IconView->setGridSize(QSize(96, 64));
        IconView->setFlow(QListView::LeftToRight);
        break;
    case SmallIcons:
        IconView->setViewMode(QListView::ListMode);
        IconView->setIconSize(QSize(16, 16));
        IconView->setGridSize(QSize(160, 20));
        IconView->setFlow(QListView::LeftToRight);
        break;
    case List:
        IconView->setViewMode(QListView::ListMode);
        IconView->setIconSize(QSize(16, 16));
        IconView->setGridSize(QSize(160, 20));
        IconView->setFlow(QListView::TopToBottom);
        break;
    default:
        break;
    }
    if (m_viewStyle != Details) {
        IconView->setWrapping(true);
        IconView->setMovement(QListView::Static);
        IconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
        IconView->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        IconView->setDragDropMode(QAbstractItemView::DragOnly);
    }
    ListView->setCurrentWidget(CurrentView());
    if (hadFocus)
        CurrentView()->setFocus();
    m_viewStyles->actions()[m_viewStyle]->setChecked(true);
}

// ---- The list ---------------------------------------------------------------------

void TBasketForm1::LoadBasket()
{
    CWaitCursor wait;
    const TBasketFileContents contents = ReadBasketFile(BasketFilePath());
    bool failed = contents.damaged;
    std::vector<TImageHandler> files;
    files.reserve(size_t(contents.paths.size()));
    // Each drive or share is asked about once a load.
    std::unordered_map<std::string, bool> absentDrives;
    const auto onAbsentDrive = [&absentDrives](const CPath &path) {
        const std::string root = path.GetDrivePart().c_str();
        const auto known = absentDrives.find(root);
        return known != absentDrives.end() ? known->second : absentDrives.emplace(root, IsOnAbsentDrive(path)).first->second;
    };
    try {
        for (const QString &line : contents.paths) {
            const CPath path{CString(line)};
            if (FindItem(path))
                continue;
            if (onAbsentDrive(path)) {
                if (m_keptLines.IndexOf(line) < 0)
                    m_keptLines.Add(line);
                continue;
            }
            // A file that vanished leaves the basket at the next save.
            if (path.GetFileExists())
                files.emplace_back(path, true);
        }
    } catch (const Exception &) {
        failed = true;
    }
    // Lines that name one file twice give one row.
    Model->AddFiles(files);
    m_loaded = !failed;
    if (failed)
        ShowMessageBox("Unable to load basket contents", WarningBoxFlags);
}

void TBasketForm1::SaveBasket()
{
    // What could not be read stays in the file until it can.
    if (!m_loaded)
        return;
    CWaitCursor wait;
    QStringList paths = Model->Paths();
    for (int i = 0; i < m_keptLines.Count(); ++i) {
        if (!FindItem(CPath(CString(m_keptLines[i]))))
            paths << m_keptLines[i];
    }
    try {
        WriteBasketFile(BasketFilePath(), paths);
    } catch (const Exception &) {
        ShowMessageBox("Unable to save basket contents", WarningBoxFlags);
    }
}

bool TBasketForm1::AddFile(const TImageHandler &file)
{
    return Model->AddFiles({file}) == 0;
}

void TBasketForm1::AddFiles(const std::vector<TImageHandler> &files)
{
    int refused = 0;
    {
        CWaitCursor wait;
        refused = Model->AddFiles(files);
    }
    if (refused > 0) {
        CString text;
        text.Format("%d duplicate item%s ignored", refused, refused == 1 ? "" : "s");
        ShowMessageBox(text, MB_ICONINFORMATION | MB_OK);
    }
    show();
}

void TBasketForm1::AddThumbnails(const std::vector<TThumbnail *> &thumbnails)
{
    std::vector<TImageHandler> files;
    files.reserve(thumbnails.size());
    for (TThumbnail *thumbnail : thumbnails) {
        if (CThumbBitmap *record = thumbnail->GetThumbBitmap())
            files.push_back(record->GetHandler());
    }
    AddFiles(files);
    activateWindow();
    CurrentView()->setFocus();
}

TBasketItem *TBasketForm1::FindItem(const CPath &path) const
{
    return Model->FindItem(path);
}

void TBasketForm1::RemoveItem(TBasketItem *item)
{
    Model->RemoveItems([item](const TBasketItem &row) { return &row == item; });
}

void TBasketForm1::RemoveMissingItems()
{
    Model->RemoveItems([this](const TBasketItem &item) {
        const CPath path = item.FullPath();
        if (path.GetFileExists())
            return false;
        // A disc taken out: its line waits for the disc to come back.
        if (IsOnAbsentDrive(path) && m_keptLines.IndexOf(path.ToAnsiString()) < 0)
            m_keptLines.Add(path.ToAnsiString());
        return true;
    });
}

void TBasketForm1::RenameItem(const CPath &oldPath, const CPath &newPath)
{
    if (EditingLabel)
        return;
    TBasketItem *item = FindItem(oldPath);
    if (!item)
        return;
    TBasketItem *other = FindItem(newPath);
    if (other && other != item) {
        RemoveItem(item);
        return;
    }
    // The row keeps its place in the list.
    Model->MoveItem(*item, TImageHandler(newPath, true));
}

bool TBasketForm1::renameInPlace(TBasketItem &item, const QString &name)
{
    EditOldPath = item.FullPath();
    if (name == item.caption.ToAnsiString())
        return false;
    EditingLabel = true;
    const CString newName(name);
    QString message;
    bool renamed = false;
    if (!CheckNewFileName(EditOldPath, name, newName, message)) {
        ShowMessageBox(CString(message), WarningBoxFlags);
    } else {
        TFileHandler file(EditOldPath, PathOnly());
        renamed = file.Rename(newName);
        if (renamed)
            Model->MoveItem(item, TImageHandler(file.GetFullPath(), true));
    }
    EditingLabel = false;
    if (!renamed) {
        // The old name stays; the editor opens again on it once this edit has closed.
        const QPersistentModelIndex row(Model->index(Model->RowOf(&item), bcName));
        QMetaObject::invokeMethod(
            this,
            [this, row] {
                if (row.isValid())
                    CurrentView()->edit(row);
            },
            Qt::QueuedConnection);
    }
    return renamed;
}

std::vector<TBasketItem *> TBasketForm1::selectedItems() const
{
    std::vector<TBasketItem *> items;
    for (int row : selectedRows(*IconView->selectionModel()))
        items.push_back(&Model->Item(row));
    return items;
}

TStringList TBasketForm1::SelectedPaths() const
{
    TStringList paths;
    for (const TBasketItem *item : selectedItems())
        paths.Add(item->FullPath().ToAnsiString());
    return paths;
}

void TBasketForm1::ListViewColumnClick(int column)
{
    CWaitCursor wait;
    if (column != LastSortColumn) {
        SortAscending = true;
        LastSortColumn = column;
    }
    Model->Sort(column, SortAscending);
    ReportView->header()->setSortIndicatorShown(true);
    ReportView->header()->setSortIndicator(column, SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    SortAscending = !SortAscending;
}

int TBasketForm1::ApplySearch(CSearchContext &criterion)
{
    if (!m_loaded)
        LoadBasket();
    QItemSelectionModel *selection = IconView->selectionModel();
    if (criterion.clearSelection)
        selection->clearSelection();
    // One range for each run of matching rows: the selection model and the
    // views spend their time per range, not per row.
    QItemSelection matched;
    int first = -1;
    int count = 0;
    int runStart = -1;
    const auto endRun = [&](int end) {
        if (runStart >= 0)
            matched.select(Model->index(runStart, 0), Model->index(end - 1, BasketColumnCount - 1));
        runStart = -1;
    };
    for (int row = 0; row < Model->Count(); ++row) {
        // The row's file name: a pattern never meets the names of its folders.
        if (!criterion.MatchesFile(Model->Item(row).caption)) {
            endRun(row);
            continue;
        }
        if (runStart < 0)
            runStart = row;
        if (first < 0)
            first = row;
        ++count;
    }
    endRun(Model->Count());
    selection->select(matched, QItemSelectionModel::Select);
    if (count == 0)
        return 0;
    CurrentView()->scrollTo(Model->index(first, 0));
    show();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    activateWindow();
    CurrentView()->setFocus();
    return count;
}

void TBasketForm1::UpdateCommandStates()
{
    if (!isVisible())
        return;
    const bool selected = IconView->selectionModel()->hasSelection();
    const bool any = Model->Count() > 0;
    const bool helpFile = !HelpFile().IsEmpty();
    const auto holds = [&](Rule rule) {
        switch (rule) {
        case Rule::Always: return true;
        case Rule::Selected: return selected;
        case Rule::Any: return any;
        case Rule::HelpFile: return helpFile;
        }
        return false;
    };
    for (const TCommand &command : m_commands)
        command.action->setEnabled(holds(command.rule) && (!command.tool || ToolAvailable(*command.tool)));
    Command(QStringLiteral("FinderWindow1"))->setChecked(Shell().isToolWindowVisible(Tool::Finder));
    m_viewStyles->actions()[m_viewStyle]->setChecked(true);
    // Four rows a tick, with the pointer left as it is.
    ++CWaitCursor::DisableCount;
    for (int step = 0; step < 4; ++step)
        Model->RefreshNextItem();
    --CWaitCursor::DisableCount;
}

// ---- The commands ------------------------------------------------------------------

void TBasketForm1::Open1Click()
{
    const TStringList paths = SelectedPaths();
    if (paths.Count() > 0)
        OpenFiles(paths, CString());
}

void TBasketForm1::OpenBrowser1Click()
{
    for (const TBasketItem *item : selectedItems()) {
        const CPath folder = item->FullPath().GetDirPart();
        QWidget *window = nullptr;
        for (ToolBrowser *browser : Shell().BrowseWindows()) {
            // The same spelling only, as the folder tree would show it.
            if (std::strcmp(browser->ShownFolder().c_str(), folder.c_str()) == 0)
                window = dynamic_cast<QWidget *>(browser);
        }
        if (!window) {
            CWaitCursor wait;
            Shell().OpenBrowser(folder);
            continue;
        }
        window->setWindowState(window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        window->show();
        window->activateWindow();
    }
}

void TBasketForm1::Cut1Click()
{
    const std::vector<TBasketItem *> selected = selectedItems();
    const std::unordered_set<const TBasketItem *> cut(selected.begin(), selected.end());
    for (int row = 0; row < Model->Count(); ++row) {
        TBasketItem &item = Model->Item(row);
        const bool marked = cut.count(&item) > 0;
        if (item.cut == marked)
            continue;
        item.cut = marked;
        Model->ItemChanged(item);
    }
    Shell().ClearCutMarks();
    PutFilesOnClipboard(true, SelectedPaths());
}

void TBasketForm1::ClearCutMarks()
{
    for (int row = 0; row < Model->Count(); ++row) {
        TBasketItem &item = Model->Item(row);
        if (!item.cut)
            continue;
        item.cut = false;
        Model->ItemChanged(item);
    }
}

void TBasketForm1::Copy1Click()
{
    ClearCutMarks();
    Shell().ClearCutMarks();
    PutFilesOnClipboard(false, SelectedPaths());
}

void TBasketForm1::selectAll(QItemSelectionModel::SelectionFlags how)
{
    if (Model->Count() == 0)
        return;
    const QItemSelection all(Model->index(0, 0), Model->index(Model->Count() - 1, BasketColumnCount - 1));
    IconView->selectionModel()->select(all, how);
}

void TBasketForm1::SelectAll1Click()
{
    selectAll(QItemSelectionModel::ClearAndSelect);
}

void TBasketForm1::SelectNone1Click()
{
    IconView->selectionModel()->clearSelection();
}

void TBasketForm1::InvertSelection1Click()
{
    selectAll(QItemSelectionModel::Toggle);
}

void TBasketForm1::CopyTo1Click()
{
    TStringList paths = SelectedPaths();
    ChooseFolderAndTransfer(TCopyContext(), paths);
}

void TBasketForm1::MoveTo1Click()
{
    TStringList paths = SelectedPaths();
    ChooseFolderAndTransfer(TMoveContext(), paths);
}

void TBasketForm1::Delete1Click()
{
    TStringList paths = SelectedPaths();
    DeleteFiles(paths);
}

void TBasketForm1::Rename1Click()
{
    TStringList paths = SelectedPaths();
    RenameFiles(paths);
    for (int i = 0; i < paths.Count(); ++i)
        AddFile(TImageHandler(CPath(CString(paths[i])), true));
    RemoveMissingItems();
}

void TBasketForm1::Remove1Click()
{
    CWaitCursor wait;
    const std::vector<TBasketItem *> selected = selectedItems();
    const std::unordered_set<const TBasketItem *> gone(selected.begin(), selected.end());
    Model->RemoveItems([&gone](const TBasketItem &item) { return gone.count(&item) > 0; });
}

void TBasketForm1::RemoveAll1Click()
{
    if (Model->Count() == 0)
        return;
    if (ShowMessageBox("Are you sure you want to clear the basket?", QuestionBoxFlags) != IDYES)
        return;
    Model->Clear();
}

void TBasketForm1::Properties1Click()
{
    const TStringList paths = SelectedPaths();
    for (int i = 0; i < paths.Count(); ++i) {
        TImageHandler file(CPath(CString(paths[i])), true);
        if (TPropertiesForm1::ShowProperties(file, i + 1 < paths.Count()) == mrCancel)
            return;
    }
}

void TBasketForm1::FinderWindow1Click()
{
    TToolForm *finder = Shell().ToolWindow(Tool::Finder);
    if (!finder)
        return;
    QWidget *window = finder->Window();
    window->setVisible(!window->isVisible());
    if (window->isHidden())
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    finder->SetIncludeBasket(true);
}

void TBasketForm1::NewBrowser1Click()
{
    CWaitCursor wait;
    Shell().OpenBrowser(CPath());
}

void TBasketForm1::Close1Click()
{
    hide();
}

void TBasketForm1::Contents1Click()
{
    OpenHelpFile();
}
