#include <Source/engine/FileHandler.h>

#include <Source/engine/Memo.h>
#include <Source/engine/ZiloOptions.h>

#include "../FakeDesktop.h"
#include "../ScopedEnvironment.h"
#include "../Source/GlobTestSupport.h"

#include <lib/ProgressContext.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/Picture.h>
#include <platform/FileIO.h>
#include <platform/Files.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The test folder's "Pics" and the program's globals for one test.
class FileHandlerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(TestHostFolder() + "/Pics");
        m_globals.emplace();
        InitImageLibrary();
    }
    void TearDown() override
    {
        TMemoList::FreeAll();
        m_globals.reset();
    }

    static std::string host(const std::string &name) { return TestHostFolder() + "/Pics/" + name; }
    // A Windows path in Pics; "/" separates.
    static CPath pics(const std::string &name) { return CPath(WindowsPathFromHost(host(name)).c_str()); }
    static CPath folder() { return CPath(WindowsPathFromHost(TestHostFolder() + "/Pics").c_str()); }
    static void write(const std::string &name, const QByteArray &bytes = "picture") { WriteHostFile(host(name), bytes); }

    static void setMemo(const CPath &file, const QStringList &lines)
    {
        TStringList list;
        for (const QString &line : lines)
            list.Add(line);
        CMemo(file).SetLines(list);
    }
    static QStringList memo(const CPath &file) { return CMemo(file).GetLines()->ToStringList(); }

    // The names in Pics, sorted.
    static std::vector<std::string> names()
    {
        std::vector<std::string> found;
        for (const auto &entry : fs::directory_iterator(TestHostFolder() + "/Pics"))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    std::optional<GlobalsScope> m_globals;
};

// A coordinator that also records the renames it hears of.
class RenameCoordinator : public RecordingCoordinator
{
public:
    void FileRenamed(const CPath &oldPath, const CPath &newPath) override
    {
        record(std::string("renamed ") + oldPath.c_str() + " -> " + newPath.c_str());
    }
};

// The viewer windows: each opened path is kept.
class RecordingViewer : public ViewerHooks
{
public:
    RecordingViewer() { SetViewerHooks(this); }
    ~RecordingViewer() override { SetViewerHooks(nullptr); }
    void openViewer(const CPath &path) override { opened.push_back(path.ToAnsiString()); }

    std::vector<QString> opened;
};

// An open-with list whose first entry is first.
class FixedOpenWith : public OpenWithHooks
{
public:
    explicit FixedOpenWith(const char *first) : m_first(first) { SetOpenWithHooks(this); }
    ~FixedOpenWith() override { SetOpenWithHooks(nullptr); }
    CString firstApplication() const override { return m_first; }

private:
    CString m_first;
};

// The rename dialog as a user answers it: each dialog takes the next name and
// renames the file to it, as its OK does; once the names run out it is
// cancelled. The path each dialog showed is kept.
class ScriptedRenameDialog : public DialogHooks
{
public:
    explicit ScriptedRenameDialog(std::deque<CString> names) : m_names(std::move(names)) { SetDialogHooks(this); }
    ~ScriptedRenameDialog() override { SetDialogHooks(nullptr); }

    bool ShowRenameDialog(TImageHandler &file) override
    {
        shown.push_back(file.GetFullPath().ToAnsiString());
        if (m_names.empty())
            return false;
        const CString name = m_names.front();
        m_names.pop_front();
        return file.Rename(name);
    }

    std::vector<QString> shown;

private:
    std::deque<CString> m_names;
};

void setLastWrite(const std::string &hostPath, int64_t unixSeconds)
{
    const timespec times[2] = {{unixSeconds, 0}, {unixSeconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0);
}

int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC).toSecsSinceEpoch();
}

// A top-down RGB image of width x height whose every byte differs from its
// neighbours, saved with the picture writer of path's format.
QByteArray savePicture(const CPath &path, unsigned width, unsigned height)
{
    QByteArray rgb(int(width * height * 3), '\0');
    for (int i = 0; i < rgb.size(); ++i)
        rgb[i] = char(i * 37 + 11);
    std::unique_ptr<CPicture> picture(CPicture::New(CPicture::FilterIndexFromExt(path.GetExtPart())));
    EXPECT_TRUE(picture);
    auto *buffer = new unsigned char[rgb.size()];
    std::memcpy(buffer, rgb.constData(), rgb.size());
    picture->SetBuffer(buffer);
    picture->width = width;
    picture->height = height;
    TProgressContext progress;
    EXPECT_TRUE(picture->SaveToFile(path, progress));
    return rgb;
}

