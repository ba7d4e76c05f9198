#include "../ScopedEnvironment.h"
#include "../windows/BrowseFormTestSupport.h"

#include <Source/engine/FileTransfer.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/BasketForm.h>
#include <Source/windows/WindowDialogs.h>
#include <platform/Files.h>

#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeView>

#include <memory>

namespace {

// A coordinator with the basket registered, as the program starts it, over
// real folders of C:; "Basket.zilb" lies in the test's program folder.
class BasketFormTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
    }
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        UnregisterTool(Tool::Basket);
    }

    TBasketForm1 *basket() { return dynamic_cast<TBasketForm1 *>(coordinator->ToolWindow(Tool::Basket)); }

    static std::string basketFile() { return HostPathFromWindows(BasketFilePath().c_str()); }
    static void writeBasket(const QByteArray &bytes) { WriteHostFile(basketFile(), bytes); }
    static QByteArray lines(const QStringList &paths)
    {
        QByteArray bytes;
        for (const QString &path : paths)
            bytes += path.toUtf8() + "\r\n";
        return bytes;
    }

    // The names in the rows, top to bottom, as the details view shows them.
    static QStringList shownNames(TBasketForm1 *form)
    {
        QStringList names;
        const QAbstractItemModel *model = form->ReportView->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, bcName).data().toString();
        return names;
    }
    static QString shown(TBasketForm1 *form, int row, int column)
    {
        return form->ReportView->model()->index(row, column).data().toString();
    }

    // A click on the details view's column header, as the user gives it.
    static void clickHeader(TBasketForm1 *form, int column)
    {
        QHeaderView *header = form->ReportView->header();
        const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, header->viewport()->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(header->viewport(), &event);
        }
    }

    static void press(QWidget *widget, int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }

    // The in-place editor open on row; null when there is none.
    static QLineEdit *editor(TBasketForm1 *form, int row)
    {
        auto *edit = qobject_cast<QLineEdit *>(form->CurrentView()->indexWidget(form->Model->index(row, bcName)));
        return edit && edit->isVisible() ? edit : nullptr;
    }
};

TEST_F(BasketFormTest, TheFirstShowReadsTheFileAndEveryHideWritesWhatItShows)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 80, 60);
    const QString gone = TestWindowsPath("Pics\\gone.jpg");
    const QString onDisc = "M:\\Photos\\x.jpg";   // M: is not there now
    writeBasket(lines({a.ToAnsiString(), a.ToAnsiString().toUpper(), gone, onDisc, b.ToAnsiString()}));

    TBasketForm1 *form = basket();
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->Loaded()) << "read only when first shown";
    form->show();
    EXPECT_TRUE(form->Loaded());
    EXPECT_EQ(shownNames(form), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(shown(form, 1, bcFolder), TestWindowsPath("Pics"));
    EXPECT_EQ(shown(form, 1, bcDimensions), QStringLiteral("80x60 24-bit"));
    EXPECT_TRUE(boxes.empty());

    form->hide();
    EXPECT_EQ(ReadHostFile(basketFile()), lines({a.ToAnsiString(), b.ToAnsiString(), onDisc}))
        << "one line for the twice-named file, none for the vanished one, the disc's line kept";
}

