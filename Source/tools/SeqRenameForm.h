#pragma once

#include <Source/windows/ModalForm.h>
#include <lib/Options.h>
#include <lib/Path.h>
#include <lib/String.h>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class QTreeWidget;
class ToolBrowser;

// The temporary prefix of the first of the two renames.
inline constexpr char TempRenamePrefix[] = "Zilo$";

// The running names of a sequential rename: prefix, then the counter padded
// with zeros to at least width digits, then the old name's extension.
class CSeqPath
{
public:
    // prefix is trimmed of blanks at both ends.
    CSeqPath(const CString &prefix, int start, int width);

    // The next new name for a file called oldName (its extension from the
    // last dot, lower-cased when asked); the counter then grows by one.
    CString NextName(const CString &oldName, bool lowerCaseExtension);

    const CString &Prefix() const { return m_prefix; }

private:
    int m_counter;
    int m_width;
    CString m_prefix;
};

// Whether prefix may begin a file name in the folder: no folder separator,
// drive colon, wildcard or other character that a name may not hold, so that
// no new name leads out of the folder or fails half-way.
bool IsAcceptablePrefix(const CString &prefix);

// The bucket of a name in the name table: its characters, lower-cased
// (ASCII) and taken as 0..255, summed modulo 255.
int NameBucket(const CString &name);

// The current names of the selected files, looked up without case.
class CSeqNameTable
{
public:
    void Add(const CString &name);
    bool IsNameTaken(const CString &name) const;

private:
    std::array<std::vector<CString>, 255> m_buckets;
};

// Renames the thumbnails selected in one browse window to a prefix and a
// running number, keeping each file's extension, in two phases through
// temporary names so that a selection can be renumbered in place. Window
// thread only.
class TSeqRenameForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // files: the selection's full paths, in selection order, all in one folder.
    TSeqRenameForm1(QWidget *owner, std::vector<CPath> files);
    ~TSeqRenameForm1() override;

    // The dialog for the browse window's selection. After it closes, every
    // browse window on the folder updates once, when any file was renamed.
    // Answers whether the selection was renamed.
    static bool Show(ToolBrowser &browser);

    // Fills the preview and answers whether "&Rename All" may run: no new
    // name collides, no temporary name is taken, the prefix is acceptable
    // and the folder may be written.
    bool ValidateSequence();

    // Whether any file was renamed while the dialog was open (even when a
    // failed run gave the files their old names back).
    bool AnyRenamed() const { return m_anyRenamed; }

    QLineEdit *PrefixEdit;
    QSpinBox *StartEdit;
    QSpinBox *WidthEdit;
    QCheckBox *LowercaseBox;
    QTreeWidget *ListView;
    QLabel *SelectionLabel;
    QLabel *ErrorLabel;
    QLabel *PhaseLabel;
    QLabel *ProgressLabel;
    QProgressBar *ProgressBar;
    QPushButton *RenameButton;
    QPushButton *CloseButton;
    QPushButton *HelpButton;
    QToolButton *OpenTool;
    QMenu *PopupMenu1;
    QAction *Open1;
    QTimer *Timer1;

    enum OptionId { WindowX, WindowY, Prefix, FieldWidth, StartAt, LowercaseExtension };
    TOptionsReg Options;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void FormShow();
    void FormHide();
    void AnyChange();
    void Timer1Timer();
    void RenameButtonClick();
    void OpenToolClick();
    void ListViewChange();

    CSeqPath makeSeqPath() const;
    void setEditing(bool enabled);
    // One phase's progress line, painted now and then so that a long run shows.
    void showProgress(int index, const CString &from, const CString &to);
    // Both phases; false when a rename failed, after giving every renamed
    // file its old name back (as far as it could) and telling the user.
    bool renameAll();

    std::vector<CPath> m_files;
    CPath m_folder;
    CSeqNameTable m_names;
    bool m_shown = false;
    bool m_anyRenamed = false;
    qint64 m_lastPaint = 0;
};
