// TScanDir over real local folder trees and over a real FTP server, the file masks it matches
// with, and its sorting and list access.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/TestSystem.h"
#include "base/FatDateTime.h"
#include "base/FileMask.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "Path|FileName" of every entry, in scan order; checks the parallel lists on the way.
QStringList Entries(const TScanDir &scan)
{
    EXPECT_EQ(scan.FindCount(), scan.MyDataSearch.size());
    EXPECT_EQ(scan.ResultPath().size(), scan.MyDataSearch.size());
    EXPECT_EQ(scan.ResultFile().size(), scan.MyDataSearch.size());
    QStringList entries;
    for (int i = 0; i < scan.MyDataSearch.size(); ++i) {
        const TDataSearch &entry = scan.MyDataSearch[i];
        EXPECT_EQ(scan.ResultPath().value(i), entry.Path);
        EXPECT_EQ(scan.ResultFile().value(i), entry.FileName);
        entries << entry.Path + u'|' + entry.FileName;
    }
    return entries;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

struct MaskCase {
    const char *name;
    const char *mask;
    bool matches;
};

void PrintTo(const MaskCase &c, std::ostream *os) { *os << c.name << " ~ " << c.mask; }

class FileMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMask, MatchesLikeThePlatformFileSearch)
{
    EXPECT_EQ(FileMaskMatches(QString::fromUtf8(GetParam().name), QString::fromUtf8(GetParam().mask)),
              GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Masks, FileMask, ::testing::Values(
    MaskCase{"setup.exe", "*.*", true},
    MaskCase{"README", "*.*", true},
    MaskCase{".hidden", "*.*", true},
    MaskCase{"README", "*", true},
    MaskCase{"update.SQL", "*.sql", true},
    MaskCase{"update.sql.bak", "*.sql", false},
    MaskCase{"sql", "*.sql", false},
    MaskCase{"a1.txt", "a?.txt", true},
    MaskCase{"a.txt", "a?.txt", false},
    MaskCase{"ab12.txt", "a*1?.t*", true},
    MaskCase{"Report", "report.*", true},
    MaskCase{"Отчёт.DOC", "отчёт.doc", true},
    MaskCase{"abc", "abd", false},
    MaskCase{"abc", "", false}));

class LocalScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + u'/';
        WriteTestFile(root + "setup.exe", "12345");
        WriteTestFile(root + ".profile", "h");
        WriteTestFile(root + "README", "r");
        WriteTestFile(root + "db/001.sql", "s1");
        WriteTestFile(root + "db/notes.txt", "n");
        WriteTestFile(root + "db/old/002.sql", "s2");
        WriteTestFile(root + ".git/config", "hidden folder");
        QDir(root).mkpath("empty");
    }
    QTemporaryDir dir;
    QString root;
};

TEST_F(LocalScan, ListsHiddenFilesButDoesNotEnterHiddenFolders)
{
    TScanDir scan;
    scan.setSearchPath(root);
    scan.setSearchInSubDir(true);
    EXPECT_EQ(scan.BeginScan(), 0);
    EXPECT_EQ(Sorted(Entries(scan)), (QStringList{root + "db/old/|002.sql", root + "db/|001.sql", root + "db/|notes.txt",
                                                  root + "|.profile", root + "|README", root + "|setup.exe"}));
}

TEST_F(LocalScan, GoesDepthFirstWithAFoldersFilesBeforeItsSubFolders)
{
    TScanDir scan;
    scan.setSearchPath(root);
    scan.setSearchInSubDir(true);
    scan.BeginScan();
    const QStringList entries = Entries(scan);
    ASSERT_EQ(entries.size(), 6);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(entries[i].startsWith(root + u'|')) << entries[i].toStdString();
    EXPECT_TRUE(entries[3].startsWith(root + "db/|"));
    EXPECT_TRUE(entries[4].startsWith(root + "db/|"));
    EXPECT_EQ(entries[5], root + "db/old/|002.sql");
}

TEST_F(LocalScan, MaskSelectsFilesButEveryFolderIsStillEntered)
{
    TScanDir scan;
    scan.setSearchPath(root);
    scan.setSearchMask("*.SQL");
    scan.setSearchInSubDir(true);
    scan.BeginScan();
    EXPECT_EQ(Entries(scan), (QStringList{root + "db/|001.sql", root + "db/old/|002.sql"}));
}

