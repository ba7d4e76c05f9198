#include <Source/engine/ThumbProgressContext.h>

#include "../SoundCapture.h"
#include "../WindowThreadQueue.h"
#include "ThumbTestSupport.h"

#include <Source/engine/UserMessages.h>
#include <lib/ProductInfo.h>
#include <platform/Registry.h>
#include <platform/Thread.h>

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Received
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// An owner window that answers every message with answer and keeps what it
// received.
class OwnerWindow
{
public:
    explicit OwnerWindow(LRESULT answer = 42)
        : m_window([this, answer](UINT message, WPARAM wParam, LPARAM lParam) {
              std::lock_guard lock(m_lock);
              m_received.push_back({message, wParam, lParam});
              return answer;
          })
    {
    }

    HWND handle() const { return m_window.Handle(); }
    std::vector<Received> received() const
    {
        std::lock_guard lock(m_lock);
        return m_received;
    }
    std::vector<UINT> messages() const
    {
        std::vector<UINT> messages;
        for (const Received &r : received())
            messages.push_back(r.message);
        return messages;
    }

private:
    mutable std::mutex m_lock;   // guards m_received
    std::vector<Received> m_received;
    CMessageWindow m_window;
};

// The owner's one reference, released at the end of the scope.
struct ContextReference
{
    void operator()(CObject *context) const { context->Release(); }
};
using ContextPtr = std::unique_ptr<CThumbProgressContext, ContextReference>;

template <typename Context = CThumbProgressContext>
ContextPtr makeContext(HWND owner)
{
    return ContextPtr(new Context(owner, std::make_unique<TWorkerProgressContext>()));
}

// A worker's SendToOwner on a thread of its own.
std::future<LRESULT> sendFromWorker(CThumbProgressContext &context, UINT message, WPARAM wParam = 0,
                                    LPARAM lParam = 0)
{
    return std::async(std::launch::async,
                      [&context, message, wParam, lParam] { return context.SendToOwner(message, wParam, lParam); });
}

// A self-freeing worker attached to its context for its lifetime, running
// until it is told to stop.
class AttachedWorker : public TThread
{
public:
    AttachedWorker(CThumbProgressContext &context, std::promise<void> freed)
        : m_context(context), m_freed(std::move(freed))
    {
        m_context.AddRef();
        m_context.SetThread(this);
        SetFreeOnTerminate(true);
        Resume();
    }
    ~AttachedWorker() override
    {
        m_context.SetThread(nullptr);
        m_context.Release();
        m_freed.set_value();
    }

protected:
    void Execute() override
    {
        while (!m_context.ShouldStop())
            std::this_thread::sleep_for(1ms);
    }

private:
    CThumbProgressContext &m_context;
    std::promise<void> m_freed;
};

} // namespace

// These meet only in our own code, so they also run under ThreadSanitizer.

TEST(ThumbProgressContextThreads, AfterTerminateNothingIsSentAndTheAnswerIsZero)
{
    OwnerWindow owner;
    const auto context = makeContext(owner.handle());
    context->SetPaused(true);
    context->Terminate(true);
    EXPECT_FALSE(context->IsPaused());
    EXPECT_TRUE(context->ShouldStop());
    EXPECT_TRUE(context->GetProgressHooks()->IsStopped());
    auto worker = sendFromWorker(*context, UM_RECORD_LOADED);
    ASSERT_TRUE(ReadyWithoutServing(worker));   // nothing queued, nothing waited for
    EXPECT_EQ(worker.get(), 0);
    EXPECT_EQ(context->SendToOwner(UM_RECORD_LOADED, 0, 0), 0);   // nor directly
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.received().empty());
}

TEST(ThumbProgressContextThreads, ASendToAWindowThatIsGoneReturnsAtOnce)
{
    auto owner = std::make_unique<OwnerWindow>();
    const auto context = makeContext(owner->handle());
    const auto host = makeContext<CHostThumbProgressContext>(owner->handle());
    owner.reset();
    for (CThumbProgressContext *c : {context.get(), host.get()}) {
        auto worker = sendFromWorker(*c, UM_THUMBNAIL_READY);
        ASSERT_TRUE(ReadyWithoutServing(worker));
        EXPECT_EQ(worker.get(), 0);
    }
}

