#include "../AviTestSupport.h"
#include "../../WindowThreadQueue.h"

#include <lib/controls/MediaWindow.h>
#include <platform/HostPath.h>

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
