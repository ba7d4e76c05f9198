#include <platform/EnvironmentFolder.h>

#include "../DriveMapLines.h"
#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <string>

TEST(GetEnvironmentFolder, IsTheVariablesAbsoluteFolderAsAWindowsPath)
{
    const std::string root = TestHostFolder();
    WriteDriveMap(DriveMapLine("C:", root, "fixed", "1", "") + DriveMapLine("Z:", "/", "fixed", "2", ""));
    const struct { const char *value; const char *folder; } cases[] = {
        {nullptr, ""},
        {"", ""},
        {"relative/temp", ""},   // never relative to where the program runs
        {"./temp", ""},
        {"@/temp", "C:\\temp"},
        {"@/temp/", "C:\\temp"},
        {"@/Not There", "C:\\Not There"},   // need not exist
        {"@", "C:\\"},
        {"/", "Z:\\"},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.value ? test.value : "(unset)");
        ScopedEnvironment environment;
        if (!test.value)
            environment.unset("ZILO_TEST_FOLDER");
        else if (*test.value == '@')
            environment.set("ZILO_TEST_FOLDER", root + (test.value + 1));
        else
            environment.set("ZILO_TEST_FOLDER", test.value);
        EXPECT_EQ(GetEnvironmentFolder("ZILO_TEST_FOLDER"), test.folder);
    }
}

TEST(GetHostTempFolder, IsTmpdirElseTheStandardFolder)
{
    const std::string root = TestHostFolder();
    WriteDriveMap(DriveMapLine("C:", root, "fixed", "1", "") + DriveMapLine("Z:", "/", "fixed", "2", ""));
    ScopedEnvironment environment;
    environment.set("TMPDIR", root + "/scratch");
    EXPECT_EQ(GetHostTempFolder(), "C:\\scratch");
    environment.set("TMPDIR", "scratch");
    EXPECT_EQ(GetHostTempFolder(), "Z:\\tmp");
    environment.unset("TMPDIR");
    EXPECT_EQ(GetHostTempFolder(), "Z:\\tmp");
}
