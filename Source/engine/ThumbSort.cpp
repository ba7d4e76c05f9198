#include "ThumbSort.h"

#include "FolderOptions.h"
#include "ThumbBitmap.h"
#include "ThumbCache.h"

#include <Source/Glob.h>

#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <platform/CriticalSection.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/Stream.h>
#include <platform/StringList.h>

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

// Serialises every sort and every custom sort-file operation, and guards
// the generator below. Lock order: see CThumbSort.
CCriticalSection s_sortLock;

const char OwnFileName[] = "Zilo custom sort.txt";
const QString CustomSortValueName = QStringLiteral("Custom Sort Order");
const char SaveErrorText[] = "Error while saving custom sort-order";
constexpr int DataFileHexDigits = 8;

const char *const PropertyWords[] = {
    "image width",       "image height",      "image depth",        "image area",         "file name",
    "file extension",    "file date",         "file size",          "colour temperature", "average hue",
    "average saturation", "average brightness", "aspect ratio",
};

// The unit's own generator, so that naming a file never reseeds one that
// other code draws from. Seeded once from the clock; hold s_sortLock.
std::minstd_rand &nameGenerator()
{
    static std::minstd_rand generator(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
    return generator;
}

template <typename T>
int threeWay(T a, T b)
{
    return (a > b) - (a < b);
}

// Both sides in 64 bits: the product of two 32-bit sides does not fit 32.
int64_t areaOf(const TImageHandler &handler)
{
    return int64_t(handler.GetWidth()) * handler.GetHeight();
}

// The sign of the integer part of (a - b) x 10000: ratios closer than 0.0001
// are equal. That equality does not carry over (a ~ b and b ~ c, yet a < c),
// so this is no strict weak order.
int aspectOrder(double a, double b)
{
    const double steps = (a - b) * 10000;
    return steps >= 1 ? 1 : steps <= -1 ? -1 : 0;
}

// A stable bottom-up merge sort by a three-way compare: items comparing equal
// keep their order. compare need not be a strict weak order; every item still
// lands exactly once, which std::sort does not promise.
template <typename T, typename Compare>
void stableMergeSort(std::vector<T> &items, Compare compare)
{
    const size_t count = items.size();
    std::vector<T> merged = items;
    for (size_t run = 1; run < count; run *= 2) {
        for (size_t left = 0; left < count; left += 2 * run) {
            const size_t middle = std::min(left + run, count);
            const size_t end = std::min(middle + run, count);
            size_t from = left;
            size_t other = middle;
            size_t out = left;
            while (from < middle && other < end)
                merged[out++] = compare(items[other], items[from]) < 0 ? items[other++] : items[from++];
            // One of the two runs is used up; the rest of the other follows.
            const auto rest = std::copy(items.begin() + from, items.begin() + middle, merged.begin() + out);
            std::copy(items.begin() + other, items.begin() + end, rest);
        }
        items.swap(merged);
    }
}

// A line of an order file is untrusted: only a plain name can name a file of
// the folder itself.
bool isPlainFileName(const CString &name)
{
    return !name.IsEmpty() && name.FindOneOf("\\/") < 0 && name != "." && name != "..";
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A stored path comes from the settings: only a place MakeCustomSortFileName
// puts the folder's order is taken, so that a save or a relocation never
// writes over or deletes another file.
bool isCustomSortFilePath(const CPath &path, const CPath &folder)
{
    if (path.CompareNoCase(folder.AppendFileName(OwnFileName)) == 0)
        return true;
    if (CPath(path.GetDirPart()).CompareNoCase(DataFolder()) != 0)
        return false;
    const CString name = path.GetFilePart();
    if (name.GetLength() != DataFileHexDigits + 4 || name.Right(4).CompareNoCase(".txt") != 0)
        return false;
    for (int index = 0; index < DataFileHexDigits; ++index) {
        if (!isHexDigit(name.GetAt(index)))
            return false;
    }
    return true;
}

// Copies from over to, by temporary file and rename, then deletes from.
// False when either step fails.
bool moveFileReplacing(const CPath &from, const CPath &to)
{
    try {
        TMemoryStream bytes;
        bytes.LoadFromFile(from.ToAnsiString());
        bytes.SaveToFile(to.ToAnsiString());
    } catch (const Exception &) {
        return false;
    }
    return DeleteFileA(from) != FALSE;
}

} // namespace

TThumbSortKey::TThumbSortKey(CThumbBitmap *record)
    : record(record)
    , handler(record->GetHandler())
    , colourTemperature(record->GetColourTemperature())
    , hue(record->GetAverageHue())
    , saturation(record->GetAverageSaturation())
    , brightness(record->GetAverageBrightness())
{
}

CThumbSort::CThumbSort(const CPath &folder) : m_folder(folder)
{
}

void CThumbSort::GetDescription(CString &words, CString &direction) const
{
    const int property = FolderOptionInt(m_folder, TFolderOptions::SortProperty);
    if (property >= 0 && property < int(std::size(PropertyWords)))
        words = PropertyWords[property];
    direction = FolderOptionInt(m_folder, TFolderOptions::SortDirection) == 0 ? "ascending" : "descending";
}

int CThumbSort::Compare(int property, const TThumbSortKey &a, const TThumbSortKey &b)
{
    const TImageHandler &first = a.handler;
    const TImageHandler &second = b.handler;
    switch (property) {
    case ImageWidth: return threeWay(first.GetWidth(), second.GetWidth());
    case ImageHeight: return threeWay(first.GetHeight(), second.GetHeight());
    case ImageDepth: return threeWay(first.GetBits(), second.GetBits());
    case ImageArea: return threeWay(areaOf(first), areaOf(second));
    case FileName: return threeWay(first.GetName().CompareNoCase(second.GetName()), 0);
    case FileExtension: return threeWay(first.GetName().GetExtPart().CompareNoCase(second.GetName().GetExtPart()), 0);
    case FileDate: return CompareFileTime(&first.GetModified(), &second.GetModified());
    case FileSize: return threeWay(first.GetSize(), second.GetSize());
    case ColourTemperature: return threeWay(a.colourTemperature, b.colourTemperature);
    case AverageHue: return threeWay(a.hue, b.hue);
    case AverageSaturation: return threeWay(a.saturation, b.saturation);
    case AverageBrightness: return threeWay(a.brightness, b.brightness);
    case AspectRatio: return aspectOrder(first.GetAspectRatio(), second.GetAspectRatio());
    default: return 0;
    }
}

int CThumbSort::Sort(std::vector<CThumbBitmap *> &records) const
{
    CWaitCursor hourglass;
    CSingleLock lock(s_sortLock);
    const int property = FolderOptionInt(m_folder, TFolderOptions::SortProperty);
    if (property == CustomOrder)
        return applyCustomOrder(records);
    const int sign = FolderOptionInt(m_folder, TFolderOptions::SortDirection) == 0 ? 1 : -1;

    std::vector<TThumbSortKey> keys;
    keys.reserve(records.size());
    for (CThumbBitmap *record : records)
        keys.emplace_back(record);
    std::vector<const TThumbSortKey *> order;
    order.reserve(keys.size());
    for (const TThumbSortKey &key : keys)
        order.push_back(&key);
    stableMergeSort(order, [property, sign](const TThumbSortKey *a, const TThumbSortKey *b) {
        return sign * Compare(property, *a, *b);
    });
    for (size_t index = 0; index < order.size(); ++index)
        records[index] = order[index]->record;
    return Sorted;
}

// Hold s_sortLock. The records named by the file come first, each at its
// first mention; the others follow in the order they had.
int CThumbSort::applyCustomOrder(std::vector<CThumbBitmap *> &records) const
{
    const CPath file = GetCustomSortFile();
    if (file.IsEmpty() || !file.GetFileExists())
        return NoCustomOrder;
    TStringList lines;
    lines.LoadFromFile(file.ToAnsiString());

    // The records in hand by their names without case, so that a long order
    // costs one lookup a line; the cache is asked only about names that no
    // record in hand has.
    std::unordered_map<std::string, CThumbBitmap *> byName;
    byName.reserve(records.size());
    for (CThumbBitmap *record : records)
        byName.emplace(record->GetFullPath().GetFilePart().AsLower().c_str(), record);
    std::unordered_set<CThumbBitmap *> placed;
    std::vector<CThumbBitmap *> ordered;
    ordered.reserve(records.size());
    int result = Sorted;
    for (int index = 0; index < lines.Count(); ++index) {
        const CString name(lines[index]);
        if (!isPlainFileName(name))
            continue;
        const auto found = byName.find(name.AsLower().c_str());
        if (found != byName.end()) {
            if (placed.insert(found->second).second)
                ordered.push_back(found->second);
            continue;
        }
        if (CThumbBitmap *record = FindThumbBitmap(m_folder.AppendFileName(name))) {
            result = NamesOtherRecord;
            record->Release();
        }
    }
    for (CThumbBitmap *record : records) {
        if (placed.erase(record) == 0)
            ordered.push_back(record);
    }
    records.swap(ordered);
    return result;
}

CPath CThumbSort::MakeCustomSortFileName() const
{
    CSingleLock lock(s_sortLock);
    if (FolderOptionInt(m_folder, TFolderOptions::CustomSortFileWithImages))
        return m_folder.AppendFileName(OwnFileName);
    const CPath data = DataFolder();
    // 15 bits each, so that each half is four digits.
    std::uniform_int_distribution<unsigned> draw(0, 0x7FFF);
    for (;;) {
        CString name;
        const unsigned high = draw(nameGenerator());
        const unsigned low = draw(nameGenerator());
        name.Format("%04X%04X.txt", high, low);
        const CPath path = data.AppendFileName(name);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return path;
    }
}

CPath CThumbSort::GetCustomSortFile() const
{
    CSingleLock lock(s_sortLock);
    const CPath own = m_folder.AppendFileName(OwnFileName);
    if (own.GetFileExists())
        return own;
    const QString section = FolderRegistryKey(m_folder).ToAnsiString();
    if (section.isEmpty())
        return CPath();
    const CPath stored(CString(SettingsStore->ReadString(section, CustomSortValueName, QString())));
    if (isCustomSortFilePath(stored, m_folder))
        return stored;
    const CPath made = MakeCustomSortFileName();
    SettingsStore->WriteString(section, CustomSortValueName, made.ToAnsiString());
    return made;
}

void CThumbSort::RelocateCustomSortFile() const
{
    bool moved = true;
    {
        CSingleLock lock(s_sortLock);
        const QString section = FolderRegistryKey(m_folder).ToAnsiString();
        const CPath current = GetCustomSortFile();
        const CPath next = MakeCustomSortFileName();
        if (section.isEmpty() || current.IsEmpty() || std::strcmp(current.GetDirPart(), next.GetDirPart()) == 0
            || IsWriteProtected(CPath(next.GetDirPart())))
            return;
        // An order not saved yet has nothing to move, but the next save goes
        // to the new place all the same.
        if (current.GetFileExists())
            moved = moveFileReplacing(current, next);
        if (moved)
            SettingsStore->WriteString(section, CustomSortValueName, next.ToAnsiString());
    }
    if (!moved)
        ShowMessageBox(SaveErrorText, ErrorBoxFlags);
}

void CThumbSort::SaveCustomOrder(const std::vector<CThumbBitmap *> &records) const
{
    if (!writeCustomOrder(records))
        ShowMessageBox(SaveErrorText, ErrorBoxFlags);
}

// False when the order could not be written; true when it was, or when the
// folder is write-protected.
bool CThumbSort::writeCustomOrder(const std::vector<CThumbBitmap *> &records) const
{
    TStringList lines;
    for (CThumbBitmap *record : records)
        lines.Add(record->GetHandler().GetName().ToAnsiString());
    CSingleLock lock(s_sortLock);
    const CPath file = GetCustomSortFile();
    if (file.IsEmpty())
        return false;
    if (IsWriteProtected(CPath(file.GetDirPart())))
        return true;
    try {
        lines.SaveToFile(file.ToAnsiString());
        return true;
    } catch (const Exception &) {
        return false;
    }
}
