#include "BrowseFormTestSupport.h"
#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <lib/controls/DirectoryTreeView.h>

#include <filesystem>

namespace {

TEST_F(BrowseFormTest, ADriveThatComesAppearsUnderComputerInTheFolderTree)
{
    TBrowseForm1 *form = open(pictureFolder("Pictures", 1), 1);
    const auto showsDriveG = [form] {
        return !form->DirTreeView->findItems(QStringLiteral("(G:)"), Qt::MatchContains | Qt::MatchRecursive).isEmpty();
    };
    ASSERT_FALSE(showsDriveG());
    ASSERT_FALSE(form->DirTreeView->findItems(QStringLiteral("(C:)"), Qt::MatchContains | Qt::MatchRecursive).isEmpty())
        << "the drives under Computer are listed";

    // A camera plugged in: the drive map gains G:, and nobody tells the window.
    std::filesystem::create_directories(host("Camera"));
    const QString drives = QString::fromUtf8(ReadHostFile(TestHostFolder() + "/drives.map"));
    WriteDriveMap(drives + DriveMapLine("G:", host("Camera"), "removable", "6", "Camera"));

    ASSERT_TRUE(ServeUntil(showsDriveG));
    const auto found = form->DirTreeView->findItems(QStringLiteral("(G:)"), Qt::MatchContains | Qt::MatchRecursive);
    EXPECT_EQ(found.front()->text(0), QStringLiteral("Camera (G:)"));
    EXPECT_EQ(found.front()->parent()->text(0), QStringLiteral("Computer"));
}

} // namespace
