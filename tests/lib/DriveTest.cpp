#include <lib/Drive.h>

#include <platform/Drives.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

static std::string makeFolder(const std::string &name)
{
    const std::string folder = TestHostFolder() + '/' + name;
    fs::create_directories(folder);
    return folder;
}

TEST(CDrive, NewDriveAndTypeStrings)
{
    const CDrive fresh;
    EXPECT_EQ(fresh.letter, '?');
    EXPECT_FALSE(fresh.exists);
    EXPECT_FALSE(fresh.ready);
    EXPECT_EQ(fresh.type, 0u);
    EXPECT_EQ(fresh.serialNumber, 0u);
    EXPECT_EQ(fresh.totalBytes, 0u);

    const struct { char letter; UINT type; const char *text; } cases[] = {
        {'A', DRIVE_REMOVABLE, "Floppy Disk"},   {'B', DRIVE_REMOVABLE, "Floppy Disk"},
        {'C', DRIVE_REMOVABLE, "Removable Disk"}, {'E', DRIVE_REMOVABLE, "Removable Disk"},
        {'C', DRIVE_FIXED, "Local Disk"},        {'N', DRIVE_REMOTE, "Network Connection"},
        {'D', DRIVE_CDROM, "CD-ROM Disc"},       {'R', DRIVE_RAMDISK, "RAM Disk"},
        {'A', DRIVE_FIXED, "Local Disk"},        {'E', DRIVE_UNKNOWN, ""},
        {'E', DRIVE_NO_ROOT_DIR, ""},            {'E', 7, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(1, c.letter) + " " + std::to_string(c.type));
        CDrive drive;
        drive.letter = c.letter;
        drive.type = c.type;
        EXPECT_STREQ(drive.GetTypeString(), c.text);
    }
}

TEST(CDriveAll, ConstructedTableAsksNothing)
{
    WriteDriveMap(DriveMapLine("D:", makeFolder("d"), "fixed", "1", ""));
    const CDriveAll table;
    EXPECT_STREQ(table.GetDriveLetters(-1), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_STREQ(table.GetDriveLetters(-2), "");
    EXPECT_EQ(table.GetDrive('D').letter, 'D');
    EXPECT_FALSE(table.GetDrive('D').exists);
}

TEST(CDriveAll, UpdateFillsEachDrive)
{
    const std::string disc = makeFolder("disc");
    const std::string share = makeFolder("share");
    WriteDriveMap(DriveMapLine("D:", disc, "removable", "1234-ABCD", "Holiday Disc")
                  + DriveMapLine("E:", TestHostFolder() + "/no-medium", "cdrom", "99", "Gone")
                  + DriveMapLine({"N:", QString::fromStdString(share), "remote", "7", "Share", "6000000000",
                                  "8000000000"}));
    CDriveAll table;
    table.Update();

    EXPECT_STREQ(table.GetDriveLetters(-2), "DEN");
    EXPECT_STREQ(table.GetDriveLetters(DRIVE_CDROM), "E");
    EXPECT_STREQ(table.GetDriveLetters(DRIVE_REMOTE), "N");

    const CDrive d = table.GetDrive('d');
    EXPECT_EQ(d.letter, 'D');
    EXPECT_TRUE(d.exists);
    EXPECT_TRUE(d.ready);
    EXPECT_TRUE(d.largeSizes);
    EXPECT_EQ(d.type, DRIVE_REMOVABLE);
    EXPECT_STREQ(d.volumeLabel, "Holiday Disc");
    EXPECT_FALSE(d.fileSystemName.IsEmpty());
    EXPECT_EQ(d.serialNumber, 0x1234ABCDu);
    EXPECT_GT(d.totalBytes, 0u);
    EXPECT_NE(d.bytesPerSector, 0u);

    // A drive without its medium exists but is not ready, with nothing else known.
    const CDrive e = table.GetDrive('E');
    EXPECT_TRUE(e.exists);
    EXPECT_FALSE(e.ready);
    EXPECT_EQ(e.type, DRIVE_CDROM);
    EXPECT_STREQ(e.volumeLabel, "");
    EXPECT_EQ(e.serialNumber, 0u);
    EXPECT_EQ(e.totalBytes, 0u);
    EXPECT_FALSE(table.DriveFromSerial(99));

    // Sizes beyond 32 bits come through whole.
    const CDrive n = table.GetDrive('N');
    EXPECT_EQ(n.freeBytes, 6000000000u);
    EXPECT_EQ(n.totalBytes, 8000000000u);
    // The older query's numbers are kept beside them: whole clusters of the same total.
    const uint64_t cluster = uint64_t(n.sectorsPerCluster) * n.bytesPerSector;
    ASSERT_GT(cluster, 0u);
    EXPECT_LE(n.totalClusters * cluster, n.totalBytes);
    EXPECT_GT(n.totalClusters * cluster + cluster, n.totalBytes);
}

TEST(CDriveAll, GetDriveOfANonLetterIsANewDrive)
{
    WriteDriveMap(DriveMapLine("D:", makeFolder("d"), "fixed", "1", ""));
    CDriveAll table;
    table.Update();
    for (const char c : {'@', '[', '`', '{', '0', '?', '\0', char(0xC4)}) {
        SCOPED_TRACE(int(c));
        const CDrive drive = table.GetDrive(c);
        EXPECT_EQ(drive.letter, '?');
        EXPECT_FALSE(drive.exists);
    }
}

TEST(CDriveAll, RemovableDiscIsFoundAgainByItsSerialInAnotherDrive)
{
    const std::string disc = makeFolder("disc");
    WriteDriveMap(DriveMapLine("C:", makeFolder("home"), "fixed", "1", "")
                  + DriveMapLine("D:", disc, "removable", "1234-ABCD", "Holiday"));
    CDriveAll table;
    table.Update();
    std::optional<CDrive> found = table.DriveFromSerial(0x1234ABCD);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->letter, 'D');

    // Out of D:, into G:.
    WriteDriveMap(DriveMapLine("C:", makeFolder("home"), "fixed", "1", "")
                  + DriveMapLine("D:", TestHostFolder() + "/empty-drive", "removable", "0", "")
                  + DriveMapLine("G:", disc, "removable", "1234-ABCD", "Holiday"));
    table.Update();
    found = table.DriveFromSerial(0x1234ABCD);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->letter, 'G');
    EXPECT_STREQ(found->volumeLabel, "Holiday");
    EXPECT_FALSE(table.GetDrive('D').ready);

    // Taken out altogether.
    WriteDriveMap(DriveMapLine("C:", makeFolder("home"), "fixed", "1", ""));
    table.Update();
    EXPECT_FALSE(table.DriveFromSerial(0x1234ABCD));
    EXPECT_FALSE(table.GetDrive('G').exists);
}

