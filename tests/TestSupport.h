#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The temporary folder of the running test, removed when the test ends.
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER point inside it.
std::string TestHostFolder();
// The same folder as a Windows path.
QString TestWindowsFolder();
// A Windows path for a name inside the test folder.
QString TestWindowsPath(const QString &name);

void WriteHostFile(const std::string &hostPath, const QByteArray &bytes);
QByteArray ReadHostFile(const std::string &hostPath);
bool HostFileExists(const std::string &hostPath);
// The Windows paths of the files in a folder of the test folder, as the
// program's listing of the folder gives them, in its order.
std::vector<std::string> ListedWindowsPaths(const QString &name);

// Writes a drive map file in the test folder, points ZILO_DRIVE_MAP at it and
// refreshes the drive table. One drive a line, fields separated by tabs:
// letter, host folder, type[,readonly][,source=//server/share], serial in hex,
// label[, free bytes, total bytes] (the format is in platform/DriveMap.h).
void WriteDriveMap(const QString &lines);
