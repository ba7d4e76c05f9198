#pragma once

#include "ModalScript.h"
#include "../engine/ThumbTestSupport.h"

#include <Source/engine/ThumbBitmap.h>

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

// The file dialogs' tests: C: is the test folder, with the program's globals.
// A preview of a file without a built record would build one on a thread
// that may outlive its dialog and its test, so the pictures a test shows are
// cached as built before their dialogs open.
class FileDialogTest : public ThumbTest
{
protected:
    void TearDown() override
    {
        for (CThumbBitmap *record : m_records)
            record->Release();
        ThumbTest::TearDown();
    }

    // A JPEG file of the test folder whose record is built and cached, held
    // until the test ends; answers its Windows path.
    CPath writeShownPicture(const QString &name, uint32_t width, uint32_t height)
    {
        const CPath path = writeJpegFile(name, width, height);
        auto *record = new CThumbBitmap(CThumbBitmap::FromFile, path);
        m_records.push_back(record);
        EXPECT_TRUE(record->ClaimForLoading());
        const CSize size = record->GetThumbnailSize();
        record->EndLoading(TThumbState::Loaded, JpegBytes(uint32_t(size.cx), uint32_t(size.cy)));
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

private:
    std::vector<CThumbBitmap *> m_records;   // one reference each
};
