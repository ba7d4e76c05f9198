#include "../Source/GlobTestSupport.h"

#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/tools/OptionForm.h>
#include <Source/tools/RegisterTools.h>
#include <Source/tools/ThumbSettingsForm.h>
#include <platform/HostPath.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/NewScrollBox.h>
#include <platform/SystemMetrics.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

class ThumbSettingsFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The sample picture: 300 x 200, red on the left half, blue on the right.
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(QColor(20, 40, 230));
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 150; ++x)
                picture.setPixelColor(x, y, QColor(230, 30, 20));
        ASSERT_TRUE(picture.save(QString::fromStdString(TestHostFolder() + "/Program/Preview.jpg"), "JPEG", 95));
        m_form = std::make_unique<TThumbSettingsForm1>(nullptr, QStringLiteral("Thumbnail Appearance"));
    }

    void TearDown() override
    {
        m_form.reset();
        TMemoList::FreeAll();   // the sample's memo list, as the program frees them at its end
    }

    // The form shown with the folder's settings, its first preview built.
    TThumbSettingsForm1 &shown(int size = 100, int spacing = 10, int sharpness = 0)
    {
        m_form->SetThumbnailSize(size);
        m_form->SetThumbnailSpacing(spacing);
        m_form->SetThumbnailSharpness(sharpness);
        m_form->show();
        return *m_form;
    }

    static bool isInvalidColour(const QLineEdit *edit)
    {
        return edit->palette().color(QPalette::Base) == ColourFromColorRef(TThumbSettingsForm1::InvalidFieldColour);
    }

    GlobalsScope m_globals;
    std::unique_ptr<TThumbSettingsForm1> m_form;
};

