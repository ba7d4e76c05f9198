#include <Source/engine/OptionDialog.h>
#include <Source/engine/ZiloOptions.h>
#include <platform/Registry.h>

#include "../DriveMapLines.h"
#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

namespace {

using OptionValue = std::variant<int32_t, QString>;

std::string describe(const OptionValue &value)
{
    if (const int32_t *number = std::get_if<int32_t>(&value))
        return "int " + std::to_string(*number);
    return "string \"" + std::get<QString>(value).toStdString() + "\"";
}

// The value of id, read as the kind that like has.
OptionValue valueOf(const TOptions &options, int id, const OptionValue &like)
{
    if (std::holds_alternative<int32_t>(like))
        return options.GetInt(id);
    return options.GetString(id);
}

void setValue(TOptions &options, int id, const OptionValue &value)
{
    if (const int32_t *number = std::get_if<int32_t>(&value))
        options.SetInt(id, *number);
    else
        options.SetString(id, std::get<QString>(value));
}

struct OptionRow
{
    int id;
    const char *name;
    OptionValue defaultValue;
    OptionValue otherValue;   // another value the preferences dialog can show
};

struct GroupCase
{
    const char *section;
    std::function<std::unique_ptr<TOptionsReg>()> make;
    std::vector<OptionRow> rows;
};

constexpr uint64_t MiB = uint64_t(1) << 20;
constexpr uint64_t GiB = uint64_t(1) << 30;

// Every group with every value name and default. Built inside a test, whose
// program folder and TEMP (set by the fixture) the defaults come from.
std::vector<GroupCase> groupCases()
{
    const QString dataFolder = TestWindowsPath("Program\\Data");
    return {
        {"Program",
         [] { return std::make_unique<TProgramOptions>(); },
         {
             {TProgramOptions::ShowBatch, "Show Batch", 0, 1},
             {TProgramOptions::ShowBasket, "Show Basket", 0, 1},
             {TProgramOptions::MoveBrowseFolder, "Move Browse Folder", dataFolder, QString("C:\\Browse Files")},
             {TProgramOptions::UsedDiskColour, "Used Disk Colour", 0xFF0000, 0x00FF00},
             {TProgramOptions::FreeDiskColour, "Free Disk Colour", 0xFF00FF, 0x0000FF},
         }},
        {"Movie",
         [] { return std::make_unique<TMovieOptions>(); },
         {
             {TMovieOptions::Thumbs, "Thumbs", 1, 0},
             {TMovieOptions::Temp, "Temp", TestWindowsPath("temp"), QString("C:\\Movie Temp")},
             {TMovieOptions::Compress, "Compress", 1, 0},
             {TMovieOptions::FramesPerSecond, "Frames Per Second", 30, 12},
             {TMovieOptions::Comment, "Comment", QString(), QString("Holiday")},
         }},
        {"General",
         [] { return std::make_unique<TGeneralOptions>(); },
         {
             {TGeneralOptions::WarnLevel, "WarnLevel", 5, 20},
             {TGeneralOptions::WarnLevelAsk, "WarnLevelAsk", 1, 0},
             {TGeneralOptions::ConfirmMoves, "Confirm Moves", 1, 0},
             {TGeneralOptions::AutoScroll, "AutoScroll", 0, 1},
             {TGeneralOptions::ShowTooltips, "ShowTooltips", 0, 1},
             {TGeneralOptions::ConfirmDeletes, "Confirm Deletes", 1, 0},
             {TGeneralOptions::ShadedCaptions, "Shaded Captions", 1, 0},
             {TGeneralOptions::AudioFeedback, "Audio Feedback", 1, 0},
             {TGeneralOptions::AutoLayout, "AutoLayout", 3, 2},
             {TGeneralOptions::ScrollButtonsTogether, "Scroll Buttons Together", 0, 1},
             {TGeneralOptions::ShowThumbnailInfo, "Show Thumbnail Info", 1, 0},
         }},
        {"Panel",
         [] { return std::make_unique<TPanelOptions>(); },
         {
             {TPanelOptions::Colour, "Colour", 0xD2D2D2, 0x102030},
             {TPanelOptions::ColourStrength, "Colour Strength", 0, 40},
             {TPanelOptions::Texture, "Texture", TestWindowsPath("Program\\Texture1.jpg"), QString("C:\\Textures\\Marble.jpg")},
             {TPanelOptions::SelectionColour, "Selection Colour", 0xFF8000, 0x00FF00},
             {TPanelOptions::TextColour, "Text Colour", 0, 0xFFFFFF},
             {TPanelOptions::FlipH, "FlipH", 0, 1},
             {TPanelOptions::FlipV, "FlipV", 0, 1},
             {TPanelOptions::Greyscale, "Greyscale", 0, 1},
         }},
        {"Jpeg",
         [] { return std::make_unique<TJpegOptions>(); },
         {
             {TJpegOptions::Encoding, "Encoding", 0, 1},
             {TJpegOptions::Compression, "Compression", 10, 25},
         }},
        {"Disk",
         [] { return std::make_unique<TDiskOptions>(); },
         {
             {TDiskOptions::EnableFloppyA, "Enable Floppy A", 0, 1},
             {TDiskOptions::EnableFloppyB, "Enable Floppy B", 0, 1},
             {TDiskOptions::NoWriteDrives, "No Write Drives", QString(), QString("EF")},
             {TDiskOptions::SpecialBrowseFolder, "Special Browse Folder", dataFolder, QString("D:\\Browse")},
             {TDiskOptions::SpecialBrowseFolderOption, "Special Browse Folder Option", 2, 1},
         }},
        {"Cache",
         [] { return std::make_unique<TCacheOptions>(128 * MiB); },
         {
             {TCacheOptions::CleanupType, "Cleanup Type", 3, 2},
             {TCacheOptions::ObjectThreshold, "Object Threshold", 500, 750},
             {TCacheOptions::MemoryThreshold, "Memory Threshold", 32, 64},
             {TCacheOptions::CacheBitmaps, "Cache Bitmaps", 0, 1},
         }},
    };
}

const QString TestRoot = QStringLiteral("Software\\Vantrel Productions\\Test");

std::unique_ptr<TOptionsReg> makeGroup(const GroupCase &group)
{
    std::unique_ptr<TOptionsReg> options = group.make();
    options->SetRegistryKey(TestRoot);
    return options;
}

void setOtherValues(TOptions &options, const GroupCase &group)
{
    for (const OptionRow &row : group.rows)
        setValue(options, row.id, row.otherValue);
}

// The preferences dialog's controls as plain data. A control that was never
// set is unchecked, empty and without a choice.
class TestDialog : public OptionDialog
{
public:
    bool IsChecked(OptionControl control) const override
    {
        const auto found = checks.find(control);
        return found != checks.end() && found->second;
    }
    void SetChecked(OptionControl control, bool checked) override { checks[control] = checked; }
    int GetItemIndex(OptionControl control) const override
    {
        const auto found = choices.find(control);
        return found == choices.end() ? -1 : found->second;
    }
    void SetItemIndex(OptionControl control, int index) override { choices[control] = index; }
    QString GetText(OptionControl control) const override
    {
        const auto found = texts.find(control);
        return found == texts.end() ? QString() : found->second;
    }
    void SetText(OptionControl control, const QString &text) override { texts[control] = text; }

