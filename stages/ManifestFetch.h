#pragma once
// Reading a server folder's manifest and its signature into memory over the stage's FTP
// connection, each bounded in size so that a server cannot feed endless data.
#include "net/WinInet.h"

#include <QByteArray>
#include <QString>
#include <optional>

constexpr qint64 kManifestMaxBytes = 64 * 1024 * 1024;
constexpr qint64 kSignatureMaxBytes = 16 * 1024;

enum class TServerFileRead {
    Read,      // Bytes holds the whole file
    Absent,    // the folder holds no file of that name
    TooLarge,  // the file is larger than allowed; the transfer was cut off
    Failed,    // the folder cannot be entered, the file cannot be opened, or the transfer broke
};

struct TServerFile {
    TServerFileRead Status = TServerFileRead::Failed;
    QByteArray Bytes;  // the file when Read, else empty
};

// Reads Folder/Name (Folder as a server path, e.g. "/prog/") over hFTP, at most MaxBytes.
// hFile is null on entry and on return, and holds the server file during the transfer.
// Throws whatever the FTP layer throws (RunStopped); the server file is closed then too.
TServerFile ReadServerFile(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder, const QString &Name,
                           qint64 MaxBytes);

struct TFetchedManifest {
    bool Complete = false;                // false: a file could not be read (not merely absent)
    std::optional<QByteArray> Manifest;   // ornupdate.manifest; nullopt when absent
    std::optional<QByteArray> Signature;  // ornupdate.manifest.minisig; nullopt when absent
};

// The manifest of Folder and its signature as the trust check takes them. The signature is
// not asked for when there is no manifest.
TFetchedManifest FetchManifest(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder);

// The marked language key of the log line when FetchManifest is not Complete.
QString ManifestFetchFailureText();
