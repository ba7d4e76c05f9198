#include "AviTestSupport.h"

#include <lib/AviFile.h>
#include <lib/controls/ProgressPanel.h>

#include <gtest/gtest.h>

#include <QProgressBar>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>

namespace {

// Reads every frame in the order given and checks it against the pattern.
void expectFramesInOrder(CAviFile &avi, const std::vector<int> &order, int width, int height, int bits)
{
    for (const int n : order) {
        SCOPED_TRACE(n);
        const ReadBack read = ReadOneFrame(avi, n);
        ASSERT_EQ(read.result, aviSuccess);
        EXPECT_EQ(read.width, unsigned(width));
        EXPECT_EQ(read.height, unsigned(height));
        EXPECT_EQ(read.bits, unsigned(bits));
        EXPECT_EQ(read.rgb, StoredRgb(PatternRgb(width, height, n), bits));
    }
}

std::vector<int> framesForwards(int count)
{
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

// A progress row that can be told to cancel after so many steps, as a user
// pressing Cancel while the bar moves would.
class CancellingProgress : public TProgress
{
public:
    CancellingProgress(TProgressPanel *panel, int cancelAfter) : TProgress(panel), m_cancelAfter(cancelAfter) {}

    void Nudge() override
    {
        ++nudges;
        TProgress::Nudge();
        if (nudges == m_cancelAfter)
            Cancelled = true;
    }

    int nudges = 0;

private:
    int m_cancelAfter;
};

std::unique_ptr<TProgressPanel> panelWithRows()
{
    auto panel = std::make_unique<TProgressPanel>();
    panel->AddBar(QStringLiteral("Saving:"));
    panel->AddBar(QStringLiteral("Compressing:"));
    panel->SetItemIndex(1);
    return panel;
}

AviCompressOptions optionsFor(const char *codec)
{
    AviCompressOptions options;
    options.codec = codec;
    return options;
}

} // namespace

TEST(CAviFile, ErrorMessages)
{
    const struct { int code; const char *text; } cases[] = {
        {0, "Success"},
        {1, "Failed to open AVI file"},
        {2, "Failed to create AVI stream"},
        {3, "Failed to get AVI format"},
        {4, "Failed to set AVI format"},
        {5, "Failed to read from AVI stream"},
        {6, "Failed to write to AVI stream"},
        {7, "Failed to read from AVI stream"},
        {8, "Failed to get AVI stream info"},
        {9, "Failed to open compression dialog"},
        {10, "Cancelled by user"},
        {11, "Unknown AVI error"},
        {-1, "Unknown AVI error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(CAviFile::GetErrorMessage(TAviResult(c.code)), c.text);
    }
}

// Frames of every bit depth the writer takes, at widths whose rows need
// padding, read back exactly in order, backwards and at random.
TEST(CAviFile, FramesReadBackExactlyInAnyOrder)
{
    const struct { int width, height, bits; } formats[] = {{9, 7, 24}, {5, 3, 32}, {7, 4, 16}};
    constexpr int Frames = 10;
    for (const auto &f : formats) {
        SCOPED_TRACE(f.bits);
        const QString name = QStringLiteral("movie%1.avi").arg(f.bits);
        WritePatternMovie(name, f.width, f.height, Frames, f.bits);

        CAviFile avi;
        ASSERT_EQ(avi.OpenRead(TestPath(name)), aviSuccess);
        std::vector<int> order = framesForwards(Frames);
        expectFramesInOrder(avi, order, f.width, f.height, f.bits);
        std::reverse(order.begin(), order.end());
        expectFramesInOrder(avi, order, f.width, f.height, f.bits);
        std::mt19937 random(uint32_t(f.bits));
        for (int i = 0; i < 3; ++i) {
            std::shuffle(order.begin(), order.end(), random);
            expectFramesInOrder(avi, order, f.width, f.height, f.bits);
        }
        expectFramesInOrder(avi, {4, 4, 5, 2, 9, 0, 0}, f.width, f.height, f.bits);
    }
}

TEST(CAviFile, FrameAndStreamInfoAgreeWithWhatWasWritten)
{
    WritePatternMovie(QStringLiteral("info.avi"), 9, 7, 6, 24, 12, "Summer in the hills");
    CAviFile avi;
    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("info.avi"))), aviSuccess);

    BITMAPINFOHEADER header{};
    ASSERT_EQ(avi.GetFrameInfo(5, &header), aviSuccess);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 9);
    EXPECT_EQ(header.biHeight, 7);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, 0u);
    EXPECT_EQ(header.biSizeImage, RowBytes(9, 24) * 7);

    AviStreamInfo info;
    ASSERT_EQ(avi.GetStreamInfo(&info), aviSuccess);
    EXPECT_EQ(info.type, AviFourCC("vids"));
    EXPECT_EQ(info.handler, 0u);
    EXPECT_EQ(info.scale, 1u);
    EXPECT_EQ(info.rate, 12u);
    EXPECT_EQ(info.start, 0u);
    EXPECT_EQ(info.length, 6u);
    EXPECT_EQ(info.frame, CRect(0, 0, 9, 7));
    EXPECT_STREQ(info.name, "Summer in the hills");
}

