#pragma once

#include "../DriveMapLines.h"
#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <filesystem>
#include <string>

// A computer of the test's own: drives A: (a floppy), C: (fixed, the home
// with its desktop folder "Desktop"), D: (a disc without a label) and E: (a
// network share \\nas\photos), each a folder in the test folder, and an XDG
// user-dirs file that names the desktop folder. Everything goes back when it
// ends.
class TestShell
{
public:
    TestShell()
    {
        for (const char *drive : {"a", "c/Desktop", "d", "e"})
            std::filesystem::create_directories(host(drive));
        std::filesystem::create_directories(host("config"));
        WriteHostFile(host("config/user-dirs.dirs"), ("XDG_DESKTOP_DIR=\"" + host("c/Desktop") + "\"\n").c_str());
        m_environment.set("XDG_CONFIG_HOME", host("config"));
        WriteDriveMap(DriveMapLine("A:", host("a"), "removable", "1111-1111", "")
                      + DriveMapLine("C:", host("c"), "fixed", "2222-2222", "System")
                      + DriveMapLine("D:", host("d"), "cdrom", "3333-3333", "")
                      + DriveMapLine("E:", host("e"), "remote,source=//nas/photos", "4444-4444", "Photos"));
    }

    // The host path of a name relative to the test folder ("c/Pics").
    static std::string host(const std::string &relative) { return TestHostFolder() + '/' + relative; }
    // Makes the folders of a path relative to the test folder; answers its host path.
    static std::string makeFolder(const std::string &relative)
    {
        std::filesystem::create_directories(host(relative));
        return host(relative);
    }

private:
    ScopedEnvironment m_environment;
};
