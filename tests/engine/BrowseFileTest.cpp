#include <Source/engine/BrowseFile.h>

#include "../WindowThreadQueue.h"
#include "ThumbTestSupport.h"

#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Exception.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// C: is the test folder; D:, where a test maps it, a read-only disc in its "Disc".
const CPath PicsFolder("C:\\Pics");
const CPath DiscFolder("D:\\Pics");

std::string hostPathOf(const CPath &path)
{
    const std::string rest(CPath(path.Mid(3)).GetUnixPath().c_str());
    if (path.GetDriveLetter() == 'D')
        return TestHostFolder() + "/Disc/" + rest;
    return TestHostFolder() + "/" + rest;
}

void mapReadOnlyDisc()
{
    std::filesystem::create_directories(TestHostFolder() + "/Disc/Pics");
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                  + DriveMapLine("D:", TestHostFolder() + "/Disc", "cdrom,readonly", "0034CDEF", "Disc"));
    DriveTable->Update();
}

QString storedBrowseFile(const CPath &folder)
{
    return SettingsStore->ReadString(FolderRegistryKey(folder).ToAnsiString(), "Browse File", QString());
}

// Browse file bytes made from the format's tables, field by field, without
// the program's writer.
class FileBytes
{
public:
    FileBytes &u8(uint8_t value)
    {
        m_bytes.append(char(value));
        return *this;
    }
    FileBytes &u16(uint16_t value) { return u8(uint8_t(value)).u8(uint8_t(value >> 8)); }
    FileBytes &u32(uint32_t value) { return u16(uint16_t(value)).u16(uint16_t(value >> 16)); }
    FileBytes &text(const QByteArray &text)
    {
        if (text.size() < 255)
            u8(uint8_t(text.size()));
        else
            u8(0xFF).u32(uint32_t(text.size()));
        m_bytes.append(text);
        return *this;
    }
    FileBytes &raw(const QByteArray &bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    const QByteArray &bytes() const { return m_bytes; }
    qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

struct Block
{
    uint8_t state = 1;
    uint16_t thumbWidth = 0;
    uint16_t thumbHeight = 0;
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;
    uint16_t bits = 0;
    uint32_t timeLow = 0;
    uint32_t timeHigh = 0;
    uint32_t buildTime = 0xFFFFFFFF;
    uint16_t hue = 0xFFFF;
    uint16_t saturation = 0xFFFF;
    uint16_t brightness = 0xFFFF;
    uint16_t temperature = 0xFFFF;
    std::vector<uint8_t> jpeg;      // written when state is 0
    uint32_t extraJpegLength = 0;   // claimed beyond the bytes present
};

struct Entry
{
    QByteArray name;
    Block block;
};

QByteArray blockBytes(const Block &block)
{
    FileBytes bytes;
    bytes.u8(block.state).u16(block.thumbWidth).u16(block.thumbHeight).u32(block.imageWidth).u32(block.imageHeight);
    bytes.u16(block.bits).u32(block.timeLow).u32(block.timeHigh).u32(block.buildTime);
    bytes.u16(block.hue).u16(block.saturation).u16(block.brightness).u16(block.temperature);
    if (block.state == 0) {
        bytes.u32(uint32_t(block.jpeg.size()) + block.extraJpegLength);
        bytes.raw(QByteArray(reinterpret_cast<const char *>(block.jpeg.data()), qsizetype(block.jpeg.size())));
    }
    return bytes.bytes();
}

// A browse file and where its parts lie.
struct Layout
{
    QByteArray bytes;
    qsizetype countPosition = 0;
    std::vector<qsizetype> offsetPositions;
    qsizetype directoryEnd = 0;
    std::vector<qsizetype> blockEnds;
};

Layout browseFile(const QByteArray &storedFolder, const std::vector<Entry> &entries, uint8_t sortProperty = 4,
                  uint8_t sortDirection = 0, uint16_t version = 18)
{
    Layout layout;
    FileBytes header;
    header.raw("ZILO").u16(version).text(storedFolder);
    layout.countPosition = header.size();
    header.u32(uint32_t(entries.size())).u8(sortProperty).u8(sortDirection);
    qsizetype offset = header.size();
    for (const Entry &entry : entries)
        offset += 1 + entry.name.size() + 4;
    layout.directoryEnd = offset;
    FileBytes blocks;
    for (const Entry &entry : entries) {
        layout.offsetPositions.push_back(header.size() + 1 + entry.name.size());
        header.text(entry.name).u32(uint32_t(offset + blocks.size()));
        blocks.raw(blockBytes(entry.block));
        layout.blockEnds.push_back(offset + blocks.size());
    }
    layout.bytes = header.bytes() + blocks.bytes();
    return layout;
}

// Points the directory entry index at offset.
void setOffset(Layout &layout, size_t index, uint32_t offset)
{
    layout.bytes.replace(layout.offsetPositions[index], 4, FileBytes().u32(offset).bytes());
}

// Where entry index's block begins.
qsizetype blockStart(const Layout &layout, size_t index)
{
    return index == 0 ? layout.directoryEnd : layout.blockEnds[index - 1];
}

const std::vector<uint8_t> &thumbJpeg()
{
    static const std::vector<uint8_t> jpeg = JpegBytes(40, 30);
    return jpeg;
}

// Four records with every field set: loaded, pending, failed, and one more
// pending, which a test claims for loading before it saves.
std::vector<Entry> fixtureEntries()
{
    return {
        {"a.jpg", {0, 40, 30, 400, 300, 24, 0x89ABCDEF, 0x01D2A3B4, 17, 1000, 2000, 3000, 4000, thumbJpeg()}},
        {"b.png", {1, 80, 60, 1600, 1200, 8, 5, 6, 0xFFFFFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, {}}},
        {"c.gif", {2, 0, 0, 0, 0, 0, 7, 8, 250, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, {}}},
        {"d.bmp", {1, 64, 64, 64, 64, 32, 9, 10, 0xFFFFFFFF, 1, 2, 3, 65535, {}}},
    };
}

Layout fixture(const QByteArray &storedFolder = "0012ABCD\\Pics")
{
    return browseFile(storedFolder, fixtureEntries(), 7, 1);
}

struct Received
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string path;   // of the messages that carry one
};

bool carriesPath(UINT message)
{
    return message == UM_BROWSE_LOAD_BEGIN || message == UM_BROWSE_LOAD_END || message == UM_BROWSE_SAVE_BEGIN
           || message == UM_BROWSE_SAVE_END || message == UM_BROWSE_FILE_DELETED;
}

// The owner window on the test's thread, which is the window thread: keeps
// what it receives and answers UM_GET_THUMBNAIL_LIST with records.
class OwnerWindow
{
public:
    OwnerWindow()
        : m_window([this](UINT message, WPARAM wParam, LPARAM lParam) {
              received.push_back({message, wParam, lParam,
                                  carriesPath(message) ? reinterpret_cast<const char *>(lParam) : ""});
              if (message == UM_GET_THUMBNAIL_LIST) {
                  auto *list = reinterpret_cast<std::vector<CThumbBitmap *> *>(lParam);
                  for (CThumbBitmap *record : records) {
                      record->AddRef();
                      list->push_back(record);
                  }
                  return LRESULT(1);
              }
              return LRESULT(0);
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    std::vector<UINT> messages() const
    {
        std::vector<UINT> messages;
        for (const Received &r : received)
            messages.push_back(r.message);
        return messages;
    }
    const Received *find(UINT message) const
    {
        for (const Received &r : received)
            if (r.message == message)
                return &r;
        return nullptr;
    }

    std::vector<CThumbBitmap *> records;   // handed out, not held
    std::vector<Received> received;        // window thread only

private:
    CMessageWindow m_window;
};

struct ContextReference
{
    void operator()(CObject *context) const { context->Release(); }
};
using ContextPtr = std::unique_ptr<CThumbProgressContext, ContextReference>;

// Records made in a test, released at its end.
class HeldRecords
{
public:
    ~HeldRecords()
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
    }
    CThumbBitmap *add(const CPath &path)
    {
        m_records.push_back(new CThumbBitmap(CThumbBitmap::FromBrowseFile, path));
        return m_records.back();
    }

private:
    std::vector<CThumbBitmap *> m_records;
};

QByteArray jpegOf(CThumbBitmap *record)
{
    const CPath path(CString(TestWindowsPath("thumb.jpg")));
    if (!record->SaveJpegFile(path))
        return QByteArray();
    return ReadHostFile(TestHostFolder() + "/thumb.jpg");
}

QByteArray asBytes(const std::vector<uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// The owner window on this thread and a context for it; Load and Save run on
// a worker. Not run under ThreadSanitizer: every load and save reaches the
// window thread through Qt's queued calls (its messages, the hourglass of the
// write-protection probe), and ThreadSanitizer cannot follow Qt's own locking,
// which it now and then reports as a race.
class BrowseFileOnWorker : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        std::filesystem::create_directories(TestHostFolder() + "/Pics");
        m_context.reset(new CThumbProgressContext(owner.handle(), nullptr));
    }
    void TearDown() override
    {
        m_context.reset();
        ThumbTest::TearDown();
    }