QByteArray decodedPixels(const CPath &path)
{
    std::unique_ptr<CPicture> picture(CPicture::New(path));
    TProgressContext progress;
    if (!picture || !picture->LoadFromFile(path, progress))
        return {};
    return QByteArray(reinterpret_cast<const char *>(picture->buffer), int(picture->width * picture->height * 3));
}

} // namespace

TEST_F(FileHandlerTest, ReadsTheFilesSizeAndLocalTime)
{
    ScopedEnvironment environment;
    environment.set("TZ", "EST5EDT,M3.2.0,M11.1.0");   // 5 hours behind UTC in winter, 4 in summer
    const struct
    {
        const char *name;
        int64_t utc;
        int64_t local;
    } cases[] = {
        {"winter.jpg", utcSeconds(2001, 1, 15, 12, 30, 59), utcSeconds(2001, 1, 15, 7, 30, 59)},
        {"summer.jpg", utcSeconds(2001, 7, 15, 12, 30, 59), utcSeconds(2001, 7, 15, 8, 30, 59)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write(c.name, QByteArray(1234, 'x'));
        setLastWrite(host(c.name), c.utc);
        const TFileHandler file(pics(c.name));
        EXPECT_STREQ(file.GetName(), c.name);
        EXPECT_STREQ(file.GetFolder(), folder());
        EXPECT_STREQ(file.GetFullPath(), pics(c.name));
        EXPECT_EQ(file.GetSize(), 1234u);
        EXPECT_EQ(FileTimeToUInt64(file.GetModified()), FileTimeToUInt64(FileTimeFromUnix(c.local, 0)));

        // the user's short date, a blank, and the time without its seconds
        const QDateTime local = QDateTime::fromSecsSinceEpoch(c.local, Qt::UTC);
        const QString date = QLocale::system().toString(local.date(), QLocale::ShortFormat) + u' ';
        const QString text = file.GetDateTimeString().ToAnsiString();
        ASSERT_TRUE(text.startsWith(date)) << text.toStdString();
        const QString time = text.mid(date.size());
        EXPECT_TRUE(time.contains(QString::number(local.time().hour() % 12))) << time.toStdString();
        EXPECT_TRUE(time.contains("30")) << time.toStdString();
        EXPECT_FALSE(time.contains("59")) << time.toStdString();
    }
}

TEST_F(FileHandlerTest, KeepsTheLowThirtyTwoBitsOfTheSize)
{
    write("huge.avi", QByteArray());
    fs::resize_file(host("huge.avi"), (uint64_t(1) << 32) + 5);   // sparse: takes no room
    EXPECT_EQ(TFileHandler(pics("huge.avi")).GetSize(), 5u);
}

TEST_F(FileHandlerTest, AFileThatDisappearedHasNoSizeAndKeepsItsTime)
{
    write("a.jpg", "12345");
    TFileHandler file(pics("a.jpg"));
    const uint64_t modified = FileTimeToUInt64(file.GetModified());
    ASSERT_NE(modified, 0u);
    EXPECT_TRUE(file.Exists());
    fs::remove(host("a.jpg"));
    file.UpdateFileInfo();
    EXPECT_EQ(file.GetSize(), 0u);
    EXPECT_EQ(FileTimeToUInt64(file.GetModified()), modified);
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.GetIsReadOnly());
}