TEST_F(BasketFormTest, ADamagedFileLoadsWhatItCanAndIsNeverWrittenOver)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    const CPath c = writeJpegFile("Pics/c.jpg", 40, 30);
    const QByteArray damaged = lines({a.ToAnsiString()}) + "C:\\\xFF\xFE.jpg\r\n" + lines({b.ToAnsiString()});
    writeBasket(damaged);

    TBasketForm1 *form = basket();
    form->show();
    EXPECT_EQ(shownNames(form), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(boxes, std::vector<QString>{"Unable to load basket contents"});
    EXPECT_FALSE(form->Loaded());

    EXPECT_TRUE(form->AddFile(TImageHandler(c, true)));
    form->hide();
    EXPECT_EQ(ReadHostFile(basketFile()), damaged);

    // The next show tries again, and adds no row twice.
    form->show();
    EXPECT_EQ(shownNames(form), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(BasketFormTest, AddingSelectedThumbnailsCountsTheOnesAlreadyThere)
{
    const CPath pics = pictureFolder("Three", 3);
    TBasketForm1 *form = basket();
    TBrowseForm1 *browser = open(pics, 3);
    struct Case
    {
        int alreadyThere;
        std::vector<QString> boxes;
    };
    const Case cases[] = {
        {2, {"2 duplicate items ignored"}},
        {1, {"1 duplicate item ignored"}},
        {0, {}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.alreadyThere);
        form->Model->Clear();
        for (int index = 0; index < test.alreadyThere; ++index)
            form->AddFile(browser->ThumbBox->Thumbnail(index)->GetThumbBitmap()->GetHandler());
        boxes.clear();
        browser->ThumbBox->ChangeSelection(TThumbBox::SelectAll);
        browser->UpdateCommandStates();
        QAction *command = browser->Command("AddToBasket1");
        ASSERT_TRUE(command->isEnabled());
        command->trigger();
        EXPECT_EQ(boxes, test.boxes);
        EXPECT_EQ(shownNames(form).size(), 3);
        EXPECT_TRUE(form->isVisible());
    }
}

TEST_F(BasketFormTest, ColumnClicksSortUpThenDownAndANewColumnStartsUp)
{
    TBasketForm1 *form = basket();
    form->show();
    auto add = [&](const QString &name, int bytes, int32_t width, int16_t bits) {
        const CPath path = writeFile(name, QByteArray(bytes, 'x'));
        TImageHandler file{path, PathOnly()};
        file.UpdateFileInfo();
        file.SetDimensions(width, width, bits);
        form->AddFile(file);
    };
    add("Pics/b.jpg", 300, 10, 24);
    add("Pics/C.jpg", 100, 4000, 8);
    add("Pics/a.jpg", 200, 20, 24);

    struct Step
    {
        int column;
        QStringList order;
    };
    const Step steps[] = {
        {bcSize, {"C.jpg", "a.jpg", "b.jpg"}},
        {bcSize, {"b.jpg", "a.jpg", "C.jpg"}},
        {bcName, {"a.jpg", "b.jpg", "C.jpg"}},
        // Bit depth first: the large 8-bit picture before the small 24-bit ones.
        {bcDimensions, {"C.jpg", "b.jpg", "a.jpg"}},
        {bcDimensions, {"a.jpg", "b.jpg", "C.jpg"}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.column);
        clickHeader(form, step.column);
        EXPECT_EQ(shownNames(form), step.order);
    }
}

// Open goes to the program's own viewer, which keeps the paths it was asked to show.
class RecordingViewer : public ViewerHooks, public OpenWithHooks
{
public:
    RecordingViewer()
    {
        SetViewerHooks(this);
        SetOpenWithHooks(this);
    }
    ~RecordingViewer() override
    {
        SetViewerHooks(nullptr);
        SetOpenWithHooks(nullptr);
    }
    void openViewer(const CPath &path) override { opened << path.ToAnsiString(); }
    CString firstApplication() const override { return InternalViewerApplication; }
    QStringList opened;
};

TEST_F(BasketFormTest, EnterInTheListOpensTheSelectedFiles)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    form->AddFile(TImageHandler(a, true));
    form->AddFile(TImageHandler(b, true));
    RecordingViewer viewer;
    form->SelectAll1Click();
    form->CurrentView()->setFocus();
    press(form->CurrentView(), Qt::Key_Return);
    EXPECT_EQ(viewer.opened, (QStringList{a.ToAnsiString(), b.ToAnsiString()}));
}

TEST_F(BasketFormTest, ARefusedNameInPlaceKeepsTheOldNameAndOpensTheEditorAgain)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    form->AddFile(TImageHandler(a, true));
    form->AddFile(TImageHandler(b, true));
    struct Case
    {
        const char *typed;
        const char *message;
    };
    const Case cases[] = {
        {"b.jpg", "A file with that name already exists"},
        {"..\\x.jpg", "Folder names are not allowed"},
        {"x/y.jpg", "Illegal character in name"},
        {"x:y.jpg", "Illegal character in name"},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.typed);
        boxes.clear();
        form->CurrentView()->edit(form->Model->index(0, bcName));
        QLineEdit *edit = editor(form, 0);
        ASSERT_NE(edit, nullptr);
        edit->setText(QString::fromUtf8(test.typed));
        press(edit, Qt::Key_Return);
        ServeUntil([&] { return !boxes.empty(); });   // the editor commits once the key is handled
        EXPECT_EQ(boxes, std::vector<QString>{QString::fromUtf8(test.message)});
        ASSERT_TRUE(ServeUntil([&] { return editor(form, 0) != nullptr; })) << "the editor opens again";
        EXPECT_EQ(editor(form, 0)->text(), QStringLiteral("a.jpg"));
        EXPECT_EQ(shown(form, 0, bcName), QStringLiteral("a.jpg"));
        EXPECT_TRUE(a.GetFileExists());
        press(editor(form, 0), Qt::Key_Escape);
        ServeUntil([&] { return editor(form, 0) == nullptr; });
    }
    EXPECT_FALSE(CPath(CString(TestWindowsPath("x.jpg"))).GetFileExists());

    // A good name renames the file, and the row follows it in its place.
    boxes.clear();
    form->CurrentView()->edit(form->Model->index(0, bcName));
    ASSERT_NE(editor(form, 0), nullptr);
    editor(form, 0)->setText(QStringLiteral("c.jpg"));
    press(editor(form, 0), Qt::Key_Return);
    EXPECT_TRUE(ServeUntil([&] { return !a.GetFileExists(); }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(shownNames(form), (QStringList{"c.jpg", "b.jpg"}));
    EXPECT_NE(form->FindItem(windows("Pics/c.jpg")), nullptr);
    EXPECT_EQ(form->FindItem(a), nullptr);
}

TEST_F(BasketFormTest, TheFourViewStylesShowTheSameRowsAndTheStyleIsKept)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    form->AddFile(TImageHandler(a, true));
    struct Case
    {
        const char *command;
        QWidget *shownView;
        QListView::ViewMode mode;
        QListView::Flow flow;
    };
    const Case cases[] = {
        {"LargeIcons1", form->IconView, QListView::IconMode, QListView::LeftToRight},
        {"SmallIcons1", form->IconView, QListView::ListMode, QListView::LeftToRight},
        {"List1", form->IconView, QListView::ListMode, QListView::TopToBottom},
        {"Details1", form->ReportView, QListView::ListMode, QListView::TopToBottom},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.command);
        QAction *command = form->Command(QString::fromLatin1(test.command));
        ASSERT_NE(command, nullptr);
        command->trigger();
        EXPECT_TRUE(command->isChecked());
        EXPECT_EQ(form->ListView->currentWidget(), test.shownView);
        EXPECT_TRUE(test.shownView->isVisible());
        if (test.shownView == form->IconView) {
            EXPECT_EQ(form->IconView->viewMode(), test.mode);
            EXPECT_EQ(form->IconView->flow(), test.flow);
        }
        EXPECT_EQ(form->CurrentView()->model()->index(0, 0).data().toString(), QStringLiteral("a.jpg"));
    }
    EXPECT_EQ(form->Command("SmallIcons1")->shortcut(), QKeySequence(Qt::Key_F10));

    form->Command("List1")->trigger();
    form->hide();
    TBasketForm1 again;
    again.show();
    EXPECT_EQ(again.GetViewStyle(), int(TBasketForm1::List));
    EXPECT_EQ(shownNames(&again), QStringList{"a.jpg"});
}