TEST_F(ThumbSettingsFormTest, TypedSizesAreCheckedAgainstTheirRange)
{
    struct Case
    {
        const char *typed;
        bool valid;
        int size;   // the size in effect afterwards
    };
    const Case cases[] = {
        {"15", false, 100}, {"16", true, 16}, {"400", true, 400}, {"401", false, 100},
        {"", false, 100},   {"1a", false, 100}, {"-5", false, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        TThumbSettingsForm1 &form = shown();
        form.SetThumbnailSize(100);
        form.SizeEdit->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(form.IsValid(), c.valid);
        EXPECT_EQ(form.CloseButton->isEnabled(), c.valid);
        EXPECT_EQ(isInvalidColour(form.SizeEdit), !c.valid);
        EXPECT_EQ(form.GetThumbnailSize(), c.size);
        if (c.valid) {
            EXPECT_EQ(form.SizeTrackBar->value(), c.size);
        }
        form.SizeEdit->setText(QStringLiteral("100"));
        EXPECT_TRUE(form.IsValid());
        EXPECT_FALSE(isInvalidColour(form.SizeEdit));
    }
}

TEST_F(ThumbSettingsFormTest, SettersKeepValuesWithinTheFieldsRanges)
{
    TThumbSettingsForm1 &form = shown();
    form.SetThumbnailSize(1000);
    EXPECT_EQ(form.GetThumbnailSize(), TThumbSettingsForm1::MaxSize);
    EXPECT_EQ(form.SizeEdit->text(), QStringLiteral("400"));
    form.SetThumbnailSize(3);
    EXPECT_EQ(form.GetThumbnailSize(), TThumbSettingsForm1::MinSize);
    EXPECT_EQ(form.SizeEdit->text(), QStringLiteral("16"));
    form.SetThumbnailSpacing(-4);
    EXPECT_EQ(form.GetThumbnailSpacing(), 0);
    form.SetThumbnailSpacing(51);
    EXPECT_EQ(form.GetThumbnailSpacing(), TThumbSettingsForm1::MaxSpacing);
    EXPECT_EQ(form.SpacingEdit->text(), QStringLiteral("50"));
    form.SetThumbnailSharpness(101);
    EXPECT_EQ(form.GetThumbnailSharpness(), TThumbSettingsForm1::MaxSharpness);
    EXPECT_TRUE(form.IsValid());
}

TEST_F(ThumbSettingsFormTest, OnlyAChangedValueRestartsThePreview)
{
    TThumbSettingsForm1 &form = shown(120);
    form.Timer1Timer();
    ASSERT_FALSE(form.IsPreviewPending());

    form.SizeEdit->setText(QStringLiteral("120"));   // typed again: no change
    EXPECT_FALSE(form.IsPreviewPending());
    form.SetThumbnailSize(120);
    EXPECT_FALSE(form.IsPreviewPending());
    form.SizeTrackBar->setValue(120);
    EXPECT_FALSE(form.IsPreviewPending());

    form.SizeEdit->setText(QStringLiteral("121"));
    EXPECT_TRUE(form.IsPreviewPending());
    EXPECT_EQ(form.Timer1.interval(), TThumbSettingsForm1::PreviewDelayMs);
    form.Timer1Timer();
    form.SizeUpDown->UpButton->click();
    EXPECT_EQ(form.SizeEdit->text(), QStringLiteral("122"));
    EXPECT_EQ(form.GetThumbnailSize(), 122);
    EXPECT_TRUE(form.IsPreviewPending());
}

TEST_F(ThumbSettingsFormTest, CloseAsksWhileAFieldIsWrong)
{
    TThumbSettingsForm1 &form = shown();
    form.SpacingEdit->setText(QStringLiteral("51"));
    {
        MessageBoxScript boxes;
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text,
                  QStringLiteral("There is an error in one of the thumbnail settings which must be corrected."));
        EXPECT_EQ(boxes.boxes()[0].type, MB_ICONWARNING | MB_OK);
    }
    EXPECT_EQ(form.GetThumbnailSpacing(), 10);   // the last valid value stays in effect
    form.SpacingEdit->setText(QStringLiteral("50"));
    MessageBoxScript boxes;
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ThumbSettingsFormTest, PreviewsShowTheSampleFittedToTheSizeAndSpaced)
{
    TThumbSettingsForm1 &form = shown(150, 7);
    form.resize(900, 900);
    form.Timer1Timer();
    TPreviewThumb *first = form.Previews[0];
    TPreviewThumb *next = form.Previews[1];
    TPreviewThumb *below = form.Previews[4];
    // 300 x 200 fits into 150 x 100; the control is as wide as a thumbnail of that.
    EXPECT_EQ(first->width(), 150 * 116 / 100 + 6);
    EXPECT_EQ(first->pos(), QPoint(7, 7));
    EXPECT_EQ(next->x(), 7 + first->width() + 7);
    EXPECT_EQ(below->y(), 7 + first->height() + 7);
    EXPECT_EQ(form.ScrollBox->HorzScrollBar()->Range(), 4 * (first->width() + 7) + 7);

    const QImage image = first->grab().toImage();
    const QPoint centre(first->width() / 2, first->height() / 2);
    const QColor left = image.pixelColor(centre - QPoint(40, 0));
    const QColor right = image.pixelColor(centre + QPoint(40, 0));
    EXPECT_GT(left.red(), 180);
    EXPECT_LT(left.blue(), 80);
    EXPECT_GT(right.blue(), 180);
    EXPECT_LT(right.red(), 80);

    form.SetThumbnailSize(60);
    form.Timer1Timer();
    EXPECT_EQ(first->width(), 60 * 116 / 100 + 6);
}

TEST_F(ThumbSettingsFormTest, DraftGreysSharpnessAndLabelGreysThePattern)
{
    TThumbSettingsForm1 &form = shown();
    form.SetChecked(OptionControl::DraftCheckBox, true);
    EXPECT_TRUE(form.IsChecked(OptionControl::DraftCheckBox));
    for (QWidget *control : std::initializer_list<QWidget *>{form.SharpnessLabel, form.SharpnessTrackBar,
                                                             form.SharpnessEdit, form.SharpnessUpDown})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(form.IsPreviewPending());
    form.SetChecked(OptionControl::DraftCheckBox, false);
    EXPECT_TRUE(form.SharpnessTrackBar->isEnabled());

    form.SetChecked(OptionControl::LabelCheckBox, false);
    EXPECT_FALSE(form.LabelCombo->isEnabled());
    EXPECT_EQ(form.LabelCombo->palette().color(QPalette::Base), SysColour(COLOR_BTNFACE));
    form.SetChecked(OptionControl::LabelCheckBox, true);
    EXPECT_TRUE(form.LabelCombo->isEnabled());
    form.SetText(OptionControl::LabelCombo, QStringLiteral("%f"));
    EXPECT_EQ(form.GetText(OptionControl::LabelCombo), QStringLiteral("%f"));

    // A label makes every preview taller by its line; the picture stays.
    form.Timer1Timer();
    const int labelled = form.Previews[0]->height();
    form.SetChecked(OptionControl::LabelCheckBox, false);
    form.Timer1Timer();
    EXPECT_GT(labelled, form.Previews[0]->height());
    EXPECT_EQ(form.Previews[0]->width(), form.Previews[0]->height());
}

