#pragma once
// The trusted comment of a manifest's signature: it repeats the manifest's sequence, so that
// "minisign -V" shows which publication it verified, and announces the folder's pack.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// "timestamp:<Timestamp>\tfile:<File>\tsequence:<Sequence>", as ornpack signs the file File of a
// publication (ornupdate.manifest unless given), followed by "\tpack:<PackBytes>" when the folder
// holds a pack of that many bytes and by "\tmirror:<URL>" for each of Mirrors (base URLs of
// HTTP(S) copies of the server's tree).
QByteArray PublicationComment(qint64 Sequence, qint64 Timestamp, const QString &File = QStringLiteral("ornupdate.manifest"),
                              std::optional<qint64> PackBytes = std::nullopt, const QStringList &Mirrors = {});

// The number of the one "sequence:<N>" field of Comment (fields separated by blanks or tabs);
// nullopt when there is no such field, more than one, or N is not a manifest number.
std::optional<qint64> SequenceOfComment(const QByteArray &Comment);

// The number of the one "pack:<N>" field of Comment, read as SequenceOfComment reads its field:
// the size of the folder's ornupdate.pack; nullopt when the comment announces none.
std::optional<qint64> PackSizeOfComment(const QByteArray &Comment);

// The URLs of the "mirror:<URL>" fields of Comment, in their order: those that begin with
// "https://" or "http://" and name a host; others are passed over.
QStringList MirrorsOfComment(const QByteArray &Comment);

// True when Url can stand as a mirror's base URL: http:// or https:// with a host, no blank
// or control character.
bool IsMirrorUrl(const QString &Url);
