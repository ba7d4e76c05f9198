#pragma once

#include "ModalForm.h"

#include <Source/engine/FileHandler.h>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class THostPaintBox;

// Shows one image's properties and edits its memo.
class TPropertiesForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // The modal result of "&Skip": on to the next file.
    static constexpr int mrSkip = 5;

    TPropertiesForm1(QWidget *owner, const TImageHandler &file, bool moreFollow);

    // The properties dialog for file; "&Skip" is offered when more files
    // follow. Answers mrOk once the edited memo is stored (file's memo flag
    // then follows it), mrSkip, or mrCancel, on which callers stop their walk.
    static int ShowProperties(TImageHandler &file, bool moreFollow);

    QLineEdit *Edit;
    QLabel *DimensionsPanel;
    QLabel *SizePanel;
    QLabel *ModifiedPanel;
    THostPaintBox *PaintBox;
    QPlainTextEdit *Memo;
    QToolButton *OpenTool;
    QToolButton *ClearTool;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *SkipBtn;
    QPushButton *HelpBtn;

private:
    void MemoChange();
    void ClearToolClick();
    void OpenToolClick();
    // Stores the memo and closes with mrOk; a memo file that cannot be
    // written is reported and the dialog stays open with the edit.
    void OKBtnClick();

    TImageHandler m_file;
};
