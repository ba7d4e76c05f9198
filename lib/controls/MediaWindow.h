#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

class QSlider;
class QToolButton;

// A movie (AVI, MPEG) played in a window: a worker thread decodes it through
// FFmpeg and paces the frames by their times; the window thread paints the
// newest one above a control bar of play and stop and a position slider. A
// movie's first sound stream plays through ALSA where a device opens, on a
// thread of its own; without one the movie plays silent. Window thread,
// except where a function says otherwise.
class TMediaWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TMediaWindow(QWidget *parent = nullptr);
    ~TMediaWindow() override;

    // Opens the file (a host path) at its first frame, stopped. False, with
    // nothing open, when it has no video stream that FFmpeg decodes or its
    // frames have no size or too many pixels.
    bool Open(const QString &hostPath);
    void Close();
    bool IsOpen() const;

    void Play();
    void Stop();
    bool IsPlaying() const;
    // Shows the frame at milliseconds from the start; playing goes on there.
    void Seek(int64_t milliseconds);

    // The movie's frame size, its length and its frames as the file counts
    // them (estimated from the length and rate when it does not say); empty
    // or 0 while nothing is open.
    QSize MovieSize() const;
    int64_t Length() const;
    int64_t FrameCount() const;
    // The time of the frame shown.
    int64_t Position() const;
    // How many frames have been painted since Open.
    int64_t FramesPainted() const;
    // Whether the open movie's sound plays, and the sound frames the device
    // has taken since Open.
    bool HasSound() const;
    uint64_t SoundFramesPlayed() const;

    // The ALSA device the movies opened from now on play their sound on;
    // "default" unless set.
    static void SetSoundDevice(const QString &device);

    // The picture shown at its own size and the control bar below it.
    QSize sizeHint() const override;
    // Without the bar the window shows only the picture (a sample that plays
    // by itself). Shown at first.
    void SetControlBarVisible(bool visible);

    QToolButton *PlayButton;
    QToolButton *StopButton;
    QSlider *PositionSlider;

signals:
    // The window's wanted size changed: a movie was opened or closed.
    void SizeChanged(QSize size);
    // Playing reached the end of the movie and stopped.
    void Finished();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    class Player;

    // From the worker, queued: a frame to show.
    void takeFrame();
    void updateControls();
    // The control bar's height; 0 while it is hidden.
    int barHeight() const;

    std::unique_ptr<Player> m_player;
    QImage m_frame;
    int64_t m_position = 0;
    int64_t m_painted = 0;
    bool m_sliderHeld = false;
    bool m_controlBar = true;
};
