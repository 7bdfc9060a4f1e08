// Delta updates over a slow link. One large file of which a few scattered blocks changed: the
// update run (stages 1 and 2) of its signed release published with a patch (ornpack --previous)
// against the same run from a copy of the release without the patch list, which fetches the
// archive; both through servers that send every reply late and the data at a limited rate.
// Counts the bytes the patched run fetched against the archive's size, times stage 2 of each
// run, and times the making of the patch as the publisher's ornpack makes it.
//
// Usage: bench_delta <old-release> <new-release> <file> <archive> <patched-server host:port> <patched-server-log>
//                    <plain-server host:port> <public-key-file>
// Both servers serve the new release as /prog/ (signed with the key of <public-key-file>);
// <file> is the changed file's path in both releases, <archive> its archive on the servers.
#include "bench/BenchReport.h"
#include "bench/MirrorReference.h"
#include "bench/PublicKeyFile.h"
#include "bench/ServerCommandLog.h"
#include "release/PatchCodec.h"
#include "stages/UpdateEngine.h"
#include "bench/BenchInstallation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr double kBytesLimit = 0.05;
constexpr double kTimeLimit = 0.2;
constexpr char kUsage[] = "usage: bench_delta <old-release> <new-release> <file> <archive> <patched-server host:port> "
                          "<patched-server-log> <plain-server host:port> <public-key-file>";

struct UpdateRun {
    bool Complete = false;  // the file was installed and is the new release's
    bool Patched = false;   // from the patch
    double StageSeconds = 0;  // stage 2, from its "---" line to the end of the run
};

// The update run (stages 1 and 2) over an older copy of OldRelease from Server, trusting Key.
UpdateRun TimedUpdate(const QString &OldRelease, const QString &NewRelease, const QString &File, const QString &Server,
                      const TMinisignPublicKey &Key)
{
    InstallationFixture install;
    install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
    InstallOlderCopy(OldRelease, install.path());
    qputenv("ORN_FTP_SERVER", Server.toUtf8());
    TUpdateEngine engine;
    engine.SetReleaseKeys({Key});
    engine.SetStageChosen(3, false);
    engine.currentdir = install.path();
    UpdateRun run;
    QElapsedTimer timer;
    int separators = 0;
    qint64 stageStart = 0;
    QObject::connect(&engine, &TUpdateEngine::logLine, [&](const QString &line) {
        if (line == QLatin1String("---") && ++separators == 2)
            stageStart = timer.nsecsElapsed();
        if (line.contains(QStringLiteral("исправление вместо архива")))
            run.Patched = true;
    });
    timer.start();
    const TUpdateEngine::Outcome outcome = engine.Run(install.path());
    run.StageSeconds = double(timer.nsecsElapsed() - stageStart) / 1e9;
    QFile installed(install.file(File));
    QFile expected(NewRelease + QLatin1Char('/') + File);
    run.Complete = outcome == TUpdateEngine::Outcome::Completed && installed.open(QIODevice::ReadOnly)
                   && expected.open(QIODevice::ReadOnly) && installed.readAll() == expected.readAll();
    return run;
}

// Seconds the publisher's patch of File takes to make, as ornpack makes it; -1 when it fails.
double PatchSeconds(const QString &OldRelease, const QString &NewRelease, const QString &File, qint64 *PatchSize)
{
    QFile base(OldRelease + QLatin1Char('/') + File);
    QFile result(NewRelease + QLatin1Char('/') + File);
    if (!base.open(QIODevice::ReadOnly) || !result.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray baseBytes = base.readAll();
    const QByteArray resultBytes = result.readAll();
    QElapsedTimer timer;
    timer.start();
    const std::optional<QByteArray> patch = MakePatch(baseBytes, resultBytes);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    *PatchSize = patch ? patch->size() : -1;
    return patch ? seconds : -1;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 9) {
        Note(QLatin1String(kUsage));
        return 2;
    }
    const QString &oldRelease = arguments.at(1);
    const QString &newRelease = arguments.at(2);
    const QString &file = arguments.at(3);
    const qint64 archiveSize = QFileInfo(arguments.at(4)).size();
    const QString &serverLog = arguments.at(6);
    const std::optional<TMinisignPublicKey> key = ReadPublicKeyFile(arguments.at(8));
    if (!key || archiveSize <= 0) {
        Note(QStringLiteral("no key in %1 or no archive %2").arg(arguments.at(8), arguments.at(4)));
        return 2;
    }
    qint64 patchSize = 0;
    const double patchSeconds = PatchSeconds(oldRelease, newRelease, file, &patchSize);
    const qint64 logStart = QFileInfo(serverLog).size();
    const UpdateRun patched = TimedUpdate(oldRelease, newRelease, file, arguments.at(5), *key);
    const qint64 fetched = CountServerCommands(serverLog, logStart).BytesSent;
    const UpdateRun plain = TimedUpdate(oldRelease, newRelease, file, arguments.at(7), *key);
    if (patchSeconds < 0 || !patched.Complete || !patched.Patched || !plain.Complete || plain.Patched) {
        Note(QStringLiteral("a run did not install the file as expected (patch made: %1, patched run: %2 %3, plain run: %4)")
                 .arg(patchSeconds >= 0)
                 .arg(patched.Complete)
                 .arg(patched.Patched)
                 .arg(plain.Complete));
        return 2;
    }
    Note(QStringLiteral("patch %1 bytes made in %2; stage 2 %3 with it, %4 with the archive")
             .arg(patchSize)
             .arg(SecondsText(patchSeconds), SecondsText(patched.StageSeconds), SecondsText(plain.StageSeconds)));
    const double bytesRatio = double(fetched) / double(archiveSize);
    const double timeRatio = patched.StageSeconds / plain.StageSeconds;
    const int bytesStatus = PrintBenchLine(
        {QStringLiteral("delta bytes"),
         QStringLiteral("update of a 64 MiB file, 1 % changed in scattered blocks: %1 bytes fetched with its patch "
                        "(publisher's patch made in %2)")
             .arg(fetched)
             .arg(SecondsText(patchSeconds)),
         QStringLiteral("its archive: %1 bytes").arg(archiveSize), bytesRatio,
         QStringLiteral("<= %1").arg(kBytesLimit), bytesRatio <= kBytesLimit});
    const int timeStatus = PrintBenchLine(
        {QStringLiteral("delta time"),
         QStringLiteral("stage 2 with the patch over the slow link (replies 25 ms late, 2 MiB/s): %1").arg(SecondsText(patched.StageSeconds)),
         QStringLiteral("stage 2 fetching the archive: %1").arg(SecondsText(plain.StageSeconds)), timeRatio,
         QStringLiteral("<= %1").arg(kTimeLimit), timeRatio <= kTimeLimit});
    return std::max(bytesStatus, timeStatus);
}
