#include "ThumbTestSupport.h"

#include <Source/engine/ThumbSort.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>

#include <QRegularExpression>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <latch>
#include <thread>

namespace {

struct KeyValues
{
    const char *name;
    int32_t width;
    int32_t height;
    int16_t bits;
    uint32_t size;
    uint64_t modified;
    uint16_t statistic;   // all four statistics
};

TThumbSortKey keyOf(const KeyValues &values)
{
    TImageHandler handler(CPath("C:\\Pics").AppendFileName(values.name), PathOnly{});
    handler.SetDimensions(values.width, values.height, values.bits);
    handler.SetSize(values.size);
    handler.SetModified(UInt64ToFileTime(values.modified));
    TThumbSortKey key(handler);
    key.colourTemperature = key.hue = key.saturation = key.brightness = values.statistic;
    return key;
}

TEST(ThumbSortCompare, ComparesEachPropertyWithoutOverflow)
{
    constexpr int32_t Huge = 2147483647;
    const struct
    {
        const char *what;
        int property;
        KeyValues a;
        KeyValues b;
        int sign;
    } rows[] = {
        {"width", CThumbSort::ImageWidth, {"a", 200, 1, 24, 0, 0, 0}, {"b", 100, 1, 24, 0, 0, 0}, 1},
        {"widths further apart than 2^31", CThumbSort::ImageWidth, {"a", -Huge - 1, 1, 24, 0, 0, 0},
         {"b", Huge, 1, 24, 0, 0, 0}, -1},
        {"height", CThumbSort::ImageHeight, {"a", 1, 50, 24, 0, 0, 0}, {"b", 1, 60, 24, 0, 0, 0}, -1},
        {"depth", CThumbSort::ImageDepth, {"a", 1, 1, 8, 0, 0, 0}, {"b", 1, 1, 24, 0, 0, 0}, -1},
        {"area beyond 2^31", CThumbSort::ImageArea, {"a", 50000, 50000, 24, 0, 0, 0}, {"b", 1, 1, 24, 0, 0, 0}, 1},
        {"area of 2^32", CThumbSort::ImageArea, {"a", 65536, 65536, 24, 0, 0, 0}, {"b", 2, 2, 24, 0, 0, 0}, 1},
        {"equal areas", CThumbSort::ImageArea, {"a", 3, 4, 24, 0, 0, 0}, {"b", 4, 3, 24, 0, 0, 0}, 0},
        {"names differing in case", CThumbSort::FileName, {"Sunset.JPG", 1, 1, 24, 0, 0, 0},
         {"sunset.jpg", 1, 1, 24, 0, 0, 0}, 0},
        {"names without case", CThumbSort::FileName, {"a.jpg", 1, 1, 24, 0, 0, 0}, {"B.jpg", 1, 1, 24, 0, 0, 0}, -1},
        {"extensions differing in case", CThumbSort::FileExtension, {"x.PNG", 1, 1, 24, 0, 0, 0},
         {"y.png", 1, 1, 24, 0, 0, 0}, 0},
        {"extensions", CThumbSort::FileExtension, {"z.bmp", 1, 1, 24, 0, 0, 0}, {"a.JPG", 1, 1, 24, 0, 0, 0}, -1},
        {"no extension first", CThumbSort::FileExtension, {"noext", 1, 1, 24, 0, 0, 0}, {"x.a", 1, 1, 24, 0, 0, 0},
         -1},
        {"date", CThumbSort::FileDate, {"a", 1, 1, 24, 0, 200, 0}, {"b", 1, 1, 24, 0, 100, 0}, 1},
        {"dates apart in the high word", CThumbSort::FileDate, {"a", 1, 1, 24, 0, uint64_t(1) << 40, 0},
         {"b", 1, 1, 24, 0, 1, 0}, 1},
        {"size beyond 2^31", CThumbSort::FileSize, {"a", 1, 1, 24, 0xF0000000u, 0, 0}, {"b", 1, 1, 24, 16, 0, 0}, 1},
        {"largest size", CThumbSort::FileSize, {"a", 1, 1, 24, 0, 0, 0}, {"b", 1, 1, 24, 0xFFFFFFFFu, 0, 0}, -1},
        {"colour temperature", CThumbSort::ColourTemperature, {"a", 1, 1, 24, 0, 0, 65534},
         {"b", 1, 1, 24, 0, 0, 0}, 1},
        {"hue", CThumbSort::AverageHue, {"a", 1, 1, 24, 0, 0, 1}, {"b", 1, 1, 24, 0, 0, 2}, -1},
        {"saturation", CThumbSort::AverageSaturation, {"a", 1, 1, 24, 0, 0, 9}, {"b", 1, 1, 24, 0, 0, 9}, 0},
        {"brightness", CThumbSort::AverageBrightness, {"a", 1, 1, 24, 0, 0, 65535}, {"b", 1, 1, 24, 0, 0, 0}, 1},
        {"ratios within 0.0001", CThumbSort::AspectRatio, {"a", 20001, 20000, 24, 0, 0, 0},
         {"b", 7, 7, 24, 0, 0, 0}, 0},
        {"ratios 0.0002 apart", CThumbSort::AspectRatio, {"a", 10002, 10000, 24, 0, 0, 0},
         {"b", 7, 7, 24, 0, 0, 0}, 1},
        {"ratios 0.0002 apart, reversed", CThumbSort::AspectRatio, {"a", 7, 7, 24, 0, 0, 0},
         {"b", 10002, 10000, 24, 0, 0, 0}, -1},
        {"no height is ratio 0", CThumbSort::AspectRatio, {"a", 5, 0, 24, 0, 0, 0}, {"b", 1, 100, 24, 0, 0, 0}, -1},
        {"ratio beyond 32 bits of steps", CThumbSort::AspectRatio, {"a", Huge, 1, 24, 0, 0, 0},
         {"b", 1, 1, 24, 0, 0, 0}, 1},
        {"custom order", CThumbSort::CustomOrder, {"a", 1, 1, 24, 0, 0, 0}, {"b", 2, 2, 32, 9, 9, 9}, 0},
        {"unknown property", 99, {"a", 1, 1, 24, 0, 0, 0}, {"b", 2, 2, 32, 9, 9, 9}, 0},
        {"negative property", -1, {"a", 1, 1, 24, 0, 0, 0}, {"b", 2, 2, 32, 9, 9, 9}, 0},
    };
    for (const auto &row : rows) {
        const int order = CThumbSort::Compare(row.property, keyOf(row.a), keyOf(row.b));
        EXPECT_EQ((order > 0) - (order < 0), row.sign) << row.what;
    }
}

using ThumbSortTest = ThumbTest;

const CPath PicsFolder("C:\\Pics");

void setFolderOption(const CPath &folder, TFolderOptions::Option id, int32_t value)
{
    TFolderSpecificOptionsCache::GetFolderOptions(folder)->SetInt(id, value);
}

// Records of folder by name, held by the list (one reference each).
class RecordList
{
public:
    RecordList(const CPath &folder, const std::vector<std::string> &names)
    {
        for (const std::string &name : names)
            records.push_back(new CThumbBitmap(CThumbBitmap::FromBrowseFile, folder.AppendFileName(name.c_str())));
    }
    RecordList(const RecordList &) = delete;
    RecordList &operator=(const RecordList &) = delete;
    // A sort only reorders the list, so each record is released once.
    ~RecordList()
    {
        for (CThumbBitmap *record : records)
            record->Release();
    }

