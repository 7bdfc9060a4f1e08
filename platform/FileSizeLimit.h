#pragma once
// The file-size limit (ulimit -f on POSIX systems; Windows has none): a write beyond it must fail
// and be reported, never end the program; and the 7-Zip tool is kept from writing a file larger
// than the one it is expected to unpack.
#include <QProcess>
#include <cstdint>

// Makes a write beyond the file-size limit fail with "File too large", reported like a full
// disk, instead of ending the process (SIGXFSZ is ignored). Called once at start-up.
void IgnoreFileSizeSignal();

// Makes the program that Tool starts unable to write a file of more than Bytes bytes (a stricter
// limit the updater runs under still holds). Where the system has no such limit nothing happens:
// the size of what the tool wrote is checked afterwards anyway.
void LimitChildFileSize(QProcess &Tool, int64_t Bytes);
