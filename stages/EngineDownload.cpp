// One server file fetched to a local file, its progress reported as it goes.
#include "net/FtpDownload.h"
#include "stages/ProgressThrottle.h"
#include "stages/UpdateEngine.h"

int TUpdateEngine::DownloadFileFTP(HINTERNET &, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                                   const QString &serverFileName, const QString &localFile)
{
    ProgressThrottle progress([&](uint32_t received, uint32_t size) { emit fileProgress(serverFileName, received, size); });
    const int r = FtpDownloadFile(hFTP, hFile, serverFolder, serverFileName, localFile,
                                  [&](uint32_t received, uint32_t size) { progress.Update(received, size); });
    progress.Finish();
    return r;
}
