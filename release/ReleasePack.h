#pragma once
// ornupdate.pack: the files of a published folder, byte for byte, one after the other in the
// order of the entries of its manifest, so that an updater can fetch many files with one
// request for a range of it. The signed trusted comment announces its size (PublicationComment);
// where each file lies follows from the sizes listed before it. The per-file copies stay, so
// an updater that knows nothing of the pack reads the folder as before.
#include "release/Manifest.h"

#include <QHash>
#include <QString>
#include <optional>

inline const QString kPackName = QStringLiteral("ornupdate.pack");

// The offset in the pack of each entry of Manifest, by path: the sizes of the entries before it
// added up. nullopt when all the sizes do not add up to PackSize.
std::optional<QHash<QString, qint64>> PackOffsets(const TManifest &Manifest, qint64 PackSize);
