#pragma once

#include "FileHandler.h"

#include <lib/Path.h>
#include <lib/String.h>

#include <cstdint>
#include <vector>

class CThumbBitmap;

// Custom sort-order file: UTF-8 text, one file name (without folder) a line,
// in display order, lines ended by CR LF. It is the folder's own
// "Zilo custom sort.txt" when that exists; otherwise the path that the
// folder's settings section stores as "Custom Sort Order": the folder's own
// file, or eight hex digits and ".txt" in the Data folder. A line that is no
// plain name (one with a backslash or slash, "." or "..") names nothing.

// What the sort compares of one record, copied from it once before a sort so
// that no comparison takes the record's lock.
struct TThumbSortKey
{
    // A key of no record: the statistics are 0 until set.
    explicit TThumbSortKey(const TImageHandler &handler) : handler(handler) {}
    // The record's handler and statistics; record is kept, not referenced.
    explicit TThumbSortKey(CThumbBitmap *record);

    CThumbBitmap *record = nullptr;
    TImageHandler handler;
    uint16_t colourTemperature = 0;   // the statistics, 0..65535
    uint16_t hue = 0;
    uint16_t saturation = 0;
    uint16_t brightness = 0;
};

// The order of one folder's records: by the folder's "Sort Property" and
// "Sort Direction", or by its custom sort-order file, which it also keeps.
// Any thread. Every sort and every custom sort-file operation runs under one
// process-wide sort lock, which is taken before the locks of the folder
// options, the settings store, the thumbnail cache and the records, never
// after them; no message box is shown while it is held. InitGlobals must
// have run.
class CThumbSort
{
public:
    // The values of "Sort Property"; any other value leaves the order as it is.
    enum TSortProperty {
        ImageWidth,
        ImageHeight,
        ImageDepth,
        ImageArea,
        FileName,
        FileExtension,
        FileDate,
        FileSize,
        ColourTemperature,
        AverageHue,
        AverageSaturation,
        AverageBrightness,
        AspectRatio,
        CustomOrder,
    };
    // What Sort answers.
    enum TSortResult {
        Sorted = 0,               // by property, or by the custom order file
        NoCustomOrder = 1,        // no custom order file: the list is as it was
        NamesOtherRecord = 3,     // the file names a cached record that is not in the list
    };

    explicit CThumbSort(const CPath &folder);

    // The words of the folder's sort property ("file name"; words left as they
    // are for the custom order and unknown values) and "ascending" or
    // "descending".
    void GetDescription(CString &words, CString &direction) const;

    // Orders records (held by the caller) under the hourglass: by the custom
    // order file for CustomOrder, otherwise stably by the property in the
    // folder's direction, so that records comparing equal keep their order.
    // Raises the stream errors when the custom order file exists but cannot
    // be read; the list is then as it was.
    int Sort(std::vector<CThumbBitmap *> &records) const;

    // A new file for the folder's custom order: the folder's own
    // "Zilo custom sort.txt" with "Custom Sort File With Images" on, else a
    // name of the Data folder that no file has yet.
    CPath MakeCustomSortFileName() const;
    // The file that holds the folder's custom order (it need not exist yet):
    // the folder's own file when it exists, else the stored path, else a new
    // name, stored at once. Empty for a folder without a settings section.
    CPath GetCustomSortFile() const;
    // After "Custom Sort File With Images" changed: moves the order file to
    // where MakeCustomSortFileName puts one, unless it is in that folder
    // already or that folder is write-protected, and stores its new path
    // (also for an order not saved yet, so that its first save goes there).
    // Shows "Error while saving custom sort-order" when the file cannot be
    // moved; the order stays where it was.
    void RelocateCustomSortFile() const;
    // Writes the file names of records, in list order, as the folder's custom
    // order, by temporary file and rename; nothing on a write-protected
    // folder. Shows "Error while saving custom sort-order" when it cannot
    // write, and the old order is kept.
    void SaveCustomOrder(const std::vector<CThumbBitmap *> &records) const;

    // a minus b by property: negative, 0 or positive, before the direction is
    // applied.
    static int Compare(int property, const TThumbSortKey &a, const TThumbSortKey &b);

private:
    int applyCustomOrder(std::vector<CThumbBitmap *> &records) const;
    bool writeCustomOrder(const std::vector<CThumbBitmap *> &records) const;

    CPath m_folder;
};
