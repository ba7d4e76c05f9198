#include <platform/DriveLetters.h>
#include <platform/Drives.h>
#include <platform/MountTable.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/statvfs.h>

namespace fs = std::filesystem;

namespace {

class Drives : public testing::Test
{
protected:
    void SetUp() override
    {
        m_disc = TestHostFolder() + "/disc";
        m_share = TestHostFolder() + "/share";
        fs::create_directories(m_disc + "/Pics");
        fs::create_directories(m_share);
        WriteDriveMap(DriveMapLine("D:", m_disc, "removable", "1234-ABCD", "Holiday Disc")
                      + DriveMapLine("E:", TestHostFolder() + "/absent", "cdrom", "5", "")
                      + DriveMapLine("F:", m_disc, "cdrom,readonly", "6", "Pressed")
                      + DriveMapLine({"N:", QString::fromStdString(m_share), "remote,source=//server/share", "7",
                                      "Share", "1000000", "2000000"})
                      + DriveMapLine({"R:", QString::fromStdString(m_share), "ramdisk", "8", "", "0",
                                      "4611686018427387904"}));
    }

    std::string m_disc;
    std::string m_share;
};

} // namespace

TEST_F(Drives, LogicalDrivesAndTypes)
{
    EXPECT_EQ(GetLogicalDrives(), (1u << 3) | (1u << 4) | (1u << 5) | (1u << 13) | (1u << 17));
    const struct { const char *root; UINT type; } cases[] = {
        {"D:\\", DRIVE_REMOVABLE}, {"d:", DRIVE_REMOVABLE},   {"D:/", DRIVE_REMOVABLE},
        {"E:\\", DRIVE_CDROM},     {"N:\\", DRIVE_REMOTE},    {"\\\\server\\share\\", DRIVE_REMOTE},
        {"\\\\SERVER\\share", DRIVE_REMOTE}, {"R:\\", DRIVE_RAMDISK},
        {"Q:\\", DRIVE_NO_ROOT_DIR}, {"D:\\Pics", DRIVE_NO_ROOT_DIR}, {"\\\\server\\share\\x", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},   {nullptr, DRIVE_NO_ROOT_DIR}, {"D", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.root ? c.root : "null");
        EXPECT_EQ(GetDriveTypeA(c.root), c.type);
    }
}

