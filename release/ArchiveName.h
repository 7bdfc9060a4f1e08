#pragma once
// The archive-name scheme of the server's program tree: one archive per program file, named
// NameLength "-" ExtLength "-" Name "." Ext "-" Size "-" PackedFatDate "." archive extension,
// e.g. "6-3-Report.dll-48152-1417904835.7z".
#include <QString>
#include <cstdint>
#include <optional>

// What an archive name tells about the file it holds.
struct TArchiveFile {
    QString Comment;      // installed file name: Name + "." + Ext
    int32_t Size = 0;     // installed file size in bytes
    double DateTime = 0;  // installed file date-time (day count, even seconds)
};

// Decodes an archive name. Returns nothing when the name does not follow the scheme: a length,
// size or date field that is not a non-negative decimal integer in range, a name too short for
// its lengths, or a packed value that is no valid date or time.
std::optional<TArchiveFile> DecodeArchiveName(const QString &ArchiveName);

// The archive name for a file Name.Ext of Size bytes dated PackedDate (FAT form), with the
// archive extension ".7z".
QString EncodeArchiveName(const QString &Name, const QString &Ext, int64_t Size, uint32_t PackedDate);
