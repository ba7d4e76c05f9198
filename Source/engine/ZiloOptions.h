#pragma once

#include "OptionDialog.h"

#include <lib/Options.h>

#include <cstdint>
#include <memory>

// The program's seven option groups. Each constructor names the group's
// section, registers its value names in id order and sets its defaults; the
// creator sets RegistryKey to the settings root and loads the group. The ids
// are the enumerators of each group.

// An option group that the preferences dialog edits. Every operation runs
// under the set's lock; DefaultsToDialog, CompareWith and DialogKeepsOptions
// hold it across their whole sequence, so that no other thread ever sees the
// set in its defaults mode.
class TZiloOptions : public TOptionsReg
{
public:
    // Shows the defaults in dialog, leaving the values as they are.
    virtual void DefaultsToDialog(OptionDialog &dialog);
    // Takes the dialog's values as the shared defaults. Nothing here: only
    // the folder options have shared defaults.
    virtual void DialogToDefaults(const OptionDialog &dialog);
    // valuesEqual: every value equals other's; defaultsEqual: every default
    // equals other's. Takes both sets' locks as one step, so that two threads
    // comparing a pair each way round cannot deadlock; the caller holds neither.
    virtual void CompareWith(const TZiloOptions *other, bool &valuesEqual, bool &defaultsEqual);
    // Whether reading dialog back would leave every value as it is.
    virtual bool DialogKeepsOptions(const OptionDialog &dialog) const;

    // Each value into its control, each control back into its value. A
    // number field that holds no decimal integer leaves its value as it was.
    virtual void ToDialog(OptionDialog &dialog) const = 0;
    virtual void FromDialog(const OptionDialog &dialog) = 0;
    // A new set of the same class, key and values; its defaults are the
    // class's own.
    virtual std::unique_ptr<TZiloOptions> Clone() const = 0;

protected:
    // Gives clone this set's key and values and hands it back.
    std::unique_ptr<TZiloOptions> withSameValues(std::unique_ptr<TZiloOptions> clone) const;
};

// "Program"
class TProgramOptions : public TOptionsReg
{
public:
    enum Option { ShowBatch, ShowBasket, MoveBrowseFolder, UsedDiskColour, FreeDiskColour };

    // "Move Browse Folder" defaults to the data folder (DataFolder).
    TProgramOptions();
};

// "Movie"
class TMovieOptions : public TOptionsReg
{
public:
    enum Option { Thumbs, Temp, Compress, FramesPerSecond, Comment };

    // "Temp" defaults to the folder of the environment variable TEMP, else
    // TMP, else the host's temporary folder: never a relative path.
    TMovieOptions();
};

// "Viewer": the image viewer's effect steps and the folder of its last Save
// As. Not one of the seven groups: the first viewer window makes it and the
// last one deletes it.
class TViewerOptions : public TOptionsReg
{
public:
    enum Option { BlurLevel, SharpenLevel, RotationAngle, Brightness, Contrast, SaveFolder };

    // "Rotation Angle" is in degrees x 10000.
    TViewerOptions();
};

// "General"
class TGeneralOptions : public TZiloOptions
{
public:
    enum Option {
        WarnLevel,
        WarnLevelAsk,
        ConfirmMoves,
        AutoScroll,
        ShowTooltips,
        ConfirmDeletes,
        ShadedCaptions,
        AudioFeedback,
        AutoLayout,
        ScrollButtonsTogether,
        ShowThumbnailInfo,
    };
    // The bits of AutoLayout: when thumbnails are laid out again.
    enum AutoLayoutBit { RelayWhenResized = 1, RelayWhenDeleted = 2 };

    TGeneralOptions();

    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;
};

// "Panel": the thumbnail panel's background.
class TPanelOptions : public TZiloOptions
{
public:
    enum Option { Colour, ColourStrength, Texture, SelectionColour, TextColour, FlipH, FlipV, Greyscale };

    TPanelOptions();   // "Texture" defaults to Texture1.jpg in the program folder

    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;
};

// "Jpeg": how thumbnails are compressed.
class TJpegOptions : public TZiloOptions
{
public:
    enum Option { Encoding, Compression };

    TJpegOptions();

    // 100 - Compression, kept within 0..100 whatever the registry holds.
    int JpegQuality() const;

    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;
};

// "Disk": where browse files live.
class TDiskOptions : public TZiloOptions
{
public:
    enum Option { EnableFloppyA, EnableFloppyB, NoWriteDrives, SpecialBrowseFolder, SpecialBrowseFolderOption };
    // SpecialBrowseFolderOption: which folders keep their browse file in the
    // special folder.
    enum SpecialFolderUse { AlwaysSpecial = 0, SpecialIfWriteProtected = 1, SpecialIfNetworkOrWriteProtected = 2 };

    // "Special Browse Folder" defaults to the data folder (DataFolder).
    TDiskOptions();

    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;
};

// "Cache": when unused thumbnails are dropped from the cache.
class TCacheOptions : public TZiloOptions
{
public:
    enum Option { CleanupType, ObjectThreshold, MemoryThreshold, CacheBitmaps };
    enum Cleanup { NeverDelete = 0, DeleteUnused = 1, DeleteAboveObjectThreshold = 2, DeleteAboveMemoryThreshold = 3 };

    // "Memory Threshold" defaults from the machine's physical memory, or from
    // totalPhysicalBytes.
    TCacheOptions();
    explicit TCacheOptions(uint64_t totalPhysicalBytes);

    // The default "Memory Threshold" in megabytes: a quarter of the memory,
    // (bytes + 0xFFFFF) >> 22, computed in 64 bits; at most INT32_MAX.
    static int32_t DefaultMemoryThreshold(uint64_t totalPhysicalBytes);
    // "Memory Threshold" in bytes, 64 bits wide (the megabytes outgrow 32
    // bits from 2048 on); a negative threshold counts as 0.
    uint64_t MemoryThresholdBytes() const;

    void ToDialog(OptionDialog &dialog) const override;
    void FromDialog(const OptionDialog &dialog) override;
    std::unique_ptr<TZiloOptions> Clone() const override;

private:
    uint64_t m_totalPhysicalBytes;   // for clones
};
