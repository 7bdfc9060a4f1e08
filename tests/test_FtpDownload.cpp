// Downloading one server file: progress, content, every failure leaving the local file as it
// was, a stop request; and the progress texts and percentages.
#include "fixtures/FtpDownloadFixture.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "net/EventPump.h"
#include "net/FtpDownload.h"
#include "net/FtpTimeouts.h"
#include "net/PartialDownload.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>
#include <limits>
#include <gtest/gtest.h>

namespace {

struct Progress {
    QVector<QPair<uint32_t, uint32_t>> calls;
    DownloadProgress callback()
    {
        return [this](uint32_t received, uint32_t size) { calls.append({received, size}); };
    }
};

TEST_F(FtpDownloadTest, FetchesTheFileWithProgressAfterEveryBlock)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = reinterpret_cast<HINTERNET>(1);  // set to null on entry, never closed
    Progress progress;
    WriteTestFile(local, QByteArray(20000, 'o'));  // an older, longer file is replaced whole
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, progress.callback()),
              ResultCode::Downloaded);
    EXPECT_EQ(hFile, nullptr);
    EXPECT_EQ(ReadTestFile(local), TestBytes(10000));
    using Call = QPair<uint32_t, uint32_t>;
    EXPECT_EQ(progress.calls, (QVector<Call>{{4096, 10000}, {8192, 10000}, {10000, 10000}, {10000, 10000}}));
    ExpectOnlyTarget(true);
}

TEST_F(FtpDownloadTest, AnEmptyFileEndsAtAFullBar)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = nullptr;
    Progress progress;
    const QString target = localDir.path() + "/zero.sql";
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/", "zero.sql", target, progress.callback()),
              ResultCode::Downloaded);
    EXPECT_TRUE(QFile::exists(target));
    ASSERT_EQ(progress.calls.size(), 1);
    EXPECT_EQ(ProgressPercent(progress.calls[0].first, progress.calls[0].second), 100);
}

TEST_F(FtpDownloadTest, FailuresLeaveNoFileOrTheOldOneIntact)
{
    struct Case {
        const char *what;
        const char *folder;
        const char *name;
        bool passiveServer;  // without it the file cannot be opened (no data connection)
        int result;
    };
    const Case cases[] = {
        {"missing folder", "/prog/nothing/", "Report.dll.7z", true, ResultCode::DownloadFolderMissing},
        {"missing file", "/prog/bin/", "Other.dll.7z", true, ResultCode::DownloadFileMissing},
        {"a folder of that name", "/prog/", "folder.7z", true, ResultCode::DownloadFileMissing},
        {"cannot open", "/prog/bin/", "Report.dll.7z", false, ResultCode::DownloadOpenFailed},
    };
    // With a listed size the file is looked up only when it does not open: the same results.
    for (const std::optional<uint64_t> listedSize : {std::optional<uint64_t>(), std::optional<uint64_t>(10000)})
    for (bool oldFile : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << (oldFile ? ", old file present" : ", no old file")
                                              << (listedSize ? ", listed size" : ""));
            FtpServerOptions options;
            options.passive = c.passiveServer;
            FtpServerFixture server(serverDir.path(), options);
            ASSERT_TRUE(server.isRunning());
            FtpTestConnection connection(server);
            if (oldFile)
                WriteTestFile(local, "old");
            HINTERNET hFile = nullptr;
            Progress progress;
            EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, c.folder, c.name, local, progress.callback(), listedSize),
                      c.result);
            EXPECT_EQ(hFile, nullptr);
            EXPECT_TRUE(progress.calls.isEmpty());
            ExpectOnlyTarget(oldFile);
            if (oldFile)
                EXPECT_EQ(ReadTestFile(local), "old");
            QFile::remove(local);
        }
    }
}

TEST_F(FtpDownloadTest, LocalFileThatCannotBeCreatedClosesTheServerFile)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = nullptr;
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z",
                              localDir.path() + "/no-such-folder/Report.dll.7z", {}),
              ResultCode::DownloadLocalFailed);
    EXPECT_EQ(hFile, nullptr);
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}), ResultCode::Downloaded);
    EXPECT_EQ(ReadTestFile(local), TestBytes(10000));
}

