#include "BrowseFormTestSupport.h"

#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <lib/Drive.h>
#include <Source/engine/UserMessages.h>
#include <lib/ProductInfo.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/Messages.h>
#include <platform/ModalDialog.h>
#include <platform/ProgramFolder.h>
#include <platform/SystemMetrics.h>

#include <QMouseEvent>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

TEST_F(BrowseFormTest, OpensTheFolderAndSavesItsBrowseFileWhenLeftWithAutoSave)
{
    const CPath first = pictureFolder("First", 3);
    const CPath second = pictureFolder("Second", 2);
    TBrowseForm1 *form = open(first, 3);
    EXPECT_EQ(form->windowTitle(), QString(CString(first + CaptionSuffix).ToAnsiString()));
    EXPECT_TRUE(form->IsModified()) << "new thumbnails differ from the (missing) browse file";
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);

    form->GoToFolder(second);
    ASSERT_TRUE(waitShown(form, second, 2));
    EXPECT_TRUE(boxes.empty()) << "AutoSave asks nothing";
    EXPECT_EQ(browseFileRecords(first), 3);
    EXPECT_EQ(form->DirTreeView->GetDirectory(), second.ToAnsiString());
    EXPECT_EQ(form->HistoryCombo->currentText(), second.ToAnsiString());
}

TEST_F(BrowseFormTest, CancelInTheSaveQuestionKeepsTheFolderAndTheTree)
{
    const CPath first = pictureFolder("First", 2);
    const CPath second = pictureFolder("Second", 1);
    TBrowseForm1 *form = open(first, 2);
    ASSERT_TRUE(form->IsModified());
    ModalScript script({[](QDialog &dialog) { dialog.done(mrCancel); }});

    form->GoToFolder(second);
    ASSERT_EQ(script.shown(), std::vector<QString>{"SaveQueryForm1"}) << form->WantedFolder().c_str() << " boxes " << boxes.size() << " autosave " << form->FolderOptions()->GetInt(TFolderOptions::AutoSave);
    for (int tick = 0; tick < 5; ++tick)
        coordinator->Timer1Timer();
    EXPECT_EQ(form->ShownFolder(), first);
    EXPECT_TRUE(form->WantedFolder().IsEmpty());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(form->DirTreeView->GetDirectory(), first.ToAnsiString());
    EXPECT_EQ(form->ThumbBox->Count(), 2);
    EXPECT_EQ(browseFileRecords(first), -1) << "nothing was saved";
}

TEST_F(BrowseFormTest, AnEmptyFolderWithABrowseFileAsksToDeleteIt)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 1);
    TBrowseForm1 *form = open(first, 1);
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);
    form->GoToFolder(second);
    ASSERT_TRUE(waitShown(form, second, 1));
    ASSERT_EQ(browseFileRecords(first), 1);

    // Back to the first folder, whose picture has gone meanwhile.
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 0);
    form->TakeModified(false);
    std::filesystem::remove(host("First/p000.jpg"));
    form->GoToFolder(first);
    // The browse file brings the picture back for a moment, until the
    // update after the load finds it gone.
    ASSERT_TRUE(ServeUntil([&] { return form->ShownFolder() == first && form->ThumbBox->Count() == 1; }));
    ASSERT_TRUE(ServeUntil([&] {
        return form->ScanContext() && !form->IsLoading() && form->ThumbBox->Count() == 0
            && form->StatusText().contains(QStringLiteral("0 images"));
    }));
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 0);
    form->TakeModified(true);
    boxAnswer = IDYES;

    form->GoToFolder(second);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("Do you want to delete the browse file for\n\n%1?").arg(first.ToAnsiString()));
    ASSERT_TRUE(waitShown(form, second, 1));
    EXPECT_EQ(browseFileRecords(first), -1) << "Yes deleted the browse file";
}

TEST_F(BrowseFormTest, ASwitchRequestedWhileOneIsPendingIsIgnored)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 2);
    const CPath third = pictureFolder("Third", 3);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);

    form->GoToFolder(second);
    EXPECT_EQ(form->WantedFolder(), second);
    EXPECT_FALSE(form->isEnabled()) << "no input until the switch is done";
    form->GoToFolder(third);
    EXPECT_EQ(form->WantedFolder(), second);
    ASSERT_TRUE(waitShown(form, second, 2));
}

