#include "FileDialogTestSupport.h"

#include <Source/windows/FolderBrowserForm.h>
#include <Source/windows/RecentTargets.h>
#include <Source/windows/TargetForm.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

constexpr uint64_t GB = 1ULL << 30;

// What the dialog showed, read while it was up.
struct Shown
{
    QString title;
    QString driveLabel;
    bool driveLabelShown = false;
    bool shareLabelShown = false;
    QString memo;
    QString okCaption;
    bool okEnabled = false;
};

Shown read(QDialog &dialog)
{
    Shown shown;
    shown.title = dialog.windowTitle();
    shown.driveLabel = Child<QLabel>(dialog, "DriveLabel")->text();
    shown.driveLabelShown = Child<QLabel>(dialog, "DriveLabel")->isVisible();
    shown.shareLabelShown = Child<QLabel>(dialog, "ShareLabel")->isVisible();
    shown.memo = Child<QPlainTextEdit>(dialog, "SizeMemo")->toPlainText();
    shown.okCaption = Child<QPushButton>(dialog, "OkButton")->text();
    shown.okEnabled = Child<QPushButton>(dialog, "OkButton")->isEnabled();
    return shown;
}

QString sizeText(uint64_t bytes)
{
    CString text;
    text.FormatFileSize(bytes);
    return text.ToAnsiString();
}

TargetFolderRequest requestFor(const TStrings &files, bool copy)
{
    TargetFolderRequest request;
    request.files = &files;
    request.copy = copy;
    request.caption = copy ? "Copy To Folder" : "Move To Folder";
    request.actionCaption = copy ? "&Copy" : "&Move";
    request.folderLabel = copy ? " Folder to copy to: " : " Folder to move to: ";
    return request;
}

class TargetFormTest : public FileDialogTest
{
protected:
    // C: is the test folder and D: its folder "d", with the free bytes given
    // (a "d" that is missing is a drive without its medium).
    void mapDrives(uint64_t freeOnC, uint64_t freeOnD, const QString &typeOfD = "fixed")
    {
        std::filesystem::create_directories(host("d"));
        WriteDriveMap(DriveMapLine({"C:", QString::fromStdString(TestHostFolder()), "fixed", "0012ABCD", "System",
                                    QString::number(freeOnC), QString::number(1000 * GB)})
                      + DriveMapLine({"D:", QString::fromStdString(host("d")), typeOfD, "0034ABCD", "Data",
                                      QString::number(freeOnD), QString::number(1000 * GB)}));
        DriveTable->Update();
    }

    static uint64_t clusterBytes()
    {
        const CDrive drive = DriveTable->GetDrive('C');
        return uint64_t(drive.bytesPerSector) * drive.sectorsPerCluster;
    }

    // Files of the given sizes in "src" (sparse, so that gigabytes cost nothing).
    TStringList writeFiles(const std::vector<uint64_t> &sizes)
    {
        TStringList files;
        for (size_t i = 0; i < sizes.size(); ++i) {
            const QString name = QString("src/%1.jpg").arg(i);
            writeFile(name, QByteArray());
            std::filesystem::resize_file(host(name), sizes[i]);
            files.Add(windows(name).ToAnsiString());
        }
        return files;
    }

    // The dialog for files, started at target, as it shows; cancelled.
    static Shown showFor(const TStrings &files, bool copy, const QString &target)
    {
        Shown shown;
        ModalScript script({[&](QDialog &dialog) {
            shown = read(dialog);
            dialog.reject();
        }});
        CPath folder{CString(target)};
        EXPECT_FALSE(TTargetForm1::Choose(requestFor(files, copy), folder));
        EXPECT_EQ(script.shown(), std::vector<QString>{"TargetForm1"});
        return shown;
    }
};

