#pragma once
// Writing a published folder's ornupdate.pack.
#include "release/Manifest.h"

#include <QString>

#include <QVector>

// Writes the files of Files (paths relative to Folder), in their order, one after the other into
// Folder's ornupdate.pack, replacing it atomically. Returns an empty text on success, else the
// error; a file whose size changed since it was listed is an error.
QString WritePackFile(const QString &Folder, const QVector<TManifestEntry> &Files);
