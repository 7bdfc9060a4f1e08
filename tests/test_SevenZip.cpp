// Unpacking with the real 7z: the exit code, the installed size, and a tool that cannot start.
#include "net/RaisedError.h"
#include "stages/InstallPaths.h"
#include "stages/SevenZip.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

void WriteBytes(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(Bytes), Bytes.size());
}

// Packs Folder/Name into Archive with the real tool, holding the bare name.
void Pack(const QString &Folder, const QString &Name, const QString &Archive)
{
    QProcess tool;
    tool.setWorkingDirectory(Folder);
    tool.start(QStringLiteral("7z"), {QStringLiteral("a"), Archive, Name});
    ASSERT_TRUE(tool.waitForFinished(-1));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardOutput().toStdString();
}

TEST(SevenZip, UnpacksOverTheInstalledFile)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source"));
    const QString softdir = dir.path() + QStringLiteral("/");
    const QString local = LocalFolder(softdir, QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(local));
    const QByteArray fresh = QByteArray("fresh build of Report.dll ").repeated(100);
    WriteBytes(source + QStringLiteral("/Report.dll"), fresh);
    const QString archive = QStringLiteral("10-3-Report.dll-2600-1417904835.7z");
    Pack(source, QStringLiteral("Report.dll"), local + archive);
    WriteBytes(local + QStringLiteral("Report.dll"), QByteArray("old"));

    EXPECT_EQ(RunSevenZip(SevenZipCall(ToolPath(softdir), local, archive)), 0);
    QFile installed(local + QStringLiteral("Report.dll"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), fresh);
    EXPECT_TRUE(InstalledSizeMatches(local + QStringLiteral("Report.dll"), fresh.size()));
    EXPECT_FALSE(InstalledSizeMatches(local + QStringLiteral("Report.dll"), fresh.size() + 1));
    EXPECT_FALSE(InstalledSizeMatches(local + QStringLiteral("Missing.dll"), 0));
    EXPECT_TRUE(QFile::exists(local + archive)) << "the archive stays beside the file";
}

TEST(SevenZip, DamagedArchiveGivesANonZeroExitCode)
{
    QTemporaryDir dir;
    const QString local = dir.path() + QStringLiteral("/");
    const QString archive = QStringLiteral("1-3-a.dll-1-1417904835.7z");
    WriteBytes(local + archive, QByteArray("7z\xBC\xAF\x27\x1C this is no archive"));
    EXPECT_NE(RunSevenZip(SevenZipCall(local, local, archive)), 0);
    EXPECT_FALSE(QFile::exists(local + QStringLiteral("a.dll")));
}

TEST(SevenZip, ToolThatCannotStartRaisesTheSystemText)
{
    TToolCall call;
    call.Program = QStringLiteral("/nonexistent/folder/7z");
    try {
        RunSevenZip(call);
        FAIL() << "no error raised";
    } catch (const RaisedError &error) {
        EXPECT_FALSE(error.text().isEmpty());
    }
}

}  // namespace
