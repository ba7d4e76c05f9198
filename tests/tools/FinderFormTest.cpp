#include "../windows/BrowseFormTestSupport.h"

#include <Source/engine/Thumbnail.h>
#include <Source/tools/BasketData.h>
#include <Source/tools/BasketForm.h>
#include <Source/tools/FinderForm.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Files.h>
#include <platform/HostPath.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>
#include <ostream>

namespace {

struct MatchCase
{
    const char *pattern;
    bool matchCase;
    bool exactMatch;
    const char *name;
    bool matches;
};

void PrintTo(const MatchCase &row, std::ostream *out)
{
    *out << "'" << row.pattern << "'" << (row.matchCase ? " case" : "") << (row.exactMatch ? " exact" : "") << " in '"
         << row.name << "'";
}

class CFinderContextTest : public testing::TestWithParam<MatchCase>
{
};

TEST_P(CFinderContextTest, MatchesTheFileName)
{
    const MatchCase &row = GetParam();
    CFinderContext criterion(row.pattern, row.matchCase, row.exactMatch, false, false);
    EXPECT_EQ(criterion.MatchesFile(row.name), row.matches)
        << "pattern '" << row.pattern << "' name '" << row.name << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, CFinderContextTest,
    testing::Values(MatchCase{"img", false, false, "IMG_0001.JPG", true},
                    MatchCase{"IMG", false, false, "holiday img.jpg", true},
                    MatchCase{"img", true, false, "IMG_0001.JPG", false},
                    MatchCase{"IMG", true, false, "IMG_0001.JPG", true},
                    MatchCase{"img", false, false, "photo.jpg", false},
                    MatchCase{"img_0001.jpg", false, true, "IMG_0001.JPG", true},
                    MatchCase{"img_0001.jpg", true, true, "IMG_0001.JPG", false},
                    MatchCase{"img", false, true, "img.jpg", false},
                    MatchCase{"img.jpg", false, true, "img.jpg.bak", false},
                    MatchCase{"", false, false, "anything.png", true},
                    MatchCase{"", true, true, "anything.png", true},
                    MatchCase{"Ä", false, false, "ä.jpg", false}));

// A coordinator with the finder and the basket registered, as the program
// starts them, over real folders of C:.
class FinderFormTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
        RegisterTool(Tool::Finder, {.window = [] { return std::make_unique<TFinderForm1>(); }});
    }
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        UnregisterTool(Tool::Finder);
        UnregisterTool(Tool::Basket);
    }

    TFinderForm1 *finder() { return dynamic_cast<TFinderForm1 *>(coordinator->ToolWindow(Tool::Finder)); }
    TBasketForm1 *basket() { return dynamic_cast<TBasketForm1 *>(coordinator->ToolWindow(Tool::Basket)); }

    // A folder of C: with a small picture for each name.
    CPath namedFolder(const QString &folder, const QStringList &names)
    {
        for (const QString &name : names)
            writeJpegFile(folder + "/" + name, 40, 30);
        return windows(folder);
    }

    static void writeBasket(const QStringList &paths)
    {
        QByteArray bytes;
        for (const QString &path : paths)
            bytes += path.toUtf8() + "\r\n";
        WriteHostFile(HostPathFromWindows(BasketFilePath().c_str()), bytes);
    }

    // The file names of the selected thumbnails, in byte order.
    static QStringList selectedNames(TBrowseForm1 *form)
    {
        QStringList names;
        for (TThumbnail *thumbnail : form->ThumbBox->GetSelected())
            names << thumbnail->GetThumbBitmap()->GetHandler().GetName().ToAnsiString();
        names.sort();
        return names;
    }
    static QStringList selectedNames(TBasketForm1 *form)
    {
        QStringList names;
        const TStringList paths = form->SelectedPaths();
        for (int index = 0; index < paths.Count(); ++index)
            names << paths[index].section(u'\\', -1);
        return names;
    }

    void find(const QString &pattern)
    {
        finder()->PatternCombo->setEditText(pattern);
        finder()->FindButton->click();
    }

    static QStringList history(TFinderForm1 *form)
    {
        QStringList items;
        for (int index = 0; index < form->PatternCombo->count(); ++index)
            items << form->PatternCombo->itemText(index);
        return items;
    }
};

