#include "BuildAhead.h"

#include "ThumbBitmap.h"
#include "ThumbCache.h"
#include "ThumbProgressContext.h"

#include <Source/Glob.h>

#include <lib/imaging/ImgLib.h>
#include <platform/Debug.h>

#include <algorithm>
#include <chrono>
#include <exception>

namespace {

// How often a paused builder looks whether it may go on.
constexpr auto PausePollInterval = std::chrono::milliseconds(20);

} // namespace

void forEachIndex(int count, int threads, const std::function<bool()> &stop, const std::function<void(int)> &work)
{
    std::atomic<int> next{0};
    const auto run = [&] {
        InitImageLibrary();
        for (int index = next++; index < count && !stop(); index = next++) {
            try {
                work(index);
            } catch (const std::exception &error) {
                OutputDebugStringA(error.what());
            }
        }
        ImgClearJPGOutputText();
    };
    std::vector<std::thread> pool;
    for (int thread = 0; thread < std::min(threads, count); ++thread)
        pool.emplace_back(run);
    run();
    for (std::thread &thread : pool)
        thread.join();
}

std::vector<std::optional<TImageHandler>> readUncachedHandlers(const std::vector<CPath> &files,
                                                               CThumbProgressContext *context, int threads)
{
    std::vector<std::optional<TImageHandler>> handlers(files.size());
    forEachIndex(
        int(files.size()), threads, [&] { return context->ShouldStop(); },
        [&](int index) {
            if (CThumbBitmap *cached = FindThumbBitmap(files[size_t(index)])) {
                cached->Release();
                return;
            }
            handlers[size_t(index)].emplace(files[size_t(index)], true);
        });
    return handlers;
}

TBuildAhead::TBuildAhead(const std::vector<CThumbBitmap *> &records, CThumbProgressContext *context, int builders,
                         const TThread *worker)
    : m_records(records), m_context(context), m_worker(worker),
      m_startPriority(worker ? worker->Priority() : tpNormal), m_status(records.size())
{
    for (int builder = 0; builder < std::min<int>(builders, int(records.size())); ++builder)
        m_builders.emplace_back([this] { buildAhead(); });
}

TBuildAhead::~TBuildAhead()
{
    m_stopping = true;
    for (std::thread &builder : m_builders)
        builder.join();
}

bool TBuildAhead::waitFor(size_t index)
{
    if (take(index))
        return build(index);
    std::unique_lock lock(m_doneLock);
    m_doneChanged.wait(lock, [&] { return m_status[index].load() >= Claimed; });
    return m_status[index].load() == Claimed;
}

bool TBuildAhead::take(size_t index)
{
    uint8_t free = Free;
    return m_status[index].compare_exchange_strong(free, Taken);
}

void TBuildAhead::buildAhead()
{
    InitImageLibrary();
    TThreadPriority applied = m_startPriority;
    for (size_t index = m_next++; index < m_records.size(); index = m_next++) {
        waitWhilePaused(applied);
        if (stopping())
            break;
        if (take(index))
            build(index);
    }
    ImgClearJPGOutputText();
}

void TBuildAhead::followPriority(TThreadPriority &applied) const
{
    if (!m_worker || m_worker->Priority() == applied)
        return;
    applied = m_worker->Priority();
    SetCallingThreadPriority(applied);
}

bool TBuildAhead::stopping() const
{
    return m_stopping || m_context->ShouldStop();
}

// A window pauses its worker while the user drags thumbnails, the batch
// window when the user asks: the builders rest too, leaving the cores.
void TBuildAhead::waitWhilePaused(TThreadPriority &applied) const
{
    followPriority(applied);
    while (m_context->IsPaused() && !stopping()) {
        std::this_thread::sleep_for(PausePollInterval);
        followPriority(applied);
    }
}

bool TBuildAhead::build(size_t index)
{
    CThumbBitmap *record = m_records[index];
    const bool claimed = record->ClaimForLoading();
    if (claimed)
        makeThumbnail(record);
    {
        std::lock_guard lock(m_doneLock);
        m_status[index] = claimed ? Claimed : NotClaimed;
    }
    m_doneChanged.notify_all();
    return claimed;
}

// A build that raises has failed its record (MakeThumbnail ends the claim);
// it must not end the process.
void TBuildAhead::makeThumbnail(CThumbBitmap *record)
{
    try {
        record->MakeThumbnail(m_context);
    } catch (const std::exception &error) {
        OutputDebugStringA(error.what());
    } catch (...) {
        OutputDebugStringA("A thumbnail build ended by an unknown exception");
    }
}
