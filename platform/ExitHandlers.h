#pragma once
// The end of a process whose result is known.

// Where the C runtime's exit handlers can wait forever, ends the process at once with Status,
// after flushing the C streams: on Windows, where the static C++ runtime's handlers can hang in
// winpthreads' pthread_key_delete (a thread-local key of libstdc++) once worker threads have come
// and gone. Elsewhere it returns, and the caller ends as usual.
void EndSkippingHangingExitHandlers(int Status);
