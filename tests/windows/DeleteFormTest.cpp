#include "FileDialogTestSupport.h"

#include <Source/engine/FileHandler.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/DeleteForm.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

class DeleteFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        m_file = writeShownPicture("Pics/a.jpg", 16, 16);
    }

    static bool confirmsDeletes() { return GeneralOptions->GetInt(TGeneralOptions::ConfirmDeletes) != 0; }

    CPath m_file;
};

// What a dialog showed, read while it was up.
struct Shown
{
    QString title;
    QString path;
    bool skipEnabled = false;
    bool openEnabled = false;
    bool contentsShown = false;
    bool againShown = false;
};

ModalScript::Step press(const char *button, Shown &shown, bool tickAgain = false)
{
    return [=, &shown](QDialog &dialog) {
        shown.title = dialog.windowTitle();
        shown.path = Child<QLineEdit>(dialog, "Edit")->text();
        shown.skipEnabled = Child<QPushButton>(dialog, "SkipButton")->isEnabled();
        shown.openEnabled = Child<QToolButton>(dialog, "OpenButton")->isEnabled();
        shown.contentsShown = Child<QLabel>(dialog, "ContentsLabel")->isVisible();
        shown.againShown = Child<QCheckBox>(dialog, "AgainCheckBox")->isVisible();
        if (tickAgain)
            Child<QCheckBox>(dialog, "AgainCheckBox")->setChecked(true);
        Child<QPushButton>(dialog, button)->click();
    };
}

TEST_F(DeleteFormTest, AFileIsAskedAboutWithSkipOnlyWhenMoreFollow)
{
    const struct
    {
        const char *button;
        bool moreFollow;
        int answer;
    } cases[] = {
        {"DeleteButton", true, IDYES},
        {"SkipButton", true, IDNO},
        {"CancelButton", true, IDCANCEL},
        {"DeleteButton", false, IDYES},
        {"CancelButton", false, IDCANCEL},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(std::string(test.button) + (test.moreFollow ? ", more follow" : ", the last"));
        Shown shown;
        ModalScript script({press(test.button, shown)});
        TImageHandler file(m_file, false);
        EXPECT_EQ(ConfirmDeleteFiles(file, test.moreFollow), test.answer);
        EXPECT_EQ(script.shown(), std::vector<QString>{"DeleteForm1"});
        EXPECT_EQ(shown.title, "Confirm Deletion");
        EXPECT_EQ(shown.path, m_file.ToAnsiString());
        EXPECT_EQ(shown.skipEnabled, test.moreFollow);
        EXPECT_TRUE(shown.openEnabled);
        EXPECT_FALSE(shown.contentsShown);
        EXPECT_TRUE(shown.againShown);
        EXPECT_TRUE(confirmsDeletes());
    }
}

TEST_F(DeleteFormTest, DontShowAgainTurnsConfirmationsOffOnlyWhenAnswered)
{
    const struct
    {
        const char *button;
        int answer;
        bool stillConfirms;
    } cases[] = {
        {"DeleteButton", IDYES, false},
        {"SkipButton", IDNO, false},
        {"CancelButton", IDCANCEL, true},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.button);
        GeneralOptions->SetInt(TGeneralOptions::ConfirmDeletes, 1);
        Shown shown;
        ModalScript script({press(test.button, shown, true)});
        TImageHandler file(m_file, false);
        EXPECT_EQ(ConfirmDeleteFiles(file, true), test.answer);
        EXPECT_EQ(confirmsDeletes(), test.stillConfirms);
    }
}

TEST_F(DeleteFormTest, WithConfirmationsOffFilesAreDeletedWithoutAsking)
{
    GeneralOptions->SetInt(TGeneralOptions::ConfirmDeletes, 0);
    ModalScript script;
    TImageHandler file(m_file, false);
    EXPECT_EQ(ConfirmDeleteFiles(file, true), IDYES);
    EXPECT_EQ(ConfirmDeleteFiles(file, false), IDYES);
    EXPECT_TRUE(script.shown().empty());
}

// A whole tree goes at once: it is asked about whatever the option says.
TEST_F(DeleteFormTest, AFolderIsAlwaysAskedAbout)
{
    const CPath folder = windows("Pics");
    for (const int confirm : {1, 0}) {
        SCOPED_TRACE(confirm);
        GeneralOptions->SetInt(TGeneralOptions::ConfirmDeletes, confirm);
        Shown deleted, cancelled;
        ModalScript script({press("DeleteButton", deleted), press("CancelButton", cancelled)});
        EXPECT_EQ(ConfirmDeleteFolder(folder), IDYES);
        EXPECT_EQ(ConfirmDeleteFolder(folder), IDCANCEL);
        EXPECT_EQ(script.shown().size(), 2u);
        EXPECT_EQ(deleted.path, folder.ToAnsiString());
        EXPECT_TRUE(deleted.contentsShown);
        EXPECT_FALSE(deleted.skipEnabled);
        EXPECT_FALSE(deleted.openEnabled);
        EXPECT_FALSE(deleted.againShown) << "nothing to stop showing";
        EXPECT_EQ(confirmsDeletes(), confirm != 0);
    }
}

} // namespace
