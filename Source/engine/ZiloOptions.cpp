#include "ZiloOptions.h"

#include <Source/Glob.h>

#include <lib/Path.h>
#include <platform/CriticalSection.h>
#include <platform/StringList.h>
#include <platform/EnvironmentFolder.h>
#include <platform/MemoryStatus.h>

#include <QString>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <span>
#include <variant>

namespace {

// How a value is shown: a check box for a flag, an edit field for a number or
// a text, a choice for one of count values from first on.
enum class ControlKind { Check, Number, Text, Choice };

struct ControlBinding
{
    int id;
    OptionControl control;
    ControlKind kind;
    int32_t firstChoice = 0;
    int choiceCount = 0;
};

void bindingsToDialog(const TOptions &options, std::span<const ControlBinding> bindings, OptionDialog &dialog)
{
    for (const ControlBinding &binding : bindings) {
        switch (binding.kind) {
        case ControlKind::Check:
            dialog.SetChecked(binding.control, options.GetInt(binding.id) != 0);
            break;
        case ControlKind::Number:
            dialog.SetText(binding.control, QString::number(options.GetInt(binding.id)));
            break;
        case ControlKind::Text:
            dialog.SetText(binding.control, options.GetString(binding.id));
            break;
        case ControlKind::Choice: {
            // A value without a choice, from an edited registry, chooses nothing.
            const int64_t index = int64_t(options.GetInt(binding.id)) - binding.firstChoice;
            dialog.SetItemIndex(binding.control, index >= 0 && index < binding.choiceCount ? int(index) : -1);
            break;
        }
        }
    }
}

// Decimal only: the component library's hexadecimal forms are no number here.
bool readDecimal(const QString &text, int32_t &value)
{
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber, 10);
    if (isNumber)
        value = number;
    return isNumber;
}

void bindingsFromDialog(TOptions &options, std::span<const ControlBinding> bindings, const OptionDialog &dialog)
{
    for (const ControlBinding &binding : bindings) {
        switch (binding.kind) {
        case ControlKind::Check:
            options.SetInt(binding.id, dialog.IsChecked(binding.control) ? 1 : 0);
            break;
        case ControlKind::Number: {
            int32_t number = 0;
            if (readDecimal(dialog.GetText(binding.control), number))
                options.SetInt(binding.id, number);
            break;
        }
        case ControlKind::Text:
            options.SetString(binding.id, dialog.GetText(binding.control).trimmed());
            break;
        case ControlKind::Choice: {
            // Every choice but the last gives its own value; the last stands
            // for anything else, so that nothing chosen never stores a value
            // without a choice (such as Cleanup Type 0).
            const int index = dialog.GetItemIndex(binding.control);
            const int lastIndex = binding.choiceCount - 1;
            options.SetInt(binding.id, binding.firstChoice + (index >= 0 && index < lastIndex ? index : lastIndex));
            break;
        }
        }
    }
}

// Puts a set into or out of its defaults mode for one scope, and back as it
// was when the scope ends, also when a dialog call throws. The caller holds
// the set's lock throughout.
class AddressDefaultsScope
{
public:
    AddressDefaultsScope(TOptions &options, bool on) : m_options(options), m_wasOn(options.AddressDefaults())
    {
        options.SetAddressDefaults(on);
    }
    ~AddressDefaultsScope() { m_options.SetAddressDefaults(m_wasOn); }
    AddressDefaultsScope(const AddressDefaultsScope &) = delete;
    AddressDefaultsScope &operator=(const AddressDefaultsScope &) = delete;

private:
    TOptions &m_options;
    bool m_wasOn;
};

uint64_t totalPhysicalMemory()
{
    MEMORYSTATUSEX status;
    if (!GlobalMemoryStatusEx(&status))
        return 0;   // a threshold of 0: unused thumbnails go at every purge
    return status.ullTotalPhys;
}

