// Download throughput over TLS: a large file through the FTP layer's FtpDownloadFile (the
// updater's download function, without a window) against `curl --ssl-reqd` fetching the same
// file from the same server, alternately, several times each; the best runs are compared.
//
// Usage: bench_tls_download <server-root> <path below it> [--runs N]
// ORN_FTP_SERVER names the server (ftpes://host:port or ftps://host:port), ORN_FTP_CAFILE the CA.
#include "bench/BenchDownload.h"
#include "bench/BenchReport.h"
#include "bench/ServerFile.h"
#include "net/ServerSettings.h"
#include "net/WinInet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3 || UpdateServerTls().mode == TlsMode::Off) {
        Note(QStringLiteral("usage: ORN_FTP_SERVER=ftpes://host:port bench_tls_download <server-root> <path below it> [--runs N]"));
        return 2;
    }
    const TServerFile file = ServerFileOf(arguments.at(1), arguments.at(2));
    const int runs = RunsOf(arguments, 5);
    const ServerAddress server = UpdateServerAddress();
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    HINTERNET hFTP = InternetConnectW(hNet, server.host, server.port, QString::fromLatin1(kFtpUser),
                                      QString::fromLatin1(kFtpPassword), INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
    if (file.Bytes < 0 || !hFTP) {
        Note(QStringLiteral("TLS download: no server file or no connection"));
        return 2;
    }

    const QString layerTarget = QDir::temp().filePath(QStringLiteral("layer-") + file.Name);
    const QString curlTarget = QDir::temp().filePath(QStringLiteral("curl-") + file.Name);
    QVector<double> layerSeconds, curlSeconds;
    for (int run = 0; run < runs; ++run) {
        const TTimedDownload byCurl = CurlDownload(file.Folder, file.Name, curlTarget, file.Bytes);
        QFile::remove(curlTarget);
        const TTimedDownload byLayer = LayerDownload(hFTP, file.Folder, file.Name, layerTarget, file.Bytes);
        QFile::remove(layerTarget);
        if (!byCurl.Ok || !byLayer.Ok) {
            Note(QStringLiteral("TLS download failed: ") + byCurl.Failure + QLatin1Char(' ') + byLayer.Failure);
            return 2;
        }
        curlSeconds << byCurl.Seconds;
        layerSeconds << byLayer.Seconds;
        Note(QStringLiteral("run %1: curl --ssl-reqd %2 (%3 s processor), FtpDownloadFile %4 (%5 s processor)")
                 .arg(run + 1)
                 .arg(ThroughputText(double(file.Bytes), byCurl.Seconds))
                 .arg(byCurl.CpuSeconds, 0, 'f', 2)
                 .arg(ThroughputText(double(file.Bytes), byLayer.Seconds))
                 .arg(byLayer.CpuSeconds, 0, 'f', 2));
    }
    InternetCloseHandle(hFTP);
    InternetCloseHandle(hNet);

    const double bytes = double(file.Bytes);
    const double layerBest = *std::min_element(layerSeconds.cbegin(), layerSeconds.cend());
    const double curlBest = *std::min_element(curlSeconds.cbegin(), curlSeconds.cend());
    const double ratio = curlBest / layerBest;  // throughputs: bytes / best time
    const QString rates = QStringLiteral("%1 best, %2 median of %3");
    return PrintBenchLine({QStringLiteral("TLS download throughput"),
                           QStringLiteral("FtpDownloadFile over explicit TLS %1 MiB: ").arg(file.Bytes >> 20)
                               + rates.arg(ThroughputText(bytes, layerBest), ThroughputText(bytes, Median(layerSeconds)))
                                     .arg(runs),
                           QStringLiteral("curl --ssl-reqd: ")
                               + rates.arg(ThroughputText(bytes, curlBest), ThroughputText(bytes, Median(curlSeconds)))
                                     .arg(runs),
                           ratio, QStringLiteral("best against best, >= 0.9"), ratio >= 0.9});
}
