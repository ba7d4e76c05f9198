#include "FolderOptions.h"
#include "VolumePath.h"

#include <Source/Glob.h>
#include <lib/imaging/Picture.h>
#include <platform/StringList.h>

#include <QString>

#include <mutex>
#include <utility>

namespace {

// Guards the two members below: the instance count of TFolderSpecificOptions
// and the shared "Folder Defaults" set they keep alive. Lock order: taken
// after the cache lock and after a folder set's own lock; held while the
// shared set's own lock and the registry's are taken; never the reverse.
CCriticalSection s_defaultsLock;
int s_instanceCount = 0;
std::unique_ptr<TFolderOptions> s_sharedDefaults;

struct CachedOptions
{
    CString key;   // the folder's settings section, compared without case
    std::unique_ptr<TFolderSpecificOptions> options;
};

// Guards s_cachedOptions. Lock order: taken before s_defaultsLock and before
// any option set's lock, never while holding one.
CCriticalSection s_cacheLock;
std::vector<CachedOptions> s_cachedOptions;

TFolderOptions *acquireSharedDefaults()
{
    CSingleLock lock(s_defaultsLock);
    if (s_instanceCount++ == 0) {
        s_sharedDefaults = std::make_unique<TFolderOptions>();
        s_sharedDefaults->SetRegistryKey(SettingsRoot);
        s_sharedDefaults->Load();
    }
    return s_sharedDefaults.get();
}

void releaseSharedDefaults()
{
    CSingleLock lock(s_defaultsLock);
    if (--s_instanceCount > 0)
        return;
    s_sharedDefaults->Save();
    s_sharedDefaults.reset();
}

// Puts a set into values mode for one scope and back as it was. The caller
// holds the set's lock throughout.
class ValuesModeScope
{
public:
    explicit ValuesModeScope(TOptions &options) : m_options(options), m_wasDefaults(options.AddressDefaults())
    {
        options.SetAddressDefaults(false);
    }
    ~ValuesModeScope() { m_options.SetAddressDefaults(m_wasDefaults); }
    ValuesModeScope(const ValuesModeScope &) = delete;
    ValuesModeScope &operator=(const ValuesModeScope &) = delete;

private:
    TOptions &m_options;
    bool m_wasDefaults;
};

// The options that decide whether a folder's thumbnails are built again.
struct ThumbnailLook
{
    int32_t size;
    int32_t sharpness;
    int32_t draft;
    bool operator==(const ThumbnailLook &) const = default;
};

ThumbnailLook thumbnailLookOf(const TOptions &options)
{
    return {options.GetInt(TFolderOptions::ThumbnailSize), options.GetInt(TFolderOptions::ThumbnailSharpness),
            options.GetInt(TFolderOptions::DraftThumbnails)};
}

struct CheckBinding
{
    TFolderOptions::Option id;
    OptionControl control;
};

const CheckBinding FolderCheckBoxes[] = {
    {TFolderOptions::Dithering, OptionControl::DitheringCheckBox},
    {TFolderOptions::AutoUpdate, OptionControl::AutoUpdateCheckBox},
    {TFolderOptions::AutoSave, OptionControl::AutoSaveCheckBox},
    {TFolderOptions::FileTypes, OptionControl::FileTypesCheckBox},
    {TFolderOptions::CustomSortFileWithImages, OptionControl::CustomSortWithImagesCheckBox},
    {TFolderOptions::DraftThumbnails, OptionControl::DraftCheckBox},
    {TFolderOptions::LabelThumbnails, OptionControl::LabelCheckBox},
};

const CheckBinding FolderTexts[] = {
    {TFolderOptions::FileTypeList, OptionControl::TypeEdit},
    {TFolderOptions::IgnorePrefix, OptionControl::IgnoreEdit},
    {TFolderOptions::LabelThumbnailsFormat, OptionControl::LabelCombo},
};

struct ChoiceBinding
{
    TFolderOptions::Option id;
    OptionControl control;
    int choiceCount;   // the choice's index is the value
};

const ChoiceBinding FolderChoices[] = {
    {TFolderOptions::SortProperty, OptionControl::SortPropertyChoice, 14},
    {TFolderOptions::SortDirection, OptionControl::SortDirectionChoice, 2},
};

// The component library's trim: every character up to the space goes.
bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

CString trimmedLeft(const CString &text)
{
    int first = 0;
    while (first < text.GetLength() && isBlank(text.GetAt(first)))
        ++first;
    return text.Mid(first);
}

CString trimmed(const CString &text)
{
    CString rest = trimmedLeft(text);
    int length = rest.GetLength();
    while (length > 0 && isBlank(rest.GetAt(length - 1)))
        --length;
    return rest.Left(length);
}

CString withEndingSemicolon(const CString &list)
{
    if (!list.IsEmpty() && list.GetAt(list.GetLength() - 1) == ';')
        return list;
    return list + ';';
}

bool hasIgnoredPrefix(const CString &name, const CString &prefixes)
{
    CString rest = withEndingSemicolon(trimmed(prefixes));
    for (int end = rest.Find(';'); end >= 0; end = rest.Find(';')) {
        const CString prefix = rest.Left(end);
        if (!prefix.IsEmpty() && name.Left(prefix.GetLength()).CompareNoCase(prefix) == 0)
            return true;
        rest = trimmedLeft(rest.Mid(end + 1));
    }
    return false;
}

// A plain, case-sensitive search, so that a file without an extension (key
// ";") matches every list that is not empty.
bool isListedType(const CString &extension, const CString &typeList)
{
    const CString key = (extension.IsEmpty() ? CString() : extension.Mid(1)) + ';';
    return withEndingSemicolon(typeList).Find(key) >= 0;
}

// What the filter reads from a folder's options, taken in one lock so that
// a concurrent save from the dialog never mixes two states.
struct FilterOptions
{
    CString ignorePrefix;
    bool fileTypes = false;
    CString typeList;
};

FilterOptions filterOptionsOf(const TFolderOptions *options)
{
    if (!options)
        return {};
    CSingleLock lock(options->Lock());
    return {CString(options->GetString(TFolderOptions::IgnorePrefix)),
            options->GetInt(TFolderOptions::FileTypes) != 0, CString(options->GetString(TFolderOptions::FileTypeList))};
}

// A drive without a serial number stores 00000000, which every such drive
// would share and none reads back (reading it back reports an internal
// error): such a folder gets no options.
bool isReadableStoredForm(const CString &storedForm)
{
    return !storedForm.IsEmpty() && storedForm.Left(8) != "00000000";
}

} // namespace

