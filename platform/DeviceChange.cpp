#include "DeviceChange.h"

#include "Debug.h"
#include "DriveLetters.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Changes closer together than this make one burst: a disc with several
// partitions, or a drive map written in steps, gives one message.
constexpr int BurstMs = 200;

// One drive as the watcher last saw it.
struct DriveState
{
    DriveInfo info;
    bool ready = false;   // its host folder was there
    bool operator==(const DriveState &) const = default;
};
using DriveSnapshot = std::array<std::optional<DriveState>, 26>;   // by letter, 'A' first

DriveSnapshot snapshotOf(const DriveLetterTable &table)
{
    DriveSnapshot snapshot;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (const DriveInfo *drive = table.drive(letter))
            snapshot[size_t(letter - 'A')] = DriveState{*drive, IsDriveReady(*drive)};
    }
    return snapshot;
}

// The change from before to after as WM_DEVICECHANGE tells it: media that
// only came, media that only went, or anything else; 0 when nothing changed.
UINT deviceEvent(const DriveSnapshot &before, const DriveSnapshot &after)
{
    bool came = false;
    bool went = false;
    bool changed = false;
    for (size_t index = 0; index < before.size(); ++index) {
        const bool wasReady = before[index] && before[index]->ready;
        const bool isReady = after[index] && after[index]->ready;
        came = came || (isReady && !wasReady);
        went = went || (wasReady && !isReady);
        changed = changed || before[index] != after[index];
    }
    if (came != went)
        return came ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    return changed ? DBT_DEVNODES_CHANGED : 0;
}

// Watches the mount table and the drive map while windows are registered,
// and posts each burst of changes to them. Window thread.
class DeviceWatcher
{
public:
    DeviceWatcher();
    ~DeviceWatcher();
    DeviceWatcher(const DeviceWatcher &) = delete;
    DeviceWatcher &operator=(const DeviceWatcher &) = delete;

private:
    void watchMountTable();
    void watchDriveMap();
    void noticeChange();
    void endBurst();

    DriveSnapshot m_drives;                            // as the last burst left them
    int m_mountTable = -1;                             // the open mount table; -1 when unwatched
    std::unique_ptr<QSocketNotifier> m_mountChanges;   // on m_mountTable
    QString m_mapFile;                                 // the drive map; empty when none
    QFileSystemWatcher m_mapChanges;                   // the map and its folder
    QTimer m_burst;                                    // runs from a burst's first change to its post
};

// The registered windows, one entry per registration, and the watch that
// runs while there are any. Window thread.
struct Registrations
{
    std::vector<HWND> windows;
    std::unique_ptr<DeviceWatcher> watcher;
};

Registrations &registrations()
{
    static Registrations all;
    return all;
}

bool isRegistered(HWND window)
{
    const std::vector<HWND> &windows = registrations().windows;
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

// One post per window, however often it is registered. A window destroyed
// before its registration ended takes no message, as on Windows.
void postToRegistered(UINT event)
{
    std::vector<HWND> windows = registrations().windows;
    std::sort(windows.begin(), windows.end());
    windows.erase(std::unique(windows.begin(), windows.end()), windows.end());
    for (HWND window : windows)
        PostMessageIf(window, WM_DEVICECHANGE, event, 0, [window] { return isRegistered(window); });
}

DeviceWatcher::DeviceWatcher() : m_drives(snapshotOf(*RefreshDriveTable()))
{
    m_burst.setSingleShot(true);
    m_burst.setInterval(BurstMs);
    QObject::connect(&m_burst, &QTimer::timeout, &m_burst, [this] { endBurst(); });
    watchMountTable();
    if (const char *map = std::getenv("ZILO_DRIVE_MAP"); map && *map) {
        m_mapFile = QFileInfo(QFile::decodeName(map)).absoluteFilePath();
        // The folder too: a map replaced by rename, or made anew, is a new file.
        const auto changed = [this] {
            watchDriveMap();
            noticeChange();
        };
        QObject::connect(&m_mapChanges, &QFileSystemWatcher::fileChanged, &m_mapChanges, changed);
        QObject::connect(&m_mapChanges, &QFileSystemWatcher::directoryChanged, &m_mapChanges, changed);
        watchDriveMap();
    }
}

DeviceWatcher::~DeviceWatcher()
{
    m_mountChanges.reset();   // before its descriptor closes
    if (m_mountTable >= 0)
        ::close(m_mountTable);
}

// The host marks the open mount table with an exceptional condition (POLLPRI)
// whenever a mount comes or goes.
void DeviceWatcher::watchMountTable()
{
    m_mountTable = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_mountTable < 0) {
        OutputDebugStringA("Cannot watch the mount table: drives that come and go are not noticed");
        return;
    }
    m_mountChanges = std::make_unique<QSocketNotifier>(m_mountTable, QSocketNotifier::Exception);
    QObject::connect(m_mountChanges.get(), &QSocketNotifier::activated, m_mountChanges.get(),
                     [this] { noticeChange(); });
}

// Adds whichever of the map and its folder is there and not yet watched (a
// file replaced by rename drops out of the watch).
void DeviceWatcher::watchDriveMap()
{
    const QString folder = QFileInfo(m_mapFile).absolutePath();
    for (const QString &path : {m_mapFile, folder}) {
        const bool watched = m_mapChanges.files().contains(path) || m_mapChanges.directories().contains(path);
        if (!watched && QFileInfo::exists(path))
            m_mapChanges.addPath(path);
    }
}

void DeviceWatcher::noticeChange()
{
    if (!m_burst.isActive())
        m_burst.start();
}

// Changes that leave the drives as they were (another file in the map's
// folder, a mount without a letter) are posted to nobody.
void DeviceWatcher::endBurst()
{
    DriveSnapshot drives = snapshotOf(*RefreshDriveTable());
    const UINT event = deviceEvent(m_drives, drives);
    m_drives = std::move(drives);
    if (event != 0)
        postToRegistered(event);
}

} // namespace

CDeviceChangeRegistration::CDeviceChangeRegistration(HWND window) : m_window(window)
{
    Registrations &all = registrations();
    if (!all.watcher)
        all.watcher = std::make_unique<DeviceWatcher>();
    all.windows.push_back(window);
}

CDeviceChangeRegistration::~CDeviceChangeRegistration()
{
    Registrations &all = registrations();
    all.windows.erase(std::find(all.windows.begin(), all.windows.end(), m_window));
    if (all.windows.empty())
        all.watcher.reset();
}