TEST_F(FinderFormTest, APatternSelectsAcrossEveryWindowAndTheBasket)
{
    TBrowseForm1 *one = open(namedFolder("One", {"IMG_0001.jpg", "holiday.jpg", "img.jpg"}), 3);
    TBrowseForm1 *two = open(namedFolder("Two", {"Img_0002.JPG", "beach.jpg"}), 2);
    // Runs of matching rows, the last one at the end of the list.
    QStringList basketPaths;
    for (const char *name : {"img.jpg", "img2.jpg", "dunes.jpg", "last_IMG.jpg"})
        basketPaths << writeJpegFile(QStringLiteral("Three/") + name, 40, 30).ToAnsiString();
    writeBasket(basketPaths);

    TFinderForm1 *form = finder();
    ASSERT_NE(form, nullptr);
    form->show();
    form->IncludeBasketCheck->setChecked(true);
    find("img");
    EXPECT_EQ(selectedNames(one), (QStringList{"IMG_0001.jpg", "img.jpg"}));
    EXPECT_EQ(selectedNames(two), QStringList{"Img_0002.JPG"});
    EXPECT_EQ(selectedNames(basket()), (QStringList{"img.jpg", "img2.jpg", "last_IMG.jpg"}));
    EXPECT_TRUE(basket()->isVisible()) << "a basket with a match shows itself";
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("6 matches"));

    form->ExactMatchCheck->setChecked(true);
    find("IMG.JPG");
    EXPECT_EQ(selectedNames(one), QStringList{"img.jpg"}) << "the earlier selection was cleared";
    EXPECT_TRUE(selectedNames(two).isEmpty());
    EXPECT_EQ(selectedNames(basket()), QStringList{"img.jpg"});
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("2 matches"));

    form->MatchCaseCheck->setChecked(true);
    find("IMG.JPG");
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("No matches"));

    form->MatchCaseCheck->setChecked(false);
    form->ExactMatchCheck->setChecked(false);
    form->IncludeBasketCheck->setChecked(false);
    form->ClearSelectionCheck->setChecked(false);
    find("beach");
    find("holiday");
    EXPECT_EQ(selectedNames(two), QStringList{"beach.jpg"}) << "without clearing, a selection stays";
    EXPECT_EQ(selectedNames(one), QStringList{"holiday.jpg"});
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("1 match")) << "the basket was left out";
}

TEST_F(FinderFormTest, AnEmptyPatternSelectsEveryThumbnailAndMoveBringsMatchesToTheTop)
{
    TBrowseForm1 *one = open(pictureFolder("One", 4), 4);
    TBrowseForm1 *two = open(pictureFolder("Two", 3), 3);
    TFinderForm1 *form = finder();
    form->show();
    find("");
    EXPECT_EQ(one->ThumbBox->SelectedCount(), 4);
    EXPECT_EQ(two->ThumbBox->SelectedCount(), 3);
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("7 matches"));

    form->MoveSelectionCheck->setChecked(true);
    find("p002");
    EXPECT_EQ(selectedNames(one), QStringList{"p002.jpg"});
    EXPECT_EQ(one->ThumbBox->Thumbnail(0)->GetThumbBitmap()->GetHandler().GetName(), "p002.jpg");
}

TEST_F(FinderFormTest, WithNoWindowAndNoBasketTheCountReadsNoMatches)
{
    TFinderForm1 *form = finder();
    form->show();
    form->IncludeBasketCheck->setChecked(false);
    find("");
    EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("No matches"));
    EXPECT_FALSE(form->IsSearching());
}

TEST_F(FinderFormTest, TheHistoryKeepsTenPatternsNewestFirstBesideTheWindowsOptions)
{
    TFinderForm1 *form = finder();
    form->show();
    form->MatchCaseCheck->setChecked(true);
    form->move(40, 30);
    form->hide();   // the options are stored in the shared section
    form->show();
    for (int number = 1; number <= 11; ++number)
        find(QStringLiteral("pattern%1").arg(number));
    find("pattern5");   // held already: stays where it is
    EXPECT_EQ(form->PatternCombo->count(), 11);
    EXPECT_EQ(form->PatternCombo->itemText(0), QStringLiteral("pattern11"));

    EXPECT_EQ(SettingsStore->ReadInteger("Finder", "Count", -1), 10);
    EXPECT_EQ(SettingsStore->ReadString("Finder", "Pattern 1", QString()), QStringLiteral("pattern11"));
    EXPECT_EQ(SettingsStore->ReadString("Finder", "Pattern 10", QString()), QStringLiteral("pattern2"));
    EXPECT_FALSE(SettingsStore->ValueExists("Finder", "Pattern 11"));
    EXPECT_EQ(SettingsStore->ReadInteger("Finder", "Selected", -1), form->PatternCombo->currentIndex());
    EXPECT_TRUE(SettingsStore->ValueExists("Finder", "Match Case")) << "saving the history keeps the options";

    TFinderForm1 again;
    QStringList expected;
    for (int number = 11; number >= 2; --number)
        expected << QStringLiteral("pattern%1").arg(number);
    EXPECT_EQ(history(&again), expected);
    EXPECT_EQ(again.PatternCombo->currentText(), QStringLiteral("pattern5"));
    again.show();
    EXPECT_TRUE(again.MatchCaseCheck->isChecked());
    EXPECT_EQ(again.pos(), QPoint(40, 30));
}

