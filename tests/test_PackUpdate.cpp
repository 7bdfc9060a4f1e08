// Stage 2 through the signed release's pack on a real FTP server: the archives come from
// ranges of ornupdate.pack, cut, checked and installed as archives fetched one by one are; what
// a range does not bring whole and matching is fetched alone.
#include "fixtures/FolderInLog.h"
#include "fixtures/PackRelease.h"
#include "fixtures/ReleaseFixture.h"
#include "release/Manifest.h"
#include "release/ReleasePack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PackUpdate : public PackReleaseTest {
protected:
    // Runs stages 1 and 2 on one connection against ftp into install, expecting every file of
    // the release installed; returns the run's log.
    QStringList UpdateOnOneConnection(FtpServerFixture &ftp, InstallationFixture &install)
    {
        EngineRecorder run;
        EXPECT_EQ(Run(run, ftp, install, 1), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
        ExpectReleaseInstalled(install);
        EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
        return run.log;
    }
};

// The line that tells of a range of the pack whose files are then fetched alone.
const QString kRangeFailureLine = QStringLiteral("    Пакет отдал не все файлы, они загружаются по одному - /prog/") + kPackName
                                  + QStringLiteral(" (bytes ");

// The log without the 7-Zip command lines, which name staging folders and group the archives
// unpacked together by the runs the connections took, and with the installation folder named
// the same.
QStringList WithoutToolCommands(const QStringList &log, const InstallationFixture &install)
{
    QStringList kept;
    for (const QString &line : log)
        if (!line.contains(QRegularExpression(QStringLiteral("^    \\S*7z\\S*\"? +e "))))
            kept << line;
    return WithFolderSetAside(kept, install.path(), QStringLiteral("<installation>"));
}

TEST_F(PackUpdate, TheWholeReleaseComesFromThePackWithTheLogOfFilesFetchedAlone)
{
    Publish();
    ASSERT_TRUE(QFileInfo::exists(prog() + QLatin1Char('/') + kPackName));
    QStringList packLog;
    {
        InstallationFixture install;
        FtpServerFixture ftp(server, LoggingServer());
        EngineRecorder run;
        EXPECT_EQ(Run(run, ftp, install), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
        ExpectReleaseInstalled(install);
        EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 24);
        EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
        ASSERT_TRUE(ftp.logShows(QStringLiteral("RETR ") + kPackName));
        EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QStringLiteral(".7z")), QStringList()) << "no archive fetched alone";
        packLog = WithoutToolCommands(run.log, install);
    }
    Publish(false);
    ASSERT_FALSE(QFileInfo::exists(prog() + QLatin1Char('/') + kPackName));
    InstallationFixture install;
    FtpServerFixture ftp(server, LoggingServer());
    EngineRecorder run;
    EXPECT_EQ(Run(run, ftp, install), TUpdateEngine::Outcome::Completed);
    ExpectReleaseInstalled(install);
    EXPECT_EQ(packLog, WithoutToolCommands(run.log, install));
}

TEST_F(PackUpdate, AScatteredUpdateFetchesOnlyTheMergedRanges)
{
    Publish();
    InstallationFixture install;
    const QStringList changed{QStringLiteral("a/f01.txt"), QStringLiteral("a/f02.txt"), QStringLiteral("a/f04.txt"),
                              QStringLiteral("a/f05.txt"), QStringLiteral("c/g03.txt"), QStringLiteral("c/g05.txt"),
                              QStringLiteral("c/g06.txt"), QStringLiteral("c/g08.txt")};
    InstallAllBut(install, changed);
    FtpServerFixture ftp(server, LoggingServer());
    EngineRecorder run;
    EXPECT_EQ(Run(run, ftp, install, 1), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
    ExpectReleaseInstalled(install);
    EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), changed.size());
    // a/f03 lies between changed files and is fetched with them, and so are c/g04 and c/g07;
    // the 300 KiB of b/ between a/ and c/ are not.
    ASSERT_TRUE(ftp.logShows(QStringLiteral("RETR ") + kPackName));
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$"))), QStringList({QStringLiteral("RETR ") + kPackName,
                                                                  QStringLiteral("RETR ") + kPackName}));
    EXPECT_EQ(ftp.commands(QStringLiteral("REST")),
              QStringList({QStringLiteral("REST %1").arg(PackOffset(QStringLiteral("a/f01.txt"))),
                           QStringLiteral("REST %1").arg(PackOffset(QStringLiteral("c/g03.txt")))}));
}

