// FTP over TLS against Debian's vsftpd with certificates made here: full runs of the program
// over explicit and implicit TLS, refusals with their log lines, pinned keys, passive and
// active transfers, and the per-thread reason of the last failed connect.
#include "fixtures/InstallationFixture.h"
#include "fixtures/ProgramRun.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/ReleaseFixture.h"
#include "fixtures/TestCertificate.h"
#include "fixtures/TestSystem.h"
#include "fixtures/VsftpdFixture.h"
#include "net/CurlFtpConnection.h"
#include "net/FtpDownload.h"
#include "net/TlsFailure.h"
#include "net/WinInet.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QDateTime kReleaseDay(QDate(2024, 6, 3), QTime(9, 30));

// A server tree with a published release (three programs) and two scripts, and an older
// installation (two older programs, one script) with ftp.ini, the shipped orn.txt and settings
// of its own.
class ReleaseAndInstallation {
public:
    ReleaseAndInstallation()
    {
        WriteDatedFile(release(), QStringLiteral("ORN.exe"), "new main program", kReleaseDay);
        WriteDatedFile(release(), QStringLiteral("Update.exe"), "new updater", kReleaseDay);
        WriteDatedFile(release(), QStringLiteral("bin/Report.dll"), QByteArray(300000, 'r'), kReleaseDay);
        published_ = PublishRelease(release(), server() + QStringLiteral("/prog"));
        WriteDatedFile(server(), QStringLiteral("db/a.sql"), "create table a;", kReleaseDay);
        WriteDatedFile(server(), QStringLiteral("db/b.sql"), "create table b;", kReleaseDay);
        WriteDatedFile(install(), QStringLiteral("ftp.ini"), "/prog/\r\n/db/\r\n", kReleaseDay);
        WriteDatedFile(install(), QStringLiteral("ORN.exe"), "old main program", kReleaseDay.addDays(-4));
        WriteDatedFile(install(), QStringLiteral("Update.exe"), "old updater", kReleaseDay.addDays(-4));
        WriteDatedFile(install(), QStringLiteral("a.sql"), "create table a;", kReleaseDay);
    }

    bool published() const { return published_; }
    QString release() const { return root_.filePath(QStringLiteral("release")); }
    QString server() const { return root_.filePath(QStringLiteral("server")); }
    QString install() const { return installation_.path(); }
    void setLanguage(const QString &language) const { installation_.setSetting(QStringLiteral("LangS"), language); }
    QString certificates() const { return root_.path(); }

    // Runs OrnUpdate --unattended in the installation against serverUrl trusting caFile.
    ProgramRun runProgram(const QString &serverUrl, const QString &caFile) const
    {
        QProcessEnvironment trust;
        trust.insert(QStringLiteral("ORN_FTP_CAFILE"), caFile);
        return RunProgram(install(), {QStringLiteral("--unattended")}, installation_.configHome(), serverUrl, trust);
    }

private:
    QTemporaryDir root_;
    InstallationFixture installation_;
    bool published_ = false;
};

// Points ORN_FTP_SERVER and ORN_FTP_CAFILE of this process at a server until destruction.
class UpdateServerEnvironment {
public:
    UpdateServerEnvironment(const QString &url, const QString &caFile)
    {
        qputenv("ORN_FTP_SERVER", url.toUtf8());
        qputenv("ORN_FTP_CAFILE", caFile.toUtf8());
    }
    ~UpdateServerEnvironment()
    {
        qunsetenv("ORN_FTP_SERVER");
        qunsetenv("ORN_FTP_CAFILE");
    }
};

TEST(Tls, UnattendedRunInstallsTheReleaseOverExplicitAndImplicitTls)
{
    for (const TlsMode mode : {TlsMode::Explicit, TlsMode::Implicit}) {
        SCOPED_TRACE(mode == TlsMode::Explicit ? "explicit" : "implicit");
        const ReleaseAndInstallation tree;
        ASSERT_TRUE(tree.published());
        const TestCertificate certificate =
            MakeTestCertificate(tree.certificates(), QStringLiteral("server"), kTlsServerAltName);
        const VsftpdFixture server(tree.server(), mode, certificate);
        ASSERT_TRUE(server.isRunning());

        const ProgramRun run = tree.runProgram(server.url(), certificate.certificateFile);

        const QString printed = run.lines.join(u'\n');
        EXPECT_EQ(run.exitCode, 0) << printed.toStdString();
        EXPECT_EQ(run.lines.value(run.lines.size() - 1), QStringLiteral("[message] Обновление завершено"));
        for (const char *file : {"ORN.exe", "Update.exe", "bin/Report.dll"})
            EXPECT_EQ(FileBytes(tree.install() + u'/' + QString::fromUtf8(file)),
                      FileBytes(tree.release() + u'/' + QString::fromUtf8(file)))
                << file;
        EXPECT_EQ(FileBytes(tree.install() + QStringLiteral("/logdbupdate.txt")), QByteArray("b.sql\r\n"));
        // Every login went through TLS: vsftpd refuses USER before it and data without PROT P.
        const QByteArray log = server.log();
        EXPECT_TRUE(log.contains("OK LOGIN")) << log.toStdString();
        EXPECT_FALSE(log.contains("FAIL")) << log.toStdString();
    }
}

