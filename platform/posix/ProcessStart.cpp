#include "platform/ProcessStart.h"

bool StartProcess(QProcess &Process, const QString &Program, const QStringList &Arguments)
{
    Process.start(Program, Arguments);
    return Process.waitForStarted(-1);
}
