// cmake --install of this build into a temporary prefix: what lands where, and that the
// installed programs run.
#include "fixtures/ReleaseFixture.h"
#include "fixtures/RunProgram.h"

#include <QDir>
#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(Install, PutsTheProgramsTheirDataManualPagesAndTheMenuEntryUnderThePrefix)
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
    EXPECT_EQ(files, QStringList({"bin/OrnUpdate", "bin/ornpack", "share/applications/ornupdate.desktop",
                                  "share/doc/ornupdate/changelog.gz", "share/doc/ornupdate/copyright",
                                  "share/lintian/overrides/ornupdate", "share/man/man1/OrnUpdate.1.gz",
                                  "share/man/man1/ornpack.1.gz", "share/ornupdate/OrnRes.dat", "share/ornupdate/orn.txt"}));
    EXPECT_EQ(FileBytes(prefix.filePath(QStringLiteral("share/ornupdate/orn.txt"))),
              FileBytes(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt")));
    EXPECT_TRUE(FileBytes(prefix.filePath(QStringLiteral("share/applications/ornupdate.desktop")))
                    .contains("\nExec=OrnUpdate\n"));

    const auto [versionStatus, version] = RunToEnd(prefix.filePath(QStringLiteral("bin/OrnUpdate")), {QStringLiteral("--version")});
    EXPECT_EQ(versionStatus, 0);
    EXPECT_EQ(version, QByteArray("OrnUpdate " ORN_VERSION "\n"));
    const auto [helpStatus, help] = RunToEnd(prefix.filePath(QStringLiteral("bin/ornpack")), {QStringLiteral("--help")});
    EXPECT_EQ(helpStatus, 0);
    EXPECT_TRUE(help.startsWith("Usage: ornpack ")) << help.toStdString();

    // The manual pages are the sources, compressed.
    for (const QString page : {QStringLiteral("OrnUpdate.1"), QStringLiteral("ornpack.1")}) {
        const auto [unpacked, text] =
            RunToEnd(QStringLiteral("gzip"), {QStringLiteral("-dc"), prefix.filePath(QStringLiteral("share/man/man1/") + page + ".gz")});
        EXPECT_EQ(unpacked, 0) << page.toStdString();
        EXPECT_EQ(text, FileBytes(QStringLiteral(ORN_SOURCE_DIR "/docs/man/") + page)) << page.toStdString();
    }
}

}  // namespace
