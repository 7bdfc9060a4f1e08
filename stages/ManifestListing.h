#pragma once
// The server listing of a folder taken from its manifest instead of from the server: the same
// entries TScanDir::BeginScanFTP gives for that folder.
#include "net/DataSearch.h"
#include "release/Manifest.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct TManifestListing {
    QVector<TDataSearch> Listing;     // as the scanner fills it: FileName, FileExt (with dot), Path
    QVector<TManifestEntry> Entries;  // Entries[i] is the manifest entry of Listing[i]
    bool Signed = false;              // its signature was checked against a release key
    QByteArray Sha256;                // of the manifest's bytes, which its patch list names
    QVector<qint64> PackOffsets;      // where Entries[i] lies in the folder's ornupdate.pack; empty: no pack
    QStringList Mirrors;              // the HTTP(S) mirrors its signature lists
};

// Fills Listing.PackOffsets from Manifest (of which Listing was made) when its signature
// announced a pack of PackSize bytes that its entries fill exactly; else leaves it empty.
void TakePackOffsets(TManifestListing &Listing, const TManifest &Manifest, qint64 PackSize);

// One entry per manifest file below Folder (the server folder as the scan starts from it, e.g.
// netdir "/prog/"): Path is Folder followed by each sub-folder and "/", Size, DateTime and
// Comment are left for the decoder. Order as a scan visits the tree: a folder's files, by name,
// before its sub-folders, by name.
TManifestListing ListingFromManifest(const TManifest &Manifest, const QString &Folder);
