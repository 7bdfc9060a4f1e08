// The update run against a signed release on a real FTP server: what the publisher signed is
// installed, anything else is refused before it counts.
#include "fixtures/EngineRecorder.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "release/Manifest.h"
#include "release/SequenceRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2024, 5, 10), QTime(10, 0));

// A release of three files and two scripts, published and signed into a server tree (prog/,
// db/), and an installation holding none of it.
class SignedRelease : public ::testing::Test {
protected:
    void SetUp() override
    {
        release = root.filePath(QStringLiteral("release"));
        scripts = root.filePath(QStringLiteral("scripts"));
        server = root.filePath(QStringLiteral("server"));
        WriteDatedFile(release, QStringLiteral("ORN.exe"), "main program", kReleaseDay);
        WriteDatedFile(release, QStringLiteral("bin/Report.dll"), QByteArray(5000, 'r'), kReleaseDay);
        WriteDatedFile(release, QStringLiteral("bin/x64/Engine.dll"), QByteArray(7000, 'e'), kReleaseDay);
        WriteDatedFile(scripts, QStringLiteral("a.sql"), "create table a;", kReleaseDay);
        WriteDatedFile(scripts, QStringLiteral("b.sql"), "create table b;", kReleaseDay);
        key = MakeMinisignKey(root.path(), QStringLiteral("release"));
        other = MakeMinisignKey(root.path(), QStringLiteral("other"));
        install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
    }

    // The archives and scripts are fetched one by one unless pack (then from ornupdate.pack,
    // test_PackUpdate).
    void Publish(const MinisignKeyFiles &signer, bool pack = true)
    {
        QStringList arguments{"--sign", signer.secretKeyFile, "--folder", "/prog/", "--sequence", "100"};
        if (!pack)
            arguments << QStringLiteral("--no-pack");
        ASSERT_TRUE(Ornpack(arguments + QStringList{release, prog()}));
        PublishScripts(signer, "100", pack);
    }

    void PublishScripts(const MinisignKeyFiles &signer, const char *sequence, bool pack = true)
    {
        QStringList arguments{"--scripts", "--sign", signer.secretKeyFile, "--folder", "/db/", "--sequence", sequence};
        if (!pack)
            arguments << QStringLiteral("--no-pack");
        ASSERT_TRUE(Ornpack(arguments + QStringList{scripts, server + QStringLiteral("/db")}));
    }

    // Runs stages 1 to 3 trusting keys, against the server tree as it stands.
    TUpdateEngine::Outcome Run(EngineRecorder &run, const QList<MinisignKeyFiles> &keys)
    {
        FtpServerFixture ftp(server);
        EXPECT_TRUE(ftp.isRunning());
        ftp.useAsUpdateServer();
        QStringList lines;
        for (const MinisignKeyFiles &k : keys)
            lines << k.publicKeyLine;
        run.engine.SetReleaseKeys(ParseTrustedKeys(lines.join(QLatin1Char(';'))).value());
        return run.Run();
    }

    QString prog() const { return server + QStringLiteral("/prog"); }
    QString Archive(const QString &folder, const QString &pattern) const
    {
        return prog() + folder + QDir(prog() + folder).entryList({pattern}, QDir::Files).value(0);
    }
    QByteArray Installed(const QString &relative) const { return FileBytes(install.file(relative)); }
    bool NothingInstalled() const
    {
        return !QFileInfo::exists(install.file(QStringLiteral("ORN.exe")))
               && !QFileInfo::exists(install.file(QStringLiteral("bin")))
               && !QFileInfo::exists(install.file(QStringLiteral("a.sql")));
    }

    QTemporaryDir root;
    QString release, scripts, server;
    MinisignKeyFiles key, other;
    InstallationFixture install;
};

