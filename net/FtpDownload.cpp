#include "net/FtpDownload.h"

#include "net/LocalWriter.h"
#include "net/PartialDownload.h"
#include "net/ServerFileGuard.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kBlockBytes = 4096;

// Looks serverName up in the current folder: true with its size in *size when it is a file.
bool FindServerFile(HINTERNET hFTP, const QString &serverName, uint64_t *size)
{
    WIN32_FIND_DATAW found;
    HINTERNET hFind = FtpFindFirstFileW(hFTP, serverName, &found, 0, 0);
    if (!hFind)
        return false;
    InternetCloseHandle(hFind);
    *size = found.nFileSize;
    return found.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY;
}

QString TwoDecimals(double value)
{
    return QString::asprintf("%.2f", value).replace(u'.', QLocale().decimalPoint());
}

}  // namespace

int FtpDownloadFile(HINTERNET hFTP, HINTERNET &hFile, const QString &serverFolder,
                    const QString &serverName, const QString &localFile,
                    const DownloadProgress &progress, std::optional<uint64_t> expectedSize)
{
    hFile = nullptr;
    const ServerFileGuard guard(hFile);
    if (!FtpSetCurrentDirectoryW(hFTP, serverFolder))
        return ResultCode::DownloadFolderMissing;
    // A size known from a signed list spares the look-up (one round trip per file); whether a
    // file that will not open is missing is asked only then.
    uint64_t size = 0;
    if (expectedSize) {
        size = *expectedSize;
        FtpSetKnownSize(hFTP, serverName, size);
    } else if (!FindServerFile(hFTP, serverName, &size)) {
        return ResultCode::DownloadFileMissing;
    }

    // What an earlier attempt left of the same server file is continued where the server can.
    PartialFile local(localFile, size);  // removed unless kept or committed
    if (!local.Open())
        return ResultCode::DownloadLocalFailed;
    const uint64_t held = local.Size() < size ? local.Size() : 0;
    FtpSetRestartOffset(hFTP, held);
    hFile = FtpOpenFileW(hFTP, serverName, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    if (!hFile) {
        uint64_t listedSize = 0;
        if (expectedSize && !FindServerFile(hFTP, serverName, &listedSize))
            return ResultCode::DownloadFileMissing;
        local.Keep();
        return ResultCode::DownloadOpenFailed;
    }
    uint64_t received = FtpFileStartOffset(hFile);
    if (received != local.Size() && !local.TruncateTo(received))
        return ResultCode::DownloadLocalFailed;
    LocalWriter writer(local.Device());

    char buffer[kBlockBytes];
    uint32_t count = 0;
    bool readOk;
    do {
        readOk = InternetReadFile(hFile, buffer, kBlockBytes, &count);
        if (!readOk)
            break;
        // A server that sends more than the file holds could fill the disk: cut it off (and
        // drop what arrived, it is not the file).
        if (count > size - received)
            return ResultCode::DownloadIncomplete;
        writer.Append(buffer, count);
        received += count;
        if (progress)
            progress(uint32_t(received), uint32_t(size));
    } while (count > 0);

    writer.Flush();
    if (!readOk || received < size) {
        local.Keep();  // for the next attempt
        return ResultCode::DownloadIncomplete;
    }
    local.Commit();
    return ResultCode::Downloaded;
}

int ProgressPercent(uint32_t received, uint32_t size)
{
    if (size == 0)
        return 100;
    const double percent = std::nearbyint(double(received) * 100.0 / double(size));
    return int(std::clamp(percent, 0.0, 100.0));
}

QString SizeToText(int32_t n)
{
    if (n >= 1000000)
        return TwoDecimals(n / 1000000.0) + QStringLiteral(" Mb");
    if (n >= 1000)
        return TwoDecimals(n / 1000.0) + QStringLiteral(" Kb");
    return QString::number(n) + QStringLiteral(" bytes");
}
