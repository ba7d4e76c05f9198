#include <lib/controls/HistoryComboBox.h>

#include <platform/RegIniFile.h>

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QStringList>

namespace {

QStringList entries(const THistoryComboBox &box)
{
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list.append(box.itemText(i));
    return list;
}

THistoryComboBox *boxWith(const QStringList &newestFirst)
{
    auto *box = new THistoryComboBox;
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it)
        box->AddToHistory(*it, false);
    return box;
}

const QString Key = QStringLiteral("Software\\Zilo Test");
const QString Section = QStringLiteral("Folders");

} // namespace

TEST(THistoryComboBox, KeepsTheMostRecentEntryOnTop)
{
    // selectedBefore: the entry selected before, -1 for none with "typed"
    // in the edit field; text: what the edit field shows after.
    const struct {
        QStringList before; int selectedBefore; QString added; bool select;
        QStringList after; int selected; QString text;
    } cases[] = {
        {{"a", "b", "c"}, -1, "b", false, {"b", "a", "c"}, -1, "typed"},
        {{"a", "b", "c"}, 2, "b", false, {"b", "a", "c"}, 2, "c"},
        {{"a", "b", "c"}, 0, "c", false, {"c", "a", "b"}, 1, "a"},
        {{"a", "b", "c"}, 1, "b", false, {"b", "a", "c"}, 0, "b"},
        {{"a", "b", "c"}, -1, "d", true, {"d", "a", "b", "c"}, 0, "d"},
        {{"a", "b", "c"}, 0, "c", true, {"c", "a", "b"}, 0, "c"},
        {{"a", "b", "c"}, -1, "", true, {"a", "b", "c"}, -1, "typed"},
        {{"C:\\Pics", "C:\\Other"}, -1, "c:\\pics", false, {"c:\\pics", "C:\\Other"}, -1, "typed"},   // one folder
        {{}, -1, "first", false, {"first"}, -1, "typed"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.added.toStdString() + " after " + std::to_string(c.selectedBefore));
        std::unique_ptr<THistoryComboBox> box(boxWith(c.before));
        box->setCurrentIndex(c.selectedBefore);
        if (c.selectedBefore < 0)
            box->setEditText(QStringLiteral("typed"));
        box->AddToHistory(c.added, c.select);
        EXPECT_EQ(entries(*box), c.after);
        EXPECT_EQ(box->currentIndex(), c.selected);
        EXPECT_EQ(box->lineEdit()->text(), c.text);
    }
}

TEST(THistoryComboBox, SelectsOnlyAnEntryThatIsThere)
{
    std::unique_ptr<THistoryComboBox> box(boxWith({"one", "two"}));
    box->SelectItem(QStringLiteral("TWO"));
    EXPECT_EQ(box->currentIndex(), 1);
    box->SelectItem(QStringLiteral("three"));
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(box->lineEdit()->text(), "two");
}

TEST(THistoryComboBox, SavesTheFirstCapacityEntriesAndRemovesOldOnesUpToTheFirstGap)
{
    TRegIniFile file(Key);
    for (int number = 1; number <= 30; ++number) {
        if (number != 27)
            file.WriteString(Section, QStringLiteral("History %1").arg(number), QStringLiteral("old %1").arg(number));
    }
    QStringList added;
    for (int i = 0; i < 25; ++i)
        added.append(QStringLiteral("new %1").arg(i));
    std::unique_ptr<THistoryComboBox> box(boxWith(added));
    box->SetCapacity(20);
    box->SaveState(file, Section, QStringLiteral("History"), false);

    for (int number = 1; number <= 20; ++number)
        EXPECT_EQ(file.ReadString(Section, QStringLiteral("History %1").arg(number), {}),
                  QStringLiteral("new %1").arg(number - 1));
    for (int number = 21; number <= 27; ++number)
        EXPECT_FALSE(file.ValueExists(Section, QStringLiteral("History %1").arg(number))) << number;
    for (int number = 28; number <= 30; ++number)   // beyond the gap
        EXPECT_TRUE(file.ValueExists(Section, QStringLiteral("History %1").arg(number))) << number;
    EXPECT_FALSE(file.ValueExists(Section, QStringLiteral("History Index")));
}

TEST(THistoryComboBox, LoadsAroundGapsUpToItsCapacity)
{
    TRegIniFile file(Key);
    for (int number : {1, 2, 4, 5, 6})
        file.WriteString(Section, QStringLiteral("Recent %1").arg(number), QStringLiteral("entry %1").arg(number));
    file.WriteString(Section, QStringLiteral("Recent 3"), QString());
    THistoryComboBox box;
    box.SetCapacity(5);
    box.AddToHistory(QStringLiteral("dropped"), true);
    EXPECT_EQ(box.LoadState(file, Section, QStringLiteral("Recent"), false), -1);
    EXPECT_EQ(entries(box), (QStringList{"entry 1", "entry 2", "entry 4", "entry 5"}));
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.lineEdit()->text(), "");
}

TEST(THistoryComboBox, RoundTripsTheSelectionAndRefusesOneOutsideTheList)
{
    TRegIniFile file(Key);
    std::unique_ptr<THistoryComboBox> saved(boxWith({"a", "b", "c"}));
    saved->SelectItem(QStringLiteral("b"));
    saved->SaveState(file, Section, QStringLiteral("Target"), true);
    EXPECT_EQ(file.ReadInteger(Section, QStringLiteral("Target Index"), -9), 1);

    THistoryComboBox box;
    EXPECT_EQ(box.LoadState(file, Section, QStringLiteral("Target"), true), 1);
    EXPECT_EQ(box.lineEdit()->text(), "b");
    for (int stored : {3, -2, 1000}) {
        SCOPED_TRACE(stored);
        file.WriteInteger(Section, QStringLiteral("Target Index"), stored);
        EXPECT_EQ(box.LoadState(file, Section, QStringLiteral("Target"), true), -1);
        EXPECT_EQ(box.currentIndex(), -1);
        EXPECT_EQ(box.lineEdit()->text(), "");
        EXPECT_EQ(box.count(), 3);
    }
}