TEST_F(LocalScan, WithoutSubFoldersOnlyTheStartFolderIsListed)
{
    TScanDir scan;
    scan.setSearchPath(root);
    EXPECT_FALSE(scan.SearchInSubDir());
    EXPECT_EQ(scan.SearchMask(), "*.*");
    scan.BeginScan();
    EXPECT_EQ(Sorted(Entries(scan)), (QStringList{root + "|.profile", root + "|README", root + "|setup.exe"}));
}

TEST_F(LocalScan, StartPathWithOrWithoutTrailingSeparatorGivesTheSameEntries)
{
    TScanDir withSeparator, without;
    for (TScanDir *scan : {&withSeparator, &without})
        scan->setSearchInSubDir(true);
    withSeparator.setSearchPath(root + "db/");
    without.setSearchPath(root + "db");
    withSeparator.BeginScan();
    without.BeginScan();
    EXPECT_EQ(Sorted(Entries(withSeparator)), Sorted(Entries(without)));
    for (const TDataSearch &entry : without.MyDataSearch)
        EXPECT_TRUE(entry.Path.endsWith(u'/'));
}

TEST_F(LocalScan, FillsExtensionSizeAndTwoSecondDate)
{
    QFile file(root + "setup.exe");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime written(QDate(2021, 6, 15), QTime(13, 45, 31));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    TScanDir scan;
    scan.setSearchPath(root);
    scan.setSearchMask("setup.*");
    scan.BeginScan();
    ASSERT_EQ(scan.FindCount(), 1);
    const TDataSearch &entry = scan.MyDataSearch[0];
    EXPECT_EQ(entry.FileExt, "exe");
    EXPECT_EQ(entry.Size, 5);
    EXPECT_DOUBLE_EQ(entry.DateTime, DateTimeFromParts(2021, 6, 15, 13, 45, 30));
    EXPECT_TRUE(entry.Comment.isEmpty());

    // A date before the packed form's first year comes out as its first day.
    QFile old(root + "README");
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(old.setFileTime(QDateTime(QDate(1975, 3, 1), QTime(8, 0)), QFileDevice::FileModificationTime));
    old.close();
    scan.setSearchMask("README");
    scan.BeginScan();
    ASSERT_EQ(scan.FindCount(), 1);
    EXPECT_DOUBLE_EQ(scan.MyDataSearch[0].DateTime, DateTimeFromParts(1980, 1, 1, 0, 0, 0));
    EXPECT_TRUE(scan.MyDataSearch[0].FileExt.isEmpty());
}

TEST_F(LocalScan, MissingFolderEmptyPathAndLinkedFoldersGiveNothing)
{
    // Without links on Windows the same scans still cover the missing and the empty folder.
    if (!kWindowsSystem) {
        ASSERT_TRUE(QFile::link(root + "db", root + "empty/link-to-db"));
        ASSERT_TRUE(QFile::link(dir.path(), root + "db/old/loop"));
    }
    TScanDir scan;
    scan.setSearchInSubDir(true);
    scan.setSearchPath(root + "empty/");
    EXPECT_EQ(scan.BeginScan(), 0);
    EXPECT_EQ(scan.FindCount(), 0);
    scan.setSearchPath(root + "missing/");
    EXPECT_EQ(scan.BeginScan(), 0);
    EXPECT_EQ(scan.FindCount(), 0);
    scan.setSearchPath(QString());
    EXPECT_EQ(scan.BeginScan(), 0);
    EXPECT_EQ(scan.FindCount(), 0);
    scan.setSearchPath(root + "db/");  // finishes despite the link back up the tree
    scan.BeginScan();
    EXPECT_EQ(scan.FindCount(), 3);
}

TEST_F(LocalScan, ASecondScanReplacesTheFirst)
{
    TScanDir scan;
    scan.setSearchPath(root);
    scan.BeginScan();
    EXPECT_EQ(scan.FindCount(), 3);
    scan.setSearchPath(root + "db/old");
    scan.BeginScan();
    EXPECT_EQ(Entries(scan), QStringList{root + "db/old/|002.sql"});
}

