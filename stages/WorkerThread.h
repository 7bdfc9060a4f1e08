#pragma once
// Work that must not hold up the calling thread's events: a window calls the engine through
// this so that it never waits on the network, the disk or 7-Zip.
#include <functional>

// Runs work on a thread of its own and returns when it has ended; meanwhile the calling thread
// processes its events (queued reports of the work included, in the order they were sent).
// An exception that work throws is thrown again here.
void RunOnWorkerThread(const std::function<void()> &work);
