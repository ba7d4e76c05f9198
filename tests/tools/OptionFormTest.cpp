#include "../windows/DriveCTest.h"
#include "../windows/ModalScript.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/tools/OpenWith.h>
#include <Source/tools/OptionForm.h>
#include <Source/tools/RegisterTools.h>
#include <Source/tools/ViewerSettingsForm.h>
#include <Source/windows/ToolHost.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/Thumbnail.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

// The statistics texts of the cache page.
TEST(OptionFormTexts, CacheAndMemoStatistics)
{
    const struct
    {
        const char *what;
        TThumbStatistics statistics;
        const char *text;
    } cases[] = {
        {"empty", {}, "The thumbnail cache is empty"},
        {"four, one in use, three quarters recoverable",
         {1, 4, 1024, 4096},
         "The thumbnail cache currently contains 4 thumbnails of which 1 is in use.\n"
         "It is using approximately 4KB of memory, 75% of which could be recovered by purging unused "
         "thumbnails."},
        {"every byte in use", {4, 4, 4096, 4096},
         "The thumbnail cache currently contains 4 thumbnails of which 4 are in use.\n"
         "It is using approximately 4KB of memory"},
        {"one record, none in use, no bytes", {0, 1, 0, 0},
         "The thumbnail cache currently contains 1 thumbnail of which 0 are in use.\n"
         "It is using approximately 0 bytes of memory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_STREQ(CacheStatisticsText(c.statistics).c_str(), c.text);
    }
    EXPECT_STREQ(MemoStatisticsText(0).c_str(), "The memo cache is empty.");
    EXPECT_STREQ(MemoStatisticsText(1).c_str(), "The memo cache currently contains 1 memo.");
    EXPECT_STREQ(MemoStatisticsText(7).c_str(), "The memo cache currently contains 7 memos.");
}

TEST(OptionFormTexts, SliderAndPercentConversions)
{
    const struct
    {
        int position;
        int percent;
    } pairs[] = {{0, 0}, {1, 2}, {5, 10}, {25, 50}, {50, 100}};
    for (const auto &p : pairs) {
        SCOPED_TRACE(p.position);
        EXPECT_EQ(JpegPercentFromPosition(p.position, TOptionForm1::JpegTrackMaximum), p.percent);
        EXPECT_EQ(JpegPositionFromPercent(p.percent, TOptionForm1::JpegTrackMaximum), p.position);
    }
    // An odd percent falls to the track's step below; out of range stays on the track.
    EXPECT_EQ(JpegPositionFromPercent(11, TOptionForm1::JpegTrackMaximum), 5);
    EXPECT_EQ(JpegPositionFromPercent(250, TOptionForm1::JpegTrackMaximum), 50);
    EXPECT_EQ(JpegPositionFromPercent(-3, TOptionForm1::JpegTrackMaximum), 0);
}

TEST(OptionFormTexts, MaskDriveLetter)
{
    const struct
    {
        const char *letters;
        char drive;
        bool found;
        const char *after;
    } cases[] = {
        {"DC", 'C', true, "D?"}, {"dc", 'C', true, "d?"}, {"DE", 'C', false, "DE"},
        {"CC", 'c', true, "??"}, {"D\\", '\\', false, "D\\"}, {"", 'C', false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.letters);
        QString letters = QString::fromLatin1(c.letters);
        EXPECT_EQ(MaskDriveLetter(letters, c.drive), c.found);
        EXPECT_EQ(letters, QString::fromLatin1(c.after));
    }
}

// The dialog on C:'s folder Pics (or no folder), message boxes recorded and
// answered OK.
class OptionFormTest : public DriveCTest
{
protected:
    void SetUp() override
    {
        makeDriveC({"Pics", "Other", "Data"});
        // The default panel texture, which the program ships beside itself.
        QImage texture(16, 16, QImage::Format_RGB888);
        texture.fill(Qt::gray);
        std::filesystem::create_directories(programFolder());
        ASSERT_TRUE(texture.save(QString::fromStdString(programFolder() + "/Texture1.jpg"), "JPG"));
        SetMessageBoxResponder([this](const QString &text, const QString &, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxResponder({});
        DriveCTest::TearDown();
    }

    static std::string programFolder() { return TestHostFolder() + "/Program"; }
    static CPath folder(const char *name) { return CPath(WindowsPathFromHost(TestHostFolder() + "/" + name).c_str()); }
    static void click(QAbstractButton *button)
    {
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        button->click();
    }
    // A runnable program of the test folder; answers its Windows path.
    static CPath program(const char *name, bool runnable = true)
    {
        const std::string path = TestHostFolder() + "/" + name;
        WriteHostFile(path, "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(path, runnable ? std::filesystem::perms::owner_all : std::filesystem::perms::owner_read);
        return CPath(WindowsPathFromHost(path).c_str());
    }
    // A step that types path into the file dialog and presses OK.
    static ModalScript::Step choose(const CPath &path)
    {
        return [path](QDialog &dialog) {
            auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            const std::filesystem::path host(HostPathFromWindows(path.c_str()));
            static_cast<QFileDialog &>(dialog).setDirectory(QString::fromStdString(host.parent_path().string()));
            name->setText(QString::fromStdString(host.filename().string()));
            dialog.accept();
        };
    }
    static void selectPage(TOptionForm1 &form, int page)
    {
        form.ShowPageOfTag(page);
        form.UpdateControls();
    }

    std::vector<QString> boxes;
};

TEST_F(OptionFormTest, NoFolderLeavesTheFolderStoreEmptyAndItsPageGreyed)
{
    TOptionForm1 form(nullptr, -1, CPath());
    form.show();
    EXPECT_EQ(form.Store(TOptionForm1::FolderPage), nullptr);
    EXPECT_FALSE(form.Pages[TOptionForm1::FolderPage]->isEnabled());
    for (const int page : {TOptionForm1::GeneralPage, TOptionForm1::PanelPage, TOptionForm1::JpegPage,
                           TOptionForm1::DiskPage, TOptionForm1::CachePage})
        EXPECT_NE(form.Store(page), nullptr) << page;
    selectPage(form, TOptionForm1::FolderPage);
    EXPECT_FALSE(form.RevertButton->isEnabled());
    EXPECT_FALSE(form.UseDefaultsButton->isEnabled());
    EXPECT_FALSE(form.SetDefaultsButton->isEnabled());
    EXPECT_FALSE(form.ApplyButton->isEnabled());
    EXPECT_TRUE(form.OkButton->isEnabled());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("User Preferences"));
}

TEST_F(OptionFormTest, ApplyThenRevertRestoresEveryGroup)
{
    const CPath pics = folder("Pics");
    TOptionForm1 form(nullptr, -1, pics);
    form.show();
    form.UpdateControls();
    EXPECT_FALSE(form.ApplyButton->isEnabled()) << "a freshly shown dialog differs from its groups";

    // One change on every page that has a group.
    struct Change
    {
        int page;
        const char *name;
    };
    const Change changes[] = {{TOptionForm1::GeneralPage, "AutoScrollCheckBox"},
                              {TOptionForm1::FolderPage, "AutoSaveCheckBox"},
                              {TOptionForm1::PanelPage, "CheckBoxG"},
                              {TOptionForm1::DiskPage, "FloppyBCheckBox"},
                              {TOptionForm1::CachePage, "CacheBitmapsCheckBox"}};
    std::vector<std::unique_ptr<TZiloOptions>> before;
    for (const Change &change : changes)
        before.push_back(form.Store(change.page)->Clone());
    for (const Change &change : changes)
        form.findChild<QCheckBox *>(change.name)->toggle();
    form.JpegEdit->setText(QStringLiteral("40"));
    before.push_back(form.Store(TOptionForm1::JpegPage)->Clone());

    for (const Change &change : changes) {
        SCOPED_TRACE(change.name);
        selectPage(form, change.page);
        EXPECT_TRUE(form.ApplyButton->isEnabled());
        click(form.RevertButton);
        form.UpdateControls();
        EXPECT_FALSE(form.RevertButton->isEnabled());
    }
    selectPage(form, TOptionForm1::JpegPage);
    click(form.RevertButton);
    form.UpdateControls();
    EXPECT_FALSE(form.ApplyButton->isEnabled());
    EXPECT_EQ(form.JpegEdit->text(), QStringLiteral("10"));

    // Applying the reverted dialog leaves every group as it was.
    form.findChild<QCheckBox *>("AutoScrollCheckBox")->toggle();
    form.findChild<QCheckBox *>("AutoScrollCheckBox")->toggle();
    int page = 0;
    for (const int p : {TOptionForm1::GeneralPage, TOptionForm1::FolderPage, TOptionForm1::PanelPage,
                        TOptionForm1::DiskPage, TOptionForm1::CachePage, TOptionForm1::JpegPage}) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(form.Store(p)->AllOptionsEqual(before[size_t(page++)].get()));
    }

    // Apply writes what the dialog holds, and only then.
    form.findChild<QCheckBox *>("AutoSaveCheckBox")->setChecked(true);
    EXPECT_EQ(form.Store(TOptionForm1::FolderPage)->GetInt(TFolderOptions::AutoSave), 0);
    form.UpdateControls();
    click(form.ApplyButton);
    EXPECT_EQ(form.Store(TOptionForm1::FolderPage)->GetInt(TFolderOptions::AutoSave), 1);
    EXPECT_EQ(form.CancelButton->text(), QStringLiteral("Close"));
    EXPECT_FALSE(form.ApplyButton->isEnabled());
}

TEST_F(OptionFormTest, UseDefaultsAndSetAsDefaultsGoThroughFolderDefaults)
{
    const CPath pics = folder("Pics");
    TOptionForm1 form(nullptr, -1, pics);
    form.show();
    selectPage(form, TOptionForm1::FolderPage);
    EXPECT_FALSE(form.SetDefaultsButton->isEnabled());
    EXPECT_FALSE(form.UseDefaultsButton->isEnabled());

    form.findChild<QCheckBox *>("AutoSaveCheckBox")->setChecked(true);
    form.findChild<QLineEdit *>("IgnoreEdit")->setText(QStringLiteral("skip_;"));
    form.UpdateControls();
    ASSERT_TRUE(form.SetDefaultsButton->isEnabled());
    EXPECT_TRUE(form.UseDefaultsButton->isEnabled());
    click(form.SetDefaultsButton);
    EXPECT_EQ(form.CancelButton->text(), QStringLiteral("Close"));
    form.UpdateControls();
    EXPECT_FALSE(form.SetDefaultsButton->isEnabled());

    // A folder never seen starts from the new defaults.
    TFolderSpecificOptions *other = TFolderSpecificOptionsCache::GetFolderOptions(folder("Other"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetInt(TFolderOptions::AutoSave), 1);
    EXPECT_EQ(other->GetString(TFolderOptions::IgnorePrefix), QStringLiteral("skip_;"));

    // On another page Set As Defaults stays greyed, however the page differs.
    selectPage(form, TOptionForm1::GeneralPage);
    form.findChild<QCheckBox *>("AutoScrollCheckBox")->toggle();
    form.UpdateControls();
    EXPECT_TRUE(form.UseDefaultsButton->isEnabled());
    EXPECT_FALSE(form.SetDefaultsButton->isEnabled());
    click(form.UseDefaultsButton);
    EXPECT_FALSE(form.findChild<QCheckBox *>("AutoScrollCheckBox")->isChecked());
}

TEST_F(OptionFormTest, ADriveConflictTurnsTheLetterIntoAQuestionMark)
{
    TOptionForm1 form(nullptr, TOptionForm1::DiskPage, CPath());
    form.show();
    form.SpecialBrowseFolderEdit->setText(QStringLiteral("C:\\Data"));
    boxes.clear();
    form.WriteProtectEdit->setText(QStringLiteral("DC"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("You cannot write-protect drive C because it is used for storing browse files"));
    EXPECT_EQ(form.WriteProtectEdit->text(), QStringLiteral("D?"));

    // The folder moving onto a listed drive does the same.
    form.WriteProtectEdit->setText(QStringLiteral("E"));
    form.SpecialBrowseFolderEdit->setText(QStringLiteral("E:\\Browse"));
    EXPECT_EQ(form.WriteProtectEdit->text(), QStringLiteral("?"));
    EXPECT_EQ(boxes.size(), 2u);

    // A relative folder is no folder: OK greys.
    form.SpecialBrowseFolderEdit->setText(QStringLiteral("Browse"));
    form.UpdateControls();
    EXPECT_FALSE(form.OkButton->isEnabled());
}

TEST_F(OptionFormTest, TheRequestedPageShowsAloneUnderItsName)
{
    RegisterTools();
    TViewerOptions options;
    TViewerSettingsForm1 settings(nullptr, options);
    ASSERT_TRUE(settings.JpegButton->isEnabled());
    QString title;
    bool treeShown = true;
    ModalScript script({[&](QDialog &dialog) {
        title = dialog.windowTitle();
        treeShown = dialog.findChild<QTreeWidget *>("TreeView")->isVisible();
        dialog.reject();
    }});
    settings.JpegButton->click();
    EXPECT_EQ(title, QStringLiteral("JPEG Preferences"));
    EXPECT_FALSE(treeShown);
    UnregisterTool(Tool::Preferences);
    EXPECT_FALSE(TViewerSettingsForm1(nullptr, options).JpegButton->isEnabled());
    SetThumbSettingsMaker(nullptr);
    TMemoList::FreeAll();   // the appearance sample's memo list, as the program frees them at its end
}

// A picture of noise: JPEG cannot make it smaller than its pixels.
void writeNoisyQualityPicture(const std::string &programFolder, int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB888);
    std::mt19937 random(3);
    for (int y = 0; y < height; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = uchar(random());
    }
    ASSERT_TRUE(picture.save(QString::fromStdString(programFolder + "/Quality.bmp"), "BMP"));
}

TEST_F(OptionFormTest, TheJpegPreviewFollowsTheSliderAndSurvivesNoisyPictures)
{
    for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(64, 48)}) {
        SCOPED_TRACE(size.width());
        writeNoisyQualityPicture(programFolder(), size.width(), size.height());
        TOptionForm1 form(nullptr, TOptionForm1::JpegPage, CPath());
        form.show();
        form.JpegTrackBar->setValue(25);
        EXPECT_EQ(form.JpegEdit->text(), QStringLiteral("50"));
        EXPECT_TRUE(form.Timer1->isActive());
        form.RenderJpegPreview();
        const QImage compressed = form.findChild<QWidget *>("CompressedPreviewPanel")->grab().toImage();
        const auto *panel = form.findChild<QLabel *>("QualityErrorLabel");
        EXPECT_TRUE(panel->text().contains(QStringLiteral("bytes compressed"))) << panel->text().toStdString();
        form.JpegEdit->setText(QStringLiteral("90"));
        EXPECT_EQ(form.JpegTrackBar->value(), 45);
    }
}

TEST_F(OptionFormTest, ApplicationsRoundTrip)
{
    const CPath gimp = program("gimp");
    {
        TOptionForm1 form(nullptr, TOptionForm1::ApplicationsPage, CPath());
        form.show();
        ASSERT_EQ(form.ApplicationGrid->rowCount(), 2);
        EXPECT_EQ(form.ApplicationGrid->item(0, 2)->text(), QStringLiteral("#Registered"));
        ModalScript script({choose(gimp)});
        click(form.AddButton);
        ASSERT_EQ(form.ApplicationGrid->rowCount(), 3);
        EXPECT_EQ(form.ApplicationGrid->item(2, 1)->text(), QStringLiteral("gimp"));
        EXPECT_EQ(form.ApplicationGrid->currentRow(), 2);
        form.UpdateControls();
        EXPECT_TRUE(form.RevertButton->isEnabled());
        EXPECT_TRUE(form.ApplyButton->isEnabled()) << "an added program can be applied";
        EXPECT_TRUE(form.LaunchButton->isEnabled());
        click(form.UpTool);
        EXPECT_EQ(form.ApplicationGrid->currentRow(), 1);
        EXPECT_EQ(form.ApplicationGrid->item(1, 0)->text(), QStringLiteral("2"));
        form.TextFileAppEdit->setText(QStringLiteral("C:\\editor"));
        click(form.OkButton);
    }
    const std::vector<OpenWithApplication> stored = LoadApplicationList();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_STREQ(stored[1].caption.c_str(), "gimp");
    EXPECT_STREQ(stored[1].command.c_str(), gimp.c_str());
    EXPECT_STREQ(stored[2].command.c_str(), "#Internal");
    EXPECT_STREQ(LoadTextEditor().c_str(), "C:\\editor");

    TOptionForm1 again(nullptr, TOptionForm1::ApplicationsPage, CPath());
    again.show();
    again.UpdateControls();
    EXPECT_EQ(again.ApplicationGrid->rowCount(), 3);
    EXPECT_FALSE(again.RevertButton->isEnabled());
    EXPECT_EQ(again.TextFileAppEdit->text(), QStringLiteral("C:\\editor"));
    EXPECT_FALSE(again.ApplyButton->isEnabled());
    again.TextFileAppEdit->setText(QStringLiteral("C:\\other"));
    again.UpdateControls();
    EXPECT_TRUE(again.ApplyButton->isEnabled()) << "a new text editor can be applied";
}

TEST_F(OptionFormTest, RemoveThenModifyActsAsAdd)
{
    const CPath viewer = program("viewer");
    TOptionForm1 form(nullptr, TOptionForm1::ApplicationsPage, CPath());
    form.show();
    // Built-in rows cannot be removed: make them plain rows first.
    for (int row = 0; row < 2; ++row)
        form.ApplicationGrid->item(row, 2)->setText(QStringLiteral("C:\\x%1").arg(row));
    form.ApplicationGrid->selectRow(0);
    form.UpdateControls();
    click(form.RemoveButton);
    ASSERT_EQ(form.ApplicationGrid->rowCount(), 1);
    EXPECT_EQ(form.ApplicationGrid->item(0, 2)->text(), QStringLiteral("C:\\x1"));
    form.ApplicationGrid->selectRow(0);
    form.UpdateControls();
    click(form.RemoveButton);
    ASSERT_EQ(form.ApplicationGrid->rowCount(), 0);

    ModalScript script({choose(viewer)});
    form.UpdateControls();
    click(form.ModifyButton);
    ASSERT_EQ(form.ApplicationGrid->rowCount(), 1);
    EXPECT_EQ(form.ApplicationGrid->item(0, 1)->text(), QStringLiteral("viewer"));
    EXPECT_EQ(form.ApplicationGrid->item(0, 0)->text(), QStringLiteral("1"));
}

TEST_F(OptionFormTest, AFileThatCannotRunIsRefused)
{
    const CPath text = program("notes", false);
    TOptionForm1 form(nullptr, TOptionForm1::ApplicationsPage, CPath());
    form.show();
    ModalScript script({choose(text)});
    click(form.AddButton);
    EXPECT_EQ(form.ApplicationGrid->rowCount(), 2);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("not a program"))) << boxes[0].toStdString();
}

