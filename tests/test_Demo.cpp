// scripts/demo as CI runs it: unattended, on the programs of this build.
#include "fixtures/ReleaseFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct DemoRun {
    int exitCode = -1;
    QString output;
};

// Runs scripts/demo --unattended --no-build with its work folder at workFolder.
DemoRun RunDemo(const QString &workFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORN_BUILD_DIR"), QStringLiteral(ORN_BUILD_DIR));
    environment.insert(QStringLiteral("ORN_DEMO_DIR"), workFolder);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess demo;
    demo.setProcessEnvironment(environment);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral("bash"),
               {QStringLiteral(ORN_SOURCE_DIR "/scripts/demo"), QStringLiteral("--unattended"), QStringLiteral("--no-build")});
    DemoRun run;
    if (!demo.waitForFinished(120000)) {
        demo.kill();
        demo.waitForFinished();
    } else if (demo.exitStatus() == QProcess::NormalExit) {
        run.exitCode = demo.exitCode();
    }
    run.output = QString::fromUtf8(demo.readAll());
    return run;
}

// Paths of the files below folder, relative to it, sorted.
QStringList FilesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// True when something accepts connections on 127.0.0.1:port.
bool Listening(uint16_t port)
{
    const int socketHandle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(socketHandle, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(socketHandle);
    return connected;
}

TEST(Demo, UnattendedRunBringsTheInstallationToTheRelease)
{
    QTemporaryDir work;
    const QString release = work.filePath(QStringLiteral("release"));
    const QString install = work.filePath(QStringLiteral("ORN"));
    for (int round = 1; round <= 2; ++round) {  // the second run starts from a clean work folder
        const DemoRun run = RunDemo(work.path());
        ASSERT_EQ(run.exitCode, 0) << "round " << round << "\n" << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(QStringLiteral("\n[message] Update finished\n"))) << round;
        EXPECT_TRUE(run.output.contains(QStringLiteral("\nFiles identical to the release: yes\n"))) << round;
        EXPECT_TRUE(run.output.contains(QStringLiteral("\nScripts fetched: 2\n"))) << round;

        const QStringList releaseFiles = FilesBelow(release);
        EXPECT_EQ(releaseFiles.size(), 7);
        for (const QString &file : releaseFiles)
            EXPECT_EQ(FileBytes(install + QLatin1Char('/') + file), FileBytes(release + QLatin1Char('/') + file))
                << file.toStdString();
        QStringList scripts = QString::fromUtf8(FileBytes(install + QStringLiteral("/logdbupdate.txt")))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        scripts.sort();
        EXPECT_EQ(scripts, QStringList({"002_reports.sql", "003_report_index.sql"}));

        // The demo's FTP server is gone with the demo.
        const uint16_t port = uint16_t(FileBytes(work.filePath(QStringLiteral("ftp.port"))).toUInt());
        ASSERT_NE(port, 0);
        EXPECT_FALSE(Listening(port)) << port;
    }
}

TEST(Demo, LeavesAWorkFolderOfOtherFilesAlone)
{
    QTemporaryDir work;
    WriteDatedFile(work.path(), QStringLiteral("mine.txt"), "not the demo's", QDateTime::currentDateTime());
    const DemoRun run = RunDemo(work.path());
    EXPECT_EQ(run.exitCode, 3) << run.output.toStdString();
    EXPECT_EQ(FilesBelow(work.path()), QStringList({"mine.txt"}));
}

}  // namespace
