#include "platform/ExecutableName.h"

QString ExecutableFileName(const QString &Name) { return Name; }
