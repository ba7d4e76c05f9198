#pragma once

#include "../engine/ThumbTestSupport.h"

#include <Source/tools/BatchWorkList.h>
#include <platform/Thread.h>

#include <QStringList>

#include <filesystem>
#include <string>

// C: is the test folder (serial 0012ABCD), its photographs in "c", and D: its "disc" (a
// removable volume, serial 00DD1234); photographs are tiny JPEG files.
class BatchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(host("c"));
        std::filesystem::create_directories(host("disc"));
        WriteDriveMap(drives());
        m_globals.emplace();
        // A box that no test expected fails the test instead of waiting for a user.
        SetMessageBoxResponder([](const QString &text, const QString &, UINT type) {
            ADD_FAILURE() << "unexpected message box: " << text.toStdString();
            return DefaultMessageBoxAnswer(type);
        });
    }
    void TearDown() override
    {
        // A stopped run's engine finishes its files before it goes: the
        // globals it uses stay until then.
        EXPECT_TRUE(WaitForWorkerThreads(30000));
        SetMessageBoxResponder({});
        ThumbBitmapCache.Purge(true);
        TFolderSpecificOptionsCache::SaveAll();
        TMemoList::FreeAll();
        m_globals.reset();
    }

    static QString drives(const char *discLetter = "D:")
    {
        return DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
               + DriveMapLine(QString::fromLatin1(discLetter), host("disc"), "removable", "00DD1234", "Disc");
    }
    static std::string host(const std::string &name) { return TestHostFolder() + "/" + name; }

    // Writes count photographs "p0.jpg"... into the host folder (made when missing).
    static void writePhotos(const std::string &folder, int count, const char *prefix = "p")
    {
        std::filesystem::create_directories(host(folder));
        static const std::vector<uint8_t> jpeg = JpegBytes(8, 8);
        const QByteArray bytes(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size()));
        for (int i = 0; i < count; ++i)
            WriteHostFile(host(folder) + "/" + prefix + std::to_string(i) + ".jpg", bytes);
    }

    // Adds the folder to the list to its end; answers the new files.
    static int scan(TBatchWorkList &list, const char *folder, bool recursive)
    {
        TBatchFolderScan adding(list, CPath(folder), recursive);
        while (adding.Step(50)) {
        }
        return adding.NewFiles();
    }

    // The list as "text" lines, one a node, indented by level.
    static QStringList outline(const QTreeWidget &list)
    {
        QStringList lines;
        std::function<void(const QTreeWidgetItem *, int)> walk = [&](const QTreeWidgetItem *node, int depth) {
            lines << QString(depth * 2, u' ') + node->text(0);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i), depth + 1);
        };
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            walk(list.topLevelItem(i), 0);
        return lines;
    }

    std::optional<GlobalsScope> m_globals;
};
