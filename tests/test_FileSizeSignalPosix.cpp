// A write beyond the file-size limit (ulimit -f): without IgnoreFileSizeSignal it kills the
// process; with it the write fails with "File too large", which the program reports.
#include "platform/FileSizeLimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child process limited to 1000-byte files: writes 5000 bytes to path and exits with 0 when
// the write stopped at the limit with EFBIG, 1 when it did not. Returns the child's wait status.
int WriteBeyondTheLimitInAChild(const QString &path, bool ignoreSignal)
{
    const pid_t child = fork();
    if (child == 0) {
        if (ignoreSignal)
            IgnoreFileSizeSignal();
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const QByteArray bytes(5000, 'x');
        qsizetype written = 0;
        ssize_t count = 0;
        while (written < bytes.size() && (count = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written))) > 0)
            written += count;
        _exit(written == 1000 && count < 0 && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(FileSizeSignal, AWriteBeyondTheLimitFailsInsteadOfKillingTheProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int killed = WriteBeyondTheLimitInAChild(dir.filePath("default"), false);
    ASSERT_TRUE(WIFSIGNALED(killed));
    EXPECT_EQ(WTERMSIG(killed), SIGXFSZ);

    const int reported = WriteBeyondTheLimitInAChild(dir.filePath("ignored"), true);
    ASSERT_TRUE(WIFEXITED(reported)) << "killed by signal " << WTERMSIG(reported);
    EXPECT_EQ(WEXITSTATUS(reported), 0) << "the write did not fail with EFBIG";
}

}  // namespace
