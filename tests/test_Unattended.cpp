// OrnUpdate --unattended as a program: what it prints and its exit status, against a real FTP
// server and a release published with ornpack.
#include "app/uUpdate.h"
#include "fixtures/FolderInLog.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/ProgramRun.h"
#include "fixtures/ReleaseFixture.h"
#include "fixtures/TestSystem.h"
#include "platform/RunLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 6, 3), QTime(9, 30));

// An installation of an older release in folder: two programs dated earlier, one of the two
// scripts already there, Report.dll missing; ftp.ini names /prog/ and /db/.
void PrepareOlderInstallation(const QString &folder)
{
    WriteDatedFile(folder, QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
    WriteDatedFile(folder, QStringLiteral("ORN.exe"), "old main program", kReleaseDay.addDays(-4));
    WriteDatedFile(folder, QStringLiteral("Update.exe"), "old updater", kReleaseDay.addDays(-4));
    WriteDatedFile(folder, QStringLiteral("a.sql"), "create table a;", kReleaseDay);
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
    const QStringList windowLog = WithFolderSetAside(LogLines(window), windowInstall.path(), QStringLiteral("<install>"));
    const QStringList windowMessages = windowInstall.takeMessages();

    // ...and the program's over another copy.
    QTemporaryDir programInstall, configHome;
    PrepareOlderInstallation(programInstall.path());
    QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), programInstall.filePath(QStringLiteral("orn.txt")));
    // No display and no usable platform plugin: the unattended mode creates no widget.
    QProcessEnvironment noDisplay;
    noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const ProgramRun run =
        RunProgram(programInstall.path(), {QStringLiteral("--unattended")}, configHome.path(), serverAddress, noDisplay);
    const QStringList printed = WithFolderSetAside(run.lines, programInstall.path(), QStringLiteral("<install>"));

    EXPECT_EQ(run.exitCode, 0) << printed.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.errors, QString());  // not a terminal: no progress line, and nothing from Qt
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
    QVariant language;  // the LangS setting stored for the run; invalid: none
    int exitCode;
    QStringList output;  // %1 stands for the port where no server listens
    QByteArray environment = {};  // "NAME=value" set for the run; empty: nothing more
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
        {"no server listening, English", {"--unattended"}, true, QStringLiteral("Eng"), 1,
         {"---", "Connecting to the server", "Error connecting to the server",
          "Unable to connect to the server ftp://127.0.0.1:%1/", "[message] Error connecting to the server",
          "[message] Error checking for updates"}},
        {"ftp.ini missing", {"--unattended"}, false, {}, 2, {"[error] The specified file was not found."}},
        {"language setting not text", {"--unattended"}, true, QByteArray("\x01\x02", 2), 2,
         {"[error] Invalid data type for 'LangS'"}},
        {"version", {"--version"}, false, {}, 0, {"OrnUpdate " ORN_VERSION}},
        {"stage 2 without the work list of stage 1", {"--unattended", "--stages=2,3"}, true, {}, 1,
         {"[message] Установка обновлений требует проверки обновлений"}},
        {"parallel transfers out of range", {"--unattended"}, true, {}, 2,
         {"[error] Неверное значение переменной окружения ORN_PARALLEL_TRANSFERS=0."}, "ORN_PARALLEL_TRANSFERS=0"},
        {"parallel transfers not a number", {"--check"}, true, {}, 2, {}, "ORN_PARALLEL_TRANSFERS=four"},
        {"a server that is none of the forms", {"--unattended"}, true, {}, 2,
         {"[error] Неверное значение переменной окружения ORN_FTP_SERVER=127.0.0.1:99999."},
         "ORN_FTP_SERVER=127.0.0.1:99999"},
    };
    for (const ExitCase &c : cases) {
        const InstallationFixture install;  // with orn.txt, and settings of its own
        if (c.ftpIni)
            WriteDatedFile(install.path(), QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
        if (c.language.isValid())
            install.setSetting(QStringLiteral("LangS"), c.language);
        QProcessEnvironment environment;
        if (!c.environment.isEmpty())
            environment.insert(QString::fromLatin1(c.environment.split('=').first()),
                               QString::fromLatin1(c.environment.mid(c.environment.indexOf('=') + 1)));
        const ProgramRun run = RunProgram(install.path(), c.arguments, install.configHome(),
                                          QStringLiteral("127.0.0.1:%1").arg(closedPort), environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(run.lines, QStringList(c.output).replaceInStrings(QStringLiteral("%1"), QString::number(closedPort)))
            << c.name;
    }
}

// A release with one archive damaged on the server, and an older installation.
struct DamagedRelease {
    DamagedRelease()
    {
        WriteDatedFile(root.filePath(QStringLiteral("release")), QStringLiteral("ORN.exe"), "new main program", kReleaseDay);
        WriteDatedFile(root.filePath(QStringLiteral("release")), QStringLiteral("bin/Report.dll"), QByteArray(9000, 'r'),
                       kReleaseDay);
        const QString prog = root.filePath(QStringLiteral("server/prog"));
        PublishRelease(root.filePath(QStringLiteral("release")), prog);
        const QString archive = QDir(prog).entryList({QStringLiteral("*ORN*")}).value(0);
        WriteDatedFile(prog, archive, "not a 7-Zip archive", kReleaseDay);
        QDir().mkpath(root.filePath(QStringLiteral("server/db")));
        PrepareOlderInstallation(install.path());
        QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), install.filePath(QStringLiteral("orn.txt")));
    }
    QTemporaryDir root, install, configHome;
};

