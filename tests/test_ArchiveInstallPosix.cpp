// Installing one file from its archive on a POSIX system: an unpacking stopped by the updater's
// file-size limit, or a tool killed mid-unpack, leaves the installed file as it was.
#include "fixtures/ArchivePacking.h"
#include "fixtures/FtpTestConnection.h"
#include "install/ArchiveInstall.h"

#include <QDir>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(ArchiveInstall, AFileSizeLimitBelowTheFilesSizeFailsTheUnpackingAndKeepsTheFile)
{
    Folders folders;
    const QString archive = ArchiveFor(kFile, kNew.size());
    WriteTestFile(folders.source + kFile, kNew);
    Pack(folders.source, {kFile}, folders.local + archive);
    WriteTestFile(folders.local + kFile, kOld);
    const QMap<QString, QByteArray> before = Snapshot(folders.local);

    TArchiveInstaller installer(folders.local);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 10000;
    setrlimit(RLIMIT_FSIZE, &lowered);
    const TInstallResult result = installer.Install(folders.local, archive, kFile, kNew.size());
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(result.Outcome, TInstallOutcome::UnpackFailed);
    EXPECT_EQ(result.ExitCode, -1);
    ExpectUnchanged(folders.local, before);
    EXPECT_FALSE(InstallFailureLine(result, folders.local, archive, kFile, [](const QString &k) { return k; }).isEmpty());
}

// The processes whose parent is this one.
QVector<pid_t> ChildProcesses()
{
    QVector<pid_t> children;
    for (const QString &name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = name.toInt(&number);
        if (!number)
            continue;
        const QByteArray stat = ReadTestFile(QStringLiteral("/proc/%1/stat").arg(pid));
        // "pid (command) state ppid ...": the command may hold spaces, so fields follow the last ")".
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == getpid())
            children.append(pid);
    }
    return children;
}

TEST(ArchiveInstall, KillingTheToolMidUnpackLeavesTheInstalledFileAsItWas)
{
    Folders folders;
    const int64_t size = int64_t(256) << 20;
    {
        QFile big(folders.source + kFile);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(size));
    }
    const QString archive = ArchiveFor(kFile, size);
    Pack(folders.source, {kFile}, folders.local + archive);
    WriteTestFile(folders.local + kFile, kOld);
    const QMap<QString, QByteArray> before = Snapshot(folders.local);

    TArchiveInstaller installer(folders.local);
    TInstallResult result;
    std::atomic<bool> done{false};
    std::thread install([&] {
        result = installer.Install(folders.local, archive, kFile, size);
        done = true;
    });
    // Once the tool has written part of the file into its staging folder, it is killed.
    bool killed = false;
    while (!done && !killed) {
        for (const QString &staging : QDir(folders.local).entryList({kStagingPrefix + QLatin1Char('*')},
                                                                     QDir::Dirs | QDir::Hidden)) {
            const qint64 written = QFileInfo(folders.local + staging + QLatin1Char('/') + kFile).size();
            if (written > 0 && written < size) {
                for (pid_t child : ChildProcesses())
                    killed = ::kill(child, SIGKILL) == 0 || killed;
            }
        }
        usleep(500);
    }
    install.join();
    ASSERT_TRUE(killed) << "the tool ended before it could be killed";
    EXPECT_EQ(result.Outcome, TInstallOutcome::UnpackFailed);
    EXPECT_EQ(result.ExitCode, -1);
    ExpectUnchanged(folders.local, before);
}

}  // namespace
