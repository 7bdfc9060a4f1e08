#pragma once
// The file-size limit signal (SIGXFSZ): by default it ends the process as soon as a write goes
// beyond the file-size limit (ulimit -f).

// Makes the process ignore SIGXFSZ, so that a write beyond the file-size limit fails with
// EFBIG ("File too large") and is reported like a full disk. Called once at start-up.
void IgnoreFileSizeSignal();
