#pragma once
// The program's command line.
#include <QString>
#include <QStringList>

struct CommandLineOptions {
    enum class Mode { Window, Unattended, Check, Help, Version, Invalid };
    Mode mode = Mode::Window;
    bool stages[3] = {true, true, true};  // --stages: which of stages 1, 2, 3 run
    QString error;                        // what is wrong with an Invalid command line
};

// Reads the arguments after the program name. --help and --version win over the rest;
// --unattended and --check exclude each other; --stages=LIST takes one or more of 1, 2, 3
// separated by commas. An unknown option, or a --stages list that is empty or holds
// anything else, gives Invalid with the reason.
CommandLineOptions ParseCommandLine(const QStringList &arguments);

// The text --help shows.
QString UsageText();

// Exit statuses of the command-line modes.
namespace ExitStatus {
constexpr int Completed = 0;         // the run ended with its completion message; --check: up to date
constexpr int StageFailed = 1;       // a stage failed, or a file of the work list was not installed
constexpr int Error = 2;             // an error ended the run or the start, or a wrong command line
constexpr int UpdatesAvailable = 100;  // --check: an update would fetch something
}  // namespace ExitStatus
