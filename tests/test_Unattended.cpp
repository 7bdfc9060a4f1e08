// OrnUpdate --unattended as a program: what it prints and its exit status, against a real FTP
// server and a release published with ornpack.
#include "app/uUpdate.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/ReleaseFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 6, 3), QTime(9, 30));

struct ProgramRun {
    int exitCode = -1;
    QStringList lines;  // standard output, one entry per line
};

// Runs the built OrnUpdate in installFolder with the settings folder configHome (XDG_CONFIG_HOME)
// and the update server at server (host:port).
ProgramRun RunProgram(const QString &installFolder, const QStringList &arguments, const QString &configHome,
                      const QString &server)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("ORN_FTP_SERVER"), server);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(installFolder);
    program.start(QStringLiteral(ORN_BUILD_DIR "/OrnUpdate"), arguments);
    ProgramRun run;
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
    } else if (program.exitStatus() == QProcess::NormalExit) {
        run.exitCode = program.exitCode();
    }
    run.lines = QString::fromUtf8(program.readAllStandardOutput()).split(QLatin1Char('\n'));
    if (run.lines.last().isEmpty())
        run.lines.removeLast();
    return run;
}

// An installation of an older release in folder: two programs dated earlier, one of the two
// scripts already there, Report.dll missing; ftp.ini names /prog/ and /db/.
void PrepareOlderInstallation(const QString &folder)
{
    WriteDatedFile(folder, QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
    WriteDatedFile(folder, QStringLiteral("ORN.exe"), "old main program", kReleaseDay.addDays(-4));
    WriteDatedFile(folder, QStringLiteral("Update.exe"), "old updater", kReleaseDay.addDays(-4));
    WriteDatedFile(folder, QStringLiteral("a.sql"), "create table a;", kReleaseDay);
}

QStringList WithPlaceholder(QStringList lines, const QString &folder)
{
    return lines.replaceInStrings(folder, QStringLiteral("<install>"));
}

bool IsMessageLine(const QString &line)
{
    return line.startsWith(QStringLiteral("[message] ")) || line.startsWith(QStringLiteral("[error] "));
}

TEST(Unattended, PrintsTheWindowsLogAndMessagesAndInstallsTheRelease)
{
    QTemporaryDir root;
    const QString release = root.filePath(QStringLiteral("release"));
    const QString server = root.filePath(QStringLiteral("server"));
    WriteDatedFile(release, QStringLiteral("ORN.exe"), "new main program", kReleaseDay);
    WriteDatedFile(release, QStringLiteral("Update.exe"), "new updater", kReleaseDay);
    WriteDatedFile(release, QStringLiteral("bin/Report.dll"), QByteArray(9000, 'r'), kReleaseDay);
    ASSERT_TRUE(PublishRelease(release, server + QStringLiteral("/prog")));
    WriteDatedFile(server, QStringLiteral("db/a.sql"), "create table a;", kReleaseDay);
    WriteDatedFile(server, QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);
    FtpServerFixture ftp(server);
    ASSERT_TRUE(ftp.isRunning());
    const QString serverAddress = QStringLiteral("127.0.0.1:%1").arg(ftp.port());

    // The window's own run, in process, over one copy of the installation...
    InstallationFixture windowInstall;
    PrepareOlderInstallation(windowInstall.path());
    ftp.useAsUpdateServer();
    TfUpdate window;
    window.FormActivate();
    window.Button1Click();
    ASSERT_EQ(window.LastRunOutcome(), TfUpdate::RunOutcome::Completed);
    const QStringList windowLog = WithPlaceholder(LogLines(window), windowInstall.path());
    const QStringList windowMessages = windowInstall.takeMessages();

    // ...and the program's over another copy.
    QTemporaryDir programInstall, configHome;
    PrepareOlderInstallation(programInstall.path());
    QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), programInstall.filePath(QStringLiteral("orn.txt")));
    const ProgramRun run = RunProgram(programInstall.path(), {QStringLiteral("--unattended")}, configHome.path(), serverAddress);
    const QStringList printed = WithPlaceholder(run.lines, programInstall.path());

    EXPECT_EQ(run.exitCode, 0) << printed.join(QLatin1Char('\n')).toStdString();
    QStringList printedLog = printed, printedMessages = printed;
    printedLog.removeIf(IsMessageLine);
    printedMessages.removeIf([](const QString &line) { return !IsMessageLine(line); });
    EXPECT_EQ(printedLog, windowLog);
    EXPECT_EQ(printedMessages, windowMessages);
    EXPECT_EQ(printed.value(printed.size() - 1), QStringLiteral("[message] Обновление завершено"));
    EXPECT_EQ(printed.count(QStringLiteral("---")), 3);
    EXPECT_TRUE(printed.contains(QStringLiteral("  Найден скрипт - b.sql")));

    for (const char *file : {"ORN.exe", "Update.exe", "bin/Report.dll"})
        EXPECT_EQ(FileBytes(programInstall.filePath(QString::fromUtf8(file))),
                  FileBytes(release + QLatin1Char('/') + QString::fromUtf8(file)))
            << file;
    EXPECT_EQ(FileBytes(programInstall.filePath(QStringLiteral("Update.bak"))), QByteArray("old updater"));
    EXPECT_EQ(FileBytes(programInstall.filePath(QStringLiteral("logdbupdate.txt"))), QByteArray("b.sql\r\n"));
}

struct ExitCase {
    const char *name;
    QStringList arguments;
    bool ftpIni;
    QByteArray settings;  // Pelmarotex/ORN.conf below XDG_CONFIG_HOME; empty: none
    int exitCode;
    QStringList output;  // %1 stands for the port where no server listens
};

TEST(Unattended, ExitStatusTellsHowTheRunEnded)
{
    uint16_t closedPort = 0;
    {
        QTemporaryDir empty;
        FtpServerFixture ftp(empty.path());
        ASSERT_TRUE(ftp.isRunning());
        closedPort = ftp.port();
    }
    const ExitCase cases[] = {
        {"no server listening, English", {"--unattended"}, true, "[General]\nLangS=Eng\n", 1,
         {"---", "Connecting to the server", "Error connecting to the server",
          "Unable to connect to the server ftp://127.0.0.1:%1/", "[message] Error connecting to the server",
          "[message] Error checking for updates"}},
        {"ftp.ini missing", {"--unattended"}, false, {}, 2, {"[error] The specified file was not found."}},
        {"language setting not text", {"--unattended"}, true, "[General]\nLangS=@ByteArray(\\x1\\x2)\n", 2,
         {"[error] Invalid data type for 'LangS'"}},
        {"version", {"--version"}, false, {}, 0, {"OrnUpdate " ORN_VERSION}},
    };
    for (const ExitCase &c : cases) {
        QTemporaryDir install, configHome;
        QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), install.filePath(QStringLiteral("orn.txt")));
        if (c.ftpIni)
            WriteDatedFile(install.path(), QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
        if (!c.settings.isEmpty())
            WriteDatedFile(configHome.path(), QStringLiteral("Pelmarotex/ORN.conf"), c.settings, kReleaseDay);
        const ProgramRun run = RunProgram(install.path(), c.arguments, configHome.path(),
                                          QStringLiteral("127.0.0.1:%1").arg(closedPort));
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(run.lines, QStringList(c.output).replaceInStrings(QStringLiteral("%1"), QString::number(closedPort)))
            << c.name;
    }
}

}  // namespace
