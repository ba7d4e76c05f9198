#include "DriveMap.h"

#include "Drives.h"

#include <QDebug>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>

static std::vector<std::string_view> splitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

static std::optional<char> parseLetter(std::string_view field)
{
    if (field.size() == 2 && field[1] == ':')
        field.remove_suffix(1);
    if (field.size() != 1)
        return std::nullopt;
    const char upper = char(std::toupper((unsigned char)field[0]));
    if (upper < 'A' || upper > 'Z')
        return std::nullopt;
    return upper;
}

static std::optional<UINT> parseTypeName(std::string_view name)
{
    static const std::pair<std::string_view, UINT> names[] = {
        {"unknown", DRIVE_UNKNOWN}, {"noroot", DRIVE_NO_ROOT_DIR}, {"removable", DRIVE_REMOVABLE},
        {"fixed", DRIVE_FIXED},     {"remote", DRIVE_REMOTE},      {"cdrom", DRIVE_CDROM},
        {"ramdisk", DRIVE_RAMDISK},
    };
    for (const auto &[text, type] : names) {
        if (text == name)
            return type;
    }
    return std::nullopt;
}

static bool parseTypeField(std::string_view field, DriveInfo &drive)
{
    const std::vector<std::string_view> words = splitAt(field, ',');
    const std::optional<UINT> type = parseTypeName(words[0]);
    if (!type)
        return false;
    drive.type = *type;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "readonly") {
            drive.readOnly = true;
        } else if (words[i].starts_with("source=//") && words[i].size() > 9) {
            std::string unc(words[i].substr(7));
            std::replace(unc.begin(), unc.end(), '/', '\\');
            while (unc.ends_with('\\'))
                unc.pop_back();
            drive.uncRoot = unc;
        } else {
            return false;
        }
    }
    return true;
}

static std::optional<DWORD> parseSerial(std::string_view field)
{
    std::string digits(field);
    digits.erase(std::remove(digits.begin(), digits.end(), '-'), digits.end());
    DWORD serial = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), serial, 16);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return serial;
}

static std::optional<uint64_t> parseBytes(std::string_view field)
{
    uint64_t bytes = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), bytes);
    if (field.empty() || error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return bytes;
}

static std::optional<DriveInfo> parseLine(std::string_view line, const std::vector<MountEntry> &mounts)
{
    const std::vector<std::string_view> fields = splitAt(line, '\t');
    if (fields.size() != 5 && fields.size() != 7)
        return std::nullopt;
    DriveInfo drive;
    const std::optional<char> letter = parseLetter(fields[0]);
    drive.hostRoot = NormalHostPath(fields[1]);
    const std::optional<DWORD> serial = parseSerial(fields[3]);
    if (!letter || drive.hostRoot.empty() || !parseTypeField(fields[2], drive) || !serial)
        return std::nullopt;
    drive.letter = *letter;
    drive.serialNumber = *serial;
    drive.label = std::string(fields[4]);
    if (fields.size() == 7) {
        drive.freeBytes = parseBytes(fields[5]);
        drive.totalBytes = parseBytes(fields[6]);
        if (!drive.freeBytes || !drive.totalBytes)
            return std::nullopt;
    }
    if (const MountEntry *mount = MountOfPath(mounts, drive.hostRoot)) {
        drive.fileSystem = mount->fileSystem;
        drive.readOnly = drive.readOnly || mount->readOnly;
    }
    return drive;
}

std::vector<DriveInfo> ParseDriveMap(std::string_view text, const std::vector<MountEntry> &mounts)
{
    std::vector<DriveInfo> drives;
    const std::vector<std::string_view> lines = splitAt(text, '\n');
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        if (std::optional<DriveInfo> drive = parseLine(line, mounts))
            drives.push_back(std::move(*drive));
        else
            qWarning("drive map line %zu not understood", i + 1);
    }
    return drives;
}

std::vector<DriveInfo> ReadDriveMap(const std::string &mapFile, const std::vector<MountEntry> &mounts)
{
    std::ifstream file(mapFile, std::ios::binary);
    if (!file)
        return {};
    std::stringstream text;
    text << file.rdbuf();
    return ParseDriveMap(text.str(), mounts);
}
