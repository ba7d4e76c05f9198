#include "../lib/AviTestSupport.h"
#include "../windows/FileDialogTestSupport.h"
#include "../Source/GlobTestSupport.h"

#include <Source/engine/ZiloOptions.h>
#include <Source/tools/ViewerForm.h>
#include <Source/tools/ViewerSettingsForm.h>
#include <lib/controls/MediaWindow.h>
#include <lib/controls/NewScrollBox.h>
#include <lib/ProgressContext.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/Picture.h>

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// The pixels of a picture, top-down RGB.
using Pixels = std::vector<unsigned char>;

Pixels gradient(uint32_t width, uint32_t height)
{
    Pixels rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(i * 37 % 251);
    return rgb;
}

Pixels pixelsOf(const CBitmap &bitmap)
{
    unsigned width = 0, height = 0;
    const std::unique_ptr<unsigned char[]> rgb(bitmap.NewRGB(width, height));
    return Pixels(rgb.get(), rgb.get() + size_t(width) * height * 3);
}

class ViewerFormTest : public FileDialogTest
{
protected:
    void TearDown() override
    {
        m_viewers.clear();
        FileDialogTest::TearDown();
    }

    // A BMP file of the test folder with the pixels; answers its Windows path.
    static CPath writeBmp(const QString &name, uint32_t width, uint32_t height, const Pixels &rgb)
    {
        CPictureBMP picture;
        auto *buffer = new unsigned char[rgb.size()];
        std::copy(rgb.begin(), rgb.end(), buffer);
        picture.SetBuffer(buffer);
        picture.width = width;
        picture.height = height;
        const CPath path(CString(TestWindowsPath(name)));
        TProgressContext progress;
        EXPECT_TRUE(picture.SaveToFile(path, progress));
        return path;
    }

    // Shown and active, as the user meets it: its keys are the window's shortcuts.
    TViewerForm1 &open(const CPath &path)
    {
        m_viewers.push_back(std::make_unique<TViewerForm1>(path));
        TViewerForm1 &viewer = *m_viewers.back();
        viewer.show();
        viewer.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&viewer));
        return viewer;
    }

    std::vector<std::unique_ptr<TViewerForm1>> m_viewers;
};

TEST_F(ViewerFormTest, ShowsThePictureWithItsSizeAndFlipsItUntilReopened)
{
    const Pixels rgb = gradient(3, 2);
    TViewerForm1 &viewer = open(writeBmp("a.bmp", 3, 2, rgb));
    EXPECT_EQ(viewer.StatusPanel0->text(), "3x2 24-bit");
    EXPECT_EQ(viewer.windowTitle(), "a.bmp - Vantrel's Image Organiser");
    ASSERT_TRUE(viewer.Bitmap());
    EXPECT_EQ(pixelsOf(*viewer.Bitmap()), rgb);
    const QImage before = viewer.PaintBox->grab().toImage();
    EXPECT_EQ(before.pixel(0, 0), qRgb(rgb[0], rgb[1], rgb[2]));

    QTest::keyClick(&viewer, Qt::Key_H);
    const QImage flipped = viewer.PaintBox->grab().toImage();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(flipped.pixel(x, y), before.pixel(2 - x, y)) << x << "," << y;

    QTest::keyClick(&viewer, Qt::Key_O);
    EXPECT_EQ(pixelsOf(*viewer.Bitmap()), rgb);
    EXPECT_EQ(viewer.PaintBox->grab().toImage(), before);
}

// Each effect's key changes the picture; the rotations also its size and
// the size the status shows.
TEST_F(ViewerFormTest, EachEffectKeyChangesThePicture)
{
    struct Row
    {
        QKeyCombination key;
        const char *status;
    };
    const Row rows[] = {
        {Qt::Key_H, "6x4 24-bit"}, {Qt::Key_V, "6x4 24-bit"},
        {Qt::Key_N, "6x4 24-bit"}, {Qt::Key_M, "6x4 24-bit"},
        {Qt::Key_R, "4x6 24-bit"}, {Qt::Key_B, "6x4 24-bit"},
        {Qt::Key_S, "6x4 24-bit"}, {Qt::Key_I, "6x4 24-bit"},
        {Qt::CTRL | Qt::Key_I, "6x4 24-bit"}, {Qt::Key_C, "6x4 24-bit"},
        {Qt::CTRL | Qt::Key_C, "6x4 24-bit"},
    };
    const Pixels rgb = gradient(6, 4);
    TViewerForm1 &viewer = open(writeBmp("e.bmp", 6, 4, rgb));
    for (const Row &row : rows) {
        SCOPED_TRACE(QKeySequence(row.key).toString().toStdString());
        viewer.Reopen1Click();
        QTest::keyClick(&viewer, row.key.key(), row.key.keyboardModifiers());
        EXPECT_NE(pixelsOf(*viewer.Bitmap()), rgb);
        EXPECT_EQ(viewer.StatusPanel0->text(), row.status);
    }
    // The preset angle of 45 degrees makes a larger picture.
    viewer.Reopen1Click();
    QTest::keyClick(&viewer, Qt::Key_T);
    EXPECT_GT(viewer.Bitmap()->Width(), 6);
    EXPECT_GT(viewer.Bitmap()->Height(), 4);
}

