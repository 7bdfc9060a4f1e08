#pragma once
// The trust check of a server folder's manifest: is it signed by a trusted release key, well
// formed, published for this folder, not older than the last one this installation accepted,
// and not expired?
#include "release/Manifest.h"
#include "release/MinisignKey.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

struct TTrustInput {
    QString Folder;                       // the server folder it was read from, as ftp.ini names it
    std::optional<QByteArray> Manifest;   // ornupdate.manifest of the folder; nullopt: none there
    std::optional<QByteArray> Signature;  // ornupdate.manifest.minisig; nullopt: none there
    QVector<TMinisignPublicKey> Keys;     // the trusted keys (ReleaseKeys()); empty: no key built in
    std::optional<qint64> LastSequence;   // last accepted for the folder; nullopt: none recorded
    QDateTime Now;                        // the current time
};

enum class TTrustOutcome {
    Accepted,   // take the folder's tree and its sizes and hashes from Manifest
    NoManifest, // no key and no manifest: list the server folder as before manifests existed
    Refused,    // fetch nothing from the folder; Refusal says why
};

enum class TTrustRefusal {
    None,
    NoManifest,        // keys are set and the folder holds no manifest
    NoSignature,       // keys are set and the manifest has no signature
    BadSignature,      // the signature file is malformed or does not confirm manifest and comment
    UnknownKey,        // signed by a key that is not trusted
    Malformed,         // the manifest is not well formed or lists an unsafe path
    OtherFolder,       // it names another server folder than Folder, or (keys set) none
    SequenceMismatch,  // the trusted comment's sequence differs from the manifest's (or is missing)
    Rollback,          // the sequence is lower than the last accepted one
    Expired,           // the expiry time has passed
};

struct TTrustResult {
    TTrustOutcome Outcome = TTrustOutcome::Refused;
    TTrustRefusal Refusal = TTrustRefusal::None;  // None unless Refused
    QString Detail;      // technical detail of a refusal (English, for the log); may be empty
    TManifest Manifest;  // the manifest read, when Accepted
    bool Signed = false; // Accepted with a valid signature: record Manifest.Sequence as accepted
    std::optional<qint64> PackSize;  // Signed, and its trusted comment announces ornupdate.pack of this size
    QStringList Mirrors;             // Signed: the mirrors its trusted comment lists (MirrorsOfComment)
};

// With keys: accepted only for a manifest signed by one of them (ED form, trusted comment with
// the same sequence), well formed, naming Folder, with a sequence not below LastSequence, and
// not expired. Without keys: a well-formed manifest that names Folder or no folder is accepted
// as it is (no signature, sequence or expiry check); no manifest gives NoManifest. Folders
// compare in their normal form (NormalServerFolder). The first failing check names the
// refusal, in this order: manifest, signature present, signature form, key id, signature,
// manifest form, folder, comment sequence, rollback, expiry.
TTrustResult CheckManifestTrust(const TTrustInput &Input);

// The marked language key of a refusal for the log and message lines (lStr translates it).
QString TrustRefusalText(TTrustRefusal Refusal);