    // Takes over the reference of a record made elsewhere.
    void adopt(CThumbBitmap *record) { records.push_back(record); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (CThumbBitmap *record : records)
            result.push_back(record->GetHandler().GetName().c_str());
        return result;
    }

    std::vector<CThumbBitmap *> records;
};

TEST_F(ThumbSortTest, DescribesPropertyAndDirection)
{
    const struct
    {
        int property;
        int direction;
        const char *words;
        const char *directionWords;
    } rows[] = {
        {CThumbSort::ImageWidth, 0, "image width", "ascending"},
        {CThumbSort::FileName, 1, "file name", "descending"},
        {CThumbSort::AverageSaturation, 2, "average saturation", "descending"},
        {CThumbSort::AspectRatio, 0, "aspect ratio", "ascending"},
        {CThumbSort::CustomOrder, 0, "kept", "ascending"},
        {42, 1, "kept", "descending"},
    };
    for (const auto &row : rows) {
        setFolderOption(PicsFolder, TFolderOptions::SortProperty, row.property);
        setFolderOption(PicsFolder, TFolderOptions::SortDirection, row.direction);
        CString words("kept");
        CString direction;
        CThumbSort(PicsFolder).GetDescription(words, direction);
        EXPECT_STREQ(words.c_str(), row.words) << row.property;
        EXPECT_STREQ(direction.c_str(), row.directionWords) << row.property;
    }
}

// Enough records that a sort which is not stable shows it.
TEST_F(ThumbSortTest, NamesDifferingInCaseKeepTheirOrderEitherWay)
{
    constexpr int PairCount = 20;
    const auto name = [](const char *format, int number) {
        CString text;
        text.Format(format, number);
        return std::string(text.c_str());
    };
    // Every upper-case name in a shuffled order, then every lower-case one.
    std::vector<std::string> names;
    for (const char *format : {"IMG%02d.jpg", "img%02d.JPG"}) {
        for (int index = 0; index < PairCount; ++index)
            names.push_back(name(format, index * 7 % PairCount));
    }
    std::vector<std::string> ascending;
    for (int number = 0; number < PairCount; ++number) {
        ascending.push_back(name("IMG%02d.jpg", number));
        ascending.push_back(name("img%02d.JPG", number));
    }
    std::vector<std::string> descending;
    for (int number = PairCount - 1; number >= 0; --number) {
        descending.push_back(name("IMG%02d.jpg", number));
        descending.push_back(name("img%02d.JPG", number));
    }

    setFolderOption(PicsFolder, TFolderOptions::SortProperty, CThumbSort::FileName);
    RecordList list(PicsFolder, names);
    const std::vector<CThumbBitmap *> unsorted = list.records;
    const struct
    {
        int direction;
        const std::vector<std::string> &sorted;
    } rows[] = {
        {0, ascending},
        {1, descending},   // unequal names reversed, equal ones as they were
    };
    for (const auto &row : rows) {
        setFolderOption(PicsFolder, TFolderOptions::SortDirection, row.direction);
        list.records = unsorted;
        EXPECT_EQ(CThumbSort(PicsFolder).Sort(list.records), CThumbSort::Sorted);
        EXPECT_EQ(list.names(), row.sorted) << row.direction;
    }
}

// A JPEG file whose header claims width x height (under 2^28 pixels), so that
// its record reads those dimensions without a large image being written.
CPath writeJpegClaiming(const char *name, uint16_t width, uint16_t height)
{
    std::vector<uint8_t> jpeg = JpegBytes(8, 8);
    for (size_t index = 0; index + 8 < jpeg.size(); ++index) {
        if (jpeg[index] != 0xFF || jpeg[index + 1] != 0xC0)
            continue;
        jpeg[index + 5] = uint8_t(height >> 8);
        jpeg[index + 6] = uint8_t(height);
        jpeg[index + 7] = uint8_t(width >> 8);
        jpeg[index + 8] = uint8_t(width);
        break;
    }
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    WriteHostFile(TestHostFolder() + "/Pics/" + name,
                  QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
    return PicsFolder.AppendFileName(name);
}

TEST_F(ThumbSortTest, AspectRatiosWithinTheToleranceKeepTheirOrder)
{
    setFolderOption(PicsFolder, TFolderOptions::SortProperty, CThumbSort::AspectRatio);
    const CPath nearSquare = writeJpegClaiming("near.jpg", 15000, 14999);   // 1.0000667
    const CPath square = writeJpegClaiming("square.jpg", 10000, 10000);
    const CPath wide = writeJpegClaiming("wide.jpg", 2000, 1000);
    const struct
    {
        int direction;
        std::vector<std::string> sorted;
    } rows[] = {
        {0, {"near.jpg", "square.jpg", "wide.jpg"}},
        {1, {"wide.jpg", "near.jpg", "square.jpg"}},
    };
    for (const auto &row : rows) {
        setFolderOption(PicsFolder, TFolderOptions::SortDirection, row.direction);
        RecordList list(PicsFolder, {});
        for (const CPath &path : {wide, nearSquare, square})
            list.adopt(new CThumbBitmap(CThumbBitmap::FromFile, path));
        ASSERT_EQ(list.records[1]->GetHandler().GetWidth(), 15000);
        CThumbSort(PicsFolder).Sort(list.records);
        EXPECT_EQ(list.names(), row.sorted) << row.direction;
    }
}

// The host path of a path of C:.
std::string hostPathOf(const CPath &path)
{
    return TestHostFolder() + "/" + std::string(CPath(path.Mid(3)).GetUnixPath().c_str());
}

QString storedCustomSortFile(const CPath &folder)
{
    return SettingsStore->ReadString(FolderRegistryKey(folder).ToAnsiString(), "Custom Sort Order", QString());
}

void storeCustomSortFile(const CPath &folder, const QString &path)
{
    SettingsStore->WriteString(FolderRegistryKey(folder).ToAnsiString(), "Custom Sort Order", path);
}

TEST_F(ThumbSortTest, CustomOrderPlacesNamedRecordsFirst)
{
    const struct
    {
        const char *what;
        const char *file;   // null: no order file
        std::vector<std::string> sorted;
        int result;
    } rows[] = {
        {"no file", nullptr, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, CThumbSort::NoCustomOrder},
        {"empty file", "", {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, CThumbSort::Sorted},
        {"missing file named", "c.jpg\r\nmissing.jpg\r\na.jpg\r\n", {"c.jpg", "a.jpg", "b.jpg", "d.jpg"},
         CThumbSort::Sorted},
        {"another list's record", "other.jpg\r\nd.jpg", {"d.jpg", "a.jpg", "b.jpg", "c.jpg"},
         CThumbSort::NamesOtherRecord},
        {"name repeated", "b.jpg\r\na.jpg\r\nb.jpg\r\n", {"b.jpg", "a.jpg", "c.jpg", "d.jpg"}, CThumbSort::Sorted},
        {"name in another case", "C.JPG\n", {"c.jpg", "a.jpg", "b.jpg", "d.jpg"}, CThumbSort::Sorted},
        {"paths and dot names", "sub\\x.jpg\r\nsub/x.jpg\r\n.\r\n..\r\nb.jpg\r\n", {"b.jpg", "a.jpg", "c.jpg", "d.jpg"},
         CThumbSort::Sorted},
    };
    setFolderOption(PicsFolder, TFolderOptions::SortProperty, CThumbSort::CustomOrder);
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    const CPath orderFile = PicsFolder.AppendFileName("Zilo custom sort.txt");
    // Cached, but in no list of this folder.
    RecordList others(PicsFolder, {"other.jpg", "sub\\x.jpg"});
    RecordList list(PicsFolder, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    const std::vector<CThumbBitmap *> unsorted = list.records;
    for (const auto &row : rows) {
        std::filesystem::remove(hostPathOf(orderFile));
        if (row.file)
            WriteHostFile(hostPathOf(orderFile), row.file);
        list.records = unsorted;
        EXPECT_EQ(CThumbSort(PicsFolder).Sort(list.records), row.result) << row.what;
        EXPECT_EQ(list.names(), row.sorted) << row.what;
    }
}

const QRegularExpression DataFileName(QStringLiteral(R"(^C:\\Program\\Data\\[0-7][0-9A-F]{3}[0-7][0-9A-F]{3}\.txt$)"));

TEST_F(ThumbSortTest, NewNamesAreEightDigitsFromAGeneratorOfTheirOwn)
{
    const CThumbSort sort(PicsFolder);
    std::srand(7);
    std::rand();
    const int expectedNext = std::rand();
    std::srand(7);
    std::rand();
    const CPath first = sort.MakeCustomSortFileName();
    EXPECT_EQ(std::rand(), expectedNext) << "the shared generator was reseeded";
    EXPECT_STRNE(sort.MakeCustomSortFileName().c_str(), first.c_str());
    for (int count = 0; count < 200; ++count) {
        const QString name = sort.MakeCustomSortFileName().ToAnsiString();
        EXPECT_TRUE(DataFileName.match(name).hasMatch()) << name.toStdString();
    }

    setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 1);
    EXPECT_STREQ(sort.MakeCustomSortFileName().c_str(), "C:\\Pics\\Zilo custom sort.txt");
}

TEST_F(ThumbSortTest, CustomSortFileIsTheFoldersOwnThenTheStoredOne)
{
    const CThumbSort sort(PicsFolder);
    const CPath made = sort.GetCustomSortFile();
    EXPECT_TRUE(DataFileName.match(made.ToAnsiString()).hasMatch()) << made.c_str();
    EXPECT_EQ(storedCustomSortFile(PicsFolder), made.ToAnsiString());
    EXPECT_STREQ(sort.GetCustomSortFile().c_str(), made.c_str());

    storeCustomSortFile(PicsFolder, "c:\\program\\data\\0000abcd.TXT");
    EXPECT_STREQ(sort.GetCustomSortFile().c_str(), "c:\\program\\data\\0000abcd.TXT");

    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    WriteHostFile(TestHostFolder() + "/Pics/Zilo custom sort.txt", "a.jpg\r\n");
    EXPECT_STREQ(sort.GetCustomSortFile().c_str(), "C:\\Pics\\Zilo custom sort.txt");
}

TEST_F(ThumbSortTest, StoredPathThatNoSaveMayWriteIsReplaced)
{
    const CThumbSort sort(PicsFolder);
    for (const char *stored : {"C:\\Pics\\a.jpg", "0000ABCD.txt", "C:\\Program\\Data\\0000ABC.txt",
                               "C:\\Program\\Data\\0000ABCG.txt", "C:\\Program\\Data\\0000ABCD.txt.jpg",
                               "C:\\Elsewhere\\0000abcd.TXT", "C:\\Notes\\20240115.txt",
                               "C:\\Other\\Zilo custom sort.txt"}) {
        storeCustomSortFile(PicsFolder, stored);
        const CPath file = sort.GetCustomSortFile();
        EXPECT_TRUE(DataFileName.match(file.ToAnsiString()).hasMatch()) << stored << " gave " << file.c_str();
        EXPECT_EQ(storedCustomSortFile(PicsFolder), file.ToAnsiString()) << stored;
    }
}

TEST_F(ThumbSortTest, SavedOrderIsAppliedAgain)
{
    MessageBoxScript boxes;
    RecordList list(PicsFolder, {"c.jpg", "a.jpg", "b.jpg"});
    const CThumbSort sort(PicsFolder);
    sort.SaveCustomOrder(list.records);
    const CPath file = sort.GetCustomSortFile();
    EXPECT_EQ(ReadHostFile(hostPathOf(file)), "c.jpg\r\na.jpg\r\nb.jpg\r\n");

    setFolderOption(PicsFolder, TFolderOptions::SortProperty, CThumbSort::FileName);
    sort.Sort(list.records);
    setFolderOption(PicsFolder, TFolderOptions::SortProperty, CThumbSort::CustomOrder);
    EXPECT_EQ(sort.Sort(list.records), CThumbSort::Sorted);
    EXPECT_EQ(list.names(), (std::vector<std::string>{"c.jpg", "a.jpg", "b.jpg"}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ThumbSortTest, FailedSaveKeepsTheOldOrder)
{
    MessageBoxScript boxes;
    const CThumbSort sort(PicsFolder);
    RecordList old(PicsFolder, {"b.jpg"});
    sort.SaveCustomOrder(old.records);
    const std::string file = hostPathOf(sort.GetCustomSortFile());
    ASSERT_EQ(ReadHostFile(file), "b.jpg\r\n");

    RecordList list(PicsFolder, {"a.jpg", "c.jpg", "d.jpg"});
    {
        FileSizeLimit full(4);
        sort.SaveCustomOrder(list.records);
    }
    EXPECT_EQ(ReadHostFile(file), "b.jpg\r\n");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Error while saving custom sort-order");
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    const std::filesystem::directory_iterator dataFiles(std::filesystem::path(file).parent_path());
    EXPECT_EQ(std::distance(begin(dataFiles), end(dataFiles)), 1) << "a temporary file was left";
}

TEST_F(ThumbSortTest, OrderMovesBetweenDataFolderAndFolder)
{
    MessageBoxScript boxes;
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    const CThumbSort sort(PicsFolder);
    RecordList list(PicsFolder, {"b.jpg", "a.jpg"});
    sort.SaveCustomOrder(list.records);
    const CPath inData = sort.GetCustomSortFile();
    const CPath own("C:\\Pics\\Zilo custom sort.txt");

    setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 1);
    sort.RelocateCustomSortFile();
    EXPECT_FALSE(HostFileExists(hostPathOf(inData)));
    EXPECT_EQ(ReadHostFile(hostPathOf(own)), "b.jpg\r\na.jpg\r\n");
    EXPECT_EQ(storedCustomSortFile(PicsFolder), own.ToAnsiString());

    setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 0);
    sort.RelocateCustomSortFile();
    EXPECT_FALSE(HostFileExists(hostPathOf(own)));
    const CPath back = sort.GetCustomSortFile();
    EXPECT_TRUE(DataFileName.match(back.ToAnsiString()).hasMatch()) << back.c_str();
    EXPECT_EQ(storedCustomSortFile(PicsFolder), back.ToAnsiString());
    EXPECT_EQ(ReadHostFile(hostPathOf(back)), "b.jpg\r\na.jpg\r\n");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ThumbSortTest, ARelocationLeavesAFileTheSettingsNameElsewhere)
{
    MessageBoxScript boxes;
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    for (const char *stored : {"C:\\Notes\\20240115.txt", "C:\\Other\\Zilo custom sort.txt"}) {
        const std::string host = hostPathOf(CPath(stored));
        std::filesystem::create_directories(std::filesystem::path(host).parent_path());
        WriteHostFile(host, "a note\r\n");
        storeCustomSortFile(PicsFolder, stored);
        setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 1);
        CThumbSort(PicsFolder).RelocateCustomSortFile();
        EXPECT_EQ(ReadHostFile(host), "a note\r\n") << stored;
        EXPECT_EQ(storedCustomSortFile(PicsFolder), "C:\\Pics\\Zilo custom sort.txt") << stored;
        setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 0);
    }
}

TEST_F(ThumbSortTest, OrderNotSavedYetIsSavedWhereTheOptionSays)
{
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    const CThumbSort sort(PicsFolder);
    ASSERT_FALSE(sort.GetCustomSortFile().GetFileExists());   // a Data folder name, stored

    setFolderOption(PicsFolder, TFolderOptions::CustomSortFileWithImages, 1);
    sort.RelocateCustomSortFile();
    RecordList list(PicsFolder, {"a.jpg"});
    sort.SaveCustomOrder(list.records);
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Zilo custom sort.txt"), "a.jpg\r\n");
}

// D: a read-only disc with a folder Pics, beside C:.
void mapDiscAsD()
{
    std::filesystem::create_directories(TestHostFolder() + "/Disc/Pics");
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                  + DriveMapLine("D:", TestHostFolder() + "/Disc", "cdrom,readonly", "0034CDEF", "Disc"));
    DriveTable->Update();
}

