#include "net/FtpDownload.h"

#include "net/RaisedError.h"
#include "net/ResultCodes.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr uint32_t kBlockBytes = 4096;

// Closes the server file on every way out of the download.
class ServerFileGuard {
public:
    explicit ServerFileGuard(HINTERNET &hFile) : hFile_(hFile) {}
    ~ServerFileGuard()
    {
        InternetCloseHandle(hFile_);
        hFile_ = nullptr;
    }
    ServerFileGuard(const ServerFileGuard &) = delete;
    ServerFileGuard &operator=(const ServerFileGuard &) = delete;

private:
    HINTERNET &hFile_;
};

// The local file of a download: written under a temporary name beside the target and renamed
// over it only when complete; removed on every other way out. It is not synced to disk before
// the rename (as a QSaveFile would be): syncing a file of a gigabyte stalls the window for as
// long as the disk takes to write it, while an archive lost in a crash only fails to unpack,
// and the next run fetches it again because the installed file is still the old one.
class ReplacingFile : public QTemporaryFile {
public:
    explicit ReplacingFile(const QString &target)
        : QTemporaryFile(target + QStringLiteral(".XXXXXX")), target_(target) {}

    // Creates the temporary file, unbuffered. False when it cannot be created, or when the
    // target is something other than a file that may be written.
    bool Create()
    {
        const QFileInfo existing(target_);
        if (existing.exists() && (!existing.isFile() || !existing.isWritable()))
            return false;
        return open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    }

    // Gives the file the target's permissions (those of a new file when there is no target)
    // and renames it over the target. Throws RaisedError with the system's text on failure.
    void Commit()
    {
        const QByteArray target = QFile::encodeName(target_);
        struct stat existing {};
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777 : 0666 & ~mask;
        if (::fchmod(handle(), mode) != 0 || ::rename(QFile::encodeName(fileName()).constData(), target.constData()) != 0)
            throw RaisedError(QString::fromLocal8Bit(std::strerror(errno)));
        setAutoRemove(false);
        close();
    }

private:
    const QString target_;
};

// Collects the blocks and writes them to the temporary file in large pieces, so that a write
// that stops short (disk full) is seen: the device's own buffering would let it pass.
class LocalWriter {
public:
    explicit LocalWriter(QFileDevice &file) : file_(file) { pending_.reserve(kPieceBytes); }

    void Append(const char *data, uint32_t count)
    {
        pending_.append(data, count);
        if (pending_.size() >= kPieceBytes)
            Flush();
    }

    // Writes what is pending; throws RaisedError with the system's text when that fails.
    void Flush()
    {
        qsizetype written = 0;
        while (written < pending_.size()) {
            const qint64 count = file_.write(pending_.constData() + written, pending_.size() - written);
            if (count <= 0)
                throw RaisedError(file_.errorString());
            written += count;
        }
        pending_.resize(0);
    }

private:
    static constexpr qsizetype kPieceBytes = 256 * 1024;
    QFileDevice &file_;
    QByteArray pending_;
};

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
    WIN32_FIND_DATAW found;
    HINTERNET hFind = FtpFindFirstFileW(hFTP, serverName, &found, 0, 0);
    if (!hFind)
        return ResultCode::DownloadFileMissing;
    InternetCloseHandle(hFind);
    if (found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY)
        return ResultCode::DownloadFileMissing;
    const uint64_t size = expectedSize.value_or(found.nFileSize);

    hFile = FtpOpenFileW(hFTP, serverName, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    if (!hFile)
        return ResultCode::DownloadOpenFailed;
    ReplacingFile local(localFile);  // removed unless committed
    if (!local.Create())
        return ResultCode::DownloadLocalFailed;
    LocalWriter writer(local);

    char buffer[kBlockBytes];
    uint64_t received = 0;
    uint32_t count = 0;
    bool readOk;
    do {
        readOk = InternetReadFile(hFile, buffer, kBlockBytes, &count);
        if (!readOk)
            break;
        // A server that sends more than the file holds could fill the disk: cut it off.
        if (count > size - received)
            return ResultCode::DownloadIncomplete;
        writer.Append(buffer, count);
        received += count;
        if (progress)
            progress(uint32_t(received), uint32_t(size));
    } while (count > 0);

    if (!readOk || received < size)
        return ResultCode::DownloadIncomplete;
    writer.Flush();
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
