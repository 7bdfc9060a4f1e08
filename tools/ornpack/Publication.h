#pragma once
// The manifest of a published server folder (ornupdate.manifest), its minisign signature
// (ornupdate.manifest.minisig) and, with the signature, the folder's pack (ornupdate.pack).
#include "release/Manifest.h"
#include "release/MinisignKey.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

struct TPublicationOptions {
    std::optional<QString> Folder;               // the server folder the manifest names; none: not named
    qint64 Sequence = 0;
    std::optional<QDateTime> Expires;            // none: the manifest never expires
    std::optional<TMinisignSecretKey> SignWith;  // none: no signature (an old one is removed)
    QDateTime Now;                               // the publication time, for the trusted comment
    bool Pack = true;                            // with SignWith: write the pack and announce it
    QStringList Mirrors;                         // with SignWith: base URLs of HTTP(S) copies of the server's tree
    QVector<TManifestEntry> PackedPatches;       // with Pack: appended to the pack after the listed files, in this order
};

struct TPublicationReport {
    QStringList Problems;  // files left out of the manifest (names it cannot carry)
    QString Error;         // why the manifest or signature could not be written; empty on success
    std::optional<qint64> PackBytes;  // the size of the pack written, patches included; none: no pack
};

// Writes Bytes to Path through a temporary file; an empty text on success, else the error.
QString WriteWhole(const QString &Path, const QByteArray &Bytes);

// Writes the manifest of every file below OutputFolder (its own files, the pack, the patch list
// and the patches excepted: they are not files to install) with size and SHA-256, and, with a
// key, the pack of the listed files and PackedPatches (unless Pack is off) and the signature whose
// trusted comment carries the sequence and the size of the listed files' part of the pack. Each file is replaced atomically; a pack or signature
// not written this time is removed.
TPublicationReport WritePublication(const QString &OutputFolder, const TPublicationOptions &Options);
