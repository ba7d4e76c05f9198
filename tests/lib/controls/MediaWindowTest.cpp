#include "../AviTestSupport.h"
#include "../../WindowThreadQueue.h"

#include <lib/controls/MediaWindow.h>

extern "C" {
#include <libavformat/avformat.h>
}
#include <platform/HostPath.h>

#include <QFile>
#include <QScopeGuard>
#include <QSlider>
#include <QToolButton>

#include <cstdlib>

namespace {

constexpr int Width = 32;
constexpr int Height = 24;
constexpr int Frames = 10;
constexpr int Rate = 10;

QString moviePath(const QString &name)
{
    return QString::fromStdString(TestHostFolder() + "/" + name.toStdString());
}

// Whether the window shows movie frame n: the pattern's pixels, within what
// the conversion to the screen's format may round.
bool showsFrame(TMediaWindow &window, int n)
{
    // The frame stands centred across the window, at its top.
    const QImage shown = window.grab(QRect(QPoint((window.width() - Width) / 2, 0), QSize(Width, Height))).toImage();
    const Bytes rgb = PatternRgb(Width, Height, n);
    for (const QPoint at : {QPoint(1, 1), QPoint(Width / 2, Height / 4 + 2), QPoint(Width - 2, Height - 2)}) {
        const uint8_t *pixel = &rgb[(size_t(at.y()) * Width + size_t(at.x())) * 3];
        const QRgb seen = shown.pixel(at);
        if (std::abs(qRed(seen) - pixel[0]) > 3 || std::abs(qGreen(seen) - pixel[1]) > 3
            || std::abs(qBlue(seen) - pixel[2]) > 3)
            return false;
    }
    return true;
}

constexpr int SoundRate = 22050;

// A movie of uncompressed frames with one second of a mono
// 16-bit tone beside them, one sound packet a frame, written by FFmpeg.
void writeMovieWithSound(const std::string &hostPath)
{
    AVFormatContext *format = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&format, nullptr, "avi", hostPath.c_str()), 0);
    AVStream *video = avformat_new_stream(format, nullptr);
    AVStream *sound = avformat_new_stream(format, nullptr);
    ASSERT_TRUE(video && sound);
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
    video->codecpar->format = AV_PIX_FMT_BGR24;
    video->codecpar->width = Width;
    video->codecpar->height = Height;
    video->codecpar->bits_per_coded_sample = 24;
    video->time_base = AVRational{1, Rate};
    sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    sound->codecpar->sample_rate = SoundRate;
    sound->codecpar->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    sound->codecpar->bits_per_coded_sample = 16;
    sound->codecpar->block_align = 2;
    sound->time_base = AVRational{1, SoundRate};
    ASSERT_GE(avio_open(&format->pb, hostPath.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(format, nullptr), 0);
    AVPacket *packet = av_packet_alloc();
    ASSERT_TRUE(packet);
    const int samplesPerFrame = SoundRate / Rate;
    for (int n = 0; n < Frames; ++n) {
        Bytes dib = DibFromRgb(PatternRgb(Width, Height, n), Width, Height, 24);
        ASSERT_GE(av_new_packet(packet, int(dib.size())), 0);
        std::copy(dib.begin(), dib.end(), packet->data);
        packet->stream_index = video->index;
        packet->pts = packet->dts = av_rescale_q(n, AVRational{1, Rate}, video->time_base);
        packet->flags |= AV_PKT_FLAG_KEY;
        ASSERT_GE(av_interleaved_write_frame(format, packet), 0);
        ASSERT_GE(av_new_packet(packet, samplesPerFrame * 2), 0);
        for (int i = 0; i < samplesPerFrame; ++i) {
            const int16_t sample = int16_t((i % 50) * 600 - 15000);
            packet->data[2 * i] = uint8_t(sample & 0xFF);
            packet->data[2 * i + 1] = uint8_t(uint16_t(sample) >> 8);
        }
        packet->stream_index = sound->index;
        packet->pts = packet->dts = int64_t(n) * samplesPerFrame;
        packet->duration = samplesPerFrame;
        ASSERT_GE(av_interleaved_write_frame(format, packet), 0);
    }
    ASSERT_GE(av_write_trailer(format), 0);
    av_packet_free(&packet);
    avio_closep(&format->pb);
    avformat_free_context(format);
}

class MediaWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        WritePatternMovie("movie.avi", Width, Height, Frames, 24, Rate);
        window.resize(window.sizeHint());
        window.show();
    }

    TMediaWindow window;
};

TEST_F(MediaWindowTest, OpensAtTheFirstFrameWithTheMoviesSizeAndLength)
{
    EXPECT_FALSE(window.PlayButton->isEnabled());
    QSize notified;
    QObject::connect(&window, &TMediaWindow::SizeChanged, [&](QSize size) { notified = size; });
    ASSERT_TRUE(window.Open(moviePath("movie.avi")));
    EXPECT_EQ(window.MovieSize(), QSize(Width, Height));
    EXPECT_EQ(window.FrameCount(), Frames);
    EXPECT_EQ(window.Length(), Frames * 1000 / Rate);
    EXPECT_EQ(notified, window.sizeHint());
    EXPECT_EQ(window.sizeHint().height(), Height + window.PlayButton->sizeHint().height() + 4);
    EXPECT_TRUE(window.PlayButton->isEnabled());
    EXPECT_FALSE(window.IsPlaying());
    window.resize(window.sizeHint());
    ASSERT_TRUE(ServeUntil([&] { return window.FramesPainted() == 1; }));
    EXPECT_TRUE(showsFrame(window, 0));
}

