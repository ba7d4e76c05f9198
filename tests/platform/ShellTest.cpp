#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/MimeApps.h>
#include <platform/Shell.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <filesystem>
#include <string>

namespace {

std::string windowsOf(const std::string &hostPath)
{
    return WindowsPathFromHost(hostPath);
}

std::string hostFile(const std::string &name, const QByteArray &bytes = "some text\n")
{
    const std::string path = TestHostFolder() + '/' + name;
    WriteHostFile(path, bytes);
    return path;
}

} // namespace

TEST(DesktopAssociations, ChooseTheApplicationAsTheListsSay)
{
    struct Case
    {
        const char *name;
        const char *userList;     // $XDG_CONFIG_HOME/mimeapps.list
        const char *expected;     // id of the application, or "" for none
    };
    const Case cases[] = {
        {"an entry listing the type", "", "viewer"},
        {"the default over the entry", "[Default Applications]\ntext/plain=editor.desktop;\n", "editor"},
        {"a default that is not installed is passed over",
         "[Default Applications]\ntext/plain=gone.desktop;editor.desktop;\n", "editor"},
        {"an added association", "[Added Associations]\ntext/plain=editor.desktop;\n", "editor"},
        {"a removed association hides the entry", "[Removed Associations]\ntext/plain=viewer.desktop;\n", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeDesktop desktop;
        const std::string viewer = desktop.addApplication("viewer", "image/png;text/plain;");
        const std::string editor = desktop.addApplication("editor", "text/x-other;");
        desktop.writeUserAssociations(c.userList);
        const std::string expected = std::string(c.expected) == "viewer" ? viewer
                                     : std::string(c.expected) == "editor" ? editor
                                                                           : std::string();
        EXPECT_EQ(DefaultApplicationProgram("text/plain"), expected);
    }
}

TEST(DesktopAssociations, IgnoreEntriesThatCannotRun)
{
    const struct
    {
        const char *name;
        const char *extraLines;
    } cases[] = {
        {"hidden", "Hidden=true\n"},
        {"try-exec missing", "TryExec=/nonexistent/program\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeDesktop desktop;
        desktop.addApplication("viewer", "text/plain;", c.extraLines);
        EXPECT_EQ(DefaultApplicationProgram("text/plain"), "");
    }
    FakeDesktop desktop;
    const std::string program = desktop.addApplication("viewer", "text/plain;");
    std::filesystem::remove(program);
    EXPECT_EQ(DefaultApplicationProgram("text/plain"), "") << "an entry whose program is gone";
}

TEST(FindExecutable, AnswersTheApplicationOfTheFileType)
{
    FakeDesktop desktop;
    const std::string viewer = desktop.addApplication("viewer", "text/plain;");
    const std::string text = hostFile("notes.txt");

    std::string program = "stale";
    EXPECT_GT(FindExecutableA(windowsOf(text).c_str(), nullptr, program), 32);
    EXPECT_EQ(program, windowsOf(viewer));

    const std::string picture = hostFile("a.png", QByteArray("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(FindExecutableA(windowsOf(picture).c_str(), nullptr, program), SE_ERR_NOASSOC);
    EXPECT_EQ(program, "");
}

TEST(FindExecutable, FailsForMissingFilesAndFolders)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "text/plain;");
    std::string program;
    EXPECT_EQ(FindExecutableA(windowsOf(TestHostFolder() + "/missing.txt").c_str(), nullptr, program), SE_ERR_FNF);
    EXPECT_EQ(FindExecutableA(windowsOf(TestHostFolder() + "/none/missing.txt").c_str(), nullptr, program),
              SE_ERR_PNF);
    EXPECT_EQ(FindExecutableA("", nullptr, program), SE_ERR_FNF);
}

TEST(FindExecutable, OnlyAProgramOfTheProgramFolderAnswersItself)
{
    FakeDesktop desktop;
    const std::string splash = TestHostFolder() + "/Program/Splash";
    FakeDesktop::writeScript(splash, "exit 0\n");
    std::string program;
    EXPECT_GT(FindExecutableA(windowsOf(splash).c_str(), nullptr, program), 32);
    EXPECT_EQ(program, windowsOf(splash));
    EXPECT_GT(FindExecutableA("Splash.exe", nullptr, program), 32) << "by its name, with .exe";
    EXPECT_EQ(program, windowsOf(splash));

    // Anything else is a document, whatever its mode: pictures on FAT discs
    // are often all marked executable.
    const std::string tool = TestHostFolder() + "/Tool";
    FakeDesktop::writeScript(tool, "exit 0\n");
    EXPECT_EQ(FindExecutableA(windowsOf(tool).c_str(), nullptr, program), SE_ERR_NOASSOC);
    EXPECT_EQ(program, "");
    const std::string picture = hostFile("b.png", QByteArray("\x89PNG\r\n\x1a\n", 8));
    std::filesystem::permissions(picture, std::filesystem::perms::owner_all);
    EXPECT_EQ(FindExecutableA(windowsOf(picture).c_str(), nullptr, program), SE_ERR_NOASSOC);
}

TEST(ShellExecute, OpensDocumentsThroughXdgOpenAndMapsItsStatus)
{
    const struct
    {
        int status;
        intptr_t expected;   // 33 stands for any success
    } cases[] = {{0, 33}, {1, SE_ERR_ASSOCINCOMPLETE}, {2, SE_ERR_FNF}, {3, SE_ERR_NOASSOC}, {4, SE_ERR_ASSOCINCOMPLETE}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        FakeDesktop desktop;
        desktop.addApplication("viewer", "text/plain;");
        desktop.setOpenerStatus(c.status);
        const std::string text = hostFile("my notes.txt");
        const intptr_t result = ShellExecuteA(nullptr, "open", windowsOf(text).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (c.expected == 33)
            EXPECT_GT(result, 32);
        else
            EXPECT_EQ(result, c.expected);
        EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(text + '\n'));
    }
}

TEST(ShellExecute, StartsNothingWithoutAnApplication)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "image/png;");
    const std::string text = hostFile("notes.txt");
    EXPECT_EQ(ShellExecuteA(nullptr, "open", windowsOf(text).c_str(), nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecuteA(nullptr, "print", windowsOf(text).c_str(), nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
    EXPECT_FALSE(HostFileExists(desktop.openerLogPath()));
}

TEST(ShellExecute, OpensWebAddressesWithTheSchemesApplication)
{
    FakeDesktop desktop;
    const char *address = "http://example.org/index.htm";
    EXPECT_EQ(ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWDEFAULT), SE_ERR_NOASSOC);
    EXPECT_FALSE(HostFileExists(desktop.openerLogPath()));

    desktop.addApplication("browser", "x-scheme-handler/http;");
    EXPECT_GT(ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWDEFAULT), 32);
    EXPECT_EQ(desktop.openerLog(), QByteArray(address) + '\n');
}

TEST(ShellExecute, NeverRunsADocumentWhateverItsModeAndFirstBytes)
{
    // An executable file that would run if started: a script or a host binary.
    const QByteArray binary = ReadHostFile("/bin/true");
    ASSERT_TRUE(binary.startsWith("\x7f" "ELF"));
    const struct
    {
        const char *what;
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"a script named as a picture", "holiday.jpg", "#!/bin/sh\nexit 0\n"},
        {"a binary named as a picture", "photo.jpg", binary},
        {"a script in the program folder that is none of its programs", "Program/Tool.jpg", "#!/bin/sh\nexit 0\n"},
        {"a program's name outside the program folder", "Zilo", "#!/bin/sh\nexit 0\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FakeDesktop desktop;
        const std::string viewer = desktop.addApplication("viewer", "image/jpeg;application/x-shellscript;"
                                                                    "text/x-shellscript;application/x-executable;");
        const std::string file = hostFile(c.name, c.bytes);
        std::filesystem::permissions(file, std::filesystem::perms::owner_all | std::filesystem::perms::group_read
                                               | std::filesystem::perms::group_exec | std::filesystem::perms::others_read
                                               | std::filesystem::perms::others_exec);
        EXPECT_GT(ShellExecuteA(nullptr, "open", windowsOf(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL), 32);
        EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(file + '\n')) << "opened by its application";
        std::string program;
        EXPECT_GT(FindExecutableA(windowsOf(file).c_str(), nullptr, program), 32);
        EXPECT_EQ(program, windowsOf(viewer));
    }
}

TEST(ShellExecute, StartsTheProgramsOfTheProgramFolderByTheirNames)
{
    FakeDesktop desktop;
    const std::string log = TestHostFolder() + "/program.log";
    for (const char *name : {"Zilo", "Splash", "Setup", "Deviva"}) {
        SCOPED_TRACE(name);
        FakeDesktop::writeLoggingProgram(TestHostFolder() + "/Program/" + name, log);
        for (const std::string &file : {std::string(name), std::string(name) + ".exe"}) {
            std::filesystem::remove(log);
            EXPECT_GT(ShellExecuteA(nullptr, "open", file.c_str(), "about", nullptr, SW_SHOWNORMAL), 32);
            EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray("about\n"));
        }
    }

    // Our own programs read Windows paths, so those reach them as they stand.
    const struct
    {
        const char *parameters;
        const char *expected;
    } cases[] = {
        {"browsefile=C:\\Pics\\a.zilo  \"two words\"", "browsefile=C:\\Pics\\a.zilo\ntwo words\n"},
        {"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.parameters);
        std::filesystem::remove(log);
        EXPECT_GT(ShellExecuteA(nullptr, "open", "Splash.exe", c.parameters, nullptr, SW_SHOWNORMAL), 32);
        EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray(c.expected));
    }
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "Missing.exe", nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
}

