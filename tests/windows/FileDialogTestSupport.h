#pragma once

#include "ModalScript.h"
#include "../WindowThreadQueue.h"
#include "../engine/ThumbTestSupport.h"

#include <Source/engine/ThumbCache.h>

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

// The file dialogs' tests: C: is the test folder, with the program's globals.
// A preview builds its file's record on a thread of its own, which may still
// run after its dialog has gone: a test that shows previews names their files
// in m_previewed, and ends once each has its record and no thread holds it.
class FileDialogTest : public ThumbTest
{
protected:
    void TearDown() override
    {
        for (const CPath &path : m_previewed) {
            EXPECT_TRUE(ServeUntil([&] { return recordLetGo(path); })) << path.c_str();
        }
        ThumbTest::TearDown();
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

    std::vector<CPath> m_previewed;

private:
    // The file's record is there, built or failed, and only the cache holds it.
    static bool recordLetGo(const CPath &path)
    {
        CThumbBitmap *record = FindThumbBitmap(path);
        if (!record)
            return false;
        const bool alone = record->GetRefCount() == 1 && record->GetState() != TThumbState::Loading;
        record->Release();
        return alone;
    }
};
