#include "platform/RegexThreads.h"

#include <QByteArray>

void PrepareRegexForWorkerThreads()
{
    // Read by Qt when it compiles its first regular expression.
    qputenv("QT_ENABLE_REGEXP_JIT", QByteArrayLiteral("0"));
}
