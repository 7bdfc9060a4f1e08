#include "net/PackRangeDownload.h"

#include "net/LocalWriter.h"
#include "net/PartialDownload.h"
#include "net/ServerFileGuard.h"

#include <QCryptographicHash>
#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr uint32_t kBlockBytes = 64 * 1024;

// One file being cut from the range: its partial file and the hash of what it received.
class CutFile {
public:
    CutFile(const TransferJob &job) : job_(job), partial_(job.localFile, *job.expectedSize)
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

}  // namespace

PackRangeResult FtpDownloadPackRange(HINTERNET hFTP, const PackFile &pack, const PackRange &range,
                                     const QVector<TransferJob> &jobs, const JobProgress &progress)
{
    PackRangeResult result;
    if (!FtpSetCurrentDirectoryW(hFTP, pack.serverFolder))
        return result;
    FtpSetRange(hFTP, range.offset, range.length);
    HINTERNET hFile = FtpOpenFileW(hFTP, pack.name, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    const ServerFileGuard guard(hFile);
    if (!hFile)
        return result;
    result.opened = true;

    uint64_t position = range.offset;  // of the next byte in the pack
    int next = 0;                      // the file of range.jobs being cut, or the next one
    std::unique_ptr<CutFile> cut;
    char buffer[kBlockBytes];
    uint32_t count = 0;
    while (next < range.jobs.size() && InternetReadFile(hFile, buffer, kBlockBytes, &count) && count > 0) {
        const char *data = buffer;
        while (count > 0 && next < range.jobs.size()) {
            const int index = range.jobs.at(next);
            const TransferJob &job = jobs.at(index);
            const uint64_t begin = *job.packOffset;
            const uint64_t end = begin + *job.expectedSize;
            // A gap between two files is passed over.
            const uint32_t skipped = uint32_t(std::min<uint64_t>(count, begin > position ? begin - position : 0));
            const uint32_t taken = uint32_t(std::min<uint64_t>(count - skipped, end - position - skipped));
            data += skipped;
            position += skipped;
            count -= skipped;
            if (taken == 0)
                continue;
            if (!cut)
                cut = std::make_unique<CutFile>(job);
            cut->Append(data, taken);
            data += taken;
            position += taken;
            count -= taken;
            if (progress)
                progress(index, uint32_t(position - begin), uint32_t(*job.expectedSize));
            if (position == end) {
                if (cut->Finish())
                    result.whole.insert(index);
                cut.reset();
                ++next;
            }
        }
    }
    return result;
}
