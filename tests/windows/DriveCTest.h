#pragma once

#include "../Source/GlobTestSupport.h"

#include <Source/engine/FolderOptions.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <optional>

// C: is the test folder, holding the given folders, with the program's
// globals; the folders' options are saved before the globals go.
class DriveCTest : public testing::Test
{
protected:
    void makeDriveC(std::initializer_list<const char *> folders)
    {
        for (const char *name : folders)
            std::filesystem::create_directories(TestHostFolder() + "/" + name);
        WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"));
        m_globals.emplace();
    }
    void TearDown() override
    {
        if (m_globals)
            TFolderSpecificOptionsCache::SaveAll();
        m_globals.reset();
    }

    std::optional<GlobalsScope> m_globals;
};
