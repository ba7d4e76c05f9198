#include <platform/DriveDiscovery.h>
#include <platform/DriveMap.h>
#include <platform/DriveLetters.h>
#include <platform/Drives.h>
#include <platform/HostPath.h>
#include <platform/MountTable.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

TEST(MountTable, ParsesMountInfoLines)
{
    const std::vector<MountEntry> mounts = ParseMountInfo(
        "28 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard\n"
        "40 28 11:0 /sub /media/u/MY\\040DISC ro,nosuid shared:7 master:2 - iso9660 /dev/sr0 ro\n"
        "not a mount line\n"
        "41 28 0:60 / /mnt/net rw - cifs //server/share rw\n"
        "42 28 0:61 / relative rw - tmpfs tmpfs rw\n"
        "43 28 0:62 / /mnt/short rw\n");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].fileSystem, "ext4");
    EXPECT_EQ(mounts[0].deviceMajor, 254u);
    EXPECT_FALSE(mounts[0].readOnly);
    EXPECT_EQ(mounts[1].root, "/sub");
    EXPECT_EQ(mounts[1].mountPoint, "/media/u/MY DISC");
    EXPECT_EQ(mounts[1].fileSystem, "iso9660");
    EXPECT_EQ(mounts[1].source, "/dev/sr0");
    EXPECT_EQ(mounts[1].deviceMinor, 0u);
    EXPECT_TRUE(mounts[1].readOnly);
    EXPECT_EQ(mounts[2].source, "//server/share");

    EXPECT_EQ(MountOfPath(mounts, "/media/u/MY DISC/x")->fileSystem, "iso9660");
    EXPECT_EQ(MountOfPath(mounts, "/media/u/MY DISCO")->fileSystem, "ext4");
    EXPECT_FALSE(ReadMountTable().empty());
}

TEST(MountTable, NormalHostPath)
{
    const struct { const char *path; const char *normal; } cases[] = {
        {"/", "/"},           {"//a//b/", "/a/b"}, {"/a/./b/../c", "/a/c"}, {"/../..", "/"},
        {"/a/..", "/"},       {"a/b", ""},         {"", ""},                {"/a b/c\\d", "/a b/c\\d"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(NormalHostPath(c.path), c.normal);
    }
}

// Devices and sources that no machine has, so that only the mount table decides.
static const char SyntheticMounts[] =
    "28 1 250:90 / / rw - ext4 /dev/zilo-absent-root rw\n"
    "30 28 250:91 / /home/u rw - ext4 /dev/zilo-absent-home rw\n"
    "40 28 250:92 / /media/u/DISC ro - iso9660 /dev/zilo-absent-disc ro\n"
    "41 28 0:60 / /mnt/net rw - cifs //server/share rw\n"
    "42 28 0:61 / /mnt/nfs rw - nfs4 host:/export rw\n"
    "43 28 250:93 / /media/u/USB\\040STICK rw - vfat /dev/zilo-absent-usb rw\n"
    "44 28 0:70 / /dev/shm rw - tmpfs tmpfs rw\n"
    "45 28 0:71 / /mnt/net rw - cifs //server/other/pics rw\n"
    "46 28 250:94 / /srv/data rw - ext4 /dev/zilo-absent-data rw\n";

TEST(DriveDiscovery, LettersRemovableOpticalAndNetworkMountsFromD)
{
    const std::vector<DriveInfo> drives = DiscoverDrives(ParseMountInfo(SyntheticMounts), "/home/u");
    const struct { char letter; const char *root; UINT type; const char *unc; const char *label; bool readOnly; } expected[] = {
        {'C', "/home/u", DRIVE_FIXED, "", "", false},
        {'D', "/media/u/DISC", DRIVE_CDROM, "", "", true},
        {'E', "/mnt/nfs", DRIVE_REMOTE, "", "export", false},
        {'F', "/media/u/USB STICK", DRIVE_REMOVABLE, "", "", false},
        {'G', "/mnt/net", DRIVE_REMOTE, "\\\\server\\other\\pics", "pics", false},   // the later mount hides the first
        {'Z', "/", DRIVE_FIXED, "", "", false},
    };
    ASSERT_EQ(drives.size(), std::size(expected));
    std::set<DWORD> serials;
    for (size_t i = 0; i < drives.size(); ++i) {
        SCOPED_TRACE(expected[i].letter);
        EXPECT_EQ(drives[i].letter, expected[i].letter);
        EXPECT_EQ(drives[i].hostRoot, expected[i].root);
        EXPECT_EQ(drives[i].type, expected[i].type);
        EXPECT_EQ(drives[i].uncRoot, expected[i].unc);
        EXPECT_EQ(drives[i].label, expected[i].label);
        EXPECT_EQ(drives[i].readOnly, expected[i].readOnly);
        EXPECT_NE(drives[i].serialNumber, 0u);
        serials.insert(drives[i].serialNumber);
    }
    EXPECT_EQ(serials.size(), drives.size());

    // A refresh must find the same serial numbers, or recorded folders get lost.
    const std::vector<DriveInfo> again = DiscoverDrives(ParseMountInfo(SyntheticMounts), "/home/u");
    for (size_t i = 0; i < drives.size(); ++i)
        EXPECT_EQ(again[i].serialNumber, drives[i].serialNumber);
}

TEST(DriveDiscovery, HomeAndRootOnOnePartitionHaveDifferentSerials)
{
    const std::vector<DriveInfo> drives =
        DiscoverDrives(ParseMountInfo("28 1 250:90 / / rw - ext4 /dev/zilo-absent-root rw\n"), "/home/u");
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[1].letter, 'Z');
    EXPECT_NE(drives[0].serialNumber, drives[1].serialNumber);
}

