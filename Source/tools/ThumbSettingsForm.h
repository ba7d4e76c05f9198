#pragma once

#include "ThumbSettingsLink.h"

#include <Source/engine/Thumbnail.h>

#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;
class THistoryComboBox;
class TNewScrollBox;
class TOptionsReg;
class TThumbSettingsForm1;
struct PreviewState;

// An up-down control: two arrow buttons that step a position within a range
// and write it into their buddy edit, as the typed text is read back from it.
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    TUpDown(QWidget *parent, QLineEdit *buddy, int minimum, int maximum);

    int Position() const { return m_position; }
    // Clamps to the range; the buddy is not written.
    void SetPosition(int position);
    int Min() const { return m_minimum; }
    int Max() const { return m_maximum; }

    QToolButton *UpButton;
    QToolButton *DownButton;

private:
    void step(int delta);

    QLineEdit *m_buddy;
    int m_minimum;
    int m_maximum;
    int m_position;
};

// One sample thumbnail of the appearance window: the shared preview picture
// between a raised and a sunken edge, with the label under it when labels are
// on. Window thread only.
class TPreviewThumb : public QWidget, public TThumbSkeleton
{
    Q_OBJECT

public:
    explicit TPreviewThumb(QWidget *parent);
    ~TPreviewThumb() override;

    // Sizes the control for the shared preview and places it at (left, top).
    void Place(int left, int top);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::shared_ptr<PreviewState> m_state;   // shared by every preview
};

// "Thumbnail Appearance": a folder's thumbnail size, spacing, sharpness,
// draft quality and label pattern, with sixteen sample thumbnails of the
// program folder's "Preview.jpg" rebuilt 350 ms after the last change. A
// non-modal window over its owner (the preferences), which the owner shows
// and hides; closing it hides it, and it refuses to close while a field is
// out of range. Window thread only.
class TThumbSettingsForm1 : public QWidget, public ThumbSettingsPanel
{
    Q_OBJECT

public:
    // The fields' ranges: the engine refuses larger stored sizes.
    static constexpr int MinSize = 16;
    static constexpr int MaxSize = 400;
    static constexpr int MaxSpacing = 50;
    static constexpr int MaxSharpness = 100;
    // The colour of a field whose text is no value within its range.
    static constexpr uint32_t InvalidFieldColour = 13158655;   // 0x00BBGGRR light red
    static constexpr int PreviewDelayMs = 350;

    // caption: the window's title, such as "Thumbnail Appearance for C:\Pics".
    TThumbSettingsForm1(QWidget *owner, const QString &caption);
    ~TThumbSettingsForm1() override;

    QWidget *Window() override { return this; }

    // Whether every field holds a number within its range; "&Close" is
    // enabled only while it does. While it does not, the getters answer the
    // last valid values.
    bool IsValid() const override { return m_valid; }

    // The setters clamp to the field's range and, when the value changed,
    // show it and restart the preview timer.
    int GetThumbnailSize() const override { return m_size; }
    void SetThumbnailSize(int size) override;
    int GetThumbnailSpacing() const override { return m_spacing; }
    void SetThumbnailSpacing(int spacing) override;
    int GetThumbnailSharpness() const override { return m_sharpness; }
    void SetThumbnailSharpness(int sharpness) override;
    // OptionControl::DraftCheckBox and LabelCheckBox; setting one runs its
    // click handler. Other controls answer false and are ignored.
    bool IsChecked(OptionControl control) const override;
    void SetChecked(OptionControl control, bool checked) override;
    // OptionControl::LabelCombo's text. Other controls answer empty and are ignored.
    QString GetText(OptionControl control) const override;
    void SetText(OptionControl control, const QString &text) override;

    // Draft greys the sharpness fields; Label greys the pattern. Both restart
    // the preview timer.
    void DraftCheckBoxClick();
    void LabelCheckBoxClick();

    // Whether the preview is waiting to be rebuilt.
    bool IsPreviewPending() const { return Timer1.isActive(); }
    // Rebuilds the preview now, as the timer does.
    void Timer1Timer();

    QSlider *SizeTrackBar;
    QLineEdit *SizeEdit;
    TUpDown *SizeUpDown;
    QSlider *SpacingTrackBar;
    QLineEdit *SpacingEdit;
    TUpDown *SpacingUpDown;
    QSlider *SharpnessTrackBar;
    QLineEdit *SharpnessEdit;
    TUpDown *SharpnessUpDown;
    QLabel *SharpnessLabel;
    QCheckBox *LabelCheckBox;
    THistoryComboBox *LabelCombo;
    QCheckBox *DraftCheckBox;
    QPushButton *CloseButton;
    QPushButton *HelpButton;
    TNewScrollBox *ScrollBox;
    std::array<TPreviewThumb *, 16> Previews;
    QTimer Timer1;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormHide();
    void FormDestroy();
    bool FormCloseQuery();
    void TrackBarChange(QSlider *trackBar);
    bool EditChange();
    void LabelComboChange();
    void CloseButtonClick();
    void HelpButtonClick();

    void restartPreview();
    void layOutPreviews();

    std::unique_ptr<TOptionsReg> m_store;   // the window's place and size
    int m_size = -1;
    int m_spacing = -1;
    int m_sharpness = -1;
    bool m_valid = true;
};
