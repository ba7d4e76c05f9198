#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/FileOperation.h>
#include <platform/HostPath.h>
#include <platform/LastError.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string host(const std::string &name)
{
    return TestHostFolder() + '/' + name;
}

std::string windows(const std::string &name)
{
    return WindowsPathFromHost(host(name));
}

QByteArray nameList(const std::vector<std::string> &names)
{
    QByteArray list;
    for (const std::string &name : names)
        list += QByteArray::fromStdString(name) + '\0';
    return list + '\0';
}

struct Outcome
{
    int result = 0;
    bool aborted = false;
    std::vector<DWORD> codes;
};

Outcome runOperation(UINT function, const std::vector<std::string> &sources, const std::vector<std::string> &targets,
                 FILEOP_FLAGS flags = FOF_ALLOWUNDO)
{
    const QByteArray from = nameList(sources);
    const QByteArray to = nameList(targets);
    SHFILEOPSTRUCTA operation;
    operation.wFunc = function;
    operation.pFrom = from.constData();
    operation.pTo = targets.empty() ? nullptr : to.constData();
    operation.fFlags = flags;
    Outcome run;
    operation.pResults = &run.codes;
    run.result = SHFileOperationA(&operation);
    run.aborted = operation.fAnyOperationsAborted;
    return run;
}

// Gives scripted answers and remembers what it was asked.
class ScriptedResponder : public FileOperationResponder
{
public:
    ScriptedResponder() { SetFileOperationResponder(this); }
    ~ScriptedResponder() override { SetFileOperationResponder(nullptr); }

    CollisionAnswer answerCollision(const std::string &source, const std::string &target) override
    {
        collisions.push_back(source + " -> " + target);
        return collisionAnswer;
    }
    PermanentDeleteAnswer confirmPermanentDelete(const std::string &path, bool noTrash) override
    {
        permanentDeletes.push_back(path + (noTrash ? " (no trash)" : ""));
        return deleteAnswer;
    }
    bool progress(int done, int, const std::string &) override { return done < stopBefore; }

    CollisionAnswer collisionAnswer = CollisionAnswer::Skip;
    PermanentDeleteAnswer deleteAnswer = PermanentDeleteAnswer::Keep;
    int stopBefore = 1000;
    std::vector<std::string> collisions;
    std::vector<std::string> permanentDeletes;
};

class FileOperationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(host("in"));
        fs::create_directory(host("out"));
        m_environment.set("XDG_DATA_HOME", host("data"));   // the home trash lies in the test folder
    }

    ScopedEnvironment m_environment;
};

} // namespace

TEST_F(FileOperationTest, CopiesAndMovesEachFileAndReportsWhichFailed)
{
    for (const UINT function : {FO_COPY, FO_MOVE}) {
        SCOPED_TRACE(function);
        fs::remove_all(host("out"));
        fs::create_directory(host("out"));
        WriteHostFile(host("in/a.jpg"), "a");
        WriteHostFile(host("in/c.jpg"), "c");
        const Outcome run = runOperation(function, {windows("in/a.jpg"), windows("in/b.jpg"), windows("in/c.jpg")},
                                     {windows("out")});
        EXPECT_EQ(run.codes, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS}));
        EXPECT_TRUE(run.aborted) << "a failed file is no success";
        EXPECT_EQ(run.result, int(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(ReadHostFile(host("out/a.jpg")), "a");
        EXPECT_EQ(ReadHostFile(host("out/c.jpg")), "c");
        EXPECT_EQ(HostFileExists(host("in/a.jpg")), function == FO_COPY);
    }
}

TEST_F(FileOperationTest, SucceedsWholeWhenEveryFileIsDone)
{
    WriteHostFile(host("in/a.jpg"), "a");
    const Outcome run = runOperation(FO_COPY, {windows("in/a.jpg")}, {windows("out")});
    EXPECT_EQ(run.result, 0);
    EXPECT_FALSE(run.aborted);
    EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_SUCCESS});
}

