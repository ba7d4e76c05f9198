#include "../engine/ThumbTestSupport.h"
#include "../TestSupport.h"

#include <Source/tools/BasketData.h>
#include <platform/Exception.h>
#include <platform/HostPath.h>

#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

class BasketDataTest : public ThumbTest
{
protected:
    static std::string host(const QString &name) { return TestHostFolder() + "/" + name.toStdString(); }
    static QString windows(const QString &name) { return TestWindowsPath(QString(name).replace(u'/', u'\\')); }

    // A file of the test folder holding size bytes; answers its Windows path.
    static QString writeSized(const QString &name, int size)
    {
        std::filesystem::create_directories(std::filesystem::path(host(name)).parent_path());
        WriteHostFile(host(name), QByteArray(size, 'x'));
        return windows(name);
    }

    // A handler of path that knows its picture without reading it.
    static TImageHandler picture(const QString &path, int32_t width, int32_t height, int16_t bits)
    {
        TImageHandler file{CPath(CString(path)), PathOnly()};
        file.SetDimensions(width, height, bits);
        return file;
    }

    static void setMemo(const CPath &file, const QString &text)
    {
        TStringList lines;
        lines.SetText(text);
        CMemo(file).SetLines(lines);
    }

    static QStringList captions(const TBasketModel &model)
    {
        QStringList names;
        for (int row = 0; row < model.Count(); ++row)
            names << model.Item(row).caption.ToAnsiString();
        return names;
    }
};

TEST_F(BasketDataTest, TheContentsFileGivesItsGoodLinesAndSaysWhenSomethingCouldNotBeRead)
{
    const QByteArray tooLong = "C:\\" + QByteArray(MaxBasketPathLength, 'n') + "\r\n";
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QStringList paths;
        bool damaged;
    };
    const Case cases[] = {
        {"CR LF lines", "C:\\a.jpg\r\nC:\\Pics\\b.jpg\r\n", {"C:\\a.jpg", "C:\\Pics\\b.jpg"}, false},
        {"LF, CR and a last line without an end", "C:\\a.jpg\nC:\\b.jpg\rC:\\c.jpg", {"C:\\a.jpg", "C:\\b.jpg", "C:\\c.jpg"}, false},
        {"empty lines", "\r\n\r\nC:\\a.jpg\r\n\r\n", {"C:\\a.jpg"}, false},
        {"a share and another drive", "\\\\server\\share\\a.jpg\r\nM:\\b.jpg\r\n", {"\\\\server\\share\\a.jpg", "M:\\b.jpg"}, false},
        {"UTF-8 names", "C:\\Caf\xC3\xA9\\\xE2\x82\xAC.jpg\r\n", {QString::fromUtf8("C:\\Caf\xC3\xA9\\\xE2\x82\xAC.jpg")}, false},
        {"a relative line", "C:\\a.jpg\r\n..\\b.jpg\r\nC:\\c.jpg\r\n", {"C:\\a.jpg", "C:\\c.jpg"}, true},
        {"a control character", "C:\\a\tb.jpg\r\nC:\\c.jpg\r\n", {"C:\\c.jpg"}, true},
        {"bytes that are no UTF-8", "C:\\a\xFF\xFE.jpg\r\nC:\\c.jpg\r\n", {"C:\\c.jpg"}, true},
        {"a line longer than a path", "C:\\a.jpg\r\n" + tooLong, {"C:\\a.jpg"}, true},
        {"binary junk", QByteArray("\x00\x01\x02\x03", 4), {}, true},
    };
    const CPath file(CString(windows("Basket.zilb")));
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        WriteHostFile(host("Basket.zilb"), test.bytes);
        const TBasketFileContents contents = ReadBasketFile(file);
        EXPECT_EQ(contents.paths, test.paths);
        EXPECT_EQ(contents.damaged, test.damaged);
    }

    std::filesystem::remove(host("Basket.zilb"));
    const TBasketFileContents missing = ReadBasketFile(file);
    EXPECT_TRUE(missing.paths.isEmpty());
    EXPECT_FALSE(missing.damaged) << "no file is an empty basket";
}