TEST_F(FileHandlerTest, ReadOnlyIsTheFilesAttribute)
{
    write("a.jpg");
    const TFileHandler file(pics("a.jpg"));
    EXPECT_FALSE(file.GetIsReadOnly());
    ASSERT_TRUE(SetFileAttributesA(pics("a.jpg"), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(file.GetIsReadOnly());
}

TEST_F(FileHandlerTest, APathOnlyHandlerLooksAtNothing)
{
    savePicture(pics("a.bmp"), 6, 4);
    setMemo(pics("a.bmp"), {"note"});

    const TImageHandler read(pics("a.bmp"), true);
    EXPECT_GT(read.GetSize(), 0u);
    EXPECT_EQ(read.GetWidth(), 6);
    EXPECT_TRUE(read.GetHasMemo());

    const TImageHandler pathOnly(pics("a.bmp"), PathOnly());
    EXPECT_STREQ(pathOnly.GetFullPath(), pics("a.bmp"));
    EXPECT_EQ(pathOnly.GetSize(), 0u);
    EXPECT_EQ(FileTimeToUInt64(pathOnly.GetModified()), 0u);
    EXPECT_EQ(pathOnly.GetWidth(), 0);
    EXPECT_EQ(pathOnly.GetHeight(), 0);
    EXPECT_EQ(pathOnly.GetBits(), 0);
    EXPECT_FALSE(pathOnly.GetHasMemo());
}

TEST_F(FileHandlerTest, DeleteRemovesTheFileForGoodWithoutAMessage)
{
    MessageBoxScript boxes;
    write("a.jpg");
    const TFileHandler file(pics("a.jpg"));
    EXPECT_TRUE(file.Delete());
    EXPECT_FALSE(HostFileExists(host("a.jpg")));
    EXPECT_FALSE(file.Delete());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileHandlerTest, RenameOntoAnExistingNameFailsAndTouchesNothing)
{
    write("a.jpg", "first");
    write("b.jpg", "second");
    setMemo(pics("a.jpg"), {"kept"});
    RenameCoordinator coordinator;
    MessageBoxScript boxes;

    TFileHandler file(pics("a.jpg"));
    EXPECT_FALSE(file.Rename("b.jpg"));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Failed to rename '%1' to '%2'")
                                         .arg(pics("a.jpg").ToAnsiString(), pics("b.jpg").ToAnsiString()));
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    EXPECT_EQ(ReadHostFile(host("a.jpg")), "first");
    EXPECT_EQ(ReadHostFile(host("b.jpg")), "second");
    EXPECT_STREQ(file.GetFullPath(), pics("a.jpg"));
    EXPECT_EQ(memo(pics("a.jpg")), QStringList({"kept"}));
    EXPECT_TRUE(coordinator.calls().empty());
}

TEST_F(FileHandlerTest, RenameTakesTheMemoAlongAndTellsTheCoordinator)
{
    write("a.jpg", "picture");
    setMemo(pics("a.jpg"), {"kept", "lines"});
    RenameCoordinator coordinator;
    MessageBoxScript boxes;

    TFileHandler file(pics("a.jpg"));
    ASSERT_TRUE(file.Rename("c.jpg"));
    EXPECT_STREQ(file.GetFullPath(), pics("c.jpg"));
    EXPECT_EQ(names(), std::vector<std::string>{"c.jpg"});
    EXPECT_EQ(ReadHostFile(host("c.jpg")), "picture");
    EXPECT_EQ(memo(pics("c.jpg")), QStringList({"kept", "lines"}));
    EXPECT_TRUE(memo(pics("a.jpg")).isEmpty());
    EXPECT_EQ(coordinator.calls(), std::vector<std::string>{std::string("renamed ") + pics("a.jpg").c_str() + " -> "
                                                            + pics("c.jpg").c_str()});
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(FileHandlerTest, RenameChangingOnlyTheCaseKeepsTheMemo)
{
    write("a.jpg");
    setMemo(pics("a.jpg"), {"kept"});
    RenameCoordinator coordinator;
    TFileHandler file(pics("a.jpg"));
    ASSERT_TRUE(file.Rename("A.jpg"));
    EXPECT_EQ(names(), std::vector<std::string>{"A.jpg"});
    EXPECT_EQ(memo(pics("A.jpg")), QStringList({"kept"}));
    EXPECT_EQ(coordinator.calls().size(), 1u);
}

TEST_F(FileHandlerTest, RenameKeepsTheFileInItsFolder)
{
    fs::create_directories(host("sub"));
    write("a.jpg");
    for (const char *name : {"", ".", "..", "..\\b.jpg", "sub\\b.jpg", "sub/b.jpg", "b:c.jpg", "b?.jpg", "b\t.jpg"}) {
        SCOPED_TRACE(name);
        MessageBoxScript boxes;
        TFileHandler file(pics("a.jpg"));
        EXPECT_FALSE(file.Rename(name));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_TRUE(boxes.boxes()[0].text.startsWith("Failed to rename '"));
        EXPECT_STREQ(file.GetFullPath(), pics("a.jpg"));
        EXPECT_EQ(names(), (std::vector<std::string>{"a.jpg", "sub"}));
        EXPECT_TRUE(fs::is_empty(host("sub")));
        EXPECT_FALSE(HostFileExists(TestHostFolder() + "/b.jpg"));
    }
}

TEST_F(FileHandlerTest, ARenamedFileWhoseMemoCannotMoveStillReachesTheCoordinator)
{
    // The program folder (and so the memo files) on a drive of its own,
    // write-protected once the memo is stored.
    const auto driveMap = [](const char *programType) {
        return DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "")
               + DriveMapLine("P:", TestHostFolder() + "/Program", programType, "0012ABCE", "");
    };
    m_globals.reset();
    WriteDriveMap(driveMap("fixed"));
    m_globals.emplace();
    write("a.jpg");
    setMemo(pics("a.jpg"), {"kept"});
    WriteDriveMap(driveMap("fixed,readonly"));

    RenameCoordinator coordinator;
    MessageBoxScript boxes;
    TFileHandler file(pics("a.jpg"));
    EXPECT_TRUE(file.Rename("c.jpg"));
    EXPECT_EQ(names(), std::vector<std::string>{"c.jpg"});
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith("Cannot create file ")) << boxes.boxes()[0].text.toStdString();
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    EXPECT_EQ(coordinator.calls().size(), 1u);
    TMemoList::FreeAll();
    EXPECT_EQ(memo(pics("a.jpg")), QStringList({"kept"}));   // the stored memo is as it was
}

