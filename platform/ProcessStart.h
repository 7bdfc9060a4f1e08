#pragma once
// Starting a helper program (7-Zip) as a child process.
#include <QProcess>
#include <QString>
#include <QStringList>

// Starts Program with Arguments in Process and waits until it runs. Returns false when it did
// not start; Process's errorString() then tells why. On Windows a start that fails is tried a
// few more times, a little later each: a program file just written (the tool's private copy) may
// be held for a moment by a virus scanner, and Wine, loaded, fails a start now and then.
bool StartProcess(QProcess &Process, const QString &Program, const QStringList &Arguments);
