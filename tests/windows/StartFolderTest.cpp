#include <Source/windows/StartFolder.h>

#include "../engine/ThumbTestSupport.h"

#include <Source/engine/BrowseFile.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <platform/CommandLine.h>
#include <platform/Exception.h>
#include <platform/HostPath.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// C: is the test folder. Every browse file goes to the central folder, so a
// browse file lies elsewhere than the folder it records.
class StartFolderTest : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        DiskOptions->SetInt(TDiskOptions::SpecialBrowseFolderOption, TDiskOptions::AlwaysSpecial);
    }

    // Saves C:\Pics's browse file, of one record, with the engine's own
    // writer as a browse window does; answers where it went.
    static CPath saveCentralBrowseFile()
    {
        auto *record = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\a.jpg");
        CMessageWindow owner([record](UINT message, WPARAM, LPARAM lParam) {
            if (message != UM_GET_THUMBNAIL_LIST)
                return LRESULT(0);
            record->AddRef();
            reinterpret_cast<std::vector<CThumbBitmap *> *>(lParam)->push_back(record);
            return LRESULT(1);
        });
        auto *context = new CThumbProgressContext(owner.Handle(), nullptr);
        CBrowseFile file("C:\\Pics");
        const bool saved = RunOnWorker([&] { return file.Save(context); });
        context->Release();
        record->Release();
        EXPECT_TRUE(saved);
        return GetBrowseFilePath("C:\\Pics");
    }
};

} // namespace

TEST_F(StartFolderTest, TakesTheFolderPartOrTheFolderABrowseFileRecords)
{
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    const CPath browseFile = saveCentralBrowseFile();
    ASSERT_TRUE(browseFile.GetFileExists()) << browseFile.c_str();
    const std::string central(browseFile.GetDirPart().c_str());
    ASSERT_NE(central, "C:\\Pics");
    std::string capitals(browseFile.c_str());
    capitals.replace(capitals.size() - 5, 5, ".ZILO");

    const struct
    {
        std::string commandLine;
        std::string folder;
    } rows[] = {
        {"C:\\Zilo\\Zilo.exe browsefile=C:\\Pics\\a.jpg", "C:\\Pics"},
        {"Zilo browsefile=C:\\Pics\\Sub", "C:\\Pics"},   // a folder without a trailing backslash: its parent
        {"Zilo browsefile=C:\\Pics\\Sub\\", "C:\\Pics\\Sub"},
        {"Zilo browsefile=C:\\My Pics\\a.jpg", "C:\\My Pics"},   // the rest of the line, blanks and all
        {"Zilo browsefile=\"C:\\My Pics\\a.jpg\"", "\"C:\\My Pics"},   // quotes are kept
        {"Zilo browsefile=" + std::string(browseFile.c_str()), "C:\\Pics"},
        {"  Zilo browsefile=" + std::string(browseFile.c_str()) + "   ", "C:\\Pics"},
        {"Zilo browsefile=" + capitals, central},   // not a browse file: its folder part
        {"Zilo browsefile=", ""},
        {"Zilo browsefile=   ", ""},
        {"Zilo BrowseFile=C:\\Pics\\a.jpg", ""},
        {"Zilo C:\\Pics\\a.jpg", ""},
        {"", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.commandLine);
        EXPECT_STREQ(StartFolderFromCommandLine(row.commandLine.c_str()).c_str(), row.folder.c_str());
    }
}

// As the program receives them: each argument as given, joined into the
// line that the program then reads.
TEST_F(StartFolderTest, AFolderWithBlanksInItsNameIsTheFolderGiven)
{
    const struct
    {
        const char *argument;
        const char *folder;
    } rows[] = {
        {"browsefile=C:\\My Pics\\", "C:\\My Pics"},
        {"browsefile=C:\\My Pics\\Sub Folder\\", "C:\\My Pics\\Sub Folder"},
        {"browsefile=C:\\My Pics\\a.jpg", "C:\\My Pics"},
        {"browsefile=C:\\Pics\\", "C:\\Pics"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.argument);
        const std::string line = JoinCommandLine({"Zilo", row.argument});
        EXPECT_STREQ(StartFolderFromCommandLine(line.c_str()).c_str(), row.folder);
    }
}

// The keyword counts only where an argument of the program's starts with it,
// and a desktop hands over a host path in one argument.
TEST_F(StartFolderTest, TheKeywordStartsAnArgumentAndHostPathsAreMapped)
{
    const std::string folder = TestHostFolder() + "/My Pics";
    std::filesystem::create_directories(folder);
    const struct
    {
        std::string commandLine;
        std::string folder;
    } rows[] = {
        {JoinCommandLine({"/opt/My Zilo/Zilo", "browsefile=" + folder + "/a.jpg"}), WindowsPathFromHost(folder)},
        {JoinCommandLine({"/opt/Zilo", "browsefile=" + folder + "/"}), WindowsPathFromHost(folder)},
        {"C:\\browsefile=x\\Zilo.exe browsefile=C:\\Pics\\a.jpg", "C:\\Pics"},
        {"\"C:\\My browsefile=x\\Zilo.exe\" browsefile=C:\\Pics\\a.jpg", "C:\\Pics"},
        {"C:\\browsefile=x\\Zilo.exe", ""},
        {"Zilo xbrowsefile=C:\\Pics\\a.jpg", ""},
        {"browsefile=C:\\Pics\\a.jpg", "C:\\Pics"},   // what a second start hands on
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.commandLine);
        EXPECT_STREQ(StartFolderFromCommandLine(row.commandLine.c_str()).c_str(), row.folder.c_str());
    }
    EXPECT_STREQ(BrowseFileArgument(JoinCommandLine({"/opt/Zilo", "browsefile=" + folder + "/a.jpg"}).c_str()).c_str(),
                 ("browsefile=" + WindowsPathFromHost(folder) + "\\a.jpg").c_str());
}

TEST_F(StartFolderTest, ABrowseFileThatCannotBeOpenedRaises)
{
    EXPECT_THROW(StartFolderFromCommandLine("Zilo browsefile=C:\\Nowhere.zilo"), Exception);
}
