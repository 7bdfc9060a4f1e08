#include "stages/ManifestListing.h"

#include "release/ReleasePack.h"

#include <QStringList>

#include <algorithm>

namespace {

// Scan order of two relative paths: at the first part where they differ, a file of that
// folder comes before a sub-folder, and names of the same kind go by name.
bool VisitedBefore(const QStringList &a, const QStringList &b)
{
    for (int i = 0; i < a.size() && i < b.size(); ++i) {
        const bool aFile = i == a.size() - 1;
        const bool bFile = i == b.size() - 1;
        if (aFile != bFile)
            return aFile;
        if (a.at(i) != b.at(i))
            return a.at(i) < b.at(i);
    }
    return a.size() < b.size();
}

}  // namespace

TManifestListing ListingFromManifest(const TManifest &Manifest, const QString &Folder)
{
    QVector<QStringList> parts;
    QVector<int> order;
    for (int i = 0; i < Manifest.Entries.size(); ++i) {
        parts.append(Manifest.Entries.at(i).Path.split(QLatin1Char('/')));
        order.append(i);
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) { return VisitedBefore(parts.at(a), parts.at(b)); });

    TManifestListing result;
    for (const int i : order) {
        QStringList folders = parts.at(i);
        TDataSearch entry;
        entry.FileName = folders.takeLast();
        const qsizetype dot = entry.FileName.lastIndexOf(QLatin1Char('.'));
        entry.FileExt = dot < 0 ? QString() : entry.FileName.mid(dot);
        entry.Path = Folder;
        for (const QString &folder : std::as_const(folders))
            entry.Path += folder + QLatin1Char('/');
        result.Listing.append(entry);
        result.Entries.append(Manifest.Entries.at(i));
    }
    return result;
}

void TakePackOffsets(TManifestListing &Listing, const TManifest &Manifest, qint64 PackSize)
{
    Listing.PackOffsets.clear();
    const std::optional<QHash<QString, qint64>> offsets = PackOffsets(Manifest, PackSize);
    if (!offsets)
        return;
    for (const TManifestEntry &entry : std::as_const(Listing.Entries))
        Listing.PackOffsets.append(offsets->value(entry.Path));
}
