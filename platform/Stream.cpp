#include "Stream.h"

#include "Exception.h"
#include "HostFileInfo.h"
#include "HostPath.h"
#include "TemporaryFile.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void TStream::ReadBuffer(void *buffer, int32_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void *buffer, int32_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream &source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int32_t ChunkBytes = 1 << 16;
    std::vector<char> chunk(size_t(std::min<int64_t>(count, ChunkBytes)));
    int64_t left = count;
    while (left > 0) {
        const int32_t n = int32_t(std::min<int64_t>(left, ChunkBytes));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

int64_t TStream::Size()
{
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

THandleStream::~THandleStream()
{
    closeHandle();
}

void THandleStream::closeHandle()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

int32_t THandleStream::Read(void *buffer, int32_t count)
{
    DWORD done = 0;
    if (count > 0)
        ReadFile(m_handle, buffer, DWORD(count), &done, nullptr);
    return int32_t(done);
}

int32_t THandleStream::Write(const void *buffer, int32_t count)
{
    DWORD done = 0;
    if (count <= 0)
        return 0;
    WriteFile(m_handle, buffer, DWORD(count), &done, nullptr);
    return int32_t(done);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t position = -1;
    const DWORD method = origin == soCurrent ? FILE_CURRENT : origin == soEnd ? FILE_END : FILE_BEGIN;
    if (!SetFilePointerEx(m_handle, offset, &position, method))
        return -1;
    return position;
}

void THandleStream::SetSize(int64_t size)
{
    const int64_t position = Position();
    Seek(size, soBeginning);
    if (!SetEndOfFile(m_handle))
        throw EStreamError("Stream write error");
    Seek(std::min(position, size), soBeginning);
}

TFileStream::TFileStream(const QString &fileName, uint16_t mode)
{
    const QByteArray path = fileName.toUtf8();
    if (mode == fmCreate) {
        m_handle = CreateFileA(path.constData(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, 0);
        if (m_handle == INVALID_HANDLE_VALUE)
            throw EFCreateError(QStringLiteral("Cannot create file %1").arg(fileName));
        return;
    }
    const uint16_t access = mode & 0x3;
    const DWORD desired = access == fmOpenWrite ? GENERIC_WRITE
                        : access == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE
                                                    : GENERIC_READ;
    m_handle = CreateFileA(path.constData(), desired, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
    if (m_handle == INVALID_HANDLE_VALUE)
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(fileName));
}

// The file that hostPath names once its links are followed, so that a save
// through a link replaces what it points to and keeps the link. A link that
// leads nowhere names the file it would point to. Empty for a loop of links.
static std::string followLinks(std::string hostPath)
{
    constexpr int MaxLinks = 40;   // as many as the host's own lookup follows
    for (int followed = 0; followed < MaxLinks; ++followed) {
        std::string linked(PATH_MAX, '\0');
        const ssize_t length = ::readlink(hostPath.c_str(), linked.data(), linked.size());
        if (length < 0)
            return hostPath;   // no link
        linked.resize(size_t(length));
        hostPath = linked.starts_with('/') ? linked : hostPath.substr(0, hostPath.rfind('/') + 1) + linked;
    }
    return {};
}

// Whether a save may put a new file in the place of hostPath: nothing is
// there yet, or a regular file that the user may write (a read-only file is
// refused, as DeleteFileA refuses it). exists and info tell what is there.
static bool mayReplace(const std::string &hostPath, bool &exists, struct stat &info)
{
    exists = ::stat(hostPath.c_str(), &info) == 0;
    return !exists || (S_ISREG(info.st_mode) && !IsReadOnlyForUser(hostPath, info));
}

TSafeFileStream::TSafeFileStream(const QString &fileName)
    : m_fileName(fileName)
{
    const HostLocation location = LocateWindowsPath(fileName.toStdString());
    if (location.hostPath.empty() || location.hostPath.back() == '/' || location.drive->readOnly)
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(fileName));
    m_hostTarget = followLinks(location.hostPath);
    bool targetExists = false;
    struct stat target;
    if (m_hostTarget.empty() || !mayReplace(m_hostTarget, targetExists, target))
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(fileName));
    const int fd = CreateTemporaryFileBeside(m_hostTarget, m_hostTemporary);
    if (fd < 0) {
        SetLastErrorFromErrno();
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(fileName));
    }
    m_handle = fd;
    // The new file keeps the permissions of the one it replaces.
    if (targetExists)
        ::fchmod(fd, target.st_mode & 07777);
}

