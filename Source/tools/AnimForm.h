#pragma once

#include <Source/engine/WindowHooks.h>
#include <Source/windows/ToolHost.h>
#include <lib/Options.h>

#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QSlider;
class QTimer;
class QToolBar;
class TThumbnailObserver;

// The animation window: plays browse windows' thumbnails as a flip-book.
// Frames are held through the thumbnails' observers, and a thumbnail that
// goes leaves every frame it stands in before it is deleted (the engine's
// animation hook), so no frame ever names a deleted thumbnail. The
// coordinator owns the one window and ticks it. Window thread only.
class TAnimForm1 : public QWidget, public TToolForm, public AnimationHooks
{
    Q_OBJECT

public:
    // The settings entries of "Animation", by index.
    enum Option { WindowX, WindowY, WindowWidth, WindowHeight };

    TAnimForm1();
    ~TAnimForm1() override;

    // TToolForm
    QWidget *Window() override { return this; }
    void Tick() override { UpdateCommandStates(); }
    // Shows the thumbnails from the first and plays them forward.
    void Animate(const std::vector<TThumbnail *> &thumbnails) override;

    // AnimationHooks: every occurrence leaves.
    void RemoveThumbnail(TThumbnail *thumbnail) override { RemoveThumbnail(thumbnail, true); }
    // Removes the first (all false) or every occurrence of thumbnail.
    void RemoveThumbnail(TThumbnail *thumbnail, bool all);

    // Replaces the frames and shows the first.
    void SetFrames(const std::vector<TThumbnail *> &thumbnails);
    // index, lowered to the last frame (-1 when there is none).
    void SetFrame(int index);
    void Play();
    void ReversePlay();
    void StopPlaying();
    void FrameAdvance();
    void FrameBack();
    // The timer's tick: a list of fewer than 2 frames stops play, otherwise
    // one frame on in the direction of play.
    void Timer1Timer();
    // Enables the commands while there are frames; hides the window when no
    // browse window is left.
    void UpdateCommandStates();

    int FrameIndex() const { return m_frameIndex; }
    int FrameCount() const { return int(m_frames.size()); }
    // The thumbnail of frame index; null when out of range.
    TThumbnail *Frame(int index) const;
    bool Playing() const;
    bool PlayReverse() const { return m_playReverse; }
    int TimerInterval() const;
    // The window's command whose action has this object name; null for none.
    QAction *Command(const QString &name) const;

    QWidget *PaintBox;
    QSlider *TrackBar;
    QLabel *StatusPanels[3];
    QToolBar *Toolbar1;
    QCheckBox *LoopCheck;
    QTimer *Timer1;
    QMenu *PopupMenu;
    TOptionsReg Options;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createCommands();
    void enableCommands();
    void updateStatus();
    void paintFrame();
    // The frames changed: commands, status and picture again.
    void redraw();
    void dropThumbnails(const std::vector<TThumbnail *> &thumbnails);
    void removeAllFrames();
    void openImage();
    void saveAsMovie();
    void selectThumbnail();

    std::vector<std::shared_ptr<TThumbnailObserver>> m_frames;
    int m_frameIndex = -1;
    bool m_playReverse = false;
};
