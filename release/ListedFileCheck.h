#pragma once
// The check of a fetched archive or script against its manifest entry, before it is unpacked
// or recorded.
#include "release/Manifest.h"

#include <QString>

enum class TListedFileCheck {
    Matches,      // size and SHA-256 as listed
    SizeDiffers,  // the file's size is not the listed one (the hash is not computed)
    HashDiffers,  // the size matches, the SHA-256 does not
    Unreadable,   // the file cannot be read
};

// Compares the file at Path with Entry's size, then its SHA-256.
TListedFileCheck CheckListedFile(const QString &Path, const TManifestEntry &Entry);

// The marked language key for a failed check (empty for Matches), for the log line that tells
// the file was discarded.
QString ListedFileCheckText(TListedFileCheck Check);
