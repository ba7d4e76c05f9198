#include "ShortcutListView.h"

#include "Thumbnail.h"
#include "UserMessages.h"
#include "VolumePath.h"
#include "WindowHooks.h"

#include <Source/Glob.h>
#include <lib/Options.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Exception.h>

#include <QDropEvent>
#include <QIcon>
#include <QStyle>

static const QString ShortcutsSection = QStringLiteral("Shortcuts");
static const QString CountValue = QStringLiteral("Count");
static const QString VersionValue = QStringLiteral("Version");
constexpr int CurrentVersion = 1;

// The browse window's options that belong to the list.
constexpr int FirstColumnWidthOption = 11;   // then 12 and 13
constexpr int ViewStyleOption = 14;

// The stored form's serial number is its first eight characters; a volume
// without one stores zeros, which never read back.
constexpr int SerialDigits = 8;
static const QString NoSerialNumber = QStringLiteral("00000000");

static QString numbered(const char *name, int index)
{
    return QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(index);
}

static QString folderText(const CPath &folder)
{
    if (folder.IsEmpty())
        return QStringLiteral("(%1)").arg(QLatin1String(VolumeNotMountedText));
    return folder.ToAnsiString();
}

// The serial number in a stored form; empty for a share or a mapped drive.
static QString volumeText(const CString &storedForm)
{
    const QString text = storedForm.ToAnsiString();
    return text.startsWith(u'*') ? QString() : text.left(SerialDigits);
}

// The folder's last component, or the whole path, standardised, for a root.
static QString captionOf(const CPath &folder)
{
    CPath trimmed = folder;
    if (trimmed.GetLength() > 3 && trimmed.GetAt(trimmed.GetLength() - 1) == '\\')
        trimmed = trimmed.Left(trimmed.GetLength() - 1);
    const CString last = trimmed.GetFilePart();
    if (!last.IsEmpty())
        return last.ToAnsiString();
    CString whole = folder;
    whole.MakeStandard();
    return whole.ToAnsiString();
}

// An old list's volume text that names a serial number: eight hex digits, not all 0.
static bool isSerialNumberText(const QString &text)
{
    bool parsed = false;
    const uint32_t serial = text.toUInt(&parsed, 16);
    return text.size() == SerialDigits && parsed && serial != 0;
}

// The stored form of an old list's shortcut: made from its folder, with the
// old volume's serial number where the folder's drive has none now. Empty
// when it cannot be converted.
static CPath convertedStoredForm(const QString &folder, const QString &volume)
{
    const CPath stored = VolumePathFromDrivePathNoSlash(CPath(CString(folder)));
    const QString text = stored.ToAnsiString();
    if (text.isEmpty() || !text.startsWith(NoSerialNumber))
        return stored;
    if (!isSerialNumberText(volume))
        return CPath();
    return CPath(CString(volume.toUpper() + text.mid(SerialDigits)));
}

TShortcutListView::TShortcutListView(QWidget *owner)
    : QTreeWidget(owner),
      m_window(std::make_unique<CMessageWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return handleMessage(message, wParam, lParam); }))
{
    setObjectName(QStringLiteral("ShortcutListView"));
    setColumnCount(ColumnCount);
    setHeaderLabels({QStringLiteral("Shortcut"), QStringLiteral("Folder"), QStringLiteral("Volume")});
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    SetViewStyle(vsSmallIcon);
    connect(this, &QTreeWidget::itemChanged, this, &TShortcutListView::captionChanged);
}

// The message window goes first, so that no posted message reaches a list
// that is half destroyed.
TShortcutListView::~TShortcutListView() = default;

void TShortcutListView::Initialise(const TOptions &options)
{
    for (int column = 0; column < ColumnCount; ++column)
        m_columnWidths[column] = options.GetInt(FirstColumnWidthOption + column);
    const int32_t style = options.GetInt(ViewStyleOption);
    SetViewStyle(style >= vsIcon && style <= vsReport ? TViewStyle(style) : vsSmallIcon);
    Load();
}

