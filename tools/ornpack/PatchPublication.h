#pragma once
// The patches of a publication (ornpack --previous): for every packed file that differs from its
// version in a previous release, a Zstandard patch from that version, written beside the file's
// archive when it is clearly smaller than the archive, and the signed list of them.
#include "PackTree.h"
#include "Publication.h"
#include "release/PatchList.h"

#include <QString>
#include <QStringList>
#include <optional>

struct TPatchReport {
    QVector<TPatchEntry> Entries;  // the patches written, in packing order, then previous-release order
    QStringList Written;           // their paths relative to the output folder
    QStringList Problems;          // one line per file whose patch could not be made or written
};

// Removes the patch list, its signature and every patch an earlier publication left below
// OutputFolder; an empty text on success, else what could not be removed.
QString RemoveOldPatches(const QString &OutputFolder);

// Writes the patches of the files Packed lists (archive paths below OutputFolder and the release
// paths they were packed from, below ReleaseFolder) against their versions in each of
// PreviousFolders. A file missing from a previous release, identical to it, or whose base was
// already patched from an earlier previous release, or too large for one Zstandard window with
// its base, gives no patch there; nor does one whose
// patch is larger than half of its archive: fetching a patch costs the hashing of the installed
// file and, should it fail, the archive on top, so a patch must save at least half of the bytes.
TPatchReport WritePatches(const QString &ReleaseFolder, const QStringList &PreviousFolders,
                          const QString &OutputFolder, const TPackReport &Packed);

// Writes the patch list of Entries for the manifest just written into OutputFolder, and its
// signature (with a key: --previous needs --sign), whose trusted comment announces the size of
// the whole pack, PackBytes, when the pack holds the patches. An empty text on success, else the error.
QString WritePatchListFiles(const QString &OutputFolder, const QVector<TPatchEntry> &Entries,
                            const TPublicationOptions &Options, std::optional<qint64> PackBytes);
