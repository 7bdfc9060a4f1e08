// The trust check of a server folder published and signed with ornpack, read from the real FTP
// server: accepted, and refused when edited, signed by another key, replayed older, expired or
// missing; the second of two keys accepted; no key and no manifest lists as before.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "stages/FolderTrust.h"
#include "release/SequenceRecord.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FolderTrust : public ::testing::Test {
protected:
    void SetUp() override
    {
        release = root.filePath(QStringLiteral("release"));
        server = root.filePath(QStringLiteral("server"));
        record = SequenceRecordPath(root.path() + QLatin1Char('/'));
        const QDateTime day(QDate(2024, 5, 10), QTime(9, 30));
        WriteDatedFile(release, QStringLiteral("ORN.exe"), "main", day);
        WriteDatedFile(release, QStringLiteral("bin/Report.dll"), "report", day);
        key = MakeMinisignKey(root.path(), QStringLiteral("release"));
        next = MakeMinisignKey(root.path(), QStringLiteral("next"));
        QDir().mkpath(server + QStringLiteral("/empty"));
    }

    void Publish(const QStringList &options)
    {
        ASSERT_TRUE(Ornpack(options + QStringList{release, server + QStringLiteral("/prog")}));
    }

    // The check of /prog/ with the given keys (default: the release key) against a live server.
    TFolderTrust Check(const QStringList &keyLines = {}, const QString &folder = QStringLiteral("/prog/"))
    {
        FtpServerFixture ftp(server);
        EXPECT_TRUE(ftp.isRunning());
        FtpTestConnection connection(ftp);
        HINTERNET hFile = nullptr;
        const QVector<TMinisignPublicKey> keys = ParseTrustedKeys(keyLines.join(QLatin1Char(';'))).value();
        return CheckServerFolder(connection.hFTP, hFile, folder, record, keys, QDateTime::currentDateTimeUtc());
    }

    TTrustRefusal Refusal(const QStringList &keyLines)
    {
        const TFolderTrust result = Check(keyLines);
        EXPECT_TRUE(result.Fetched);
        return result.Trust.Refusal;
    }

    QTemporaryDir root;
    QString release, server, record;
    MinisignKeyFiles key, next;
};

TEST_F(FolderTrust, SignedReleaseAcceptedAndEveryAttackRefused)
{
    Publish({"--sign", key.secretKeyFile, "--folder", "/prog/", "--sequence", "200"});
    const TFolderTrust accepted = Check({key.publicKeyLine});
    ASSERT_TRUE(accepted.Fetched);
    EXPECT_EQ(accepted.Trust.Outcome, TTrustOutcome::Accepted) << accepted.Trust.Detail.toStdString();
    EXPECT_TRUE(accepted.Trust.Signed);
    EXPECT_EQ(accepted.Trust.Manifest.Entries.size(), 2);
    QString error;
    ASSERT_TRUE(RecordAcceptedSequence(record, QStringLiteral("/prog/"), accepted.Trust.Manifest.Sequence, &error));

    EXPECT_EQ(Refusal({next.publicKeyLine}), TTrustRefusal::UnknownKey) << "signed by another key";
    EXPECT_EQ(Refusal({next.publicKeyLine, key.publicKeyLine}), TTrustRefusal::None) << "the second of two keys";

    const QString manifest = server + QStringLiteral("/prog/ornupdate.manifest");
    const QByteArray signedText = FileBytes(manifest);
    WriteDatedFile(server, QStringLiteral("prog/ornupdate.manifest"), QByteArray(signedText).replace("file ", "file 1"),
                   QDateTime::currentDateTime());
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::BadSignature) << "edited after signing";

    // The script folder's signed manifest, of a later sequence, served as the program folder's.
    const QString scripts = root.filePath(QStringLiteral("scripts"));
    WriteDatedFile(scripts, QStringLiteral("001.sql"), "select 1;", QDateTime::currentDateTime());
    ASSERT_TRUE(Ornpack({"--scripts", "--sign", key.secretKeyFile, "--folder", "/db/", "--sequence", "9000", scripts,
                         server + QStringLiteral("/db")}));
    for (const QString &name : {kManifestName, kManifestSignatureName}) {
        QFile::remove(server + QStringLiteral("/prog/") + name);
        ASSERT_TRUE(QFile::copy(server + QStringLiteral("/db/") + name, server + QStringLiteral("/prog/") + name));
    }
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::OtherFolder) << "the script folder's manifest";

    Publish({"--sign", key.secretKeyFile, "--folder", "/prog/", "--sequence", "199"});
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::Rollback) << "an older sequence replayed";

    Publish({"--sign", key.secretKeyFile, "--folder", "/prog", "--sequence", "201", "--expires", "1"});
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::None);
    const std::string expired = "ornupdate-manifest 1\nfolder /prog/\nsequence 202\nexpires 2020-01-01T00:00:00Z\n";
    WriteDatedFile(server, QStringLiteral("prog/ornupdate.manifest"), QByteArray::fromStdString(expired),
                   QDateTime::currentDateTime());
    ASSERT_EQ(RunMinisign({"-S", "-s", key.secretKeyFile, "-m", manifest, "-t", "sequence:202"}), 0);
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::Expired);

    Publish({"--sequence", "203"});
    EXPECT_EQ(Refusal({key.publicKeyLine}), TTrustRefusal::NoSignature) << "published without --sign";
    EXPECT_EQ(Check({key.publicKeyLine}, QStringLiteral("/empty/")).Trust.Refusal, TTrustRefusal::NoManifest);
}

TEST_F(FolderTrust, WithoutKeysTheManifestOnlySavesTheListing)
{
    const TFolderTrust bare = Check({}, QStringLiteral("/empty/"));
    EXPECT_TRUE(bare.Fetched);
    EXPECT_EQ(bare.Trust.Outcome, TTrustOutcome::NoManifest);
    Publish({"--sequence", "5"});
    const TFolderTrust unsignedFolder = Check();
    EXPECT_EQ(unsignedFolder.Trust.Outcome, TTrustOutcome::Accepted);
    EXPECT_FALSE(unsignedFolder.Trust.Signed);
    EXPECT_FALSE(Check({}, QStringLiteral("/no-such-folder/")).Fetched);
}

}  // namespace