TEST(CAviFile, StreamNameIsCutTo63Characters)
{
    const std::string longName(100, 'n');
    WritePatternMovie(QStringLiteral("named.avi"), 4, 4, 1, 24, 10, longName.c_str());
    CAviFile avi;
    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("named.avi"))), aviSuccess);
    AviStreamInfo info;
    ASSERT_EQ(avi.GetStreamInfo(&info), aviSuccess);
    EXPECT_EQ(std::string(info.name.c_str()), longName.substr(0, 63));
}

TEST(CAviFile, FramesOutsideTheStreamAndClosedFilesAnswerTheirCodes)
{
    CAviFile avi;
    EXPECT_EQ(ReadOneFrame(avi, 0).result, aviNoFrameReader);
    BITMAPINFOHEADER header{};
    AviStreamInfo info;
    EXPECT_EQ(avi.GetFrameInfo(0, &header), aviGetFormatFailed);
    EXPECT_EQ(avi.GetStreamInfo(&info), aviStreamInfoFailed);

    WritePatternMovie(QStringLiteral("three.avi"), 4, 4, 3);
    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("three.avi"))), aviSuccess);
    for (const int frame : {3, 4, -1, 1 << 30}) {
        SCOPED_TRACE(frame);
        const ReadBack read = ReadOneFrame(avi, frame);
        EXPECT_EQ(read.result, aviGetFormatFailed);
        EXPECT_TRUE(read.rgb.empty());
        EXPECT_EQ(read.width, 0u);
        EXPECT_EQ(read.height, 0u);
        EXPECT_EQ(read.bits, 0u);
        EXPECT_EQ(avi.GetFrameInfo(frame, &header), aviGetFormatFailed);
    }
    EXPECT_EQ(ReadOneFrame(avi, 2).result, aviSuccess);

    EXPECT_EQ(avi.Close(), aviSuccess);
    EXPECT_EQ(ReadOneFrame(avi, 0).result, aviNoFrameReader);
    EXPECT_EQ(avi.GetStreamInfo(&info), aviStreamInfoFailed);
}

// A frame of the wrong size is refused and leaves the movie as it was.
TEST(CAviFile, FrameOfTheWrongSizeAnswers6AndKeepsTheMovieReadable)
{
    constexpr int Width = 6;
    constexpr int Height = 5;
    CAviFile avi;
    const BITMAPINFOHEADER format = FrameFormat(Width, Height);
    ASSERT_EQ(avi.OpenWrite(TestPath(QStringLiteral("sizes.avi")), &format, "", "DIB ", 10), aviSuccess);
    const Bytes first = DibFromRgb(PatternRgb(Width, Height, 0), Width, Height, 24);
    const Bytes second = DibFromRgb(PatternRgb(Width, Height, 1), Width, Height, 24);
    const Bytes tooLong(first.size() + 4, 0x55);
    int32_t written = -1;
    ASSERT_EQ(avi.WriteFrame(first.data(), uint32_t(first.size()), &written), aviSuccess);
    for (const uint32_t size : {uint32_t(first.size() - 1), uint32_t(first.size() + 4), 0u}) {
        SCOPED_TRACE(size);
        written = -1;
        EXPECT_EQ(avi.WriteFrame(tooLong.data(), size, &written), aviWriteFailed);
        EXPECT_EQ(written, 0);
    }
    EXPECT_EQ(avi.WriteFrame(nullptr, uint32_t(first.size()), nullptr), aviWriteFailed);
    ASSERT_EQ(avi.WriteFrame(second.data(), uint32_t(second.size()), nullptr), aviSuccess);
    ASSERT_EQ(avi.Close(), aviSuccess);

    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("sizes.avi"))), aviSuccess);
    AviStreamInfo info;
    ASSERT_EQ(avi.GetStreamInfo(&info), aviSuccess);
    EXPECT_EQ(info.length, 2u);
    expectFramesInOrder(avi, {1, 0}, Width, Height, 24);
}

