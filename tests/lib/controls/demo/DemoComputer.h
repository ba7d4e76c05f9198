#pragma once

// A small computer for the demos, made in a scratch folder: drives A: to E:
// from a drive map (a floppy, the system drive, a CD and a share), folders of
// pictures and a desktop folder of its own. The settings go to the scratch
// folder too, so a demo never touches the user's.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

inline void MakeDemoComputer(const std::string &root)
{
    namespace fs = std::filesystem;
    for (const char *folder : {"a", "d", "e/Holiday 2003", "e/Scans",
                               "c/Desktop/Projects", "c/Desktop/To sort", "c/Pictures/2001/January",
                               "c/Pictures/2001/February", "c/Pictures/2002", "c/Pictures/2010", "c/Pictures/Family",
                               "c/Pictures/Scans 1998", "c/Documents", "c/Music"})
        fs::create_directories(root + '/' + folder);
    fs::create_directories(root + "/config");
    std::ofstream(root + "/config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"" << root << "/c/Desktop\"\n";
    std::ofstream(root + "/drives.map") << "A:\t" << root << "/a\tremovable\t1111-1111\t\n"
                                        << "C:\t" << root << "/c\tfixed\t2222-2222\tSystem\n"
                                        << "D:\t" << root << "/d\tcdrom\t3333-3333\tHoliday CD\n"
                                        << "E:\t" << root << "/e\tremote,source=//nas/photos\t4444-4444\tPhotos\n";
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("ZILO_DRIVE_MAP", (root + "/drives.map").c_str(), 1);
    ::setenv("ZILO_REGISTRY", (root + "/Registry.db").c_str(), 1);
}
