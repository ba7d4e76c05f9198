#include "../windows/BrowseFormTestSupport.h"

#include <Source/engine/HostPaintBox.h>
#include <Source/engine/ImageSignature.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/FindSimilarForm.h>
#include <lib/imaging/ImgLib.h>
#include <platform/HostPath.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

TEST(FindSimilarMinimum, TextIsReadWithoutRaisingAndClamped)
{
    const std::pair<const char *, int> rows[] = {{"", 2},    {"abc", 2}, {"7x", 2},  {"1", 2},   {"2", 2},
                                                 {" 12 ", 12}, {"50", 50}, {"51", 50}, {"9999", 50}, {"-5", 2}};
    for (const auto &[text, minimum] : rows)
        EXPECT_EQ(TFindSimilarForm1::ParseMinimumMatches(QString::fromLatin1(text)), minimum) << "'" << text << "'";
}

// The brightness of a picture's pixel at x of width: how its signature's rows come out.
using Shade = std::function<uint8_t(uint32_t x, uint32_t width)>;

const Shade Brightening = [](uint32_t x, uint32_t width) { return uint8_t(x * 255 / width); };
const Shade Flat = [](uint32_t, uint32_t) { return uint8_t(128); };
// Brightening over the left half, flat over the right: half the bits differ from either.
const Shade HalfBrightening = [](uint32_t x, uint32_t width) { return uint8_t(std::min(x, width / 2) * 400 / width); };

// A coordinator with find similar registered, as the program starts it, over
// real folders of C:.
class FindSimilarFormTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTool(Tool::FindSimilar, {.window = [] { return std::make_unique<TFindSimilarForm1>(); }});
    }
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        UnregisterTool(Tool::FindSimilar);
    }

    TFindSimilarForm1 *similar()
    {
        return dynamic_cast<TFindSimilarForm1 *>(coordinator->ToolWindow(Tool::FindSimilar));
    }

    // A grey JPEG file of C: whose every row is shaded by shade.
    static CPath writeShaded(const QString &name, const Shade &shade, uint32_t width = 90, uint32_t height = 60)
    {
        std::vector<uint8_t> rgb(size_t(width) * height * 3);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                std::fill_n(rgb.begin() + (size_t(y) * width + x) * 3, 3, shade(x, width));
        std::vector<uint8_t> jpeg(rgb.size() + 4096);
        HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
        jpeg.resize(ImgWriteRGBToJPG(destination, rgb.data(), width, height, 95, 0));
        ImgCloseDest(destination);
        return writeFile(name, QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
    }

    // A folder with a.jpg and b.jpg brightening, c.jpg half brightening, d.jpg flat.
    TBrowseForm1 *openShadedFolder()
    {
        writeShaded("Shades/a.jpg", Brightening);
        writeShaded("Shades/b.jpg", Brightening);
        writeShaded("Shades/c.jpg", HalfBrightening);
        writeShaded("Shades/d.jpg", Flat);
        return open(windows("Shades"), 4);
    }

    static TThumbnail *thumbnailNamed(TBrowseForm1 *form, const char *name)
    {
        for (int index = 0; index < form->ThumbBox->Count(); ++index) {
            TThumbnail *thumbnail = form->ThumbBox->Thumbnail(index);
            if (thumbnail->GetThumbBitmap()->GetHandler().GetName() == name)
                return thumbnail;
        }
        return nullptr;
    }

    // A click on the thumbnail, as the user gives it.
    static void click(TBrowseForm1 *form, const char *name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        TThumbnail *thumbnail = thumbnailNamed(form, name);
        ASSERT_NE(thumbnail, nullptr) << name;
        form->ThumbBox->ScrollThumbnailInView(thumbnail);
        const QPoint point = form->ThumbBox->ThumbnailRect(thumbnail).center();
        QWidget *client = form->ThumbBox->Client();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, client->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, modifiers);
            QCoreApplication::sendEvent(client, &event);
        }
    }

    static QStringList selectedNames(TBrowseForm1 *form)
    {
        QStringList names;
        for (TThumbnail *thumbnail : form->ThumbBox->GetSelected())
            names << thumbnail->GetThumbBitmap()->GetHandler().GetName().ToAnsiString();
        names.sort();
        return names;
    }

    // The reference is path, and its record has arrived.
    bool referenceReady(const CPath &path)
    {
        return ServeUntil([&] { return similar()->ReferencePath() == path && similar()->ReferenceRecord(); });
    }

    // The matches at threshold over every thumbnail of form.
    int matchesAt(TBrowseForm1 *form, int threshold)
    {
        CFindSimilarContext criterion(similar()->ReferenceRecord(), threshold, false, false);
        int count = 0;
        for (int index = 0; index < form->ThumbBox->Count(); ++index)
            count += criterion.MatchesThumbnail(*form->ThumbBox->Thumbnail(index));
        return count;
    }
};

