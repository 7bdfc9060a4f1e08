// Download throughput: a large file over loopback FTP through the window's DownloadFileFTP
// (the window offscreen, bar and label refreshed) against the curl program fetching the same
// file from the same server, alternately, several times each. The best runs are compared (the
// machine is shared, and the best run is the one least disturbed); the medians are shown too.
//
// Usage: bench_download <server-root> <path below it> [--runs N]
// ORN_FTP_SERVER names the server (host:port).
#include "bench/BenchDownload.h"
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "bench/ServerFile.h"

#include <QApplication>
#include <QFile>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        Note(QStringLiteral("usage: bench_download <server-root> <path below it> [--runs N]"));
        return 2;
    }
    const TServerFile file = ServerFileOf(arguments.at(1), arguments.at(2));
    const int runs = RunsOf(arguments, 5);
    TBenchWindow bench;
    if (file.Bytes < 0 || !bench.Connect()) {
        Note(QStringLiteral("download: no server file or no connection"));
        return 2;
    }

    const QString windowTarget = bench.installation().file(file.Name);
    const QString curlTarget = bench.installation().file(QStringLiteral("curl-") + file.Name);
    TDownloadRuns timings;
    const bool ran = AlternateWithCurl(runs, file, curlTarget, QStringLiteral("window"), [&] {
        const TTimedDownload byWindow = WindowDownload(bench, file.Folder, file.Name, windowTarget, file.Bytes);
        QFile::remove(windowTarget);
        return byWindow;
    }, &timings);
    bench.connection().Disconnect();
    if (!ran)
        return 2;
    return PrintBenchLine(ThroughputLine(QStringLiteral("download throughput"),
                                         QStringLiteral("DownloadFileFTP %1 MiB").arg(file.Bytes >> 20),
                                         QStringLiteral("curl"), file.Bytes, timings));
}