TEST_F(ThumbSettingsFormTest, LabelPresetsComeFirstTimeAndTheLastPatternIsRemembered)
{
    const QStringList presets = {"%f", "%f (%p)", "%g (%p)", "%d", "%p x %b (%s)"};
    QStringList listed;
    for (int index = 0; index < m_form->LabelCombo->count(); ++index)
        listed << m_form->LabelCombo->itemText(index);
    EXPECT_EQ(listed, presets);

    m_form->SetText(OptionControl::LabelCombo, QStringLiteral("%n of %t"));
    m_form.reset();
    m_form = std::make_unique<TThumbSettingsForm1>(nullptr, QStringLiteral("Thumbnail Appearance"));
    ASSERT_GT(m_form->LabelCombo->count(), 0);
    EXPECT_EQ(m_form->LabelCombo->itemText(0), QStringLiteral("%n of %t"));
    EXPECT_EQ(m_form->LabelCombo->count(), presets.size() + 1);
}

TEST_F(ThumbSettingsFormTest, TheWindowComesBackWhereItWasLeft)
{
    TThumbSettingsForm1 &form = shown();
    form.setGeometry(40, 50, 520, 410);
    form.hide();
    m_form = std::make_unique<TThumbSettingsForm1>(nullptr, QStringLiteral("Thumbnail Appearance"));
    m_form->show();
    EXPECT_EQ(m_form->geometry(), QRect(40, 50, 520, 410));
}

TEST_F(ThumbSettingsFormTest, AMissingSampleLeavesThePreviewsEmpty)
{
    m_form.reset();   // the shared sample goes with the last preview
    std::remove((TestHostFolder() + "/Program/Preview.jpg").c_str());
    m_form = std::make_unique<TThumbSettingsForm1>(nullptr, QStringLiteral("Thumbnail Appearance"));
    TThumbSettingsForm1 &form = shown();
    form.Timer1Timer();
    EXPECT_TRUE(form.IsValid());
    const QImage image = form.Previews[0]->grab().toImage();
    const QPoint centre(form.Previews[0]->width() / 2, form.Previews[0]->height() / 2);
    EXPECT_EQ(image.pixelColor(centre), SysColour(COLOR_BTNFACE));
}

TEST_F(ThumbSettingsFormTest, ThePreferencesShowItWithTheFoldersValues)
{
    m_form.reset();
    RegisterTools();
    std::filesystem::create_directory(TestHostFolder() + "/Pics");
    const CPath pics(WindowsPathFromHost(TestHostFolder() + "/Pics").c_str());
    {
        TOptionForm1 preferences(nullptr, -1, pics);
        preferences.SetThumbnailAppearanceAllowed(true);   // as a browse window that is not loading
        preferences.show();
        preferences.UpdateControls();
        ASSERT_TRUE(preferences.ThumbnailAppearanceButton->isEnabled());
        auto *window = dynamic_cast<TThumbSettingsForm1 *>(preferences.ThumbSettings().Window());
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->isVisible());
        preferences.ThumbnailAppearanceButton->click();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->GetThumbnailSize(), FolderOptionInt(pics, TFolderOptions::ThumbnailSize));
        EXPECT_EQ(window->GetThumbnailSpacing(), FolderOptionInt(pics, TFolderOptions::ThumbnailSpacing));
        EXPECT_EQ(window->SizeEdit->text().toInt(), window->GetThumbnailSize());
    }
    SetThumbSettingsMaker(nullptr);
    TFolderSpecificOptionsCache::SaveAll();   // the folder's options, as the program saves them at its end
}

} // namespace
