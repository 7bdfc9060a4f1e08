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
                              QStringLiteral("c/g05.txt")};
    InstallAllBut(install, changed);
    FtpServerFixture ftp(server, LoggingServer());
    EngineRecorder run;
    EXPECT_EQ(Run(run, ftp, install, 1), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
    ExpectReleaseInstalled(install);
    EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 4);
    // a/f03 lies between two changed files and is fetched with them; the 300 KiB of b/ between
    // a/ and c/ are not.
    ASSERT_TRUE(ftp.logShows(QStringLiteral("RETR ") + kPackName));
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$"))), QStringList({QStringLiteral("RETR ") + kPackName,
                                                                  QStringLiteral("RETR ") + kPackName}));
    EXPECT_EQ(ftp.commands(QStringLiteral("REST")),
              QStringList({QStringLiteral("REST %1").arg(PackOffset(QStringLiteral("a/f01.txt"))),
                           QStringLiteral("REST %1").arg(PackOffset(QStringLiteral("c/g05.txt")))}));
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
    // Neither file begins the pack: its ranges need REST.
    InstallAllBut(install, {QStringLiteral("a/f04.txt"), QStringLiteral("c/g05.txt")});
    FtpServerOptions noRest = LoggingServer();
    noRest.restart = false;
    FtpServerFixture ftp(server, noRest);
    const QStringList rangeLines = UpdateOnOneConnection(ftp, install).filter(kRangeFailureLine);
    ASSERT_EQ(rangeLines.size(), 1);
    EXPECT_TRUE(rangeLines.first().endsWith(QStringLiteral(": the server refused REST)"))) << rangeLines.first().toStdString();
    ASSERT_TRUE(ftp.logShows(QFileInfo(ArchivePath(QStringLiteral("c/g05.txt"))).fileName()));
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$"))),
              QStringList({QStringLiteral("RETR ") + QFileInfo(ArchivePath(QStringLiteral("a/f04.txt"))).fileName(),
                           QStringLiteral("RETR ") + QFileInfo(ArchivePath(QStringLiteral("c/g05.txt"))).fileName()}))
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

TEST_F(PackUpdate, TheScriptsComeFromTheScriptFoldersPack)
{
    const QString scripts = root.filePath(QStringLiteral("scripts"));
    for (const char *name : {"001.sql", "002.sql", "003.sql"})
        WriteDatedFile(scripts, QString::fromLatin1(name), QByteArray("create table ") + name, kPackReleaseDay);
    ASSERT_TRUE(Ornpack({"--scripts", "--sign", key.secretKeyFile, "--folder", "/db/", "--sequence", "100", scripts,
                         server + QStringLiteral("/db")}));
    Publish();
    InstallationFixture install;
    InstallAllBut(install, {});
    WriteDatedFile(install.path(), QStringLiteral("001.sql"), "create table 001.sql", kPackReleaseDay);
    FtpServerFixture ftp(server, LoggingServer());
    EngineRecorder run;
    EXPECT_EQ(Run(run, ftp, install, 4, {1, 2, 3}), TUpdateEngine::Outcome::Completed)
        << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(FileBytes(install.file(QStringLiteral("002.sql"))), QByteArray("create table 002.sql"));
    EXPECT_EQ(FileBytes(install.file(QStringLiteral("003.sql"))), QByteArray("create table 003.sql"));
    EXPECT_EQ(FileBytes(install.file(QStringLiteral("logdbupdate.txt"))), QByteArray("002.sql\r\n003.sql\r\n"));
    EXPECT_TRUE(run.log.contains(QStringLiteral("  Найден скрипт - 003.sql"))) << run.log.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(ftp.logShows(QStringLiteral("RETR ") + kPackName));
    EXPECT_EQ(ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|sql|7z)$"))),
              QStringList({QStringLiteral("RETR ") + kPackName})) << "one range of the script folder's pack, nothing else";
    for (const QString &name : QDir(install.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.startsWith(QStringLiteral(".ornupdate-script-"))) << name.toStdString();
}

}  // namespace
