#include "TestSupport.h"

#include <platform/Drives.h>
#include <platform/FileFind.h>
#include <platform/Files.h>
#include <platform/HostPath.h>

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

static std::string g_testFolder;

void SetTestHostFolder(const std::string &folder)
{
    g_testFolder = folder;
}

std::string TestHostFolder()
{
    return g_testFolder;
}

QString TestWindowsFolder()
{
    return QString::fromStdString(WindowsPathFromHost(g_testFolder));
}

QString TestWindowsPath(const QString &name)
{
    const QString folder = TestWindowsFolder();
    // A drive root ends in its backslash already.
    return folder.endsWith(u'\\') ? folder + name : folder + u'\\' + name;
}

void WriteHostFile(const std::string &hostPath, const QByteArray &bytes)
{
    QFile file(QString::fromStdString(hostPath));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << hostPath;
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadHostFile(const std::string &hostPath)
{
    QFile file(QString::fromStdString(hostPath));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool HostFileExists(const std::string &hostPath)
{
    struct stat info;
    return ::lstat(hostPath.c_str(), &info) == 0;
}

std::vector<std::string> ListedWindowsPaths(const QString &name)
{
    const std::string folder = TestWindowsPath(name).toStdString();
    std::vector<std::string> paths;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return paths;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            paths.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return paths;
}

void WriteDriveMap(const QString &lines)
{
    const std::string map = g_testFolder + "/drives.map";
    WriteHostFile(map, lines.toUtf8());
    ::setenv("ZILO_DRIVE_MAP", map.c_str(), 1);
    GetLogicalDrives();
}
