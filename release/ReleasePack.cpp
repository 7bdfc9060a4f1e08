#include "release/ReleasePack.h"

std::optional<QHash<QString, qint64>> PackOffsets(const TManifest &Manifest, qint64 PackSize)
{
    QHash<QString, qint64> offsets;
    qint64 offset = 0;
    for (const TManifestEntry &entry : Manifest.Entries) {
        if (entry.Size > PackSize - offset)
            return std::nullopt;
        offsets.insert(entry.Path, offset);
        offset += entry.Size;
    }
    if (offset != PackSize)
        return std::nullopt;
    return offsets;
}
