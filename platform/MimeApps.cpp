#include "MimeApps.h"

#include "HostProcess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// group -> key -> value; of repeated groups or keys, the first counts.
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

std::string trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

KeyFile readKeyFile(const fs::path &path)
{
    KeyFile file;
    std::ifstream in(path);
    std::string line;
    std::map<std::string, std::string> *group = nullptr;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = &file[line.substr(1, line.size() - 2)];
            continue;
        }
        const size_t equals = line.find('=');
        if (group && equals != std::string::npos)
            group->emplace(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
    return file;
}

std::vector<std::string> splitList(const std::string &text, char separator)
{
    std::vector<std::string> items;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, separator)) {
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

std::string lookup(const KeyFile &file, const std::string &group, const std::string &key)
{
    const auto g = file.find(group);
    if (g == file.end())
        return {};
    const auto k = g->second.find(key);
    return k == g->second.end() ? std::string() : k->second;
}

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The XDG base folder named by variable, or fallback below the home folder.
std::string homeBase(const char *variable, const char *fallback)
{
    const std::string value = environment(variable);
    if (!value.empty() && value[0] == '/')
        return value;
    return environment("HOME") + '/' + fallback;
}

std::vector<std::string> baseList(const char *variable, const char *fallback)
{
    std::string value = environment(variable);
    if (value.empty())
        value = fallback;
    std::vector<std::string> folders;
    for (const std::string &folder : splitList(value, ':')) {
        if (folder[0] == '/')
            folders.push_back(folder);
    }
    return folders;
}

// Data folders, most important first.
std::vector<std::string> dataFolders()
{
    std::vector<std::string> folders{homeBase("XDG_DATA_HOME", ".local/share")};
    for (const std::string &folder : baseList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.push_back(folder);
    return folders;
}

// The mimeapps.list files in the order of precedence, desktop-specific ones first in each folder.
std::vector<KeyFile> associationLists()
{
    std::vector<std::string> folders{homeBase("XDG_CONFIG_HOME", ".config")};
    for (const std::string &folder : baseList("XDG_CONFIG_DIRS", "/etc/xdg"))
        folders.push_back(folder);
    for (const std::string &folder : dataFolders())
        folders.push_back(folder + "/applications");

    std::vector<std::string> desktops;
    for (std::string desktop : splitList(environment("XDG_CURRENT_DESKTOP"), ':')) {
        for (char &c : desktop)
            c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        desktops.push_back(desktop);
    }

    std::vector<KeyFile> lists;
    for (const std::string &folder : folders) {
        for (const std::string &desktop : desktops)
            lists.push_back(readKeyFile(folder + '/' + desktop + "-mimeapps.list"));
        lists.push_back(readKeyFile(folder + "/mimeapps.list"));
    }
    return lists;
}

// Desktop file id -> file, in the order of precedence (an id found in a more
// important folder hides the same id further on).
using ApplicationIndex = std::vector<std::pair<std::string, fs::path>>;

ApplicationIndex indexApplications()
{
    ApplicationIndex index;
    std::set<std::string> seen;
    for (const std::string &folder : dataFolders()) {
        const fs::path applications = fs::path(folder) / "applications";
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(applications, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().extension() != ".desktop" || !it->is_regular_file(error))
                continue;
            std::string id = it->path().lexically_relative(applications).string();
            for (char &c : id)
                c = c == '/' ? '-' : c;
            if (seen.insert(id).second)
                index.emplace_back(id, it->path());
        }
    }
    return index;
}

// The first word of an Exec line, with its quotes and escapes taken off.
std::string programOfExec(const std::string &exec)
{
    std::string program;
    size_t i = 0;
    if (exec.empty() || exec[0] != '"') {
        while (i < exec.size() && exec[i] != ' ')
            program += exec[i++];
        return program;
    }
    for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size())
            ++i;
        program += exec[i];
    }
    return program;
}

struct Application
{
    std::string program;
    std::vector<std::string> mimeTypes;
};

std::optional<Application> loadApplication(const fs::path &path)
{
    const KeyFile file = readKeyFile(path);
    const std::string group = "Desktop Entry";
    if (lookup(file, group, "Type") != "Application" || lookup(file, group, "Hidden") == "true")
        return std::nullopt;
    const std::string tryExec = lookup(file, group, "TryExec");
    if (!tryExec.empty() && FindHostProgram(tryExec).empty())
        return std::nullopt;
    Application application{FindHostProgram(programOfExec(lookup(file, group, "Exec"))),
                            splitList(lookup(file, group, "MimeType"), ';')};
    if (application.program.empty())
        return std::nullopt;
    return application;
}

std::optional<Application> loadById(const ApplicationIndex &index, const std::string &id)
{
    for (const auto &[knownId, path] : index) {
        if (knownId == id)
            return loadApplication(path);
    }
    return std::nullopt;
}

bool listsType(const Application &application, const std::string &mimeType)
{
    for (const std::string &type : application.mimeTypes) {
        if (type == mimeType)
            return true;
    }
    return false;
}

} // namespace

std::string DefaultApplicationProgram(const std::string &mimeType)
{
    const std::vector<KeyFile> lists = associationLists();
    const ApplicationIndex index = indexApplications();

    for (const KeyFile &list : lists) {
        for (const std::string &id : splitList(lookup(list, "Default Applications", mimeType), ';')) {
            if (const std::optional<Application> application = loadById(index, id))
                return application->program;
        }
    }

    std::set<std::string> removed;   // by an earlier list, for every later one
    for (const KeyFile &list : lists) {
        for (const std::string &id : splitList(lookup(list, "Added Associations", mimeType), ';')) {
            if (removed.count(id))
                continue;
            if (const std::optional<Application> application = loadById(index, id))
                return application->program;
        }
        for (const std::string &id : splitList(lookup(list, "Removed Associations", mimeType), ';'))
            removed.insert(id);
    }

    for (const auto &[id, path] : index) {
        if (removed.count(id))
            continue;
        const std::optional<Application> application = loadApplication(path);
        if (application && listsType(*application, mimeType))
            return application->program;
    }
    return {};
}
