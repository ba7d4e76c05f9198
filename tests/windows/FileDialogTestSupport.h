#pragma once

#include "ModalScript.h"
#include "../engine/ThumbTestSupport.h"

#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

// The file dialogs' tests: C: is the test folder, with "Pics" in it, and the
// program's globals. A preview of a file without a built record would build
// one on a thread that may outlive its dialog and its test, so the pictures a
// test shows are cached as built before their dialogs open.
class FileDialogTest : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        InitImageLibrary();
        std::filesystem::create_directories(TestHostFolder() + "/Pics");
    }
    void TearDown() override
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
        ThumbTest::TearDown();
    }

    // Gives the file at path a built thumbnail in the cache, held until the
    // test ends, so that a dialog's preview shows it without a thread.
    void preview(const CPath &path)
    {
        auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
        m_records.push_back(record);
        ASSERT_TRUE(record->ClaimForLoading());
        const CSize size = record->GetThumbnailSize();
        record->EndLoading(TThumbState::Loaded, JpegBytes(uint32_t(size.cx), uint32_t(size.cy)));
    }

    // A JPEG file of the test folder, previewed; answers its Windows path.
    CPath writeShownPicture(const QString &name, uint32_t width, uint32_t height)
    {
        const CPath path = writeJpegFile(name, width, height);
        preview(path);
        return path;
    }

    static std::string host(const QString &name) { return TestHostFolder() + "/" + name.toStdString(); }

    // The Windows path of a name in the test folder, written with slashes.
    static CPath windows(const QString &name)
    {
        return CPath(CString(TestWindowsPath(QString(name).replace(u'/', u'\\'))));
    }

    static CPath writeFile(const QString &name, const QByteArray &bytes)
    {
        std::filesystem::create_directories(std::filesystem::path(host(name)).parent_path());
        WriteHostFile(host(name), bytes);
        return windows(name);
    }

    static std::string picsHost(const std::string &name) { return TestHostFolder() + "/Pics/" + name; }
    static CPath pics(const std::string &name) { return CPath(WindowsPathFromHost(picsHost(name)).c_str()); }
    static CPath folder() { return CPath(WindowsPathFromHost(TestHostFolder() + "/Pics").c_str()); }
    static void write(const std::string &name, const QByteArray &bytes = "picture") { WriteHostFile(picsHost(name), bytes); }

    // The names in Pics, sorted.
    static std::vector<std::string> names()
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(TestHostFolder() + "/Pics"))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    static TStringList lines(const QStringList &texts)
    {
        TStringList list;
        for (const QString &text : texts)
            list.Add(text);
        return list;
    }
    static void setMemo(const CPath &file, const QStringList &texts) { CMemo(file).SetLines(lines(texts)); }
    static QStringList memo(const CPath &file) { return CMemo(file).GetLines()->ToStringList(); }

    // The host path of the one memo file of the data folder; empty when there is none.
    static std::string memoFile()
    {
        const std::string data = HostPathFromWindows(DataFolder().c_str());
        std::string found;
        if (!std::filesystem::is_directory(data))
            return found;
        for (const auto &entry : std::filesystem::directory_iterator(data)) {
            if (entry.path().extension() == ".dat")
                found = entry.path().string();
        }
        return found;
    }
    // The identity of a file as it stands: a write by temporary file and
    // rename gives it a new inode, and a write in place a new change time.
    struct FileStamp
    {
        ino_t inode = 0;
        timespec changed{};
        bool operator==(const FileStamp &other) const
        {
            return inode == other.inode && changed.tv_sec == other.changed.tv_sec
                   && changed.tv_nsec == other.changed.tv_nsec;
        }
    };
    static FileStamp stamp(const std::string &hostPath)
    {
        struct stat info {};
        EXPECT_EQ(::stat(hostPath.c_str(), &info), 0) << hostPath;
        return {info.st_ino, info.st_ctim};
    }

private:
    std::vector<CThumbBitmap *> m_records;   // one reference each
};
