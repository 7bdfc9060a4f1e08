// The three stages end to end through the engine, without a window: a real FTP server, a
// release published with ornpack, and the real 7z. Closing the window during a run is the
// window's own case.
#include "app/uUpdate.h"
#include "fixtures/EngineRecorder.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/ReleaseFixture.h"
#include "net/PartialDownload.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 5, 10), QTime(10, 0));

// A server tree (prog/ with the published release, db/ with scripts) behind a real FTP server,
// and an installation folder that is the current directory.
class UpdateScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ScenarioFolders folders = MakeScenarioFolders(root.path());
        release = folders.release;
        server = folders.server;
        install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
    }

    void Publish() { ASSERT_TRUE(PublishRelease(release, server + QStringLiteral("/prog"))); }

    void StartServer(const FtpServerOptions &options = {})
    {
        ftp = std::make_unique<FtpServerFixture>(server, options);
        ASSERT_TRUE(ftp->isRunning());
        ftp->useAsUpdateServer();
    }

    void Release(const QString &relative, const QByteArray &bytes, const QDateTime &when = kReleaseDay)
    {
        WriteDatedFile(release, relative, bytes, when);
    }
    void Installed(const QString &relative, const QByteArray &bytes, const QDateTime &when)
    {
        WriteDatedFile(install.path(), relative, bytes, when);
    }
    QByteArray InstalledBytes(const QString &relative) const { return FileBytes(install.file(relative)); }

    // Runs the update in the window with the given stages (1, 2, 3) switched on.
    void Run(TfUpdate &window, std::initializer_list<int> stages = {1, 2, 3})
    {
        const QList<QCheckBox *> boxes{window.cbCheck, window.cbInstallNew, window.cbCheckDB};
        for (int i = 0; i < 3; ++i)
            boxes[i]->setChecked(std::find(stages.begin(), stages.end(), i + 1) != stages.end());
        window.Button1Click();
    }

    int Counter(const EngineRecorder &run, TUpdateEngine::Counter counter) const
    {
        return run.counters.value(counter, -1);
    }

    QTemporaryDir root;
    QString release, server;
    InstallationFixture install;
    std::unique_ptr<FtpServerFixture> ftp;
};

