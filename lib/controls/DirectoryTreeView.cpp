#include "DirectoryTreeView.h"

#include <lib/WaitCursor.h>
#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QDragMoveEvent>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QStyle>

namespace {

// One node: the item it stands for, and whether its folder was listed.
class TTreeItemData : public QTreeWidgetItem
{
public:
    static constexpr int NodeType = QTreeWidgetItem::UserType + 170;

    explicit TTreeItemData(ShellItem shellItem) : QTreeWidgetItem(NodeType), item(std::move(shellItem)) {}

    const ShellItem item;
    bool expanded = false;
};

TTreeItemData *nodeData(QTreeWidgetItem *node)
{
    return node && node->type() == TTreeItemData::NodeType ? static_cast<TTreeItemData *>(node) : nullptr;
}

// The style's own picture for an icon that the desktop's theme lacks.
QStyle::StandardPixmap fallbackPixmap(const QString &name)
{
    static const QHash<QString, QStyle::StandardPixmap> fallbacks = {
        {QStringLiteral("user-desktop"), QStyle::SP_DesktopIcon},
        {QStringLiteral("computer"), QStyle::SP_ComputerIcon},
        {QStringLiteral("network-workgroup"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("folder-remote"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("drive-harddisk"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("drive-removable-media"), QStyle::SP_DriveFDIcon},
        {QStringLiteral("media-optical"), QStyle::SP_DriveCDIcon},
        {QStringLiteral("folder"), QStyle::SP_DirClosedIcon},
        {QStringLiteral("folder-open"), QStyle::SP_DirOpenIcon},
    };
    return fallbacks.value(name, QStyle::SP_FileIcon);
}

// Shared by every tree; looked up once a name.
QHash<QString, QIcon> &iconCache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

QIcon themeIcon(const std::string &name)
{
    const QString key = QString::fromStdString(name);
    auto found = iconCache().constFind(key);
    if (found != iconCache().constEnd())
        return *found;
    QIcon icon = QIcon::fromTheme(key);
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(fallbackPixmap(key));
    iconCache().insert(key, icon);
    return icon;
}

bool isFloppyLetter(char letter)
{
    return letter == 'A' || letter == 'B';
}

} // namespace

TDirectoryTreeView::TDirectoryTreeView(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);   // keeps a folder of thousands quick to lay out
    setIconSize(QSize(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);   // what a drop may do, the owner says (OnDragOver)
    // The one column is as wide as the tree: a name too long for it ends in
    // an ellipsis, and nothing scrolls sideways, the root's column included.
    header()->setSectionResizeMode(QHeaderView::Stretch);
    header()->setStretchLastSection(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QTreeWidget::itemExpanded, this, &TDirectoryTreeView::ExpandNode);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TDirectoryTreeView::selectionChanged);
    Fill();
}

const ShellItem *TDirectoryTreeView::ItemOfNode(const QTreeWidgetItem *node)
{
    const TTreeItemData *data = nodeData(const_cast<QTreeWidgetItem *>(node));
    return data ? &data->item : nullptr;
}

void TDirectoryTreeView::ClearIconCache()
{
    iconCache().clear();
}

DWORD TDirectoryTreeView::attrMask() const
{
    static constexpr DWORD attributeOfType[] = {SFGAO_FOLDER, SFGAO_FILESYSTEM, SFGAO_FILESYSANCESTOR,
                                                SFGAO_HASSUBFOLDER};
    DWORD mask = 0;
    for (int type = otFolders; type <= otHasSubFolders; ++type) {
        if (m_objectTypes & ShellObjectTypeBit(TShellObjectType(type)))
            mask |= attributeOfType[type];
    }
    return mask;
}

// Floppy drives are told by their letter alone: a folder's name may hold "A:".
QTreeWidgetItem *TDirectoryTreeView::AddChildNode(ShellItem item) const
{
    if (item.kind == ShellItemKind::Drive && isFloppyLetter(item.driveLetter)
        && !(item.driveLetter == 'A' ? m_enableFloppyA : m_enableFloppyB))
        return nullptr;
    if (!(item.attributes & attrMask()))
        return nullptr;
    const QString text = QString::fromStdString(item.displayName);
    const QIcon icon = themeIcon(item.iconName);
    auto *node = new TTreeItemData(std::move(item));
    node->setText(0, text);
    node->setIcon(0, icon);
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (m_allowEditing)
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

void TDirectoryTreeView::Fill()
{
    m_filled = false;
    m_openNode = nullptr;
    m_dropTarget = nullptr;
    clear();
    QTreeWidgetItem *root = AddChildNode(ShellDesktop());
    if (root) {
        addTopLevelItem(root);
        root->setExpanded(true);
    }
    m_filled = true;
}

void TDirectoryTreeView::ExpandNode(QTreeWidgetItem *node)
{
    TTreeItemData *data = nodeData(node);
    if (!data || data->expanded)
        return;
    data->expanded = true;
    CWaitCursor wait;
    // Files are listed only when the mask could show one: they carry no
    // attribute but the file system's.
    DWORD flags = SHCONTF_FOLDERS;
    if (attrMask() & SFGAO_FILESYSTEM)
        flags |= SHCONTF_NONFOLDERS;
    if (m_showHidden)
        flags |= SHCONTF_INCLUDEHIDDEN;
    QList<QTreeWidgetItem *> children;
    for (ShellItem &item : EnumShellFolder(data->item, flags)) {
        if (QTreeWidgetItem *child = AddChildNode(std::move(item)))
            children.append(child);
    }
    if (children.isEmpty()) {
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        return;
    }
    setUpdatesEnabled(false);
    node->addChildren(children);   // already in the shell's order
    setUpdatesEnabled(true);
}

void TDirectoryTreeView::RelistNode(QTreeWidgetItem *node)
{
    TTreeItemData *data = nodeData(node);
    if (!data)
        return;
    // The pointers into the branch go with it.
    for (QTreeWidgetItem *inside = m_openNode; inside; inside = inside->parent()) {
        if (inside == node) {
            m_openNode = nullptr;
            break;
        }
    }
    m_dropTarget = nullptr;
    qDeleteAll(node->takeChildren());
    data->expanded = false;
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    ExpandNode(node);
}

QTreeWidgetItem *TDirectoryTreeView::FindChildNode(QTreeWidgetItem *node, const ShellItem &item) const
{
    for (int i = 0; node && i < node->childCount(); ++i) {
        const ShellItem *child = ItemOfNode(node->child(i));
        if (child && child->kind == item.kind && child->path == item.path)
            return node->child(i);
    }
    return nullptr;
}

static QString asciiLowered(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() - u'A' + u'a');
    }
    return lower;
}

// The part of path below the desktop folder, or path itself when it lies
// elsewhere. The folder must end at a backslash or at the path's end.
static QString pathFromDesktop(const QString &path)
{
    const QString desktop = QString::fromStdString(ShellDesktopFolder());
    if (desktop.isEmpty() || !asciiLowered(path).startsWith(asciiLowered(desktop)))
        return path;
    if (path.size() > desktop.size() && path[desktop.size()] != u'\\')
        return path;
    QString rest = path.mid(desktop.size());
    while (rest.startsWith(u'\\'))
        rest.remove(0, 1);
    return rest;
}

void TDirectoryTreeView::SetDirectory(const QString &path)
{
    QTreeWidgetItem *node = topLevelItem(0);
    if (!node)
        return;
    if (path.isEmpty()) {
        setCurrentItem(node);
        return;
    }
    CWaitCursor wait;
    std::vector<ShellItem> items;
    if (!ParseShellPath(pathFromDesktop(path).toStdString(), items))
        return;
    for (const ShellItem &item : items) {
        ExpandNode(node);
        node->setExpanded(true);
        QTreeWidgetItem *child = FindChildNode(node, item);
        // A folder made since its parent was listed: the listing is out of date.
        if (!child) {
            RelistNode(node);
            child = FindChildNode(node, item);
        }
        if (!child)
            return;
        node = child;
    }
    setCurrentItem(node);
    m_revealPending = true;
    revealSelection();
}

// From the top, so that the root stays in view whenever the selected node
// fits in the tree's height with it.
void TDirectoryTreeView::revealSelection()
{
    scrollToTop();
    if (QTreeWidgetItem *node = currentItem())
        scrollToItem(node, EnsureVisible);
    // Until the tree is on the screen its size is not yet the one the user sees.
    m_revealPending = !isVisible();
}

void TDirectoryTreeView::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    if (m_revealPending)
        revealSelection();
}