TEST(CDriveAll, FloppiesStayOutUntilSwitchedOn)
{
    const std::string floppy = makeFolder("floppy");
    WriteDriveMap(DriveMapLine("A:", floppy, "removable", "A1", "") + DriveMapLine("B:", floppy, "removable", "B1", "")
                  + DriveMapLine("C:", makeFolder("home"), "fixed", "C1", ""));
    CDriveAll table;
    table.Update();
    EXPECT_STREQ(table.GetDriveLetters(-2), "C");
    EXPECT_FALSE(table.DriveFromSerial(0xA1));

    table.SetEnableFloppies(true, false);
    EXPECT_STREQ(table.GetDriveLetters(-2), "AC");
    EXPECT_STREQ(table.GetDrive('A').GetTypeString(), "Floppy Disk");
    EXPECT_FALSE(table.GetDrive('B').exists);

    table.SetEnableFloppies(false, true);
    EXPECT_STREQ(table.GetDriveLetters(-2), "BC");

    // Unchanged switches do not refresh: a new drive stays unseen.
    WriteDriveMap(DriveMapLine("B:", floppy, "removable", "B1", "") + DriveMapLine("C:", makeFolder("home"), "fixed", "C1", "")
                  + DriveMapLine("D:", floppy, "removable", "D1", ""));
    table.SetEnableFloppies(false, true);
    EXPECT_STREQ(table.GetDriveLetters(-2), "BC");
}

TEST(CDriveAll, ReadyDriveWithSerialZeroGetsItsLetterCode)
{
    WriteDriveMap(DriveMapLine("D:", makeFolder("d"), "removable", "0", "")
                  + DriveMapLine("Z:", makeFolder("z"), "fixed", "0000-0000", ""));
    CDriveAll table;
    table.Update();
    EXPECT_EQ(table.GetDrive('D').serialNumber, 68u);
    EXPECT_EQ(table.GetDrive('Z').serialNumber, 90u);
    const std::optional<CDrive> found = table.DriveFromSerial(68);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->letter, 'D');
}

TEST(CDriveAll, MyGetDiskFreeSpaceEx)
{
    WriteDriveMap(DriveMapLine({"D:", QString::fromStdString(makeFolder("d")), "fixed", "1", "", "5000000000",
                                "9000000000"}));
    uint64_t freeBytes = 0, totalBytes = 0;
    ASSERT_TRUE(CDriveAll::MyGetDiskFreeSpaceEx("D:\\", freeBytes, totalBytes));
    EXPECT_EQ(freeBytes, 5000000000u);
    EXPECT_EQ(totalBytes, 9000000000u);
    EXPECT_FALSE(CDriveAll::MyGetDiskFreeSpaceEx("Q:\\", freeBytes, totalBytes));
}

TEST(CDriveAll, ReadersOnOtherThreadsWhileUpdateRuns)
{
    const std::string disc = makeFolder("disc");
    const QString maps[2] = {
        DriveMapLine("D:", disc, "removable", "1234-ABCD", "Disc One") + DriveMapLine("E:", disc, "cdrom", "E0", "Disc One"),
        DriveMapLine("G:", disc, "removable", "1234-ABCD", "Disc Two in G") + DriveMapLine("H:", disc, "cdrom", "E0", "Disc Two in G"),
    };
    WriteDriveMap(maps[0]);
    CDriveAll table;
    table.Update();

    std::atomic<bool> stop = false;
    std::atomic<int> inconsistent = 0;
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                const std::optional<CDrive> found = table.DriveFromSerial(0x1234ABCD);
                const CString letters = table.GetDriveLetters(-2);
                if (!found || (letters != "DE" && letters != "GH"))
                    ++inconsistent;
                else if ((found->letter == 'D') != (found->volumeLabel == "Disc One"))
                    ++inconsistent;
                const CDrive e = table.GetDrive('e');
                if (e.exists && e.volumeLabel != "Disc One")
                    ++inconsistent;
            }
        });
    }
    for (int round = 0; round < 100; ++round) {
        WriteHostFile(TestHostFolder() + "/drives.map", maps[round % 2].toUtf8());
        table.Update();
    }
    stop = true;
    for (std::thread &reader : readers)
        reader.join();
    EXPECT_EQ(inconsistent, 0);
}
