#include "DriveDiscovery.h"

#include "Drives.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// 32 bits of FNV-1a.
static uint32_t foldTo32Bits(std::string_view text)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

static bool isNetworkFileSystem(const MountEntry &mount)
{
    static const std::set<std::string, std::less<>> names = {
        "nfs",  "nfs4", "cifs", "smb3",      "smbfs",      "ncpfs",          "afs",
        "ceph", "9p",   "davfs", "glusterfs", "fuse.sshfs", "fuse.glusterfs", "fuse.rclone",
    };
    return names.count(mount.fileSystem) || mount.source.starts_with("//");
}

static bool isOpticalFileSystem(const MountEntry &mount)
{
    return mount.fileSystem == "iso9660" || mount.fileSystem == "udf" || mount.source.starts_with("/dev/sr");
}

static bool readsOne(const std::string &file)
{
    std::ifstream stream(file);
    char c = 0;
    return stream.get(c) && c == '1';
}

// The block device behind a mount: the source's device where it is one (a
// btrfs mount shows an anonymous number of its own), else the mount's number.
static dev_t deviceOfMount(const MountEntry &mount)
{
    struct stat info;
    if (mount.source.starts_with("/dev/") && ::stat(mount.source.c_str(), &info) == 0 && S_ISBLK(info.st_mode))
        return info.st_rdev;
    return makedev(mount.deviceMajor, mount.deviceMinor);
}

// A partition's flag lives on its disk, one folder up in sysfs; a USB disk
// often says it is not removable, but its device path names the bus.
static bool isRemovableDevice(dev_t device)
{
    std::string folder = "/sys/dev/block/";
    folder += std::to_string(major(device)) + ':' + std::to_string(minor(device));
    if (readsOne(folder + "/removable") || readsOne(folder + "/../removable"))
        return true;
    char resolved[PATH_MAX];
    return ::realpath(folder.c_str(), resolved) && std::string_view(resolved).find("/usb") != std::string_view::npos;
}

static bool isUnderMediaFolder(const std::string &mountPoint)
{
    return mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/");
}

UINT DriveTypeOfMount(const MountEntry &mount)
{
    if (isNetworkFileSystem(mount))
        return DRIVE_REMOTE;
    if (isOpticalFileSystem(mount))
        return DRIVE_CDROM;
    if (isUnderMediaFolder(mount.mountPoint) || (mount.source.starts_with("/dev/") && isRemovableDevice(deviceOfMount(mount))))
        return DRIVE_REMOVABLE;
    if (mount.fileSystem == "tmpfs" || mount.fileSystem == "ramfs")
        return DRIVE_RAMDISK;
    return DRIVE_FIXED;
}

// udev writes names with \xNN for characters that cannot stand in a link name.
static std::string decodeUdevName(std::string_view name)
{
    std::string text;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && std::isxdigit((unsigned char)name[i + 2])
            && std::isxdigit((unsigned char)name[i + 3])) {
            text += char(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
            continue;
        }
        text += name[i];
    }
    return text;
}

