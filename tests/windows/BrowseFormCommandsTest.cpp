#include "BrowseFormTestSupport.h"
#include "../FakeDesktop.h"
#include "../ScopedEnvironment.h"

#include <Source/engine/Memo.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/ToolHost.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QRegion>
#include <QTreeWidgetItem>
#include <QtEndian>

#include <filesystem>
#include <algorithm>
#include <map>
#include <set>

namespace {

class BrowseFormCommandsTest : public BrowseFormTest
{
protected:
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        for (size_t index = 0; index < ToolCount; ++index)
            UnregisterTool(Tool(index));
    }

    static QAction *command(TBrowseForm1 *form, const char *name)
    {
        QAction *action = form->Command(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    static bool enabled(TBrowseForm1 *form, const char *name)
    {
        form->UpdateCommandStates();
        return command(form, name)->isEnabled();
    }
    // The command as the user gives it: only when it is enabled.
    static void run(TBrowseForm1 *form, const char *name)
    {
        ASSERT_TRUE(enabled(form, name)) << name;
        command(form, name)->trigger();
    }
    static void select(TBrowseForm1 *form, int count)
    {
        form->ThumbBox->ChangeSelection(TThumbBox::SelectNone);
        for (int index = 0; index < count; ++index)
            form->ThumbBox->Thumbnail(index)->SetSelected(true);
    }
    static std::vector<std::string> names(TBrowseForm1 *form)
    {
        std::vector<std::string> found;
        for (int index = 0; index < form->ThumbBox->Count(); ++index)
            found.push_back(form->ThumbBox->Thumbnail(index)->GetThumbBitmap()->GetHandler().GetName().c_str());
        return found;
    }
};

// The states of the enabling table, in the order of its columns.
enum State { Empty, None, One, Two, Root, Protected, Loading, Saving, StateCount };

TEST_F(BrowseFormCommandsTest, CommandsAreEnabledExactlyWhenTheyCanRun)
{
    // One column per state: 1 enabled, 0 greyed.
    struct Row { const char *command; const char *expected; };
    const Row rows[] = {
        //                         E N O T R P L S
        {"NewFolder2",            "11111111"},
        {"SortBy4",               "11111111"},
        {"FolderManager1",        "00000000"},   // no folder manager registered
        {"UpOneLevel1",           "11110111"},
        {"DeleteFolder2",         "11110111"},
        {"Open1",                 "00111111"},
        {"Copy1",                 "00111111"},
        {"Export1",               "00111111"},
        {"SelectNone1",           "00111111"},
        {"Cut1",                  "00111011"},
        {"Rename1",               "00111011"},
        {"Delete1",               "00111010"},
        {"MoveTo1",               "00111010"},
        {"SetAsTexture1",         "00101111"},
        {"SetAsWallpaperImage1",  "00101111"},
        {"SelectAll1",            "01111111"},
        {"InvertSelection1",      "01111111"},
        {"StopLoading1",          "00000010"},
        {"Reload1",               "11111100"},
        {"Update1",               "11111100"},
        {"DeleteBrowseFile1",     "11111110"},
        {"OpenFolder1",           "11111110"},
        {"AddToBasket1",          "00000000"},   // no basket registered
        {"SeqRename1",            "00000000"},   // no sequential rename registered
        {"Help1",                 "00000000"},   // no help file
        {"Paste1",                "00000000"},   // nothing on the clipboard
    };
    const CPath empty = pictureFolder("Empty", 0);
    const CPath full = pictureFolder("Full", 3);
    writeJpegFile(QStringLiteral("root.jpg"), 32, 24);
    const CPath root = windows("");
    ASSERT_EQ(root.GetLength(), 3) << root.c_str();
    const CPath locked = pictureFolder("Locked", 2);
    QGuiApplication::clipboard()->clear();

    std::array<std::string, StateCount> actual;
    auto record = [&](State state, TBrowseForm1 *form) {
        for (const Row &row : rows)
            actual[state] += enabled(form, row.command) ? '1' : '0';
    };
    TBrowseForm1 *form = open(empty, 0);
    record(Empty, form);
    form->GoToFolder(full);
    ASSERT_TRUE(waitShown(form, full, 3));
    record(None, form);
    select(form, 1);
    record(One, form);
    select(form, 2);
    record(Two, form);
    select(form, 1);
    form->ScanContext()->SetLoading(true);
    record(Loading, form);
    form->ScanContext()->SetLoading(false);
    form->ScanContext()->SetSaving(true);
    record(Saving, form);
    EXPECT_TRUE(form->WaitLabel->isVisibleTo(form));
    EXPECT_FALSE(form->HistoryCombo->isEnabled());
    form->ScanContext()->SetSaving(false);
    form->TakeModified(false);
    form->GoToFolder(root);
    ASSERT_TRUE(waitShown(form, root, 1)) << "root.jpg is the root's one picture";
    select(form, 1);
    record(Root, form);
    DiskOptions->SetString(TDiskOptions::NoWriteDrives, QStringLiteral("C"));
    form->TakeModified(false);
    form->GoToFolder(locked);
    ASSERT_TRUE(waitShown(form, locked, 2));
    select(form, 1);
    record(Protected, form);
    DiskOptions->SetString(TDiskOptions::NoWriteDrives, QString());

    for (size_t index = 0; index < std::size(rows); ++index) {
        std::string got;
        for (const std::string &column : actual)
            got += column[index];
        EXPECT_EQ(got, rows[index].expected) << rows[index].command;
    }
}

// The pop-up stays open across the window's ticks, which enable the commands
// ten times a second.
TEST_F(BrowseFormCommandsTest, TheShortcutPopupGreysTheShortcutCommandsWhileNoneIsSelected)
{
    const CPath first = pictureFolder("First", 1);
    TBrowseForm1 *form = open(first, 1);
    ASSERT_TRUE(form->ShortcutList->AddShortcut(first));
    form->ShortcutList->clearSelection();
    const char *shortcutCommands[] = {"OpenShortcut1", "OpenInNewBrowser1", "DeleteShortcut1", "RenameShortcut1",
                                      "ExploreShortcut1"};

    form->PopupMenu2->popup(form->ShortcutList->mapToGlobal(QPoint(5, 5)));
    for (int tick = 0; tick < 3; ++tick)
        coordinator->Timer1Timer();
    for (const char *name : shortcutCommands)
        EXPECT_FALSE(command(form, name)->isEnabled()) << name << " with nothing selected";
    EXPECT_TRUE(command(form, "NewShortcut1")->isEnabled());
    form->PopupMenu2->hide();

    form->ShortcutList->topLevelItem(0)->setSelected(true);
    form->PopupMenu2->popup(form->ShortcutList->mapToGlobal(QPoint(5, 5)));
    coordinator->Timer1Timer();
    for (const char *name : shortcutCommands)
        EXPECT_TRUE(command(form, name)->isEnabled()) << name << " with a shortcut selected";
    form->PopupMenu2->hide();
}

TEST_F(BrowseFormCommandsTest, AToolbarButtonFollowsItsMenuItem)
{
    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    auto *copy = form->findChild<TToolbarButton *>(QStringLiteral("CopyTool"));
    ASSERT_NE(copy, nullptr);
    select(form, 0);
    form->UpdateCommandStates();
    EXPECT_FALSE(copy->isEnabled());
    select(form, 1);
    form->UpdateCommandStates();
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_EQ(copy->toolTip(), QStringLiteral("Copy"));
    EXPECT_FALSE(copy->Glyph().isNull());
    auto *stop = form->findChild<TToolbarButton *>(QStringLiteral("StopTool"));
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->statusTip(), QStringLiteral("Stops loading thumbnails. Use 'Update' to resume loading."));

    auto *autoScroll = form->findChild<TToolbarButton *>(QStringLiteral("AutoScrollTool"));
    ASSERT_NE(autoScroll, nullptr);
    const bool was = GeneralOptions->GetInt(TGeneralOptions::AutoScroll) != 0;
    form->UpdateCommandStates();
    EXPECT_EQ(autoScroll->Down(), was);
    emit autoScroll->OnClick(autoScroll);
    EXPECT_EQ(GeneralOptions->GetInt(TGeneralOptions::AutoScroll) != 0, !was);
    EXPECT_EQ(autoScroll->Down(), !was) << "the toggle button shows the option";
}

TEST_F(BrowseFormCommandsTest, ThePriorityMenuMapsHighestToFiveAndLowestToOne)
{
    const CPath full = pictureFolder("Full", 1);
    TBrowseForm1 *form = open(full, 1);
    for (int tag = 0; tag < 5; ++tag) {
        run(form, QStringLiteral("Priority%1").arg(tag).toLatin1().constData());
        EXPECT_EQ(form->ScanPriority(), 5 - tag) << tag;
        form->UpdateCommandStates();
        EXPECT_TRUE(command(form, QStringLiteral("Priority%1").arg(tag).toLatin1().constData())->isChecked());
    }
}

TEST_F(BrowseFormCommandsTest, PageDownMovesFourRowsAndTheKeysMoveTheFocus)
{
    const CPath full = pictureFolder("Full", 40);
    TBrowseForm1 *form = open(full, 40);
    auto columns = [&] {
        const int top = form->ThumbBox->Thumbnail(0)->BoundsRect().top();
        int count = 0;
        while (count < form->ThumbBox->Count() && form->ThumbBox->Thumbnail(count)->BoundsRect().top() == top)
            ++count;
        return count;
    };
    // Five columns, whatever the screen.
    const int pitch = form->ThumbBox->Thumbnail(1)->BoundsRect().left() - form->ThumbBox->Thumbnail(0)->BoundsRect().left();
    form->resize(form->width() + (5 - columns()) * pitch, form->height());
    form->ThumbBox->Relayout();
    ASSERT_EQ(columns(), 5);
    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form->ThumbBox->Client(), &event);
    };
    press(Qt::Key_Home);
    EXPECT_EQ(form->ThumbBox->IndexOfThumbnail(form->ThumbBox->Focus()), 0);
    press(Qt::Key_PageDown);
    EXPECT_EQ(form->ThumbBox->IndexOfThumbnail(form->ThumbBox->Focus()), 20);
    EXPECT_EQ(form->ThumbBox->SelectedCount(), 1);
    press(Qt::Key_Down);
    EXPECT_EQ(form->ThumbBox->IndexOfThumbnail(form->ThumbBox->Focus()), 25);
    press(Qt::Key_End);
    EXPECT_EQ(form->ThumbBox->IndexOfThumbnail(form->ThumbBox->Focus()), 39);
}

