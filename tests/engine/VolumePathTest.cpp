#include "../Source/GlobTestSupport.h"

#include <Source/engine/VolumePath.h>
#include <lib/Drive.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// C: a fixed drive, D: a disc, F: a network drive, E: a drive without a medium.
class VolumePaths : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(disc() + "/Pics");
        fs::create_directories(TestHostFolder() + "/share/pics");
        WriteDriveMap(fixedC() + DriveMapLine("D:", disc(), "removable", "5EED0001", "Holiday")
                      + DriveMapLine("E:", TestHostFolder() + "/absent", "cdrom", "0", "")
                      + DriveMapLine("F:", TestHostFolder() + "/share", "remote,source=//server/pics", "7", ""));
        m_globals.emplace();
    }
    void TearDown() override { m_globals.reset(); }

    static std::string disc() { return TestHostFolder() + "/disc"; }
    static QString fixedC() { return DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"); }

    // The disc taken out of every drive and put in letter (none for an empty letter).
    void moveDisc(const QString &letter)
    {
        QString lines = fixedC();
        if (!letter.isEmpty())
            lines += DriveMapLine(letter, disc(), "removable", "5EED0001", "");
        WriteDriveMap(lines);
        DriveTable->Update();
    }

    std::optional<GlobalsScope> m_globals;
};

} // namespace

TEST_F(VolumePaths, RoundTripsEveryForm)
{
    struct Case
    {
        const char *path;
        const char *stored;
        const char *storedNoSlash;
        const char *back;        // DrivePathFromVolumePath
        const char *backFolder;  // DriveFolderFromVolumePath
    };
    const Case cases[] = {
        {"C:\\Photos", "0012ABCD\\Photos", "0012ABCD\\Photos", "C:\\Photos", "C:\\Photos"},
        {"C:\\", "0012ABCD\\", "0012ABCD", "C:\\", "C:\\"},
        {"C:", "0012ABCD", "0012ABCD", "C:", "C:\\"},
        {"c:\\photos", "0012ABCD\\photos", "0012ABCD\\photos", "C:\\photos", "C:\\photos"},
        {"D:\\Pics\\2001", "5EED0001\\Pics\\2001", "5EED0001\\Pics\\2001", "D:\\Pics\\2001", "D:\\Pics\\2001"},
        {"\\\\server\\pics\\2001", "*Shared\\server\\pics\\2001", "*Shared\\server\\pics\\2001",
         "\\\\server\\pics\\2001", "\\\\server\\pics\\2001"},
        {"\\\\server\\pics", "*Shared\\server\\pics", "*Shared\\server\\pics", "\\\\server\\pics", "\\\\server\\pics"},
        {"F:\\pics", "*Mapped\\F\\pics", "*Mapped\\F\\pics", "F:\\pics", "F:\\pics"},
        {"F:\\", "*Mapped\\F\\", "*Mapped\\F", "F:\\", "F:\\"},
        {"f:", "*Mapped\\F\\", "*Mapped\\F", "F:\\", "F:\\"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const CPath stored = VolumePathFromDrivePath(c.path);
        EXPECT_STREQ(stored, c.stored);
        EXPECT_STREQ(VolumePathFromDrivePathNoSlash(c.path), c.storedNoSlash);
        EXPECT_STREQ(DrivePathFromVolumePath(stored, false, false), c.back);
        EXPECT_STREQ(DriveFolderFromVolumePath(stored, false, false), c.backFolder);
        EXPECT_STREQ(DriveFolderFromVolumePath(c.storedNoSlash, false, false), c.backFolder);
    }
}

TEST_F(VolumePaths, OnlyAbsolutePathsHaveAStoredForm)
{
    for (const char *path : {"", "Photos", "C:Photos", "C", ":\\x", "1:\\x"}) {
        SCOPED_TRACE(path);
        EXPECT_STREQ(VolumePathFromDrivePath(path), "");
        EXPECT_STREQ(VolumePathFromDrivePathNoSlash(path), "");
    }
}

TEST_F(VolumePaths, ADriveWithoutAMediumStoresSerialZero)
{
    MessageBoxScript boxes;
    EXPECT_STREQ(VolumePathFromDrivePath("E:\\Photos"), "00000000\\Photos");
    // which never reads back: an internal error, and no prompt
    ScriptedDialogs dialogs;
    EXPECT_STREQ(DrivePathFromVolumePath("00000000\\Photos", true, true), "");
    EXPECT_TRUE(dialogs.prompts().empty());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith("INTERNAL PROGRAM ERROR\n\nFile: "));
    EXPECT_TRUE(boxes.boxes()[0].text.contains(", Func: DrivePathFromVolumePath, Line: "));
    EXPECT_EQ(boxes.boxes()[0].type, WarningBoxFlags);
}