    CThumbProgressContext *context() const { return m_context.get(); }

    // Load and Save on a worker while this thread serves the owner window.
    bool load(CBrowseFile &file) { return RunOnWorker([&] { return file.Load(context()); }); }
    bool save(CBrowseFile &file) { return RunOnWorker([&] { return file.Save(context()); }); }

    static void writeBrowseFile(const CPath &folder, const QByteArray &bytes)
    {
        WriteHostFile(hostPathOf(folder.AppendFileName("Thumbnail.zilo")), bytes);
    }

    OwnerWindow owner;

private:
    ContextPtr m_context;
};

} // namespace

TEST_F(BrowseFileOnWorker, SavesTheTablesFieldByField)
{
    HeldRecords held;
    CThumbBitmap *loaded = held.add("C:\\Pics\\a.jpg");
    CThumbBitmap *pending = held.add("C:\\Pics\\b.jpg");
    CThumbBitmap *failed = held.add("C:\\Pics\\c.jpg");
    CThumbBitmap *loading = held.add("C:\\Pics\\d.jpg");
    ASSERT_TRUE(loaded->ClaimForLoading());
    loaded->EndLoading(TThumbState::Loaded, thumbJpeg());
    ASSERT_TRUE(failed->ClaimForLoading());
    failed->EndLoading(TThumbState::Failed);
    ASSERT_TRUE(loading->ClaimForLoading());
    CThumbBitmap *empty = held.add("C:\\Pics\\e.jpg");
    ASSERT_TRUE(empty->ClaimForLoading());
    empty->EndLoading(TThumbState::Loaded);
    owner.records = {loaded, pending, failed, loading, empty};

    CBrowseFile file(PicsFolder);
    EXPECT_TRUE(save(file));
    loading->EndLoading(TThumbState::Pending);

    // Fresh records: no sizes or times, statistics not computed, build time
    // unknown; the record being loaded, and one loaded without bytes, are
    // written as pending.
    Block loadedBlock;
    loadedBlock.state = 0;
    loadedBlock.jpeg = thumbJpeg();
    Block failedBlock;
    failedBlock.state = 2;
    const Layout expected = browseFile(
        "0012ABCD\\Pics", {{"a.jpg", loadedBlock}, {"b.jpg", {}}, {"c.jpg", failedBlock}, {"d.jpg", {}}, {"e.jpg", {}}});
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo").toHex(), expected.bytes.toHex());

    std::vector<UINT> messages = {UM_GET_THUMBNAIL_LIST, UM_BROWSE_SAVE_BEGIN, UM_BROWSE_WRITE_COUNT};
    messages.insert(messages.end(), 5, UM_BROWSE_RECORD_WRITTEN);
    messages.insert(messages.end(), {UM_BROWSE_WRITE_DONE, UM_BROWSE_SAVE_END});
    ASSERT_EQ(owner.messages(), messages);
    EXPECT_EQ(owner.received[1].path, "C:\\Pics\\Thumbnail.zilo");
    EXPECT_EQ(owner.received[2].lParam, 5);
    for (int index = 0; index < 5; ++index)
        EXPECT_EQ(owner.received[3 + index].lParam, LPARAM(owner.records[index])) << index;
    EXPECT_EQ(owner.received[9].wParam, 1u);
    EXPECT_EQ(owner.received[9].path, "C:\\Pics\\Thumbnail.zilo");
    EXPECT_FALSE(context()->IsSaving());
}