    int32_t GetTextureColour() const override { return textureColour.value_or(0); }
    void SetTextureColour(int32_t colour) override { textureColour = colour; }
    int32_t GetColourStrength() const override { return colourStrength.value_or(0); }
    void SetColourStrength(int32_t strength) override { colourStrength = strength; }
    int32_t GetSelectionColour() const override { return selectionColour.value_or(0); }
    void SetSelectionColour(int32_t colour) override { selectionColour = colour; }
    int32_t GetTextColour() const override { return textColour.value_or(0); }
    void SetTextColour(int32_t colour) override { textColour = colour; }

    int GetThumbnailSize() const override { return thumbnailSize; }
    void SetThumbnailSize(int size) override { thumbnailSize = size; }
    int GetThumbnailSpacing() const override { return thumbnailSpacing; }
    void SetThumbnailSpacing(int spacing) override { thumbnailSpacing = spacing; }
    int GetThumbnailSharpness() const override { return thumbnailSharpness; }
    void SetThumbnailSharpness(int sharpness) override { thumbnailSharpness = sharpness; }

    bool operator==(const TestDialog &other) const
    {
        return checks == other.checks && choices == other.choices && texts == other.texts
               && textureColour == other.textureColour && colourStrength == other.colourStrength
               && selectionColour == other.selectionColour && textColour == other.textColour;
    }

