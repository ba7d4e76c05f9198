#include "MediaWindow.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <platform/Sound.h>

#include <QFile>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Only these demuxers and only plain files: no content of a movie can make
// FFmpeg open another file or reach the network.
constexpr char AllowedFormats[] = "avi,mpeg,mpegts,mpegvideo";
constexpr char AllowedProtocols[] = "file";
// As for every image decoder.
constexpr int64_t MaxFramePixels = int64_t(1) << 28;
// Sound packets read ahead of the sound thread; beyond this a packet is
// dropped, so that no stream can make the queue grow without bound.
constexpr size_t MaxQueuedSoundPackets = 1024;
constexpr int SoundChannels = 2;

std::mutex s_deviceLock;
QByteArray s_soundDevice = "default";   // guarded by s_deviceLock

QByteArray soundDevice()
{
    std::lock_guard lock(s_deviceLock);
    return s_soundDevice;
}

} // namespace

// The open movie and the thread that decodes it. Until the thread starts,
// Open's thread uses the FFmpeg contexts; afterwards only the thread does.
class TMediaWindow::Player
{
public:
    explicit Player(TMediaWindow *window) : m_window(window) {}
    ~Player()
    {
        {
            std::lock_guard lock(m_lock);
            m_quit = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        if (m_soundThread.joinable())
            m_soundThread.join();
        for (AVPacket *packet : m_soundPackets)
            av_packet_free(&packet);
        swr_free(&m_resampler);
        av_frame_free(&m_soundFrame);
        avcodec_free_context(&m_soundDecoder);
        sws_freeContext(m_scaler);
        av_frame_free(&m_decoded);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_format);
    }

    bool open(const QString &hostPath)
    {
        AVDictionary *options = nullptr;
        av_dict_set(&options, "format_whitelist", AllowedFormats, 0);
        av_dict_set(&options, "protocol_whitelist", AllowedProtocols, 0);
        const int opened = avformat_open_input(&m_format, QFile::encodeName(hostPath).constData(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0 || avformat_find_stream_info(m_format, nullptr) < 0)
            return false;
        const AVCodec *codec = nullptr;
        m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (m_streamIndex < 0 || !codec)
            return false;
        m_stream = m_format->streams[m_streamIndex];
        const AVCodecParameters *parameters = m_stream->codecpar;
        if (parameters->width <= 0 || parameters->height <= 0
            || int64_t(parameters->width) * parameters->height > MaxFramePixels)
            return false;
        m_decoder = avcodec_alloc_context3(codec);
        if (!m_decoder || avcodec_parameters_to_context(m_decoder, parameters) < 0)
            return false;
        m_decoder->thread_count = 0;   // as many as FFmpeg finds useful
        if (avcodec_open2(m_decoder, codec, nullptr) < 0)
            return false;
        m_decoded = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_decoded || !m_packet)
            return false;
        m_size = QSize(parameters->width, parameters->height);
        m_start = m_stream->start_time != AV_NOPTS_VALUE ? m_stream->start_time : 0;
        computeLength();
        // The first frame shows before anything plays.
        if (!decodeNext())
            return false;
        publish();
        openSound();
        m_thread = std::thread([this] { run(); });
        if (m_soundIndex >= 0)
            m_soundThread = std::thread([this] { runSound(); });
        return true;
    }

    bool hasSound() const { return m_soundIndex >= 0; }
    uint64_t soundFramesPlayed() const { return m_sound.FramesWritten(); }

    QSize size() const { return m_size; }
    int64_t length() const { return m_length; }
    int64_t frameCount() const { return m_frameCount; }