TEST_F(BrowseFileOnWorker, ReadsEveryFieldAndWritesItBackUnchanged)
{
    const Layout layout = fixture();
    writeBrowseFile(PicsFolder, layout.bytes);
    {
        CBrowseFile file(PicsFolder);
        ASSERT_TRUE(load(file));
        ASSERT_EQ(file.Records().size(), 4u);
        EXPECT_EQ(context()->GetFileSortProperty(), 7);
        EXPECT_EQ(context()->GetFileSortDirection(), 1);
        EXPECT_FALSE(context()->IsLoading());

        CThumbBitmap *a = file.Records()[0];
        const TImageHandler handler = a->GetHandler();
        EXPECT_STREQ(handler.GetFullPath().c_str(), "C:\\Pics\\a.jpg");
        EXPECT_EQ(a->GetState(), TThumbState::Loaded);
        EXPECT_EQ(a->GetThumbnailSize().cx, 40);
        EXPECT_EQ(a->GetThumbnailSize().cy, 30);
        EXPECT_EQ(handler.GetWidth(), 400);
        EXPECT_EQ(handler.GetHeight(), 300);
        EXPECT_EQ(handler.GetBits(), 24);
        EXPECT_EQ(handler.GetModified().dwLowDateTime, 0x89ABCDEFu);
        EXPECT_EQ(handler.GetModified().dwHighDateTime, 0x01D2A3B4u);
        EXPECT_EQ(a->GetBuildTime(), 17);
        EXPECT_EQ(a->GetAverageHue(), 1000);
        EXPECT_EQ(a->GetAverageSaturation(), 2000);
        EXPECT_EQ(a->GetAverageBrightness(), 3000);
        EXPECT_EQ(a->GetColourTemperature(), 4000);
        EXPECT_EQ(jpegOf(a), asBytes(thumbJpeg()));
        EXPECT_EQ(file.Records()[1]->GetState(), TThumbState::Pending);
        EXPECT_EQ(file.Records()[1]->GetBuildTime(), -1);
        EXPECT_EQ(file.Records()[2]->GetState(), TThumbState::Failed);
        EXPECT_EQ(file.Records()[3]->GetColourTemperature(), 65535);

        const std::vector<UINT> messages = {UM_BROWSE_LOAD_BEGIN, UM_BROWSE_READ_COUNT,  UM_BROWSE_RECORD_READ,
                                            UM_BROWSE_RECORD_READ, UM_BROWSE_RECORD_READ, UM_BROWSE_RECORD_READ,
                                            UM_BROWSE_READ_DONE,  UM_BROWSE_LOAD_END};
        ASSERT_EQ(owner.messages(), messages);
        EXPECT_EQ(owner.received[0].path, "C:\\Pics\\Thumbnail.zilo");
        EXPECT_EQ(owner.received[1].lParam, 4);
        for (int index = 0; index < 4; ++index)
            EXPECT_EQ(owner.received[2 + index].lParam, LPARAM(file.Records()[index])) << index;
        EXPECT_EQ(owner.received[7].wParam, 1u);

        // A record being built when the save comes is written as pending.
        CThumbBitmap *d = file.Records()[3];
        ASSERT_TRUE(d->ClaimForLoading());
        owner.records = file.Records();
        owner.received.clear();
        CBrowseFile saved(PicsFolder);
        EXPECT_TRUE(save(saved));
        d->EndLoading(TThumbState::Pending);
        owner.records.clear();
    }
    // The sort bytes written are the folder's own options (4, 0).
    QByteArray expected = layout.bytes;
    expected[layout.countPosition + 4] = 4;
    expected[layout.countPosition + 5] = 0;
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo").toHex(), expected.toHex());

    ThumbBitmapCache.Purge(true);
    ASSERT_EQ(ThumbBitmapCache.Count(), 0);
    CBrowseFile again(PicsFolder);
    ASSERT_TRUE(load(again));
    ASSERT_EQ(again.Records().size(), 4u);
    EXPECT_EQ(again.Records()[0]->GetState(), TThumbState::Loaded);
    EXPECT_EQ(jpegOf(again.Records()[0]), asBytes(thumbJpeg()));
    EXPECT_EQ(again.Records()[1]->GetState(), TThumbState::Pending);
    EXPECT_EQ(again.Records()[2]->GetState(), TThumbState::Failed);
    EXPECT_EQ(again.Records()[3]->GetState(), TThumbState::Pending);
}

TEST_F(BrowseFileOnWorker, EveryTruncationLoadsOnlyWhatIsWhole)
{
    const Layout layout = fixture();
    for (qsizetype length = 0; length <= layout.bytes.size(); ++length) {
        SCOPED_TRACE(length);
        writeBrowseFile(PicsFolder, layout.bytes.left(length));
        size_t whole = 0;
        if (length >= layout.directoryEnd) {
            while (whole < layout.blockEnds.size() && layout.blockEnds[whole] <= length)
                ++whole;
        }
        {
            CBrowseFile file(PicsFolder);
            EXPECT_EQ(load(file), length == layout.bytes.size());
            EXPECT_EQ(file.Records().size(), whole);
            // The record whose block was cut is not left in the cache.
            EXPECT_EQ(ThumbBitmapCache.Count(), int(whole));
        }
        ASSERT_EQ(owner.received.back().message, UINT(UM_BROWSE_LOAD_END));
        owner.received.clear();
        ThumbBitmapCache.Purge(true);
    }
}