TEST_F(PackUpdate, FewerThanFourChangedNeighboursAreFetchedAloneNotByARange)
{
    Publish();
    InstallationFixture install;
    // a/f01 to a/f03: three files of one range; c/g05: one.
    const QStringList changed{QStringLiteral("a/f01.txt"), QStringLiteral("a/f03.txt"), QStringLiteral("c/g05.txt")};
    InstallAllBut(install, changed);
    FtpServerFixture ftp(server, LoggingServer());
    EngineRecorder run;
    EXPECT_EQ(Run(run, ftp, install, 1), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
    ExpectReleaseInstalled(install);
    QStringList alone;
    for (const QString &file : changed)
        alone << QStringLiteral("RETR ") + QFileInfo(ArchivePath(file)).fileName();
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$"))), alone);
    EXPECT_EQ(ftp.commands(QStringLiteral("REST")), QStringList());
}

TEST_F(PackUpdate, APackThatDiffersAtOneArchiveInstallsTheOthersAndThatOneOnlyFromItsOwnArchive)
{
    struct Case {
        const char *what;
        bool archiveChangedToo;
    };
    for (const Case c : {Case{"the archive itself is sound: it is fetched alone and installed", false},
                         Case{"the archive is changed too: refused, the old file kept", true}}) {
        SCOPED_TRACE(c.what);
        Publish();
        const QString target = QStringLiteral("c/g03.txt");
        const QString archive = ArchivePath(target);
        const qint64 offset = PackOffset(target);
        QFile pack(prog() + QLatin1Char('/') + kPackName);
        ASSERT_TRUE(pack.open(QIODevice::ReadWrite));
        QByteArray bytes = pack.readAll();
        bytes[offset + 20] = char(bytes[offset + 20] ^ 1);
        pack.seek(0);
        pack.write(bytes);
        pack.close();
        if (c.archiveChangedToo) {
            QByteArray archiveBytes = FileBytes(prog() + QLatin1Char('/') + archive);
            archiveBytes[20] = char(archiveBytes[20] ^ 1);
            WriteDatedFile(prog(), archive, archiveBytes, kPackReleaseDay);
        }
        InstallationFixture install;
        InstallAllBut(install, FilesBelow(release));
        FtpServerFixture ftp(server, LoggingServer());
        EngineRecorder run;
        EXPECT_EQ(Run(run, ftp, install), TUpdateEngine::Outcome::Completed);
        ExpectReleaseInstalled(install, {target});
        EXPECT_EQ(FileBytes(install.file(target)),
                  c.archiveChangedToo ? QByteArray("old c/g03.txt") : FileBytes(release + QLatin1Char('/') + target));
        EXPECT_TRUE(ftp.logShows(QStringLiteral("RETR ") + QFileInfo(archive).fileName()));
        EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QStringLiteral(".7z")).size(), 1);
        EXPECT_EQ(run.engine.FilesNotInstalled(), c.archiveChangedToo ? 1 : 0);
        const QStringList rangeLines = run.log.filter(kRangeFailureLine);
        ASSERT_EQ(rangeLines.size(), 1) << run.log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(rangeLines.first().endsWith(QFileInfo(archive).fileName() + QStringLiteral(" did not match its SHA-256)")))
            << rangeLines.first().toStdString();
        EXPECT_EQ(run.log.contains(QStringLiteral("Контрольная сумма файла не совпадает с манифестом, файл удален - ")
                                   + QFileInfo(archive).fileName()),
                  c.archiveChangedToo)
            << run.log.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(PackUpdate, AServerWithoutRestHasTheArchivesFetchedAlone)
{
    Publish();
    InstallationFixture install;
    // Two ranges, neither at the start of the pack: they need REST.
    const QStringList changed{QStringLiteral("a/f04.txt"), QStringLiteral("a/f05.txt"), QStringLiteral("a/f06.txt"),
                              QStringLiteral("a/f07.txt"), QStringLiteral("c/g02.txt"), QStringLiteral("c/g03.txt"),
                              QStringLiteral("c/g04.txt"), QStringLiteral("c/g05.txt")};
    InstallAllBut(install, changed);
    FtpServerOptions noRest = LoggingServer();
    noRest.restart = false;
    FtpServerFixture ftp(server, noRest);
    const QStringList rangeLines = UpdateOnOneConnection(ftp, install).filter(kRangeFailureLine);
    ASSERT_EQ(rangeLines.size(), 1);
    EXPECT_TRUE(rangeLines.first().endsWith(QStringLiteral(": the server refused REST)"))) << rangeLines.first().toStdString();
    ASSERT_TRUE(ftp.logShows(QFileInfo(ArchivePath(QStringLiteral("c/g05.txt"))).fileName()));
    QStringList alone;
    for (const QString &file : changed)
        alone << QStringLiteral("RETR ") + QFileInfo(ArchivePath(file)).fileName();
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$"))),
              alone)
        << "the pack is asked for once, the refusal of REST holds for the stage";
}

