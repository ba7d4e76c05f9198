#include "Instance.h"

#include "Debug.h"
#include "Exception.h"
#include "RegistryStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

// One post on the instance socket, little-endian.
//   request  offset  size  meaning
//                 0     4  message
//                 4     8  wParam; for WM_COPYDATA the data's dwData
//                12     8  lParam; for WM_COPYDATA the data's byte count n,
//                          0 <= n <= MaxInstanceCopyDataBytes
//                20     n  for WM_COPYDATA only: the data
//   reply         0     1  1: the window took the message (queued it; for
//                          WM_COPYDATA, its handler answered nonzero);
//                          0: the window is gone, refused it, or the request was bad
// The server answers the first request of a connection and closes it.

namespace {

constexpr qint64 RequestBytes = 20;
constexpr char Taken = 1;
constexpr char NotTaken = 0;

// A poster gives up on an instance that does not answer within these, so a
// second start never hangs on a stuck first one.
constexpr int ConnectBoundMs = 1000;
constexpr int ReplyBoundMs = 3000;
// Only one start at a time checks and takes over the socket file.
constexpr int TakeOverLockBoundMs = 5000;
// A client that has not sent its request by then is dropped, with its handle.
constexpr int ClientBoundMs = 2000;
// Names of the temporary folder tried for a private socket folder.
constexpr int PrivateFolderAttempts = 16;

// A host socket closed when it goes.
class HostSocket
{
public:
    HostSocket() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~HostSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HostSocket(const HostSocket &) = delete;
    HostSocket &operator=(const HostSocket &) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Whether folder is a real folder (not a link) of this user that nobody else
// may enter: only then can no one else listen in its place or hold a lock there.
bool isPrivateFolder(const QByteArray &folder)
{
    struct stat info;
    return ::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
           && (info.st_mode & 077) == 0;
}

// The user's private runtime folder when the session has one (and it is
// private indeed), else a folder of the temporary folder private to the
// user. A name another user took first, or one left open to others, is
// passed over for the next, which every start of this user walks the same
// way. Empty when none can be had.
QString socketFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/' && isPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QString base = QDir::tempPath() + QStringLiteral("/zilo-%1").arg(::getuid());
    for (int attempt = 0; attempt < PrivateFolderAttempts; ++attempt) {
        const QString folder = attempt == 0 ? base : base + QStringLiteral("-%1").arg(attempt);
        const QByteArray hostFolder = QFile::encodeName(folder);
        if (::mkdir(hostFolder.constData(), 0700) != 0 && errno != EEXIST)
            continue;
        if (isPrivateFolder(hostFolder))
            return folder;
    }
    return {};
}

// Whether the server at the other end of fd runs as this user; anyone else
// could make every start exit by answering first.
bool isThisUsersServer(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer
           && peer.uid == ::getuid();
}

void setTimeout(int fd, int option, int milliseconds)
{
    const timeval bound{milliseconds / 1000, (milliseconds % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, option, &bound, sizeof bound);
}

// Connects socket to the server at path, waiting at most ConnectBoundMs when
// its queue is full; false with errno set when nobody listens there.
bool connectTo(const HostSocket &socket, const QString &path)
{
    if (socket.fd() < 0)
        return false;
    const QByteArray hostPath = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(hostPath.size()) >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, hostPath.constData(), size_t(hostPath.size()));
    setTimeout(socket.fd(), SO_SNDTIMEO, ConnectBoundMs);
    int result;
    do {
        result = ::connect(socket.fd(), reinterpret_cast<const sockaddr *>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool someoneListensAt(const QString &path)
{
    const HostSocket probe;
    return connectTo(probe, path);
}

QByteArray encodeRequest(UINT message, WPARAM wParam, LPARAM lParam)
{
    QByteArray request(RequestBytes, Qt::Uninitialized);
    qToLittleEndian<quint32>(message, request.data());
    qToLittleEndian<quint64>(quint64(wParam), request.data() + 4);
    qToLittleEndian<qint64>(qint64(lParam), request.data() + 12);
    return request;
}

bool sendAll(int fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        // A server that went away must not end this process with SIGPIPE.
        const ssize_t count = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        sent += count;
    }
    return true;
}

// The server's one-byte reply; NotTaken when none comes within ReplyBoundMs.
char receiveReply(int fd)
{
    setTimeout(fd, SO_RCVTIMEO, ReplyBoundMs);
    char reply = NotTaken;
    ssize_t count;
    do {
        count = ::recv(fd, &reply, 1, 0);
    } while (count < 0 && errno == EINTR);
    return count == 1 ? reply : NotTaken;
}

} // namespace

QString InstanceSocketPath(const char *className, const char *title)
{
    // Hashed, so that the path stays within a socket address whatever the
    // title and the registry file's path.
    QCryptographicHash names(QCryptographicHash::Sha256);
    names.addData(QByteArray(className));
    names.addData(QByteArray(1, '\0'));
    names.addData(QByteArray(title));
    names.addData(QByteArray(1, '\0'));
    names.addData(QFileInfo(QFile::decodeName(RegistryStore::currentFile().c_str())).absoluteFilePath().toUtf8());
    const QByteArray hash = names.result().toHex().left(32);
    const QString folder = socketFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/zilo-%1-").arg(::getuid()) + QString::fromLatin1(hash);
}

CInstanceWindow::CInstanceWindow(const char *className, const char *title, HWND window)
    : m_window(window), m_server(std::make_unique<QLocalServer>())
{
    const QString path = InstanceSocketPath(className, title);
    if (path.isEmpty())
        throw Exception(QStringLiteral("No folder private to the user to listen for other starts in"));
    // Two first starts at once must not both remove the file and listen: the
    // one whose file was taken would remove the other's when it closes.
    QLockFile takeOver(path + QStringLiteral(".lock"));
    if (!takeOver.tryLock(TakeOverLockBoundMs))
        throw Exception(QStringLiteral("Cannot lock %1 to listen for other starts").arg(path));
    if (someoneListensAt(path))
        throw Exception(QStringLiteral("Another instance already listens at %1").arg(path));
    QLocalServer::removeServer(path);   // a file left by an instance that crashed makes listen fail
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path))
        throw Exception(QStringLiteral("Cannot listen for other starts at %1: %2").arg(path, m_server->errorString()));
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [this] { acceptPending(); });
}