TEST_F(ViewerFormTest, AFileThatDoesNotDecodeLeavesASmallWindowSayingSo)
{
    WriteHostFile(TestHostFolder() + "/bad.jpg", "not a picture");
    TViewerForm1 &viewer = open(CPath(CString(TestWindowsPath("bad.jpg"))));
    EXPECT_FALSE(viewer.Bitmap());
    EXPECT_EQ(viewer.StatusPanel0->text(), "");
    EXPECT_EQ(viewer.width(), 164);
    EXPECT_EQ(viewer.height(), 132 + viewer.StatusBar->sizeHint().height());
    // The effects find nothing to change.
    QTest::keyClick(&viewer, Qt::Key_N);
    EXPECT_FALSE(viewer.Bitmap());
}

TEST_F(ViewerFormTest, APictureWiderThanTheScreenOpensAtItsLeftEdgeAndAsWide)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const uint32_t width = uint32_t(screen.width()) + 200;
    TViewerForm1 &viewer = open(writeBmp("wide.bmp", width, 40, gradient(width, 40)));
    viewer.move(300, 100);
    viewer.Reopen1Click();
    EXPECT_EQ(viewer.frameGeometry().left(), screen.left());
    EXPECT_EQ(viewer.frameGeometry().width(), screen.width());
    EXPECT_EQ(viewer.y(), 100) << "it fits the screen's height";
    // The picture scrolls: Right moves it one pixel, End 32 more.
    const int start = viewer.PaintBox->x();
    QTest::keyClick(&viewer, Qt::Key_Right);
    EXPECT_EQ(viewer.PaintBox->x(), start - 1);
    QTest::keyClick(&viewer, Qt::Key_End);
    EXPECT_EQ(viewer.PaintBox->x(), start - 33);
}

// A movie plays in the media window, whatever the case of its extension; the
// next file opened in the viewer replaces it.
TEST_F(ViewerFormTest, AMoviePlaysInTheMediaWindowUntilAnotherFileOpens)
{
    WritePatternMovie("MVI_0001.AVI", 48, 32, 5, 24, 10);
    TViewerForm1 &viewer = open(CPath(CString(TestWindowsPath("MVI_0001.AVI"))));
    ASSERT_TRUE(viewer.MediaWindow);
    EXPECT_EQ(viewer.MediaWindow->MovieSize(), QSize(48, 32));
    EXPECT_EQ(viewer.MediaWindow->FrameCount(), 5);
    EXPECT_TRUE(viewer.ScrollBox->isHidden());
    EXPECT_EQ(viewer.size(), viewer.MediaWindow->sizeHint());
    EXPECT_FALSE(viewer.Bitmap());

    QPointer<TMediaWindow> media = viewer.MediaWindow;
    viewer.OpenViewerFile(writeBmp("after.bmp", 3, 2, gradient(3, 2)));
    EXPECT_FALSE(media) << "the movie's window is gone";
    EXPECT_FALSE(viewer.ScrollBox->isHidden());
    EXPECT_EQ(viewer.StatusPanel0->text(), "3x2 24-bit");
}

