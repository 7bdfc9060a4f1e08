// The fetch loop of the database-script check: only .sql files count, a script stands in the
// installation folder only once its name is recorded, a name is recorded once, and kill -9 at
// any point of a real run against the FTP server leaves no unrecorded script and, after the
// next run, no temporary file.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/QtPrinters.h"
#include "net/FtpDownload.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"
#include "stages/ScriptFetch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

// Records what the loop reports, in order.
class RecordedReport : public TScriptReport {
public:
    void Fetched(const QString &Name) override { lines << QStringLiteral("fetched ") + Name; }
    void FetchFailed(const QString &Name, int Result) override
    {
        lines << QStringLiteral("failed %1 %2").arg(Name).arg(Result);
    }
    void Unsafe(const TDataSearch &Entry) override { lines << QStringLiteral("unsafe ") + Entry.FileName; }
    QStringList lines;
};

QVector<TDataSearch> Listing(const QStringList &Names)
{
    QVector<TDataSearch> listing;
    for (const QString &name : Names) {
        TDataSearch entry;
        entry.FileName = name;
        entry.Path = QStringLiteral("/db/");
        listing.append(entry);
    }
    return listing;
}

// The names of the list file at Path.
QStringList Recorded(const QString &Path)
{
    TScriptList list;
    LoadScriptList(Path, list);
    return list.Lines;
}

struct Installation {
    QTemporaryDir dir;
    TScriptFolders folders{QStringLiteral("/db/"), dir.path() + QLatin1Char('/'),
                           dir.path() + QStringLiteral("/logdbupdate.txt")};
};

TEST(ScriptFetch, OnlySqlFilesArePairedAndFetched)
{
    const QVector<TDataSearch> server = Listing({QStringLiteral("readme.txt"), QStringLiteral("a.sql"),
                                                 QStringLiteral("tool.exe"), QStringLiteral("B.SQL"),
                                                 QStringLiteral("Report.dll"), QStringLiteral("c.sql")});
    const QVector<TDataSearch> local = Listing({QStringLiteral("readme.txt"), QStringLiteral("b.sql")});
    const TDataFindList work = PairScripts(server, local);
    ASSERT_EQ(work.size(), 3);
    EXPECT_EQ(work[0].IdFTP, 1);
    EXPECT_EQ(work[0].inst, 1);
    EXPECT_EQ(work[1].IdFTP, 3);
    EXPECT_EQ(work[1].inst, 0) << "a local script of the same name in another case";
    EXPECT_EQ(work[1].IdDir, 1);
    EXPECT_EQ(work[2].IdFTP, 5);

    Installation installation;
    TScriptList scripts;
    QStringList asked;
    const TScriptDownload download = [&](const QString &, const QString &Name, const QString &LocalPath) {
        asked << Name;
        WriteTestFile(LocalPath, "script " + Name.toUtf8());
        return ResultCode::Downloaded;
    };
    RecordedReport report;
    // Even a work list that names every server file fetches nothing but scripts.
    TDataFindList everything;
    for (int32_t i = 0; i < server.size(); ++i) {
        TDataFind entry;
        entry.IdFTP = i;
        entry.inst = server[i].FileName == QStringLiteral("B.SQL") ? 0 : 1;
        everything.append(entry);
    }
    EXPECT_EQ(FetchScripts(everything, server, installation.folders, scripts, download, report), 2);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("a.sql"), QStringLiteral("c.sql")}));
    EXPECT_EQ(Recorded(installation.folders.ListPath), asked);
    EXPECT_EQ(FolderEntries(installation.dir.path()),
              (QStringList{QStringLiteral("a.sql"), QStringLiteral("c.sql"), QStringLiteral("logdbupdate.txt")}));
}

