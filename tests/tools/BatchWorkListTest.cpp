#include "BatchTestSupport.h"

#include <Source/engine/VolumePath.h>
#include <lib/Drive.h>

#include <gtest/gtest.h>

namespace {

using BatchWorkListTest = BatchTest;

TEST_F(BatchWorkListTest, AddsVolumesFoldersAndImagesOnceAndLeavesNothingForAFolderWithoutImages)
{
    writePhotos("disc/Trip/Day1", 3);
    writePhotos("disc/Trip/Day2", 2);
    WriteHostFile(host("disc/Trip/notes.txt"), "no picture");
    std::filesystem::create_directories(host("c/Empty/Inner"));
    WriteHostFile(host("disc/Trip/Day1/.hidden.jpg"), "x");

    TBatchWorkList list;
    EXPECT_EQ(scan(list, "C:\\c\\Empty", true), 0);
    EXPECT_EQ(list.topLevelItemCount(), 0) << "no folder or volume node is left behind";

    EXPECT_EQ(scan(list, "D:\\Trip", true), 5);
    EXPECT_EQ(outline(list), (QStringList{"Volume 00DD1234 in drive D:", "  D:\\Trip\\Day1", "    p0.jpg",
                                          "    p1.jpg", "    p2.jpg", "  D:\\Trip\\Day2", "    p0.jpg",
                                          "    p1.jpg"}));
    EXPECT_EQ(list.ImageTotal(), 5);
    EXPECT_EQ(list.FolderTotal(), 2);

    // Again, and one folder alone: nothing new, no second node.
    EXPECT_EQ(scan(list, "D:\\Trip", true), 0);
    EXPECT_EQ(scan(list, "D:\\Trip\\Day2", false), 0);
    writePhotos("disc/Trip/Day2", 1, "q");
    EXPECT_EQ(scan(list, "D:\\Trip\\Day2", false), 1);
    EXPECT_EQ(list.ImageTotal(), 6);
    EXPECT_EQ(list.FolderTotal(), 2);
    EXPECT_EQ(list.topLevelItemCount(), 1);
}

TEST_F(BatchWorkListTest, FoldersWhoseNamesDifferInCaseAreTwoFolders)
{
    writePhotos("c/Pics", 1);
    writePhotos("c/pics", 2);
    TBatchWorkList list;
    EXPECT_EQ(scan(list, "C:\\c\\Pics", false), 1);
    EXPECT_EQ(scan(list, "C:\\c\\pics", false), 2);
    EXPECT_EQ(outline(list), (QStringList{"Volume 0012ABCD in drive C:", "  C:\\c\\Pics", "    p0.jpg", "  C:\\c\\pics",
                                          "    p0.jpg", "    p1.jpg"}));

    std::vector<CPath> files;
    EXPECT_EQ(list.BuildWorkList(files), 0);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_STREQ(files[0].c_str(), "C:\\c\\Pics\\p0.jpg");
    EXPECT_STREQ(files[2].c_str(), "C:\\c\\pics\\p1.jpg");
    // Records find their own folder's node, never the other's.
    EXPECT_EQ(list.FindFileNode(CPath("C:\\c\\pics\\p1.jpg")), list.topLevelItem(0)->child(1)->child(1));
    EXPECT_EQ(list.FindFileNode(CPath("C:\\c\\Pics\\p1.jpg")), nullptr);
}

TEST_F(BatchWorkListTest, FoldersFollowTheirVolumeToAnotherDriveAndAnAbsentVolumeIsSkippedWithOneMessage)
{
    writePhotos("disc/Trip", 2);
    writePhotos("c/Home", 1);
    TBatchWorkList list;
    scan(list, "D:\\Trip", false);
    scan(list, "C:\\c\\Home", false);

    // The disc goes to G:.
    WriteDriveMap(drives("G:"));
    DriveTable->Update();
    list.RefreshVolumes();
    EXPECT_EQ(outline(list), (QStringList{"Volume 00DD1234 in drive G:", "  G:\\Trip", "    p0.jpg", "    p1.jpg",
                                          "Volume 0012ABCD in drive C:", "  C:\\c\\Home", "    p0.jpg"}));
    std::vector<CPath> files;
    list.BuildWorkList(files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_STREQ(files[0].c_str(), "G:\\Trip\\p0.jpg");

    // The disc is taken out.
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"));
    DriveTable->Update();
    list.RefreshVolumes();
    EXPECT_EQ(list.topLevelItem(0)->text(0), "Volume 00DD1234 (not mounted)");
    EXPECT_EQ(list.topLevelItem(0)->child(0)->text(0), "?:\\Trip");
    MessageBoxScript boxes;
    files.clear();
    list.BuildWorkList(files);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Volume Volume 00DD1234 is not mounted and will be ignored");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_STREQ(files[0].c_str(), "C:\\c\\Home\\p0.jpg");
}

TEST_F(BatchWorkListTest, RemovingANodeTakesItsCountsAlong)
{
    writePhotos("disc/A", 3);
    writePhotos("disc/B", 2);
    TBatchWorkList list;
    scan(list, "D:\\A", false);
    scan(list, "D:\\B", false);
    QTreeWidgetItem *volume = list.topLevelItem(0);
    list.RemoveNode(volume->child(0)->child(0));
    EXPECT_EQ(list.ImageTotal(), 4);
    list.RemoveNode(volume->child(0));
    EXPECT_EQ(list.ImageTotal(), 2);
    EXPECT_EQ(list.FolderTotal(), 1);
    list.RemoveNode(volume);
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_TRUE(list.Volumes().empty());
}

TEST_F(BatchWorkListTest, AStoppedScanEndsBetweenSlicesAndKeepsWhatItAdded)
{
    for (int folder = 0; folder < 30; ++folder)
        writePhotos("disc/Tree/F" + std::to_string(folder), 20);
    TBatchWorkList list;
    TBatchFolderScan adding(list, CPath("D:\\Tree"), true);
    while (adding.NewFiles() == 0)
        ASSERT_TRUE(adding.Step(0));
    adding.Stop();
    EXPECT_FALSE(adding.Step(50));
    EXPECT_GT(list.ImageTotal(), 0);
    EXPECT_LT(list.ImageTotal(), 600);
    EXPECT_EQ(list.ImageTotal(), adding.NewFiles());
}

} // namespace
