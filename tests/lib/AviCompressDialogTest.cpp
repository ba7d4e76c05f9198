#include "AviTestSupport.h"

#include <lib/AviCompressDialog.h>
#include <lib/AviFile.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>

namespace {

constexpr int Width = 64;
constexpr int Height = 48;

// Runs action on the compression dialog once it is shown, as a user would.
void whenDialogShows(std::function<void(TAviCompressDialog *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        auto *dialog = qobject_cast<TAviCompressDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no compression dialog is shown";
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *other = qobject_cast<QDialog *>(widget))
                    other->reject();
            }
            return;
        }
        action(dialog);
    });
}

AviStreamInfo streamOfPatternMovie(const QString &name, int width = Width, int height = Height)
{
    WritePatternMovie(name, width, height, 3);
    CAviFile avi;
    AviStreamInfo info;
    EXPECT_EQ(avi.OpenRead(TestPath(name)), aviSuccess);
    EXPECT_EQ(avi.GetStreamInfo(&info), aviSuccess);
    return info;
}

// The codecs the dialog offers for stream, as the names it answers.
std::vector<std::string> offeredCodecs(const AviStreamInfo &stream)
{
    std::vector<std::string> names;
    whenDialogShows([&names](TAviCompressDialog *dialog) {
        for (int i = 0; i < dialog->CodecList->count(); ++i)
            names.push_back(dialog->CodecList->itemData(i).toString().toStdString());
        dialog->CancelButton->click();
    });
    CAviFile avi;
    AviCompressOptions options;
    EXPECT_EQ(avi.CompressDialog(&options, &stream), aviCancelled);
    return names;
}

bool offers(const std::vector<std::string> &codecs, const std::string &name)
{
    return std::find(codecs.begin(), codecs.end(), name) != codecs.end();
}

} // namespace

TEST(TAviCompressDialog, OkAnswers0WithTheChoicesMade)
{
    const AviStreamInfo stream = streamOfPatternMovie(QStringLiteral("movie.avi"));
    whenDialogShows([](TAviCompressDialog *dialog) {
        dialog->CodecList->setCurrentIndex(dialog->CodecList->findData(QStringLiteral("mpeg4")));
        EXPECT_TRUE(dialog->QualitySlider->isEnabled());
        EXPECT_TRUE(dialog->KeyFrameCheck->isEnabled());
        EXPECT_TRUE(dialog->DataRateCheck->isEnabled());
        dialog->QualitySlider->setValue(40);
        dialog->KeyFrameCheck->setChecked(true);
        dialog->KeyFrameEdit->setValue(7);
        dialog->DataRateCheck->setChecked(true);
        dialog->DataRateEdit->setValue(100);
        dialog->OkButton->click();
    });
    CAviFile avi;
    AviCompressOptions options;
    ASSERT_EQ(avi.CompressDialog(&options, &stream), aviSuccess);
    EXPECT_STREQ(options.codec, "mpeg4");
    EXPECT_EQ(options.quality, 40);
    EXPECT_EQ(options.keyFrameEvery, 7u);
    EXPECT_EQ(options.bytesPerSecond, 100u * 1024);
}

TEST(TAviCompressDialog, CancelAnswers10AndKeepsTheOptions)
{
    const AviStreamInfo stream = streamOfPatternMovie(QStringLiteral("movie.avi"));
    whenDialogShows([](TAviCompressDialog *dialog) {
        dialog->CodecList->setCurrentIndex(dialog->CodecList->findData(QStringLiteral("mjpeg")));
        dialog->QualitySlider->setValue(5);
        dialog->CancelButton->click();
    });
    CAviFile avi;
    AviCompressOptions options;
    options.codec = "huffyuv";
    options.quality = 60;
    ASSERT_EQ(avi.CompressDialog(&options, &stream), aviCancelled);
    EXPECT_STREQ(options.codec, "huffyuv");
    EXPECT_EQ(options.quality, 60);
}

// The dialog starts from the options it is given, and greys out what the
// selected codec does not honour.
TEST(TAviCompressDialog, StartsFromTheOptionsAndGreysOutWhatACodecIgnores)
{
    const AviStreamInfo stream = streamOfPatternMovie(QStringLiteral("movie.avi"));
    whenDialogShows([](TAviCompressDialog *dialog) {
        EXPECT_EQ(dialog->CodecList->currentData().toString(), QStringLiteral("huffyuv"));
        EXPECT_EQ(dialog->QualitySlider->value(), 33);
        EXPECT_FALSE(dialog->KeyFrameCheck->isChecked());
        EXPECT_TRUE(dialog->DataRateCheck->isChecked());
        EXPECT_EQ(dialog->DataRateEdit->value(), 50);
        // A lossless intra-frame codec has no quality, key frames or data rate to choose.
        EXPECT_FALSE(dialog->QualitySlider->isEnabled());
        EXPECT_FALSE(dialog->KeyFrameCheck->isEnabled());
        EXPECT_FALSE(dialog->DataRateEdit->isEnabled());
        dialog->CodecList->setCurrentIndex(dialog->CodecList->findData(QStringLiteral("mpeg4")));
        EXPECT_TRUE(dialog->QualitySlider->isEnabled());
        EXPECT_TRUE(dialog->KeyFrameCheck->isEnabled());
        EXPECT_FALSE(dialog->KeyFrameEdit->isEnabled());   // until checked
        EXPECT_TRUE(dialog->DataRateEdit->isEnabled());
        dialog->OkButton->click();
    });
    CAviFile avi;
    AviCompressOptions options;
    options.codec = "huffyuv";
    options.quality = 33;
    options.keyFrameEvery = 0;
    options.bytesPerSecond = 50 * 1024;
    ASSERT_EQ(avi.CompressDialog(&options, &stream), aviSuccess);
    EXPECT_STREQ(options.codec, "mpeg4");
    EXPECT_EQ(options.quality, 33);
    EXPECT_EQ(options.keyFrameEvery, 0u);
}

