// Stage 2 on several connections at once, through the engine with a real FTP server, a
// release published with ornpack and the real 7z: the same files and log lines as on one
// connection, a server that takes fewer connections, a transfer cut short and continued, and a
// stop while transfers run.
#include "fixtures/EngineRecorder.h"
#include "fixtures/FolderInLog.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/ReleaseFixture.h"
#include "net/EventPump.h"
#include "net/PartialDownload.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 5, 10), QTime(10, 0));

// ORN_PARALLEL_TRANSFERS for the life of the object.
class ParallelSetting {
public:
    explicit ParallelSetting(int transfers) { qputenv("ORN_PARALLEL_TRANSFERS", QByteArray::number(transfers)); }
    ~ParallelSetting() { qunsetenv("ORN_PARALLEL_TRANSFERS"); }
};

QByteArray RandomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// Every file below folder (hidden ones included) with its bytes, by relative path.
QMap<QString, QByteArray> TreeContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents.insert(QDir(folder).relativeFilePath(path), FileBytes(path));
    }
    return contents;
}

// A release of files in several folders (one of them large, Update.exe among them) behind a
// real FTP server, and older copies of them in an installation folder.
class ParallelStage : public ::testing::Test {
public:
    void SetUp() override
    {
        const ScenarioFolders folders = MakeScenarioFolders(root.path());
        release = folders.release;
        server = folders.server;
        for (int i = 0; i < 12; ++i)
            WriteDatedFile(release, QStringLiteral("folder%1/File%2.dll").arg(i % 3).arg(i),
                           RandomBytes(3000 + 700 * i, quint32(i)), kReleaseDay);
        WriteDatedFile(release, QStringLiteral("big.bin"), RandomBytes(3 * 1024 * 1024, 99), kReleaseDay);
        WriteDatedFile(release, QStringLiteral("Update.exe"), "new updater", kReleaseDay);
        ASSERT_TRUE(PublishRelease(release, server + QStringLiteral("/prog")));
    }

    void StartServer(const FtpServerOptions &options = {})
    {
        ftp = std::make_unique<FtpServerFixture>(server, options);
        ASSERT_TRUE(ftp->isRunning());
        ftp->useAsUpdateServer();
    }

    QTemporaryDir root;
    QString release, server;
    std::unique_ptr<FtpServerFixture> ftp;
};

// ftp.ini and an older copy ("old <path>") of every file of the release in the installation.
void InstallOldCopies(const InstallationFixture &install, const QString &release)
{
    install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
    const QMap<QString, QByteArray> released = TreeContents(release);
    for (auto it = released.cbegin(); it != released.cend(); ++it)
        WriteDatedFile(install.path(), it.key(), "old " + it.key().toUtf8(), kReleaseDay.addDays(-3));
}

// One update run (stages 1 and 2) of a fresh installation holding older copies of the release.
struct RunResult {
    TUpdateEngine::Outcome outcome;
    QStringList log;  // the installation folder written as "<install>"
    QMap<QString, QByteArray> files;
    QList<int> counters;
    QStringList boxes;  // the message and error boxes shown
};

RunResult UpdateFreshInstallation(const QString &release, int transfers)
{
    const ParallelSetting setting(transfers);
    InstallationFixture install;
    InstallOldCopies(install, release);
    EngineRecorder run;
    RunResult result;
    result.outcome = run.Run({1, 2});
    result.log = WithFolderSetAside(run.log, install.path(), QStringLiteral("<install>"));
    result.files = TreeContents(install.path());
    result.boxes = run.boxes;
    for (TUpdateEngine::Counter counter : {TUpdateEngine::Counter::Download, TUpdateEngine::Counter::Install})
        result.counters << run.counters.value(counter, -1);
    return result;
}