TEST_F(BrowseFileOnWorker, DamagedHeadersFailAndOtherVersionsReadNothing)
{
    const struct
    {
        const char *what;
        void (*damage)(Layout &layout);
        bool loaded;
        bool directoryRead;
    } rows[] = {
        {"bad magic", [](Layout &l) { l.bytes[0] = 'X'; }, false, false},
        {"version 17", [](Layout &l) { l.bytes[4] = 17; }, true, false},
        {"version 19", [](Layout &l) { l.bytes[4] = 19; }, true, false},
        {"huge count",
         [](Layout &l) { l.bytes.replace(l.countPosition, 4, QByteArray(4, char(0xFF))); }, false, false},
        {"count past the directory",
         [](Layout &l) { l.bytes.replace(l.countPosition, 4, QByteArray("\x00\x00\x00\x01", 4)); }, false,
         false},
        {"a zero offset",
         [](Layout &l) { l.bytes.replace(l.offsetPositions[2], 4, QByteArray(4, '\0')); }, false, false},
        {"an offset past the end",
         [](Layout &l) { l.bytes.replace(l.offsetPositions[0], 4, QByteArray(4, char(0x7F))); }, false, true},
        {"empty file", [](Layout &l) { l.bytes.clear(); }, false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Layout layout = fixture();
        row.damage(layout);
        writeBrowseFile(PicsFolder, layout.bytes);
        owner.received.clear();
        {
            CBrowseFile file(PicsFolder);
            EXPECT_EQ(load(file), row.loaded);
            EXPECT_TRUE(file.Records().empty());
            EXPECT_EQ(ThumbBitmapCache.Count(), 0);
        }
        EXPECT_EQ(owner.find(UM_BROWSE_READ_COUNT) != nullptr, row.directoryRead);
        const Received *end = owner.find(UM_BROWSE_LOAD_END);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->wParam, row.loaded ? 1u : 0u);
        EXPECT_EQ(end->path, "C:\\Pics\\Thumbnail.zilo");
    }

    std::filesystem::remove(TestHostFolder() + "/Pics/Thumbnail.zilo");
    CBrowseFile missing(PicsFolder);
    EXPECT_FALSE(load(missing));
}

TEST_F(BrowseFileOnWorker, SortBytesOutOfRangeLeaveTheContextsValues)
{
    const struct
    {
        uint8_t property;
        uint8_t direction;
        int32_t expectedProperty;
        int32_t expectedDirection;
    } rows[] = {
        {13, 1, 13, 1},
        {0, 0, 0, 0},
        {14, 1, 5, 1},
        {3, 2, 3, 0},
        {255, 255, 5, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(int(row.property) * 1000 + row.direction);
        writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", {}, row.property, row.direction).bytes);
        context()->SetFileSortProperty(5);
        context()->SetFileSortDirection(0);
        CBrowseFile file(PicsFolder);
        EXPECT_TRUE(load(file));
        EXPECT_EQ(context()->GetFileSortProperty(), row.expectedProperty);
        EXPECT_EQ(context()->GetFileSortDirection(), row.expectedDirection);
    }
}

TEST_F(BrowseFileOnWorker, StatesReadBackWithoutAnyStuck)
{
    Block emptyJpeg;
    emptyJpeg.state = 0;
    const struct
    {
        const char *what;
        uint8_t state;
        TThumbState expected;
    } rows[] = {
        {"pending", 1, TThumbState::Pending},
        {"failed", 2, TThumbState::Failed},
        {"loading", 3, TThumbState::Pending},
        {"unknown", 200, TThumbState::Pending},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        // The block ends the file: a JPEG length read for it would fail the load.
        Block block;
        block.state = row.state;
        writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", {{"a.jpg", block}}).bytes);
        {
            CBrowseFile file(PicsFolder);
            ASSERT_TRUE(load(file));
            ASSERT_EQ(file.Records().size(), 1u);
            EXPECT_EQ(file.Records()[0]->GetState(), row.expected);
        }
        ThumbBitmapCache.Purge(true);
    }
    writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", {{"a.jpg", emptyJpeg}}).bytes);
    CBrowseFile file(PicsFolder);
    ASSERT_TRUE(load(file));
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_EQ(file.Records()[0]->GetState(), TThumbState::Pending) << "loaded without a thumbnail";
}

TEST_F(BrowseFileOnWorker, AJpegRunningPastTheEndFailsKeepingTheRecordsBefore)
{
    std::vector<Entry> entries = fixtureEntries();
    entries[2].block.state = 0;
    entries[2].block.jpeg = {1, 2, 3};
    entries[2].block.extraJpegLength = 0x7FFF0000;
    entries.pop_back();
    writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", entries).bytes);
    CBrowseFile file(PicsFolder);
    EXPECT_FALSE(load(file));
    ASSERT_EQ(file.Records().size(), 2u);
    EXPECT_STREQ(file.Records()[1]->GetFullPath().c_str(), "C:\\Pics\\b.png");
    EXPECT_EQ(ThumbBitmapCache.Count(), 2);
    CThumbBitmap *cut = FindThumbBitmap("C:\\Pics\\c.gif");
    EXPECT_EQ(cut, nullptr);
    if (cut)
        cut->Release();
    EXPECT_EQ(owner.received.back().wParam, 0u);
}

TEST_F(BrowseFileOnWorker, NamesThatLeaveTheFolderOrRepeatAreSkipped)
{
    const QByteArray names[] = {"..", ".", "", "..\\evil.jpg", "sub\\x.jpg", "sub/x.jpg", "D:x.jpg",
                                "ok.jpg", "OK.JPG", "Ok.jpg"};
    std::vector<Entry> entries;
    for (const QByteArray &name : names)
        entries.push_back({name, {}});
    writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", entries).bytes);
    CBrowseFile file(PicsFolder);
    ASSERT_TRUE(load(file));
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_STREQ(file.Records()[0]->GetFullPath().c_str(), "C:\\Pics\\ok.jpg");
    EXPECT_EQ(ThumbBitmapCache.Count(), 1);
    const Received *count = owner.find(UM_BROWSE_READ_COUNT);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->lParam, 1);
}

TEST_F(BrowseFileOnWorker, ACachedRecordIsUsedAsItIsAndItsBlockSkipped)
{
    HeldRecords held;
    CThumbBitmap *cached = held.add("C:\\PICS\\A.JPG");
    ASSERT_TRUE(cached->ClaimForLoading());
    cached->EndLoading(TThumbState::Failed);
    writeBrowseFile(PicsFolder, fixture().bytes);
    CBrowseFile file(PicsFolder);
    ASSERT_TRUE(load(file));
    ASSERT_EQ(file.Records().size(), 4u);
    EXPECT_EQ(file.Records()[0], cached);
    EXPECT_EQ(cached->GetState(), TThumbState::Failed);
    EXPECT_EQ(cached->GetThumbnailSize().cx, 0);
    EXPECT_EQ(cached->GetRefCount(), 2u);   // the test's and the list's
    EXPECT_EQ(file.Records()[1]->GetThumbnailSize().cx, 80);
    EXPECT_EQ(ThumbBitmapCache.Count(), 4);
}