TEST_F(TargetFormTest, EstimatesWhetherTheFilesFit)
{
    mapDrives(0, 0);
    const uint64_t cluster = clusterBytes();
    ASSERT_GT(cluster, 1u);
    const QString onC = windows("Target").ToAnsiString();

    const struct
    {
        const char *name;
        bool copy;
        std::vector<uint64_t> sizes;
        QString target;
        uint64_t freeOnC, freeOnD;
        QString label;
        uint64_t required;   // bytes
    } cases[] = {
        {"a move within one drive needs no space", false, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, onC, 0, 0, "", 10 * cluster},
        {"a copy within one drive does", true, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, onC, 9 * cluster, 0,
         "Insufficient space on drive C", 10 * cluster},
        {"a move to another drive does", false, {1, 1}, "D:\\Target", 0, cluster, "Insufficient space on drive D",
         2 * cluster},
        {"one byte takes a whole cluster", true, {1}, "D:\\Target", 0, cluster - 1,
         "Insufficient space on drive D", cluster},
        {"a cluster's room is enough for one byte", true, {1}, "D:\\Target", 0, cluster, "", cluster},
        {"a byte more than a cluster takes two", true, {cluster + 1}, "d:\\target", 0, 2 * cluster, "",
         2 * cluster},
        {"sizes add up past 4 GB", true, {3 * GB, 3 * GB}, "D:\\Target", 0, 5 * GB,
         "Insufficient space on drive D", 6 * GB},
        {"and fit when there is room", true, {3 * GB, 3 * GB}, "D:\\Target", 0, 8 * GB, "", 6 * GB},
        {"a drive not there, whose clusters are unknown", true, {1}, "Q:\\Target", 0, 0, "Drive Q is unavailable",
         1},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name);
        mapDrives(test.freeOnC, test.freeOnD);
        const TStringList files = writeFiles(test.sizes);
        const Shown shown = showFor(files, test.copy, test.target);
        EXPECT_EQ(shown.driveLabel, test.label);
        EXPECT_TRUE(shown.driveLabelShown);
        EXPECT_FALSE(shown.shareLabelShown);
        const int count = int(test.sizes.size());
        EXPECT_EQ(shown.memo, QString("%1 required at destination for %2 image%3")
                                  .arg(sizeText(test.required))
                                  .arg(count)
                                  .arg(count == 1 ? "" : "s"));
        EXPECT_TRUE(shown.okEnabled) << "a warning leaves the choice to the user";
        std::filesystem::remove_all(host("src"));
    }
}

TEST_F(TargetFormTest, ADriveThatCannotTakeFilesSaysWhy)
{
    const struct
    {
        const char *typeOfD;
        bool medium;
        QString label;
    } cases[] = {
        {"removable", false, "Drive D is unavailable"},
        {"fixed,readonly", true, "Drive D is write-protected"},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.typeOfD);
        mapDrives(0, 100 * GB, test.typeOfD);
        if (!test.medium)
            std::filesystem::remove_all(host("d"));
        DriveTable->Update();
        const TStringList files = writeFiles({1});
        EXPECT_EQ(showFor(files, true, "D:\\Target").driveLabel, test.label);
    }
}

TEST_F(TargetFormTest, AShareCannotBeMeasured)
{
    mapDrives(0, 0);
    const TStringList files = writeFiles({1000, 23});
    const Shown shown = showFor(files, true, "\\\\server\\share\\Pics");
    EXPECT_FALSE(shown.driveLabelShown);
    EXPECT_TRUE(shown.shareLabelShown);
    EXPECT_EQ(shown.memo, "1023 bytes required at destination for 2 images") << "counted to the byte";
    EXPECT_TRUE(shown.okEnabled);
}

TEST_F(TargetFormTest, ARelativePathIsAnInvalidFolder)
{
    mapDrives(100 * GB, 100 * GB);
    const TStringList files = writeFiles({1});
    for (const char *text : {"photos", "C:photos", "\\photos", ""}) {
        SCOPED_TRACE(text);
        const Shown shown = showFor(files, true, text);
        EXPECT_EQ(shown.driveLabel, "Invalid Folder");
        EXPECT_TRUE(shown.memo.isEmpty());
        EXPECT_FALSE(shown.okEnabled);
    }
}

