#include <lib/controls/DirectoryTreeView.h>

#include "../../platform/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <string>

namespace {

// A shown tree over the test's own computer that records what it reports.
class TreeFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        TestShell::makeFolder("c/Pics/Summer");
        TestShell::makeFolder("c/Pics/Winter");
        TestShell::makeFolder("c/x A:/inner");
        TestShell::makeFolder("c/Desktop/Projects");
        TestShell::makeFolder("c/Desktop2/Projects");
        tree = std::make_unique<TDirectoryTreeView>();
        tree->resize(300, 400);
        tree->show();
        QObject::connect(tree.get(), &TDirectoryTreeView::OnDirOpened, tree.get(),
                         [this](const QString &path, QTreeWidgetItem *) { opened.append(path); });
    }

    QTreeWidgetItem *root() const { return tree->topLevelItem(0); }

    // The child of node with the given text; null when none.
    static QTreeWidgetItem *child(QTreeWidgetItem *node, const QString &text)
    {
        for (int i = 0; node && i < node->childCount(); ++i) {
            if (node->child(i)->text(0) == text)
                return node->child(i);
        }
        return nullptr;
    }

    static QStringList texts(QTreeWidgetItem *node)
    {
        QStringList list;
        for (int i = 0; node && i < node->childCount(); ++i)
            list.append(node->child(i)->text(0));
        return list;
    }

    QTreeWidgetItem *computer() const { return child(root(), QStringLiteral("Computer")); }

    TestShell shell;
    std::unique_ptr<TDirectoryTreeView> tree;
    QStringList opened;
};

} // namespace

TEST_F(TreeFixture, ShowsTheDesktopOpenAndListsOnlyWhatIsOpened)
{
    ASSERT_NE(root(), nullptr);
    EXPECT_EQ(root()->text(0), "Desktop");
    EXPECT_TRUE(root()->isExpanded());
    EXPECT_EQ(texts(root()), (QStringList{"Computer", "Network", "Projects"}));
    EXPECT_EQ(computer()->childCount(), 0);   // not opened yet

    tree->SetDirectory(QStringLiteral("C:\\Pics\\Summer"));
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics\\Summer");
    EXPECT_EQ(opened, QStringList{"C:\\Pics\\Summer"});
    QTreeWidgetItem *drive = child(computer(), QStringLiteral("System (C:)"));
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(texts(drive), (QStringList{"Desktop", "Desktop2", "Pics", "x A:"}));
    // Folders beside the way were not read.
    EXPECT_EQ(child(drive, QStringLiteral("Desktop2"))->childCount(), 0);
    EXPECT_EQ(child(child(drive, QStringLiteral("Pics")), QStringLiteral("Winter"))->childCount(), 0);
    EXPECT_EQ(child(computer(), QStringLiteral("CD Drive (D:)"))->childCount(), 0);
}

TEST_F(TreeFixture, HidesFloppiesByTheirLetterOnly)
{
    tree->SetDirectory(QStringLiteral("C:\\x A:"));   // a Linux name may hold a colon
    EXPECT_EQ(tree->GetSelectedPath(SHGDN_NORMAL), "x A:");
    EXPECT_EQ(texts(computer()), (QStringList{"System (C:)", "CD Drive (D:)", "Photos (E:)"}));
}

TEST_F(TreeFixture, AFloppySwitchRebuildsAndKeepsTheSelectionSilently)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics\\Winter"));
    opened.clear();
    const QTreeWidgetItem *before = tree->currentItem();

    tree->SetEnableFloppyA(true);
    EXPECT_NE(tree->currentItem(), before);   // a new tree
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics\\Winter");
    EXPECT_EQ(texts(computer()), (QStringList{"Removable Disk (A:)", "System (C:)", "CD Drive (D:)", "Photos (E:)"}));
    EXPECT_TRUE(opened.isEmpty());

    const QTreeWidgetItem *rebuilt = tree->currentItem();
    tree->SetEnableFloppyA(true);   // unchanged: no rebuild
    tree->SetShowHidden(false);
    EXPECT_EQ(tree->currentItem(), rebuilt);

    tree->SetDirectory(QStringLiteral("C:\\Pics"));   // and reports again afterwards
    EXPECT_EQ(opened, QStringList{"C:\\Pics"});
}

