// The browse window's commands: the actions that its main menu, pop-up menus
// and toolbar buttons share, their enabling by the window's state, and the
// keys and drops of the window.

#include "BrowseForm.h"


#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/FileTransfer.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Application.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/Dock.h>
#include <lib/controls/DropFile.h>
#include <lib/controls/ToolbarButton.h>
#include <lib/controls/NewScrollBar.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyle>

#include <optional>

namespace {

constexpr int GlyphSide = 16;

// The sort properties of folder option 11, in tag order.
const char *const SortPropertyCaptions[] = {
    "Image &Width", "Image &Height", "Image &Depth", "Image &Area", "File &Name", "File &Extension",
    "File Da&te", "File &Size", "&Colour Temperature", "Average H&ue", "Average Satu&ration",
    "Average &Brightness", "As&pect Ratio", "Custom &Order"};
const char *const SortPropertyKeys[] = {
    "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4", "Ctrl+5", "Ctrl+6", "Ctrl+7", "Ctrl+8", "Ctrl+9", "Ctrl+0",
    "Ctrl+Shift+1", "Ctrl+Shift+2", "Ctrl+Shift+3", "Ctrl+Shift+4"};
const char *const PriorityCaptions[] = {"H&ighest", "Hi&gher", "&Normal", "Lo&wer", "L&owest"};
const char *const ShortcutViewCaptions[] = {"&Large Icons", "S&mall Icons", "&List", "&Details"};

// A toolbar button: the action it shares with its menu item, its two-part
// hint (the short text, a bar, the long text) and its glyph.
struct TToolButtonEntry
{
    const char *name;
    const char *action;
    const char *hint;
    const char *themeIcon;
    QStyle::StandardPixmap fallback;
};

const TToolButtonEntry ToolBar1Buttons[] = {
    {"OpenFolderTool", "OpenFolder1", "Open Folder|Opens a folder chosen from a tree of the drives.", "folder-open", QStyle::SP_DirOpenIcon},
    {"UpOneLevelTool", "UpOneLevel1", "Up One Level|Opens the folder that holds this one.", "go-up", QStyle::SP_FileDialogToParent},
    {"SaveTool", "Save1", "Save|Saves the thumbnails of this folder in its browse file.", "document-save", QStyle::SP_DialogSaveButton},
    {"DriveInfoTool", "DriveInfo1", "Drive Info|Shows the size, free space and label of this folder's drive.", "drive-harddisk", QStyle::SP_DriveHDIcon},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"UpdateTool", "Update1", "Update|Makes thumbnails for new and changed images.", "view-refresh", QStyle::SP_BrowserReload},
    {"StopTool", "StopLoading1", "Stop|Stops loading thumbnails. Use 'Update' to resume loading.", "process-stop", QStyle::SP_BrowserStop},
    {"ReLayTool", "ReLay1", "Re-Lay|Lays the thumbnails out again to fill the window.", "view-grid", QStyle::SP_FileDialogListView},
    {"AutoScrollTool", "AutoScroll1", "AutoScroll|Scrolls to show each new thumbnail while loading.", "go-bottom", QStyle::SP_ArrowDown},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"NewWindowTool", "NewWindow1", "New Browser|Opens another browse window.", "window-new", QStyle::SP_TitleBarNormalButton},
    {"BasketWindowTool", "BasketWindow1", "Basket|Shows or hides the basket of images.", "user-bookmarks", QStyle::SP_DirHomeIcon},
    {"AnimationWindowTool", "AnimationWindow1", "Animation|Shows or hides the animation window.", "video-x-generic", QStyle::SP_MediaPlay},
    {"FindTool", "FinderWindow1", "Finder|Shows or hides the finder, which finds images by name.", "edit-find", QStyle::SP_FileDialogContentsView},
    {"FindSimilarImagesTool", "FindSimilar1", "Find Similar|Shows or hides the window that finds images that look alike.", "system-search", QStyle::SP_FileDialogDetailedView},
    {"BatchEngineTool", "BatchEngine1", "Batch Engine|Shows or hides the batch engine, which builds browse files for many folders.", "system-run", QStyle::SP_ComputerIcon},
    {"ThumbnailWizardTool", "ThumbnailWizard1", "Thumbnail Wizard|Makes pages of thumbnails from the selected images.", "insert-image", QStyle::SP_FileDialogInfoView},
    {"SeqRenameTool", "SeqRename1", "Sequential Rename|Renames the selected images with a running number.", "view-list-ordered", QStyle::SP_FileDialogListView},
    {"ExportTool", "Export1", "Export Memos|Writes the memos of the selected images as text files.", "document-send", QStyle::SP_FileIcon},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"PreferencesTool", "Preferences1", "Preferences|Changes how the program and this folder look and work.", "preferences-system", QStyle::SP_FileDialogDetailedView},
    {"HelpTool", "Help1", "Help|Shows help for the browse window.", "help-browser", QStyle::SP_DialogHelpButton},
    {"AboutTool", "About1", "About|Shows the program's version and makers.", "help-about", QStyle::SP_MessageBoxInformation},
};

