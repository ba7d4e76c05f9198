#pragma once

#include "Object.h"

#include <lib/ProgressContext.h>
#include <lib/String.h>
#include <platform/Messages.h>
#include <platform/Thread.h>
#include <platform/Types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class CThumbBitmap;

// A worker's progress hooks: a plain progress context with the stop flag that
// the worker's Terminate sets, so that imaging work handed these hooks can
// learn that the worker is being stopped. Any thread.
class TWorkerProgressContext : public TProgressContext
{
public:
    bool IsStopped() const { return m_stopped.load(); }
    void SetStopped(bool stopped) { m_stopped = stopped; }

private:
    std::atomic<bool> m_stopped{false};
};

// The shared state and message channel between a worker thread (scan, single
// thumbnail, batch) and the window that owns it. The owner creates it (one
// reference) and hands it to the worker, which takes a reference of its own;
// the owner stops the worker with Terminate(true) and releases its reference.
// The flags are written by the owner and read by the worker without a lock.
class CThumbProgressContext : public CObject
{
public:
    // hooks: owned by the context; null gets plain ones.
    CThumbProgressContext(HWND ownerWindow, std::unique_ptr<TWorkerProgressContext> hooks);

    // The worker thread whose priority SetPriority sets. A self-freeing thread
    // attaches itself in its constructor and detaches (null) in its
    // destructor, so that SetPriority never reaches a thread being freed.
    void SetThread(TThread *thread);
    TWorkerProgressContext *GetProgressHooks() const { return m_progressHooks.get(); }
    HWND GetOwnerWindow() const { return m_ownerWindow; }

    // Set from a browse file's header while it is read, for the owner.
    int32_t GetFileSortProperty() const { return m_fileSortProperty.load(); }
    void SetFileSortProperty(int32_t property) { m_fileSortProperty = property; }
    int32_t GetFileSortDirection() const { return m_fileSortDirection.load(); }
    void SetFileSortDirection(int32_t direction) { m_fileSortDirection = direction; }

    bool IsPaused() const { return m_paused.load(); }
    bool IsAborted() const { return m_aborted.load(); }
    bool IsTerminated() const { return m_terminate.load(); }
    // While a browse file is read or the thumbnail loader runs.
    bool IsLoading() const { return m_loading.load(); }
    void SetLoading(bool loading) { m_loading = loading; }
    // While a browse file is written.
    bool IsSaving() const { return m_saving.load(); }
    void SetSaving(bool saving) { m_saving = saving; }