TEST_F(OptionFormTest, ATypedLeadingHashIsStrippedAndBuiltInCommandsStayFixed)
{
    TOptionForm1 form(nullptr, TOptionForm1::ApplicationsPage, CPath());
    form.show();
    form.ApplicationGrid->item(0, 1)->setText(QStringLiteral("#Mine"));
    EXPECT_EQ(form.ApplicationGrid->item(0, 1)->text(), QStringLiteral("Mine"));
    EXPECT_FALSE(form.ApplicationGrid->item(0, 2)->flags() & Qt::ItemIsEditable);
    form.ApplicationGrid->selectRow(0);
    form.UpdateControls();
    EXPECT_FALSE(form.RemoveButton->isEnabled());
    EXPECT_FALSE(form.ModifyButton->isEnabled());
    EXPECT_FALSE(form.LaunchButton->isEnabled());
    EXPECT_FALSE(form.UpTool->isEnabled());
    EXPECT_TRUE(form.DownTool->isEnabled());
}

TEST_F(OptionFormTest, ColourChoosersSetTheWorkingColours)
{
    TOptionForm1 form(nullptr, TOptionForm1::PanelPage, CPath());
    form.show();
    ModalScript script({[](QDialog &dialog) {
        static_cast<QColorDialog &>(dialog).setCurrentColor(QColor(0x10, 0x20, 0x30));
        dialog.accept();
    }});
    click(form.SelectionColourButton);
    EXPECT_EQ(form.GetSelectionColour(), 0x302010);
    form.UpdateControls();
    EXPECT_TRUE(form.ApplyButton->isEnabled());
    EXPECT_TRUE(form.RevertButton->isEnabled());
}

