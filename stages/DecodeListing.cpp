#include "stages/DecodeListing.h"

#include "release/ArchiveName.h"

void DecodeServerListing(QVector<TDataSearch> &Listing)
{
    for (TDataSearch &entry : Listing) {
        const std::optional<TArchiveFile> file = DecodeArchiveName(entry.FileName);
        entry.Comment = file ? file->Comment : QString();
        entry.Size = file ? file->Size : 0;
        entry.DateTime = file ? file->DateTime : 0;
    }
}