TSafeFileStream::~TSafeFileStream()
{
    if (m_committed)
        return;
    closeHandle();
    ::unlink(m_hostTemporary.c_str());
}

void TSafeFileStream::Commit()
{
    if (m_committed)
        return;
    const int fd = int(m_handle);
    const bool written = ::fsync(fd) == 0;
    m_handle = INVALID_HANDLE_VALUE;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(m_hostTemporary.c_str(), m_hostTarget.c_str()) != 0) {
        SetLastErrorFromErrno();
        ::unlink(m_hostTemporary.c_str());
        m_committed = true;   // nothing left to remove
        throw EStreamError("Write failed");
    }
    m_committed = true;
    SyncFolderOf(m_hostTarget);
}

int32_t TMemoryStream::Read(void *buffer, int32_t count)
{
    const int64_t size = int64_t(m_bytes.size());
    if (count <= 0 || m_position >= size)
        return 0;
    const int32_t n = int32_t(std::min<int64_t>(count, size - m_position));
    std::copy_n(m_bytes.data() + m_position, n, static_cast<char *>(buffer));
    m_position += n;
    return n;
}

int32_t TMemoryStream::Write(const void *buffer, int32_t count)
{
    if (count <= 0)
        return 0;
    const int64_t end = m_position + count;
    if (end > int64_t(m_bytes.size()))
        m_bytes.resize(size_t(end));
    std::copy_n(static_cast<const char *>(buffer), count, m_bytes.data() + m_position);
    m_position = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int64_t base = origin == soCurrent ? m_position : origin == soEnd ? int64_t(m_bytes.size()) : 0;
    const int64_t position = base + offset;
    if (position < 0)
        return -1;
    m_position = position;
    return m_position;
}

void TMemoryStream::SetSize(int64_t size)
{
    m_bytes.resize(size_t(std::max<int64_t>(size, 0)));
    m_position = std::min<int64_t>(m_position, int64_t(m_bytes.size()));
}

void TMemoryStream::Clear()
{
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream &stream)
{
    stream.SetPosition(0);
    const int64_t size = stream.Size();
    SetSize(size);
    m_position = 0;
    int64_t done = 0;
    while (done < size) {
        const int32_t n = int32_t(std::min<int64_t>(size - done, INT32_MAX));
        stream.ReadBuffer(m_bytes.data() + done, n);
        done += n;
    }
}

void TMemoryStream::SaveToStream(TStream &stream)
{
    int64_t done = 0;
    const int64_t size = int64_t(m_bytes.size());
    while (done < size) {
        const int32_t n = int32_t(std::min<int64_t>(size - done, INT32_MAX));
        stream.WriteBuffer(m_bytes.data() + done, n);
        done += n;
    }
}

void TMemoryStream::LoadFromFile(const QString &fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

bool SaveFileSafely(const QString &fileName, std::string_view bytes)
{
    try {
        TSafeFileStream file(fileName);
        if (file.Write(bytes.data(), int32_t(bytes.size())) != int32_t(bytes.size()))
            return false;
        file.Commit();
        return true;
    } catch (const Exception &) {
        return false;
    }
}

void TMemoryStream::SaveToFile(const QString &fileName)
{
    TSafeFileStream file(fileName);
    SaveToStream(file);
    file.Commit();
}
