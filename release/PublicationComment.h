#pragma once
// The trusted comment of a manifest's signature: it repeats the manifest's sequence, so that
// "minisign -V" shows which publication it verified.
#include <QByteArray>
#include <QString>
#include <optional>

// "timestamp:<Timestamp>\tfile:<File>\tsequence:<Sequence>", as ornpack signs the file File of a
// publication (ornupdate.manifest unless given).
QByteArray PublicationComment(qint64 Sequence, qint64 Timestamp, const QString &File = QStringLiteral("ornupdate.manifest"));

// The number of the one "sequence:<N>" field of Comment (fields separated by blanks or tabs);
// nullopt when there is no such field, more than one, or N is not a manifest number.
std::optional<qint64> SequenceOfComment(const QByteArray &Comment);