void TShortcutListView::SaveLayout(TOptions &options)
{
    keepColumnWidths();
    options.SetInt(ViewStyleOption, m_viewStyle);
    for (int column = 0; column < ColumnCount; ++column)
        options.SetInt(FirstColumnWidthOption + column, m_columnWidths[column]);
    Save();
}

// The icon styles show the captions only; the report shows the columns.
void TShortcutListView::SetViewStyle(TViewStyle style)
{
    keepColumnWidths();
    m_viewStyle = style;
    const bool report = style == vsReport;
    setHeaderHidden(!report);
    setColumnHidden(FolderColumn, !report);
    setColumnHidden(VolumeColumn, !report);
    if (report) {
        for (int column = 0; column < ColumnCount; ++column)
            setColumnWidth(column, m_columnWidths[column]);
    }
    const int iconSize = style == vsIcon ? 32 : 16;
    setIconSize(QSize(iconSize, iconSize));
}

// The widths the user gave the columns; hidden columns have none to give.
void TShortcutListView::keepColumnWidths()
{
    if (m_viewStyle != vsReport)
        return;
    for (int column = 0; column < ColumnCount; ++column)
        m_columnWidths[column] = columnWidth(column);
}

void TShortcutListView::Load()
{
    if (!SettingsStore)
        return;
    const TSafeRegIniFile &store = *SettingsStore;
    const bool oldFormat = store.ReadInteger(ShortcutsSection, VersionValue, 0) < CurrentVersion;
    const int32_t count = store.ReadInteger(ShortcutsSection, CountValue, 0);
    const char *folderName = oldFormat ? "Folder" : "VolPath";
    for (int32_t index = 1; index <= count; ++index) {
        const QString captionName = numbered("Caption", index);
        const QString folderValueName = numbered(folderName, index);
        // The count is not trusted: the list ends where its values do.
        if (!store.ValueExists(ShortcutsSection, captionName) || !store.ValueExists(ShortcutsSection, folderValueName))
            break;
        const QString caption = store.ReadString(ShortcutsSection, captionName, QString());
        const QString folder = store.ReadString(ShortcutsSection, folderValueName, QString());
        if (!oldFormat) {
            addRow(caption, CString(folder));
            continue;
        }
        const QString volume = store.ReadString(ShortcutsSection, numbered("Volume", index), QString());
        const CPath storedForm = convertedStoredForm(folder, volume);
        if (!storedForm.IsEmpty())
            addRow(caption, storedForm);
    }
}

void TShortcutListView::Reload()
{
    setDropTarget(nullptr);
    clear();
    Load();
}

void TShortcutListView::Save()
{
    if (!SettingsStore)
        return;
    TSafeRegIniFile &store = *SettingsStore;
    TSafeRegIniFile::Transaction transaction(store);
    store.EraseSection(ShortcutsSection);
    store.WriteInteger(ShortcutsSection, CountValue, topLevelItemCount());
    for (int index = 0; index < topLevelItemCount(); ++index) {
        const QTreeWidgetItem *row = topLevelItem(index);
        store.WriteString(ShortcutsSection, numbered("Caption", index + 1), row->text(CaptionColumn));
        store.WriteString(ShortcutsSection, numbered("VolPath", index + 1), StoredForm(row).ToAnsiString());
    }
    store.WriteInteger(ShortcutsSection, VersionValue, CurrentVersion);
    transaction.Commit();
}

bool TShortcutListView::AddShortcut(const CPath &folder)
{
    if (!folder.GetIsAbsolute())
        return false;
    const CPath storedForm = VolumePathFromDrivePathNoSlash(folder);
    if (storedForm.IsEmpty() || storedForm.ToAnsiString().startsWith(NoSerialNumber)) {
        ShowMessageBox(VolumeNotMountedText, ErrorBoxFlags);
        return false;
    }
    addRow(captionOf(folder), storedForm);
    Save();
    return true;
}