TEST(ShellExecuteProgram, GivesAHostProgramHostPaths)
{
    FakeDesktop desktop;
    const std::string log = TestHostFolder() + "/editor.log";
    const std::string editor = TestHostFolder() + "/editor";
    FakeDesktop::writeLoggingProgram(editor, log);
    const std::string text = hostFile("a b.txt");
    const std::string parameters = "\"" + windowsOf(text) + "\" -n";
    EXPECT_GT(ShellExecuteProgramA(windowsOf(editor).c_str(), parameters.c_str(), nullptr), 32);
    EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray::fromStdString(text + "\n-n\n"));
}

TEST(ShellExecuteProgram, StartsTheProgramInTheGivenFolder)
{
    FakeDesktop desktop;
    const std::string log = TestHostFolder() + "/where.log";
    std::filesystem::create_directory(TestHostFolder() + "/start");
    FakeDesktop::writeScript(TestHostFolder() + "/start/where",
                             "pwd > '" + log + ".part'\nmv '" + log + ".part' '" + log + "'\n");
    const std::string folder = windowsOf(TestHostFolder() + "/start");
    EXPECT_GT(ShellExecuteProgramA("where", nullptr, folder.c_str()), 32) << "a relative name lies in the folder";
    EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray::fromStdString(TestHostFolder() + "/start\n"));
}