// A sample that plays by itself shows its picture alone, at the window's top.
TEST_F(MediaWindowTest, WithoutTheBarOnlyThePictureShows)
{
    window.SetControlBarVisible(false);
    ASSERT_TRUE(window.Open(moviePath("movie.avi")));
    EXPECT_EQ(window.sizeHint(), QSize(Width, Height));
    EXPECT_FALSE(window.PlayButton->isVisible());
    EXPECT_FALSE(window.PositionSlider->isVisible());
    window.resize(window.sizeHint());
    ASSERT_TRUE(ServeUntil([&] { return window.FramesPainted() == 1; }));
    EXPECT_TRUE(showsFrame(window, 0));
}

TEST_F(MediaWindowTest, PlaysEveryFrameInOrderToTheEnd)
{
    ASSERT_TRUE(window.Open(moviePath("movie.avi")));
    window.resize(window.sizeHint());
    bool finished = false;
    std::vector<int64_t> positions;
    QObject::connect(&window, &TMediaWindow::Finished, [&] { finished = true; });
    ASSERT_TRUE(ServeUntil([&] { return window.FramesPainted() == 1; }));
    window.PlayButton->click();
    EXPECT_TRUE(window.IsPlaying());
    int64_t painted = window.FramesPainted();
    ASSERT_TRUE(ServeUntil([&] {
        if (window.FramesPainted() != painted) {
            painted = window.FramesPainted();
            positions.push_back(window.Position());
        }
        return finished;
    }));
    EXPECT_FALSE(window.IsPlaying());
    EXPECT_EQ(window.Position(), (Frames - 1) * 1000 / Rate);
    EXPECT_TRUE(showsFrame(window, Frames - 1));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(window.FramesPainted(), Frames) << "every frame once";
    EXPECT_EQ(window.PositionSlider->value(), window.Position());

    // Play at the end starts again from the first frame.
    window.PlayButton->click();
    ASSERT_TRUE(ServeUntil([&] { return window.Position() < 500 && window.FramesPainted() > Frames; }));
    window.Stop();
}

TEST_F(MediaWindowTest, SeekShowsTheFrameAtThatTime)
{
    ASSERT_TRUE(window.Open(moviePath("movie.avi")));
    window.resize(window.sizeHint());
    for (const int frame : {5, 2, 9, 0}) {
        SCOPED_TRACE(frame);
        window.Seek(frame * 1000 / Rate);
        ASSERT_TRUE(ServeUntil([&] { return window.Position() == frame * 1000 / Rate && showsFrame(window, frame); }));
    }
    EXPECT_FALSE(window.IsPlaying()) << "a seek does not start playing";
}

// Only movies of a plain file: no playlist or other file can be opened
// through one.
TEST_F(MediaWindowTest, RefusesWhatIsNoMovieItPlays)
{
    struct Row
    {
        const char *name;
        QByteArray content;
    };
    const Row rows[] = {
        {"text.avi", "not a movie"},
        {"empty.mpg", ""},
        {"list.avi", "ffconcat version 1.0\nfile 'movie.avi'\n"},
        {"list.mpg", "#EXTM3U\n#EXTINF:1,\nmovie.avi\n"},
    };
    for (const Row &row : rows) {
        WriteHostFile(TestHostFolder() + "/" + row.name, row.content);
        EXPECT_FALSE(window.Open(moviePath(row.name))) << row.name;
        EXPECT_FALSE(window.IsOpen());
        EXPECT_EQ(window.MovieSize(), QSize());
        EXPECT_FALSE(window.PlayButton->isEnabled());
    }
    EXPECT_FALSE(window.Open(moviePath("missing.avi")));
}

// The sound plays through the device to its end, beside the frames; where no
// device opens the movie plays silent. ALSA's "null" device takes the sound
// on any machine.
TEST_F(MediaWindowTest, PlaysTheSoundWhereADeviceOpensAndSilentWhereNone)
{
    writeMovieWithSound(moviePath("sound.avi").toStdString());
    const auto restoreDevice = qScopeGuard([] { TMediaWindow::SetSoundDevice("default"); });
    struct Row
    {
        const char *device;
        bool sound;
    };
    for (const Row row : {Row{"null", true}, Row{"no-such-device", false}}) {
        SCOPED_TRACE(row.device);
        TMediaWindow::SetSoundDevice(row.device);
        ASSERT_TRUE(window.Open(moviePath("sound.avi")));
        window.resize(window.sizeHint());
        EXPECT_EQ(window.HasSound(), row.sound);
        EXPECT_EQ(window.FrameCount(), Frames);
        bool finished = false;
        const QMetaObject::Connection ended =
            QObject::connect(&window, &TMediaWindow::Finished, [&] { finished = true; });
        window.Play();
        ASSERT_TRUE(ServeUntil([&] { return finished; }));
        QObject::disconnect(ended);
        EXPECT_EQ(window.Position(), (Frames - 1) * 1000 / Rate) << "the frames played to the end";
        if (row.sound)
            EXPECT_TRUE(ServeUntil([&] { return window.SoundFramesPlayed() >= uint64_t(SoundRate) * 99 / 100; }))
                << window.SoundFramesPlayed() << " of " << SoundRate;
        else
            EXPECT_EQ(window.SoundFramesPlayed(), 0u);
        window.Close();
    }
}

TEST_F(MediaWindowTest, CloseWhilePlayingEndsTheMovie)
{
    ASSERT_TRUE(window.Open(moviePath("movie.avi")));
    window.Play();
    window.Close();
    EXPECT_FALSE(window.IsOpen());
    EXPECT_FALSE(window.IsPlaying());
    EXPECT_EQ(window.FrameCount(), 0);
    EXPECT_FALSE(window.StopButton->isEnabled());
}

} // namespace
