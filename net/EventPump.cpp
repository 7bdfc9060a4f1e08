#include "net/EventPump.h"

#include "base/RaisedError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace {
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the stop mark is set from signal handlers");
constexpr qint64 kMinimumIntervalMs = 20;
}

void ProcessMessages()
{
    // Every call repaints what changed; a window that paints 50 times a second looks live, and
    // more often only costs time in loops over many small files.
    static QElapsedTimer sinceLast;
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()
        || (sinceLast.isValid() && sinceLast.elapsed() < kMinimumIntervalMs))
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLast.start();
}

void RequestStop() { stopRequested = true; }
void ClearStopRequest() { stopRequested = false; }
bool StopRequested() { return stopRequested; }

void CheckStop()
{
    if (stopRequested)
        throw RunStopped();
}
