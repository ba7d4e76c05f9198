#include "BrowseFormTestSupport.h"

#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/ProductInfo.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/Messages.h>
#include <platform/ModalDialog.h>

#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStringList>

namespace {

// A tool window as a later unit registers one: a plain window.
class PlainToolForm : public TToolForm
{
public:
    QWidget *Window() override { return &m_window; }

private:
    QWidget m_window;
};

class MainFormTest : public BrowseFormTest
{
protected:
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        UnregisterTool(Tool::Basket);
    }

    // A new coordinator with a basket, which the settings show at start.
    void withShownBasket()
    {
        coordinator.reset();
        RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<PlainToolForm>(); }});
        ProgramOptions->SetInt(TProgramOptions::ShowBasket, 1);
        coordinator = std::make_unique<TMainForm1>();
        coordinator->Terminate = [this] { ++terminated; };
    }

    // An unreferenced record in the cache; answers whether it is still there.
    CPath cachedRecord(const char *name)
    {
        const CPath path = writeJpegFile(QString::fromUtf8(name), 16, 16);
        FindOrCreateThumbBitmap(path)->Release();
        return path;
    }
    static bool isCached(const CPath &path)
    {
        CThumbBitmap *record = FindThumbBitmap(path);
        if (record)
            record->Release();
        return record != nullptr;
    }
};

TEST_F(MainFormTest, TheTickPurgesTheCacheByItsPolicyEveryTenthTime)
{
    struct Case
    {
        int cleanupType;
        int objectThreshold;
        int memoryThreshold;
        bool deleted;
    };
    const Case cases[] = {
        {TCacheOptions::NeverDelete, 0, 0, false},
        {TCacheOptions::DeleteUnused, 0, 0, true},
        {TCacheOptions::DeleteAboveObjectThreshold, 0, 0, true},
        {TCacheOptions::DeleteAboveObjectThreshold, 1, 0, false},
        {TCacheOptions::DeleteAboveMemoryThreshold, 0, 0, true},
        {TCacheOptions::DeleteAboveMemoryThreshold, 0, 64, false},
        {TCacheOptions::DeleteAboveMemoryThreshold, 0, 4096, false},   // 2^32 bytes: not 0 in 32 bits
        {7, 0, 0, false},
    };
    int index = 0;
    for (const Case &test : cases) {
        CacheOptions->SetInt(TCacheOptions::CleanupType, test.cleanupType);
        CacheOptions->SetInt(TCacheOptions::ObjectThreshold, test.objectThreshold);
        CacheOptions->SetInt(TCacheOptions::MemoryThreshold, test.memoryThreshold);
        const CPath path = cachedRecord(qPrintable(QStringLiteral("r%1.jpg").arg(index++)));
        TMainForm1::SetPurgeTicks(0);
        coordinator->Timer1Timer();
        EXPECT_EQ(!isCached(path), test.deleted) << "type " << test.cleanupType << " thresholds "
                                                 << test.objectThreshold << ", " << test.memoryThreshold;
        ThumbBitmapCache.Purge(true);
    }

    CacheOptions->SetInt(TCacheOptions::CleanupType, TCacheOptions::DeleteUnused);
    TMainForm1::SetPurgeTicks(1);
    const CPath path = cachedRecord("late.jpg");
    for (int tick = 1; tick < 10; ++tick)
        coordinator->Timer1Timer();
    EXPECT_TRUE(isCached(path)) << "ticks 1 to 9 purge nothing";
    coordinator->Timer1Timer();
    EXPECT_FALSE(isCached(path)) << "the tenth tick purges";
}

