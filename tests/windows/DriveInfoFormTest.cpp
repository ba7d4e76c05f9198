#include "ModalScript.h"

#include "../Source/GlobTestSupport.h"

#include <Source/engine/ZiloOptions.h>
#include <Source/windows/DriveInfoForm.h>
#include <lib/Drive.h>
#include <platform/Drives.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>
#include <filesystem>
#include <optional>

namespace {

constexpr uint64_t HundredGB = 100ull * 1024 * 1024 * 1024;

QString size(uint64_t bytes)
{
    CString text;
    text.FormatFileSize(bytes);
    return text.ToAnsiString();
}

// C: is the test folder with 1 byte used of 100 GB, D: a write-protected drive
// with 1 byte free, E: a drive without its medium, F: a share's drive that is
// half full.
class DriveInfoFormTest : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"Protected", "Share"})
            std::filesystem::create_directories(TestHostFolder() + "/" + name);
        const QString hundred = QString::number(HundredGB);
        WriteDriveMap(
            DriveMapLine({"C:", QString::fromStdString(TestHostFolder()), "fixed", "0012ABCD", "System",
                          QString::number(HundredGB - 1), hundred}) +
            DriveMapLine({"D:", QString::fromStdString(TestHostFolder() + "/Protected"), "cdrom,readonly", "CD00CD00",
                          "", "1", hundred}) +
            DriveMapLine("E:", TestHostFolder() + "/NoMedium", "removable", "E0E0E0E0", "Card") +
            DriveMapLine({"F:", QString::fromStdString(TestHostFolder() + "/Share"), "remote,source=//srv/pics",
                          "5EED0001", "Pics", "500", "1000"}));
        m_globals.emplace();
    }
    void TearDown() override { m_globals.reset(); }

    // The dialog for path as the user sees it once shown; closed with Close.
    struct Shown
    {
        QString entry;
        QStringList lines;
        QString percent, used, free, capacity;
    };
    static Shown showFor(const CPath &path)
    {
        Shown shown;
        ModalScript script({[&](QDialog &dialog) {
            shown = read(dialog);
            Child<QPushButton>(dialog, "CloseBtn")->click();
        }});
        TDriveInfoForm1::ShowFor(path);
        return shown;
    }
    static Shown read(QDialog &dialog)
    {
        return {Child<QComboBox>(dialog, "DriveCombo")->currentText(),
                Child<QPlainTextEdit>(dialog, "Memo")->toPlainText().split(u'\n'),
                Child<QLabel>(dialog, "PercentLabel")->text(),
                Child<QLabel>(dialog, "UsedSpaceLabel")->text(),
                Child<QLabel>(dialog, "FreeSpaceLabel")->text(),
                Child<QLabel>(dialog, "CapacityLabel")->text()};
    }
    std::optional<GlobalsScope> m_globals;
};

} // namespace

TEST(DriveInfoPercent, RoundsAndKeepsEmptyAndFullForTheEnds)
{
    const struct
    {
        uint64_t used, capacity;
        const char *text;
    } cases[] = {
        {1, HundredGB, "1% full"},
        {HundredGB - 1, HundredGB, "99% full"},
        {0, HundredGB, "Empty"},
        {HundredGB, HundredGB, "Full"},
        {0, 0, ""},
        {1, 0, ""},
        {1, 3, "33% full"},
        {2, 3, "67% full"},
        {1, 2, "50% full"},
        {UINT64_MAX - 1, UINT64_MAX, "99% full"},
        {UINT64_MAX / 2, UINT64_MAX, "50% full"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.used << " of " << c.capacity);
        EXPECT_EQ(TDriveInfoForm1::PercentText(c.used, c.capacity), c.text);
    }
}

TEST(DriveInfoLines, CountsOf2To31AndMoreStayPositive)
{
    CDrive drive;
    drive.letter = 'G';
    drive.exists = drive.ready = true;
    drive.type = DRIVE_FIXED;
    drive.fileSystemName = "ext4";
    drive.serialNumber = 0x89ABCDEF;
    drive.totalBytes = 4000;
    drive.freeBytes = 1000;
    drive.freeClusters = 0x80000000u;
    drive.totalClusters = 0xFFFFFFFFu;
    drive.bytesPerSector = 65536;
    drive.sectorsPerCluster = 65536;
    EXPECT_EQ(TDriveInfoForm1::InfoLines(drive, false),
              (QStringList{"Type: Local Disk", "Status: Available", "Label: (empty)", "File System: ext4",
                           "Volume serial #: 89ABCDEF", "Used space: " + size(3000) + " (75% full)",
                           "Free space: " + size(1000), "Capacity: " + size(4000), "Free clusters: 2147483648",
                           "Total clusters: 4294967295", "Bytes per sector: 65536", "Sectors per cluster: 65536",
                           "Bytes per cluster: 4294967296"}));
}

TEST(DriveInfoLines, AnUnavailableDriveShowsOnlyItsTypeAndStatus)
{
    CDrive drive;
    drive.letter = 'E';
    drive.exists = true;
    drive.type = DRIVE_REMOVABLE;
    drive.volumeLabel = "Card";
    drive.serialNumber = 0xE0E0E0E0;
    QStringList expected{"Type: Removable Disk", "Status: Unavailable"};
    while (expected.size() < 13)
        expected << QString();
    EXPECT_EQ(TDriveInfoForm1::InfoLines(drive, true), expected);
}