TEST_F(ViewerFormTest, SaveAsAppendsTheChosenFormatsExtensionUnlessTheNameHasIt)
{
    struct Row
    {
        const char *chosen;
        int filterIndex;
        const char *written;
    };
    const Row rows[] = {
        {"C:\\x.jpg", 3, "C:\\x.jpg.png"},
        {"C:\\x.JPG", 2, "C:\\x.JPG"},
        {"C:\\x.jpg", 2, "C:\\x.jpg"},
        {"C:\\x", 1, "C:\\x.bmp"},
        {"C:\\x.png", 7, "C:\\x.png"},   // All Files: the name as typed
    };
    for (const Row &row : rows)
        EXPECT_EQ(TViewerForm1::SaveAsPath(CPath(row.chosen), row.filterIndex).ToAnsiString(), row.written)
            << row.chosen << " under " << row.filterIndex;
}

// Save As under the PNG entry with a JPEG's name: the entry's extension is
// appended, the viewer takes the new name and the next Save As starts in its folder.
TEST_F(ViewerFormTest, SaveAsWritesTheChosenFormatAndTakesItsName)
{
    std::filesystem::create_directories(TestHostFolder() + "/Out");
    TViewerForm1 &viewer = open(writeBmp("v.bmp", 3, 2, gradient(3, 2)));
    QString startedIn;
    ModalScript script({[&](QDialog &dialog) {
        auto &files = static_cast<QFileDialog &>(dialog);
        startedIn = files.directory().absolutePath();
        auto *types = files.findChild<QComboBox *>("fileTypeCombo");
        types->setCurrentIndex(2);   // Portable Network Graphics
        emit types->activated(2);
        emit types->textActivated(types->itemText(2));
        // The dialog shows the host's folders, so a typed path is the host's.
        files.findChild<QLineEdit *>("fileNameEdit")
            ->setText(QString::fromStdString(TestHostFolder() + "/Out/x.jpg"));
        dialog.accept();   // as OK does
    }});
    viewer.SaveAs1Click();
    EXPECT_EQ(startedIn.toStdString(), TestHostFolder()) << "the picture's own folder";
    EXPECT_EQ(CPicture::GuessPictureType(CPath(CString(TestWindowsPath("Out\\x.jpg.png")))), ptPNG);
    EXPECT_FALSE(std::filesystem::exists(TestHostFolder() + "/Out/x.jpg"));
    EXPECT_EQ(viewer.Path().ToAnsiString(), TestWindowsPath("Out\\x.jpg.png"));
    EXPECT_EQ(viewer.windowTitle(), "x.jpg.png - Vantrel's Image Organiser");
    EXPECT_EQ(ViewerOptions()->GetString(TViewerOptions::SaveFolder), TestWindowsPath("Out"));
}

TEST_F(ViewerFormTest, SavesInTheFormatOfTheExtensionAndAsksBeforeOverwriting)
{
    TViewerForm1 &viewer = open(writeBmp("s.bmp", 3, 2, gradient(3, 2)));
    const CPath png(CString(TestWindowsPath("s.jpg.png")));
    {
        MessageBoxScript boxes;
        EXPECT_TRUE(viewer.SaveToPath(png));
        EXPECT_TRUE(boxes.boxes().empty());
    }
    EXPECT_EQ(CPicture::GuessPictureType(png), ptPNG);

    const QByteArray old = ReadHostFile(TestHostFolder() + "/s.jpg.png");
    QTest::keyClick(&viewer, Qt::Key_N);
    {
        MessageBoxScript boxes({IDNO});
        EXPECT_FALSE(viewer.SaveToPath(png));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, "Do you want to overwrite '" + TestWindowsPath("s.jpg.png") + "'?");
    }
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/s.jpg.png"), old);
    {
        MessageBoxScript boxes({IDYES});
        EXPECT_TRUE(viewer.SaveToPath(png));
    }
    EXPECT_NE(ReadHostFile(TestHostFolder() + "/s.jpg.png"), old);
}

TEST_F(ViewerFormTest, AFormatWithoutAWriterSaysSoAndWritesNothing)
{
    TViewerForm1 &viewer = open(writeBmp("g.bmp", 3, 2, gradient(3, 2)));
    for (const char *name : {"g.gif", "g.tif", "g.wmf"}) {
        MessageBoxScript boxes;
        EXPECT_FALSE(viewer.SaveToPath(CPath(CString(TestWindowsPath(name)))));
        ASSERT_EQ(boxes.boxes().size(), 1u) << name;
        EXPECT_EQ(boxes.boxes()[0].text, "Error while saving image");
        EXPECT_FALSE(std::filesystem::exists(TestHostFolder() + "/" + name));
    }
}

