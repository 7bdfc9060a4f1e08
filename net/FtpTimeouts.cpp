#include "net/FtpTimeouts.h"

#include <algorithm>

namespace {
int connectTimeoutSeconds = kFtpConnectTimeoutSeconds;
int stallTimeoutSeconds = kFtpStallTimeoutSeconds;
int64_t lowSpeedBytesPerSecond = kFtpLowSpeedBytesPerSecond;
int lowSpeedSeconds = kFtpLowSpeedSeconds;
int64_t listingMaxBytes = kFtpListingMaxBytes;
int listingMaxSeconds = kFtpListingMaxSeconds;
}

int FtpConnectTimeoutSeconds() { return connectTimeoutSeconds; }
int FtpStallTimeoutSeconds() { return stallTimeoutSeconds; }

void SetFtpTimeouts(int connectSeconds, int stallSeconds)
{
    connectTimeoutSeconds = std::max(1, connectSeconds);
    stallTimeoutSeconds = std::max(1, stallSeconds);
}

int64_t FtpLowSpeedBytesPerSecond() { return lowSpeedBytesPerSecond; }
int FtpLowSpeedSeconds() { return lowSpeedSeconds; }

void SetFtpLowSpeed(int64_t bytesPerSecond, int seconds)
{
    lowSpeedBytesPerSecond = std::max<int64_t>(1, bytesPerSecond);
    lowSpeedSeconds = std::max(1, seconds);
}

int64_t FtpListingMaxBytes() { return listingMaxBytes; }
int FtpListingMaxSeconds() { return listingMaxSeconds; }

void SetFtpListingLimits(int64_t maxBytes, int maxSeconds)
{
    listingMaxBytes = std::max<int64_t>(1, maxBytes);
    listingMaxSeconds = std::max(1, maxSeconds);
}
