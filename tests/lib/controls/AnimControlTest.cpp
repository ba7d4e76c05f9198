#include "../AviTestSupport.h"
#include "../../WindowThreadQueue.h"

#include <lib/controls/AnimControl.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

#include <QByteArray>
#include <QImage>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Width = 32;
constexpr int Height = 24;
constexpr int Frames = 6;

// Whether the control shows pattern frame n with its top-left corner at corner.
bool showsFrame(TAnimControl &control, int n, QPoint corner)
{
    const QImage shown = control.grab().toImage();
    const Bytes rgb = PatternRgb(Width, Height, n);
    for (const QPoint at : {QPoint(2, 2), QPoint(Width / 2, Height / 4 + 2), QPoint(Width - 3, Height - 3)}) {
        const uint8_t *pixel = &rgb[(size_t(at.y()) * Width + size_t(at.x())) * 3];
        const QRgb seen = shown.pixel(corner + at);
        if (std::abs(qRed(seen) - pixel[0]) > 3 || std::abs(qGreen(seen) - pixel[1]) > 3
            || std::abs(qBlue(seen) - pixel[2]) > 3)
            return false;
    }
    return true;
}

CString clipName(const QString &name)
{
    return CString(TestWindowsPath(name).toUtf8().constData());
}

// The message that opening name raises; empty when it opens.
std::string openFailure(TAnimControl &control, const CString &name)
{
    try {
        control.Open(name);
    } catch (const Exception &error) {
        return error.what();
    }
    return {};
}

TEST(AnimControl, ANewControlIsEmptyAt32By32)
{
    TAnimControl control;
    EXPECT_EQ(control.geometry(), QRect(0, 0, 32, 32));
    EXPECT_TRUE(control.Center());
    EXPECT_TRUE(control.Border());
    EXPECT_FALSE(control.AutoPlay());
    EXPECT_EQ(control.CurrentFrame(), -1);
}

TEST(AnimControl, PlaysTheClipAtItsRateAndStopsAfterTheRepeats)
{
    WritePatternMovie("clip.avi", Width, Height, Frames, 24, 20);
    TAnimControl control;
    control.resize(Width + 20, Height + 10);
    control.SetAviFile(clipName("clip.avi"));
    EXPECT_EQ(control.AviFile(), clipName("clip.avi"));
    EXPECT_EQ(control.FrameCount(), Frames);
    EXPECT_EQ(control.FrameInterval(), 50) << "20 frames a second";
    EXPECT_FALSE(control.IsPlaying());
    EXPECT_TRUE(showsFrame(control, 0, QPoint(10, 5))) << "the first frame, centred";

    std::vector<int> shown;
    control.Play(2, 4, 2);
    EXPECT_TRUE(ServeUntil([&] {
        if (shown.empty() || shown.back() != control.CurrentFrame())
            shown.push_back(control.CurrentFrame());
        return !control.IsPlaying();
    }));
    EXPECT_EQ(shown, (std::vector<int>{2, 3, 4, 2, 3, 4}));
    EXPECT_TRUE(showsFrame(control, 4, QPoint(10, 5)));

    control.Seek(1);
    EXPECT_TRUE(showsFrame(control, 1, QPoint(10, 5)));
    control.SetCenter(false);
    EXPECT_EQ(control.FrameCount(), Frames) << "the clip opened again";
    EXPECT_TRUE(showsFrame(control, 0, QPoint(0, 0)));
}

TEST(AnimControl, AutoPlayPlaysForEverFromTheOpen)
{
    WritePatternMovie("clip.avi", Width, Height, Frames, 24, 50);
    TAnimControl control;
    control.SetAutoPlay(true);
    control.SetAviFile(clipName("clip.avi"));
    EXPECT_TRUE(control.IsPlaying());
    int wraps = 0;
    int last = control.CurrentFrame();
    EXPECT_TRUE(ServeUntil([&] {
        wraps += control.CurrentFrame() < last;
        last = control.CurrentFrame();
        return wraps == 2;
    }));
    EXPECT_TRUE(control.IsPlaying());
    control.Stop();
    EXPECT_FALSE(control.IsPlaying());
    control.SetAviFile(CString());
    EXPECT_EQ(control.CurrentFrame(), -1) << "an empty name leaves the control empty";
    EXPECT_EQ(control.AviFile(), CString());
}

// Where the stream header's frame count lies in an AVI file written by our
// writer: the first "strh" chunk, then 8 bytes of chunk header and 32 of
// fields before dwLength.
qsizetype streamLengthOffset(const QByteArray &clip)
{
    return clip.indexOf("strh") + 8 + 32;
}

TEST(AnimControl, AMissingDamagedOrOversizedClipIsRefusedWithOneMessageAndNothingMore)
{
    WritePatternMovie("good.avi", Width, Height, Frames);
    const QByteArray good = ReadHostFile(HostPath("good.avi"));
    ASSERT_GT(streamLengthOffset(good), 40);
    QByteArray longClip = good;
    const uint32_t frames = 0x7FFFFFFF;
    std::memcpy(longClip.data() + streamLengthOffset(good), &frames, sizeof frames);
    QByteArray garbage(4096, '\x5A');
    garbage.replace(0, 4, "RIFF");

    struct Row
    {
        const char *name;
        QByteArray bytes;   // none: no file
    };
    std::vector<Row> rows = {
        {"missing.avi", {}},
        {"empty.avi", QByteArray("")},
        {"garbage.avi", garbage},
        {"header-only.avi", good.left(200)},
        {"no-frames.avi", good.left(good.indexOf("movi") + 4)},
        {"endless.avi", longClip},
    };
    int boxes = 0;
    SetMessageBoxResponder([&](const QString &, const QString &, UINT) {
        ++boxes;
        return IDOK;
    });
    QuietDebugOutput quiet;
    TAnimControl control;
    control.SetAviFile(clipName("good.avi"));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.bytes.isNull())
            WriteHostFile(HostPath(row.name), row.bytes);
        const CString name = clipName(row.name);
        EXPECT_EQ(openFailure(control, name), std::string("Unable to open avi file ") + name.c_str());
        EXPECT_EQ(control.AviFile(), clipName("good.avi")) << "the old name stays";
        EXPECT_EQ(control.CurrentFrame(), -1) << "nothing shown";
        EXPECT_FALSE(control.IsPlaying());
    }
    EXPECT_EQ(boxes, 0);
    SetMessageBoxResponder(nullptr);
}

} // namespace