TEST_F(BrowseFormCommandsTest, TheCustomOrderIsWrittenRewrittenAndRestored)
{
    const CPath full = pictureFolder("Full", 4);
    TBrowseForm1 *form = open(full, 4);
    form->FolderOptions()->SetInt(TFolderOptions::SortDirection, 1);
    run(form, "SortBy4");   // file name, descending
    ASSERT_EQ(names(form), (std::vector<std::string>{"p003.jpg", "p002.jpg", "p001.jpg", "p000.jpg"}));
    const CPath orderFile = CThumbSort(full).GetCustomSortFile();
    ASSERT_FALSE(orderFile.GetFileExists());

    run(form, "SortBy13");   // no order yet: the shown one becomes it
    ASSERT_TRUE(orderFile.GetFileExists());
    EXPECT_EQ(names(form), (std::vector<std::string>{"p003.jpg", "p002.jpg", "p001.jpg", "p000.jpg"}));

    form->ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    form->ThumbBox->Thumbnail(2)->SetSelected(true);
    form->ThumbBox->Thumbnail(3)->SetSelected(true);
    form->UpdateCommandStates();
    run(form, "MoveToTop1");
    const std::vector<std::string> moved{"p001.jpg", "p000.jpg", "p003.jpg", "p002.jpg"};
    EXPECT_EQ(names(form), moved);
    TStringList lines;
    lines.LoadFromFile(orderFile.ToAnsiString());
    EXPECT_EQ(lines.Text().toStdString(), "p001.jpg\r\np000.jpg\r\np003.jpg\r\np002.jpg\r\n");

    form->TakeModified(false);
    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    TBrowseForm1 *again = open(full, 4);
    // The order is applied once the thumbnails are built.
    EXPECT_TRUE(ServeUntil([&] { return names(again) == moved; }));
    again->UpdateCommandStates();
    EXPECT_TRUE(command(again, "SortBy13")->isChecked());
}

