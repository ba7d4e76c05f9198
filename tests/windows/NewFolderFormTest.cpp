#include "FileDialogTestSupport.h"

#include <Source/windows/NewFolderForm.h>
#include <Source/windows/RecentTargets.h>
#include <lib/SafeRegIniFile.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

namespace {

class NewFolderFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        std::filesystem::create_directories(host("Pics/Existing"));
        m_parent = windows("Pics");
    }

    CPath m_parent;
};

TEST_F(NewFolderFormTest, OnlyANewNameInsideTheParentIsTaken)
{
    const QString parent = m_parent.ToAnsiString();
    const struct
    {
        QString text;
        QString error;
        QString folder;   // what FolderEdit shows
    } cases[] = {
        {"Holiday", "", parent + "\\Holiday"},
        {parent + "\\Holiday", "", parent + "\\Holiday"},
        {parent.toLower() + "\\Holiday", "", parent + "\\Holiday"},
        {"Existing", "Folder Exists", parent + "\\Existing"},
        {parent + "\\Existing", "Folder Exists", parent + "\\Existing"},
        {"a:b", "Illegal Name", ""},
        {"\\x", "Illegal Name", ""},
        {"x\\y", "Illegal Name", ""},
        {"x/y", "Illegal Name", ""},
        {"D:\\Other", "Illegal Name", ""},
        {windows("Other").ToAnsiString(), "Illegal Name", ""},
        {parent + "\\Existing\\Sub", "Illegal Name", ""},
        {"\\\\server\\share\\x", "Illegal Name", ""},
        {"what?", "Illegal Name", ""},
        {"line\nbreak", "Illegal Name", ""},
        {"line\r\nbreak", "Illegal Name", ""},
        {"return\r", "Illegal Name", ""},
        {"tab\there", "Illegal Name", ""},
        {"..", "Illegal Name", ""},
        {"", "Illegal Name", ""},
    };
    QString error, folder;
    bool okEnabled = false;
    for (const auto &test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        ModalScript script({[&](QDialog &dialog) {
            Child<QComboBox>(dialog, "Combo")->setEditText(test.text);
            error = Child<QLabel>(dialog, "ErrorLabel")->text();
            folder = Child<QLineEdit>(dialog, "FolderEdit")->text();
            okEnabled = Child<QPushButton>(dialog, "OkButton")->isEnabled();
            dialog.reject();
        }});
        EXPECT_TRUE(TNewFolderForm1::Ask(m_parent).IsEmpty());
        EXPECT_EQ(error, test.error);
        EXPECT_EQ(folder, test.folder);
        EXPECT_EQ(okEnabled, test.error.isEmpty());
    }
    EXPECT_FALSE(std::filesystem::exists(host("Pics/Holiday"))) << "nothing is made before OK";
}

TEST_F(NewFolderFormTest, StartsWithNewFolderAndMakesIt)
{
    QString title, text, error;
    ModalScript script({[&](QDialog &dialog) {
        title = dialog.windowTitle();
        text = Child<QComboBox>(dialog, "Combo")->currentText();
        error = Child<QLabel>(dialog, "ErrorLabel")->text();
        Child<QPushButton>(dialog, "OkButton")->click();
    }});
    const CPath made = TNewFolderForm1::Ask(m_parent);
    EXPECT_EQ(title, "New Folder");
    EXPECT_EQ(text, m_parent.ToAnsiString() + "\\New Folder");
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(made, windows("Pics/New Folder").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(host("Pics/New Folder")));
    EXPECT_EQ(SettingsStore->ReadString(RecentTargetsSection, "History 1", QString()), made.ToAnsiString());
}

TEST_F(NewFolderFormTest, AFolderThatCannotBeMadeKeepsTheDialogOpen)
{
    writeFile("Pics/New Folder", "a file where the folder should be");
    MessageBoxScript boxes;
    bool stillOpen = false;
    ModalScript script({[&](QDialog &dialog) {
        Child<QPushButton>(dialog, "OkButton")->click();
        stillOpen = dialog.isVisible();
        dialog.reject();
    }});
    EXPECT_TRUE(TNewFolderForm1::Ask(m_parent).IsEmpty());
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              QString("Failed to create folder '%1'").arg(windows("Pics/New Folder").ToAnsiString()));
}

} // namespace
