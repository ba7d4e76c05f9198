#pragma once

#include <lib/Path.h>
#include <platform/Messages.h>

#include <QTreeWidget>

#include <memory>

class TOptions;

// The class library's list view styles, in the order option 14 stores them.
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// The browse window's list of folder shortcuts, kept in the settings store's
// section "Shortcuts" and shared by every browse window. A row's caption is
// edited in place; its folder is stored in its stored form (VolumePath), so a
// shortcut to a disc finds the disc in any drive. Thumbnails dropped on a row
// move into its folder. Window thread only.
//
// Section "Shortcuts":
//   "Count"        integer  the number of shortcuts
//   "Caption %d"   text     caption of shortcut i, i from 1
//   "VolPath %d"   text     stored form of shortcut i's folder
//   "Version"      integer  1
// Older lists (no "Version", or 0) hold "Folder %d" (a drive path) and
// "Volume %d" (eight hex digits, "Shared", "Network" or "Mapped") in place of
// "VolPath %d"; they are converted when read and written back in the current
// form by the next save.
class TShortcutListView : public QTreeWidget
{
    Q_OBJECT

public:
    // The columns, in order.
    enum Column { CaptionColumn, FolderColumn, VolumeColumn, ColumnCount };

    explicit TShortcutListView(QWidget *owner);
    ~TShortcutListView() override;
    using QTreeWidget::edit;

    // Takes the column widths (options 11 to 13) and the view style (option
    // 14) from the browse window's options, then loads the shortcuts.
    void Initialise(const TOptions &options);
    // Stores the view style and the column widths in the options, then Save.
    void SaveLayout(TOptions &options);

    // Adds one row per stored shortcut, up to the stored "Count" or the first
    // shortcut whose values are missing, whichever comes first. Old-format
    // shortcuts that cannot be converted are skipped. Load and Save do
    // nothing before the settings store exists.
    void Load();
    // Empties the list and loads it again.
    void Reload();
    // Replaces the section with the rows in list order, in one registry
    // transaction. Raises ERegistryException when the store refuses; the
    // section then stays as it was.
    void Save();

    // Adds a shortcut to an absolute folder and saves the list; answers
    // whether one was added. A folder on a volume without a serial number is
    // refused with the error "Volume is not mounted". Raises as Save does.
    bool AddShortcut(const CPath &folder);
    // Asks whether the selected shortcut may go; Yes deletes it and saves the
    // list. Raises as Save does.
    void DeleteSelectedShortcut();
    // Whether a shortcut is selected: the commands on one are greyed without.
    bool HasSelection() const { return !selectedItems().isEmpty(); }
    // The folder of the selected shortcut, asking for its volume when it is
    // missing; empty when nothing is selected or the volume is not supplied.
    CPath GetSelectedFolder();

    // Posts UM_SHORTCUTS_CHANGED to the list, so that the list is saved once
    // a caption edit has finished.
    void NotifyChanged();

    TViewStyle ViewStyle() const { return m_viewStyle; }
    void SetViewStyle(TViewStyle style);
    // The row marked as the target of a drag of thumbnails, or null.
    QTreeWidgetItem *DropTarget() const { return m_dropTarget; }
    // The stored form of a row's folder.
    static CString StoredForm(const QTreeWidgetItem *row);

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void UMShortcutsChanged();
    void captionChanged(QTreeWidgetItem *row, int column);
    void addRow(const QString &caption, const CString &storedForm);
    // The row's folder, asking for its volume when ask is set; its folder
    // cell shows the answer afterwards.
    CPath resolveFolder(QTreeWidgetItem *row, bool ask);
    void setDropTarget(QTreeWidgetItem *row);
    void keepColumnWidths();

    std::unique_ptr<CMessageWindow> m_window;   // the target of UM_SHORTCUTS_CHANGED
    TViewStyle m_viewStyle = vsSmallIcon;
    int m_columnWidths[ColumnCount] = {70, 100, 100};   // kept while the columns are hidden
    QTreeWidgetItem *m_dropTarget = nullptr;            // a row of the list, or null
};