TEST(TAviCompressDialog, AnswersFailureWithoutOptionsOrAStreamAnyCodecTakes)
{
    AviStreamInfo stream = streamOfPatternMovie(QStringLiteral("movie.avi"));
    CAviFile avi;
    AviCompressOptions options;
    EXPECT_EQ(avi.CompressDialog(nullptr, &stream), aviDialogFailed);
    EXPECT_EQ(avi.CompressDialog(&options, nullptr), aviDialogFailed);
    AviStreamInfo noRate = stream;
    noRate.rate = 0;
    EXPECT_EQ(avi.CompressDialog(&options, &noRate), aviDialogFailed);
    AviStreamInfo noFrames = stream;
    noFrames.frame = CRect();
    EXPECT_EQ(avi.CompressDialog(&options, &noFrames), aviDialogFailed);
}

TEST(TAviCompressDialog, OffersTheCommonCodecsAndOnlyThoseThatTakeTheFrameSize)
{
    const std::vector<std::string> even = offeredCodecs(streamOfPatternMovie(QStringLiteral("even.avi")));
    for (const char *name : {"rawvideo", "cinepak", "msvideo1", "mjpeg", "mpeg4", "msmpeg4v2", "huffyuv", "ffv1"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(offers(even, name));
    }
    EXPECT_EQ(even.front(), "rawvideo");

    // Microsoft Video-1 codes blocks of 4 x 4 pixels and MPEG-4 needs even sides.
    const std::vector<std::string> odd = offeredCodecs(streamOfPatternMovie(QStringLiteral("odd.avi"), 30, 21));
    EXPECT_TRUE(offers(odd, "rawvideo"));
    EXPECT_TRUE(offers(odd, "huffyuv") || offers(odd, "ffv1"));
    EXPECT_FALSE(offers(odd, "msvideo1"));
    EXPECT_LT(odd.size(), even.size());
}

// Every codec offered compresses three frames that read back close to what
// went in, each nearest its own picture.
TEST(TAviCompressDialog, EveryOfferedCodecRoundTripsThreeFrames)
{
    const AviStreamInfo stream = streamOfPatternMovie(QStringLiteral("source.avi"));
    const std::vector<std::string> codecs = offeredCodecs(stream);
    ASSERT_FALSE(codecs.empty());

    // The mean difference per colour byte that a codec may leave at quality
    // 75: none for lossless codecs, up to 8 for lossy ones. H.264 spends its
    // bits on larger pictures than these.
    const std::map<std::string, double> tolerances = {
        {"rawvideo", 0}, {"huffyuv", 0}, {"ffvhuff", 0}, {"ffv1", 0}, {"utvideo", 0}, {"magicyuv", 0},
        {"png", 0}, {"zlib", 0}, {"zmbv", 0}, {"jpegls", 0}, {"targa", 0}, {"dpx", 0}, {"flashsv", 0},
        {"r10k", 0}, {"r210", 0}, {"ljpeg", 0}, {"libopenjpeg", 0}, {"mjpeg", 4}, {"libx264", 14},
    };
    for (const std::string &codec : codecs) {
        SCOPED_TRACE(codec);
        const QString target = QString::fromStdString(codec) + QStringLiteral(".avi");
        AviCompressOptions options;
        options.codec = codec.c_str();
        CAviFile avi;
        ASSERT_EQ(avi.Compress(TestPath(QStringLiteral("source.avi")), TestPath(target), &options, nullptr),
                  aviSuccess);
        ASSERT_EQ(avi.OpenRead(TestPath(target)), aviSuccess);
        AviStreamInfo info;
        ASSERT_EQ(avi.GetStreamInfo(&info), aviSuccess);
        EXPECT_EQ(info.length, 3u);
        EXPECT_EQ(info.frame, CRect(0, 0, Width, Height));
        EXPECT_EQ(double(info.rate) / info.scale, 10.0);
        EXPECT_STREQ(info.name, "Holiday");

        const auto found = tolerances.find(codec);
        const double tolerance = found == tolerances.end() ? 8 : found->second;
        std::vector<Bytes> inOrder;
        for (int n = 0; n < 3; ++n) {
            const ReadBack read = ReadOneFrame(avi, n);
            inOrder.push_back(read.rgb);
            ASSERT_EQ(read.result, aviSuccess) << n;
            ASSERT_EQ(read.width, unsigned(Width));
            ASSERT_EQ(read.height, unsigned(Height));
            const double own = MeanError(read.rgb, PatternRgb(Width, Height, n));
            EXPECT_LE(own, tolerance) << n;
            for (int other = 0; other < 3; ++other) {
                if (other != n) {
                    EXPECT_LT(own, MeanError(read.rgb, PatternRgb(Width, Height, other))) << n << " " << other;
                }
            }
        }
        // Out of order, each frame is the very picture it was in order.
        for (const int n : {2, 0, 1, 1}) {
            const ReadBack read = ReadOneFrame(avi, n);
            ASSERT_EQ(read.result, aviSuccess) << n;
            EXPECT_EQ(read.rgb, inOrder[size_t(n)]) << n;
        }
    }
}
