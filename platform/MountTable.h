#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One line of the host's mount table (/proc/self/mountinfo).
struct MountEntry
{
    uint32_t deviceMajor = 0;
    uint32_t deviceMinor = 0;
    std::string root;         // the folder of the file system that is mounted
    std::string mountPoint;   // where it is mounted, an absolute host path
    std::string fileSystem;   // "ext4", "vfat", "iso9660", "nfs4", ...
    std::string source;       // "/dev/sdb1", "//server/share", "tmpfs", ...
    bool readOnly = false;    // mounted read-only
};

// The mounts in the order the host lists them (a later mount on the same
// point hides an earlier one). Lines that do not parse are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
// The calling process's mounts; empty when the table cannot be read.
std::vector<MountEntry> ReadMountTable();

// The visible mount that holds an absolute, normalised host path: the one with
// the deepest mount point, the last listed among equals. Null when none does.
const MountEntry *MountOfPath(const std::vector<MountEntry> &mounts, std::string_view hostPath);

// Whether hostPath is root or lies below it, compared by whole components.
bool IsHostPathWithin(std::string_view hostPath, std::string_view root);

// An absolute host path with "." and ".." resolved by name (never above "/"),
// repeated slashes joined and no trailing slash except for "/" itself. A
// relative path answers empty.
std::string NormalHostPath(std::string_view hostPath);
