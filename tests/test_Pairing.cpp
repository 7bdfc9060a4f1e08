// Pairing of the decoded server listing with the local listing: keys, days, relative folders,
// the work list, and agreement of the reference walk with the indexed pairing.
#include "base/FatDateTime.h"
#include "release/ArchiveName.h"
#include "stages/DecodeListing.h"
#include "stages/Pairing.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

const QString kNetdir = QStringLiteral("/prog/");
const QString kSoftdir = QStringLiteral("/home/user/Prog/");
const TPairingFolders kFolders{kNetdir, kSoftdir, int32_t(kSoftdir.size() - 1)};

// FAT-packed date-time of a calendar moment.
uint32_t Packed(int year, int month, int day, int hour = 12, int minute = 0)
{
    return FatFromLocalDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

// A server entry as the scanner lists it, in Folder ("bin/x64/" or "") below netdir.
TDataSearch ServerEntry(const QString &Folder, const QString &ArchiveName, const QString &netdir = kNetdir)
{
    TDataSearch entry;
    entry.FileName = ArchiveName;
    entry.Path = netdir + Folder;
    return entry;
}

TDataSearch ServerFile(const QString &Folder, const QString &Name, const QString &Ext, uint32_t PackedDate)
{
    return ServerEntry(Folder, EncodeArchiveName(Name, Ext, 100, PackedDate));
}

// A local entry as the scanner lists it, in Folder ("bin/x64/" or "") below softdir.
TDataSearch LocalFile(const QString &Folder, const QString &FileName, uint32_t PackedDate)
{
    TDataSearch entry;
    entry.FileName = FileName;
    entry.Path = kSoftdir + Folder;
    entry.DateTime = DateTimeFromFat(PackedDate);
    return entry;
}

// Both pairings, after checking that they agree entry for entry.
TPairing PairBoth(QVector<TDataSearch> Server, const QVector<TDataSearch> &Local,
                  const TPairingFolders &Folders = kFolders)
{
    DecodeServerListing(Server);
    const TPairing nested = PairListingsNested(Server, Local, Folders);
    const TPairing indexed = PairListings(Server, Local, Folders);
    EXPECT_EQ(nested.NewCount, indexed.NewCount);
    EXPECT_EQ(nested.ChangedCount, indexed.ChangedCount);
    EXPECT_EQ(nested.Work.size(), indexed.Work.size());
    for (qsizetype k = 0; k < qMin(nested.Work.size(), indexed.Work.size()); ++k) {
        const TDataFind &a = nested.Work.at(k);
        const TDataFind &b = indexed.Work.at(k);
        EXPECT_TRUE(a.IdFTP == b.IdFTP && a.IdDir == b.IdDir && a.PathFTP == b.PathFTP && a.PathDir == b.PathDir
                    && a.inst == b.inst && a.DownOk == b.DownOk && a.DateTimeFtp == b.DateTimeFtp
                    && a.DateTimeDir == b.DateTimeDir)
            << "work entry " << k << ": server " << a.IdFTP << "/" << b.IdFTP << ", local " << a.IdDir << "/"
            << b.IdDir;
    }
    EXPECT_EQ(nested.Skipped.size(), indexed.Skipped.size());
    for (qsizetype k = 0; k < qMin(nested.Skipped.size(), indexed.Skipped.size()); ++k) {
        EXPECT_EQ(nested.Skipped.at(k).IdFTP, indexed.Skipped.at(k).IdFTP);
        EXPECT_EQ(nested.Skipped.at(k).Reason, indexed.Skipped.at(k).Reason);
    }
    return indexed;
}

TEST(Pairing, KeysOfTheWorkedExample)
{
    TDataSearch server;
    server.Path = QStringLiteral("/prog/bin/x64/");
    server.Comment = QStringLiteral("Report.dll");
    EXPECT_EQ(ServerMatchKey(server, kNetdir), QStringLiteral("binx64report.dll"));
    const TDataSearch local = LocalFile(QStringLiteral("bin/x64/"), QStringLiteral("Report.dll"), Packed(2022, 1, 1));
    EXPECT_EQ(LocalMatchKey(local, kFolders.WorkDirLength), QStringLiteral("binx64report.dll"));
}

struct KeyCase {
    QString serverFolder, serverName, localFolder, localName;
    bool match;
};

TEST(Pairing, KeysIgnorePunctuationAndFoldOnlyAsciiCase)
{
    const KeyCase cases[] = {
        {"my-dir/", "a.txt", "mydir/", "a.txt", true},
        {"a/", "bc.txt", "ab/", "c.txt", true},
        {"BIN/X64/", "Report.DLL", "bin/x64/", "report.dll", true},
        {"", "Report.dll", "", "Report.dll", true},
        {"Папка/", "a.txt", "папка/", "a.txt", false},
        {"", "Отчёт.txt", "", "отчёт.txt", false},
        {"bin/", "a.txt", "", "a.txt", false},
        {"", "a-b.txt", "", "ab.txt", false},  // punctuation counts in file names
    };
    for (const KeyCase &c : cases) {
        TDataSearch server;
        server.Path = kNetdir + c.serverFolder;
        server.Comment = c.serverName;
        const TDataSearch local = LocalFile(c.localFolder, c.localName, Packed(2022, 1, 1));
        EXPECT_EQ(ServerMatchKey(server, kNetdir) == LocalMatchKey(local, kFolders.WorkDirLength), c.match)
            << (c.serverFolder + c.serverName).toStdString() << " vs " << (c.localFolder + c.localName).toStdString();
    }
}

TEST(Pairing, CalendarDaysDecide)
{
    struct DayCase {
        uint32_t server, local;
        bool changed;
    };
    const DayCase cases[] = {
        {Packed(2022, 4, 3, 23, 58), Packed(2022, 4, 3, 0, 0), false},  // later on the same day
        {Packed(2022, 4, 4, 0, 0), Packed(2022, 4, 3, 23, 58), true},   // later day, earlier time
        {Packed(2022, 4, 2, 23, 0), Packed(2022, 4, 3, 1, 0), false},   // earlier day
        {Packed(2023, 1, 1), Packed(2022, 12, 31), true},
    };
    for (const DayCase &c : cases) {
        const TPairing pairing = PairBoth({ServerFile("bin/", "Report", "dll", c.server)},
                                          {LocalFile("bin/", "Report.dll", c.local)});
        EXPECT_EQ(pairing.ChangedCount, c.changed ? 1 : 0) << c.server << " vs " << c.local;
        EXPECT_EQ(pairing.NewCount, 0);
        EXPECT_EQ(pairing.Work.size(), c.changed ? 1 : 0);
    }
}

TEST(Pairing, ChangedFileKeepsTheLocalFolderAndDates)
{
    const uint32_t serverDate = Packed(2022, 4, 3, 16, 22);
    const uint32_t localDate = Packed(2022, 3, 1, 10, 15);
    const TPairing pairing = PairBoth(
        {ServerFile("", "readme", "txt", serverDate), ServerFile("my-dir/x64/", "Report", "dll", serverDate)},
        {LocalFile("", "other.txt", localDate), LocalFile("My_Dir/x64/", "report.DLL", localDate)});
    ASSERT_EQ(pairing.Work.size(), 2);
    EXPECT_EQ(pairing.NewCount, 1);
    EXPECT_EQ(pairing.ChangedCount, 1);
    const TDataFind &changed = pairing.Work.at(1);
    EXPECT_FALSE(IsNewFile(changed));
    EXPECT_EQ(changed.IdFTP, 1);
    EXPECT_EQ(changed.IdDir, 1);
    EXPECT_EQ(changed.PathFTP, QStringLiteral("my-dir/x64"));
    EXPECT_EQ(changed.PathDir, QStringLiteral("My_Dir/x64"));
    EXPECT_EQ(changed.DateTimeFtp, DateTimeFromFat(serverDate));
    EXPECT_EQ(changed.DateTimeDir, DateTimeFromFat(localDate));
    EXPECT_EQ(changed.inst, 0);
    EXPECT_FALSE(changed.DownOk);
}

TEST(Pairing, NewFileInAMissingFolderKeepsTheServerFolder)
{
    const TPairing pairing = PairBoth({ServerFile("bin/x64/", "Report", "dll", Packed(2022, 4, 3))},
                                      {LocalFile("bin/", "Report.dll", Packed(2022, 1, 1))});
    ASSERT_EQ(pairing.Work.size(), 1);
    const TDataFind &entry = pairing.Work.first();
    EXPECT_TRUE(IsNewFile(entry));
    EXPECT_EQ(entry.IdDir, -1);
    EXPECT_EQ(entry.PathFTP, QStringLiteral("bin/x64"));
    EXPECT_EQ(entry.PathDir, QStringLiteral("bin/x64"));
    EXPECT_EQ(entry.DateTimeDir, 0);
    EXPECT_EQ(pairing.NewCount, 1);
}

TEST(Pairing, EmptyLocalTreeMakesEverythingNew)
{
    const TPairing pairing = PairBoth({ServerFile("", "a", "txt", Packed(2022, 1, 1)),
                                       ServerFile("bin/", "b", "dll", Packed(2022, 1, 1)),
                                       ServerFile("bin/x64/", "c", "dll", Packed(2022, 1, 1))},
                                      {});
    EXPECT_EQ(pairing.NewCount, 3);
    EXPECT_EQ(pairing.ChangedCount, 0);
    ASSERT_EQ(pairing.Work.size(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(pairing.Work.at(k).IdFTP, k);
        EXPECT_EQ(pairing.Work.at(k).PathDir, pairing.Work.at(k).PathFTP);
    }
    EXPECT_EQ(pairing.Work.at(0).PathFTP, QString());
}

TEST(Pairing, NetdirWithoutTrailingSlashFindsNoCounterpart)
{
    const QString netdir = QStringLiteral("/prog");
    QVector<TDataSearch> server = {ServerEntry("", EncodeArchiveName("Report", "dll", 1, Packed(2022, 4, 3)), netdir),
                                   ServerEntry("", EncodeArchiveName("a", "txt", 1, Packed(2022, 4, 3)), netdir)};
    const TPairing pairing = PairBoth(server,
                                      {LocalFile("", "Report.dll", Packed(2022, 1, 1)),
                                       LocalFile("", "a.txt", Packed(2022, 1, 1))},
                                      {netdir, kSoftdir, kFolders.WorkDirLength});
    EXPECT_EQ(pairing.NewCount, 2);
    EXPECT_EQ(pairing.ChangedCount, 0);
}

TEST(Pairing, FirstLocalCandidateWinsAndDuplicatesBothEnter)
{
    const uint32_t newer = Packed(2022, 4, 3);
    const uint32_t older = Packed(2022, 1, 1);
    QVector<TDataSearch> server = {ServerEntry("a/", EncodeArchiveName("bc", "txt", 1, newer)),
                                   ServerEntry("a/", EncodeArchiveName("bc", "txt", 2, newer))};
    const TPairing pairing = PairBoth(server, {LocalFile("", "untouched.txt", older), LocalFile("a/", "bc.txt", older),
                                               LocalFile("ab/", "c.txt", older)});
    ASSERT_EQ(pairing.Work.size(), 2);
    EXPECT_EQ(pairing.ChangedCount, 2);
    for (const TDataFind &entry : pairing.Work) {
        EXPECT_EQ(entry.IdDir, 1);
        EXPECT_EQ(entry.PathDir, QStringLiteral("a"));
    }
}

TEST(Pairing, UndecodableAndUnsafeServerEntriesAreSkippedAndReported)
{
    const uint32_t date = Packed(2022, 4, 3);
    QVector<TDataSearch> server = {
        ServerEntry("", QStringLiteral("readme.txt")),                               // 0 not decodable
        ServerFile("", "good", "dll", date),                                          // 1
        ServerEntry("../", EncodeArchiveName("evil", "dll", 1, date)),               // 2 leaves the tree
        ServerEntry("", QStringLiteral("0-1-..-5-") + QString::number(date) + ".7z"),  // 3 decodes to ".."
        ServerFile("", "..\\evil", "dll", date),                                     // 4 separator in the name
        ServerFile("", "bell\a", "dll", date),                                       // 5 control character
        ServerEntry("bin\x01/", EncodeArchiveName("x", "dll", 1, date)),             // 6 control character in a folder
        ServerEntry("", QStringLiteral("ornupdate.manifest")),                       // 7 the publication's own files,
        ServerEntry("", QStringLiteral("ornupdate.manifest.minisig")),               // 8 passed over silently
        ServerEntry("bin/", QStringLiteral("ornupdate.manifest")),                   // 9 not at the top: not decodable
        ServerEntry("", QStringLiteral("ornupdate.patches")),                        // 10 the patch list and
        ServerEntry("", QStringLiteral("ornupdate.patches.minisig")),                // 11 its signature,
        ServerEntry("bin/", QStringLiteral("0123456789abcdef.fedcba9876543210.ornpatch")),  // 12 a patch: passed over
    };
    const TPairing pairing = PairBoth(server, {});
    ASSERT_EQ(pairing.Work.size(), 1);
    EXPECT_EQ(pairing.Work.first().IdFTP, 1);
    EXPECT_EQ(pairing.NewCount, 1);
    ASSERT_EQ(pairing.Skipped.size(), 7);
    EXPECT_EQ(pairing.Skipped.at(0).IdFTP, 0);
    EXPECT_EQ(pairing.Skipped.at(6).IdFTP, 9);
    EXPECT_EQ(pairing.Skipped.at(6).Reason, TSkipReason::NotDecodable);
    EXPECT_EQ(pairing.Skipped.at(0).Reason, TSkipReason::NotDecodable);
    for (int k = 1; k < 6; ++k) {
        EXPECT_EQ(pairing.Skipped.at(k).IdFTP, k + 1);
        EXPECT_EQ(pairing.Skipped.at(k).Reason, TSkipReason::UnsafeName);
    }
}

TEST(Pairing, TheUpdatersOwnFilesAtTheTopAreNeverInTheWorkList)
{
    const uint32_t newer = Packed(2022, 4, 3);
    const uint32_t older = Packed(2022, 1, 1);
    const struct {
        const char *what;
        TDataSearch server;
        bool skipped;
    } cases[] = {
        {"ftp.ini, newer than the installation's", ServerFile("", "ftp", "ini", newer), true},
        {"FTP.INI in other letters", ServerFile("", "FTP", "INI", newer), true},
        {"logdbupdate.txt, new", ServerFile("", "logdbupdate", "txt", newer), true},
        {"ornupdate.sequences, new", ServerFile("", "ornupdate", "sequences", newer), true},
        {"ftp.ini of a folder that matches the top", ServerFile("-/", "ftp", "ini", newer), true},
        {"ftp.ini in a sub-folder", ServerFile("bin/", "ftp", "ini", newer), false},
        {"the language file", ServerFile("", "orn", "txt", newer), false},
    };
    for (const auto &c : cases) {
        const TPairing pairing = PairBoth({c.server}, {LocalFile("", "ftp.ini", older)});
        EXPECT_EQ(pairing.Work.size(), c.skipped ? 0 : 1) << c.what;
        EXPECT_EQ(pairing.NewCount + pairing.ChangedCount, c.skipped ? 0 : 1) << c.what;
        ASSERT_EQ(pairing.Skipped.size(), c.skipped ? 1 : 0) << c.what;
        if (c.skipped)
            EXPECT_EQ(pairing.Skipped.first().Reason, TSkipReason::StateFile) << c.what;
    }
}

TEST(Pairing, RelativeFolders)
{
    EXPECT_EQ(RelativeFolder(QStringLiteral("/prog/bin/x64/"), kNetdir), QStringLiteral("bin/x64"));
    EXPECT_EQ(RelativeFolder(kNetdir, kNetdir), QString());
    EXPECT_EQ(RelativeFolder(QStringLiteral("/a/prog/b/"), kNetdir), QStringLiteral("b"));
    EXPECT_EQ(RelativeFolder(QStringLiteral("/other/b/"), kNetdir), QStringLiteral("/other/b"));
}

// A varied table: folders differing in case and punctuation, Cyrillic names, duplicates on both
// sides, undecodable names and dates on either side of the local ones.
TEST(Pairing, IndexedPairingAgreesWithTheReferenceWalk)
{
    QRandomGenerator random(20240403);
    const QStringList folders = {"", "bin/", "Bin/", "b-in/", "bin/x64/", "binx64/", "Папка/", "папка/", "a/", "ab/"};
    const QStringList names = {"a", "A", "bc", "Bc", "c", "Отчёт", "отчёт", "report", "Report", "x-y"};
    const QStringList exts = {"dll", "DLL", "txt", "exe"};
    QVector<TDataSearch> server;
    QVector<TDataSearch> local;
    for (int k = 0; k < 400; ++k) {
        const QString folder = folders.at(random.bounded(folders.size()));
        const QString name = names.at(random.bounded(names.size()));
        const QString ext = exts.at(random.bounded(exts.size()));
        const uint32_t date = Packed(2022, 1 + random.bounded(3), 1 + random.bounded(28), random.bounded(24));
        if (k % 37 == 0)
            server.append(ServerEntry(folder, name + QStringLiteral(".") + ext));
        else
            server.append(ServerFile(folder, name, ext, date));
        const QString localFolder = folders.at(random.bounded(folders.size()));
        local.append(LocalFile(localFolder, names.at(random.bounded(names.size())) + "." + exts.at(random.bounded(exts.size())),
                               Packed(2022, 1 + random.bounded(3), 1 + random.bounded(28), random.bounded(24))));
    }
    const TPairing pairing = PairBoth(server, local);
    EXPECT_GT(pairing.NewCount, 0);
    EXPECT_GT(pairing.ChangedCount, 0);
    EXPECT_LT(pairing.Work.size(), server.size() - pairing.Skipped.size());  // some were up to date
    EXPECT_FALSE(pairing.Skipped.isEmpty());
}

}  // namespace