TEST_F(ThumbSortTest, OrderStaysWhenItCannotMove)
{
    mapDiscAsD();
    const struct
    {
        const char *what;
        CPath folder;
        bool blocked;   // a folder where the file would go
        int boxes;
    } rows[] = {
        {"write-protected folder", "D:\\Pics", false, 0},
        {"file cannot be written", "C:\\Pics", true, 1},
    };
    for (const auto &row : rows) {
        MessageBoxScript boxes;
        const CThumbSort sort(row.folder);
        RecordList list(row.folder, {"a.jpg"});
        sort.SaveCustomOrder(list.records);
        const CPath inData = sort.GetCustomSortFile();
        ASSERT_EQ(ReadHostFile(hostPathOf(inData)), "a.jpg\r\n") << row.what;
        if (row.blocked)
            std::filesystem::create_directories(hostPathOf(row.folder.AppendFileName("Zilo custom sort.txt")));

        setFolderOption(row.folder, TFolderOptions::CustomSortFileWithImages, 1);
        sort.RelocateCustomSortFile();
        EXPECT_EQ(ReadHostFile(hostPathOf(inData)), "a.jpg\r\n") << row.what;
        EXPECT_EQ(storedCustomSortFile(row.folder), inData.ToAnsiString()) << row.what;
        EXPECT_STREQ(sort.GetCustomSortFile().c_str(), inData.c_str()) << row.what;
        ASSERT_EQ(int(boxes.boxes().size()), row.boxes) << row.what;
        if (row.boxes) {
            EXPECT_EQ(boxes.boxes()[0].text, "Error while saving custom sort-order");
        }
    }
}