class NameSearch : public CSearchContext
{
public:
    explicit NameSearch(std::string name) : m_name(std::move(name)) {}
    bool MatchesThumbnail(const TThumbnail &thumbnail) override
    {
        return m_name == thumbnail.GetThumbBitmap()->GetHandler().GetName().c_str();
    }

private:
    std::string m_name;
};

TEST_F(BrowseFormCommandsTest, ASearchSelectsItsMatchesAndCanMoveThemToTheTop)
{
    const CPath full = pictureFolder("Full", 3);
    TBrowseForm1 *form = open(full, 3);
    select(form, 1);
    CSearchContext nothing;
    EXPECT_EQ(form->ApplySearch(nothing), 0);
    EXPECT_EQ(form->ThumbBox->SelectedCount(), 1) << "a search without the clear flag keeps the selection";
    nothing.clearSelection = true;
    EXPECT_EQ(form->ApplySearch(nothing), 0);
    EXPECT_EQ(form->ThumbBox->SelectedCount(), 0);

    NameSearch last("p002.jpg");
    last.moveToTop = true;
    EXPECT_EQ(form->ApplySearch(last), 1);
    EXPECT_EQ(names(form), (std::vector<std::string>{"p002.jpg", "p000.jpg", "p001.jpg"}));
    EXPECT_TRUE(form->ThumbBox->Thumbnail(0)->Selected());
    EXPECT_FALSE(CThumbSort(full).GetCustomSortFile().GetFileExists()) << "a search writes no custom order";
}

