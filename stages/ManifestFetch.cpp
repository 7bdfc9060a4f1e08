#include "stages/ManifestFetch.h"

#include "release/Manifest.h"

namespace {

constexpr uint32_t kBlockBytes = 4096;

TServerFile Status(TServerFileRead Read)
{
    return {Read, QByteArray()};
}

// The file as the trust check takes it: its bytes, nullopt when absent; *Complete cleared for
// any other failure.
std::optional<QByteArray> Fetched(const TServerFile &File, bool *Complete)
{
    if (File.Status == TServerFileRead::Read)
        return File.Bytes;
    if (File.Status != TServerFileRead::Absent)
        *Complete = false;
    return std::nullopt;
}

// ReadServerFile without the closing of hFile.
TServerFile ReadIntoMemory(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder, const QString &Name, qint64 MaxBytes)
{
    if (!FtpSetCurrentDirectoryW(hFTP, Folder))
        return Status(TServerFileRead::Failed);
    WIN32_FIND_DATAW found;
    HINTERNET hFind = FtpFindFirstFileW(hFTP, Name, &found, 0, 0);
    if (!hFind)
        return Status(TServerFileRead::Absent);
    InternetCloseHandle(hFind);
    if (found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY)
        return Status(TServerFileRead::Absent);
    if (qint64(found.nFileSize) > MaxBytes)
        return Status(TServerFileRead::TooLarge);
    hFile = FtpOpenFileW(hFTP, Name, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    if (!hFile)
        return Status(TServerFileRead::Failed);

    TServerFile file{TServerFileRead::Read, QByteArray()};
    char buffer[kBlockBytes];
    uint32_t count = 0;
    do {
        if (!InternetReadFile(hFile, buffer, kBlockBytes, &count))
            return Status(TServerFileRead::Failed);
        if (file.Bytes.size() + qint64(count) > MaxBytes)
            return Status(TServerFileRead::TooLarge);  // closing the handle aborts the transfer
        file.Bytes.append(buffer, count);
    } while (count > 0);
    return file;
}

}  // namespace

TServerFile ReadServerFile(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder, const QString &Name,
                           qint64 MaxBytes)
{
    hFile = nullptr;
    const auto close = [&] {
        InternetCloseHandle(hFile);
        hFile = nullptr;
    };
    try {
        const TServerFile file = ReadIntoMemory(hFTP, hFile, Folder, Name, MaxBytes);
        close();
        return file;
    } catch (...) {
        close();
        throw;
    }
}

TFetchedManifest FetchManifest(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder)
{
    TFetchedManifest fetched;
    fetched.Complete = true;
    fetched.Manifest = Fetched(ReadServerFile(hFTP, hFile, Folder, kManifestName, kManifestMaxBytes), &fetched.Complete);
    if (fetched.Manifest)
        fetched.Signature =
            Fetched(ReadServerFile(hFTP, hFile, Folder, kManifestSignatureName, kSignatureMaxBytes), &fetched.Complete);
    return fetched;
}

QString ManifestFetchFailureText()
{
    return QStringLiteral("…Ошибка загрузки манифеста обновлений…");
}
