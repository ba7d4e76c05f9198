// The folder tree opening a folder of many subfolders, timed offscreen:
//     FolderTreeBench SCRATCH_FOLDER [--no-expand]
// SCRATCH_FOLDER gets a folder "Big" of 10,000 subfolders (made once and
// kept) and a drive map that makes SCRATCH_FOLDER the drive C:. Each of five
// rounds builds a tree 300 x 600, shown, selects C:\Big and then times the user's
// expansion of "Big": listing it, adding its nodes and painting the tree with
// them. It prints each round and the minimum, median and maximum against the
// goal of 200 ms. With --no-expand it builds the trees and stops before the
// expansion, so that two whole-process timings set side by side give the
// expansion's share. Settings go to the scratch folder unless ZILO_REGISTRY is set.

#include <lib/controls/DirectoryTreeView.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

constexpr int SubfolderCount = 10000;
constexpr int Rounds = 5;

static void makeScratch(const fs::path &scratch)
{
    const fs::path big = scratch / "Big";
    if (!fs::exists(big / ("folder " + std::to_string(SubfolderCount - 1)))) {
        for (int i = 0; i < SubfolderCount; ++i)
            fs::create_directories(big / ("folder " + std::to_string(i)));
    }
    std::ofstream(scratch / "drives.map") << "C:\t" << scratch.string() << "\tfixed\t1234-5678\tBench\n";
    ::setenv("ZILO_DRIVE_MAP", (scratch / "drives.map").c_str(), 1);
    if (!std::getenv("ZILO_REGISTRY"))
        ::setenv("ZILO_REGISTRY", (scratch / "Registry.db").c_str(), 1);
}

// Milliseconds from the expansion's start to the tree painted with its nodes.
static double timeOneExpansion(bool expand)
{
    TDirectoryTreeView tree;
    tree.resize(300, 600);
    tree.show();
    tree.SetDirectory(QStringLiteral("C:\\Big"));
    QTreeWidgetItem *big = tree.currentItem();
    if (!big || big->text(0) != QStringLiteral("Big")) {
        std::fprintf(stderr, "the drive C: holds no folder Big\n");
        std::exit(1);
    }
    QApplication::processEvents();
    if (!expand)
        return 0;
    QElapsedTimer timer;
    timer.start();
    big->setExpanded(true);
    tree.viewport()->repaint();
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    if (big->childCount() != SubfolderCount) {
        std::fprintf(stderr, "Big shows %d folders, not %d\n", big->childCount(), SubfolderCount);
        std::exit(1);
    }
    return milliseconds;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: FolderTreeBench SCRATCH_FOLDER [--no-expand]\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const bool expand = !(argc > 2 && std::string(argv[2]) == "--no-expand");
    fs::create_directories(argv[1]);
    makeScratch(fs::absolute(argv[1]));
    QApplication application(argc, argv);

    std::vector<double> times;
    for (int round = 0; round < Rounds; ++round) {
        times.push_back(timeOneExpansion(expand));
        if (expand)
            std::printf("round %d: expanding %d subfolders and painting them: %.1f ms\n", round + 1, SubfolderCount,
                        times.back());
    }
    if (!expand)
        return 0;
    std::sort(times.begin(), times.end());
    std::printf("expand %d subfolders: min %.1f ms, median %.1f ms, max %.1f ms (goal 200 ms)\n", SubfolderCount,
                times.front(), times[times.size() / 2], times.back());
    return 0;
}
