#pragma once
// Reading the entries out of FTP server replies: MLSD/MLST fact lines, Unix "ls -l" style and
// MS-DOS style LIST lines.
#include "net/WinInet.h"

#include <QByteArray>
#include <QList>
#include <QVector>

namespace WinInet {

// True when name can stand for one entry of a folder: not empty, not "." or "..", and without
// "/", "\", NUL or other control characters.
bool IsPlainEntryName(const QString &name);

// Reads one MLSD/MLST line ("fact=value;...; name"). Returns false for lines that are no fact
// line, for the folder's own and parent entries (type cdir/pdir) and for names that are not
// plain (IsPlainEntryName); otherwise fills *entry (folder for type=dir, else file).
bool ParseMlsxLine(const QByteArray &line, WIN32_FIND_DATAW *entry);

// Reads the reply lines of "MLST name" (one of them a fact line set off by a space). Returns
// true and fills *entry, named name, when a fact line describes a file or folder; false when
// there is none (the server refused the command or has no such entry) or name is not plain.
bool ParseMlstReply(const QList<QByteArray> &replyLines, const QString &name, WIN32_FIND_DATAW *entry);

// Reads one LIST line in Unix "ls -l" or MS-DOS style. Returns false for lines of neither form
// ("total 12", blank, garbage) and for names that are not plain; otherwise fills *entry (a
// symbolic link is a file entry named without its " -> target" part).
bool ParseListLine(const QByteArray &line, WIN32_FIND_DATAW *entry);

// The entries of a whole MLSD reply (mlsx true) or LIST reply (mlsx false) as libcurl hands it
// over (every line end turned into LF), in reply order. Lines that cannot be read are left out,
// and so is an entry right before such a line: its name held a line break. Blank lines of a
// LIST reply are passed over and take nothing with them. Names are UTF-8.
QVector<WIN32_FIND_DATAW> ParseListing(const QByteArray &reply, bool mlsx);

}  // namespace WinInet