// The name of the link in a /dev/disk folder that leads to the device; empty when none.
static std::string diskLinkName(const char *folder, dev_t device)
{
    DIR *dir = ::opendir(folder);
    if (!dir)
        return {};
    std::string found;
    while (const dirent *entry = ::readdir(dir)) {
        struct stat info;
        const std::string link = std::string(folder) + '/' + entry->d_name;
        if (entry->d_name[0] != '.' && ::stat(link.c_str(), &info) == 0 && S_ISBLK(info.st_mode)
            && info.st_rdev == device) {
            found = decodeUdevName(entry->d_name);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

static bool isFatVolumeId(std::string_view uuid)
{
    return uuid.size() == 9 && uuid[4] == '-'
           && std::all_of(uuid.begin(), uuid.end(), [](char c) { return c == '-' || std::isxdigit((unsigned char)c); });
}

// The folder of the mount's file system that a host folder inside the mount is.
static std::string rootInFileSystem(const MountEntry &mount, const std::string &hostFolder)
{
    const std::string below = mount.mountPoint == "/" ? hostFolder : hostFolder.substr(mount.mountPoint.size());
    return NormalHostPath(mount.root + '/' + below);
}

DWORD VolumeSerialNumber(std::string_view uuid, std::string_view sourceAndDevice, std::string_view rootInFileSystem)
{
    if (isFatVolumeId(uuid))
        return DWORD(std::stoul(std::string(uuid.substr(0, 4)) + std::string(uuid.substr(5)), nullptr, 16));
    std::string identity(uuid.empty() ? sourceAndDevice : uuid);
    identity += '\n';
    identity += rootInFileSystem;
    return foldTo32Bits(identity);
}

static DWORD volumeSerial(const MountEntry &mount, const std::string &hostFolder)
{
    const dev_t device = deviceOfMount(mount);
    const std::string sourceAndDevice =
        mount.source + '\n' + std::to_string(major(device)) + ':' + std::to_string(minor(device));
    return VolumeSerialNumber(diskLinkName("/dev/disk/by-uuid", device), sourceAndDevice,
                              rootInFileSystem(mount, hostFolder));
}

static std::string volumeLabel(const MountEntry &mount)
{
    if (DriveTypeOfMount(mount) == DRIVE_REMOTE) {
        const size_t slash = mount.source.find_last_of("/:");
        return slash == std::string::npos ? mount.source : mount.source.substr(slash + 1);
    }
    return diskLinkName("/dev/disk/by-label", deviceOfMount(mount));
}

static std::string uncRootOf(const MountEntry &mount)
{
    if (!mount.source.starts_with("//") || mount.source.size() < 3)
        return {};
    std::string unc = NormalHostPath(mount.source.substr(1));
    std::replace(unc.begin(), unc.end(), '/', '\\');
    return '\\' + unc;
}

static DriveInfo driveOfFolder(char letter, const std::string &hostFolder, const MountEntry *mount)
{
    DriveInfo drive;
    drive.letter = letter;
    drive.hostRoot = hostFolder;
    drive.type = DRIVE_FIXED;
    if (!mount)
        return drive;
    drive.type = DriveTypeOfMount(*mount);
    drive.serialNumber = volumeSerial(*mount, hostFolder);
    drive.label = volumeLabel(*mount);
    drive.fileSystem = mount->fileSystem;
    drive.readOnly = mount->readOnly;
    if (hostFolder == mount->mountPoint)
        drive.uncRoot = uncRootOf(*mount);
    return drive;
}

static bool isHiddenByLaterMount(const std::vector<MountEntry> &mounts, size_t index)
{
    return std::any_of(mounts.begin() + index + 1, mounts.end(),
                       [&](const MountEntry &later) { return later.mountPoint == mounts[index].mountPoint; });
}

static bool getsOwnLetter(const MountEntry &mount)
{
    const UINT type = DriveTypeOfMount(mount);
    return type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_REMOTE;
}

static void makeSerialsUnique(std::vector<DriveInfo> &drives)
{
    std::set<DWORD> used;
    for (DriveInfo &drive : drives) {
        while (drive.serialNumber == 0 || used.count(drive.serialNumber))
            ++drive.serialNumber;
        used.insert(drive.serialNumber);
    }
}

std::vector<DriveInfo> DiscoverDrives(const std::vector<MountEntry> &mounts, const std::string &homeFolder)
{
    std::vector<DriveInfo> drives;
    drives.push_back(driveOfFolder('C', homeFolder, MountOfPath(mounts, homeFolder)));
    char next = 'D';
    for (size_t i = 0; i < mounts.size() && next < 'Z'; ++i) {
        const MountEntry &mount = mounts[i];
        if (mount.mountPoint == "/" || mount.mountPoint == homeFolder || isHiddenByLaterMount(mounts, i)
            || !getsOwnLetter(mount))
            continue;
        drives.push_back(driveOfFolder(next++, mount.mountPoint, &mount));
    }
    drives.push_back(driveOfFolder('Z', "/", MountOfPath(mounts, "/")));
    makeSerialsUnique(drives);
    return drives;
}
