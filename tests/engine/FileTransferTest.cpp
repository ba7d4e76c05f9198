#include "ThumbTestSupport.h"
#include "../ScopedEnvironment.h"

#include <Source/engine/FileHandler.h>
#include <Source/engine/FileTransfer.h>
#include <lib/Drive.h>
#include <platform/Clipboard.h>
#include <platform/FileOperation.h>
#include <platform/HostPath.h>

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string host(const QString &name)
{
    return TestHostFolder() + "/" + name.toStdString();
}

// The Windows path of a name in the test folder, written with slashes.
CPath windows(const QString &name)
{
    return CPath(CString(TestWindowsPath(QString(name).replace(u'/', u'\\'))));
}

// A path in the test folder back in the form windows() takes.
QString relative(const CPath &path)
{
    QString text = path.ToAnsiString();
    return text.mid(TestWindowsPath(QString()).size()).replace(u'\\', u'/');
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    fs::create_directories(fs::path(host(name)).parent_path());
    WriteHostFile(host(name), bytes);
}

// The file's bytes; nullopt when there is none.
std::optional<QByteArray> contentOf(const QString &name)
{
    if (!HostFileExists(host(name)))
        return std::nullopt;
    return ReadHostFile(host(name));
}

TStringList listOf(const std::vector<QString> &names)
{
    TStringList files;
    for (const QString &name : names)
        files.Add(windows(name).ToAnsiString());
    return files;
}

void setMemo(const QString &name, const QStringList &lines)
{
    TStringList memo;
    for (const QString &line : lines)
        memo.Add(line);
    CMemo(windows(name)).SetLines(memo);
}

QStringList memoOf(const QString &name)
{
    CMemo memo(windows(name));
    return memo.GetLines()->ToStringList();
}

// The windows above the engine, for one scope: the coordinator's and the
// basket's calls are recorded in order, and the dialogs answer from scripts
// (the safe answer once a script runs out).
class TransferWindows : public RecordingCoordinator, public DialogHooks, public BasketHooks
{
public:
    TransferWindows()
    {
        SetDialogHooks(this);
        SetBasketHooks(this);
    }
    ~TransferWindows() override
    {
        SetDialogHooks(nullptr);
        SetBasketHooks(nullptr);
    }

    void UpdateFolderWindows(const CPath &folder) override { record("update " + relative(folder).toStdString()); }
    void RemoveMissingItems() override { record("basket"); }

    CollisionChoice ShowCollisionDialog(const CPath &source, const CPath &destination) override
    {
        collisions.push_back(relative(source) + " -> " + relative(destination));
        return take(collisionChoices, CollisionCancel);
    }
    // An empty name declines the rename.
    bool ShowRenameDialog(TImageHandler &file) override
    {
        const QString name = take(renames, QString());
        return !name.isEmpty() && file.Rename(CString(name));
    }
    int ConfirmDeleteFiles(TImageHandler &file, bool moreFollow) override
    {
        deletesAsked.push_back({relative(file.GetFullPath()), moreFollow});
        return take(deleteAnswers, IDCANCEL);
    }
    bool ConfirmMemoReplacement(const CPath &destination, const TStrings &sourceLines,
                                const TStrings &destLines) override
    {
        memoQuestions.push_back(relative(destination) + ": " + sourceLines.ToStringList().join(u'|') + " over "
                                + destLines.ToStringList().join(u'|'));
        return take(memoAnswers, false);
    }
    bool ChooseTargetFolder(const TargetFolderRequest &request, CPath &folder) override
    {
        targetRequests.push_back(request);
        if (!targetFolder)
            return false;
        folder = *targetFolder;
        return true;
    }

    std::deque<CollisionChoice> collisionChoices;
    std::deque<QString> renames;
    std::deque<int> deleteAnswers;
    std::deque<bool> memoAnswers;
    std::optional<CPath> targetFolder;

