// Reading a folder's manifest and signature from the real FTP server into memory: present,
// absent, larger than allowed (cut off), and broken transfers.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "stages/ManifestFetch.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ManifestFetch, ServerFilesReadIntoMemoryWithinTheirBound)
{
    QTemporaryDir root;
    const QByteArray manifest = TestBytes(10000);
    WriteTestFile(root.filePath(QStringLiteral("prog/ornupdate.manifest")), manifest);
    WriteTestFile(root.filePath(QStringLiteral("prog/ornupdate.manifest.minisig")), "signature");
    WriteTestFile(root.filePath(QStringLiteral("db/ornupdate.manifest")), "unsigned");
    WriteTestFile(root.filePath(QStringLiteral("big/ornupdate.manifest")), TestBytes(20000));
    WriteTestFile(root.filePath(QStringLiteral("empty/keep.txt")), "x");
    FtpServerFixture server(root.path());
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    ASSERT_NE(connection.hFTP, nullptr);
    HINTERNET hFile = nullptr;

    const TFetchedManifest signedFolder = FetchManifest(connection.hFTP, hFile, QStringLiteral("/prog/"));
    EXPECT_TRUE(signedFolder.Complete);
    EXPECT_EQ(signedFolder.Manifest, manifest);
    EXPECT_EQ(signedFolder.Signature, QByteArray("signature"));
    EXPECT_EQ(hFile, nullptr);

    const TFetchedManifest unsignedFolder = FetchManifest(connection.hFTP, hFile, QStringLiteral("/db/"));
    EXPECT_TRUE(unsignedFolder.Complete);
    EXPECT_EQ(unsignedFolder.Manifest, QByteArray("unsigned"));
    EXPECT_EQ(unsignedFolder.Signature, std::nullopt);

    const TFetchedManifest bare = FetchManifest(connection.hFTP, hFile, QStringLiteral("/empty/"));
    EXPECT_TRUE(bare.Complete);
    EXPECT_EQ(bare.Manifest, std::nullopt);

    const TFetchedManifest missingFolder = FetchManifest(connection.hFTP, hFile, QStringLiteral("/no-such/"));
    EXPECT_FALSE(missingFolder.Complete);
    EXPECT_EQ(missingFolder.Manifest, std::nullopt);

    const TServerFile tooLarge =
        ReadServerFile(connection.hFTP, hFile, QStringLiteral("/big/"), QStringLiteral("ornupdate.manifest"), 19999);
    EXPECT_EQ(tooLarge.Status, TServerFileRead::TooLarge);
    EXPECT_TRUE(tooLarge.Bytes.isEmpty());
    const TServerFile exact =
        ReadServerFile(connection.hFTP, hFile, QStringLiteral("/big/"), QStringLiteral("ornupdate.manifest"), 20000);
    EXPECT_EQ(exact.Status, TServerFileRead::Read);
    EXPECT_EQ(exact.Bytes, TestBytes(20000));
    EXPECT_EQ(hFile, nullptr);
}

TEST(ManifestFetch, SizeFromAListingAndBrokenTransfers)
{
    QTemporaryDir root;
    WriteTestFile(root.filePath(QStringLiteral("prog/ornupdate.manifest")), TestBytes(50000));
    {
        // Without SIZE and MLST the size comes from a listing, and bounds the read all the same.
        FtpServerOptions noSize;
        noSize.size = false;
        noSize.machineListing = false;
        FtpServerFixture server(root.path(), noSize);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        HINTERNET hFile = nullptr;
        const TServerFile read = ReadServerFile(connection.hFTP, hFile, QStringLiteral("/prog/"),
                                                QStringLiteral("ornupdate.manifest"), 30000);
        EXPECT_EQ(read.Status, TServerFileRead::TooLarge);
        EXPECT_EQ(hFile, nullptr);
        EXPECT_EQ(ReadServerFile(connection.hFTP, hFile, QStringLiteral("/prog/"), QStringLiteral("ornupdate.manifest"),
                                 50000)
                      .Bytes.size(),
                  50000)
            << "the connection is still usable";
    }
    FtpServerOptions dropping;
    dropping.endAfterBytes = 8192;
    FtpServerFixture server(root.path(), dropping);
    ASSERT_TRUE(server.isRunning());
    FtpTestConnection connection(server);
    HINTERNET hFile = nullptr;
    const TFetchedManifest fetched = FetchManifest(connection.hFTP, hFile, QStringLiteral("/prog/"));
    EXPECT_FALSE(fetched.Complete);
    EXPECT_EQ(fetched.Manifest, std::nullopt);
}

}  // namespace
