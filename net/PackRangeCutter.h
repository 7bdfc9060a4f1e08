#pragma once
// Cutting the bytes of one range of a pack, as they arrive, into the files it holds.
#include "net/PackRanges.h"
#include "net/TransferJob.h"

#include <QSet>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>

// Bytes so far of the file of job index, and its size.
using JobProgress = std::function<void(int index, uint32_t received, uint32_t size)>;

class PackRangeCutter {
public:
    // Cuts range's bytes into the files of its jobs (indexes into jobs, which outlive the cutter).
    PackRangeCutter(const PackRange &range, const QVector<TransferJob> &jobs, JobProgress progress);
    ~PackRangeCutter();
    PackRangeCutter(const PackRangeCutter &) = delete;
    PackRangeCutter &operator=(const PackRangeCutter &) = delete;

    // Takes the next count bytes of the range. Each job's bytes go to the partial file of its
    // localFile (PartialDownload.h) with their SHA-256 computed on the way; a file whose bytes
    // all arrived and match its sha256 replaces localFile at once. Returns false, taking none,
    // when the bytes go beyond the range's end. Throws RaisedError when writing fails.
    bool Take(const char *data, uint64_t count);

    // True when every byte of the range has been taken.
    bool Complete() const { return position_ == range_.offset + range_.length; }

    // How many bytes of the range have been taken.
    uint64_t Taken() const { return position_ - range_.offset; }

    // The jobs whose files arrived whole and matching and replaced their localFile. A file cut
    // short is left as it was, its partial file removed with the cutter.
    const QSet<int> &Whole() const { return whole_; }

private:
    class CutFile;

    const PackRange &range_;
    const QVector<TransferJob> &jobs_;
    JobProgress progress_;
    uint64_t position_;  // of the next byte in the pack
    int next_ = 0;       // the file of range_.jobs being cut, or the next one
    std::unique_ptr<CutFile> cut_;
    QSet<int> whole_;
};
