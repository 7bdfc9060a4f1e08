// minisign keys and signatures against the real minisign tool: what it signs verifies here,
// what ornpack's code signs verifies there, and anything else is refused.
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "release/MinisignKey.h"
#include "release/MinisignSignature.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray NoPassword()
{
    ADD_FAILURE() << "an unencrypted key asked for a password";
    return QByteArray();
}

class Minisign : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
        other = MakeMinisignKey(dir.path(), QStringLiteral("other"));
        message = dir.filePath(QStringLiteral("message.txt"));
        WriteBytes(message, QByteArray("file 5 abc path\n").repeated(1000));
    }

    TMinisignPublicKey PublicKey(const MinisignKeyFiles &files) const
    {
        const std::optional<TMinisignPublicKey> parsed = ParseMinisignPublicKey(files.publicKeyLine);
        EXPECT_TRUE(parsed.has_value()) << files.publicKeyLine.toStdString();
        return parsed.value_or(TMinisignPublicKey{});
    }

    QTemporaryDir dir;
    MinisignKeyFiles key, other;
    QString message;
};

TEST_F(Minisign, PublicKeyLineGivesTheKeyIdThatMinisignPrints)
{
    const TMinisignPublicKey parsed = PublicKey(key);
    EXPECT_EQ(parsed.KeyId.size(), 8);
    EXPECT_EQ(parsed.Key.size(), 32);
    EXPECT_EQ(KeyIdText(parsed.KeyId), key.keyId);
}

TEST_F(Minisign, SignatureOfTheToolVerifiesAndAnyChangeIsRefused)
{
    ASSERT_TRUE(MinisignSign(key, message, QStringLiteral("sequence:7")));
    const QByteArray signatureFile = FileBytes(message + QStringLiteral(".minisig"));
    const std::optional<TMinisignSignature> signature = ParseMinisignSignature(signatureFile);
    ASSERT_TRUE(signature.has_value()) << signatureFile.toStdString();
    EXPECT_EQ(signature->TrustedComment, QByteArray("sequence:7"));
    const QByteArray bytes = FileBytes(message);
    const QVector<TMinisignPublicKey> both{PublicKey(other), PublicKey(key)};

    EXPECT_EQ(VerifyMinisign(bytes, *signature, {PublicKey(key)}), TMinisignCheck::Valid);
    EXPECT_EQ(VerifyMinisign(bytes, *signature, both), TMinisignCheck::Valid) << "the second of two keys";
    EXPECT_EQ(VerifyMinisign(bytes, *signature, {PublicKey(other)}), TMinisignCheck::UnknownKey);
    EXPECT_EQ(VerifyMinisign(bytes, *signature, {}), TMinisignCheck::UnknownKey);
    QByteArray changed = bytes;
    changed[100] = 'X';
    EXPECT_EQ(VerifyMinisign(changed, *signature, both), TMinisignCheck::BadSignature);
    TMinisignSignature otherComment = *signature;
    otherComment.TrustedComment = "sequence:8";
    EXPECT_EQ(VerifyMinisign(bytes, otherComment, both), TMinisignCheck::BadSignature);
    // Another key given the signing key's id does not confirm the signature.
    TMinisignPublicKey impostor = PublicKey(other);
    impostor.KeyId = signature->KeyId;
    EXPECT_EQ(VerifyMinisign(bytes, *signature, {impostor}), TMinisignCheck::BadSignature);
}

TEST_F(Minisign, SignatureWrittenHereIsAcceptedByTheTool)
{
    const TSecretKeyRead secret = ReadMinisignSecretKey(FileBytes(key.secretKeyFile), NoPassword);
    ASSERT_TRUE(secret.Key.has_value()) << secret.Error.toStdString();
    EXPECT_EQ(KeyIdText(secret.Key->KeyId), key.keyId);
    const QByteArray bytes = FileBytes(message);
    const QByteArray signatureFile = SignMinisign(bytes, *secret.Key, "timestamp:1\tsequence:12");
    WriteBytes(message + QStringLiteral(".minisig"), signatureFile);

    QString output;
    EXPECT_EQ(RunMinisign({"-V", "-p", key.publicKeyFile, "-m", message}, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("timestamp:1\tsequence:12"))) << output.toStdString();
    EXPECT_FALSE(MinisignAccepts(other, message));
    const std::optional<TMinisignSignature> parsed = ParseMinisignSignature(signatureFile);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(VerifyMinisign(bytes, *parsed, {PublicKey(key)}), TMinisignCheck::Valid);

    WriteBytes(message, bytes + "more\n");
    EXPECT_FALSE(MinisignAccepts(key, message)) << "the tool itself refuses a changed file";
}