TEST_F(BasketDataTest, AFileLargerThanTheLimitIsReadOnlyUpToItAndCountsAsDamaged)
{
    WriteHostFile(host("Basket.zilb"), "C:\\a.jpg\r\nC:\\b.jpg\r\n");
    // Sparse: the rest reads as zeros and takes no room.
    std::filesystem::resize_file(host("Basket.zilb"), uintmax_t(MaxBasketFileBytes) * 4);
    const TBasketFileContents contents = ReadBasketFile(CPath(CString(windows("Basket.zilb"))));
    EXPECT_EQ(contents.paths, (QStringList{"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_TRUE(contents.damaged);
}

TEST_F(BasketDataTest, TheContentsFileIsWrittenWholeThroughATemporaryFile)
{
    const CPath file(CString(windows("Basket.zilb")));
    WriteHostFile(host("Basket.zilb"), "old\r\n");
    struct stat before {};
    ASSERT_EQ(::stat(host("Basket.zilb").c_str(), &before), 0);

    const QStringList paths = {"C:\\a.jpg", QString::fromUtf8("C:\\Caf\xC3\xA9\\b.jpg"), "M:\\c.jpg"};
    WriteBasketFile(file, paths);
    EXPECT_EQ(ReadHostFile(host("Basket.zilb")), QByteArray("C:\\a.jpg\r\nC:\\Caf\xC3\xA9\\b.jpg\r\nM:\\c.jpg\r\n"));
    struct stat after {};
    ASSERT_EQ(::stat(host("Basket.zilb").c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed over the old one";
    EXPECT_EQ(ReadBasketFile(file).paths, paths);

    // A target that cannot be replaced raises and leaves nothing behind.
    std::filesystem::create_directories(host("Folder.zilb"));
    EXPECT_THROW(WriteBasketFile(CPath(CString(windows("Folder.zilb"))), paths), Exception);
    EXPECT_TRUE(std::filesystem::is_directory(host("Folder.zilb")));
}

TEST_F(BasketDataTest, TheIndexFilesAPathByItsNameAndFindsItWhateverTheCase)
{
    struct Case
    {
        const char *path;
        int bucket;
    };
    const Case cases[] = {
        {"C:\\Pics\\a.jpg", ('a' + '.' + 'j' + 'p' + 'g') & 0x3F},
        {"C:\\PICS\\A.jpg", ('a' + '.' + 'j' + 'p' + 'g') & 0x3F},
        {"C:a.jpg", ('a' + '.' + 'j' + 'p' + 'g') & 0x3F},
        {"C:\\x\\", 0},
        // A UTF-8 name: its bytes, whatever they mean.
        {"C:\\\xC3\xA9", (int(static_cast<signed char>('\xC3')) + static_cast<signed char>('\xA9')) & 0x3F},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.path);
        EXPECT_EQ(CBasketIndex::BucketOf(test.path), test.bucket);
    }

    CBasketIndex index;
    TBasketItem *row = reinterpret_cast<TBasketItem *>(&index);
    EXPECT_EQ(index.Find("C:\\Pics\\a.jpg"), nullptr);
    index.Add("C:\\Pics\\a.jpg", row);
    EXPECT_EQ(index.Find("c:\\pics\\A.jpg"), row);
    EXPECT_EQ(index.Find("C:\\Other\\a.jpg"), nullptr) << "the same name in another folder";
    index.Remove("C:\\PICS\\a.jpg");
    EXPECT_EQ(index.Find("C:\\Pics\\a.jpg"), nullptr);
    index.Add("C:\\Pics\\a.jpg", row);
    index.Clear();
    EXPECT_EQ(index.Find("C:\\Pics\\a.jpg"), nullptr);
}

TEST_F(BasketDataTest, APathAlreadyInTheBasketGivesNoSecondRow)
{
    const QString a = writeSized("Pics/a.jpg", 10);
    const QString b = writeSized("Pics/b.jpg", 20);
    TBasketModel model;
    EXPECT_EQ(model.AddFiles({picture(a, 4, 4, 24), picture(b, 4, 4, 24), picture(a, 4, 4, 24)}), 1);
    EXPECT_EQ(model.AddFiles({picture(QString(a).toUpper(), 4, 4, 24)}), 1) << "a path in other letters";
    EXPECT_EQ(captions(model), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(model.Paths(), (QStringList{a, b}));
    EXPECT_EQ(model.FindItem(CString(b)), &model.Item(1));

    model.RemoveItems([](const TBasketItem &item) { return item.caption == "a.jpg"; });
    EXPECT_EQ(captions(model), (QStringList{"b.jpg"}));
    EXPECT_EQ(model.FindItem(CString(a)), nullptr) << "out of the index with its row";
    EXPECT_EQ(model.AddFiles({picture(a, 4, 4, 24)}), 0);
}

TEST_F(BasketDataTest, ARowShowsAllTheBitsOfAFilesSize)
{
    WriteHostFile(host("Big.avi"), "x");
    constexpr uint64_t size = (uint64_t(5) << 30) + 7;   // sparse
    std::filesystem::resize_file(host("Big.avi"), size);
    const TImageHandler file(CPath(CString(windows("Big.avi"))), true);
    const TBasketItem item(file);
    EXPECT_EQ(item.data.size, size);
    CString expected;
    expected.FormatFileSize(size);
    EXPECT_EQ(item.subItems[bcSize - 1], expected.ToAnsiString());
}

TEST_F(BasketDataTest, ColumnsSortTheirOwnWayAndSelectionsFollowTheirRows)
{
    const QString small = writeSized("s.jpg", 10);
    const QString big = writeSized("B.jpg", 300);
    const QString middle = writeSized("m.jpg", 200);
    TBasketModel model;
    // Bits first: the small 8-bit picture comes before the large 24-bit ones.
    model.AddFiles({picture(small, 100, 100, 24), picture(big, 5000, 5000, 8), picture(middle, 10, 10, 24)});
    QItemSelectionModel selection(&model);
    selection.select(model.index(1, 0), QItemSelectionModel::Select);   // B.jpg

    struct Case
    {
        int column;
        bool ascending;
        QStringList order;
    };
    const Case cases[] = {
        {bcSize, true, {"s.jpg", "m.jpg", "B.jpg"}},
        {bcSize, false, {"B.jpg", "m.jpg", "s.jpg"}},
        {bcName, true, {"B.jpg", "m.jpg", "s.jpg"}},
        {bcName, false, {"s.jpg", "m.jpg", "B.jpg"}},
        {bcDimensions, true, {"B.jpg", "m.jpg", "s.jpg"}},
        {bcDimensions, false, {"s.jpg", "m.jpg", "B.jpg"}},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.column * 2 + test.ascending);
        model.Sort(test.column, test.ascending);
        EXPECT_EQ(captions(model), test.order);
        const QModelIndexList selected = selection.selectedIndexes();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(model.Item(selected.front().row()).caption, CString("B.jpg"));
    }
}

TEST_F(BasketDataTest, TheRefreshVisitsEachRowInTurnAndShowsWhatChanged)
{
    const QString a = writeSized("a.jpg", 10);
    const QString b = writeSized("b.jpg", 10);
    const QString c = writeSized("c.jpg", 10);
    TBasketModel model;
    model.AddFiles({TImageHandler(CPath(CString(a)), true), TImageHandler(CPath(CString(b)), true),
                    TImageHandler(CPath(CString(c)), true)});
    WriteHostFile(host("c.jpg"), QByteArray(5000, 'y'));
    setMemo(CPath(CString(b)), "a note\r\nof two lines");
    std::vector<int> changedRows;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, &model,
                     [&](const QModelIndex &first) { changedRows.push_back(first.row()); });

    model.RefreshNextItem();
    EXPECT_EQ(model.RefreshIndex(), 0);
    EXPECT_TRUE(changedRows.empty()) << "a.jpg is as it was";
    model.RefreshNextItem();
    EXPECT_EQ(changedRows, std::vector<int>{1});
    EXPECT_EQ(model.Item(1).subItems[bcMemo - 1], QStringLiteral("a note  of two lines"));
    model.RefreshNextItem();
    EXPECT_EQ(changedRows, (std::vector<int>{1, 2}));
    EXPECT_EQ(model.Item(2).data.size, 5000u);
    model.RefreshNextItem();
    EXPECT_EQ(model.RefreshIndex(), 0) << "round again";
}

} // namespace
