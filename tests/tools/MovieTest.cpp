#include "../windows/FileDialogTestSupport.h"

#include <Source/engine/ZiloOptions.h>
#include <Source/tools/MakeMovie.h>
#include <Source/tools/MovieForm.h>
#include <lib/AviCompressDialog.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/ProgressPanel.h>
#include <lib/SafeRegIniFile.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>
#include <set>
#include <vector>

namespace {

struct Colour
{
    uint8_t red, green, blue;
};

// A movie as a reader finds it.
struct MovieRead
{
    TAviResult result = aviOpenFailed;
    AviStreamInfo stream;
    std::set<std::pair<int, int>> frameSizes;   // of every frame
};

MovieRead readMovie(const CPath &path)
{
    MovieRead movie;
    CAviFile avi;
    movie.result = avi.OpenRead(path);
    if (movie.result != aviSuccess || avi.GetStreamInfo(&movie.stream) != aviSuccess)
        return movie;
    for (uint32_t frame = 0; frame < movie.stream.length; ++frame) {
        unsigned char *rgb = nullptr;
        unsigned width = 0, height = 0, bits = 0;
        if (avi.ReadFrame(int(frame), rgb, width, height, bits) == aviSuccess)
            movie.frameSizes.insert({int(width), int(height)});
        delete[] rgb;
    }
    return movie;
}

// The pixel at x, y of a movie's frame, top-down.
Colour pixelOf(const CPath &path, int frame, unsigned x, unsigned y)
{
    CAviFile avi;
    unsigned char *rgb = nullptr;
    unsigned width = 0, height = 0, bits = 0;
    EXPECT_EQ(avi.OpenRead(path), aviSuccess);
    EXPECT_EQ(avi.ReadFrame(frame, rgb, width, height, bits), aviSuccess);
    Colour colour{0, 0, 0};
    if (rgb && x < width && y < height) {
        const unsigned char *pixel = rgb + (size_t(y) * width + x) * 3;
        colour = {pixel[0], pixel[1], pixel[2]};
    }
    delete[] rgb;
    return colour;
}

bool near(Colour a, Colour b)
{
    return std::abs(a.red - b.red) < 24 && std::abs(a.green - b.green) < 24 && std::abs(a.blue - b.blue) < 24;
}

// The movie tool's tests: pictures of the test folder as frames, their
// records held by the test.
class MovieTest : public FileDialogTest
{
protected:
    void TearDown() override
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
        FileDialogTest::TearDown();
    }

