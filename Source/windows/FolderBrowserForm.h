#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QLabel;
class QPushButton;
class TDirectoryTreeView;

// The browse-for-folder dialog of every "&Browse..." button: a folder tree,
// the chosen folder, OK and Cancel. It keeps its place and size in the
// settings section "Folder Browser". A modal dialog in the chain, so that it
// stays above the dialog it was opened from.
class TFolderBrowserForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TFolderBrowserForm1(QWidget *owner, const CPath &startFolder);

    // Runs the dialog from folder; on OK answers true with folder set to the
    // choice. Window thread only; the program's globals must exist. A failing
    // write of the window's place raises.
    static bool Browse(CPath &folder);

    // Whether OK may take path: a share ("\\...") or a path from a drive root
    // ("C:\...").
    static bool IsValidFolder(const CPath &path);

    // Shows path and enables OK for a valid folder; moves the tree to it
    // unless the tree itself reported it.
    void SetFolder(const CPath &path);
    const CPath &Folder() const { return m_folder; }

    TDirectoryTreeView *DirTreeView;   // owned by the dialog as Qt children
    QLabel *Label1;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;

    void DirTreeViewChange(const QString &path);
    void DirTreeViewDblClick();

private:
    void readPlacement();
    void writePlacement() const;

    CPath m_folder;
    bool m_fromTree = false;   // while the tree reports its own folder
};
