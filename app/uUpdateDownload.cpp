// One server file fetched to a local file, with the bar and the file label showing progress.
#include "app/uUpdate.h"
#include "net/EventPump.h"
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"
#include "support/ClassLanguage.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

namespace {

// The label is painted only when events are processed; building its text costs more than
// receiving a block over a fast link. So a new caption is made at most this often, and always
// for the first block, for a full bar and once the transfer has ended.
constexpr qint64 kCaptionIntervalNs = 10 * 1000 * 1000;

// The progress of one transfer in the bar and in the file label.
class ProgressDisplay {
public:
    ProgressDisplay(QProgressBar *bar, QLabel *label, QString prefix)
        : bar_(bar), label_(label), prefix_(std::move(prefix)) {}
    // Shows the last block's counts on the bar at once, and in the caption when one is due.
    void Show(uint32_t received, uint32_t size)
    {
        bar_->setValue(ProgressPercent(received, size));
        received_ = received;
        size_ = size;
        pending_ = true;
        if (!shown_.isValid() || bar_->value() >= 100 || shown_.nsecsElapsed() >= kCaptionIntervalNs)
            ShowCaption();
    }
    // Shows the counts of the last block in the caption, if it does not show them yet.
    void Finish()
    {
        if (pending_)
            ShowCaption();
    }

private:
    void ShowCaption()
    {
        if (size_ != captionSize_ || sizeText_.isEmpty()) {
            captionSize_ = size_;
            sizeText_ = SizeToText(int32_t(size_));
        }
        const QString caption = prefix_ + SizeToText(int32_t(received_)) + QStringLiteral(" of ") + sizeText_
                                + QStringLiteral(" / ") + QString::number(bar_->value()) + QStringLiteral(" %");
        if (label_->text() != caption)
            label_->setText(caption);
        pending_ = false;
        shown_.start();
    }

    QProgressBar *bar_;
    QLabel *label_;
    const QString prefix_;
    uint32_t received_ = 0;
    uint32_t size_ = 0;
    bool pending_ = false;
    QElapsedTimer shown_;
    uint32_t captionSize_ = 0;
    QString sizeText_;
};

}  // namespace

int TfUpdate::DownloadFileFTP(HINTERNET &, HINTERNET &hFTP, HINTERNET &hFile, const QString &serverFolder,
                              const QString &serverFileName, const QString &localFile, QProgressBar *progressBar)
{
    // The caption's prefix is the same for every block: translate it once per file.
    ProgressDisplay display(progressBar, lFileCopy,
                            lStr(QStringLiteral("…Копируется файл…")) + QStringLiteral(": ") + serverFileName
                                + QStringLiteral("   "));
    const int r = FtpDownloadFile(hFTP, hFile, serverFolder, serverFileName, localFile,
                                  [&](uint32_t received, uint32_t size) { display.Show(received, size); });
    display.Finish();
    if (r == ResultCode::Downloaded)
        ProcessMessages();
    return r;
}
