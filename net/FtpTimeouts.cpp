#include "net/FtpTimeouts.h"

#include <algorithm>

namespace {
int connectTimeoutSeconds = kFtpConnectTimeoutSeconds;
int stallTimeoutSeconds = kFtpStallTimeoutSeconds;
}

int FtpConnectTimeoutSeconds() { return connectTimeoutSeconds; }
int FtpStallTimeoutSeconds() { return stallTimeoutSeconds; }

void SetFtpTimeouts(int connectSeconds, int stallSeconds)
{
    connectTimeoutSeconds = std::max(1, connectSeconds);
    stallTimeoutSeconds = std::max(1, stallSeconds);
}