TEST_F(BrowseFormTest, PathsThatCannotBeOpenedAreRefused)
{
    const CPath first = pictureFolder("First", 1);
    TBrowseForm1 *form = open(first, 1);
    const QColor normal = form->HistoryCombo->palette().color(QPalette::Base);
    for (const char *path : {"C:", "Pictures", ""}) {
        form->GoToFolder(CPath(path));
        EXPECT_TRUE(form->WantedFolder().IsEmpty()) << path;
    }
    EXPECT_EQ(form->HistoryCombo->palette().color(QPalette::Base), normal);

    form->GoToFolder(windows("Missing"));
    EXPECT_TRUE(form->WantedFolder().IsEmpty());
    EXPECT_EQ(form->HistoryCombo->palette().color(QPalette::Base), QColor(0xDC, 0xDC, 0xFF)) << "a missing folder is shown light red";

    form->GoToFolder(first);
    EXPECT_TRUE(form->WantedFolder().IsEmpty()) << "the shown folder again does nothing";
    EXPECT_EQ(form->HistoryCombo->palette().color(QPalette::Base), normal);
}

TEST_F(BrowseFormTest, AWindowClosedWhileItsFolderIsSavedGoesOnlyOnceTheFileIsWritten)
{
    const CPath first = pictureFolder("First", 4);
    TBrowseForm1 *form = open(first, 4);
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);
    int recordsAtDestruction = -3;
    QObject::connect(form, &QObject::destroyed, [&] { recordsAtDestruction = browseFileRecords(first); });
    QPointer<TBrowseForm1> watched(form);

    form->close();
    EXPECT_TRUE(form->IsClosing());
    EXPECT_TRUE(watched) << "the close waits for the coordinator's tick";
    ASSERT_TRUE(ServeUntil([&] { return watched.isNull(); }));
    EXPECT_EQ(recordsAtDestruction, 4);
}

TEST_F(BrowseFormTest, WindowsAreNumberedByTheirCount)
{
    const CPath first = pictureFolder("First", 0);
    TBrowseForm1 *one = open(first, 0);
    TBrowseForm1 *two = open(first, 0);
    TBrowseForm1 *three = open(first, 0);
    EXPECT_EQ(one->WindowNumber(), 1);
    EXPECT_EQ(three->WindowNumber(), 3);
    two->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().size() == 2; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TBrowseForm1 *next = open(first, 0);
    EXPECT_EQ(next->WindowNumber(), 3);
    EXPECT_EQ(next->Options.Section(), QStringLiteral("Browser 3"));
}

TEST_F(BrowseFormTest, AMessageOfTheOldFoldersWorkerNeverReachesTheNextFolder)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 1);
    const CPath stray = writeJpegFile("Elsewhere/stray.jpg", 32, 32);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);
    CScanThumbProgressContext *old = form->ScanContext();
    old->AddRef();
    CThumbBitmap *record = FindOrCreateThumbBitmap(stray);

    // The old worker posts a record, and the window leaves the folder before
    // the message is handled.
    old->PostToOwner(UM_RECORD_ADDED, 0, LPARAM(record), record);
    form->GoToFolder(second);
    coordinator->Timer1Timer();
    EXPECT_TRUE(old->IsTerminated()) << "the tick stopped the old folder's scan";
    EXPECT_NE(form->ScanContext(), old);
    ASSERT_TRUE(waitShown(form, second, 1));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(form->ThumbBox->Count(), 1);
    EXPECT_EQ(old->SendToOwner(UM_RECORD_ADDED, 0, LPARAM(record)), 0);
    EXPECT_EQ(form->ThumbBox->Count(), 1);
    for (int index = 0; index < form->ThumbBox->Count(); ++index)
        EXPECT_NE(form->ThumbBox->Thumbnail(index)->GetThumbBitmap(), record);
    record->Release();
    old->Release();
}