QString defaultTempFolder()
{
    std::string folder = GetEnvironmentFolder("TEMP");
    if (folder.empty())
        folder = GetEnvironmentFolder("TMP");
    if (folder.empty())
        folder = GetHostTempFolder();
    return QString::fromStdString(folder);
}

} // namespace

void TZiloOptions::DefaultsToDialog(OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    AddressDefaultsScope defaults(*this, true);
    ToDialog(dialog);
}

void TZiloOptions::DialogToDefaults(const OptionDialog &)
{
}

void TZiloOptions::CompareWith(const TZiloOptions *other, bool &valuesEqual, bool &defaultsEqual)
{
    std::scoped_lock locks(Lock(), other->Lock());
    {
        AddressDefaultsScope values(*this, false);
        valuesEqual = AllOptionsEqual(other);
    }
    AddressDefaultsScope defaults(*this, true);
    defaultsEqual = AllOptionsEqual(other);
}

bool TZiloOptions::DialogKeepsOptions(const OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    const std::unique_ptr<TZiloOptions> clone = Clone();
    clone->FromDialog(dialog);
    // Asked of the clone, which is in values mode whatever mode this set is in.
    return clone->AllOptionsEqual(this);
}

std::unique_ptr<TZiloOptions> TZiloOptions::withSameValues(std::unique_ptr<TZiloOptions> clone) const
{
    CSingleLock lock(Lock());
    clone->SetRegistryKey(RegistryKey());
    clone->SetSection(Section());
    clone->CopyFrom(this);
    return clone;
}

TProgramOptions::TProgramOptions()
{
    DefineOptions(*this, "Program",
                  {
                      {"Show Batch", 0},
                      {"Show Basket", 0},
                      {"Move Browse Folder", DataFolder().ToAnsiString()},
                      {"Used Disk Colour", 0xFF0000},
                      {"Free Disk Colour", 0xFF00FF},
                  });
}

TMovieOptions::TMovieOptions()
{
    DefineOptions(*this, "Movie",
                  {
                      {"Thumbs", 1},
                      {"Temp", defaultTempFolder()},
                      {"Compress", 1},
                      {"Frames Per Second", 30},
                      {"Comment", QString()},
                  });
}

TViewerOptions::TViewerOptions()
{
    DefineOptions(*this, "Viewer",
                  {
                      {"Blur Level", 5},
                      {"Sharpen Level", 5},
                      {"Rotation Angle", 450000},
                      {"Brightness", 5},
                      {"Contrast", 5},
                      {"Save Folder", QString()},
                  });
}

TGeneralOptions::TGeneralOptions()
{
    DefineOptions(*this, "General",
                  {
                      {"WarnLevel", 5},
                      {"WarnLevelAsk", 1},
                      {"Confirm Moves", 1},
                      {"AutoScroll", 0},
                      {"ShowTooltips", 0},
                      {"Confirm Deletes", 1},
                      {"Shaded Captions", 1},
                      {"Audio Feedback", 1},
                      {"AutoLayout", RelayWhenResized | RelayWhenDeleted},
                      {"Scroll Buttons Together", 0},
                      {"Show Thumbnail Info", 1},
                  });
}

static const ControlBinding GeneralBindings[] = {
    {TGeneralOptions::WarnLevel, OptionControl::AskEdit, ControlKind::Number},
    {TGeneralOptions::WarnLevelAsk, OptionControl::AskCheckBox, ControlKind::Check},
    {TGeneralOptions::ConfirmMoves, OptionControl::ConfirmMovesCheckBox, ControlKind::Check},
    {TGeneralOptions::AutoScroll, OptionControl::AutoScrollCheckBox, ControlKind::Check},
    {TGeneralOptions::ShowTooltips, OptionControl::TooltipsCheckBox, ControlKind::Check},
    {TGeneralOptions::ConfirmDeletes, OptionControl::ConfirmDeletesCheckBox, ControlKind::Check},
    {TGeneralOptions::ShadedCaptions, OptionControl::ShadedCaptionsCheckBox, ControlKind::Check},
    {TGeneralOptions::AudioFeedback, OptionControl::AudioFeedbackCheckBox, ControlKind::Check},
    {TGeneralOptions::ScrollButtonsTogether, OptionControl::ScrollButtonsChoice, ControlKind::Choice, 0, 2},
    {TGeneralOptions::ShowThumbnailInfo, OptionControl::ThumbnailInfoCheckBox, ControlKind::Check},
};

void TGeneralOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    bindingsToDialog(*this, GeneralBindings, dialog);
    const int32_t autoLayout = GetInt(AutoLayout);
    dialog.SetChecked(OptionControl::RelayResizedCheckBox, autoLayout & RelayWhenResized);
    dialog.SetChecked(OptionControl::RelayDeletedCheckBox, autoLayout & RelayWhenDeleted);
}

void TGeneralOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    bindingsFromDialog(*this, GeneralBindings, dialog);
    int32_t autoLayout = 0;
    if (dialog.IsChecked(OptionControl::RelayResizedCheckBox))
        autoLayout |= RelayWhenResized;
    if (dialog.IsChecked(OptionControl::RelayDeletedCheckBox))
        autoLayout |= RelayWhenDeleted;
    SetInt(AutoLayout, autoLayout);
}

std::unique_ptr<TZiloOptions> TGeneralOptions::Clone() const
{
    return withSameValues(std::make_unique<TGeneralOptions>());
}

TPanelOptions::TPanelOptions()
{
    DefineOptions(*this, "Panel",
                  {
                      {"Colour", 0xD2D2D2},
                      {"Colour Strength", 0},
                      {"Texture", CPath::ExeFolder().AppendFileName("Texture1.jpg").ToAnsiString()},
                      {"Selection Colour", 0xFF8000},
                      {"Text Colour", 0},
                      {"FlipH", 0},
                      {"FlipV", 0},
                      {"Greyscale", 0},
                  });
}

static const ControlBinding PanelBindings[] = {
    {TPanelOptions::Texture, OptionControl::PanelTextureCombo, ControlKind::Text},
    {TPanelOptions::FlipH, OptionControl::CheckBoxH, ControlKind::Check},
    {TPanelOptions::FlipV, OptionControl::CheckBoxV, ControlKind::Check},
    {TPanelOptions::Greyscale, OptionControl::CheckBoxG, ControlKind::Check},
};

void TPanelOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    dialog.SetTextureColour(GetInt(Colour));
    dialog.SetColourStrength(GetInt(ColourStrength));
    dialog.SetSelectionColour(GetInt(SelectionColour));
    dialog.SetTextColour(GetInt(TextColour));
    bindingsToDialog(*this, PanelBindings, dialog);
}

void TPanelOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    SetInt(Colour, dialog.GetTextureColour());
    SetInt(ColourStrength, dialog.GetColourStrength());
    SetInt(SelectionColour, dialog.GetSelectionColour());
    SetInt(TextColour, dialog.GetTextColour());
    bindingsFromDialog(*this, PanelBindings, dialog);
}

std::unique_ptr<TZiloOptions> TPanelOptions::Clone() const
{
    return withSameValues(std::make_unique<TPanelOptions>());
}

TJpegOptions::TJpegOptions()
{
    DefineOptions(*this, "Jpeg",
                  {
                      {"Encoding", 0},
                      {"Compression", 10},
                  });
}

int TJpegOptions::JpegQuality() const
{
    // In 64 bits: 100 minus the smallest int32 would overflow.
    return int(std::clamp<int64_t>(100 - int64_t(GetInt(Compression)), 0, 100));
}

static const ControlBinding JpegBindings[] = {
    {TJpegOptions::Encoding, OptionControl::EncodingChoice, ControlKind::Choice, 0, 2},
    {TJpegOptions::Compression, OptionControl::JpegEdit, ControlKind::Number},
};

void TJpegOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    bindingsToDialog(*this, JpegBindings, dialog);
}

void TJpegOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    bindingsFromDialog(*this, JpegBindings, dialog);
}

std::unique_ptr<TZiloOptions> TJpegOptions::Clone() const
{
    return withSameValues(std::make_unique<TJpegOptions>());
}

TDiskOptions::TDiskOptions()
{
    DefineOptions(*this, "Disk",
                  {
                      {"Enable Floppy A", 0},
                      {"Enable Floppy B", 0},
                      {"No Write Drives", QString()},
                      {"Special Browse Folder", DataFolder().ToAnsiString()},
                      {"Special Browse Folder Option", SpecialIfNetworkOrWriteProtected},
                  });
}

static const ControlBinding DiskBindings[] = {
    {TDiskOptions::EnableFloppyA, OptionControl::FloppyACheckBox, ControlKind::Check},
    {TDiskOptions::EnableFloppyB, OptionControl::FloppyBCheckBox, ControlKind::Check},
    {TDiskOptions::NoWriteDrives, OptionControl::WriteProtectEdit, ControlKind::Text},
    {TDiskOptions::SpecialBrowseFolder, OptionControl::SpecialBrowseFolderEdit, ControlKind::Text},
    {TDiskOptions::SpecialBrowseFolderOption, OptionControl::SpecialBrowseFolderChoice, ControlKind::Choice, 0, 3},
};

void TDiskOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    bindingsToDialog(*this, DiskBindings, dialog);
}

void TDiskOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    bindingsFromDialog(*this, DiskBindings, dialog);
}

std::unique_ptr<TZiloOptions> TDiskOptions::Clone() const
{
    return withSameValues(std::make_unique<TDiskOptions>());
}

TCacheOptions::TCacheOptions() : TCacheOptions(totalPhysicalMemory())
{
}

TCacheOptions::TCacheOptions(uint64_t totalPhysicalBytes) : m_totalPhysicalBytes(totalPhysicalBytes)
{
    DefineOptions(*this, "Cache",
                  {
                      {"Cleanup Type", DeleteAboveMemoryThreshold},
                      {"Object Threshold", 500},
                      {"Memory Threshold", DefaultMemoryThreshold(totalPhysicalBytes)},
                      {"Cache Bitmaps", 0},
                  });
}

int32_t TCacheOptions::DefaultMemoryThreshold(uint64_t totalPhysicalBytes)
{
    // (bytes + 0xFFFFF) >> 22, split so that the sum cannot wrap either.
    const uint64_t megabytes = (totalPhysicalBytes >> 22) + (((totalPhysicalBytes & 0x3FFFFF) + 0xFFFFF) >> 22);
    return int32_t(std::min<uint64_t>(megabytes, std::numeric_limits<int32_t>::max()));
}

uint64_t TCacheOptions::MemoryThresholdBytes() const
{
    return uint64_t(std::max<int32_t>(GetInt(MemoryThreshold), 0)) * 1048576;
}

static const ControlBinding CacheBindings[] = {
    {TCacheOptions::CleanupType, OptionControl::CleanupChoice, ControlKind::Choice, TCacheOptions::DeleteUnused, 3},
    {TCacheOptions::ObjectThreshold, OptionControl::CacheEdit2, ControlKind::Number},
    {TCacheOptions::MemoryThreshold, OptionControl::CacheEdit3, ControlKind::Number},
    {TCacheOptions::CacheBitmaps, OptionControl::CacheBitmapsCheckBox, ControlKind::Check},
};

void TCacheOptions::ToDialog(OptionDialog &dialog) const
{
    CSingleLock lock(Lock());
    bindingsToDialog(*this, CacheBindings, dialog);
}

void TCacheOptions::FromDialog(const OptionDialog &dialog)
{
    CSingleLock lock(Lock());
    bindingsFromDialog(*this, CacheBindings, dialog);
}

std::unique_ptr<TZiloOptions> TCacheOptions::Clone() const
{
    return withSameValues(std::make_unique<TCacheOptions>(m_totalPhysicalBytes));
}
