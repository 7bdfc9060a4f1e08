#pragma once
// One file fetched from the update server and timed: through the window's DownloadFileFTP, the
// FTP layer's FtpDownloadFile, or the curl program as the yardstick.
#include "net/WinInet.h"

#include <QString>

class TBenchWindow;

struct TTimedDownload {
    bool Ok = false;      // the whole file arrived (and the tool or method reported success)
    double Seconds = 0;   // wall-clock time of the transfer
    double CpuSeconds = 0;  // processor time (user and system) that the fetching process used
    qint64 Bytes = 0;     // size of the local file afterwards
    QString Failure;      // what went wrong, when not Ok
};

// DownloadFileFTP of the bench window over its connection (connected), with ProgressBar1 and
// lFileCopy refreshed as in a run. Ok when it returned 5 and LocalFile holds ExpectedBytes.
TTimedDownload WindowDownload(TBenchWindow &Bench, const QString &ServerFolder, const QString &Name,
                              const QString &LocalFile, qint64 ExpectedBytes);

// FtpDownloadFile over hFTP (connected), without a progress display. Ok when it returned 5 and
// LocalFile holds ExpectedBytes.
TTimedDownload LayerDownload(HINTERNET hFTP, const QString &ServerFolder, const QString &Name, const QString &LocalFile,
                             qint64 ExpectedBytes);

// `curl -sS -o LocalFile <server>ServerFolder/Name` with the update server's account (with
// --ssl-reqd and --cacert when the update server uses TLS), timed from start to end of the
// program. Ok when curl ended with 0 and LocalFile holds ExpectedBytes.
TTimedDownload CurlDownload(const QString &ServerFolder, const QString &Name, const QString &LocalFile,
                            qint64 ExpectedBytes);