// A criterion that accepts one name exactly, and keeps what it was asked.
class ExactName : public CSearchContext
{
public:
    explicit ExactName(const char *name) : m_name(name) {}
    bool MatchesFile(CString fileName) override
    {
        asked << fileName.ToAnsiString();
        return fileName == m_name;
    }
    QStringList asked;

private:
    CString m_name;
};

TEST_F(BasketFormTest, ASearchMatchesTheFileNameAndShowsTheBasket)
{
    const CPath inFolder = writeJpegFile("match/x.jpg", 40, 30);
    const CPath other = writeJpegFile("Pics/y.jpg", 40, 30);
    writeBasket(lines({inFolder.ToAnsiString(), other.ToAnsiString()}));
    TBasketForm1 *form = basket();

    ExactName criterion("x.jpg");
    criterion.clearSelection = true;
    EXPECT_EQ(form->ApplySearch(criterion), 1) << "the basket is read first";
    EXPECT_EQ(criterion.asked, (QStringList{"x.jpg", "y.jpg"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->SelectedPaths().ToStringList(), QStringList{inFolder.ToAnsiString()});

    ExactName none("match");
    EXPECT_EQ(form->ApplySearch(none), 0) << "a folder's name is no file's";
}

TEST_F(BasketFormTest, RowsFollowRenamedFilesAndLeaveWithMissingOnes)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    const CPath c = writeJpegFile("Pics/c.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    for (const CPath &path : {a, b, c})
        form->AddFile(TImageHandler(path, true));

    TImageHandler file(b, false);
    ASSERT_TRUE(file.Rename("renamed.jpg"));
    EXPECT_EQ(shownNames(form), (QStringList{"a.jpg", "renamed.jpg", "c.jpg"}));

    ASSERT_TRUE(DeleteFileA(a));
    Basket().RemoveMissingItems();
    EXPECT_EQ(shownNames(form), (QStringList{"renamed.jpg", "c.jpg"}));
}

TEST_F(BasketFormTest, RemoveAllAsksOnlyWhenThereIsSomethingToRemove)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    form->RemoveAll1Click();
    EXPECT_TRUE(boxes.empty());

    form->AddFile(TImageHandler(a, true));
    boxAnswer = IDNO;
    form->RemoveAll1Click();
    EXPECT_EQ(boxes, std::vector<QString>{"Are you sure you want to clear the basket?"});
    EXPECT_EQ(shownNames(form).size(), 1);
    boxAnswer = IDYES;
    form->RemoveAll1Click();
    EXPECT_TRUE(shownNames(form).isEmpty());
    EXPECT_TRUE(a.GetFileExists()) << "the files stay";
}

TEST_F(BasketFormTest, TheTickRefreshesFourRowsSoAChangeShowsWithinAQuarterOfTheRowsInTicks)
{
    TBasketForm1 *form = basket();
    form->show();
    std::vector<CPath> paths;
    for (int index = 0; index < 8; ++index) {
        paths.push_back(writeJpegFile(QStringLiteral("Pics/p%1.jpg").arg(index), 40, 30));
        form->AddFile(TImageHandler(paths.back(), true));
    }
    setMemo(paths[7], {"seen"});
    writeJpegFile("Pics/p6.jpg", 64, 48);
    form->Tick();
    EXPECT_EQ(shown(form, 7, bcMemo), QString()) << "the first tick reads rows 0 to 3";
    form->Tick();
    EXPECT_EQ(shown(form, 7, bcMemo), QStringLiteral("seen"));
    EXPECT_EQ(shown(form, 6, bcDimensions), QStringLiteral("64x48 24-bit"));
}

TEST_F(BasketFormTest, ThumbnailsAndFilesDroppedOnTheListJoinIt)
{
    const CPath pics = pictureFolder("Dropped", 2);
    const CPath loose = writeJpegFile("Loose/z.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    TBrowseForm1 *browser = open(pics, 2);
    auto drop = [&](QMimeData *data) {
        const QPoint point(20, 20);
        QDragEnterEvent enter(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->ListView, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(point), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->ListView, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
    };

    TThumbnailDragObject thumbnails({browser->ThumbBox->Thumbnail(1)});
    drop(&thumbnails);
    EXPECT_EQ(shownNames(form), QStringList{"p001.jpg"});

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(host("Loose/z.jpg")))});
    drop(&files);
    EXPECT_EQ(shownNames(form), (QStringList{"p001.jpg", "z.jpg"}));
    EXPECT_NE(form->FindItem(loose), nullptr);
}