CInstanceWindow::~CInstanceWindow() = default;

void CInstanceWindow::acceptPending()
{
    while (QLocalSocket *client = m_server->nextPendingConnection())
        serve(client);
}

// The client is the server's child until it disconnects; one that sends less
// than a request, and goes or stays silent for ClientBoundMs, is dropped
// without a post.
void CInstanceWindow::serve(QLocalSocket *client)
{
    QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    const auto answer = [this, client] {
        if (client->state() != QLocalSocket::ConnectedState || client->bytesAvailable() < RequestBytes)
            return;   // answered already, or the request is not all here yet
        const QByteArray request = client->peek(RequestBytes);
        const UINT message = qFromLittleEndian<quint32>(request.constData());
        const WPARAM wParam = WPARAM(qFromLittleEndian<quint64>(request.constData() + 4));
        const LPARAM lParam = LPARAM(qFromLittleEndian<qint64>(request.constData() + 12));
        bool taken = false;
        if (message != WM_COPYDATA) {
            client->skip(RequestBytes);
            taken = PostMessage(m_window, message, wParam, lParam);
        } else if (lParam >= 0 && lParam <= LPARAM(MaxInstanceCopyDataBytes)) {
            if (client->bytesAvailable() < RequestBytes + lParam)
                return;   // the data is not all here yet
            client->skip(RequestBytes);
            const QByteArray data = client->read(lParam);
            const COPYDATASTRUCT copy{wParam, DWORD(data.size()), data.constData()};
            taken = SendMessage(m_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)) != 0;
        }
        client->write(QByteArray(1, taken ? Taken : NotTaken));
        client->disconnectFromServer();   // after the reply is written
    };
    QTimer::singleShot(ClientBoundMs, client, [client] {
        client->abort();
        client->deleteLater();
    });
    QObject::connect(client, &QLocalSocket::readyRead, client, answer);
    answer();   // the request may have come with the connection
}

// Sends request to the instance under className and title and answers whether
// it took it.
static BOOL deliverToInstance(const char *className, const char *title, const QByteArray &request)
{
    const HostSocket socket;
    if (!connectTo(socket, InstanceSocketPath(className, title)))
        return FALSE;   // no instance listens
    if (!isThisUsersServer(socket.fd())) {
        OutputDebugStringA("The instance socket is served by another user");
        return FALSE;
    }
    if (!sendAll(socket.fd(), request) || receiveReply(socket.fd()) != Taken) {
        OutputDebugStringA("An instance listens but did not take the message");
        return FALSE;
    }
    return TRUE;
}

BOOL PostToInstanceWindow(const char *className, const char *title, UINT message, WPARAM wParam, LPARAM lParam)
{
    return deliverToInstance(className, title, encodeRequest(message, wParam, lParam));
}

BOOL CopyDataToInstanceWindow(const char *className, const char *title, uintptr_t dwData, const QByteArray &data)
{
    if (data.size() > qsizetype(MaxInstanceCopyDataBytes))
        return FALSE;
    return deliverToInstance(className, title, encodeRequest(WM_COPYDATA, dwData, LPARAM(data.size())) + data);
}
