#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <lib/Shell.h>
#include <platform/FileOperation.h>
#include <platform/HostPath.h>
#include <platform/LastError.h>
#include <platform/StringList.h>

#include <platform/SystemInfo.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string host(const std::string &name)
{
    return TestHostFolder() + '/' + name;
}

QString windows(const std::string &name)
{
    return QString::fromStdString(WindowsPathFromHost(host(name)));
}

std::string windowsText(const std::string &name)
{
    return WindowsPathFromHost(host(name));
}

} // namespace

TEST(TShell, OpenOfAFileWithoutAssociationAnswers31AndForgetsTheLastProgram)
{
    FakeDesktop desktop;
    const std::string viewer = desktop.addApplication("viewer", "text/plain;");
    WriteHostFile(host("notes.txt"), "text");
    WriteHostFile(host("data.zqx"), QByteArray("\x01\x02\x03\x04", 4));

    ASSERT_EQ(TShell::Open(windowsText("notes.txt").c_str(), nullptr), -1);
    EXPECT_EQ(TShell::GetLastExecutable(), CString(WindowsPathFromHost(viewer).c_str()));
    EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(host("notes.txt") + '\n'));

    EXPECT_EQ(TShell::Open(windowsText("data.zqx").c_str(), nullptr), 31);
    EXPECT_TRUE(TShell::GetLastExecutable().IsEmpty());
    EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(host("notes.txt") + '\n')) << "nothing more started";
}

TEST(TShell, ExecuteAnswersTheShellsCodeAndHandle)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "text/plain;");
    WriteHostFile(host("notes.txt"), "text");

    void *instance = reinterpret_cast<void *>(1);
    EXPECT_EQ(TShell::Execute(nullptr, "open", windowsText("missing.txt").c_str(), nullptr, nullptr, 1, &instance), 2);
    EXPECT_EQ(instance, nullptr);

    desktop.setOpenerStatus(4);   // the opener fails
    EXPECT_EQ(TShell::Execute(nullptr, "open", windowsText("notes.txt").c_str(), nullptr, nullptr, 1, &instance), 27);
    EXPECT_EQ(instance, nullptr);
    EXPECT_TRUE(TShell::GetLastExecutable().IsEmpty());

    desktop.setOpenerStatus(0);
    EXPECT_EQ(TShell::Execute(nullptr, "open", windowsText("notes.txt").c_str(), nullptr, nullptr, 1, &instance), -1);
    EXPECT_GT(reinterpret_cast<intptr_t>(instance), 32);
}

TEST(TShell, FindExecutableFillsOrEmptiesTheProgram)
{
    FakeDesktop desktop;
    const std::string viewer = desktop.addApplication("viewer", "text/plain;");
    WriteHostFile(host("notes.txt"), "text");
    CString program;
    EXPECT_EQ(TShell::FindExecutableA(windowsText("notes.txt").c_str(), nullptr, program), -1);
    EXPECT_EQ(program, CString(WindowsPathFromHost(viewer).c_str()));
    EXPECT_EQ(TShell::FindExecutableA(windowsText("missing.txt").c_str(), nullptr, program), 2);
    EXPECT_TRUE(program.IsEmpty());
}

TEST(TShell, OpenProgramStartsTheChosenProgramWhichOpenOnlyOpensAsADocument)
{
    FakeDesktop desktop;
    const std::string log = host("viewer.log");
    FakeDesktop::writeLoggingProgram(host("my viewer"), log);
    WriteHostFile(host("a b.png"), QByteArray("\x89PNG\r\n\x1a\n", 8));
    const std::string parameters = '"' + windowsText("a b.png") + '"';

    EXPECT_EQ(TShell::Open(windowsText("my viewer").c_str(), parameters.c_str()), 31) << "a script is a document";
    EXPECT_FALSE(HostFileExists(log));

    ASSERT_EQ(TShell::OpenProgram(windowsText("my viewer").c_str(), parameters.c_str()), -1);
    EXPECT_EQ(FakeDesktop::waitForFile(log), QByteArray::fromStdString(host("a b.png") + '\n'));
    EXPECT_EQ(TShell::GetLastExecutable(), CString(windowsText("my viewer").c_str()));

    EXPECT_EQ(TShell::OpenProgram(windowsText("gone.exe").c_str(), parameters.c_str()), 2);
    EXPECT_TRUE(TShell::GetLastExecutable().IsEmpty());
}

TEST(TShell, ErrorMessages)
{
    const struct
    {
        int code;
        const char *text;
    } cases[] = {
        {0, "Out of memory or resources"},
        {2, "The specified file was not found"},
        {3, "The specified path was not found"},
        {5, "Access to the specified file was denied"},
        {8, "There was not enough memory to complete the operation"},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)"},
        {26, "A sharing violation occurred"},
        {27, "The filename association is incomplete or invalid"},
        {28, "The DDE transaction could not be completed because the request timed out"},
        {29, "The DDE transaction failed"},
        {30, "The DDE transaction could not be completed because other DDE transactions were being processed"},
        {31, "There is no application associated with the given filename extension"},
        {32, "The specified DLL was not found"},
        {4, "Success"},
        {-1, "Success"},
        {33, "Success"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TShell::GetErrorMessage(c.code), QString::fromUtf8(c.text)) << c.code;
}