TEST_F(BrowseFormCommandsTest, ExportWritesTheMemosAndKeepsTheUsersFiles)
{
    const CPath full = pictureFolder("Full", 3);
    TBrowseForm1 *form = open(full, 3);
    select(form, 0);
    EXPECT_FALSE(enabled(form, "Export1"));
    form->Export1Click();
    EXPECT_TRUE(boxes.empty()) << "nothing selected: nothing asked";

    select(form, 2);
    boxAnswer = IDYES;
    run(form, "Export1");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], QStringLiteral("Are you sure you want to export the memos of 2 images?"));
    EXPECT_TRUE(boxes[1].contains(QStringLiteral(" No text files created\n 2 empty memos ignored\n No errors")))
        << boxes[1].toStdString();

    setMemo(full.AppendFileName("p000.jpg"), {QStringLiteral("a beach")});
    setMemo(full.AppendFileName("p001.jpg"), {QStringLiteral("a hill")});
    writeFile("Full/p001.txt", "the user's own notes");
    boxes.clear();
    run(form, "Export1");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].contains(QStringLiteral(" 1 text file created\n No empty memos ignored\n 1 error")))
        << boxes[1].toStdString();
    EXPECT_EQ(ReadHostFile(host("Full/p000.txt")), QByteArray("a beach\r\n"));
    EXPECT_EQ(ReadHostFile(host("Full/p001.txt")), QByteArray("the user's own notes"));
}

TEST_F(BrowseFormCommandsTest, DeleteFolderMovesEveryWindowInsideItToTheParent)
{
    const CPath parent = pictureFolder("Parent", 1);
    const CPath doomed = pictureFolder("Parent/Doomed", 2);
    const CPath below = pictureFolder("Parent/Doomed/Below", 1);
    TBrowseForm1 *first = open(doomed, 2);
    TBrowseForm1 *second = open(below, 1);
    first->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);
    second->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);
    first->SetModified(true);
    ModalScript script({[](QDialog &dialog) { dialog.done(mrYes); }});

    first->UpdateCommandStates();
    run(first, "DeleteFolder2");
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(host("Parent/Doomed")));
    EXPECT_FALSE(second->isEnabled()) << "its switch to the parent is pending";
    EXPECT_EQ(first->DirTreeView->GetDirectory(), parent.ToAnsiString()) << "the rebuilt tree shows the parent";
    EXPECT_TRUE(waitShown(first, parent, 1));
    EXPECT_TRUE(waitShown(second, parent, 1));
    EXPECT_FALSE(std::filesystem::exists(host("Parent/Doomed"))) << "no save came back into the folder";
}

