#include <platform/DeviceChange.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"
#include "../WindowThreadQueue.h"

#include <platform/DriveLetters.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A window that keeps the wParam of every WM_DEVICECHANGE it is posted, and
// fails the test on any other message. Window thread only.
class DeviceWindow
{
public:
    DeviceWindow()
        : m_window([this](UINT message, WPARAM wParam, LPARAM lParam) {
              EXPECT_EQ(message, WM_DEVICECHANGE);
              EXPECT_EQ(lParam, 0);
              m_events.push_back(wParam);
              return LRESULT(0);
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    const std::vector<WPARAM> &events() const { return m_events; }
    bool heard(WPARAM event) const { return !m_events.empty() && m_events.back() == event; }

private:
    std::vector<WPARAM> m_events;
    CMessageWindow m_window;
};

// C: is the test folder; "disc" and "stick" are folders that can stand for
// media put into drives, and "empty" is a folder that is never made, a drive
// without its medium.
class DeviceChange : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(folder("disc"));
        std::filesystem::create_directories(folder("stick"));
        WriteDriveMap(driveC());
    }

    static std::string folder(const std::string &name) { return TestHostFolder() + "/" + name; }
    static QString driveC() { return DriveMapLine("C:", TestHostFolder(), "fixed", "1", "System"); }
    static QString drive(const QString &letter, const std::string &name, const QString &label)
    {
        return DriveMapLine(letter, folder(name), "removable", "2", label);
    }
    // The drive map written by temporary file and rename, as an editor saves it.
    static void replaceDriveMap(const QString &lines)
    {
        const std::string map = TestHostFolder() + "/drives.map";
        WriteHostFile(map + ".new", lines.toUtf8());
        std::filesystem::rename(map + ".new", map);
    }

    // Leaves only C:, which every registered window hears as media gone; a
    // message left over from an earlier change would arrive before this one.
    static void removeDrives(const DeviceWindow &window)
    {
        WriteDriveMap(driveC());
        ASSERT_TRUE(ServeUntil([&] { return window.heard(DBT_DEVICEREMOVECOMPLETE); }));
    }
};

TEST_F(DeviceChange, TellsWhetherMediaCameWentOrChanged)
{
    struct Case
    {
        const char *name;
        QString before;
        QString after;
        WPARAM event;
    };
    const Case cases[] = {
        {"a disc put into an empty drive", drive("D:", "empty", ""), drive("D:", "disc", "Holiday"), DBT_DEVICEARRIVAL},
        {"a new drive with its medium", QString(), drive("D:", "disc", "Holiday"), DBT_DEVICEARRIVAL},
        {"a disc taken out", drive("D:", "disc", "Holiday"), drive("D:", "empty", ""), DBT_DEVICEREMOVECOMPLETE},
        {"a drive gone", drive("D:", "disc", "Holiday"), QString(), DBT_DEVICEREMOVECOMPLETE},
        {"a disc moved from D: to G:", drive("D:", "disc", "Holiday"), drive("G:", "disc", "Holiday"),
         DBT_DEVNODES_CHANGED},
        {"a disc taken out while a stick comes", drive("D:", "disc", "Holiday"), drive("E:", "stick", "Stick"),
         DBT_DEVNODES_CHANGED},
        {"a label changed", drive("D:", "disc", "Holiday"), drive("D:", "disc", "Work"), DBT_DEVNODES_CHANGED},
        {"an empty drive added", QString(), drive("D:", "empty", ""), DBT_DEVNODES_CHANGED},
    };
    DeviceWindow window;
    for (const Case &change : cases) {
        SCOPED_TRACE(change.name);
        WriteDriveMap(driveC() + change.before);
        const std::size_t heardBefore = window.events().size();
        {
            CDeviceChangeRegistration registration(window.handle());
            WriteDriveMap(driveC() + change.after);
            ASSERT_TRUE(ServeUntil([&] { return window.events().size() > heardBefore; }));
        }
        EXPECT_EQ(window.events().back(), change.event);
    }
}

TEST_F(DeviceChange, OneMessageABurstToEachRegisteredWindowOnly)
{
    DeviceWindow registered;
    DeviceWindow twice;
    DeviceWindow unregistered;
    CDeviceChangeRegistration registration(registered.handle());
    CDeviceChangeRegistration first(twice.handle());
    CDeviceChangeRegistration second(twice.handle());

    // Each step is seen by the watch before the next is written.
    WriteDriveMap(driveC() + drive("D:", "disc", "One"));
    QCoreApplication::processEvents();
    WriteDriveMap(driveC() + drive("D:", "disc", "Two"));
    QCoreApplication::processEvents();
    WriteDriveMap(driveC() + drive("D:", "disc", "Two") + drive("E:", "stick", "Stick"));
    ASSERT_TRUE(ServeUntil([&] { return !registered.events().empty() && !twice.events().empty(); }));
    removeDrives(registered);
    ASSERT_TRUE(ServeUntil([&] { return twice.heard(DBT_DEVICEREMOVECOMPLETE); }));

    const std::vector<WPARAM> expected{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE};
    EXPECT_EQ(registered.events(), expected);
    EXPECT_EQ(twice.events(), expected);
    EXPECT_TRUE(unregistered.events().empty());
}