TEST_F(FindSimilarFormTest, AClickChoosesTheReferenceAndTheLockHoldsIt)
{
    TBrowseForm1 *form = openShadedFolder();
    TFindSimilarForm1 *window = similar();
    window->show();
    EXPECT_EQ(window->ReferencePanel->text(), QStringLiteral("No selection"));
    EXPECT_FALSE(window->FindButton->isEnabled());

    click(form, "a.jpg");
    ASSERT_TRUE(referenceReady(windows("Shades/a.jpg")));
    window->Tick();
    EXPECT_TRUE(window->FindButton->isEnabled());
    EXPECT_TRUE(window->OpenTool->isEnabled());
    EXPECT_TRUE(window->ReferencePanel->text().isEmpty());

    click(form, "c.jpg", Qt::ControlModifier);
    EXPECT_EQ(window->ReferencePath(), windows("Shades/a.jpg")) << "two selected choose nothing";

    window->LockTool->click();
    click(form, "b.jpg");
    EXPECT_EQ(window->ReferencePath(), windows("Shades/a.jpg")) << "locked";

    window->LockTool->click();
    click(form, "d.jpg");
    EXPECT_EQ(window->ReferencePath(), windows("Shades/d.jpg"));
}

TEST_F(FindSimilarFormTest, ThresholdZeroSelectsTheSameSignatureOnly)
{
    TBrowseForm1 *form = openShadedFolder();
    TFindSimilarForm1 *window = similar();
    window->show();
    click(form, "a.jpg");
    ASSERT_TRUE(referenceReady(windows("Shades/a.jpg")));
    window->CheckBox2->setChecked(false);
    window->CheckBox1->setChecked(true);
    window->TrackBar->setValue(0);
    window->FindButton->click();
    EXPECT_EQ(selectedNames(form), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(window->ResultLabel->text(), QStringLiteral("2 matches"));
}

TEST_F(FindSimilarFormTest, IncreasingStopsAtTheFirstThresholdThatGivesTheMinimum)
{
    TBrowseForm1 *form = openShadedFolder();
    TFindSimilarForm1 *window = similar();
    window->show();
    click(form, "a.jpg");
    ASSERT_TRUE(referenceReady(windows("Shades/a.jpg")));
    window->CheckBox2->setChecked(true);
    window->CheckBox1->setChecked(true);
    window->MinimumEdit->setValue(3);
    window->TrackBar->setValue(40);   // the passes start again from 0

    window->FindButton->click();
    const int threshold = window->TrackBar->value();
    EXPECT_GT(threshold, 0);
    EXPECT_LT(threshold, 100);
    EXPECT_GE(matchesAt(form, threshold), 3);
    EXPECT_LT(matchesAt(form, threshold - 1), 3) << "one pass too many";
    EXPECT_EQ(form->ThumbBox->SelectedCount(), matchesAt(form, threshold)) << "the first pass's matches stay selected";
    EXPECT_FALSE(thumbnailNamed(form, "d.jpg")->Selected());
    EXPECT_EQ(window->ResultLabel->text(), QStringLiteral("%1 matches").arg(matchesAt(form, threshold)));
}

TEST_F(FindSimilarFormTest, AMinimumNoThresholdReachesStopsAtOneHundred)
{
    TBrowseForm1 *form = openShadedFolder();
    TFindSimilarForm1 *window = similar();
    window->show();
    click(form, "a.jpg");
    ASSERT_TRUE(referenceReady(windows("Shades/a.jpg")));
    window->CheckBox2->setChecked(true);
    window->CheckBox1->setChecked(false);
    window->MinimumEdit->setValue(50);
    window->FindButton->click();
    EXPECT_EQ(window->TrackBar->value(), 100);
    EXPECT_EQ(window->ResultLabel->text(), QStringLiteral("4 matches"));
    EXPECT_EQ(form->ThumbBox->SelectedCount(), 4);
}

TEST_F(FindSimilarFormTest, AReferenceThatFailedToBuildMatchesNothing)
{
    TBrowseForm1 *form = openShadedFolder();
    const CPath broken = writeFile("Elsewhere/broken.jpg", QByteArray(300, 'x'));
    TFindSimilarForm1 *window = similar();
    window->show();
    window->SetReferenceImage(broken);
    ASSERT_TRUE(referenceReady(broken));
    EXPECT_NE(window->ReferenceRecord()->GetState(), TThumbState::Loaded);
    window->Tick();
    ASSERT_TRUE(window->FindButton->isEnabled());
    window->TrackBar->setValue(100);
    window->CheckBox2->setChecked(false);
    window->FindButton->click();
    EXPECT_EQ(window->ResultLabel->text(), QStringLiteral("No matches"));
    EXPECT_EQ(form->ThumbBox->SelectedCount(), 0);
}

TEST_F(FindSimilarFormTest, ReplacingAReferenceWhileItBuildsLosesNothing)
{
    std::vector<CPath> paths;
    for (int index = 0; index < 12; ++index)
        paths.push_back(writeShaded(QStringLiteral("Building/p%1.jpg").arg(index), Brightening, 1600, 1200));
    TFindSimilarForm1 *window = similar();
    window->show();
    for (const CPath &path : paths)
        window->SetReferenceImage(path);
    ASSERT_TRUE(referenceReady(paths.back()));
    EXPECT_EQ(window->findChildren<THostPaintBox *>().size(), 1u);

    window->SetReferenceImage(CPath());
    EXPECT_EQ(window->ReferencePanel->text(), QStringLiteral("No selection"));
    EXPECT_TRUE(window->findChildren<THostPaintBox *>().isEmpty());
    window->SetReferenceImage(paths.front());
    window->SetReferenceImage(paths.back());   // the last one is built, or finds the record that is
    ASSERT_TRUE(referenceReady(paths.back()));
}

TEST_F(FindSimilarFormTest, TheOptionsComeBackWithinTheirBounds)
{
    TFindSimilarForm1 *window = similar();
    window->Options.SetInt(TFindSimilarForm1::MinimumMatches, 999);
    window->Options.SetInt(TFindSimilarForm1::Threshold, -4);
    window->Options.SetInt(TFindSimilarForm1::IncreaseThreshold, 0);
    window->show();
    EXPECT_EQ(window->MinimumEdit->value(), 50);
    EXPECT_EQ(window->TrackBar->value(), 0);
    EXPECT_FALSE(window->MinimumEdit->isEnabled());
    EXPECT_FALSE(window->MatchesLabel->isEnabled());
    window->CheckBox2->click();
    EXPECT_TRUE(window->MinimumEdit->isEnabled());
    window->TrackBar->setValue(35);
    window->MinimumEdit->setValue(7);

    QKeyEvent close(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(window, &close);
    EXPECT_FALSE(window->isVisible());
    TFindSimilarForm1 again;
    again.show();
    EXPECT_EQ(again.TrackBar->value(), 35);
    EXPECT_EQ(again.MinimumEdit->value(), 7);
    EXPECT_TRUE(again.CheckBox2->isChecked());
    EXPECT_EQ(again.windowTitle(), QStringLiteral("Find Similar Images - Vantrel's Image Organiser"));
}

} // namespace