const TToolButtonEntry ToolBar2Buttons[] = {
    {"OpenTool", "Open1", "Open|Opens the selected images.", "document-open", QStyle::SP_DialogOpenButton},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"CutTool", "Cut1", "Cut|Puts the selected images on the clipboard, to be moved by Paste.", "edit-cut", QStyle::SP_DialogDiscardButton},
    {"CopyTool", "Copy1", "Copy|Puts the selected images on the clipboard, to be copied by Paste.", "edit-copy", QStyle::SP_FileLinkIcon},
    {"PasteTool", "Paste1", "Paste|Copies or moves the images on the clipboard into this folder.", "edit-paste", QStyle::SP_DialogApplyButton},
    {"DeleteTool", "Delete1", "Delete|Deletes the selected images.", "edit-delete", QStyle::SP_TrashIcon},
    {"RenameTool", "Rename1", "Rename|Renames the selected images one by one.", "document-edit", QStyle::SP_FileDialogDetailedView},
    {"CopyToTool", "CopyTo1", "Copy To Folder|Copies the selected images into a folder.", "send-to", QStyle::SP_DirLinkIcon},
    {"MoveToTool", "MoveTo1", "Move To Folder|Moves the selected images into a folder.", "go-jump", QStyle::SP_ArrowForward},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"PropertiesTool", "Properties1", "Properties|Shows the selected images' details and memos.", "document-properties", QStyle::SP_FileDialogInfoView},
    {"AddToBasketTool", "AddToBasket1", "Add To Basket|Adds the selected images to the basket.", "list-add", QStyle::SP_DirHomeIcon},
    {"AnimateSelectionTool", "AnimateSelection1", "Animate|Plays the selected images as an animation.", "media-playback-start", QStyle::SP_MediaPlay},
    {nullptr, nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"SelectAllTool", "SelectAll1", "Select All|Selects every thumbnail.", "edit-select-all", QStyle::SP_DialogYesButton},
    {"SelectNoneTool", "SelectNone1", "Select None|Selects no thumbnail.", "edit-clear", QStyle::SP_DialogNoButton},
    {"InvertSelectionTool", "InvertSelection1", "Invert Selection|Selects the thumbnails that are not selected, and only those.", "object-flip-horizontal", QStyle::SP_BrowserReload},
};

// A strip of two glyphs, up and disabled, from the desktop's icon theme, or
// from the style when the theme has none.
QImage ToolGlyph(const TToolButtonEntry &entry, const QStyle *style)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(entry.themeIcon));
    if (icon.isNull())
        icon = QIcon::fromTheme(QString::fromLatin1(entry.themeIcon) + QStringLiteral("-symbolic"));
    if (icon.isNull())
        icon = style->standardIcon(entry.fallback);
    QImage strip(2 * GlyphSide, GlyphSide, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter canvas(&strip);
    canvas.drawPixmap(0, 0, icon.pixmap(GlyphSide, GlyphSide, QIcon::Normal));
    canvas.drawPixmap(GlyphSide, 0, icon.pixmap(GlyphSide, GlyphSide, QIcon::Disabled));
    return strip.convertToFormat(QImage::Format_ARGB32);
}

// The clipboard's answer, forgotten whenever the clipboard changes.
std::optional<bool> s_fileListOnClipboard;

} // namespace

bool TBrowseForm1::FileListOnClipboard()
{
    // The clipboard object goes with its application, and a new one starts unknown.
    static QPointer<QClipboard> watched;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (watched != clipboard) {
        watched = clipboard;
        s_fileListOnClipboard.reset();
        QObject::connect(clipboard, &QClipboard::dataChanged, [] { s_fileListOnClipboard.reset(); });
    }
    if (!s_fileListOnClipboard)
        s_fileListOnClipboard = TZILOClipboardStringList().IsDataAvailable();
    return *s_fileListOnClipboard;
}

QAction *TBrowseForm1::addCommand(const char *name, const char *caption, const char *key,
                                  void (TBrowseForm1::*handler)(), Rule rule, std::optional<Tool> tool)
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

QAction *TBrowseForm1::addGroupCommand(QActionGroup *group, const char *name, const char *caption, const char *key)
{
    auto *action = new QAction(QString::fromLatin1(caption), group);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(true);
    action->setData(int(group->actions().size()) - 1);
    if (*key)
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
    addAction(action);
    return action;
}

QAction *TBrowseForm1::Command(const QString &name) const
{
    return findChild<QAction *>(name);
}