TEST_F(UpdateScenario, FullRunInstallsNewAndChangedFilesAndFetchesScripts)
{
    Release(QStringLiteral("ORN.exe"), "new main program");
    Release(QStringLiteral("bin/Report.dll"), "new report", kReleaseDay.addSecs(6 * 3600));
    Release(QStringLiteral("bin/x64/Engine.dll"), QByteArray(20000, 'e'));
    Release(QStringLiteral("Update.exe"), "new updater");
    Release(QStringLiteral("Docs/same-day.txt"), "new text, same day");
    Publish();
    WriteDatedFile(server, QStringLiteral("db/a.sql"), "create table a;", kReleaseDay);
    WriteDatedFile(server, QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);

    Installed(QStringLiteral("ORN.exe"), "old main program", kReleaseDay.addDays(-1));
    // A later time of day on an earlier day is still older.
    Installed(QStringLiteral("bin/Report.dll"), "old report", kReleaseDay.addDays(-3).addSecs(12 * 3600));
    Installed(QStringLiteral("Update.exe"), "old updater", kReleaseDay.addDays(-2));
    Installed(QStringLiteral("Docs/same-day.txt"), "old text", kReleaseDay.addSecs(-7200));
    Installed(QStringLiteral("local-only.txt"), "mine", kReleaseDay.addDays(-9));
    Installed(QStringLiteral("scripts/B.SQL"), "already here", kReleaseDay.addDays(-9));
    StartServer();

    EngineRecorder run;
    EXPECT_EQ(run.Run(), TUpdateEngine::Outcome::Completed);

    EXPECT_EQ(run.takeBoxes(),
              QStringList({"[message] Найдены скрипты обновления БД. При следующем запуске программы ORN база "
                           "данных программы будет обновлена.",
                           "[message] Обновление завершено"}));
    for (const char *file : {"ORN.exe", "bin/Report.dll", "bin/x64/Engine.dll", "Update.exe"})
        EXPECT_EQ(InstalledBytes(QString::fromUtf8(file)), FileBytes(release + QLatin1Char('/') + QString::fromUtf8(file)))
            << file;
    EXPECT_EQ(InstalledBytes(QStringLiteral("Update.bak")), QByteArray("old updater"));
    EXPECT_EQ(InstalledBytes(QStringLiteral("Docs/same-day.txt")), QByteArray("old text"));
    EXPECT_EQ(InstalledBytes(QStringLiteral("local-only.txt")), QByteArray("mine"));
    EXPECT_EQ(InstalledBytes(QStringLiteral("a.sql")), QByteArray("create table a;"));
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("b.sql"))));
    EXPECT_EQ(InstalledBytes(QStringLiteral("logdbupdate.txt")), QByteArray("a.sql\r\n"));
    EXPECT_EQ(QDir(install.file(QStringLiteral("bin/x64"))).entryList({"*.7z"}).size(), 1);  // archives stay

    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::FindNew), 1);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::FindChange), 3);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Download), 4);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Install), 4);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Scripts), 1);
    EXPECT_EQ(run.lamps.last(), TUpdateEngine::Lamp::Busy);
    EXPECT_EQ(run.noticesOpen, 0);
    EXPECT_GT(run.progressReports, 0);  // the downloads reported their progress

    const QStringList log = run.log;
    const QString softdir = QDir::toNativeSeparators(install.path() + QLatin1Char('/'));
    const QStringList stage1Start{"---", "Подключение к серверу", "Сервер подключен", "FTP сервер просканирован",
                                  "FTP файлы обработанны", softdir, "Локальная папка программы просканирована",
                                  "Проверка необходимости обновлений"};
    EXPECT_EQ(log.mid(0, stage1Start.size()), stage1Start);
    EXPECT_TRUE(log.contains(QStringLiteral("    Engine.dll - новый")));
    // Dates with the separator of the user's short date format ("dd.MM.yyyy" in Russian), "/"
    // where it has none ("d MMM yyyy" in the C locale).
    const QString shortFormat = QLocale().dateFormat(QLocale::ShortFormat);
    const qsizetype punctuation = shortFormat.indexOf(QRegularExpression(QStringLiteral("[^\\w\\s]")));
    const QString dateSeparator = punctuation < 0 ? QStringLiteral("/") : shortFormat.mid(punctuation, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("    Report.dll - обновленный  old-07/05/2024 22.00  new-10/05/2024 16.00")
                                 .replace(QLatin1Char('/'), dateSeparator)))
        << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Всего новых файлов: 1")));
    EXPECT_TRUE(log.contains(QStringLiteral("Всего обновленных файлов: 3")));
    EXPECT_TRUE(log.contains(QStringLiteral("    Update.exe установлен")));
    EXPECT_TRUE(log.contains(QStringLiteral("  Найден скрипт - a.sql")));
    EXPECT_EQ(log.count(QStringLiteral("---")), 3);
    EXPECT_EQ(log.count(QStringLiteral("Сервер отключен")), 3);
    EXPECT_EQ(log.last(), QStringLiteral("Сервер отключен"));
    const QString engineArchive = QDir(install.file(QStringLiteral("bin/x64"))).entryList({"*.7z"}).value(0);
    const QString folder = softdir + QDir::toNativeSeparators(QStringLiteral("bin/x64/"));
    EXPECT_TRUE(log.contains(QStringLiteral("    \"") + softdir + QStringLiteral("7z\"   e  -y  -o\"") + folder
                             + QStringLiteral("\"  \"") + folder + engineArchive + QLatin1Char('"')))
        << log.join(QLatin1Char('\n')).toStdString();

    // A second run finds everything up to date; the script list still holds a.sql.
    run.Run();
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::FindNew), 0);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::FindChange), 0);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Scripts), 0);
    EXPECT_EQ(InstalledBytes(QStringLiteral("logdbupdate.txt")), QByteArray("a.sql\r\n"));
    EXPECT_EQ(run.takeBoxes().size(), 2);
}