TEST_F(BasketFormTest, CutMarksExactlyTheSelectedRowsAndCopyClearsTheMarks)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    form->AddFile(TImageHandler(a, true));
    form->AddFile(TImageHandler(b, true));
    auto marks = [&] { return std::vector<bool>{form->Model->Item(0).cut, form->Model->Item(1).cut}; };
    auto clipboard = [] {
        TZILOClipboardStringList list;
        EXPECT_TRUE(list.GetFromClipboard());
        return list.ToStringList();
    };

    form->Model->Item(0).cut = true;   // from an earlier cut
    form->IconView->selectionModel()->select(form->Model->index(1, 0), QItemSelectionModel::ClearAndSelect);
    form->Cut1Click();
    EXPECT_EQ(marks(), (std::vector<bool>{false, true}));
    EXPECT_EQ(clipboard(), (QStringList{"ZILO X", b.ToAnsiString()}));

    form->Copy1Click();
    EXPECT_EQ(marks(), (std::vector<bool>{false, false}));
    EXPECT_EQ(clipboard(), (QStringList{"ZILO C", b.ToAnsiString()}));
}

TEST_F(BasketFormTest, CommandsFollowTheRowsAndTheSelection)
{
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    const char *const bySelection[] = {"Open1", "OpenBrowser1", "Cut1", "Copy1", "Delete1", "CopyTo1", "MoveTo1",
                                       "Remove1", "Rename1", "Properties1", "SelectNone1"};
    const char *const byRows[] = {"SelectAll1", "InvertSelection1", "RemoveAll1"};
    struct Case
    {
        int rows;
        bool selected;
    };
    for (const Case test : {Case{0, false}, Case{2, false}, Case{2, true}}) {
        SCOPED_TRACE(test.rows * 2 + test.selected);
        form->Model->Clear();
        if (test.rows > 0) {
            form->AddFile(TImageHandler(a, true));
            form->AddFile(TImageHandler(b, true));
        }
        if (test.selected)
            form->SelectAll1Click();
        form->UpdateCommandStates();
        for (const char *name : bySelection)
            EXPECT_EQ(form->Command(name)->isEnabled(), test.selected) << name;
        for (const char *name : byRows)
            EXPECT_EQ(form->Command(name)->isEnabled(), test.rows > 0) << name;
        EXPECT_TRUE(form->Command("Close1")->isEnabled());
        EXPECT_FALSE(form->Command("Help1")->isEnabled()) << "no help file";
        EXPECT_TRUE(form->Command("Details1")->isChecked());
    }
}

