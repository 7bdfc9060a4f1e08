// The FTP client operations against a real server: login, folder changes, listings in the
// styles servers use, look-ups, and reads that end early, stall or are stopped.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "net/EventPump.h"
#include "net/FtpTimeouts.h"
#include "net/ServerSettings.h"
#include "net/WinInet.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A server tree: files at the top, a Cyrillic folder with a space, a nested folder, an empty one.
void MakeTree(const QString &root)
{
    WriteTestFile(root + "/readme.txt", "hello\n");
    WriteTestFile(root + "/data.bin", TestBytes(5000));
    WriteTestFile(root + QStringLiteral("/Папка с пробелом/файл 1.txt"), "one");
    WriteTestFile(root + "/bin/sub/deep.dll", TestBytes(70));
    QDir(root).mkpath("empty");
}

// Reads a whole open file in blocks of 4096; *ok is the result of the last read.
QByteArray ReadAll(HINTERNET hFile, bool *ok)
{
    QByteArray bytes;
    char buffer[4096];
    uint32_t count = 0;
    while ((*ok = InternetReadFile(hFile, buffer, sizeof buffer, &count)) && count > 0)
        bytes.append(buffer, count);
    return bytes;
}

// A port on 127.0.0.1 where nothing listens: below 1024, where only a system service could.
constexpr uint16_t kClosedPort = 1;

HINTERNET Connect(HINTERNET hNet, uint16_t port, const QString &password = QString::fromLatin1(kFtpPassword))
{
    return InternetConnectW(hNet, QStringLiteral("127.0.0.1"), port, QString::fromLatin1(kFtpUser), password,
                            INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
}

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        MakeTree(root.path());
    }
    void TearDown() override
    {
        ClearStopRequest();
        SetFtpTimeouts(kFtpConnectTimeoutSeconds, kFtpStallTimeoutSeconds);
        SetFtpListingLimits(kFtpListingMaxBytes, kFtpListingMaxSeconds);
    }
    QTemporaryDir root;
};

TEST_F(FtpClientTest, LogsInAndListsInTheModeTheServerOffers)
{
    struct Case {
        bool clientPassive, serverPassive, serverActive, listed;
    };
    const Case cases[] = {
        {true, true, false, true},
        {false, false, true, true},
        {true, false, true, false},
        {false, true, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "client passive " << c.clientPassive << ", server passive "
                                          << c.serverPassive << ", server active " << c.serverActive);
        FtpServerOptions options;
        options.passive = c.serverPassive;
        options.active = c.serverActive;
        FtpServerFixture server(root.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server, c.clientPassive);
        ASSERT_NE(connection.hFTP, nullptr);  // the login itself needs no data connection
        const QStringList listing = ListCurrentFolder(connection.hFTP);
        if (c.listed)
            EXPECT_EQ(listing, (QStringList{"bin/", "data.bin", "empty/", "readme.txt", QStringLiteral("Папка с пробелом/")}));
        else
            EXPECT_TRUE(listing.isEmpty());
    }
}

TEST_F(FtpClientTest, ConnectFailsWithoutServerWrongPasswordOrSession)
{
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    ASSERT_NE(hNet, nullptr);
    EXPECT_EQ(Connect(hNet, kClosedPort), nullptr);
    EXPECT_EQ(Connect(hNet, server.port(), QStringLiteral("wrong-password")), nullptr);
    EXPECT_EQ(Connect(nullptr, server.port()), nullptr);
    HINTERNET hFTP = Connect(hNet, server.port());
    EXPECT_NE(hFTP, nullptr);
    InternetCloseHandle(hFTP);
    InternetCloseHandle(hNet);
}

TEST_F(FtpClientTest, ConnectGivesUpOnAServerThatNeverGreets)
{
    SetFtpTimeouts(1, kFtpStallTimeoutSeconds);
    FtpServerOptions options;
    options.silent = true;
    FtpServerFixture silent(root.path(), options);
    ASSERT_TRUE(silent.isRunning());
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    bool pumped = false;
    QTimer::singleShot(50, [&] { pumped = true; });
    EXPECT_EQ(Connect(hNet, silent.port()), nullptr);
    EXPECT_TRUE(pumped) << "pending events must run while the connection attempt waits";
    InternetCloseHandle(hNet);
}

