#pragma once

#include "ModalForm.h"

#include <Source/engine/WindowHooks.h>
#include <lib/Path.h>
#include <lib/String.h>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class THistoryComboBox;
class TStrings;

// The target folder of a copy or move: a folder typed or taken from the
// recent targets, with an estimate of whether the files fit on its drive. OK
// creates the folder when it is missing. Window thread.
class TTargetForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // request.files must outlive the dialog; startFolder, when not empty,
    // takes the place of the last target.
    TTargetForm1(QWidget *owner, const TargetFolderRequest &request, const CPath &startFolder);

    // The target folder dialog for request, starting at folder (empty: the
    // last target). On OK answers true with folder set to the chosen one,
    // which then exists. What the transfers' ChooseTargetFolder hook answers.
    static bool Choose(const TargetFolderRequest &request, CPath &folder);

    // The folder as typed.
    CPath Folder() const;

    QGroupBox *GroupBox;
    THistoryComboBox *Combo;
    QPushButton *BrowseBtn;
    QLabel *TargetIcon;
    QLabel *DriveLabel;
    QLabel *ShareLabel;
    QPlainTextEdit *SizeMemo;
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;
    QPushButton *DriveInfoButton;

private:
    void ComboChange();
    void OkButtonClick();
    void DriveInfoButtonClick();
    void EstimateSpace();

    const TStrings *m_files;   // the caller's; may be null
    bool m_copy;
    CString m_okCaption;       // the OK button's own caption
};
