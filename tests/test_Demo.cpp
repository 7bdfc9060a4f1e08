// scripts/demo as CI runs it: unattended, without building, on the keyed build folder that this
// build prepares (the demo's key, OrnUpdate built with it, ornpack).
#include "fixtures/ReleaseFixture.h"
#include "release/SequenceRecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
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

// Runs scripts/demo --unattended --no-build [arguments] with its work folder at workFolder and
// its keyed build folder at buildFolder.
DemoRun RunDemo(const QString &workFolder, const QStringList &arguments = {},
                const QString &buildFolder = QStringLiteral(ORN_DEMO_BUILD_DIR))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORN_DEMO_BUILD_DIR"), buildFolder);
    environment.insert(QStringLiteral("ORN_DEMO_DIR"), workFolder);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess demo;
    demo.setProcessEnvironment(environment);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral("bash"), QStringList{QStringLiteral(ORN_SOURCE_DIR "/scripts/demo"),
                                                   QStringLiteral("--unattended"), QStringLiteral("--no-build")}
                                           + arguments);
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

// What a demo run left in its work folder: every release file installed except refused, which
// kept its copy of the older installation; both scripts fetched; both signed manifests accepted.
void ExpectInstalledExcept(const QString &work, const QString &refused, const std::string &context)
{
    const QString release = work + QStringLiteral("/release/");
    const QString install = work + QStringLiteral("/ORN/");
    const QStringList releaseFiles = FilesBelow(release);
    EXPECT_EQ(releaseFiles.size(), 7) << context;
    for (const QString &file : releaseFiles) {
        const QString expected = file == refused ? work + QStringLiteral("/ORN.before/") + file : release + file;
        EXPECT_EQ(FileBytes(install + file), FileBytes(expected)) << context << ": " << file.toStdString();
    }
    QStringList scripts =
        QString::fromUtf8(FileBytes(install + QStringLiteral("logdbupdate.txt"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    scripts.sort();
    EXPECT_EQ(scripts, QStringList({"002_reports.sql", "003_report_index.sql"})) << context;
    const QString record = SequenceRecordPath(install);
    EXPECT_GT(ReadAcceptedSequence(record, QStringLiteral("/prog/")).value_or(0), 0) << context;
    EXPECT_GT(ReadAcceptedSequence(record, QStringLiteral("/db/")).value_or(0), 0) << context;
}

TEST(Demo, UnattendedRunBringsTheInstallationToTheSignedRelease)
{
    QTemporaryDir work;
    for (int round = 1; round <= 2; ++round) {  // the second run starts from a clean work folder
        const std::string context = "round " + std::to_string(round);
        const DemoRun run = RunDemo(work.path());
        ASSERT_EQ(run.exitCode, 0) << context << "\n" << run.output.toStdString();
        EXPECT_EQ(run.output.count(QStringLiteral("\n    Signature and comment signature verified\n")), 2) << context;
        EXPECT_TRUE(run.output.contains(QStringLiteral("\n[message] Update finished\n"))) << context;
        EXPECT_TRUE(run.output.contains(QStringLiteral("\nFiles identical to the release: yes\n"))) << context;
        EXPECT_TRUE(run.output.contains(QStringLiteral("\nScripts fetched: 2\n"))) << context;
        EXPECT_FALSE(run.output.contains(QStringLiteral("Refused"))) << context;
        ExpectInstalledExcept(work.path(), QString(), context);
        EXPECT_EQ(FileBytes(work.filePath(QStringLiteral("KEY.pub"))),
                  FileBytes(QStringLiteral(ORN_DEMO_BUILD_DIR "/demo-key/KEY.pub")));

        // The demo's FTP server is gone with the demo.
        const uint16_t port = uint16_t(FileBytes(work.filePath(QStringLiteral("ftp.port"))).toUInt());
        ASSERT_NE(port, 0);
        EXPECT_FALSE(Listening(port)) << port;
    }
}

TEST(Demo, TamperedArchiveIsRefusedAndTheOthersInstalled)
{
    QTemporaryDir work;
    const DemoRun run = RunDemo(work.path(), {QStringLiteral("--tamper")});
    const std::string output = run.output.toStdString();
    EXPECT_EQ(run.exitCode, 1) << output;  // unattended: a file was not installed
    ExpectInstalledExcept(work.path(), QStringLiteral("bin/Report.dll"), output);
    EXPECT_EQ(FileBytes(work.filePath(QStringLiteral("ORN/bin/Report.dll"))), QByteArray("report library, release 2.3\n"));
    EXPECT_TRUE(run.output.contains(QStringLiteral("\nRefused by the manifest check: bin/Report.dll (old copy kept)\n")))
        << output;
    const QStringList archives =
        QDir(work.filePath(QStringLiteral("server/prog/bin"))).entryList({QStringLiteral("*Report.dll*")}, QDir::Files);
    ASSERT_EQ(archives.size(), 1);
    EXPECT_TRUE(run.output.contains(
        QStringLiteral("\n    log: File checksum does not match the manifest, file discarded - ") + archives.first() + '\n'))
        << output;
    EXPECT_TRUE(run.output.contains(QStringLiteral("\nScripts fetched: 2\n"))) << output;
}

TEST(Demo, WithPatchesTheChangedFilesComeAsPatchesAndTheInstallationIsTheRelease)
{
    QTemporaryDir work;
    const DemoRun run = RunDemo(work.path(), {QStringLiteral("--delta")});
    const std::string output = run.output.toStdString();
    ASSERT_EQ(run.exitCode, 0) << output;
    ExpectInstalledExcept(work.path(), QString(), output);
    EXPECT_TRUE(run.output.contains(QStringLiteral("\nFiles identical to the release: yes\n"))) << output;
    EXPECT_TRUE(run.output.contains(QStringLiteral("\nInstalled from patches: 4 of 4 published\n"))) << output;
    EXPECT_EQ(FileBytes(work.filePath(QStringLiteral("ORN/Update.bak"))), QByteArray("ORN updater, release 2.3\n"));
}

// A keyed build folder at folder, as the demo's: the prepared key and ornpack, and program as OrnUpdate.
void LinkDemoBuild(const QString &folder, const QString &program, bool withKey)
{
    QDir().mkpath(folder + QStringLiteral("/tools"));
    QFile::link(program, folder + QStringLiteral("/OrnUpdate"));
    QFile::link(QStringLiteral(ORN_DEMO_BUILD_DIR "/tools/ornpack"), folder + QStringLiteral("/tools/ornpack"));
    if (withKey)
        QFile::link(QStringLiteral(ORN_DEMO_BUILD_DIR "/demo-key"), folder + QStringLiteral("/demo-key"));
}

TEST(Demo, StopsBeforeTouchingTheWorkFolderWhenItCannotBeSetUp)
{
    const struct {
        const char *name;
        QString program;
        bool withKey;
        QString message;
    } cases[] = {
        {"a work folder of other files", QStringLiteral(ORN_DEMO_BUILD_DIR "/OrnUpdate"), true,
         QStringLiteral("holds files that the demo did not make")},
        {"an updater built without the key", QStringLiteral(ORN_BUILD_DIR "/OrnUpdate"), true,
         QStringLiteral("was not built with the key of")},
        {"no demo key", QStringLiteral(ORN_DEMO_BUILD_DIR "/OrnUpdate"), false, QStringLiteral("no demo key in")},
    };
    for (const auto &c : cases) {
        QTemporaryDir work, build;
        WriteDatedFile(work.path(), QStringLiteral("mine.txt"), "not the demo's", QDateTime::currentDateTime());
        LinkDemoBuild(build.path(), c.program, c.withKey);
        const DemoRun run = RunDemo(work.path(), {}, build.path());
        EXPECT_EQ(run.exitCode, 3) << c.name << "\n" << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(c.message)) << c.name << "\n" << run.output.toStdString();
        EXPECT_EQ(FilesBelow(work.path()), QStringList({"mine.txt"})) << c.name;
    }
}

}  // namespace