TEST_F(UpdateScenario, NoServerListeningFailsTheFirstStageOnly)
{
    StartServer();
    const uint16_t closedPort = ftp->port();
    ftp.reset();
    qputenv("ORN_FTP_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(closedPort));
    EngineRecorder run;
    const TUpdateEngine::Outcome outcome = run.Run();
    qunsetenv("ORN_FTP_SERVER");
    EXPECT_EQ(run.takeBoxes(),
              QStringList({"[message] Ошибка подключения к серверу", "[message] Ошибка проверки обновлений"}));
    EXPECT_EQ(run.log,
              QStringList({"---", "Подключение к серверу", "Ошибка подключения к серверу",
                           QStringLiteral("Невозможно подключиться к серверу ftp://127.0.0.1:%1/").arg(closedPort)}));
    EXPECT_EQ(run.lamps.last(), TUpdateEngine::Lamp::Done);
    EXPECT_EQ(outcome, TUpdateEngine::Outcome::StageFailed);
}

TEST_F(UpdateScenario, ServerFolderThatCannotBeListedEndsTheRun)
{
    struct Case {
        const char *netdir;
        const char *message;
    } cases[] = {
        {"/missing/", "[message] Ошибка поиска каталога на FTP сервере"},
        {"/prog/", "[message] Ошибка чтения содержимого каталога на FTP сервере"},  // empty folder
    };
    StartServer();
    for (const Case &c : cases) {
        install.writeFtpIni(QString::fromUtf8(c.netdir), QStringLiteral("/db/"));
        EngineRecorder run;
        run.Run();
        EXPECT_EQ(run.takeBoxes(),
                  QStringList({QString::fromUtf8(c.message), "[message] Ошибка проверки обновлений"}))
            << c.netdir;
        EXPECT_EQ(run.log.last(), QStringLiteral("Сервер отключен")) << c.netdir;
        EXPECT_TRUE(run.engine.MyDataFind.isEmpty());
    }
}

TEST_F(UpdateScenario, BadArchivesAreReportedAndTheRestIsInstalled)
{
    Release(QStringLiteral("good.txt"), "good");
    Release(QStringLiteral("Update.exe"), "new updater");
    Release(QStringLiteral("held.txt"), "held");
    // The updater's own files, as a release copied from an installation would carry them.
    const QStringList ownFiles = {QStringLiteral("ftp.ini"), QStringLiteral("logdbupdate.txt"),
                                  QStringLiteral("ornupdate.sequences")};
    for (const QString &name : ownFiles)
        Release(QStringLiteral("own/") + name, "/elsewhere/\r\n/elsewhere/\r\n", QDateTime::currentDateTime().addDays(2));
    Publish();
    const QDir prog(server + QStringLiteral("/prog"));
    for (const QString &archive : QDir(prog.filePath(QStringLiteral("own"))).entryList(QDir::Files))
        QFile::rename(prog.filePath(QStringLiteral("own/") + archive), prog.filePath(archive));
    // A server without a manifest: its tree is listed, and whatever lies there is looked at.
    QFile::remove(prog.filePath(QStringLiteral("ornupdate.manifest")));
    const QByteArray ftpIni = InstalledBytes(QStringLiteral("ftp.ini"));
    // A folder stands where held.txt's download would be written.
    const QString heldArchive = prog.entryList({"*held*"}).value(0);
    const QString heldPartial = PartialFileName(heldArchive, uint64_t(QFileInfo(prog.filePath(heldArchive)).size()));
    QDir(install.path()).mkpath(heldPartial);
    const QString updateArchive = prog.entryList({"*Update.exe*"}).value(0);
    // The updater's archive is damaged, one name does not follow the scheme, and one cannot
    // name a file of its folder (it never enters the listing).
    WriteDatedFile(prog.path(), updateArchive, "not a 7-Zip archive", kReleaseDay);
    WriteDatedFile(prog.path(), QStringLiteral("junk.7z"), "x", kReleaseDay);
    WriteDatedFile(prog.path(), QStringLiteral("6-3-..\\evil.exe-4-1417904835.7z"), "x", kReleaseDay);
    Installed(QStringLiteral("Update.exe"), "old updater", kReleaseDay.addDays(-2));
    StartServer();

    EngineRecorder run;
    run.Run({1, 2});
    const QStringList log = run.log;
    const QString softdir = QDir::toNativeSeparators(install.path() + QLatin1Char('/'));
    EXPECT_EQ(InstalledBytes(QStringLiteral("good.txt")), QByteArray("good"));
    EXPECT_EQ(InstalledBytes(QStringLiteral("Update.exe")), QByteArray("old updater"));  // never moved aside
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("Update.bak"))));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("evil.exe"))));
    EXPECT_TRUE(log.contains(QStringLiteral("    Имя архива не по схеме, пропущено - /prog/junk.7z")))
        << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("evil")).isEmpty());
    EXPECT_TRUE(log.filter(QStringLiteral("Ошибка распаковки архива - ") + softdir + updateArchive).size() == 1);
    EXPECT_FALSE(QFileInfo::exists(install.file(updateArchive))) << "the archive of a failed install goes";
    EXPECT_EQ(QDir(install.path()).entryList({"*good*.7z"}).size(), 1) << "that of an installed file stays";
    EXPECT_TRUE(log.filter(QStringLiteral("Восстановлен")).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Не открывается локальный файл - ") + softdir + heldPartial))
        << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(log.filter(QStringLiteral("    Собственный файл программы обновления, пропущено - /prog/")).size(), 3)
        << log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(InstalledBytes(QStringLiteral("ftp.ini")), ftpIni);
    for (const QString &name : ownFiles.mid(1))
        EXPECT_FALSE(QFileInfo::exists(install.file(name))) << name.toStdString();
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Download), 2);
    EXPECT_EQ(Counter(run, TUpdateEngine::Counter::Install), 1);
    EXPECT_EQ(run.engine.FilesNotInstalled(), 2);
    EXPECT_EQ(run.takeBoxes(), QStringList({"[message] Обновление завершено"}));
}