TEST_F(BrowseFormCommandsTest, DeleteFolderRefusesEveryFolderThatHoldsTheProgramsData)
{
    ScopedEnvironment environment;
    environment.set("ZILO_PROGRAM_FOLDER", host("Apps/Zilo"));
    std::filesystem::create_directories(host("Apps/Zilo"));
    const CPath central = pictureFolder("Thumbs/Central", 0);
    // As a user may type it: in another case, with a trailing backslash.
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, central.ToAnsiString().toLower() + u'\\');
    const CPath pictures = pictureFolder("Pictures", 1);
    setMemo(pictures.AppendFileName("p000.jpg"), {QStringLiteral("kept")});
    const std::string memoPath = memoFile();
    ASSERT_FALSE(memoPath.empty());
    writeFile("Thumbs/Central/0a1b2c3d1.zilo", "a central browse file");
    const std::string dataFolder = HostPathFromWindows(DataFolder().c_str());
    ASSERT_EQ(dataFolder, host("Apps/Zilo/Data"));
    TBrowseForm1 *form = open(windows("Thumbs"), 0);
    ModalScript script({[](QDialog &dialog) { dialog.done(mrYes); }});
    const struct { const char *folder; const char *command; } refused[] = {
        {"Apps/Zilo", "DeleteFolder2"},        // the program folder
        {"Apps", "DeleteFolder1"},             // a folder holding it, from the folder tree
        {"Apps/Zilo/Data", "DeleteFolder2"},   // the data folder
        {"Thumbs/Central", "DeleteFolder1"},   // the central browse-file folder
        {"Thumbs", "DeleteFolder2"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.folder);
        const CPath folder = windows(c.folder);
        form->GoToFolder(folder);
        ASSERT_TRUE(waitShown(form, folder, 0));
        boxes.clear();
        run(form, c.command);
        EXPECT_EQ(QStringList(boxes.begin(), boxes.end()),
                  QStringList(QStringLiteral("Folder '%1' holds Zilo's own data and cannot be deleted")
                                  .arg(folder.ToAnsiString())));
        EXPECT_TRUE(script.shown().empty()) << "no confirmation is asked";
        EXPECT_TRUE(std::filesystem::exists(host(c.folder)));
        EXPECT_EQ(form->ShownFolder(), folder);
    }
    EXPECT_TRUE(std::filesystem::exists(memoPath));
    EXPECT_TRUE(std::filesystem::exists(host("Thumbs/Central/0a1b2c3d1.zilo")));
    TMemoList::FreeAll();
    EXPECT_EQ(memo(pictures.AppendFileName("p000.jpg")), QStringList({QStringLiteral("kept")}));

    // A name that only begins like the program folder's is any folder.
    const CPath lookalike = pictureFolder("Apps/Zil", 0);
    form->GoToFolder(lookalike);
    ASSERT_TRUE(waitShown(form, lookalike, 0));
    boxes.clear();
    run(form, "DeleteFolder2");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(script.shown().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(host("Apps/Zil")));
}

TEST_F(BrowseFormCommandsTest, CopyAndPasteBetweenTwoWindowsUpdatesBoth)
{
    const CPath from = pictureFolder("From", 2);
    const CPath to = pictureFolder("To", 0);
    TBrowseForm1 *source = open(from, 2);
    TBrowseForm1 *target = open(to, 0);
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(enabled(target, "Paste1"));
    select(source, 2);
    run(source, "Copy1");
    ASSERT_TRUE(enabled(target, "Paste1")) << "the clipboard's change reached every window";
    run(target, "Paste1");
    EXPECT_TRUE(waitShown(target, to, 2)) << target->ThumbBox->Count();
    EXPECT_EQ(source->ThumbBox->Count(), 2);
}