TEST_F(ParallelStage, SeveralConnectionsInstallWhatOneDoesWithTheSameLogLines)
{
    struct Case {
        const char *what;
        int transfers;
        int connectionLimit;  // the server's limit per address (0: none)
    };
    const Case cases[] = {
        {"four connections", 4, 0},
        {"a server that takes two connections", 4, 2},
    };
    FtpServerOptions options;
    StartServer(options);
    const RunResult sequential = UpdateFreshInstallation(release, 1);
    ASSERT_EQ(sequential.outcome, TUpdateEngine::Outcome::Completed);
    EXPECT_EQ(sequential.counters, QList<int>({14, 14}));
    EXPECT_EQ(sequential.files.value(QStringLiteral("big.bin")), FileBytes(release + QStringLiteral("/big.bin")));
    EXPECT_EQ(sequential.files.value(QStringLiteral("Update.bak")), QByteArray("old Update.exe"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        options.maxConnectionsPerAddress = c.connectionLimit;
        StartServer(options);
        const RunResult parallel = UpdateFreshInstallation(release, c.transfers);
        EXPECT_EQ(parallel.outcome, TUpdateEngine::Outcome::Completed) << parallel.boxes.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(parallel.log, sequential.log) << parallel.log.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(parallel.counters, sequential.counters);
        EXPECT_EQ(parallel.files, sequential.files);
        if (c.connectionLimit > 0)  // the connections past the limit were refused
            EXPECT_TRUE(ftp->logShows(QStringLiteral("Too many connections from the same IP address"))) << ftp->log().toStdString();
    }
}

TEST_F(ParallelStage, ATransferCutShortIsContinuedWithinTheRun)
{
    FtpServerOptions options;
    options.endAfterBytes = 1536 * 1024;  // half of the large archive, once
    options.endOnce = true;
    options.logCommands = true;
    StartServer(options);
    const RunResult run = UpdateFreshInstallation(release, 4);
    EXPECT_EQ(run.outcome, TUpdateEngine::Outcome::Completed);
    EXPECT_EQ(run.counters, QList<int>({14, 14}));
    EXPECT_EQ(run.files.value(QStringLiteral("big.bin")), FileBytes(release + QStringLiteral("/big.bin")));
    EXPECT_TRUE(ftp->logShows(QStringLiteral("-> 350 Restarting at position 1572864")));
}

TEST_F(ParallelStage, PartialFilesOfAnEarlierRunAreContinuedOrRemoved)
{
    FtpServerOptions options;
    options.logCommands = true;
    StartServer(options);
    InstallationFixture install;
    InstallOldCopies(install, release);
    // The first half of the large archive, as a cut transfer of an earlier run left it, and a
    // partial file of an archive that is no longer on the server.
    const QString archive = QDir(server + QStringLiteral("/prog")).entryList({QStringLiteral("*big.bin*")}).value(0);
    const QByteArray archiveBytes = FileBytes(server + QStringLiteral("/prog/") + archive);
    const int half = int(archiveBytes.size() / 2);
    WriteDatedFile(install.path(), PartialFileName(archive, uint64_t(archiveBytes.size())), archiveBytes.left(half),
                   kReleaseDay);
    WriteDatedFile(install.path(), QStringLiteral("folder0/") + PartialFileName(QStringLiteral("8-3-Gone.dll-5-1.7z"), 77),
                   "stale", kReleaseDay);

    EngineRecorder run;
    EXPECT_EQ(run.Run({1, 2}), TUpdateEngine::Outcome::Completed);
    const QMap<QString, QByteArray> after = TreeContents(install.path());
    EXPECT_EQ(after.value(QStringLiteral("big.bin")), FileBytes(release + QStringLiteral("/big.bin")));
    EXPECT_EQ(after.value(archive), archiveBytes);
    EXPECT_TRUE(ftp->logShows(QStringLiteral("-> 350 Restarting at position %1").arg(half)));
    for (const QString &name : after.keys())
        EXPECT_FALSE(name.endsWith(QStringLiteral(".ornpart"))) << name.toStdString();
}

// A run of four connections over a server that stalls every archive past endAfterBytes,
// stopped after stopAfterMs: what is installed then, its log and how many files were replaced
// (each by its released bytes; every other file must have kept its old copy).
struct StoppedRun {
    QMap<QString, QByteArray> files;
    QStringList log;
    int replaced = 0;
};

StoppedRun StopUpdateWhileStalled(ParallelStage &stage, int64_t endAfterBytes, int stopAfterMs)
{
    FtpServerOptions options;
    options.endAfterBytes = endAfterBytes;
    options.ending = FtpServerOptions::Ending::Stall;
    stage.StartServer(options);
    const ParallelSetting setting(4);
    InstallationFixture install;
    InstallOldCopies(install, stage.release);

    EngineRecorder run;
    QTimer::singleShot(stopAfterMs, [] { RequestStop(); });
    EXPECT_EQ(run.Run({1, 2}), TUpdateEngine::Outcome::Stopped);
    StoppedRun stopped;
    stopped.files = TreeContents(install.path());
    stopped.log = run.log;
    const QMap<QString, QByteArray> released = TreeContents(stage.release);
    for (auto it = released.cbegin(); it != released.cend(); ++it) {
        const QByteArray installed = stopped.files.value(it.key());
        EXPECT_TRUE(installed == "old " + it.key().toUtf8() || installed == it.value()) << it.key().toStdString();
        stopped.replaced += installed == it.value() ? 1 : 0;
    }
    QDirIterator entries(install.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString name = entries.next();
        EXPECT_FALSE(name.endsWith(QStringLiteral(".ornpart"))) << name.toStdString();
        EXPECT_FALSE(name.contains(QStringLiteral(".ornupdate-staging-"))) << name.toStdString();
    }
    EXPECT_EQ(run.log.last(), QStringLiteral("Сервер отключен"));
    return stopped;
}

TEST_F(ParallelStage, AStopDuringTransfersKeepsTheOldFilesAndLeavesNoPartialFile)
{
    const StoppedRun run = StopUpdateWhileStalled(*this, 1000, 1500);  // all but the smallest archive stall
    EXPECT_EQ(run.files.value(QStringLiteral("big.bin")), QByteArray("old big.bin"));
}

TEST_F(ParallelStage, AStopWhileFilesAreStagedChangesNoFileNotYetPlacedAndLeavesNoStagingFolder)
{
    // Only the large archive stalls: the small ones are fetched and staged, and those after it
    // in the work list wait there for their turn, which never comes.
    const StoppedRun run = StopUpdateWhileStalled(*this, 1024 * 1024, 2500);
    EXPECT_EQ(run.files.value(QStringLiteral("big.bin")), QByteArray("old big.bin"));
    // Every file replaced was logged as installed; none after the stop.
    EXPECT_EQ(run.log.filter(QRegularExpression(QStringLiteral("^    \\S+ установлен$"))).size(), run.replaced)
        << run.log.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
