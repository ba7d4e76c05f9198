#include "../FakeDesktop.h"
#include "../Source/GlobTestSupport.h"
#include "../TestSupport.h"
#include "../windows/BrowseFormTestSupport.h"

#include <Source/Glob.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/OpenWith.h>
#include <Source/tools/RegisterTools.h>
#include <Source/windows/ToolHost.h>
#include <lib/SafeRegIniFile.h>
#include <platform/HostPath.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<QString, QString>>;   // caption, command

Entries entriesOf(const std::vector<OpenWithApplication> &applications)
{
    Entries entries;
    for (const OpenWithApplication &application : applications)
        entries.emplace_back(application.caption.ToAnsiString(), application.command.ToAnsiString());
    return entries;
}

void writeValue(const QString &name, const QString &value)
{
    SettingsStore->WriteString(QString::fromLatin1(ApplicationsSection), name, value);
}

void store(const QString &count, const Entries &entries)
{
    writeValue(QStringLiteral("Count"), count);
    for (size_t i = 0; i < entries.size(); ++i) {
        writeValue(QStringLiteral("Name%1").arg(i + 1), entries[i].first);
        writeValue(QStringLiteral("App%1").arg(i + 1), entries[i].second);
    }
}

const std::pair<QString, QString> Registered{QStringLiteral("&Registered Association"), QStringLiteral("#Registered")};
const std::pair<QString, QString> Internal{QStringLiteral("Internal &Viewer"), QStringLiteral("#Internal")};
const std::pair<QString, QString> Gimp{QStringLiteral("GIMP"), QStringLiteral("Z:\\usr\\bin\\gimp")};

TEST(OpenWithList, KeepsTheStoredEntriesAndTheTwoBuiltInOnes)
{
    GlobalsScope globals;
    const struct
    {
        const char *what;
        QString count;
        Entries stored;
        Entries expected;
    } cases[] = {
        {"an empty store", QString(), {}, {Registered, Internal}},
        {"a program alone", QStringLiteral("1"), {Gimp}, {Gimp, Registered, Internal}},
        {"one built-in entry alone gets both appended, so it stands twice", QStringLiteral("1"),
         {{QStringLiteral("Shell"), QStringLiteral("#Registered")}},
         {{QStringLiteral("Shell"), QStringLiteral("#Registered")}, Registered, Internal}},
        {"both built-in entries stay where they are", QStringLiteral("3"), {Internal, Gimp, Registered},
         {Internal, Gimp, Registered}},
        {"a count past the stored entries", QStringLiteral("5"), {Gimp}, {Gimp, Registered, Internal}},
        {"a count smaller than the entries", QStringLiteral("1"), {Gimp, Internal, Registered},
         {Gimp, Registered, Internal}},
        {"a negative count", QStringLiteral("-4"), {Gimp}, {Registered, Internal}},
        {"a count that is no number", QStringLiteral("many"), {Gimp}, {Registered, Internal}},
        {"an entry without its command is left out", QStringLiteral("2"),
         {{QStringLiteral("Lost"), QString()}, Gimp}, {Gimp, Registered, Internal}},
        {"an entry without its name shows its command", QStringLiteral("1"), {{QString(), Gimp.second}},
         {{Gimp.second, Gimp.second}, Registered, Internal}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SettingsStore->EraseSection(QString::fromLatin1(ApplicationsSection));
        if (!c.count.isNull())
            store(c.count, c.stored);
        EXPECT_EQ(entriesOf(LoadApplicationList()), c.expected);
    }
}

// A damaged or hostile count would read the store two billion times.
TEST(OpenWithList, ReadsNoFurtherThanTheLimitWhateverTheCount)
{
    GlobalsScope globals;
    store(QStringLiteral("2147483647"), {Gimp});
    writeValue(QStringLiteral("Name%1").arg(MaxApplicationCount), QStringLiteral("Last"));
    writeValue(QStringLiteral("App%1").arg(MaxApplicationCount), QStringLiteral("Z:\\usr\\bin\\last"));
    writeValue(QStringLiteral("Name%1").arg(MaxApplicationCount + 1), QStringLiteral("Beyond"));
    writeValue(QStringLiteral("App%1").arg(MaxApplicationCount + 1), QStringLiteral("Z:\\usr\\bin\\beyond"));
    EXPECT_EQ(entriesOf(LoadApplicationList()),
              (Entries{Gimp, {QStringLiteral("Last"), QStringLiteral("Z:\\usr\\bin\\last")}, Registered, Internal}));
}

TEST(OpenWithList, OpenUsesTheFirstEntry)
{
    GlobalsScope globals;
    TOpenWithList list;
    EXPECT_EQ(list.firstApplication(), CString(RegisteredApplication)) << "an empty store";
    store(QStringLiteral("3"), {Internal, Gimp, Registered});
    EXPECT_EQ(list.firstApplication(), CString(InternalViewerApplication));
    store(QStringLiteral("1"), {Gimp});
    EXPECT_EQ(list.firstApplication(), CString("Z:\\usr\\bin\\gimp"));
}

// The viewer windows: each opened path is kept.
class RecordingViewer : public ViewerHooks
{
public:
    RecordingViewer() { SetViewerHooks(this); }
    ~RecordingViewer() override { SetViewerHooks(nullptr); }
    void openViewer(const CPath &path) override { opened.push_back(path.ToAnsiString()); }

    std::vector<QString> opened;
};

// The browse window with the program's own tools registered.
class OpenWithMenuTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTools();
    }
    void TearDown() override
    {
        for (size_t tool = 0; tool < ToolCount; ++tool)
            UnregisterTool(Tool(tool));
        BrowseFormTest::TearDown();
    }

    // The browse window's Open With menu of the Image menu (the first made).
    static QMenu *openWithMenu(TBrowseForm1 *form)
    {
        for (QMenu *menu : form->findChildren<QMenu *>()) {
            if (menu->title() == QStringLiteral("Open Wit&h"))
                return menu;
        }
        return nullptr;
    }
    static QStringList captions(QMenu *menu)
    {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        return texts;
    }
};

