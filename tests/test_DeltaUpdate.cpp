// Stage 2 with published patches, against the real FTP server and the real 7z: a file whose
// installed version is a patch's base is patched into place byte for byte; any other installed
// version, and a patch that does not give the listed file, gets the full archive in the same run.
#include "fixtures/EngineRecorder.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/InstallationFixture.h"
#include "fixtures/MinisignTool.h"
#include "fixtures/PatchData.h"
#include "fixtures/ReleaseFixture.h"
#include "release/FileHash.h"
#include "release/PatchCodec.h"
#include "release/PatchList.h"
#include "release/ReleasePack.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kReleaseDay(QDate(2025, 3, 1), QTime(9, 0));
const QDateTime kInstalledDay = kReleaseDay.addDays(-5);

// Three releases of bin/Report.dll (v0, v1, v2, each a few blocks changed from the one before)
// and of ORN.exe; v2 is published with patches, and the installation holds v1 unless a test
// puts another version there.
class DeltaUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = MakeMinisignKey(root.path(), QStringLiteral("release"));
        report[0] = RandomBytes(300000, 1);
        report[1] = ChangedBlocks(report[0], 2);
        report[2] = ChangedBlocks(report[1], 3);
        for (int v = 0; v < 3; ++v) {
            WriteDatedFile(Release(v), QStringLiteral("bin/Report.dll"), report[v], kReleaseDay);
            // Nothing shared between versions: a patch of ORN.exe would not pay, it is never written.
            WriteDatedFile(Release(v), QStringLiteral("ORN.exe"), RandomBytes(5000, 10 + v), kReleaseDay);
        }
        install.writeFtpIni(QStringLiteral("/prog/"), QStringLiteral("/db/"));
        Install(report[1]);
    }

    QString Release(int v) const { return root.filePath(QStringLiteral("v%1").arg(v)); }
    QString Prog() const { return root.filePath(QStringLiteral("server/prog")); }
    QString ListPath() const { return Prog() + QLatin1Char('/') + kPatchListName; }
    // Installs bytes as bin/Report.dll, and v1's ORN.exe.
    void Install(const QByteArray &bytes)
    {
        WriteDatedFile(install.path(), QStringLiteral("bin/Report.dll"), bytes, kInstalledDay);
        WriteDatedFile(install.path(), QStringLiteral("ORN.exe"), RandomBytes(5000, 11), kInstalledDay);
    }

    void Publish(const QList<int> &previous)
    {
        QStringList arguments = {QStringLiteral("--sign"), key.secretKeyFile, QStringLiteral("--folder"),
                                 QStringLiteral("/prog/"), QStringLiteral("--sequence"), QStringLiteral("100")};
        for (const int v : previous)
            arguments << QStringLiteral("--previous") << Release(v);
        ASSERT_TRUE(Ornpack(arguments << Release(2) << Prog()));
    }

    TPatchList List() const { return ReadPatchList(FileBytes(ListPath())).List.value(); }

    // Puts bytes on the server as the patch of Report.dll and lists them, signed again.
    void ReplacePatch(const QByteArray &bytes)
    {
        TPatchList list = List();
        TPatchEntry &entry = list.Entries.first();
        WriteDatedFile(Prog(), entry.Patch.Path, bytes, kReleaseDay);
        entry.Patch.Size = bytes.size();
        entry.Patch.Sha256 = BytesSha256(bytes);
        WriteDatedFile(Prog(), kPatchListName, WritePatchList(list), kReleaseDay);
        ASSERT_TRUE(MinisignSign(key, ListPath(), QStringLiteral("file:ornupdate.patches")));
    }

    // Where the patches begin in the pack: after the archives the manifest lists.
    qint64 PatchesInPack() const
    {
        const TManifestRead read = ReadManifest(FileBytes(Prog() + QStringLiteral("/ornupdate.manifest")));
        qint64 end = 0;
        for (const TManifestEntry &entry : read.Manifest.value().Entries)
            end += entry.Size;
        return end;
    }

    // Flips a byte in the middle of Report.dll's patch on the server after signing: in the pack,
    // in the patch's own file, or in both.
    void SpoilPatch(bool inPack, bool alone)
    {
        const QString path = Prog() + QLatin1Char('/') + List().Entries.first().Patch.Path;
        const qint64 middle = List().Entries.first().Patch.Size / 2;
        const auto flip = [](const QString &file, qint64 at) {
            QByteArray bytes = FileBytes(file);
            bytes[at] = char(bytes.at(at) ^ 1);
            WriteDatedFile(QFileInfo(file).path(), QFileInfo(file).fileName(), bytes, kReleaseDay);
        };
        if (inPack)
            flip(Prog() + QLatin1Char('/') + kPackName, PatchesInPack() + middle);
        if (alone)
            flip(path, middle);
    }

    // Stages 1 and 2 trusting the key (or no key at all); the server's REST and RETR commands
    // are kept in transfers, its whole log in serverLog.
    TUpdateEngine::Outcome Run(EngineRecorder &run, bool keyed = true)
    {
        FtpServerOptions options;
        options.logCommands = true;
        FtpServerFixture ftp(root.filePath(QStringLiteral("server")), options);
        EXPECT_TRUE(ftp.isRunning());
        ftp.useAsUpdateServer();
        run.engine.SetReleaseKeys(keyed ? ParseTrustedKeys(key.publicKeyLine).value() : QVector<TMinisignPublicKey>{});
        const TUpdateEngine::Outcome outcome = run.Run({1, 2});
        transfers = ftp.commands(QStringLiteral("(?:REST|RETR)"));
        serverLog = ftp.log();
        return outcome;
    }

    // Publishes v2 with patches from previous, lets prepare change the server, installs installed as
    // bin/Report.dll and runs stages 1 and 2 (keyed: trusting the key). The run must complete with
    // v2's file in place; returns its log.
    std::string Update(EngineRecorder &run, const QList<int> &previous, const QByteArray &installed,
                       const std::function<void()> &prepare = [] {}, bool keyed = true)
    {
        Publish(previous);
        prepare();
        Install(installed);
        EXPECT_EQ(Run(run, keyed), TUpdateEngine::Outcome::Completed);
        const std::string log = run.log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(FileBytes(install.file(QStringLiteral("bin/Report.dll"))) == report[2]) << log;
        return log;
    }

    QStringList PatchLines(const EngineRecorder &run) const { return run.log.filter(QStringLiteral("справлени")); }
    // How many archives the run's 7-Zip commands named, unpacked alone or together.
    static int ArchivesUnpacked(const EngineRecorder &run)
    {
        int archives = 0;
        for (const QString &command : run.log.filter(QRegularExpression(QStringLiteral("^    \\S*7z\\S*\"? +e "))))
            archives += int(command.count(QRegularExpression(QStringLiteral("\\.7z\"?( |$)"))));
        return archives;
    }
    // What is left in the installation's bin/ besides Report.dll and its archive.
    QStringList Leftovers() const
    {
        QStringList names = QDir(install.file(QStringLiteral("bin")))
                                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("Report.dll"));
        return names.filter(QRegularExpression(QStringLiteral("^(?!6-3-Report\\.dll-300000-\\d+\\.7z$)")));
    }

    QTemporaryDir root;
    QStringList transfers;
    QString serverLog;  // of the last run: every command, for the failures that depend on timing
    MinisignKeyFiles key;
    QByteArray report[3];
    InstallationFixture install;
};

