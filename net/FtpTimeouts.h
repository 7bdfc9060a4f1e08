#pragma once
// Time limits of the FTP client: how long connecting may take, and how long a listing, a
// transfer or a server reply may go without receiving anything before it fails.

constexpr int kFtpConnectTimeoutSeconds = 30;
constexpr int kFtpStallTimeoutSeconds = 60;

// The limits in force for the operations that start from now on.
int FtpConnectTimeoutSeconds();
int FtpStallTimeoutSeconds();

// Replaces both limits (tests lower them to keep stalled-server cases short); values below 1
// count as 1.
void SetFtpTimeouts(int connectSeconds, int stallSeconds);