TEST(ShellExecuteProgram, FailsAsTheShellDoes)
{
    FakeDesktop desktop;
    const std::string document = hostFile("notes.txt");
    const struct
    {
        const char *what;
        std::string program;
        intptr_t expected;
    } cases[] = {
        {"a missing program", windowsOf(TestHostFolder() + "/gone.exe"), SE_ERR_FNF},
        {"a missing folder", windowsOf(TestHostFolder() + "/none/gone"), SE_ERR_PNF},
        {"a file that cannot run", windowsOf(document), SE_ERR_ACCESSDENIED},
        {"no name", "", SE_ERR_FNF},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ShellExecuteProgramA(c.program.c_str(), nullptr, nullptr), c.expected);
    }
    EXPECT_FALSE(HostFileExists(desktop.openerLogPath())) << "nothing is opened as a document";
}

TEST(ProgramFile, OnlyARegularFileTheUserMayRun)
{
    namespace fs = std::filesystem;
    const std::string runnable = hostFile("tool", "#!/bin/sh\nexit 0\n");
    fs::permissions(runnable, fs::perms::owner_all);
    const std::string plain = hostFile("notes.txt", "text");
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(TestHostFolder() + "/folder");
    fs::permissions(TestHostFolder() + "/folder", fs::perms::owner_all);
    const struct
    {
        const char *what;
        std::string path;
        bool runs;
    } cases[] = {
        {"a script the user may run", windowsOf(runnable), true},
        {"a file without the right to run", windowsOf(plain), false},
        {"a folder, which has it", windowsOf(TestHostFolder() + "/folder"), false},
        {"a file that is not there", windowsOf(TestHostFolder() + "/missing"), false},
        {"no name", "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsProgramFileA(c.path.c_str()), c.runs);
    }
}
