#include "../windows/FileDialogTestSupport.h"

#include <Source/engine/BrowseFile.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/tools/FolderManagerForm.h>
#include <lib/Archive.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Registry.h>
#include <platform/Stream.h>

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

namespace {

using TFolderNode = TFolderManagerForm1::TFolderNode;

// A browse file of folder (stored form) holding records for names, each
// with a small thumbnail, as the browse file's format lays it out.
QByteArray browseFileBytes(const char *storedFolder, const std::vector<CPath> &files)
{
    std::vector<QByteArray> blocks;
    for (const CPath &file : files) {
        CThumbBitmap record(CThumbBitmap::FromFile, file);
        EXPECT_TRUE(record.ClaimForLoading());
        record.EndLoading(TThumbState::Loaded, JpegBytes(40, 30));
        TMemoryStream block;
        CArchive archive(&block, ArWrite);
        record.SaveToArchive(archive);
        blocks.emplace_back(static_cast<const char *>(block.Memory()), qsizetype(block.Size()));
    }
    const auto header = [&](const std::vector<uint32_t> &offsets) {
        TMemoryStream stream;
        CArchive archive(&stream, ArWrite);
        archive.Write("ZILO", 4);
        archive.writeValue<uint16_t>(18);
        archive << storedFolder;
        archive.writeValue<uint32_t>(uint32_t(files.size()));
        archive.writeValue<uint8_t>(0);
        archive.writeValue<uint8_t>(0);
        for (size_t index = 0; index < files.size(); ++index) {
            archive << files[index].GetFilePart().c_str();
            archive.writeValue<uint32_t>(offsets.empty() ? 1 : offsets[index]);
        }
        return QByteArray(static_cast<const char *>(stream.Memory()), qsizetype(stream.Size()));
    };
    std::vector<uint32_t> offsets;
    uint32_t offset = uint32_t(header({}).size());
    for (const QByteArray &block : blocks) {
        offsets.push_back(offset);
        offset += uint32_t(block.size());
    }
    QByteArray bytes = header(offsets);
    for (const QByteArray &block : blocks)
        bytes += block;
    return bytes;
}

class FolderManagerFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, windows("Central").ToAnsiString());
        std::filesystem::create_directories(host("Central"));
    }

    static void addFolderKey(const QString &key)
    {
        SettingsStore->WriteInteger("Folders\\" + key, "Thumbnail Size", 100);
    }
    static bool sectionExists(const QString &section)
    {
        return TRegistry().KeyExists(SettingsRoot + "\\" + section);
    }

    // The tree's texts, one line a node, indented by level.
    static std::vector<std::string> treeLines(QTreeWidget *tree)
    {
        std::vector<std::string> lines;
        std::function<void(QTreeWidgetItem *, int)> visit = [&](QTreeWidgetItem *item, int level) {
            lines.push_back(std::string(size_t(level) * 2, ' ') + item->text(0).toStdString());
            for (int index = 0; index < item->childCount(); ++index)
                visit(item->child(index), level + 1);
        };
        visit(tree->topLevelItem(0), 0);
        return lines;
    }

    static TFolderNode *nodeOf(TFolderManagerForm1 &dialog, const QString &key)
    {
        for (QTreeWidgetItemIterator it(dialog.TreeView); *it; ++it) {
            auto *node = static_cast<TFolderNode *>(*it);
            if (node->Data.key.ToAnsiString() == key)
                return node;
        }
        ADD_FAILURE() << "no node " << key.toStdString();
        return nullptr;
    }

    static void scanAll(TFolderManagerForm1 &dialog)
    {
        dialog.TreeView->setCurrentItem(dialog.Root());
        MessageBoxScript yes({IDYES});
        dialog.ScanBranch1Click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.IsScanning(); }, 5000));
    }
};