TEST_F(Minisign, MalformedSignatureFilesAreNotRead)
{
    ASSERT_TRUE(MinisignSign(key, message, QStringLiteral("sequence:7")));
    const QList<QByteArray> good = FileBytes(message + QStringLiteral(".minisig")).split('\n');
    ASSERT_GE(good.size(), 4);
    ASSERT_EQ(RunMinisign({"-S", "-l", "-s", key.secretKeyFile, "-m", message, "-x", message + ".legacy"}), 0);
    const QByteArray legacy = FileBytes(message + QStringLiteral(".legacy"));
    const auto join = [](const QList<QByteArray> &lines) { return lines.join('\n') + '\n'; };
    const struct {
        const char *name;
        QByteArray file;
    } cases[] = {
        {"the older Ed form (signs the file itself)", legacy},
        {"three lines", join(good.mid(0, 3))},
        {"no untrusted comment prefix", join({"comment: x", good[1], good[2], good[3]})},
        {"no trusted comment prefix", join({good[0], good[1], "comment: sequence:7", good[3]})},
        {"signature line cut short", join({good[0], good[1].left(good[1].size() - 4), good[2], good[3]})},
        {"global signature not base64", join({good[0], good[1], good[2], QByteArray(88, '*')})},
        {"empty", QByteArray()},
    };
    EXPECT_TRUE(ParseMinisignSignature(join(good.mid(0, 4))).has_value());
    for (const auto &c : cases)
        EXPECT_FALSE(ParseMinisignSignature(c.file).has_value()) << c.name;
}

TEST_F(Minisign, TrustedKeySettings)
{
    const QString a = key.publicKeyLine;
    const QString b = other.publicKeyLine;
    const struct {
        QString setting;
        int keys;  // -1: refused
    } cases[] = {
        {QString(), 0},          {QStringLiteral("  "), 0},  {a, 1},
        {a + ";" + b, 2},        {" " + a + " ; " + b + ";", 2},
        {a + ";RWQnot-a-key", -1}, {a.left(40), -1},         {QStringLiteral("untrusted comment: x"), -1},
    };
    for (const auto &c : cases) {
        const std::optional<QVector<TMinisignPublicKey>> keys = ParseTrustedKeys(c.setting);
        EXPECT_EQ(keys ? int(keys->size()) : -1, c.keys) << c.setting.toStdString();
    }
    EXPECT_EQ(KeyIdText(ParseTrustedKeys(a + ";" + b)->at(1).KeyId), other.keyId);
}

TEST_F(Minisign, BrokenSecretKeyFilesAreRefused)
{
    const QList<QByteArray> lines = FileBytes(key.secretKeyFile).split('\n');
    QByteArray record = QByteArray::fromBase64(lines.at(1));
    QByteArray wrongPublicHalf = record;
    wrongPublicHalf[130] = char(wrongPublicHalf[130] ^ 1);
    QByteArray unknownKdf = record;
    unknownKdf[2] = 'X';
    const struct {
        const char *name;
        QByteArray file;
    } cases[] = {
        {"public key file", FileBytes(key.publicKeyFile)},
        {"key line not base64", lines.at(0) + "\n***\n"},
        {"public half does not belong to the seed", lines.at(0) + "\n" + wrongPublicHalf.toBase64() + "\n"},
        {"unknown key encryption", lines.at(0) + "\n" + unknownKdf.toBase64() + "\n"},
    };
    for (const auto &c : cases) {
        const TSecretKeyRead read = ReadMinisignSecretKey(c.file, NoPassword);
        EXPECT_FALSE(read.Key.has_value()) << c.name;
        EXPECT_FALSE(read.Error.isEmpty()) << c.name;
    }
}

// scrypt with minisign's parameters takes a while: one key, the right and a wrong password.
TEST(MinisignEncryptedKey, OpensWithItsPasswordOnly)
{
    QTemporaryDir dir;
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("locked"), "pass phrase");
    const QByteArray file = FileBytes(key.secretKeyFile);
    ASSERT_TRUE(file.startsWith("untrusted comment: minisign encrypted secret key"));
    int asked = 0;
    const TSecretKeyRead opened = ReadMinisignSecretKey(file, [&] {
        ++asked;
        return QByteArray("pass phrase");
    });
    ASSERT_TRUE(opened.Key.has_value()) << opened.Error.toStdString();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(KeyIdText(opened.Key->KeyId), key.keyId);
    const TSecretKeyRead wrong = ReadMinisignSecretKey(file, [] { return QByteArray("pass phrasE"); });
    EXPECT_FALSE(wrong.Key.has_value());
    EXPECT_EQ(wrong.Error, QStringLiteral("wrong password for that key"));
}

}  // namespace
