// One run per installation folder: a second updater, in another process or in this one, is
// refused the folder's lock; taking it writes nothing into the folder; a killed holder frees it.
#include "fixtures/FtpTestConnection.h"
#include "fixtures/QtPrinters.h"
#include "platform/RunLock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

namespace {

const char kChildFolder[] = "ORN_RUN_LOCK_FOLDER";

// A second updater: this test program again, running only the child test below, which tries
// the lock of Folder, prints "held", "busy" or "unavailable" and, when held, keeps it until it is killed.
class OtherUpdater {
public:
    explicit OtherUpdater(const QString &Folder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kChildFolder), Folder);
        process_.setProcessEnvironment(environment);
        process_.start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--gtest_also_run_disabled_tests"),
                        QStringLiteral("--gtest_filter=RunLockChild.DISABLED_TakeAndKeep")});
    }
    ~OtherUpdater()
    {
        process_.kill();
        process_.waitForFinished(-1);
    }
    // "held" or "busy": what the other updater found (its line "lock: ..." among the test
    // program's own output); empty when it said nothing.
    QString Answer()
    {
        while (process_.canReadLine() || process_.waitForReadyRead(10000)) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("lock: ")))
                return line.mid(6);
        }
        return QString();
    }
    void Kill()
    {
        process_.kill();
        process_.waitForFinished(-1);
    }

private:
    QProcess process_;
};

TEST(RunLockChild, DISABLED_TakeAndKeep)
{
    TRunLock lock(qEnvironmentVariable(kChildFolder));
    const bool held = lock.State() == TRunLockState::Held;
    std::printf(held ? "lock: held\n" : lock.State() == TRunLockState::Busy ? "lock: busy\n" : "lock: unavailable\n");
    std::fflush(stdout);
    while (held)
        pause();
}

TEST(RunLock, ASecondUpdaterOfTheSameFolderIsRefused)
{
    QTemporaryDir folder;
    QTemporaryDir otherFolder;
    WriteTestFile(folder.filePath(QStringLiteral("Report.dll")), "installed");
    const QDateTime modified = QFileInfo(folder.path()).lastModified();
    {
        TRunLock lock(folder.path());
        ASSERT_EQ(lock.State(), TRunLockState::Held);
        EXPECT_EQ(OtherUpdater(folder.path()).Answer(), QStringLiteral("busy"));
        EXPECT_EQ(TRunLock(folder.path()).State(), TRunLockState::Busy) << "a second lock of this process is refused too";
        EXPECT_EQ(OtherUpdater(otherFolder.path()).Answer(), QStringLiteral("held")) << "other folders are free";
    }
    EXPECT_EQ(OtherUpdater(folder.path()).Answer(), QStringLiteral("held")) << "released at the end of the run";
    EXPECT_EQ(FolderEntries(folder.path()), QStringList{QStringLiteral("Report.dll")}) << "nothing written there";
    EXPECT_EQ(QFileInfo(folder.path()).lastModified(), modified);
}

TEST(RunLock, AKilledHolderFreesTheFolder)
{
    QTemporaryDir folder;
    OtherUpdater holder(folder.path());
    ASSERT_EQ(holder.Answer(), QStringLiteral("held"));
    EXPECT_EQ(TRunLock(folder.path()).State(), TRunLockState::Busy);
    holder.Kill();
    EXPECT_EQ(TRunLock(folder.path()).State(), TRunLockState::Held);
}

TEST(RunLock, AFolderThatCannotBeOpenedIsNeitherHeldNorBusy)
{
    EXPECT_EQ(TRunLock(QStringLiteral("/nonexistent/folder")).State(), TRunLockState::Unavailable);
}

}  // namespace
