#pragma once

#include "ModalForm.h"

#include <lib/Path.h>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TStrings;

// Asks, during a copy or move, whether the destination image's memo gives
// way to the source's when the two differ.
class TMemoReplaceForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // How long the replaced memo shows before the dialog closes.
    static constexpr int ReplacedPauseMs = 300;

    TMemoReplaceForm1(QWidget *owner, const CPath &destination, const TStrings &sourceLines,
                      const TStrings &destLines);

    // The memo replacement dialog for a file copied or moved onto
    // destination. True for "&Replace it"; false for "&Keep it", Escape and
    // the close box. The caller stores the memo.
    static bool ConfirmMemoReplacement(const CPath &destination, const TStrings &sourceLines,
                                       const TStrings &destLines);

    QLabel *FileLabel;
    QPlainTextEdit *Memo1;
    QPlainTextEdit *Memo2;
    QPushButton *ReplaceBtn;
    QPushButton *KeepBtn;

    // Once Replace was chosen the answer stands: Escape no longer keeps.
    void reject() override;

private:
    // Shows the source lines in the destination's field, and closes with
    // mrOk after ReplacedPauseMs, with the buttons disabled meanwhile.
    void ReplaceBtnClick();

    QTimer *m_pause;
};
