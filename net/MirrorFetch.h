#pragma once
// Fetching ranges of a pack from one HTTP(S) mirror, many at once over one connection.
#include "net/PackRangeCutter.h"
#include "net/PackRanges.h"
#include "net/TransferJob.h"

#include <QSet>
#include <QString>
#include <QVector>

struct MirrorFetchResult {
    QSet<int> whole;  // the jobs whose files arrived whole and matching and replaced their localFile
    QString failure;  // why a range failed (English, for the log); empty when every range came whole
};

// Asks the pack at packUrl for every range at once over one connection to the mirror (HTTP/2
// streams where the server speaks it, libcurl multiplexing; else one request after the other)
// and cuts each range into its files as it arrives (PackRangeCutter). An https URL is verified
// as the update server's TLS is (caFile, else the system's CAs; TLS 1.2 at least) and never
// gives way to plain HTTP; no redirect is followed. A range fails when the answer is not 206
// for exactly that range (404, a server that ignores Range), ends short, goes on beyond it,
// stalls or trickles (FtpStallTimeoutSeconds, FtpLowSpeed...), or its files do not match.
// Lets pending events run while it waits; a stop request ends it. Throws RaisedError when
// writing fails (disk full).
MirrorFetchResult FetchFromMirror(const QString &packUrl, const QVector<PackRange> &ranges,
                                  const QVector<TransferJob> &jobs, const QString &caFile);