TEST(ThumbProgressContextThreads, APausedWorkerWaitsUntilUnpausedAbortedOrTerminated)
{
    struct Release
    {
        const char *name;
        std::function<void(CThumbProgressContext &)> release;
        bool paused;    // afterwards
        bool stopped;
    };
    const Release releases[] = {
        {"unpaused", [](CThumbProgressContext &c) { c.SetPaused(false); }, false, false},
        {"aborted", [](CThumbProgressContext &c) { c.SetAborted(true); }, true, true},
        {"terminated", [](CThumbProgressContext &c) { c.Terminate(true); }, false, true},
    };
    for (const Release &r : releases) {
        SCOPED_TRACE(r.name);
        const auto context = makeContext(HWND());   // no owner: the send itself answers at once
        context->SetPaused(true);
        auto worker = sendFromWorker(*context, UM_LOAD_PROGRESS, 1, 2);
        EXPECT_FALSE(ReadyWithoutServing(worker, 300ms));   // past the 200 ms second look
        r.release(*context);
        ASSERT_TRUE(ReadyWithoutServing(worker));
        EXPECT_EQ(worker.get(), 0);
        EXPECT_EQ(context->IsPaused(), r.paused);
        EXPECT_EQ(context->ShouldStop(), r.stopped);
    }
}

TEST(ThumbProgressContextThreads, SetPriorityNeverReachesAThreadThatFreedItself)
{
    const auto context = makeContext(HWND());
    context->SetPriority(tpLower);   // no thread yet: nothing happens
    std::promise<void> freed;
    std::future<void> gone = freed.get_future();
    new AttachedWorker(*context, std::move(freed));
    context->Terminate(true);
    // The thread frees itself while the owner keeps changing its priority.
    while (gone.wait_for(0ms) != std::future_status::ready)
        context->SetPriority(tpLower);
    context->SetPriority(tpNormal);
    EXPECT_EQ(context->GetRefCount(), 1u);   // the worker gave its reference back
}

// Through the window thread's queue.

TEST(ThumbProgressContext, TheOwnersAnswerIsKeptThroughAPause)
{
    OwnerWindow owner(42);
    const auto context = makeContext(owner.handle());
    context->SetPaused(true);
    auto worker = sendFromWorker(*context, UM_RECORD_LOADED);
    EXPECT_FALSE(ServeUntilReady(worker, 300ms));
    EXPECT_EQ(owner.messages(), std::vector<UINT>{UM_RECORD_LOADED});   // handled, and still paused
    context->SetAborted(true);
    ASSERT_TRUE(ReadyWithoutServing(worker));
    EXPECT_EQ(worker.get(), 42);
}

TEST(ThumbProgressContext, AMessageQueuedBeforeTerminateNeverReachesTheOwner)
{
    OwnerWindow owner;
    const auto context = makeContext(owner.handle());
    BeforeQueuedCall stop([&context] { context->Terminate(true); });
    auto worker = sendFromWorker(*context, UM_RECORD_ADDED);
    ASSERT_TRUE(ServeUntilReady(worker));
    EXPECT_TRUE(stop.ran());
    EXPECT_EQ(worker.get(), 0);
    EXPECT_TRUE(owner.received().empty());
}

TEST(ThumbProgressContext, ParametersArriveWhole)
{
    const struct { WPARAM wParam; LPARAM lParam; } cases[] = {
        {32767, 32767},
        {32768, 70000},
        {40000, -1},
        {WPARAM(0x1'0000'0001), LPARAM(-0x1'0000'0001)},
        {~WPARAM(0), INTPTR_MIN},
    };
    OwnerWindow owner;
    const auto context = makeContext(owner.handle());
    for (const auto &c : cases) {
        auto worker = sendFromWorker(*context, UM_LOAD_PROGRESS, c.wParam, c.lParam);
        ASSERT_TRUE(ServeUntilReady(worker));
        EXPECT_EQ(worker.get(), 42);
    }
    const std::vector<Received> received = owner.received();
    ASSERT_EQ(received.size(), std::size(cases));
    for (size_t i = 0; i < received.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(received[i].message, UM_LOAD_PROGRESS);
        EXPECT_EQ(received[i].wParam, cases[i].wParam);
        EXPECT_EQ(received[i].lParam, cases[i].lParam);
    }
}

// Knows whether it has been deleted: the last reference let go.
class Probe : public CObject
{
public:
    explicit Probe(std::atomic<bool> &deleted) : m_deleted(deleted) {}
    ~Probe() override { m_deleted = true; }

private:
    std::atomic<bool> &m_deleted;
};

