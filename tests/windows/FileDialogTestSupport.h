#pragma once

#include "ModalScript.h"
#include "../WindowThreadQueue.h"
#include "../engine/ThumbTestSupport.h"

#include <Source/engine/ThumbCache.h>

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <string>

// The file dialogs' tests: C: is the test folder, with the program's globals.
// Previews build their thumbnails on threads of their own: each test ends
// once those have let their records go.
class FileDialogTest : public ThumbTest
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(ServeUntil([] {
            ThumbBitmapCache.Purge(true);
            return ThumbBitmapCache.Count() == 0;
        })) << "a preview's thread still holds its record";
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
};