TEST(TShell, AboutSystemShowsTheBoxOfTheSystemItRunsOn)
{
    QString title;
    QString text;
    QString informative;
    QTimer::singleShot(0, [&] {
        auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        informative = box->informativeText();
        box->accept();
    });
    EXPECT_TRUE(TShell::AboutSystem(nullptr, nullptr, "Linux 6.1"));
    OSVERSIONINFOA system;
    ASSERT_TRUE(GetVersionExA(&system));
    EXPECT_EQ(title, "About This System");
    EXPECT_EQ(text, QString::fromUtf8(system.szCSDVersion)) << "the system's name";
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(informative, "Linux 6.1");
}

TEST(TShell, FileOperationNamesAreTheShellsListForm)
{
    TStringList names;
    EXPECT_EQ(GetFileOperationNames(&names), QByteArray(1, '\0'));
    names.Add("C:\\a.jpg");
    names.Add(QString::fromUtf8("C:\\\xc3\xa9t\xc3\xa9.jpg"));
    EXPECT_EQ(GetFileOperationNames(&names), QByteArray("C:\\a.jpg\0C:\\\xc3\xa9t\xc3\xa9.jpg\0\0", 23));
}

class TShellFileOperation : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(host("in"));
        std::filesystem::create_directory(host("out"));
        m_environment.set("XDG_DATA_HOME", host("data"));
    }

    ScopedEnvironment m_environment;
};

TEST_F(TShellFileOperation, ReportsWhichFilesFailed)
{
    const struct
    {
        int operation;
        bool sourceKept;
    } cases[] = {{FO_COPY, true}, {FO_MOVE, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.operation);
        std::filesystem::remove_all(host("out"));
        std::filesystem::create_directory(host("out"));
        WriteHostFile(host("in/a.jpg"), "a");
        WriteHostFile(host("in/c.jpg"), "c");
        TStringList files;
        files.Add(windows("in/a.jpg"));
        files.Add(windows("in/missing.jpg"));
        files.Add(windows("in/c.jpg"));
        std::vector<DWORD> results;
        EXPECT_TRUE(TShell::FileOperation(&files, c.operation, windowsText("out").c_str(), &results));
        EXPECT_EQ(results, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS}));
        EXPECT_EQ(ReadHostFile(host("out/a.jpg")), "a");
        EXPECT_EQ(ReadHostFile(host("out/c.jpg")), "c");
        EXPECT_EQ(HostFileExists(host("in/a.jpg")), c.sourceKept);
    }
}

TEST_F(TShellFileOperation, AnswersFalseWhenEveryFileWasDone)
{
    WriteHostFile(host("in/a.jpg"), "a");
    TStringList files;
    files.Add(windows("in/a.jpg"));
    EXPECT_FALSE(TShell::FileOperation(&files, FO_COPY, windowsText("out").c_str()));
    EXPECT_EQ(ReadHostFile(host("out/a.jpg")), "a");
}

TEST_F(TShellFileOperation, DeletesGoToTheTrash)
{
    WriteHostFile(host("in/a.jpg"), "a");
    TStringList files;
    files.Add(windows("in/a.jpg"));
    std::vector<DWORD> results;
    EXPECT_FALSE(TShell::FileOperation(&files, FO_DELETE, nullptr, &results));
    EXPECT_EQ(results, std::vector<DWORD>{ERROR_SUCCESS});
    EXPECT_FALSE(HostFileExists(host("in/a.jpg")));
    EXPECT_EQ(ReadHostFile(host("data/Trash/files/a.jpg")), "a");
    EXPECT_TRUE(HostFileExists(host("data/Trash/info/a.jpg.trashinfo")));
}

TEST_F(TShellFileOperation, WithoutTrashNothingIsDeletedUntilAWindowAgrees)
{
    WriteHostFile(host("blocker"), "a file where a folder should be");
    m_environment.set("XDG_DATA_HOME", host("blocker/data"));
    WriteHostFile(host("in/a.jpg"), "a");
    TStringList files;
    files.Add(windows("in/a.jpg"));
    std::vector<DWORD> results;
    EXPECT_TRUE(TShell::FileOperation(&files, FO_DELETE, nullptr, &results));
    EXPECT_EQ(results, std::vector<DWORD>{ERROR_CANCELLED});
    EXPECT_TRUE(HostFileExists(host("in/a.jpg")));
}

TEST_F(TShellFileOperation, LinesAfterAnEmptyOneAreNotDone)
{
    WriteHostFile(host("in/a.jpg"), "a");
    WriteHostFile(host("in/b.jpg"), "b");
    TStringList files;
    files.Add(windows("in/a.jpg"));
    files.Add("");
    files.Add(windows("in/b.jpg"));
    std::vector<DWORD> results;
    EXPECT_TRUE(TShell::FileOperation(&files, FO_COPY, windowsText("out").c_str(), &results));
    EXPECT_EQ(results, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER}));
    EXPECT_FALSE(HostFileExists(host("out/b.jpg")));
}
