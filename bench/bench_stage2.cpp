// Per-file cost of stage 2: DownloadChange of the real window over a work list of many small
// changed files (built by CheckChange against an older copy of the release), against the
// lftp program mirroring the same server tree followed by `7z e` of every archive, alternately,
// several times each. Also counts, in the server's command log, the data connections that
// stage 2 opens: a size lookup must not open one (one per fetched file, no listing).
//
// Usage: bench_stage2 <release-folder> <server-root> <server-log> [--runs N]
// The server tree of the release is <server-root>/prog; ORN_FTP_SERVER names the server.
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "bench/MirrorReference.h"
#include "bench/ServerCommandLog.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>

namespace {

const QString kNetdir = QStringLiteral("/prog/");

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        Note(QStringLiteral("usage: bench_stage2 <release-folder> <server-root> <server-log> [--runs N]"));
        return 2;
    }
    const QString release = arguments.at(1);
    const QString serverLog = arguments.at(3);
    const int runs = RunsOf(arguments, 3);

    TBenchWindow bench;
    TfUpdate &window = bench.window();
    const int files = InstallOlderCopy(release, bench.installation().path());
    window.netdir = kNetdir;
    window.softdir = bench.installation().path() + QLatin1Char('/');
    if (window.CheckChange() != ResultCode::CheckChangeDone || window.MyDataFind.size() != files) {
        Note(QStringLiteral("stage 1 did not find the %1 changed files: %2 entries; %3")
                 .arg(files)
                 .arg(window.MyDataFind.size())
                 .arg(bench.installation().messages().join(QStringLiteral("; "))));
        return 2;
    }
    Note(QStringLiteral("stage 2 over %1 changed files").arg(files));

    const QString mirror = bench.installation().file(QStringLiteral("mirror"));
    QVector<double> stageSeconds, referenceSeconds;
    TServerCommands commands;
    for (int run = 0; run < runs; ++run) {
        const double reference = MirrorAndUnpack(kNetdir, mirror, files);
        if (reference < 0) {
            Note(QStringLiteral("lftp mirror or 7z failed"));
            return 2;
        }
        const qint64 logStart = QFileInfo(serverLog).size();
        QElapsedTimer timer;
        timer.start();
        const int r = window.DownloadChange();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        commands = CountServerCommands(serverLog, logStart);
        if (r != ResultCode::DownloadChangeDone || window.lInstall->text() != QString::number(files)) {
            Note(QStringLiteral("stage 2 returned %1 with %2 installed").arg(r).arg(window.lInstall->text()));
            return 2;
        }
        referenceSeconds << reference;
        stageSeconds << seconds;
        Note(QStringLiteral("run %1: lftp mirror + 7z e %2, DownloadChange %3")
                 .arg(run + 1)
                 .arg(SecondsText(reference), SecondsText(seconds)));
    }
    QDir(mirror).removeRecursively();

    const double stage = Median(stageSeconds);
    const double reference = Median(referenceSeconds);
    const double ratio = stage / reference;
    const QString perFile = QStringLiteral("%1 (%2 ms a file, median of %3)");
    int status = PrintBenchLine({QStringLiteral("stage 2 per-file cost"),
                                 QStringLiteral("DownloadChange of %1 small files ").arg(files)
                                     + perFile.arg(SecondsText(stage)).arg(stage * 1000 / files, 0, 'f', 2).arg(runs),
                                 QStringLiteral("lftp mirror + 7z e ")
                                     + perFile.arg(SecondsText(reference))
                                           .arg(reference * 1000 / files, 0, 'f', 2)
                                           .arg(runs),
                                 ratio, QStringLiteral("<= 1.3"), ratio <= 1.3});

    // Over the last run: every fetched file opens exactly one data connection, for its RETR (a
    // file the manifest lists needs no lookup at all).
    const bool lookupsOnControl = commands.DataConnections == commands.Retrievals && commands.Retrievals == files
                                  && commands.Listings == 0;
    status |= PrintBenchLine({QStringLiteral("size lookup"),
                              QStringLiteral("%1 data connections, %2 RETR, %3 MLST/SIZE, %4 listings in one stage 2")
                                  .arg(commands.DataConnections)
                                  .arg(commands.Retrievals)
                                  .arg(commands.Lookups)
                                  .arg(commands.Listings),
                              QStringLiteral("one data connection per fetched file (%1), none for lookups").arg(files),
                              double(commands.DataConnections) / files,
                              QStringLiteral("data connections / files, = 1"), lookupsOnControl});
    return status;
}