TEST_F(BrowseFormCommandsTest, CutAndPasteOfANameWithALineBreakMovesOnlyIt)
{
    // Split at its line break, the name's path would be those of its siblings.
    const QString chosen = QStringLiteral("y.jpg\nb.jpg");
    for (const QString &name : {chosen, QStringLiteral("y.jpg"), QStringLiteral("b.jpg")})
        writeJpegFile("From/" + name, 64, 48);
    std::filesystem::create_directories(host("To"));
    TBrowseForm1 *source = open(windows("From"), 3);
    TBrowseForm1 *target = open(windows("To"), 0);
    source->ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    const std::vector<std::string> shown = names(source);
    const auto it = std::find_if(shown.begin(), shown.end(),
                                 [](const std::string &name) { return name != "y.jpg" && name != "b.jpg"; });
    ASSERT_NE(it, shown.end());
    source->ThumbBox->Thumbnail(int(it - shown.begin()))->SetSelected(true);

    run(source, "Cut1");
    run(target, "Paste1");
    EXPECT_TRUE(waitShown(target, windows("To"), 1));
    std::set<std::string> inTo, inFrom;
    for (const auto &entry : std::filesystem::directory_iterator(host("To")))
        inTo.insert(entry.path().filename().string());
    for (const auto &entry : std::filesystem::directory_iterator(host("From")))
        inFrom.insert(entry.path().filename().string());
    inTo.erase("Thumbnail.zilo");
    inFrom.erase("Thumbnail.zilo");
    EXPECT_EQ(inTo, std::set<std::string>{chosen.toStdString()});
    EXPECT_EQ(inFrom, (std::set<std::string>{"b.jpg", "y.jpg"}));
}

TEST_F(BrowseFormCommandsTest, AFileDroppedOnTheWindowOpensItsFolder)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 2);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);
    form->DropFile1DropFile(second.AppendFileName("p001.jpg").ToAnsiString());
    EXPECT_TRUE(waitShown(form, second, 2));
}

} // namespace

namespace {

// Gives every record of folder's browse file the build time milliseconds.
// The file: "ZILO", a 16-bit version, the stored folder, a 32-bit count, two
// sort bytes, then a name and a 32-bit block offset per record; a block's
// build time follows its state, sizes, bits and file time.
void setBuildTimes(const CPath &folder, uint32_t milliseconds)
{
    const std::string path = HostPathFromWindows(GetBrowseFilePath(folder).c_str());
    QByteArray bytes = ReadHostFile(path);
    qsizetype at = 6;
    const auto text = [&] { at += 1 + quint8(bytes[at]); };
    const auto u32 = [&](qsizetype where) { return qFromLittleEndian<quint32>(bytes.constData() + where); };
    text();
    const quint32 count = u32(at);
    at += 6;
    for (quint32 index = 0; index < count; ++index) {
        text();
        const qsizetype block = qsizetype(u32(at));
        at += 4;
        qToLittleEndian<quint32>(milliseconds, bytes.data() + block + 23);
    }
    WriteHostFile(path, bytes);
}

TEST_F(BrowseFormCommandsTest, ReloadAsksOnlyWhenTheThumbnailsTookMoreThanFiveSeconds)
{
    const CPath full = pictureFolder("Full", 3);
    TBrowseForm1 *form = open(full, 3);
    run(form, "Reload1");
    EXPECT_TRUE(boxes.empty()) << "built in a moment: reloaded without a question";
    ASSERT_TRUE(ServeUntil([&] { return !form->IsLoading() && !form->ScanContext()->GetRescanRequest(); }));

    run(form, "Save1");
    ASSERT_TRUE(ServeUntil([&] { return browseFileRecords(full) == 3 && !form->IsSavePending(); }));
    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    ThumbBitmapCache.Purge(true);   // so that the records come from the file
    setBuildTimes(full, 2500);
    form = open(full, 3);
    run(form, "Reload1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("The thumbnails for this folder previously took %1 to create.\n\n"
                                       "Are you sure you want to reload them?")
                            .arg(FormatDuration(7).ToAnsiString()));
    ASSERT_TRUE(ServeUntil([&] { return !form->IsLoading() && !form->ScanContext()->GetRescanRequest(); }));
    EXPECT_EQ(form->ThumbBox->GetTotalBuildTime(), 7) << "No keeps the thumbnails";
}

TEST_F(BrowseFormCommandsTest, ADeletedBrowseFileDoesNotComeBackFromASaveAskedBefore)
{
    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    run(form, "Save1");
    ASSERT_TRUE(ServeUntil([&] { return browseFileRecords(full) == 2 && !form->IsSavePending(); }));
    form->SetModified(true);
    form->ScanContext()->SetSaveRequest(true);
    boxAnswer = IDYES;
    run(form, "DeleteBrowseFile1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(ServeUntil([&] { return !form->IsSavePending(); }));
    EXPECT_EQ(browseFileRecords(full), -1);
    EXPECT_FALSE(form->IsModified());

    boxes.clear();
    run(form, "DeleteBrowseFile1");
    EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("There is no browse file for this folder")});
}

} // namespace

