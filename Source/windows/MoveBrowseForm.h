#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QGroupBox;
class QLineEdit;
class QPushButton;

// Moves a folder's browse file into the central browse-file folder. Needs the
// program's globals.
class TMoveBrowseForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TMoveBrowseForm1(QWidget *owner, const CPath &folder);

    // The dialog for the browse window: answers whether the browse file was
    // moved. Window thread only.
    static bool ShowFor(const CPath &folder);

    QGroupBox *GroupBox1;      // owned by the dialog as Qt children
    QLineEdit *OldEdit;
    QGroupBox *GroupBox2;
    QLineEdit *NewEdit;
    QPushButton *MoveBtn;
    QPushButton *CancelBtn;
    QPushButton *BrowseBtn;
    QPushButton *DriveInfoBtn;

    void NewEditChange();
    // Keeps the new folder as "Move Browse Folder" and moves the browse file
    // there; stays open when the folder is refused or the move fails.
    void MoveBtnClick();
    void BrowseBtnClick();
    void DriveInfoBtnClick();

private:
    CPath m_folder;
};
