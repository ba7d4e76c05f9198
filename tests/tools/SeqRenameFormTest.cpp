#include "../windows/FileDialogTestSupport.h"

#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/SeqRenameForm.h>
#include <Source/windows/ToolHost.h>
#include <lib/SafeRegIniFile.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <filesystem>

namespace {

TEST(SeqPath, NextNameTable)
{
    struct Row
    {
        const char *prefix;
        int start;
        int width;
        bool lower;
        std::vector<const char *> oldNames;
        std::vector<const char *> newNames;
    };
    const Row rows[] = {
        {"PIC", 1, 5, false, {"b.jpg", "a.png"}, {"PIC00001.jpg", "PIC00002.png"}},   // the order given decides
        {"  PIC ", 1, 5, false, {"a.jpg"}, {"PIC00001.jpg"}},                           // blanks trimmed
        {"x", 8, 1, false, {"a.jpg", "b.jpg", "c.jpg"}, {"x8.jpg", "x9.jpg", "x10.jpg"}}, // width is a minimum
        {"P", 1, 3, false, {"A.JPG"}, {"P001.JPG"}},
        {"P", 1, 3, true, {"A.JPG", "b.Tif"}, {"P001.jpg", "P002.tif"}},
        {"P", 0, 2, false, {"noext", "two.dots.Gif"}, {"P00", "P01.Gif"}},           // the last dot's extension
        {"", 32767, 10, false, {"a.bmp"}, {"0000032767.bmp"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.prefix);
        CSeqPath names(row.prefix, row.start, row.width);
        std::vector<std::string> made;
        for (const char *oldName : row.oldNames)
            made.push_back(names.NextName(oldName, row.lower).c_str());
        EXPECT_EQ(made, std::vector<std::string>(row.newNames.begin(), row.newNames.end()));
    }
}

TEST(SeqPath, NameTableFindsNamesWithoutCaseAndOnlyThem)
{
    CSeqNameTable table;
    table.Add("Photo.JPG");
    table.Add("b.png");
    EXPECT_TRUE(table.IsNameTaken("photo.jpg"));
    EXPECT_TRUE(table.IsNameTaken("B.PNG"));
    EXPECT_FALSE(table.IsNameTaken("photo.jpeg"));
    EXPECT_FALSE(table.IsNameTaken("png.b"));   // the same bucket, another name
    EXPECT_EQ(NameBucket("ABC"), NameBucket("abc"));
    EXPECT_EQ(NameBucket("a"), 'a' % 255);
}

TEST(SeqPath, PrefixesThatLeadOutOfTheFolderAreRefused)
{
    for (const char *prefix : {"..\\", "\\", "sub\\", "a/b", "C:", "x*", "q?", "\"", "<", ">", "|", "tab\t"}) {
        SCOPED_TRACE(prefix);
        EXPECT_FALSE(IsAcceptablePrefix(prefix));
    }
    for (const char *prefix : {"PIC", "", "holiday 2024 ", "a.b", "..", "x-y_z"}) {
        SCOPED_TRACE(prefix);
        EXPECT_TRUE(IsAcceptablePrefix(prefix));
    }
}

// The dialog over files of Pics, answered by the test.
class SeqRenameFormTest : public FileDialogTest
{
protected:
    struct Shown
    {
        std::vector<std::pair<std::string, std::string>> rows;   // old and new name
        QString error;
        bool renameEnabled = false;
    };

    static Shown shown(QDialog &dialog)
    {
        Shown seen;
        auto *list = Child<QTreeWidget>(dialog, "ListView");
        for (int index = 0; index < list->topLevelItemCount(); ++index) {
            seen.rows.emplace_back(list->topLevelItem(index)->text(0).toStdString(),
                                   list->topLevelItem(index)->text(1).toStdString());
        }
        seen.error = Child<QLabel>(dialog, "ErrorLabel")->text();
        seen.renameEnabled = Child<QPushButton>(dialog, "RenameButton")->isEnabled();
        return seen;
    }

    // Opens the dialog on files (names in Pics), lets step act on it, and
    // answers its modal result.
    static int run(const std::vector<std::string> &files, const std::function<void(QDialog &)> &step)
    {
        std::vector<CPath> paths;
        for (const std::string &name : files)
            paths.push_back(pics(name));
        ModalScript script({step});
        TSeqRenameForm1 dialog(nullptr, paths);
        return dialog.ShowModal();
    }

    static Shown showAndClose(const std::vector<std::string> &files)
    {
        Shown seen;
        run(files, [&](QDialog &dialog) {
            seen = shown(dialog);
            dialog.reject();
        });
        return seen;
    }

    static void clickRenameAll(QDialog &dialog) { Child<QPushButton>(dialog, "RenameButton")->click(); }
};

TEST_F(SeqRenameFormTest, ThePreviewFollowsTheSelectionOrder)
{
    write("a.jpg");
    write("B.PNG");
    const Shown seen = showAndClose({"B.PNG", "a.jpg"});
    EXPECT_EQ(seen.rows, (std::vector<std::pair<std::string, std::string>>{{"B.PNG", "PIC00001.PNG"},
                                                                           {"a.jpg", "PIC00002.jpg"}}));
    EXPECT_EQ(seen.error, "");
    EXPECT_TRUE(seen.renameEnabled);
}

TEST_F(SeqRenameFormTest, CollisionRules)
{
    struct Row
    {
        const char *name;
        std::vector<std::string> inFolder;   // beside the three selected
        QString error;
    };
    const Row rows[] = {
        {"an unselected name collides whatever its case", {"pic00003.JPG"}, "Collision"},
        {"an unselected name of another extension does not", {"PIC00003.png"}, ""},
        {"an unselected folder collides", {"PIC00002.jpg/"}, "Collision"},
        {"a temporary name in the way stops the run", {"Zilo$c.jpg"}, "A file named \"Zilo$...\" is in the way"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(TestHostFolder() + "/Pics");
        std::filesystem::create_directories(TestHostFolder() + "/Pics");
        for (const char *name : {"a.jpg", "PIC00001.jpg", "c.jpg"})   // a selected name never collides
            write(name);
        for (const std::string &name : row.inFolder) {
            if (name.back() == '/')
                std::filesystem::create_directories(picsHost(name));
            else
                write(name);
        }
        const Shown seen = showAndClose({"a.jpg", "PIC00001.jpg", "c.jpg"});
        EXPECT_EQ(seen.error, row.error);
        EXPECT_EQ(seen.renameEnabled, row.error.isEmpty());
    }
}

TEST_F(SeqRenameFormTest, RenameAllRenumbersInPlaceAndMemosFollow)
{
    write("b.jpg", "bee");
    write("PIC00001.JPG", "one");
    write("other.txt", "left alone");
    setMemo(pics("b.jpg"), {"the bee"});
    setMemo(pics("PIC00001.JPG"), {"the first"});
    std::vector<int> countsSeen;
    const int result = run({"b.jpg", "PIC00001.JPG"}, [&](QDialog &dialog) {
        countsSeen.push_back(SequentialRenameCount.load());
        Child<QCheckBox>(dialog, "LowercaseBox")->setChecked(true);   // the click validates again
        clickRenameAll(dialog);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(countsSeen, std::vector<int>{1});
    EXPECT_EQ(SequentialRenameCount.load(), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"PIC00001.jpg", "PIC00002.jpg", "other.txt"}));
    EXPECT_EQ(ReadHostFile(picsHost("PIC00001.jpg")), "bee");
    EXPECT_EQ(ReadHostFile(picsHost("PIC00002.jpg")), "one");
    TMemoList::FreeAll();   // read back from the memo file
    EXPECT_EQ(memo(pics("PIC00001.jpg")), QStringList{"the bee"});
    EXPECT_EQ(memo(pics("PIC00002.jpg")), QStringList{"the first"});
}

TEST_F(SeqRenameFormTest, RenameAllValidatesAgainRatherThanTrustAStalePreview)
{
    write("a.jpg");
    write("b.jpg");
    write("x00002.jpg", "someone else's");
    MessageBoxScript boxes;
    struct Row
    {
        const char *prefix;
        QString error;
    };
    for (const Row &row : {Row{"x", "Collision"}, Row{"..\\up", "Illegal character in prefix"}}) {
        SCOPED_TRACE(row.prefix);
        SettingsStore->WriteString("SeqRename", "Prefix", "PIC");
        const int result = run({"a.jpg", "b.jpg"}, [&](QDialog &dialog) {
            EXPECT_TRUE(Child<QPushButton>(dialog, "RenameButton")->isEnabled());
            Child<QLineEdit>(dialog, "PrefixEdit")->setText(row.prefix);   // the preview waits for its timer
            clickRenameAll(dialog);
            const Shown seen = shown(dialog);
            EXPECT_EQ(seen.error, row.error);
            EXPECT_FALSE(seen.renameEnabled);
            dialog.reject();
        });
        EXPECT_EQ(result, mrCancel);
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "b.jpg", "x00002.jpg"}));
    EXPECT_EQ(ReadHostFile(picsHost("x00002.jpg")), "someone else's");
    EXPECT_FALSE(std::filesystem::exists(TestHostFolder() + "/up00001.jpg"));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SeqRenameFormTest, AFailedSecondPhaseLosesNoFileAndLeavesNoTemporaryName)
{
    write("a.jpg", "A");
    write("b.jpg", "B");
    write("c.jpg", "C");
    setMemo(pics("b.jpg"), {"memo of b"});
    // A name that exists but is no file the folder lists: a link to nowhere.
    // The rename onto it fails, as onto any existing name.
    std::filesystem::create_symlink(TestHostFolder() + "/nowhere", picsHost("PIC00002.jpg"));
    MessageBoxScript boxes;
    const int result = run({"a.jpg", "b.jpg", "c.jpg"}, [&](QDialog &dialog) {
        EXPECT_TRUE(shown(dialog).renameEnabled);
        clickRenameAll(dialog);
        EXPECT_TRUE(shown(dialog).renameEnabled) << "the dialog stays open for another try";
        dialog.reject();
    });
    EXPECT_EQ(result, mrCancel);
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder() + "/Pics"))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"PIC00002.jpg", "a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(ReadHostFile(picsHost("a.jpg")), "A");
    EXPECT_EQ(ReadHostFile(picsHost("b.jpg")), "B");
    EXPECT_EQ(ReadHostFile(picsHost("c.jpg")), "C");
    TMemoList::FreeAll();
    EXPECT_EQ(memo(pics("b.jpg")), QStringList{"memo of b"});
    const std::vector<MessageBoxScript::Box> shownBoxes = boxes.boxes();
    ASSERT_EQ(shownBoxes.size(), 2u);
    EXPECT_TRUE(shownBoxes[0].text.startsWith("Failed to rename")) << shownBoxes[0].text.toStdString();
    EXPECT_EQ(shownBoxes[1].text, "The files were not renamed: each keeps its old name.");
}

