#include "../Source/GlobTestSupport.h"
#include "../TestSupport.h"

#include <Source/Glob.h>
#include <Source/tools/Upgrade.h>
#include <Source/windows/ProgressForm.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Registry.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QString>
#include <QWindow>

#include <filesystem>
#include <numeric>
#include <optional>
#include <vector>

namespace {

// What the user sees of the progress windows shown while it lives: each
// window's caption, text and bar, and each new value of the bar that the
// window painted.
class ProgressWatch : public QObject
{
public:
    struct Window
    {
        QString caption;
        QString text;
        int maximum = 0;
        std::vector<int> paintedValues;   // while the window was on the screen
    };

    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    std::vector<Window> windows;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        const auto *form = qobject_cast<TProgressForm1 *>(object);
        if (!form)
            return false;
        if (event->type() == QEvent::Show)
            windows.push_back({form->windowTitle(), form->Label->text(), form->ProgressBar->maximum(), {}});
        else if (event->type() == QEvent::UpdateRequest && !windows.empty() && form->windowHandle()
                 && form->windowHandle()->isExposed())
            notePainted(windows.back().paintedValues, form->ProgressBar->value());
        return false;
    }

private:
    static void notePainted(std::vector<int> &values, int value)
    {
        if (values.empty() || values.back() != value)
            values.push_back(value);
    }
};

bool progressWindowLeft()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (qobject_cast<TProgressForm1 *>(window))
            return true;
    }
    return false;
}

// C: and D: fixed drives, E: a CD-ROM, F: a CD-ROM drive without a disc, G: a
// network drive; no other letter.
class Upgrades : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *folder : {"c", "d", "e", "g"})
            std::filesystem::create_directories(TestHostFolder() + '/' + folder);
        WriteDriveMap(DriveMapLine("C:", TestHostFolder() + "/c", "fixed", "0012ABCD", "System")
                      + DriveMapLine("D:", TestHostFolder() + "/d", "fixed", "1234ABCD", "Data")
                      + DriveMapLine("E:", TestHostFolder() + "/e", "cdrom", "5555AAAA", "Disc")
                      + DriveMapLine("F:", TestHostFolder() + "/f", "cdrom", "0", "")
                      + DriveMapLine("G:", TestHostFolder() + "/g", "remote,source=//nas/pics", "7777BBBB", ""));
        m_globals.emplace();
    }
    void TearDown() override { m_globals.reset(); }

    // Key paths below the settings root.
    static QString key(const QString &relative) { return SettingsRoot + u'\\' + relative; }

    static void writeValue(const QString &relative, const QString &name, const QString &value)
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(key(relative), true));
        registry.WriteString(name, value);
    }
    // The value, or nothing when the key or the value is missing.
    static std::optional<QString> readValue(const QString &relative, const QString &name)
    {
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(key(relative)) || !registry.ValueExists(name))
            return std::nullopt;
        return registry.ReadString(name);
    }
    static bool exists(const QString &relative) { return TRegistry().KeyExists(key(relative)); }

    // A folder's settings with a subfolder's, as the old layouts kept them.
    static void writeFolderKeys(const QString &relative)
    {
        writeValue(relative, QStringLiteral("AutoSave"), QStringLiteral("1"));
        writeValue(relative + QStringLiteral("\\Photos"), QStringLiteral("Sort"), QStringLiteral("3"));
    }
    static void expectFolderKeys(const QString &relative)
    {
        EXPECT_EQ(readValue(relative, QStringLiteral("AutoSave")), QStringLiteral("1")) << relative.toStdString();
        EXPECT_EQ(readValue(relative + QStringLiteral("\\Photos"), QStringLiteral("Sort")), QStringLiteral("3"))
            << relative.toStdString();
    }

    static bool recorded(const char *version)
    {
        return SettingsStore->ReadInteger(QStringLiteral("Updates"), QString::fromLatin1(version), 0) == 1;
    }
    static void record(const char *version)
    {
        SettingsStore->WriteInteger(QStringLiteral("Updates"), QString::fromLatin1(version), 1);
    }

private:
    std::optional<GlobalsScope> m_globals;
};

} // namespace