TEST_F(SignedRelease, WhatThePublisherSignedIsInstalledAndItsSequenceRecorded)
{
    WriteDatedFile(release, QStringLiteral("bin/Lang.dll"), QByteArray(3000, 'l'), kReleaseDay);
    Publish(key);
    EngineRecorder run;
    qputenv("ORN_PARALLEL_TRANSFERS", "1");  // one connection: the release's four files come in one run
    EXPECT_EQ(Run(run, {other, key}), TUpdateEngine::Outcome::Completed);  // the second of two keys
    qunsetenv("ORN_PARALLEL_TRANSFERS");
    // The log shows the command that ran: the four archives of three folders unpacked by one
    // process, named once, before the first file it gave is installed.
    const QStringList together = run.log.filter(
        QRegularExpression(QStringLiteral("^    \\S+ e -y -t7z -o\\S+ -an -ai!\\S+ -ai!\\S+ -ai!\\S+ -ai!\\S+$")));
    ASSERT_EQ(together.size(), 1) << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.log.indexOf(together.first()) + 1, run.log.indexOf(QStringLiteral("    ORN.exe установлен")));
    const std::pair<QString, QString> archives[] = {{QStringLiteral("/"), QStringLiteral("*ORN*")},
                                                    {QStringLiteral("/bin/"), QStringLiteral("*Lang*")},
                                                    {QStringLiteral("/bin/"), QStringLiteral("*Report*")},
                                                    {QStringLiteral("/bin/x64/"), QStringLiteral("*Engine*")}};
    for (const auto &[folder, pattern] : archives)
        EXPECT_TRUE(together.first().contains(QStringLiteral("-ai!") + QDir::toNativeSeparators(install.path() + folder)
                                              + QFileInfo(Archive(folder, pattern)).fileName()))
            << together.first().toStdString();
    EXPECT_EQ(together.first(), QDir::toNativeSeparators(together.first())) << "local paths with the system's separators";
    EXPECT_EQ(run.log.filter(QStringLiteral("7z\"   e  -y  -o\"")).size(), 0) << "no archive unpacked alone";
    EXPECT_EQ(Installed(QStringLiteral("ORN.exe")), QByteArray("main program"));
    EXPECT_EQ(Installed(QStringLiteral("bin/x64/Engine.dll")), QByteArray(7000, 'e'));
    EXPECT_EQ(Installed(QStringLiteral("b.sql")), QByteArray("create table b;"));
    EXPECT_EQ(Installed(QStringLiteral("logdbupdate.txt")), QByteArray("a.sql\r\nb.sql\r\n"));
    EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
    const QString record = SequenceRecordPath(install.path() + QLatin1Char('/'));
    EXPECT_EQ(ReadAcceptedSequence(record, QStringLiteral("/prog/")), 100);
    EXPECT_EQ(ReadAcceptedSequence(record, QStringLiteral("/db/")), 100);
}

TEST_F(SignedRelease, AChangedOrLargerArchiveIsRefusedAndTheOthersInstalled)
{
    Publish(key, false);
    WriteDatedFile(install.path(), QStringLiteral("bin/Report.dll"), "old report", kReleaseDay.addDays(-3));
    // One byte changed in one archive, another archive grown beyond its listed size, a script
    // changed, and an archive the manifest does not list.
    const QString report = Archive(QStringLiteral("/bin/"), QStringLiteral("*Report*"));
    QByteArray bytes = FileBytes(report);
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
    WriteDatedFile(prog() + QStringLiteral("/bin"), QFileInfo(report).fileName(), bytes, kReleaseDay);
    const QString engine = Archive(QStringLiteral("/bin/x64/"), QStringLiteral("*Engine*"));
    WriteDatedFile(prog() + QStringLiteral("/bin/x64"), QFileInfo(engine).fileName(), FileBytes(engine) + "tail",
                   kReleaseDay);
    WriteDatedFile(server, QStringLiteral("db/b.sql"), "create table X;", kReleaseDay);
    QFile::copy(Archive(QString(), QStringLiteral("*ORN*")), prog() + QStringLiteral("/6-3-Unasked.exe-12-1417904835.7z"));

    EngineRecorder run;
    EXPECT_EQ(Run(run, {key}), TUpdateEngine::Outcome::Completed);
    EXPECT_EQ(Installed(QStringLiteral("ORN.exe")), QByteArray("main program"));
    EXPECT_EQ(Installed(QStringLiteral("bin/Report.dll")), QByteArray("old report"));
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("bin/x64/Engine.dll"))));
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("Unasked.exe"))));
    EXPECT_EQ(Installed(QStringLiteral("logdbupdate.txt")), QByteArray("a.sql\r\n"));
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("b.sql"))));
    EXPECT_TRUE(run.log.contains(QStringLiteral("Контрольная сумма файла не совпадает с манифестом, файл удален - ")
                                 + QFileInfo(report).fileName()))
        << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.log.contains(QStringLiteral("Файл загружен не полностью - /prog/bin/x64/") + QFileInfo(engine).fileName()))
        << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.log.contains(QStringLiteral("Контрольная сумма файла не совпадает с манифестом, файл удален - b.sql")));
    EXPECT_TRUE(run.log.filter(QStringLiteral("Unasked")).isEmpty());
    EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Download), 1);
    EXPECT_EQ(run.engine.FilesNotInstalled(), 3);
    // Nothing of the refused files is left behind.
    for (const QString &name : QDir(install.file(QStringLiteral("bin"))).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
}

