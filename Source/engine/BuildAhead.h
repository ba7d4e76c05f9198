#pragma once

#include "FileHandler.h"

#include <lib/Path.h>
#include <platform/Thread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CThumbBitmap;
class CThumbProgressContext;

// Runs work(index) for every index below count on `threads` threads besides
// the caller's, each taking the next index not yet taken, until stop answers
// true. Each thread prepares the imaging library first. An error of one index
// is written to the debug output and the others go on.
void forEachIndex(int count, int threads, const std::function<bool()> &stop, const std::function<void(int)> &work);

// The headers of files, read on `threads` threads besides the caller's
// before the records are made, so that the find-or-create lock covers only
// the lookup and the creation: empty for a file the cache has a record of,
// and for every file not reached once the context stops.
std::vector<std::optional<TImageHandler>> readUncachedHandlers(const std::vector<CPath> &files,
                                                               CThumbProgressContext *context, int threads);

// Builds records ahead of a worker, which reports them one after another in
// order. A record is taken by exactly one thread (a builder, or the worker
// when it gets there first); the taker claims it and builds it when the claim
// succeeds. Builders rest while the context is paused and start nothing once
// it should stop; builds under way end, or stop by the context's terminate
// flag. The builders start at the priority of the thread that makes the pool
// and, given a worker to follow, take on its priority whenever it changes.
class TBuildAhead
{
public:
    // records, context and worker outlive the pool; worker may be null.
    TBuildAhead(const std::vector<CThumbBitmap *> &records, CThumbProgressContext *context, int builders,
                const TThread *worker = nullptr);
    // Waits for the builds under way.
    ~TBuildAhead();
    TBuildAhead(const TBuildAhead &) = delete;
    TBuildAhead &operator=(const TBuildAhead &) = delete;

    // The worker. Once record index has been handled: whether it was claimed
    // (and built).
    bool waitFor(size_t index);

private:
    enum Status : uint8_t { Free, Taken, Claimed, NotClaimed };

    bool take(size_t index);
    void buildAhead();
    bool stopping() const;
    // Takes on the worker's priority meanwhile.
    void waitWhilePaused(TThreadPriority &applied) const;
    bool build(size_t index);
    // A builder: applied becomes the worker's priority.
    void followPriority(TThreadPriority &applied) const;
    void makeThumbnail(CThumbBitmap *record);

    const std::vector<CThumbBitmap *> &m_records;
    CThumbProgressContext *m_context;
    const TThread *m_worker;
    // The worker's level when the pool was made, which the builders inherit
    // from the thread that makes it.
    const TThreadPriority m_startPriority;
    std::vector<std::atomic<uint8_t>> m_status;   // by record: a Status
    std::atomic<size_t> m_next{0};                // the next record a builder looks at
    std::atomic<bool> m_stopping{false};
    std::mutex m_doneLock;   // taken alone; pairs m_doneChanged with m_status
    std::condition_variable m_doneChanged;
    std::vector<std::thread> m_builders;
};