namespace {

TEST_F(BrowseFormCommandsTest, TurningDownTheReloadAfterNewPreferencesPutsTheOldLookBack)
{
    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    const int32_t size = form->FolderOptions()->GetInt(TFolderOptions::ThumbnailSize);
    CPath asked;
    bool loading = true;
    RegisterTool(Tool::Preferences, {.command = [&](ToolBrowser &browser) {
                                         asked = browser.ShownFolder();
                                         loading = browser.IsLoading();
                                         TFolderSpecificOptions *options = TFolderSpecificOptionsCache::GetFolderOptions(asked);
                                         options->SetInt(TFolderOptions::ThumbnailSize, size + 20);
                                         options->SetInt(TFolderOptions::DraftThumbnails, 1);
                                         return true;
                                     }});
    boxAnswer = IDNO;
    run(form, "Preferences1");
    EXPECT_EQ(asked, full);
    EXPECT_FALSE(loading) << "the thumbnail appearance may be edited";
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("You have changed the thumbnail appearance as follows:\n\n    Size: %1\t")
                                        .arg(size + 20)))
        << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("\tDraft Quality\n\n")));
    EXPECT_EQ(boxes[1], QStringLiteral("The thumbnail size, quality and sharpness\nhave been restored to their original settings"));
    EXPECT_EQ(form->FolderOptions()->GetInt(TFolderOptions::ThumbnailSize), size);
    EXPECT_EQ(form->FolderOptions()->GetInt(TFolderOptions::DraftThumbnails), 0);
}

TEST_F(BrowseFormCommandsTest, CommandsThatCannotDoTheirWorkSaySo)
{
    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    select(form, 1);
    ScopedEnvironment noDesktop;
    noDesktop.unset("XDG_CURRENT_DESKTOP");
    noDesktop.unset("DESKTOP_SESSION");
    noDesktop.set("XDG_DATA_HOME", TestHostFolder() + "/share");   // the Windows folder, on C:
    run(form, "SetAsWallpaperImage1");
    WriteHostFile(TestHostFolder() + "/Program/Splash", "not a program");   // a launcher that cannot run
    run(form, "About1");
    EXPECT_EQ(boxes, (std::vector<QString>{QStringLiteral("Unable to set the desktop wallpaper"),
                                           QStringLiteral("Unable to show About box")}));
    EXPECT_FALSE(form->isMinimized());
}

TEST_F(BrowseFormCommandsTest, AboutStartsTheLauncherInAboutMode)
{
    const CPath full = pictureFolder("Full", 1);
    TBrowseForm1 *form = open(full, 1);
    const std::string log = TestHostFolder() + "/about.log";
    FakeDesktop::writeLoggingProgram(TestHostFolder() + "/Program/Splash", log);
    run(form, "About1");
    EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray("about\n"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BrowseFormCommandsTest, DeleteAllMemosLeavesNoMemoInAnyFolder)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 1);
    setMemo(first.AppendFileName("p000.jpg"), {QStringLiteral("one")});
    setMemo(second.AppendFileName("p000.jpg"), {QStringLiteral("two")});
    TBrowseForm1 *form = open(first, 1);
    boxAnswer = IDYES;
    run(form, "DeleteAll1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(memo(first.AppendFileName("p000.jpg")).isEmpty());
    EXPECT_TRUE(memo(second.AppendFileName("p000.jpg")).isEmpty());
}

} // namespace