TEST_F(OptionFormTest, AMissingTextureFileIsShownAndBlocksApply)
{
    TOptionForm1 form(nullptr, TOptionForm1::PanelPage, CPath());
    form.show();
    form.PanelTextureCombo->setEditText(QStringLiteral("C:\\missing.jpg"));
    EXPECT_EQ(form.TextureFileErrorLabel->text(), QStringLiteral("File does not exist"));
    form.UpdateControls();
    EXPECT_FALSE(form.ApplyButton->isEnabled());
    EXPECT_FALSE(form.OkButton->isEnabled());
    form.PanelTextureCombo->setEditText(QString());
    EXPECT_TRUE(form.TextureFileErrorLabel->text().isEmpty());
}

// A browse window as the preferences see it: a shown folder, not loading.
class TShownFolder : public ToolBrowser
{
public:
    explicit TShownFolder(const CPath &folder) : m_folder(folder) {}
    const CPath &ShownFolder() const override { return m_folder; }
    std::vector<TThumbnail *> Selection() const override { return {}; }
    bool IsLoading() const override { return false; }
    int ApplySearch(CSearchContext &) override { return 0; }
    void GoToFolder(const CPath &) override {}
    void Reload() override {}
    void RepaintThumbnails() override {}

private:
    CPath m_folder;
};