TEST_F(BrowseFormTest, TheStatusFollowsTheWorkersMessages)
{
    const CPath first = pictureFolder("First", 2);
    TBrowseForm1 *form = open(first, 2);
    const QString folder = first.ToAnsiString();
    struct Case
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        QString status;
    };
    const Case cases[] = {
        {UM_LOAD_PROGRESS, 4, 20, folder + " - Loading image 5 of 20 (20%)..."},
        {UM_LOAD_PROGRESS, 0, 1, folder + " - Loading image 1 of 1 (0%)..."},
        {UM_COUNT_BEGIN, 0, 0, folder + " - Counting image files..."},
        {UM_COUNT_PROGRESS, 0, 300, folder + " - Counting image files... 300"},
        {UM_CREATE_BEGIN, 0, 1, folder + " - Creating thumbnails for 1 image..."},
        {UM_CREATE_BEGIN, 0, 7, folder + " - Creating thumbnails for 7 images..."},
        {UM_BROWSE_LOAD_BEGIN, 0, LPARAM("C:\\First\\Thumbnail.zilo"),
         folder + " - Loading browse file 'C:\\First\\Thumbnail.zilo'..."},
        {UM_BROWSE_SAVE_BEGIN, 0, LPARAM("C:\\First\\Thumbnail.zilo"),
         folder + " - Saving browse file 'C:\\First\\Thumbnail.zilo'..."},
    };
    for (const Case &test : cases) {
        SendMessage(form->Handle(), test.message, test.wParam, test.lParam);
        EXPECT_EQ(form->StatusText(), test.status) << test.message;
    }
    // A load progress over nothing changes nothing.
    SendMessage(form->Handle(), UM_LOAD_PROGRESS, 0, 0);
    EXPECT_EQ(form->StatusText(), cases[std::size(cases) - 1].status);

    SendMessage(form->Handle(), UM_CREATE_BEGIN, 0, 0);
    EXPECT_TRUE(form->StatusText().startsWith(folder + " - 2 images sorted by ")) << form->StatusText().toStdString();
    form->SetStatusHint("Opens a folder");
    EXPECT_EQ(form->StatusText(), QStringLiteral("Opens a folder"));
}

TEST_F(BrowseFormTest, AFailedSaveLeavesTheFolderModifiedAndReportsAfterTheHandler)
{
    const CPath first = pictureFolder("First", 1);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);
    SendMessage(form->Handle(), UM_BROWSE_SAVE_END, 0, LPARAM("C:\\First\\Thumbnail.zilo"));
    EXPECT_TRUE(boxes.empty()) << "no box inside the worker's message";
    EXPECT_TRUE(form->IsModified()) << "the next switch asks again";
    ASSERT_TRUE(ServeUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes, std::vector<QString>{"Failed to save browse file 'C:\\First\\Thumbnail.zilo'"});
}

TEST_F(BrowseFormTest, ASecondWindowOnTheFolderAddsNoRecordTwice)
{
    const CPath first = pictureFolder("First", 2);
    TBrowseForm1 *one = open(first, 2);
    TBrowseForm1 *two = open(first, 2);
    two->TakeModified(false);
    CThumbBitmap *record = one->ThumbBox->Thumbnail(0)->GetThumbBitmap();
    SendMessage(two->Handle(), UM_RECORD_ADDED, 0, LPARAM(record));
    EXPECT_EQ(two->ThumbBox->Count(), 2);
    EXPECT_FALSE(two->IsModified());
    EXPECT_EQ(one->ThumbBox->Count(), 2);
}

TEST(CopyFitTest, CountsWholeClustersOnEachDrive)
{
    auto drive = [](char letter, uint32_t bytesPerSector, uint32_t sectorsPerCluster, uint32_t freeClusters) {
        CDrive made;
        made.letter = letter;
        made.exists = true;
        made.bytesPerSector = bytesPerSector;
        made.sectorsPerCluster = sectorsPerCluster;
        made.freeClusters = freeClusters;
        return made;
    };
    struct Case
    {
        std::vector<uint64_t> sizes;
        std::vector<CDrive> drives;
        const char *letters;
    };
    const Case cases[] = {
        {{4097}, {drive('A', 512, 8, 2)}, "A"},
        {{4097}, {drive('A', 512, 8, 1)}, ""},
        {{4096}, {drive('A', 512, 8, 1)}, "A"},
        {{1, 1}, {drive('A', 512, 8, 1)}, ""},
        {{0}, {drive('C', 512, 8, 0)}, "C"},
        {{4097}, {drive('C', 512, 8, 2), drive('D', 512, 8, 1), drive('E', 4096, 8, 1)}, "C, E"},
        {{10}, {drive('F', 0, 0, 100)}, ""},
    };
    for (const Case &test : cases)
        EXPECT_STREQ(CopyFitDrives(test.sizes, test.drives).c_str(), test.letters);
}

} // namespace

