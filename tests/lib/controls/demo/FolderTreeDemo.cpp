// A window to look at the folder tree and the history combo box as a user
// would: a combo of recent folders above a tree of a small computer made in a
// scratch folder (drives A: to E: from a drive map, a desktop folder of its
// own), with some folders opened and one selected. Choosing a folder in the
// tree adds it to the history. On start it prints, one a line, the places
// worth clicking ("name x y", in the window's pixels), for
// scripts/looks/foldertree.actions to drive it with.

#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/HistoryComboBox.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

// The folders of the demo's computer, under the scratch folder.
static void makeComputer(const std::string &root)
{
    for (const char *folder : {"a", "d", "e/Holiday 2003", "e/Scans",
                               "c/Desktop/Projects", "c/Desktop/To sort", "c/Pictures/2001/January",
                               "c/Pictures/2001/February", "c/Pictures/2002", "c/Pictures/2010", "c/Pictures/Family",
                               "c/Pictures/Scans 1998", "c/Documents", "c/Music"})
        fs::create_directories(root + '/' + folder);
    fs::create_directories(root + "/config");
    std::ofstream(root + "/config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"" << root << "/c/Desktop\"\n";
    std::ofstream(root + "/drives.map") << "A:\t" << root << "/a\tremovable\t1111-1111\t\n"
                                        << "C:\t" << root << "/c\tfixed\t2222-2222\tSystem\n"
                                        << "D:\t" << root << "/d\tcdrom\t3333-3333\tHoliday CD\n"
                                        << "E:\t" << root << "/e\tremote,source=//nas/photos\t4444-4444\tPhotos\n";
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("ZILO_DRIVE_MAP", (root + "/drives.map").c_str(), 1);
    ::setenv("ZILO_REGISTRY", (root + "/Registry.db").c_str(), 1);
}

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    makeComputer(QDir(scratch.path()).canonicalPath().toStdString());
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
