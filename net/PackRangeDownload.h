#pragma once
// The download of one range of a pack, cut into the files it holds as the bytes arrive.
#include "net/PackRanges.h"
#include "net/TransferJob.h"
#include "net/WinInet.h"

#include <QSet>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

// The pack the jobs lie in: serverFolder + name on the server.
struct PackFile {
    QString serverFolder;
    QString name;
};

// Bytes so far of the file of job index, and its size.
using JobProgress = std::function<void(int index, uint32_t received, uint32_t size)>;

struct PackRangeResult {
    bool opened = false;  // the server began to send the range (false: no pack, no REST, no folder)
    QSet<int> whole;      // the jobs whose files arrived whole and matching, and replaced their localFile
};

// Fetches range of pack over hFTP. Each job's bytes go to the partial file of its localFile
// (PartialDownload.h) with their SHA-256 computed on the way; a file whose bytes all arrived
// and match its sha256 replaces localFile at once, so a range cut in the middle keeps the
// files it completed. Every other file is left as it was and its partial file removed: a
// short or failed range, a file that does not match, one whose partial file cannot be opened.
// Throws RaisedError when writing fails (disk full); the server file is closed then too.
PackRangeResult FtpDownloadPackRange(HINTERNET hFTP, const PackFile &pack, const PackRange &range,
                                     const QVector<TransferJob> &jobs, const JobProgress &progress);