TEST(CAviFile, WriteFrameWithoutAMovieAnswers6)
{
    CAviFile avi;
    const Bytes frame(48, 0);
    int32_t written = -1;
    EXPECT_EQ(avi.WriteFrame(frame.data(), uint32_t(frame.size()), &written), aviWriteFailed);
    EXPECT_EQ(written, 0);
}

// Every way OpenWrite can fail answers its code, and neither the target nor
// a temporary file is left behind.
TEST(CAviFile, OpenWriteRefusesWhatItCannotWrite)
{
    const auto with = [](auto change) {
        BITMAPINFOHEADER format = FrameFormat(8, 8);
        change(format);
        return format;
    };
    const struct { const char *what; BITMAPINFOHEADER format; int rate; TAviResult result; } cases[] = {
        {"rate 0", FrameFormat(8, 8), 0, aviCreateStreamFailed},
        {"rate below 0", FrameFormat(8, 8), -5, aviCreateStreamFailed},
        {"8 bits", FrameFormat(8, 8, 8), 10, aviSetFormatFailed},
        {"compressed", with([](auto &f) { f.biCompression = AviFourCC("cvid"); }), 10, aviSetFormatFailed},
        {"no width", FrameFormat(0, 8), 10, aviSetFormatFailed},
        {"top-down", FrameFormat(8, -8), 10, aviSetFormatFailed},
        {"two planes", with([](auto &f) { f.biPlanes = 2; }), 10, aviSetFormatFailed},
        {"header size", with([](auto &f) { f.biSize = 12; }), 10, aviSetFormatFailed},
        {"image bytes", with([](auto &f) { f.biSizeImage = 100; }), 10, aviSetFormatFailed},
        {"over 2^28 pixels", FrameFormat(16384, 16385), 10, aviSetFormatFailed},
        {"wider than 32767", FrameFormat(32768, 2), 10, aviSetFormatFailed},
    };
    WriteHostFile(HostPath(QStringLiteral("old.avi")), "the old movie");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        CAviFile avi;
        EXPECT_EQ(avi.OpenWrite(TestPath(QStringLiteral("old.avi")), &c.format, "", "DIB ", c.rate), c.result);
        EXPECT_EQ(avi.WriteFrame("x", 1, nullptr), aviWriteFailed);
        avi.Close();
        EXPECT_EQ(ReadHostFile(HostPath(QStringLiteral("old.avi"))), QByteArray("the old movie"));
        EXPECT_EQ(TestFolderNames(), std::set<std::string>{"old.avi"});
    }
    CAviFile avi;
    EXPECT_EQ(avi.OpenWrite(TestPath(QStringLiteral("old.avi")), nullptr, "", "DIB ", 10), aviSetFormatFailed);
    const BITMAPINFOHEADER format = FrameFormat(8, 8);
    EXPECT_EQ(avi.OpenWrite(TestPath(QStringLiteral("missing\\new.avi")), &format, "", "DIB ", 10), aviOpenFailed);
    // The largest picture a frame may hold is still taken.
    const BITMAPINFOHEADER largest = FrameFormat(16384, 16384);
    EXPECT_EQ(avi.OpenWrite(TestPath(QStringLiteral("large.avi")), &largest, "", "DIB ", 10), aviSuccess);
}