TEST_F(DeltaUpdate, APatchInstallsTheFileByteForByteWithTheLinesOfAnArchive)
{
    EngineRecorder run;
    const std::string log = Update(run, {1, 0}, report[1]);
    EXPECT_EQ(FileBytes(install.file(QStringLiteral("ORN.exe"))), RandomBytes(5000, 12));
    const TPatchEntry patch = List().Entries.first();
    ASSERT_EQ(PatchLines(run), QStringList({QStringLiteral("    Загружено исправление вместо архива - /prog/bin/")
                                            + PatchNameOf(patch) + QStringLiteral(" (%1 байт)").arg(patch.Patch.Size)}))
        << log;
    EXPECT_LT(patch.Patch.Size * 20, report[2].size());
    // The same lines and counters as for an archive: downloaded, installed, both files counted.
    const qsizetype at = run.log.indexOf(PatchLines(run).first());
    ASSERT_GE(at, 0);
    EXPECT_TRUE(run.log.at(at + 1).startsWith(QStringLiteral("    6-3-Report.dll-300000-"))) << log;
    EXPECT_TRUE(run.log.at(at + 1).endsWith(QStringLiteral(" - загружен"))) << log;
    EXPECT_TRUE(run.log.contains(QStringLiteral("    Report.dll установлен"))) << log;
    EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Download), 2);
    EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 2);
    EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
    // Neither the patch nor a staging folder stays, and no archive was fetched for the file.
    const QStringList bin = QDir(install.file(QStringLiteral("bin")))
                                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    EXPECT_EQ(bin, QStringList({QStringLiteral("Report.dll")}));
}