    // One edit for each control or working value that an option set filled,
    // as a user would change it.
    std::vector<std::pair<std::string, std::function<void(TestDialog &)>>> userEdits() const
    {
        std::vector<std::pair<std::string, std::function<void(TestDialog &)>>> edits;
        for (const auto &[control, checked] : checks)
            edits.emplace_back("check " + std::to_string(int(control)),
                               [control, checked](TestDialog &dialog) { dialog.checks[control] = !checked; });
        for (const auto &[control, index] : choices)
            edits.emplace_back("choice " + std::to_string(int(control)),
                               [control, index](TestDialog &dialog) { dialog.choices[control] = index == 0 ? 1 : 0; });
        for (const auto &[control, text] : texts) {
            bool isNumber = false;
            const int number = text.toInt(&isNumber);
            const QString edited = isNumber ? QString::number(number + 1) : text + u'x';
            edits.emplace_back("text " + std::to_string(int(control)),
                               [control, edited](TestDialog &dialog) { dialog.texts[control] = edited; });
        }
        const std::pair<const char *, std::optional<int32_t> TestDialog::*> values[] = {
            {"texture colour", &TestDialog::textureColour},
            {"colour strength", &TestDialog::colourStrength},
            {"selection colour", &TestDialog::selectionColour},
            {"text colour", &TestDialog::textColour},
        };
        for (const auto &[name, member] : values) {
            if (this->*member)
                edits.emplace_back(name, [member](TestDialog &dialog) { dialog.*member = *(dialog.*member) + 1; });
        }
        return edits;
    }

    std::map<OptionControl, bool> checks;
    std::map<OptionControl, int> choices;
    std::map<OptionControl, QString> texts;
    std::optional<int32_t> textureColour;
    std::optional<int32_t> colourStrength;
    std::optional<int32_t> selectionColour;
    std::optional<int32_t> textColour;
    int thumbnailSize = 0;
    int thumbnailSpacing = 0;
    int thumbnailSharpness = 0;
};

class ZiloOptionsTest : public testing::Test
{
protected:
    ZiloOptionsTest() { m_environment.set("TEMP", TestHostFolder() + "/temp"); }

    // The groups that the preferences dialog edits.
    static std::vector<GroupCase> dialogGroupCases()
    {
        std::vector<GroupCase> cases;
        for (GroupCase &group : groupCases()) {
            if (dynamic_cast<TZiloOptions *>(group.make().get()))
                cases.push_back(std::move(group));
        }
        return cases;
    }

    static std::unique_ptr<TZiloOptions> makeDialogGroup(const GroupCase &group)
    {
        std::unique_ptr<TOptionsReg> options = makeGroup(group);
        return std::unique_ptr<TZiloOptions>(dynamic_cast<TZiloOptions *>(options.release()));
    }

    ScopedEnvironment m_environment;
};

TEST_F(ZiloOptionsTest, EachGroupHasItsSectionValueNamesAndDefaultsOnAnEmptyRegistry)
{
    for (const GroupCase &group : groupCases()) {
        SCOPED_TRACE(group.section);
        const std::unique_ptr<TOptionsReg> options = makeGroup(group);
        options->Load();
        EXPECT_EQ(options->Section(), group.section);
        ASSERT_EQ(options->Count(), int(group.rows.size()));
        ASSERT_EQ(options->Entries().Count(), int(group.rows.size()));
        for (size_t index = 0; index < group.rows.size(); ++index) {
            const OptionRow &row = group.rows[index];
            SCOPED_TRACE(row.name);
            EXPECT_EQ(row.id, int(index));
            EXPECT_EQ(options->Entries()[row.id], row.name);
            EXPECT_EQ(describe(valueOf(*options, row.id, row.defaultValue)), describe(row.defaultValue));
        }

        // Integers are stored as registry integers, texts as registry strings.
        options->Save();
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKeyReadOnly(TestRoot + u'\\' + group.section));
        for (const OptionRow &row : group.rows) {
            SCOPED_TRACE(row.name);
            EXPECT_EQ(registry.GetDataType(row.name),
                      std::holds_alternative<int32_t>(row.defaultValue) ? rdInteger : rdString);
        }
    }
}

