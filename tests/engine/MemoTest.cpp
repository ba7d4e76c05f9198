#include <Source/engine/Memo.h>

#include <Source/Glob.h>

#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Exception.h>
#include <platform/HostPath.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A folder of pictures in the test folder, and the program's globals (the
// settings store, the data folder) for the duration of a test.
class MemoTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(TestHostFolder() + "/Pics");
        InitGlobals();
        m_folder = CPath(TestWindowsPath("Pics").toUtf8().constData());
    }
    void TearDown() override
    {
        TMemoList::FreeAll();
        FreeGlobals();
    }

    static TStringList lines(const QStringList &texts)
    {
        TStringList list;
        for (const QString &text : texts)
            list.Add(text);
        return list;
    }

    std::string memoFile() const { return memoFileOf(m_folder); }

    static std::string memoFileOf(const CPath &folder)
    {
        const QString name = SettingsStore->ReadString(FolderSettingsSection(folder, MemosSection).ToAnsiString(),
                                                       "DataFile", QString());
        return name.isEmpty() ? std::string() : HostPathFromWindows(DataFolder().AppendFileName(CString(name) + ".dat").c_str());
    }

    // C: is the test folder, D: its "Second" and R: its read-only "Locked";
    // the pictures' folder is C:\Pics.
    void mapDrives()
    {
        fs::create_directories(TestHostFolder() + "/Second/Pics");
        fs::create_directories(TestHostFolder() + "/Locked");
        WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                      + DriveMapLine("D:", TestHostFolder() + "/Second", "fixed", "0034ABCD", "Second")
                      + DriveMapLine("R:", TestHostFolder() + "/Locked", "fixed,readonly", "0056ABCD", "Locked"));
        DriveTable->Update();
        m_folder = CPath("C:\\Pics");
    }

    void setMemo(const char *name, const QStringList &texts) const
    {
        CMemo(m_folder.AppendFileName(name)).SetLines(lines(texts));
    }

    std::vector<CPath> picturesNamed(std::initializer_list<const char *> names) const
    {
        std::vector<CPath> files;
        for (const char *name : names)
            files.push_back(m_folder.AppendFileName(name));
        return files;
    }

    static std::set<std::string> filesIn(const std::string &hostFolder)
    {
        std::set<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(hostFolder))
            names.insert(entry.path().filename().string());
        return names;
    }

    CPath m_folder;
};

} // namespace

TEST_F(MemoTest, StoresCommaTextUnderTheFileKey)
{
    CMemo memo(m_folder.AppendFileName("a=b.jpg"));
    EXPECT_STREQ(memo.Key(), "a|b.jpg");
    memo.SetLines(lines({"Hello, world", "Second"}));
    EXPECT_EQ(ReadHostFile(memoFile()), "a|b.jpg=\"Hello, world\",Second\r\n");

    TMemoList::FreeAll();   // read the file afresh
    CMemo again(m_folder.AppendFileName("a=b.jpg"));
    EXPECT_EQ(again.GetLines()->ToStringList(), QStringList({"Hello, world", "Second"}));
}

TEST_F(MemoTest, AwkwardLinesRoundTrip)
{
    const QStringList texts = {"", "quote \"x\"", "tab\tand, comma", "  spaces  "};
    for (const QStringList &memoLines : {QStringList{""}, texts}) {
        CMemo(m_folder, "Folder").SetLines(lines(memoLines));
        TMemoList::FreeAll();
        CMemo back(m_folder, "Folder");
        EXPECT_EQ(back.GetLines()->ToStringList(), memoLines);
    }
}

TEST_F(MemoTest, NamesWithLineBreaksKeepTheirOwnMemos)
{
    // Each name's memo is its host name with its line breaks spelt out; the
    // siblings are named as the pieces a broken line would leave.
    const std::string Quote = "\xEF\x80\x80";      // the platform's quoting character
    const std::string LineFeed = "\xEF\x80\x8A";   // the stand-in of LF, as a host name may hold it
    const std::vector<std::string> names = {
        "x\nb.jpg", "x\rc.jpg", "x\r\nd.jpg", "x", "b.jpg", "c.jpg", "d.jpg", "x" + LineFeed + "b.jpg",
        Quote + "\n", "\n", "x\ty.jpg",
    };
    auto spelt = [](const std::string &path) {
        return QString::fromStdString(fs::path(HostPathFromWindows(path)).filename().string())
            .replace(u'\r', QStringLiteral("<CR>"))
            .replace(u'\n', QStringLiteral("<LF>"));
    };
    for (const std::string &name : names)
        WriteHostFile(TestHostFolder() + "/Pics/" + name, "picture");
    const std::vector<std::string> listed = ListedWindowsPaths("Pics");
    ASSERT_EQ(listed.size(), names.size());
    for (const std::string &path : listed)
        CMemo(CPath(path.c_str())).SetLines(lines({spelt(path), "second line"}));

    TMemoList::FreeAll();   // as the next start reads the memo file
    for (const std::string &path : listed) {
        SCOPED_TRACE(spelt(path).toStdString());
        EXPECT_EQ(CMemo(CPath(path.c_str())).GetLines()->ToStringList(), QStringList({spelt(path), "second line"}));
    }
    EXPECT_EQ(TMemoList::GetTotals(), int(names.size()));
    EXPECT_EQ(ReadHostFile(memoFile()).count("\r\n"), qsizetype(names.size())) << "one line a memo";
}