void TDirectoryTreeView::showEvent(QShowEvent *event)
{
    QTreeWidget::showEvent(event);
    if (m_revealPending)
        revealSelection();
}

QTreeWidgetItem *TDirectoryTreeView::selectedNode() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QString TDirectoryTreeView::GetSelectedPath(DWORD flags) const
{
    QTreeWidgetItem *node = selectedNode();
    return node ? GetPathForNode(node, flags) : QString();
}

QString TDirectoryTreeView::GetPathForNode(QTreeWidgetItem *node, DWORD flags) const
{
    const ShellItem *item = ItemOfNode(node);
    if (!item || item->kind == ShellItemKind::Desktop)
        return {};
    return QString::fromStdString(flags & SHGDN_FORPARSING ? item->path : item->displayName);
}

QString TDirectoryTreeView::GetDropTargetPath() const
{
    return m_dropTarget ? GetPathForNode(m_dropTarget, SHGDN_FORPARSING) : QString();
}

QString TDirectoryTreeView::GetFancyDriveName(const QString &path)
{
    std::vector<ShellItem> items;
    if (!ParseShellPath(path.toStdString(), items) || items.empty())
        return {};
    return QString::fromStdString(items.back().displayName);
}

void TDirectoryTreeView::RecreateWndSafe()
{
    const QString directory = GetDirectory();
    m_reportOpened = false;
    Fill();
    SetDirectory(directory);
    m_reportOpened = true;
}

