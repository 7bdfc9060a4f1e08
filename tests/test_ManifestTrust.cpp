// The trust check of a server folder's manifest, on manifests signed by the real minisign tool
// (keys from "minisign -G -W") and by ornpack's own signing; and where the last accepted
// sequence is kept.
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "release/ManifestTrust.h"
#include "release/MinisignSignature.h"
#include "release/PublicationComment.h"
#include "release/SequenceRecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(5, 0), Qt::UTC);

// A manifest published for folder (none: it names no folder).
QByteArray ManifestText(qint64 sequence, const QByteArray &extra = QByteArray(),
                        const QByteArray &folder = "folder /prog/\n")
{
    return "ornupdate-manifest 1\n" + folder + "sequence " + QByteArray::number(sequence) + "\n" + extra + "file 3 "
           + QByteArray(64, 'b') + " bin/a.7z\n";
}

class ManifestTrust : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
        next = MakeMinisignKey(dir.path(), QStringLiteral("next"));
        stranger = MakeMinisignKey(dir.path(), QStringLiteral("stranger"));
    }

    // The manifest text signed by the minisign tool with signer and the given trusted comment.
    TTrustInput Signed(const QByteArray &manifest, const MinisignKeyFiles &signer, const QString &comment)
    {
        const QString path = dir.filePath(QStringLiteral("ornupdate.manifest"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(manifest);
        file.close();
        EXPECT_TRUE(MinisignSign(signer, path, comment));
        return {QStringLiteral("/prog/"), manifest, FileBytes(path + QStringLiteral(".minisig")), Keys({key}),
                std::nullopt, kNow};
    }

    static QVector<TMinisignPublicKey> Keys(const QVector<MinisignKeyFiles> &files)
    {
        QStringList lines;
        for (const MinisignKeyFiles &f : files)
            lines << f.publicKeyLine;
        return ParseTrustedKeys(lines.join(QLatin1Char(';'))).value_or(QVector<TMinisignPublicKey>{});
    }

    QTemporaryDir dir;
    MinisignKeyFiles key, next, stranger;
};

TEST_F(ManifestTrust, ManifestSignedWithMinisignIsAccepted)
{
    const TTrustResult result = CheckManifestTrust(Signed(ManifestText(41), key, QStringLiteral("sequence:41")));
    EXPECT_EQ(result.Outcome, TTrustOutcome::Accepted) << result.Detail.toStdString();
    EXPECT_EQ(result.Refusal, TTrustRefusal::None);
    EXPECT_TRUE(result.Signed);
    EXPECT_EQ(result.Manifest.Sequence, 41);
    ASSERT_EQ(result.Manifest.Entries.size(), 1);
    EXPECT_EQ(result.Manifest.Entries.at(0).Path, QStringLiteral("bin/a.7z"));
}

TEST_F(ManifestTrust, EveryRefusalHasItsReason)
{
    const TTrustInput good = Signed(ManifestText(41), key, QStringLiteral("timestamp:1\tsequence:41"));
    TTrustInput edited = good;
    edited.Manifest = ManifestText(41).replace("file 3", "file 4");
    TTrustInput noManifest = good;
    noManifest.Manifest.reset();
    TTrustInput noSignature = good;
    noSignature.Signature.reset();
    TTrustInput garbledSignature = good;
    garbledSignature.Signature = good.Signature->left(40);
    TTrustInput replayed = good;
    replayed.LastSequence = 42;
    TTrustInput sameAgain = good;
    sameAgain.LastSequence = 41;
    const TTrustInput otherKey = Signed(ManifestText(41), stranger, QStringLiteral("sequence:41"));
    const TTrustInput wrongComment = Signed(ManifestText(41), key, QStringLiteral("sequence:40"));
    const TTrustInput noSequenceInComment = Signed(ManifestText(41), key, QStringLiteral("timestamp:1"));
    const TTrustInput expired = Signed(ManifestText(41, "expires 2026-12-10T04:59:59Z\n"), key, QStringLiteral("sequence:41"));
    const TTrustInput notYetExpired =
        Signed(ManifestText(41, "expires 2026-12-10T05:00:01Z\n"), key, QStringLiteral("sequence:41"));
    const TTrustInput unsafe = Signed(ManifestText(41) + "file 1 " + QByteArray(64, 'c') + " ../evil.7z\n", key,
                                      QStringLiteral("sequence:41"));
    TTrustInput secondKey = Signed(ManifestText(41), next, QStringLiteral("sequence:41"));
    secondKey.Keys = Keys({key, next});
    TTrustInput servedElsewhere = good;
    servedElsewhere.Folder = QStringLiteral("/db/");
    TTrustInput writtenOtherwise = good;
    writtenOtherwise.Folder = QStringLiteral("/prog//");
    const TTrustInput noFolder = Signed(ManifestText(41, "", ""), key, QStringLiteral("sequence:41"));

    const struct {
        const char *name;
        TTrustInput input;
        TTrustRefusal refusal;  // None: accepted
    } cases[] = {
        {"as signed", good, TTrustRefusal::None},
        {"the same sequence again", sameAgain, TTrustRefusal::None},
        {"signed by the second of two keys", secondKey, TTrustRefusal::None},
        {"expires one second from now", notYetExpired, TTrustRefusal::None},
        {"no manifest", noManifest, TTrustRefusal::NoManifest},
        {"no signature", noSignature, TTrustRefusal::NoSignature},
        {"signature file cut", garbledSignature, TTrustRefusal::BadSignature},
        {"edited after signing", edited, TTrustRefusal::BadSignature},
        {"signed by another key", otherKey, TTrustRefusal::UnknownKey},
        {"unsafe path, validly signed", unsafe, TTrustRefusal::Malformed},
        {"the folder written otherwise in ftp.ini", writtenOtherwise, TTrustRefusal::None},
        {"published for /prog/, served as /db/", servedElsewhere, TTrustRefusal::OtherFolder},
        {"no folder named", noFolder, TTrustRefusal::OtherFolder},
        {"trusted comment names another sequence", wrongComment, TTrustRefusal::SequenceMismatch},
        {"trusted comment without a sequence", noSequenceInComment, TTrustRefusal::SequenceMismatch},
        {"older sequence replayed", replayed, TTrustRefusal::Rollback},
        {"expired", expired, TTrustRefusal::Expired},
    };
    for (const auto &c : cases) {
        const TTrustResult result = CheckManifestTrust(c.input);
        EXPECT_EQ(result.Refusal, c.refusal) << c.name << ": " << result.Detail.toStdString();
        EXPECT_EQ(result.Outcome, c.refusal == TTrustRefusal::None ? TTrustOutcome::Accepted : TTrustOutcome::Refused)
            << c.name;
        if (c.refusal != TTrustRefusal::None)
            EXPECT_TRUE(TrustRefusalText(c.refusal).startsWith(QChar(0x2026))) << c.name;
    }
}

TEST_F(ManifestTrust, WithoutKeysAnUnsignedManifestIsTakenAsItIs)
{
    const TTrustInput noKey{QStringLiteral("/prog"), ManifestText(3, "expires 2020-01-01T00:00:00Z\n"), std::nullopt, {},
                            99, kNow};
    const TTrustResult accepted = CheckManifestTrust(noKey);
    EXPECT_EQ(accepted.Outcome, TTrustOutcome::Accepted) << "no sequence or expiry check without a key";
    EXPECT_FALSE(accepted.Signed);
    EXPECT_EQ(accepted.Manifest.Sequence, 3);

    TTrustInput nothing = noKey;
    nothing.Manifest.reset();
    EXPECT_EQ(CheckManifestTrust(nothing).Outcome, TTrustOutcome::NoManifest);
    EXPECT_EQ(CheckManifestTrust(nothing).Refusal, TTrustRefusal::None);

    TTrustInput unsafe = noKey;
    unsafe.Manifest = ManifestText(3) + "file 1 " + QByteArray(64, 'c') + " /etc/passwd\n";
    EXPECT_EQ(CheckManifestTrust(unsafe).Refusal, TTrustRefusal::Malformed);

    // A manifest that names no folder is taken; one that names another is not.
    TTrustInput noFolder = noKey;
    noFolder.Manifest = ManifestText(3, "", "");
    EXPECT_EQ(CheckManifestTrust(noFolder).Outcome, TTrustOutcome::Accepted);
    TTrustInput otherFolder = noKey;
    otherFolder.Manifest = ManifestText(3, "", "folder /db/\n");
    EXPECT_EQ(CheckManifestTrust(otherFolder).Refusal, TTrustRefusal::OtherFolder);
}

TEST_F(ManifestTrust, SignatureWrittenByOrnpackCodeCarriesTheSequence)
{
    const TSecretKeyRead secret = ReadMinisignSecretKey(FileBytes(key.secretKeyFile), [] { return QByteArray(); });
    ASSERT_TRUE(secret.Key.has_value()) << secret.Error.toStdString();
    const QByteArray manifest = ManifestText(1765340000);
    const QByteArray signature = SignMinisign(manifest, *secret.Key, PublicationComment(1765340000, 1765340001));
    EXPECT_EQ(SequenceOfComment(PublicationComment(1765340000, 1765340001)), 1765340000);
    const TTrustResult result =
        CheckManifestTrust({QStringLiteral("/prog/"), manifest, signature, Keys({next, key}), 1765339999, kNow});
    EXPECT_EQ(result.Outcome, TTrustOutcome::Accepted) << result.Detail.toStdString();
}

TEST(SequenceComment, OneSequenceFieldIsRead)
{
    const struct {
        QByteArray comment;
        std::optional<qint64> sequence;
    } cases[] = {
        {"sequence:12", 12},
        {"timestamp:5\tfile:ornupdate.manifest\tsequence:12", 12},
        {"release 3.1 sequence:0 by me", 0},
        {"timestamp:5", std::nullopt},
        {"sequence:12 sequence:12", std::nullopt},
        {"sequence:-1", std::nullopt},
        {"sequence:", std::nullopt},
        {"mysequence:12", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SequenceOfComment(c.comment), c.sequence) << c.comment.toStdString();
}

TEST(SequenceComment, ThePackFieldIsReadBesideTheSequenceWhichReadersOfTheSequenceAloneStillFind)
{
    const struct {
        QByteArray comment;
        std::optional<qint64> pack;
    } cases[] = {
        {PublicationComment(12, 5, kManifestName, 4096), 4096},
        {PublicationComment(12, 5), std::nullopt},
        {"sequence:12 pack:0", 0},
        {"pack:1 pack:1", std::nullopt},
        {"pack:01", std::nullopt},
        {"backpack:3", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PackSizeOfComment(c.comment), c.pack) << c.comment.toStdString();
    EXPECT_EQ(SequenceOfComment(PublicationComment(12, 5, kManifestName, 4096)), 12);
}

TEST(SequenceRecord, ReadRecordAndKeepOtherFolders)
{
    QTemporaryDir dir;
    const QString path = SequenceRecordPath(dir.path() + QLatin1Char('/'));
    EXPECT_EQ(path, dir.path() + QStringLiteral("/ornupdate.sequences"));
    EXPECT_EQ(ReadAcceptedSequence(path, QStringLiteral("/prog/")), std::nullopt) << "no file: nothing recorded";
    EXPECT_FALSE(QFile::exists(path)) << "reading writes nothing";

    QString error;
    ASSERT_TRUE(RecordAcceptedSequence(path, QStringLiteral("/prog/"), 100, &error)) << error.toStdString();
    ASSERT_TRUE(RecordAcceptedSequence(path, QStringLiteral("/db scripts/"), 7, &error)) << error.toStdString();
    ASSERT_TRUE(RecordAcceptedSequence(path, QStringLiteral("/prog/"), 120, &error)) << error.toStdString();
    EXPECT_EQ(ReadAcceptedSequence(path, QStringLiteral("/prog/")), 120);
    EXPECT_EQ(ReadAcceptedSequence(path, QStringLiteral("/db scripts/")), 7);
    // One folder however ftp.ini writes it: no fresh record for "/prog//".
    for (const char *same : {"/prog", "/prog//", "//prog/./", "\\prog\\"})
        EXPECT_EQ(ReadAcceptedSequence(path, QString::fromLatin1(same)), 120) << same;
    EXPECT_EQ(ReadAcceptedSequence(path, QStringLiteral("prog/")), std::nullopt) << "from the login folder: another";
    EXPECT_EQ(FileBytes(path), QByteArray("7 /db scripts/\n120 /prog/\n"));

    // Malformed lines are ignored, and dropped at the next record.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("garbage\n-5 /x/\n 9 /y/\n");
    file.close();
    EXPECT_EQ(ReadAcceptedSequence(path, QStringLiteral("/x/")), std::nullopt);
    ASSERT_TRUE(RecordAcceptedSequence(path, QStringLiteral("/prog//"), 130, &error));
    ASSERT_TRUE(RecordAcceptedSequence(path, QStringLiteral("/x/"), 1, &error));
    EXPECT_EQ(FileBytes(path), QByteArray("7 /db scripts/\n130 /prog/\n1 /x/\n"));

    const QString inMissingFolder = dir.filePath(QStringLiteral("no/such/ornupdate.sequences"));
    EXPECT_FALSE(RecordAcceptedSequence(inMissingFolder, QStringLiteral("/prog/"), 1, &error));
    EXPECT_TRUE(error.contains(inMissingFolder)) << error.toStdString();
}

}  // namespace
