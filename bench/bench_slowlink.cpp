// Over a slow link. The whole update run (the engine, every stage) of a signed release of many
// small files in many folders through a server that sends every reply late, on eight connections
// against `lftp mirror --parallel=8` of the same tree followed by `7z e` of each archive, in the
// same run (and once more on the default number of connections, noted); and a
// large download cut off at half by the server and completed by stage 2's retry, counted in
// the bytes the server sent.
//
// Usage: bench_slowlink <release-folder> <release-key.pub> <cut-server host:port> <cut-server-log> <cut-file>
//                       <cut-file-bytes>
// ORN_FTP_SERVER names the slow server, whose root holds prog/ (the release, signed with the
// minisign key whose public half is <release-key.pub>) and db/; the cut server serves
// <cut-file> ("/big/big256.bin") and logs its transfers (bench/ftplogserver.py).
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
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

const QString kNetdir = QStringLiteral("/prog/");
constexpr double kUpdateLimit = 0.5;
// Connections of the yardstick (lftp mirror --parallel), and of the update run measured against it.
constexpr int kMirrorParallel = 8;
constexpr double kResumeLimit = 1.1;

// Seconds the whole update run of the signed release takes on up to connections connections,
// over an older copy of the release made first (files: how many it updates); -1 when the run
// did not install every one of them.
double TimedUpdate(const QString &release, const TMinisignPublicKey &key, int connections, int &files)
{
    InstallationFixture install;
    install.writeFtpIni(kNetdir, QStringLiteral("/db/"));
    files = InstallOlderCopy(release, install.path());
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
    if (outcome != TUpdateEngine::Outcome::Completed || installed != files) {
        Note(QStringLiteral("the update run ended with %1 of %2 files installed").arg(installed).arg(files));
        return -1;
    }
    return seconds;
}

// The update run of the signed release on as many connections as the yardstick uses, against
// it, then on the default number for the record. Returns the benchmark's exit status.
int UpdateAgainstMirror(const QString &release, const QString &keyFile)
{
    const std::optional<TMinisignPublicKey> key = ReadPublicKeyFile(keyFile);
    if (!key) {
        Note(QStringLiteral("no minisign public key in %1").arg(keyFile));
        return 2;
    }
    const int defaultConnections = ParallelTransfers();
    int files = 0;
    const double seconds = TimedUpdate(release, *key, kMirrorParallel, files);
    if (seconds < 0)
        return 2;
    QTemporaryDir mirror;
    const double reference = MirrorAndUnpack(kNetdir, mirror.filePath(QStringLiteral("mirror")), files, kMirrorParallel);
    if (reference < 0) {
        Note(QStringLiteral("lftp mirror or 7z failed"));
        return 2;
    }
    Note(QStringLiteral("lftp mirror --parallel=%1 + 7z e of %2 archives: %3")
             .arg(kMirrorParallel)
             .arg(files)
             .arg(SecondsText(reference)));
    const double byDefault = TimedUpdate(release, *key, defaultConnections, files);
    if (byDefault < 0)
        return 2;
    Note(QStringLiteral("the same update run on %1 connections (the default): %2, ratio %3")
             .arg(defaultConnections)
             .arg(SecondsText(byDefault))
             .arg(byDefault / reference, 0, 'g', 3));
    const double ratio = seconds / reference;
    return PrintBenchLine({QStringLiteral("slow-link update"),
                           QStringLiteral("update run of %1 signed files, %2 connections, replies 25 ms late: %3")
                               .arg(files)
                               .arg(kMirrorParallel)
                               .arg(SecondsText(seconds)),
                           QStringLiteral("lftp mirror --parallel=%1 + 7z e %2").arg(kMirrorParallel).arg(SecondsText(reference)),
                           ratio, QStringLiteral("<= %1").arg(kUpdateLimit), ratio <= kUpdateLimit});
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
    if (arguments.size() < 7) {
        Note(QStringLiteral("usage: bench_slowlink <release-folder> <release-key.pub> <cut-server host:port> "
                            "<cut-server-log> <cut-file> <cut-file-bytes>"));
        return 2;
    }
    const int update = UpdateAgainstMirror(arguments.at(1), arguments.at(2));
    const int resume = CutDownloadResumed(arguments.at(3), arguments.at(4), arguments.at(5), arguments.at(6).toLongLong());
    return std::max(update, resume);
}
