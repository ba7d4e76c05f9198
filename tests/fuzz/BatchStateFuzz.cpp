// The batch engine's state file on arbitrary bytes, read into a work list.
// Every node it makes must be one the list may hold: a known volume text,
// folders that stay below their volume, file names without a separator.

#include "EngineFuzzSetup.h"

#include <Source/tools/BatchState.h>
#include <Source/tools/BatchWorkList.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString statePath;

bool isKeptFolder(const QString &relative)
{
    return relative.startsWith(u'\\') && relative.endsWith(u'\\') && !relative.contains(QLatin1String("\\..\\"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    const QString root = SetUpEngineForFuzzing(argc, argv);
    statePath = root + QStringLiteral("/State.zile");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WriteFuzzInput(statePath, data, qint64(size));
    TBatchWorkList list;
    LoadStateFile(list, QStringLiteral("C:\\State.zile"));
    for (const auto &volume : list.Volumes()) {
        if (!IsVolumeText(volume->volumeText))
            std::abort();
        for (int f = 0; f < volume->node->childCount(); ++f) {
            const QTreeWidgetItem *folder = volume->node->child(f);
            if (!isKeptFolder(TBatchWorkList::RelativePathOf(folder).ToAnsiString()))
                std::abort();
            for (int i = 0; i < folder->childCount(); ++i) {
                const QString name = folder->child(i)->text(0);
                if (name.isEmpty() || name.contains(u'\\') || name.contains(u'/'))
                    std::abort();
            }
        }
    }
    return 0;
}