TEST_F(DriveInfoFormTest, ShowsTheDriveOfThePathWithItsSpace)
{
    const Shown shown = showFor("c:\\Photos\\2001");
    EXPECT_EQ(shown.entry, "C:");
    ASSERT_EQ(shown.lines.size(), 13);
    EXPECT_EQ(shown.lines.mid(0, 3), (QStringList{"Type: Local Disk", "Status: Available", "Label: System"}));
    EXPECT_TRUE(shown.lines[3].startsWith("File System: ")) << shown.lines[3].toStdString();
    EXPECT_EQ(shown.lines.mid(4, 4),
              (QStringList{"Volume serial #: 0012ABCD", "Used space: " + size(1) + " (1% full)",
                           "Free space: " + size(HundredGB - 1), "Capacity: " + size(HundredGB)}));
    EXPECT_EQ(shown.percent, "1% full");
    EXPECT_EQ(shown.used, size(1));
    EXPECT_EQ(shown.free, size(HundredGB - 1));
    EXPECT_EQ(shown.capacity, size(HundredGB));
}

TEST_F(DriveInfoFormTest, AWriteProtectedDriveAlmostFull)
{
    const Shown shown = showFor("D:");
    EXPECT_EQ(shown.entry, "D:");
    EXPECT_EQ(shown.lines.mid(0, 3), (QStringList{"Type: CD-ROM Disc", "Status: Write-protected", "Label: (empty)"}));
    EXPECT_EQ(shown.percent, "99% full");
}

TEST_F(DriveInfoFormTest, AnUnavailableDriveLeavesTheRestEmpty)
{
    const Shown shown = showFor("E:\\");
    EXPECT_EQ(shown.entry, "E:");
    ASSERT_EQ(shown.lines.size(), 13);
    EXPECT_EQ(shown.lines[1], "Status: Unavailable");
    for (int line = 2; line < 13; ++line)
        EXPECT_EQ(shown.lines[line], "") << line;
    EXPECT_EQ(shown.percent, "");
}

TEST_F(DriveInfoFormTest, AShareShowsTheDriveMappedToIt)
{
    const Shown shown = showFor("\\\\srv\\pics");
    EXPECT_EQ(shown.entry, "F:");
    EXPECT_EQ(shown.lines[0], "Type: Network Connection");
    EXPECT_EQ(shown.percent, "50% full");
}

TEST_F(DriveInfoFormTest, ChoosingAnotherDriveAndCopying)
{
    Shown chosen;
    QString copied, memo;
    ModalScript script({[&](QDialog &dialog) {
        Child<QComboBox>(dialog, "DriveCombo")->setCurrentText("D:");
        chosen = read(dialog);
        QApplication::clipboard()->clear();
        Child<QToolButton>(dialog, "CopyBtn")->click();
        copied = QApplication::clipboard()->text();
        memo = Child<QPlainTextEdit>(dialog, "Memo")->toPlainText();
        dialog.reject();
    }});
    TDriveInfoForm1::ShowFor("C:");
    EXPECT_EQ(chosen.lines[0], "Type: CD-ROM Disc");
    EXPECT_EQ(chosen.percent, "99% full");
    EXPECT_EQ(copied, memo);
    EXPECT_TRUE(copied.startsWith("Type: CD-ROM Disc\nStatus: Write-protected\n"));
}

TEST_F(DriveInfoFormTest, ThePieShowsTheUsedShareInTheUsedColour)
{
    QImage pie;
    ModalScript script({[&](QDialog &dialog) {
        pie = Child<QWidget>(dialog, "PiePaintBox")->grab().toImage();
        dialog.reject();
    }});
    TDriveInfoForm1::ShowFor("F:");   // half full
    ASSERT_FALSE(pie.isNull());
    const QPointF centre(pie.width() / 2.0, pie.height() / 2.0);
    const double radius = pie.width() * 0.3;
    const auto at = [&](double degrees) {
        const double angle = degrees * M_PI / 180;
        return pie.pixelColor(QPoint(int(centre.x() + radius * std::cos(angle)),
                                     int(centre.y() - radius * std::sin(angle))));
    };
    // Used is blue and free magenta by default; the used half is the upper one.
    EXPECT_EQ(at(90), QColor(0, 0, 255));
    EXPECT_EQ(at(45), QColor(0, 0, 255));
    EXPECT_EQ(at(270), QColor(255, 0, 255));
    EXPECT_EQ(at(225), QColor(255, 0, 255));
    // The shadow shows below and to the right of the circle.
    EXPECT_EQ(pie.pixelColor(pie.width() - 1, pie.height() / 2 + 4), QColor(0x80, 0x80, 0x80));
}

TEST_F(DriveInfoFormTest, ColoursComeFromAndGoBackToTheProgramOptions)
{
    ProgramOptions->SetInt(TProgramOptions::UsedDiskColour, 0x00FF00);
    ProgramOptions->SetInt(TProgramOptions::FreeDiskColour, 0x0000FF);
    QColor usedShown;
    ModalScript script({[&](QDialog &dialog) {
        usedShown = Child<QFrame>(dialog, "UsedPanel")->palette().color(QPalette::Window);
        static_cast<TDriveInfoForm1 &>(dialog).DefaultColour(Child<QFrame>(dialog, "FreePanel"));
        dialog.reject();
    }});
    TDriveInfoForm1::ShowFor("C:");
    EXPECT_EQ(usedShown, QColor(0, 255, 0));
    EXPECT_EQ(ProgramOptions->GetInt(TProgramOptions::UsedDiskColour), 0x00FF00);
    EXPECT_EQ(ProgramOptions->GetInt(TProgramOptions::FreeDiskColour), 0xFF00FF);
    TProgramOptions stored;
    stored.SetRegistryKey(SettingsRoot);
    stored.Load();
    EXPECT_EQ(stored.GetInt(TProgramOptions::UsedDiskColour), 0x00FF00);
    EXPECT_EQ(stored.GetInt(TProgramOptions::FreeDiskColour), 0xFF00FF);
}