TEST_F(Upgrades, OldDataMovesTheKeysOfFixedAndNetworkDrivesToTheirSerialNumbers)
{
    const struct
    {
        const char *letter;
        const char *serial;   // where the keys go; nullptr when they are dropped
    } cases[] = {
        {"C", "0012ABCD"}, {"D", "1234ABCD"}, {"E", nullptr}, {"F", nullptr}, {"G", "7777BBBB"}, {"Q", nullptr},
    };
    for (const char *base : {"Folders", "Memos"}) {
        for (const auto &c : cases)
            writeFolderKeys(QStringLiteral("%1\\Drive %2").arg(base, c.letter));
    }
    for (const char *section : {"Options", "Folders\\Drive ", "Thumbnail Wizard", "Program"})
        writeValue(QString::fromLatin1(section), QStringLiteral("x"), QStringLiteral("1"));

    UpgradeOldData();

    EXPECT_TRUE(recorded("2.0"));
    for (const char *base : {"Folders", "Memos"}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(base) + " " + c.letter);
            EXPECT_FALSE(exists(QStringLiteral("%1\\Drive %2").arg(base, c.letter)));
            if (c.serial)
                expectFolderKeys(QStringLiteral("%1\\%2").arg(base, c.serial));
        }
        EXPECT_FALSE(exists(QStringLiteral("%1\\5555AAAA").arg(base))) << "a CD-ROM's keys are dropped";
        EXPECT_FALSE(exists(QStringLiteral("%1\\00000000").arg(base))) << "a missing drive's keys are dropped";
    }
    for (const char *section : {"Options", "Folders\\Drive ", "Thumbnail Wizard"})
        EXPECT_FALSE(exists(QString::fromLatin1(section))) << section;
    EXPECT_TRUE(exists(QStringLiteral("Program")));
}

TEST_F(Upgrades, Beta2KeysMoveToTheirMarkedPlaces)
{
    record("2.0");
    writeFolderKeys(QStringLiteral("Folders\\00000045"));
    writeFolderKeys(QStringLiteral("Memos\\00000045"));
    writeFolderKeys(QStringLiteral("Folders\\abcd1234\\Pics"));   // lower case: a share's server
    writeFolderKeys(QStringLiteral("Folders\\server\\share"));
    writeFolderKeys(QStringLiteral("Memos\\server\\share"));
    writeFolderKeys(QStringLiteral("Folders\\1234ABCD\\Thumbnail Wizard"));
    writeFolderKeys(QStringLiteral("Folders\\1234ABCD\\Holiday"));
    writeFolderKeys(QStringLiteral("Folders\\*Shared\\nas\\pics"));

    UpgradeFrom20Beta2();

    EXPECT_TRUE(recorded("2.0 Beta 2"));
    expectFolderKeys(QStringLiteral("Folders\\*Mapped\\E"));
    expectFolderKeys(QStringLiteral("Memos\\*Mapped\\E"));
    expectFolderKeys(QStringLiteral("Folders\\*Shared\\abcd1234\\Pics"));
    // The server moves with its share below it, before the share's own turn.
    expectFolderKeys(QStringLiteral("Folders\\*Shared\\server\\share"));
    expectFolderKeys(QStringLiteral("Memos\\*Shared\\server\\share"));
    expectFolderKeys(QStringLiteral("Folders\\1234ABCD\\*TnWiz"));
    expectFolderKeys(QStringLiteral("Folders\\1234ABCD\\Holiday"));
    expectFolderKeys(QStringLiteral("Folders\\*Shared\\nas\\pics"));
    for (const char *gone : {"Folders\\00000045", "Memos\\00000045", "Folders\\abcd1234", "Folders\\server",
                             "Memos\\server", "Folders\\*Shared\\share", "Folders\\1234ABCD\\Thumbnail Wizard"})
        EXPECT_FALSE(exists(QString::fromLatin1(gone))) << gone;
}

