#pragma once

// For readers that take a file by name: each input is written to one file
// of a temporary folder, made on first use and kept for the whole run.

#include <lib/Path.h>
#include <platform/HostPath.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInputFile
{
public:
    explicit FuzzInputFile(const QString &name)
        : m_path(m_folder.filePath(name))
        , m_windowsPath(WindowsPathFromHost(m_path.toStdString()))
    {
    }

    // Replaces the file's bytes by data; false when it cannot be written.
    bool write(const uint8_t *data, size_t size) const
    {
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size);
    }

    CPath path() const { return CPath(m_windowsPath.c_str()); }

private:
    QTemporaryDir m_folder;
    QString m_path;
    std::string m_windowsPath;
};
