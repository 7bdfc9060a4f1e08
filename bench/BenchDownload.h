#pragma once
// One file fetched from the update server and timed: through the window's DownloadFileFTP, the
// FTP layer's FtpDownloadFile, or the curl program as the yardstick.
#include "bench/BenchReport.h"
#include "bench/ServerFile.h"
#include "net/WinInet.h"

#include <QString>
#include <QVector>
#include <functional>

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

// The timings of a download benchmark: the measured side against curl, run by run.
struct TDownloadRuns {
    QVector<double> Seconds, CurlSeconds, CpuSeconds, CurlCpuSeconds;
};

// Fetches, Runs times, the file by curl (CurlDownload into CurlFile) and then by Measured
// (named Name in the notes), alternately, so that both meet the same state of the machine;
// each copy is removed at once, so that no pile of unwritten pages builds up. Notes each run.
// Returns false (with a note) as soon as a download failed.
bool AlternateWithCurl(int Runs, const TServerFile &File, const QString &CurlFile, const QString &Name,
                       const std::function<TTimedDownload()> &Measured, TDownloadRuns *Out);

// The result line of a throughput target: the best runs of both sides compared (the machine is
// shared, and the best run is the one least disturbed), the medians shown too; PASS at a ratio
// of at least 0.9 of curl's rate.
TBenchLine ThroughputLine(const QString &Target, const QString &Figure, const QString &Reference, qint64 Bytes,
                          const TDownloadRuns &Runs);
