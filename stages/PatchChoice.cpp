#include "stages/PatchChoice.h"

#include "release/FileHash.h"

#include <QFileInfo>

TPatchChoice::TPatchChoice(const TPatchList &List) : list_(List)
{
    for (int i = 0; i < list_.Entries.size(); ++i)
        byArchive_.insert(list_.Entries.at(i).ArchivePath, i);
}

const TPatchEntry *TPatchChoice::ForInstalled(const QString &ArchivePath, qint64 ResultSize,
                                              const QString &InstalledPath) const
{
    const QFileInfo installed(InstalledPath);
    std::optional<QByteArray> hash;  // read at most once; empty when it cannot be read
    for (const int index : byArchive_.values(ArchivePath)) {
        const TPatchEntry &entry = list_.Entries.at(index);
        if (entry.ResultSize != ResultSize || !installed.isFile() || installed.size() != entry.BaseSize)
            continue;
        if (!hash)
            hash = FileSha256(InstalledPath).value_or(QByteArray());
        if (*hash == entry.BaseSha256)
            return &entry;
    }
    return nullptr;
}