TEST_F(MainFormTest, CloseAllStopsAtTheFirstWindowThatCancels)
{
    const CPath folder = pictureFolder("Pictures", 1);
    std::vector<TBrowseForm1 *> forms;
    for (int index = 0; index < 3; ++index) {
        forms.push_back(open(folder, 1));
        forms.back()->TakeModified(true);
    }
    ModalScript script({[](QDialog &dialog) { dialog.done(mrNo); }, [](QDialog &dialog) { dialog.done(mrCancel); }});

    coordinator->CloseAll();
    EXPECT_EQ(script.shown().size(), 2u) << "the third window is never asked";
    for (int tick = 0; tick < 3; ++tick)
        coordinator->Timer1Timer();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(coordinator->BrowseForms().size(), 3u);
    for (TBrowseForm1 *form : forms)
        EXPECT_FALSE(form->IsClosing());
}

TEST_F(MainFormTest, CloseAllClosesEveryWindowAndEndsTheProgramRememberingTheBasket)
{
    withShownBasket();
    const CPath folder = pictureFolder("Pictures", 1);
    open(folder, 1);
    open(folder, 1);
    for (TBrowseForm1 *form : coordinator->BrowseForms())
        form->TakeModified(false);
    coordinator->CloseAll();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    EXPECT_FALSE(coordinator->isToolWindowVisible(Tool::Basket));
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(ProgramOptions->GetInt(TProgramOptions::ShowBasket), 1) << "shown again at the next start";
}

TEST_F(MainFormTest, AShownBasketKeepsTheProgramRunningWithoutBrowseWindows)
{
    withShownBasket();
    ASSERT_TRUE(coordinator->isToolWindowVisible(Tool::Basket)) << "shown at start as the settings say";

    TBrowseForm1 *form = open(pictureFolder("Pictures", 0), 0);
    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    EXPECT_EQ(terminated, 0);

    // A second start now shows the basket.
    coordinator->ToolWindow(Tool::Basket)->Window()->showMinimized();
    SendMessage(coordinator->Handle(), UM_ACTIVATE_INSTANCE, 0, 0);
    EXPECT_FALSE(coordinator->ToolWindow(Tool::Basket)->Window()->isMinimized());

    coordinator->setToolWindowVisible(Tool::Basket, false);
    coordinator->QuitIfNoWindows();
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(ProgramOptions->GetInt(TProgramOptions::ShowBasket), 0);
}

// A viewer is a window of its own: the program ends only once the last one closes.
TEST_F(MainFormTest, AShownViewerKeepsTheProgramRunningUntilItCloses)
{
    auto viewer = std::make_unique<QWidget>();
    coordinator->AddViewer(viewer.get());
    viewer->show();
    TBrowseForm1 *form = open(pictureFolder("Pictures", 0), 0);
    form->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(terminated, 0);

    viewer->hide();
    coordinator->RemoveViewer(viewer.get());
    EXPECT_TRUE(ServeUntil([&] { return terminated == 1; })) << "the last window went";
}

TEST_F(MainFormTest, ASecondStartRestoresTheFirstBrowseWindow)
{
    const CPath folder = pictureFolder("Pictures", 0);
    TBrowseForm1 *first = open(folder, 0);
    TBrowseForm1 *second = open(folder, 0);
    first->showMinimized();
    second->showMinimized();
    ASSERT_TRUE(PostMessage(coordinator->Handle(), UM_ACTIVATE_INSTANCE, 0, 0));
    ASSERT_TRUE(ServeUntil([&] { return !first->isMinimized(); }));
    EXPECT_TRUE(second->isMinimized());
}

