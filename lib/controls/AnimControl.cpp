#include "AnimControl.h"

#include <lib/AviFile.h>
#include <lib/Path.h>
#include <platform/Exception.h>

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

// Frame numbers as the animation messages carry them: 16 bits, 0xFFFF the end.
constexpr int LastFrameNumber = 0xFFFF;
// How fast and how slow a clip may play, in milliseconds between frames.
constexpr int64_t FastestFrameInterval = 10;
constexpr int64_t SlowestFrameInterval = 2000;
// Between frames of a stream that gives no rate.
constexpr int64_t DefaultFrameInterval = 100;

int64_t frameIntervalOf(const AviStreamInfo &info)
{
    if (info.rate == 0)
        return DefaultFrameInterval;
    return std::clamp(int64_t(info.scale) * 1000 / int64_t(info.rate), FastestFrameInterval, SlowestFrameInterval);
}

bool isClipWithinBound(const AviStreamInfo &info)
{
    const int64_t framePixels = int64_t(info.frame.Width()) * int64_t(info.frame.Height());
    if (info.length == 0 || framePixels <= 0)
        return false;
    return framePixels <= TAnimControl::MaxClipPixels / int64_t(info.length);
}

} // namespace

TAnimControl::TAnimControl(QWidget *parent) : QWidget(parent)
{
    setGeometry(0, 0, 32, 32);
    connect(&m_timer, &QTimer::timeout, this, &TAnimControl::nextFrame);
}

TAnimControl::~TAnimControl() = default;

void TAnimControl::SetCenter(bool center)
{
    m_center = center;
    Recreate();
}

void TAnimControl::SetBorder(bool border)
{
    m_border = border;
    Recreate();
}

void TAnimControl::SetAutoPlay(bool autoPlay)
{
    m_autoPlay = autoPlay;
    Recreate();
}

void TAnimControl::Recreate()
{
    // The clip opened before opens again: it cannot fail unless the file
    // changed meanwhile, and then the control is left empty.
    const CString fileName = m_aviFile;
    try {
        Open(fileName);
    } catch (const Exception &) {
        m_aviFile = CString();
    }
}

void TAnimControl::Open(const CString &fileName)
{
    Close();
    if (fileName.IsEmpty()) {
        m_aviFile = fileName;
        return;
    }
    auto clip = std::make_unique<CAviFile>();
    AviStreamInfo info;
    const bool opened = clip->OpenRead(CPath(fileName)) == aviSuccess && clip->GetStreamInfo(&info) == aviSuccess
                        && isClipWithinBound(info);
    if (opened) {
        m_clip = std::move(clip);
        m_frameCount = int(info.length);
        m_clipSize = QSize(info.frame.Width(), info.frame.Height());
    }
    if (!opened || !showFrame(0)) {
        Close();
        CString text;
        text.Format("Unable to open avi file %s", fileName.c_str());
        throw Exception(text.c_str());
    }
    m_aviFile = fileName;
    m_timer.setInterval(int(frameIntervalOf(info)));
    if (m_autoPlay)
        Play(0, LastFrameNumber, -1);
}

void TAnimControl::Play(int from, int to, int repeatCount)
{
    if (!m_clip || repeatCount == 0)
        return;
    m_playFrom = std::clamp(from, 0, m_frameCount - 1);
    m_playTo = to < 0 || to >= m_frameCount ? m_frameCount - 1 : std::max(to, m_playFrom);
    m_repeatsLeft = repeatCount;
    if (showFrame(m_playFrom))
        m_timer.start();
}

void TAnimControl::Seek(int frame)
{
    Stop();
    if (m_clip)
        showFrame(std::clamp(frame, 0, m_frameCount - 1));
}

void TAnimControl::Stop()
{
    m_timer.stop();
}

void TAnimControl::Close()
{
    Stop();
    m_clip.reset();
    m_frameCount = 0;
    m_clipSize = QSize();
    m_frame = QImage();
    m_currentFrame = -1;
    update();
}

void TAnimControl::nextFrame()
{
    int frame = m_currentFrame + 1;
    if (frame > m_playTo) {
        if (m_repeatsLeft > 0 && --m_repeatsLeft == 0) {
            Stop();
            return;
        }
        frame = m_playFrom;
    }
    if (!showFrame(frame))
        Stop();
}

// False, leaving the frame shown before, when frame does not decode to the
// clip's size.
bool TAnimControl::showFrame(int frame)
{
    unsigned char *rgb = nullptr;
    unsigned width = 0, height = 0, bits = 0;
    if (m_clip->ReadFrame(frame, rgb, width, height, bits) != aviSuccess)
        return false;
    const std::unique_ptr<unsigned char[]> owned(rgb);
    if (QSize(int(width), int(height)) != m_clipSize)
        return false;
    m_frame = QImage(rgb, int(width), int(height), int(width) * 3, QImage::Format_RGB888).copy();
    m_currentFrame = frame;
    update();
    return true;
}

void TAnimControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_frame.isNull()) {
        const QPoint corner = m_center ? QPoint((width() - m_frame.width()) / 2, (height() - m_frame.height()) / 2)
                                       : QPoint(0, 0);
        painter.drawImage(corner, m_frame);
    }
    if (m_border) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