TEST_F(ZiloOptionsTest, EachGroupComesBackFromTheRegistryAsItWasSaved)
{
    for (const GroupCase &group : groupCases()) {
        SCOPED_TRACE(group.section);
        const std::unique_ptr<TOptionsReg> saved = makeGroup(group);
        setOtherValues(*saved, group);
        saved->Save();

        const std::unique_ptr<TOptionsReg> loaded = makeGroup(group);
        loaded->Load();
        for (const OptionRow &row : group.rows) {
            SCOPED_TRACE(row.name);
            EXPECT_EQ(describe(valueOf(*loaded, row.id, row.otherValue)), describe(row.otherValue));
        }
        // The defaults stay the class's own.
        loaded->SetAddressDefaults(true);
        for (const OptionRow &row : group.rows)
            EXPECT_EQ(describe(valueOf(*loaded, row.id, row.defaultValue)), describe(row.defaultValue)) << row.name;
    }
}

TEST(CacheOptions, MemoryThresholdIsAQuarterOfTheMemoryInMegabytesWithoutOverflow)
{
    const struct { uint64_t totalBytes; int32_t megabytes; } cases[] = {
        {0, 0},
        {64 * MiB, 16},
        {128 * MiB, 32},
        {128 * MiB - 1, 32},             // the added 0xFFFFF rounds a short megabyte up
        {4 * MiB - 1, 1},
        {3 * MiB, 0},
        {2 * GiB, 512},
        {4 * GiB, 1024},                 // a 32-bit DWORD of memory would have wrapped here
        {8 * GiB, 2048},
        {16 * GiB, 4096},
        {uint64_t(1) << 52, int32_t(1) << 30},
        {uint64_t(1) << 53, std::numeric_limits<int32_t>::max()},   // 2^31 megabytes
        {std::numeric_limits<uint64_t>::max(), std::numeric_limits<int32_t>::max()},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.totalBytes);
        EXPECT_EQ(TCacheOptions::DefaultMemoryThreshold(test.totalBytes), test.megabytes);
    }

    const TCacheOptions sixteenGiB(16 * GiB);
    EXPECT_EQ(sixteenGiB.GetInt(TCacheOptions::MemoryThreshold), 4096);
    EXPECT_EQ(sixteenGiB.MemoryThresholdBytes(), 16 * GiB / 4);
}

TEST(CacheOptions, MemoryThresholdInBytesHasRoomForEveryStoredValue)
{
    const struct { int32_t megabytes; uint64_t bytes; } cases[] = {
        {0, 0},
        {64, 67108864},
        {2047, 2047 * MiB},
        {2048, 2048 * MiB},   // 2^31: beyond a signed 32-bit product
        {4096, 4 * GiB},      // 2^32: beyond an unsigned one
        {std::numeric_limits<int32_t>::max(), uint64_t(std::numeric_limits<int32_t>::max()) * MiB},
        {-1, 0},              // an edited registry: no negative threshold
        {std::numeric_limits<int32_t>::min(), 0},
    };
    TCacheOptions options(16 * GiB);
    for (const auto &test : cases) {
        SCOPED_TRACE(test.megabytes);
        options.SetInt(TCacheOptions::MemoryThreshold, test.megabytes);
        EXPECT_EQ(options.MemoryThresholdBytes(), test.bytes);
    }
}

TEST(CacheOptions, DefaultsFromTheMachinesMemory)
{
    const TCacheOptions options;
    EXPECT_GT(options.GetInt(TCacheOptions::MemoryThreshold), 0);
}

TEST(JpegOptions, QualityIsOneHundredLessTheCompressionWithinItsRange)
{
    const struct { int32_t compression; int quality; } cases[] = {
        {10, 90}, {0, 100}, {50, 50}, {100, 0}, {150, 0}, {-5, 100},
        {std::numeric_limits<int32_t>::min(), 100}, {std::numeric_limits<int32_t>::max(), 0},
    };
    TJpegOptions options;
    for (const auto &test : cases) {
        SCOPED_TRACE(test.compression);
        options.SetInt(TJpegOptions::Compression, test.compression);
        EXPECT_EQ(options.JpegQuality(), test.quality);
    }
}

TEST(MovieOptions, TempFolderIsTempElseTmpElseTheHostsTemporaryFolder)
{
    const std::string root = TestHostFolder();
    WriteDriveMap(DriveMapLine("C:", root, "fixed", "1", "") + DriveMapLine("Z:", "/", "fixed", "2", ""));
    const struct { const char *temp; const char *tmp; const char *tmpdir; const char *folder; } cases[] = {
        {"/a", "/b", "/c", "C:\\a"},
        {nullptr, "/b", "/c", "C:\\b"},
        {"", "/b", "/c", "C:\\b"},
        {"relative", "/b", "/c", "C:\\b"},   // never a folder relative to where the program runs
        {nullptr, nullptr, "/c", "C:\\c"},
        {"", "", "", "Z:\\tmp"},
        {nullptr, "relative", nullptr, "Z:\\tmp"},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.folder);
        ScopedEnvironment environment;
        const std::pair<const char *, const char *> variables[] = {
            {"TEMP", test.temp}, {"TMP", test.tmp}, {"TMPDIR", test.tmpdir}};
        for (const auto &[name, value] : variables) {
            if (!value)
                environment.unset(name);
            else if (*value == '/')
                environment.set(name, root + value);
            else
                environment.set(name, value);
        }
        const TMovieOptions options;
        EXPECT_EQ(options.GetString(TMovieOptions::Temp), test.folder);
    }
}

