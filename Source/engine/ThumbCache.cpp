#include "ThumbCache.h"

#include "FileHandler.h"
#include "ThumbBitmap.h"
#include "ZiloOptions.h"

#include <Source/Glob.h>

#include <algorithm>

CThumbBitmapCache ThumbBitmapCache;

// Taken before the cache's lock, never while holding it.
static CCriticalSection FindOrCreateLock;

static char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// A hash of the ASCII-upper-cased bytes of path (FNV-1a): two paths that
// differ only in case share it.
static uint32_t caseBlindKey(const CPath &path)
{
    uint32_t key = 2166136261u;
    for (const char *c = path.c_str(); *c; ++c)
        key = (key ^ uint8_t(asciiUpper(*c))) * 16777619u;
    return key;
}

CThumbBitmapHashedList::CThumbBitmapHashedList()
{
    for (std::vector<Entry> &bucket : m_buckets)
        bucket.reserve(16);
}

CThumbBitmapHashedList::~CThumbBitmapHashedList() = default;

int CThumbBitmapHashedList::HashFileName(const CPath &path)
{
    const CString stem = path.Left(path.GetLength() - path.GetExtPart().GetLength());
    uint32_t sum = 0;
    for (const char *c = stem.c_str(); *c; ++c)
        sum += uint32_t(int32_t(static_cast<signed char>(asciiUpper(*c))));
    const char *digit = stem.c_str();
    while (*digit && !(*digit >= '0' && *digit <= '9'))
        ++digit;
    uint32_t number = 0;
    for (; *digit >= '0' && *digit <= '9'; ++digit)
        number = number * 10 + uint32_t(*digit - '0');
    return int((sum + number) % BucketCount);
}

void CThumbBitmapHashedList::Add(CThumbBitmap *record)
{
    const CPath path = record->GetFullPath();
    CSingleLock lock(m_lock);
    m_buckets[HashFileName(path)].push_back({record, path, caseBlindKey(path)});
    ++m_count;
}

void CThumbBitmapHashedList::Remove(CThumbBitmap *record)
{
    const CPath path = record->GetFullPath();
    CSingleLock lock(m_lock);
    std::vector<Entry> &bucket = m_buckets[HashFileName(path)];
    const auto found = std::find_if(bucket.begin(), bucket.end(), [&](const Entry &entry) { return entry.record == record; });
    if (found == bucket.end())
        return;
    bucket.erase(found);
    --m_count;
}

void CThumbBitmapHashedList::ReleaseAll()
{
    CSingleLock lock(m_lock);
    for (CThumbBitmap *record : records())
        record->Release();
}

CThumbBitmap *CThumbBitmapHashedList::Find(const CPath &path)
{
    const uint32_t key = caseBlindKey(path);
    CSingleLock lock(m_lock);
    for (const Entry &entry : m_buckets[HashFileName(path)]) {
        if (entry.pathKey == key && entry.path.CompareNoCase(path) == 0) {
            entry.record->AddRef();
            return entry.record;
        }
    }
    return nullptr;
}

void CThumbBitmapHashedList::RemoveAll()
{
    CSingleLock lock(m_lock);
    for (std::vector<Entry> &bucket : m_buckets)
        bucket.clear();
    m_count = 0;
}

std::vector<CThumbBitmap *> CThumbBitmapHashedList::CopyToList()
{
    CSingleLock lock(m_lock);
    std::vector<CThumbBitmap *> list = records();
    for (CThumbBitmap *record : list)
        record->AddRef();
    return list;
}

TThumbStatistics CThumbBitmapHashedList::GetStatistics()
{
    TThumbStatistics totals;
    CSingleLock lock(m_lock);
    for (const CThumbBitmap *record : records()) {
        const int64_t bytes = record->GetMemorySize();
        ++totals.all;
        totals.allMemory += bytes;
        if (record->GetRefCount() == 0)
            continue;
        ++totals.inUse;
        totals.inUseMemory += bytes;
    }
    return totals;
}

int CThumbBitmapHashedList::Count() const
{
    CSingleLock lock(m_lock);
    return m_count;
}

