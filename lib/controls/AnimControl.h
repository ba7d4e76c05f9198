#pragma once

#include <lib/String.h>

#include <QImage>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class CAviFile;

// Plays a silent AVI clip in a control. The clip's frames are read from its
// file when they are shown, at the stream's rate, and only the frame shown is
// kept in memory. Window thread only.
class TAnimControl : public QWidget
{
    Q_OBJECT

public:
    // The most pixels that a clip's frames may hold together (width x height
    // x frames): a clip is an animation, not a film.
    static constexpr int64_t MaxClipPixels = int64_t(1) << 26;

    // 32 by 32 pixels at (0, 0).
    explicit TAnimControl(QWidget *parent = nullptr);
    ~TAnimControl() override;

    const CString &AviFile() const { return m_aviFile; }
    // Opens the clip (Open).
    void SetAviFile(const CString &fileName) { Open(fileName); }
    // Centre the frame in the control; else at its top-left corner.
    bool Center() const { return m_center; }
    void SetCenter(bool center);
    // A thin border round the control.
    bool Border() const { return m_border; }
    void SetBorder(bool border);
    // The clip plays, repeating, from the moment it is opened.
    bool AutoPlay() const { return m_autoPlay; }
    void SetAutoPlay(bool autoPlay);

    // Closes the clip shown and opens fileName, showing its first frame (and
    // playing it with AutoPlay). An empty name leaves the control empty.
    // Raises Exception("Unable to open avi file " + fileName) for a file that
    // is missing, not a clip, larger than MaxClipPixels or whose first frame
    // does not decode; the control is then empty and AviFile keeps its old
    // value. AviFile becomes fileName otherwise.
    void Open(const CString &fileName);
    // Plays frames from to to (16-bit frame numbers; to 0xFFFF or past the
    // end: the last frame) repeatCount times, -1 for ever. A frame that does
    // not decode stops the play, leaving the last good frame shown.
    void Play(int from, int to, int repeatCount);
    // Shows one frame.
    void Seek(int frame);
    void Stop();
    // Closes the clip; the control is empty.
    void Close();

    bool IsPlaying() const { return m_timer.isActive(); }
    int FrameCount() const { return m_frameCount; }
    // The frame shown; -1 when none.
    int CurrentFrame() const { return m_currentFrame; }
    // Milliseconds from one frame to the next.
    int FrameInterval() const { return m_timer.interval(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Closes the clip and opens AviFile again, as a style change does.
    void Recreate();
    bool showFrame(int frame);
    void nextFrame();

    CString m_aviFile;
    bool m_center = true;
    bool m_border = true;
    bool m_autoPlay = false;

    std::unique_ptr<CAviFile> m_clip;   // open while a clip is shown
    int m_frameCount = 0;
    QSize m_clipSize;                   // every frame's
    QImage m_frame;                     // the frame shown only
    int m_currentFrame = -1;
    QTimer m_timer;
    int m_playFrom = 0;
    int m_playTo = 0;
    int m_repeatsLeft = 0;              // -1: for ever
};
