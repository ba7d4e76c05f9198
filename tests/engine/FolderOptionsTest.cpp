#include <Source/engine/FolderOptions.h>

#include "../Source/GlobTestSupport.h"

#include <Source/Glob.h>
#include <platform/Registry.h>

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace fs = std::filesystem;

namespace {

using OptionValue = std::variant<int32_t, QString>;

// C: is the test folder, so every folder below it has a stored form.
class FolderOptionsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"Pics", "Other", "Never"})
            fs::create_directories(TestHostFolder() + "/" + name);
        WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"));
        m_globals.emplace();
    }
    void TearDown() override
    {
        TFolderSpecificOptionsCache::SaveAll();
        m_globals.reset();
    }

    static QString folderKey(const char *folder) { return SettingsRoot + "\\Folders\\0012ABCD\\" + folder; }

    std::optional<GlobalsScope> m_globals;
};

struct OptionRow
{
    TFolderOptions::Option id;
    const char *name;
    OptionValue defaultValue;
};

const OptionRow FolderOptionRows[] = {
    {TFolderOptions::AutoSave, "AutoSave", 0},
    {TFolderOptions::AutoUpdate, "AutoUpdate", 1},
    {TFolderOptions::Dithering, "Dithering", 1},
    {TFolderOptions::DraftThumbnails, "Draft Thumbnails", 0},
    {TFolderOptions::LabelThumbnails, "Label Thumbnails", 1},
    {TFolderOptions::LabelThumbnailsFormat, "Label Thumbnails Format", QString("%g")},
    {TFolderOptions::FileTypes, "File Types", 0},
    {TFolderOptions::FileTypeList, "File Type List", QString("txt;")},
    {TFolderOptions::ThumbnailSize, "Thumbnail Size", 80},
    {TFolderOptions::ThumbnailSpacing, "Thumbnail Spacing", 10},
    {TFolderOptions::ThumbnailSharpness, "Thumbnail Sharpness", 8},
    {TFolderOptions::SortProperty, "Sort Property", 4},
    {TFolderOptions::SortDirection, "Sort Direction", 0},
    {TFolderOptions::CustomSortFileWithImages, "Custom Sort File With Images", 0},
    {TFolderOptions::IgnorePrefix, "Ignore Prefix", QString("tn_;")},
};

void expectValue(const TOptions &options, const OptionRow &row)
{
    if (const int32_t *number = std::get_if<int32_t>(&row.defaultValue))
        EXPECT_EQ(options.GetInt(row.id), *number);
    else
        EXPECT_EQ(options.GetString(row.id), std::get<QString>(row.defaultValue));
}

TEST_F(FolderOptionsTest, NamesAndDefaultsOnAnEmptyRegistry)
{
    TFolderOptions defaults;
    TFolderSpecificOptions *folder = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(defaults.Section(), "Folder Defaults");
    EXPECT_EQ(folder->Section(), "Folders\\0012ABCD\\Pics");
    ASSERT_EQ(defaults.Count(), int(std::size(FolderOptionRows)));
    for (size_t index = 0; index < std::size(FolderOptionRows); ++index) {
        const OptionRow &row = FolderOptionRows[index];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(int(row.id), int(index));
        EXPECT_EQ(defaults.Entries()[row.id], row.name);
        expectValue(defaults, row);
        expectValue(*folder, row);
    }
}

TEST_F(FolderOptionsTest, NoOptionsForAFolderWithoutAStoredForm)
{
    EXPECT_EQ(TFolderSpecificOptionsCache::GetFolderOptions(CPath()), nullptr);
    EXPECT_EQ(TFolderSpecificOptionsCache::FindOrLoad("relative\\folder"), nullptr);
    EXPECT_EQ(TFolderSpecificOptionsCache::FindOrLoad("Q:\\NoSuchDrive"), nullptr);
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 0);
}

TEST_F(FolderOptionsTest, EachFolderComesBackThroughTheCacheAsItWasSaved)
{
    TFolderSpecificOptions *pics = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    ASSERT_NE(pics, nullptr);
    EXPECT_EQ(TFolderSpecificOptionsCache::FindOrLoad("c:\\PICS"), pics);
    EXPECT_NE(TFolderSpecificOptionsCache::FindOrLoad("C:\\Other"), pics);
    pics->SetInt(TFolderOptions::ThumbnailSize, 64);
    pics->SetString(TFolderOptions::IgnorePrefix, "th_;");
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 2);

    TFolderSpecificOptionsCache::SaveAll();
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 0);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(folderKey("Pics")));
    EXPECT_EQ(registry.ReadInteger("Thumbnail Size"), 64);

    pics = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    EXPECT_EQ(pics->GetInt(TFolderOptions::ThumbnailSize), 64);
    EXPECT_EQ(pics->GetString(TFolderOptions::IgnorePrefix), "th_;");
    EXPECT_EQ(TFolderSpecificOptionsCache::GetFolderOptions("C:\\Other")->GetInt(TFolderOptions::ThumbnailSize), 80);
}