TEST_F(BrowseFileOnWorker, AFileMovedByHandWarnsAndItsRecordsJoinTheNewFolder)
{
    const struct
    {
        const char *what;
        CPath fileFolder;   // where the file lies
        CPath folder;       // the folder loaded
        const char *warning;
    } rows[] = {
        {"moved", "C:\\Moved", "C:\\Moved",
         "WARNING: Folder mismatch while loading browse file 'C:\\Moved\\Thumbnail.zilo':\n\n"
         "Folder in file:  'C:\\Pics'\n\nFolder expected: 'C:\\Moved'\n\n"
         "This is normal if the browse file has been moved manually or the folder has been renamed."},
        {"only the case differs", PicsFolder, "C:\\PICS", nullptr},
    };
    std::filesystem::create_directories(TestHostFolder() + "/Moved");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        writeBrowseFile(row.fileFolder, fixture().bytes);
        MessageBoxScript boxes;
        {
            CBrowseFile file(row.folder);
            ASSERT_TRUE(load(file));
            ASSERT_EQ(file.Records().size(), 4u);
            for (const CThumbBitmap *record : file.Records())
                EXPECT_STREQ(record->GetFolder().c_str(), row.folder.c_str());
        }
        const auto shown = boxes.boxes();
        if (!row.warning) {
            EXPECT_TRUE(shown.empty());
        } else {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, row.warning);
            EXPECT_TRUE(shown[0].type & MB_ICONWARNING);
            EXPECT_TRUE(shown[0].onWindowThread);
        }
        ThumbBitmapCache.Purge(true);
    }
}

TEST_F(BrowseFileOnWorker, AVolumeThatIsNotThereReadsAsNoRecords)
{
    MessageBoxScript boxes;
    ScriptedDialogs dialogs;
    writeBrowseFile(PicsFolder, fixture("DEADBEEF\\Pics").bytes);
    CBrowseFile file(PicsFolder);
    EXPECT_TRUE(load(file));
    EXPECT_TRUE(file.Records().empty());
    ASSERT_EQ(dialogs.prompts().size(), 1u);
    EXPECT_TRUE(dialogs.prompts()[0].allowForce);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Volume is not mounted");
    EXPECT_TRUE(boxes.boxes()[0].type & MB_ICONWARNING);
    EXPECT_EQ(owner.find(UM_BROWSE_READ_COUNT), nullptr);
}

TEST_F(BrowseFileOnWorker, AnEmptyListDeletesTheFile)
{
    writeBrowseFile(PicsFolder, fixture().bytes);
    CBrowseFile file(PicsFolder);
    EXPECT_TRUE(save(file));
    EXPECT_FALSE(HostFileExists(TestHostFolder() + "/Pics/Thumbnail.zilo"));
    const std::vector<UINT> messages = {UM_GET_THUMBNAIL_LIST, UM_BROWSE_FILE_DELETED};
    ASSERT_EQ(owner.messages(), messages);
    EXPECT_EQ(owner.received[1].path, "C:\\Pics\\Thumbnail.zilo");
}

TEST_F(BrowseFileOnWorker, ATerminatedSaveNeverDeletesTheFile)
{
    HeldRecords held;
    owner.records = {held.add("C:\\Pics\\a.jpg")};
    writeBrowseFile(PicsFolder, fixture().bytes);
    context()->Terminate(true);
    CBrowseFile file(PicsFolder);
    EXPECT_FALSE(save(file));
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo"), fixture().bytes);
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(BrowseFileOnWorker, ASaveThatNoWindowAnswersNeverDeletesTheFile)
{
    writeBrowseFile(PicsFolder, fixture().bytes);
    auto *orphan = new CThumbProgressContext(HWND(), nullptr);
    CBrowseFile file(PicsFolder);
    EXPECT_FALSE(file.Save(orphan));
    orphan->Release();
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo"), fixture().bytes);
}

TEST_F(BrowseFileOnWorker, AFailedSaveKeepsTheOldFile)
{
    mapReadOnlyDisc();
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, "D:\\Central");
    const QByteArray old = fixture("0034CDEF\\Pics").bytes;
    writeBrowseFile(DiscFolder, old);
    HeldRecords held;
    owner.records = {held.add("D:\\Pics\\a.jpg")};
    MessageBoxScript boxes;
    CBrowseFile file(DiscFolder);
    EXPECT_FALSE(save(file));

    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Disc/Pics/Thumbnail.zilo"), old);
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder() + "/Disc/Pics"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "a temporary file was left";
    const Received *end = owner.find(UM_BROWSE_SAVE_END);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->wParam, 0u);
    EXPECT_EQ(end->path, "D:\\Pics\\Thumbnail.zilo");
    EXPECT_FALSE(context()->IsSaving());
    // The relocation could not help: its folder is on the disc too.
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Folder 'D:\\Central' is write protected");
    EXPECT_TRUE(boxes.boxes()[0].onWindowThread);
    EXPECT_TRUE(storedBrowseFile(DiscFolder).isEmpty());
}

TEST_F(BrowseFileOnWorker, ALoadMovesTheBrowseFileToTheCentralFolder)
{
    mapReadOnlyDisc();
    const struct
    {
        const char *what;
        CPath folder;
        int option;
        const char *storedFolder;
        bool oldFileStays;
    } rows[] = {
        {"read-only disc", DiscFolder, TDiskOptions::SpecialIfNetworkOrWriteProtected, "0034CDEF\\Pics", true},
        {"always central", PicsFolder, TDiskOptions::AlwaysSpecial, "0012ABCD\\Pics", false},
    };
    const QRegularExpression centralName("^C:\\\\Central\\\\[0-9A-F]{8}\\d+\\.zilo$");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        DiskOptions->SetInt(TDiskOptions::SpecialBrowseFolderOption, row.option);
        DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, "C:\\Central");
        const QByteArray bytes = fixture(row.storedFolder).bytes;
        writeBrowseFile(row.folder, bytes);
        MessageBoxScript boxes;
        {
            CBrowseFile file(row.folder);
            ASSERT_TRUE(load(file));
            EXPECT_EQ(file.Records().size(), 4u);
        }
        const QString moved = storedBrowseFile(row.folder);
        EXPECT_TRUE(centralName.match(moved).hasMatch()) << moved.toStdString();
        EXPECT_EQ(ReadHostFile(hostPathOf(CPath(CString(moved)))), bytes);
        EXPECT_EQ(HostFileExists(hostPathOf(row.folder.AppendFileName("Thumbnail.zilo"))), row.oldFileStays);
        EXPECT_TRUE(boxes.boxes().empty());

        // Found there from now on, and not moved again.
        {
            CBrowseFile again(row.folder);
            ASSERT_TRUE(load(again));
            EXPECT_EQ(again.Records().size(), 4u);
            owner.records = again.Records();
            CBrowseFile saved(row.folder);
            EXPECT_TRUE(save(saved));
            owner.records.clear();
        }
        EXPECT_EQ(storedBrowseFile(row.folder), moved);
        const Received *begin = owner.find(UM_BROWSE_SAVE_BEGIN);
        ASSERT_NE(begin, nullptr);
        EXPECT_EQ(begin->path, moved.toStdString());
        owner.received.clear();
        ThumbBitmapCache.Purge(true);
    }
}

