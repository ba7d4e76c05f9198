#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QLabel;
class QLineEdit;
class QPushButton;
class TFolderSpecificOptions;

// Asked when the user leaves a folder whose thumbnails changed: save them,
// drop them, or save them now and from then on by themselves.
class TSaveQueryForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TSaveQueryForm1(QWidget *owner, const CPath &folder);

    // The question for the browse window: mrYes (Yes or Auto-Save), mrNo or
    // mrCancel. Window thread only; the option groups must exist.
    static int Ask(const CPath &folder);

    QLabel *Label1;         // owned by the dialog as Qt children
    QLineEdit *Edit;
    QPushButton *YesBtn;
    QPushButton *NoBtn;
    QPushButton *AutoSaveBtn;
    QPushButton *CancelBtn;

    // Turns AutoSave on for this folder alone, saves its options and answers Yes.
    void AutoSaveBtnClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFolderSpecificOptions *m_options;   // owned by the folder options cache; null without a stored form
};
