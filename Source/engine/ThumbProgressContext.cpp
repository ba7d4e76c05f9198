#include "ThumbProgressContext.h"

#include "ThumbBitmap.h"
#include "UserMessages.h"

#include "../Glob.h"

#include <chrono>

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
    if (SendToOwner(UM_QUERY_AUDIO_FEEDBACK, 0, 0) == 0)
        return;
    const bool loaded = record && record->GetState() == TThumbState::Loaded;
    PlaySoundEvent(loaded ? ThumbnailLoadedEvent : ThumbnailFailedEvent);
}

void CThumbProgressContext::LoadComplete()
{
    if (SendToOwner(UM_QUERY_AUDIO_FEEDBACK, 0, 0) == 0)
        return;
    PlaySoundEvent(LoadCompleteEvent);
}

LRESULT CThumbProgressContext::SendToOwner(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = sendUnlessTerminated(m_ownerWindow, message, wParam, lParam);
    waitWhilePaused();
    return result;
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
    SetPaused(false);
    m_terminate = terminate;
    m_progressHooks->SetStopped(terminate);
}

bool CThumbProgressContext::ShouldStop() const
{
    return IsAborted() || IsTerminated();
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