TEST_F(FinderFormTest, AHostileHistoryLoadsWithinItsBounds)
{
    struct Stored
    {
        int count;
        int selected;
        int items;
        QString current;
    };
    for (const Stored &row : {Stored{1 << 30, 3, 10, "p4"}, Stored{-7, 0, 0, ""}, Stored{2, 99, 2, ""},
                              Stored{2, -5, 2, ""}, Stored{3, 2, 3, "p3"}}) {
        SCOPED_TRACE(row.count);
        SettingsStore->EraseSection("Finder");
        for (int number = 1; number <= 12; ++number)
            SettingsStore->WriteString("Finder", QStringLiteral("Pattern %1").arg(number), QStringLiteral("p%1").arg(number));
        SettingsStore->WriteInteger("Finder", "Count", row.count);
        SettingsStore->WriteInteger("Finder", "Selected", row.selected);
        TFinderForm1 form;
        EXPECT_EQ(form.PatternCombo->count(), row.items);
        EXPECT_EQ(form.PatternCombo->currentText(), row.current);
    }
}

TEST_F(FinderFormTest, SavingDropsStalePatternsOnly)
{
    SettingsStore->WriteInteger("Finder", "Count", 2);
    SettingsStore->WriteString("Finder", "Pattern 1", "old1");
    SettingsStore->WriteString("Finder", "Pattern 2", "old2");
    SettingsStore->WriteString("Finder", "Pattern 7", "stale");
    SettingsStore->WriteInteger("Finder", "Exact Match", 1);
    TFinderForm1 *form = finder();
    form->show();
    EXPECT_TRUE(form->ExactMatchCheck->isChecked());
    find("new");
    EXPECT_EQ(history(form), (QStringList{"new", "old1", "old2"}));
    EXPECT_FALSE(SettingsStore->ValueExists("Finder", "Pattern 7"));
    EXPECT_EQ(SettingsStore->ReadString("Finder", "Pattern 3", QString()), QStringLiteral("old2"));
    EXPECT_EQ(SettingsStore->ReadInteger("Finder", "Exact Match", 0), 1);
}

TEST_F(FinderFormTest, AnOffScreenPlaceIsCentredAndCtrlFCloses)
{
    TFinderForm1 *form = finder();
    form->Options.SetInt(TFinderForm1::Left, -300);
    form->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->pos(), QPoint((screen.width() - form->width()) / 2, (screen.height() - form->height()) / 2));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Image Finder - Vantrel's Image Organiser"));

    QKeyEvent control(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::sendEvent(form, &control);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FinderFormTest, EnterFindsOnceWhereverTheFocusIs)
{
    TBrowseForm1 *one = open(namedFolder("One", {"img.jpg", "beach.jpg"}), 2);
    TFinderForm1 *form = finder();
    form->show();
    for (QWidget *focus : {static_cast<QWidget *>(form->PatternCombo->lineEdit()),
                           static_cast<QWidget *>(form->IncludeBasketCheck)}) {
        SCOPED_TRACE(focus->objectName().toStdString());
        SettingsStore->EraseSection("Finder");
        form->PatternCombo->clear();
        form->PatternCombo->setEditText("img");
        form->ResultLabel->clear();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(focus, &enter);
        EXPECT_EQ(form->ResultLabel->text(), QStringLiteral("1 match"));
        EXPECT_EQ(selectedNames(one), QStringList{"img.jpg"});
        EXPECT_EQ(history(form), QStringList{"img"});
    }
}

TEST_F(FinderFormTest, TheBasketsFinderCommandTicksIncludeBasket)
{
    TFinderForm1 *form = finder();
    TBasketForm1 *list = basket();
    list->show();
    EXPECT_FALSE(form->isVisible());
    list->FinderWindow1Click();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->IncludeBasketCheck->isChecked());
    list->FinderWindow1Click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->Options.GetInt(TFinderForm1::IncludeBasket), 1) << "stored as the window hid";
}

} // namespace