TEST_F(PackUpdate, ARangeCutInTheMiddleKeepsTheArchivesItCompleted)
{
    Publish();
    ASSERT_LT(QFileInfo(prog() + QLatin1Char('/') + kManifestName).size(), 5000) << "the manifest's transfer is not cut";
    InstallationFixture install;
    FtpServerOptions cut = LoggingServer();
    cut.endAfterBytes = 5000;  // the first transfer to reach 5000 bytes (the pack's) is dropped there
    cut.endOnce = true;
    FtpServerFixture ftp(server, cut);
    const QStringList log = UpdateOnOneConnection(ftp, install);
    ASSERT_TRUE(ftp.logShows(QStringLiteral("RETR ") + kPackName));
    const QStringList alone = ftp.commands(QStringLiteral("RETR")).filter(QStringLiteral(".7z"));
    // The archives that lay within the first 5000 bytes are not fetched again; the one cut and
    // those after it are, one by one.
    QStringList expected;
    for (const TManifestEntry &entry : Manifest().Entries)
        if (PackOffsets(Manifest(), QFileInfo(prog() + QLatin1Char('/') + kPackName).size())->value(entry.Path) + entry.Size > 5000)
            expected << QStringLiteral("RETR ") + QFileInfo(entry.Path).fileName();
    EXPECT_EQ(alone, expected);
    for (const QString &name : QDir(install.file(QStringLiteral("a"))).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.endsWith(QStringLiteral(".ornpart"))) << name.toStdString();
    const QStringList rangeLines = log.filter(kRangeFailureLine);
    ASSERT_EQ(rangeLines.size(), 1) << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(rangeLines.first().contains(QStringLiteral(": ended after "))) << rangeLines.first().toStdString();
}

TEST_F(PackUpdate, TheScriptsComeFromTheScriptFoldersPackWhenEnoughOfThemAreToBeFetched)
{
    const QString scripts = root.filePath(QStringLiteral("scripts"));
    const QStringList names{QStringLiteral("001.sql"), QStringLiteral("002.sql"), QStringLiteral("003.sql"),
                            QStringLiteral("004.sql"), QStringLiteral("005.sql")};
    for (const QString &name : names)
        WriteDatedFile(scripts, name, "create table " + name.toLatin1(), kPackReleaseDay);
    ASSERT_TRUE(Ornpack({"--scripts", "--sign", key.secretKeyFile, "--folder", "/db/", "--sequence", "100", scripts,
                         server + QStringLiteral("/db")}));
    Publish();
    struct Case {
        const char *what;
        int installed;  // how many of the scripts, from the first, the installation has
        bool fromPack;
    };
    for (const Case c : {Case{"four to fetch: one range of the pack, nothing else", 1, true},
                         Case{"two to fetch: each alone, the pack not asked for", 3, false}}) {
        SCOPED_TRACE(c.what);
        InstallationFixture install;
        InstallAllBut(install, {});
        for (const QString &name : names.mid(0, c.installed))
            WriteDatedFile(install.path(), name, "create table " + name.toLatin1(), kPackReleaseDay);
        FtpServerFixture ftp(server, LoggingServer());
        EngineRecorder run;
        EXPECT_EQ(Run(run, ftp, install, 4, {1, 2, 3}), TUpdateEngine::Outcome::Completed)
            << run.log.join(QLatin1Char('\n')).toStdString();
        QByteArray fetchedList;
        QStringList alone;
        for (const QString &name : names.mid(c.installed)) {
            EXPECT_EQ(FileBytes(install.file(name)), "create table " + name.toLatin1());
            EXPECT_TRUE(run.log.contains(QStringLiteral("  Найден скрипт - ") + name)) << run.log.join(QLatin1Char('\n')).toStdString();
            fetchedList += name.toLatin1() + "\r\n";
            alone << QStringLiteral("RETR ") + name;
        }
        EXPECT_EQ(FileBytes(install.file(QStringLiteral("logdbupdate.txt"))), fetchedList);
        EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|sql|7z)$"))),
                  c.fromPack ? QStringList({QStringLiteral("RETR ") + kPackName}) : alone);
        for (const QString &name : QDir(install.path()).entryList(QDir::Files | QDir::Hidden))
            EXPECT_FALSE(name.startsWith(QStringLiteral(".ornupdate-script-"))) << name.toStdString();
    }
}

}  // namespace