void TDirectoryTreeView::setAndRebuild(bool &field, bool value)
{
    if (field == value)
        return;
    field = value;
    RecreateWndSafe();
}

void TDirectoryTreeView::SetShowHidden(bool value)
{
    setAndRebuild(m_showHidden, value);
}

void TDirectoryTreeView::SetEnableFloppyA(bool value)
{
    setAndRebuild(m_enableFloppyA, value);
}

void TDirectoryTreeView::SetEnableFloppyB(bool value)
{
    setAndRebuild(m_enableFloppyB, value);
}

void TDirectoryTreeView::SetObjectTypes(TShellObjectTypes value)
{
    if (m_objectTypes == value)
        return;
    m_objectTypes = value;
    RecreateWndSafe();
}

void TDirectoryTreeView::SetAllowEditing(bool value)
{
    m_allowEditing = value;
    setEditTriggers(value ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                          : QAbstractItemView::NoEditTriggers);
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        (*it)->setFlags(value ? (*it)->flags() | Qt::ItemIsEditable : (*it)->flags() & ~Qt::ItemIsEditable);
    }
}

bool TDirectoryTreeView::allowsSelection(QTreeWidgetItem *node)
{
    const ShellItem *item = ItemOfNode(node);
    if (!item || (!(item->attributes & SFGAO_FILESYSTEM) && !m_allowNonFileSystemSelection))
        return false;
    bool allow = true;
    emit OnDirOpening(GetPathForNode(node, SHGDN_FORPARSING), allow, node);
    return allow;
}

// Every change of the selection, by the user or by SetDirectory, passes here.
QItemSelectionModel::SelectionFlags TDirectoryTreeView::selectionCommand(const QModelIndex &index,
                                                                         const QEvent *event) const
{
    const QItemSelectionModel::SelectionFlags command = QTreeWidget::selectionCommand(index, event);
    QTreeWidgetItem *node = itemFromIndex(index);
    if (!node || !(command & QItemSelectionModel::Select) || node == selectedNode())
        return command;
    auto *self = const_cast<TDirectoryTreeView *>(this);
    return self->allowsSelection(node) ? command : QItemSelectionModel::NoUpdate;
}

void TDirectoryTreeView::selectionChanged()
{
    QTreeWidgetItem *node = selectedNode();
    if (m_openNode)
        m_openNode->setIcon(0, themeIcon(ItemOfNode(m_openNode)->iconName));
    m_openNode = node;
    if (!node)
        return;
    node->setIcon(0, themeIcon(ItemOfNode(node)->openIconName));
    if (m_filled && m_reportOpened)
        emit OnDirOpened(GetPathForNode(node, SHGDN_FORPARSING), node);
}

void TDirectoryTreeView::setDropTarget(QTreeWidgetItem *node)
{
    if (node == m_dropTarget)
        return;
    m_dropTarget = node;
    viewport()->update();
}

// The owner decides; the view's own handling only scrolls near the edges.
void TDirectoryTreeView::dragOver(QDropEvent *event)
{
    setDropTarget(itemAt(event->position().toPoint()));
    bool accept = false;
    if (m_dropTarget)
        emit OnDragOver(event->mimeData(), accept);
    if (!accept)
        setDropTarget(nullptr);
    event->setAccepted(accept);
}

void TDirectoryTreeView::dragEnterEvent(QDragEnterEvent *event)
{
    QTreeWidget::dragEnterEvent(event);
    // Entering over a node that refuses must still let the drag move on to
    // one that accepts.
    dragOver(event);
    event->accept();
}

void TDirectoryTreeView::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidget::dragMoveEvent(event);
    dragOver(event);
}

void TDirectoryTreeView::dragLeaveEvent(QDragLeaveEvent *event)
{
    QTreeWidget::dragLeaveEvent(event);
    setDropTarget(nullptr);
}

void TDirectoryTreeView::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    dragOver(event);
    if (m_dropTarget)
        emit OnDragDrop(event->mimeData());
    setDropTarget(nullptr);
}

// The drop target shows as selected while a drag is over it.
void TDirectoryTreeView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_dropTarget || itemFromIndex(index) != m_dropTarget) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem target = option;
    target.state |= QStyle::State_Selected;
    QTreeWidget::drawRow(painter, target, index);
}
