#pragma once
// Which byte ranges of a pack fetch a run of jobs. Neighbouring files are fetched by one range
// when the gap between them is at most kPackGapBytes: a further range costs a new transfer
// (EPSV, SIZE, REST, RETR, and a fresh login after a range ended early: about a dozen round
// trips), while on a link of 25 ms a round trip at about 80 Mbit/s carries some 256 KiB, so a
// gap of that size costs about as much as one round trip and never more than a range.
#include "net/TransferJob.h"

#include <QVector>
#include <cstdint>

constexpr uint64_t kPackGapBytes = 256 * 1024;

// length bytes of the pack from offset on, holding the files of jobs (indexes into the job
// list, in pack order) and the gaps between them.
struct PackRange {
    uint64_t offset = 0;
    uint64_t length = 0;
    QVector<int> jobs;
};

// The ranges that fetch the jobs of [first, end) that lie in the pack (a packOffset and an
// expectedSize above 0) and are not fetched yet, in pack order: a job whose bytes begin at most gapBytes after the
// end of the previous one joins its range. Jobs outside the pack are in none.
QVector<PackRange> PlanPackRanges(const QVector<TransferJob> &jobs, int first, int end,
                                  uint64_t gapBytes = kPackGapBytes);

// Over FTP a range costs about a dozen round trips (EPSV, SIZE, REST, RETR, the end of the
// transfer, and the fresh login after it), a file fetched alone three or four (EPSV, RETR, its
// end, a CWD where the folder changes): a range pays only from this many files on.
constexpr int kFewestFilesOfAnFtpRange = 4;

// PlanPackRanges without the ranges of fewer than kFewestFilesOfAnFtpRange files: the files
// of those are fetched alone.
QVector<PackRange> PlanFtpPackRanges(const QVector<TransferJob> &jobs, int first, int end);

// The end (one past the last job) of the run a connection takes from jobs, starting at first,
// when the jobs are fetched from a pack: consecutive jobs in the pack, of any folders, no more
// than an even share of the whole list (rounded up, at most 64) among as many of the connections
// as have 2 MiB of it each (at least one), and at most 8 MiB in all but for the first. A
// first job outside the pack gives the run TransferRunEnd gives.
int PackRunEnd(const QVector<TransferJob> &jobs, int first, int connections);