TEST(ScanDirLists, OutOfRangeIndexRaisesTheListIndexError)
{
    TScanDir scan;
    scan.MyDataSearch.clear();
    try {
        scan.PathNumFromResultFile(0);
        FAIL() << "no error raised";
    } catch (const RaisedError &error) {
        EXPECT_EQ(error.text(), "List index out of bounds (0)");
    }
    EXPECT_THROW(scan.FileNumFromResultFile(-1), RaisedError);
}

TEST(ScanDirSort, SortsWholeEntriesByNameOrByExtensionDescending)
{
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    for (const char *name : {"b.dll", "a.exe", "d.txt", "c.bpl", "e.exe"})
        WriteTestFile(root + name, QByteArray(int(qstrlen(name)) + name[0], 'x'));
    TScanDir scan;
    scan.setSearchPath(root);
    scan.BeginScan();

    scan.SortArray(0);
    QStringList names;
    for (int i = 0; i < scan.FindCount(); ++i) {
        names << scan.FileNumFromResultFile(i);
        const TDataSearch &entry = scan.MyDataSearch[i];
        EXPECT_EQ(entry.FileName, scan.FileNumFromResultFile(i));
        EXPECT_EQ(entry.Size, int(entry.FileName.size()) + entry.FileName.at(0).unicode());  // moved whole
    }
    EXPECT_EQ(names, (QStringList{"a.exe", "b.dll", "c.bpl", "d.txt", "e.exe"}));

    scan.SortArray(1);
    QStringList extensions;
    for (const TDataSearch &entry : scan.MyDataSearch)
        extensions << entry.FileExt;
    EXPECT_EQ(extensions, (QStringList{"txt", "exe", "exe", "dll", "bpl"}));
    const QVector<TDataSearch> byColumn1 = scan.MyDataSearch;
    scan.SortArray(2);
    for (int i = 0; i < scan.FindCount(); ++i)
        EXPECT_EQ(scan.MyDataSearch[i].FileExt, byColumn1[i].FileExt);
    const QStringList before = scan.ResultFile();
    scan.SortArray(3);
    scan.SortArray(-1);
    EXPECT_EQ(scan.ResultFile(), before);
}

class ServerScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString root = dir.path();
        WriteTestFile(root + "/prog/Update.exe", "u");
        WriteTestFile(root + "/prog/readme", "r");
        WriteTestFile(root + "/prog/bin/Report.dll", "d");
        WriteTestFile(root + QStringLiteral("/prog/Картинки и фото/logo.png"), "p");
        WriteTestFile(root + "/prog/bin/x/deep.bpl", "b");
        QDir(root).mkpath("prog/bin/void");
        QDir(root).mkpath("empty");
    }
    QTemporaryDir dir;
};

TEST_F(ServerScan, ListsTheTreeInEveryListingStyle)
{
    for (const ListingStyle &style : kListingStyles) {
        SCOPED_TRACE(style.name);
        FtpServerFixture server(dir.path(), ListingOptions(style));
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_NE(connection.hFTP, nullptr);

        TScanDir scan;
        scan.setSearchPath("/prog/");
        scan.setSearchMask("*.*");  // every file, one without a dot included
        EXPECT_EQ(scan.BeginScanFTP(connection.hNet, connection.hFTP, nullptr), ResultCode::FolderListed);
        const QStringList entries = Entries(scan);
        EXPECT_EQ(Sorted(entries), (QStringList{"/prog/bin/x/|deep.bpl", "/prog/bin/|Report.dll", "/prog/|Update.exe",
                                                "/prog/|readme", QStringLiteral("/prog/Картинки и фото/|logo.png")}));
        // A folder's own files come before anything below it.
        ASSERT_EQ(entries.size(), 5);
        EXPECT_TRUE(entries[0].startsWith("/prog/|"));
        EXPECT_TRUE(entries[1].startsWith("/prog/|"));
        EXPECT_LT(entries.indexOf("/prog/bin/|Report.dll"), entries.indexOf("/prog/bin/x/|deep.bpl"));
        for (const TDataSearch &entry : scan.MyDataSearch) {
            EXPECT_EQ(entry.Size, 0);
            EXPECT_EQ(entry.DateTime, 0);
            EXPECT_EQ(entry.FileExt, entry.FileName == "readme" ? QString() : u'.' + entry.FileName.section(u'.', -1));
        }
    }
}

