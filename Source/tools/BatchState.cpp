#include "BatchState.h"

#include "BatchWorkList.h"

#include <Source/Glob.h>
#include <Source/engine/VolumePath.h>
#include <lib/Archive.h>
#include <platform/Exception.h>
#include <platform/Stream.h>
#include <platform/StringList.h>

#include <cstring>

// Batch state file, little-endian.
//   offset  size  meaning
//        0     4  magic "ZBES"
//        4     4  version, 2
//        8     -  strings (CArchive: a length byte, or 0xFF and a 32-bit length,
//                 then the characters), in tree order:
//                   a volume text (eight upper-case hex digits, "*Shared" or "*Mapped")
//                     a folder below the volume, "\" first and last ("\Pics\")
//                       a file name in that folder
//                       ...
//                     "" ends the folder
//                     ...
//                   "" ends the volume
//                   ...
//                 "" ends the file
// An empty list is the magic, the version and one empty string: 9 bytes.

namespace {

const char StateMagic[4] = {'Z', 'B', 'E', 'S'};
constexpr uint32_t StateVersion = 2;
// A larger file is not a state file this program wrote: it would stand for
// millions of files.
constexpr int64_t MaxStateFileBytes = 64 * 1024 * 1024;
// Eight of the longest paths; a larger file is no recent list of ours.
constexpr int64_t MaxRecentListBytes = int64_t(MaxRecentStateFiles) * (MaxVolumePathLength + 2);
// The longest file name a folder can hold.
constexpr int MaxFileNameLength = MAX_PATH - 1;

const char NotStateFileMessage[] = "Not a batch engine state file";
const char OldStateFileMessage[] = "Old state files cannot be loaded";

CString formatWithPath(const char *format, const QString &path)
{
    CString message;
    message.Format(format, CString(path).c_str());
    return message;
}

bool hasForbiddenCharacter(const CString &name, bool allowBackslash)
{
    for (int i = 0; i < name.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name.GetAt(i));
        if (c < ' ' || std::strchr("/:*?\"<>|", c))
            return true;
        if (c == '\\' && !allowBackslash)
            return true;
    }
    return false;
}

// A file name that stays in its folder: no separator, not "." or "..".
bool isFileName(const CString &name)
{
    return !name.IsEmpty() && name.GetLength() <= MaxFileNameLength && !hasForbiddenCharacter(name, false)
           && name != "." && name != "..";
}

// "\" first and last, no empty, "." or ".." part between.
bool isRelativeFolder(const CString &folder, const CString &volumeText)
{
    const int length = folder.GetLength();
    if (length < 1 || length + volumeText.GetLength() > MaxVolumePathLength)
        return false;
    if (folder.GetAt(0) != '\\' || folder.GetAt(length - 1) != '\\' || hasForbiddenCharacter(folder, true))
        return false;
    int start = 1;
    for (int i = 1; i < length; ++i) {
        if (folder.GetAt(i) != '\\')
            continue;
        const CString part = folder.Mid(start, i - start);
        if (part.IsEmpty() || part == "." || part == "..")
            return false;
        start = i + 1;
    }
    return true;
}

void writeWorkList(CArchive &archive, const TBatchWorkList &list)
{
    archive.Write(StateMagic, sizeof StateMagic);
    archive.writeValue<uint32_t>(StateVersion);
    for (int v = 0; v < list.topLevelItemCount(); ++v) {
        const QTreeWidgetItem *volumeNode = list.topLevelItem(v);
        const CVolumeData *volume = list.VolumeOfNode(volumeNode);
        if (!volume)
            continue;
        archive << volume->volumeText.c_str();
        for (int f = 0; f < volumeNode->childCount(); ++f) {
            const QTreeWidgetItem *folder = volumeNode->child(f);
            archive << TBatchWorkList::RelativePathOf(folder).c_str();
            for (int i = 0; i < folder->childCount(); ++i)
                archive << CString(folder->child(i)->text(0)).c_str();
            archive << "";
        }
        archive << "";
    }
    archive << "";
}

