#include "DriveLetters.h"

#include "DriveDiscovery.h"
#include "DriveMap.h"
#include "MountTable.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include <sys/stat.h>

bool IsDriveReady(const DriveInfo &drive)
{
    struct stat info;
    return ::stat(drive.hostRoot.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

DriveLetterTable::DriveLetterTable(std::vector<DriveInfo> drives)
{
    std::stable_sort(drives.begin(), drives.end(),
                     [](const DriveInfo &a, const DriveInfo &b) { return a.letter < b.letter; });
    for (DriveInfo &drive : drives) {
        if (m_drives.empty() || m_drives.back().letter != drive.letter)
            m_drives.push_back(std::move(drive));
    }
}

DWORD DriveLetterTable::logicalDrives() const
{
    DWORD mask = 0;
    for (const DriveInfo &drive : m_drives)
        mask |= DWORD(1) << (drive.letter - 'A');
    return mask;
}

const DriveInfo *DriveLetterTable::drive(char letter) const
{
    const char upper = letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : letter;
    for (const DriveInfo &drive : m_drives) {
        if (drive.letter == upper)
            return &drive;
    }
    return nullptr;
}

static bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

static bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return isSeparator(x) ? isSeparator(y) : lower(x) == lower(y);
           });
}

const DriveInfo *DriveLetterTable::driveOfUnc(std::string_view uncPath, std::string_view &rest) const
{
    const DriveInfo *best = nullptr;
    for (const DriveInfo &drive : m_drives) {
        const size_t length = drive.uncRoot.size();
        const bool holds = length > 0 && uncPath.size() >= length
                           && equalsNoCase(uncPath.substr(0, length), drive.uncRoot)
                           && (uncPath.size() == length || isSeparator(uncPath[length]));
        if (holds && (!best || length > best->uncRoot.size()))
            best = &drive;
    }
    if (best)
        rest = uncPath.substr(best->uncRoot.size());
    return best;
}

const DriveInfo *DriveLetterTable::driveOfHostPath(std::string_view hostPath) const
{
    const DriveInfo *best = nullptr;
    for (const DriveInfo &drive : m_drives) {
        if (IsHostPathWithin(hostPath, drive.hostRoot) && (!best || drive.hostRoot.size() > best->hostRoot.size()))
            best = &drive;
    }
    return best;
}

static std::string driveMapSetting()
{
    const char *map = std::getenv("ZILO_DRIVE_MAP");
    return map ? std::string(map) : std::string();
}

static std::string homeFolder()
{
    const char *home = std::getenv("HOME");
    const std::string normal = NormalHostPath(home ? home : "");
    return normal.empty() ? std::string("/") : normal;
}

namespace {

struct CurrentTable
{
    std::mutex lock;                       // guards the two fields below; taken with no other lock
    std::shared_ptr<const DriveLetterTable> table;
    std::string mapSetting;                // ZILO_DRIVE_MAP when the table was built
};

} // namespace

static CurrentTable &currentTable()
{
    static CurrentTable current;
    return current;
}

// Reading the mounts and the map happens outside the lock, so readers never
// wait for the disk; of two refreshes at once, the later swap wins.
static std::shared_ptr<const DriveLetterTable> buildAndSwap(const std::string &mapSetting)
{
    const std::vector<MountEntry> mounts = ReadMountTable();
    auto table = std::make_shared<const DriveLetterTable>(mapSetting.empty() ? DiscoverDrives(mounts, homeFolder())
                                                                       : ReadDriveMap(mapSetting, mounts));
    CurrentTable &current = currentTable();
    std::lock_guard guard(current.lock);
    current.table = table;
    current.mapSetting = mapSetting;
    return table;
}

std::shared_ptr<const DriveLetterTable> CurrentDriveTable()
{
    const std::string mapSetting = driveMapSetting();
    {
        CurrentTable &current = currentTable();
        std::lock_guard guard(current.lock);
        if (current.table && current.mapSetting == mapSetting)
            return current.table;
    }
    return buildAndSwap(mapSetting);
}

std::shared_ptr<const DriveLetterTable> RefreshDriveTable()
{
    return buildAndSwap(driveMapSetting());
}