    // Window thread.
    void play()
    {
        {
            std::lock_guard lock(m_lock);
            if (m_atEnd)
                m_seekTo = 0;
            m_playing = true;
            m_rebase = true;
        }
        m_wake.notify_all();
    }
    void stop()
    {
        {
            std::lock_guard lock(m_lock);
            m_playing = false;
            m_soundFlush = true;
        }
        m_wake.notify_all();
    }
    bool playing() const
    {
        std::lock_guard lock(m_lock);
        return m_playing;
    }
    void seek(int64_t milliseconds)
    {
        {
            std::lock_guard lock(m_lock);
            m_seekTo = std::clamp<int64_t>(milliseconds, 0, m_length);
            m_rebase = true;
            m_soundFlush = true;
        }
        m_wake.notify_all();
    }
    // The newest frame, once per frame published; false when none is new.
    bool takeFrame(QImage &frame, int64_t &time, bool &finished)
    {
        std::lock_guard lock(m_lock);
        finished = std::exchange(m_finished, false);
        if (m_latest.isNull())
            return finished;
        frame = std::move(m_latest);
        m_latest = QImage();
        time = m_latestTime;
        return true;
    }

private:
    void computeLength()
    {
        const AVRational rate = av_guess_frame_rate(m_format, m_stream, nullptr);
        if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
            m_length = av_rescale_q(m_stream->duration, m_stream->time_base, AVRational{1, 1000});
        else if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
            m_length = av_rescale(m_format->duration, 1000, AV_TIME_BASE);
        if (m_stream->nb_frames > 0)
            m_frameCount = m_stream->nb_frames;
        else if (rate.num > 0 && rate.den > 0)
            m_frameCount = av_rescale(m_length, rate.num, int64_t(rate.den) * 1000);
    }

    // The next frame out of the decoder into m_decoded, feeding it packets
    // and draining its delay at the end; false at the end or on an error.
    bool decodeNext()
    {
        for (;;) {
            const int received = avcodec_receive_frame(m_decoder, m_decoded);
            if (received == 0)
                return true;
            if (received != AVERROR(EAGAIN))
                return false;
            if (m_drained)
                return false;
            const int read = av_read_frame(m_format, m_packet);
            if (read < 0) {
                m_drained = true;
                avcodec_send_packet(m_decoder, nullptr);
                continue;
            }
            if (m_packet->stream_index == m_streamIndex)
                avcodec_send_packet(m_decoder, m_packet);   // a damaged packet is skipped
            else if (m_packet->stream_index == m_soundIndex && !m_seeking)
                queueSound();
            av_packet_unref(m_packet);
        }
    }

