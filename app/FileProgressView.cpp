#include "app/FileProgressView.h"

#include "net/FtpDownload.h"

#include <QLabel>
#include <QProgressBar>

void FileProgressView::Show(QProgressBar *bar, const QString &fileName, qint64 received, qint64 size)
{
    bar->setValue(ProgressPercent(uint32_t(received), uint32_t(size)));
    // The prefix is the same for every report of a file: translated once per file.
    if (prefix_.isEmpty() || fileName != fileName_) {
        fileName_ = fileName;
        prefix_ = translate_(QStringLiteral("…Копируется файл…")) + QStringLiteral(": ") + fileName + QStringLiteral("   ");
    }
    const QString caption = prefix_ + SizeToText(int32_t(received)) + QStringLiteral(" of ") + SizeToText(int32_t(size))
                            + QStringLiteral(" / ") + QString::number(bar->value()) + QStringLiteral(" %");
    if (label_->text() != caption)
        label_->setText(caption);
}