    std::vector<QString> collisions;
    std::vector<std::pair<QString, bool>> deletesAsked;   // file, more follow
    std::vector<QString> memoQuestions;
    std::vector<TargetFolderRequest> targetRequests;

private:
    template <typename T>
    static T take(std::deque<T> &answers, T safe)
    {
        if (answers.empty())
            return safe;
        const T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// The shell's own questions, answered in place of the user.
class ShellAnswers : public FileOperationResponder
{
public:
    ShellAnswers() { SetFileOperationResponder(this); }
    ~ShellAnswers() override { SetFileOperationResponder(nullptr); }

    CollisionAnswer answerCollision(const std::string &, const std::string &) override { return collision; }
    PermanentDeleteAnswer confirmPermanentDelete(const std::string &path, bool noTrash) override
    {
        permanentDeletes.push_back(relative(CPath(path.c_str())) + (noTrash ? " (no trash)" : ""));
        return permanentDelete;
    }

    CollisionAnswer collision = CollisionAnswer::Skip;
    PermanentDeleteAnswer permanentDelete = PermanentDeleteAnswer::Keep;
    std::vector<QString> permanentDeletes;
};

// Leaves the test folder's file system without a trash: the home trash's
// folder cannot be made where a file stands.
void takeAwayTheTrash(ScopedEnvironment &environment)
{
    writeFile("blocker", "a file where the trash's folder should be");
    environment.set("XDG_DATA_HOME", host("blocker/data"));
}

std::vector<QString> texts(const MessageBoxScript &script)
{
    std::vector<QString> shown;
    for (const MessageBoxScript::Box &box : script.boxes())
        shown.push_back(box.text);
    return shown;
}

const std::vector<std::string> ShellRan = {"begin", "end", "basket"};

class FileTransferTest : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        // The trash lies in the test folder.
        m_environment.set("XDG_DATA_HOME", host("data"));
    }

    ScopedEnvironment m_environment;
};

TEST_F(FileTransferTest, CutAndPasteMovesThreeFilesWithTheirMemosAndRecords)
{
    const QStringList names = {"a.jpg", "b.jpg", "c.jpg"};
    std::vector<QString> sources;
    std::vector<QByteArray> bytes;
    std::vector<CThumbBitmap *> records;
    for (const QString &name : names) {
        sources.push_back("src/" + name);
        writeJpegFile(sources.back(), 8, 8);
        bytes.push_back(ReadHostFile(host(sources.back())));
        setMemo(sources.back(), {"memo of " + name, "second line"});
        records.push_back(FindOrCreateThumbBitmap(windows(sources.back())));
        ASSERT_NE(records.back(), nullptr);
    }
    fs::create_directories(host("dest"));
    TransferWindows hooks;
    MessageBoxScript boxes;

    PutFilesOnClipboard(true, listOf(sources));
    ASSERT_TRUE(PasteFilesFromClipboard(windows("dest")));

    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_FALSE(contentOf(sources[size_t(i)]));
        EXPECT_EQ(contentOf("dest/" + names[i]), bytes[size_t(i)]);
        EXPECT_EQ(memoOf("dest/" + names[i]), QStringList({"memo of " + names[i], "second line"}));
        EXPECT_TRUE(memoOf(sources[size_t(i)]).isEmpty());
        CThumbBitmap *found = FindThumbBitmap(windows(sources[size_t(i)]));
        EXPECT_EQ(found, nullptr) << "the moved file's record is stale";
        if (found)
            found->Release();
        records[size_t(i)]->Release();
    }
    EXPECT_FALSE(TZILOClipboardStringList().IsDataAvailable());
    EXPECT_EQ(hooks.calls(), (std::vector<std::string>{"begin", "end", "basket", "update dest"}));
    EXPECT_TRUE(boxes.boxes().empty());

    EXPECT_FALSE(PasteFilesFromClipboard(windows("dest")));
    EXPECT_EQ(hooks.calls().size(), 4u);
}