TEST(Tls, ServersThatFailTheTlsStepAreRefusedWithTheirReason)
{
    struct Case {
        const char *name;
        TlsMode serverTls;
        const char *clientScheme;
        const char *subjectAltName;  // of the server's certificate
        bool trustServerCertificate;  // else the CA file holds another certificate
        const char *reason;
        // Why the row cannot run under Wine, if it cannot.
        const char *notUnderWine = nullptr;
    };
    // Wine's Schannel reads a plain server's greeting as the start of a TLS record and waits for
    // the rest of it; Windows' refuses it at once, as OpenSSL does.
    const char *const greetingTakenForARecord =
        "Wine's Schannel waits for the rest of a record where Windows' refuses the greeting";
    const Case cases[] = {
        {"certificate outside the CA file", TlsMode::Explicit, "ftpes", "DNS:localhost", false,
         "The server's certificate is not signed by a trusted certificate authority"},
        {"certificate for another name", TlsMode::Explicit, "ftpes", "DNS:other.example", true,
         "The server's certificate is issued for another name"},
        {"server without TLS, explicit", TlsMode::Off, "ftpes", "DNS:localhost", true,
         "The server does not accept a secure connection (TLS)"},
        {"server without TLS, implicit", TlsMode::Off, "ftps", "DNS:localhost", true,
         "The server does not accept a secure connection (TLS)", greetingTakenForARecord},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.notUnderWine && RunningUnderWine()) {
            std::printf("Row \"%s\" left out under Wine: %s\n", c.name, c.notUnderWine);
            continue;
        }
        const ReleaseAndInstallation tree;
        ASSERT_TRUE(tree.published());
        tree.setLanguage(QStringLiteral("Eng"));
        const TestCertificate certificate =
            MakeTestCertificate(tree.certificates(), QStringLiteral("server"), QString::fromLatin1(c.subjectAltName));
        const TestCertificate other =
            MakeTestCertificate(tree.certificates(), QStringLiteral("other"), kTlsServerAltName);
        const VsftpdFixture server(tree.server(), c.serverTls, certificate);
        ASSERT_TRUE(server.isRunning());
        const QString url = QStringLiteral("%1://%2:%3").arg(QLatin1String(c.clientScheme), kTlsServerName).arg(server.port());

        const ProgramRun run = tree.runProgram(
            url, c.trustServerCertificate ? certificate.certificateFile : other.certificateFile);

        EXPECT_EQ(run.exitCode, 1);
        const QStringList expected{
            "---", "Connecting to the server", "Error connecting to the server",
            QStringLiteral("Unable to connect to the server %1/").arg(url), QString::fromUtf8(c.reason),
            "[message] Error connecting to the server", "[message] Error checking for updates"};
        EXPECT_EQ(run.lines, expected);
        EXPECT_EQ(FileBytes(tree.install() + QStringLiteral("/ORN.exe")), QByteArray("old main program"));
        EXPECT_EQ(QDir(tree.install()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                  QStringList({"ORN.exe", "Update.exe", "a.sql", "ftp.ini", "orn.txt"}));
        EXPECT_FALSE(server.log().contains("OK LOGIN")) << server.log().toStdString();
    }
}