TEST_F(ZiloOptionsTest, ToDialogFillsEachControlOfTheDefaults)
{
    using Control = OptionControl;
    TestDialog expected;
    expected.texts = {
        {Control::AskEdit, "5"},
        {Control::PanelTextureCombo, TestWindowsPath("Program\\Texture1.jpg")},
        {Control::JpegEdit, "10"},
        {Control::WriteProtectEdit, ""},
        {Control::SpecialBrowseFolderEdit, TestWindowsPath("Program\\Data")},
        {Control::CacheEdit2, "500"},
        {Control::CacheEdit3, "32"},
    };
    expected.checks = {
        {Control::AskCheckBox, true},           {Control::ConfirmMovesCheckBox, true},
        {Control::AutoScrollCheckBox, false},   {Control::TooltipsCheckBox, false},
        {Control::ConfirmDeletesCheckBox, true}, {Control::ShadedCaptionsCheckBox, true},
        {Control::AudioFeedbackCheckBox, true}, {Control::ThumbnailInfoCheckBox, true},
        {Control::RelayResizedCheckBox, true},  {Control::RelayDeletedCheckBox, true},
        {Control::CheckBoxH, false},            {Control::CheckBoxV, false},
        {Control::CheckBoxG, false},            {Control::FloppyACheckBox, false},
        {Control::FloppyBCheckBox, false},      {Control::CacheBitmapsCheckBox, false},
    };
    expected.choices = {
        {Control::ScrollButtonsChoice, 0},
        {Control::EncodingChoice, 0},
        {Control::SpecialBrowseFolderChoice, 2},
        {Control::CleanupChoice, 2},   // the buttons stand for 1, 2 and 3
    };
    expected.textureColour = 0xD2D2D2;
    expected.colourStrength = 0;
    expected.selectionColour = 0xFF8000;
    expected.textColour = 0;

    TestDialog dialog;
    for (const GroupCase &group : dialogGroupCases())
        makeDialogGroup(group)->ToDialog(dialog);
    EXPECT_TRUE(dialog == expected);
    for (const auto &[control, text] : expected.texts)
        EXPECT_EQ(dialog.GetText(control), text) << int(control);
    for (const auto &[control, checked] : expected.checks)
        EXPECT_EQ(dialog.IsChecked(control), checked) << int(control);
    for (const auto &[control, index] : expected.choices)
        EXPECT_EQ(dialog.GetItemIndex(control), index) << int(control);
}

