#pragma once

#include <Source/engine/SearchContext.h>
#include <Source/windows/ToolHost.h>
#include <lib/Options.h>
#include <lib/Path.h>

#include <QWidget>

#include <memory>

class CImageSignature;
class CThumbBitmap;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class THostPaintBox;

// Accepts the thumbnails whose signatures differ from the reference's in at
// most threshold percent of their bits. Nothing matches a reference, or a
// thumbnail, without a signature. Made for one search.
class CFindSimilarContext : public CSearchContext
{
public:
    // reference: the reference record, or null; its signature is taken here.
    CFindSimilarContext(CThumbBitmap *reference, int threshold, bool clearSelection, bool moveToTop);

    bool MatchesThumbnail(const TThumbnail &thumbnail) override;

private:
    std::shared_ptr<const CImageSignature> m_reference;   // null: nothing matches
    int m_threshold;                                      // percent, 0..100
};

// "Find Similar Images": selects, in every browse window, the thumbnails that
// look like the reference image, which is the image the user last chose in a
// browse window unless the lock is down. Optionally raises the threshold one
// step a pass until enough match. A stay-on-top tool window that the
// coordinator makes once and ticks. Window thread only.
class TFindSimilarForm1 : public QWidget, public TToolForm
{
    Q_OBJECT

public:
    // The settings entries of "Find Similar", by index.
    enum Option { WindowX, WindowY, ClearSelection, MoveSelection, IncreaseThreshold, Threshold, MinimumMatches };
    static constexpr int LowestMinimum = 2;
    static constexpr int HighestMinimum = 50;

    TFindSimilarForm1();
    ~TFindSimilarForm1() override;

    // The number box's text as a minimum: LowestMinimum for anything that is
    // no number, clamped to LowestMinimum..HighestMinimum. Never raises.
    static int ParseMinimumMatches(const QString &text);

    // TToolForm
    QWidget *Window() override { return this; }
    void Tick() override { UpdateControls(); }
    // path (empty: none) becomes the reference, unless the lock is down and
    // the reference's record is there. The old reference's paint box goes at
    // once, its thread, if any, told to stop.
    void SetReferenceImage(const CPath &path) override;

    const CPath &ReferencePath() const { return m_referencePath; }
    // The reference's record; null while it is being built or there is none.
    CThumbBitmap *ReferenceRecord() const;
    bool Locked() const;
    void SetLocked(bool locked);

    // While shown: Find and Open only while the reference's record is there.
    void UpdateControls();
    void FindButtonClick();
    void OpenToolClick();
    void CheckBox2Click();
    void CloseButtonClick() { close(); }
    void HelpButtonClick();

    QSlider *TrackBar;
    QCheckBox *CheckBox1;     // clear selection
    QCheckBox *CheckBox2;     // increase threshold
    QSpinBox *MinimumEdit;
    QLabel *MatchesLabel;
    QCheckBox *CheckBox3;     // move selection
    QToolButton *LockTool;
    QToolButton *OpenTool;
    QLabel *ResultLabel;
    QLabel *ReferencePanel;   // reads "No selection" while there is no reference
    QPushButton *FindButton;
    QPushButton *CloseButton;
    QPushButton *HelpButton;
    TOptionsReg Options;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    // One pass over every browse window; answers the total.
    int searchOnce(CThumbBitmap *reference, bool clearSelection);

    CPath m_referencePath;
    std::unique_ptr<THostPaintBox> m_reference;   // on ReferencePanel; null for none
};
