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
#include <algorithm>

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
    QVector<double> windowSeconds, curlSeconds, windowCpu, curlCpu;
    for (int run = 0; run < runs; ++run) {
        // Alternating, so that both meet the same state of the machine; each copy is removed
        // at once, so that no pile of unwritten pages builds up.
        const TTimedDownload byCurl = CurlDownload(file.Folder, file.Name, curlTarget, file.Bytes);
        QFile::remove(curlTarget);
        const TTimedDownload byWindow = WindowDownload(bench, file.Folder, file.Name, windowTarget, file.Bytes);
        QFile::remove(windowTarget);
        if (!byCurl.Ok || !byWindow.Ok) {
            Note(QStringLiteral("download failed: ") + byCurl.Failure + QLatin1Char(' ') + byWindow.Failure);
            return 2;
        }
        curlSeconds << byCurl.Seconds;
        windowSeconds << byWindow.Seconds;
        curlCpu << byCurl.CpuSeconds;
        windowCpu << byWindow.CpuSeconds;
        Note(QStringLiteral("run %1: curl %2 (%3 s processor), window %4 (%5 s processor)")
                 .arg(run + 1)
                 .arg(ThroughputText(double(file.Bytes), byCurl.Seconds))
                 .arg(byCurl.CpuSeconds, 0, 'f', 2)
                 .arg(ThroughputText(double(file.Bytes), byWindow.Seconds))
                 .arg(byWindow.CpuSeconds, 0, 'f', 2));
    }
    bench.connection().Disconnect();

    Note(QStringLiteral("processor time per run, median: curl %1 s, window %2 s")
             .arg(Median(curlCpu), 0, 'f', 2)
             .arg(Median(windowCpu), 0, 'f', 2));

    const double bytes = double(file.Bytes);
    const double windowBest = *std::min_element(windowSeconds.cbegin(), windowSeconds.cend());
    const double curlBest = *std::min_element(curlSeconds.cbegin(), curlSeconds.cend());
    const double ratio = curlBest / windowBest;  // throughputs: bytes / best time
    const QString rates = QStringLiteral("%1 best, %2 median of %3");
    return PrintBenchLine({QStringLiteral("download throughput"),
                           QStringLiteral("DownloadFileFTP %1 MiB: ").arg(file.Bytes >> 20)
                               + rates.arg(ThroughputText(bytes, windowBest), ThroughputText(bytes, Median(windowSeconds)))
                                     .arg(runs),
                           QStringLiteral("curl: ")
                               + rates.arg(ThroughputText(bytes, curlBest), ThroughputText(bytes, Median(curlSeconds)))
                                     .arg(runs),
                           ratio, QStringLiteral("best against best, >= 0.9"), ratio >= 0.9});
}
