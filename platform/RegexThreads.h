#pragma once
// Regular expressions used on worker threads (the parallel transfers read the server setting).

// Called once at start-up, before the first regular expression. On Windows the static Qt's
// regular expressions run without PCRE's JIT: the JIT's per-thread stack is freed by
// winpthreads' clean-up when a worker thread ends, and that clean-up crashed there.
void PrepareRegexForWorkerThreads();
