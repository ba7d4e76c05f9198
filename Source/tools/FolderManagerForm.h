#pragma once

#include "RegExport.h"

#include <Source/windows/ModalForm.h>
#include <lib/Path.h>
#include <lib/String.h>

#include <QIcon>
#include <QStringList>
#include <QTreeWidgetItem>

#include <vector>

class CThumbBitmap;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QTimer;
class QTreeWidget;
class QWidget;

// Lists items that may be deleted (browse files, settings sections) and asks
// whether to delete them all.
class TObsoleteItemsForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TObsoleteItemsForm1(QWidget *owner, const QString &heading, const QStringList &items);

    // Answers whether the user chose "&Delete All".
    static bool Confirm(const QString &heading, const QStringList &items);

    QLabel *HeadingLabel;
    QListWidget *ListBox;
    QPushButton *DeleteAllButton;
    QPushButton *SkipButton;
};

// Tidies the settings and browse files that the program keeps per folder:
// every folder known below "Folders" as a tree by volume. Window thread only.
class TFolderManagerForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // One tree node's state.
    struct CNodeData
    {
        CString key;          // the folder's stored form below "Folders"; empty for the root
        QString text;         // the node's first text
        bool scanned = false;
        bool deleted = false;
    };

    // A tree node with its data, deleted with it.
    class TFolderNode : public QTreeWidgetItem
    {
    public:
        explicit TFolderNode(CNodeData data) : Data(std::move(data)) {}
        // Alphabetical, without regard to case.
        bool operator<(const QTreeWidgetItem &other) const override;
        CNodeData Data;
    };

    // folder: the folder whose options "&Copy From..." copies.
    TFolderManagerForm1(QWidget *owner, const CPath &folder);
    ~TFolderManagerForm1() override;

    // The dialog, opened for folder; answers whether the user pressed OK.
    static bool Show(const CPath &folder);

    QTreeWidget *TreeView;
    QLabel *HelpLabel;
    QLabel *FolderLabel;       // the folder of "&Copy From..."
    QLabel *BrowseFileLabel;
    QLabel *BrowseFileBox;     // the browse file's path and size
    QWidget *PaintBox1;        // the browse file's first thumbnail
    QLabel *StatusBar;
    QPushButton *ScanButton;
    QPushButton *SortButton;
    QPushButton *MoveButton;
    QPushButton *DeleteButton;
    QPushButton *DriveInfoButton;
    QPushButton *CopyFromButton;
    QPushButton *ResetButton;
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;
    QMenu *PopupMenu1;
    QAction *ScanBranch1;
    QAction *SortTree1;
    QAction *AsDeleted1;
    QAction *AsNotScanned1;
    QAction *FullExpand1;
    QAction *FullCollapse1;
    QTimer *ScanTimer;
    QTimer *UpdateTimer;

    TFolderNode *Root() const;
    // The selected node, or null.
    TFolderNode *SelectedNode() const;
    // The first record of the selected node's browse file, or null.
    CThumbBitmap *PreviewRecord() const { return m_record; }
    bool IsScanning() const;

    void ScanBranch1Click();
    void SortTree1Click();
    void AsDeleted1Click();
    void AsNotScanned1Click();
    void MoveButtonClick();
    void DeleteButtonClick();
    void DriveInfoButtonClick();
    void CopyFromButtonClick();
    void ResetButtonClick();
    void OkButtonClick();
    void FullExpand1Click();
    void FullCollapse1Click();
    // Updates the settings and deletes what the user confirms, for the
    // nodes marked deleted.
    void Apply();

private:
    void FormCreate();
    void TreeViewChange();
    void ScanTimerTimer();
    void UpdateTimerTimer();
    void PaintBox1Paint();
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Marks node scanned or deleted by whether its folder exists; false when
    // its volume is not mounted, which leaves it unmarked.
    bool ScanNode(TFolderNode *node);
    void markScanned(TFolderNode *node, const CPath &folder);
    void markDeleted(TFolderNode *node);
    void markNotScanned(TFolderNode *node);
    void showBrowseFile(TFolderNode *node);
    void releaseRecord();
    // The nodes of the selected branch below the root, in tree order.
    std::vector<TFolderNode *> branchNodes() const;
    // Copies or resets the options of every folder of the branch.
    void changeBranchOptions(bool reset);

    // The nodes' images, made once and shared by every node: an image made
    // for each node would hold its own pixmaps.
    struct TNodeImages
    {
        QIcon root, notScanned, volume, folder, deleted;
    };
    TNodeImages m_images;
    CPath m_folder;
    CThumbBitmap *m_record = nullptr;   // one reference
    TFolderNode *m_scanNode = nullptr;  // the next node to scan
    TFolderNode *m_scanEnd = nullptr;   // the node after the branch, or null
    bool m_scanning = false;
    bool m_modified = false;
};

// The walk of "Folders" into the folder manager's tree: one node per key,
// under its volume, except keys whose last component begins with "*".
class CRegExportForFolderManager : public CRegExport
{
public:
    // Each node added shows notScanned.
    CRegExportForFolderManager(TFolderManagerForm1::TFolderNode *root, const QIcon &notScanned)
        : m_notScanned(notScanned), m_levels{root}
    {
    }

protected:
    void BeginKey(const QString &keyPath, int depth) override;

private:
    QIcon m_notScanned;
    // The last node added at each level; the root at level 0.
    std::vector<TFolderManagerForm1::TFolderNode *> m_levels;
    qint64 m_lastPaint = 0;
};
