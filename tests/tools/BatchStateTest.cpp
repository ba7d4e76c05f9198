#include "BatchTestSupport.h"

#include <Source/tools/BatchState.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class BatchStateTest : public BatchTest
{
protected:
    static QString statePath(const char *name) { return QStringLiteral("C:\\") + QString::fromLatin1(name); }
    static std::string stateHost(const char *name) { return host(name); }

    // Two volumes, three folders.
    static void fill(TBatchWorkList &list)
    {
        writePhotos("disc/Trip/Day1", 3);
        writePhotos("disc/Trip/Day2", 2);
        writePhotos("c/Home", 1);
        scan(list, "D:\\Trip", true);
        scan(list, "C:\\c\\Home", false);
    }

    // A state file's bytes: magic, version, then the strings (each shorter than 255).
    static QByteArray stateBytes(const char *magic, uint32_t version, const QStringList &strings)
    {
        QByteArray bytes(magic, 4);
        bytes.append(reinterpret_cast<const char *>(&version), 4);
        for (const QString &text : strings) {
            bytes.append(char(text.size()));
            bytes.append(text.toLatin1());
        }
        return bytes;
    }
};

TEST_F(BatchStateTest, AnEmptyListIsNineBytes)
{
    TBatchWorkList list;
    ASSERT_TRUE(SaveStateFile(list, statePath("empty.zile")));
    EXPECT_EQ(ReadHostFile(stateHost("empty.zile")), QByteArray("ZBES\x02\x00\x00\x00\x00", 9));
    ASSERT_TRUE(LoadStateFile(list, statePath("empty.zile")));
    EXPECT_EQ(list.topLevelItemCount(), 0);
}

TEST_F(BatchStateTest, AListComesBackAsItWasAndIsWrittenAgainByteForByte)
{
    TBatchWorkList list;
    fill(list);
    ASSERT_TRUE(SaveStateFile(list, statePath("work.zile")));
    const QByteArray saved = ReadHostFile(stateHost("work.zile"));
    EXPECT_EQ(saved, stateBytes("ZBES", 2,
                                {"00DD1234", "\\Trip\\Day1\\", "p0.jpg", "p1.jpg", "p2.jpg", "", "\\Trip\\Day2\\",
                                 "p0.jpg", "p1.jpg", "", "", "0012ABCD", "\\c\\Home\\", "p0.jpg", "", "", ""}));

    TBatchWorkList loaded;
    MessageBoxScript boxes;
    ASSERT_TRUE(LoadStateFile(loaded, statePath("work.zile")));
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(outline(loaded), outline(list));
    EXPECT_EQ(loaded.ImageTotal(), 6);
    EXPECT_EQ(loaded.FolderTotal(), 3);
    ASSERT_TRUE(SaveStateFile(loaded, statePath("again.zile")));
    EXPECT_EQ(ReadHostFile(stateHost("again.zile")), saved);
}

TEST_F(BatchStateTest, AVolumeThatIsNotMountedLoadsWithThePlaceholderDrive)
{
    WriteHostFile(stateHost("away.zile"), stateBytes("ZBES", 2, {"12345678", "\\Pics\\", "a.jpg", "", "", ""}));
    TBatchWorkList list;
    ASSERT_TRUE(LoadStateFile(list, statePath("away.zile")));
    EXPECT_EQ(outline(list), (QStringList{"Volume 12345678 (not mounted)", "  ?:\\Pics", "    a.jpg"}));
}