TEST(Unattended, ExitsWithOneWhenAFileOfTheWorkListWasNotInstalled)
{
    DamagedRelease setup;
    FtpServerFixture ftp(setup.root.filePath(QStringLiteral("server")));
    ASSERT_TRUE(ftp.isRunning());
    const ProgramRun run = RunProgram(setup.install.path(), {QStringLiteral("--unattended")}, setup.configHome.path(),
                                      QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    EXPECT_EQ(run.exitCode, 1) << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.lines.value(run.lines.size() - 1), QStringLiteral("[message] Обновление завершено"));
    EXPECT_EQ(FileBytes(setup.install.filePath(QStringLiteral("bin/Report.dll"))), QByteArray(9000, 'r'));
    EXPECT_EQ(FileBytes(setup.install.filePath(QStringLiteral("ORN.exe"))), QByteArray("old main program"));
}

TEST(Unattended, AScriptListThatCannotBeReadFailsTheRun)
{
    const struct {
        const char *name;
        QByteArray bytes;  // the list's bytes; empty: a folder in its place
    } cases[] = {
        {"a folder", QByteArray()},
        {"invalid UTF-8 after its mark", QByteArray("\xEF\xBB\xBF" "a.sql\r\n\xFF\xFE\xFD\r\n")},
        {"UTF-16 of an odd length", QByteArray("\xFF\xFE" "a\0.", 5)},
    };
    QTemporaryDir server;
    WriteDatedFile(server.path(), QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);
    FtpServerFixture ftp(server.path());
    ASSERT_TRUE(ftp.isRunning());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir install, configHome;
        PrepareOlderInstallation(install.path());
        const QString list = install.filePath(QStringLiteral("logdbupdate.txt"));
        if (c.bytes.isEmpty())
            QDir().mkpath(list);
        else
            WriteDatedFile(install.path(), QStringLiteral("logdbupdate.txt"), c.bytes, kReleaseDay);
        const QByteArray before = FileBytes(list);
        const ProgramRun run = RunProgram(install.path(), {QStringLiteral("--unattended"), QStringLiteral("--stages=3")},
                                          configHome.path(), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
        EXPECT_EQ(run.exitCode, 1) << run.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(run.lines.contains(QStringLiteral("Не читается список скриптов - ") + QDir::toNativeSeparators(list)))
            << run.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(QFileInfo::exists(install.filePath(QStringLiteral("b.sql"))));
        EXPECT_EQ(FileBytes(list), before) << "never overwritten";
    }
}

