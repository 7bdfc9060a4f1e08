#pragma once
// One file for the transfers of stage 2 to fetch.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// serverFolder + serverName into localFile; or, with packOffset, its bytes cut from the pack.
struct TransferJob {
    QString serverFolder;
    QString serverName;
    QString localFile;
    std::optional<uint64_t> expectedSize;  // the size the file must have (a manifest's); else the listed one
    uint64_t sizeHint = 0;                 // about how many bytes it is, when expectedSize is not known
    std::optional<uint64_t> packOffset;    // where its expectedSize bytes lie in the pack; none: not in it
    QByteArray sha256;                     // with packOffset: the 32-byte SHA-256 those bytes must have
    bool fetched = false;                  // already in localFile (from a mirror): nothing to fetch
};