TEST_F(FileOperationTest, AnswersCollisionsAsTheResponderSays)
{
    const struct
    {
        const char *name;
        bool registered;
        CollisionAnswer answer;
        DWORD firstCode;
        DWORD secondCode;
        QByteArray target;
    } cases[] = {
        {"no window: skipped", false, CollisionAnswer::Replace, ERROR_CANCELLED, ERROR_SUCCESS, "old"},
        {"skip", true, CollisionAnswer::Skip, ERROR_CANCELLED, ERROR_SUCCESS, "old"},
        {"replace", true, CollisionAnswer::Replace, ERROR_SUCCESS, ERROR_SUCCESS, "new"},
        {"cancel stops the rest", true, CollisionAnswer::Cancel, ERROR_CANCELLED, ERROR_CANCELLED, "old"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(host("out"));
        fs::create_directory(host("out"));
        WriteHostFile(host("in/a.jpg"), "new");
        WriteHostFile(host("in/z.jpg"), "z");
        WriteHostFile(host("out/a.jpg"), "old");
        std::optional<ScriptedResponder> responder;
        if (c.registered) {
            responder.emplace();
            responder->collisionAnswer = c.answer;
        }
        const Outcome run = runOperation(FO_MOVE, {windows("in/a.jpg"), windows("in/z.jpg")}, {windows("out")});
        EXPECT_EQ(run.codes, (std::vector<DWORD>{c.firstCode, c.secondCode}));
        EXPECT_EQ(ReadHostFile(host("out/a.jpg")), c.target);
        EXPECT_EQ(HostFileExists(host("in/a.jpg")), c.target == "old") << "the source stays unless it moved";
        EXPECT_EQ(HostFileExists(host("out/z.jpg")), c.secondCode == ERROR_SUCCESS);
        for (const auto &entry : fs::directory_iterator(host("out")))
            EXPECT_EQ(entry.path().filename().string().find(".zilo-"), std::string::npos) << "no helper file left";
    }
}

TEST_F(FileOperationTest, AReplaceThatCannotRemoveTheTargetKeepsBothFiles)
{
    ScriptedResponder responder;
    responder.collisionAnswer = CollisionAnswer::Replace;
    for (const UINT function : {FO_COPY, FO_MOVE}) {
        SCOPED_TRACE(function);
        WriteHostFile(host("in/a.jpg"), "new");
        WriteHostFile(host("out/a.jpg"), "old");
        fs::permissions(host("out/a.jpg"), fs::perms::owner_read);   // DeleteFileA refuses read-only files
        const Outcome run = runOperation(function, {windows("in/a.jpg")}, {windows("out")});
        EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_ACCESS_DENIED});
        EXPECT_EQ(ReadHostFile(host("in/a.jpg")), "new");
        EXPECT_EQ(ReadHostFile(host("out/a.jpg")), "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(host("out")), fs::directory_iterator()), 1);
        fs::permissions(host("out/a.jpg"), fs::perms::owner_all);
        fs::remove(host("out/a.jpg"));
    }
}

TEST_F(FileOperationTest, ReplacesAFileWhoseNameIsAsLongAsTheFileSystemTakes)
{
    ScriptedResponder responder;
    responder.collisionAnswer = CollisionAnswer::Replace;
    const std::string name = std::string(251, 'x') + ".jpg";
    for (const UINT function : {FO_COPY, FO_MOVE}) {
        SCOPED_TRACE(function);
        WriteHostFile(host("in/" + name), "new");
        WriteHostFile(host("out/" + name), "old");
        const Outcome run = runOperation(function, {windows("in/" + name)}, {windows("out")});
        EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_SUCCESS});
        EXPECT_EQ(ReadHostFile(host("out/" + name)), "new");
        EXPECT_EQ(HostFileExists(host("in/" + name)), function == FO_COPY);
        EXPECT_EQ(std::distance(fs::directory_iterator(host("out")), fs::directory_iterator()), 1);
    }
}

TEST_F(FileOperationTest, NeverPutsAFileOntoItself)
{
    ScriptedResponder responder;
    responder.collisionAnswer = CollisionAnswer::Replace;
    WriteHostFile(host("in/a.jpg"), "a");
    for (const UINT function : {FO_COPY, FO_MOVE}) {
        SCOPED_TRACE(function);
        const Outcome run = runOperation(function, {windows("in/a.jpg")}, {windows("in")});
        EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_FILE_EXISTS});
        EXPECT_EQ(ReadHostFile(host("in/a.jpg")), "a");
    }
    EXPECT_TRUE(responder.collisions.empty()) << "no question about a file and itself";
}

TEST_F(FileOperationTest, FailsEveryFileForATargetThatIsNoFolder)
{
    WriteHostFile(host("in/a.jpg"), "a");
    const Outcome run = runOperation(FO_COPY, {windows("in/a.jpg")}, {windows("missing")});
    EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_PATH_NOT_FOUND});
    EXPECT_EQ(runOperation(FO_COPY, {windows("in/a.jpg")}, {}).codes, std::vector<DWORD>{ERROR_PATH_NOT_FOUND});
}

TEST_F(FileOperationTest, StopsWhenProgressSaysSo)
{
    ScriptedResponder responder;
    responder.stopBefore = 1;
    WriteHostFile(host("in/a.jpg"), "a");
    WriteHostFile(host("in/b.jpg"), "b");
    const Outcome run = runOperation(FO_COPY, {windows("in/a.jpg"), windows("in/b.jpg")}, {windows("out")});
    EXPECT_EQ(run.codes, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_CANCELLED}));
    EXPECT_TRUE(run.aborted);
    EXPECT_FALSE(HostFileExists(host("out/b.jpg")));
}

TEST_F(FileOperationTest, DeletesToTheTrash)
{
    WriteHostFile(host("in/a.jpg"), "a");
    fs::create_directories(host("in/sub/deeper"));
    ScriptedResponder responder;
    const Outcome run = runOperation(FO_DELETE, {windows("in/a.jpg"), windows("in/sub"), windows("in/gone.jpg")}, {});
    EXPECT_EQ(run.codes, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_SUCCESS, ERROR_FILE_NOT_FOUND}));
    EXPECT_FALSE(HostFileExists(host("in/a.jpg")));
    EXPECT_EQ(ReadHostFile(host("data/Trash/files/a.jpg")), "a");
    EXPECT_TRUE(fs::is_directory(host("data/Trash/files/sub/deeper")));
    EXPECT_TRUE(HostFileExists(host("data/Trash/info/sub.trashinfo")));
    EXPECT_TRUE(responder.permanentDeletes.empty());
}

