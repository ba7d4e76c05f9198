#include "DriveCTest.h"
#include "ModalScript.h"

#include "../Source/GlobTestSupport.h"

#include <Source/windows/FolderBrowserForm.h>
#include <lib/SafeRegIniFile.h>
#include <lib/controls/DirectoryTreeView.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <filesystem>
#include <optional>

namespace {

// C: is the test folder, holding Pics and Other.
class FolderBrowserFormTest : public DriveCTest
{
protected:
    void SetUp() override { makeDriveC({"Pics", "Other"}); }
};

} // namespace

TEST(FolderBrowserRule, TakesSharesAndPathsFromADriveRoot)
{
    const struct
    {
        const char *path;
        bool valid;
    } cases[] = {
        {"\\\\srv\\share", true}, {"C:\\", true},  {"C:\\Pics", true}, {"C:", false},
        {"photos", false},        {"", false},     {"\\x", false},     {"C:photos", false},
        {"\\\\", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(TFolderBrowserForm1::IsValidFolder(c.path), c.valid);
    }
}

TEST_F(FolderBrowserFormTest, OKTakesOnlyAValidFolder)
{
    const struct
    {
        const char *folder;
        bool okEnabled;
    } cases[] = {{"\\\\srv\\share", true}, {"C:\\", true}, {"C:", false}, {"photos", false}};
    ModalScript script({[&](QDialog &dialog) {
        auto &form = static_cast<TFolderBrowserForm1 &>(dialog);
        for (const auto &c : cases) {
            SCOPED_TRACE(c.folder);
            form.SetFolder(c.folder);
            EXPECT_EQ(Child<QPushButton>(dialog, "OKBtn")->isEnabled(), c.okEnabled);
            EXPECT_EQ(Child<QLabel>(dialog, "Label1")->text(), c.folder);
        }
        dialog.reject();
    }});
    CPath folder = "C:\\Pics";
    EXPECT_FALSE(TFolderBrowserForm1::Browse(folder));
    EXPECT_EQ(folder, "C:\\Pics");
}

TEST_F(FolderBrowserFormTest, TheFolderPickedInTheTreeIsTheAnswer)
{
    QString startLabel;
    bool startOk = false;
    ModalScript script({[&](QDialog &dialog) {
        startLabel = Child<QLabel>(dialog, "Label1")->text();
        startOk = Child<QPushButton>(dialog, "OKBtn")->isEnabled();
        Child<TDirectoryTreeView>(dialog, "DirTreeView")->SetDirectory("C:\\Other");
        Child<QPushButton>(dialog, "OKBtn")->click();
    }});
    CPath folder = "C:\\Pics";
    EXPECT_TRUE(TFolderBrowserForm1::Browse(folder));
    EXPECT_EQ(startLabel, "C:\\Pics");
    EXPECT_TRUE(startOk);
    EXPECT_EQ(folder, "C:\\Other");
}

TEST_F(FolderBrowserFormTest, KeepsItsPlaceAndSize)
{
    QRect first, second;
    ModalScript script({[&](QDialog &dialog) {
                            first = QRect(dialog.pos(), dialog.size());
                            dialog.move(40, 50);
                            dialog.resize(350, 420);
                            dialog.reject();
                        },
                        [&](QDialog &dialog) {
                            second = QRect(dialog.pos(), dialog.size());
                            dialog.reject();
                        }});
    CPath folder = "C:\\Pics";
    TFolderBrowserForm1::Browse(folder);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(first, QRect(screen.width() / 8, screen.height() / 8, 300, 400));
    EXPECT_EQ(SettingsStore->ReadInteger("Folder Browser", "Window Width", 0), 350);
    TFolderBrowserForm1::Browse(folder);
    EXPECT_EQ(second, QRect(40, 50, 350, 420));
}
