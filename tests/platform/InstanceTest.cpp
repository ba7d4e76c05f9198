#include <platform/Instance.h>

#include "../ScopedEnvironment.h"
#include "../TestSupport.h"
#include "../WindowThreadQueue.h"

#include <platform/Exception.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char ClassName[] = "TMainForm1";
constexpr char Title[] = "Zilo";
constexpr UINT Activate = WM_USER + 401;
// Parameters that use all 64 bits, and a negative lParam.
constexpr WPARAM WideWParam = WPARAM(0xFEDCBA9876543210ULL);
constexpr LPARAM NegativeLParam = LPARAM(-0x123456789ABCLL);

struct Posted
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window that keeps the messages it is posted. Window thread only.
class RecordingWindow
{
public:
    RecordingWindow()
        : m_window([this](UINT message, WPARAM wParam, LPARAM lParam) {
              m_posted.push_back({message, wParam, lParam});
              return LRESULT(0);
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    const std::vector<Posted> &posted() const { return m_posted; }

private:
    std::vector<Posted> m_posted;
    CMessageWindow m_window;
};

// PostToInstanceWindow from a worker thread, while the window thread serves
// its queue as the first instance's loop would.
BOOL postFromWorker(const char *className, const char *title, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto worker = std::async(std::launch::async, [=] {
        return PostToInstanceWindow(className, title, message, wParam, lParam);
    });
    EXPECT_TRUE(ServeUntilReady(worker));
    return worker.get();
}

// A socket bound at path and listening, as an instance's is, that never
// accepts: closed, it leaves the file behind as a crashed instance does.
class RawListener
{
public:
    // beforeListen runs between bind and listen: the server's credentials
    // are the ones it has when it listens.
    explicit RawListener(const QString &path, const std::function<bool()> &beforeListen = [] { return true; })
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray hostPath = QFile::encodeName(path);
        if (size_t(hostPath.size()) >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, hostPath.constData(), size_t(hostPath.size()));
        m_ready = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
                  && beforeListen() && ::listen(m_fd, 4) == 0;
    }
    ~RawListener() { ::close(m_fd); }

    bool ready() const { return m_ready; }
    int fd() const { return m_fd; }

private:
    int m_fd;
    bool m_ready = false;
};

// A window that keeps the data of each WM_COPYDATA and answers it with answer.
class CopyDataWindow
{
public:
    explicit CopyDataWindow(LRESULT answer)
        : m_window([this, answer](UINT message, WPARAM wParam, LPARAM lParam) {
              if (message != WM_COPYDATA || wParam != 0)
                  return LRESULT(0);
              const auto &copy = *reinterpret_cast<const COPYDATASTRUCT *>(lParam);
              m_kinds.push_back(copy.dwData);
              m_data.emplace_back(static_cast<const char *>(copy.lpData), qsizetype(copy.cbData));
              return answer;
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    const std::vector<uintptr_t> &kinds() const { return m_kinds; }
    const std::vector<QByteArray> &data() const { return m_data; }

private:
    std::vector<uintptr_t> m_kinds;
    std::vector<QByteArray> m_data;
    CMessageWindow m_window;
};

// The reply byte of the instance to request, written as it stands on a raw
// connection; -1 when the connection ends without one.
int replyTo(const QByteArray &request)
{
    const QByteArray path = QFile::encodeName(InstanceSocketPath(ClassName, Title));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const auto closeSocket = qScopeGuard([&] { ::close(fd); });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
        return -1;
    int reply = -1;
    ServeUntil([&] {
        char byte;
        const ssize_t count = ::recv(fd, &byte, 1, 0);
        if (count == 1)
            reply = byte;
        return count >= 0;
    });
    return reply;
}

// The request header: message, wParam and lParam, little-endian.
QByteArray requestHeader(UINT message, uint64_t wParam, int64_t lParam)
{
    QByteArray header(20, '\0');
    qToLittleEndian<quint32>(message, header.data());
    qToLittleEndian<quint64>(wParam, header.data() + 4);
    qToLittleEndian<qint64>(lParam, header.data() + 12);
    return header;
}

} // namespace

TEST(InstanceWindow, TakesAMessagePostedFromAnotherThreadWithItsParameters)
{
    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(QFile::permissions(InstanceSocketPath(ClassName, Title)) & others);

    EXPECT_EQ(postFromWorker(ClassName, Title, Activate, 0, 0), TRUE);
    EXPECT_EQ(postFromWorker(ClassName, Title, Activate + 1, WideWParam, NegativeLParam), TRUE);

    ASSERT_TRUE(ServeUntil([&] { return window.posted().size() == 2; }));
    EXPECT_EQ(window.posted()[0].message, Activate);
    EXPECT_EQ(window.posted()[0].wParam, 0u);
    EXPECT_EQ(window.posted()[0].lParam, 0);
    EXPECT_EQ(window.posted()[1].message, Activate + 1);
    EXPECT_EQ(window.posted()[1].wParam, WideWParam);
    EXPECT_EQ(window.posted()[1].lParam, NegativeLParam);
}

TEST(InstanceWindow, OnlyTheSameClassTitleAndRegistryMeet)
{
    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());