TEST_F(FtpClientTest, FolderChangesKeepTheCurrentFolderOnFailure)
{
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    ASSERT_NE(connection.hFTP, nullptr);
    HINTERNET hFTP = connection.hFTP;

    ASSERT_TRUE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("/Папка с пробелом/")));
    EXPECT_EQ(ListCurrentFolder(hFTP), QStringList{QStringLiteral("файл 1.txt")});
    EXPECT_FALSE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("/missing/")));
    EXPECT_EQ(ListCurrentFolder(hFTP), QStringList{QStringLiteral("файл 1.txt")});

    ASSERT_TRUE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("/bin")));
    ASSERT_TRUE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("sub")));  // relative
    EXPECT_EQ(ListCurrentFolder(hFTP), QStringList{"deep.dll"});
    ASSERT_TRUE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("../..")));
    EXPECT_EQ(ListCurrentFolder(hFTP).size(), 5);
    EXPECT_FALSE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("readme.txt")));
    EXPECT_FALSE(FtpSetCurrentDirectoryW(nullptr, QStringLiteral("/")));
}

TEST_F(FtpClientTest, ACommandAnsweredTwiceFailsAndTheConnectionGoesOn)
{
    // pyftpdlib answers a command line of more than 2048 bytes with "500 Command too long."
    // for every 2048 bytes, then once more for the rest of the line.
    struct Case {
        const char *what;
        QString folder;
    };
    const Case cases[] = {
        {"one folder of 10 000 bytes", QStringLiteral("/") + QString(10000, QLatin1Char('a')) + QStringLiteral("/")},
        {"40 folders of 250 bytes", QStringLiteral("/") + QStringList(40, QString(250, QLatin1Char('b'))).join('/')},
        {"a folder of 2500 bytes", QStringLiteral("/") + QString(2500, QLatin1Char('c'))},
    };
    SetFtpTimeouts(kFtpConnectTimeoutSeconds, 5);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FtpServerFixture server(root.path());
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_NE(connection.hFTP, nullptr);
        EXPECT_FALSE(FtpSetCurrentDirectoryW(connection.hFTP, c.folder));
        // The replies left over do not pass for the answers of the next commands.
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin/sub/")));
        EXPECT_EQ(ListCurrentFolder(connection.hFTP), QStringList{"deep.dll"});
        EXPECT_FALSE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/missing/")));
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));
        EXPECT_EQ(ListCurrentFolder(connection.hFTP).size(), 5);
    }
}

TEST_F(FtpClientTest, ListingStylesGiveTheSameEntries)
{
    for (const ListingStyle &style : kListingStyles) {
        SCOPED_TRACE(style.name);
        FtpServerFixture server(root.path(), ListingOptions(style));
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_NE(connection.hFTP, nullptr);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));

        WIN32_FIND_DATAW found;
        HINTERNET hFind = FtpFindFirstFileW(connection.hFTP, QStringLiteral("*.*"), &found, 0, 0);
        ASSERT_NE(hFind, nullptr);
        QMap<QString, QPair<uint32_t, uint64_t>> entries;
        do {
            entries.insert(found.cFileName, {found.dwFileAttributes, found.nFileSize});
        } while (InternetFindNextFileW(hFind, &found));
        InternetCloseHandle(hFind);
        EXPECT_EQ(entries.size(), 5);
        EXPECT_EQ(entries.value("data.bin"), qMakePair(FILE_ATTRIBUTE_NORMAL, uint64_t(5000)));
        EXPECT_EQ(entries.value("readme.txt"), qMakePair(FILE_ATTRIBUTE_NORMAL, uint64_t(6)));
        EXPECT_EQ(entries.value("bin").first, FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(entries.value(QStringLiteral("Папка с пробелом")).first, FILE_ATTRIBUTE_DIRECTORY);

        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/empty/")));
        EXPECT_EQ(FtpFindFirstFileW(connection.hFTP, QStringLiteral("*.*"), &found, 0, 0), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);  // listed, nothing there: no failure
    }
}