TEST_F(FolderManagerFormTest, TheTreeShowsEachKnownFolderUnderItsVolume)
{
    for (const char *key : {"0012ABCD\\Pics", "0012ABCD\\Pics\\*Hidden", "0012ABCD\\*Starred", "DEADBEEF\\Disc",
                            "*Shared\\server\\share\\x", "*Mapped\\F\\y"})
        addFolderKey(key);
    TFolderManagerForm1 dialog(nullptr, folder());
    dialog.TreeView->expandAll();
    dialog.TreeView->sortItems(0, Qt::AscendingOrder);
    EXPECT_EQ(treeLines(dialog.TreeView), (std::vector<std::string>{
                                              "Folders",
                                              "  F",                 // a mapped drive's first level is its letter
                                              "    y",
                                              "  server",            // a share's, its server
                                              "    share",
                                              "      x",
                                              "  Volume 0012ABCD",
                                              "    Pics",
                                              "  Volume DEADBEEF",
                                              "    Disc",
                                          }));
    EXPECT_EQ(nodeOf(dialog, "0012ABCD\\Pics")->Data.text, "Pics");
    EXPECT_EQ(nodeOf(dialog, "*Shared\\server\\share\\x")->Data.text, "x");
}

TEST_F(FolderManagerFormTest, AScanMarksWhatExistsAndLeavesAnUnmountedVolumeAlone)
{
    for (const char *key : {"0012ABCD\\Pics", "0012ABCD\\Gone", "DEADBEEF\\Disc", "DEADBEEF\\Disc\\Sub"})
        addFolderKey(key);
    TFolderManagerForm1 dialog(nullptr, folder());
    scanAll(dialog);
    struct Row
    {
        const char *key;
        bool scanned;
        bool deleted;
    };
    for (const Row &row : {Row{"0012ABCD", true, false}, Row{"0012ABCD\\Pics", true, false},
                           Row{"0012ABCD\\Gone", false, true}, Row{"DEADBEEF", false, false},
                           Row{"DEADBEEF\\Disc", false, false}, Row{"DEADBEEF\\Disc\\Sub", false, false}}) {
        SCOPED_TRACE(row.key);
        const TFolderNode *node = nodeOf(dialog, row.key);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Data.scanned, row.scanned);
        EXPECT_EQ(node->Data.deleted, row.deleted);
    }
    EXPECT_EQ(nodeOf(dialog, "0012ABCD")->text(0), "Volume 0012ABCD in drive C:");
    dialog.TreeView->setCurrentItem(dialog.Root());
    dialog.AsNotScanned1Click();
    EXPECT_EQ(nodeOf(dialog, "0012ABCD")->text(0), "Volume 0012ABCD");
    EXPECT_FALSE(nodeOf(dialog, "0012ABCD\\Gone")->Data.deleted);
}

TEST_F(FolderManagerFormTest, MarkingAllDeletedOffersEachFileAndSectionOnceAndDeletesOnlyOnDeleteAll)
{
    for (const char *key : {"0012ABCD\\Pics", "0012ABCD\\Gone"})
        addFolderKey(key);
    write("a.jpg");
    const QByteArray browseFile = browseFileBytes("0012ABCD\\Pics", {pics("a.jpg")});
    write("Thumbnail.zilo", browseFile);
    for (const bool deleteAll : {false, true}) {
        SCOPED_TRACE(deleteAll);
        TFolderManagerForm1 dialog(nullptr, folder());
        dialog.TreeView->setCurrentItem(dialog.Root());
        MessageBoxScript boxes({IDYES});
        dialog.AsDeleted1Click();
        std::vector<QStringList> offered;
        const auto answer = [&](QDialog &shown) {
            offered.push_back({});
            auto *list = Child<QListWidget>(shown, "ListBox");
            for (int row = 0; row < list->count(); ++row)
                offered.back().push_back(list->item(row)->text());
            shown.done(deleteAll ? mrOk : mrCancel);
        };
        ModalScript obsolete({answer, answer});
        dialog.Apply();
        ASSERT_EQ(offered.size(), 2u);
        EXPECT_EQ(offered[0], QStringList{pics("Thumbnail.zilo").ToAnsiString()});
        EXPECT_EQ(offered[1], (QStringList{"Folders\\0012ABCD", "Folders\\0012ABCD\\Gone", "Folders\\0012ABCD\\Pics"}));
        EXPECT_EQ(HostFileExists(picsHost("Thumbnail.zilo")), !deleteAll);
        EXPECT_EQ(sectionExists("Folders\\0012ABCD\\Pics"), !deleteAll);
        EXPECT_EQ(sectionExists("Folders\\0012ABCD\\Gone"), !deleteAll);
    }
}