TEST(DriveDiscovery, TypesFromTheMount)
{
    const struct { const char *line; UINT type; } cases[] = {
        {"1 0 0:1 / /mnt/a rw - nfs server:/x rw", DRIVE_REMOTE},
        {"1 0 0:1 / /mnt/a rw - fuse.sshfs u@host:/x rw", DRIVE_REMOTE},
        {"1 0 0:1 / /mnt/a rw - smb3 //server/x rw", DRIVE_REMOTE},
        {"1 0 250:1 / /mnt/a ro - udf /dev/zilo-absent rw", DRIVE_CDROM},
        {"1 0 250:1 / /run/media/u/STICK rw - exfat /dev/zilo-absent rw", DRIVE_REMOVABLE},
        {"1 0 0:1 / /mnt/a rw - tmpfs tmpfs rw", DRIVE_RAMDISK},
        {"1 0 0:1 / /mnt/a rw - ramfs ramfs rw", DRIVE_RAMDISK},
        {"1 0 250:1 / /mnt/a rw - xfs /dev/zilo-absent rw", DRIVE_FIXED},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<MountEntry> mounts = ParseMountInfo(c.line);
        ASSERT_EQ(mounts.size(), 1u);
        EXPECT_EQ(DriveTypeOfMount(mounts[0]), c.type);
    }
}

TEST(DriveDiscovery, VolumeSerialNumbers)
{
    const char uuid[] = "0b6e2f4c-3d1a-4f6e-9a7b-1c2d3e4f5a6b";
    EXPECT_EQ(VolumeSerialNumber("1A2B-3C4D", "/dev/sdb1\n8:17", "/"), 0x1A2B3C4Du);
    EXPECT_EQ(VolumeSerialNumber("1a2b-3c4d", "/dev/sdb1\n8:17", "/sub"), 0x1A2B3C4Du);
    EXPECT_NE(VolumeSerialNumber(uuid, "/dev/sda1\n8:1", "/"), VolumeSerialNumber(uuid, "/dev/sda1\n8:1", "/home/u"));
    // The UUID decides, not the device that may change between boots.
    EXPECT_EQ(VolumeSerialNumber(uuid, "/dev/sda1\n8:1", "/"), VolumeSerialNumber(uuid, "/dev/sdb1\n8:17", "/"));
    EXPECT_NE(VolumeSerialNumber("", "/dev/sda1\n8:1", "/"), VolumeSerialNumber("", "/dev/sdb1\n8:17", "/"));
    EXPECT_NE(VolumeSerialNumber("", "/dev/sda1\n8:1", "/"), VolumeSerialNumber("", "/dev/sda1\n8:1", "/home"));
}

