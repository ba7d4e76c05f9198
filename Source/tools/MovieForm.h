#pragma once

#include <Source/windows/ModalForm.h>
#include <lib/Path.h>
#include <lib/String.h>

#include <cstdint>

class CMovieFrames;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class THistoryComboBox;
class TMediaWindow;

// The movie's file and settings: its name (with a history), thumbnails or
// images as frames, compression through a temporary folder, the comment and
// the rate; with an estimate of the space the frames need, while a sample
// movie plays. Save stores the settings in the Movie option group. Window
// thread.
class TMovieForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TMovieForm1(QWidget *owner, const CMovieFrames &frames);
    ~TMovieForm1() override;

    // On Save answers true with target set to the movie's file, the settings
    // stored.
    static bool Choose(const CMovieFrames &frames, CPath &target);

    // The movie's file as typed, trimmed.
    CPath Target() const;
    // The estimate so far, in bytes, and the next frame it takes (-1 once
    // every frame is counted).
    uint64_t Estimate() const { return m_estimate; }
    int EstimateIndex() const { return m_estimateIndex; }

    // One step of the space check of the temporary folder: the status text,
    // bold on a problem, and the sign while compressing.
    void CheckMovieTarget();
    // The timer's tick: the controls' states, four space-check steps, the
    // sample movie played again when it ended.
    void TimerTick();

    QGroupBox *FileGroup;
    THistoryComboBox *FileCombo;
    QPushButton *BrowseButton;
    QGroupBox *SourceGroup;
    QRadioButton *ThumbsRadio;
    QRadioButton *ImagesRadio;
    QCheckBox *CompressCheck;
    QGroupBox *TempGroup;
    QLineEdit *TempEdit;
    QPushButton *TempButton;
    QLabel *TempStatus;
    QLabel *StatusSign;
    QLabel *CommentLabel;
    QLineEdit *CommentEdit;
    QLabel *RateLabel;
    QLineEdit *RateEdit;
    QFrame *PreviewPanel;
    TMediaWindow *Preview;
    QPushButton *SaveButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;
    QTimer *Timer;

private:
    void BrowseButtonClick();
    void TempButtonClick();
    void TempEditChange();
    void SourceChange();
    void SaveButtonClick();
    bool SaveEnabled() const;

    const CMovieFrames &m_frames;
    uint64_t m_estimate = 0;
    int m_estimateIndex = 0;
    // What the temporary folder's text names, as its change found it.
    bool m_tempAbsolute = false;
    bool m_tempExists = false;
    bool m_tempWriteProtected = false;
};