TEST_F(FileOperationTest, AsksBeforeDeletingForGood)
{
    const struct
    {
        const char *name;
        bool trashBlocked;     // the home trash cannot be made
        FILEOP_FLAGS flags;
        PermanentDeleteAnswer answer;
        DWORD code;
        const char *asked;
    } cases[] = {
        {"no trash, kept", true, FOF_ALLOWUNDO, PermanentDeleteAnswer::Keep, ERROR_CANCELLED, " (no trash)"},
        {"no trash, deleted", true, FOF_ALLOWUNDO, PermanentDeleteAnswer::Delete, ERROR_SUCCESS, " (no trash)"},
        {"no undo asked for", false, 0, PermanentDeleteAnswer::Delete, ERROR_SUCCESS, ""},
        {"no undo, cancelled", false, 0, PermanentDeleteAnswer::Cancel, ERROR_CANCELLED, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnvironment environment;
        if (c.trashBlocked) {
            WriteHostFile(host("blocker"), "a file where a folder should be");
            environment.set("XDG_DATA_HOME", host("blocker/data"));
        }
        WriteHostFile(host("in/a.jpg"), "a");
        ScriptedResponder responder;
        responder.deleteAnswer = c.answer;
        const Outcome run = runOperation(FO_DELETE, {windows("in/a.jpg")}, {}, c.flags);
        EXPECT_EQ(run.codes, std::vector<DWORD>{c.code});
        EXPECT_EQ(HostFileExists(host("in/a.jpg")), c.code != ERROR_SUCCESS);
        EXPECT_EQ(responder.permanentDeletes, std::vector<std::string>{windows("in/a.jpg") + c.asked});
        EXPECT_FALSE(HostFileExists(host("data/Trash/files/a.jpg")));
    }
}

TEST_F(FileOperationTest, WithoutAWindowNothingIsDeletedForGood)
{
    WriteHostFile(host("in/a.jpg"), "a");
    const Outcome run = runOperation(FO_DELETE, {windows("in/a.jpg")}, {}, 0);
    EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_CANCELLED});
    EXPECT_TRUE(run.aborted);
    EXPECT_TRUE(HostFileExists(host("in/a.jpg")));
}

TEST_F(FileOperationTest, DeletingAFolderForGoodNeverFollowsALinkOutOfIt)
{
    WriteHostFile(host("outside.jpg"), "keep me");
    fs::create_directories(host("in/album/inner"));
    WriteHostFile(host("in/album/inner/a.jpg"), "a");
    fs::create_symlink(host("outside.jpg"), host("in/album/link.jpg"));
    fs::create_directory_symlink(host("out"), host("in/album/linked-folder"));
    WriteHostFile(host("out/b.jpg"), "b");
    ScriptedResponder responder;
    responder.deleteAnswer = PermanentDeleteAnswer::Delete;
    const Outcome run = runOperation(FO_DELETE, {windows("in/album")}, {}, 0);
    EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_SUCCESS});
    EXPECT_FALSE(HostFileExists(host("in/album")));
    EXPECT_EQ(ReadHostFile(host("outside.jpg")), "keep me");
    EXPECT_EQ(ReadHostFile(host("out/b.jpg")), "b");
}

TEST_F(FileOperationTest, RenamesWithoutReplacing)
{
    WriteHostFile(host("in/a.jpg"), "a");
    WriteHostFile(host("in/b.jpg"), "b");
    Outcome run = runOperation(FO_RENAME, {windows("in/a.jpg")}, {"b.jpg"});
    EXPECT_EQ(run.codes, std::vector<DWORD>{ERROR_ALREADY_EXISTS});
    EXPECT_EQ(ReadHostFile(host("in/b.jpg")), "b");

    run = runOperation(FO_RENAME, {windows("in/a.jpg"), windows("in/b.jpg")}, {"c.jpg", windows("out/d.jpg")});
    EXPECT_EQ(run.codes, (std::vector<DWORD>{ERROR_SUCCESS, ERROR_SUCCESS}));
    EXPECT_EQ(ReadHostFile(host("in/c.jpg")), "a");
    EXPECT_EQ(ReadHostFile(host("out/d.jpg")), "b");
}

TEST_F(FileOperationTest, RefusesAnEmptyListOrAnUnknownOperation)
{
    EXPECT_EQ(runOperation(FO_COPY, {}, {windows("out")}).result, int(ERROR_INVALID_PARAMETER));
    WriteHostFile(host("in/a.jpg"), "a");
    EXPECT_EQ(runOperation(9, {windows("in/a.jpg")}, {}).codes, std::vector<DWORD>{ERROR_INVALID_PARAMETER});
    EXPECT_TRUE(HostFileExists(host("in/a.jpg")));
}