TEST_F(FolderOptionsTest, FoldersThatStoreNothingFollowTheSharedDefaults)
{
    TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics")->SetInt(TFolderOptions::ThumbnailSpacing, 3);
    TFolderSpecificOptionsCache::SaveAll();
    {
        TFolderOptions defaults;
        defaults.SetRegistryKey(SettingsRoot);
        defaults.SetInt(TFolderOptions::ThumbnailSize, 120);
        defaults.SetInt(TFolderOptions::ThumbnailSpacing, 20);
        defaults.Save();
    }

    const TFolderSpecificOptions *never = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Never");
    EXPECT_EQ(never->GetInt(TFolderOptions::ThumbnailSize), 120);
    EXPECT_EQ(never->GetInt(TFolderOptions::ThumbnailSpacing), 20);
    // Pics stored every value of its own at its save.
    const TFolderSpecificOptions *pics = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    EXPECT_EQ(pics->GetInt(TFolderOptions::ThumbnailSize), 80);
    EXPECT_EQ(pics->GetInt(TFolderOptions::ThumbnailSpacing), 3);
}

TEST_F(FolderOptionsTest, CopyAndResetTellWhetherThumbnailsMustBeBuiltAgain)
{
    struct Case
    {
        const char *name;
        TFolderOptions::Option id;
        int32_t value;
        bool rebuild;
    };
    const Case cases[] = {
        {"spacing only", TFolderOptions::ThumbnailSpacing, 30, false},
        {"sort only", TFolderOptions::SortProperty, 6, false},
        {"size", TFolderOptions::ThumbnailSize, 100, true},
        {"sharpness", TFolderOptions::ThumbnailSharpness, 0, true},
        {"draft", TFolderOptions::DraftThumbnails, 1, true},
    };
    TFolderSpecificOptions *target = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TFolderOptions source;
        source.SetInt(c.id, c.value);
        EXPECT_EQ(target->CopyFromAndSave(&source), c.rebuild);
        EXPECT_EQ(target->GetInt(c.id), c.value);
        EXPECT_EQ(target->ResetAndSave(), c.rebuild);
        EXPECT_EQ(target->ResetAndSave(), false);
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(folderKey("Pics")));
    EXPECT_EQ(registry.ReadInteger("Thumbnail Size"), 80);
}

TEST_F(FolderOptionsTest, CloneIsTheSameFolderWithTheSameValues)
{
    TFolderSpecificOptions *pics = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    pics->SetString(TFolderOptions::FileTypeList, "doc;");
    std::unique_ptr<TZiloOptions> clone = pics->Clone();
    auto *folderClone = dynamic_cast<TFolderSpecificOptions *>(clone.get());
    ASSERT_NE(folderClone, nullptr);
    EXPECT_EQ(folderClone->Folder(), pics->Folder());
    EXPECT_EQ(folderClone->Section(), pics->Section());
    EXPECT_EQ(folderClone->GetString(TFolderOptions::FileTypeList), "doc;");
    bool valuesEqual = false;
    bool defaultsEqual = true;
    pics->CompareWith(clone.get(), valuesEqual, defaultsEqual);
    EXPECT_TRUE(valuesEqual);
    EXPECT_FALSE(defaultsEqual);
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 2);
    clone.reset();
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 1);
}