void TBrowseForm1::createCommands()
{
    // File
    addCommand("NewFolder2", "&New Folder...", "Ctrl+N", &TBrowseForm1::NewFolder2Click, Rule::Shown);
    addCommand("OpenFolder1", "&Open Folder...", "Ctrl+O", &TBrowseForm1::OpenFolderToolClick, Rule::NotSaving);
    addCommand("DeleteFolder2", "D&elete Folder", "Ctrl+'", &TBrowseForm1::DeleteFolder2Click, Rule::ShownNotRoot);
    addCommand("UpOneLevel1", "&Up One Level", "Ctrl+Backspace", &TBrowseForm1::UpOneLevelToolClick, Rule::ShownNotRoot);
    addCommand("Close1", "&Close Browser", "Alt+F4", &TBrowseForm1::Close1Click, Rule::Always);
    addCommand("Save1", "&Save Browse File", "Ctrl+S", &TBrowseForm1::Save1Click, Rule::Modified);
    addCommand("MoveBrowseFile1", "&Move Browse File...", "Ctrl+Shift+Ins", &TBrowseForm1::MoveBrowseFile1Click, Rule::MoveBrowseFile);
    addCommand("DeleteBrowseFile1", "&Delete Browse File...", "Ctrl+Shift+Del", &TBrowseForm1::DeleteBrowseFile1Click, Rule::ShownNotSaving);
    addCommand("DriveInfo1", "Drive &Info...", "Ctrl+D", &TBrowseForm1::DriveInfo1Click, Rule::Shown);
    addCommand("FolderManager1", "Fo&lder Manager...", "Ctrl+K", &TBrowseForm1::FolderManager1Click, Rule::ShownIdle, Tool::FolderManager);
    addCommand("FolderProperties1", "&Folder Properties...", "Ctrl+L", &TBrowseForm1::FolderProperties1Click, Rule::Shown);
    addCommand("ClearFolderHistory1", "Clear Folder &History...", "Ctrl+H", &TBrowseForm1::ClearFolderHistory1Click, Rule::Always);
    addCommand("Exit1", "Close All and E&xit", "Ctrl+Shift+X", &TBrowseForm1::Exit1Click, Rule::Always);
    // Edit
    addCommand("Cut1", "Cu&t", "Ctrl+X", &TBrowseForm1::Cut1Click, Rule::SelectedWritable);
    addCommand("Copy1", "&Copy", "Ctrl+C", &TBrowseForm1::Copy1Click, Rule::Selected);
    addCommand("Paste1", "&Paste", "Ctrl+V", &TBrowseForm1::Paste1Click, Rule::Paste);
    addCommand("SelectAll1", "Select &All", "Ctrl+A", &TBrowseForm1::SelectAll1Click, Rule::Any);
    addCommand("SelectNone1", "Select &None", "Ctrl+Shift+A", &TBrowseForm1::SelectNone1Click, Rule::Selected);
    addCommand("InvertSelection1", "&Invert Selection", "Ctrl+I", &TBrowseForm1::InvertSelection1Click, Rule::Any);
    // Image
    addCommand("Open1", "&Open", "Ctrl+Shift+O", &TBrowseForm1::Open1Click, Rule::Selected);
    addCommand("Delete1", "&Delete", "Ctrl+Del", &TBrowseForm1::Delete1Click, Rule::SelectedWritableNotSaving);
    addCommand("Rename1", "&Rename...", "Ctrl+R", &TBrowseForm1::Rename1Click, Rule::SelectedWritable);
    addCommand("SeqRename1", "Se&quential Rename...", "Ctrl+Q", &TBrowseForm1::SeqRename1Click, Rule::SelectedWritableNotLoading, Tool::SequentialRename);
    addCommand("CopyTo1", "Cop&y To Folder...", "Alt+C", &TBrowseForm1::CopyTo1Click, Rule::Selected);
    addCommand("MoveTo1", "&Move To Folder...", "Alt+M", &TBrowseForm1::MoveTo1Click, Rule::SelectedWritableNotSaving);
    addCommand("AddToBasket1", "Add To &Basket", "Ctrl+B", &TBrowseForm1::AddToBasket1Click, Rule::Selected, Tool::Basket);
    addCommand("SetAsTexture1", "Set As &Texture", "Ctrl+Shift+[", &TBrowseForm1::SetAsTexture1Click, Rule::One);
    addCommand("SetAsWallpaperImage1", "Set As &Wallpaper", "Ctrl+Shift+]", &TBrowseForm1::SetAsWallpaperImage1Click, Rule::One);
    addCommand("SaveAsMovie1", "Sa&ve As Movie...", "", &TBrowseForm1::SaveAsMovie1Click, Rule::Selected, Tool::Movie);
    addCommand("Export1", "&Export...", "Ctrl+E", &TBrowseForm1::Export1Click, Rule::Selected);
    addCommand("DeleteAll1", "&Delete All...", "Ctrl+Shift+Z", &TBrowseForm1::DeleteAll1Click, Rule::Always);
    addCommand("Properties1", "Propert&ies", "Ctrl+Shift+P", &TBrowseForm1::Properties1Click, Rule::Selected);
    // Thumbnail
    addCommand("ReLay1", "&Re-Lay", "F6", &TBrowseForm1::ReLayToolClick, Rule::Shown);
    addCommand("Reload1", "Reloa&d", "F7", &TBrowseForm1::Reload1Click, Rule::ShownIdle);
    addCommand("StopLoading1", "St&op Loading", "Esc", &TBrowseForm1::StopToolClick, Rule::Loading);
    addCommand("MoveToTop1", "Mo&ve To Top", "Ctrl+T", &TBrowseForm1::MoveToTop1Click, Rule::Selected);
    addCommand("SetAsWallpaperThumbnail1", "Set As &Wallpaper", "Ctrl+]", &TBrowseForm1::SetAsWallpaperThumbnail1Click, Rule::One);
    addCommand("AnimateSelection1", "Ani&mate Selection", "Ctrl+M", &TBrowseForm1::AnimateSelection1Click, Rule::Selected, Tool::Animation);
    addCommand("PingPongSelection1", "Ping-Pong S&election", "Ctrl+Shift+M", &TBrowseForm1::PingPongSelection1Click, Rule::Selected, Tool::Animation);
    addCommand("ThumbnailWizard1", "Thumbnail &Wizard...", "Ctrl+W", &TBrowseForm1::ThumbnailWizard1Click, Rule::Selected, Tool::ThumbnailWizard);
    // View
    addCommand("Update1", "&Update", "F5", &TBrowseForm1::UpdateToolClick, Rule::ShownIdle);
    for (int tag = 1; tag <= 3; ++tag) {
        const QByteArray name = "Toolbar" + QByteArray::number(tag);
        const QByteArray caption = tag == 1 ? "Toolbar &1" : "&" + QByteArray::number(tag);
        const QByteArray key = "Ctrl+F" + QByteArray::number(8 + tag);
        QAction *action = addCommand(name.constData(), caption.constData(), key.constData(), nullptr, Rule::Always);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, tag] { ShowToolbarClick(tag); });
    }
    addCommand("FolderPanel1", "&Folder Panel", "Ctrl+F8", &TBrowseForm1::FolderPanel1Click, Rule::Always)->setCheckable(true);
    addCommand("StatusBar1", "&Status Bar", "Ctrl+F12", &TBrowseForm1::StatusBar1Click, Rule::Always)->setCheckable(true);
    addCommand("Preferences1", "&Preferences...", "F10", &TBrowseForm1::Preferences1Click, Rule::ShownNotSaving, Tool::Preferences);
    addCommand("AutoScroll1", "&AutoScroll", "", &TBrowseForm1::AutoScrollToolClick, Rule::Always)->setCheckable(true);
    // Window
    addCommand("NewWindow1", "&New Browser", "F2", &TBrowseForm1::NewWindow1Click, Rule::Always);
    addCommand("BasketWindow1", "&Basket Window", "F3", &TBrowseForm1::BasketWindow1Click, Rule::Always, Tool::Basket)->setCheckable(true);
    addCommand("AnimationWindow1", "&Animation Window", "F4", &TBrowseForm1::AnimationWindow1Click, Rule::Always, Tool::Animation)->setCheckable(true);
    addCommand("BatchEngine1", "Batc&h Engine", "Ctrl+Shift+B", &TBrowseForm1::BatchEngine1Click, Rule::Always, Tool::Batch)->setCheckable(true);
    addCommand("FinderWindow1", "&Finder Window", "Ctrl+F", &TBrowseForm1::Find1Click, Rule::Shown, Tool::Finder)->setCheckable(true);
    addCommand("FindSimilar1", "Find &Similar", "Ctrl+Shift+F", &TBrowseForm1::FindSimilarImages1Click, Rule::Shown, Tool::FindSimilar)->setCheckable(true);
    // Help
    addCommand("Contents1", "&Contents", "", &TBrowseForm1::Contents1Click, Rule::HelpFile);
    addCommand("Help1", "&Browser", "F1", &TBrowseForm1::HelpToolClick, Rule::HelpFile);
    addCommand("About1", "&About...", "", &TBrowseForm1::AboutToolClick, Rule::Always);
    addCommand("Info1", "&Info...", "", &TBrowseForm1::Info1Click, Rule::Always);
    addCommand("SystemInfo1", "&System Info...", "", &TBrowseForm1::SystemInfo1Click, Rule::Always);
    addCommand("Feedback1", "&Feedback...", "", &TBrowseForm1::Feedback1Click, Rule::Always, Tool::Feedback);

    // The pop-ups' own items.
    addCommand("AddToShortcuts1", "Add To &Shortcuts", "", &TBrowseForm1::AddToShortcuts1Click, Rule::Shown);
    addCommand("NewFolder1", "&New Folder...", "", &TBrowseForm1::NewFolder2Click, Rule::Shown);
    addCommand("NewFolder3", "&New Folder...", "", &TBrowseForm1::NewFolder2Click, Rule::Shown);
    addCommand("DeleteFolder1", "&Delete Folder", "", &TBrowseForm1::DeleteFolder2Click, Rule::ShownNotRoot);
    addCommand("HideFolderPanel1", "&Hide", "", &TBrowseForm1::FolderPanel1Click, Rule::Always);
    addCommand("Refresh1", "&Refresh", "", &TBrowseForm1::Refresh1Click, Rule::Always);
    addCommand("ShowHidden1", "Sh&ow Hidden", "", &TBrowseForm1::ShowHidden1Click, Rule::Always)->setCheckable(true);
    addCommand("Explore1", "&Explore", "", &TBrowseForm1::Explore1Click, Rule::Shown);
    addCommand("FolderProperties2", "&Folder Properties...", "", &TBrowseForm1::FolderProperties1Click, Rule::Shown);
    addCommand("OpenShortcut1", "&Open", "", &TBrowseForm1::OpenShortcut1Click, Rule::ShortcutSelected);
    addCommand("OpenInNewBrowser1", "Open In New &Browser", "", &TBrowseForm1::OpenInNewBrowser1Click, Rule::ShortcutSelected);
    addCommand("NewShortcut1", "&New Shortcut...", "", &TBrowseForm1::NewShortcut1Click, Rule::Always);
    addCommand("DeleteShortcut1", "&Delete Shortcut", "", &TBrowseForm1::DeleteShortcut1Click, Rule::ShortcutSelected);
    addCommand("RenameShortcut1", "Rena&me Shortcut", "", &TBrowseForm1::RenameShortcut1Click, Rule::ShortcutSelected);
    addCommand("PasteHere1", "&Paste Here", "", &TBrowseForm1::PasteHere1Click, Rule::ShortcutPaste);
    addCommand("ExploreShortcut1", "&Explore", "", &TBrowseForm1::ExploreShortcut1Click, Rule::ShortcutSelected);
    addCommand("HideFolderPanel2", "&Hide", "", &TBrowseForm1::FolderPanel1Click, Rule::Always);
    addCommand("RefreshShortcuts1", "&Refresh", "", &TBrowseForm1::Refresh1Click, Rule::Always);
    addCommand("WallpaperImage2", "&Image", "", &TBrowseForm1::SetAsWallpaperImage1Click, Rule::One);
    addCommand("WallpaperThumbnail2", "&Thumbnail", "", &TBrowseForm1::SetAsWallpaperThumbnail1Click, Rule::One);
    addCommand("HideStatusBar1", "&Hide", "", &TBrowseForm1::StatusBar1Click, Rule::Always);

    // Radio groups.
    m_sortProperty = new QActionGroup(this);
    for (int tag = 0; tag < 14; ++tag)
        addGroupCommand(m_sortProperty, QByteArray("SortBy" + QByteArray::number(tag)).constData(),
                        SortPropertyCaptions[tag], SortPropertyKeys[tag]);
    connect(m_sortProperty, &QActionGroup::triggered, this, [this](QAction *item) { SortPropertyClick(item->data().toInt()); });
    m_sortDirection = new QActionGroup(this);
    addGroupCommand(m_sortDirection, "Ascending1", "Ascend&ing", "Ctrl+.");
    addGroupCommand(m_sortDirection, "Descending1", "Descendin&g", "Ctrl+,");
    connect(m_sortDirection, &QActionGroup::triggered, this, [this](QAction *item) { SortDirectionClick(item->data().toInt()); });
    m_priority = new QActionGroup(this);
    for (int tag = 0; tag < 5; ++tag)
        addGroupCommand(m_priority, QByteArray("Priority" + QByteArray::number(tag)).constData(), PriorityCaptions[tag],
                        QByteArray("Alt+" + QByteArray::number(5 - tag)).constData());
    connect(m_priority, &QActionGroup::triggered, this, [this](QAction *item) { PriorityMenuClick(item->data().toInt()); });
    m_showAs = new QActionGroup(this);
    connect(addGroupCommand(m_showAs, "ViewAsImage1", "Show As &Images", "Ctrl+Shift+I"), &QAction::triggered, this,
            &TBrowseForm1::ViewAsImage1Click);
    connect(addGroupCommand(m_showAs, "ViewAsText1", "Show As &Text", "Ctrl+Shift+T"), &QAction::triggered, this,
            &TBrowseForm1::ViewAsText1Click);
    m_shortcutView = new QActionGroup(this);
    for (int style = 0; style < 4; ++style)
        addGroupCommand(m_shortcutView, QByteArray("ShortcutView" + QByteArray::number(style)).constData(),
                        ShortcutViewCaptions[style], "");
    connect(m_shortcutView, &QActionGroup::triggered, this, [this](QAction *item) { ShortcutViewClick(item->data().toInt()); });
    // A group command's shortcut is the window's, like any other.
    for (QActionGroup *group : {m_sortProperty, m_sortDirection, m_priority, m_showAs, m_shortcutView}) {
        m_commands.reserve(m_commands.size() + size_t(group->actions().size()));
        for (QAction *item : group->actions())
            m_commands.push_back({item, group == m_sortProperty ? Rule::Shown : Rule::Always});
    }
}