TEST_F(BrowseFileOnWorker, EntriesOnOneBlockHoldItsBytesOnce)
{
    // 200 entries, each pointing at the one block of a 100 kB thumbnail.
    Block shared;
    shared.state = 0;
    shared.thumbWidth = 40;
    shared.thumbHeight = 30;
    shared.jpeg.assign(100000, 0xAB);
    std::vector<Entry> entries;
    for (int index = 0; index < 200; ++index)
        entries.push_back({"img" + QByteArray::number(index) + ".jpg", index == 0 ? shared : Block()});
    Layout layout = browseFile("0012ABCD\\Pics", entries);
    for (size_t index = 0; index < entries.size(); ++index)
        setOffset(layout, index, uint32_t(layout.directoryEnd));
    const QByteArray bytes = layout.bytes.left(layout.blockEnds[0]);
    writeBrowseFile(PicsFolder, bytes);

    CBrowseFile file(PicsFolder);
    EXPECT_TRUE(load(file));
    qsizetype jpegBytes = 0;
    for (CThumbBitmap *record : file.Records())
        jpegBytes += jpegOf(record).size();
    EXPECT_LE(jpegBytes, bytes.size());
    ASSERT_EQ(file.Records().size(), 1u);
    EXPECT_STREQ(file.Records()[0]->GetFullPath().c_str(), "C:\\Pics\\img0.jpg");
}

TEST_F(BrowseFileOnWorker, EntriesWhoseBlocksAreMisplacedAreSkipped)
{
    // A block hidden inside a's thumbnail, where b's offset may point.
    Block hidden;
    hidden.thumbWidth = 11;
    const QByteArray padding(8, 'x');
    const QByteArray hiddenBytes = padding + blockBytes(hidden) + padding;
    std::vector<Entry> entries = fixtureEntries();
    entries[0].block.jpeg.assign(hiddenBytes.begin(), hiddenBytes.end());
    const qsizetype hiddenOffset = blockStart(browseFile("0012ABCD\\Pics", entries), 0) + 35 + 4 + padding.size();

    const struct
    {
        const char *what;
        void (*damage)(Layout &layout, qsizetype hiddenOffset);
        std::vector<const char *> names;   // of the records read
    } rows[] = {
        {"an offset used twice", [](Layout &l, qsizetype) { setOffset(l, 2, uint32_t(blockStart(l, 1))); },
         {"a.jpg", "b.png", "d.bmp"}},
        {"an offset into the header", [](Layout &l, qsizetype) { setOffset(l, 1, uint32_t(l.countPosition)); },
         {"a.jpg", "c.gif", "d.bmp"}},
        {"an offset into the directory",
         [](Layout &l, qsizetype) { setOffset(l, 3, uint32_t(l.offsetPositions[1])); }, {"a.jpg", "b.png", "c.gif"}},
        {"a block running into the next", [](Layout &l, qsizetype at) { setOffset(l, 1, uint32_t(at)); },
         {"b.png", "c.gif", "d.bmp"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Layout layout = browseFile("0012ABCD\\Pics", entries);
        row.damage(layout, hiddenOffset);
        writeBrowseFile(PicsFolder, layout.bytes);
        {
            CBrowseFile file(PicsFolder);
            EXPECT_TRUE(load(file));
            std::vector<std::string> names;
            for (const CThumbBitmap *record : file.Records())
                names.push_back(record->GetHandler().GetName().c_str());
            EXPECT_EQ(names, std::vector<std::string>(row.names.begin(), row.names.end()));
            EXPECT_EQ(ThumbBitmapCache.Count(), int(row.names.size()));
        }
        ThumbBitmapCache.Purge(true);
    }
    // The hidden block is what b reads when pointed at it.
    Layout layout = browseFile("0012ABCD\\Pics", entries);
    setOffset(layout, 1, uint32_t(hiddenOffset));
    writeBrowseFile(PicsFolder, layout.bytes);
    CBrowseFile file(PicsFolder);
    ASSERT_TRUE(load(file));
    ASSERT_FALSE(file.Records().empty());
    EXPECT_EQ(file.Records()[0]->GetThumbnailSize().cx, 11);
}

TEST_F(BrowseFileOnWorker, ThumbnailSizesBeyondTheOptionsAreBuiltAgain)
{
    constexpr uint16_t max = TFolderOptions::MaxThumbnailSize;
    const struct
    {
        uint16_t width;
        uint16_t height;
        bool loaded;
    } rows[] = {
        {max, 300, true}, {40, max, true}, {max + 1, 30, false}, {40, max + 1, false}, {65535, 65535, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        Block block;
        block.state = 0;
        block.thumbWidth = row.width;
        block.thumbHeight = row.height;
        block.jpeg = thumbJpeg();
        writeBrowseFile(PicsFolder, browseFile("0012ABCD\\Pics", {{"a.jpg", block}}).bytes);
        {
            CBrowseFile file(PicsFolder);
            ASSERT_TRUE(load(file));
            ASSERT_EQ(file.Records().size(), 1u);
            CThumbBitmap *record = file.Records()[0];
            EXPECT_EQ(record->GetState(), row.loaded ? TThumbState::Loaded : TThumbState::Pending);
            EXPECT_EQ(jpegOf(record).isEmpty(), !row.loaded);
            EXPECT_LE(record->GetThumbnailSize().cx, max);
            EXPECT_LE(record->GetThumbnailSize().cy, max);
        }
        ThumbBitmapCache.Purge(true);
    }
}

namespace {

// A browse file whose save refuses files above a limit of the test's choosing.
class LimitedBrowseFile : public CBrowseFile
{
public:
    using CBrowseFile::CBrowseFile;
    using CBrowseFile::saveWithin;
};

} // namespace

TEST_F(BrowseFileOnWorker, ASaveTheLoaderWouldRefuseFailsAndKeepsTheOldFile)
{
    HeldRecords held;
    CThumbBitmap *loaded = held.add("C:\\Pics\\a.jpg");
    ASSERT_TRUE(loaded->ClaimForLoading());
    loaded->EndLoading(TThumbState::Loaded, thumbJpeg());
    owner.records = {loaded, held.add("C:\\Pics\\b.jpg")};
    const std::string hostPath = TestHostFolder() + "/Pics/Thumbnail.zilo";
    {
        CBrowseFile file(PicsFolder);
        ASSERT_TRUE(save(file));
    }
    const QByteArray whole = ReadHostFile(hostPath);

    const QByteArray old = fixture().bytes;
    for (int64_t limit : {int64_t(whole.size()) - 1, int64_t(100)}) {
        SCOPED_TRACE(limit);
        writeBrowseFile(PicsFolder, old);
        owner.received.clear();
        MessageBoxScript boxes;
        LimitedBrowseFile file(PicsFolder);
        EXPECT_FALSE(RunOnWorker([&] { return file.saveWithin(context(), limit); }));
        EXPECT_EQ(ReadHostFile(hostPath), old);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text,
                  "Browse file 'C:\\Pics\\Thumbnail.zilo' was not saved: it would be too large to load");
        EXPECT_TRUE(boxes.boxes()[0].type & MB_ICONSTOP);
        const Received *end = owner.find(UM_BROWSE_SAVE_END);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->wParam, 0u);
        EXPECT_FALSE(context()->IsSaving());
    }
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder() + "/Pics"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1) << "a temporary file was left";

    // A file of exactly the limit is one the loader reads.
    LimitedBrowseFile file(PicsFolder);
    EXPECT_TRUE(RunOnWorker([&] { return file.saveWithin(context(), whole.size()); }));
    EXPECT_EQ(ReadHostFile(hostPath), whole);
}

