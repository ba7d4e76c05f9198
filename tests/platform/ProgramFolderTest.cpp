#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/ProgramFolder.h>

#include <gtest/gtest.h>

#include <filesystem>

TEST(ProgramFolder, IsTheSetFolderWithoutATrailingBackslash)
{
    EXPECT_EQ(ProgramFolder(), WindowsPathFromHost(TestHostFolder() + "/Program"));
    ScopedEnvironment environment;
    environment.set("ZILO_PROGRAM_FOLDER", TestHostFolder() + "/Program/");
    EXPECT_EQ(ProgramFolder(), WindowsPathFromHost(TestHostFolder() + "/Program"));
    environment.set("ZILO_PROGRAM_FOLDER", "/");
    EXPECT_EQ(ProgramFolder(), "Z:");
}

TEST(ProgramFolder, IsTheRunningProgramsFolderWhenNoneIsSet)
{
    ScopedEnvironment environment;
    environment.unset("ZILO_PROGRAM_FOLDER");
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(ProgramFolder(), WindowsPathFromHost(program));
    EXPECT_NE(ProgramFolder().back(), '\\');
}

TEST(ProgramFolder, TheRunningProgramsFolderIgnoresTheSetOne)
{
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_NE(ProgramFolder(), WindowsPathFromHost(program));   // the test's own folder is set
    EXPECT_EQ(RunningProgramFolder(), WindowsPathFromHost(program));
    EXPECT_NE(RunningProgramFolder().back(), '\\');
}
