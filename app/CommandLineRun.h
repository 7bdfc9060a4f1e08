#pragma once
// The command-line face of the engine: a run without any widget, for scripts and schedulers.
#include "app/CommandLineOptions.h"

// --unattended: the start-up steps of the window (language, user, folder access), then the
// chosen stages at once. Message boxes go to standard output as "[message] <text>" /
// "[error] <text>", every log line as it is added. Returns the exit status.
int RunUnattended(const CommandLineOptions &options);

// --check: the language set-up only, then change detection and the script look-up; prints one
// line per file and script that an update would fetch and a summary line to standard output,
// message boxes to standard error. Writes nothing. Returns the exit status.
int RunCheck(const CommandLineOptions &options);
