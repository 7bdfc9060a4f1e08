#include "net/PackRangeCutter.h"

#include "net/LocalWriter.h"
#include "net/PartialDownload.h"

#include <QCryptographicHash>
#include <algorithm>
#include <optional>

// One file being cut from the range: its partial file and the hash of what it received.
class PackRangeCutter::CutFile {
public:
    explicit CutFile(const TransferJob &job) : job_(job), partial_(job.localFile, *job.expectedSize)
    {
        if (partial_.Open() && partial_.TruncateTo(0))
            writer_.emplace(partial_.Device());
    }

    // Adds bytes of the file (dropped when its partial file could not be opened).
    void Append(const char *data, uint32_t count)
    {
        if (!writer_)
            return;
        writer_->Append(data, count);
        hash_.addData(QByteArrayView(data, count));
    }

    // Once all its bytes arrived: true when they match and replaced the file.
    bool Finish()
    {
        if (!writer_)
            return false;
        writer_->Flush();
        if (hash_.result() != job_.sha256)
            return false;
        partial_.Commit();
        return true;
    }

private:
    const TransferJob &job_;
    PartialFile partial_;  // removed unless committed
    std::optional<LocalWriter> writer_;
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};

PackRangeCutter::PackRangeCutter(const PackRange &range, const QVector<TransferJob> &jobs, JobProgress progress)
    : range_(range), jobs_(jobs), progress_(std::move(progress)), position_(range.offset)
{
}

PackRangeCutter::~PackRangeCutter() = default;

bool PackRangeCutter::Take(const char *data, uint64_t count)
{
    if (count > range_.offset + range_.length - position_)
        return false;
    while (count > 0 && next_ < range_.jobs.size()) {
        const int index = range_.jobs.at(next_);
        const TransferJob &job = jobs_.at(index);
        const uint64_t begin = *job.packOffset;
        const uint64_t end = begin + *job.expectedSize;
        // A gap between two files is passed over.
        const uint64_t skipped = std::min<uint64_t>(count, begin > position_ ? begin - position_ : 0);
        const uint64_t taken = std::min<uint64_t>(count - skipped, end - position_ - skipped);
        data += skipped;
        position_ += skipped;
        count -= skipped;
        if (taken == 0)
            continue;
        if (!cut_)
            cut_ = std::make_unique<CutFile>(job);
        cut_->Append(data, uint32_t(taken));
        data += taken;
        position_ += taken;
        count -= taken;
        if (progress_)
            progress_(index, uint32_t(position_ - begin), uint32_t(*job.expectedSize));
        if (position_ == end) {
            if (cut_->Finish())
                whole_.insert(index);
            cut_.reset();
            ++next_;
        }
    }
    position_ += count;  // the range never ends in a gap, but a caller may pass its last bytes
    return true;
}