// Raises Exception with the message to show; what was read stays in the list.
void readWorkList(CArchive &archive, TBatchWorkList &list, const QString &path)
{
    const Exception damaged(formatWithPath("Error while reading file '%s'", path).ToAnsiString());
    char magic[sizeof StateMagic];
    archive.Read(magic, sizeof magic);
    if (std::memcmp(magic, StateMagic, sizeof magic) != 0)
        throw Exception(QString::fromLatin1(NotStateFileMessage));
    if (archive.readValue<uint32_t>() != StateVersion)
        throw Exception(QString::fromLatin1(OldStateFileMessage));
    for (;;) {
        CString volumeText;
        archive >> volumeText;
        if (volumeText.IsEmpty())
            return;
        CVolumeData *volume = IsVolumeText(volumeText) ? list.FindOrAddVolume(volumeText) : nullptr;
        if (!volume)
            throw damaged;
        for (;;) {
            CString folder;
            archive >> folder;
            if (folder.IsEmpty())
                break;
            if (!isRelativeFolder(folder, volumeText))
                throw damaged;
            QTreeWidgetItem *folderNode = list.FindFolder(*volume, folder);
            if (!folderNode)
                folderNode = list.AddFolder(*volume, folder);
            for (;;) {
                CString name;
                archive >> name;
                if (name.IsEmpty())
                    break;
                if (!isFileName(name))
                    throw damaged;
                list.AddFile(folderNode, name);
                ++volume->imageCount;
            }
        }
        volume->node->sortChildren(0, Qt::AscendingOrder);
    }
}

} // namespace

bool SaveStateFile(const TBatchWorkList &list, const QString &path)
{
    TMemoryStream bytes;
    CArchive archive(&bytes, ArWrite);
    writeWorkList(archive, list);
    archive.Close();
    std::unique_ptr<TSafeFileStream> file;
    try {
        file = std::make_unique<TSafeFileStream>(path);
    } catch (const Exception &) {
        ShowMessageBox(formatWithPath("Unable to open file '%s' for writing", path), ErrorBoxFlags);
        return false;
    }
    try {
        const int64_t size = bytes.Seek(0, soEnd);
        file->WriteBuffer(bytes.Memory(), int32_t(size));
        file->Commit();
    } catch (const Exception &) {
        ShowMessageBox(formatWithPath("Error while writing file '%s'", path), ErrorBoxFlags);
        return false;
    }
    return true;
}

bool LoadStateFile(TBatchWorkList &list, const QString &path)
{
    TMemoryStream bytes;
    try {
        TFileStream file(path, fmOpenRead);
        const int64_t size = file.Seek(0, soEnd);
        file.Seek(0, soBeginning);
        if (size > MaxStateFileBytes) {
            ShowMessageBox(formatWithPath("Error while reading file '%s'", path), ErrorBoxFlags);
            return false;
        }
        bytes.CopyFrom(file, 0);
    } catch (const Exception &) {
        ShowMessageBox(formatWithPath("Unable to open file '%s'", path), ErrorBoxFlags);
        return false;
    }
    bytes.Seek(0, soBeginning);
    list.setUpdatesEnabled(false);
    bool whole = true;
    try {
        CArchive archive(&bytes, ArRead);
        readWorkList(archive, list, path);
    } catch (const Exception &error) {
        // A short read raises the archive's own text: the file is damaged.
        const bool own = error.Message() == QLatin1String(NotStateFileMessage)
                         || error.Message() == QLatin1String(OldStateFileMessage)
                         || error.Message().startsWith(QLatin1String("Error while reading"));
        ShowMessageBox(own ? CString(error.Message()) : formatWithPath("Error while reading file '%s'", path),
                       ErrorBoxFlags);
        whole = false;
    }
    list.RecountVolumes();
    list.setUpdatesEnabled(true);
    return whole;
}

QString RecentListPath()
{
    return CPath::ExeFolder().AppendFileName("Engine.txt").ToAnsiString();
}

void ReadRecentList(TStrings &files)
{
    files.Clear();
    TStringList lines;
    try {
        TFileStream file(RecentListPath(), fmOpenRead);
        if (file.Size() > MaxRecentListBytes)
            return;
        lines.LoadFromFile(RecentListPath());
    } catch (const Exception &) {
        return;
    }
    for (int i = 0; i < lines.Count() && files.Count() < MaxRecentStateFiles; ++i) {
        const QString &line = lines[i];
        if (line.size() <= MaxVolumePathLength && CPath(CString(line)).GetIsAbsolute())
            files.Add(line);
    }
}

void WriteRecentList(const TStrings &files)
{
    TStringList lines;
    lines.Assign(files);
    try {
        lines.SaveToFile(RecentListPath());
    } catch (const Exception &) {
    }
}
