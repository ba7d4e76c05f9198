#include "ThumbProgressContext.h"

#include "ThumbBitmap.h"
#include "UserMessages.h"

#include <Source/Glob.h>

#include <chrono>
#include <memory>

namespace {

// How far the window thread may fall behind a worker's posted messages.
constexpr int32_t PostBacklog = 1024;

} // namespace

// What a posted message holds until the window thread has handled or dropped it.
class CThumbProgressContext::CPendingPost
{
public:
    CPendingPost(CThumbProgressContext &context, CObject *keepAlive) : m_context(context), m_keepAlive(keepAlive)
    {
        m_context.AddRef();
        if (m_keepAlive)
            m_keepAlive->AddRef();
        ++m_context.m_pendingPosts;
    }
    ~CPendingPost()
    {
        if (m_keepAlive)
            m_keepAlive->Release();
        m_context.postDone();
        m_context.Release();
    }
    CPendingPost(const CPendingPost &) = delete;
    CPendingPost &operator=(const CPendingPost &) = delete;

    bool stillWanted() const { return !m_context.IsTerminated(); }

private:
    CThumbProgressContext &m_context;
    CObject *const m_keepAlive;
};

CThumbProgressContext::CThumbProgressContext(HWND ownerWindow, std::unique_ptr<TWorkerProgressContext> hooks)
    : m_progressHooks(hooks ? std::move(hooks) : std::make_unique<TWorkerProgressContext>()),
      m_ownerWindow(ownerWindow)
{
}

void CThumbProgressContext::SetThread(TThread *thread)
{
    std::lock_guard lock(m_threadLock);
    m_thread = thread;
}

void CThumbProgressContext::ReportText(const CString &text, UINT flags)
{
    ShowMessageBox(text, flags);
}

void CThumbProgressContext::ThumbnailDone(const CThumbBitmap *record)
{
    const bool loaded = record && record->GetState() == TThumbState::Loaded;
    playIfOwnerAllows(loaded ? ThumbnailLoadedEvent : ThumbnailFailedEvent);
}

void CThumbProgressContext::LoadComplete()
{
    playIfOwnerAllows(LoadCompleteEvent);
}

// The owner is asked only when there is a sound to play: a build asks after
// every record, and each question is a round trip to the window thread.
void CThumbProgressContext::playIfOwnerAllows(const char *event)
{
    if (IsTerminated() || !SoundEventWouldPlay(event))
        return;
    if (SendToOwner(UM_QUERY_AUDIO_FEEDBACK, 0, 0) == 0)
        return;
    PlaySoundEvent(event);
}

LRESULT CThumbProgressContext::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = sendUnlessTerminated(m_ownerWindow, message, wParam, lParam);
    waitWhilePaused();
    return result;
}

void CThumbProgressContext::PostToOwner(UINT message, WPARAM wParam, LPARAM lParam, CObject *keepAlive)
{
    if (IsTerminated())
        return;
    waitForBacklog();
    const auto pending = std::make_shared<CPendingPost>(*this, keepAlive);
    if (!PostMessageIf(m_ownerWindow, message, wParam, lParam, [pending] { return pending->stillWanted(); })) {
        SendToOwner(message, wParam, lParam);
        return;
    }
    waitWhilePaused();
}

void CThumbProgressContext::waitForBacklog()
{
    if (m_pendingPosts.load() < PostBacklog)
        return;
    std::unique_lock lock(m_pauseLock);
    m_pauseChanged.wait(lock, [this] { return m_pendingPosts.load() <= PostBacklog / 2 || IsTerminated(); });
}

// Wherever the last holder of a posted message lets go: the window thread, or
// the worker when the post failed.
void CThumbProgressContext::postDone()
{
    if (--m_pendingPosts == PostBacklog / 2)
        wakePausedWorker();
}

LRESULT CThumbProgressContext::sendUnlessTerminated(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsTerminated())
        return 0;
    // A message queued before a stop must not reach the window after it: by
    // then the window may be showing the next folder.
    return SendMessageIf(window, message, wParam, lParam, [this] { return !IsTerminated(); });
}

void CThumbProgressContext::waitWhilePaused()
{
    // The owner's flag changes wake it at once; unwoken it looks every 200 ms.
    std::unique_lock lock(m_pauseLock);
    while (IsPaused() && !ShouldStop())
        m_pauseChanged.wait_for(lock, std::chrono::milliseconds(200));
}

void CThumbProgressContext::wakePausedWorker()
{
    // Taking the lock orders the flag change before the worker's next test,
    // so the wake-up cannot fall between its test and its wait.
    { std::lock_guard lock(m_pauseLock); }
    m_pauseChanged.notify_all();
}

void CThumbProgressContext::SetAborted(bool aborted)
{
    m_aborted = aborted;
    wakePausedWorker();
}

void CThumbProgressContext::SetPaused(bool paused)
{
    m_paused = paused;
    wakePausedWorker();
}

void CThumbProgressContext::Terminate(bool terminate)
{
    // Set before the wake-up, which a worker waiting for its backlog tests.
    m_terminate = terminate;
    m_progressHooks->SetStopped(terminate);
    SetPaused(false);
}

bool CThumbProgressContext::ShouldStop() const
{
    return IsAborted() || IsTerminated();
}

void CThumbProgressContext::RestUnlessTerminated(std::chrono::milliseconds bound)
{
    std::unique_lock lock(m_pauseLock);
    m_pauseChanged.wait_for(lock, bound, [this] { return IsTerminated(); });
}

void CThumbProgressContext::SetPriority(TThreadPriority priority)
{
    std::lock_guard lock(m_threadLock);
    if (m_thread)
        m_thread->SetPriority(priority);
}

CHostThumbProgressContext::CHostThumbProgressContext(HWND paintBox, std::unique_ptr<TWorkerProgressContext> hooks)
    : CThumbProgressContext(HWND(), std::move(hooks)), m_paintBox(paintBox)
{
}

LRESULT CHostThumbProgressContext::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_THUMBNAIL_READY)
        sendUnlessTerminated(m_paintBox, message, wParam, lParam);
    return 0;
}