TEST_F(FileHandlerTest, DuplicateFindsAFreeCopyName)
{
    const struct
    {
        std::vector<std::string> existing;
        const char *copy;
    } cases[] = {
        {{"a.jpg"}, "Copy of a.jpg"},
        {{"a.jpg", "Copy of a.jpg"}, "Copy of Copy of a.jpg"},
        {{"a.jpg", "Copy of a.jpg", "Copy of Copy of a.jpg"}, "Copy of Copy of Copy of a.jpg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.copy);
        fs::remove_all(TestHostFolder() + "/Pics");
        fs::create_directories(TestHostFolder() + "/Pics");
        for (const std::string &name : c.existing)
            write(name, QByteArray::fromStdString("content of " + name));
        MessageBoxScript boxes;
        TFileHandler(pics("a.jpg")).DuplicateFile();
        EXPECT_TRUE(boxes.boxes().empty());
        EXPECT_EQ(ReadHostFile(host(c.copy)), "content of a.jpg");
        EXPECT_EQ(names().size(), c.existing.size() + 1);
    }
}

TEST_F(FileHandlerTest, DuplicateRefusesACopyPathLongerThan228)
{
    const int folderLength = folder().GetLength() + 1;   // with its trailing backslash
    const int copyPrefix = int(strlen("Copy of "));
    const auto nameFor = [&](int copyPathLength) {
        const int nameLength = copyPathLength - folderLength - copyPrefix;
        return std::string(nameLength - 4, 'n') + ".jpg";
    };
    const struct
    {
        const char *what;
        std::string name;
        bool firstCopyExists;
        bool copied;
    } cases[] = {
        {"a copy path of 228", nameFor(228), false, true},
        {"a copy path of 229", nameFor(229), false, false},
        {"a free second copy name of 236", nameFor(228), true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(TestHostFolder() + "/Pics");
        fs::create_directories(TestHostFolder() + "/Pics");
        write(c.name);
        if (c.firstCopyExists)
            write("Copy of " + c.name);
        const size_t before = names().size();
        MessageBoxScript boxes;
        TFileHandler(pics(c.name)).DuplicateFile();
        EXPECT_EQ(names().size(), before + (c.copied ? 1 : 0));
        if (c.copied) {
            EXPECT_TRUE(boxes.boxes().empty());
        } else {
            ASSERT_EQ(boxes.boxes().size(), 1u);
            EXPECT_EQ(boxes.boxes()[0].text, "The file name is too long");
            EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
        }
    }
}

TEST_F(FileHandlerTest, ADuplicateThatCannotBeMadeIsReported)
{
    write("a.jpg");
    const TFileHandler file(pics("a.jpg"));
    fs::remove(host("a.jpg"));
    MessageBoxScript boxes;
    file.DuplicateFile();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Failed to duplicate file '%1'").arg(pics("a.jpg").ToAnsiString()));
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    EXPECT_TRUE(names().empty());
}

TEST_F(FileHandlerTest, DimensionTextAndAspectRatio)
{
    const struct
    {
        int32_t width, height;
        int16_t bits;
        const char *text;
        double aspect;
    } cases[] = {
        {640, 480, 24, "640x480 24-bit", 640.0 / 480},
        {640, 480, 0, "640x480", 640.0 / 480},
        {480, 640, -1, "480x640", 0.75},
        {1, 1, 1, "1x1 1-bit", 1.0},
        {0, 480, 24, "Unknown", 0.0},
        {640, 0, 24, "Unknown", 0.0},
        {-2, 4, 8, "Unknown", -0.5},
    };
    TImageHandler image(pics("a.jpg"), PathOnly());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        image.SetDimensions(c.width, c.height, c.bits);
        EXPECT_STREQ(image.GetDimensionString(), c.text);
        EXPECT_DOUBLE_EQ(image.GetAspectRatio(), c.aspect);
    }
}

TEST_F(FileHandlerTest, DimensionsComeFromTheFilesHeader)
{
    savePicture(pics("six.bmp"), 6, 4);
    write("broken.jpg", "not a picture at all");
    write("notes.xyz", "not a picture format");
    const struct
    {
        const char *name;
        const char *text;
    } cases[] = {
        {"six.bmp", "6x4 24-bit"},
        {"broken.jpg", "Unknown"},
        {"notes.xyz", "Unknown"},
        {"missing.jpg", "Unknown"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(TImageHandler(pics(c.name), true).GetDimensionString(), c.text);
    }
    EXPECT_STREQ(TImageHandler(pics("six.bmp"), false).GetDimensionString(), "Unknown");
}

TEST_F(FileHandlerTest, ExpandPatternCodes)
{
    write("Sunset.jpg", QByteArray(1500, 'x'));
    write("archive.tar.gz", QByteArray(2, 'x'));
    write("README", QByteArray(1, 'x'));
    setMemo(pics("Sunset.jpg"), {"first", "second"});
    TImageHandler sunset(pics("Sunset.jpg"), false);
    sunset.SetDimensions(640, 480, 24);
    TImageHandler noBits(pics("Sunset.jpg"), false);
    noBits.SetDimensions(640, 480, 0);
    const TImageHandler archive(pics("archive.tar.gz"), false);
    const TImageHandler readme(pics("README"), false);
    const CString date = sunset.GetDateTimeString();
    ASSERT_FALSE(date.IsEmpty());

    const struct
    {
        const TImageHandler *image;
        const char *pattern;
        std::optional<int> counter;   // none: no counter
        std::optional<int> total;
        std::string text;
        int counterAfter;
    } cases[] = {
        {&sunset, "", 1, 9, "", 1},
        {&sunset, "%G (%s)", {}, {}, "Sunset (1.46KB)", 0},
        {&sunset, "%f", {}, {}, "Sunset.jpg", 0},
        {&archive, "%g", {}, {}, "archive.tar", 0},
        {&readme, "%g / %s", {}, {}, "README / 1 byte", 0},
        {&sunset, "100%", {}, {}, "100", 0},
        {&sunset, "%%", {}, {}, "%", 0},
        {&sunset, "%n of %t", 1, 9, "1 of 9", 2},
        {&sunset, "%n%N", 7, {}, "78", 9},
        {&sunset, "%n of %t", {}, {}, "n of t", 0},
        {&sunset, "%m", {}, {}, "firstsecond", 0},
        {&readme, "[%m]", {}, {}, "[]", 0},
        {&sunset, "%p x %b", {}, {}, "640 x 480 x 24", 0},
        {&noBits, "%b", {}, {}, "?", 0},
        {&sunset, "%d", {}, {}, date.c_str(), 0},
        {&sunset, "%q%-", {}, {}, "q-", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern);
        int counter = c.counter.value_or(0);
        const int total = c.total.value_or(0);
        const CString text = c.image->ExpandPattern(c.pattern, c.counter ? &counter : nullptr,
                                                    c.total ? &total : nullptr);
        EXPECT_EQ(std::string(text.c_str()), c.text);
        EXPECT_EQ(counter, c.counterAfter);
    }
}

TEST_F(FileHandlerTest, SubItemsAreTheListRowsColumns)
{
    write("a.jpg", QByteArray(2048, 'x'));
    setMemo(pics("a.jpg"), {"line one", "tab\there"});
    TImageHandler image(pics("a.jpg"), false);
    image.SetDimensions(640, 480, 24);
    const QStringList columns = {folder().ToAnsiString(), "640x480 24-bit", "2KB",
                                 image.GetDateTimeString().ToAnsiString()};

    TStringList withMemo;
    image.AddSubItems(true, withMemo);
    EXPECT_EQ(withMemo.ToStringList(), columns + QStringList{"line one  tab here"});

    TStringList withoutMemo;
    image.AddSubItems(false, withoutMemo);
    EXPECT_EQ(withoutMemo.ToStringList(), columns);

    // SetSubItems refreshes the columns a row has; without the memo it leaves the fifth alone
    image.SetDimensions(0, 0, 0);
    withMemo.Put(4, "old memo");
    image.SetSubItems(false, withMemo);
    EXPECT_EQ(withMemo[1], "Unknown");
    EXPECT_EQ(withMemo[4], "old memo");
}

TEST_F(FileHandlerTest, SaveImageAsBMPWritesTheDecodedPixels)
{
    const QByteArray pixels = savePicture(pics("a.png"), 5, 3);
    EXPECT_TRUE(TImageHandler(pics("a.png"), false).SaveImageAsBMP(pics("a.bmp")));
    EXPECT_EQ(TImageHandler(pics("a.bmp"), true).GetDimensionString(), "5x3 24-bit");
    EXPECT_EQ(decodedPixels(pics("a.bmp")), pixels);

    write("broken.png", "not a picture");
    EXPECT_FALSE(TImageHandler(pics("broken.png"), false).SaveImageAsBMP(pics("broken.bmp")));
    EXPECT_FALSE(HostFileExists(host("broken.bmp")));
}

TEST_F(FileHandlerTest, OpenFilesAsksWhenTheListIsLongerThanTheWarnLevel)
{
    const struct
    {
        const char *what;
        int warnLevel, warnLevelAsk, files;
        int answer;
        bool asked, opened;
    } cases[] = {
        {"six files over five, declined", 5, 1, 6, IDNO, true, false},
        {"two files over one, accepted", 1, 1, 2, IDYES, true, true},
        {"two files, not over two", 2, 1, 2, IDNO, false, true},
        {"two files over one, never asking", 1, 0, 2, IDNO, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        GeneralOptions->SetInt(TGeneralOptions::WarnLevel, c.warnLevel);
        GeneralOptions->SetInt(TGeneralOptions::WarnLevelAsk, c.warnLevelAsk);
        TStringList files;
        std::vector<QString> paths;
        for (int i = 0; i < c.files; ++i) {
            paths.push_back(pics(std::to_string(i) + ".jpg").ToAnsiString());
            files.Add(paths.back());
        }
        RecordingViewer viewer;
        MessageBoxScript boxes({c.answer});
        EXPECT_EQ(OpenFiles(files, InternalViewerApplication), c.opened);
        ASSERT_EQ(boxes.boxes().size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(boxes.boxes()[0].text,
                      QStringLiteral("Are you sure you want to open %1 images at the same time?").arg(c.files));
            EXPECT_EQ(boxes.boxes()[0].type, QuestionNoBoxFlags);
        }
        EXPECT_EQ(viewer.opened, c.opened ? paths : std::vector<QString>{});
    }
}

TEST_F(FileHandlerTest, OpenWithTheInternalViewer)
{
    write("a.jpg");
    RecordingViewer viewer;
    const TFileHandler file(pics("a.jpg"));
    file.Open(InternalViewerApplication);
    {
        FixedOpenWith openWith(InternalViewerApplication);
        file.Open("");   // the open-with list's first entry
    }
    EXPECT_EQ(viewer.opened, (std::vector<QString>{pics("a.jpg").ToAnsiString(), pics("a.jpg").ToAnsiString()}));
}

TEST_F(FileHandlerTest, OpenWithTheShellOrAProgram)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "image/png;");
    const std::string programLog = TestHostFolder() + "/program.log";
    const std::string program = TestHostFolder() + "/my viewer";
    FakeDesktop::writeLoggingProgram(program, programLog);
    fs::create_directories(host("My Pictures"));
    savePicture(pics("My Pictures/a b.png"), 2, 2);
    write("notes.xyz");
    const CPath picture = pics("My Pictures/a b.png");
    RecordingViewer viewer;

    {
        MessageBoxScript boxes;
        TFileHandler(picture).Open(RegisteredApplication);
        EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()), QByteArray::fromStdString(host("My Pictures/a b.png") + "\n"));
        fs::remove(desktop.openerLogPath());
        TFileHandler(picture).Open("");   // with no open-with list: the registered association
        EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()), QByteArray::fromStdString(host("My Pictures/a b.png") + "\n"));
        EXPECT_TRUE(boxes.boxes().empty());
    }
    {
        MessageBoxScript boxes;
        TFileHandler(picture).Open(WindowsPathFromHost(program).c_str());
        EXPECT_EQ(FakeDesktop::waitForFile(programLog), QByteArray::fromStdString(host("My Pictures/a b.png") + "\n"));
        EXPECT_TRUE(boxes.boxes().empty());
    }
    const struct
    {
        const char *what;
        CPath file;
        CString application;
        const char *message;
    } failures[] = {
        {"a type nothing opens", pics("notes.xyz"), RegisteredApplication,
         "There is no application associated with the given filename extension"},
        {"a missing program", picture, pics("gone.exe"), "The specified file was not found"},
    };
    for (const auto &c : failures) {
        SCOPED_TRACE(c.what);
        MessageBoxScript boxes;
        TFileHandler(c.file).Open(c.application);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, c.message);
        EXPECT_EQ(boxes.boxes()[0].type, WarningBoxFlags);
    }
    EXPECT_TRUE(viewer.opened.empty());
}