// Until Close, a movie being written leaves the old file as it was.
TEST(CAviFile, MovieReplacesTheOldFileOnlyWhenClosed)
{
    const std::string host = HostPath(QStringLiteral("replace.avi"));
    WriteHostFile(host, "the old movie");
    CAviFile avi;
    const BITMAPINFOHEADER format = FrameFormat(4, 4);
    ASSERT_EQ(avi.OpenWrite(TestPath(QStringLiteral("replace.avi")), &format, "", "DIB ", 10), aviSuccess);
    const Bytes frame = DibFromRgb(PatternRgb(4, 4, 0), 4, 4, 24);
    ASSERT_EQ(avi.WriteFrame(frame.data(), uint32_t(frame.size()), nullptr), aviSuccess);
    EXPECT_EQ(ReadHostFile(host), QByteArray("the old movie"));
    ASSERT_EQ(avi.Close(), aviSuccess);
    EXPECT_EQ(ReadHostFile(host).left(4), QByteArray("RIFF"));
    EXPECT_EQ(TestFolderNames(), std::set<std::string>{"replace.avi"});
}

// A discarded movie, as after a cancel, leaves the old file and nothing beside it.
TEST(CAviFile, DiscardedMovieKeepsTheOldFile)
{
    const std::string host = HostPath(QStringLiteral("keep.avi"));
    WriteHostFile(host, "the old movie");
    CAviFile avi;
    const BITMAPINFOHEADER format = FrameFormat(4, 4);
    ASSERT_EQ(avi.OpenWrite(TestPath(QStringLiteral("keep.avi")), &format, "", "DIB ", 10), aviSuccess);
    const Bytes frame = DibFromRgb(PatternRgb(4, 4, 0), 4, 4, 24);
    ASSERT_EQ(avi.WriteFrame(frame.data(), uint32_t(frame.size()), nullptr), aviSuccess);
    avi.Discard();
    EXPECT_EQ(avi.Close(), aviSuccess);
    EXPECT_EQ(ReadHostFile(host), QByteArray("the old movie"));
    EXPECT_EQ(TestFolderNames(), std::set<std::string>{"keep.avi"});
}

TEST(CAviFile, FilesThatAreNoMoviesAnswer1)
{
    const QuietDebugOutput quiet;
    WriteHostFile(HostPath(QStringLiteral("text.avi")), "just some text, not a movie at all");
    WriteHostFile(HostPath(QStringLiteral("empty.avi")), QByteArray());
    // A RIFF file of another kind.
    WriteHostFile(HostPath(QStringLiteral("sound.avi")), QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(24, '\0'));
    std::filesystem::create_directory(HostPath(QStringLiteral("folder.avi")));
    for (const char *name : {"text.avi", "empty.avi", "sound.avi", "folder.avi", "missing.avi"}) {
        SCOPED_TRACE(name);
        CAviFile avi;
        EXPECT_EQ(avi.OpenRead(TestPath(QString::fromUtf8(name))), aviOpenFailed);
        EXPECT_EQ(ReadOneFrame(avi, 0).result, aviNoFrameReader);
        AviStreamInfo info;
        EXPECT_EQ(avi.GetStreamInfo(&info), aviStreamInfoFailed);
    }
}

// A movie cut at every length opens or not, but never reads past its end; each
// frame it still holds whole reads back as it was written.
TEST(CAviFile, TruncatedMovieAnswersCodesAndKeepsWholeFrames)
{
    const QuietDebugOutput quiet;
    constexpr int Width = 3;
    constexpr int Height = 2;
    constexpr int Frames = 4;
    WritePatternMovie(QStringLiteral("whole.avi"), Width, Height, Frames);
    const QByteArray whole = ReadHostFile(HostPath(QStringLiteral("whole.avi")));
    const qsizetype frameChunk = 8 + qsizetype(RowBytes(Width, 24) * Height);
    const qsizetype firstFrame = whole.indexOf("00db");
    ASSERT_GT(firstFrame, 0);

    for (qsizetype length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        WriteHostFile(HostPath(QStringLiteral("cut.avi")), whole.left(length));
        CAviFile avi;
        const TAviResult opened = avi.OpenRead(TestPath(QStringLiteral("cut.avi")));
        if (length >= firstFrame + frameChunk) {
            ASSERT_EQ(opened, aviSuccess);
        }
        if (opened != aviSuccess) {
            EXPECT_EQ(opened, aviOpenFailed);
            continue;
        }
        for (int n = Frames - 1; n >= -1; --n) {
            const ReadBack read = ReadOneFrame(avi, n);
            if (length >= firstFrame + frameChunk * (n + 1) && n >= 0) {
                EXPECT_EQ(read.result, aviSuccess) << n;
                EXPECT_EQ(read.rgb, PatternRgb(Width, Height, n)) << n;
            } else {
                EXPECT_TRUE(read.result == aviReadFailed || read.result == aviGetFormatFailed) << n;
                EXPECT_TRUE(read.rgb.empty());
            }
        }
    }
}

