// OrnUpdate --check as a program: it reports what an update would fetch and changes nothing.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/ProgramRun.h"
#include "fixtures/ReleaseFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 6, 3), QTime(9, 30));

// Every entry below folder with its size and times, to show that nothing changed.
QStringList FolderState(const QString &folder)
{
    QStringList state;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state << QStringLiteral("%1 %2 %3 %4")
                     .arg(info.filePath())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch())
                     .arg(info.metadataChangeTime().toMSecsSinceEpoch());
    }
    state.sort();
    return state;
}

struct CheckCase {
    const char *name;
    bool ftpIni;
    bool serverUp;
    bool olderInstallation;  // else the installation holds the release already
    int exitCode;
    QStringList output;  // standard output; <server> stands for the server tree's root path
};

TEST(Check, ReportsWhatAnUpdateWouldFetchAndChangesNothing)
{
    QTemporaryDir root;
    const QString release = root.filePath(QStringLiteral("release"));
    const QString server = root.filePath(QStringLiteral("server"));
    WriteDatedFile(release, QStringLiteral("ORN.exe"), "new main program", kReleaseDay);
    WriteDatedFile(release, QStringLiteral("bin/Report.dll"), QByteArray(9000, 'r'), kReleaseDay);
    ASSERT_TRUE(PublishRelease(release, server + QStringLiteral("/prog")));
    WriteDatedFile(server, QStringLiteral("db/a.sql"), "create table a;", kReleaseDay);
    WriteDatedFile(server, QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);
    const QString orn = QDir(server + QStringLiteral("/prog")).entryList({QStringLiteral("*ORN*")}).value(0);
    const QString report = QDir(server + QStringLiteral("/prog/bin")).entryList({QStringLiteral("*Report*")}).value(0);
    FtpServerFixture ftp(server);
    ASSERT_TRUE(ftp.isRunning());
    uint16_t closedPort = 0;
    {
        QTemporaryDir empty;
        FtpServerFixture closed(empty.path());
        closedPort = closed.port();
    }

    const CheckCase cases[] = {
        {"changes", true, true, true, 100,
         {"updated  /prog/" + orn + "  16 bytes  server 2024-06-03 09:30  local 2024-05-30 09:30",
          "new      /prog/bin/" + report + "  9000 bytes  server 2024-06-03 09:30", "script   /db/b.sql",
          "2 files to update (1 new, 1 updated), 1 scripts to fetch"}},
        {"up to date", true, true, false, 0, {"Up to date"}},
        {"server down", true, false, true, 1, {}},
        {"ftp.ini missing", false, true, true, 2, {}},
    };
    for (const CheckCase &c : cases) {
        QTemporaryDir install, configHome;
        QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), install.filePath(QStringLiteral("orn.txt")));
        if (c.ftpIni)
            WriteDatedFile(install.path(), QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
        WriteDatedFile(install.path(), QStringLiteral("a.sql"), "create table a;", kReleaseDay);
        if (c.olderInstallation) {
            WriteDatedFile(install.path(), QStringLiteral("ORN.exe"), "old main program", kReleaseDay.addDays(-4));
        } else {
            WriteDatedFile(install.path(), QStringLiteral("ORN.exe"), "new main program", kReleaseDay);
            WriteDatedFile(install.path(), QStringLiteral("bin/Report.dll"), QByteArray(9000, 'r'), kReleaseDay);
            WriteDatedFile(install.path(), QStringLiteral("b.sql"), "create table b;", kReleaseDay);
        }
        const QStringList before = FolderState(install.path());
        const uint16_t port = c.serverUp ? ftp.port() : closedPort;
        const ProgramRun run = RunProgram(install.path(), {QStringLiteral("--check")}, configHome.path(),
                                          QStringLiteral("127.0.0.1:%1").arg(port));
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << "\n" << run.errors.toStdString();
        EXPECT_EQ(run.lines, c.output) << c.name;
        EXPECT_EQ(FolderState(install.path()), before) << c.name;
        EXPECT_EQ(run.errors.isEmpty(), c.exitCode == 0 || c.exitCode == 100) << c.name << run.errors.toStdString();
    }
}

}  // namespace
