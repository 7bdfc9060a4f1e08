// Over a slow link. The whole update run (the engine, every stage) of a signed release of many
// small files in many folders through a server that sends every reply late: the archives
// fetched one by one on eight connections against `lftp mirror --parallel=8` of the same tree
// followed by `7z e` (7zz where the updater uses it) of each archive, in the same run (and once
// more on the default number of connections, noted); the same release through its pack on the
// default connections; a scattered update (every tenth file of the pack's order) through the
// pack, against the yardstick for those files, with the ranges it asked for counted; the whole
// release from an nginx HTTP/2 mirror reached through a proxy that delays every chunk 12.5 ms
// each way, against the same yardstick; and a
// large download cut off at half by the server and completed by stage 2's retry, counted in
// the bytes the server sent.
//
// Usage: bench_slowlink <release-folder> <release-key.pub> <slow-server-log> <mirror-url> <mirror-ca-file>
//                       <cut-server host:port> <cut-server-log> <cut-file> <cut-file-bytes>
// ORN_FTP_SERVER names the slow server, whose root holds prog/ (the release with its pack, signed
// with the minisign key whose public half is <release-key.pub>), perfile/ (the same signed
// without a pack) and db/; the cut server serves <cut-file> ("/big/big256.bin") and logs its
// transfers (bench/ftplogserver.py).
#include "bench/BenchInstallation.h"
#include "bench/BenchReport.h"
#include "bench/MirrorReference.h"
#include "bench/PublicKeyFile.h"
#include "bench/ServerCommandLog.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"
#include "net/WinInet.h"
#include "net/TransferPool.h"
#include "stages/UpdateEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QSet>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

const QString kPackFolder = QStringLiteral("/prog/");
const QString kPerFileFolder = QStringLiteral("/perfile/");
constexpr double kUpdateLimit = 0.5;
constexpr double kPackLimit = 0.25;
constexpr double kScatteredLimit = 0.5;
constexpr double kMirrorLimit = 0.15;
// Every how many files of the pack's order one changed in the scattered update.
constexpr int kScatterStep = 10;
// Connections of the yardstick (lftp mirror --parallel), and of the update run measured against it.
constexpr int kMirrorParallel = 8;
constexpr double kResumeLimit = 1.1;

// Seconds the whole update run of the signed release served in netdir takes on up to
// connections connections, over an older copy of the release made first (older: which files
// are older, all when unset; files: how many it updates); -1 when the run did not install
// every one of them.
double TimedUpdate(const QString &release, const TMinisignPublicKey &key, const QString &netdir, int connections,
                   int &files, const std::function<bool(const QString &)> &older = nullptr)
{
    InstallationFixture install;
    install.writeFtpIni(netdir, QStringLiteral("/db/"));
    files = InstallOlderCopy(release, install.path(), older);
    qputenv("ORN_PARALLEL_TRANSFERS", QByteArray::number(connections));
    TUpdateEngine engine;
    engine.SetReleaseKeys({key});
    engine.currentdir = install.path();
    int installed = 0;
    QObject::connect(&engine, &TUpdateEngine::counterChanged, [&](TUpdateEngine::Counter counter, int value) {
        if (counter == TUpdateEngine::Counter::Install)
            installed = value;
    });
    QElapsedTimer timer;
    timer.start();
    const TUpdateEngine::Outcome outcome = engine.Run(install.path());
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    qunsetenv("ORN_PARALLEL_TRANSFERS");
    if (outcome != TUpdateEngine::Outcome::Completed || installed != files) {
        Note(QStringLiteral("the update run ended with %1 of %2 files installed").arg(installed).arg(files));
        return -1;
    }
    return seconds;
}

