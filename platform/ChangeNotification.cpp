#include "ChangeNotification.h"

#include "HostPath.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

// An event and a notification's signal are both eventfds: readable while set.
// The process has one inotify instance. Whichever wait finds it readable reads
// it and signals the notifications of the watches its events name; several
// notifications may share one watch, since inotify gives one watch per folder
// (per inode), whatever path or filter asked for it.

namespace {

// Every notification's watch reports all of these; each notification sorts
// out what its own filter asks for.
constexpr uint32_t WatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE
                               | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;
constexpr uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t WriteEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
// The folder is no longer the one at the watched path, or is not watched at all.
constexpr uint32_t FolderGoneEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
constexpr DWORD KnownFilters = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

int fdOf(HANDLE handle)
{
    return handle >= 0 && handle <= INT_MAX ? int(handle) : -1;
}

void setSignal(int fd)
{
    const uint64_t one = 1;
    // EAGAIN only when the count is at its top: it is set already.
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

// 1 when this call reset the set eventfd, 0 when it was not set (another
// waiter took it first), -1 on failure.
int takeSignal(int fd)
{
    uint64_t count = 0;
    if (::read(fd, &count, sizeof count) == ssize_t(sizeof count))
        return 1;
    return errno == EAGAIN ? 0 : -1;
}

bool wanted(DWORD filter, uint32_t mask)
{
    if (mask & IN_ISDIR)
        return (filter & FILE_NOTIFY_CHANGE_DIR_NAME) && (mask & NameEvents);
    return ((filter & FILE_NOTIFY_CHANGE_FILE_NAME) && (mask & NameEvents))
           || ((filter & FILE_NOTIFY_CHANGE_LAST_WRITE) && (mask & WriteEvents));
}

struct Notification
{
    int signal = -1;                  // eventfd; its number is the caller's handle
    int watch = -1;                   // inotify watch; -1 once the folder is gone
    DWORD filter = 0;
    bool answered = false;            // a wait answered it and it is not re-armed yet
    bool changedSinceAnswer = false;  // a change came after that answer
};

class Watches
{
public:
    HANDLE add(const std::string &hostFolder, DWORD filter);
    BOOL rearm(HANDLE handle);
    BOOL close(HANDLE handle);
    // The inotify instance when any of handles is a notification, else -1;
    // isNotification[i] tells which are.
    int inotifyFor(const HANDLE *handles, DWORD count, std::vector<bool> &isNotification);
    // Signals the notifications of every change read so far.
    void takeChanges();
    // A wait answers handle: the changes read so far are all in this answer.
    void answer(HANDLE handle);

private:
    void dispatch(const inotify_event &event);
    static void signal(Notification &notification);
    Notification *find(HANDLE handle);
    bool watchShared(int watch) const { return m_byWatch.count(watch) > 1; }

    // Guards every member; held for non-blocking calls only, no other lock
    // is taken while it is held.
    std::mutex m_lock;
    int m_inotify = -1;   // made at the first notification, kept for the process
    std::map<HANDLE, std::unique_ptr<Notification>> m_notifications;
    std::multimap<int, Notification *> m_byWatch;   // live watches only
};

Watches &watches()
{
    static Watches instance;
    return instance;
}

DWORD watchError(int error)
{
    switch (error) {
    case ENOTDIR: return ERROR_DIRECTORY;
    case ENOSPC: return ERROR_TOO_MANY_OPEN_FILES;   // the host's limit of watches, not a full disk
    default: return ErrorFromErrno(error);
    }
}

HANDLE Watches::add(const std::string &hostFolder, DWORD filter)
{
    std::lock_guard lock(m_lock);
    if (m_inotify < 0)
        m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    const int watch = ::inotify_add_watch(m_inotify, hostFolder.c_str(), WatchMask);
    if (watch < 0) {
        SetLastError(watchError(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto notification = std::make_unique<Notification>();
    notification->signal = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (notification->signal < 0) {
        SetLastErrorFromErrno();
        if (m_byWatch.count(watch) == 0)
            ::inotify_rm_watch(m_inotify, watch);
        return INVALID_HANDLE_VALUE;
    }
    notification->watch = watch;
    notification->filter = filter;
    const HANDLE handle = notification->signal;
    m_byWatch.emplace(watch, notification.get());
    m_notifications[handle] = std::move(notification);
    return handle;
}

Notification *Watches::find(HANDLE handle)
{
    const auto found = m_notifications.find(handle);
    return found == m_notifications.end() ? nullptr : found->second.get();
}

BOOL Watches::rearm(HANDLE handle)
{
    std::lock_guard lock(m_lock);
    Notification *notification = find(handle);
    if (!notification) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (notification->watch < 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (notification->answered && !notification->changedSinceAnswer)
        takeSignal(notification->signal);
    notification->answered = false;
    notification->changedSinceAnswer = false;
    return TRUE;
}

BOOL Watches::close(HANDLE handle)
{
    std::lock_guard lock(m_lock);
    const auto found = m_notifications.find(handle);
    if (found == m_notifications.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Notification *notification = found->second.get();
    const int watch = notification->watch;
    if (watch >= 0) {
        // Another notification of the same folder keeps the watch.
        if (!watchShared(watch))
            ::inotify_rm_watch(m_inotify, watch);
        for (auto [at, end] = m_byWatch.equal_range(watch); at != end; ++at) {
            if (at->second == notification) {
                m_byWatch.erase(at);
                break;
            }
        }
    }
    ::close(notification->signal);
    m_notifications.erase(found);
    return TRUE;
}

int Watches::inotifyFor(const HANDLE *handles, DWORD count, std::vector<bool> &isNotification)
{
    std::lock_guard lock(m_lock);
    bool any = false;
    isNotification.assign(count, false);
    for (DWORD i = 0; i < count; ++i) {
        isNotification[i] = find(handles[i]) != nullptr;
        any = any || isNotification[i];
    }
    return any ? m_inotify : -1;
}

void Watches::answer(HANDLE handle)
{
    std::lock_guard lock(m_lock);
    if (Notification *notification = find(handle)) {
        notification->answered = true;
        notification->changedSinceAnswer = false;
    }
}

void Watches::takeChanges()
{
    std::lock_guard lock(m_lock);
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            return;   // EAGAIN: nothing more; another waiter may have read it
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            dispatch(*event);
            offset += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

void Watches::signal(Notification &notification)
{
    if (notification.answered)
        notification.changedSinceAnswer = true;
    setSignal(notification.signal);
}

void Watches::dispatch(const inotify_event &event)
{
    if (event.mask & IN_Q_OVERFLOW) {
        for (auto &entry : m_notifications)
            signal(*entry.second);   // changes were lost: any may have been one
        return;
    }
    auto [first, end] = m_byWatch.equal_range(event.wd);
    if (event.mask & FolderGoneEvents) {
        for (auto at = first; at != end; ++at) {
            at->second->watch = -1;
            signal(*at->second);
        }
        const bool known = first != end;
        m_byWatch.erase(first, end);
        // A folder moved away would still be watched at its new place.
        if (known && !(event.mask & IN_IGNORED))
            ::inotify_rm_watch(m_inotify, event.wd);
        return;
    }
    if (event.len == 0)
        return;   // the folder itself, not an entry in it
    for (auto at = first; at != end; ++at) {
        if (wanted(at->second->filter, event.mask))
            signal(*at->second);
    }
}

// The milliseconds left for poll, -1 without a time-out.
class Deadline
{
public:
    explicit Deadline(DWORD milliseconds)
        : m_infinite(milliseconds == INFINITE),
          m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(m_infinite ? 0 : milliseconds))
    {
    }
    int remaining() const
    {
        if (m_infinite)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
        return int(std::max<int64_t>(0, std::min<int64_t>(left.count(), INT_MAX)));
    }
    bool passed() const { return !m_infinite && std::chrono::steady_clock::now() >= m_end; }

private:
    bool m_infinite;
    std::chrono::steady_clock::time_point m_end;
};

// Moves a descriptor off 0, which is NULL, the failure answer of CreateEventA.
int awayFromNull(int fd)
{
    if (fd != 0)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    return moved;
}

} // namespace

HANDLE CreateEventA(void *, BOOL manualReset, BOOL initialState, const char *)
{
    if (manualReset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int fd = awayFromNull(::eventfd(initialState ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (fd < 0) {
        SetLastErrorFromErrno();
        return 0;
    }
    return fd;
}

BOOL SetEvent(HANDLE event)
{
    const uint64_t one = 1;
    if (::write(fdOf(event), &one, sizeof one) == ssize_t(sizeof one) || errno == EAGAIN)
        return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

HANDLE FindFirstChangeNotificationA(const char *pathName, BOOL watchSubtree, DWORD filter)
{
    if (watchSubtree || filter == 0 || (filter & ~KnownFilters)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string host = HostPathFromWindows(pathName ? pathName : "");
    if (host.empty())
        return INVALID_HANDLE_VALUE;
    return watches().add(host, filter);
}

BOOL FindNextChangeNotification(HANDLE notification)
{
    return watches().rearm(notification);
}

BOOL FindCloseChangeNotification(HANDLE notification)
{
    return watches().close(notification);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles || waitAll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<pollfd> polled(count);
    for (DWORD i = 0; i < count; ++i) {
        polled[i] = {fdOf(handles[i]), POLLIN, 0};
        if (polled[i].fd < 0) {
            SetLastError(ERROR_INVALID_HANDLE);   // poll would skip it and wait for ever
            return WAIT_FAILED;
        }
    }
    std::vector<bool> isNotification;
    const int inotify = watches().inotifyFor(handles, count, isNotification);
    if (inotify >= 0)
        polled.push_back({inotify, POLLIN, 0});

    const Deadline deadline(milliseconds);
    for (;;) {
        const int ready = ::poll(polled.data(), nfds_t(polled.size()), deadline.remaining());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            SetLastErrorFromErrno();
            return WAIT_FAILED;
        }
        if (ready == 0) {
            if (deadline.passed())
                return WAIT_TIMEOUT;
            continue;
        }
        for (const pollfd &entry : polled) {
            if (entry.revents & (POLLNVAL | POLLERR)) {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
        }
        // Its changes may signal handles of this wait: the next poll sees them.
        if (inotify >= 0 && (polled.back().revents & POLLIN))
            watches().takeChanges();
        for (DWORD i = 0; i < count; ++i) {
            if (!(polled[i].revents & POLLIN))
                continue;
            if (isNotification[i]) {
                watches().answer(handles[i]);
                return WAIT_OBJECT_0 + i;
            }
            const int taken = takeSignal(polled[i].fd);
            if (taken > 0)
                return WAIT_OBJECT_0 + i;
            if (taken < 0) {
                SetLastErrorFromErrno();
                return WAIT_FAILED;
            }
        }
    }
}