namespace {

TEST_F(BrowseFormTest, TheTreeTheHistoryAndUpOneLevelSwitchFolders)
{
    const CPath first = pictureFolder("Top/First", 1);
    const CPath second = pictureFolder("Top/Second", 2);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);

    form->DirTreeView->SetDirectory(second.ToAnsiString());
    ASSERT_TRUE(waitShown(form, second, 2)) << "a folder picked in the tree opens";
    form->TakeModified(false);

    form->HistoryCombo->setEditText(first.ToAnsiString() + u'\\');
    form->ApplyButton->click();
    ASSERT_TRUE(waitShown(form, first, 1)) << "Apply opens the typed folder, its backslash dropped";
    EXPECT_GE(form->HistoryCombo->findText(second.ToAnsiString()), 0) << "every folder shown joins the history";
    form->TakeModified(false);

    SendMessage(form->Handle(), WM_USER, 0, 0);   // unknown messages are ignored
    form->UpOneLevelToolClick();
    ASSERT_TRUE(waitShown(form, windows("Top"), 0));
}

TEST_F(BrowseFormTest, AWindowWithoutAFolderOpensTheOneItsSettingsKeep)
{
    const CPath kept = pictureFolder("Kept", 1);
    {
        TBrowseForm1 *form = open(kept, 1);
        form->TakeModified(false);
        form->close();
        ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(waitShown(new TBrowseForm1(CPath()), kept, 1));
    for (TBrowseForm1 *form : coordinator->BrowseForms())
        form->TakeModified(false);
    for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(coordinator->BrowseForms()))
        form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    std::filesystem::remove_all(host("Kept"));
    TBrowseForm1 *fallback = new TBrowseForm1(CPath());
    ASSERT_TRUE(ServeUntil([&] { return !fallback->ShownFolder().IsEmpty(); }));
    EXPECT_EQ(fallback->ShownFolder(), CPath(CString(ProgramFolder().c_str())));
    EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("Folder '%1' does not exist").arg(kept.ToAnsiString())})
        << "the folder that is not there is named before the program folder opens";
}

TEST_F(BrowseFormTest, AStartFolderThatIsNotThereIsNamedAndTheProgramFolderOpens)
{
    const CPath missing = windows("Gone\\Away");
    TBrowseForm1 *form = new TBrowseForm1(missing);
    EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("Folder '%1' does not exist").arg(missing.ToAnsiString())});
    ASSERT_TRUE(ServeUntil([&] { return !form->ShownFolder().IsEmpty(); }));
    EXPECT_EQ(form->ShownFolder(), CPath(CString(ProgramFolder().c_str())));
}

// As a user types in the Folder box and presses Apply.
TEST_F(BrowseFormTest, TheFolderBoxTakesHostPathsAndNamesAFolderThatIsNotThere)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("My Pics", 2);
    TBrowseForm1 *form = open(first, 1);
    form->TakeModified(false);
    const auto apply = [form](const QString &typed) {
        form->HistoryCombo->setEditText(typed);
        form->ApplyButton->click();
    };

    apply(QString::fromStdString(host("My Pics")) + u'/');
    ASSERT_TRUE(waitShown(form, second, 2)) << "a host path opens its folder";
    EXPECT_EQ(form->HistoryCombo->currentText(), second.ToAnsiString()) << "and shows as a Windows path";
    EXPECT_TRUE(boxes.empty());
    form->TakeModified(false);

    const struct
    {
        QString typed;
        CPath named;
    } missing[] = {
        {QString::fromStdString(host("Nowhere")), windows("Nowhere")},
        {windows("Nowhere\\Else").ToAnsiString() + u'\\', windows("Nowhere\\Else")},
    };
    for (const auto &row : missing) {
        SCOPED_TRACE(row.typed.toStdString());
        boxes.clear();
        apply(row.typed);
        EXPECT_EQ(boxes, std::vector<QString>{QStringLiteral("Folder '%1' does not exist").arg(row.named.ToAnsiString())});
        EXPECT_TRUE(form->WantedFolder().IsEmpty());
        EXPECT_EQ(form->ShownFolder(), second);
        EXPECT_EQ(form->HistoryCombo->palette().color(QPalette::Base), QColor(0xDC, 0xDC, 0xFF));
    }
}