// First the shared defaults come and go as the count passes 0 on every
// thread at once; then threads clone cached sets and filter files while
// others make and drop sets of their own.
TEST_F(FolderOptionsTest, SharedDefaultsAndClonesUnderSeveralThreads)
{
    constexpr int ThreadCount = 8;
    constexpr int Rounds = 200;
    const CPath folders[] = {"C:\\Pics", "C:\\Other", "C:\\Never"};
    std::atomic<int> wrongValues = 0;
    auto runThreads = [&](bool withCache) {
        std::vector<std::thread> threads;
        for (int t = 0; t < ThreadCount; ++t) {
            threads.emplace_back([&, t] {
                const CPath &folder = folders[t % std::size(folders)];
                for (int round = 0; round < Rounds; ++round) {
                    std::unique_ptr<TZiloOptions> options;
                    if (withCache && t % 2 == 1)
                        options = TFolderSpecificOptionsCache::GetFolderOptions(folder)->Clone();
                    else
                        options = std::make_unique<TFolderSpecificOptions>(folder);
                    if (options->GetInt(TFolderOptions::ThumbnailSize) != 80)
                        ++wrongValues;
                    if (withCache && IsFileIncluded(folder.AppendFileName("tn_photo.jpg")))
                        ++wrongValues;
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
    };
    runThreads(false);
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 0);
    runThreads(true);
    EXPECT_EQ(wrongValues, 0);
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), int(std::size(folders)));
    TFolderSpecificOptionsCache::SaveAll();
    EXPECT_EQ(TFolderSpecificOptions::InstanceCount(), 0);
}

TEST_F(FolderOptionsTest, FileFilterFollowsTheFolderOptions)
{
    struct Case
    {
        const char *file;
        int32_t fileTypes;
        const char *typeList;
        const char *ignorePrefix;
        bool included;
    };
    const Case cases[] = {
        // Pictures by extension, any case; ignored prefixes, any case.
        {"photo.jpg", 0, "txt;", "tn_;", true},
        {"PHOTO.JPEG", 0, "txt;", "tn_;", true},
        {"picture.Tga", 0, "txt;", "tn_;", true},
        {"tn_photo.jpg", 0, "txt;", "tn_;", false},
        {"TN_photo.jpg", 0, "txt;", "tn_;", false},
        {"tn_photo.jpg", 0, "txt;", "", true},
        {"tn_photo.jpg", 0, "txt;", ";;", true},
        {"th_photo.jpg", 0, "txt;", "  tn_ ;  th_", false},
        {"tn_photo.jpg", 0, "txt;", "tn_ ;", true},
        {"tn_notes.txt", 1, "txt;", "tn_;", false},
        // Hidden files are judged by their names like any other.
        {".hidden.jpg", 0, "txt;", "tn_;", true},
        {".hidden.jpg", 0, "txt;", ".;", false},
        {".profile", 1, "profile;", "tn_;", true},
        // Other types only with "File Types" on, by a case-sensitive search.
        {"notes.txt", 0, "txt;", "tn_;", false},
        {"notes.txt", 1, "txt;", "tn_;", true},
        {"notes.txt", 1, "txt", "tn_;", true},
        {"notes.TXT", 1, "txt;", "tn_;", false},
        {"notes.doc", 1, "txt;", "tn_;", false},
        {"notes.doc", 1, "txt;doc;", "tn_;", true},
        {"README", 1, "txt;", "tn_;", true},
        {"README", 1, "", "tn_;", true},
        {"README", 0, "txt;", "tn_;", false},
    };
    TFolderSpecificOptions *pics = TFolderSpecificOptionsCache::GetFolderOptions("C:\\Pics");
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " types " + std::to_string(c.fileTypes) + " \"" + c.typeList
                     + "\" ignore \"" + c.ignorePrefix + "\"");
        WriteHostFile(TestHostFolder() + "/Pics/" + c.file, QByteArray());
        pics->SetInt(TFolderOptions::FileTypes, c.fileTypes);
        pics->SetString(TFolderOptions::FileTypeList, c.typeList);
        pics->SetString(TFolderOptions::IgnorePrefix, c.ignorePrefix);
        EXPECT_EQ(IsFileIncluded(CPath("C:\\Pics").AppendFileName(c.file)), c.included);
    }
}

TEST_F(FolderOptionsTest, OutsideAnyFolderOptionsOnlyPicturesAreIncluded)
{
    EXPECT_TRUE(IsFileIncluded("Q:\\tn_photo.jpg"));
    EXPECT_FALSE(IsFileIncluded("Q:\\README"));
}

TEST(IsBitmapFile, TakesOnlyTheBmpExtensionInAnyCase)
{
    const std::pair<const char *, bool> cases[] = {
        {"C:\\a.bmp", true},  {"C:\\a.BMP", true},      {"C:\\a.Bmp", true}, {"C:\\a.bmpx", false},
        {"C:\\bmp", false},   {"C:\\a.bmp\\b", false},  {"C:\\a.jpg", false},
    };
    for (const auto &[path, isBitmap] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(IsBitmapFile(path), isBitmap);
    }
}

} // namespace
