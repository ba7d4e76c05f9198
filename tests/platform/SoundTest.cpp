#include "../SoundCapture.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/Sound.h>

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

// Writes a file in the test folder and answers its Windows path.
std::string soundFile(const std::string &name, const QByteArray &bytes)
{
    const std::string host = TestHostFolder() + '/' + name;
    WriteHostFile(host, bytes);
    return WindowsPathFromHost(host);
}

BOOL play(const std::string &path)
{
    return PlaySound(path.c_str(), nullptr, SND_FILENAME | SND_SYNC);
}

} // namespace

TEST(PlaySound, PlaysTheFramesOfEveryKindOfWaveFile)
{
    struct Case
    {
        const char *name;
        WaveLayout layout;
    };
    const Case cases[] = {
        {"8-bit mono", {1, 1, 8000, 8, false}},
        {"16-bit stereo", {1, 2, 44100, 16, false}},
        {"24-bit", {1, 2, 48000, 24, false}},
        {"32-bit", {1, 1, 22050, 32, false}},
        {"32-bit float", {3, 2, 44100, 32, false}},
        {"64-bit float", {3, 1, 44100, 64, false}},
        {"extensible 16-bit", {1, 2, 44100, 16, true}},
    };
    SoundCapture capture;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        capture.forget();
        const QByteArray frames = CountingBytes(c.layout.channels * c.layout.bitsPerSample / 8 * 100);
        EXPECT_EQ(play(soundFile("sound.wav", WaveFile(c.layout, frames))), TRUE);
        EXPECT_EQ(capture.played(), frames);
    }
}

TEST(PlaySound, RefusesWhatItCannotPlayAndPlaysNothing)
{
    const QByteArray frames = CountingBytes(200);
    const QByteArray good = WaveFile({}, frames);
    struct Case
    {
        const char *name;
        QByteArray file;
    };
    QByteArray noFormat = good;
    noFormat.replace(12, 4, "junk");
    QByteArray notWave = good;
    notWave.replace(8, 4, "AVI ");
    const Case cases[] = {
        {"empty", QByteArray()},
        {"text", "just some text, not a sound"},
        {"not a wave", notWave},
        {"no format chunk before the frames", noFormat},
        {"ADPCM", WaveFile({2, 1, 8000, 4, false}, frames)},
        {"12-bit", WaveFile({1, 1, 8000, 12, false}, frames)},
        {"no channels", WaveFile({1, 0, 8000, 16, false}, frames)},
        {"nine channels", WaveFile({1, 9, 8000, 16, false}, frames)},
        {"rate 0", WaveFile({1, 1, 0, 16, false}, frames)},
        {"rate beyond any device", WaveFile({1, 1, 4000000, 16, false}, frames)},
        {"16-bit float", WaveFile({3, 1, 8000, 16, false}, frames)},
        {"extensible without its sub-format", WaveFile({0xFFFE, 1, 8000, 16, false}, frames)},
    };
    SoundCapture capture;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(play(soundFile("bad.wav", c.file)), FALSE);
        EXPECT_TRUE(capture.played().isEmpty());
    }
}

TEST(PlaySound, NeverPlaysMoreThanTheFileHolds)
{
    const QByteArray frames = CountingBytes(64);
    const QByteArray good = WaveFile({1, 1, 8000, 16, false}, frames);
    const int dataStart = good.size() - frames.size();
    SoundCapture capture;
    for (int length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        capture.forget();
        const BOOL played = play(soundFile("cut.wav", good.left(length)));
        const QByteArray output = capture.played();
        if (length < dataStart) {
            EXPECT_EQ(played, FALSE);
            EXPECT_TRUE(output.isEmpty());
            continue;
        }
        // A data chunk that claims more than is there plays the whole frames left.
        const int wholeFrames = (length - dataStart) / 2 * 2;
        EXPECT_EQ(output, frames.left(wholeFrames));
    }
}

TEST(PlaySound, AnswersAtOnceForWhatIsNoSoundFile)
{
    SoundCapture capture;
    const std::string good = soundFile("good.wav", WaveFile({}, CountingBytes(32)));
    const std::string fifo = TestHostFolder() + "/fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(play(WindowsPathFromHost(fifo)), FALSE);   // never waits for a writer
    EXPECT_EQ(play(WindowsPathFromHost(TestHostFolder() + "/missing.wav")), FALSE);
    EXPECT_EQ(play(TestWindowsFolder().toStdString()), FALSE);
    EXPECT_EQ(PlaySound(good.c_str(), nullptr, SND_FILENAME | SND_ASYNC), FALSE);
    EXPECT_EQ(PlaySound(good.c_str(), nullptr, SND_SYNC), FALSE);   // only files are played
    EXPECT_EQ(PlaySound(nullptr, nullptr, SND_FILENAME), TRUE);
    EXPECT_TRUE(capture.played().isEmpty());
}

TEST(PlaySound, WithoutASoundDeviceNothingHappens)
{
    SoundCapture missing(SoundCapture::Device::Missing);
    EXPECT_EQ(play(soundFile("good.wav", WaveFile({}, CountingBytes(32)))), FALSE);
}
