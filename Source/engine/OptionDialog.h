#pragma once

#include <QString>

#include <cstdint>

// The controls of the preferences dialog (and of the thumbnail settings
// window it owns) that the option sets fill and read. Check boxes, edit
// fields and choices (a radio group or set of radio buttons, or a combo box's
// list) each answer through their own kind of call below.
enum class OptionControl
{
    // General page
    AskCheckBox,              // "Ask before &opening more than"
    AskEdit,                  // its number of images
    ConfirmMovesCheckBox,     // "Ask before &moving image files when thumbnails are dragged"
    AutoScrollCheckBox,       // "Automatically &scroll to show new thumbnails"
    TooltipsCheckBox,         // "Show &tooltips on thumbnails"
    ConfirmDeletesCheckBox,   // "Confirm image file and folder &deletion"
    ShadedCaptionsCheckBox,   // "Draw s&haded captions"
    AudioFeedbackCheckBox,    // "Give a&udio feedback"
    ThumbnailInfoCheckBox,    // "Show thumbnail &info when selection colour clicked"
    RelayResizedCheckBox,     // "When the window is resi&zed"
    RelayDeletedCheckBox,     // "When a thum&bnail is deleted"
    ScrollButtonsChoice,      // " Browser scroll bars ": 0 "&Normal", 1 "Place arro&ws together"

    // Folder page
    DitheringCheckBox,        // "Use dithering on &256 colour displays"
    AutoUpdateCheckBox,       // "Automatically &update thumbnails"
    AutoSaveCheckBox,         // "Automatically &save browse file"
    FileTypesCheckBox,        // "Display the following additional &file types:"
    TypeEdit,
    IgnoreEdit,               // "&Ignore files whose names begin with the following strings:"
    SortPropertyChoice,       // the sort property combo, 0 "Image Width" .. 13 "Custom Order"
    SortDirectionChoice,      // 0 "Ascending", 1 "Descending"
    CustomSortWithImagesCheckBox,   // "&Keep the custom sort-order file in the same folder as the images"

    // Panel page
    PanelTextureCombo,        // the texture file
    CheckBoxH,                // "&H-Flip"
    CheckBoxV,                // "&V-Flip"
    CheckBoxG,                // "&Greyscale"

    // JPEG page
    JpegEdit,                 // compression in percent
    EncodingChoice,           // 0 "&Standard", 1 "&Progressive"

    // Disk page
    SpecialBrowseFolderEdit,
    SpecialBrowseFolderChoice,   // 0 "Al&ways", 1 "Only if the folder is on a write-protected &volume",
                                 // 2 "If the folder is on the &network or a write-protected volume"
    WriteProtectEdit,         // the drive letters never written to
    FloppyACheckBox,          // "Enable floppy A:"
    FloppyBCheckBox,          // "Enable floppy B:"

    // Cache page
    CleanupChoice,            // 0 "As &soon as they become unused", 1 "... more than this many in &memory:",
                              // 2 "... use more than this m&uch memory:"
    CacheEdit2,               // the number of unused thumbnails
    CacheEdit3,               // megabytes
    CacheBitmapsCheckBox,     // "Cache uncompressed &bitmaps for extra speed (uses a lot of memory)"

    // Thumbnail settings window
    DraftCheckBox,            // "Create &draft quality thumbnails"
    LabelCheckBox,            // labels under the thumbnails on or off
    LabelCombo,               // "&Label thumbnails using this format:"
};

// The preferences dialog as the option sets see it. The dialog implements it;
// an option set's ToDialog and FromDialog are its only callers, on the window
// thread, while the option set holds its own lock: an implementation must not
// wait for another thread that might want that set.
class OptionDialog
{
public:
    virtual ~OptionDialog() = default;

    // Setting a check box or a choice runs its change handlers as a user's
    // click would (the thumbnail settings' DraftCheckBoxClick and
    // LabelCheckBoxClick among them). A choice answers -1 when nothing is
    // chosen; setting an index outside its list chooses nothing.
    virtual bool IsChecked(OptionControl control) const = 0;
    virtual void SetChecked(OptionControl control, bool checked) = 0;
    virtual int GetItemIndex(OptionControl control) const = 0;
    virtual void SetItemIndex(OptionControl control, int index) = 0;
    // The text as the control holds it, untrimmed.
    virtual QString GetText(OptionControl control) const = 0;
    virtual void SetText(OptionControl control, const QString &text) = 0;

    // The panel page's working values, which no single control holds.
    // Colours are 0x00BBGGRR; each setter redraws what shows the value.
    virtual int32_t GetTextureColour() const = 0;
    virtual void SetTextureColour(int32_t colour) = 0;
    virtual int32_t GetColourStrength() const = 0;
    virtual void SetColourStrength(int32_t strength) = 0;
    virtual int32_t GetSelectionColour() const = 0;
    virtual void SetSelectionColour(int32_t colour) = 0;
    virtual int32_t GetTextColour() const = 0;
    virtual void SetTextColour(int32_t colour) = 0;

    // The thumbnail settings window's current values. A setter clamps the
    // value to its control's range and restarts the preview when it changed.
    virtual int GetThumbnailSize() const = 0;
    virtual void SetThumbnailSize(int size) = 0;
    virtual int GetThumbnailSpacing() const = 0;
    virtual void SetThumbnailSpacing(int spacing) = 0;
    virtual int GetThumbnailSharpness() const = 0;
    virtual void SetThumbnailSharpness(int sharpness) = 0;
};
