#pragma once
// The last manifest sequence this installation accepted, per server folder: the file
// ornupdate.sequences in the installation folder, one line "<sequence> <server folder>" per
// folder, UTF-8, replaced as a whole on each record. Folders are kept and compared in their
// normal form (NormalServerFolder): "/prog//" and "/prog/" share one line.
#include <QString>
#include <optional>

// softdir + "ornupdate.sequences" (softdir ends in "/").
QString SequenceRecordPath(const QString &softdir);

// The sequence recorded for ServerFolder; nullopt when the file or its line is missing.
// Malformed lines are ignored. Throws RaisedError when the file exists but cannot be read.
std::optional<qint64> ReadAcceptedSequence(const QString &RecordPath, const QString &ServerFolder);

// Sets ServerFolder's line to Sequence (the other folders' lines kept) and writes the file
// atomically (WriteFileReplacing: a link there is replaced, never followed). Returns false with
// *Error set when it cannot be written.
bool RecordAcceptedSequence(const QString &RecordPath, const QString &ServerFolder, qint64 Sequence, QString *Error);
