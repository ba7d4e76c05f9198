#include "FileDialogTestSupport.h"

#include <Source/windows/RenameForm.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class RenameFormTest : public FileDialogTest
{
protected:
    // What the dialog shows for a typed name.
    struct Shown
    {
        QString message;
        bool okEnabled = false;
        QString newFileName;
    };

    // Opens the rename dialog for path through its hook function, types
    // typed and cancels; answers what it showed.
    static Shown typeAndCancel(const CPath &path, const QString &typed)
    {
        Shown shown;
        ModalScript script({[&](QDialog &dialog) {
            Child<QLineEdit>(dialog, "NewNameEdit")->setText(typed);
            shown = {Child<QLabel>(dialog, "ErrorLabel")->text(), Child<QPushButton>(dialog, "OKBtn")->isEnabled(),
                     Child<QLineEdit>(dialog, "NewEdit")->text()};
            Child<QPushButton>(dialog, "CancelBtn")->click();
        }});
        TImageHandler file(path, false);
        EXPECT_FALSE(TRenameForm1::ShowRenameDialog(file));
        EXPECT_EQ(file.GetFullPath().ToAnsiString(), path.ToAnsiString()) << "cancelled: the handler keeps its path";
        return shown;
    }

    // Opens the rename dialog for file, types typed and presses "&Rename".
    static bool typeAndRename(TImageHandler &file, const QString &typed)
    {
        ModalScript script({[&](QDialog &dialog) {
            Child<QLineEdit>(dialog, "NewNameEdit")->setText(typed);
            Child<QPushButton>(dialog, "OKBtn")->click();
        }});
        return TRenameForm1::ShowRenameDialog(file);
    }
};

TEST_F(RenameFormTest, EachRuleOfTheTypedName)
{
    write("a.jpg");
    preview(pics("a.jpg"));
    write("b.jpg");
    write("b.x.jpg");
    std::filesystem::create_directories(picsHost("folder.jpg"));
    const QString exists = "A file with that name already exists";
    struct Row
    {
        const char *typed;
        QString message;
        bool okEnabled;
        const char *newFileName;
    };
    const Row rows[] = {
        {"a\\b", "Folder names are not allowed", false, "a\\b.jpg"},
        {"a:b", "Illegal character in name", false, "a:b.jpg"},
        {"a/b", "Illegal character in name", false, "a/b.jpg"},
        {"a*b", "Illegal character in name", false, "a*b.jpg"},
        {"a?b", "Illegal character in name", false, "a?b.jpg"},
        {"a\"b", "Illegal character in name", false, "a\"b.jpg"},
        {"a<b", "Illegal character in name", false, "a<b.jpg"},
        {"a>b", "Illegal character in name", false, "a>b.jpg"},
        {"a|b", "Illegal character in name", false, "a|b.jpg"},
        {"a:b.c", "Illegal character in name", false, "a:b.c.jpg"},
        {"a.b", "Warning: Multiple extensions", true, "a.b.jpg"},
        {"b", exists, false, "b.jpg"},
        {"B", exists, false, "B.jpg"},
        {"b.x", exists, false, "b.x.jpg"},   // an existing target is refused before the warning
        {"folder", exists, false, "folder.jpg"},
        {"A", "", true, "A.jpg"},            // a new spelling of the file itself
        {"a", "", true, "a.jpg"},
        {"holiday", "", true, "holiday.jpg"},
        {"", "", false, ".jpg"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.typed);
        const Shown shown = typeAndCancel(pics("a.jpg"), row.typed);
        EXPECT_EQ(shown.message, row.message);
        EXPECT_EQ(shown.okEnabled, row.okEnabled);
        EXPECT_EQ(shown.newFileName, row.newFileName);
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "b.jpg", "b.x.jpg", "folder.jpg"}));
}