TEST_F(MemoTest, AMemoFileWrittenBeforeReadsTheSame)
{
    for (const char *name : {"a.jpg", "a=b.jpg", "tab\there.jpg"})
        WriteHostFile(TestHostFolder() + "/Pics/" + name, "picture");
    CMemo(m_folder.AppendFileName("a.jpg")).SetLines(lines({"x"}));   // chooses the memo file
    WriteHostFile(memoFile(), "a.jpg=\"Hello, world\",Second\r\n"
                              "a|b.jpg=one\r\n"
                              "tab\there.jpg=\"two\tparts\"\r\n"
                              "*Folder=\"the folder's own\"\r\n");
    TMemoList::FreeAll();

    std::map<std::string, QStringList> found;
    for (const std::string &path : ListedWindowsPaths("Pics"))
        found[CPath(path.c_str()).GetFilePart().c_str()] = CMemo(CPath(path.c_str())).GetLines()->ToStringList();
    EXPECT_EQ(found, (std::map<std::string, QStringList>{{"a.jpg", {"Hello, world", "Second"}},
                                                          {"a=b.jpg", {"one"}},
                                                          {"tab\there.jpg", {"two\tparts"}}}));
    EXPECT_EQ(CMemo(m_folder, "Folder").GetLines()->ToStringList(), QStringList({"the folder's own"}));
}

TEST_F(MemoTest, LastMemoRemovedDeletesTheFileAndItsNameIsReused)
{
    CMemo memo(m_folder.AppendFileName("a.jpg"));
    memo.SetLines(lines({"note"}));
    const std::string file = memoFile();
    ASSERT_TRUE(HostFileExists(file));
    memo.Delete();
    EXPECT_FALSE(HostFileExists(file));
    CMemo(m_folder.AppendFileName("b.jpg")).SetLines(lines({"other"}));
    EXPECT_EQ(memoFile(), file);
    EXPECT_TRUE(HostFileExists(file));
}

TEST_F(MemoTest, MemosOfOneFolderShareOneList)
{
    CMemo first(m_folder.AppendFileName("a.jpg"));
    first.SetLines(lines({"one"}));
    CMemo second(m_folder.AppendFileName("B.JPG"));
    second.SetLines(lines({"two"}));
    EXPECT_EQ(TMemoList::GetTotals(), 2);
    CMemo third(CPath((m_folder.AsLower())).AppendFileName("a.jpg"));   // the folder without case
    EXPECT_EQ(third.GetLines()->ToStringList(), QStringList({"one"}));
    EXPECT_EQ(TMemoList::GetTotals(), 2);
}

TEST_F(MemoTest, FollowsAMovedFile)
{
    CMemo(m_folder.AppendFileName("old.jpg")).SetLines(lines({"kept"}));
    FollowMovedFile(m_folder.AppendFileName("old.jpg"), m_folder.AppendFileName("new.jpg"));
    EXPECT_EQ(CMemo(m_folder.AppendFileName("new.jpg")).GetLines()->ToStringList(), QStringList({"kept"}));
    EXPECT_EQ(CMemo(m_folder.AppendFileName("old.jpg")).GetLines()->Count(), 0);
    EXPECT_EQ(TMemoList::GetTotals(), 1);

    // A move that changes only the case keeps the memo.
    FollowMovedFile(m_folder.AppendFileName("new.jpg"), m_folder.AppendFileName("NEW.jpg"));
    EXPECT_EQ(CMemo(m_folder.AppendFileName("NEW.jpg")).GetLines()->ToStringList(), QStringList({"kept"}));
}

