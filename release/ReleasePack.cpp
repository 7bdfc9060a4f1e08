#include "release/ReleasePack.h"

namespace {

// The offset of each of Entries laid one after the other from First on; nullopt when they do
// not end exactly at End.
std::optional<QVector<qint64>> LaidOut(const QVector<const TManifestEntry *> &Entries, qint64 First, qint64 End)
{
    QVector<qint64> offsets;
    qint64 offset = First;
    for (const TManifestEntry *entry : Entries) {
        if (offset < 0 || entry->Size > End - offset)
            return std::nullopt;
        offsets.append(offset);
        offset += entry->Size;
    }
    if (offset != End)
        return std::nullopt;
    return offsets;
}

}  // namespace

std::optional<QHash<QString, qint64>> PackOffsets(const TManifest &Manifest, qint64 PackSize)
{
    QVector<const TManifestEntry *> entries;
    for (const TManifestEntry &entry : Manifest.Entries)
        entries.append(&entry);
    const std::optional<QVector<qint64>> laidOut = LaidOut(entries, 0, PackSize);
    if (!laidOut)
        return std::nullopt;
    QHash<QString, qint64> offsets;
    for (int i = 0; i < entries.size(); ++i)
        offsets.insert(entries.at(i)->Path, laidOut->at(i));
    return offsets;
}

std::optional<QVector<qint64>> PatchPackOffsets(const TPatchList &List, qint64 FilesEnd, qint64 PackSize)
{
    QVector<const TManifestEntry *> patches;
    for (const TPatchEntry &entry : List.Entries)
        patches.append(&entry.Patch);
    return LaidOut(patches, FilesEnd, PackSize);
}
