#pragma once

#include "../Source/GlobTestSupport.h"

#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <lib/imaging/ImgLib.h>

#include <gtest/gtest.h>

#include <QString>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>

// JPEG bytes of a width x height picture of one colour.
inline std::vector<uint8_t> JpegBytes(uint32_t width, uint32_t height, uint8_t red = 200, uint8_t green = 40,
                                      uint8_t blue = 10)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t pixel = 0; pixel < rgb.size(); pixel += 3) {
        rgb[pixel] = red;
        rgb[pixel + 1] = green;
        rgb[pixel + 2] = blue;
    }
    std::vector<uint8_t> jpeg(rgb.size() + 4096);
    HIMGDEST destination = ImgOpenMemoryDest(jpeg.data(), uint32_t(jpeg.size()));
    const uint32_t length = ImgWriteRGBToJPG(destination, rgb.data(), width, height, 95, 0);
    ImgCloseDest(destination);
    jpeg.resize(length);
    return jpeg;
}

// C: is the test folder. Every record a test leaves unreferenced is deleted
// when it ends; one still referenced fails the test.
class ThumbTest : public testing::Test
{
protected:
    void SetUp() override
    {
        WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"));
        m_globals.emplace();
    }
    void TearDown() override
    {
        ThumbBitmapCache.Purge(true);
        EXPECT_EQ(ThumbBitmapCache.Count(), 0) << "records still referenced";
        TFolderSpecificOptionsCache::SaveAll();
        TMemoList::FreeAll();
        m_globals.reset();
    }

    // A JPEG file of the test folder; answers its Windows path.
    static CPath writeJpegFile(const QString &name, uint32_t width, uint32_t height)
    {
        std::filesystem::create_directories(std::filesystem::path(TestHostFolder() + "/" + name.toStdString())
                                                .parent_path());
        const std::vector<uint8_t> jpeg = JpegBytes(width, height);
        WriteHostFile(TestHostFolder() + "/" + name.toStdString(),
                      QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
        return CPath(CString(TestWindowsPath(QString(name).replace('/', '\\'))));
    }

    std::optional<GlobalsScope> m_globals;
};

// Keeps the notifications that its record sends.
class RecordingClient : public CThumbBitmapClient
{
public:
    void Notify(uint8_t what) override
    {
        std::lock_guard lock(m_lock);
        m_codes.push_back(what);
    }
    std::vector<uint8_t> codes() const
    {
        std::lock_guard lock(m_lock);
        return m_codes;
    }

private:
    mutable std::mutex m_lock;   // guards m_codes
    std::vector<uint8_t> m_codes;
};

// Every write past bytes of any file fails for one scope, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};