void TShortcutListView::DeleteSelectedShortcut()
{
    QTreeWidgetItem *row = selectedItems().value(0);
    if (!row)
        return;
    const CPath folder = DriveFolderFromVolumePath(StoredForm(row), false, false);
    const CString caption(row->text(CaptionColumn));
    CString question;
    if (folder.IsEmpty())
        question.Format("%s '%s' shortcut?", "Are you sure you want to delete the", caption.c_str());
    else
        question.Format("%s '%s' shortcut to\n%s?", "Are you sure you want to delete the", caption.c_str(),
                        folder.c_str());
    if (ShowMessageBox(question, QuestionBoxFlags) != IDYES)
        return;
    if (row == m_dropTarget)
        setDropTarget(nullptr);
    delete row;
    Save();
}

CPath TShortcutListView::GetSelectedFolder()
{
    QTreeWidgetItem *row = selectedItems().value(0);
    return row ? resolveFolder(row, true) : CPath();
}

void TShortcutListView::NotifyChanged()
{
    PostMessage(m_window->Handle(), UM_SHORTCUTS_CHANGED, 0, 0);
}

CString TShortcutListView::StoredForm(const QTreeWidgetItem *row)
{
    return CString(row->data(CaptionColumn, Qt::UserRole).toString());
}

LRESULT TShortcutListView::handleMessage(UINT message, WPARAM, LPARAM)
{
    if (message == UM_SHORTCUTS_CHANGED)
        UMShortcutsChanged();
    return 0;
}

// The edge of a caption edit: a list that cannot be saved is reported here,
// and the other windows keep what they show.
void TShortcutListView::UMShortcutsChanged()
{
    try {
        Save();
    } catch (const Exception &error) {
        ShowMessageBox(error.what(), ErrorBoxFlags);
        return;
    }
    Coordinator().ReloadShortcutLists(window());
}

void TShortcutListView::captionChanged(QTreeWidgetItem *, int column)
{
    if (column == CaptionColumn)
        NotifyChanged();
}

// Rows are made whole before they join the list, so that only a caption edit
// reports a change.
void TShortcutListView::addRow(const QString &caption, const CString &storedForm)
{
    auto *row = new QTreeWidgetItem;
    row->setText(CaptionColumn, caption);
    row->setData(CaptionColumn, Qt::UserRole, storedForm.ToAnsiString());
    row->setIcon(CaptionColumn, QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)));
    row->setText(FolderColumn, folderText(DriveFolderFromVolumePath(storedForm, false, false)));
    row->setText(VolumeColumn, volumeText(storedForm));
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    addTopLevelItem(row);
}

CPath TShortcutListView::resolveFolder(QTreeWidgetItem *row, bool ask)
{
    const CPath folder = DriveFolderFromVolumePath(StoredForm(row), ask, false);
    const QString shown = folderText(folder);
    if (row->text(FolderColumn) != shown)
        row->setText(FolderColumn, shown);
    return folder;
}

// Only the caption is edited in place, whichever cell was asked for.
bool TShortcutListView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    return QTreeWidget::edit(index.siblingAtColumn(CaptionColumn), trigger, event);
}

void TShortcutListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!m_dropTarget || itemFromIndex(index) != m_dropTarget) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem marked = option;
    marked.state |= QStyle::State_Selected;
    QTreeWidget::drawRow(painter, marked, index);
}

void TShortcutListView::setDropTarget(QTreeWidgetItem *row)
{
    if (row == m_dropTarget)
        return;
    m_dropTarget = row;
    viewport()->update();
}

// A drag of thumbnails is let in, so that its moves are seen; each move then
// says whether a drop may land there.
void TShortcutListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!TThumbnailDragObject::From(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TShortcutListView::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidgetItem *row = itemAt(event->position().toPoint());
    if (!row || !TThumbnailDragObject::From(event->mimeData())) {
        setDropTarget(nullptr);
        event->ignore();
        return;
    }
    setDropTarget(row);
    event->acceptProposedAction();
}

void TShortcutListView::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropTarget(nullptr);
    event->accept();
}

void TShortcutListView::dropEvent(QDropEvent *event)
{
    setDropTarget(nullptr);
    QTreeWidgetItem *row = itemAt(event->position().toPoint());
    if (!row || !TThumbnailDragObject::From(event->mimeData())) {
        event->ignore();
        return;
    }
    const CPath folder = resolveFolder(row, true);
    if (folder.IsEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    TThumbnailDragObject::From(event->mimeData())->MoveToFolder(folder);
}