// Headers that lie about sizes and counts are refused or read safely.
TEST(CAviFile, DamagedHeadersAreReadSafely)
{
    const QuietDebugOutput quiet;
    WritePatternMovie(QStringLiteral("good.avi"), 4, 3, 2, 24, 10, "");
    const QByteArray good = ReadHostFile(HostPath(QStringLiteral("good.avi")));
    const auto patched = [&good](qsizetype offset, uint32_t value) {
        QByteArray bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = char(value >> (8 * i));
        return bytes;
    };
    const qsizetype firstFrame = good.indexOf("00db");
    // Frames of more pixels than any picture may have are refused; any other
    // lie may open, but nothing is read or allocated past what the file holds.
    const struct { const char *what; QByteArray bytes; bool refused; } cases[] = {
        {"width 2^27", patched(176, 1 << 27), true},
        {"height 2^27", patched(180, 1 << 27), true},
        {"negative width", patched(176, uint32_t(-4)), true},
        {"width 65536", patched(176, 65536), false},
        {"frame count in the main header", patched(48, 0x7FFFFFFF), false},
        {"frame count in the stream header", patched(140, 0x7FFFFFFF), false},
        {"stream format size", patched(168, 0x7FFFFFF0), false},
        {"stream list size", patched(92, 0xFFFFFFF0), false},
        {"header list size", patched(16, 0xFFFFFFF0), false},
        {"RIFF size", patched(4, 0xFFFFFFF0), false},
        {"frame chunk size", patched(firstFrame + 4, 0x7FFFFFF0), false},
        {"rate 0", patched(132, 0), false},
        {"scale 0", patched(128, 0), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WriteHostFile(HostPath(QStringLiteral("bad.avi")), c.bytes);
        CAviFile avi;
        const TAviResult opened = avi.OpenRead(TestPath(QStringLiteral("bad.avi")));
        if (c.refused) {
            EXPECT_EQ(opened, aviOpenFailed);
            continue;
        }
        if (opened != aviSuccess)
            continue;
        AviStreamInfo info;
        EXPECT_EQ(avi.GetStreamInfo(&info), aviSuccess);
        for (const int n : {0, 1, 2, 1000, 0x7FFFFFFE}) {
            const ReadBack read = ReadOneFrame(avi, n);
            if (read.result == aviSuccess) {
                EXPECT_EQ(read.rgb.size(), size_t(read.width) * read.height * 3);
            } else {
                EXPECT_TRUE(read.rgb.empty());
            }
        }
    }
}

// A compressed movie with frames between its key frames gives the same
// picture for a frame whatever order the frames are read in.
TEST(CAviFile, ExactFramesOfACompressedMovieInAnyOrder)
{
    constexpr int Width = 32;
    constexpr int Height = 24;
    constexpr int Frames = 12;
    WritePatternMovie(QStringLiteral("source.avi"), Width, Height, Frames);
    CAviFile avi;
    AviCompressOptions options = optionsFor("mpeg4");
    options.keyFrameEvery = 5;
    options.quality = 90;
    ASSERT_EQ(avi.Compress(TestPath(QStringLiteral("source.avi")), TestPath(QStringLiteral("mpeg4.avi")), &options,
                           nullptr),
              aviSuccess);

    ASSERT_EQ(avi.OpenRead(TestPath(QStringLiteral("mpeg4.avi"))), aviSuccess);
    std::vector<Bytes> inOrder;
    for (int n = 0; n < Frames; ++n) {
        const ReadBack read = ReadOneFrame(avi, n);
        ASSERT_EQ(read.result, aviSuccess);
        inOrder.push_back(read.rgb);
        // Nearer its own picture than any other: no frame is taken for its neighbour.
        const double own = MeanError(read.rgb, PatternRgb(Width, Height, n));
        for (int other = 0; other < Frames; ++other) {
            if (other != n) {
                EXPECT_LT(own, MeanError(read.rgb, PatternRgb(Width, Height, other))) << n << " " << other;
            }
        }
    }
    std::vector<int> order = framesForwards(Frames);
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    order.insert(order.end(), {11, 3, 4, 9, 8, 7, 0, 6});
    for (const int n : order) {
        SCOPED_TRACE(n);
        const ReadBack read = ReadOneFrame(avi, n);
        ASSERT_EQ(read.result, aviSuccess);
        EXPECT_EQ(read.rgb, inOrder[size_t(n)]);
    }
}

TEST(CAviFile, CompressReportsEachPercentOnceAndOneStepMore)
{
    WritePatternMovie(QStringLiteral("seven.avi"), 8, 8, 7);
    const std::unique_ptr<TProgressPanel> panel = panelWithRows();
    CancellingProgress progress(panel.get(), -1);
    const AviCompressOptions options = optionsFor("huffyuv");
    CAviFile avi;
    ASSERT_EQ(avi.Compress(TestPath(QStringLiteral("seven.avi")), TestPath(QStringLiteral("out.avi")), &options,
                           &progress),
              aviSuccess);
    EXPECT_EQ(progress.nudges, 101);
    EXPECT_EQ(panel->GetBar(1)->value(), panel->GetBar(1)->maximum());
}

// A cancel at any point leaves the old target byte for byte and no
// temporary file beside it.
TEST(CAviFile, CancelledCompressionKeepsTheOldTarget)
{
    WritePatternMovie(QStringLiteral("source.avi"), 8, 8, 5);
    const QByteArray oldTarget("an old movie the user wants to keep");
    const std::unique_ptr<TProgressPanel> panel = panelWithRows();
    for (const int cancelAfter : {0, 1, 40, 100}) {
        SCOPED_TRACE(cancelAfter);
        WriteHostFile(HostPath(QStringLiteral("target.avi")), oldTarget);
        CancellingProgress progress(panel.get(), cancelAfter);
        progress.Cancelled = cancelAfter == 0;
        const AviCompressOptions options = optionsFor("mjpeg");
        CAviFile avi;
        EXPECT_EQ(avi.Compress(TestPath(QStringLiteral("source.avi")), TestPath(QStringLiteral("target.avi")),
                               &options, &progress),
                  aviCancelled);
        EXPECT_EQ(ReadHostFile(HostPath(QStringLiteral("target.avi"))), oldTarget);
        EXPECT_EQ(TestFolderNames(), (std::set<std::string>{"source.avi", "target.avi"}));
    }
}

TEST(CAviFile, CompressFailuresAnswerTheirCodes)
{
    WritePatternMovie(QStringLiteral("source.avi"), 8, 8, 2);
    WriteHostFile(HostPath(QStringLiteral("text.avi")), "not a movie");
    const AviCompressOptions good = optionsFor("mjpeg");
    const AviCompressOptions unknown = optionsFor("no such codec");
    const AviCompressOptions none;
    const struct {
        const char *what;
        const char *source;
        const char *target;
        const AviCompressOptions *options;
        TAviResult result;
    } cases[] = {
        {"missing source", "missing.avi", "out.avi", &good, aviOpenFailed},
        {"source no movie", "text.avi", "out.avi", &good, aviOpenFailed},
        {"unknown codec", "source.avi", "out.avi", &unknown, aviCreateStreamFailed},
        {"no codec chosen", "source.avi", "out.avi", &none, aviCreateStreamFailed},
        {"no options", "source.avi", "out.avi", nullptr, aviCreateStreamFailed},
        {"target folder missing", "source.avi", "missing\\out.avi", &good, aviWriteFailed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        CAviFile avi;
        EXPECT_EQ(avi.Compress(TestPath(QString::fromUtf8(c.source)), TestPath(QString::fromUtf8(c.target)),
                               c.options, nullptr),
                  c.result);
        EXPECT_EQ(TestFolderNames(), (std::set<std::string>{"source.avi", "text.avi"}));
    }
}
