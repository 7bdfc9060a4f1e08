#include "release/MinisignSignature.h"

#include "release/MinisignText.h"
#include "release/Sodium.h"

#include <sodium.h>

namespace {

const QByteArray kAlgorithm = QByteArrayLiteral("ED");
const QByteArray kUntrustedPrefix = QByteArrayLiteral("untrusted comment: ");
const QByteArray kTrustedPrefix = QByteArrayLiteral("trusted comment: ");
constexpr int kKeyIdBytes = 8;
constexpr int kSignatureLineBytes = 2 + kKeyIdBytes + crypto_sign_BYTES;

const unsigned char *Bytes(const QByteArray &Data)
{
    return reinterpret_cast<const unsigned char *>(Data.constData());
}

// BLAKE2b-512 of Message: what the "ED" form signs.
QByteArray PrehashOf(const QByteArray &Message)
{
    QByteArray hash(crypto_generichash_BYTES_MAX, '\0');
    crypto_generichash(reinterpret_cast<unsigned char *>(hash.data()), hash.size(), Bytes(Message), Message.size(),
                       nullptr, 0);
    return hash;
}

bool Confirms(const QByteArray &Signature, const QByteArray &Data, const QByteArray &PublicKey)
{
    return crypto_sign_verify_detached(Bytes(Signature), Bytes(Data), Data.size(), Bytes(PublicKey)) == 0;
}

QByteArray Sign(const QByteArray &Data, const QByteArray &SecretKey)
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr, Bytes(Data), Data.size(),
                         Bytes(SecretKey));
    return signature;
}

}  // namespace

std::optional<TMinisignSignature> ParseMinisignSignature(const QByteArray &FileBytes)
{
    const QList<QByteArray> lines = MinisignLines(FileBytes);
    if (lines.size() != 4 || !lines.at(0).startsWith(kUntrustedPrefix) || !lines.at(2).startsWith(kTrustedPrefix))
        return std::nullopt;
    const std::optional<QByteArray> signature = DecodeBase64Line(lines.at(1), kSignatureLineBytes);
    const std::optional<QByteArray> global = DecodeBase64Line(lines.at(3), crypto_sign_BYTES);
    if (!signature || !global || !signature->startsWith(kAlgorithm))
        return std::nullopt;
    return TMinisignSignature{signature->mid(2, kKeyIdBytes), signature->mid(2 + kKeyIdBytes),
                              lines.at(2).mid(kTrustedPrefix.size()), *global};
}

TMinisignCheck VerifyMinisign(const QByteArray &Message, const TMinisignSignature &Signature,
                              const QVector<TMinisignPublicKey> &Keys)
{
    RequireSodium();
    bool known = false;
    const QByteArray prehash = PrehashOf(Message);
    for (const TMinisignPublicKey &key : Keys) {
        if (key.KeyId != Signature.KeyId)
            continue;
        known = true;
        if (Confirms(Signature.Signature, prehash, key.Key)
            && Confirms(Signature.GlobalSignature, Signature.Signature + Signature.TrustedComment, key.Key))
            return TMinisignCheck::Valid;
    }
    return known ? TMinisignCheck::BadSignature : TMinisignCheck::UnknownKey;
}

QByteArray SignMinisign(const QByteArray &Message, const TMinisignSecretKey &Key, const QByteArray &TrustedComment)
{
    RequireSodium();
    const QByteArray signature = Sign(PrehashOf(Message), Key.SecretKey);
    const QByteArray global = Sign(signature + TrustedComment, Key.SecretKey);
    return kUntrustedPrefix + "signature from ornpack, key " + KeyIdText(Key.KeyId).toLatin1() + '\n'
           + (kAlgorithm + Key.KeyId + signature).toBase64() + '\n' + kTrustedPrefix + TrustedComment + '\n'
           + global.toBase64() + '\n';
}
