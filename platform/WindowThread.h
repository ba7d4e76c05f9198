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