    int64_t frameTime() const
    {
        const int64_t stamp = m_decoded->best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE)
            return 0;
        return std::max<int64_t>(av_rescale_q(stamp - m_start, m_stream->time_base, AVRational{1, 1000}), 0);
    }

    // Converts m_decoded and hands it to the window thread.
    void publish()
    {
        QImage image(m_size, QImage::Format_RGB32);
        m_scaler = sws_getCachedContext(m_scaler, m_decoded->width, m_decoded->height,
                                        AVPixelFormat(m_decoded->format), m_size.width(), m_size.height(),
                                        AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_scaler)
            return;
        uint8_t *const planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(m_scaler, m_decoded->data, m_decoded->linesize, 0, m_decoded->height, planes, strides);
        {
            std::lock_guard lock(m_lock);
            m_latest = std::move(image);
            m_latestTime = frameTime();
        }
        notifyWindow();
    }

    void notifyWindow()
    {
        QMetaObject::invokeMethod(m_window, [window = m_window] { window->takeFrame(); }, Qt::QueuedConnection);
    }

    void seekDecoder(int64_t milliseconds)
    {
        const int64_t target = m_start + av_rescale_q(milliseconds, AVRational{1, 1000}, m_stream->time_base);
        av_seek_frame(m_format, m_streamIndex, target, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(m_decoder);
        m_drained = false;
        // From the key frame before it up to the frame at the time; the sound
        // of the frames passed over is not played.
        m_seeking = true;
        while (decodeNext()) {
            if (frameTime() >= milliseconds)
                break;
        }
        m_seeking = false;
    }

    // The first sound stream, its decoder and a conversion to 16-bit stereo
    // at its own rate, on the device; none of them when one cannot be had.
    void openSound()
    {
        const AVCodec *codec = nullptr;
        const int index = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, m_streamIndex, &codec, 0);
        if (index < 0 || !codec)
            return;
        m_soundDecoder = avcodec_alloc_context3(codec);
        if (!m_soundDecoder || avcodec_parameters_to_context(m_soundDecoder, m_format->streams[index]->codecpar) < 0
            || avcodec_open2(m_soundDecoder, codec, nullptr) < 0 || m_soundDecoder->sample_rate <= 0)
            return closeSound();
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&m_resampler, &stereo, AV_SAMPLE_FMT_S16, m_soundDecoder->sample_rate,
                                &m_soundDecoder->ch_layout, m_soundDecoder->sample_fmt, m_soundDecoder->sample_rate,
                                0, nullptr)
                < 0
            || swr_init(m_resampler) < 0)
            return closeSound();
        m_soundFrame = av_frame_alloc();
        if (!m_soundFrame || !m_sound.Open(unsigned(m_soundDecoder->sample_rate), SoundChannels, soundDevice().constData()))
            return closeSound();
        m_soundIndex = index;
    }

    void closeSound()
    {
        swr_free(&m_resampler);
        av_frame_free(&m_soundFrame);
        avcodec_free_context(&m_soundDecoder);
    }

    // Demuxing thread: hands the packet read to the sound thread.
    void queueSound()
    {
        std::lock_guard lock(m_lock);
        if (m_soundPackets.size() >= MaxQueuedSoundPackets)
            return;
        if (AVPacket *copy = av_packet_clone(m_packet))
            m_soundPackets.push_back(copy);
        m_wake.notify_all();
    }

    // Plays the queued sound while the movie plays, and to its end.
    void runSound()
    {
        std::unique_lock lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [this] {
                return m_quit || m_soundFlush || ((m_playing || m_atEnd) && !m_soundPackets.empty());
            });
            if (m_quit)
                return;
            if (std::exchange(m_soundFlush, false)) {
                for (AVPacket *packet : m_soundPackets)
                    av_packet_free(&packet);
                m_soundPackets.clear();
                lock.unlock();
                avcodec_flush_buffers(m_soundDecoder);
                m_sound.Drop();
                lock.lock();
                continue;
            }
            AVPacket *packet = m_soundPackets.front();
            m_soundPackets.pop_front();
            lock.unlock();
            playSound(packet);
            av_packet_free(&packet);
            lock.lock();
        }
    }

    void playSound(const AVPacket *packet)
    {
        if (avcodec_send_packet(m_soundDecoder, packet) < 0)
            return;   // a damaged packet is skipped
        while (avcodec_receive_frame(m_soundDecoder, m_soundFrame) == 0) {
            const int room = swr_get_out_samples(m_resampler, m_soundFrame->nb_samples);
            if (room <= 0)
                continue;
            m_samples.resize(size_t(room) * SoundChannels);
            uint8_t *out = reinterpret_cast<uint8_t *>(m_samples.data());
            const int converted = swr_convert(m_resampler, &out, room,
                                              const_cast<const uint8_t **>(m_soundFrame->extended_data),
                                              m_soundFrame->nb_samples);
            if (converted > 0)
                m_sound.Write(m_samples.data(), size_t(converted));
        }
    }

    void run()
    {
        std::unique_lock lock(m_lock);
        Clock::time_point clockStart;
        int64_t clockBase = 0;
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_playing || m_seekTo >= 0; });
            if (m_quit)
                return;
            if (m_seekTo >= 0) {
                const int64_t target = std::exchange(m_seekTo, -1);
                m_atEnd = false;
                lock.unlock();
                seekDecoder(target);
                publish();
                lock.lock();
                continue;
            }
            lock.unlock();
            const bool decoded = decodeNext();
            lock.lock();
            if (!decoded) {
                m_playing = false;
                m_atEnd = true;
                m_finished = true;
                lock.unlock();
                notifyWindow();
                lock.lock();
                continue;
            }
            const int64_t time = frameTime();
            if (std::exchange(m_rebase, false)) {
                clockStart = Clock::now();
                clockBase = time;
            }
            const Clock::time_point due = clockStart + std::chrono::milliseconds(time - clockBase);
            // A stop, a seek or the end interrupts the wait; the frame is
            // shown anyway unless a seek supersedes it.
            m_wake.wait_until(lock, due, [this] { return m_quit || !m_playing || m_seekTo >= 0; });
            if (m_quit)
                return;
            if (m_seekTo >= 0)
                continue;
            lock.unlock();
            publish();
            lock.lock();
        }
    }

    TMediaWindow *m_window;
    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_decoder = nullptr;
    AVStream *m_stream = nullptr;   // owned by m_format
    AVFrame *m_decoded = nullptr;
    AVPacket *m_packet = nullptr;
    SwsContext *m_scaler = nullptr;
    int m_streamIndex = -1;
    int64_t m_start = 0;
    bool m_drained = false;
    QSize m_size;
    int64_t m_length = 0;
    int64_t m_frameCount = 0;

    bool m_seeking = false;

    // The sound: the decoding thread queues its packets, the sound thread
    // alone uses the rest.
    int m_soundIndex = -1;
    AVCodecContext *m_soundDecoder = nullptr;
    AVFrame *m_soundFrame = nullptr;
    SwrContext *m_resampler = nullptr;
    CSoundStream m_sound;
    std::vector<int16_t> m_samples;

    std::thread m_thread;
    std::thread m_soundThread;
    mutable std::mutex m_lock;        // guards what follows
    std::condition_variable m_wake;
    bool m_quit = false;
    bool m_playing = false;
    bool m_rebase = true;
    bool m_atEnd = false;
    bool m_finished = false;
    int64_t m_seekTo = -1;
    bool m_soundFlush = false;
    std::deque<AVPacket *> m_soundPackets;
    QImage m_latest;
    int64_t m_latestTime = 0;
};

