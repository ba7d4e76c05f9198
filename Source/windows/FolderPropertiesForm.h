#pragma once

#include "ModalForm.h"

#include <lib/Path.h>
#include <platform/FileFind.h>
#include <platform/StringList.h>

#include <cstdint>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

// Counts a folder's files and images while the user edits the folder's two
// memos, the standard one and the one HTML pages show.
class TFolderPropertiesForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // Directory entries that one tick of Timer1 counts: enough to count a big
    // folder in moments, few enough that the window never stalls.
    static constexpr int CountBatch = 250;
    static constexpr int CountIntervalMs = 10;

    TFolderPropertiesForm1(QWidget *owner, const CPath &folder);
    ~TFolderPropertiesForm1() override;

    // The folder properties dialog for folder showing the memo of memoType
    // (0 standard, 1 HTML). Answers mrOk once the changed memos are stored,
    // or mrCancel.
    static int ShowFolderProperties(const CPath &folder, int memoType);

    // 0 standard, 1 HTML: selects the radio item and shows that memo field;
    // the field gets the focus once the dialog is shown.
    void SetMemoType(int memoType);

    QLabel *FileLabel;
    QLabel *ImageLabel;
    QGroupBox *RadioGroup;
    QRadioButton *StandardRadio;
    QRadioButton *HTMLRadio;
    QPlainTextEdit *StdMemo;
    QPlainTextEdit *HTMLMemo;
    QToolButton *ClearTool;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *HelpBtn;
    QPushButton *DriveInfoBtn;
    QTimer *Timer1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Counts the next batch of entries; stops the timer after the last.
    void Timer1Timer();
    void RadioGroupClick(int memoType);
    void MemoChange();
    void ClearToolClick();
    void DriveInfoBtnClick();
    // Stores each memo that changed and closes with mrOk; a memo file that
    // cannot be written is reported and the dialog stays open.
    void OKBtnClick();

    // The next entry of the folder's listing, which the first call starts;
    // false when there is none left.
    bool nextEntry(WIN32_FIND_DATAA &entry);
    void countEntry(const WIN32_FIND_DATAA &entry);
    void showCounts();
    QPlainTextEdit *shownMemo() const;

    CPath m_folder;
    int m_memoType = 0;
    QButtonGroup *m_memoTypes;
    TStringList m_stdLines;    // the standard memo as last stored
    TStringList m_htmlLines;   // the HTML memo as last stored
    HANDLE m_find = INVALID_HANDLE_VALUE;   // open while entries are left
    bool m_findStarted = false;
    int m_fileCount = 0;
    int m_imageCount = 0;
    uint64_t m_fileBytes = 0;
    uint64_t m_imageBytes = 0;
};