TEST_F(BrowseFileOnWorker, ABrowseFileSettingThatNamesAnotherFileIsIgnored)
{
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, "C:\\Central");
    std::filesystem::create_directories(TestHostFolder() + "/Central");
    std::filesystem::create_directories(TestHostFolder() + "/Docs");
    const struct
    {
        const char *what;
        const char *value;
        const char *hostName;   // the file it names, below the test folder
    } rows[] = {
        {"another file in the folder", "C:\\Pics\\precious.txt", "Pics/precious.txt"},
        {"a file in another folder", "C:\\Docs\\precious.txt", "Docs/precious.txt"},
        {"another name in the central folder", "C:\\Central\\precious.txt", "Central/precious.txt"},
        {"climbing out of the central folder", "C:\\Central\\..\\Docs\\0123ABCD7.zilo", "Docs/0123ABCD7.zilo"},
        {"a central name in another folder", "C:\\Docs\\0123ABCD7.zilo", "Docs/0123ABCD7.zilo"},
    };
    const QString section = FolderRegistryKey(PicsFolder).ToAnsiString();
    HeldRecords held;
    CThumbBitmap *record = held.add("C:\\Pics\\a.jpg");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const std::string victim = TestHostFolder() + "/" + row.hostName;
        WriteHostFile(victim, "precious");
        const auto expectUntouched = [&](const char *step) {
            EXPECT_EQ(ReadHostFile(victim), "precious") << step;
        };
        SettingsStore->WriteString(section, "Browse File", row.value);
        EXPECT_STREQ(GetBrowseFilePath(PicsFolder).c_str(), "C:\\Pics\\Thumbnail.zilo");

        owner.records = {record};
        CBrowseFile saved(PicsFolder);
        EXPECT_TRUE(save(saved));
        expectUntouched("save");
        EXPECT_TRUE(HostFileExists(TestHostFolder() + "/Pics/Thumbnail.zilo"));

        owner.records.clear();
        CBrowseFile emptied(PicsFolder);
        EXPECT_TRUE(save(emptied));
        expectUntouched("empty save");

        WriteHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo", "browse file");
        MessageBoxScript boxes;
        EXPECT_TRUE(MoveBrowseFileToCentralFolder(PicsFolder, "C:\\Central"));
        expectUntouched("relocation");
        const CPath moved(CString(storedBrowseFile(PicsFolder)));
        EXPECT_TRUE(IsCentralBrowseFile(moved)) << moved.c_str();
        EXPECT_EQ(ReadHostFile(hostPathOf(moved)), "browse file");
        EXPECT_TRUE(boxes.boxes().empty());
        std::filesystem::remove(hostPathOf(moved));
    }
}

TEST_F(BrowseFileOnWorker, AFolderTheUserCannotWriteKeepsItsBrowseFileCentrally)
{
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, "C:\\Central");
    const CPath locked("C:\\Locked");
    const std::string lockedHost = TestHostFolder() + "/Locked";
    std::filesystem::create_directories(lockedHost);
    std::filesystem::permissions(lockedHost, std::filesystem::perms(0555));
    {
        HeldRecords held;
        CThumbBitmap *record = held.add("C:\\Locked\\a.jpg");
        ASSERT_TRUE(record->ClaimForLoading());
        record->EndLoading(TThumbState::Loaded, thumbJpeg());
        owner.records = {record};
        MessageBoxScript boxes;
        CBrowseFile file(locked);
        EXPECT_TRUE(save(file));
        owner.records.clear();
        EXPECT_TRUE(boxes.boxes().empty());
    }
    EXPECT_FALSE(HostFileExists(lockedHost + "/Thumbnail.zilo"));
    const CPath central(CString(storedBrowseFile(locked)));
    EXPECT_TRUE(IsCentralBrowseFile(central)) << central.c_str();
    EXPECT_TRUE(HostFileExists(hostPathOf(central)));

    ThumbBitmapCache.Purge(true);
    CBrowseFile again(locked);
    ASSERT_TRUE(load(again));
    ASSERT_EQ(again.Records().size(), 1u);
    EXPECT_EQ(again.Records()[0]->GetState(), TThumbState::Loaded);
    EXPECT_EQ(jpegOf(again.Records()[0]), asBytes(thumbJpeg()));
    std::filesystem::permissions(lockedHost, std::filesystem::perms(0755));
}

