#pragma once
// minisign keys: the public key line of a .pub file ("Ed", 8-byte key id, 32-byte Ed25519 key,
// base64) and the secret key file that "minisign -G" writes.
#include <QByteArray>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

struct TMinisignPublicKey {
    QByteArray KeyId;  // 8 bytes, as stored in keys and signatures
    QByteArray Key;    // 32 bytes, Ed25519 public key
};

struct TMinisignSecretKey {
    QByteArray KeyId;      // 8 bytes
    QByteArray SecretKey;  // 64 bytes, Ed25519 secret key (seed and public key)
};

// The key of one base64 line of a .pub file (blanks around it ignored); nullopt when Line is
// not the base64 of "Ed" + key id + key.
std::optional<TMinisignPublicKey> ParseMinisignPublicKey(const QString &Line);

// The keys of a setting that lists such lines separated by ";" or blanks (ORN_RELEASE_PUBKEY);
// an empty list for a blank setting, nullopt when any part is not a public key line.
std::optional<QVector<TMinisignPublicKey>> ParseTrustedKeys(const QString &Setting);

// A key id as minisign prints it: 16 upper-case hexadecimal digits.
QString KeyIdText(const QByteArray &KeyId);

struct TSecretKeyRead {
    std::optional<TMinisignSecretKey> Key;
    QString Error;  // why the file gives no key; empty when Key is set
};

// Reads a minisign secret key file (untrusted comment line, base64 line): an unencrypted one as
// "minisign -G -W" writes, or one encrypted with scrypt, for which AskPassword is called once.
// Fails on a malformed file, an unknown algorithm, a wrong password or a broken checksum.
TSecretKeyRead ReadMinisignSecretKey(const QByteArray &FileBytes, const std::function<QByteArray()> &AskPassword);
