#pragma once
// Long work runs on a worker thread, or on the window's thread where a caller blocks it; at
// fixed points it lets pending window events run. A stop request (the window was closed during
// a run) makes the next safe point throw RunStopped, and makes a transfer in progress abort.

// On the application's main thread, lets it process pending events, at most every 20 ms (calls
// in between return at once). On any other thread it does nothing.
void ProcessMessages();

// Marks the run as to be stopped, or clears the mark before a new run; safe from any thread
// and from a signal handler.
void RequestStop();
void ClearStopRequest();
bool StopRequested();

// Throws RunStopped when a stop was requested.
void CheckStop();
