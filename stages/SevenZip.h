#pragma once
// Running the 7-Zip tool for one archive, and checking what it installed.
#include "stages/InstallPaths.h"

#include <QString>
#include <cstdint>

// Starts the tool as Call says, with no input and its output discarded, and waits without
// time-out until it ends. Returns its exit code: 0 when it unpacked, anything else (-1 for a
// crash) when it did not. Throws RaisedError with the system's text when it cannot be started.
int RunSevenZip(const TToolCall &Call);

// True when FilePath is a file of exactly Size bytes (the size its archive name carries).
bool InstalledSizeMatches(const QString &FilePath, int64_t Size);