TEST_F(DeltaUpdate, ThePatchComesFromAPackRangeAndFromItsOwnFileWhenThePacksCopyIsWrong)
{
    // Three more patched files, so that the patches make a range worth asking for (lib/ is
    // packed after bin/, so Report.dll's patch comes first).
    const QStringList extras{QStringLiteral("lib/Extra1.dll"), QStringLiteral("lib/Extra2.dll"),
                             QStringLiteral("lib/Extra3.dll")};
    QByteArrayList installedExtras;
    for (int e = 0; e < extras.size(); ++e) {
        QByteArray version = RandomBytes(50000, quint32(20 + e));
        for (int v = 0; v < 3; ++v) {
            version = ChangedBlocks(version, quint32(30 + 3 * e + v));
            WriteDatedFile(Release(v), extras.at(e), version, kReleaseDay);
            if (v == 1)
                installedExtras << version;
        }
    }
    const struct {
        const char *name;
        bool packSpoiled;
    } cases[] = {{"the pack's copy is sound", false}, {"the pack's copy is wrong", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EngineRecorder run;
        const std::string log = Update(run, {1}, report[1], [&] {
            SpoilPatch(c.packSpoiled, false);
            for (int e = 0; e < extras.size(); ++e)
                WriteDatedFile(install.path(), extras.at(e), installedExtras.at(e), kInstalledDay);
        });
        const TPatchEntry patch = List().Entries.first();
        ASSERT_TRUE(patch.ArchivePath.contains(QStringLiteral("Report.dll"))) << patch.ArchivePath.toStdString();
        EXPECT_EQ(PatchLines(run).size(), 1 + extras.size()) << log;
        EXPECT_TRUE(PatchLines(run).contains(QStringLiteral("    Загружено исправление вместо архива - /prog/bin/")
                                             + PatchNameOf(patch) + QStringLiteral(" (%1 байт)").arg(patch.Patch.Size)))
            << log;
        EXPECT_TRUE(transfers.contains(QStringLiteral("REST %1").arg(PatchesInPack())))
            << transfers.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(transfers.contains(QStringLiteral("RETR ") + kPackName));
        EXPECT_EQ(transfers.contains(QStringLiteral("RETR ") + PatchNameOf(patch)), c.packSpoiled)
            << transfers.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(transfers.filter(QStringLiteral(".dll")).filter(QStringLiteral(".7z")).isEmpty())
            << "no archive of a patched file fetched";
        const QStringList rangeLines = run.log.filter(QStringLiteral("Пакет отдал не все файлы"));
        ASSERT_EQ(rangeLines.size(), c.packSpoiled ? 1 : 0) << log;
        if (c.packSpoiled)
            EXPECT_TRUE(rangeLines.first().endsWith(PatchNameOf(patch) + QStringLiteral(" did not match its SHA-256)"))) << log;
        EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 2 + extras.size());
        EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
        EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(QLatin1Char(' ')).toStdString();
        for (const QString &extra : extras)
            EXPECT_EQ(FileBytes(install.file(extra)), FileBytes(Release(2) + QLatin1Char('/') + extra));
    }
}

TEST_F(DeltaUpdate, AnInstalledFileThatIsNoPatchsBaseGetsTheArchive)
{
    const struct {
        const char *name;
        QList<int> previous;
        QByteArray installed;
    } cases[] = {
        {"changed locally", {1}, ChangedBlocks(report[1], 77)},
        {"two releases behind, a patch from the last one only", {1}, report[0]},
        {"a patch of another size", {1}, report[1] + "x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EngineRecorder run;
        Update(run, c.previous, c.installed);
        EXPECT_TRUE(PatchLines(run).isEmpty()) << PatchLines(run).join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(ArchivesUnpacked(run), 2);
        EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 2);
    }
}

