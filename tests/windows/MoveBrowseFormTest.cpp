#include "DriveCTest.h"
#include "ModalScript.h"

#include "../Source/GlobTestSupport.h"

#include <Source/engine/ZiloOptions.h>
#include <Source/windows/MoveBrowseForm.h>

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <optional>

namespace {

// C: is the test folder; Pics has a browse file of its own, and the central
// browse-file folder is the program folder's Data.
class MoveBrowseFormTest : public DriveCTest
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(TestHostFolder() + "/Pics");
        WriteHostFile(browseFile(), "thumbnails");
        makeDriveC({"Elsewhere"});
        ProgramOptions->SetString(TProgramOptions::MoveBrowseFolder, central());
    }

    static std::string browseFile() { return TestHostFolder() + "/Pics/Thumbnail.zilo"; }
    static QString central() { return DiskOptions->GetString(TDiskOptions::SpecialBrowseFolder); }
};

} // namespace

TEST_F(MoveBrowseFormTest, AnEmptyNewFolderDisablesMoveAndDriveInfo)
{
    ModalScript script({[](QDialog &dialog) {
        auto *newEdit = Child<QLineEdit>(dialog, "NewEdit");
        auto *move = Child<QPushButton>(dialog, "MoveBtn");
        auto *driveInfo = Child<QPushButton>(dialog, "DriveInfoBtn");
        EXPECT_TRUE(move->isEnabled());
        newEdit->clear();
        EXPECT_FALSE(move->isEnabled());
        EXPECT_FALSE(driveInfo->isEnabled());
        newEdit->setText("C");
        EXPECT_TRUE(move->isEnabled());
        EXPECT_TRUE(driveInfo->isEnabled());
        dialog.reject();
    }});
    EXPECT_FALSE(TMoveBrowseForm1::ShowFor("C:\\Pics"));
    EXPECT_TRUE(HostFileExists(browseFile()));
}

TEST_F(MoveBrowseFormTest, MovesTheBrowseFileIntoTheCentralFolder)
{
    QString group, oldPath;
    ModalScript script({[&](QDialog &dialog) {
        group = Child<QGroupBox>(dialog, "GroupBox1")->title();
        oldPath = Child<QLineEdit>(dialog, "OldEdit")->text();
        Child<QPushButton>(dialog, "MoveBtn")->click();
    }});
    EXPECT_TRUE(TMoveBrowseForm1::ShowFor("C:\\Pics"));
    EXPECT_EQ(group, " Browse file for C:\\Pics ");
    EXPECT_EQ(oldPath, "C:\\Pics\\Thumbnail.zilo");
    EXPECT_FALSE(HostFileExists(browseFile()));
    const CPath moved = GetBrowseFilePath("C:\\Pics");
    EXPECT_EQ(CPath(moved.GetDirPart()).CompareNoCase(CString(central())), 0) << moved.c_str();
    EXPECT_TRUE(moved.GetFileExists());
}

TEST_F(MoveBrowseFormTest, RefusesAFolderWhereTheBrowseFileWouldBeLost)
{
    const struct
    {
        const char *folder;
        const char *message;
    } cases[] = {
        {"photos", "Invalid Folder"},
        {"C:\\Elsewhere", "Browse files can only be moved to the browse file folder '"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        MessageBoxScript boxes;
        bool stayedOpen = false;
        ModalScript script({[&](QDialog &dialog) {
            Child<QLineEdit>(dialog, "NewEdit")->setText(c.folder);
            Child<QPushButton>(dialog, "MoveBtn")->click();
            stayedOpen = dialog.isVisible();
            dialog.reject();
        }});
        EXPECT_FALSE(TMoveBrowseForm1::ShowFor("C:\\Pics"));
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_TRUE(boxes.boxes()[0].text.startsWith(c.message)) << boxes.boxes()[0].text.toStdString();
        EXPECT_TRUE(HostFileExists(browseFile()));
        EXPECT_EQ(GetBrowseFilePath("C:\\Pics"), "C:\\Pics\\Thumbnail.zilo");
        // The folder typed is kept for the next time, as the user left it.
        EXPECT_EQ(ProgramOptions->GetString(TProgramOptions::MoveBrowseFolder), c.folder);
    }
}