TEST_F(FileHandlerTest, RenameFilesStopsAtTheFirstDialogNotConfirmed)
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "taken.jpg"})
        write(name);
    RenameCoordinator coordinator;
    MessageBoxScript boxes;
    TStringList files;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        files.Add(pics(name).ToAnsiString());

    {
        ScriptedRenameDialog dialog({"one.jpg", "two.jpg"});   // the third is cancelled
        RenameFiles(files);
        EXPECT_EQ(dialog.shown, (std::vector<QString>{pics("a.jpg").ToAnsiString(), pics("b.jpg").ToAnsiString(),
                                                      pics("c.jpg").ToAnsiString()}));
    }
    EXPECT_EQ(files.ToStringList(), QStringList({pics("one.jpg").ToAnsiString(), pics("two.jpg").ToAnsiString(),
                                                 pics("c.jpg").ToAnsiString()}));
    EXPECT_EQ(coordinator.calls().size(), 2u);

    {
        // a rename that fails in the dialog is not confirmed either
        ScriptedRenameDialog dialog({"taken.jpg", "five.jpg"});
        RenameFiles(files);
        EXPECT_EQ(dialog.shown.size(), 1u);
    }
    EXPECT_EQ(files[0], pics("one.jpg").ToAnsiString());
    EXPECT_EQ(boxes.boxes().size(), 1u);

    {
        ScriptedRenameDialog dialog({"three.jpg"});
        EXPECT_TRUE(RenameFileWithDialog(pics("d.jpg")));
        EXPECT_FALSE(RenameFileWithDialog(pics("three.jpg")));
    }
    EXPECT_FALSE(RenameFileWithDialog(pics("three.jpg")));   // no dialog yet: cancelled
    EXPECT_EQ(names(), (std::vector<std::string>{"c.jpg", "one.jpg", "taken.jpg", "three.jpg", "two.jpg"}));
}
