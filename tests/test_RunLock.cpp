// One run per installation folder: a second updater, in another process or in this one, is
// refused the folder's lock; taking it writes nothing into the folder; a killed holder frees it.
#include "fixtures/FtpTestConnection.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/SecondInstance.h"
#include "platform/RunLock.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char kChildFolder[] = "ORN_RUN_LOCK_FOLDER";

// A second updater: this test program again, running only the child test below, which tries
// the lock of Folder, prints "held", "busy" or "unavailable" and, when held, keeps it until it is killed.
class OtherUpdater : public SecondInstance {
public:
    explicit OtherUpdater(const QString &Folder)
        : SecondInstance(QStringLiteral("RunLockChild.DISABLED_TakeAndKeep"), QLatin1String(kChildFolder), Folder)
    {
    }
    // "held" or "busy": what the other updater found; empty when it said nothing.
    QString Answer() { return SecondInstance::Answer(QStringLiteral("lock: ")); }
};

TEST(RunLockChild, DISABLED_TakeAndKeep)
{
    TRunLock lock(qEnvironmentVariable(kChildFolder));
    const bool held = lock.State() == TRunLockState::Held;
    std::printf(held ? "lock: held\n" : lock.State() == TRunLockState::Busy ? "lock: busy\n" : "lock: unavailable\n");
    std::fflush(stdout);
    while (held)
        QThread::sleep(60);
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

TEST(RunLock, TheSameFolderSpeltDifferentlyIsTheSameLock)
{
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    const QString folder = parent.filePath(QStringLiteral("ORN"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/bin")));
    TRunLock lock(folder);
    ASSERT_EQ(lock.State(), TRunLockState::Held);
    const QString spellings[] = {
        folder + QStringLiteral("/"),
        folder + QStringLiteral("/."),
        folder + QStringLiteral("/bin/.."),
        parent.path() + QStringLiteral("/./ORN"),
    };
    for (const QString &spelling : spellings)
        EXPECT_EQ(TRunLock(spelling).State(), TRunLockState::Busy) << spelling.toStdString();
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
