#include "bench/BenchDownload.h"

#include "bench/BenchInstallation.h"
#include "bench/BenchWindow.h"
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <sys/resource.h>

namespace {

// Processor seconds of this process (RUSAGE_SELF) or of its ended children (RUSAGE_CHILDREN).
double CpuSecondsOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void CheckSize(TTimedDownload &download, const QString &localFile, qint64 expectedBytes)
{
    download.Bytes = QFileInfo(localFile).size();
    if (download.Ok && download.Bytes != expectedBytes) {
        download.Ok = false;
        download.Failure = QStringLiteral("%1 bytes arrived, %2 expected").arg(download.Bytes).arg(expectedBytes);
    }
}

}  // namespace

TTimedDownload WindowDownload(TBenchWindow &Bench, const QString &ServerFolder, const QString &Name,
                              const QString &LocalFile, qint64 ExpectedBytes)
{
    TTimedDownload download;
    const double cpuBefore = CpuSecondsOf(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    StageConnection &connection = Bench.connection();
    const int r = Bench.window().DownloadFileFTP(connection.hNet, connection.hFTP, connection.hFile, ServerFolder,
                                                 Name, LocalFile, Bench.window().ProgressBar1);
    download.Seconds = double(timer.nsecsElapsed()) / 1e9;
    download.CpuSeconds = CpuSecondsOf(RUSAGE_SELF) - cpuBefore;
    download.Ok = r == ResultCode::Downloaded;
    if (!download.Ok)
        download.Failure = QStringLiteral("DownloadFileFTP returned %1").arg(r);
    CheckSize(download, LocalFile, ExpectedBytes);
    return download;
}

TTimedDownload LayerDownload(HINTERNET hFTP, const QString &ServerFolder, const QString &Name, const QString &LocalFile,
                             qint64 ExpectedBytes)
{
    TTimedDownload download;
    const double cpuBefore = CpuSecondsOf(RUSAGE_SELF);
    QElapsedTimer timer;
    timer.start();
    HINTERNET hFile = nullptr;
    const int r = FtpDownloadFile(hFTP, hFile, ServerFolder, Name, LocalFile, {});
    download.Seconds = double(timer.nsecsElapsed()) / 1e9;
    download.CpuSeconds = CpuSecondsOf(RUSAGE_SELF) - cpuBefore;
    download.Ok = r == ResultCode::Downloaded;
    if (!download.Ok)
        download.Failure = QStringLiteral("FtpDownloadFile returned %1").arg(r);
    CheckSize(download, LocalFile, ExpectedBytes);
    return download;
}

TTimedDownload CurlDownload(const QString &ServerFolder, const QString &Name, const QString &LocalFile,
                            qint64 ExpectedBytes)
{
    QString folder = ServerFolder;
    while (folder.startsWith(QLatin1Char('/')))
        folder.remove(0, 1);
    TTimedDownload download;
    QProcess curl;
    curl.setStandardInputFile(QProcess::nullDevice());
    curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpuBefore = CpuSecondsOf(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    QStringList arguments{QStringLiteral("-sS"), QStringLiteral("-o"), LocalFile};
    const TlsSettings tls = UpdateServerTls();
    if (tls.mode != TlsMode::Off)
        arguments << QStringLiteral("--ssl-reqd");
    if (tls.mode != TlsMode::Off && !tls.caFile.isEmpty())
        arguments << QStringLiteral("--cacert") << tls.caFile;
    curl.start(QStringLiteral("curl"), arguments << UpdateServerLoginUrl() + folder + Name);
    curl.waitForFinished(-1);
    download.Seconds = double(timer.nsecsElapsed()) / 1e9;
    download.CpuSeconds = CpuSecondsOf(RUSAGE_CHILDREN) - cpuBefore;
    download.Ok = curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
    if (!download.Ok)
        download.Failure = QStringLiteral("curl failed: %1").arg(curl.error() == QProcess::FailedToStart
                                                                     ? curl.errorString()
                                                                     : QString::number(curl.exitCode()));
    CheckSize(download, LocalFile, ExpectedBytes);
    return download;
}

bool AlternateWithCurl(int Runs, const TServerFile &File, const QString &CurlFile, const QString &Name,
                       const std::function<TTimedDownload()> &Measured, TDownloadRuns *Out)
{
    for (int run = 0; run < Runs; ++run) {
        const TTimedDownload byCurl = CurlDownload(File.Folder, File.Name, CurlFile, File.Bytes);
        QFile::remove(CurlFile);
        const TTimedDownload measured = Measured();
        if (!byCurl.Ok || !measured.Ok) {
            Note(QStringLiteral("download failed: ") + byCurl.Failure + QLatin1Char(' ') + measured.Failure);
            return false;
        }
        Out->CurlSeconds << byCurl.Seconds;
        Out->Seconds << measured.Seconds;
        Out->CurlCpuSeconds << byCurl.CpuSeconds;
        Out->CpuSeconds << measured.CpuSeconds;
        Note(QStringLiteral("run %1: curl %2 (%3 s processor), %4 %5 (%6 s processor)")
                 .arg(run + 1)
                 .arg(ThroughputText(double(File.Bytes), byCurl.Seconds))
                 .arg(byCurl.CpuSeconds, 0, 'f', 2)
                 .arg(Name, ThroughputText(double(File.Bytes), measured.Seconds))
                 .arg(measured.CpuSeconds, 0, 'f', 2));
    }
    Note(QStringLiteral("processor time per run, median: curl %1 s, %2 %3 s")
             .arg(Median(Out->CurlCpuSeconds), 0, 'f', 2)
             .arg(Name)
             .arg(Median(Out->CpuSeconds), 0, 'f', 2));
    return true;
}

TBenchLine ThroughputLine(const QString &Target, const QString &Figure, const QString &Reference, qint64 Bytes,
                          const TDownloadRuns &Runs)
{
    const double bytes = double(Bytes);
    const double best = *std::min_element(Runs.Seconds.cbegin(), Runs.Seconds.cend());
    const double curlBest = *std::min_element(Runs.CurlSeconds.cbegin(), Runs.CurlSeconds.cend());
    const double ratio = curlBest / best;  // throughputs: bytes / best time
    const QString rates = QStringLiteral("%1 best, %2 median of %3");
    return {Target,
            Figure + QStringLiteral(": ")
                + rates.arg(ThroughputText(bytes, best), ThroughputText(bytes, Median(Runs.Seconds))).arg(Runs.Seconds.size()),
            Reference + QStringLiteral(": ")
                + rates.arg(ThroughputText(bytes, curlBest), ThroughputText(bytes, Median(Runs.CurlSeconds)))
                      .arg(Runs.CurlSeconds.size()),
            ratio, QStringLiteral("best against best, >= 0.9"), ratio >= 0.9};
}