TEST_F(BatchStateTest, AFileThatIsNoStateFileIsRefusedWithItsMessage)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *message;   // %1: the path
    };
    const Case cases[] = {
        {"another magic", stateBytes("ZBEX", 2, {""}), "Not a batch engine state file"},
        {"version 1", stateBytes("ZBES", 1, {""}), "Old state files cannot be loaded"},
        {"no volume text", stateBytes("ZBES", 2, {"C:", "\\Pics\\", "", "", ""}), "Error while reading file '%1'"},
        {"lower-case serial", stateBytes("ZBES", 2, {"00dd1234", "", ""}), "Error while reading file '%1'"},
        {"folder climbing out", stateBytes("ZBES", 2, {"00DD1234", "\\..\\", "", "", ""}),
         "Error while reading file '%1'"},
        {"folder without its slashes", stateBytes("ZBES", 2, {"00DD1234", "Pics", "", "", ""}),
         "Error while reading file '%1'"},
        {"name holding a backslash", stateBytes("ZBES", 2, {"00DD1234", "\\Pics\\", "a\\b.jpg", "", "", ""}),
         "Error while reading file '%1'"},
        {"name that is a parent", stateBytes("ZBES", 2, {"00DD1234", "\\Pics\\", "..", "", "", ""}),
         "Error while reading file '%1'"},
        {"length past the end", QByteArray("ZBES\x02\x00\x00\x00\xff\xff\xff\xff\x7f", 13),
         "Error while reading file '%1'"},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.name);
        WriteHostFile(stateHost("bad.zile"), entry.bytes);
        TBatchWorkList list;
        MessageBoxScript boxes;
        EXPECT_FALSE(LoadStateFile(list, statePath("bad.zile")));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text.toStdString(),
                  QString::fromLatin1(entry.message).arg(statePath("bad.zile")).toStdString());
    }
    TBatchWorkList list;
    MessageBoxScript boxes;
    EXPECT_FALSE(LoadStateFile(list, statePath("missing.zile")));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Unable to open file '%1'").arg(statePath("missing.zile")));
}

TEST_F(BatchStateTest, ATruncatedFileKeepsWhatWasReadBeforeTheCut)
{
    TBatchWorkList list;
    fill(list);
    ASSERT_TRUE(SaveStateFile(list, statePath("work.zile")));
    const QByteArray whole = ReadHostFile(stateHost("work.zile"));
    int lastImages = 0;
    for (qsizetype length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        WriteHostFile(stateHost("cut.zile"), whole.left(length));
        TBatchWorkList cut;
        MessageBoxScript boxes;
        EXPECT_FALSE(LoadStateFile(cut, statePath("cut.zile")));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Error while reading file '%1'").arg(statePath("cut.zile")));
        // Every name read stays, and counts.
        EXPECT_GE(cut.ImageTotal(), lastImages);
        lastImages = cut.ImageTotal();
    }
    EXPECT_EQ(lastImages, 6);
}

TEST_F(BatchStateTest, AFailedSaveSaysWhyAndLeavesTheOldFileAsItWas)
{
    TBatchWorkList list;
    fill(list);
    WriteHostFile(stateHost("work.zile"), "old state");
    {
        MessageBoxScript boxes;
        FileSizeLimit full(4);
        EXPECT_FALSE(SaveStateFile(list, statePath("work.zile")));
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Error while writing file '%1'").arg(statePath("work.zile")));
    }
    EXPECT_EQ(ReadHostFile(stateHost("work.zile")), "old state");
    const std::filesystem::directory_iterator files(host(""));
    EXPECT_EQ(std::count_if(begin(files), end(files),
                            [](const auto &entry) { return entry.path().filename().string().find("work.zile") != std::string::npos; }),
              1) << "no temporary file is left behind";

    MessageBoxScript boxes;
    EXPECT_FALSE(SaveStateFile(list, statePath("Missing\\work.zile")));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              QStringLiteral("Unable to open file '%1' for writing").arg(statePath("Missing\\work.zile")));
}

TEST_F(BatchStateTest, TheRecentListKeepsItsGoodLinesAndNoMoreThanEight)
{
    QByteArray lines;
    for (int i = 0; i < 10; ++i)
        lines += "C:\\s" + QByteArray::number(i) + ".zile\r\n";
    lines = "not a path\r\n" + lines;
    WriteHostFile(TestHostFolder() + "/Program/Engine.txt", lines);
    TStringList files;
    ReadRecentList(files);
    ASSERT_EQ(files.Count(), MaxRecentStateFiles);
    EXPECT_EQ(files[0], "C:\\s0.zile");
    EXPECT_EQ(files[7], "C:\\s7.zile");
}

} // namespace
