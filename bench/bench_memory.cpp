// Memory: the peak resident memory while the window downloads a large file, against the
// resident memory of the idle program (the window built, shown and painted, not yet connected).
//
// Usage: bench_memory <server-root> <path below it>
// ORN_FTP_SERVER names the server (host:port).
#include "bench/BenchDownload.h"
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "bench/ProcessMemory.h"
#include "bench/ServerFile.h"

#include <QApplication>
#include <QFile>

namespace {

constexpr double kLimitMiB = 64;

QString MiBText(int64_t kib) { return QString::number(double(kib) / 1024, 'f', 1) + QStringLiteral(" MiB"); }

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        Note(QStringLiteral("usage: bench_memory <server-root> <path below it>"));
        return 2;
    }
    const TServerFile file = ServerFileOf(arguments.at(1), arguments.at(2));
    TBenchWindow bench;
    const int64_t idleKiB = ResidentKiB();
    const bool peakReset = ResetPeakResident();
    if (!peakReset)
        Note(QStringLiteral("the peak cannot be reset: it counts from the program start"));

    if (file.Bytes < 0 || !bench.Connect()) {
        Note(QStringLiteral("memory: no server file or no connection"));
        return 2;
    }
    const QString target = bench.installation().file(file.Name);
    const TTimedDownload download = WindowDownload(bench, file.Folder, file.Name, target, file.Bytes);
    const int64_t peakKiB = PeakResidentKiB();
    bench.connection().Disconnect();
    QFile::remove(target);
    if (!download.Ok || idleKiB < 0 || peakKiB < 0) {
        Note(QStringLiteral("memory: ") + (download.Ok ? QStringLiteral("no /proc/self/status") : download.Failure));
        return 2;
    }
    Note(QStringLiteral("idle %1, peak while downloading %2 (%3)")
             .arg(MiBText(idleKiB), MiBText(peakKiB), ThroughputText(double(file.Bytes), download.Seconds)));

    const double growthMiB = double(peakKiB - idleKiB) / 1024;
    return PrintBenchLine({QStringLiteral("memory"),
                           QStringLiteral("peak %1 while downloading %2 MiB, %3 MiB above idle")
                               .arg(MiBText(peakKiB))
                               .arg(file.Bytes >> 20)
                               .arg(growthMiB, 0, 'f', 1),
                           QStringLiteral("idle window %1 (VmRSS); peak VmHWM%2")
                               .arg(MiBText(idleKiB), peakReset ? QStringLiteral(" reset at idle") : QString()),
                           growthMiB / kLimitMiB, QStringLiteral("growth / 64 MiB, <= 1"), growthMiB <= kLimitMiB});
}
