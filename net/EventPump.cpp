#include "net/EventPump.h"

#include "net/RaisedError.h"

#include <QCoreApplication>

namespace {
bool stopRequested = false;
}

void ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void RequestStop() { stopRequested = true; }
void ClearStopRequest() { stopRequested = false; }
bool StopRequested() { return stopRequested; }

void CheckStop()
{
    if (stopRequested)
        throw RunStopped();
}
