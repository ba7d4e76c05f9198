// A window to look at the folder tree and the history combo box as a user
// would: a combo of recent folders above a tree of a small computer made in a
// scratch folder (drives A: to E: from a drive map, a desktop folder of its
// own), with some folders opened and one selected. Choosing a folder in the
// tree adds it to the history. On start it prints, one a line, the places
// worth clicking ("name x y", in the window's pixels), for
// scripts/looks/foldertree.actions to drive it with.

#include "DemoComputer.h"

#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/HistoryComboBox.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    MakeDemoComputer(QDir(scratch.path()).canonicalPath().toStdString());
    QApplication application(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Folders"));
    auto *layout = new QVBoxLayout(&window);
    auto *history = new THistoryComboBox(&window);
    for (const char *entry : {"E:\\Scans", "C:\\Pictures\\2002", "C:\\Desktop\\Projects", "C:\\Pictures\\2001"})
        history->AddToHistory(QString::fromUtf8(entry), false);
    auto *tree = new TDirectoryTreeView(&window);
    layout->addWidget(history);
    layout->addWidget(tree);
    window.resize(360, 520);

    QObject::connect(tree, &TDirectoryTreeView::OnDirOpened, history,
                     [history](const QString &path, QTreeWidgetItem *) { history->AddToHistory(path, true); });
    tree->SetDirectory(QStringLiteral("E:\\Holiday 2003"));
    tree->SetDirectory(QStringLiteral("C:\\Pictures\\2001\\January"));
    window.show();
    layout->activate();

    const QRect combo = history->geometry();
    std::printf("history-arrow %d %d\n", combo.right() - 8, combo.center().y());
    // A folder to pick: the selected one's sibling above it.
    QTreeWidgetItem *february = tree->currentItem()->parent()->child(0);
    const QRect row = tree->visualItemRect(february).translated(tree->viewport()->mapTo(&window, QPoint()));
    std::printf("tree-folder %d %d\n", row.left() + 30, row.center().y());
    std::fflush(stdout);
    return application.exec();
}
