#pragma once
// The technical listing of an archive as the 7-Zip tool prints it ("l -slt"), and the check that
// an archive holds exactly the one file its name promises, made before anything is unpacked.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>
#include <cstdint>

// One entry of a listing: its "Key = Value" properties ("Path", "Size", "Attributes", ...).
using TArchiveEntry = QMap<QString, QString>;

struct TArchiveListing {
    QString Type;                    // the archive's "Type" ("7z" for a 7-Zip archive)
    QVector<TArchiveEntry> Entries;  // in archive order
    bool WellFormed = false;         // false when the text is no complete listing
};

// Reads the text of "7z l -slt": the archive block before the "----------" line, then one block
// per entry, blocks separated by empty lines. A listing without that line, with a property
// line that is not "Key = Value", or with a key twice in one block is not WellFormed.
TArchiveListing ParseArchiveListing(const QByteArray &Output);

// Why an archive is not installed as it is listed.
enum class TArchiveRefusal {
    None,          // exactly one regular file of the expected name and size: it may be unpacked
    NotSevenZip,   // the listing is not well formed, or the archive is not a 7-Zip archive
    NotOneEntry,   // no entry, or more than one (files, folders, links of any kind)
    NotRegular,    // the one entry is a folder, a link, an anti-item or encrypted
    OtherName,     // the one entry's path is not exactly the expected file name
    OtherSize,     // the one entry's size is not the size the archive name carries
};

// The refusal for Listing when the archive must hold exactly one regular file named FileName
// (case-sensitive, no folder part) of Size bytes; None when it does.
TArchiveRefusal CheckSingleFile(const TArchiveListing &Listing, const QString &FileName, int64_t Size);
