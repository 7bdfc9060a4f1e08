#include "platform/ProcessStart.h"

#include <QThread>

namespace {

// Starts in all, and the wait before the second; each further wait is twice the one before.
constexpr int kStarts = 5;
constexpr unsigned long kFirstWaitMilliseconds = 50;

}  // namespace

bool StartProcess(QProcess &Process, const QString &Program, const QStringList &Arguments)
{
    unsigned long wait = kFirstWaitMilliseconds;
    for (int start = 1;; ++start) {
        Process.start(Program, Arguments);
        if (Process.waitForStarted(-1))
            return true;
        if (Process.error() != QProcess::FailedToStart || start == kStarts)
            return false;
        QThread::msleep(wait);
        wait *= 2;
    }
}