TEST_F(FolderManagerFormTest, ABrowseFileSettingNamingAnotherFileNeverDeletesIt)
{
    addFolderKey("0012ABCD\\Pics");
    // Names that a setting could give, none of them the folder's browse file.
    const CPath ordinary = writeFile("precious.zilo", "ZILO but not a browse file's place");
    const CPath lookalike = writeFile("Central/0123ABCD1.zilo", "no magic here");
    const QByteArray browseFile = browseFileBytes("0012ABCD\\Pics", {});
    const CPath elsewhere = writeFile("Other/Thumbnail.zilo", browseFile);
    const CPath text = writeFile("Pics/notes.txt", browseFile);
    for (const CPath &named : {ordinary, lookalike, elsewhere, text}) {
        SCOPED_TRACE(named.c_str());
        SettingsStore->WriteString("Folders\\0012ABCD\\Pics", BrowseFileValueName, named.ToAnsiString());
        EXPECT_FALSE(IsDeletableBrowseFile(named, folder()));
        TFolderManagerForm1 dialog(nullptr, folder());
        TFolderNode *node = nodeOf(dialog, "0012ABCD\\Pics");
        dialog.TreeView->setCurrentItem(node);
        MessageBoxScript yes({IDYES, IDYES, IDYES});
        dialog.DeleteButtonClick();
        node->Data.deleted = true;
        ModalScript deleteAll({[](QDialog &shown) { shown.done(mrOk); }, [](QDialog &shown) { shown.done(mrOk); }});
        dialog.Apply();
        EXPECT_TRUE(HostFileExists(HostPathFromWindows(named.c_str())));
        addFolderKey("0012ABCD\\Pics");
    }
    // What a browse file is, where one may lie: the folder's own and the central folder's.
    const CPath own = writeFile("Pics/Thumbnail.zilo", browseFile);
    const CPath central = writeFile("Central/0123ABCD2.zilo", browseFile);
    EXPECT_TRUE(IsDeletableBrowseFile(own, folder()));
    EXPECT_TRUE(IsDeletableBrowseFile(central, folder()));
    EXPECT_TRUE(IsDeletableBrowseFile(central, CPath()));
    EXPECT_FALSE(IsDeletableBrowseFile(own, CPath()));
}

TEST_F(FolderManagerFormTest, TheSerialZeroSectionIsErasedOnlyWhenChangesAreApplied)
{
    addFolderKey("00000000\\Lost");
    addFolderKey("0012ABCD\\Pics");
    {
        TFolderManagerForm1 dialog(nullptr, folder());   // then cancelled
    }
    EXPECT_TRUE(sectionExists("Folders\\00000000"));
    TFolderManagerForm1 dialog(nullptr, folder());
    MessageBoxScript boxes;
    dialog.Apply();
    EXPECT_FALSE(sectionExists("Folders\\00000000"));
    EXPECT_TRUE(sectionExists("Folders\\0012ABCD\\Pics"));
}

TEST_F(FolderManagerFormTest, ThePreviewIsTheFirstRecordOfTheBrowseFile)
{
    addFolderKey("0012ABCD\\Pics");
    write("a.jpg");
    write("b.jpg");
    const QByteArray bytes = browseFileBytes("0012ABCD\\Pics", {pics("b.jpg"), pics("a.jpg")});
    ThumbBitmapCache.Purge(true);
    const CPath central = writeFile("Central/0123ABCD3.zilo", bytes);
    SettingsStore->WriteString("Folders\\0012ABCD\\Pics", BrowseFileValueName, central.ToAnsiString());
    {
        TFolderManagerForm1 dialog(nullptr, folder());
        dialog.TreeView->setCurrentItem(nodeOf(dialog, "0012ABCD\\Pics"));
        ASSERT_NE(dialog.PreviewRecord(), nullptr);
        EXPECT_EQ(dialog.PreviewRecord()->GetFullPath().GetFilePart(), CString("b.jpg"));
        EXPECT_EQ(dialog.PreviewRecord()->GetState(), TThumbState::Loaded);
        EXPECT_TRUE(dialog.BrowseFileBox->text().startsWith(central.ToAnsiString()));
    }
    // A damaged file gives no preview, at whatever length it is cut.
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        WriteHostFile(HostPathFromWindows(central.c_str()), bytes.left(length));
        CThumbBitmap *record = ReadFirstBrowseRecord(central, folder());
        if (record) {
            EXPECT_EQ(record->GetFullPath().GetFilePart(), CString("b.jpg")) << length;
            record->Release();
        }
    }
}

} // namespace
