// Stage 1 with and without the manifest. Change detection alone (the engine's stage 1) over a
// release of many small files in many folders, through a server that sends every reply late:
// once from a folder that holds the signed manifest (the engine trusting its key), once from a
// copy of that folder without the manifest, which the engine lists folder by folder. Counts the
// commands the server received in its log and times each run.
//
// Usage: bench_stage1 <release-folder> <signed-netdir> <listed-netdir> <server-log> <public-key-file> [--runs N]
// ORN_FTP_SERVER names the server; both netdirs ("/signed/") hold the release as ornpack published it.
#include "bench/BenchInstallation.h"
#include "bench/BenchReport.h"
#include "bench/MirrorReference.h"
#include "bench/PublicKeyFile.h"
#include "bench/ServerCommandLog.h"
#include "stages/UpdateEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {

constexpr double kCommandLimit = 0.1;
constexpr char kUsage[] =
    "usage: bench_stage1 <release-folder> <signed-netdir> <listed-netdir> <server-log> <public-key-file> [--runs N]";

struct StageOneRuns {
    int Files = 0;          // files of the release, each found changed
    int Commands = 0;       // commands the server received in the last run
    double Seconds = 0;     // median of the runs
    bool Complete = false;  // every run found every file changed
};

// Runs stage 1 alone Runs times against Netdir with the engine trusting Keys (none: keyless).
StageOneRuns CheckChangeRuns(const QString &Release, const QString &Netdir, const QVector<TMinisignPublicKey> &Keys,
                             const QString &ServerLog, int Runs)
{
    InstallationFixture install;
    install.writeFtpIni(Netdir, QStringLiteral("/db/"));
    StageOneRuns result;
    const int files = result.Files = InstallOlderCopy(Release, install.path());
    QVector<double> seconds;
    for (int run = 0; run < Runs; ++run) {
        TUpdateEngine engine;
        engine.currentdir = install.path();
        engine.SetStageChosen(2, false);
        engine.SetStageChosen(3, false);
        engine.SetReleaseKeys(Keys);
        const qint64 logStart = QFileInfo(ServerLog).size();
        QElapsedTimer timer;
        timer.start();
        const TUpdateEngine::Outcome outcome = engine.Run(install.path());
        seconds << double(timer.nsecsElapsed()) / 1e9;
        result.Commands = CountServerCommands(ServerLog, logStart).Commands;
        if (outcome != TUpdateEngine::Outcome::Completed || engine.MyDataFind.size() != files) {
            Note(QStringLiteral("stage 1 over %1 found %2 of %3 files").arg(Netdir).arg(engine.MyDataFind.size()).arg(files));
            return result;
        }
        Note(QStringLiteral("%1 run %2: %3 commands, %4").arg(Netdir).arg(run + 1).arg(result.Commands).arg(SecondsText(seconds.last())));
    }
    result.Seconds = Median(seconds);
    result.Complete = true;
    return result;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 6) {
        Note(QLatin1String(kUsage));
        return 2;
    }
    const QString release = arguments.at(1);
    const QString serverLog = arguments.at(4);
    const std::optional<TMinisignPublicKey> key = ReadPublicKeyFile(arguments.at(5));
    if (!key) {
        Note(QStringLiteral("no minisign public key in %1").arg(arguments.at(5)));
        return 2;
    }
    const int runs = RunsOf(arguments, 3);
    const StageOneRuns manifest = CheckChangeRuns(release, arguments.at(2), {*key}, serverLog, runs);
    const StageOneRuns listed = CheckChangeRuns(release, arguments.at(3), {}, serverLog, runs);
    if (!manifest.Complete || !listed.Complete)
        return 2;

    const double ratio = double(manifest.Commands) / listed.Commands;
    const QString runsText = QStringLiteral("%1 commands, %2 (median of %3)");
    return PrintBenchLine({QStringLiteral("stage 1 manifest"),
                           QStringLiteral("stage 1 over %1 files, replies 25 ms late, from the signed manifest: ").arg(manifest.Files)
                               + runsText.arg(manifest.Commands).arg(SecondsText(manifest.Seconds)).arg(runs)
                               + QStringLiteral(", time ratio %1").arg(manifest.Seconds / listed.Seconds, 0, 'g', 3),
                           QStringLiteral("folders listed, no manifest: ")
                               + runsText.arg(listed.Commands).arg(SecondsText(listed.Seconds)).arg(runs),
                           ratio, QStringLiteral("commands, <= %1").arg(kCommandLimit), ratio <= kCommandLimit});
}