TMediaWindow::TMediaWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName("MediaWindow");
    PlayButton = new QToolButton(this);
    PlayButton->setObjectName("PlayButton");
    PlayButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    PlayButton->setToolTip("Play");
    StopButton = new QToolButton(this);
    StopButton->setObjectName("StopButton");
    StopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    StopButton->setToolTip("Stop");
    PositionSlider = new QSlider(Qt::Horizontal, this);
    PositionSlider->setObjectName("PositionSlider");

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 2);
    bar->addWidget(PlayButton);
    bar->addWidget(StopButton);
    bar->addWidget(PositionSlider, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addLayout(bar);

    connect(PlayButton, &QToolButton::clicked, this, [this] { IsPlaying() ? Stop() : Play(); });
    connect(StopButton, &QToolButton::clicked, this, [this] {
        Stop();
        Seek(0);
    });
    connect(PositionSlider, &QSlider::sliderPressed, this, [this] { m_sliderHeld = true; });
    connect(PositionSlider, &QSlider::sliderReleased, this, [this] { m_sliderHeld = false; });
    connect(PositionSlider, &QSlider::valueChanged, this, [this](int value) {
        if (m_sliderHeld || PositionSlider->isSliderDown())
            Seek(value);
    });
    connect(PositionSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QSlider::SliderMove)
            QMetaObject::invokeMethod(this, [this] { Seek(PositionSlider->value()); }, Qt::QueuedConnection);
    });
    updateControls();
}

TMediaWindow::~TMediaWindow() = default;

bool TMediaWindow::Open(const QString &hostPath)
{
    Close();
    auto player = std::make_unique<Player>(this);
    if (!player->open(hostPath))
        return false;
    m_player = std::move(player);
    updateControls();
    updateGeometry();
    emit SizeChanged(sizeHint());
    return true;
}