TEST_F(MemoTest, AnUnreadableMemoFileIsNoMemoAndIsNeverOverwritten)
{
    CMemo(m_folder.AppendFileName("a.jpg")).SetLines(lines({"precious"}));
    const std::string file = memoFile();
    TMemoList::FreeAll();
    // A regular file too large to be read in one go (sparse, so it takes no
    // room): unreadable even for root, whom no permission stops.
    constexpr uintmax_t Unreadable = uintmax_t(INT32_MAX) + 2;
    fs::resize_file(file, Unreadable);

    auto worker = std::async(std::launch::async, [this] {
        return CMemo(m_folder.AppendFileName("a.jpg")).GetLines()->Count();
    });
    EXPECT_EQ(worker.get(), 0);
    EXPECT_THROW(CMemo(m_folder.AppendFileName("b.jpg")).SetLines(lines({"new"})), Exception);
    EXPECT_EQ(fs::file_size(file), Unreadable) << "the file that could not be read is kept as it was";
}

TEST_F(MemoTest, AStoredNameThatIsNoMemoFileNameIsIgnored)
{
    for (const char *stored : {"..\\..\\Registry", "ABCDEFGH", "abc", "abcdefghi"}) {
        SCOPED_TRACE(stored);
        TMemoList::FreeAll();
        const QString section = FolderSettingsSection(m_folder, MemosSection).ToAnsiString();
        SettingsStore->WriteString(section, "DataFile", stored);
        CMemo memo(m_folder.AppendFileName("a.jpg"));
        EXPECT_EQ(memo.GetLines()->Count(), 0);
        memo.SetLines(lines({"x"}));
        const QString chosen = SettingsStore->ReadString(section, "DataFile", QString());
        EXPECT_EQ(chosen.size(), 8);
        EXPECT_NE(chosen, QString::fromUtf8(stored));
    }
}

TEST_F(MemoTest, ExportWritesEachMemoAsATextFileOfCrLfLines)
{
    setMemo("a.jpg", {"Hello, world", "Second"});
    setMemo("my.photo.png", {"one"});
    setMemo("README", {"", "after an empty line"});
    const std::string out = TestHostFolder() + "/Out";
    fs::create_directories(out);

    const TMemoExportResult result =
        ExportMemos(picturesNamed({"a.jpg", "none.jpg", "my.photo.png", "README"}), CPath(TestWindowsPath("Out").toUtf8().constData()));

    EXPECT_EQ(result.created, 3);
    EXPECT_EQ(result.ignored, 1);
    EXPECT_EQ(result.errors, 0);
    EXPECT_EQ(filesIn(out), (std::set<std::string>{"a.txt", "my.photo.txt", "README.txt"}));
    EXPECT_EQ(ReadHostFile(out + "/a.txt"), "Hello, world\r\nSecond\r\n");
    EXPECT_EQ(ReadHostFile(out + "/my.photo.txt"), "one\r\n");
    EXPECT_EQ(ReadHostFile(out + "/README.txt"), "\r\nafter an empty line\r\n");
}

TEST_F(MemoTest, ExportNeverOverwritesATextFile)
{
    setMemo("x.jpg", {"memo of x"});
    setMemo("a.jpg", {"memo of a.jpg"});
    setMemo("a.png", {"memo of a.png"});
    const std::string out = TestHostFolder() + "/Out";
    fs::create_directories(out);
    WriteHostFile(out + "/x.txt", "the user's own\n");

    const TMemoExportResult result =
        ExportMemos(picturesNamed({"x.jpg", "a.jpg", "a.png"}), CPath(TestWindowsPath("Out").toUtf8().constData()));

    EXPECT_EQ(result.created, 1);
    EXPECT_EQ(result.ignored, 0);
    EXPECT_EQ(result.errors, 2);
    EXPECT_EQ(ReadHostFile(out + "/x.txt"), "the user's own\n");
    EXPECT_EQ(ReadHostFile(out + "/a.txt"), "memo of a.jpg\r\n") << "the first of two files of one name is kept";
    EXPECT_EQ(filesIn(out), (std::set<std::string>{"a.txt", "x.txt"}));
}

