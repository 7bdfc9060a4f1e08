#pragma once
// minisign signatures in the "ED" form: an Ed25519 signature over the BLAKE2b-512 hash of the
// file, and a global signature over that signature followed by the trusted comment.
// The .minisig file: "untrusted comment: ..." line, base64 of "ED" + key id + signature,
// "trusted comment: ..." line, base64 of the global signature.
#include "release/MinisignKey.h"

#include <QByteArray>
#include <QVector>
#include <optional>

struct TMinisignSignature {
    QByteArray KeyId;            // 8 bytes: the key that signed
    QByteArray Signature;        // 64 bytes, over BLAKE2b-512 of the file
    QByteArray TrustedComment;   // the text after "trusted comment: "
    QByteArray GlobalSignature;  // 64 bytes, over Signature followed by TrustedComment
};

// The signature of a .minisig file; nullopt when the file does not hold the four lines of the
// "ED" form (the older "Ed" form, which signs the file itself, is not accepted).
std::optional<TMinisignSignature> ParseMinisignSignature(const QByteArray &FileBytes);

enum class TMinisignCheck {
    Valid,         // signed by one of the keys, trusted comment included
    UnknownKey,    // none of the keys has the signature's key id
    BadSignature,  // a key with that id does not confirm the file or the trusted comment
};

// Checks Message against Signature with the key among Keys whose id the signature names.
TMinisignCheck VerifyMinisign(const QByteArray &Message, const TMinisignSignature &Signature,
                              const QVector<TMinisignPublicKey> &Keys);

// The .minisig file for Message signed with Key, carrying TrustedComment (one line, no "\n").
QByteArray SignMinisign(const QByteArray &Message, const TMinisignSecretKey &Key, const QByteArray &TrustedComment);