    // Worker: shows text in the program's message box with the icon of flags,
    // and waits for the user.
    virtual void ReportText(const CString &text, UINT flags);
    // Worker, unless terminating: when the owner allows sounds, plays
    // "Thumbnail Loaded" for a loaded record and "Thumbnail Failed" for any other.
    virtual void ThumbnailDone(const CThumbBitmap *record);
    // Worker, unless terminating: when the owner allows sounds, plays "Load Complete".
    virtual void LoadComplete();
    // Worker: sends message to the owner window and waits until the window
    // thread has handled it; the parameters reach it whole. Answers 0 and
    // sends nothing once terminated, also when Terminate comes while the
    // message waits in the window's queue. While paused, returns only when
    // unpaused or stopped (ShouldStop); the window's answer is kept throughout.
    virtual LRESULT SendToOwner(UINT message, WPARAM wParam, LPARAM lParam);
    // Worker: hands message to the owner window without waiting for the
    // window thread, for a message whose answer nobody uses. It reaches the
    // owner in order with the worker's other messages, and not at all once
    // terminated (tested again on the window thread). keepAlive, when given,
    // keeps a reference until the message was handled or dropped. While the
    // window thread is PostBacklog messages behind, waits until it has caught
    // up halfway: one wake-up of either thread serves a run of messages, and
    // no scheduling delay is paid per message. While paused, returns only
    // when unpaused or stopped. Where nothing can be queued (no window
    // thread, no such window) it is SendToOwner.
    void PostToOwner(UINT message, WPARAM wParam, LPARAM lParam, CObject *keepAlive = nullptr);
    // Owner, any thread. Each wakes a worker waiting while paused.
    virtual void SetAborted(bool aborted);
    virtual void SetPaused(bool paused);
    // Unpauses, and sets the terminate flag and the hooks' stop flag.
    virtual void Terminate(bool terminate);
    // Aborted or terminated.
    virtual bool ShouldStop() const;
    // Worker: rests for bound, or until the owner terminates the context, so
    // that a stopped worker that was idle goes at once.
    void RestUnlessTerminated(std::chrono::milliseconds bound);
    // Nothing while no thread is attached.
    virtual void SetPriority(TThreadPriority priority);

protected:
    // Sends unless terminated; the terminate flag is tested again on the
    // window thread just before the handler runs.
    LRESULT sendUnlessTerminated(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    class CPendingPost;

    void playIfOwnerAllows(const char *event);
    void waitWhilePaused();
    void waitForBacklog();
    void postDone();
    void wakePausedWorker();

    std::mutex m_threadLock;   // guards m_thread; taken with no other lock held
    TThread *m_thread = nullptr;
    std::unique_ptr<TWorkerProgressContext> m_progressHooks;
    const HWND m_ownerWindow;
    std::atomic<int32_t> m_fileSortProperty{0};
    std::atomic<int32_t> m_fileSortDirection{0};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_loading{false};
    std::atomic<bool> m_saving{false};

    // Messages posted and not yet handled or dropped.
    std::atomic<int32_t> m_pendingPosts{0};

    // Lets the owner wake a paused worker, and the window thread one waiting
    // for the backlog, at once; guards nothing else and is never held while
    // the worker sends.
    std::mutex m_pauseLock;
    std::condition_variable m_pauseChanged;
};

// The scan thread's context: the owner window's requests, cleared by the scan
// thread when it has done the work.
class CScanThumbProgressContext : public CThumbProgressContext
{
public:
    using CThumbProgressContext::CThumbProgressContext;

    bool GetRescanRequest() const { return m_rescanRequest.load(); }
    void SetRescanRequest(bool request) { m_rescanRequest = request; }
    bool GetSaveRequest() const { return m_saveRequest.load(); }
    void SetSaveRequest(bool request) { m_saveRequest = request; }
    // The scan thread: whether a request is set, clearing it in one step, so
    // that one made while its work runs waits for the next turn.
    bool TakeRescanRequest() { return m_rescanRequest.exchange(false); }
    // The owner asks for the folder's cached records to be checked against
    // their files (with force, every one built again) before the next rescan;
    // a forced request outweighs a plain one. The scan thread takes it as
    // NoCheck, PlainCheck or ForcedCheck.
    enum TCheck { NoCheck, PlainCheck, ForcedCheck };
    void SetCheckRequest(bool force)
    {
        if (force)
            m_checkRequest = ForcedCheck;
        else {
            int none = NoCheck;
            m_checkRequest.compare_exchange_strong(none, PlainCheck);
        }
    }
    TCheck TakeCheckRequest() { return TCheck(m_checkRequest.exchange(NoCheck)); }
    // The save is marked running before its request clears, so that the
    // owner, waiting on IsSavePending, never stops the thread in mid-save.
    // SaveDone ends it.
    bool TakeSaveRequest()
    {
        if (!m_saveRequest.load())
            return false;
        m_saveRunning = true;
        if (m_saveRequest.exchange(false))
            return true;
        m_saveRunning = false;
        return false;
    }
    void SaveDone() { m_saveRunning = false; }
    // The owner: a save requested and not yet written.
    bool IsSavePending() const { return m_saveRequest.load() || m_saveRunning.load(); }

private:
    std::atomic<bool> m_rescanRequest{false};
    std::atomic<bool> m_saveRequest{false};
    std::atomic<bool> m_saveRunning{false};
    std::atomic<int> m_checkRequest{NoCheck};
};

// The context of a single-thumbnail thread, serving one paint box. It knows
// the paint box only by its window handle, so a paint box that is gone simply
// hears nothing.
class CHostThumbProgressContext : public CThumbProgressContext
{
public:
    CHostThumbProgressContext(HWND paintBox, std::unique_ptr<TWorkerProgressContext> hooks);

    // Passes only UM_THUMBNAIL_READY on, to the paint box, and waits until it
    // has handled it; answers 0 for every message.
    LRESULT SendToOwner(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    const HWND m_paintBox;
};
