#pragma once
// Which published patch, if any, stage 2 fetches instead of an archive: one whose base is the
// installed file. Only the installed files of archives that have a patch are hashed, so a run
// in which nothing has a patch reads no installed file.
#include "release/PatchList.h"

#include <QMultiHash>
#include <QString>
#include <QVector>
#include <optional>

// The patches of a list by the manifest path of the archive they stand for.
class TPatchChoice {
public:
    // PackOffsets: where each patch of List lies in the folder's pack, in the list's order;
    // empty when the pack holds none.
    explicit TPatchChoice(const TPatchList &List, QVector<qint64> PackOffsets = {});

    // The patch of ArchivePath that gives a file of ResultSize bytes (the size the archive's name
    // carries) and whose base has the size and SHA-256 of the file at InstalledPath; nullptr when
    // there is none (the file is not hashed when no patch has a base of its size).
    const TPatchEntry *ForInstalled(const QString &ArchivePath, qint64 ResultSize, const QString &InstalledPath) const;

    // Where Entry (one that ForInstalled returned) lies in the pack; nullopt when not in it.
    std::optional<qint64> PackOffsetOf(const TPatchEntry &Entry) const;

private:
    TPatchList list_;
    QVector<qint64> packOffsets_;
    QMultiHash<QString, int> byArchive_;  // index into list_.Entries
};
