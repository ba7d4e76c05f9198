#pragma once

#include <functional>

// The window thread is the thread of the application object: the only one
// that touches widgets.
bool IsWindowThread();

// Runs call on the window thread and waits until it has returned; an exception
// it raises is raised again in the caller. On the window thread itself, or
// before the application object exists, call runs at once: a blocking queued
// call to one's own thread would never return.
void CallOnWindowThread(const std::function<void()> &call);

// Queues call for the window thread and returns at once; false when there is
// no application object (there is no queue then). Calls queued from one
// thread run in the order queued, and every hand-over to the window thread
// (CallOnWindowThread, messages) shares the one queue. Once woken, the window
// thread runs every call queued meanwhile before it sleeps again (letting its
// event loop run between slices of a few milliseconds), so callers that do not
// wait for their calls wake it once for a whole run of them.
bool QueueOnWindowThread(std::function<void()> call);
