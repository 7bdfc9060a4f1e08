// One server file fetched to a local file, its progress reported as it goes.
#include "net/FtpDownload.h"
#include "stages/UpdateEngine.h"

#include <QElapsedTimer>

namespace {

// A face repaints only when its events run, and a report per 4 KB block would flood it over a
// fast link: progress is reported for the first block, at most this often after it, for a
// full bar and once the transfer has ended.
constexpr qint64 kProgressIntervalNs = 10 * 1000 * 1000;

}  // namespace

int TUpdateEngine::DownloadFileFTP(HINTERNET &, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                                   const QString &serverFileName, const QString &localFile)
{
    QElapsedTimer sinceReport;
    uint32_t received = 0;
    uint32_t size = 0;
    bool pending = false;
    const auto report = [&] {
        emit fileProgress(serverFileName, received, size);
        pending = false;
        sinceReport.start();
    };
    const int r = FtpDownloadFile(hFTP, hFile, serverFolder, serverFileName, localFile,
                                  [&](uint32_t blockReceived, uint32_t blockSize) {
                                      received = blockReceived;
                                      size = blockSize;
                                      pending = true;
                                      if (!sinceReport.isValid() || ProgressPercent(received, size) >= 100
                                          || sinceReport.nsecsElapsed() >= kProgressIntervalNs)
                                          report();
                                  });
    if (pending)
        report();
    return r;
}