TEST_F(FileTransferTest, ACutAndPasteOfNamesWithLineBreaksMovesOnlyThem)
{
    // The siblings are named as the pieces of a path split at its line breaks.
    const std::vector<std::string> chosen = {"x\nb.jpg", "x\rc.jpg", "x\r\nd.jpg", "\n"};
    const std::vector<std::string> siblings = {"x", "b.jpg", "c.jpg", "d.jpg", "x\xEF\x80\x8A" "b.jpg"};
    fs::create_directories(host("src"));
    for (const std::string &name : chosen)
        WriteHostFile(host("src/").append(name), QByteArray::fromStdString(name));
    for (const std::string &name : siblings)
        WriteHostFile(host("src/").append(name), QByteArray::fromStdString(name));
    fs::create_directories(host("dest"));
    TStringList files;
    for (const std::string &path : ListedWindowsPaths("src")) {
        const std::string name = fs::path(HostPathFromWindows(path)).filename().string();
        if (std::find(chosen.begin(), chosen.end(), name) != chosen.end())
            files.Add(QString::fromStdString(path));
    }
    ASSERT_EQ(files.Count(), int(chosen.size()));
    TransferWindows hooks;
    MessageBoxScript boxes;

    PutFilesOnClipboard(true, files);
    ASSERT_TRUE(PasteFilesFromClipboard(windows("dest")));

    auto namesIn = [](const QString &folder) {
        std::set<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(host(folder)))
            names.insert(entry.path().filename().string());
        return names;
    };
    EXPECT_EQ(namesIn("dest"), std::set<std::string>(chosen.begin(), chosen.end()));
    EXPECT_EQ(namesIn("src"), std::set<std::string>(siblings.begin(), siblings.end()));
    for (const std::string &name : chosen)
        EXPECT_EQ(ReadHostFile(host("dest/").append(name)), QByteArray::fromStdString(name));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileTransferTest, EveryCollisionChoiceActsOnItsFile)
{
    const std::vector<std::string> Copied = {"begin", "end", "basket", "update dest"};
    using Files = std::vector<std::pair<QString, const char *>>;   // name, bytes or null for none
    const struct
    {
        const char *name;
        std::vector<CollisionChoice> choices;
        std::vector<QString> renames;
        bool noTrash;   // and the shell's question whether to delete for good answered Keep
        size_t dialogs;
        std::vector<std::string> calls;
        Files after;
    } cases[] = {
        {"ignore all: the shell's own question keeps the destination",
         {CollisionIgnoreAll}, {}, false, 1, Copied,
         {{"dest/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}, {"src/a.jpg", "source a"}}},
        {"rename the source",
         {CollisionRenameSource}, {"a2.jpg"}, false, 1, Copied,
         {{"src/a.jpg", nullptr}, {"src/a2.jpg", "source a"}, {"dest/a2.jpg", "source a"},
          {"dest/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}}},
        {"a declined rename asks again",
         {CollisionRenameSource, CollisionSkip}, {""}, false, 2, Copied,
         {{"src/a.jpg", "source a"}, {"dest/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}}},
        {"skip",
         {CollisionSkip}, {}, false, 1, Copied,
         {{"src/a.jpg", "source a"}, {"dest/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}}},
        {"rename the destination",
         {CollisionRenameDestination}, {"old.jpg"}, false, 1, Copied,
         {{"dest/old.jpg", "dest a"}, {"dest/a.jpg", "source a"}, {"dest/b.jpg", "source b"}}},
        {"delete the destination",
         {CollisionDeleteDestination}, {}, false, 1, {"begin", "end", "begin", "end", "basket", "update dest"},
         {{"dest/a.jpg", "source a"}, {"data/Trash/files/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}}},
        {"a destination that is not deleted asks again",
         {CollisionDeleteDestination, CollisionSkip}, {}, true, 2,
         {"begin", "end", "begin", "end", "basket", "update dest"},
         {{"dest/a.jpg", "dest a"}, {"dest/b.jpg", "source b"}, {"src/a.jpg", "source a"}}},
        {"cancel",
         {CollisionCancel}, {}, false, 1, {},
         {{"dest/a.jpg", "dest a"}, {"dest/b.jpg", nullptr}, {"src/a.jpg", "source a"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(host("src"));
        fs::remove_all(host("dest"));
        fs::remove_all(host("data"));
        writeFile("src/a.jpg", "source a");
        writeFile("src/b.jpg", "source b");
        writeFile("dest/a.jpg", "dest a");
        ScopedEnvironment environment;
        if (c.noTrash) {
            takeAwayTheTrash(environment);
        }
        ShellAnswers shell;
        TransferWindows hooks;
        hooks.collisionChoices.assign(c.choices.begin(), c.choices.end());
        hooks.renames.assign(c.renames.begin(), c.renames.end());
        MessageBoxScript boxes;

        TStringList files = listOf({"src/a.jpg", "src/b.jpg"});
        TransferFiles(TCopyContext(), files, windows("dest"));

        EXPECT_EQ(hooks.collisions.size(), c.dialogs);
        EXPECT_EQ(hooks.collisions.front(), "src/a.jpg -> dest/a.jpg");
        EXPECT_EQ(hooks.calls(), c.calls);
        for (const auto &[name, bytes] : c.after) {
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(contentOf(name), bytes ? std::optional<QByteArray>(bytes) : std::nullopt);
        }
        EXPECT_EQ(shell.permanentDeletes.size(), c.noTrash ? 1u : 0u);
        EXPECT_TRUE(boxes.boxes().empty()) << texts(boxes).front().toStdString();
    }
}

TEST_F(FileTransferTest, SkippingEveryCollisionRunsNoOperation)
{
    writeFile("src/a.jpg", "source a");
    writeFile("src/b.jpg", "source b");
    writeFile("dest/a.jpg", "dest a");
    writeFile("dest/b.jpg", "dest b");
    TransferWindows hooks;
    hooks.collisionChoices = {CollisionSkip, CollisionSkip};
    MessageBoxScript boxes;

    TStringList files = listOf({"src/a.jpg", "src/b.jpg"});
    TransferFiles(TMoveContext(), files, windows("dest"));

    EXPECT_EQ(hooks.collisions.size(), 2u);
    EXPECT_TRUE(hooks.calls().empty()) << "no shell operation, no window updated";
    EXPECT_EQ(files.Count(), 0);
    EXPECT_EQ(contentOf("src/a.jpg"), "source a");
    EXPECT_EQ(contentOf("src/b.jpg"), "source b");
    EXPECT_EQ(contentOf("dest/a.jpg"), "dest a");
    EXPECT_EQ(contentOf("dest/b.jpg"), "dest b");
}

TEST_F(FileTransferTest, CancelAtTheFirstDeleteDeletesNothing)
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        writeFile(QString("src/") + name, name);
    TransferWindows hooks;
    hooks.deleteAnswers = {IDCANCEL, IDYES, IDYES};
    MessageBoxScript boxes;

    TStringList files = listOf({"src/a.jpg", "src/b.jpg", "src/c.jpg"});
    DeleteFiles(files);

    EXPECT_EQ(hooks.deletesAsked, (std::vector<std::pair<QString, bool>>{{"src/a.jpg", true}}));
    EXPECT_EQ(files.ToStringList(), listOf({"src/a.jpg", "src/b.jpg", "src/c.jpg"}).ToStringList());
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        EXPECT_EQ(contentOf(QString("src/") + name), name);
    EXPECT_TRUE(hooks.calls().empty());
}

TEST_F(FileTransferTest, DeleteTrashesTheConfirmedFilesAndDropsTheirMemosAndRecords)
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
        writeJpegFile(QString("src/") + name, 8, 8);
        setMemo(QString("src/") + name, {name});
    }
    CThumbBitmap *recordA = FindOrCreateThumbBitmap(windows("src/a.jpg"));
    CThumbBitmap *recordB = FindOrCreateThumbBitmap(windows("src/b.jpg"));
    TransferWindows hooks;
    hooks.deleteAnswers = {IDYES, IDNO, IDYES};
    MessageBoxScript boxes;

    TStringList files = listOf({"src/a.jpg", "src/b.jpg", "src/c.jpg"});
    DeleteFiles(files);

    EXPECT_EQ(hooks.deletesAsked,
              (std::vector<std::pair<QString, bool>>{{"src/a.jpg", true}, {"src/b.jpg", true}, {"src/c.jpg", false}}));
    EXPECT_FALSE(contentOf("src/a.jpg"));
    EXPECT_TRUE(contentOf("src/b.jpg"));
    EXPECT_FALSE(contentOf("src/c.jpg"));
    EXPECT_TRUE(contentOf("data/Trash/files/a.jpg"));
    EXPECT_TRUE(contentOf("data/Trash/files/c.jpg"));
    EXPECT_TRUE(memoOf("src/a.jpg").isEmpty());
    EXPECT_EQ(memoOf("src/b.jpg"), QStringList{"b.jpg"});
    EXPECT_TRUE(memoOf("src/c.jpg").isEmpty());
    CThumbBitmap *foundA = FindThumbBitmap(windows("src/a.jpg"));
    CThumbBitmap *foundB = FindThumbBitmap(windows("src/b.jpg"));
    EXPECT_EQ(foundA, nullptr);
    EXPECT_EQ(foundB, recordB) << "a kept file keeps its record";
    for (CThumbBitmap *record : {foundA, foundB, recordA, recordB}) {
        if (record)
            record->Release();
    }
    EXPECT_EQ(hooks.calls(), ShellRan);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileTransferTest, WithoutATrashNothingIsDeletedForGoodUnlessTheUserSaysSo)
{
    takeAwayTheTrash(m_environment);
    writeFile("src/a.jpg", "a");
    setMemo("src/a.jpg", {"kept"});
    TransferWindows hooks;
    hooks.deleteAnswers = {IDYES};
    ShellAnswers shell;
    shell.permanentDelete = PermanentDeleteAnswer::Keep;
    MessageBoxScript boxes;

    TStringList files = listOf({"src/a.jpg"});
    DeleteFiles(files);

    EXPECT_EQ(shell.permanentDeletes, std::vector<QString>{"src/a.jpg (no trash)"});
    EXPECT_EQ(contentOf("src/a.jpg"), "a");
    EXPECT_EQ(memoOf("src/a.jpg"), QStringList{"kept"});
    EXPECT_TRUE(boxes.boxes().empty()) << "a file the user kept is no failure";
}

// Copying or moving a file onto itself, by any name, leaves it as it was.
TEST_F(FileTransferTest, AFileIsNeverTransferredOntoItself)
{
    const QByteArray original = "the only copy of a picture";
    const struct
    {
        const char *name;
        bool move;
        const char *target;
        bool hardLink;   // dest/a.jpg is a second name of src/a.jpg
        int answer;      // to the box shown
        const char *box;
        bool duplicated;
    } cases[] = {
        {"copy, same folder, no duplicate", false, "src", false, IDNO,
         "Do you want to make a duplicate of 'a.jpg'?", false},
        {"copy, same folder, duplicate", false, "src", false, IDYES,
         "Do you want to make a duplicate of 'a.jpg'?", true},
        {"copy, folder in another case", false, "SRC", false, IDNO,
         "Do you want to make a duplicate of 'a.jpg'?", false},
        {"copy onto a hard link", false, "dest", true, IDNO,
         "Do you want to make a duplicate of 'a.jpg'?", false},
        {"move, same folder", true, "src", false, IDOK, "You cannot move a file on top of itself", false},
        {"move onto a hard link", true, "dest", true, IDOK, "You cannot move a file on top of itself", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(host("src"));
        fs::remove_all(host("dest"));
        writeFile("src/a.jpg", original);
        setMemo("src/a.jpg", {"memo"});
        fs::create_directories(host("dest"));
        if (c.hardLink)
            fs::create_hard_link(host("src/a.jpg"), host("dest/a.jpg"));
        TransferWindows hooks;
        MessageBoxScript boxes({c.answer});

        TStringList files = listOf({"src/a.jpg"});
        if (c.move)
            TransferFiles(TMoveContext(), files, windows(c.target));
        else
            TransferFiles(TCopyContext(), files, windows(c.target));

        EXPECT_EQ(texts(boxes), std::vector<QString>{c.box});
        EXPECT_EQ(contentOf("src/a.jpg"), original);
        EXPECT_EQ(fs::hard_link_count(host("src/a.jpg")), c.hardLink ? 2u : 1u);
        EXPECT_EQ(contentOf("src/Copy of a.jpg"), c.duplicated ? std::optional(original) : std::nullopt);
        EXPECT_EQ(memoOf("src/a.jpg"), QStringList{"memo"});
        EXPECT_TRUE(hooks.calls().empty()) << "the shell never sees it";
        EXPECT_TRUE(hooks.collisions.empty());
    }
}

TEST_F(FileTransferTest, AfterIgnoreAllTheShellRefusesAFileThatIsItsOwnTarget)
{
    const QByteArray original = "the only copy of a picture";
    writeFile("src/x.jpg", "source x");
    writeFile("dest/x.jpg", "dest x");
    writeFile("src/a.jpg", original);
    fs::create_hard_link(host("src/a.jpg"), host("dest/a.jpg"));
    TransferWindows hooks;
    hooks.collisionChoices = {CollisionIgnoreAll};
    ShellAnswers shell;
    shell.collision = CollisionAnswer::Replace;   // even so, never a file by itself
    MessageBoxScript boxes;

    TStringList files = listOf({"src/x.jpg", "src/a.jpg"});
    TransferFiles(TCopyContext(), files, windows("dest"));

    EXPECT_EQ(hooks.collisions, std::vector<QString>{"src/x.jpg -> dest/x.jpg"});
    EXPECT_EQ(hooks.calls(), (std::vector<std::string>{"begin", "end", "basket", "update dest"}));
    EXPECT_EQ(contentOf("src/a.jpg"), original);
    EXPECT_EQ(fs::hard_link_count(host("src/a.jpg")), 2u);
    EXPECT_EQ(contentOf("dest/x.jpg"), "source x");
    EXPECT_EQ(texts(boxes), std::vector<QString>{"Failed to copy '" + windows("src/a.jpg").ToAnsiString() + "'"});
}

TEST_F(FileTransferTest, ADuplicateInTheTargetStillCopiesFilesFromOtherFolders)
{
    writeFile("src/a.jpg", "a");
    writeFile("basket/b.jpg", "b");
    TransferWindows hooks;
    MessageBoxScript boxes({IDYES});

    TStringList files = listOf({"src/a.jpg", "basket/b.jpg"});
    TransferFiles(TCopyContext(), files, windows("src"));

    EXPECT_EQ(texts(boxes), std::vector<QString>{"Do you want to make a duplicate of 'a.jpg'?"});
    EXPECT_EQ(contentOf("src/Copy of a.jpg"), "a");
    EXPECT_EQ(contentOf("src/b.jpg"), "b");
    EXPECT_EQ(contentOf("basket/b.jpg"), "b");
    EXPECT_EQ(hooks.calls(), (std::vector<std::string>{"begin", "end", "basket", "update src"}));
}

TEST_F(FileTransferTest, MemosFollowOnlyToDestinationsThatWereWritten)
{
    const struct
    {
        const char *name;
        CollisionAnswer shellAnswer;      // to the collision left to the shell
        QStringList destMemo;
        std::vector<bool> memoAnswers;
        size_t asked;
        QStringList destMemoAfter;
    } cases[] = {
        {"different memo kept", CollisionAnswer::Replace, {"rain"}, {false}, 1, {"rain"}},
        {"different memo replaced", CollisionAnswer::Replace, {"rain"}, {true}, 1, {"sun", "sky"}},
        {"no memo at the destination", CollisionAnswer::Replace, {}, {}, 0, {"sun", "sky"}},
        {"the same memo", CollisionAnswer::Replace, {"sun", "sky"}, {}, 0, {"sun", "sky"}},
        {"destination not written", CollisionAnswer::Skip, {"rain"}, {true}, 0, {"rain"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(host("src"));
        fs::remove_all(host("dest"));
        writeFile("src/a.jpg", "source a");
        writeFile("dest/a.jpg", "dest a");
        setMemo("src/a.jpg", {"sun", "sky"});
        setMemo("dest/a.jpg", c.destMemo);
        TransferWindows hooks;
        hooks.collisionChoices = {CollisionIgnoreAll};
        hooks.memoAnswers.assign(c.memoAnswers.begin(), c.memoAnswers.end());
        ShellAnswers shell;
        shell.collision = c.shellAnswer;
        MessageBoxScript boxes;

        TStringList files = listOf({"src/a.jpg"});
        TransferFiles(TCopyContext(), files, windows("dest"));

        EXPECT_EQ(contentOf("dest/a.jpg"), c.shellAnswer == CollisionAnswer::Replace ? "source a" : "dest a");
        EXPECT_EQ(hooks.memoQuestions.size(), c.asked);
        if (c.asked) {
            EXPECT_EQ(hooks.memoQuestions.front(), "dest/a.jpg: sun|sky over rain");
        }
        EXPECT_EQ(memoOf("dest/a.jpg"), c.destMemoAfter);
        EXPECT_EQ(memoOf("src/a.jpg"), QStringList({"sun", "sky"})) << "a copy keeps the source's memo";
        setMemo("dest/a.jpg", {});
        setMemo("src/a.jpg", {});
    }
}

TEST_F(FileTransferTest, AMoveToAnotherDeviceTakesTheFileAndItsMemo)
{
    std::string other = "/dev/shm/zilo-test-XXXXXX";
    struct stat here, there;
    if (::stat("/dev/shm", &there) != 0 || !::mkdtemp(other.data()))
        GTEST_SKIP() << "no second file system";
    const auto removeOther = [&] { fs::remove_all(other); };
    ::stat(TestHostFolder().c_str(), &here);
    if (here.st_dev == there.st_dev) {
        removeOther();
        GTEST_SKIP() << "no second file system";
    }
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                  + DriveMapLine("M:", other, "ramdisk", "0034ABCD", "Memory"));
    DriveTable->Update();
    writeFile("src/a.jpg", "picture");
    setMemo("src/a.jpg", {"moved along"});
    TransferWindows hooks;
    MessageBoxScript boxes;

    TStringList files = listOf({"src/a.jpg"});
    TransferFiles(TMoveContext(), files, CPath("M:\\"));

    EXPECT_FALSE(contentOf("src/a.jpg"));
    EXPECT_EQ(ReadHostFile(other + "/a.jpg"), "picture");
    CMemo moved(CPath("M:\\a.jpg"));
    EXPECT_EQ(moved.GetLines()->ToStringList(), QStringList{"moved along"});
    EXPECT_TRUE(memoOf("src/a.jpg").isEmpty());
    EXPECT_TRUE(boxes.boxes().empty());
    removeOther();
}

TEST_F(FileTransferTest, ATargetThatCannotTakeFilesStopsTheTransfer)
{
    fs::create_directories(host("locked"));
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                  + DriveMapLine("D:", host("locked"), "fixed,readonly", "0034ABCD", "Locked"));
    DriveTable->Update();
    writeFile("src/a.jpg", "a");
    const struct
    {
        const char *target;
        const char *warning;
    } cases[] = {
        {"D:\\", "Drive D is write-protected"},
        {"Q:\\Pictures", "Drive Q is unavailable"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        TransferWindows hooks;
        MessageBoxScript boxes;
        TStringList files = listOf({"src/a.jpg"});
        TransferFiles(TCopyContext(), files, CPath(c.target));
        EXPECT_EQ(texts(boxes), std::vector<QString>{c.warning});
        EXPECT_EQ(boxes.boxes().front().type, WarningBoxFlags);
        EXPECT_TRUE(hooks.calls().empty());
        EXPECT_TRUE(hooks.collisions.empty());
    }
    EXPECT_TRUE(fs::is_empty(host("locked")));
}

TEST_F(FileTransferTest, TheTargetDialogChoosesWhereFilesGo)
{
    writeFile("src/a.jpg", "a");
    fs::create_directories(host("dest"));
    const struct
    {
        bool move;
        const char *caption;
        const char *action;
        const char *label;
        int help;
    } cases[] = {
        {true, "Move To Folder", "&Move", " Folder to move to: ", 604},
        {false, "Copy To Folder", "&Copy", " Folder to copy to: ", 603},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption);
        TransferWindows hooks;
        MessageBoxScript boxes;
        TStringList files = listOf({"src/a.jpg"});
        if (c.move)
            ChooseFolderAndTransfer(TMoveContext(), files);
        else
            ChooseFolderAndTransfer(TCopyContext(), files);
        ASSERT_EQ(hooks.targetRequests.size(), 1u);
        const TargetFolderRequest &request = hooks.targetRequests.front();
        EXPECT_STREQ(request.caption, c.caption);
        EXPECT_STREQ(request.actionCaption, c.action);
        EXPECT_STREQ(request.folderLabel, c.label);
        EXPECT_EQ(request.helpContext, c.help);
        EXPECT_EQ(request.copy, !c.move);
        EXPECT_EQ(request.files, &files);
        EXPECT_TRUE(hooks.calls().empty()) << "cancelled: nothing happens";
    }

    TransferWindows hooks;
    hooks.targetFolder = windows("dest");
    TStringList files = listOf({"src/a.jpg"});
    ChooseFolderAndTransfer(TCopyContext(), files);
    EXPECT_EQ(contentOf("dest/a.jpg"), "a");
    EXPECT_EQ(contentOf("src/a.jpg"), "a");
}

TEST_F(FileTransferTest, TheClipboardCarriesTheListInTheProgramsFormat)
{
    PutFilesOnClipboard(false, listOf({"src/a.jpg", "src/b.jpg"}));
    QByteArray bytes;
    ASSERT_TRUE(GetClipboardData(RegisterClipboardFormatA("ZILO data"), bytes));
    const QByteArray expected = "ZILO C\r\n" + windows("src/a.jpg").ToAnsiString().toUtf8() + "\r\n"
                                + windows("src/b.jpg").ToAnsiString().toUtf8() + "\r\n";
    EXPECT_EQ(bytes, expected + '\0');

    PutFilesOnClipboard(true, listOf({"src/a.jpg"}));
    ASSERT_TRUE(GetClipboardData(RegisterClipboardFormatA("zilo DATA"), bytes));
    EXPECT_TRUE(bytes.startsWith("ZILO X\r\n"));
}

TEST_F(FileTransferTest, APastedCopyLeavesTheListOnTheClipboard)
{
    writeFile("src/a.jpg", "a");
    fs::create_directories(host("dest"));
    TransferWindows hooks;
    MessageBoxScript boxes;
    PutFilesOnClipboard(false, listOf({"src/a.jpg"}));

    EXPECT_TRUE(PasteFilesFromClipboard(windows("dest")));
    EXPECT_EQ(contentOf("dest/a.jpg"), "a");
    EXPECT_EQ(contentOf("src/a.jpg"), "a");
    EXPECT_TRUE(TZILOClipboardStringList().IsDataAvailable());
}

TEST_F(FileTransferTest, AListMarkedNeitherCopyNorCutPastesNothing)
{
    writeFile("src/a.jpg", "a");
    fs::create_directories(host("dest"));
    TransferWindows hooks;
    MessageBoxScript boxes;
    for (const QByteArray &first : {QByteArray("ZILO Q"), QByteArray("ZILO"), QByteArray()}) {
        SCOPED_TRACE(first.toStdString());
        const QByteArray list = first + "\r\n" + windows("src/a.jpg").ToAnsiString().toUtf8() + "\r\n";
        ASSERT_TRUE(SetClipboardData(RegisterClipboardFormatA("ZILO data"), list + '\0'));
        EXPECT_FALSE(PasteFilesFromClipboard(windows("dest")));
    }
    EXPECT_FALSE(contentOf("dest/a.jpg"));
    EXPECT_TRUE(hooks.calls().empty());

    QGuiApplication::clipboard()->setText("ZILO C\r\n" + windows("src/a.jpg").ToAnsiString() + "\r\n");
    EXPECT_FALSE(PasteFilesFromClipboard(windows("dest"))) << "another program's text";
    EXPECT_FALSE(contentOf("dest/a.jpg"));
}

TEST_F(FileTransferTest, ClearFileClipboardEmptiesOnlyTheProgramsList)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("someone else's text"));
    ClearFileClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("someone else's text"));

    PutFilesOnClipboard(true, listOf({"src/a.jpg"}));
    ASSERT_TRUE(TZILOClipboardStringList().IsDataAvailable());
    ClearFileClipboard();
    EXPECT_FALSE(TZILOClipboardStringList().IsDataAvailable());
}

} // namespace
