#include "net/PackRangeDownload.h"

#include "net/ServerFileGuard.h"

namespace {

constexpr uint32_t kBlockBytes = 64 * 1024;

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
    PackRangeCutter cutter(range, jobs, progress);
    char buffer[kBlockBytes];
    uint32_t count = 0;
    while (!cutter.Complete() && InternetReadFile(hFile, buffer, kBlockBytes, &count) && count > 0 && cutter.Take(buffer, count)) {
    }
    result.whole = cutter.Whole();
    return result;
}