TEST_F(DeviceChange, ARewriteThatLeavesTheDrivesAsTheyWereIsPostedToNobody)
{
    WriteDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    DeviceWindow window;
    CDeviceChangeRegistration registration(window.handle());

    WriteDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    WriteHostFile(folder("unrelated.txt"), "beside the map");
    // The watch reads the drives again when its burst ends; nothing else
    // here does, so a new table means that burst is over.
    const std::shared_ptr<const DriveLetterTable> written = CurrentDriveTable();
    ASSERT_TRUE(ServeUntil([&] { return CurrentDriveTable() != written; }));
    removeDrives(window);

    EXPECT_EQ(window.events(), std::vector<WPARAM>{DBT_DEVICEREMOVECOMPLETE});
}

TEST_F(DeviceChange, AWindowWhoseRegistrationEndedHearsNothing)
{
    DeviceWindow staying;
    DeviceWindow leaving;
    CDeviceChangeRegistration registration(staying.handle());
    std::optional<CDeviceChangeRegistration> leavingRegistration(std::in_place, leaving.handle());

    WriteDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    ASSERT_TRUE(ServeUntil([&] { return staying.heard(DBT_DEVICEARRIVAL); }));
    ASSERT_TRUE(leaving.heard(DBT_DEVICEARRIVAL));

    leavingRegistration.reset();
    removeDrives(staying);
    EXPECT_EQ(leaving.events(), std::vector<WPARAM>{DBT_DEVICEARRIVAL});
}

TEST_F(DeviceChange, AMessageQueuedWhenTheRegistrationEndsIsDropped)
{
    DeviceWindow staying;
    DeviceWindow leaving;
    CDeviceChangeRegistration registration(staying.handle());
    std::optional<CDeviceChangeRegistration> leavingRegistration(std::in_place, leaving.handle());

    BeforeQueuedCall endRegistration([&] { leavingRegistration.reset(); });
    WriteDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    ASSERT_TRUE(ServeUntil([&] { return staying.heard(DBT_DEVICEARRIVAL); }));

    EXPECT_TRUE(endRegistration.ran());
    EXPECT_FALSE(leavingRegistration.has_value());
    EXPECT_TRUE(leaving.events().empty());
}

TEST_F(DeviceChange, TheWatchStartsAgainAfterTheLastRegistrationEnded)
{
    DeviceWindow window;
    { CDeviceChangeRegistration earlier(window.handle()); }
    // Put in while nobody watched: the next watch starts with D: there.
    WriteDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    CDeviceChangeRegistration registration(window.handle());

    WriteDriveMap(driveC() + drive("E:", "stick", "Stick"));
    ASSERT_TRUE(ServeUntil([&] { return !window.events().empty(); }));
    removeDrives(window);

    const std::vector<WPARAM> expected{DBT_DEVNODES_CHANGED, DBT_DEVICEREMOVECOMPLETE};
    EXPECT_EQ(window.events(), expected);
}

TEST_F(DeviceChange, AMapReplacedByRenameStaysWatched)
{
    DeviceWindow window;
    CDeviceChangeRegistration registration(window.handle());

    replaceDriveMap(driveC() + drive("D:", "disc", "Holiday"));
    ASSERT_TRUE(ServeUntil([&] { return window.heard(DBT_DEVICEARRIVAL); }));
    replaceDriveMap(driveC());
    ASSERT_TRUE(ServeUntil([&] { return window.heard(DBT_DEVICEREMOVECOMPLETE); }));
    // Written in place: the watch is on the new file, not on the one replaced.
    WriteDriveMap(driveC() + drive("E:", "stick", "Stick"));
    ASSERT_TRUE(ServeUntil([&] { return window.heard(DBT_DEVICEARRIVAL); }));

    const std::vector<WPARAM> expected{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEARRIVAL};
    EXPECT_EQ(window.events(), expected);
}

// The host's own mount table, watched from a namespace where a share can be
// mounted without privileges (a helper process, since a process with threads
// cannot enter one).
TEST(DeviceChangeMounts, AShareMountedAndUnmountedArrivesAndGoes)
{
    const std::string share = TestHostFolder() + "/share";
    std::filesystem::create_directories(share);
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("ZILO_DRIVE_MAP"));
    helper.setProcessEnvironment(environment);
    helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/MountAndWatch"),
                 {QString::fromStdString(share)});
    ASSERT_TRUE(ServeUntil([&] { return helper.state() == QProcess::NotRunning; }, std::chrono::seconds(60)));
    ASSERT_EQ(helper.exitStatus(), QProcess::NormalExit);
    if (helper.exitCode() == 77)
        GTEST_SKIP() << "this host lets no user make namespaces to mount in";
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    EXPECT_EQ(helper.readAllStandardOutput().toStdString(), "0x8000\n0x8004\n");
}

} // namespace
