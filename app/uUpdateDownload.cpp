// One server file fetched to a local file, with the bar and the file label showing progress.
#include "app/uUpdate.h"
#include "net/EventPump.h"
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"
#include "support/ClassLanguage.h"

#include <QLabel>
#include <QProgressBar>

int TfUpdate::DownloadFileFTP(HINTERNET &, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                              const QString &serverFileName, const QString &localFile, QProgressBar *progressBar)
{
    // The caption's prefix is the same for every block: translate it once per file.
    const QString prefix = lStr(QStringLiteral("…Копируется файл…")) + QStringLiteral(": ") + serverFileName
                           + QStringLiteral("   ");
    const int r = FtpDownloadFile(hFTP, hFile, serverFolder, serverFileName, localFile,
                                  [&](uint32_t received, uint32_t size) {
                                      progressBar->setValue(ProgressPercent(received, size));
                                      const QString caption = prefix + SizeToText(int32_t(received))
                                                              + QStringLiteral(" of ") + SizeToText(int32_t(size))
                                                              + QStringLiteral(" / ")
                                                              + QString::number(progressBar->value())
                                                              + QStringLiteral(" %");
                                      // Repaint only what changed: most blocks leave the text as it was.
                                      if (lFileCopy->text() != caption)
                                          lFileCopy->setText(caption);
                                  });
    if (r == ResultCode::Downloaded)
        ProcessMessages();
    return r;
}
