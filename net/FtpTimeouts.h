#pragma once
// Limits of the FTP client: how long connecting may take, how long a listing, a transfer or a
// server reply may go without receiving anything before it fails, the lowest rate a transfer
// may keep up over a window of time (a server that sends a trickle), and how large and how long
// one folder listing may grow before it fails (a server that lists without end).
#include <cstdint>

constexpr int kFtpConnectTimeoutSeconds = 30;
constexpr int kFtpStallTimeoutSeconds = 60;
constexpr int64_t kFtpLowSpeedBytesPerSecond = 1024;  // a transfer below this...
constexpr int kFtpLowSpeedSeconds = 60;               // ...for this long fails
constexpr int64_t kFtpListingMaxBytes = 64 * 1024 * 1024;  // far above 100 000 entries
constexpr int kFtpListingMaxSeconds = 120;                 // the whole listing, folder change included

// The limits in force for the operations that start from now on.
int FtpConnectTimeoutSeconds();
int FtpStallTimeoutSeconds();

// Replaces both limits (tests lower them to keep stalled-server cases short); values below 1
// count as 1.
void SetFtpTimeouts(int connectSeconds, int stallSeconds);

// The lowest transfer rate in force for the transfers that start from now on, and its window.
int64_t FtpLowSpeedBytesPerSecond();
int FtpLowSpeedSeconds();

// Replaces both (tests lower the window); values below 1 count as 1.
void SetFtpLowSpeed(int64_t bytesPerSecond, int seconds);

// The listing limits in force for the listings that start from now on.
int64_t FtpListingMaxBytes();
int FtpListingMaxSeconds();

// Replaces both listing limits (tests lower them); values below 1 count as 1.
void SetFtpListingLimits(int64_t maxBytes, int maxSeconds);
