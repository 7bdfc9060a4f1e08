#pragma once
// ornupdate.pack: the files of a published folder, byte for byte, one after the other in the
// order of the entries of its manifest, then the patches of its patch list in the list's order,
// so that an updater can fetch many files with one request for a range of it. The signed
// trusted comment of the manifest announces the size of the files' part, that of the patch list
// the size of the whole pack (PublicationComment); where each file lies follows from the sizes
// listed before it. The per-file copies stay, so an updater that knows nothing of the pack, or
// of the patches in it, reads the folder as before.
#include "release/Manifest.h"
#include "release/PatchList.h"

#include <QHash>
#include <QString>
#include <QVector>
#include <optional>

inline const QString kPackName = QStringLiteral("ornupdate.pack");

// The offset in the pack of each entry of Manifest, by path: the sizes of the entries before it
// added up. nullopt when all the sizes do not add up to PackSize.
std::optional<QHash<QString, qint64>> PackOffsets(const TManifest &Manifest, qint64 PackSize);

// The offset in the pack of each patch of List, in the list's order: the patches follow the
// manifest's files, which end at FilesEnd. nullopt when FilesEnd and the patches' sizes do not
// add up to PackSize.
std::optional<QVector<qint64>> PatchPackOffsets(const TPatchList &List, qint64 FilesEnd, qint64 PackSize);