TEST(ThumbProgressContext, PostsArriveInOrderAndKeepWhatTheyCarryUntilHandled)
{
    std::atomic<bool> deleted{false};
    std::vector<Received> received;   // window thread only
    int handledAfterDeletion = 0;
    CMessageWindow owner([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        received.push_back({message, wParam, lParam});
        if (message == UM_RECORD_LOADED && deleted)
            ++handledAfterDeletion;
        return 0;
    });
    const auto context = makeContext(owner.Handle());
    auto worker = std::async(std::launch::async, [&] {
        auto *probe = new Probe(deleted);
        for (WPARAM index = 0; index < 3; ++index)
            context->PostToOwner(UM_RECORD_LOADED, index, LPARAM(probe), probe);
        probe->Release();   // the worker's own reference: the posts hold theirs
        return context->SendToOwner(UM_LOAD_END, 0, 0);
    });
    ASSERT_TRUE(ServeUntilReady(worker));
    ASSERT_EQ(received.size(), 4u);
    for (WPARAM index = 0; index < 3; ++index) {
        EXPECT_EQ(received[index].message, UM_RECORD_LOADED);
        EXPECT_EQ(received[index].wParam, index);
    }
    EXPECT_EQ(received[3].message, UM_LOAD_END) << "a send comes after the posts before it";
    EXPECT_EQ(handledAfterDeletion, 0) << "each post kept its object alive";
    EXPECT_TRUE(deleted) << "and let it go once handled";
}

TEST(ThumbProgressContext, PostsQueuedBeforeTerminateAreDroppedAndLetGo)
{
    OwnerWindow owner;
    const auto context = makeContext(owner.handle());
    std::atomic<bool> deleted{false};
    auto worker = std::async(std::launch::async, [&] {
        auto *probe = new Probe(deleted);
        context->PostToOwner(UM_RECORD_ADDED, 0, LPARAM(probe), probe);
        context->PostToOwner(UM_LOAD_PROGRESS, 1, 2);
        probe->Release();
        return 0;
    });
    ASSERT_TRUE(ReadyWithoutServing(worker)) << "a post does not wait for the window thread";
    EXPECT_FALSE(deleted);
    context->Terminate(true);
    ASSERT_TRUE(ServeUntil([&] { return deleted.load(); }));
    EXPECT_TRUE(owner.received().empty());
}

TEST(ThumbProgressContext, AWorkerFarAheadOfTheWindowWaitsUntilItCatchesUp)
{
    constexpr int Posts = 5000;
    OwnerWindow owner;
    const auto context = makeContext(owner.handle());
    std::atomic<int> posted{0};
    auto worker = std::async(std::launch::async, [&] {
        for (int index = 0; index < Posts; ++index) {
            context->PostToOwner(UM_LOAD_PROGRESS, WPARAM(index), Posts);
            ++posted;
        }
        return 0;
    });
    EXPECT_FALSE(ReadyWithoutServing(worker, 300ms)) << "the backlog is bounded";
    EXPECT_LT(posted.load(), Posts);
    ASSERT_TRUE(ServeUntilReady(worker));
    ASSERT_TRUE(ServeUntil([&] { return owner.received().size() == size_t(Posts); }));
    const std::vector<Received> received = owner.received();
    for (int index = 0; index < Posts; ++index)
        ASSERT_EQ(received[size_t(index)].wParam, WPARAM(index));

    // A worker waiting for its backlog is let go by Terminate.
    auto blocked = std::async(std::launch::async, [&] {
        for (int index = 0; index < Posts; ++index)
            context->PostToOwner(UM_LOAD_PROGRESS, WPARAM(index), Posts);
        return 0;
    });
    EXPECT_FALSE(ReadyWithoutServing(blocked, 300ms));
    context->Terminate(true);
    ASSERT_TRUE(ReadyWithoutServing(blocked));
    EXPECT_FALSE(ServeUntil([&] { return owner.received().size() > size_t(Posts); }, 300ms))
        << "nothing of the terminated run arrived";
}

TEST(ThumbProgressContext, ReportTextShowsAWarningBoxOnTheWindowThread)
{
    MessageBoxScript boxes;
    const auto context = makeContext(HWND());
    auto worker = std::async(std::launch::async, [&context] {
        context->ReportText("Unable to read browse file", WarningBoxFlags);
        return 0;
    });
    ASSERT_TRUE(ServeUntilReady(worker));
    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unable to read browse file");
    EXPECT_EQ(shown[0].type, WarningBoxFlags);
    EXPECT_TRUE(shown[0].onWindowThread);
}