TEST(ScriptFetch, AScriptIsRecordedBeforeItStandsInTheFolder)
{
    Installation installation;
    const QVector<TDataSearch> server = Listing({QStringLiteral("a.sql"), QStringLiteral("b.sql")});
    TScriptList scripts;
    const QString listPath = installation.folders.ListPath;
    const QString softdir = installation.folders.softdir;
    const TScriptDownload download = [&](const QString &Folder, const QString &Name, const QString &LocalPath) {
        EXPECT_EQ(Folder, QStringLiteral("/db/"));
        EXPECT_TRUE(QFileInfo(LocalPath).fileName().startsWith(kScriptTempPrefix));
        EXPECT_FALSE(Recorded(listPath).contains(Name));
        WriteTestFile(LocalPath, "script");
        return ResultCode::Downloaded;
    };
    class CheckingReport : public RecordedReport {
    public:
        QString listPath, softdir;
        void Fetched(const QString &Name) override
        {
            EXPECT_TRUE(Recorded(listPath).contains(Name));
            EXPECT_TRUE(QFileInfo::exists(softdir + Name));
            RecordedReport::Fetched(Name);
        }
    } report;
    report.listPath = listPath;
    report.softdir = softdir;
    EXPECT_EQ(FetchScripts(PairScripts(server, {}), server, installation.folders, scripts, download, report), 2);
    EXPECT_EQ(report.lines, (QStringList{QStringLiteral("fetched a.sql"), QStringLiteral("fetched b.sql")}));
}