TEST_F(DeltaUpdate, APatchThatDoesNotGiveTheListedFileFallsBackToTheArchive)
{
    Publish({1});
    const QByteArray patch = FileBytes(Prog() + QLatin1Char('/') + List().Entries.first().Patch.Path);
    const struct {
        const char *name;
        std::function<void()> prepare;
        QString reason;  // what the log line of the failed patch ends in
    } cases[] = {
        {"another result", [&] { ReplacePatch(MakePatch(report[1], ChangedBlocks(report[2], 9)).value()); },
         QStringLiteral("(the result is not the listed file)")},
        {"a result larger than listed", [&] { ReplacePatch(MakePatch(report[1], report[2] + "tail").value()); },
         QStringLiteral("(the result grows past its listed size)")},
        {"endless output", [&] { ReplacePatch(PlainFrame(QByteArray(64 << 20, '\0'), 10)); }, QStringLiteral("(the result grows past its listed size)")},
        {"wrong magic", [&] { ReplacePatch(QByteArray("7z\xbc\xaf") + patch.mid(4)); },
         QStringLiteral("(not a valid patch: Unknown frame descriptor)")},
        {"truncated", [&] { ReplacePatch(patch.left(patch.size() / 2)); }, QStringLiteral("(the patch is cut short)")},
        {"changed on the server after signing, in the pack and alone", [&] { SpoilPatch(true, true); },
         QStringLiteral("(Контрольная сумма файла не совпадает с манифестом, файл удален)")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EngineRecorder run;
        const std::string log = Update(run, {1}, report[1], c.prepare);
        const QStringList lines = PatchLines(run);
        ASSERT_EQ(lines.size(), 1) << log;
        EXPECT_TRUE(lines.first().startsWith(QStringLiteral("    Исправление не подошло, загружается архив - /prog/bin/")))
            << log;
        EXPECT_TRUE(lines.first().endsWith(c.reason)) << log << "\n" << serverLog.toStdString();
        EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Download), 2);
        EXPECT_EQ(run.counters.value(TUpdateEngine::Counter::Install), 2);
        EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
        EXPECT_TRUE(Leftovers().isEmpty()) << Leftovers().join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(DeltaUpdate, WithoutASignedManifestOrAValidListNothingChanges)
{
    const struct {
        const char *name;
        bool keyed;
        std::function<void()> prepare;
        int patchLines;  // a refused list says so once
    } cases[] = {
        {"an updater without a key", false, [] {}, 0},
        {"a patch list changed after signing", true,
         [&] { WriteDatedFile(Prog(), kPatchListName, FileBytes(ListPath()) + "\n", kReleaseDay); }, 1},
        {"the patch list of another publication", true,
         [&] {
             const QByteArray list = FileBytes(ListPath());
             const QByteArray signature = FileBytes(ListPath() + QStringLiteral(".minisig"));
             // The manifest of a later publication (sequence 101) beside the list of sequence 100.
             QByteArray manifest = FileBytes(Prog() + QStringLiteral("/ornupdate.manifest"));
             WriteDatedFile(Prog(), QStringLiteral("ornupdate.manifest"), manifest.replace("sequence 100", "sequence 101"),
                            kReleaseDay);
             ASSERT_TRUE(MinisignSign(key, Prog() + QStringLiteral("/ornupdate.manifest"), QStringLiteral("sequence:101")));
             WriteDatedFile(Prog(), kPatchListName, list, kReleaseDay);
             WriteDatedFile(Prog(), kPatchListSignatureName, signature, kReleaseDay);
         },
         1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EngineRecorder run;
        const std::string log = Update(run, {1}, report[1], c.prepare, c.keyed);
        EXPECT_EQ(PatchLines(run).size(), c.patchLines) << log;
        if (c.patchLines)
            EXPECT_TRUE(PatchLines(run).first().startsWith(QStringLiteral("Список исправлений отклонён, загружаются архивы - /prog/")))
                << log;
        EXPECT_EQ(ArchivesUnpacked(run), 2) << log;
    }
}

}  // namespace