TFolderOptions::TFolderOptions()
{
    SetSection("Folder Defaults");
    TStringList names;
    for (const char *name : {"AutoSave", "AutoUpdate", "Dithering", "Draft Thumbnails", "Label Thumbnails",
                             "Label Thumbnails Format", "File Types", "File Type List", "Thumbnail Size",
                             "Thumbnail Spacing", "Thumbnail Sharpness", "Sort Property", "Sort Direction",
                             "Custom Sort File With Images", "Ignore Prefix"})
        names.Add(name);
    SetEntries(&names);
    SetInt(AutoSave, 0);
    SetInt(AutoUpdate, 1);
    SetInt(Dithering, 1);
    SetInt(DraftThumbnails, 0);
    SetInt(LabelThumbnails, 1);
    SetString(LabelThumbnailsFormat, "%g");
    SetInt(FileTypes, 0);
    SetString(FileTypeList, "txt;");
    SetInt(ThumbnailSize, 80);
    SetInt(ThumbnailSpacing, 10);
    SetInt(ThumbnailSharpness, 8);
    SetInt(SortProperty, 4);
    SetInt(SortDirection, 0);
    SetInt(CustomSortFileWithImages, 0);
    SetString(IgnorePrefix, "tn_;");
}

bool TFolderOptions::CopyFromAndSave(const TFolderOptions *other)
{
    std::scoped_lock locks(Lock(), other->Lock());
    const ThumbnailLook before = thumbnailLookOf(*this);
    CopyFrom(other);
    Save();
    return thumbnailLookOf(*this) != before;
}

bool TFolderOptions::ResetAndSave()
{
    CSingleLock lock(Lock());
    const ThumbnailLook before = thumbnailLookOf(*this);
    UseDefault(-1);
    Save();
    return thumbnailLookOf(*this) != before;
}

void TFolderOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    dialog.SetThumbnailSize(GetInt(ThumbnailSize));
    dialog.SetThumbnailSpacing(GetInt(ThumbnailSpacing));
    dialog.SetThumbnailSharpness(GetInt(ThumbnailSharpness));
    for (const CheckBinding &text : FolderTexts)
        dialog.SetText(text.control, GetString(text.id));
    for (const ChoiceBinding &choice : FolderChoices) {
        // A value without a choice, from an edited registry, chooses nothing.
        const int32_t value = GetInt(choice.id);
        dialog.SetItemIndex(choice.control, value >= 0 && value < choice.choiceCount ? int(value) : -1);
    }
    // Last: their click handlers enable controls by the values set above.
    for (const CheckBinding &check : FolderCheckBoxes)
        dialog.SetChecked(check.control, GetInt(check.id) != 0);
}

void TFolderOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    SetInt(ThumbnailSize, dialog.GetThumbnailSize());
    SetInt(ThumbnailSpacing, dialog.GetThumbnailSpacing());
    SetInt(ThumbnailSharpness, dialog.GetThumbnailSharpness());
    for (const CheckBinding &text : FolderTexts)
        SetString(text.id, dialog.GetText(text.control).trimmed());
    for (const ChoiceBinding &choice : FolderChoices) {
        const int index = dialog.GetItemIndex(choice.control);
        if (index >= 0 && index < choice.choiceCount)
            SetInt(choice.id, index);
    }
    for (const CheckBinding &check : FolderCheckBoxes)
        SetInt(check.id, dialog.IsChecked(check.control) ? 1 : 0);
}

