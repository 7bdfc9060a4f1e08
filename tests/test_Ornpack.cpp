// ornpack on a small real tree: archive names, skipped files, and the real 7z unpacking one
// archive back to the same bytes, name, size and date.
#include "net/FatDateTime.h"
#include "stages/ArchiveName.h"
#include "stages/InstallPaths.h"
#include "stages/ArchiveInstall.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kOrnpack = QStringLiteral(ORN_BUILD_DIR "/tools/ornpack");

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
    ASSERT_TRUE(QFile::link(QStringLiteral("Report.dll"), release + QStringLiteral("/link.dll")));

    const RunResult run = RunOrnpack({release, output});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("bin/README"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("old.txt"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("link.dll"))) << run.err.toStdString();

    const QString reportArchive = QStringLiteral("6-3-Report.dll-6600-1417904835.7z");
    const uint32_t libPacked = FatFromLocalDateTime(libDate);
    EXPECT_EQ(TreeFiles(output),
              Lines({reportArchive,
                           "bin/" + EncodeArchiveName(QStringLiteral(".hidden"), QStringLiteral("cfg"), 1, libPacked),
                           "bin/x64/" + EncodeArchiveName(QStringLiteral("my-lib.v2"), QStringLiteral("so"), 3, libPacked)}));

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
    EXPECT_EQ(TreeFiles(output), Lines({archive}));

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

}  // namespace