TEST_F(OpenWithMenuTest, TheBrowseWindowOffersTheListAndEachEntryOpensTheSelection)
{
    const std::string programLog = TestHostFolder() + "/program.log";
    const std::string program = TestHostFolder() + "/my viewer";
    FakeDesktop::writeLoggingProgram(program, programLog);
    store(QStringLiteral("1"), {{QStringLiteral("My &Viewer"), QString::fromStdString(WindowsPathFromHost(program))}});

    const CPath full = pictureFolder("Full", 2);
    TBrowseForm1 *form = open(full, 2);
    form->ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    form->ThumbBox->Thumbnail(1)->SetSelected(true);
    form->UpdateCommandStates();
    QMenu *menu = openWithMenu(form);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->menuAction()->isEnabled());
    ASSERT_EQ(captions(menu), (QStringList{QStringLiteral("My &Viewer"), QStringLiteral("&Registered Association"),
                                           QStringLiteral("Internal &Viewer")}));

    RecordingViewer viewer;
    menu->actions()[2]->trigger();
    EXPECT_EQ(viewer.opened, (std::vector<QString>{windows("Full/p001.jpg").ToAnsiString()}));

    menu->actions()[0]->trigger();
    EXPECT_EQ(FakeDesktop::waitForFile(programLog), QByteArray::fromStdString(host("Full/p001.jpg") + "\n"));
    EXPECT_TRUE(boxes.empty());
}

// A change of the list reaches the menus when they are reloaded, as the
// preferences do after OK.
TEST_F(OpenWithMenuTest, AReloadShowsTheChangedList)
{
    const CPath full = pictureFolder("Full", 1);
    TBrowseForm1 *form = open(full, 1);
    QMenu *menu = openWithMenu(form);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(captions(menu), (QStringList{QStringLiteral("&Registered Association"), QStringLiteral("Internal &Viewer")}));
    store(QStringLiteral("3"), {Internal, Gimp, Registered});
    coordinator->ReloadOpenWithMenus();
    EXPECT_EQ(captions(menu), (QStringList{QStringLiteral("Internal &Viewer"), QStringLiteral("GIMP"),
                                           QStringLiteral("&Registered Association")}));
}

} // namespace
