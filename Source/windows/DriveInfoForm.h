#pragma once

#include "ModalForm.h"

#include <lib/Path.h>
#include <lib/String.h>

#include <QColor>
#include <QStringList>

#include <cstdint>

class CDrive;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QToolButton;
class QPushButton;

// The drive information dialog: type, status, label, serial number, space and
// cluster figures of one drive, with a pie of its used and free space. Needs
// the program's globals (the drive table and the Program options).
class TDriveInfoForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // path: a drive or folder whose drive is selected, a share whose drive
    // letter is selected, or empty. Under a wait cursor.
    TDriveInfoForm1(QWidget *owner, const CPath &path);

    // The dialog for a drive ("C:") or a share ("\\server\share"), as the
    // engine asks for it. Window thread only.
    static void ShowFor(const CPath &driveOrShare);

    // "Empty", "Full", "N% full" with N kept within 1 to 99 for a drive that
    // is neither; empty for a capacity of 0.
    static CString PercentText(uint64_t used, uint64_t capacity);
    // The memo's 13 lines for drive; lines 2 to 12 are empty for a drive that
    // is not available.
    static QStringList InfoLines(const CDrive &drive, bool writeProtected);

    QComboBox *DriveCombo;        // owned by the dialog as Qt children
    QPlainTextEdit *Memo;
    QWidget *PiePaintBox;
    QLabel *PercentLabel;
    QLabel *UsedSpaceLabel;
    QLabel *FreeSpaceLabel;
    QLabel *CapacityLabel;
    QFrame *UsedPanel;
    QFrame *FreePanel;
    QToolButton *CopyBtn;
    QToolButton *OpenFolderBtn;
    QToolButton *UpdateBtn;
    QLabel *IconLocal;
    QLabel *IconRemote;
    QLabel *IconRemovable;
    QLabel *IconCDROM;
    QLabel *IconRAM;
    QLabel *IconFloppy;
    QPushButton *CloseBtn;

    void DriveComboChange();
    void UpdateBtnClick();
    void CopyBtnClick();
    void OpenFolderBtnClick();
    // Asks for a new colour for panel, starting at its own.
    void ChooseColour(QFrame *panel);
    // The default colour of panel: blue for used space, magenta for free.
    void DefaultColour(QFrame *panel);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFrame *makeColourPanel(const char *name);
    QLabel *makeDriveIcon(const char *name, const char *themeName, int standardPixmap);
    void setPanelColour(QFrame *panel, const QColor &colour);
    char selectedLetter() const;
    void fillInfo();
    void paintPie();

    QColor m_usedColour;
    QColor m_freeColour;
    uint64_t m_used = 0;          // of the drive shown, in bytes
    uint64_t m_capacity = 0;
};