TEST_F(RenameFormTest, ACaseChangeOntoAnotherFileIsRefused)
{
    write("a.jpg", "lower");
    write("A.jpg", "upper");
    preview(pics("a.jpg"));
    const Shown shown = typeAndCancel(pics("a.jpg"), "A");
    EXPECT_EQ(shown.message, "A file with that name already exists");
    EXPECT_FALSE(shown.okEnabled);
    EXPECT_EQ(ReadHostFile(picsHost("A.jpg")), "upper");
    EXPECT_EQ(ReadHostFile(picsHost("a.jpg")), "lower");
}

TEST_F(RenameFormTest, ACaseChangeRenamesTheFileAndKeepsItsMemo)
{
    write("a.jpg", "lower");
    preview(pics("a.jpg"));
    setMemo(pics("a.jpg"), {"taken in Rome"});
    TImageHandler file(pics("a.jpg"), false);
    ASSERT_TRUE(typeAndRename(file, "A"));
    EXPECT_EQ(names(), std::vector<std::string>{"A.jpg"});
    EXPECT_EQ(file.GetName().ToAnsiString(), "A.jpg");
    TMemoList::FreeAll();   // read back from the memo file
    EXPECT_EQ(memo(pics("A.jpg")), QStringList{"taken in Rome"});
}

TEST_F(RenameFormTest, ANewNameRenamesTheFileWithItsExtensionAndMemo)
{
    write("a.jpg");
    preview(pics("a.jpg"));
    setMemo(pics("a.jpg"), {"first", "second"});
    TImageHandler file(pics("a.jpg"), false);
    ASSERT_TRUE(typeAndRename(file, "rome.day"));
    EXPECT_EQ(names(), std::vector<std::string>{"rome.day.jpg"});
    EXPECT_EQ(file.GetFullPath().ToAnsiString(), pics("rome.day.jpg").ToAnsiString());
    TMemoList::FreeAll();
    EXPECT_EQ(memo(pics("rome.day.jpg")), (QStringList{"first", "second"}));
    EXPECT_TRUE(memo(pics("a.jpg")).isEmpty());
}

TEST_F(RenameFormTest, AnUnchangedNameIsConfirmedWithoutARename)
{
    write("a.jpg");
    preview(pics("a.jpg"));
    TImageHandler file(pics("a.jpg"), false);
    MessageBoxScript boxes;
    EXPECT_TRUE(typeAndRename(file, "a"));
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(names(), std::vector<std::string>{"a.jpg"});
}

TEST_F(RenameFormTest, ARenameThatFailsIsReportedAndNotConfirmed)
{
    write("a.jpg");
    preview(pics("a.jpg"));
    TImageHandler file(pics("a.jpg"), false);
    MessageBoxScript boxes;
    ModalScript script({[&](QDialog &dialog) {
        Child<QLineEdit>(dialog, "NewNameEdit")->setText("c");
        // The name is taken after it was checked.
        write("c.jpg", "other");
        Child<QPushButton>(dialog, "OKBtn")->click();
    }});
    EXPECT_FALSE(TRenameForm1::ShowRenameDialog(file));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith("Failed to rename"));
    EXPECT_EQ(ReadHostFile(picsHost("c.jpg")), "other");
    EXPECT_EQ(file.GetName().ToAnsiString(), "a.jpg");
}

TEST_F(RenameFormTest, OpensWithTheNameWithoutItsExtensionReadyToType)
{
    write("photo.one.jpg");
    preview(pics("photo.one.jpg"));
    ModalScript script({[](QDialog &dialog) {
        auto *edit = Child<QLineEdit>(dialog, "NewNameEdit");
        EXPECT_EQ(dialog.windowTitle(), "Rename Image");
        EXPECT_EQ(edit->text(), "photo.one");
        EXPECT_EQ(Child<QLineEdit>(dialog, "OldEdit")->text(), pics("photo.one.jpg").ToAnsiString());
        EXPECT_EQ(dialog.focusWidget(), edit);
        EXPECT_EQ(edit->cursorPosition(), edit->text().size());
        EXPECT_FALSE(edit->hasSelectedText());
        dialog.reject();
    }});
    TImageHandler file(pics("photo.one.jpg"), false);
    EXPECT_FALSE(TRenameForm1::ShowRenameDialog(file));
}

} // namespace
