#pragma once
// ornupdate.manifest: the list of every file of a published server folder with its size and
// SHA-256, a sequence number that grows with each publication and an optional expiry time.
// UTF-8 text, every line ended by "\n":
//   ornupdate-manifest 1
//   folder <the server folder it was published for, e.g. /prog/>  (optional)
//   sequence <decimal, 0 to 9223372036854775807>
//   expires <YYYY-MM-DDThh:mm:ssZ>            (optional)
//   file <size in bytes> <SHA-256, 64 lower-case hex digits> <path relative to the folder>
// The header line comes first; sequence once, folder and expires at most once, file lines in
// any order.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

inline const QString kManifestName = QStringLiteral("ornupdate.manifest");
inline const QString kManifestSignatureName = QStringLiteral("ornupdate.manifest.minisig");

struct TManifestEntry {
    QString Path;       // "/"-separated, relative to the published folder
    qint64 Size = 0;    // bytes
    QByteArray Sha256;  // 32 bytes
};

struct TManifest {
    std::optional<QString> Folder;  // the server folder it was published for; none: not named
    qint64 Sequence = 0;
    std::optional<QDateTime> Expires;  // UTC; none: never expires
    QVector<TManifestEntry> Entries;
};

struct TManifestRead {
    std::optional<TManifest> Manifest;
    QString Error;  // "line N: what is wrong"; empty when Manifest is set
};

// The manifest in Bytes, read strictly: any malformed or unknown line, invalid UTF-8, a path
// that is absolute, empty, holds "." or ".." parts, "\" or control characters, a path listed
// twice, or a folder that is empty or holds control characters refuses the whole manifest.
TManifestRead ReadManifest(const QByteArray &Bytes);

// A number as the manifest writes sizes and sequences: decimal digits without sign or leading
// zeros, at most 9223372036854775807; nullopt for anything else.
std::optional<qint64> ReadManifestNumber(const QString &Text);

// A SHA-256 as the manifest writes it (64 lower-case hexadecimal digits) as its 32 bytes;
// nullopt for anything else.
std::optional<QByteArray> ReadManifestSha256(const QString &Text);

// The lines of a text in the manifest's form: UTF-8, every line ended by "\n", the first line
// Header. nullopt with *Error ("line N: what is wrong") for anything else.
std::optional<QStringList> ReadManifestLines(const QByteArray &Bytes, const QString &Header, QString *Error);

// The text of Manifest, entries in path order; what ReadManifest reads back.
QByteArray WriteManifest(const TManifest &Manifest);