void TBrowseForm1::createMenus()
{
    auto add = [this](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (*name == '-')
                menu->addSeparator();
            else
                menu->addAction(Command(QString::fromLatin1(name)));
        }
    };
    auto addGroup = [](QMenu *menu, QActionGroup *group) {
        for (QAction *item : group->actions())
            menu->addAction(item);
    };
    auto openWithMenu = [this](QMenu *parent) {
        QMenu *menu = parent->addMenu(QStringLiteral("Open Wit&h"));
        m_commands.push_back({menu->menuAction(), Rule::Selected, Tool::OpenWith});
        return menu;
    };

    QMenu *file = MainMenu1->addMenu(QStringLiteral("&File"));
    add(file, {"NewFolder2", "OpenFolder1", "DeleteFolder2", "UpOneLevel1", "-", "Save1", "MoveBrowseFile1",
               "DeleteBrowseFile1", "-", "DriveInfo1", "FolderManager1", "FolderProperties1", "ClearFolderHistory1", "-",
               "Close1", "Exit1"});
    QMenu *edit = MainMenu1->addMenu(QStringLiteral("&Edit"));
    add(edit, {"Cut1", "Copy1", "Paste1", "-", "SelectAll1", "SelectNone1", "InvertSelection1"});
    QMenu *image = MainMenu1->addMenu(QStringLiteral("&Image"));
    add(image, {"Open1"});
    m_openWithMenu = openWithMenu(image);
    add(image, {"-", "Delete1", "Rename1", "SeqRename1", "CopyTo1", "MoveTo1", "-", "AddToBasket1", "SetAsTexture1",
                "SetAsWallpaperImage1", "SaveAsMovie1"});
    QMenu *memos = image->addMenu(QStringLiteral("Memo&s"));
    add(memos, {"Export1", "DeleteAll1"});
    add(image, {"-", "Properties1"});
    QMenu *thumbnail = MainMenu1->addMenu(QStringLiteral("&Thumbnail"));
    QMenu *sortBy = thumbnail->addMenu(QStringLiteral("&Sort By"));
    m_commands.push_back({sortBy->menuAction(), Rule::Shown});
    addGroup(sortBy, m_sortProperty);
    addGroup(thumbnail, m_sortDirection);
    thumbnail->addSeparator();
    QMenu *priority = thumbnail->addMenu(QStringLiteral("&Priority"));
    addGroup(priority, m_priority);
    add(thumbnail, {"ReLay1", "Reload1", "StopLoading1", "-"});
    addGroup(thumbnail, m_showAs);
    add(thumbnail, {"-", "MoveToTop1", "SetAsWallpaperThumbnail1", "-", "AnimateSelection1", "PingPongSelection1", "-",
                    "ThumbnailWizard1"});
    QMenu *view = MainMenu1->addMenu(QStringLiteral("&View"));
    add(view, {"Update1", "-", "Toolbar1", "Toolbar2", "Toolbar3", "FolderPanel1", "StatusBar1", "-", "Preferences1"});
    QMenu *window = MainMenu1->addMenu(QStringLiteral("&Window"));
    add(window, {"NewWindow1", "-", "BasketWindow1", "AnimationWindow1", "BatchEngine1", "FinderWindow1", "FindSimilar1"});
    QMenu *help = MainMenu1->addMenu(QStringLiteral("&Help"));
    add(help, {"Contents1", "Help1", "-", "About1", "Info1", "SystemInfo1", "Feedback1"});
    MainMenu1->setFixedHeight(MainMenu1->sizeHint().height());

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    add(PopupMenu1, {"AddToShortcuts1", "NewFolder1", "DeleteFolder1", "-", "HideFolderPanel1", "Refresh1",
                     "ShowHidden1", "-", "Explore1", "FolderProperties2"});
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    add(PopupMenu2, {"OpenShortcut1", "OpenInNewBrowser1", "-", "NewShortcut1", "DeleteShortcut1", "RenameShortcut1",
                     "-", "PasteHere1", "ExploreShortcut1", "-", "HideFolderPanel2", "RefreshShortcuts1"});
    QMenu *shortcutView = PopupMenu2->addMenu(QStringLiteral("&View"));
    addGroup(shortcutView, m_shortcutView);
    shortcutView->menuAction()->setVisible(false);
    // The shortcut items follow the list's selection in UpdateCommandStates,
    // so that the window's ticks keep them as the pop-up showed them.
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] {
        UpdateCommandStates();
        m_shortcutView->actions()[int(ShortcutList->ViewStyle())]->setChecked(true);
    });

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    add(PopupMenu3, {"Open1"});
    m_openWithPopup = openWithMenu(PopupMenu3);
    add(PopupMenu3, {"-", "Cut1", "Copy1", "Paste1", "-", "Delete1", "Rename1", "CopyTo1", "MoveTo1", "-",
                     "AddToBasket1", "AnimateSelection1", "MoveToTop1"});
    QMenu *wallpaper = PopupMenu3->addMenu(QStringLiteral("Set As &Wallpaper"));
    m_commands.push_back({wallpaper->menuAction(), Rule::One});
    add(wallpaper, {"WallpaperImage2", "WallpaperThumbnail2"});
    add(PopupMenu3, {"-", "Properties1"});
    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    add(PopupMenu4, {"Paste1", "-", "SelectAll1", "SelectNone1", "InvertSelection1", "-"});
    QMenu *boxSort = PopupMenu4->addMenu(QStringLiteral("&Sort By"));
    m_commands.push_back({boxSort->menuAction(), Rule::Shown});
    addGroup(boxSort, m_sortProperty);
    boxSort->addSeparator();
    addGroup(boxSort, m_sortDirection);
    add(PopupMenu4, {"ReLay1", "Update1", "Reload1", "StopLoading1", "-"});
    addGroup(PopupMenu4, m_showAs);
    add(PopupMenu4, {"-", "NewFolder3", "FolderProperties1"});
    for (QMenu *menu : {PopupMenu3, PopupMenu4})
        connect(menu, &QMenu::aboutToShow, this, &TBrowseForm1::UpdateCommandStates);
    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    add(PopupMenu5, {"HideStatusBar1"});

    // A right press on the tree selects the node under it before the pop-up.
    DirTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DirTreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint &point) {
        if (QTreeWidgetItem *node = DirTreeView->itemAt(point))
            DirTreeView->setCurrentItem(node);
        PopupMenu1->popup(DirTreeView->viewport()->mapToGlobal(point));
    });
    ShortcutList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ShortcutList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &point) { PopupMenu2->popup(ShortcutList->viewport()->mapToGlobal(point)); });
    BottomPanel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(BottomPanel, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &point) { PopupMenu5->popup(BottomPanel->mapToGlobal(point)); });
    ThumbBox->Client()->installEventFilter(this);
}

