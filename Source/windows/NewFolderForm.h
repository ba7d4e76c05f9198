#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QTimer;
class THistoryComboBox;

// The name a new folder starts with.
inline constexpr char NewFolderName[] = "New Folder";

// "New Folder": makes a folder inside a parent folder. The name is typed
// alone or after the parent's path; a name that would lead anywhere else (a
// separator, a drive, a character Windows refuses) is an "Illegal Name".
// After OK the folder exists. Window thread.
class TNewFolderForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TNewFolderForm1(QWidget *owner, const CPath &parent);

    // The new folder dialog for parent: answers the folder it made, or an
    // empty path when it was cancelled.
    static CPath Ask(const CPath &parent);

    // The folder the text names; empty while it names none.
    const CPath &NewFolder() const { return m_newFolder; }

    QGroupBox *GroupBox;
    THistoryComboBox *Combo;
    QPushButton *BrowseBtn;
    QLineEdit *FolderEdit;
    QLabel *ErrorLabel;
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *DriveInfoButton;
    QTimer *Timer1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ComboChange();
    void OkButtonClick();
    void DriveInfoButtonClick();
    void Timer1Timer();

    // Where the name begins in text: after the parent's path and its
    // separator when text starts with them, else at once.
    int nameStart(const QString &text) const;

    CPath m_parent;
    CPath m_newFolder;   // empty while the text names no folder
};
