#include "MountTable.h"

#include <algorithm>
#include <fstream>
#include <sstream>

static bool isOctalEscape(std::string_view field, size_t i)
{
    return field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3'
           && field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7';
}

// The host escapes space, tab, newline and backslash in paths as \ooo.
static std::string unescapeMountField(std::string_view field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (!isOctalEscape(field, i)) {
            text += field[i];
            continue;
        }
        text += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
        i += 3;
    }
    return text;
}

static std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start < line.size()) {
        const size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

static bool hasOption(std::string_view options, std::string_view option)
{
    size_t start = 0;
    while (start <= options.size()) {
        const size_t end = std::min(options.find(',', start), options.size());
        if (options.substr(start, end - start) == option)
            return true;
        start = end + 1;
    }
    return false;
}

static bool parseDevice(std::string_view text, uint32_t &major, uint32_t &minor)
{
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    try {
        major = uint32_t(std::stoul(std::string(text.substr(0, colon))));
        minor = uint32_t(std::stoul(std::string(text.substr(colon + 1))));
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

// Fields: id, parent id, major:minor, root, mount point, options, optional
// fields ending with "-", then file system, source and super options.
static bool parseMountLine(std::string_view line, MountEntry &entry)
{
    const std::vector<std::string_view> fields = splitFields(line);
    size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (separator + 2 >= fields.size())
        return false;
    if (!parseDevice(fields[2], entry.deviceMajor, entry.deviceMinor))
        return false;
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    entry.fileSystem = unescapeMountField(fields[separator + 1]);
    entry.source = unescapeMountField(fields[separator + 2]);
    entry.readOnly = hasOption(fields[5], "ro");
    return !entry.mountPoint.empty() && entry.mountPoint[0] == '/';
}

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> mounts;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        MountEntry entry;
        if (parseMountLine(text.substr(start, end - start), entry))
            mounts.push_back(std::move(entry));
        start = end + 1;
    }
    return mounts;
}

std::vector<MountEntry> ReadMountTable()
{
    std::ifstream file("/proc/self/mountinfo");
    std::stringstream text;
    text << file.rdbuf();
    return ParseMountInfo(text.str());
}

bool IsHostPathWithin(std::string_view hostPath, std::string_view root)
{
    if (root == "/")
        return !hostPath.empty() && hostPath[0] == '/';
    return hostPath.substr(0, root.size()) == root
           && (hostPath.size() == root.size() || hostPath[root.size()] == '/');
}

const MountEntry *MountOfPath(const std::vector<MountEntry> &mounts, std::string_view hostPath)
{
    const MountEntry *best = nullptr;
    for (const MountEntry &mount : mounts) {
        if (IsHostPathWithin(hostPath, mount.mountPoint)
            && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = &mount;
    }
    return best;
}

std::string NormalHostPath(std::string_view hostPath)
{
    if (hostPath.empty() || hostPath[0] != '/')
        return {};
    std::string normal;
    size_t start = 0;
    while (start < hostPath.size()) {
        const size_t end = std::min(hostPath.find('/', start), hostPath.size());
        const std::string_view name = hostPath.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            normal.resize(normal.rfind('/') == std::string::npos ? 0 : normal.rfind('/'));
            continue;
        }
        normal += '/';
        normal += name;
    }
    return normal.empty() ? std::string("/") : normal;
}
