// The server listing taken from a manifest is the listing the scanner reads from the real FTP
// server over the same published tree (the manifest's own files aside), in scan order.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/ReleaseFixture.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "stages/DecodeListing.h"
#include "stages/ManifestListing.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One line per entry with every field the scan and the decoder fill.
QStringList Described(const QVector<TDataSearch> &listing)
{
    QStringList lines;
    for (const TDataSearch &e : listing)
        lines << QStringLiteral("%1|%2|%3|%4|%5|%6").arg(e.Path, e.FileName, e.FileExt).arg(e.Size).arg(e.DateTime).arg(e.Comment);
    return lines;
}

TEST(ManifestListing, SameEntriesAsTheServerScan)
{
    QTemporaryDir dir;
    const QString release = dir.filePath(QStringLiteral("release"));
    const QDateTime day(QDate(2024, 5, 10), QTime(9, 30));
    WriteDatedFile(release, QStringLiteral("ORN.exe"), "main", day);
    WriteDatedFile(release, QStringLiteral("bin/Report.dll"), "report", day.addDays(-1));
    WriteDatedFile(release, QStringLiteral("bin/x64/Engine.dll"), QByteArray(5000, 'e'), day);
    WriteDatedFile(release, QStringLiteral("Docs/read me.txt"), "text", day);
    WriteDatedFile(release, QStringLiteral("a/b/c/deep.cfg"), "deep", day);
    const QString prog = dir.filePath(QStringLiteral("server/prog"));
    ASSERT_TRUE(PublishRelease(release, prog));
    const TManifestRead read = ReadManifest(FileBytes(prog + QStringLiteral("/ornupdate.manifest")));
    ASSERT_TRUE(read.Manifest.has_value()) << read.Error.toStdString();

    FtpServerFixture server(dir.filePath(QStringLiteral("server")));
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    ASSERT_NE(connection.hFTP, nullptr);
    TScanDir scan;
    scan.setSearchPath(QStringLiteral("/prog/"));
    ASSERT_EQ(scan.BeginScanFTP(connection.hNet, connection.hFTP, nullptr), ResultCode::FolderListed);
    QVector<TDataSearch> scanned;
    for (const TDataSearch &entry : std::as_const(scan.MyDataSearch))
        if (entry.FileName != QLatin1String("ornupdate.manifest"))
            scanned.append(entry);

    TManifestListing fromManifest = ListingFromManifest(*read.Manifest, QStringLiteral("/prog/"));
    ASSERT_EQ(fromManifest.Entries.size(), fromManifest.Listing.size());
    for (int i = 0; i < fromManifest.Listing.size(); ++i) {
        const TDataSearch &entry = fromManifest.Listing.at(i);
        EXPECT_EQ(QStringLiteral("/prog/") + fromManifest.Entries.at(i).Path, entry.Path + entry.FileName);
    }
    DecodeServerListing(scanned);
    DecodeServerListing(fromManifest.Listing);
    QStringList expected = Described(scanned);
    QStringList actual = Described(fromManifest.Listing);
    EXPECT_EQ(actual.size(), 5);
    // The server lists a folder in its own order; the manifest listing goes by name.
    QStringList order;
    for (const TDataSearch &entry : std::as_const(fromManifest.Listing))
        order << entry.Path + entry.Comment;
    EXPECT_EQ(order, QStringList({"/prog/ORN.exe", "/prog/Docs/read me.txt", "/prog/a/b/c/deep.cfg", "/prog/bin/Report.dll",
                                  "/prog/bin/x64/Engine.dll"}));
    expected.sort();
    actual.sort();
    EXPECT_EQ(actual, expected);
}

TEST(ManifestListing, FilesOfAFolderComeBeforeItsSubFolders)
{
    TManifest manifest;
    for (const char *path : {"z/b.7z", "z.7z", "a/x/y.7z", "a/b.7z", "b.7z", "a.7z", "noext"})
        manifest.Entries.append({QString::fromUtf8(path), 1, QByteArray(32, '\0')});
    const TManifestListing listing = ListingFromManifest(manifest, QStringLiteral("/srv/"));
    QStringList order;
    for (const TDataSearch &entry : listing.Listing)
        order << entry.Path + u'|' + entry.FileName + u'|' + entry.FileExt;
    EXPECT_EQ(order, QStringList({"/srv/|a.7z|.7z", "/srv/|b.7z|.7z", "/srv/|noext|", "/srv/|z.7z|.7z",
                                  "/srv/a/|b.7z|.7z", "/srv/a/x/|y.7z|.7z", "/srv/z/|b.7z|.7z"}));
}

}  // namespace