std::vector<CThumbBitmap *> CThumbBitmapHashedList::records() const
{
    std::vector<CThumbBitmap *> all;
    all.reserve(size_t(m_count));
    for (const std::vector<Entry> &bucket : m_buckets) {
        for (const Entry &entry : bucket)
            all.push_back(entry.record);
    }
    return all;
}

// Under the cache's lock a count of 0 cannot change: only lookups, which take
// the lock, raise it from 0, and a last Release lowers it to 0 only under the
// lock, taking a record to be deleted out of the cache before it lets go.
void CThumbBitmapCache::Purge(bool deleteUnreferenced)
{
    const bool cacheBitmaps = CacheOptions && CacheOptions->GetInt(TCacheOptions::CacheBitmaps) != 0;
    CSingleLock lock(Lock());
    for (CThumbBitmap *record : records()) {
        if (!cacheBitmaps)
            record->ReleaseBitmap();
        if (deleteUnreferenced && record->GetRefCount() == 0)
            delete record;
    }
}

void CThumbBitmapCache::PurgeByPolicy()
{
    if (!CacheOptions)
        return;
    const TThumbStatistics totals = RefreshStatistics();
    const int64_t unreferenced = totals.all - totals.inUse;
    const int64_t unreferencedMemory = totals.allMemory - totals.inUseMemory;
    bool deleteUnreferenced = false;
    switch (CacheOptions->GetInt(TCacheOptions::CleanupType)) {
    case TCacheOptions::DeleteUnused:
        deleteUnreferenced = true;
        break;
    case TCacheOptions::DeleteAboveObjectThreshold:
        deleteUnreferenced = unreferenced > CacheOptions->GetInt(TCacheOptions::ObjectThreshold);
        break;
    case TCacheOptions::DeleteAboveMemoryThreshold:
        deleteUnreferenced = uint64_t(unreferencedMemory) > CacheOptions->MemoryThresholdBytes();
        break;
    default:
        break;
    }
    Purge(deleteUnreferenced);
}

TThumbStatistics CThumbBitmapCache::LastStatistics() const
{
    CSingleLock lock(m_statisticsLock);
    return m_lastStatistics;
}

TThumbStatistics CThumbBitmapCache::RefreshStatistics()
{
    const TThumbStatistics totals = GetStatistics();
    keepStatistics(totals);
    return totals;
}

void CThumbBitmapCache::keepStatistics(const TThumbStatistics &totals)
{
    CSingleLock lock(m_statisticsLock);
    m_lastStatistics = totals;
}

void CThumbBitmapCache::CheckFolderUpToDate(const CPath &folder, bool force)
{
    const std::vector<CThumbBitmap *> list = CopyToList();
    for (size_t index = 0; index < list.size(); ++index) {
        CThumbBitmap *record = list[index];
        if (index % 50 == 0)
            ProcessMessages();
        if (record->GetState() != TThumbState::Loading && record->GetFolder().CompareNoCase(folder) == 0)
            record->CheckUpToDate(force);
        record->Release();
    }
}

CThumbBitmap *FindThumbBitmap(const CPath &path)
{
    return ThumbBitmapCache.Find(path);
}

void EnterThumbBitmapLock()
{
    FindOrCreateLock.Enter();
}

void LeaveThumbBitmapLock()
{
    FindOrCreateLock.Leave();
}

CThumbBitmap *FindOrCreateThumbBitmap(const CPath &path, const TImageHandler *file)
{
    if (CThumbBitmap *cached = FindThumbBitmap(path))
        return cached;
    const TImageHandler read = file ? *file : TImageHandler(path, true);
    std::lock_guard lock(FindOrCreateLock);
    if (CThumbBitmap *cached = FindThumbBitmap(path))
        return cached;
    return new CThumbBitmap(read);
}

void RenameThumbBitmap(const CPath &oldPath, const CPath &newPath)
{
    // Under the find-or-create lock no builder makes a record for newPath
    // meanwhile; one left there by a file that went before is stale.
    std::lock_guard lock(FindOrCreateLock);
    CThumbBitmap *record = FindThumbBitmap(oldPath);
    if (!record)
        return;
    CThumbBitmap *previous = FindThumbBitmap(newPath);
    if (previous && previous != record)
        previous->MarkStale();
    if (previous)
        previous->Release();
    record->ChangePath(newPath);
    record->Release();
}