TEST(Unattended, AGrantedFolderThatIsALinkIsLeftAloneAndSaysSo)
{
    if (kWindowsSystem)
        GTEST_SKIP() << kNoSymbolicLinks;
    QTemporaryDir server, install, configHome, outside;
    WriteDatedFile(server.path(), QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);
    FtpServerFixture ftp(server.path());
    ASSERT_TRUE(ftp.isRunning());
    PrepareOlderInstallation(install.path());
    const QString video = install.filePath(QStringLiteral("Video"));
    ASSERT_TRUE(QFile::link(outside.path(), video));
    const ProgramRun run = RunProgram(install.path(), {QStringLiteral("--unattended"), QStringLiteral("--stages=3")},
                                      configHome.path(), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    EXPECT_EQ(run.exitCode, 0) << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.lines.value(0), QStringLiteral("Права на папку не выданы: папка является ссылкой - ") + video)
        << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(QFileInfo::exists(install.filePath(QStringLiteral("b.sql"))));
}

TEST(Unattended, StagesOptionPicksTheStages)
{
    DamagedRelease setup;
    FtpServerFixture ftp(setup.root.filePath(QStringLiteral("server")));
    ASSERT_TRUE(ftp.isRunning());
    const ProgramRun run = RunProgram(setup.install.path(), {QStringLiteral("--unattended"), QStringLiteral("--stages=1,3")},
                                      setup.configHome.path(), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    EXPECT_EQ(run.exitCode, 0) << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.lines.count(QStringLiteral("Подключение к серверу")), 2);  // stages 1 and 3 connect
    EXPECT_TRUE(run.lines.contains(QStringLiteral("    Report.dll - новый")));
    EXPECT_TRUE(run.lines.filter(QStringLiteral("Загрузка обновлений")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(setup.install.filePath(QStringLiteral("bin/Report.dll"))));
}

TEST(Unattended, ATerminalShowsTheDownloadProgress)
{
    if (kWindowsSystem)
        GTEST_SKIP() << "script(1), which gives the program a pseudo-terminal, is a POSIX tool";
    DamagedRelease setup;
    FtpServerFixture ftp(setup.root.filePath(QStringLiteral("server")));
    ASSERT_TRUE(ftp.isRunning());
    // script(1) gives the program a terminal as standard output and standard error.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), setup.configHome.path());
    environment.insert(QStringLiteral("ORN_FTP_SERVER"), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    QProcess script;
    script.setProcessEnvironment(environment);
    script.setWorkingDirectory(setup.install.path());
    script.start(QStringLiteral("script"), {QStringLiteral("-qec"), QStringLiteral(ORN_BUILD_DIR "/OrnUpdate --unattended --stages=1,2"),
                                           QStringLiteral("/dev/null")});
    ASSERT_TRUE(script.waitForFinished(60000));
    const QString output = QString::fromUtf8(script.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QRegularExpression(QStringLiteral("\r\\x1b\\[K[^\r\n]*Report\\.dll[^\r\n]*  100 %  "))))
        << output.toStdString();
}

TEST(Unattended, WrongArgumentsAreRefused)
{
    const QStringList cases[] = {{"--stages="}, {"--stages=4"}, {"--check", "--unattended"}, {"--frobnicate"}};
    QTemporaryDir install, configHome;
    for (const QStringList &arguments : cases) {
        const ProgramRun run = RunProgram(install.path(), arguments, configHome.path(), QStringLiteral("127.0.0.1:1"));
        EXPECT_EQ(run.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("OrnUpdate: "))) << run.errors.toStdString();
    }
}

TEST(Unattended, ASecondRunOnTheSameFolderSaysSoAndTouchesNothing)
{
    DamagedRelease setup;
    FtpServerFixture ftp(setup.root.filePath(QStringLiteral("server")));
    ASSERT_TRUE(ftp.isRunning());
    const TRunLock firstRun(setup.install.path() + QLatin1Char('/'));
    ASSERT_EQ(firstRun.State(), TRunLockState::Held);
    const ProgramRun run = RunProgram(setup.install.path(), {QStringLiteral("--unattended")}, setup.configHome.path(),
                                      QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.lines, QStringList({"[message] Обновление этой папки уже выполняется"}));
    EXPECT_EQ(FileBytes(setup.install.filePath(QStringLiteral("ORN.exe"))), QByteArray("old main program"));
    EXPECT_FALSE(QFileInfo::exists(setup.install.filePath(QStringLiteral("bin"))));
}

}  // namespace