TEST(TlsConnection, ThePinnedKeyIsCheckedBesideTheCertificate)
{
    QTemporaryDir root;
    const TestCertificate certificate =
        MakeTestCertificate(root.path(), QStringLiteral("server"), kTlsServerAltName);
    const TestCertificate other = MakeTestCertificate(root.path(), QStringLiteral("other"), kTlsServerAltName);
    const QString served = root.filePath(QStringLiteral("served"));
    QDir().mkpath(served);
    const VsftpdFixture server(served, TlsMode::Explicit, certificate);
    ASSERT_TRUE(server.isRunning());
    struct Case {
        const char *name;
        QString pin;
        bool connects;
        TlsFailure failure;
    };
    const Case cases[] = {
        {"the server's key", PublicKeyPin(certificate.certificateFile), true, TlsFailure::None},
        {"another key", PublicKeyPin(other.certificateFile), false, TlsFailure::PinnedKeyDiffers},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.pin.isEmpty());
        CurlFtpConnection connection(kTlsServerName, server.port(), QString::fromLatin1(kFtpUser),
                                     QString::fromLatin1(kFtpPassword), true,
                                     TlsSettings{TlsMode::Explicit, certificate.certificateFile, c.pin});
        EXPECT_EQ(connection.LogIn(), c.connects);
        EXPECT_EQ(int(LastConnectFailure()), int(c.failure));
    }
    EXPECT_EQ(TlsFailureLogText(TlsFailure::PinnedKeyDiffers),
              QStringLiteral("…Открытый ключ сервера не совпадает с закреплённым…"));
}

TEST(TlsConnection, PassiveAndActiveTransfersReuseTheTlsSession)
{
    QTemporaryDir root;
    const QString served = root.filePath(QStringLiteral("served"));
    WriteDatedFile(served, QStringLiteral("prog/one.bin"), QByteArray(200000, '1'), kReleaseDay);
    WriteDatedFile(served, QStringLiteral("prog/two.bin"), QByteArray(70000, '2'), kReleaseDay);
    const TestCertificate certificate =
        MakeTestCertificate(root.path(), QStringLiteral("server"), kTlsServerAltName);
    const VsftpdFixture server(served, TlsMode::Explicit, certificate);
    ASSERT_TRUE(server.isRunning());
    const UpdateServerEnvironment environment(server.url(), certificate.certificateFile);

    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
        ASSERT_NE(hNet, nullptr);
        HINTERNET hFTP = InternetConnectW(hNet, kTlsServerName, server.port(), QString::fromLatin1(kFtpUser),
                                          QString::fromLatin1(kFtpPassword), INTERNET_SERVICE_FTP,
                                          passive ? INTERNET_FLAG_PASSIVE : 0, 0);
        if (!passive && !ActiveTransfersWorkOverTls()) {
            // Refused before anything is sent, rather than hanging at the first transfer.
            EXPECT_EQ(hFTP, nullptr);
            EXPECT_EQ(int(LastConnectFailure()), int(TlsFailure::ActiveModeUnsupported));
            InternetCloseHandle(hNet);
            continue;
        }
        ASSERT_NE(hFTP, nullptr);
        // Two data connections after the listings of the look-ups: each must resume the session.
        HINTERNET hFile = nullptr;
        for (const char *name : {"one.bin", "two.bin"}) {
            const QString local = root.filePath(QStringLiteral("local-") + QString::fromLatin1(name));
            EXPECT_EQ(FtpDownloadFile(hFTP, hFile, QStringLiteral("/prog/"), QString::fromLatin1(name), local, {}), 5)
                << name;
            EXPECT_EQ(FileBytes(local), FileBytes(served + QStringLiteral("/prog/") + QString::fromLatin1(name)));
        }
        InternetCloseHandle(hFTP);
        InternetCloseHandle(hNet);
    }
}

TEST(TlsConnection, TheLastConnectFailureBelongsToItsThread)
{
    QTemporaryDir root;
    const TestCertificate certificate =
        MakeTestCertificate(root.path(), QStringLiteral("server"), kTlsServerAltName);
    const QString served = root.filePath(QStringLiteral("served"));
    QDir().mkpath(served);
    const VsftpdFixture plainServer(served, TlsMode::Off, certificate);
    ASSERT_TRUE(plainServer.isRunning());
    const TlsSettings explicitTls{TlsMode::Explicit, certificate.certificateFile, {}};

    CurlFtpConnection plain(QStringLiteral("127.0.0.1"), plainServer.port(), QString::fromLatin1(kFtpUser),
                            QString::fromLatin1(kFtpPassword), true, TlsSettings{});
    ASSERT_TRUE(plain.LogIn());
    TlsFailure otherThreads = TlsFailure::None;
    std::thread worker([&] {
        CurlFtpConnection refused(QStringLiteral("127.0.0.1"), plainServer.port(), QString::fromLatin1(kFtpUser),
                                  QString::fromLatin1(kFtpPassword), true, explicitTls);
        EXPECT_FALSE(refused.LogIn());
        otherThreads = LastConnectFailure();
    });
    worker.join();
    EXPECT_EQ(int(otherThreads), int(TlsFailure::ServerRefusesTls));
    EXPECT_EQ(int(LastConnectFailure()), int(TlsFailure::None));
}

}  // namespace
