#pragma once
// The trust check of one server folder as a stage runs it: fetch the folder's manifest and
// signature, look up the last sequence this installation accepted for it, and check. Nothing
// is recorded: the caller records an accepted signed sequence (RecordAcceptedSequence).
#include "net/WinInet.h"
#include "release/ManifestTrust.h"

#include <QDateTime>
#include <QString>
#include <QVector>

struct TFolderTrust {
    bool Fetched = false;  // false: the manifest or signature could not be read (not merely absent);
                           // the folder is refused (ManifestFetchFailureText), Trust is not set
    TTrustResult Trust;
    QByteArray ManifestSha256;  // of the manifest read, when there was one: its patch list names it
};

// Checks Folder (a server path such as netdir "/prog/") with the keys, against the sequence
// recorded for it in RecordPath (SequenceRecordPath(softdir)) and the time Now. Throws
// RaisedError when the record exists but cannot be read, and what the FTP layer throws.
TFolderTrust CheckServerFolder(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder, const QString &RecordPath,
                               const QVector<TMinisignPublicKey> &Keys, const QDateTime &Now);