// The release's files (relative paths) in the order of the pack: their archives' paths sorted.
QStringList InPackOrder(const QString &release)
{
    QStringList files;
    QDirIterator it(release, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(release).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The figures of one run against the yardstick, as the result line gives them.
int UpdateLine(const QString &target, const QString &what, double seconds, const QString &reference,
               double referenceSeconds, double limit)
{
    const double ratio = seconds / referenceSeconds;
    return PrintBenchLine({target, what + QStringLiteral(": ") + SecondsText(seconds),
                           reference + QLatin1Char(' ') + SecondsText(referenceSeconds), ratio,
                           QStringLiteral("<= %1").arg(limit), ratio <= limit});
}

// The update runs against the yardstick. Returns the benchmark's exit status.
int UpdatesAgainstMirror(const QString &release, const QString &keyFile, const QString &serverLog,
                         const QString &httpMirror, const QString &mirrorCaFile)
{
    const std::optional<TMinisignPublicKey> key = ReadPublicKeyFile(keyFile);
    if (!key) {
        Note(QStringLiteral("no minisign public key in %1").arg(keyFile));
        return 2;
    }
    const int defaultConnections = ParallelTransfers();
    int files = 0;
    const double seconds = TimedUpdate(release, *key, kPerFileFolder, kMirrorParallel, files);
    if (seconds < 0)
        return 2;
    QTemporaryDir mirror;
    const QString yardstick = QStringLiteral("lftp mirror --parallel=%1 + %2 e").arg(kMirrorParallel).arg(SevenZipProgram());
    const double reference = MirrorAndUnpack(kPackFolder, mirror.filePath(QStringLiteral("mirror")), files, kMirrorParallel);
    if (reference < 0) {
        Note(QStringLiteral("lftp mirror or 7z failed"));
        return 2;
    }
    Note(QStringLiteral("%1 of %2 archives: %3").arg(yardstick).arg(files).arg(SecondsText(reference)));
    const double byDefault = TimedUpdate(release, *key, kPerFileFolder, defaultConnections, files);
    if (byDefault < 0)
        return 2;
    Note(QStringLiteral("the same update run on %1 connections (the default): %2, ratio %3")
             .arg(defaultConnections)
             .arg(SecondsText(byDefault))
             .arg(byDefault / reference, 0, 'g', 3));
    int status = UpdateLine(QStringLiteral("slow-link update"),
                            QStringLiteral("update run of %1 signed files fetched one by one, %2 connections, replies 25 ms late")
                                .arg(files)
                                .arg(kMirrorParallel),
                            seconds, yardstick, reference, kUpdateLimit);

    const double packed = TimedUpdate(release, *key, kPackFolder, defaultConnections, files);
    if (packed < 0)
        return 2;
    status = std::max(status, UpdateLine(QStringLiteral("slow-link pack"),
                                         QStringLiteral("update run of %1 signed files from ranges of the pack, %2 connections")
                                             .arg(files)
                                             .arg(defaultConnections),
                                         packed, yardstick, reference, kPackLimit));

    qputenv("ORN_MIRRORS", httpMirror.toUtf8());
    qputenv("ORN_FTP_CAFILE", mirrorCaFile.toUtf8());
    const qint64 mirrorLogStart = QFileInfo(serverLog).size();
    const double mirrored = TimedUpdate(release, *key, kPackFolder, defaultConnections, files);
    qunsetenv("ORN_MIRRORS");
    qunsetenv("ORN_FTP_CAFILE");
    if (mirrored < 0)
        return 2;
    const TServerCommands overFtp = CountServerCommands(serverLog, mirrorLogStart);
    Note(QStringLiteral("the mirror's run: %1 ranges of the pack and %2 transfers over FTP (manifests, the script)")
             .arg(overFtp.PackRanges)
             .arg(overFtp.Retrievals));
    status = std::max(status, UpdateLine(QStringLiteral("slow-link HTTP/2 mirror"),
                                         QStringLiteral("update run of %1 signed files from an nginx HTTP/2 mirror, "
                                                        "12.5 ms each way, FTP replies 25 ms late")
                                             .arg(files),
                                         mirrored, yardstick, reference, kMirrorLimit));

    // Every tenth file of the pack's order changed: runs of one changed file, each 9 files apart.
    const QStringList ordered = InPackOrder(release);
    QSet<QString> changed;
    QStringList names;
    for (int i = kScatterStep / 2; i < ordered.size(); i += kScatterStep) {
        changed.insert(ordered.at(i));
        names << QFileInfo(ordered.at(i)).fileName();  // letters, digits and dots: "." matches itself too
    }
    const qint64 logStart = QFileInfo(serverLog).size();
    const double scattered = TimedUpdate(release, *key, kPackFolder, defaultConnections, files,
                                         [&changed](const QString &relative) { return changed.contains(relative); });
    if (scattered < 0)
        return 2;
    const TServerCommands commands = CountServerCommands(serverLog, logStart);
    const double scatteredReference = MirrorAndUnpack(kPackFolder, mirror.filePath(QStringLiteral("scattered")), files,
                                                      kMirrorParallel, QStringLiteral("-(%1)-").arg(names.join(u'|')));
    if (scatteredReference < 0) {
        Note(QStringLiteral("lftp mirror or 7z of the scattered files failed"));
        return 2;
    }
    const bool fewRanges = commands.PackRanges <= changed.size();
    Note(QStringLiteral("scattered update: %1 ranges of the pack asked for, %2 runs of changed files")
             .arg(commands.PackRanges)
             .arg(changed.size()));
    const double ratio = scattered / scatteredReference;
    status = std::max(status, PrintBenchLine({QStringLiteral("slow-link scattered"),
                                              QStringLiteral("%1 changed files spread over %2, from %3 ranges of the pack, %4 connections: %5")
                                                  .arg(files)
                                                  .arg(ordered.size())
                                                  .arg(commands.PackRanges)
                                                  .arg(defaultConnections)
                                                  .arg(SecondsText(scattered)),
                                              QStringLiteral("%1 of those files %2").arg(yardstick, SecondsText(scatteredReference)),
                                              ratio,
                                              QStringLiteral("<= %1, ranges <= %2 runs").arg(kScatteredLimit).arg(changed.size()),
                                              ratio <= kScatteredLimit && fewRanges}));
    return status;
}

// The cut download and its retry. Returns the benchmark's exit status.
int CutDownloadResumed(const QString &server, const QString &log, const QString &serverPath, qint64 bytes)
{
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    HINTERNET hFTP = InternetConnectW(hNet, server.left(colon), uint16_t(server.mid(colon + 1).toUInt()),
                                      QString::fromLatin1(kFtpUser), QString::fromLatin1(kFtpPassword),
                                      INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
    if (!hFTP) {
        Note(QStringLiteral("cannot connect to the cut server %1").arg(server));
        return 2;
    }
    QTemporaryDir local;
    const QFileInfo path(serverPath);
    const QString target = local.filePath(path.fileName());
    const qint64 logStart = QFileInfo(log).size();
    int result;
    {
        TransferPool pool({{path.path() + QLatin1Char('/'), path.fileName(), target}}, hFTP, 1, {});
        result = pool.Wait(0, [](uint32_t, uint32_t) {});
    }
    InternetCloseHandle(hFTP);
    InternetCloseHandle(hNet);
    // The server logs a transfer just after the client has seen its end.
    TServerCommands commands;
    const QDeadlineTimer deadline(5000);
    do {
        commands = CountServerCommands(log, logStart);
    } while (commands.BytesSent < bytes && !deadline.hasExpired() && (QThread::msleep(50), true));
    if (result != ResultCode::Downloaded || QFileInfo(target).size() != bytes) {
        Note(QStringLiteral("the cut download ended with %1, %2 bytes").arg(result).arg(QFileInfo(target).size()));
        return 2;
    }
    const double ratio = double(commands.BytesSent) / double(bytes);
    return PrintBenchLine({QStringLiteral("resumed download"),
                           QStringLiteral("%1 bytes sent by the server in %2 transfers for a file cut at half")
                               .arg(commands.BytesSent)
                               .arg(commands.Retrievals),
                           QStringLiteral("the file's %1 bytes").arg(bytes), ratio,
                           QStringLiteral("<= %1").arg(kResumeLimit), ratio <= kResumeLimit});
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 10) {
        Note(QStringLiteral("usage: bench_slowlink <release-folder> <release-key.pub> <slow-server-log> <mirror-url> "
                            "<mirror-ca-file> <cut-server host:port> <cut-server-log> <cut-file> <cut-file-bytes>"));
        return 2;
    }
    const int update = UpdatesAgainstMirror(arguments.at(1), arguments.at(2), arguments.at(3), arguments.at(4), arguments.at(5));
    const int resume = CutDownloadResumed(arguments.at(6), arguments.at(7), arguments.at(8), arguments.at(9).toLongLong());
    return std::max(update, resume);
}
