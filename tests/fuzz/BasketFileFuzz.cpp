// The basket's contents file on arbitrary bytes. It reads a file by name, so
// each input is written to a file of a temporary folder first; every line it
// gives back must be one that the basket may use.

#include "FuzzInputFile.h"

#include <Source/tools/BasketData.h>

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const FuzzInputFile &input()
{
    static const FuzzInputFile file(QStringLiteral("Basket.zilb"));
    return file;
}

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!input().write(data, size))
        return 0;
    const TBasketFileContents contents = ReadBasketFile(input().path());
    for (const QString &path : contents.paths) {
        if (!isUsable(path))
            std::abort();
    }
    return 0;
}
