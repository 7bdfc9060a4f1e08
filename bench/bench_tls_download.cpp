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
    TDownloadRuns timings;
    const bool ran = AlternateWithCurl(runs, file, curlTarget, QStringLiteral("FtpDownloadFile"), [&] {
        const TTimedDownload byLayer = LayerDownload(hFTP, file.Folder, file.Name, layerTarget, file.Bytes);
        QFile::remove(layerTarget);
        return byLayer;
    }, &timings);
    InternetCloseHandle(hFTP);
    InternetCloseHandle(hNet);
    if (!ran)
        return 2;
    return PrintBenchLine(ThroughputLine(QStringLiteral("TLS download throughput"),
                                         QStringLiteral("FtpDownloadFile over explicit TLS %1 MiB").arg(file.Bytes >> 20),
                                         QStringLiteral("curl --ssl-reqd"), file.Bytes, timings));
}
