#include "platform/RegexThreads.h"

void PrepareRegexForWorkerThreads() {}