    struct Case
    {
        const char *name;
        const char *className;
        const char *title;
        bool otherRegistry;
    };
    const Case cases[] = {
        {"another title", ClassName, "Zilo 2", false},
        {"an empty title", ClassName, "", false},
        {"another class", "TBrowseForm1", Title, false},
        {"another registry", ClassName, Title, true},
    };
    for (const Case &each : cases) {
        SCOPED_TRACE(each.name);
        ScopedEnvironment environment;
        if (each.otherRegistry)
            environment.set("ZILO_REGISTRY", TestHostFolder() + "/Other.db");
        EXPECT_EQ(postFromWorker(each.className, each.title, Activate, 0, 0), FALSE);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.posted().empty());
}

TEST(InstanceWindow, WithoutAListenerThePostAnswersFalse)
{
    // Before any instance, and after the only one has gone: on the window
    // thread with nothing served, as a second start asks before its loop runs.
    EXPECT_EQ(PostToInstanceWindow(ClassName, Title, Activate, 0, 0), FALSE);
    {
        RecordingWindow window;
        CInstanceWindow instance(ClassName, Title, window.handle());
    }
    EXPECT_EQ(PostToInstanceWindow(ClassName, Title, Activate, 0, 0), FALSE);
    EXPECT_FALSE(QFile::exists(InstanceSocketPath(ClassName, Title)));
}

TEST(InstanceWindow, TakesOverTheSocketOfACrashedInstance)
{
    const QString path = InstanceSocketPath(ClassName, Title);
    ASSERT_TRUE(RawListener(path).ready());
    ASSERT_TRUE(QFile::exists(path));

    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());
    EXPECT_EQ(postFromWorker(ClassName, Title, Activate, 0, 0), TRUE);
    ASSERT_TRUE(ServeUntil([&] { return window.posted().size() == 1; }));
}

TEST(InstanceWindow, ALiveInstanceKeepsItsSocket)
{
    RecordingWindow first;
    CInstanceWindow instance(ClassName, Title, first.handle());
    RecordingWindow second;
    EXPECT_THROW({ CInstanceWindow taken(ClassName, Title, second.handle()); }, Exception);

    EXPECT_EQ(postFromWorker(ClassName, Title, Activate, 0, 0), TRUE);
    ASSERT_TRUE(ServeUntil([&] { return first.posted().size() == 1; }));
    EXPECT_TRUE(second.posted().empty());
}

TEST(InstanceWindow, AnInstanceWhoseWindowIsGoneDoesNotTakeTheMessage)
{
    auto window = std::make_unique<RecordingWindow>();
    CInstanceWindow instance(ClassName, Title, window->handle());
    window.reset();

    EXPECT_EQ(postFromWorker(ClassName, Title, Activate, 0, 0), FALSE);
}

TEST(InstanceWindow, AStuckInstanceDoesNotHoldThePosterUp)
{
    // It accepts connections into its queue but never answers.
    const QString path = InstanceSocketPath(ClassName, Title);
    const auto removeSocket = qScopeGuard([&] { QFile::remove(path); });
    const RawListener stuck(path);
    ASSERT_TRUE(stuck.ready());

    auto worker = std::async(std::launch::async, [] { return PostToInstanceWindow(ClassName, Title, Activate, 0, 0); });
    ASSERT_TRUE(ReadyWithoutServing(worker));
    EXPECT_EQ(worker.get(), FALSE);
}