TEST_F(FtpClientTest, EndlessListingsFailOnTheirSizeOrTimeLimit)
{
    struct Case {
        const char *what;
        FtpServerOptions::EndlessListing listing;
        bool machineListing;
        uint32_t error;
    };
    const Case cases[] = {
        {"fast MLSD", FtpServerOptions::EndlessListing::Fast, true, ERROR_NOT_ENOUGH_MEMORY},
        {"fast LIST", FtpServerOptions::EndlessListing::Fast, false, ERROR_NOT_ENOUGH_MEMORY},
        {"trickling MLSD", FtpServerOptions::EndlessListing::Trickle, true, ERROR_INTERNET_TIMEOUT},
        {"trickling LIST", FtpServerOptions::EndlessListing::Trickle, false, ERROR_INTERNET_TIMEOUT},
    };
    SetFtpListingLimits(1024 * 1024, 3);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FtpServerOptions options;
        options.endlessListing = c.listing;
        options.machineListing = c.machineListing;
        FtpServerFixture server(root.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin/")));
        WIN32_FIND_DATAW found;
        EXPECT_EQ(FtpFindFirstFileW(connection.hFTP, QStringLiteral("*.*"), &found, 0, 0), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(FtpClientTest, PatternsFilterTheListing)
{
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));
    WIN32_FIND_DATAW found;
    HINTERNET hFind = FtpFindFirstFileW(connection.hFTP, QStringLiteral("*.TXT"), &found, 0, 0);
    ASSERT_NE(hFind, nullptr);
    EXPECT_EQ(found.cFileName, "readme.txt");
    EXPECT_FALSE(InternetFindNextFileW(hFind, &found));
    InternetCloseHandle(hFind);
}

TEST_F(FtpClientTest, LooksOneNameUpWhateverTheServerOffers)
{
    struct Case {
        const char *what;
        bool machineListing, size;
    };
    const Case cases[] = {{"MLST", true, true}, {"SIZE", false, true}, {"listing", false, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FtpServerOptions options;
        options.machineListing = c.machineListing;
        options.size = c.size;
        FtpServerFixture server(root.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/Папка с пробелом")));

        WIN32_FIND_DATAW found;
        HINTERNET hFind = FtpFindFirstFileW(connection.hFTP, QStringLiteral("файл 1.txt"), &found, 0, 0);
        ASSERT_NE(hFind, nullptr);
        EXPECT_EQ(found.cFileName, QStringLiteral("файл 1.txt"));
        EXPECT_EQ(found.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(found.nFileSize, 3u);
        EXPECT_FALSE(InternetFindNextFileW(hFind, &found));
        InternetCloseHandle(hFind);
        EXPECT_EQ(FtpFindFirstFileW(connection.hFTP, QStringLiteral("missing.txt"), &found, 0, 0), nullptr);
        // A miss leaves the connection as it was.
        EXPECT_EQ(ListCurrentFolder(connection.hFTP), QStringList{QStringLiteral("файл 1.txt")});
    }
}

TEST_F(FtpClientTest, ReadsAFileInBlocksInBothModes)
{
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        FtpServerFixture server(root.path());
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server, passive);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));
        EXPECT_EQ(FtpOpenFileW(connection.hFTP, "missing.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0), nullptr);
        HINTERNET hFile = FtpOpenFileW(connection.hFTP, "data.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
        ASSERT_NE(hFile, nullptr);
        // One transfer at a time on a connection.
        EXPECT_EQ(FtpOpenFileW(connection.hFTP, "readme.txt", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0), nullptr);
        EXPECT_FALSE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin")));
        bool ok = false;
        EXPECT_EQ(ReadAll(hFile, &ok), TestBytes(5000));
        EXPECT_TRUE(ok);
        InternetCloseHandle(hFile);
        EXPECT_EQ(ListCurrentFolder(connection.hFTP).size(), 5);
    }
}

TEST_F(FtpClientTest, TransfersThatEndEarlyAreToldApartFromComplete)
{
    WriteTestFile(root.path() + "/big.bin", TestBytes(300000));
    struct Case {
        const char *what;
        FtpServerOptions::Ending ending;
        bool serverSize;  // with SIZE the size is known before the transfer
        bool readOk;      // the last read: false = failure, true = end of file (but short)
    };
    const Case cases[] = {
        {"dropped with 426", FtpServerOptions::Ending::Drop, true, false},
        {"dropped with 226", FtpServerOptions::Ending::Short, true, false},
        {"dropped with 226, size unknown", FtpServerOptions::Ending::Short, false, true},
        {"stalled", FtpServerOptions::Ending::Stall, true, false},
    };
    SetFtpTimeouts(kFtpConnectTimeoutSeconds, 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FtpServerOptions options;
        options.endAfterBytes = 100000;
        options.ending = c.ending;
        options.size = c.serverSize;
        FtpServerFixture server(root.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));
        HINTERNET hFile = FtpOpenFileW(connection.hFTP, "big.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
        ASSERT_NE(hFile, nullptr);
        bool ok = !c.readOk;
        const QByteArray bytes = ReadAll(hFile, &ok);
        EXPECT_EQ(ok, c.readOk);
        EXPECT_EQ(bytes, TestBytes(300000).left(100000));
        InternetCloseHandle(hFile);
        // The connection serves the next operation.
        EXPECT_EQ(ListCurrentFolder(connection.hFTP).size(), 6);
    }
}

TEST_F(FtpClientTest, AStopRequestEndsATransferAndTheNextOperationReconnects)
{
    WriteTestFile(root.path() + "/big.bin", TestBytes(4000000));
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin/")));
    HINTERNET hFile = FtpOpenFileW(connection.hFTP, "../big.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    EXPECT_EQ(hFile, nullptr);  // names only, no paths
    ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/")));
    hFile = FtpOpenFileW(connection.hFTP, "big.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(hFile, nullptr);
    char buffer[4096];
    uint32_t count = 0;
    ASSERT_TRUE(InternetReadFile(hFile, buffer, sizeof buffer, &count));
    RequestStop();
    bool ok = true;
    const QByteArray rest = ReadAll(hFile, &ok);
    EXPECT_FALSE(ok);
    EXPECT_LT(rest.size(), 4000000 - 4096);
    InternetCloseHandle(hFile);
    EXPECT_FALSE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin/")));

    ClearStopRequest();
    // Still in "/": the failed change kept the folder, and the new connection enters it again.
    EXPECT_EQ(ListCurrentFolder(connection.hFTP).size(), 6);
    ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/bin/sub/")));
    hFile = FtpOpenFileW(connection.hFTP, "deep.dll", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(hFile, nullptr);
    EXPECT_EQ(ReadAll(hFile, &ok), TestBytes(70));
    EXPECT_TRUE(ok);
    InternetCloseHandle(hFile);
}

TEST_F(FtpClientTest, ClosingTheConnectionFirstLeavesTheFileHandleClosable)
{
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    HINTERNET hNet = InternetOpenW(QString::fromLatin1(kAgentName), INTERNET_OPEN_TYPE_PRECONFIG, {}, {}, 0);
    HINTERNET hFTP = Connect(hNet, server.port());
    ASSERT_TRUE(FtpSetCurrentDirectoryW(hFTP, QStringLiteral("/")));
    HINTERNET hFile = FtpOpenFileW(hFTP, "data.bin", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(hFile, nullptr);
    InternetCloseHandle(hFTP);
    char buffer[16];
    uint32_t count = 1;
    EXPECT_FALSE(InternetReadFile(hFile, buffer, sizeof buffer, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(InternetCloseHandle(hFile));
    EXPECT_TRUE(InternetCloseHandle(hNet));
    EXPECT_TRUE(InternetCloseHandle(nullptr));
}

}  // namespace
