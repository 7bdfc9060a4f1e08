// Downloading one server file on a POSIX system: the fetched file's mode, entries planted under
// the partial file's name (links, a FIFO), and a full disk (a lowered file-size limit).
#include "fixtures/FtpDownloadFixture.h"
#include "fixtures/FtpServerFixture.h"
#include "base/RaisedError.h"
#include "net/FtpDownload.h"
#include "net/PartialDownload.h"
#include "net/ResultCodes.h"

#include <QFileInfo>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes writes past `bytes` fail in this process, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(FtpDownloadTest, AFailedLocalWriteRaisesTheSystemErrorAndKeepsTheOldFile)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    WriteTestFile(local, "old");
    HINTERNET hFile = nullptr;
    QString error;
    {
        const FileSizeLimit limit(5000);
        try {
            FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {});
        } catch (const RaisedError &raised) {
            error = raised.text();
        }
    }
    EXPECT_EQ(error, QString::fromLocal8Bit(strerror(EFBIG)));
    EXPECT_EQ(hFile, nullptr);
    EXPECT_EQ(ReadTestFile(local), "old");
    ExpectOnlyTarget(true);
}

}  // namespace

TEST_F(FtpDownloadTest, TheFetchedFileHasTheOldFilesPermissionsOrThoseOfANewFile)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct Case {
        const char *what;
        bool oldFile;
        mode_t oldMode;
        mode_t expected;
    };
    const Case cases[] = {
        {"no old file", false, 0, 0666 & ~mask},
        {"old file readable by its owner only", true, 0600, 0600},
        {"old file with execute bits", true, 0750, 0750},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(local);
        if (c.oldFile) {
            WriteTestFile(local, "old");
            ASSERT_EQ(::chmod(QFile::encodeName(local).constData(), c.oldMode), 0);
        }
        HINTERNET hFile = nullptr;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}),
                  ResultCode::Downloaded);
        struct stat fetched {};
        ASSERT_EQ(::stat(QFile::encodeName(local).constData(), &fetched), 0);
        EXPECT_EQ(fetched.st_mode & 07777, c.expected);
        ExpectOnlyTarget(true);
    }
}

TEST_F(FtpDownloadTest, EntriesPlantedUnderThePartialFileNameAreNeverWrittenThrough)
{
    // The partial file's name is predictable: whatever stands under it is replaced by a new
    // file, and what it leads to outside the folder keeps its bytes and its mode.
    struct Case {
        const char *what;
        std::function<bool(const QString &partial, const QString &outside)> plant;
        bool outsideExists;
    };
    const Case cases[] = {
        {"link to an outside file", [](const QString &partial, const QString &outside) { return QFile::link(outside, partial); }, true},
        {"dangling link", [](const QString &partial, const QString &outside) { return QFile::link(outside, partial); }, false},
        {"hard link of an outside file",
         [](const QString &partial, const QString &outside) {
             return ::link(QFile::encodeName(outside).constData(), QFile::encodeName(partial).constData()) == 0;
         },
         true},
        {"FIFO", [](const QString &partial, const QString &) { return ::mkfifo(QFile::encodeName(partial).constData(), 0600) == 0; }, true},
    };
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    QTemporaryDir outsideDir;
    ASSERT_TRUE(outsideDir.isValid());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(local);
        const QString outside = outsideDir.path() + "/secret.txt";
        QFile::remove(outside);
        const QByteArray secret(2000000, 's');
        if (c.outsideExists) {
            WriteTestFile(outside, secret);
            ASSERT_EQ(::chmod(QFile::encodeName(outside).constData(), 0600), 0);
        }
        const QString partial = localDir.path() + "/" + PartialFileName("Report.dll.7z", 10000);
        ASSERT_TRUE(c.plant(partial, outside));
        HINTERNET hFile = nullptr;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}),
                  ResultCode::Downloaded);
        EXPECT_EQ(ReadTestFile(local), TestBytes(10000));
        ExpectOnlyTarget(true);
        EXPECT_EQ(QFileInfo::exists(outside), c.outsideExists);
        if (c.outsideExists) {
            EXPECT_EQ(ReadTestFile(outside), secret);
            struct stat status {};
            ASSERT_EQ(::stat(QFile::encodeName(outside).constData(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, 0600u);
        }
    }
}