TEST_F(VolumePaths, ADiscMovedToAnotherDriveIsFoundThereWithoutAsking)
{
    const CPath stored = VolumePathFromDrivePath("D:\\Pics");
    ASSERT_STREQ(stored, "5EED0001\\Pics");
    moveDisc("E:");
    ScriptedDialogs dialogs;
    EXPECT_STREQ(DrivePathFromVolumePath(stored, true, true), "E:\\Pics");
    EXPECT_TRUE(dialogs.prompts().empty());
}

TEST_F(VolumePaths, AMissingDiscWithoutAskingIsEmptyAndShowsNothing)
{
    moveDisc("");
    RecordingCoordinator coordinator;
    ScriptedDialogs dialogs;
    MessageBoxScript boxes;
    EXPECT_STREQ(DrivePathFromVolumePath("5EED0001\\Pics", false, true), "");
    EXPECT_STREQ(DriveFolderFromVolumePath("5EED0001", false, true), "");
    EXPECT_TRUE(dialogs.prompts().empty());
    EXPECT_TRUE(coordinator.calls().empty());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(VolumePaths, TheInsertVolumePromptDecidesWhatHappens)
{
    struct Case
    {
        const char *name;
        bool allowForce;
        std::vector<int> answers;      // one per prompt, in order
        int insertBefore;              // the prompt before whose answer the disc goes into G:, 0 never
        const char *expected;
    };
    const Case cases[] = {
        {"OK once the disc is in", true, {IDOK}, 1, "G:\\Pics"},
        {"OK too soon asks again", false, {IDOK, IDOK}, 2, "G:\\Pics"},
        {"another answer asks again", false, {0, IDOK}, 2, "G:\\Pics"},
        {"Cancel gives up", true, {IDCANCEL}, 0, ""},
        {"Force takes the first fixed drive", true, {VolumeForce}, 0, "C:\\Pics"},
        {"Force that is not offered asks again", false, {VolumeForce, IDCANCEL}, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        moveDisc("");
        RecordingCoordinator coordinator;
        ScriptedDialogs dialogs(&coordinator);
        dialogs.onPrompt = [&](int number) {
            if (number == c.insertBefore)
                WriteDriveMap(fixedC() + DriveMapLine("G:", disc(), "removable", "5EED0001", ""));
            return c.answers.at(size_t(number - 1));
        };
        EXPECT_STREQ(DrivePathFromVolumePath("5EED0001\\Pics", true, c.allowForce), c.expected);

        const std::vector<ScriptedDialogs::Prompt> prompts = dialogs.prompts();
        ASSERT_EQ(prompts.size(), c.answers.size());
        std::vector<std::string> expectedCalls;
        for (const ScriptedDialogs::Prompt &prompt : prompts) {
            EXPECT_EQ(prompt.text, "Please insert the volume with serial number 5EED0001 into any drive");
            EXPECT_EQ(prompt.allowForce, c.allowForce);
            expectedCalls.insert(expectedCalls.end(), {"disable", "prompt", "enable"});
        }
        EXPECT_EQ(coordinator.calls(), expectedCalls);
    }
}

TEST_F(VolumePaths, AWorkersPromptRunsOnTheWindowThread)
{
    moveDisc("");
    RecordingCoordinator coordinator;
    ScriptedDialogs dialogs(&coordinator);
    dialogs.onPrompt = [&](int) {
        WriteDriveMap(fixedC() + DriveMapLine("G:", disc(), "removable", "5EED0001", ""));
        return IDOK;
    };
    const CPath found = RunOnWorker([] { return DriveFolderFromVolumePath("5EED0001", true, true); });
    EXPECT_STREQ(found, "G:\\");
    ASSERT_EQ(dialogs.prompts().size(), 1u);
    EXPECT_TRUE(dialogs.prompts()[0].onWindowThread);
    EXPECT_EQ(coordinator.calls(), (std::vector<std::string>{"disable", "prompt", "enable"}));
}

TEST_F(VolumePaths, WithoutADialogThePromptIsCancelled)
{
    moveDisc("");
    EXPECT_EQ(PromptForVolume(0x5EED0001, true), IDCANCEL);
    EXPECT_STREQ(DrivePathFromVolumePath("5EED0001\\Pics", true, true), "");
}

TEST_F(VolumePaths, MalformedStoredFormsAreEmptyAndAskNothing)
{
    moveDisc("");
    const std::string huge(100000, 'A');
    const std::string hugePath = "0012ABCD\\" + std::string(MaxVolumePathLength, 'x');
    struct Case
    {
        const char *name;
        std::string stored;
    };
    const Case cases[] = {
        {"empty", ""},
        {"one digit", "1"},
        {"seven digits", "5EED000"},
        {"seven digits and a path", "5EED000\\Pics"},
        {"not hex", "5EED000G\\Pics"},
        {"a space among the digits", "5EED 001\\Pics"},
        {"a sign", "-5EED001\\Pics"},
        {"nine digits", "5EED00011"},
        {"digits run into the path", "5EED0001Pics"},
        {"hex digits without end", huge},
        {"a path beyond the longest", hugePath},
        {"marker in lower case", "*shared\\server\\pics"},
        {"mapped without a letter", "*Mapped"},
        {"mapped, a backslash and no letter", "*Mapped\\"},
        {"mapped with a digit", "*Mapped\\1\\pics"},
        {"mapped with a symbol", "*Mapped\\?\\pics"},
        {"mapped with a word", "*Mapped\\Fpics"},
        {"mapped without its backslash", "*MappedF\\pics"},
        {"shared without a server", "*Shared"},
        {"shared, a backslash and no server", "*Shared\\"},
        {"shared with an empty server", "*Shared\\\\pics"},
        {"shared without its backslash", "*Sharedserver\\pics"},
    };
    RecordingCoordinator coordinator;
    ScriptedDialogs dialogs;
    dialogs.onPrompt = [](int) { return IDOK; };
    MessageBoxScript boxes;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(DrivePathFromVolumePath(c.stored.c_str(), true, true), "");
        EXPECT_STREQ(DriveFolderFromVolumePath(c.stored.c_str(), true, true), "");
    }
    EXPECT_TRUE(dialogs.prompts().empty());
    EXPECT_TRUE(coordinator.calls().empty());
    EXPECT_TRUE(boxes.boxes().empty());
    // the longest form that is allowed still reads
    const std::string longest = hugePath.substr(0, size_t(MaxVolumePathLength));
    EXPECT_EQ(DrivePathFromVolumePath(longest.c_str(), false, false).GetLength(), MaxVolumePathLength - 6);
}

TEST_F(VolumePaths, MarkersAreExactPrefixes)
{
    const struct
    {
        const char *text;
        bool shared;
        bool mapped;
    } cases[] = {
        {"*Shared\\server", true, false}, {"*Shared", true, false},   {"*shared\\server", false, false},
        {"*SHARED", false, false},        {"x*Shared", false, false}, {"*Mapped\\F", false, true},
        {"*mapped\\F", false, false},     {"", false, false},         {nullptr, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "null");
        EXPECT_EQ(IsSharedPath(c.text), c.shared);
        EXPECT_EQ(IsMappedPath(c.text), c.mapped);
    }
}

TEST_F(VolumePaths, ReplaceSerialNumberTakesTheFirstFixedDrive)
{
    WriteDriveMap(DriveMapLine("D:", disc(), "removable", "5EED0001", "")
                  + DriveMapLine("K:", TestHostFolder() + "/share", "fixed", "00C0FFEE", "")
                  + DriveMapLine("M:", TestHostFolder(), "fixed", "0BADF00D", ""));
    DriveTable->Update();
    MessageBoxScript boxes;
    EXPECT_EQ(ReplaceSerialNumber(), 0x00C0FFEEu);

    WriteDriveMap(DriveMapLine("D:", disc(), "removable", "5EED0001", ""));
    DriveTable->Update();
    EXPECT_EQ(ReplaceSerialNumber(), 0u);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(", Func: ReplaceSerialNumber, Line: "));
}

TEST(ParseHex, ReadsDigitsWithoutChecking)
{
    const struct
    {
        const char *text;
        uint32_t value;
    } cases[] = {
        {"0012ABCD", 0x0012ABCDu}, {"0012abcd", 0x0012ABCDu}, {"FFFFFFFF", 0xFFFFFFFFu},
        {"", 0},                   {"10", 16},                {"G", 16},
        {"123456789", 0x23456789u}, {nullptr, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "null");
        EXPECT_EQ(ParseHex(c.text), c.value);
    }
}
