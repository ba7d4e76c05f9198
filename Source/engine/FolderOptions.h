#pragma once

#include "ZiloOptions.h"

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/CriticalSection.h>

#include <memory>
#include <vector>

// A folder's thumbnail options. Made by itself it is the "Folder Defaults"
// set that every folder starts from; the creator sets RegistryKey.
class TFolderOptions : public TZiloOptions
{
public:
    enum Option {
        AutoSave,
        AutoUpdate,
        Dithering,
        DraftThumbnails,
        LabelThumbnails,
        LabelThumbnailsFormat,
        FileTypes,
        FileTypeList,
        ThumbnailSize,
        ThumbnailSpacing,
        ThumbnailSharpness,
        SortProperty,
        SortDirection,
        CustomSortFileWithImages,
        IgnorePrefix,
    };

    // The largest "Thumbnail Size" the thumbnail settings offer, in pixels.
    static constexpr int32_t MaxThumbnailSize = 400;

    TFolderOptions();

    // Copy other's values, or reset every value to this class's defaults,
    // then save. True when "Thumbnail Size", "Thumbnail Sharpness" or "Draft
    // Thumbnails" changed: the folder's thumbnails must be built again. The
    // caller holds neither set's lock.
    bool CopyFromAndSave(const TFolderOptions *other);
    bool ResetAndSave();

    // The folder page of the preferences dialog and the thumbnail settings
    // window. A sort choice of -1 leaves its value as it was.
    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;
};

// The settings section of a folder (a drive or network path): "Folders", a
// backslash and the folder's stored form. Empty when the folder has none.
CString FolderRegistryKey(const CPath &folder);

// One folder's options, stored in FolderRegistryKey(folder) and starting
// from the shared "Folder Defaults" set. The first instance makes and loads
// the shared set; the last one saves and frees it. Any thread. InitGlobals
// must have run: the sets live under SettingsRoot.
class TFolderSpecificOptions : public TFolderOptions
{
public:
    // Loads the values of "Folder Defaults", then takes the folder's section
    // as its own; Load then reads what the folder stores over them.
    explicit TFolderSpecificOptions(const CPath &folder);
    ~TFolderSpecificOptions() override;

    const CPath &Folder() const { return m_folder; }

    // Show and take the shared defaults; DialogToDefaults saves them.
    void DefaultsToDialog(OptionDialog &dialog) override;
    void DialogToDefaults(const OptionDialog &dialog) override;
    // valuesEqual: this set's values equal other's; defaultsEqual: the shared
    // defaults' values equal other's. Takes the three locks as one step; the
    // caller holds none of them.
    void CompareWith(const TZiloOptions *other, bool &valuesEqual, bool &defaultsEqual) override;
    // A new set for the same folder with the same values.
    std::unique_ptr<TZiloOptions> Clone() const override;

    // The number of live instances, which keep the shared defaults alive.
    static int InstanceCount();

private:
    CPath m_folder;
    TFolderOptions *m_defaults;   // the shared set; alive as long as this instance is
};

// The process-wide cache of folder options: one set per folder seen. The
// cache owns every set it hands out; callers never delete one. Any thread.
class TFolderSpecificOptionsCache
{
public:
    // Null for an empty path or a folder without a stored form; otherwise
    // FindOrLoad.
    static TFolderSpecificOptions *GetFolderOptions(const CPath &folder);
    // The cached set of folder (case-blind on its stored form), made and
    // loaded when missing. Null when the folder has no stored form that reads
    // back (a drive without a serial number), so that no two volumes share one.
    static TFolderSpecificOptions *FindOrLoad(const CPath &folder);
    // Saves and deletes every cached set; the cache is empty afterwards. At
    // exit, after every worker has ended: earlier pointers dangle.
    static void SaveAll();
};

// A value of folder's options; the "Folder Defaults" default for a folder
// that has none.
int32_t FolderOptionInt(const CPath &folder, TFolderOptions::Option id);
CString FolderOptionString(const CPath &folder, TFolderOptions::Option id);

// Whether the file at path (a drive or network path) is shown as a
// thumbnail, by the options of its folder: no prefix of "Ignore Prefix", and
// loadable by the picture classes or, with "File Types" on, an extension of
// "File Type List". A folder without options shows only loadable files.
// knownLoadable spares the file's opening where the caller knows the picture
// classes load it (its thumbnail was built from it as it is now).
bool IsFileIncluded(const CPath &path, bool knownLoadable = false);
// Whether the extension is ".bmp", in any case.
bool IsBitmapFile(const CPath &path);