TEST_F(MemoTest, ExportOfEmptyMemosWritesNothing)
{
    const std::string out = TestHostFolder() + "/Out";
    fs::create_directories(out);
    const TMemoExportResult result =
        ExportMemos(picturesNamed({"a.jpg", "b.jpg"}), CPath(TestWindowsPath("Out").toUtf8().constData()));
    EXPECT_EQ(result.created, 0);
    EXPECT_EQ(result.ignored, 2);
    EXPECT_EQ(result.errors, 0);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(MemoTest, ExportToAFolderThatCannotBeWrittenCountsErrors)
{
    mapDrives();
    setMemo("a.jpg", {"a"});
    setMemo("b.jpg", {"b"});
    for (const char *target : {"R:\\", "C:\\Missing"}) {
        SCOPED_TRACE(target);
        const TMemoExportResult result = ExportMemos(picturesNamed({"a.jpg", "b.jpg", "c.jpg"}), CPath(target));
        EXPECT_EQ(result.created, 0);
        EXPECT_EQ(result.ignored, 1);
        EXPECT_EQ(result.errors, 2);
    }
    EXPECT_TRUE(fs::is_empty(TestHostFolder() + "/Locked"));
    EXPECT_FALSE(fs::exists(TestHostFolder() + "/Missing"));
}

TEST_F(MemoTest, DeleteAllMemosDeletesTheMemoFilesOfEveryFolder)
{
    mapDrives();
    const CPath second("D:\\Pics");
    setMemo("a.jpg", {"first drive"});
    CMemo(second.AppendFileName("b.jpg")).SetLines(lines({"second drive"}));
    const std::vector<std::string> memoFiles = {memoFile(), memoFileOf(second)};
    for (const std::string &file : memoFiles)
        ASSERT_TRUE(HostFileExists(file));
    ASSERT_NE(memoFiles[0], memoFiles[1]);
    // Files of the data folder that no folder names as its memo file, and
    // stored names that name no memo file.
    const std::string data = HostPathFromWindows(DataFolder().c_str());
    const std::vector<std::string> kept = {data + "/unnamedx.dat", data + "/abc.dat", data + "/ABCDEFGH.dat",
                                           TestHostFolder() + "/victim.dat"};
    for (const std::string &file : kept)
        WriteHostFile(file, "kept\r\n");
    const struct
    {
        const char *section;
        const char *stored;
    } hostile[] = {
        {"Memos\\Hostile\\Climbs", "..\\..\\victim"},
        {"Memos\\Hostile\\Short", "abc"},
        {"Memos\\Capitals", "ABCDEFGH"},
    };
    for (const auto &h : hostile)
        SettingsStore->WriteString(h.section, "DataFile", h.stored);

    DeleteAllMemos();

    for (const std::string &file : memoFiles)
        EXPECT_FALSE(HostFileExists(file)) << file;
    for (const std::string &file : kept)
        EXPECT_EQ(ReadHostFile(file), "kept\r\n") << file;
    EXPECT_FALSE(SettingsStore->SectionExists("Memos"));
    // The lists that were loaded are read again.
    EXPECT_EQ(CMemo(m_folder.AppendFileName("a.jpg")).GetLines()->Count(), 0);
    EXPECT_EQ(CMemo(second.AppendFileName("b.jpg")).GetLines()->Count(), 0);

    // A new memo of a folder that had one stands alone in a new memo file.
    setMemo("c.jpg", {"new"});
    EXPECT_EQ(ReadHostFile(memoFile()), "c.jpg=new\r\n");
}

TEST_F(MemoTest, DeleteAllMemosEndsInAStoreWhoseKeyIsItsOwnSubkey)
{
    setMemo("a.jpg", {"looped"});
    const std::string file = memoFile();
    SettingsStore->WriteString("Memos\\Loop", "DataFile", "none");
    // A nameless subkey: its path names the key it lies in, and so on
    // without end.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(std::getenv("ZILO_REGISTRY"), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const int inserted = sqlite3_exec(
        db, "INSERT INTO RegKey(parent, name, folded) SELECT id, '', '' FROM RegKey WHERE name = 'Loop'", nullptr,
        nullptr, nullptr);
    const int changes = sqlite3_changes(db);
    sqlite3_close(db);
    ASSERT_EQ(inserted, SQLITE_OK);
    ASSERT_EQ(changes, 1);

    DeleteAllMemos();

    EXPECT_FALSE(HostFileExists(file));
    EXPECT_FALSE(SettingsStore->SectionExists("Memos"));
}

TEST_F(MemoTest, AMemoFileThatCannotBeDeletedKeepsTheMemosSection)
{
    setMemo("a.jpg", {"read-only"});
    const std::string file = memoFile();
    fs::permissions(file, fs::perms::owner_read);

    EXPECT_THROW(DeleteAllMemos(), EFCreateError);

    EXPECT_TRUE(SettingsStore->SectionExists("Memos"));
    EXPECT_EQ(CMemo(m_folder.AppendFileName("a.jpg")).GetLines()->ToStringList(), QStringList({"read-only"}));
}