void TBrowseForm1::createToolbars()
{
    // The toggle buttons take groups 1, 2, ... in table order, one each.
    int groupIndex = 0;
    auto fill = [this, &groupIndex](TDockToolbar *toolbar, const auto &entries) {
        for (const TToolButtonEntry &entry : entries) {
            if (!entry.name) {
                new TToolbarSep(toolbar);
                continue;
            }
            QAction *action = Command(QString::fromLatin1(entry.action));
            auto *button = new TToolbarButton(toolbar);
            button->setObjectName(QString::fromLatin1(entry.name));
            button->SetDisplayMode(dmGlyphOnly);
            button->SetGlyph(ToolGlyph(entry, style()));
            button->SetNumGlyphs(2);
            BindToolbarButton(button, action, QString::fromLatin1(entry.hint), groupIndex);
        }
        toolbar->ControlsChanged();
    };
    ToolBar1 = new TDockToolbar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->SetCaption(QStringLiteral("Main"));
    fill(ToolBar1, ToolBar1Buttons);
    ToolBar2 = new TDockToolbar(this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->SetCaption(QStringLiteral("Image"));
    fill(ToolBar2, ToolBar2Buttons);
    // The main toolbar alone in the first row, the image commands and the
    // folder history below it: both rows fit a window on a 1024 pixel screen.
    // Arranged once, with every place set: the dock renumbers its rows and
    // pulls back what does not fit at each step.
    DockTop->BeginArrange();
    ToolBar1->SetDockedTo(DockTop);
    ToolBar1->SetDockRow(0);
    ToolBar1->SetDockPos(0);
    ToolBar2->SetDockedTo(DockTop);
    ToolBar2->SetDockRow(1);
    ToolBar2->SetDockPos(0);
    ToolBar3->SetDockRow(1);
    ToolBar3->SetDockPos(ToolBar2->width());
    DockTop->resize(Options.GetInt(Width), DockTop->height());
    DockTop->EndArrange();
}

void TBrowseForm1::UpdateCommandStates()
{
    if (!FolderOptions())
        return;
    const bool shown = ShownFolder().GetIsAbsolute();
    const bool root = ShownFolder().GetLength() <= 3;
    const int selectedCount = shown ? ThumbBox->SelectedCount() : 0;
    const bool selected = selectedCount > 0;
    const bool any = shown && ThumbBox->Count() > 0;
    const bool writable = !m_writeProtected;
    const bool loading = IsLoading();
    const bool saving = IsSaving();
    const auto holds = [&](Rule rule) {
        switch (rule) {
        case Rule::Always: return true;
        case Rule::Shown: return shown;
        case Rule::ShownIdle: return shown && !saving && !loading;
        case Rule::ShownNotRoot: return shown && !root;
        case Rule::ShownNotSaving: return shown && !saving;
        case Rule::NotSaving: return !saving;
        case Rule::Selected: return selected;
        case Rule::SelectedWritable: return selected && writable;
        case Rule::SelectedWritableNotSaving: return selected && writable && !saving;
        case Rule::SelectedWritableNotLoading: return selected && writable && !loading;
        case Rule::One: return selectedCount == 1;
        case Rule::Any: return any;
        case Rule::Loading: return loading;
        case Rule::Modified: return m_modified && !saving && !loading;
        case Rule::MoveBrowseFile:
            return shown && !saving && !loading && DiskOptions->GetInt(TDiskOptions::SpecialBrowseFolderOption) != 0;
        case Rule::Paste: return FileListOnClipboard();
        case Rule::HelpFile: return !HelpFile().IsEmpty();
        case Rule::ShortcutSelected: return ShortcutList->HasSelection();
        case Rule::ShortcutPaste: return ShortcutList->HasSelection() && FileListOnClipboard();
        }
        return false;
    };
    for (const TCommand &command : m_commands)
        command.action->setEnabled(holds(command.rule) && (!command.tool || ToolAvailable(*command.tool)));

    RightPanel->setVisible(shown);
    WaitLabel->setVisible(saving);
    DirTreeView->setVisible(!saving);
    ShortcutList->setVisible(!saving);
    ShortcutList->setEnabled(!saving);
    HistoryCombo->setEnabled(!saving);
    updateChecks();
}

void TBrowseForm1::createChecks()
{
    const auto check = [this](const char *name, std::function<bool()> on) {
        m_checks.emplace_back(Command(QString::fromLatin1(name)), std::move(on));
    };
    const auto toolShown = [](Tool tool) {
        return [tool] { return Shell().isToolWindowVisible(tool); };
    };
    check("StatusBar1", [this] { return !BottomPanel->isHidden(); });
    check("FolderPanel1", [this] { return !LeftPanel->isHidden(); });
    check("ShowHidden1", [this] { return DirTreeView->ShowHidden(); });
    check("Toolbar1", [this] { return !ToolBar1->isHidden(); });
    check("Toolbar2", [this] { return !ToolBar2->isHidden(); });
    check("Toolbar3", [this] { return !ToolBar3->isHidden(); });
    check("BasketWindow1", toolShown(Tool::Basket));
    check("AnimationWindow1", toolShown(Tool::Animation));
    check("BatchEngine1", toolShown(Tool::Batch));
    check("FinderWindow1", toolShown(Tool::Finder));
    check("FindSimilar1", toolShown(Tool::FindSimilar));
    check("AutoScroll1", [] { return GeneralOptions->GetInt(TGeneralOptions::AutoScroll) != 0; });
}

void TBrowseForm1::updateChecks()
{
    for (const auto &[action, on] : m_checks)
        action->setChecked(on());
    m_showAs->actions()[m_showAsImages ? 0 : 1]->setChecked(true);
    m_priority->actions()[5 - std::clamp(ScanPriority(), 1, 5)]->setChecked(true);
    if (FolderOptions()) {
        const int property = FolderOptions()->GetInt(TFolderOptions::SortProperty);
        if (property >= 0 && property < 14)
            m_sortProperty->actions()[property]->setChecked(true);
        m_sortDirection->actions()[FolderOptions()->GetInt(TFolderOptions::SortDirection) != 0 ? 1 : 0]->setChecked(true);
    }
    const TButtonType buttons = GeneralOptions->GetInt(TGeneralOptions::ScrollButtonsTogether) ? btTogether : btSeparate;
    ThumbBox->VertScrollBar()->SetButtonType(buttons);
    ThumbBox->HorzScrollBar()->SetButtonType(buttons);
    DirTreeView->SetEnableFloppyA(DiskOptions->GetInt(TDiskOptions::EnableFloppyA) != 0);
    DirTreeView->SetEnableFloppyB(DiskOptions->GetInt(TDiskOptions::EnableFloppyB) != 0);
}

// ---- Keys and drops ----------------------------------------------------------

bool TBrowseForm1::thumbBoxKeyDown(QKeyEvent *event)
{
    static const std::pair<int, int> moves[] = {
        {Qt::Key_Up, 1}, {Qt::Key_Down, 2}, {Qt::Key_Left, 3}, {Qt::Key_Right, 4}, {Qt::Key_PageUp, 5},
        {Qt::Key_PageDown, 6}, {Qt::Key_Home, 7}, {Qt::Key_End, 8}, {Qt::Key_Insert, 9}};
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ThumbBox->OpenSelected();
        return true;
    }
    for (const auto &[key, move] : moves) {
        if (event->key() == key) {
            ThumbBox->HandleKeyDown(move, event->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return false;
}

void TBrowseForm1::createDrops()
{
    DropFile1 = new TDropFile(this);
    connect(DropFile1, &TDropFile::OnDropFile, this,
            [this](TDropFile *, const QString &fileWithPath) { DropFile1DropFile(fileWithPath); });
    // Thumbnails dropped on a folder of the tree move there.
    connect(DirTreeView, &TDirectoryTreeView::OnDragOver, this, [this](const QMimeData *data, bool &accept) {
        accept = TThumbnailDragObject::From(data) && CPath(CString(DirTreeView->GetDropTargetPath())).GetIsAbsolute();
    });
    connect(DirTreeView, &TDirectoryTreeView::OnDragDrop, this, [this](const QMimeData *data) {
        if (const TThumbnailDragObject *drag = TThumbnailDragObject::From(data))
            drag->MoveToFolder(CPath(CString(DirTreeView->GetDropTargetPath())));
    });
}

void TBrowseForm1::DropFile1DropFile(const QString &fileWithPath)
{
    const CPath file{CString(fileWithPath)};
    CPath folder = file.GetDirPart();
    if (file.GetExtPart().CompareNoCase(".zilo") == 0) {
        try {
            folder = ReadBrowseFileFolder(file);
        } catch (const Exception &error) {
            ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
            return;
        }
    }
    GoToFolder(folder);
}
