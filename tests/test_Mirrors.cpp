// Stage 2 with HTTP(S) mirrors of the server tree: the signed release's pack comes from the
// first mirror that gives it, by range requests (over one HTTP/2 connection where the TLS library
// offers it; Debian's nginx with a certificate made here), then from the next mirror, then over
// FTP; a mirror that answers wrongly gives the next source, a log line, and nothing wrong installed.
#include "fixtures/MirrorFixture.h"
#include "fixtures/PackRelease.h"
#include "fixtures/TestCertificate.h"
#include "fixtures/TestSystem.h"
#include "net/FtpTimeouts.h"
#include "release/ReleasePack.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The HTTP version the program speaks to an HTTPS mirror: HTTP/2, chosen through ALPN, which
// libcurl leaves out under Wine (its Schannel did not do ALPN).
QString MirrorProtocol()
{
    return RunningUnderWine() ? QStringLiteral("HTTP/1\\.1") : QStringLiteral("HTTP/2\\.0");
}

const QString kMirrorLine = QStringLiteral("Зеркало отдало не все файлы, они берутся из следующего источника - ");

class Mirrors : public PackReleaseTest {
protected:
    void SetUp() override
    {
        PackReleaseTest::SetUp();
        certificate = MakeTestCertificate(root.path(), QStringLiteral("mirror"), kTlsServerAltName);
        qputenv("ORN_FTP_CAFILE", certificate.certificateFile.toUtf8());
    }

    void TearDown() override
    {
        qunsetenv("ORN_FTP_CAFILE");
        qunsetenv("ORN_MIRRORS");
    }

    // The pack and archive transfers the FTP server was asked for.
    static QStringList FtpTransfers(const FtpServerFixture &ftp)
    {
        return ftp.commands(QStringLiteral("RETR")).filter(QRegularExpression(QStringLiteral("\\.(pack|7z)$")));
    }

    struct MirroredRun {
        QStringList log;
        QStringList ftpTransfers;  // see FtpTransfers
    };

    // Runs the update of a fresh installation with the mirrors of the list (ORN_MIRRORS; empty:
    // those of the manifest) and an FTP server over the tree, and expects every file of the
    // release installed.
    MirroredRun UpdateThroughMirrors(const QString &mirrors)
    {
        if (!mirrors.isEmpty())
            qputenv("ORN_MIRRORS", mirrors.toUtf8());
        InstallationFixture install;
        FtpServerFixture ftp(server, LoggingServer());
        EngineRecorder run;
        EXPECT_EQ(Run(run, ftp, install), TUpdateEngine::Outcome::Completed) << run.log.join(QLatin1Char('\n')).toStdString();
        ExpectReleaseInstalled(install);
        EXPECT_EQ(run.engine.FilesNotInstalled(), 0);
        return {run.log, FtpTransfers(ftp)};
    }

    TestCertificate certificate;
};

TEST_F(Mirrors, TheManifestsNginxMirrorServesTheReleaseByRangeRequests)
{
    NginxMirror nginx(server, certificate);
    ASSERT_TRUE(nginx.isRunning());
    Publish(true, {QStringLiteral("--mirror"), nginx.baseUrl()});
    const MirroredRun run = UpdateThroughMirrors({});
    EXPECT_EQ(run.ftpTransfers, QStringList()) << "nothing of the release over FTP";
    EXPECT_TRUE(run.log.filter(kMirrorLine).isEmpty()) << run.log.join(QLatin1Char('\n')).toStdString();
    // Range requests of the pack, answered 206 (over HTTP/2 where the program offers it).
    const QStringList requests = nginx.accessLog().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(requests.isEmpty());
    for (const QString &request : requests)
        EXPECT_TRUE(request.contains(QRegularExpression(
            QStringLiteral("^GET /prog/ornupdate\\.pack %1 206 %1 bytes=\\d+-\\d+$").arg(MirrorProtocol()))))
            << request.toStdString();
}

TEST_F(Mirrors, ABrokenMirrorGivesWayToTheNextOneWithALogLineAndNothingWrongInstalled)
{
    SetFtpLowSpeed(1024, 2);  // a stalled answer ends after 2 s
    const struct {
        const char *mode;
        const char *reason;
    } cases[] = {
        {"404", "answered 404 instead of 206"},
        {"truncated", ""},
        {"wrong", "sent files that differ from the manifest"},
        {"norange", "answered 200 instead of 206"},
        {"endless", "sent more bytes than the range holds"},
        {"stall", ""},
    };
    NginxMirror nginx(server, certificate);
    ASSERT_TRUE(nginx.isRunning());
    Publish();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        BrokenMirror broken(server, QString::fromLatin1(c.mode));
        ASSERT_TRUE(broken.isRunning());
        const MirroredRun run = UpdateThroughMirrors(broken.baseUrl() + QLatin1Char(' ') + nginx.baseUrl());
        const QStringList lines = run.log.filter(kMirrorLine + broken.baseUrl());
        ASSERT_EQ(lines.size(), 1) << run.log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(lines.first().contains(QString::fromLatin1(c.reason))) << lines.first().toStdString();
        EXPECT_TRUE(broken.log().contains(QStringLiteral("GET /prog/ornupdate.pack"))) << broken.log().toStdString();
        EXPECT_EQ(run.ftpTransfers, QStringList()) << "the next mirror gave what was left";
    }
    SetFtpLowSpeed(kFtpLowSpeedBytesPerSecond, kFtpLowSpeedSeconds);
}

TEST_F(Mirrors, WithoutAWorkingMirrorTheFilesComeOverFtp)
{
    // The last mirror refused: an https mirror whose certificate no trusted CA signed, then a
    // broken one; what is left comes over FTP.
    const TestCertificate other = MakeTestCertificate(root.path(), QStringLiteral("other"), kTlsServerAltName);
    NginxMirror untrusted(server, other);
    ASSERT_TRUE(untrusted.isRunning());
    BrokenMirror broken(server, QStringLiteral("404"));
    Publish();
    const MirroredRun run = UpdateThroughMirrors(untrusted.baseUrl() + QLatin1Char(';') + broken.baseUrl());
    const QStringList refused = run.log.filter(kMirrorLine + untrusted.baseUrl());
    ASSERT_EQ(refused.size(), 1) << run.log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(refused.first().contains(QStringLiteral("certificate"), Qt::CaseInsensitive)) << refused.first().toStdString();
    EXPECT_TRUE(untrusted.accessLog().isEmpty()) << "no request went through the refused TLS";
    EXPECT_EQ(run.log.filter(kMirrorLine + broken.baseUrl()).size(), 1);
    EXPECT_FALSE(run.ftpTransfers.filter(kPackName).isEmpty());
}

}  // namespace
