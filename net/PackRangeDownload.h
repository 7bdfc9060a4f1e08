#pragma once
// The download of one range of a pack, cut into the files it holds as the bytes arrive.
#include "net/PackRangeCutter.h"
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

struct PackRangeResult {
    bool opened = false;  // the server began to send the range (false: no pack, no REST, no folder)
    QSet<int> whole;      // the jobs whose files arrived whole and matching, and replaced their localFile
    QString failure;      // why some file of the range did not (English, for the log); empty when all did
};

// What the log says of range when result did not bring all its files: "bytes <first>-<last>: <why>".
QString RangeFailureText(const PackRange &range, const PackRangeResult &result);

// Fetches range of pack over hFTP and cuts it into its files (PackRangeCutter): a range cut in
// the middle keeps the files it completed. Every other file is left as it was: a short or
// failed range, a file that does not match, one whose partial file cannot be opened. Throws
// RaisedError when writing fails (disk full); the server file is closed then too.
PackRangeResult FtpDownloadPackRange(HINTERNET hFTP, const PackFile &pack, const PackRange &range,
                                     const QVector<TransferJob> &jobs, const JobProgress &progress);
