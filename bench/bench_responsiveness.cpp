// Responsiveness: while the window downloads a large file, a 10 ms timer of the same process
// records when it gets to run; the longest gap between two of its runs (or between the start
// or end of a download and the nearest run) must stay at or under 20 ms over several downloads.
//
// Usage: bench_responsiveness <server-root> <path below it> [--runs N]
// ORN_FTP_SERVER names the server (host:port).
#include "bench/BenchDownload.h"
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "bench/ServerFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kTickMs = 10;
constexpr double kLimitMs = 20;

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        Note(QStringLiteral("usage: bench_responsiveness <server-root> <path below it> [--runs N]"));
        return 2;
    }
    const TServerFile file = ServerFileOf(arguments.at(1), arguments.at(2));
    TBenchWindow bench;
    if (file.Bytes < 0 || !bench.Connect()) {
        Note(QStringLiteral("responsiveness: no server file or no connection"));
        return 2;
    }

    const int runs = RunsOf(arguments, 3);
    const QString target = bench.installation().file(file.Name);
    QElapsedTimer clock;
    QVector<qint64> ticks;  // nanoseconds since the download started
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks << clock.nsecsElapsed(); });
    double longestMs = 0;
    for (int run = 0; run < runs; ++run) {
        ticks.clear();
        timer.start(kTickMs);
        clock.start();
        ticks << 0;
        const TTimedDownload download = WindowDownload(bench, file.Folder, file.Name, target, file.Bytes);
        ticks << clock.nsecsElapsed();
        timer.stop();
        QFile::remove(target);
        if (!download.Ok) {
            Note(QStringLiteral("responsiveness: ") + download.Failure);
            return 2;
        }

        QVector<double> gapsMs;
        for (qsizetype k = 1; k < ticks.size(); ++k)
            gapsMs << double(ticks.at(k) - ticks.at(k - 1)) / 1e6;
        const auto longest = std::max_element(gapsMs.cbegin(), gapsMs.cend());
        const qsizetype longestAt = longest - gapsMs.cbegin();
        const auto over = std::count_if(gapsMs.cbegin(), gapsMs.cend(), [](double gap) { return gap >= 50; });
        longestMs = qMax(longestMs, *longest);
        Note(QStringLiteral("run %1: %2 timer runs in %3 (%4); median gap %5 ms, longest %6 ms ending %7 s after "
                            "the start; %8 gaps of 50 ms or more")
                 .arg(run + 1)
                 .arg(ticks.size() - 2)
                 .arg(SecondsText(download.Seconds), ThroughputText(double(file.Bytes), download.Seconds))
                 .arg(Median(gapsMs), 0, 'f', 1)
                 .arg(*longest, 0, 'f', 1)
                 .arg(double(ticks.at(longestAt + 1)) / 1e9, 0, 'f', 3)
                 .arg(over));
    }
    bench.connection().Disconnect();

    return PrintBenchLine({QStringLiteral("responsiveness"),
                           QStringLiteral("longest gap between window events %1 ms over %2 downloads of %3 MiB")
                               .arg(longestMs, 0, 'f', 1)
                               .arg(runs)
                               .arg(file.Bytes >> 20),
                           QStringLiteral("limit 20 ms (timer every %1 ms)").arg(kTickMs), longestMs / kLimitMs,
                           QStringLiteral("gap / 20 ms, <= 1"), longestMs <= kLimitMs});
}