TEST_F(FtpDownloadTest, WhatCouldNotBeOpenedIsTheTargetOrItsPartialFile)
{
    struct Case {
        const char *what;
        std::function<void()> prepare;
        QString expected;  // what is named as not opened; empty: neither the target nor its partial file
    };
    const QString partial = PartialFilePath(local, 10000);
    const Case cases[] = {
        {"a folder in the target's place", [&] { QDir().mkpath(local); }, local},
        {"a folder in the partial file's place", [&] { QDir().mkpath(partial); }, partial},
        {"a folder that does not exist", [&] { QDir(localDir.path()).removeRecursively(); }, QString()},
    };
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        HINTERNET hFile = nullptr;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}),
                  ResultCode::DownloadLocalFailed);
        EXPECT_EQ(UnopenedDownloadFile(local), c.expected);
        QDir(local).removeRecursively();
        QDir(partial).removeRecursively();
        QDir().mkpath(localDir.path());
    }
}

TEST_F(FtpDownloadTest, PartialFileNamesFitInAFileNameWhateverTheTargetsLength)
{
    // Archive names up to the longest file name, in one-byte and two-byte characters.
    const QString longest = QString(243, QLatin1Char('r')) + QStringLiteral(".dll-1-1.7z");
    const QStringList names = {QStringLiteral("Report.dll.7z"), QString(216, QLatin1Char('a')) + QStringLiteral(".dll.7z"),
                               QString(224, QLatin1Char('b')) + QStringLiteral(".dll.7z"), longest,
                               QString(125, QChar(0x0444)) + QStringLiteral(".7z")};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LE(name.toUtf8().size(), 255);
        for (const uint64_t size : {uint64_t(0), uint64_t(10000), std::numeric_limits<uint64_t>::max()}) {
            const QString partial = PartialFileName(name, size);
            EXPECT_LE(partial.toUtf8().size(), 255) << size;
            EXPECT_EQ(PartialFileKeyOfName(partial), PartialFileKey(name)) << size;
        }
        EXPECT_EQ(PartialFileKey(name) == name, name.toUtf8().size() <= 225) << "short names stand as they are";
        // Fetched whole, and continued after a cut, under that name.
        WriteTestFile(serverDir.path() + "/prog/long/" + name, TestBytes(10000));
        FtpServerOptions options;
        options.endAfterBytes = 6000;
        options.endOnce = true;
        FtpServerFixture server(serverDir.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        const QString target = localDir.path() + "/" + name;
        HINTERNET hFile = nullptr;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/long/", name, target, {}), ResultCode::DownloadIncomplete);
        EXPECT_EQ(FolderEntries(localDir.path()), QStringList{PartialFileName(name, 10000)});
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/long/", name, target, {}), ResultCode::Downloaded);
        EXPECT_EQ(ReadTestFile(target), TestBytes(10000));
        QFile::remove(target);
    }
    // Long names that begin alike keep apart: the clean-up keeps the partial file of the one
    // still to fetch.
    const QString other = QString(243, QLatin1Char('r')) + QStringLiteral(".dll-2-2.7z");
    EXPECT_NE(PartialFileKey(longest), PartialFileKey(other));
    WriteTestFile(localDir.path() + "/" + PartialFileName(longest, 5), "12");
    WriteTestFile(localDir.path() + "/" + PartialFileName(other, 5), "12");
    RemovePartialFilesExcept(localDir.path(), {longest});
    EXPECT_EQ(FolderEntries(localDir.path()), QStringList{PartialFileName(longest, 5)});
}

