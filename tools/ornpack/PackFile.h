#pragma once
// Writing a published folder's ornupdate.pack.
#include "release/Manifest.h"

#include <QString>

// Writes the files of Manifest's entries (paths relative to Folder), in the manifest's order,
// one after the other into Folder's ornupdate.pack, replacing it atomically. Returns an empty
// text on success, else the error; a file whose size changed since it was listed is an error.
QString WritePackFile(const QString &Folder, const TManifest &Manifest);