TEST_F(ThumbSortTest, NothingIsWrittenOnAWriteProtectedFolder)
{
    MessageBoxScript boxes;
    mapDiscAsD();
    const CPath disc("D:\\Pics");
    setFolderOption(disc, TFolderOptions::CustomSortFileWithImages, 1);
    RecordList list(disc, {"a.jpg"});
    CThumbSort(disc).SaveCustomOrder(list.records);
    EXPECT_FALSE(HostFileExists(TestHostFolder() + "/Disc/Pics/Zilo custom sort.txt"));
    EXPECT_TRUE(boxes.boxes().empty());
}

using ThumbSortThreads = ThumbTest;

// Threads that ask for one folder's order file at once agree on it.
TEST_F(ThumbSortThreads, OneFolderGetsOneOrderFile)
{
    constexpr int ThreadCount = 8;
    DataFolder();   // made here, so that no thread probes the drive
    std::vector<std::string> files(ThreadCount);
    std::latch start(ThreadCount);
    std::vector<std::thread> threads;
    for (int index = 0; index < ThreadCount; ++index) {
        threads.emplace_back([&, index] {
            const CThumbSort sort(PicsFolder);
            start.arrive_and_wait();
            files[index] = sort.GetCustomSortFile().c_str();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (int index = 0; index < ThreadCount; ++index)
        EXPECT_EQ(files[index], files[0]) << index;
    EXPECT_EQ(storedCustomSortFile(PicsFolder).toStdString(), files[0]);
}

} // namespace