TEST(DriveMap, ParsesLinesAndSkipsWhatDoesNotParse)
{
    const std::vector<MountEntry> mounts = ParseMountInfo("1 0 0:1 / / rw - ext4 /dev/x rw\n"
                                                          "2 1 0:2 / /cd ro - iso9660 /dev/sr0 ro\n");
    const std::vector<DriveInfo> drives = ParseDriveMap(
        "# letter folder type serial label [free total]\n"
        "\n"
        "D:\t/x\tremovable\t1234-ABCD\tMy Disc\n"
        "e\t/x/y/\tcdrom,readonly\t0\t\r\n"
        "S:\t/srv/share dir\tremote,source=//server/share/\tff\tShare\t100\t200\n"
        "F:\t/cd/disc\tcdrom\t7\tFrom a read-only mount\n"
        "G:\tx\tfixed\t1\trelative folder\n"
        "G:\t/x\tfloppy\t1\tunknown type\n"
        "G:\t/x\tfixed\tXYZ\tbad serial\n"
        "G:\t/x\tfixed\t123456789\tserial beyond 32 bits\n"
        "G:\t/x\tfixed\t1\tonly free\t5\n"
        "G:\t/x\tfixed\t1\tbad free\t-1\t2\n"
        "GG:\t/x\tfixed\t1\tbad letter\n"
        "G:\t/x\tfixed,bogus\t1\tbad option\n"
        "G: /x fixed 1 spaces are not separators\n",
        mounts);
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[0].letter, 'D');
    EXPECT_EQ(drives[0].hostRoot, "/x");
    EXPECT_EQ(drives[0].type, DRIVE_REMOVABLE);
    EXPECT_EQ(drives[0].serialNumber, 0x1234ABCDu);
    EXPECT_EQ(drives[0].label, "My Disc");
    EXPECT_EQ(drives[0].fileSystem, "ext4");
    EXPECT_FALSE(drives[0].readOnly);
    EXPECT_FALSE(drives[0].freeBytes);
    EXPECT_EQ(drives[1].letter, 'E');
    EXPECT_EQ(drives[1].hostRoot, "/x/y");
    EXPECT_EQ(drives[1].type, DRIVE_CDROM);
    EXPECT_TRUE(drives[1].readOnly);
    EXPECT_EQ(drives[1].serialNumber, 0u);
    EXPECT_EQ(drives[1].label, "");
    EXPECT_EQ(drives[2].hostRoot, "/srv/share dir");
    EXPECT_EQ(drives[2].uncRoot, "\\\\server\\share");
    EXPECT_EQ(drives[2].serialNumber, 0xFFu);
    EXPECT_EQ(drives[2].freeBytes, 100u);
    EXPECT_EQ(drives[2].totalBytes, 200u);
    EXPECT_EQ(drives[3].fileSystem, "iso9660");
    EXPECT_TRUE(drives[3].readOnly);
}

TEST(DriveLetterTable, RefreshesOnGetLogicalDrivesAndWhenTheMapSettingChanges)
{
    const std::string disc = TestHostFolder() + "/disc";
    fs::create_directories(disc);
    WriteDriveMap(DriveMapLine("D:", disc, "removable", "1234-ABCD", "Disc"));
    EXPECT_EQ(CurrentDriveTable()->logicalDrives(), 1u << 3);

    // Rewriting the file alone changes nothing until the next GetLogicalDrives.
    WriteHostFile(TestHostFolder() + "/drives.map", DriveMapLine("G:", disc, "removable", "1234-ABCD", "Disc").toUtf8());
    EXPECT_EQ(HostPathFromWindows("D:\\"), disc);
    EXPECT_EQ(GetLogicalDrives(), 1u << 6);
    EXPECT_EQ(HostPathFromWindows("D:\\"), "");
    EXPECT_EQ(HostPathFromWindows("G:\\"), disc);

    // Without a map the host's drives come back at once.
    ::unsetenv("ZILO_DRIVE_MAP");
    const DWORD host = CurrentDriveTable()->logicalDrives();
    EXPECT_TRUE(host & (1u << 2));
    EXPECT_TRUE(host & (1u << 25));

    // A map that cannot be read has no drives.
    ::setenv("ZILO_DRIVE_MAP", (TestHostFolder() + "/absent.map").c_str(), 1);
    EXPECT_EQ(CurrentDriveTable()->logicalDrives(), 0u);
}

TEST(DriveLetterTable, ReadersSeeWholeTablesWhileItIsRefreshed)
{
    const std::string first = TestHostFolder() + "/first";
    const std::string second = TestHostFolder() + "/second";
    fs::create_directories(first);
    fs::create_directories(second);
    const QByteArray maps[2] = {
        (DriveMapLine("D:", first, "removable", "1", "One") + DriveMapLine("E:", first, "cdrom", "2", "One")).toUtf8(),
        (DriveMapLine("G:", second, "removable", "3", "Two") + DriveMapLine("H:", second, "cdrom", "4", "Two")).toUtf8(),
    };
    WriteDriveMap(QString::fromUtf8(maps[0]));

    std::atomic<bool> stop = false;
    std::atomic<int> torn = 0;
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                const std::shared_ptr<const DriveLetterTable> table = CurrentDriveTable();
                const DWORD mask = table->logicalDrives();
                const bool whole = (mask == 0x18 && table->drive('E')->hostRoot == first)
                                   || (mask == 0xC0 && table->drive('H')->hostRoot == second);
                if (!whole)
                    ++torn;
                const std::string host = HostPathFromWindows("G:\\a");
                if (!host.empty() && host != second + "/a")
                    ++torn;
            }
        });
    }
    for (int round = 0; round < 200; ++round) {
        WriteHostFile(TestHostFolder() + "/drives.map", maps[round % 2]);
        GetLogicalDrives();
    }
    stop = true;
    for (std::thread &reader : readers)
        reader.join();
    EXPECT_EQ(torn, 0);
}
