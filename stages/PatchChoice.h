#pragma once
// Which published patch, if any, stage 2 fetches instead of an archive: one whose base is the
// installed file. Only the installed files of archives that have a patch are hashed, so a run
// in which nothing has a patch reads no installed file.
#include "release/PatchList.h"

#include <QMultiHash>
#include <QString>

// The patches of a list by the manifest path of the archive they stand for.
class TPatchChoice {
public:
    explicit TPatchChoice(const TPatchList &List);

    // The patch of ArchivePath that gives a file of ResultSize bytes (the size the archive's name
    // carries) and whose base has the size and SHA-256 of the file at InstalledPath; nullptr when
    // there is none (the file is not hashed when no patch has a base of its size).
    const TPatchEntry *ForInstalled(const QString &ArchivePath, qint64 ResultSize, const QString &InstalledPath) const;

private:
    TPatchList list_;
    QMultiHash<QString, int> byArchive_;  // index into list_.Entries
};