TEST_F(SignedRelease, AFolderWhoseManifestIsRefusedFailsItsStageAndNothingIsFetched)
{
    const QString manifest = prog() + QStringLiteral("/ornupdate.manifest");
    const QString record = SequenceRecordPath(install.path() + QLatin1Char('/'));
    const struct {
        const char *name;
        std::function<void()> prepare;
        const char *refusal;  // the start of the refusal line
    } cases[] = {
        {"no manifest", [&] { QFile::remove(manifest); }, "Нет манифеста обновлений на сервере - /prog/"},
        {"edited after signing",
         [&] {
             QByteArray text = FileBytes(manifest);
             text.replace("sequence 100", "sequence 101");
             WriteDatedFile(prog(), QStringLiteral("ornupdate.manifest"), text, kReleaseDay);
         },
         "Неверная подпись манифеста обновлений - /prog/"},
        {"signed by another key", [&] { Publish(other); }, "Манифест обновлений подписан неизвестным ключом - /prog/"},
        {"an older sequence replayed",
         [&] {
             QString error;
             ASSERT_TRUE(RecordAcceptedSequence(record, QStringLiteral("/prog/"), 150, &error));
         },
         "Манифест обновлений старее уже принятого - /prog/"},
        {"the script folder's manifest, of a later sequence",
         [&] {
             PublishScripts(key, "9000");
             for (const QString &name : {kManifestName, kManifestSignatureName}) {
                 QFile::remove(prog() + QLatin1Char('/') + name);
                 ASSERT_TRUE(QFile::copy(server + QStringLiteral("/db/") + name, prog() + QLatin1Char('/') + name));
             }
         },
         "Манифест обновлений выпущен для другой папки - /prog/"},
        {"expired",
         [&] {
             QByteArray text = FileBytes(manifest);
             text.replace("sequence 100\n", "sequence 100\nexpires 2020-01-01T00:00:00Z\n");
             WriteDatedFile(prog(), QStringLiteral("ornupdate.manifest"), text, kReleaseDay);
             ASSERT_TRUE(MinisignSign(key, manifest, QStringLiteral("sequence:100")));
         },
         "Срок действия манифеста обновлений истек - /prog/"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Publish(key);
        c.prepare();
        EngineRecorder run;
        EXPECT_EQ(Run(run, {key}), TUpdateEngine::Outcome::StageFailed);
        EXPECT_FALSE(run.log.filter(QString::fromUtf8(c.refusal)).isEmpty()) << run.log.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(run.takeBoxes(), QStringList({QStringLiteral("[message] ") + QString::fromUtf8(c.refusal),
                                                QStringLiteral("[message] Ошибка проверки обновлений")}));
        EXPECT_TRUE(NothingInstalled());
        EXPECT_LT(ReadAcceptedSequence(record, QStringLiteral("/prog/")).value_or(0), 9000) << "nothing recorded";
        QFile::remove(record);
    }
}

TEST_F(SignedRelease, AScriptFolderManifestWithASubFolderIsRefused)
{
    // The manifest lists sub/004.sql; a 004.sql it does not list lies beside the scripts.
    WriteDatedFile(server, QStringLiteral("db/sub/004.sql"), "create table listed;", kReleaseDay);
    Publish(key);
    WriteDatedFile(server, QStringLiteral("db/004.sql"), "drop table a;", kReleaseDay);
    EngineRecorder run;
    EXPECT_EQ(Run(run, {key}), TUpdateEngine::Outcome::StageFailed);
    EXPECT_TRUE(run.log.contains(
        QStringLiteral("Манифест папки скриптов перечисляет файлы в подпапках - /db/ (sub/004.sql)")))
        << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Installed(QStringLiteral("ORN.exe")), QByteArray("main program")) << "stages 1 and 2 ran";
    for (const char *unfetched : {"004.sql", "a.sql", "logdbupdate.txt"})
        EXPECT_FALSE(QFileInfo::exists(install.file(QString::fromLatin1(unfetched)))) << unfetched;
    const QString record = SequenceRecordPath(install.path() + QLatin1Char('/'));
    EXPECT_EQ(ReadAcceptedSequence(record, QStringLiteral("/db/")), std::nullopt);
}

}  // namespace