TEST_F(FtpDownloadTest, TransfersThatEndEarlyOrGoBeyondTheListedSizeKeepTheOldFile)
{
    using Ending = FtpServerOptions::Ending;
    struct Case {
        const char *what;
        int64_t endAfter;     // the transfer ends after this many bytes (-1: never)...
        Ending ending;        // ...this way
        int64_t extraBytes;   // or goes on this far beyond the file's end
        bool machineListing;  // how the size is looked up: MLST, SIZE, or a listing
        bool serverSize;
        uint32_t lastReceived;  // the last count of bytes taken (0: any up to the file's size)
        bool keptForResume;     // what arrived is kept for the next attempt (not when cut)
        int sendRate = 0;       // the server sends about this many bytes a second (0: at full speed)
    };
    const Case cases[] = {
        {"dropped with 426", 6000, Ending::Drop, 0, true, true, 6000, true},
        {"dropped with 226", 6000, Ending::Short, 0, true, true, 6000, true},
        {"dropped with 226, fewer bytes than listed", 6000, Ending::Short, 0, true, false, 6000, true},
        {"stalled", 6000, Ending::Stall, 0, true, true, 6000, true},
        {"1 MB beyond the size from MLST", -1, Ending::Drop, 1000000, true, true, 0, false},
        {"1 MB beyond the size from SIZE", -1, Ending::Drop, 1000000, false, true, 0, false},
        {"1 MB beyond the size from LIST", -1, Ending::Drop, 1000000, false, false, 0, false},
        {"trickling at 50 bytes a second", -1, Ending::Drop, 0, true, true, 0, true, 50},
    };
    SetFtpTimeouts(kFtpConnectTimeoutSeconds, 1);
    SetFtpLowSpeed(1000, 2);  // below 1000 bytes a second for 2 s: 200 s at 50 bytes a second
    const QString partial = PartialFileName("Report.dll.7z", 10000);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(localDir.path() + "/" + partial);  // each case starts afresh
        FtpServerOptions options;
        options.endAfterBytes = c.endAfter;
        options.ending = c.ending;
        options.extraBytes = c.extraBytes;
        options.machineListing = c.machineListing;
        options.size = c.serverSize;
        options.sendBytesPerSecond = c.sendRate;
        FtpServerFixture server(serverDir.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        WriteTestFile(local, "old");
        HINTERNET hFile = nullptr;
        Progress progress;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, progress.callback()),
                  ResultCode::DownloadIncomplete);
        EXPECT_EQ(hFile, nullptr);
        ASSERT_FALSE(progress.calls.isEmpty());
        if (c.lastReceived > 0)
            EXPECT_EQ(progress.calls.last().first, c.lastReceived);
        for (const auto &call : std::as_const(progress.calls)) {
            EXPECT_LE(call.first, 10000u);  // nothing beyond the listed size was taken
            EXPECT_EQ(call.second, 10000u);
        }
        EXPECT_EQ(ReadTestFile(local), "old");
        if (c.keptForResume) {
            // What arrived is kept, hidden, for the next attempt.
            EXPECT_EQ(FolderEntries(localDir.path()), QStringList({partial, "Report.dll.7z"}));
            EXPECT_EQ(ReadTestFile(localDir.path() + "/" + partial), TestBytes(10000).left(progress.calls.last().first));
        } else {
            ExpectOnlyTarget(true);  // a transfer cut for its size leaves nothing of it
        }
    }
}

TEST_F(FtpDownloadTest, ADownloadCutShortIsContinuedWhereTheServerCan)
{
    struct Case {
        const char *what;
        bool restart;             // the server offers REST
        bool changed;             // the server file changes (size and content) between attempts
        const char *secondTransfer;  // the server's log line of the second attempt's transfer
    };
    const Case cases[] = {
        {"continued with REST", true, false, "completed=1 bytes=5000 "},
        {"server without REST: from the first byte", false, false, "completed=1 bytes=10000 "},
        {"server file changed: from the first byte", true, true, "completed=1 bytes=12000 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString serverFile = serverDir.path() + "/prog/bin/Report.dll.7z";
        WriteTestFile(serverFile, TestBytes(10000));
        QFile::remove(local);
        FtpServerOptions options;
        options.endAfterBytes = 5000;
        options.endOnce = true;
        options.restart = c.restart;
        options.logCommands = true;
        FtpServerFixture server(serverDir.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        HINTERNET hFile = nullptr;
        ASSERT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}),
                  ResultCode::DownloadIncomplete);
        QByteArray expected = TestBytes(10000);
        if (c.changed) {
            expected = TestBytes(12000);
            expected[0] = 'x';
            WriteTestFile(serverFile, expected);
        }
        Progress progress;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, progress.callback()),
                  ResultCode::Downloaded);
        EXPECT_EQ(ReadTestFile(local), expected);
        ExpectOnlyTarget(true);
        ASSERT_FALSE(progress.calls.isEmpty());
        EXPECT_EQ(progress.calls.last().first, uint32_t(expected.size()));
        EXPECT_TRUE(server.logShows(c.secondTransfer)) << server.log().toStdString();
        EXPECT_EQ(server.log().contains("-> 350 Restarting at position 5000"), c.restart && !c.changed);
    }
}

TEST_F(FtpDownloadTest, AnExpectedSizeGivenByTheCallerIsEnforced)
{
    struct Case {
        const char *what;
        uint64_t expected;
        int result;
        uint32_t lastReceived;
    };
    const Case cases[] = {
        {"the file's size", 10000, ResultCode::Downloaded, 10000},
        {"less than the file", 9000, ResultCode::DownloadIncomplete, 8192},
        {"more than the file", 10001, ResultCode::DownloadIncomplete, 10000},
        {"nothing", 0, ResultCode::DownloadIncomplete, 0},
    };
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteTestFile(local, "old");
        HINTERNET hFile = nullptr;
        Progress progress;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local,
                                  progress.callback(), c.expected),
                  c.result);
        EXPECT_EQ(hFile, nullptr);
        const uint32_t lastReceived = progress.calls.isEmpty() ? 0 : progress.calls.last().first;
        EXPECT_EQ(lastReceived, c.lastReceived);
        for (const auto &call : std::as_const(progress.calls))
            EXPECT_EQ(call.second, uint32_t(c.expected));
        EXPECT_EQ(ReadTestFile(local), c.result == ResultCode::Downloaded ? TestBytes(10000) : QByteArray("old"));
        // Short of the size, what arrived is kept for the next attempt; beyond it, nothing.
        const QString partial = PartialFileName("Report.dll.7z", c.expected);
        EXPECT_EQ(QFileInfo::exists(localDir.path() + "/" + partial), c.expected > 10000);
        QFile::remove(localDir.path() + "/" + partial);
        ExpectOnlyTarget(true);
    }
}