TEST(InstanceWindow, AnotherProcessPostsToTheInstance)
{
    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());

    struct Case
    {
        const char *name;
        bool otherRegistry;
        int exitCode;
    };
    const Case cases[] = {
        {"the same registry", false, 1},
        {"another registry", true, 0},
    };
    for (const Case &each : cases) {
        SCOPED_TRACE(each.name);
        QProcess poster;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (each.otherRegistry)
            environment.insert(QStringLiteral("ZILO_REGISTRY"), QString::fromStdString(TestHostFolder() + "/Other.db"));
        poster.setProcessEnvironment(environment);
        poster.start(QCoreApplication::applicationDirPath() + QStringLiteral("/PostToInstance"),
                     {QString::fromLatin1(ClassName), QString::fromLatin1(Title), QString::number(Activate),
                      QString::number(WideWParam), QString::number(NegativeLParam)});
        ASSERT_TRUE(ServeUntil([&] { return poster.state() == QProcess::NotRunning; }));
        EXPECT_EQ(poster.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(poster.exitCode(), each.exitCode);
    }

    ASSERT_TRUE(ServeUntil([&] { return !window.posted().empty(); }));
    ASSERT_EQ(window.posted().size(), 1u);
    EXPECT_EQ(window.posted()[0].message, Activate);
    EXPECT_EQ(window.posted()[0].wParam, WideWParam);
    EXPECT_EQ(window.posted()[0].lParam, NegativeLParam);
}

// A runtime folder named by the session is used only while it is private.
TEST(InstanceWindow, ARuntimeFolderOthersMayEnterIsPassedOver)
{
    ScopedEnvironment environment;
    const std::string temp = TestHostFolder() + "/temp";
    const std::string runtime = TestHostFolder() + "/runtime";
    std::filesystem::create_directory(temp);
    std::filesystem::create_directory(runtime);
    environment.set("TMPDIR", temp);
    environment.set("XDG_RUNTIME_DIR", runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    EXPECT_EQ(QFileInfo(InstanceSocketPath(ClassName, Title)).absolutePath().toStdString(), runtime);

    std::filesystem::permissions(runtime, std::filesystem::perms::all);
    const QString folder = QFileInfo(InstanceSocketPath(ClassName, Title)).absolutePath();
    EXPECT_TRUE(folder.startsWith(QString::fromStdString(temp + "/zilo-"))) << folder.toStdString();
}

TEST(InstanceWindow, WithoutARuntimeFolderTheSocketLiesInAFolderOnlyTheUserMayEnter)
{
    // A temporary folder of its own, so that the folders it spoils are no
    // other test's or start's.
    ScopedEnvironment environment;
    environment.unset("XDG_RUNTIME_DIR");
    const std::string temp = TestHostFolder() + "/temp";
    std::filesystem::create_directory(temp);
    environment.set("TMPDIR", temp);
    const auto isPrivate = [](const QString &folder) {
        struct stat info;
        return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
               && info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700;
    };
    const QString path = InstanceSocketPath(ClassName, Title);
    const QString folder = QFileInfo(path).absolutePath();
    ASSERT_TRUE(isPrivate(folder)) << folder.toStdString();

    // A folder under that name that others may enter, or (as root can make)
    // one of another user holding a stale lock, is passed over.
    std::filesystem::permissions(folder.toStdString(), std::filesystem::perms::all);
    const bool asRoot = ::getuid() == 0;
    if (asRoot) {
        ASSERT_TRUE(QFile(path + QStringLiteral(".lock")).open(QIODevice::WriteOnly));
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
    }
    const QString moved = InstanceSocketPath(ClassName, Title);
    EXPECT_NE(QFileInfo(moved).absolutePath(), folder);
    EXPECT_TRUE(isPrivate(QFileInfo(moved).absolutePath()));

    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());
    EXPECT_EQ(postFromWorker(ClassName, Title, Activate, 0, 0), TRUE);
    ASSERT_TRUE(ServeUntil([&] { return window.posted().size() == 1; }));
}

TEST(InstanceWindow, DropsAClientThatNeverSendsItsMessage)
{
    RecordingWindow window;
    CInstanceWindow instance(ClassName, Title, window.handle());
    const QByteArray path = QFile::encodeName(InstanceSocketPath(ClassName, Title));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const auto closeSocket = qScopeGuard([&] { ::close(fd); });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);

    // The server closes its end: the client reads the end of the stream.
    EXPECT_TRUE(ServeUntil([&] {
        char byte;
        return ::recv(fd, &byte, 1, 0) == 0;
    }));
    EXPECT_TRUE(window.posted().empty());
}