using BrowseFile = ThumbTest;

TEST_F(BrowseFile, FailedMovesSayWhyAndChangeNothing)
{
    mapReadOnlyDisc();
    WriteHostFile(TestHostFolder() + "/Blocker", "a file, not a folder");
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    const struct
    {
        const char *what;
        CPath centralFolder;
        const char *message;
    } rows[] = {
        {"central folder on a read-only disc", "D:\\Central", "Folder 'D:\\Central' is write protected"},
        {"central folder cannot be made", "C:\\Blocker\\Central",
         "Failed to create browse file folder 'C:\\Blocker\\Central'"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        WriteHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo", "old");
        MessageBoxScript boxes;
        EXPECT_FALSE(MoveBrowseFileToCentralFolder(PicsFolder, row.centralFolder));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, row.message);
        EXPECT_TRUE(storedBrowseFile(PicsFolder).isEmpty());
        EXPECT_EQ(ReadHostFile(TestHostFolder() + "/Pics/Thumbnail.zilo"), "old");
    }
}

TEST_F(BrowseFile, AFolderWithoutABrowseFileOnlyRecordsTheNewName)
{
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    MessageBoxScript boxes;
    EXPECT_TRUE(MoveBrowseFileToCentralFolder(PicsFolder, "C:\\Central"));
    EXPECT_TRUE(std::filesystem::is_directory(TestHostFolder() + "/Central"));
    const QString stored = storedBrowseFile(PicsFolder);
    EXPECT_TRUE(stored.startsWith("C:\\Central\\")) << stored.toStdString();
    EXPECT_FALSE(HostFileExists(hostPathOf(CPath(CString(stored)))));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(BrowseFile, UseCentralBrowseFolderByOption)
{
    mapReadOnlyDisc();
    std::filesystem::create_directories(TestHostFolder() + "/Net/Pics");
    std::filesystem::create_directories(TestHostFolder() + "/Pics");
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                  + DriveMapLine("D:", TestHostFolder() + "/Disc", "cdrom,readonly", "0034CDEF", "Disc")
                  + DriveMapLine("N:", TestHostFolder() + "/Net", "remote,source=//server/pics", "0056EF01", "Net"));
    DriveTable->Update();
    const struct
    {
        int option;
        CPath folder;
        bool central;
    } rows[] = {
        {0, "C:\\Pics", true},   {0, "D:\\Missing", true}, {1, "C:\\Pics", false},  {1, "D:\\Pics", true},
        {1, "N:\\Pics", false},  {1, "D:\\Missing", false}, {2, "C:\\Pics", false}, {2, "D:\\Pics", true},
        {2, "N:\\Pics", true},   {2, "\\\\server\\pics\\Pics", true},                {7, "D:\\Pics", true},
        {7, "N:\\Pics", false},
    };
    for (const auto &row : rows) {
        DiskOptions->SetInt(TDiskOptions::SpecialBrowseFolderOption, row.option);
        EXPECT_EQ(UseCentralBrowseFolder(row.folder), row.central) << row.option << " " << row.folder.c_str();
    }
}

TEST_F(BrowseFile, UniqueNamesHaveEightHexDigitsAndACounterAndLeaveRandAlone)
{
    std::srand(7);
    const int expected = std::rand();
    std::srand(7);
    const QRegularExpression pattern("^C:\\\\Central\\\\[0-9A-F]{8}(\\d+)\\.zilo$");
    const QRegularExpressionMatch first = pattern.match(MakeUniqueBrowseFileName("C:\\Central").ToAnsiString());
    const QRegularExpressionMatch second = pattern.match(MakeUniqueBrowseFileName("C:\\Central").ToAnsiString());
    EXPECT_EQ(std::rand(), expected);
    ASSERT_TRUE(first.hasMatch());
    ASSERT_TRUE(second.hasMatch());
    EXPECT_EQ(second.captured(1).toUInt(), first.captured(1).toUInt() + 1);
}

TEST_F(BrowseFile, ReadBrowseFileFolderCases)
{
    ScriptedDialogs dialogs;
    const struct
    {
        const char *what;
        QByteArray bytes;
        const char *folder;   // null: raises
        const char *message;
    } rows[] = {
        {"good", fixture().bytes, "C:\\Pics", nullptr},
        {"version 17", browseFile("0012ABCD\\Pics", {}, 4, 0, 17).bytes, "",
         "Previous version's browse files cannot be loaded"},
        {"volume not there", fixture("DEADBEEF\\Pics").bytes, "", "Volume is not mounted"},
        {"bad magic", QByteArray("ZILX") + fixture().bytes.mid(4), nullptr, nullptr},
        {"cut in the folder", fixture().bytes.left(10), nullptr, nullptr},
        {"empty", QByteArray(), nullptr, nullptr},
    };
    const CPath path(CString(TestWindowsPath("Saved.zilo")));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        WriteHostFile(TestHostFolder() + "/Saved.zilo", row.bytes);
        MessageBoxScript boxes;
        if (!row.folder) {
            EXPECT_THROW(ReadBrowseFileFolder(path), Exception);
            EXPECT_TRUE(boxes.boxes().empty());
            continue;
        }
        EXPECT_STREQ(ReadBrowseFileFolder(path).c_str(), row.folder);
        if (!row.message) {
            EXPECT_TRUE(boxes.boxes().empty());
            continue;
        }
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, row.message);
        EXPECT_TRUE(boxes.boxes()[0].type & MB_ICONWARNING);
    }
    ASSERT_EQ(dialogs.prompts().size(), 1u);
    EXPECT_FALSE(dialogs.prompts()[0].allowForce);
    EXPECT_THROW(ReadBrowseFileFolder("C:\\Nowhere.zilo"), Exception);
}
