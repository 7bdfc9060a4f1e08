// The window's download of one file: the bar and the file label show the counts of the last
// block once the transfer has ended, whether it was complete or cut short, with the decimal
// separator of the user's locale (a comma on a Russian Windows).
#include "stages/StageScope.h"
#include "app/uUpdate.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/InstallationFixture.h"
#include "net/FtpTimeouts.h"
#include "net/ResultCodes.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(DownloadProgress, TheLabelShowsTheLastBlockOnceTheTransferHasEnded)
{
    struct Case {
        const char *what;
        int64_t endAfterBytes;  // the server ends the transfer after this many bytes (-1: never)
        int result;
        int bar;
        const char *counts;  // with a point where the user's locale puts its decimal separator
    };
    const Case cases[] = {
        {"complete", -1, ResultCode::Downloaded, 100, "10.00 Kb of 10.00 Kb / 100 %"},
        {"dropped after 6000 bytes", 6000, ResultCode::DownloadIncomplete, 60,
         "6.00 Kb of 10.00 Kb / 60 %"},
    };
    QTemporaryDir serverDir;
    WriteTestFile(serverDir.filePath(QStringLiteral("prog/Report.dll.7z")), TestBytes(10000));
    SetFtpTimeouts(kFtpConnectTimeoutSeconds, 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        InstallationFixture install;
        FtpServerOptions options;
        options.endAfterBytes = c.endAfterBytes;
        FtpServerFixture server(serverDir.path(), options);
        ASSERT_TRUE(server.isRunning());
        server.useAsUpdateServer();
        TfUpdate window;
        StageConnection connection(*window.engine);
        ASSERT_GT(connection.Connect(), 0);
        EXPECT_EQ(window.DownloadFileFTP(connection.hNet, connection.hFTP, connection.hFile, QStringLiteral("/prog/"),
                                         QStringLiteral("Report.dll.7z"), install.file(QStringLiteral("Report.dll.7z")),
                                         window.ProgressBar1),
                  c.result);
        EXPECT_EQ(window.ProgressBar1->value(), c.bar);
        const QString counts = QString::fromUtf8(c.counts).replace(QLatin1Char('.'), QLocale().decimalPoint());
        EXPECT_TRUE(window.lFileCopy->text().endsWith(QStringLiteral("Report.dll.7z   ") + counts))
            << window.lFileCopy->text().toStdString();
    }
    SetFtpTimeouts(kFtpConnectTimeoutSeconds, kFtpStallTimeoutSeconds);
}

}  // namespace