// The coordinator's side: which folders it was asked to update.
class RecordingShell : public ToolShell
{
public:
    void UpdateFolderWindows(const CPath &folder) override { updated.push_back(folder.c_str()); }
    std::vector<std::string> updated;
};

// A browse window with a selection, as the tool sees it.
class SelectionBrowser : public ToolBrowser
{
public:
    const CPath &ShownFolder() const override { return m_folder; }
    std::vector<TThumbnail *> Selection() const override { return selection; }
    bool IsLoading() const override { return false; }
    int ApplySearch(CSearchContext &) override { return 0; }
    void GoToFolder(const CPath &) override {}
    void Reload() override {}
    void RepaintThumbnails() override {}

    std::vector<TThumbnail *> selection;

private:
    CPath m_folder;
};

TEST_F(SeqRenameFormTest, TheWindowsOnTheFolderUpdateOnceAfterTheDialog)
{
    write("b.jpg");
    write("a.jpg");
    preview(pics("b.jpg"));
    preview(pics("a.jpg"));
    RecordingShell shell;
    SetToolShell(&shell);
    {
        TThumbBox box(nullptr);
        SelectionBrowser browser;
        for (const char *name : {"b.jpg", "a.jpg"}) {
            CThumbBitmap *record = FindThumbBitmap(pics(name));
            browser.selection.push_back(box.AddThumbnail(record));
            record->Release();
        }
        ModalScript cancel({[&](QDialog &dialog) {
            EXPECT_TRUE(shell.updated.empty());
            dialog.reject();
        }});
        EXPECT_FALSE(TSeqRenameForm1::Show(browser));
        EXPECT_TRUE(shell.updated.empty()) << "nothing renamed, nothing to update";
        ModalScript rename({[&](QDialog &dialog) {
            clickRenameAll(dialog);
            EXPECT_TRUE(shell.updated.empty()) << "no update while the dialog renames";
        }});
        EXPECT_TRUE(TSeqRenameForm1::Show(browser));
        EXPECT_EQ(box.Thumbnail(0)->GetThumbBitmap()->GetFullPath().GetFilePart(), CString("PIC00001.jpg"));
    }
    SetToolShell(nullptr);
    EXPECT_EQ(shell.updated, std::vector<std::string>{folder().c_str()});
    EXPECT_EQ(names(), (std::vector<std::string>{"PIC00001.jpg", "PIC00002.jpg"}));
}

} // namespace
