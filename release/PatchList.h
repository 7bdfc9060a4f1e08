#pragma once
// ornupdate.patches: the binary patches published beside the archives of a server folder, and
// its minisign signature ornupdate.patches.minisig. It is a companion of the folder's manifest
// rather than a part of it, so that updaters that know no patches read the manifest as before;
// it names the folder and the SHA-256 of the manifest it belongs to, and is taken only with that
// manifest, signed. UTF-8 text, every line ended by "\n":
//   ornupdate-patches 1
//   folder <the server folder, as the manifest names it>
//   manifest <SHA-256 of ornupdate.manifest>
//   patch <size> <SHA-256> <base size> <base SHA-256> <result size> <result SHA-256> <patch name> <archive path>
// One patch line per patch, in the order written: the patch file (in the archive's folder,
// its name ending in ".ornpatch") turns the installed file whose size and SHA-256 are the base's
// into the one the archive at <archive path> holds.
#include "release/Manifest.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

inline const QString kPatchListName = QStringLiteral("ornupdate.patches");
inline const QString kPatchListSignatureName = QStringLiteral("ornupdate.patches.minisig");
inline const QString kPatchExtension = QStringLiteral(".ornpatch");

struct TPatchEntry {
    TManifestEntry Patch;   // the patch file: its path below the folder, size and SHA-256
    QString ArchivePath;    // the manifest path of the archive whose file it produces
    qint64 BaseSize = 0;    // the installed file it applies to
    QByteArray BaseSha256;
    qint64 ResultSize = 0;  // the file it produces
    QByteArray ResultSha256;
};

struct TPatchList {
    QString Folder;          // the server folder it was published for
    QByteArray ManifestSha256;
    QVector<TPatchEntry> Entries;  // in the order written
};

struct TPatchListRead {
    std::optional<TPatchList> List;
    QString Error;  // "line N: what is wrong"; empty when List is set
};

// The name of the patch from a base to a result, by the first 16 hexadecimal digits of each
// SHA-256: "<result>.<base>.ornpatch". It holds no "-", so it never reads as an archive name.
QString PatchFileName(const QByteArray &ResultSha256, const QByteArray &BaseSha256);

// The file name of Entry's patch (the last part of Entry.Patch.Path).
QString PatchNameOf(const TPatchEntry &Entry);

// True when the last part of Path ends in ".ornpatch".
bool IsPatchPath(const QString &Path);

// The list in Bytes, read strictly: an unknown or malformed line, a missing folder or manifest
// line, an unsafe archive path, a patch name that is not a safe name ending in ".ornpatch", or a
// patch listed twice refuses the whole list.
TPatchListRead ReadPatchList(const QByteArray &Bytes);

// The text of List; what ReadPatchList reads back.
QByteArray WritePatchList(const TPatchList &List);
