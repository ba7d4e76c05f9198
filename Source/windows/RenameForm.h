#pragma once

#include "ModalForm.h"

#include <Source/engine/FileHandler.h>
#include <lib/Path.h>
#include <lib/String.h>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class THostPaintBox;

// The rename rules for a new name of the file at oldPath, within its folder:
// typed is the text the user typed and newFileName the name it makes. The
// first rule broken gives its message (empty for none; a warning may come
// with a rename that may go ahead). Answers whether the rename may go ahead.
bool CheckNewFileName(const CPath &oldPath, const QString &typed, const CString &newFileName, QString &message);

// Asks for a new name of one file and renames it. The extension is kept
// apart: the user types the name without it.
class TRenameForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TRenameForm1(QWidget *owner, const TImageHandler &file);

    // The rename dialog for file. OK renames it with TFileHandler::Rename, so
    // that file then holds the new path. Answers whether the user confirmed
    // and the file has the name confirmed (an unchanged name is not renamed);
    // false for Cancel and for a rename that failed, which was reported.
    static bool ShowRenameDialog(TImageHandler &file);

    // The typed name followed by the kept extension.
    CString NewFileName() const;

    QLineEdit *OldEdit;
    QLineEdit *NewNameEdit;
    QLineEdit *NewEdit;
    QLabel *ErrorLabel;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *HelpBtn;
    QToolButton *OpenTool;
    THostPaintBox *PaintBox;

    // Shown, the new name has the focus with the caret at its end.
    void setVisible(bool visible) override;

private:
    void NewNameEditChange();
    void OpenToolClick();

    TImageHandler m_file;
    CString m_extension;   // with its dot; empty for a name without one
};
