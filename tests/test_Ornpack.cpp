// ornpack on a small real tree: archive names, skipped files, the real 7z unpacking one
// archive back to the same bytes, name, size and date; the manifest of the published folder,
// its signature checked by the real minisign tool, and script folders.
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "fixtures/TestSystem.h"
#include "base/FatDateTime.h"
#include "release/ArchiveName.h"
#include "install/InstallPaths.h"
#include "install/ArchiveInstall.h"
#include "release/Manifest.h"
#include "release/ManifestTrust.h"
#include "release/ReleasePack.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kOrnpack = QStringLiteral(ORN_ORNPACK);

struct RunResult {
    int exitCode;
    QString out, err;
};

RunResult RunOrnpack(const QStringList &Arguments)
{
    QProcess tool;
    tool.start(kOrnpack, Arguments);
    EXPECT_TRUE(tool.waitForFinished(-1)) << "cannot run " << kOrnpack.toStdString();
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

// Writes Bytes to Root/Relative dated Modified (local time).
void MakeFile(const QString &Root, const QString &Relative, const QByteArray &Bytes, const QDateTime &Modified)
{
    const QString path = Root + QLatin1Char('/') + Relative;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(Bytes), Bytes.size());
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(Modified, QFileDevice::FileModificationTime));
}

// Every file below Root, relative and sorted, one per line.
std::string TreeFiles(const QString &Root)
{
    QStringList files;
    QDirIterator it(Root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(Root).relativeFilePath(it.next()));
    files.sort();
    return files.join(QLatin1Char('\n')).toStdString();
}

std::string Lines(const QStringList &Files)
{
    return Files.join(QLatin1Char('\n')).toStdString();
}

class Ornpack : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(kOrnpack).isExecutable()) << "build the ornpack target first: " << kOrnpack.toStdString();
        release = dir.filePath(QStringLiteral("release"));
        output = dir.filePath(QStringLiteral("server"));
    }

    QTemporaryDir dir;
    QString release, output;
};

TEST_F(Ornpack, WritesOneArchivePerFileAndSkipsWhatTheNameCannotCarry)
{
    const QDateTime reportDate(QDate(2022, 4, 3), QTime(16, 22, 7));  // odd second: packs to :06
    const QDateTime libDate(QDate(2021, 12, 31), QTime(23, 59, 58));
    const QByteArray report = QByteArray("Report.dll contents\0\x01\x02", 22).repeated(300);
    MakeFile(release, QStringLiteral("Report.dll"), report, reportDate);
    MakeFile(release, QStringLiteral("bin/x64/my-lib.v2.so"), QByteArray("lib"), libDate);
    MakeFile(release, QStringLiteral("bin/.hidden.cfg"), QByteArray("h"), libDate);
    MakeFile(release, QStringLiteral("bin/README"), QByteArray("no extension"), libDate);
    MakeFile(release, QStringLiteral("old.txt"), QByteArray("too old"), QDateTime(QDate(1975, 6, 1), QTime(12, 0)));
    if (!kWindowsSystem)  // a link on POSIX systems; see kNoSymbolicLinks
        ASSERT_TRUE(QFile::link(QStringLiteral("Report.dll"), release + QStringLiteral("/link.dll")));
    // A release copied from an installation: its state files stay out, those of the same name
    // below its top and the language file go in.
    for (const char *name : {"ftp.ini", "logdbupdate.txt", "ornupdate.sequences", "bin/ftp.ini", "orn.txt"})
        MakeFile(release, QString::fromLatin1(name), QByteArray("state"), libDate);

    const RunResult run = RunOrnpack({release, output});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("bin/README"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("old.txt"))) << run.err.toStdString();
    EXPECT_EQ(run.err.contains(QStringLiteral("link.dll")), !kWindowsSystem) << run.err.toStdString();
    for (const char *name : {"ftp.ini", "logdbupdate.txt", "ornupdate.sequences"})
        EXPECT_TRUE(run.err.contains(QStringLiteral("ornpack: ") + QString::fromLatin1(name)
                                     + QStringLiteral(": skipped, the updater's own state file")))
            << run.err.toStdString();

    const QString reportArchive = QStringLiteral("6-3-Report.dll-6600-1417904835.7z");
    const uint32_t libPacked = FatFromLocalDateTime(libDate);
    EXPECT_EQ(TreeFiles(output),
              Lines({EncodeArchiveName(QStringLiteral("orn"), QStringLiteral("txt"), 5, libPacked), reportArchive,
                           "bin/" + EncodeArchiveName(QStringLiteral("ftp"), QStringLiteral("ini"), 5, libPacked),
                           "bin/" + EncodeArchiveName(QStringLiteral(".hidden"), QStringLiteral("cfg"), 1, libPacked),
                           "bin/x64/" + EncodeArchiveName(QStringLiteral("my-lib.v2"), QStringLiteral("so"), 3, libPacked),
                           "ornupdate.manifest"}));

    // Unpack the archive as the updater does and compare with what its name says.
    const QString softdir = dir.filePath(QStringLiteral("install")) + QLatin1Char('/');
    const QString local = LocalFolder(softdir, QString());
    ASSERT_TRUE(QDir().mkpath(local));
    ASSERT_TRUE(QFile::copy(output + QLatin1Char('/') + reportArchive, local + reportArchive));
    const std::optional<TArchiveFile> decoded = DecodeArchiveName(reportArchive);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->Comment, QStringLiteral("Report.dll"));
    TArchiveInstaller installer(ToolPath(softdir));
    EXPECT_EQ(installer.Install(local, reportArchive, decoded->Comment, decoded->Size).Outcome, TInstallOutcome::Installed);
    EXPECT_EQ(TreeFiles(local), Lines({reportArchive, QStringLiteral("Report.dll")}));
    QFile installed(local + decoded->Comment);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), report);
    EXPECT_DOUBLE_EQ(decoded->DateTime, DateTimeFromParts(2022, 4, 3, 16, 22, 6));
    EXPECT_EQ(FatFromLocalDateTime(QFileInfo(installed).lastModified()), 1417904835u)
        << "the unpacked file carries the release file's date";
}