TEST(ScriptFetch, FailuresLeaveNeitherFileNorRecordNorTemporaryFile)
{
    struct Case {
        const char *name;
        QString script;
        std::function<int(const QString &LocalPath)> download;
        QString report;
        bool throws;
    };
    const Case cases[] = {
        {"file missing on the server", QStringLiteral("a.sql"), [](const QString &) { return ResultCode::DownloadFileMissing; },
         QStringLiteral("failed a.sql -2"), false},
        {"transfer cut short after writing", QStringLiteral("a.sql"),
         [](const QString &LocalPath) {
             WriteTestFile(LocalPath, "half");
             return ResultCode::DownloadIncomplete;
         },
         QStringLiteral("failed a.sql -5"), false},
        {"disk full while writing", QStringLiteral("a.sql"),
         [](const QString &LocalPath) -> int {
             WriteTestFile(LocalPath, "half");
             throw RaisedError(QStringLiteral("No space left on device"));
         },
         QString(), true},
        {"unsafe name", QStringLiteral("../a.sql"), [](const QString &) { return ResultCode::Downloaded; },
         QStringLiteral("unsafe ../a.sql"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installation installation;
        const QVector<TDataSearch> server = Listing({c.script});
        TScriptList scripts;
        RecordedReport report;
        const TScriptDownload download = [&](const QString &, const QString &, const QString &LocalPath) {
            return c.download(LocalPath);
        };
        bool thrown = false;
        try {
            EXPECT_EQ(FetchScripts(PairScripts(server, {}), server, installation.folders, scripts, download, report), 0);
        } catch (const RaisedError &) {
            thrown = true;
        }
        EXPECT_EQ(thrown, c.throws);
        EXPECT_EQ(report.lines, c.report.isEmpty() ? QStringList() : QStringList{c.report});
        EXPECT_TRUE(scripts.Lines.isEmpty());
        EXPECT_EQ(FolderEntries(installation.dir.path()), QStringList());
    }
}

TEST(ScriptFetch, AListThatCannotBeSavedKeepsTheScriptOutOfTheFolder)
{
    Installation installation;
    QDir().mkpath(installation.folders.ListPath);  // a folder where the list should be
    const QVector<TDataSearch> server = Listing({QStringLiteral("a.sql")});
    TScriptList scripts;
    RecordedReport report;
    const TScriptDownload download = [](const QString &, const QString &, const QString &LocalPath) {
        WriteTestFile(LocalPath, "script");
        return ResultCode::Downloaded;
    };
    EXPECT_THROW(FetchScripts(PairScripts(server, {}), server, installation.folders, scripts, download, report),
                 RaisedError);
    EXPECT_EQ(FolderEntries(installation.dir.path()), QStringList{QStringLiteral("logdbupdate.txt")});
    EXPECT_TRUE(scripts.Lines.isEmpty());
}

TEST(ScriptFetch, ARecordedScriptWhoseFileIsMissingIsFetchedButNotRecordedAgain)
{
    Installation installation;
    TScriptList scripts;
    scripts.Lines = {QStringLiteral("A.sql"), QStringLiteral("old.sql")};
    WriteTestFile(installation.folders.softdir + kScriptTempPrefix + QStringLiteral("x1y2z3"), "left by a kill");
    WriteTestFile(installation.folders.softdir + kScriptTempPrefix + QStringLiteral("x1y2z3.AbCdEf"), "its download");
    RemoveStaleScriptTemps(installation.folders.softdir);
    EXPECT_EQ(FolderEntries(installation.dir.path()), QStringList());

    const QVector<TDataSearch> server = Listing({QStringLiteral("a.sql"), QStringLiteral("new.sql")});
    RecordedReport report;
    const TScriptDownload download = [](const QString &, const QString &, const QString &LocalPath) {
        WriteTestFile(LocalPath, "script");
        return ResultCode::Downloaded;
    };
    EXPECT_EQ(FetchScripts(PairScripts(server, {}), server, installation.folders, scripts, download, report), 2);
    EXPECT_EQ(scripts.Lines, (QStringList{QStringLiteral("A.sql"), QStringLiteral("old.sql"), QStringLiteral("new.sql")}));
    EXPECT_EQ(Recorded(installation.folders.ListPath), scripts.Lines);
    EXPECT_TRUE(QFileInfo::exists(installation.folders.softdir + QStringLiteral("a.sql")));
}

// --- kill -9 during a real run ------------------------------------------------------------------

const char kChildFolder[] = "ORN_SCRIPT_FETCH_FOLDER";
const char kChildPort[] = "ORN_SCRIPT_FETCH_PORT";
const int kScripts = 120;

// The server listing of the folder /db/ as the stage sees it: every file, scripts or not.
QVector<TDataSearch> ServerListing(HINTERNET hFTP)
{
    QVector<TDataSearch> listing;
    if (!FtpSetCurrentDirectoryW(hFTP, QStringLiteral("/db/")))
        return listing;
    WIN32_FIND_DATAW found;
    HINTERNET search = FtpFindFirstFileW(hFTP, QStringLiteral("*.*"), &found, 0, 0);
    for (bool more = search != nullptr; more; more = InternetFindNextFileW(search, &found)) {
        TDataSearch entry;
        entry.FileName = found.cFileName;
        entry.Path = QStringLiteral("/db/");
        listing.append(entry);
    }
    InternetCloseHandle(search);
    return listing;
}

// One run of the stage's fetch loop over the installation folder of the environment, against
// the server on the environment's port, as the engine runs it.
TEST(ScriptFetchChild, DISABLED_Run)
{
    const QString softdir = qEnvironmentVariable(kChildFolder) + QLatin1Char('/');
    const TScriptFolders folders{QStringLiteral("/db/"), softdir, softdir + QStringLiteral("logdbupdate.txt")};
    RemoveStaleScriptTemps(softdir);
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, QString(), QString(), 0);
    HINTERNET hFTP = InternetConnectW(hNet, QStringLiteral("127.0.0.1"), uint16_t(qEnvironmentVariableIntValue(kChildPort)),
                                      QString::fromLatin1(kFtpUser), QString::fromLatin1(kFtpPassword),
                                      INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
    ASSERT_NE(hFTP, nullptr);
    TScriptList scripts;
    ASSERT_NE(LoadScriptList(folders.ListPath, scripts), TScriptListLoad::Unreadable);
    QVector<TDataSearch> local;
    for (const QString &name : QDir(softdir).entryList({QStringLiteral("*.sql")}, QDir::Files)) {
        TDataSearch entry;
        entry.FileName = name;
        entry.Path = softdir;
        local.append(entry);
    }
    const QVector<TDataSearch> server = ServerListing(hFTP);
    HINTERNET hFile = nullptr;
    const TScriptDownload download = [&](const QString &Folder, const QString &Name, const QString &LocalPath) {
        return FtpDownloadFile(hFTP, hFile, Folder, Name, LocalPath, nullptr);
    };
    RecordedReport report;
    FetchScripts(PairScripts(server, local), server, folders, scripts, download, report);
    InternetCloseHandle(hFTP);
    InternetCloseHandle(hNet);
}

// Runs the child once; kills it with SIGKILL after KillAfterMs unless that is negative.
// Returns true when the child was killed before it ended.
bool RunChild(const QString &Softdir, uint16_t Port, int KillAfterMs)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kChildFolder), Softdir);
    environment.insert(QLatin1String(kChildPort), QString::number(Port));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"), QStringLiteral("--gtest_filter=ScriptFetchChild.DISABLED_Run")});
    EXPECT_TRUE(child.waitForStarted(-1));
    if (KillAfterMs >= 0 && !child.waitForFinished(KillAfterMs)) {
        child.kill();  // SIGKILL
        child.waitForFinished(-1);
        return true;
    }
    child.waitForFinished(-1);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    return false;
}