void TMediaWindow::Close()
{
    if (!m_player)
        return;
    m_player.reset();
    m_frame = QImage();
    m_position = 0;
    m_painted = 0;
    updateControls();
    updateGeometry();
    update();
    emit SizeChanged(sizeHint());
}

bool TMediaWindow::IsOpen() const
{
    return m_player != nullptr;
}

void TMediaWindow::Play()
{
    if (m_player)
        m_player->play();
    updateControls();
}

void TMediaWindow::Stop()
{
    if (m_player)
        m_player->stop();
    updateControls();
}

bool TMediaWindow::IsPlaying() const
{
    return m_player && m_player->playing();
}

void TMediaWindow::Seek(int64_t milliseconds)
{
    if (m_player)
        m_player->seek(milliseconds);
}

QSize TMediaWindow::MovieSize() const
{
    return m_player ? m_player->size() : QSize();
}

int64_t TMediaWindow::Length() const
{
    return m_player ? m_player->length() : 0;
}

int64_t TMediaWindow::FrameCount() const
{
    return m_player ? m_player->frameCount() : 0;
}

int64_t TMediaWindow::Position() const
{
    return m_position;
}

int64_t TMediaWindow::FramesPainted() const
{
    return m_painted;
}

bool TMediaWindow::HasSound() const
{
    return m_player && m_player->hasSound();
}

uint64_t TMediaWindow::SoundFramesPlayed() const
{
    return m_player ? m_player->soundFramesPlayed() : 0;
}

void TMediaWindow::SetSoundDevice(const QString &device)
{
    std::lock_guard lock(s_deviceLock);
    s_soundDevice = device.toLocal8Bit();
}

QSize TMediaWindow::sizeHint() const
{
    const QSize bar = m_controlBar ? layout()->sizeHint() : QSize(0, 0);
    const QSize movie = MovieSize();
    return QSize(std::max(movie.width(), bar.width()), movie.height() + bar.height());
}

void TMediaWindow::SetControlBarVisible(bool visible)
{
    m_controlBar = visible;
    for (QWidget *control : std::initializer_list<QWidget *>{PlayButton, StopButton, PositionSlider})
        control->setVisible(visible);
    updateGeometry();
    update();
}

int TMediaWindow::barHeight() const
{
    return m_controlBar ? layout()->sizeHint().height() : 0;
}

void TMediaWindow::takeFrame()
{
    if (!m_player)
        return;
    bool finished = false;
    QImage frame;
    int64_t time = 0;
    if (m_player->takeFrame(frame, time, finished) && !frame.isNull()) {
        m_frame = std::move(frame);
        m_position = time;
        repaint(QRect(QPoint(0, 0), m_frame.size()));
        ++m_painted;
    }
    updateControls();
    if (finished)
        emit Finished();
}

void TMediaWindow::updateControls()
{
    const bool open = m_player != nullptr;
    PlayButton->setEnabled(open);
    StopButton->setEnabled(open);
    PositionSlider->setEnabled(open);
    PlayButton->setIcon(style()->standardIcon(IsPlaying() ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    PlayButton->setToolTip(IsPlaying() ? "Pause" : "Play");
    PositionSlider->setRange(0, int(std::min<int64_t>(Length(), INT32_MAX)));
    if (!m_sliderHeld && !PositionSlider->isSliderDown()) {
        const QSignalBlocker quiet(PositionSlider);
        PositionSlider->setValue(int(std::min<int64_t>(m_position, INT32_MAX)));
    }
}

void TMediaWindow::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    const QRect movie(QPoint(0, 0), QSize(width(), height() - barHeight()));
    canvas.fillRect(movie, Qt::black);
    if (!m_frame.isNull())
        canvas.drawImage(QPoint((movie.width() - m_frame.width()) / 2, 0), m_frame);
}