TEST_F(Ornpack, RepackingReplacesArchivesAndAllWrittenGivesZero)
{
    const QDateTime date(QDate(2023, 2, 1), QTime(8, 0));
    MakeFile(release, QStringLiteral("a.txt"), QByteArray("first"), date);
    ASSERT_EQ(RunOrnpack({release, output}).exitCode, 0);
    MakeFile(release, QStringLiteral("a.txt"), QByteArray("again"), date);  // same size and date: same name
    const RunResult run = RunOrnpack({release, output});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString archive = EncodeArchiveName(QStringLiteral("a"), QStringLiteral("txt"), 5, FatFromLocalDateTime(date));
    EXPECT_EQ(TreeFiles(output), Lines({archive, QStringLiteral("ornupdate.manifest")}));

    const QString unpacked = dir.filePath(QStringLiteral("unpacked")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(unpacked));
    ASSERT_TRUE(QFile::copy(output + QLatin1Char('/') + archive, unpacked + archive));
    ASSERT_EQ(TSevenZipTool(unpacked).Run({QStringLiteral("e"), QStringLiteral("-y"), QStringLiteral("-o") + unpacked,
                                           unpacked + archive}),
              0);
    QFile file(unpacked + QStringLiteral("a.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("again"));
}

TEST_F(Ornpack, HelpAndUsage)
{
    const RunResult help = RunOrnpack({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: ornpack"))) << help.out.toStdString();
    EXPECT_EQ(RunOrnpack({release}).exitCode, 2);
    EXPECT_EQ(RunOrnpack({dir.filePath(QStringLiteral("no-such-release")), output}).exitCode, 2);
}

// The manifest of folder, read strictly; records a failure when it is missing or malformed.
TManifest ManifestOf(const QString &folder)
{
    const TManifestRead read = ReadManifest(FileBytes(folder + QStringLiteral("/ornupdate.manifest")));
    EXPECT_TRUE(read.Manifest.has_value()) << read.Error.toStdString();
    return read.Manifest.value_or(TManifest{});
}

// "path size" of every entry, and a failure for any entry whose size or hash is not the file's.
QStringList CheckedEntries(const QString &folder, const TManifest &manifest)
{
    QStringList entries;
    for (const TManifestEntry &entry : manifest.Entries) {
        const QByteArray bytes = FileBytes(folder + QLatin1Char('/') + entry.Path);
        EXPECT_EQ(entry.Size, bytes.size()) << entry.Path.toStdString();
        EXPECT_EQ(entry.Sha256, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)) << entry.Path.toStdString();
        entries << entry.Path;
    }
    return entries;
}

TEST_F(Ornpack, SignedPublicationIsAcceptedByMinisignAndByTheTrustCheck)
{
    const QDateTime date(QDate(2023, 2, 1), QTime(8, 0));
    MakeFile(release, QStringLiteral("ORN.exe"), QByteArray("main"), date);
    MakeFile(release, QStringLiteral("bin/Report.dll"), QByteArray("report"), date);
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const RunResult run = RunOrnpack({"--sign", key.secretKeyFile, "--folder", "/prog", "--expires", "30", release, output});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QString manifestPath = output + QStringLiteral("/ornupdate.manifest");
    QString verified;
    EXPECT_EQ(RunMinisign({"-V", "-p", key.publicKeyFile, "-m", manifestPath}, &verified), 0) << verified.toStdString();
    const TManifest manifest = ManifestOf(output);
    EXPECT_TRUE(verified.contains(QStringLiteral("sequence:%1").arg(manifest.Sequence))) << verified.toStdString();
    EXPECT_EQ(manifest.Folder, QStringLiteral("/prog/")) << "named in its normal form";
    EXPECT_GE(manifest.Sequence, before) << "the publication time is the default sequence";
    EXPECT_LE(manifest.Sequence, QDateTime::currentSecsSinceEpoch());
    ASSERT_TRUE(manifest.Expires.has_value());
    EXPECT_EQ(manifest.Expires->toSecsSinceEpoch(), manifest.Sequence + 30 * 86400);
    EXPECT_EQ(CheckedEntries(output, manifest),
              QStringList({EncodeArchiveName(QStringLiteral("ORN"), QStringLiteral("exe"), 4, FatFromLocalDateTime(date)),
                           "bin/" + EncodeArchiveName(QStringLiteral("Report"), QStringLiteral("dll"), 6,
                                                      FatFromLocalDateTime(date))}));

    const TTrustResult trust = CheckManifestTrust({QStringLiteral("/prog/"), FileBytes(manifestPath),
                                                   FileBytes(manifestPath + ".minisig"),
                                                   ParseTrustedKeys(key.publicKeyLine).value(), std::nullopt,
                                                   QDateTime::currentDateTimeUtc()});
    EXPECT_EQ(trust.Outcome, TTrustOutcome::Accepted) << trust.Detail.toStdString();

    // Publishing again without a key leaves no signature that no longer fits.
    const RunResult unsigned_ = RunOrnpack({"--sequence", "7", release, output});
    ASSERT_EQ(unsigned_.exitCode, 0) << unsigned_.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(manifestPath + QStringLiteral(".minisig")));
    EXPECT_EQ(ManifestOf(output).Sequence, 7);
    EXPECT_FALSE(ManifestOf(output).Expires.has_value());
}

TEST_F(Ornpack, ASignedFolderGetsItsPackAnnouncedInTheTrustedComment)
{
    const QDateTime date(QDate(2023, 2, 1), QTime(8, 0));
    MakeFile(release, QStringLiteral("ORN.exe"), QByteArray("main"), date);
    MakeFile(release, QStringLiteral("bin/Report.dll"), QByteArray(3000, 'r'), date);
    MakeFile(release, QStringLiteral("Zeta.dll"), QByteArray("zeta"), date);
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
    const RunResult run = RunOrnpack({"--sign", key.secretKeyFile, "--folder", "/prog/", release, output});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // The listed files one after the other in the manifest's order, nothing else.
    const QString manifestPath = output + QStringLiteral("/ornupdate.manifest");
    const TManifest manifest = ManifestOf(output);
    QByteArray expected;
    for (const TManifestEntry &entry : manifest.Entries)
        expected += FileBytes(output + QLatin1Char('/') + entry.Path);
    ASSERT_EQ(manifest.Entries.size(), 3) << "the pack is not listed";
    EXPECT_EQ(FileBytes(output + QLatin1Char('/') + kPackName), expected);
    QString verified;
    EXPECT_EQ(RunMinisign({"-V", "-p", key.publicKeyFile, "-m", manifestPath}, &verified), 0) << verified.toStdString();
    EXPECT_TRUE(verified.contains(QStringLiteral("\tpack:%1").arg(expected.size()))) << verified.toStdString();
    const TTrustResult trust = CheckManifestTrust({QStringLiteral("/prog/"), FileBytes(manifestPath),
                                                   FileBytes(manifestPath + ".minisig"),
                                                   ParseTrustedKeys(key.publicKeyLine).value(), std::nullopt,
                                                   QDateTime::currentDateTimeUtc()});
    ASSERT_EQ(trust.Outcome, TTrustOutcome::Accepted) << trust.Detail.toStdString();
    EXPECT_EQ(trust.PackSize, expected.size());
    const std::optional<QHash<QString, qint64>> offsets = PackOffsets(trust.Manifest, *trust.PackSize);
    ASSERT_TRUE(offsets.has_value());
    for (const TManifestEntry &entry : manifest.Entries)
        EXPECT_EQ(expected.mid(offsets->value(entry.Path), entry.Size), FileBytes(output + QLatin1Char('/') + entry.Path))
            << entry.Path.toStdString();
    EXPECT_FALSE(PackOffsets(trust.Manifest, *trust.PackSize + 1).has_value()) << "sizes that do not add up: no pack";

    // Signed without a pack, or not signed: no pack is left that the signature does not announce.
    for (const QStringList &arguments : {QStringList{"--sign", key.secretKeyFile, "--folder", "/prog/", "--no-pack"},
                                         QStringList{}}) {
        const RunResult again = RunOrnpack(arguments + QStringList{release, output});
        ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(output + QLatin1Char('/') + kPackName)) << arguments.join(' ').toStdString();
        EXPECT_EQ(ManifestOf(output).Entries.size(), 3);
    }
}

TEST_F(Ornpack, ScriptsAreCopiedWithTheirDatesAndListed)
{
    const QString scripts = dir.filePath(QStringLiteral("scripts"));
    const QDateTime date(QDate(2024, 3, 4), QTime(10, 11, 12));
    MakeFile(scripts, QStringLiteral("001 create.sql"), QByteArray("create table a;"), date);
    MakeFile(scripts, QStringLiteral("002-ALTER.SQL"), QByteArray("alter table a;"), date.addDays(1));
    MakeFile(scripts, QStringLiteral("notes.txt"), QByteArray("not a script"), date);
    MakeFile(scripts, QStringLiteral("old/000.sql"), QByteArray("in a sub-folder"), date);
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("release"));

    const RunResult run =
        RunOrnpack({"--scripts", "--sign", key.secretKeyFile, "--folder", "/db/", "--sequence", "12", scripts, output});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("notes.txt: skipped"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("old: skipped"))) << run.err.toStdString();
    EXPECT_EQ(TreeFiles(output), Lines({"001 create.sql", "002-ALTER.SQL", "ornupdate.manifest", "ornupdate.manifest.minisig",
                                        "ornupdate.pack"}));
    EXPECT_EQ(FileBytes(output + QStringLiteral("/001 create.sql")), QByteArray("create table a;"));
    EXPECT_EQ(QFileInfo(output + QStringLiteral("/001 create.sql")).lastModified(), date);
    EXPECT_EQ(QFileInfo(output + QStringLiteral("/002-ALTER.SQL")).lastModified(), date.addDays(1));
    const TManifest manifest = ManifestOf(output);
    EXPECT_EQ(manifest.Sequence, 12);
    EXPECT_EQ(CheckedEntries(output, manifest), QStringList({"001 create.sql", "002-ALTER.SQL"}));
    EXPECT_TRUE(MinisignAccepts(key, output + QStringLiteral("/ornupdate.manifest")));
}

TEST_F(Ornpack, BadOptionsAndKeysStopBeforeAnythingIsWritten)
{
    MakeFile(release, QStringLiteral("a.txt"), QByteArray("a"), QDateTime(QDate(2023, 2, 1), QTime(8, 0)));
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
    const QString notAKey = dir.filePath(QStringLiteral("release.pub"));
    const QStringList cases[] = {
        {"--sequence", "-1", release, output},     {"--sequence", "x", release, output},
        {"--expires", "0", release, output},       {"--sign", release, output},
        {"--sign", notAKey, release, output},      {"--sign", dir.filePath("none.key"), release, output},
        {"--scripts", release},
        {"--sign", key.secretKeyFile, release, output},  // a signed manifest must name its folder
        {"--sign", key.secretKeyFile, "--folder", "/", "--folder", "", release, output},
    };
    for (const QStringList &arguments : cases) {
        const RunResult run = RunOrnpack(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(output)) << arguments.join(' ').toStdString();
    }
    EXPECT_EQ(RunOrnpack({"--sign", key.secretKeyFile, "--folder", "/", release, output}).exitCode, 0);
}

}  // namespace