TEST_F(FtpDownloadTest, AListedSizeSparesTheLookUpBeforeTheTransfer)
{
    for (const std::optional<uint64_t> listedSize : {std::optional<uint64_t>(), std::optional<uint64_t>(10000)}) {
        SCOPED_TRACE(listedSize ? "listed size" : "no listed size");
        FtpServerOptions options;
        options.logCommands = true;
        FtpServerFixture server(serverDir.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        HINTERNET hFile = nullptr;
        EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}, listedSize),
                  ResultCode::Downloaded);
        EXPECT_EQ(ReadTestFile(local), TestBytes(10000));
        EXPECT_EQ(server.logShows(QStringLiteral("MLST Report.dll.7z")), !listedSize) << server.log().toStdString();
        EXPECT_FALSE(server.logShows(QStringLiteral("SIZE "))) << server.log().toStdString();
        QFile::remove(local);
    }
}

TEST_F(FtpDownloadTest, AStopRequestEndsTheTransferAndTheNextDownloadReconnects)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = nullptr;
    const QString big = localDir.path() + "/big.7z";
    const DownloadProgress stopAtOnce = [](uint32_t, uint32_t) { RequestStop(); };
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/", "big.7z", big, stopAtOnce),
              ResultCode::DownloadIncomplete);
    EXPECT_EQ(hFile, nullptr);
    EXPECT_TRUE(FolderEntries(localDir.path()).isEmpty());

    ClearStopRequest();
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/", "big.7z", big, {}), ResultCode::Downloaded);
    EXPECT_EQ(ReadTestFile(big), TestBytes(3000000));
}

TEST_F(FtpDownloadTest, AnErrorThrownByTheProgressCallClosesEverything)
{
    FtpServerFixture server(serverDir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = nullptr;
    WriteTestFile(local, "old");
    EXPECT_THROW(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local,
                                 [](uint32_t, uint32_t) { throw RunStopped(); }),
                 RunStopped);
    EXPECT_EQ(hFile, nullptr);
    EXPECT_EQ(ReadTestFile(local), "old");
    ExpectOnlyTarget(true);
    EXPECT_EQ(FtpDownloadFile(connection.hFTP, hFile, "/prog/bin/", "Report.dll.7z", local, {}), ResultCode::Downloaded);
}

TEST(ProgressPercent, RoundsHalvesToEvenAndStaysWithinTheBar)
{
    struct Case {
        uint32_t received, size;
        int percent;
    };
    const Case cases[] = {
        {0, 10000, 0},     {4096, 10000, 41},  {10000, 10000, 100}, {1, 200, 0},  // 0.5 -> 0
        {3, 200, 2},       {5, 200, 2},        {7, 200, 4},          {199, 200, 100},
        {20000, 10000, 100}, {0, 0, 100},      {5, 0, 100},          {4294967295u, 4294967295u, 100},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ProgressPercent(c.received, c.size), c.percent) << c.received << " of " << c.size;
}

TEST(SizeToText, UsesDecimalUnitsAndTheLocaleSeparator)
{
    struct Case {
        int32_t n;
        const char *point, *comma;
    };
    const Case cases[] = {
        {999, "999 bytes", "999 bytes"},         {1000, "1.00 Kb", "1,00 Kb"},
        {999999, "1000.00 Kb", "1000,00 Kb"},   {1500000, "1.50 Mb", "1,50 Mb"},
        {10000, "10.00 Kb", "10,00 Kb"},         {0, "0 bytes", "0 bytes"},
        {-5, "-5 bytes", "-5 bytes"},            {2147483647, "2147.48 Mb", "2147,48 Mb"},
    };
    const QLocale saved;
    for (const Case &c : cases) {
        QLocale::setDefault(QLocale::c());
        EXPECT_EQ(SizeToText(c.n), c.point) << c.n;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        EXPECT_EQ(SizeToText(c.n), c.comma) << c.n;
    }
    QLocale::setDefault(saved);
}

}  // namespace