TEST_F(ViewerFormTest, EscapeClosesTheWindow)
{
    auto *viewer = new TViewerForm1(writeBmp("c.bmp", 3, 2, gradient(3, 2)));
    QPointer<TViewerForm1> alive(viewer);
    viewer->show();
    QTest::keyClick(viewer, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);
}

// What the settings dialog shows and keeps, the viewers sharing one set.
TEST_F(ViewerFormTest, TheSettingsDialogShowsAndClampsTheFiveSteps)
{
    TViewerForm1 &first = open(writeBmp("1.bmp", 3, 2, gradient(3, 2)));
    TViewerForm1 &second = open(writeBmp("2.bmp", 3, 2, gradient(3, 2)));
    TViewerOptions *options = ViewerOptions();
    ASSERT_TRUE(options);
    options->SetInt(TViewerOptions::RotationAngle, 125000);

    QStringList shown;
    const auto settings = [&](std::vector<const char *> typed) {
        ModalScript script({[&](QDialog &dialog) {
            shown.clear();
            const char *names[] = {"BlurEdit", "SharpenEdit", "AngleEdit", "BrightnessEdit", "ContrastEdit"};
            for (size_t i = 0; i < 5; ++i) {
                auto *edit = Child<QLineEdit>(dialog, names[i]);
                shown << edit->text();
                edit->setText(typed[i]);
            }
            EXPECT_FALSE(Child<QPushButton>(dialog, "JpegButton")->isEnabled());
            Child<QPushButton>(dialog, "OkButton")->click();
        }});
        first.Settings1Click();
    };
    settings({"7", "3x", "7.5", "abc", "20"});
    EXPECT_EQ(shown, QStringList({"5", "5", "12.5000", "5", "5"}));
    EXPECT_EQ(options->GetInt(TViewerOptions::BlurLevel), 7);
    EXPECT_EQ(options->GetInt(TViewerOptions::SharpenLevel), 3);
    EXPECT_EQ(options->GetInt(TViewerOptions::RotationAngle), 75000);
    EXPECT_EQ(options->GetInt(TViewerOptions::Brightness), 0);
    EXPECT_EQ(options->GetInt(TViewerOptions::Contrast), 20);

    // Numbers no effect can use are kept within range, whatever their size.
    settings({"99999999999", "-4", "-1e9", "101", "2147483648"});
    EXPECT_EQ(options->GetInt(TViewerOptions::BlurLevel), 100);
    EXPECT_EQ(options->GetInt(TViewerOptions::SharpenLevel), 0);
    EXPECT_EQ(options->GetInt(TViewerOptions::RotationAngle), -10000);
    EXPECT_EQ(options->GetInt(TViewerOptions::Brightness), 100);
    EXPECT_EQ(options->GetInt(TViewerOptions::Contrast), 100);
    settings({"0", "0", "99999", "0", "0"});
    EXPECT_EQ(options->GetInt(TViewerOptions::RotationAngle), 3600000);
    EXPECT_EQ(ViewerOptions(), options) << "one set for every viewer";
    (void)second;
}

TEST_F(ViewerFormTest, EscapeLeavesTheSettingsAsTheyWere)
{
    TViewerForm1 &viewer = open(writeBmp("1.bmp", 3, 2, gradient(3, 2)));
    ModalScript script({[](QDialog &dialog) {
        Child<QLineEdit>(dialog, "BlurEdit")->setText("9");
        QTest::keyClick(Child<QLineEdit>(dialog, "BlurEdit"), Qt::Key_Escape);
    }});
    EXPECT_FALSE(TViewerSettingsForm1::ShowSettings(&viewer, *ViewerOptions()));
    EXPECT_EQ(ViewerOptions()->GetInt(TViewerOptions::BlurLevel), 5);
}

TEST_F(ViewerFormTest, TheSettingsLiveFromTheFirstViewerToTheLast)
{
    EXPECT_FALSE(ViewerOptions());
    open(writeBmp("1.bmp", 3, 2, gradient(3, 2)));
    open(writeBmp("2.bmp", 3, 2, gradient(3, 2)));
    ViewerOptions()->SetInt(TViewerOptions::BlurLevel, 9);
    m_viewers.erase(m_viewers.begin());
    ASSERT_TRUE(ViewerOptions());
    EXPECT_EQ(ViewerOptions()->GetInt(TViewerOptions::BlurLevel), 9);
    m_viewers.clear();
    EXPECT_FALSE(ViewerOptions());
}

} // namespace