TEST_F(ZiloOptionsTest, FromDialogReadsEachKindOfControlBack)
{
    using Control = OptionControl;
    TGeneralOptions general;
    TDiskOptions disk;
    TCacheOptions cache(128 * MiB);
    TJpegOptions jpeg;
    // Values without a choice, so that a choice left unread shows.
    disk.SetInt(TDiskOptions::SpecialBrowseFolderOption, 7);
    cache.SetInt(TCacheOptions::CleanupType, TCacheOptions::NeverDelete);
    const struct {
        const char *what;
        TZiloOptions *options;
        std::function<void(TestDialog &)> edit;
        int id;
        OptionValue value;
    } cases[] = {
        {"both re-lay boxes", &general, [](TestDialog &) {}, TGeneralOptions::AutoLayout, 3},
        {"re-lay when resized", &general, [](TestDialog &d) { d.checks[Control::RelayDeletedCheckBox] = false; },
         TGeneralOptions::AutoLayout, 1},
        {"re-lay when deleted", &general, [](TestDialog &d) { d.checks[Control::RelayResizedCheckBox] = false; },
         TGeneralOptions::AutoLayout, 2},
        {"never re-lay", &general,
         [](TestDialog &d) { d.checks[Control::RelayResizedCheckBox] = d.checks[Control::RelayDeletedCheckBox] = false; },
         TGeneralOptions::AutoLayout, 0},
        {"flag off", &general, [](TestDialog &d) { d.checks[Control::AudioFeedbackCheckBox] = false; },
         TGeneralOptions::AudioFeedback, 0},
        {"scroll arrows together", &general, [](TestDialog &d) { d.choices[Control::ScrollButtonsChoice] = 1; },
         TGeneralOptions::ScrollButtonsTogether, 1},
        {"number trimmed", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "  12 "; }, TGeneralOptions::WarnLevel, 12},
        {"negative number", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "-3"; }, TGeneralOptions::WarnLevel, -3},
        {"hexadecimal is no number", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "0x10"; },
         TGeneralOptions::WarnLevel, 5},
        {"dollar hexadecimal is no number", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "$10"; },
         TGeneralOptions::WarnLevel, 5},
        {"letters are no number", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "abc"; },
         TGeneralOptions::WarnLevel, 5},
        {"empty number field", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = " "; }, TGeneralOptions::WarnLevel, 5},
        {"number beyond 32 bits", &general, [](TestDialog &d) { d.texts[Control::AskEdit] = "4294967301"; },
         TGeneralOptions::WarnLevel, 5},
        {"text trimmed", &disk, [](TestDialog &d) { d.texts[Control::SpecialBrowseFolderEdit] = "  D:\\Browse \t"; },
         TDiskOptions::SpecialBrowseFolder, QString("D:\\Browse")},
        {"drive letters trimmed", &disk, [](TestDialog &d) { d.texts[Control::WriteProtectEdit] = " EF "; },
         TDiskOptions::NoWriteDrives, QString("EF")},
        {"always special", &disk, [](TestDialog &d) { d.choices[Control::SpecialBrowseFolderChoice] = 0; },
         TDiskOptions::SpecialBrowseFolderOption, 0},
        {"special if write-protected", &disk, [](TestDialog &d) { d.choices[Control::SpecialBrowseFolderChoice] = 1; },
         TDiskOptions::SpecialBrowseFolderOption, 1},
        {"no special choice", &disk, [](TestDialog &d) { d.choices[Control::SpecialBrowseFolderChoice] = -1; },
         TDiskOptions::SpecialBrowseFolderOption, 2},
        {"floppy A on", &disk, [](TestDialog &d) { d.checks[Control::FloppyACheckBox] = true; }, TDiskOptions::EnableFloppyA, 1},
        {"first cleanup button", &cache, [](TestDialog &d) { d.choices[Control::CleanupChoice] = 0; }, TCacheOptions::CleanupType, 1},
        {"second cleanup button", &cache, [](TestDialog &d) { d.choices[Control::CleanupChoice] = 1; }, TCacheOptions::CleanupType, 2},
        {"third cleanup button", &cache, [](TestDialog &d) { d.choices[Control::CleanupChoice] = 2; }, TCacheOptions::CleanupType, 3},
        {"no cleanup button is never 0", &cache, [](TestDialog &d) { d.choices[Control::CleanupChoice] = -1; },
         TCacheOptions::CleanupType, 3},
        {"megabytes", &cache, [](TestDialog &d) { d.texts[Control::CacheEdit3] = "4096"; }, TCacheOptions::MemoryThreshold, 4096},
        {"progressive", &jpeg, [](TestDialog &d) { d.choices[Control::EncodingChoice] = 1; }, TJpegOptions::Encoding, 1},
        {"compression", &jpeg, [](TestDialog &d) { d.texts[Control::JpegEdit] = "30"; }, TJpegOptions::Compression, 30},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.what);
        const std::unique_ptr<TZiloOptions> options = test.options->Clone();
        TestDialog dialog;
        options->ToDialog(dialog);
        test.edit(dialog);
        options->FromDialog(dialog);
        EXPECT_EQ(describe(valueOf(*options, test.id, test.value)), describe(test.value));
    }
}