namespace {

TEST_F(BrowseFormCommandsTest, ThumbnailsDroppedOnAFolderOfTheTreeMoveThere)
{
    const CPath parent = pictureFolder("Parent", 2);
    pictureFolder("Parent/Inside", 0);
    TBrowseForm1 *form = open(parent, 2);
    QTreeWidgetItem *node = form->DirTreeView->currentItem();
    ASSERT_NE(node, nullptr);
    node->setExpanded(true);
    QTreeWidgetItem *inside = nullptr;
    for (int index = 0; index < node->childCount(); ++index) {
        if (node->child(index)->text(0) == QStringLiteral("Inside"))
            inside = node->child(index);
    }
    ASSERT_NE(inside, nullptr);
    select(form, 1);
    TThumbnailDragObject *drag = new TThumbnailDragObject(form->ThumbBox->GetSelected());
    std::unique_ptr<QMimeData> owned(drag);
    const QPoint at = form->DirTreeView->visualItemRect(inside).center();
    QDragEnterEvent enter(at, Qt::MoveAction, drag, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->DirTreeView->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction, drag, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->DirTreeView->viewport(), &move);
    ASSERT_TRUE(move.isAccepted()) << "a folder of the tree takes thumbnails";
    boxAnswer = IDYES;
    QDropEvent drop(QPointF(at), Qt::MoveAction, drag, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->DirTreeView->viewport(), &drop);
    EXPECT_TRUE(std::filesystem::exists(host("Parent/Inside/p000.jpg")));
    EXPECT_FALSE(std::filesystem::exists(host("Parent/p000.jpg")));
    EXPECT_TRUE(ServeUntil([&] { return form->ThumbBox->Count() == 1; }));
}

} // namespace

namespace {

TEST_F(BrowseFormCommandsTest, TheOpenWithListFillsBothMenusAndOpensTheSelection)
{
    class List : public OpenWithHooks
    {
    public:
        std::vector<OpenWithApplication> applications() const override { return {{"Viewer", "#Nothing"}}; }
    };
    static List list;
    RegisterTool(Tool::OpenWith, {.hooks = [](bool on) { SetOpenWithHooks(on ? &list : nullptr); }});
    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    select(form, 1);
    form->UpdateCommandStates();
    QMenu *image = nullptr;
    for (QMenu *menu : form->findChildren<QMenu *>()) {
        if (menu->title() == QStringLiteral("Open Wit&h"))
            image = image ? image : menu;
    }
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->menuAction()->isEnabled());
    ASSERT_EQ(image->actions().size(), 1);
    EXPECT_EQ(image->actions()[0]->text(), QStringLiteral("Viewer"));
    auto *openTool = form->findChild<TToolbarButton *>(QStringLiteral("OpenTool"));
    ASSERT_NE(openTool, nullptr);
    EXPECT_EQ(openTool->DropdownMenu(), image) << "the Open button's arrow offers the list";
}

} // namespace

namespace {

// Two commands on one key would both go deaf: Qt refuses an ambiguous shortcut.
TEST_F(BrowseFormCommandsTest, NoTwoCommandsShareAKey)
{
    const CPath full = pictureFolder("Full", 1);
    TBrowseForm1 *form = open(full, 1);
    std::map<QString, QString> owners;
    for (QAction *action : form->actions()) {
        if (action->shortcut().isEmpty())
            continue;
        const QString key = action->shortcut().toString();
        const auto [place, added] = owners.emplace(key, action->objectName());
        EXPECT_TRUE(added) << key.toStdString() << ": " << place->second.toStdString() << " and "
                           << action->objectName().toStdString();
    }
    EXPECT_EQ(owners.at(QStringLiteral("Ctrl+'")), QStringLiteral("DeleteFolder2"));
    EXPECT_EQ(owners.at(QStringLiteral("Alt+1")), QStringLiteral("Priority4"));
}

} // namespace

namespace {

// The region of the box's inner panel painted while the events run.
class PaintedRegion : public QObject
{
public:
    explicit PaintedRegion(QWidget *panel) { panel->installEventFilter(this); }
    QRegion region;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

TEST_F(BrowseFormCommandsTest, ASortRepaintsEveryThumbnailThatChanged)
{
    const CPath full = pictureFolder("Full", 6);
    TBrowseForm1 *form = open(full, 6);
    form->FolderOptions()->SetInt(TFolderOptions::SortProperty, CThumbSort::FileName);
    QCoreApplication::processEvents();
    PaintedRegion painted(form->ThumbBox->Client());
    run(form, "Descending1");
    QCoreApplication::processEvents();
    ASSERT_EQ(names(form).front(), "p005.jpg");
    for (int index = 0; index < form->ThumbBox->Count(); ++index) {
        const QRect shown = form->ThumbBox->ThumbnailRect(form->ThumbBox->Thumbnail(index));
        EXPECT_TRUE(painted.region.contains(shown)) << "thumbnail " << index << " shows its old picture";
    }
}

} // namespace