TEST_F(BrowseFormTest, TheLayoutAndTheSplittersAreKeptInTheSettings)
{
    const CPath first = pictureFolder("First", 0);
    TBrowseForm1 *form = open(first, 0);
    form->resize(800, 600);
    QCoreApplication::processEvents();
    const QRect tree = form->DirTreeView->geometry();
    EXPECT_EQ(form->LeftPanel->width(), 200) << "the default split";
    EXPECT_EQ(tree.height(), form->LeftPanel->height() * 800 / 1000);
    EXPECT_EQ(form->RightPanel->geometry().left(), form->HSplitter->geometry().right() + 1);
    EXPECT_EQ(form->RightPanel->geometry().right(), form->ClientPanel->width() - 1);

    // Dragging the splitters as a hand would.
    auto drag = [](QWidget *splitter, QPoint by) {
        const QPoint from = splitter->rect().center();
        QMouseEvent press(QEvent::MouseButtonPress, from, splitter->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(splitter, &press);
        QMouseEvent move(QEvent::MouseMove, from + by, splitter->mapToGlobal(from + by), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(splitter, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, from + by, splitter->mapToGlobal(from + by), Qt::LeftButton, {}, {});
        QCoreApplication::sendEvent(splitter, &release);
    };
    drag(form->HSplitter, QPoint(60, 0));
    EXPECT_EQ(form->LeftPanel->width(), 260);
    drag(form->VSplitter, QPoint(0, -100));
    EXPECT_EQ(form->DirTreeView->height(), tree.height() - 100);
    drag(form->HSplitter, QPoint(-1000, 0));
    EXPECT_EQ(form->LeftPanel->width(), 0) << "the split stops at the window's edge";
    drag(form->HSplitter, QPoint(250, 0));
    const int treeHeight = form->DirTreeView->height();
    const int panelHeight = form->LeftPanel->height();

    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TBrowseForm1 *again = open(first, 0);
    again->resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(again->LeftPanel->width(), 250);
    EXPECT_NEAR(again->DirTreeView->height(), treeHeight * again->LeftPanel->height() / panelHeight, 1);
    EXPECT_EQ(again->size(), QSize(800, 600));
}

// New Browser opens a window with an empty folder: the one its own settings
// keep, the program folder for a window never seen before.
TEST_F(BrowseFormTest, ANewBrowserCascadesFromTheWindowsBeforeIt)
{
    const CPath first = pictureFolder("First", 1);
    TBrowseForm1 *form = open(first, 1);
    form->NewWindow1Click();
    ASSERT_EQ(coordinator->BrowseForms().size(), 2u);
    TBrowseForm1 *second = coordinator->BrowseForms().back();
    second->NewWindow1Click();
    ASSERT_EQ(coordinator->BrowseForms().size(), 3u);
    TBrowseForm1 *third = coordinator->BrowseForms().back();

    const int step = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(second->pos(), form->pos() + QPoint(step, step)) << "never exactly on top of the first";
    EXPECT_EQ(third->pos(), form->pos() + QPoint(2 * step, 2 * step));
    EXPECT_EQ(second->size(), form->size());
    const CPath program(CString(ProgramFolder().c_str()));
    EXPECT_TRUE(ServeUntil([&] { return second->ShownFolder() == program && third->ShownFolder() == program; }));
}

TEST_F(BrowseFormTest, AnEmptyFolderLeavesTheProgressBarEmptyAndStill)
{
    const CPath empty = pictureFolder("Empty", 0);
    TBrowseForm1 *form = open(empty, 0);
    ASSERT_TRUE(ServeUntil([&] { return form->StatusText().contains(QStringLiteral("0 images")); }));
    EXPECT_GT(form->ProgressBar->maximum(), form->ProgressBar->minimum()) << "not the busy bar";
    EXPECT_EQ(form->ProgressBar->value(), form->ProgressBar->minimum());
}

TEST_F(BrowseFormTest, TheTitleShowsTheProgressOnlyWhileMinimised)
{
    const CPath first = pictureFolder("First", 0);
    TBrowseForm1 *form = open(first, 0);
    const QString title = first.ToAnsiString() + QString::fromUtf8(CaptionSuffix);
    SendMessage(form->Handle(), UM_LOAD_PROGRESS, 4, 20);
    EXPECT_EQ(form->windowTitle(), title);

    form->showMinimized();
    ASSERT_TRUE(ServeUntil([&] { return form->isMinimized(); }));
    SendMessage(form->Handle(), UM_LOAD_PROGRESS, 4, 20);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("20% - %1 - 5 of 20%2").arg(first.ToAnsiString(), QString::fromUtf8(CaptionSuffix)));
    SendMessage(form->Handle(), UM_LOADER_END, 0, 0);
    EXPECT_TRUE(ServeUntil([&] { return form->windowTitle() == title; })) << "after the pause at the end";
}

TEST_F(BrowseFormTest, AtTheEndOfALoadTheFullBarStaysAMomentWhileTheWindowAnswers)
{
    const CPath first = pictureFolder("First", 2);
    TBrowseForm1 *form = open(first, 2);
    const QString idle = first.ToAnsiString() + " - 2 images sorted by ";
    ASSERT_TRUE(ServeUntil([&] { return form->StatusText().startsWith(idle); })) << "the load's own end is over";
    SendMessage(form->Handle(), UM_LOAD_BEGIN, 0, 4);
    for (int record = 0; record < 4; ++record)
        SendMessage(form->Handle(), UM_RECORD_LOADED, 0, 0);
    SendMessage(form->Handle(), UM_LOAD_PROGRESS, 3, 4);
    const QString loading = form->StatusText();
    ASSERT_EQ(form->ProgressBar->value(), 4);

    SendMessage(form->Handle(), UM_LOADER_END, 0, 0);
    EXPECT_EQ(form->ProgressBar->value(), 4) << "the end is shown for a moment";
    EXPECT_EQ(form->StatusText(), loading);
    int barMeanwhile = -1;
    QTimer::singleShot(0, form, [&] { barMeanwhile = form->ProgressBar->value(); });
    ASSERT_TRUE(ServeUntil([&] { return form->ProgressBar->value() == 0; }));
    EXPECT_EQ(barMeanwhile, 4) << "the window answered while the end was shown";
    EXPECT_TRUE(form->StatusText().startsWith(idle)) << form->StatusText().toStdString();
}

TEST_F(BrowseFormTest, TheInformationPageTakesThePlaceOfTheThumbnails)
{
    const CPath first = pictureFolder("First", 1);
    TBrowseForm1 *form = open(first, 1);
    form->Info1Click();
    auto *page = form->findChild<QWidget *>("InfoPage");
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(form->ThumbBox->isVisible());
    EXPECT_TRUE(form->findChild<QLabel *>("InfoLabel")->text().startsWith("Using imaging library "));
    form->findChild<QPushButton *>("InfoBackButton")->click();
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(form->ThumbBox->isVisible());
}

} // namespace