TEST_F(ZiloOptionsTest, PanelWorkingValuesTravelBothWays)
{
    TPanelOptions panel;
    TestDialog dialog;
    panel.ToDialog(dialog);
    dialog.textureColour = 0x123456;
    dialog.colourStrength = 70;
    dialog.selectionColour = 0x0000FF;
    dialog.textColour = 0x00FF00;
    dialog.texts[OptionControl::PanelTextureCombo] = " C:\\Textures\\Wood.jpg ";
    dialog.checks[OptionControl::CheckBoxV] = true;
    panel.FromDialog(dialog);
    EXPECT_EQ(panel.GetInt(TPanelOptions::Colour), 0x123456);
    EXPECT_EQ(panel.GetInt(TPanelOptions::ColourStrength), 70);
    EXPECT_EQ(panel.GetInt(TPanelOptions::SelectionColour), 0x0000FF);
    EXPECT_EQ(panel.GetInt(TPanelOptions::TextColour), 0x00FF00);
    EXPECT_EQ(panel.GetString(TPanelOptions::Texture), "C:\\Textures\\Wood.jpg");
    EXPECT_EQ(panel.GetInt(TPanelOptions::FlipH), 0);
    EXPECT_EQ(panel.GetInt(TPanelOptions::FlipV), 1);
}

TEST_F(ZiloOptionsTest, DialogKeepsOptionsUntilAnyControlChanges)
{
    for (const bool otherValues : {false, true}) {
        for (const GroupCase &group : dialogGroupCases()) {
            SCOPED_TRACE(std::string(group.section) + (otherValues ? " with other values" : " with defaults"));
            const std::unique_ptr<TZiloOptions> options = makeDialogGroup(group);
            if (otherValues)
                setOtherValues(*options, group);
            TestDialog shown;
            options->ToDialog(shown);
            EXPECT_TRUE(options->DialogKeepsOptions(shown));

            const auto edits = shown.userEdits();
            EXPECT_FALSE(edits.empty());
            for (const auto &[what, edit] : edits) {
                SCOPED_TRACE(what);
                TestDialog edited = shown;
                edit(edited);
                EXPECT_FALSE(options->DialogKeepsOptions(edited));
            }
            // Asking never changes the set.
            for (const OptionRow &row : group.rows) {
                const OptionValue &value = otherValues ? row.otherValue : row.defaultValue;
                EXPECT_EQ(describe(valueOf(*options, row.id, value)), describe(value)) << row.name;
            }
        }
    }
}

TEST_F(ZiloOptionsTest, CompareWithTellsValuesAndDefaultsApart)
{
    const struct { const char *what; bool changeValue; bool changeDefault; } cases[] = {
        {"same", false, false},
        {"value differs", true, false},
        {"default differs", false, true},
        {"both differ", true, true},
    };
    for (const GroupCase &group : dialogGroupCases()) {
        for (const auto &test : cases) {
            SCOPED_TRACE(std::string(group.section) + ": " + test.what);
            const std::unique_ptr<TZiloOptions> options = makeDialogGroup(group);
            const std::unique_ptr<TZiloOptions> other = makeDialogGroup(group);
            const OptionRow &row = group.rows.back();
            if (test.changeValue)
                setValue(*other, row.id, row.otherValue);
            if (test.changeDefault) {
                other->SetAddressDefaults(true);
                setValue(*other, row.id, row.otherValue);
                other->SetAddressDefaults(false);
                setValue(*other, row.id, test.changeValue ? row.otherValue : row.defaultValue);
            }
            bool valuesEqual = false;
            bool defaultsEqual = false;
            options->CompareWith(other.get(), valuesEqual, defaultsEqual);
            EXPECT_EQ(valuesEqual, !test.changeValue);
            EXPECT_EQ(defaultsEqual, !test.changeDefault);
            EXPECT_FALSE(options->AddressDefaults());
        }
    }
}

TEST_F(ZiloOptionsTest, CloneIsAnIndependentSetOfTheSameClassKeyAndValues)
{
    for (const GroupCase &group : dialogGroupCases()) {
        SCOPED_TRACE(group.section);
        const std::unique_ptr<TZiloOptions> options = makeDialogGroup(group);
        setOtherValues(*options, group);
        const std::unique_ptr<TZiloOptions> clone = options->Clone();
        ASSERT_TRUE(clone);
        EXPECT_EQ(typeid(*clone), typeid(*options));
        EXPECT_EQ(clone->RegistryKey(), TestRoot);
        EXPECT_EQ(clone->Section(), group.section);
        EXPECT_EQ(clone->Entries().Count(), options->Entries().Count());
        EXPECT_TRUE(clone->AllOptionsEqual(options.get()));

        // Defaults are the class's own; a change to the clone stays there.
        const OptionRow &row = group.rows.front();
        clone->SetAddressDefaults(true);
        EXPECT_EQ(describe(valueOf(*clone, row.id, row.defaultValue)), describe(row.defaultValue));
        clone->SetAddressDefaults(false);
        setValue(*clone, row.id, row.defaultValue);
        EXPECT_EQ(describe(valueOf(*options, row.id, row.otherValue)), describe(row.otherValue));

        // A clone saves where the original does.
        clone->Save();
        const std::unique_ptr<TZiloOptions> loaded = makeDialogGroup(group);
        loaded->Load();
        EXPECT_TRUE(loaded->AllOptionsEqual(clone.get()));
    }
}

