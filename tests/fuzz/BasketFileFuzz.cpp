// The basket's contents file on arbitrary bytes. It reads a file by name, so
// each input is written to a file of a temporary folder first; every line it
// gives back must be one that the basket may use.

#include <Source/tools/BasketData.h>
#include <platform/HostPath.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::unique_ptr<QTemporaryDir> inputFolder;
QString inputPath;
std::string inputWindowsPath;

bool isUsable(const QString &line)
{
    if (line.isEmpty() || line.size() > MaxBasketPathLength)
        return false;
    for (const QChar c : line) {
        if (c < u' ')
            return false;
    }
    return CPath(CString(line)).GetIsAbsolute();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    inputFolder = std::make_unique<QTemporaryDir>();
    inputPath = inputFolder->filePath(QStringLiteral("Basket.zilb"));
    inputWindowsPath = WindowsPathFromHost(inputPath.toStdString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(inputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    const TBasketFileContents contents = ReadBasketFile(CPath(inputWindowsPath.c_str()));
    for (const QString &path : contents.paths) {
        if (!isUsable(path))
            std::abort();
    }
    return 0;
}