TEST_F(UpdateScenario, AnUnreadableScriptListIsNeverReplaced)
{
    WriteDatedFile(server, QStringLiteral("db/a.sql"), "create table a;", kReleaseDay);
    QDir().mkpath(install.file(QStringLiteral("logdbupdate.txt")));  // a folder cannot be read as the list
    StartServer();
    EngineRecorder run;
    run.Run({3});
    EXPECT_TRUE(QFileInfo(install.file(QStringLiteral("logdbupdate.txt"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("a.sql"))));
    EXPECT_TRUE(run.log.contains(QStringLiteral("Не читается список скриптов - ")
                                 + QDir::toNativeSeparators(install.file(QStringLiteral("logdbupdate.txt")))));
    EXPECT_EQ(run.takeBoxes(), QStringList({"[message] Ошибка проверки обновлений"})) << "the stage failed";
}

TEST_F(UpdateScenario, ClosingTheWindowDuringADownloadStopsTheRunCleanly)
{
    QByteArray big(4 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
    Release(QStringLiteral("big.bin"), big);  // random bytes: the archive stays as large
    Publish();
    Installed(QStringLiteral("big.bin"), "old", kReleaseDay.addDays(-1));
    FtpServerOptions stalling;
    stalling.endAfterBytes = 64 * 1024;
    stalling.ending = FtpServerOptions::Ending::Stall;
    StartServer(stalling);

    TfUpdate window;
    window.show();
    int ignoredPresses = 0;
    QTimer::singleShot(1500, &window, [&] {
        window.Button1Click();  // a second press during the run is ignored
        ignoredPresses += window.RunInProgress() ? 1 : 0;
        window.close();
    });
    Run(window, {1, 2});
    EXPECT_EQ(ignoredPresses, 1);
    EXPECT_EQ(window.LastRunOutcome(), TfUpdate::RunOutcome::Stopped);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(install.takeMessages().isEmpty());
    EXPECT_EQ(InstalledBytes(QStringLiteral("big.bin")), QByteArray("old"));
    const QStringList leftovers = QDir(install.path()).entryList(QDir::Files);
    EXPECT_EQ(leftovers, QStringList({"big.bin", "ftp.ini", "orn.txt"}));
    EXPECT_EQ(LogLines(window).last(), QStringLiteral("Сервер отключен"));
}

}  // namespace
