#pragma once

#include <platform/Namespace.h>
#include <platform/Types.h>

#include <QString>

class QMimeData;
#include <QTreeWidget>

#include <cstdint>

// The shell's object kinds that decide which items the tree shows: an item is
// shown when any of its attributes belongs to a kind in the set.
enum TShellObjectType { otFolders, otFileSystem, otFileSystemAncestors, otHasSubFolders };
using TShellObjectTypes = uint8_t;   // bit (1 << TShellObjectType)

constexpr TShellObjectTypes ShellObjectTypeBit(TShellObjectType type)
{
    return TShellObjectTypes(1u << type);
}

// A tree of the shell's namespace (platform/Namespace.h): the desktop at the
// root, then the computer with its drives and their folders, and the network.
// A folder is listed only when its node is first expanded. Selecting a node
// asks OnDirOpening first and reports OnDirOpened after; a node without a
// file-system path is refused unless non-file-system selection is allowed.
// Window thread only.
class TDirectoryTreeView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TDirectoryTreeView(QWidget *parent = nullptr);

    // Selects the folder of a Windows path, expanding the nodes above it. An
    // empty path selects the desktop; a path inside the desktop folder is
    // found under the desktop node. A path that does not lead to an item
    // leaves the selection as it is.
    void SetDirectory(const QString &path);
    // The selected node's Windows path; empty when none is selected.
    QString GetDirectory() const { return GetSelectedPath(SHGDN_FORPARSING); }
    // In the form flags ask (SHGDN_NORMAL or SHGDN_FORPARSING).
    QString GetSelectedPath(DWORD flags) const;
    // The root (the desktop) gives an empty path in either form.
    QString GetPathForNode(QTreeWidgetItem *node, DWORD flags) const;
    // The node under a drag that OnDragOver accepted; empty when none.
    QString GetDropTargetPath() const;
    // The name the user reads for a path: "Label (C:)" for a drive root, the
    // folder's name otherwise; empty for a path that does not parse.
    static QString GetFancyDriveName(const QString &path);

    bool ShowHidden() const { return m_showHidden; }
    bool EnableFloppyA() const { return m_enableFloppyA; }
    bool EnableFloppyB() const { return m_enableFloppyB; }
    TShellObjectTypes ObjectTypes() const { return m_objectTypes; }
    // Each rebuilds the tree when the value changes, keeping the selection
    // without an OnDirOpened.
    void SetShowHidden(bool value);
    void SetEnableFloppyA(bool value);
    void SetEnableFloppyB(bool value);
    void SetObjectTypes(TShellObjectTypes value);
    void Rebuild() { RecreateWndSafe(); }

    bool AllowEditing() const { return m_allowEditing; }
    // Lets the user edit a node's label in place; nothing is renamed.
    void SetAllowEditing(bool value);
    bool AllowNonFileSystemSelection() const { return m_allowNonFileSystemSelection; }
    void SetAllowNonFileSystemSelection(bool value) { m_allowNonFileSystemSelection = value; }
    // False while the tree is being filled.
    bool Filled() const { return m_filled; }

    // The child of node that stands for item; null when none.
    QTreeWidgetItem *FindChildNode(QTreeWidgetItem *node, const ShellItem &item) const;
    // The item a node stands for; null for a node of another tree.
    static const ShellItem *ItemOfNode(const QTreeWidgetItem *node);
    // Forgets the icons looked up in the desktop's theme, for a theme change.
    static void ClearIconCache();

signals:
    // Before the selection moves to node; a handler may refuse by clearing
    // allow. Direct connections only.
    void OnDirOpening(const QString &path, bool &allow, QTreeWidgetItem *node);
    // After the selection has moved to node.
    void OnDirOpened(const QString &path, QTreeWidgetItem *node);
    // A drag moves over the tree, whose drop target is the node under it
    // (GetDropTargetPath); a handler accepts the drop there by setting accept.
    // Nothing is accepted without a handler. Direct connections only.
    void OnDragOver(const QMimeData *data, bool &accept);
    // The drag was dropped on the drop target that OnDragOver accepted.
    void OnDragDrop(const QMimeData *data);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event = nullptr) const override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Scrolls the selected node into view from the top.
    void revealSelection();
    void Fill();
    void RecreateWndSafe();
    void setAndRebuild(bool &field, bool value);
    DWORD attrMask() const;
    // Null when the item is filtered out.
    QTreeWidgetItem *AddChildNode(ShellItem item) const;
    void ExpandNode(QTreeWidgetItem *node);
    // Lists node's folder again, its branch below it closed.
    void RelistNode(QTreeWidgetItem *node);
    bool allowsSelection(QTreeWidgetItem *node);
    QTreeWidgetItem *selectedNode() const;
    void selectionChanged();
    void setDropTarget(QTreeWidgetItem *node);
    void dragOver(QDropEvent *event);

    bool m_showHidden = false;
    bool m_enableFloppyA = false;
    bool m_enableFloppyB = false;
    bool m_allowEditing = false;
    bool m_allowNonFileSystemSelection = false;
    bool m_filled = false;
    bool m_reportOpened = true;                        // off while a rebuild restores the selection
    bool m_revealPending = false;                      // SetDirectory ran before the tree was shown
    TShellObjectTypes m_objectTypes = ShellObjectTypeBit(otFolders);
    QTreeWidgetItem *m_openNode = nullptr;             // the node showing its open icon
    QTreeWidgetItem *m_dropTarget = nullptr;           // the node under a drag
};
