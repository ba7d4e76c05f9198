#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class TImageHandler;

// "Confirm Deletion": asks before one file, or one folder with all its
// contents, is deleted. Answers mrYes (Delete), mrNo (Skip) or mrCancel.
// Window thread.
class TDeleteForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // For a file: file is the caller's, kept for the preview and Open Image,
    // and must outlive the dialog. For a folder: file is null.
    TDeleteForm1(QWidget *owner, const CPath &path, const TImageHandler *file, bool canSkip);

    QLabel *Label1;
    QLineEdit *Edit;
    QLabel *ContentsLabel;
    QFrame *Panel1;
    QCheckBox *AgainCheckBox;
    QToolButton *OpenButton;
    QPushButton *DeleteButton;
    QPushButton *SkipButton;
    QPushButton *CancelButton;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void DeleteButtonClick();
    void SkipButtonClick();
    void OpenButtonClick();
    void turnOffConfirmationWhenAsked();

    const TImageHandler *m_file;   // null for a folder
};

// Asks before file is deleted, offering Skip when more files follow. With the
// General option "Confirm Deletes" off, answers IDYES without asking.
// Answers IDYES, IDNO or IDCANCEL. What the transfers' ConfirmDeleteFiles
// hook answers.
int ConfirmDeleteFiles(TImageHandler &file, bool moreFollow);
// Asks before folder is deleted with all its contents: always, whatever
// "Confirm Deletes" says, since a whole tree goes at once. Answers IDYES or
// IDCANCEL.
int ConfirmDeleteFolder(const CPath &folder);
