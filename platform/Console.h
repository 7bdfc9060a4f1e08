#pragma once
// The console of a run without a window: where its lines go, and Ctrl+C.
#include <cstdio>

// Connects standard output and error to the console the program was started from, where they
// are not already connected to one, a pipe or a file, and makes the console show UTF-8 text.
void AttachToConsole();

// True when Stream is a terminal (a console window), not a pipe or a file.
bool IsTerminal(std::FILE *Stream);

// Calls Handler when the user presses Ctrl+C or the process is asked to end. Handler may run
// on another thread or in a signal handler: it may only set a flag.
void OnInterrupt(void (*Handler)());
