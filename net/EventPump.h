#pragma once
// Long work runs on the window's thread; at fixed points it lets pending window events run.
// A stop request (the window was closed during a run) makes the next safe point throw
// RunStopped, and makes a transfer in progress abort.

// Lets the application process pending events; at most every 20 ms, calls in between return
// at once.
void ProcessMessages();

// Marks the run as to be stopped, or clears the mark before a new run.
void RequestStop();
void ClearStopRequest();
bool StopRequested();

// Throws RunStopped when a stop was requested.
void CheckStop();