TEST_F(ServerScan, EmptyOrMissingStartFolderAndNoConnection)
{
    FtpServerFixture server(dir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    TScanDir scan;
    scan.setSearchPath("/prog/bin/");
    ASSERT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderListed);
    EXPECT_EQ(scan.FindCount(), 2);  // the empty sub-folder changes nothing

    scan.setSearchPath("/empty/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::ListingFailed);
    EXPECT_EQ(scan.FindCount(), 0);
    scan.setSearchPath("/missing/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderNotEntered);
    scan.setSearchPath("/prog/bin/");
    scan.BeginScanFTP(nullptr, connection.hFTP, nullptr);
    EXPECT_EQ(scan.BeginScanFTP(nullptr, nullptr, nullptr), ResultCode::NoHandle);
    EXPECT_EQ(scan.FindCount(), 0);
    EXPECT_TRUE(scan.ResultPath().isEmpty());
}

TEST_F(ServerScan, MaskSelectsFilesButEveryFolderIsStillEntered)
{
    const QString root = dir.path();
    WriteTestFile(root + "/db/001.sql", "1");
    WriteTestFile(root + "/db/readme.txt", "r");
    WriteTestFile(root + "/db/Report.dll", "d");
    WriteTestFile(root + "/db/sql", "s");
    WriteTestFile(root + "/db/old/002.SQL", "2");
    WriteTestFile(root + "/db/old/tool.exe", "t");
    QDir(root).mkpath("db/folder.sql");
    for (const ListingStyle &style : kListingStyles) {
        SCOPED_TRACE(style.name);
        FtpServerFixture server(root, ListingOptions(style));
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        TScanDir scan;
        scan.setSearchPath("/db/");
        scan.setSearchMask("*.sql");
        EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderListed);
        EXPECT_EQ(Entries(scan), (QStringList{"/db/|001.sql", "/db/old/|002.SQL"}));
    }
}

TEST_F(ServerScan, AFailureInAnySubFolderFailsTheWholeScan)
{
    // Folders named "x" cannot be listed; "/prog/bin/x/" comes before siblings and after others.
    WriteTestFile(dir.path() + "/prog/bin/y/after.bpl", "a");
    FtpServerOptions options;
    options.failingFolder = QStringLiteral("x");
    FtpServerFixture server(dir.path(), options);
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    TScanDir scan;
    scan.setSearchPath("/prog/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::ListingFailed);
    EXPECT_EQ(scan.FailedFolder(), "/prog/bin/x/");

    scan.setSearchPath("/prog/bin/y/");  // a scan that succeeds names no folder
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderListed);
    EXPECT_EQ(scan.FailedFolder(), QString());
    scan.setSearchPath("/prog/bin/x/");  // the start folder itself
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::ListingFailed);
    EXPECT_EQ(scan.FailedFolder(), "/prog/bin/x/");
    scan.setSearchPath("/prog/bin/none/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderNotEntered);
    EXPECT_EQ(scan.FailedFolder(), "/prog/bin/none/");
}

TEST_F(ServerScan, TheScanEndsAtTheDepthBound)
{
    // A folder that contains itself looks to the scan like a tree without end. (A stock server
    // over a symbolic link stops by itself after 40 levels, the system's limit on links in a
    // path; the bound must hold for servers that go on.) A real tree one level deeper than the
    // bound stands for it; one exactly as deep as the bound is listed whole.
    const QString deepest = QStringLiteral("d/").repeated(kServerScanMaxDepth);
    WriteTestFile(dir.path() + "/bounded/" + deepest + "file.txt", "f");
    WriteTestFile(dir.path() + "/endless/" + deepest + "d/file.txt", "f");
    FtpServerFixture server(dir.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    TScanDir scan;
    scan.setSearchPath("/bounded/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::FolderListed);
    EXPECT_EQ(Entries(scan), QStringList{"/bounded/" + deepest + "|file.txt"});
    scan.setSearchPath("/endless/");
    EXPECT_EQ(scan.BeginScanFTP(nullptr, connection.hFTP, nullptr), ResultCode::ListingFailed);
    EXPECT_EQ(scan.FailedFolder(), "/endless/" + deepest + "d/");
}

}  // namespace