TEST(ThumbProgressContext, TheHostPassesOnlyThumbnailReadyToItsPaintBox)
{
    OwnerWindow paintBox(5);
    const auto context = makeContext<CHostThumbProgressContext>(paintBox.handle());
    const struct { UINT message; LPARAM lParam; } sends[] = {
        {UM_QUERY_AUDIO_FEEDBACK, 0},
        {UM_THUMBNAIL_READY, 0x1234},
        {UM_RECORD_LOADED, 0x5678},
    };
    for (const auto &s : sends) {
        auto worker = sendFromWorker(*context, s.message, 0, s.lParam);
        ASSERT_TRUE(ServeUntilReady(worker));
        EXPECT_EQ(worker.get(), 0);
    }
    const std::vector<Received> received = paintBox.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, UM_THUMBNAIL_READY);
    EXPECT_EQ(received[0].lParam, 0x1234);

    context->Terminate(true);
    auto worker = sendFromWorker(*context, UM_THUMBNAIL_READY, 0, 0x1234);
    ASSERT_TRUE(ReadyWithoutServing(worker));
    EXPECT_EQ(worker.get(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(paintBox.received().size(), 1u);
}

using ThumbProgressContextSounds = ThumbTest;

TEST_F(ThumbProgressContextSounds, PlayOnlyWhenTheOwnerAllowsThem)
{
    // Each event plays frames of its own, so the capture shows which played.
    const QString eventKey = QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current").arg(ProductName);
    const char *const events[] = {ThumbnailLoadedEvent, ThumbnailFailedEvent, LoadCompleteEvent};
    std::map<std::string, QByteArray> frames;
    for (int i = 0; i < 3; ++i) {
        const QString file = QStringLiteral("event%1.wav").arg(i);
        frames[events[i]] = QByteArray(400, char('a' + i));
        WriteHostFile(TestHostFolder() + "/" + file.toStdString(), WaveFile({}, frames[events[i]]));
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(eventKey.arg(events[i]), true));
        registry.WriteString(QString(), TestWindowsPath(file));
    }

    auto *loaded = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\loaded.jpg");
    ASSERT_TRUE(loaded->ClaimForLoading());
    loaded->EndLoading(TThumbState::Loaded, JpegBytes(8, 8));
    auto *failed = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\failed.jpg");
    ASSERT_TRUE(failed->ClaimForLoading());
    failed->EndLoading(TThumbState::Failed);
    auto *pending = new CThumbBitmap(CThumbBitmap::FromBrowseFile, "C:\\Pics\\pending.jpg");

    enum Kind { Plain, Host, Terminated };
    struct Case
    {
        const char *name;
        std::function<void(CThumbProgressContext &)> call;
        LRESULT ownerAnswer;
        Kind kind;
        const char *played;   // null: silence
        bool asked;           // whether the owner heard the query
    };
    const auto done = [](CThumbBitmap *record) {
        return [record](CThumbProgressContext &c) { c.ThumbnailDone(record); };
    };
    const auto complete = [](CThumbProgressContext &c) { c.LoadComplete(); };
    const Case cases[] = {
        {"a loaded record", done(loaded), 1, Plain, ThumbnailLoadedEvent, true},
        {"a failed record", done(failed), 1, Plain, ThumbnailFailedEvent, true},
        {"a record not built", done(pending), 1, Plain, ThumbnailFailedEvent, true},
        {"load complete", complete, 7, Plain, LoadCompleteEvent, true},
        {"an owner that wants silence", done(loaded), 0, Plain, nullptr, true},
        {"load complete, silence", complete, 0, Plain, nullptr, true},
        {"terminated, thumbnail", done(loaded), 1, Terminated, nullptr, false},
        {"terminated, load complete", complete, 1, Terminated, nullptr, false},
        {"a single-thumbnail context", done(loaded), 1, Host, nullptr, false},
    };
    SoundCapture capture;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        capture.forget();
        OwnerWindow owner(c.ownerAnswer);
        const ContextPtr context =
            c.kind == Host ? makeContext<CHostThumbProgressContext>(owner.handle()) : makeContext(owner.handle());
        if (c.kind == Terminated)
            context->Terminate(true);
        c.call(*context);
        EXPECT_EQ(capture.played(), c.played ? frames[c.played] : QByteArray());
        EXPECT_EQ(owner.messages(), c.asked ? std::vector<UINT>{UM_QUERY_AUDIO_FEEDBACK} : std::vector<UINT>{});
    }

    // With nothing to play the owner is not even asked: a build would ask
    // after every record.
    const struct
    {
        const char *name;
        bool audioFeedback;
        const char *file;
    } silentCases[] = {
        {"no file named for the event", true, ""},
        {"Audio Feedback off", false, "event0.wav"},
    };
    for (const auto &c : silentCases) {
        SCOPED_TRACE(c.name);
        capture.forget();
        GeneralOptions->SetInt(TGeneralOptions::AudioFeedback, c.audioFeedback ? 1 : 0);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(eventKey.arg(ThumbnailLoadedEvent), true));
        registry.WriteString(QString(), *c.file ? TestWindowsPath(c.file) : QString());
        OwnerWindow owner(1);
        const ContextPtr context = makeContext(owner.handle());
        context->ThumbnailDone(loaded);
        EXPECT_EQ(capture.played(), QByteArray());
        EXPECT_EQ(owner.messages(), std::vector<UINT>{});
    }
    loaded->Release();
    failed->Release();
    pending->Release();
}
