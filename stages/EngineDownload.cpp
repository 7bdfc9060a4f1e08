// One server file fetched to a local file, its progress reported as it goes.
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"
#include "release/ListedFileCheck.h"
#include "stages/StageScope.h"
#include "net/ProgressThrottle.h"
#include "stages/UpdateEngine.h"

#include <QFile>

int TUpdateEngine::DownloadFileFTP(HINTERNET &, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                                   const QString &serverFileName, const QString &localFile,
                                   std::optional<uint64_t> expectedSize)
{
    ProgressThrottle progress([&](uint32_t received, uint32_t size) { emit fileProgress(serverFileName, received, size); });
    const int r = FtpDownloadFile(
        hFTP, hFile, serverFolder, serverFileName, localFile,
        [&](uint32_t received, uint32_t size) { progress.Update(received, size); }, expectedSize);
    progress.Finish();
    return r;
}

bool TUpdateEngine::AcceptListed(const QString &path, const TManifestEntry &entry, const QString &name)
{
    return AcceptChecked(CheckListedFile(path, entry), path, name);
}

bool TUpdateEngine::AcceptChecked(TListedFileCheck check, const QString &path, const QString &name)
{
    if (check == TListedFileCheck::Matches)
        return true;
    QFile::remove(path);
    AddLog(lStr(ListedFileCheckText(check)) + QStringLiteral(" - ") + name);
    return false;
}

int TUpdateEngine::FetchListed(StageConnection &connection, const QString &serverFolder, const QString &name,
                               const QString &localFile, const TManifestEntry *entry)
{
    const int r = DownloadFileFTP(connection.hNet, connection.hFTP, connection.hFile, serverFolder, name, localFile,
                                  entry ? std::optional<uint64_t>(entry->Size) : std::nullopt);
    if (r > 0 && entry && !AcceptListed(localFile, *entry, name))
        return ResultCode::DownloadRejected;
    return r;
}
