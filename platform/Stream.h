#pragma once

#include "FileIO.h"
#include "Types.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// The component library's stream. Read and Write answer how many bytes moved;
// ReadBuffer and WriteBuffer raise EStreamError when fewer did.
class TStream
{
public:
    virtual ~TStream() = default;

    virtual int32_t Read(void *buffer, int32_t count) = 0;
    virtual int32_t Write(const void *buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;

    void ReadBuffer(void *buffer, int32_t count);    // "Stream read error"
    void WriteBuffer(const void *buffer, int32_t count);   // "Stream write error"
    // Copies count bytes from source at its position (all of it from the start when 0).
    int64_t CopyFrom(TStream &source, int64_t count);

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    int64_t Size();
};

// File open modes, as the component library spells them: one access mode,
// optionally or-ed with one share mode (share modes are not enforced here).
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A stream over an open file handle, which it closes.
class THandleStream : public TStream
{
public:
    explicit THandleStream(HANDLE handle) : m_handle(handle) {}
    ~THandleStream() override;

    int32_t Read(void *buffer, int32_t count) override;
    int32_t Write(const void *buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    HANDLE Handle() const { return m_handle; }

protected:
    THandleStream() = default;
    void closeHandle();

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// A file by its Windows path. fmCreate creates or truncates; the open modes
// need an existing file. Raises EFCreateError ("Cannot create file %s") or
// EFOpenError ("Cannot open file %s").
class TFileStream : public THandleStream
{
public:
    TFileStream(const QString &fileName, uint16_t mode);
};

// Writes a file the user owns without ever leaving it half-written: the bytes
// go to a new temporary file beside the target, and Commit flushes it to disk
// and renames it over the target. Destroyed without Commit (an exception, a
// cancel), the temporary file is removed and the target is untouched. A
// target that is a link is followed: the file it points to is replaced and the
// link kept. Raises EFCreateError ("Cannot create file %s") for a target that
// is read-only or no regular file, or when the temporary file cannot be made;
// EStreamError ("Write failed") when Commit cannot finish the file.
class TSafeFileStream : public THandleStream
{
public:
    explicit TSafeFileStream(const QString &fileName);
    ~TSafeFileStream() override;

    void Commit();

private:
    QString m_fileName;
    std::string m_hostTarget;
    std::string m_hostTemporary;
    bool m_committed = false;
};

// Writes bytes as the whole of fileName through a TSafeFileStream; false,
// with the old file untouched, when that fails.
bool SaveFileSafely(const QString &fileName, std::string_view bytes);

// A stream in memory that grows as it is written.
class TMemoryStream : public TStream
{
public:
    int32_t Read(void *buffer, int32_t count) override;
    int32_t Write(const void *buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    void Clear();
    void *Memory() { return m_bytes.data(); }
    const void *Memory() const { return m_bytes.data(); }
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream);
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName);   // by temporary file and rename

private:
    std::vector<char> m_bytes;
    int64_t m_position = 0;
};