namespace {

TEST_F(BrowseFormTest, APictureDeletedWhileTheFolderIsOpenLeavesTheBox)
{
    const CPath first = pictureFolder("First", 3);
    TBrowseForm1 *form = open(first, 3);
    std::filesystem::remove(host("First/p001.jpg"));
    ASSERT_TRUE(ServeUntil([&] { return form->ThumbBox->Count() == 2; })) << "the watcher's change updates the box";
    for (int index = 0; index < form->ThumbBox->Count(); ++index)
        EXPECT_NE(form->ThumbBox->Thumbnail(index)->GetThumbBitmap()->GetHandler().GetName(), CPath("p001.jpg"));
}

TEST_F(BrowseFormTest, PicturesAddedWhileTheFolderWasClosedAppearWhenItOpens)
{
    const CPath first = pictureFolder("First", 2);
    TBrowseForm1 *form = open(first, 2);
    form->FolderOptions()->SetInt(TFolderOptions::AutoSave, 1);
    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(browseFileRecords(first), 2);
    ThumbBitmapCache.Purge(true);

    writeJpegFile("First/p100.jpg", 64, 48);
    TBrowseForm1 *again = open(first, 3);
    EXPECT_TRUE(again->IsModified()) << "the new picture is not in the browse file yet";
    int64_t bytes = 0;
    for (const char *name : {"First/p000.jpg", "First/p001.jpg", "First/p100.jpg"})
        bytes += int64_t(std::filesystem::file_size(host(name)));
    EXPECT_TRUE(ServeUntil([&] { return again->ThumbBox->GetTotalFileSize() == bytes; }))
        << "the pictures read from the browse file count their sizes too: " << again->ThumbBox->GetTotalFileSize();
}

} // namespace