TEST_F(Drives, VolumeInformation)
{
    char label[255] = {};
    char fileSystem[255] = {};
    DWORD serial = 0, maxComponent = 0, flags = 0;
    ASSERT_TRUE(GetVolumeInformationA("D:\\", label, sizeof label, &serial, &maxComponent, &flags, fileSystem,
                                      sizeof fileSystem));
    EXPECT_STREQ(label, "Holiday Disc");
    EXPECT_EQ(serial, 0x1234ABCDu);
    EXPECT_EQ(maxComponent, 255u);
    EXPECT_EQ(flags & FILE_READ_ONLY_VOLUME, 0u);
    EXPECT_EQ(fileSystem, MountOfPath(ReadMountTable(), m_disc)->fileSystem);

    ASSERT_TRUE(GetVolumeInformationA("F:\\", nullptr, 0, &serial, nullptr, &flags, nullptr, 0));
    EXPECT_EQ(serial, 6u);
    EXPECT_NE(flags & FILE_READ_ONLY_VOLUME, 0u);

    // "Holiday Disc" needs 13 bytes with its NUL.
    EXPECT_FALSE(GetVolumeInformationA("D:\\", label, 12, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(GetVolumeInformationA("D:\\", label, 13, nullptr, nullptr, nullptr, nullptr, 0));

    EXPECT_FALSE(GetVolumeInformationA("E:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(GetVolumeInformationA("Q:\\", label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Drives, SpaceFromTheHostIsPlausible)
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("D:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    ULARGE_INTEGER freeToCaller, total, totalFree;
    ASSERT_TRUE(GetDiskFreeSpaceExA("D:\\Pics", &freeToCaller, &total, &totalFree));

    struct statvfs info;
    ASSERT_EQ(::statvfs(m_disc.c_str(), &info), 0);
    const uint64_t clusterBytes = uint64_t(sectorsPerCluster) * bytesPerSector;
    EXPECT_EQ(clusterBytes, info.f_frsize);
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(freeToCaller.QuadPart, totalFree.QuadPart);
    EXPECT_LE(totalFree.QuadPart, total.QuadPart);
    EXPECT_EQ(total.QuadPart, uint64_t(info.f_blocks) * info.f_frsize);
    EXPECT_EQ(totalClusters, std::min<uint64_t>(total.QuadPart / clusterBytes, 0xFFFFFFFFu));
    EXPECT_LE(freeClusters, totalClusters);
}

TEST_F(Drives, SpaceFromTheMapAndCountsCapped)
{
    ULARGE_INTEGER freeToCaller, total, totalFree;
    ASSERT_TRUE(GetDiskFreeSpaceExA("\\\\server\\share\\", &freeToCaller, &total, &totalFree));
    EXPECT_EQ(freeToCaller.QuadPart, 1000000u);
    EXPECT_EQ(totalFree.QuadPart, 1000000u);
    EXPECT_EQ(total.QuadPart, 2000000u);

    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("N:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    const uint64_t clusterBytes = uint64_t(sectorsPerCluster) * bytesPerSector;
    EXPECT_EQ(totalClusters, 2000000u / clusterBytes);
    EXPECT_EQ(freeClusters, 1000000u / clusterBytes);

    // 2^62 bytes are more clusters than 32 bits count: the count stops at the top.
    ASSERT_TRUE(GetDiskFreeSpaceA("R:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    EXPECT_EQ(totalClusters, 0xFFFFFFFFu);
    EXPECT_EQ(freeClusters, 0u);
    ASSERT_TRUE(GetDiskFreeSpaceExA("R:\\", nullptr, &total, nullptr));
    EXPECT_EQ(total.QuadPart, uint64_t(1) << 62);
}

TEST_F(Drives, SpaceQueriesFail)
{
    const struct { const char *path; DWORD error; } cases[] = {
        {"E:\\", ERROR_NOT_READY}, {"Q:\\", ERROR_PATH_NOT_FOUND}, {"D:\\absent", ERROR_PATH_NOT_FOUND},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        ULARGE_INTEGER total;
        EXPECT_FALSE(GetDiskFreeSpaceExA(c.path, nullptr, &total, nullptr));
        EXPECT_EQ(GetLastError(), c.error);
    }
    DWORD sectors = 0;
    EXPECT_FALSE(GetDiskFreeSpaceA("E:\\", &sectors, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(GetDiskFreeSpaceA("D:\\Pics", &sectors, nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Drives, WriteProtection)
{
    EXPECT_FALSE(IsDriveWriteProtected("D:\\"));
    EXPECT_FALSE(IsDriveWriteProtected("d:\\Pics\\a.jpg"));
    EXPECT_TRUE(IsDriveWriteProtected("F:\\"));
    EXPECT_TRUE(IsDriveWriteProtected("F:\\Pics"));
    EXPECT_FALSE(IsDriveWriteProtected("Q:\\"));
    EXPECT_FALSE(IsDriveWriteProtected(nullptr));
}

TEST(HostDrives, EveryLetterHasItsOwnNonzeroSerial)
{
    const DWORD mask = GetLogicalDrives();
    ASSERT_TRUE(mask & (1u << 2));
    ASSERT_TRUE(mask & (1u << 25));
    std::set<DWORD> serials;
    int letters = 0;
    size_t ready = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(mask & (1u << (letter - 'A'))))
            continue;
        const std::string root = std::string(1, letter) + ":\\";
        SCOPED_TRACE(root);
        ++letters;
        EXPECT_NE(GetDriveTypeA(root.c_str()), DRIVE_NO_ROOT_DIR);
        DWORD serial = 0;
        if (!GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
            continue;   // a drive without its medium
        EXPECT_NE(serial, 0u);
        serials.insert(serial);
        ++ready;
    }
    EXPECT_GE(letters, 2);
    EXPECT_EQ(serials.size(), ready);
}