// The real program, started again on this test's settings, hands its start to
// this process's coordinator, which listens under the program title.
TEST_F(MainFormTest, ASecondStartOpensItsFolderOrBringsBackTheWindowThatShowsIt)
{
    const QString title = QCoreApplication::applicationName();
    const auto restoreTitle = qScopeGuard([&] { QCoreApplication::setApplicationName(title); });
    QCoreApplication::setApplicationName(ProductName);
    coordinator.reset();
    coordinator = std::make_unique<TMainForm1>();
    coordinator->Terminate = [this] { ++terminated; };
    const auto secondStart = [](const QStringList &arguments) {
        QProcess second;   // the environment, and so the settings, are this test's
        second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/Zilo"), arguments);
        EXPECT_TRUE(ServeUntil([&] { return second.state() == QProcess::NotRunning; }));
        EXPECT_EQ(second.exitCode(), 0);
    };
    const auto browseFile = [](const CPath &folder) {
        return QStringList{QStringLiteral("browsefile=") + folder.ToAnsiString() + QLatin1Char('\\')};
    };
    TBrowseForm1 *first = open(pictureFolder("First", 1), 1);
    const CPath other = pictureFolder("Other", 2);

    secondStart(browseFile(other));
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().size() == 2; }));
    TBrowseForm1 *opened = coordinator->BrowseForms().back();
    EXPECT_TRUE(waitShown(opened, other, 2));

    for (const CPath &named : {other, CPath(CString(other.ToAnsiString().toUpper()))}) {
        SCOPED_TRACE(named.c_str());
        opened->showMinimized();
        secondStart(browseFile(named));
        EXPECT_TRUE(ServeUntil([&] { return !opened->isMinimized(); })) << "the window that shows it comes back";
        EXPECT_EQ(coordinator->BrowseForms().size(), 2u);
    }

    first->showMinimized();
    secondStart({});
    EXPECT_TRUE(ServeUntil([&] { return !first->isMinimized(); })) << "a start without a folder restores the first";

    first->showMinimized();
    secondStart(browseFile(windows("Missing")));
    ASSERT_TRUE(ServeUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes.back(), QStringLiteral("Folder '%1' does not exist").arg(windows("Missing").ToAnsiString()));
    EXPECT_TRUE(ServeUntil([&] { return !first->isMinimized(); })) << "and the first comes back";
    EXPECT_EQ(coordinator->BrowseForms().size(), 2u);
}

TEST_F(MainFormTest, DisablingNestsAndOnlyTheOutermostEnableRestores)
{
    const CPath folder = pictureFolder("Pictures", 0);
    TBrowseForm1 *form = open(folder, 0);
    TBrowseForm1 *other = open(folder, 0);
    form->activateWindow();
    ASSERT_TRUE(ServeUntil([&] { return QApplication::activeWindow() == form; }));
    coordinator->DisableAllWindows();
    // The inner bracket comes while another window is active (a shell dialog's owner).
    other->activateWindow();
    ASSERT_TRUE(ServeUntil([&] { return QApplication::activeWindow() == other; }));
    coordinator->DisableAllWindows();
    EXPECT_FALSE(form->isEnabled());
    coordinator->EnableAllWindows();
    EXPECT_FALSE(form->isEnabled()) << "the inner bracket ended, the outer still holds";
    coordinator->EnableAllWindows();
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(ServeUntil([&] { return QApplication::activeWindow() == form; }))
        << "the window active before the outermost bracket is active again";
    coordinator->EnableAllWindows();
    EXPECT_TRUE(form->isEnabled()) << "an unmatched enable changes nothing";
}

TEST_F(MainFormTest, BroadcastsReachTheWindowsOfTheFolder)
{
    const CPath first = pictureFolder("First", 1);
    const CPath second = pictureFolder("Second", 1);
    TBrowseForm1 *one = open(first, 1);
    TBrowseForm1 *two = open(first, 1);
    TBrowseForm1 *other = open(second, 1);
    for (TBrowseForm1 *form : {one, two, other})
        form->TakeModified(false);

    one->SetModified(true);
    EXPECT_TRUE(one->IsModified());
    EXPECT_TRUE(two->IsModified());
    EXPECT_FALSE(other->IsModified());

    coordinator->AddToFolderHistories(windows("Third"));
    for (TBrowseForm1 *form : {one, two, other})
        EXPECT_GE(form->HistoryCombo->findText(windows("Third").ToAnsiString()), 0);
    coordinator->ClearFolderHistories();
    EXPECT_EQ(other->HistoryCombo->count(), 0);
    EXPECT_EQ(other->HistoryCombo->currentText(), second.ToAnsiString());
}

} // namespace
