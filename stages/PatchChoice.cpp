#include "stages/PatchChoice.h"

#include "release/FileHash.h"

#include <QFileInfo>

TPatchChoice::TPatchChoice(const TPatchList &List, QVector<qint64> PackOffsets)
    : list_(List), packOffsets_(std::move(PackOffsets))
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

std::optional<qint64> TPatchChoice::PackOffsetOf(const TPatchEntry &Entry) const
{
    const qsizetype index = &Entry - list_.Entries.constData();
    if (index < 0 || index >= packOffsets_.size())
        return std::nullopt;
    return packOffsets_.at(index);
}
