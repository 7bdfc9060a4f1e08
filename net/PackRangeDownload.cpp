#include "net/PackRangeDownload.h"

#include "net/ServerFileGuard.h"

namespace {

constexpr uint32_t kBlockBytes = 64 * 1024;

// Why a range that ended within its bounds did not bring all its files; empty when it did.
QString ShortfallOf(const PackRangeCutter &cutter, const PackRange &range, const QVector<TransferJob> &jobs)
{
    if (!cutter.Complete())
        return QStringLiteral("ended after %1 of %2 bytes").arg(cutter.Taken()).arg(range.length);
    for (const int index : range.jobs)
        if (!cutter.Whole().contains(index))
            return jobs.at(index).serverName + QStringLiteral(" did not match its SHA-256");
    return QString();
}

}  // namespace

PackRangeResult FtpDownloadPackRange(HINTERNET hFTP, const PackFile &pack, const PackRange &range,
                                     const QVector<TransferJob> &jobs, const JobProgress &progress)
{
    PackRangeResult result;
    if (!FtpSetCurrentDirectoryW(hFTP, pack.serverFolder)) {
        result.failure = QStringLiteral("no folder ") + pack.serverFolder;
        return result;
    }
    FtpSetRange(hFTP, range.offset, range.length);
    HINTERNET hFile = FtpOpenFileW(hFTP, pack.name, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    const ServerFileGuard guard(hFile);
    if (!hFile) {
        result.failure = FtpRestartRefused(hFTP) ? QStringLiteral("the server refused REST")
                                                 : QStringLiteral("the range would not start");
        return result;
    }
    result.opened = true;
    PackRangeCutter cutter(range, jobs, progress);
    char buffer[kBlockBytes];
    uint32_t count = 0;
    while (!cutter.Complete() && InternetReadFile(hFile, buffer, kBlockBytes, &count) && count > 0) {
        if (!cutter.Take(buffer, count)) {
            result.failure = QStringLiteral("sent more bytes than the range holds");
            break;
        }
    }
    result.whole = cutter.Whole();
    if (result.failure.isEmpty())
        result.failure = ShortfallOf(cutter, range, jobs);
    return result;
}

QString RangeFailureText(const PackRange &range, const PackRangeResult &result)
{
    return QStringLiteral("bytes %1-%2: %3").arg(range.offset).arg(range.offset + range.length - 1).arg(result.failure);
}
