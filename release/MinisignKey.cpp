#include "release/MinisignKey.h"

#include "release/MinisignText.h"
#include "release/Sodium.h"

#include <QRegularExpression>
#include <QStringList>
#include <sodium.h>

#include <algorithm>

namespace {

constexpr int kKeyIdBytes = 8;
constexpr int kPublicKeyLineBytes = 2 + kKeyIdBytes + crypto_sign_PUBLICKEYBYTES;

// Layout of the secret key record: algorithm names, scrypt parameters, then the part that an
// encrypted key XORs with the scrypt stream (key id, secret key, checksum).
constexpr int kKdfAlgorithmAt = 2;
constexpr int kChecksumAlgorithmAt = 4;
constexpr int kSaltAt = 6;
constexpr int kOpsLimitAt = kSaltAt + crypto_pwhash_scryptsalsa208sha256_SALTBYTES;
constexpr int kMemLimitAt = kOpsLimitAt + 8;
constexpr int kKeyIdAt = kMemLimitAt + 8;
constexpr int kSecretKeyAt = kKeyIdAt + kKeyIdBytes;
constexpr int kChecksumAt = kSecretKeyAt + crypto_sign_SECRETKEYBYTES;
constexpr int kChecksumBytes = crypto_generichash_BYTES;
constexpr int kSecretKeyRecordBytes = kChecksumAt + kChecksumBytes;

quint64 LittleEndian64(const QByteArray &Bytes, int At)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | quint8(Bytes.at(At + i));
    return value;
}

// BLAKE2b-256 of the signature algorithm, key id and secret key: the record's checksum.
QByteArray SecretKeyChecksum(const QByteArray &Record)
{
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kChecksumBytes);
    const auto add = [&](int At, int Size) {
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(Record.constData()) + At, Size);
    };
    add(0, 2);
    add(kKeyIdAt, kKeyIdBytes);
    add(kSecretKeyAt, crypto_sign_SECRETKEYBYTES);
    QByteArray checksum(kChecksumBytes, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(checksum.data()), kChecksumBytes);
    return checksum;
}

// Undoes the scrypt encryption of the record in place; false when scrypt cannot run with its
// parameters.
bool DecryptSecretKeyRecord(QByteArray &Record, const QByteArray &Password)
{
    const int encryptedBytes = kSecretKeyRecordBytes - kKeyIdAt;
    QByteArray stream(encryptedBytes, '\0');
    if (crypto_pwhash_scryptsalsa208sha256(
            reinterpret_cast<unsigned char *>(stream.data()), encryptedBytes, Password.constData(),
            Password.size(), reinterpret_cast<const unsigned char *>(Record.constData()) + kSaltAt,
            LittleEndian64(Record, kOpsLimitAt), size_t(LittleEndian64(Record, kMemLimitAt)))
        != 0)
        return false;
    for (int i = 0; i < encryptedBytes; ++i)
        Record[kKeyIdAt + i] = char(Record.at(kKeyIdAt + i) ^ stream.at(i));
    sodium_memzero(stream.data(), stream.size());
    return true;
}

// True when the public half of an Ed25519 secret key (seed, public key) belongs to its seed.
bool IsKeyPair(const QByteArray &SecretKey)
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey, reinterpret_cast<const unsigned char *>(SecretKey.constData()));
    sodium_memzero(secretKey, sizeof secretKey);
    return SecretKey.mid(crypto_sign_SEEDBYTES) == QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey);
}

TSecretKeyRead Failure(const QString &Error)
{
    return {std::nullopt, Error};
}

}  // namespace

std::optional<TMinisignPublicKey> ParseMinisignPublicKey(const QString &Line)
{
    const std::optional<QByteArray> bytes = DecodeBase64Line(Line.toLatin1(), kPublicKeyLineBytes);
    if (!bytes || !bytes->startsWith("Ed"))
        return std::nullopt;
    return TMinisignPublicKey{bytes->mid(2, kKeyIdBytes), bytes->mid(2 + kKeyIdBytes)};
}

std::optional<QVector<TMinisignPublicKey>> ParseTrustedKeys(const QString &Setting)
{
    QVector<TMinisignPublicKey> keys;
    const QStringList parts = Setting.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const std::optional<TMinisignPublicKey> key = ParseMinisignPublicKey(part);
        if (!key)
            return std::nullopt;
        keys.append(*key);
    }
    return keys;
}

QString KeyIdText(const QByteArray &KeyId)
{
    QByteArray bigEndian = KeyId;
    std::reverse(bigEndian.begin(), bigEndian.end());
    return QString::fromLatin1(bigEndian.toHex().toUpper());
}

TSecretKeyRead ReadMinisignSecretKey(const QByteArray &FileBytes, const std::function<QByteArray()> &AskPassword)
{
    RequireSodium();
    const QList<QByteArray> lines = MinisignLines(FileBytes);
    if (lines.size() != 2 || !lines.at(0).startsWith("untrusted comment: "))
        return Failure(QStringLiteral("not a minisign secret key file (comment line and key line)"));
    std::optional<QByteArray> record = DecodeBase64Line(lines.at(1), kSecretKeyRecordBytes);
    if (!record)
        return Failure(QStringLiteral("the key line is not a minisign secret key"));
    if (!record->startsWith("Ed") || record->mid(kChecksumAlgorithmAt, 2) != "B2")
        return Failure(QStringLiteral("unknown signature or checksum algorithm"));
    const QByteArray kdf = record->mid(kKdfAlgorithmAt, 2);
    if (kdf == "Sc") {
        QByteArray password = AskPassword();
        const bool decrypted = DecryptSecretKeyRecord(*record, password);
        sodium_memzero(password.data(), password.size());
        if (!decrypted)
            return Failure(QStringLiteral("the key's scrypt parameters cannot be used"));
    } else if (kdf != QByteArray(2, '\0')) {
        return Failure(QStringLiteral("unknown key encryption"));
    }
    // minisign leaves the checksum of an unencrypted key zero; the key pair is checked anyway.
    const QByteArray checksum = record->mid(kChecksumAt, kChecksumBytes);
    const bool checksumAbsent = kdf != "Sc" && checksum == QByteArray(kChecksumBytes, '\0');
    if (!checksumAbsent && SecretKeyChecksum(*record) != checksum)
        return Failure(kdf == "Sc" ? QStringLiteral("wrong password for that key")
                                   : QStringLiteral("the key's checksum does not match"));
    if (!IsKeyPair(record->mid(kSecretKeyAt, crypto_sign_SECRETKEYBYTES)))
        return Failure(QStringLiteral("the secret key does not hold its own public key"));
    return {TMinisignSecretKey{record->mid(kKeyIdAt, kKeyIdBytes), record->mid(kSecretKeyAt, crypto_sign_SECRETKEYBYTES)},
            QString()};
}