TEST_F(TreeFixture, APathInTheDesktopFolderIsFoundUnderTheDesktop)
{
    const struct { QString path; QString parent; } cases[] = {
        {QStringLiteral("c:\\DESKTOP\\Projects"), QStringLiteral("Desktop")},
        {QStringLiteral("C:\\Desktop2\\Projects"), QStringLiteral("Desktop2")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        tree->SetDirectory(c.path);
        QTreeWidgetItem *selected = tree->currentItem();
        ASSERT_NE(selected, nullptr);
        EXPECT_EQ(selected->text(0), "Projects");
        EXPECT_EQ(selected->parent()->text(0), c.parent);
    }
    EXPECT_EQ(tree->currentItem()->parent()->parent()->text(0), "System (C:)");
    tree->SetDirectory(QStringLiteral("C:\\Desktop\\Projects"));
    EXPECT_EQ(tree->currentItem()->parent(), root());
    EXPECT_EQ(tree->GetDirectory(), "C:\\Desktop\\Projects");
}

TEST_F(TreeFixture, APathThatLeadsNowhereKeepsTheSelection)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics"));
    opened.clear();
    // Even where the desktop itself could be selected, a path that does not
    // parse does not fall back to it.
    tree->SetAllowNonFileSystemSelection(true);
    for (const char *path : {"Q:\\Pics", "C:\\Pics\\Autumn", "relative\\name"}) {
        SCOPED_TRACE(path);
        tree->SetDirectory(QString::fromUtf8(path));
        EXPECT_EQ(tree->GetDirectory(), "C:\\Pics");
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(TreeFixture, RefusesNodesWithoutAFolderPathAndWhatTheOwnerRefuses)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics"));
    tree->setCurrentItem(computer());
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics");

    tree->SetAllowNonFileSystemSelection(true);
    tree->setCurrentItem(computer());
    EXPECT_EQ(tree->GetDirectory(), ComputerParsingName);

    QStringList asked;
    QObject::connect(tree.get(), &TDirectoryTreeView::OnDirOpening, tree.get(),
                     [&asked](const QString &path, bool &allow, QTreeWidgetItem *) {
                         asked.append(path);
                         allow = false;
                     });
    opened.clear();
    tree->SetDirectory(QStringLiteral("C:\\Pics\\Summer"));
    EXPECT_EQ(asked, QStringList{"C:\\Pics\\Summer"});
    EXPECT_EQ(tree->GetDirectory(), ComputerParsingName);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(TreeFixture, HiddenFoldersShowOnlyWhenAsked)
{
    TestShell::makeFolder("c/Pics/.cache");
    tree->SetDirectory(QStringLiteral("C:\\Pics"));
    tree->currentItem()->setExpanded(true);
    EXPECT_EQ(texts(tree->currentItem()), (QStringList{"Summer", "Winter"}));
    tree->SetShowHidden(true);
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics");
    tree->currentItem()->setExpanded(true);
    EXPECT_EQ(texts(tree->currentItem()), (QStringList{".cache", "Summer", "Winter"}));
}

TEST_F(TreeFixture, AFolderWithoutSubfoldersLosesItsExpander)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics\\Summer"));
    QTreeWidgetItem *summer = tree->currentItem();
    EXPECT_EQ(summer->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    summer->setExpanded(true);
    EXPECT_EQ(summer->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

TEST(TDirectoryTreeView, NamesDrivesAsTheUserReadsThem)
{
    TestShell shell;
    TestShell::makeFolder("c/Pics");
    EXPECT_EQ(TDirectoryTreeView::GetFancyDriveName(QStringLiteral("c:\\")), "System (C:)");
    EXPECT_EQ(TDirectoryTreeView::GetFancyDriveName(QStringLiteral("D:")), "CD Drive (D:)");
    EXPECT_EQ(TDirectoryTreeView::GetFancyDriveName(QStringLiteral("\\\\nas\\photos")), "photos on nas");
    EXPECT_EQ(TDirectoryTreeView::GetFancyDriveName(QStringLiteral("C:\\pics")), "Pics");
    EXPECT_EQ(TDirectoryTreeView::GetFancyDriveName(QStringLiteral("Q:\\")), "");
}

TEST_F(TreeFixture, LabelsAreEditableOnlyWhenAllowed)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics"));
    EXPECT_FALSE(tree->currentItem()->flags() & Qt::ItemIsEditable);
    tree->SetAllowEditing(true);
    EXPECT_TRUE(tree->currentItem()->flags() & Qt::ItemIsEditable);
    tree->currentItem()->setExpanded(true);   // nodes listed afterwards too
    EXPECT_TRUE(child(tree->currentItem(), QStringLiteral("Summer"))->flags() & Qt::ItemIsEditable);
    tree->SetAllowEditing(false);
    EXPECT_FALSE(child(tree->currentItem(), QStringLiteral("Summer"))->flags() & Qt::ItemIsEditable);
}

TEST_F(TreeFixture, ADragOverAFolderAsksTheOwnerAndNamesItAsTheDropTarget)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics"));
    tree->currentItem()->setExpanded(true);
    QTreeWidgetItem *winter = child(tree->currentItem(), QStringLiteral("Winter"));
    QTreeWidgetItem *summer = child(tree->currentItem(), QStringLiteral("Summer"));
    ASSERT_TRUE(winter && summer);
    // The owner takes drops on Winter only, and notes what it was asked.
    QStringList asked;
    QStringList dropped;
    QObject::connect(tree.get(), &TDirectoryTreeView::OnDragOver, tree.get(), [&](const QMimeData *, bool &accept) {
        asked.append(tree->GetDropTargetPath());
        accept = tree->GetDropTargetPath().endsWith("Winter");
    });
    QObject::connect(tree.get(), &TDirectoryTreeView::OnDragDrop, tree.get(),
                     [&](const QMimeData *) { dropped.append(tree->GetDropTargetPath()); });
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(TestHostFolder() + "/c/Pics/Summer"))});
    auto over = [&](QTreeWidgetItem *node) { return tree->visualItemRect(node).center(); };

    auto enter = [&](QTreeWidgetItem *node) {
        QDragEnterEvent event(over(node), Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    };
    auto drop = [&](QTreeWidgetItem *node) {
        QDropEvent event(QPointF(over(node)), Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    };

    // A drop where the owner refuses is no drop.
    enter(summer);
    EXPECT_EQ(tree->GetDropTargetPath(), "");
    drop(summer);
    EXPECT_TRUE(dropped.isEmpty());

    enter(summer);
    QDragMoveEvent move(over(winter), Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(tree->GetDropTargetPath(), "C:\\Pics\\Winter");
    // Shown as selected while the drag is over it.
    const QImage shown = tree->viewport()->grab().toImage();
    const QRect row = tree->visualItemRect(winter);
    EXPECT_EQ(shown.pixelColor(row.right() - 2, row.center().y()), tree->palette().color(QPalette::Highlight));
    drop(winter);
    EXPECT_EQ(dropped, QStringList{"C:\\Pics\\Winter"});
    EXPECT_EQ(tree->GetDropTargetPath(), "");
    EXPECT_EQ(asked, (QStringList{"C:\\Pics\\Summer", "C:\\Pics\\Summer", "C:\\Pics\\Summer",
                                  "C:\\Pics\\Winter", "C:\\Pics\\Winter"}));
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics");
}

// As a browse window makes it: the folder is selected while the tree is
// hidden and not yet of its size; the window then lays it out, narrow.
TEST_F(TreeFixture, ANarrowTreeEndsLongNamesInAnEllipsisAndStartsWithItsRootInView)
{
    for (int index = 0; index < 12; ++index)
        TestShell::makeFolder("c/Pics/Album " + std::to_string(index));
    TestShell::makeFolder("c/Pics/Summer holidays in the mountains of Norway and Sweden/Day one");
    QWidget panel;
    auto *narrow = new TDirectoryTreeView(&panel);
    narrow->setGeometry(0, 0, 100, 30);
    narrow->SetDirectory(QStringLiteral("C:\\Pics\\Summer holidays in the mountains of Norway and Sweden"));
    narrow->setGeometry(0, 0, 160, 420);
    panel.resize(160, 420);
    panel.show();
    QApplication::processEvents();

    QTreeWidgetItem *selected = narrow->currentItem();
    ASSERT_NE(selected, nullptr);
    ASSERT_EQ(narrow->GetDirectory(), "C:\\Pics\\Summer holidays in the mountains of Norway and Sweden");
    const QRect view = narrow->viewport()->rect();
    EXPECT_TRUE(view.contains(narrow->visualItemRect(narrow->topLevelItem(0)))) << "the root in view";
    EXPECT_TRUE(view.intersects(narrow->visualItemRect(selected))) << "and the folder shown";
    EXPECT_EQ(narrow->horizontalScrollBar()->maximum(), 0) << "nothing wider than the tree";
    EXPECT_LE(narrow->visualItemRect(selected).right(), view.right()) << "the name ends in an ellipsis";
}

TEST_F(TreeFixture, AFolderMadeAfterItsParentWasListedIsFound)
{
    tree->SetDirectory(QStringLiteral("C:\\Pics\\Summer"));
    TestShell::makeFolder("c/Pics/Autumn");
    TestShell::makeFolder("c/New Album");
    for (const char *path : {"C:\\Pics\\Autumn", "C:\\New Album"}) {
        SCOPED_TRACE(path);
        tree->SetDirectory(QString::fromLatin1(path));
        EXPECT_EQ(tree->GetDirectory(), QString::fromLatin1(path));
    }
    tree->SetDirectory(QStringLiteral("C:\\Pics\\Summer"));
    EXPECT_EQ(tree->GetDirectory(), "C:\\Pics\\Summer") << "and the folders known before it";
}
