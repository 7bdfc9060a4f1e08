// cmake --install of this build into a temporary prefix: what lands where, and that the
// installed program runs.
#include "fixtures/ReleaseFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs program with arguments: its exit code (-1 when it did not end normally) and its output.
std::pair<int, QByteArray> RunToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, process.readAllStandardError()};
    return {process.exitCode(), process.readAllStandardOutput() + process.readAllStandardError()};
}

TEST(Install, PutsTheProgramItsDataAndTheMenuEntryUnderThePrefix)
{
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    ASSERT_FALSE(cmake.isEmpty());
    QTemporaryDir prefix;
    const auto [installed, installLog] =
        RunToEnd(cmake, {QStringLiteral("--install"), QStringLiteral(ORN_BUILD_DIR), QStringLiteral("--prefix"), prefix.path()});
    ASSERT_EQ(installed, 0) << installLog.toStdString();

    QStringList files;
    QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(prefix.path()).relativeFilePath(it.next());
    files.sort();
    EXPECT_EQ(files, QStringList({"bin/OrnUpdate", "share/applications/ornupdate.desktop", "share/ornupdate/OrnRes.dat",
                                  "share/ornupdate/orn.txt"}));
    EXPECT_EQ(FileBytes(prefix.filePath(QStringLiteral("share/ornupdate/orn.txt"))),
              FileBytes(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt")));
    EXPECT_TRUE(FileBytes(prefix.filePath(QStringLiteral("share/applications/ornupdate.desktop")))
                    .contains("\nExec=OrnUpdate\n"));

    const auto [versionStatus, version] = RunToEnd(prefix.filePath(QStringLiteral("bin/OrnUpdate")), {QStringLiteral("--version")});
    EXPECT_EQ(versionStatus, 0);
    EXPECT_EQ(version, QByteArray("OrnUpdate " ORN_VERSION "\n"));
}

}  // namespace