    // A JPEG of one colour in Pics, with a record that is not built.
    CThumbBitmap *picture(const std::string &name, uint32_t width, uint32_t height, Colour colour = {200, 40, 10})
    {
        const std::vector<uint8_t> jpeg = JpegBytes(width, height, colour.red, colour.green, colour.blue);
        write(name, QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
        m_records.push_back(new CThumbBitmap(CThumbBitmap::FromFile, pics(name)));
        return m_records.back();
    }
    // As picture, with a built thumbnail of another colour.
    CThumbBitmap *builtPicture(const std::string &name, uint32_t width, uint32_t height)
    {
        CThumbBitmap *record = picture(name, width, height);
        EXPECT_TRUE(record->ClaimForLoading());
        const CSize size = record->GetThumbnailSize();
        record->EndLoading(TThumbState::Loaded, JpegBytes(uint32_t(size.cx), uint32_t(size.cy), 10, 40, 200));
        return record;
    }
    std::vector<CThumbBitmap *> pictures(int count, uint32_t width = 64, uint32_t height = 48)
    {
        std::vector<CThumbBitmap *> made;
        for (int index = 0; index < count; ++index)
            made.push_back(picture("frame" + std::to_string(index) + ".jpg", width, height));
        return made;
    }

    // The movie tool's run over frames, its dialogs answered by steps.
    static void makeMovie(const std::vector<CThumbBitmap *> &records, std::vector<ModalScript::Step> steps)
    {
        const ModalScript script(std::move(steps));
        CAviFile avi;
        MakeMovie(avi, CMovieFrames(records));
    }

    // Answers the movie dialog: the target, the source, compression and the rate.
    static ModalScript::Step movieDialog(const CPath &target, bool thumbnails, bool compress, const QString &rate)
    {
        return [=](QDialog &dialog) {
            Child<THistoryComboBox>(dialog, "FileCombo")->setEditText(target.ToAnsiString());
            Child<QRadioButton>(dialog, thumbnails ? "ThumbsRadio" : "ImagesRadio")->setChecked(true);
            Child<QCheckBox>(dialog, "CompressCheck")->setChecked(compress);
            Child<QLineEdit>(dialog, "TempEdit")->setText(TestWindowsFolder());
            Child<QLineEdit>(dialog, "RateEdit")->setText(rate);
            auto *movie = dynamic_cast<TMovieForm1 *>(&dialog);
            ASSERT_TRUE(movie);
            movie->TimerTick();
            Child<QPushButton>(dialog, "SaveButton")->click();
        };
    }

    std::vector<CThumbBitmap *> m_records;   // one reference each
};

// The frames are written at the set rate, each fitted centred into the first
// frame's size, however the pictures are shaped.
TEST_F(MovieTest, FramesReadBackInOneSizeAtTheRate)
{
    const Colour red{220, 30, 20}, blue{20, 40, 220};
    const CMovieFrames frames(std::vector<CThumbBitmap *>{picture("wide.jpg", 64, 48, red), picture("tall.jpg", 48, 64, blue),
                               picture("small.jpg", 32, 24, red)});
    const CPath target = windows("fitted.avi");
    CAviFile avi;
    const MovieFrameSettings settings{.rate = 12, .useThumbnails = false, .comment = "Holiday"};
    ASSERT_EQ(WriteMovieFrames(avi, frames, target, nullptr, settings, 1, 0), aviSuccess);

    const MovieRead movie = readMovie(target);
    ASSERT_EQ(movie.result, aviSuccess);
    EXPECT_EQ(movie.stream.length, 3u);
    EXPECT_EQ(movie.stream.rate / movie.stream.scale, 12u);
    EXPECT_EQ(movie.stream.name, CString("Holiday"));
    EXPECT_EQ(movie.frameSizes, (std::set<std::pair<int, int>>{{64, 48}}));
    // The portrait frame: 36 x 48 in the middle, black bars beside it.
    EXPECT_TRUE(near(pixelOf(target, 1, 32, 24), blue));
    EXPECT_TRUE(near(pixelOf(target, 1, 2, 24), Colour{0, 0, 0}));
    EXPECT_TRUE(near(pixelOf(target, 1, 61, 24), Colour{0, 0, 0}));
    // A smaller picture fills the frame.
    EXPECT_TRUE(near(pixelOf(target, 2, 2, 2), red));
}

// From thumbnails the frames are the records' thumbnails; a record not built
// yet gives its image instead of nothing.
TEST_F(MovieTest, ThumbnailsStandInUnlessNotBuilt)
{
    const CMovieFrames built(std::vector<CThumbBitmap *>{builtPicture("a.jpg", 160, 120), builtPicture("b.jpg", 160, 120)});
    const CPath thumbs = windows("thumbs.avi");
    CAviFile avi;
    ASSERT_EQ(WriteMovieFrames(avi, built, thumbs, nullptr, {.rate = 5}, 1, 0), aviSuccess);
    const MovieRead fromThumbs = readMovie(thumbs);
    EXPECT_EQ(fromThumbs.stream.length, 2u);
    EXPECT_EQ(fromThumbs.frameSizes, (std::set<std::pair<int, int>>{{built.Record(0).GetThumbnailSize().cx,
                                                                     built.Record(0).GetThumbnailSize().cy}}));
    EXPECT_TRUE(near(pixelOf(thumbs, 0, 4, 4), Colour{10, 40, 200}));

    const CMovieFrames unbuilt(pictures(3));
    const CPath images = windows("unbuilt.avi");
    ASSERT_EQ(WriteMovieFrames(avi, unbuilt, images, nullptr, {.rate = 5}, 1, 0), aviSuccess);
    const MovieRead fromImages = readMovie(images);
    EXPECT_EQ(fromImages.stream.length, 3u);
    EXPECT_EQ(fromImages.frameSizes, (std::set<std::pair<int, int>>{{64, 48}}));
}

// A compression's sample takes every count / 10th frame from the first.
TEST_F(MovieTest, SampleTakesEveryTenthFrame)
{
    struct Case
    {
        int frames, step, written;
    };
    const std::vector<CThumbBitmap *> all = pictures(25, 16, 12);
    for (const Case &sample : {Case{25, 2, 13}, Case{9, 1, 9}, Case{1, 1, 1}, Case{20, 2, 10}}) {
        SCOPED_TRACE(sample.frames);
        EXPECT_EQ(MovieSampleStep(sample.frames), sample.step);
        const CMovieFrames frames(std::vector<CThumbBitmap *>(all.begin(), all.begin() + sample.frames));
        const CPath target = windows("sample.avi");
        CAviFile avi;
        ASSERT_EQ(WriteMovieFrames(avi, frames, target, nullptr, {}, MovieSampleStep(sample.frames), 0), aviSuccess);
        EXPECT_EQ(readMovie(target).stream.length, uint32_t(sample.written));
    }
    EXPECT_EQ(MovieSampleStep(0), 1);
}

// A cancel or a failure leaves the old target byte for byte and nothing beside it.
TEST_F(MovieTest, CancelAndFailureKeepTheOldTarget)
{
    const QByteArray old("the old movie");
    write("old.avi", old);
    const std::vector<CThumbBitmap *> records = pictures(4);
    const CMovieFrames frames(records);
    CAviFile avi;

    TProgressPanel panel;
    panel.AddBar(QStringLiteral("Saving:"));
    TProgress cancelled(&panel);
    cancelled.SetIndex(0);
    cancelled.SetTotal(frames.Count());
    cancelled.Cancelled = true;
    EXPECT_EQ(WriteMovieFrames(avi, frames, pics("old.avi"), &cancelled, {}, 1, 0), aviCancelled);
    EXPECT_EQ(ReadHostFile(picsHost("old.avi")), old);

    // No frame can be read once the pictures are gone.
    for (int index = 0; index < 4; ++index)
        std::filesystem::remove(picsHost("frame" + std::to_string(index) + ".jpg"));
    EXPECT_EQ(WriteMovieFrames(avi, frames, pics("old.avi"), nullptr, {}, 1, 0), aviReadFailed);
    EXPECT_EQ(ReadHostFile(picsHost("old.avi")), old);
    EXPECT_EQ(names(), std::vector<std::string>{"old.avi"});
}

// The whole run without compression: the dialog's choices are stored and the
// movie is written from the images.
TEST_F(MovieTest, MakeMovieStoresTheChoicesAndWritesTheMovie)
{
    const CPath target = windows("run.avi");
    const MessageBoxScript boxes;
    makeMovie(pictures(3), {movieDialog(target, false, false, QStringLiteral("10"))});
    const MovieRead movie = readMovie(target);
    ASSERT_EQ(movie.result, aviSuccess);
    EXPECT_EQ(movie.stream.length, 3u);
    EXPECT_EQ(movie.stream.rate / movie.stream.scale, 10u);
    EXPECT_EQ(movie.frameSizes, (std::set<std::pair<int, int>>{{64, 48}}));
    EXPECT_EQ(MovieOptions->GetInt(TMovieOptions::Thumbs), 0);
    EXPECT_EQ(MovieOptions->GetInt(TMovieOptions::Compress), 0);
    EXPECT_EQ(MovieOptions->GetInt(TMovieOptions::FramesPerSecond), 10);
    EXPECT_EQ(SettingsStore->ReadString(QStringLiteral("Movie"), QStringLiteral("History 1"), QString()),
              target.ToAnsiString());
    EXPECT_TRUE(boxes.boxes().empty());
}

// An existing movie is replaced only after the user says yes.
TEST_F(MovieTest, ExistingTargetIsReplacedOnlyOnYes)
{
    const QByteArray old("the old movie");
    write("old.avi", old);
    const std::vector<CThumbBitmap *> frames = pictures(2);
    {
        const MessageBoxScript no({IDNO});
        // No keeps the dialog open.
        const ModalScript::Step save = movieDialog(pics("old.avi"), false, false, QStringLiteral("5"));
        makeMovie(frames, {[save](QDialog &dialog) {
                      save(dialog);
                      EXPECT_TRUE(dialog.isVisible());
                      dialog.reject();
                  }});
        ASSERT_EQ(no.boxes().size(), 1u);
        EXPECT_EQ(no.boxes()[0].text, QStringLiteral("Do you want to overwrite '%1'?").arg(pics("old.avi").ToAnsiString()));
        EXPECT_EQ(ReadHostFile(picsHost("old.avi")), old);
    }
    const MessageBoxScript yes({IDYES});
    makeMovie(frames, {movieDialog(pics("old.avi"), false, false, QStringLiteral("5"))});
    EXPECT_EQ(readMovie(pics("old.avi")).stream.length, 2u);
}

// Save is greyed until the name, the rate and the temporary folder will do.
TEST_F(MovieTest, SaveWaitsForAUsableNameRateAndFolder)
{
    const CMovieFrames frames(pictures(2));
    TMovieForm1 form(nullptr, frames);
    struct Case
    {
        QString name, rate, temp;
        bool enabled;
    };
    const QString folder = TestWindowsFolder();
    for (const Case &typed : {Case{"C:\\a.avi", "25", folder, true}, Case{"  ", "25", folder, false},
                              Case{"C:\\a.avi", "0", folder, false}, Case{"C:\\a.avi", "x", folder, false},
                              Case{"C:\\a.avi", "", folder, false},
                              Case{"C:\\a.avi", "25", folder + "\\missing", false},
                              Case{"C:\\a.avi", "25", "relative", false}}) {
        SCOPED_TRACE((typed.name + " " + typed.rate + " " + typed.temp).toStdString());
        form.FileCombo->setEditText(typed.name);
        form.RateEdit->setText(typed.rate);
        form.TempEdit->setText(typed.temp);
        form.TimerTick();
        EXPECT_EQ(form.SaveButton->isEnabled(), typed.enabled);
    }
}

// The space estimate: thumbnails at once, images four a tick, and again from
// 0 when the source changes.
TEST_F(MovieTest, EstimateCountsImagesFourATick)
{
    const CMovieFrames frames(pictures(6, 40, 30));
    TMovieForm1 form(nullptr, frames);
    form.TempEdit->setText(TestWindowsFolder());
    form.ThumbsRadio->setChecked(true);
    form.TimerTick();
    const CSize thumbnail = frames.Record(0).GetThumbnailSize();
    EXPECT_EQ(form.Estimate(), uint64_t(thumbnail.cx) * uint64_t(thumbnail.cy) * 6 * 3);
    EXPECT_EQ(form.EstimateIndex(), -1);

    form.ImagesRadio->setChecked(true);
    EXPECT_EQ(form.Estimate(), 0u);
    form.TimerTick();
    EXPECT_EQ(form.EstimateIndex(), 4);
    EXPECT_EQ(form.Estimate(), 4u * 40 * 30 * 3);
    form.TimerTick();
    EXPECT_EQ(form.EstimateIndex(), -1);
    EXPECT_EQ(form.Estimate(), 6u * 40 * 30 * 3);
    EXPECT_TRUE(form.TempStatus->text().endsWith(QStringLiteral("required")));

    form.TempEdit->setText(TestWindowsFolder() + QStringLiteral("\\missing"));
    form.TimerTick();
    EXPECT_EQ(form.TempStatus->text(), QStringLiteral("Folder does not exist"));
    EXPECT_TRUE(form.TempStatus->font().bold());
}

// With compression: a sample of the thumbnails for the compression dialog,
// then the frames compressed into the target; the temporary movie never stays,
// and a cancel in the dialog keeps the old target.
TEST_F(MovieTest, CompressionRunsThroughTheSampleAndTheDialog)
{
    const std::vector<CThumbBitmap *> frames = pictures(12);
    const auto acceptCompression = [](QDialog &dialog) {
        auto *compression = qobject_cast<TAviCompressDialog *>(&dialog);
        ASSERT_TRUE(compression);
        const int mpeg4 = compression->CodecList->findText(QStringLiteral("MPEG-4"), Qt::MatchContains);
        ASSERT_GE(mpeg4, 0);
        compression->CodecList->setCurrentIndex(mpeg4);
        compression->OkButton->click();
    };
    const CPath target = windows("compressed.avi");
    makeMovie(frames, {movieDialog(target, false, true, QStringLiteral("25")), acceptCompression});
    const MovieRead movie = readMovie(target);
    ASSERT_EQ(movie.result, aviSuccess);
    EXPECT_EQ(movie.stream.length, 12u);
    // Flat pictures compress to far less than their frames.
    EXPECT_LT(ReadHostFile(host("compressed.avi")).size(), 12 * 64 * 48 * 3 / 4);
    EXPECT_EQ(movie.frameSizes, (std::set<std::pair<int, int>>{{64, 48}}));
    EXPECT_FALSE(HostFileExists(host("zilo$temp.avi")));

    const QByteArray old("the old movie");
    write("old.avi", old);
    const MessageBoxScript overwrite({IDYES});
    makeMovie(frames, {movieDialog(pics("old.avi"), false, true, QStringLiteral("25")),
                       [](QDialog &dialog) { dialog.reject(); }});
    EXPECT_EQ(ReadHostFile(picsHost("old.avi")), old);
    EXPECT_FALSE(HostFileExists(host("zilo$temp.avi")));
}

} // namespace