TEST(CacheOptions, CloneKeepsTheMemoryDefaultItWasMadeWith)
{
    const TCacheOptions options(16 * GiB);
    const std::unique_ptr<TZiloOptions> clone = options.Clone();
    clone->SetAddressDefaults(true);
    EXPECT_EQ(clone->GetInt(TCacheOptions::MemoryThreshold), 4096);
}

TEST_F(ZiloOptionsTest, DefaultsToDialogShowsTheDefaultsAndKeepsTheValues)
{
    for (const GroupCase &group : dialogGroupCases()) {
        SCOPED_TRACE(group.section);
        const std::unique_ptr<TZiloOptions> options = makeDialogGroup(group);
        setOtherValues(*options, group);
        TestDialog defaults;
        options->DefaultsToDialog(defaults);

        TestDialog fresh;
        makeDialogGroup(group)->ToDialog(fresh);
        EXPECT_TRUE(defaults == fresh);
        EXPECT_FALSE(options->AddressDefaults());
        EXPECT_FALSE(options->DialogKeepsOptions(defaults));
        for (const OptionRow &row : group.rows)
            EXPECT_EQ(describe(valueOf(*options, row.id, row.otherValue)), describe(row.otherValue)) << row.name;
    }
}

TEST_F(ZiloOptionsTest, DialogToDefaultsChangesNoGroup)
{
    for (const GroupCase &group : dialogGroupCases()) {
        SCOPED_TRACE(group.section);
        const std::unique_ptr<TZiloOptions> options = makeDialogGroup(group);
        TestDialog dialog;
        const std::unique_ptr<TZiloOptions> other = makeDialogGroup(group);
        setOtherValues(*other, group);
        other->ToDialog(dialog);
        options->DialogToDefaults(dialog);
        bool valuesEqual = false;
        bool defaultsEqual = false;
        options->CompareWith(makeDialogGroup(group).get(), valuesEqual, defaultsEqual);
        EXPECT_TRUE(valuesEqual);
        EXPECT_TRUE(defaultsEqual);
    }
}

// A dialog whose first check box call runs a test step while the option set
// is inside DefaultsToDialog.
class InterruptingDialog : public TestDialog
{
public:
    explicit InterruptingDialog(std::function<void()> step) : m_step(std::move(step)) {}
    void SetChecked(OptionControl control, bool checked) override
    {
        if (m_step)
            std::exchange(m_step, nullptr)();
        TestDialog::SetChecked(control, checked);
    }

private:
    std::function<void()> m_step;
};

TEST(ZiloOptions, NoOtherThreadSeesTheDefaultsWhileTheyAreShown)
{
    TGeneralOptions options;
    options.SetInt(TGeneralOptions::AudioFeedback, 0);
    std::atomic<bool> stop = false;
    std::atomic<bool> reading = false;
    auto reader = std::async(std::launch::async, [&] {
        int defaultsSeen = 0;
        while (!stop) {
            reading = true;
            if (options.GetInt(TGeneralOptions::AudioFeedback) != 0)
                ++defaultsSeen;
        }
        return defaultsSeen;
    });
    while (!reading)
        std::this_thread::yield();
    for (int round = 0; round < 20000; ++round) {
        TestDialog dialog;
        options.DefaultsToDialog(dialog);
        bool valuesEqual = false;
        bool defaultsEqual = false;
        options.CompareWith(&options, valuesEqual, defaultsEqual);
    }
    stop = true;
    EXPECT_EQ(reader.get(), 0);
}

TEST(ZiloOptions, ADialogThatThrowsLeavesTheSetInValuesModeAndUnlocked)
{
    TGeneralOptions options;
    options.SetInt(TGeneralOptions::WarnLevel, 40);
    InterruptingDialog dialog([] { throw std::runtime_error("dialog gone"); });
    EXPECT_THROW(options.DefaultsToDialog(dialog), std::runtime_error);
    EXPECT_FALSE(options.AddressDefaults());
    auto reader = std::async(std::launch::async, [&options] { return options.GetInt(TGeneralOptions::WarnLevel); });
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 40);
}

} // namespace