TEST_F(Upgrades, FinalDropsTheObsoleteSoundEvent)
{
    record("2.0");
    record("2.0 Beta 2");
    TRegistry registry;
    ASSERT_TRUE(registry.CreateKey(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Folder Tidy Complete\\.Current")));
    ASSERT_TRUE(registry.CreateKey(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Load Complete\\.Current")));

    UpgradeTo20Final();

    EXPECT_TRUE(recorded("2.0 Final"));
    EXPECT_FALSE(registry.KeyExists(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Folder Tidy Complete")));
    EXPECT_TRUE(registry.KeyExists(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Load Complete\\.Current")));
}

TEST_F(Upgrades, TheFirstTwoStepsShowTheirProgressLetterByLetter)
{
    const struct
    {
        void (*step)();
        const char *oldKey;    // one key for the step to convert
        const char *caption;   // nullptr for no window
    } cases[] = {
        {UpgradeOldData, "Folders\\Drive D", "Updating to V2.0"},
        {UpgradeFrom20Beta2, "Folders\\00000045", "Updating to V2.0 Beta 2"},
        {UpgradeTo20Final, nullptr, nullptr},
    };
    std::vector<int> letterByLetter(27);
    std::iota(letterByLetter.begin(), letterByLetter.end(), 0);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption ? c.caption : "no window");
        if (c.oldKey)
            writeFolderKeys(QString::fromLatin1(c.oldKey));
        ProgressWatch watch;
        c.step();
        EXPECT_FALSE(progressWindowLeft());
        if (!c.caption) {
            EXPECT_TRUE(watch.windows.empty());
            continue;
        }
        ASSERT_EQ(watch.windows.size(), 1u);
        EXPECT_EQ(watch.windows[0].caption, c.caption);
        EXPECT_EQ(watch.windows[0].text, "Please wait while ZILO updates existing information...");
        EXPECT_EQ(watch.windows[0].maximum, 26);
        EXPECT_EQ(watch.windows[0].paintedValues, letterByLetter) << "painted when shown and after each letter";
    }
}

// A first start, or a store that only the current version wrote: nothing to
// convert, so no window, and every step is done with.
TEST_F(Upgrades, WithNothingToConvertNoWindowIsShown)
{
    const std::vector<const char *> currentKeys[] = {
        {},
        {"Program", "Folders\\1234ABCD\\Pics", "Folders\\*Shared\\nas\\pics", "Folders\\*Mapped\\E\\Pics",
         "Memos\\0012ABCD\\Pics", "Folders\\1234ABCD\\Pics\\*TnWiz"},
    };
    for (const auto &keys : currentKeys) {
        SCOPED_TRACE(keys.size());
        SettingsStore->EraseSection(QStringLiteral("Updates"));
        for (const char *key : keys)
            writeFolderKeys(QString::fromLatin1(key));
        ProgressWatch watch;
        UpgradeOldData();
        UpgradeFrom20Beta2();
        UpgradeTo20Final();
        EXPECT_TRUE(watch.windows.empty());
        EXPECT_TRUE(recorded("2.0"));
        EXPECT_TRUE(recorded("2.0 Beta 2"));
        EXPECT_TRUE(recorded("2.0 Final"));
        for (const char *key : keys)
            expectFolderKeys(QString::fromLatin1(key));
    }
}

// A later step never runs before the one it builds on (a Beta 2 pass over
// the oldest layout would take "Drive D" for a share), and none runs twice.
TEST_F(Upgrades, StepsRunOnceAndInOrder)
{
    writeFolderKeys(QStringLiteral("Folders\\Drive D"));
    UpgradeFrom20Beta2();
    UpgradeTo20Final();
    EXPECT_FALSE(recorded("2.0 Beta 2"));
    EXPECT_FALSE(recorded("2.0 Final"));
    expectFolderKeys(QStringLiteral("Folders\\Drive D"));

    UpgradeOldData();
    UpgradeFrom20Beta2();
    UpgradeTo20Final();
    EXPECT_TRUE(recorded("2.0"));
    EXPECT_TRUE(recorded("2.0 Beta 2"));
    EXPECT_TRUE(recorded("2.0 Final"));
    expectFolderKeys(QStringLiteral("Folders\\1234ABCD"));
    EXPECT_FALSE(exists(QStringLiteral("Folders\\*Shared\\Drive D")));

    // Keys that each step would convert, written after all three have run.
    writeFolderKeys(QStringLiteral("Folders\\Drive E"));
    writeFolderKeys(QStringLiteral("Folders\\00000045"));
    TRegistry().CreateKey(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Folder Tidy Complete"));
    UpgradeOldData();
    UpgradeFrom20Beta2();
    UpgradeTo20Final();
    expectFolderKeys(QStringLiteral("Folders\\Drive E"));
    expectFolderKeys(QStringLiteral("Folders\\00000045"));
    EXPECT_TRUE(TRegistry().KeyExists(QStringLiteral("AppEvents\\Schemes\\Apps\\ZILO\\Folder Tidy Complete")));
}

// A copy that the store refuses keeps the old key, and the step is not
// recorded, so it runs again at the next start and then converts the key.
TEST_F(Upgrades, AFailedCopyKeepsTheOldKeyAndTheStepRunsAgain)
{
    writeFolderKeys(QStringLiteral("Folders\\Drive D"));
    {
        RefusedRegistryWrites refused("Sort");
        EXPECT_THROW(UpgradeOldData(), ERegistryException);
    }
    EXPECT_FALSE(progressWindowLeft());
    EXPECT_FALSE(recorded("2.0"));
    expectFolderKeys(QStringLiteral("Folders\\Drive D"));
    EXPECT_FALSE(exists(QStringLiteral("Folders\\1234ABCD")));

    UpgradeOldData();
    EXPECT_TRUE(recorded("2.0"));
    expectFolderKeys(QStringLiteral("Folders\\1234ABCD"));
    EXPECT_FALSE(exists(QStringLiteral("Folders\\Drive D")));
}

// A new name that is taken already is never overwritten, and the old key
// stays rather than being lost.
TEST_F(Upgrades, AKeyWhoseNewNameIsTakenStays)
{
    writeFolderKeys(QStringLiteral("Folders\\Drive D"));
    writeValue(QStringLiteral("Folders\\1234ABCD"), QStringLiteral("AutoSave"), QStringLiteral("0"));

    UpgradeOldData();

    EXPECT_TRUE(recorded("2.0"));
    expectFolderKeys(QStringLiteral("Folders\\Drive D"));
    EXPECT_EQ(readValue(QStringLiteral("Folders\\1234ABCD"), QStringLiteral("AutoSave")), QStringLiteral("0"));
}