TEST_F(TargetFormTest, OkMakesAMissingFolderAndRemembersIt)
{
    mapDrives(100 * GB, 100 * GB);
    const TStringList files = writeFiles({1});
    const CPath existing = windows("Existing");
    std::filesystem::create_directories(host("Existing"));
    const CPath missing = windows("New/Sub");

    std::optional<Shown> before;
    ModalScript script({[&](QDialog &dialog) {
        EXPECT_EQ(read(dialog).okCaption, "&Copy") << "an existing folder";
        Child<QComboBox>(dialog, "Combo")->setEditText(missing.ToAnsiString());
        before = read(dialog);
        Child<QPushButton>(dialog, "OkButton")->click();
    }});
    CPath folder = existing;
    ASSERT_TRUE(TTargetForm1::Choose(requestFor(files, true), folder));
    EXPECT_EQ(before->title, "Copy To Folder");
    EXPECT_EQ(before->okCaption, "&Create Folder");
    EXPECT_EQ(folder, missing.c_str());
    EXPECT_TRUE(std::filesystem::is_directory(host("New/Sub")));
    EXPECT_EQ(SettingsStore->ReadString(RecentTargetsSection, "History 1", QString()), missing.ToAnsiString());

    // The next run starts at the last target.
    QString text;
    ModalScript again({[&](QDialog &dialog) {
        text = Child<QComboBox>(dialog, "Combo")->currentText();
        dialog.reject();
    }});
    CPath none;
    EXPECT_FALSE(TTargetForm1::Choose(requestFor(files, false), none));
    EXPECT_EQ(text, missing.ToAnsiString());
}

TEST_F(TargetFormTest, AFolderThatCannotBeMadeKeepsTheDialogOpen)
{
    mapDrives(100 * GB, 100 * GB);
    const TStringList files = writeFiles({1});
    writeFile("blocker", "a file where the folder should be");
    const CPath blocked = windows("blocker/Sub");
    MessageBoxScript boxes;
    bool stillOpen = false;
    ModalScript script({[&](QDialog &dialog) {
        Child<QPushButton>(dialog, "OkButton")->click();
        stillOpen = dialog.isVisible();
        dialog.reject();
    }});
    CPath folder = blocked;
    EXPECT_FALSE(TTargetForm1::Choose(requestFor(files, true), folder));
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, QString("Failed to create folder '%1'").arg(blocked.ToAnsiString()));
    EXPECT_TRUE(SettingsStore->ReadString(RecentTargetsSection, "History 1", QString()).isEmpty());
}

TEST_F(TargetFormTest, AHistoryThatCannotBeSavedIsReportedAndTheFolderStillTaken)
{
    mapDrives(100 * GB, 100 * GB);
    const TStringList files = writeFiles({1});
    const CPath missing = windows("New");
    RefusedRegistryWrites refused("History 1");
    MessageBoxScript boxes;
    ModalScript script({[](QDialog &dialog) { Child<QPushButton>(dialog, "OkButton")->click(); }});
    CPath folder = missing;
    EXPECT_TRUE(TTargetForm1::Choose(requestFor(files, true), folder));
    EXPECT_TRUE(std::filesystem::is_directory(host("New")));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    EXPECT_FALSE(boxes.boxes()[0].text.isEmpty());
}

} // namespace

TEST_F(TargetFormTest, BrowseTakesTheChosenFolderIntoTheCombo)
{
    mapDrives(100 * GB, 100 * GB);
    const TStringList files = writeFiles({1});
    std::filesystem::create_directories(host("Existing/Inner"));
    const CPath inner = windows("Existing/Inner");
    QString startedAt;
    QString text;
    Shown after;
    ModalScript script;
    script.add([&](QDialog &dialog) {
        Child<QPushButton>(dialog, "BrowseBtn")->click();   // runs the next step
        text = Child<QComboBox>(dialog, "Combo")->currentText();
        after = read(dialog);
        dialog.reject();
    });
    script.add([&](QDialog &browser) {
        auto &form = static_cast<TFolderBrowserForm1 &>(browser);
        startedAt = form.Folder().ToAnsiString();
        form.SetFolder(inner);
        Child<QPushButton>(browser, "OKBtn")->click();
    });
    CPath folder = windows("Existing");
    EXPECT_FALSE(TTargetForm1::Choose(requestFor(files, true), folder));
    EXPECT_EQ(script.shown(), (std::vector<QString>{"TargetForm1", "FolderBrowserForm1"}));
    EXPECT_EQ(startedAt, windows("Existing").ToAnsiString());
    EXPECT_EQ(text, inner.ToAnsiString());
    // The estimate follows the new text, as if typed.
    EXPECT_EQ(after.okCaption, "&Copy");
    EXPECT_TRUE(after.okEnabled);
}
