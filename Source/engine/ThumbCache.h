#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/CriticalSection.h>

#include <array>
#include <cstdint>
#include <vector>

class CThumbBitmap;
class TImageHandler;

// The four totals of a hashed list; memory in bytes as records count it.
struct TThumbStatistics
{
    int64_t inUse = 0;         // records with a reference
    int64_t all = 0;
    int64_t inUseMemory = 0;
    int64_t allMemory = 0;
};

// Thumbnail records by full path (case-blind), in 127 buckets. Holds no
// references. A record enters the global cache in its constructor and leaves
// it in its destructor; other lists (a batch run's) hold records that are
// also in the cache, filed under their path when they were added. Any thread.
class CThumbBitmapHashedList
{
public:
    static constexpr int BucketCount = 127;

    CThumbBitmapHashedList();
    virtual ~CThumbBitmapHashedList();

    // The bucket of a path: the ASCII-upper-cased bytes of the path less its
    // extension summed as signed bytes, plus the first run of decimal digits
    // read as a number, all modulo 2^32, then modulo 127. Names in series
    // (img001, img002) fall into neighbouring buckets.
    static int HashFileName(const CPath &path);

    virtual void Add(CThumbBitmap *record);
    // Nothing for a record that is not in the list under its present path.
    virtual void Remove(CThumbBitmap *record);
    // Releases one reference of every record.
    virtual void ReleaseAll();
    // The record of path with a reference for the caller, or null.
    virtual CThumbBitmap *Find(const CPath &path);
    // Takes every record out, releasing nothing.
    void RemoveAll();
    // Every record with a reference each, for the caller to release.
    std::vector<CThumbBitmap *> CopyToList();
    TThumbStatistics GetStatistics();
    int Count() const;

    // Taken first of the record locks (see CThumbBitmap).
    CCriticalSection &Lock() { return m_lock; }

protected:
    // Every record, no references taken. Hold the lock.
    std::vector<CThumbBitmap *> records() const;

private:
    struct Entry
    {
        CThumbBitmap *record;
        CString path;        // as it was filed
        uint32_t pathKey;    // caseBlindKey(path): a bucket holds many paths, compared whole only on a match
    };

    mutable CCriticalSection m_lock;   // guards everything below
    int32_t m_count = 0;
    std::array<std::vector<Entry>, BucketCount> m_buckets;
};

// The process-wide cache of the organiser's records.
class CThumbBitmapCache : public CThumbBitmapHashedList
{
public:
    // Drops decoded bitmaps unless the Cache option "Cache Bitmaps" is on,
    // and with deleteUnreferenced deletes every record without a reference.
    virtual void Purge(bool deleteUnreferenced);
    // The coordinator's regular clean-up: Purge, deleting unreferenced
    // records as the Cache option "Cleanup Type" decides. Nothing before the
    // option groups exist.
    void PurgeByPolicy();
    // Any thread: CheckUpToDate(force) on every record of folder that is
    // not being built; on the window thread the windows are repainted every
    // 50 records. The lock is held only while the records are listed.
    void CheckFolderUpToDate(const CPath &folder, bool force);

    // The totals that the last PurgeByPolicy or RefreshStatistics counted,
    // all 0 before either ran: nothing is counted, so a window may ask on
    // every tick however many records there are.
    TThumbStatistics LastStatistics() const;
    // Counts the totals now and keeps them for LastStatistics.
    TThumbStatistics RefreshStatistics();

private:
    void keepStatistics(const TThumbStatistics &totals);

    // Guards m_lastStatistics. Taken alone, never with another lock held.
    mutable CCriticalSection m_statisticsLock;
    TThumbStatistics m_lastStatistics;
};

extern CThumbBitmapCache ThumbBitmapCache;

// The cached record of path with a reference for the caller, or null.
CThumbBitmap *FindThumbBitmap(const CPath &path);
// The find-or-create lock: held from a lookup to the creation of the record
// when it was missing, so that one file never gets two records. Taken before
// the cache's lock.
void EnterThumbBitmapLock();
void LeaveThumbBitmapLock();
// The cached record of path with a reference for the caller, or a new one
// (mode FromFile) when there is none. The file's header is read before the
// find-or-create lock is taken, or file is taken as read, so that the lock
// covers only the lookup and the creation.
CThumbBitmap *FindOrCreateThumbBitmap(const CPath &path, const TImageHandler *file = nullptr);
// Moves the cached record of oldPath, if any, to newPath; a record cached
// for newPath before is marked stale.
void RenameThumbBitmap(const CPath &oldPath, const CPath &newPath);
