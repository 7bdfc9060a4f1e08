#include "bench/BenchDownload.h"

#include "bench/BenchInstallation.h"
#include "bench/BenchWindow.h"
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
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