TEST(InstanceWindow, APostTrustsNoServerOfAnotherUser)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can listen as another user";
    // Another user's server on the socket's own path: bound there by root,
    // listening as the other user.
    ScopedEnvironment environment;
    const QTemporaryDir runtimeFolder;
    ASSERT_TRUE(runtimeFolder.isValid());
    const std::string runtime = QFile::encodeName(runtimeFolder.path()).toStdString();
    environment.set("XDG_RUNTIME_DIR", runtime);
    const QString path = InstanceSocketPath(ClassName, Title);
    ASSERT_EQ(QFileInfo(path).absolutePath().toStdString(), runtime);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        RawListener listener(path, [] { return ::setuid(65534) == 0; });
        const char started = listener.ready() ? 1 : 0;
        if (::write(ready[1], &started, 1) != 1 || !started)
            ::_exit(2);
        const int client = ::accept(listener.fd(), nullptr, nullptr);
        char request[20];
        if (client >= 0 && ::recv(client, request, sizeof request, MSG_WAITALL) == sizeof request)
            (void)::write(client, &started, 1);
        ::_exit(0);
    }
    const auto endOther = qScopeGuard([&] {
        ::kill(other, SIGKILL);
        ::waitpid(other, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
    });
    char started = 0;
    ASSERT_EQ(::read(ready[0], &started, 1), 1);
    ASSERT_EQ(started, 1);

    EXPECT_EQ(PostToInstanceWindow(ClassName, Title, Activate, 0, 0), FALSE);
}

TEST(InstanceWindow, HandsBytesToTheWindowAsCopyData)
{
    const QByteArray most(qsizetype(MaxInstanceCopyDataBytes), 'x');
    const struct
    {
        const char *name;
        QByteArray data;
        LRESULT answer;   // of the window's handler
        BOOL handed;
        bool received;
    } cases[] = {
        {"a folder", QByteArray("browsefile=C:\\Fotos f\xc3\xbcr Oma\\"), 1, TRUE, true},
        {"nothing", QByteArray(), 1, TRUE, true},
        {"the most it takes", most, 1, TRUE, true},
        {"one byte more", most + 'x', 1, FALSE, false},
        {"refused by the window", QByteArray("browsefile=C:\\"), 0, FALSE, true},
    };
    for (const auto &each : cases) {
        SCOPED_TRACE(each.name);
        CopyDataWindow window(each.answer);
        CInstanceWindow instance(ClassName, Title, window.handle());
        const QByteArray data = each.data;
        auto worker = std::async(std::launch::async,
                                 [data] { return CopyDataToInstanceWindow(ClassName, Title, Activate, data); });
        ASSERT_TRUE(ServeUntilReady(worker));
        EXPECT_EQ(worker.get(), each.handed);
        ASSERT_EQ(window.data().size(), each.received ? 1u : 0u);
        if (!each.received)
            continue;
        EXPECT_EQ(window.kinds()[0], uintptr_t(Activate));
        EXPECT_EQ(window.data()[0], each.data);
    }
}

TEST(InstanceWindow, RefusesCopyDataThatClaimsMoreThanItTakes)
{
    CopyDataWindow window(1);
    CInstanceWindow instance(ClassName, Title, window.handle());
    const struct
    {
        const char *name;
        int64_t count;
    } cases[] = {
        {"one byte more than it takes", int64_t(MaxInstanceCopyDataBytes) + 1},
        {"a huge count", int64_t(1) << 40},
        {"a negative count", -1},
    };
    for (const auto &each : cases) {
        SCOPED_TRACE(each.name);
        EXPECT_EQ(replyTo(requestHeader(WM_COPYDATA, Activate, each.count) + QByteArray(64, 'x')), 0);
    }
    EXPECT_EQ(replyTo(requestHeader(WM_COPYDATA, Activate, 3) + "abc"), 1) << "a request it takes";
    ASSERT_EQ(window.data().size(), 1u);
    EXPECT_EQ(window.data()[0], QByteArray("abc"));
}
