#pragma once
// The unattended mode: the same window and run, started at once with all three stages on;
// boxes and log lines go to standard output instead of the screen.
#include <QTextStream>

class TfUpdate;

// Exit statuses of an unattended run.
namespace UnattendedExit {
constexpr int Completed = 0;    // the run ended with its completion message
constexpr int StageFailed = 1;  // a stage failed
constexpr int Error = 2;        // an error ended the run or the creation handler
}

// Sends message boxes to out as "[message] <text>" / "[error] <text>" instead of showing them.
void RouteMessagesTo(QTextStream &out);

// Writes every log line of the window to out as it is appended.
void EchoLogTo(TfUpdate &window, QTextStream &out);

// Runs the update once with every stage switched on (the window is shown, and so translated,
// first) and returns the exit status.
int RunUnattended(TfUpdate &window);