// Every script in the folder is recorded, and no name is recorded twice.
void ExpectEveryScriptRecordedOnce(const QString &Softdir)
{
    const QStringList recorded = Recorded(Softdir + QStringLiteral("logdbupdate.txt"));
    EXPECT_EQ(recorded.size(), QSet<QString>(recorded.begin(), recorded.end()).size()) << "a name recorded twice";
    for (const QString &name : QDir(Softdir).entryList({QStringLiteral("*.sql")}, QDir::Files))
        EXPECT_TRUE(recorded.contains(name)) << name.toStdString() << " stands unrecorded in the folder";
}

TEST(ScriptFetch, KillNineAtAnyPointLeavesNoUnrecordedScript)
{
    QTemporaryDir root;
    for (int i = 0; i < kScripts; ++i)
        WriteTestFile(root.filePath(QStringLiteral("db/script%1.sql").arg(i, 3, 10, QLatin1Char('0'))),
                      TestBytes(2000 + i));
    for (const char *other : {"readme.txt", "tool.exe", "Report.dll"})
        WriteTestFile(root.filePath(QStringLiteral("db/") + QLatin1String(other)), "not a script");
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());

    // A full run's duration bounds the random kill times.
    QTemporaryDir timing;
    QElapsedTimer clock;
    clock.start();
    RunChild(timing.path(), server.port(), -1);
    const int fullRunMs = int(clock.elapsed());
    ASSERT_EQ(Recorded(timing.path() + QStringLiteral("/logdbupdate.txt")).size(), kScripts);

    // Rounds over a fresh installation folder each: runs killed at random points, then a run
    // that ends. The invariant holds after every kill; the run that ends leaves every script
    // recorded once and no temporary file.
    int kills = 0;
    for (int round = 0; round < 4; ++round) {
        QTemporaryDir installation;
        const QString softdir = installation.path() + QLatin1Char('/');
        for (int attempt = 0; attempt < 3; ++attempt) {
            const int killAfter = QRandomGenerator::global()->bounded(fullRunMs);
            SCOPED_TRACE(QStringLiteral("round %1, killed after %2 ms").arg(round).arg(killAfter).toStdString());
            kills += RunChild(softdir, server.port(), killAfter) ? 1 : 0;
            ExpectEveryScriptRecordedOnce(softdir);
        }
        RunChild(softdir, server.port(), -1);
        ExpectEveryScriptRecordedOnce(softdir);
        QStringList expected{QStringLiteral("logdbupdate.txt")};
        for (int i = 0; i < kScripts; ++i)
            expected << QStringLiteral("script%1.sql").arg(i, 3, 10, QLatin1Char('0'));
        EXPECT_EQ(FolderEntries(installation.path()), expected) << "a temporary file, or a file that is no script";
        EXPECT_EQ(Recorded(softdir + QStringLiteral("logdbupdate.txt")).size(), kScripts);
    }
    EXPECT_GT(kills, 0);
}

}  // namespace