namespace {

TEST_F(BrowseFormTest, ReloadBuildsEveryThumbnailAgainAndUpdateOnlyWhatChanged)
{
    const CPath first = pictureFolder("First", 3);
    TBrowseForm1 *form = open(first, 3);
    auto rescanDone = [&] {
        return ServeUntil([&] { return !form->ScanContext()->GetRescanRequest() && !form->IsLoading(); });
    };
    form->TakeModified(false);
    form->Update(false);
    ASSERT_TRUE(rescanDone());
    EXPECT_FALSE(form->IsModified()) << "nothing changed on disk";

    form->Reload();
    ASSERT_TRUE(rescanDone());
    EXPECT_TRUE(ServeUntil([&] { return form->IsModified(); })) << "every thumbnail was built again";
    EXPECT_EQ(form->ThumbBox->Count(), 3);
}

TEST_F(BrowseFormTest, TheSortOrderOfTheFolderReordersTheThumbnailsAndKeepsTheSelection)
{
    const CPath first = pictureFolder("First", 3);
    TBrowseForm1 *form = open(first, 3);
    auto names = [&] {
        std::vector<std::string> found;
        for (int index = 0; index < form->ThumbBox->Count(); ++index)
            found.push_back(form->ThumbBox->Thumbnail(index)->GetThumbBitmap()->GetHandler().GetName().c_str());
        return found;
    };
    ASSERT_EQ(names(), (std::vector<std::string>{"p000.jpg", "p001.jpg", "p002.jpg"}));
    form->ThumbBox->Thumbnail(0)->SetSelected(true);
    form->TakeModified(false);

    form->FolderOptions()->SetInt(TFolderOptions::SortProperty, CThumbSort::FileName);
    form->FolderOptions()->SetInt(TFolderOptions::SortDirection, 1);
    form->ApplySortOrder();
    EXPECT_EQ(names(), (std::vector<std::string>{"p002.jpg", "p001.jpg", "p000.jpg"}));
    EXPECT_TRUE(form->ThumbBox->Thumbnail(2)->Selected()) << "the selection follows its picture";
    EXPECT_FALSE(form->ThumbBox->Thumbnail(0)->Selected());
    EXPECT_TRUE(form->IsModified());
    EXPECT_TRUE(form->StatusText().contains(QStringLiteral(" - 3 images sorted by file name descending - ")))
        << form->StatusText().toStdString();
}

} // namespace

namespace {

TEST_F(BrowseFormTest, ADamagedBrowseFileIsReportedOnceAfterItsMessage)
{
    const CPath first = pictureFolder("First", 0);
    writeFile("First/Thumbnail.zilo", QByteArray("not a browse file at all, only some words"));
    TBrowseForm1 *form = open(first, 0);
    ASSERT_TRUE(ServeUntil([&] { return !boxes.empty(); }));
    QCoreApplication::processEvents();
    const QString text = QStringLiteral("Failed to load browse file '%1\\Thumbnail.zilo'").arg(first.ToAnsiString());
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), text), 1) << boxes.front().toStdString();
    EXPECT_TRUE(ServeUntil([&] { return form->StatusText().contains(" - 0 images "); }))
        << form->StatusText().toStdString();
}

} // namespace