std::unique_ptr<TZiloOptions> TFolderOptions::Clone() const
{
    return withSameValues(std::make_unique<TFolderOptions>());
}

CString FolderRegistryKey(const CPath &folder)
{
    return FolderSettingsSection(folder, FoldersSection);
}

TFolderSpecificOptions::TFolderSpecificOptions(const CPath &folder)
    : m_folder(folder), m_defaults(acquireSharedDefaults())
{
    SetRegistryKey(SettingsRoot);
    Load();
    SetSection(FolderRegistryKey(folder).ToAnsiString());
}

TFolderSpecificOptions::~TFolderSpecificOptions()
{
    releaseSharedDefaults();
}

void TFolderSpecificOptions::DefaultsToDialog(OptionDialog &dialog)
{
    m_defaults->ToDialog(dialog);
}

void TFolderSpecificOptions::DialogToDefaults(const OptionDialog &dialog)
{
    CSingleLock lock(m_defaults->Lock());
    m_defaults->FromDialog(dialog);
    m_defaults->Save();
}

void TFolderSpecificOptions::CompareWith(const TZiloOptions *other, bool &valuesEqual, bool &defaultsEqual)
{
    std::scoped_lock locks(Lock(), other->Lock(), m_defaults->Lock());
    {
        ValuesModeScope values(*this);
        valuesEqual = AllOptionsEqual(other);
    }
    ValuesModeScope values(*m_defaults);
    defaultsEqual = m_defaults->AllOptionsEqual(other);
}

std::unique_ptr<TZiloOptions> TFolderSpecificOptions::Clone() const
{
    return withSameValues(std::make_unique<TFolderSpecificOptions>(m_folder));
}

int TFolderSpecificOptions::InstanceCount()
{
    CSingleLock lock(s_defaultsLock);
    return s_instanceCount;
}

TFolderSpecificOptions *TFolderSpecificOptionsCache::GetFolderOptions(const CPath &folder)
{
    if (folder.IsEmpty())
        return nullptr;
    return FindOrLoad(folder);
}

TFolderSpecificOptions *TFolderSpecificOptionsCache::FindOrLoad(const CPath &folder)
{
    // Folders without a stored form would all share one key.
    if (!isReadableStoredForm(VolumePathFromDrivePathNoSlash(folder)))
        return nullptr;
    const CString key = FolderRegistryKey(folder);
    CSingleLock lock(s_cacheLock);
    for (auto cached = s_cachedOptions.rbegin(); cached != s_cachedOptions.rend(); ++cached) {
        if (cached->key.CompareNoCase(key) == 0)
            return cached->options.get();
    }
    auto options = std::make_unique<TFolderSpecificOptions>(folder);
    options->Load();
    s_cachedOptions.push_back({key, std::move(options)});
    return s_cachedOptions.back().options.get();
}

void TFolderSpecificOptionsCache::SaveAll()
{
    std::vector<CachedOptions> cached;
    {
        CSingleLock lock(s_cacheLock);
        cached.swap(s_cachedOptions);
    }
    for (CachedOptions &entry : cached)
        entry.options->Save();
}

// The built-in defaults, for folders without options.
static const TFolderOptions &builtInDefaults()
{
    static const TFolderOptions defaults;
    return defaults;
}

int32_t FolderOptionInt(const CPath &folder, TFolderOptions::Option id)
{
    if (const TFolderOptions *options = TFolderSpecificOptionsCache::GetFolderOptions(folder))
        return options->GetInt(id);
    return builtInDefaults().GetInt(id);
}

CString FolderOptionString(const CPath &folder, TFolderOptions::Option id)
{
    if (const TFolderOptions *options = TFolderSpecificOptionsCache::GetFolderOptions(folder))
        return CString(options->GetString(id));
    return CString(builtInDefaults().GetString(id));
}

bool IsFileIncluded(const CPath &path, bool knownLoadable)
{
    const FilterOptions filter =
        filterOptionsOf(TFolderSpecificOptionsCache::GetFolderOptions(CPath(path.GetDirPart())));
    if (hasIgnoredPrefix(path.GetFilePart(), filter.ignorePrefix))
        return false;
    if (knownLoadable || CPicture::CanLoad(path))
        return true;
    if (!filter.fileTypes)
        return false;
    return isListedType(path.GetExtPart(), filter.typeList);
}

bool IsBitmapFile(const CPath &path)
{
    return path.GetExtPart().CompareNoCase(".bmp") == 0;
}
