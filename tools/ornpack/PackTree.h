#pragma once
// Packing a release tree into the server program tree: every file becomes one 7-Zip archive
// named by the archive-name scheme, in the same sub-folder.
#include <QString>
#include <QStringList>

struct TPackReport {
    QStringList Written;   // archive paths relative to the output folder, in packing order
    QStringList Sources;   // the release path of each of Written, relative to the release folder
    QStringList Problems;  // one line per file that was skipped or could not be packed
};

// The reason why a file cannot be carried by an archive name (or must not be: the updater's own
// state files at the top of the release), or an empty text when it can.
// RelativePath is the file's path below the release folder.
QString UnpackableReason(const QString &RelativePath, const QString &FilePath);

// Packs every file below ReleaseFolder (hidden ones included, in path order) into
// OutputFolder with the 7z program SevenZip. A file that cannot be carried, or that 7z fails
// on, is left out and reported; the others are still written. Existing archives of the same
// name are replaced.
TPackReport PackTree(const QString &ReleaseFolder, const QString &OutputFolder, const QString &SevenZip);