// Counts the coordinator's reloads of the Open With menus.
class TMenuCounter : public ToolShell
{
public:
    void ReloadOpenWithMenus() override { ++reloads; }
    int reloads = 0;
};

TEST_F(OptionFormTest, ApplyReloadsEveryOpenWithMenuAndCountsAsConfirmed)
{
    TMenuCounter shell;
    SetToolShell(&shell);
    TShownFolder browser(folder("Pics"));
    const struct
    {
        const char *what;
        bool apply;
        bool confirmed;
    } cases[] = {{"applied, then closed", true, true}, {"cancelled", false, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        shell.reloads = 0;
        ModalScript script({[&](QDialog &dialog) {
            auto &form = static_cast<TOptionForm1 &>(dialog);
            EXPECT_EQ(form.Store(TOptionForm1::FolderPage), TFolderSpecificOptionsCache::GetFolderOptions(folder("Pics")));
            if (c.apply) {
                form.findChild<QCheckBox *>("AutoSaveCheckBox")->toggle();
                form.UpdateControls();
                form.ApplyButton->click();
            }
            form.CancelButton->click();
        }});
        EXPECT_EQ(TOptionForm1::ShowPreferences(browser), c.confirmed);
        EXPECT_EQ(shell.reloads, c.apply ? 1 : 0);
    }
    SetToolShell(nullptr);
}

TEST_F(OptionFormTest, OkEndsTheRunWithOkOnceEverythingIsStored)
{
    TOptionForm1 form(nullptr, -1, folder("Pics"));
    ModalScript script({[](QDialog &dialog) {
        dialog.findChild<QCheckBox *>("AutoSaveCheckBox")->setChecked(true);
        dialog.findChild<QPushButton *>("OkButton")->click();
    }});
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(form.Store(TOptionForm1::FolderPage)->GetInt(TFolderOptions::AutoSave), 1);
}

TEST_F(OptionFormTest, FolderManagerIsGreyedUntilItRegistersAndWhileApplyIsNot)
{
    TShownFolder browser(folder("Pics"));
    UnregisterTool(Tool::FolderManager);
    TOptionForm1 form(nullptr, TOptionForm1::FolderPage, browser.ShownFolder(), &browser);
    form.show();
    form.UpdateControls();
    EXPECT_FALSE(form.FolderManagerButton->isEnabled());

    int runs = 0;
    RegisterTool(Tool::FolderManager, {.command = [&](ToolBrowser &shown) {
                                           EXPECT_EQ(&shown, &browser);
                                           ++runs;
                                           // The manager changes the folder's options behind the dialog.
                                           TFolderSpecificOptionsCache::GetFolderOptions(shown.ShownFolder())
                                               ->SetInt(TFolderOptions::AutoSave, 1);
                                           return true;
                                       }});
    form.findChild<QCheckBox *>("AutoUpdateCheckBox")->toggle();
    form.UpdateControls();
    EXPECT_FALSE(form.FolderManagerButton->isEnabled()) << "while Apply is enabled";
    form.findChild<QCheckBox *>("AutoUpdateCheckBox")->toggle();
    form.UpdateControls();
    click(form.FolderManagerButton);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(form.findChild<QCheckBox *>("AutoSaveCheckBox")->isChecked()) << "the dialog shows what it left";
    UnregisterTool(Tool::FolderManager);
}

} // namespace
