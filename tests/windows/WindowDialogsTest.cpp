#include "FileDialogTestSupport.h"

#include <Source/engine/WindowHooks.h>
#include <Source/engine/FileHandler.h>
#include <Source/windows/WindowDialogs.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <functional>

namespace {

class WindowDialogsTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        RegisterWindowDialogs();
    }
    void TearDown() override
    {
        SetDialogHooks(nullptr);
        FileDialogTest::TearDown();
    }
};

} // namespace

// Each engine prompt opens its dialog; cancelled, each answers its safe answer.
TEST_F(WindowDialogsTest, EveryEnginePromptReachesItsDialog)
{
    const CPath picture = writeShownPicture("Pics/a.jpg", 64, 48);
    const CPath other = writeShownPicture("Other/a.jpg", 48, 64);
    TImageHandler file(picture, false);
    TStringList memoA;
    memoA.Add("old words");
    TStringList memoB;
    memoB.Add("new words");
    TStringList files;
    files.Add(picture.ToAnsiString());
    TargetFolderRequest request;
    request.files = &files;
    request.caption = "Copy To Folder";
    request.actionCaption = "&Copy";
    CPath target = windows("Other");

    struct Case
    {
        const char *dialog;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"DriveInfoForm1", [&] { Dialogs().showDriveInfo(CPath("C:")); }},
        {"VolumeForm1", [&] { EXPECT_EQ(Dialogs().promptForVolume("Insert it", true), IDCANCEL); }},
        {"RenameForm1", [&] { EXPECT_FALSE(Dialogs().ShowRenameDialog(file)); }},
        {"CollisionForm1", [&] { EXPECT_EQ(Dialogs().ShowCollisionDialog(picture, other), CollisionCancel); }},
        {"DeleteForm1", [&] { EXPECT_EQ(Dialogs().ConfirmDeleteFiles(file, false), IDCANCEL); }},
        {"MemoReplaceForm1", [&] { EXPECT_FALSE(Dialogs().ConfirmMemoReplacement(other, memoA, memoB)); }},
        {"TargetForm1", [&] { EXPECT_FALSE(Dialogs().ChooseTargetFolder(request, target)); }},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.dialog);
        ModalScript script({[](QDialog &dialog) { dialog.reject(); }});
        test.call();
        EXPECT_EQ(script.shown(), std::vector<QString>{test.dialog});
    }
    EXPECT_TRUE(std::filesystem::exists(host("Pics/a.jpg")));
}
