#include "DriveCTest.h"
#include "ModalScript.h"

#include "../Source/GlobTestSupport.h"

#include <Source/engine/FolderOptions.h>
#include <Source/windows/SaveQueryForm.h>
#include <platform/Registry.h>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <optional>

namespace {

// C: is the test folder, so its folders have options of their own.
class SaveQueryFormTest : public DriveCTest
{
protected:
    void SetUp() override { makeDriveC({"Pics", "Other"}); }

    static int autoSave(const char *folder)
    {
        return TFolderSpecificOptionsCache::GetFolderOptions(folder)->GetInt(TFolderOptions::AutoSave);
    }
};

} // namespace

TEST_F(SaveQueryFormTest, AutoSaveAnswersYesAndTurnsAutoSaveOnForThatFolderOnly)
{
    ModalScript script({[](QDialog &dialog) { Child<QPushButton>(dialog, "AutoSaveBtn")->click(); }});
    EXPECT_EQ(TSaveQueryForm1::Ask("C:\\Pics"), mrYes);
    EXPECT_EQ(autoSave("C:\\Pics"), 1);
    EXPECT_EQ(autoSave("C:\\Other"), 0);
    TFolderOptions defaults;
    defaults.SetRegistryKey(SettingsRoot);
    defaults.Load();
    EXPECT_EQ(defaults.GetInt(TFolderOptions::AutoSave), 0);
    // Saved at once, not only when the cache is saved at exit.
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(SettingsRoot + "\\Folders\\0012ABCD\\Pics"));
    EXPECT_EQ(registry.ReadInteger("AutoSave"), 1);
}

TEST_F(SaveQueryFormTest, TheOtherButtonsAnswerAndLeaveAutoSaveOff)
{
    const struct
    {
        const char *button;
        int answer;
    } cases[] = {{"YesBtn", mrYes}, {"NoBtn", mrNo}, {"CancelBtn", mrCancel}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        QString shownFolder;
        ModalScript script({[&](QDialog &dialog) {
            shownFolder = Child<QLineEdit>(dialog, "Edit")->text();
            Child<QPushButton>(dialog, c.button)->click();
        }});
        EXPECT_EQ(TSaveQueryForm1::Ask("C:\\Pics"), c.answer);
        EXPECT_EQ(shownFolder, "C:\\Pics");
        EXPECT_EQ(autoSave("C:\\Pics"), 0);
    }
}

TEST_F(SaveQueryFormTest, AFolderWithoutOptionsOffersNoAutoSave)
{
    bool autoSaveEnabled = true;
    ModalScript script({[&](QDialog &dialog) {
        autoSaveEnabled = Child<QPushButton>(dialog, "AutoSaveBtn")->isEnabled();
        Child<QPushButton>(dialog, "NoBtn")->click();
    }});
    EXPECT_EQ(TSaveQueryForm1::Ask("Q:\\NoSuchDrive"), mrNo);
    EXPECT_FALSE(autoSaveEnabled);
}