TEST_F(BasketFormTest, DeletedFilesLeaveTheBasketAndTheOthersStay)
{
    RegisterWindowDialogs();
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", host("data"));   // the trash lies in the test folder
    const CPath a = writeJpegFile("Pics/a.jpg", 40, 30);
    const CPath b = writeJpegFile("Pics/b.jpg", 40, 30);
    const CPath c = writeJpegFile("Pics/c.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    for (const CPath &path : {a, b, c})
        form->AddFile(TImageHandler(path, true));
    auto answer = [](const char *button) {
        return [button](QDialog &dialog) { Child<QPushButton>(dialog, button)->click(); };
    };
    // a skipped, b deleted.
    ModalScript script({answer("SkipButton"), answer("DeleteButton")});
    QItemSelection both(form->Model->index(0, 0), form->Model->index(1, BasketColumnCount - 1));
    form->IconView->selectionModel()->select(both, QItemSelectionModel::ClearAndSelect);
    form->Delete1Click();
    EXPECT_EQ(script.shown(), (std::vector<QString>{"DeleteForm1", "DeleteForm1"}));
    EXPECT_TRUE(a.GetFileExists());
    EXPECT_FALSE(b.GetFileExists());
    EXPECT_EQ(shownNames(form), (QStringList{"a.jpg", "c.jpg"}));
}

TEST_F(BasketFormTest, PropertiesGoThroughTheSelectionUntilOneIsCancelled)
{
    const CPath a = writeShownPicture("Pics/a.jpg", 40, 30);
    const CPath b = writeShownPicture("Pics/b.jpg", 40, 30);
    const CPath c = writeShownPicture("Pics/c.jpg", 40, 30);
    TBasketForm1 *form = basket();
    form->show();
    for (const CPath &path : {a, b, c})
        form->AddFile(TImageHandler(path, true));
    form->SelectAll1Click();
    QStringList shownFiles;
    auto answer = [&](const char *button) {
        return [&shownFiles, button](QDialog &dialog) {
            shownFiles << Child<QLineEdit>(dialog, "Edit")->text();
            Child<QPushButton>(dialog, button)->click();
        };
    };
    ModalScript script({answer("SkipBtn"), answer("CancelBtn"), answer("CancelBtn")});
    form->Properties1Click();
    EXPECT_EQ(shownFiles, (QStringList{a.ToAnsiString(), b.ToAnsiString()}));
}

TEST_F(BasketFormTest, OpenBrowserFindsTheWindowOnTheRowsFolderOrOpensOne)
{
    const CPath shownFolder = pictureFolder("Shown", 1);
    const CPath other = pictureFolder("Other", 1);
    TBrowseForm1 *browser = open(shownFolder, 1);
    TBasketForm1 *form = basket();
    form->show();
    form->AddFile(TImageHandler(shownFolder.AppendFileName("p000.jpg"), true));
    form->SelectAll1Click();
    form->OpenBrowser1Click();
    EXPECT_EQ(coordinator->BrowseForms().size(), 1u) << "the window on the row's folder serves";

    form->AddFile(TImageHandler(other.AppendFileName("p000.jpg"), true));
    form->IconView->selectionModel()->select(form->Model->index(1, 0), QItemSelectionModel::ClearAndSelect);
    form->OpenBrowser1Click();
    ASSERT_EQ(coordinator->BrowseForms().size(), 2u);
    TBrowseForm1 *opened = coordinator->BrowseForms().back();
    EXPECT_NE(opened, browser);
    EXPECT_TRUE(waitShown(opened, other, 1));
}

TEST_F(BasketFormTest, HidingTheBasketEndsTheProgramWhenNoOtherWindowIsLeft)
{
    TBasketForm1 *form = basket();
    form->show();
    coordinator->QuitIfNoWindows();
    EXPECT_EQ(terminated, 0) << "a shown basket keeps the program running";
    form->Close1Click();
    EXPECT_EQ(terminated, 1);
}

} // namespace
